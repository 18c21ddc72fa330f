// Times Orient on a 12-megapixel (4000 x 3000) 32-bit photo for each orientation, and the decode
// of a PCX of that size, against the floor of a plain copy of the same pixels into a new buffer.
// Every figure is the median of several runs in this one process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "Orient.h"
#include "PcxDecoder.h"

namespace {

constexpr std::uint32_t kWidth = 4000, kHeight = 3000;
constexpr int kRuns = 9;

volatile std::uint32_t g_sink;

double MedianMs(const std::function<std::uint32_t()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        g_sink = work();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[kRuns / 2];
}

// A 24-bit PCX of the photo's size whose lines are mostly short runs, like a scan or a drawing.
std::vector<std::uint8_t> PcxOfPhotoSize() {
    std::vector<std::uint8_t> file(128);
    const std::uint8_t header[] = {10,
                                   5,
                                   1,
                                   8,
                                   0,
                                   0,
                                   0,
                                   0,
                                   (kWidth - 1) & 0xFF,
                                   (kWidth - 1) >> 8,
                                   (kHeight - 1) & 0xFF,
                                   (kHeight - 1) >> 8};
    std::memcpy(file.data(), header, sizeof header);
    file[65] = 3;
    file[66] = kWidth & 0xFF;
    file[67] = kWidth >> 8;
    for (std::uint32_t y = 0; y < kHeight; ++y)
        for (int plane = 0; plane < 3; ++plane)
            for (std::uint32_t x = 0; x < kWidth; x += 8) {
                file.push_back(0xC8);
                file.push_back(static_cast<std::uint8_t>((x + y + plane * 50) / 8));
            }
    return file;
}

} // namespace

int main() {
    std::vector<std::uint32_t> photo(std::size_t{kWidth} * kHeight);
    for (std::size_t i = 0; i < photo.size(); ++i)
        photo[i] = static_cast<std::uint32_t>(i * 2654435761u);
    const std::size_t stride = std::size_t{kWidth} * 4;

    const double copy = MedianMs([&] {
        std::vector<std::uint32_t> copied(photo.begin(), photo.end());
        return copied[copied.size() / 2];
    });
    std::printf("pictures bench: %u x %u pixels, median of %d runs\n", kWidth, kHeight, kRuns);
    std::printf("  plain copy (floor)       %7.1f ms\n", copy);
    const char* const names[] = {"",
                                 "as stored",
                                 "mirror left-right",
                                 "turn 180",
                                 "mirror top-bottom",
                                 "transpose",
                                 "turn 90 clockwise",
                                 "transverse",
                                 "turn 90 anticlockwise"};
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const double ms = MedianMs([&] {
            const Pictures::Bitmap32 upright =
                Pictures::Orient(photo.data(), kWidth, kHeight, stride, orientation);
            return upright.pixels[upright.pixels.size() / 3];
        });
        std::printf("  orientation %d %-22s %7.1f ms  %5.2fx copy\n", orientation, names[orientation], ms,
                    ms / copy);
    }
    const std::vector<std::uint8_t> pcx = PcxOfPhotoSize();
    const double decode = MedianMs([&] {
        const Pictures::PcxResult result = Pictures::DecodePcx(pcx.data(), pcx.size());
        return result.bitmap.pixels[result.bitmap.pixels.size() / 3];
    });
    std::printf("  PCX 24-bit decode (%zu KB) %7.1f ms  %5.2fx copy\n", pcx.size() / 1024, decode,
                decode / copy);
    return 0;
}
