// Turning and mirroring 32-bit pixels so that a picture stored under an EXIF orientation is upright.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Bitmap32.h"

namespace Pictures {

// True for the orientations (5 to 8) whose upright picture has width and height swapped.
bool SwapsSides(int orientation);

// The upright picture of the stored one at source (width x height pixels of 4 bytes, rows
// top-down, stride bytes apart) under the EXIF orientation: 2 mirror left-right, 3 turn 180,
// 4 mirror top-bottom, 5 transpose, 6 turn 90 clockwise, 7 transverse, 8 turn 90 anticlockwise;
// 1 and any other value copy. Empty when the arguments describe no buffer or exceed the budget.
Bitmap32 Orient(const void* source, std::uint32_t width, std::uint32_t height, std::size_t stride,
                int orientation);

// Rows firstRow to firstRow + rowCount - 1 of that upright picture, for an encoder that takes a
// strip at a time: the stored pixels are 3 or 4 bytes (B, G, R first), the rows written are 3
// bytes a pixel (B, G, R), outStride bytes apart. False, with nothing written, when the arguments
// describe no buffer, exceed the budget or ask for rows the upright picture does not have.
bool OrientRowsBgr(const void* source, std::uint32_t width, std::uint32_t height, std::size_t stride,
                   unsigned bytesPerPixel, int orientation, std::uint32_t firstRow, std::uint32_t rowCount,
                   std::uint8_t* out, std::size_t outStride);

} // namespace Pictures
