// libFuzzer entry for the PCX decoder: any bytes decoded or refused without overrun, hang or
// allocation beyond the budget; a refusal says why and holds no pixels, a picture holds exactly
// its width times height pixels.
#include <cstdint>
#include <cstdlib>

#include "PcxDecoder.h"

namespace {

// Small enough that each run stays quick; every limit of the decoder scales with it.
constexpr std::uint64_t kBudget = 1u << 20;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Pictures::PcxResult result = Pictures::DecodePcx(data, size, kBudget);
    if (!result.ok()) {
        Check(result.bitmap.empty() && !result.truncated);
        return 0;
    }
    const Pictures::Bitmap32& bitmap = result.bitmap;
    Check(bitmap.width > 0 && bitmap.height > 0);
    Check(std::uint64_t{bitmap.width} * bitmap.height <= kBudget);
    Check(bitmap.pixels.size() == std::size_t{bitmap.width} * bitmap.height);
    return 0;
}
