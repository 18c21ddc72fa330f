// The largest picture that is decoded at all, checked before any pixel memory is taken.
#pragma once
#include <cstdint>

namespace Pictures {

// 100 megapixels: 400 MB as 32-bit pixels, more than any camera or scanner page sends by mail.
constexpr std::uint64_t kPixelBudget = 100'000'000;

// True for a picture of at least one pixel whose pixel count stays within the budget.
inline bool FitsPixelBudget(std::uint64_t width, std::uint64_t height, std::uint64_t budget = kPixelBudget) {
    return width > 0 && height > 0 && width <= budget && height <= budget / width;
}

} // namespace Pictures
