// libFuzzer entry for the JPEG header reader: any bytes read without overrun or hang, an
// orientation always in 1..8; and a small picture made of the same bytes, turned upright by it
// (or by a value the input picks) and turned back, comes out as it went in.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "JpegInfo.h"
#include "Orient.h"
#include "PictureFormat.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

int Inverse(int orientation) {
    return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Pictures::JpegInfo info = Pictures::ReadJpegInfo(data, size);
    Check(info.orientation >= 1 && info.orientation <= 8);
    Check(info.hasSize() == (info.width > 0 && info.height > 0));
    Pictures::Sniff(data, size);
    if (size < 2)
        return 0;

    const std::uint32_t width = data[0] % 67 + 1, height = data[1] % 71 + 1;
    std::vector<std::uint32_t> stored(std::size_t{width} * height);
    for (std::size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<std::uint32_t>(i) << 8 | data[i % size];
    const int orientation = info.orientation != 1 ? info.orientation : data[size - 1] % 10;
    const Pictures::Bitmap32 upright = Pictures::Orient(stored.data(), width, height, width * 4, orientation);
    Check(upright.pixels.size() == stored.size());
    Check(upright.width == (Pictures::SwapsSides(orientation) ? height : width));
    const Pictures::Bitmap32 back = Pictures::Orient(upright.pixels.data(), upright.width, upright.height,
                                                     upright.stride(), Inverse(orientation));
    Check(back.width == width && back.height == height && back.pixels == stored);
    return 0;
}
