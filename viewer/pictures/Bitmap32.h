// A picture in memory as the Windows imaging component takes it: 32-bit pixels, rows top-down.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Pictures {

struct Bitmap32 {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // width * height pixels, row after row, no padding. Each is 0xAARRGGBB, so the bytes in memory
    // are B, G, R, A on a little-endian machine: WIC's 32bppBGRA (or 32bppBGR ignoring A).
    std::vector<std::uint32_t> pixels;

    bool empty() const { return pixels.empty(); }
    std::size_t stride() const { return std::size_t{width} * 4; }
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t{y} * width + x]; }
};

} // namespace Pictures
