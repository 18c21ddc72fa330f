#include "Orient.h"

#include <cstring>
#include <limits>

#include "PixelBudget.h"

namespace Pictures {
namespace {

// Square blocks for the orientations that read the source down its columns: a block's source rows
// stay in cache while its destination rows are written.
constexpr std::uint32_t kTile = 64;

std::uint32_t Load(const std::uint8_t* p) {
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Where the upright picture's pixel (x, y) comes from, as a byte offset into the source:
// origin + x * xStep + y * yStep.
struct Walk {
    std::ptrdiff_t origin;
    std::ptrdiff_t xStep;
    std::ptrdiff_t yStep;
};

Walk WalkFor(int orientation, std::uint32_t width, std::uint32_t height, std::size_t stride,
             std::ptrdiff_t pixel = 4) {
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(stride);
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(width - 1) * pixel;
    const std::ptrdiff_t bottom = static_cast<std::ptrdiff_t>(height - 1) * row;
    switch (orientation) {
    case 2:
        return {last, -pixel, row};
    case 3:
        return {bottom + last, -pixel, -row};
    case 4:
        return {bottom, pixel, -row};
    case 5:
        return {0, row, pixel}; // stored row 0 is the left side, column 0 the top
    case 6:
        return {bottom, -row, pixel}; // row 0 is the right side, column 0 the top
    case 7:
        return {bottom + last, -row, -pixel}; // row 0 is the right side, column 0 the bottom
    case 8:
        return {last, row, -pixel}; // row 0 is the left side, column 0 the bottom
    default:
        return {0, pixel, row};
    }
}

void CopyRows(const std::uint8_t* source, const Walk& walk, Bitmap32& out) {
    std::uint32_t* target = out.pixels.data();
    for (std::uint32_t y = 0; y < out.height; ++y, target += out.width) {
        const std::ptrdiff_t start = walk.origin + walk.yStep * y;
        if (walk.xStep > 0) {
            std::memcpy(target, source + start, out.stride());
            continue;
        }
        std::ptrdiff_t at = start;
        for (std::uint32_t x = 0; x < out.width; ++x, at -= 4)
            target[x] = Load(source + at);
    }
}

void CopyTiles(const std::uint8_t* source, const Walk& walk, Bitmap32& out) {
    for (std::uint32_t y0 = 0; y0 < out.height; y0 += kTile) {
        const std::uint32_t y1 = out.height - y0 < kTile ? out.height : y0 + kTile;
        for (std::uint32_t x0 = 0; x0 < out.width; x0 += kTile) {
            const std::uint32_t x1 = out.width - x0 < kTile ? out.width : x0 + kTile;
            for (std::uint32_t y = y0; y < y1; ++y) {
                std::uint32_t* target = out.pixels.data() + std::size_t{y} * out.width;
                std::ptrdiff_t at = walk.origin + walk.yStep * y + walk.xStep * x0;
                for (std::uint32_t x = x0; x < x1; ++x, at += walk.xStep)
                    target[x] = Load(source + at);
            }
        }
    }
}

// The sizes of a stored picture in memory that can be read safely, within the budget.
bool Readable(const void* source, std::uint32_t width, std::uint32_t height, std::size_t stride,
              unsigned pixel) {
    return source && FitsPixelBudget(width, height) && stride / pixel >= width &&
           stride <= static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / height;
}

} // namespace

bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

Bitmap32 Orient(const void* source, std::uint32_t width, std::uint32_t height, std::size_t stride,
                int orientation) {
    Bitmap32 out;
    if (!Readable(source, width, height, stride, 4))
        return out;
    const bool swap = SwapsSides(orientation);
    out.width = swap ? height : width;
    out.height = swap ? width : height;
    out.pixels.resize(std::size_t{width} * height);
    const Walk walk = WalkFor(orientation, width, height, stride);
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    if (swap)
        CopyTiles(bytes, walk, out);
    else
        CopyRows(bytes, walk, out);
    return out;
}

bool OrientRowsBgr(const void* source, std::uint32_t width, std::uint32_t height, std::size_t stride,
                   unsigned bytesPerPixel, int orientation, std::uint32_t firstRow, std::uint32_t rowCount,
                   std::uint8_t* out, std::size_t outStride) {
    if ((bytesPerPixel != 3 && bytesPerPixel != 4) || !out ||
        !Readable(source, width, height, stride, bytesPerPixel))
        return false;
    const bool swap = SwapsSides(orientation);
    const std::uint32_t uprightWidth = swap ? height : width, uprightHeight = swap ? width : height;
    if (firstRow > uprightHeight || rowCount > uprightHeight - firstRow || outStride / 3 < uprightWidth)
        return false;
    const Walk walk = WalkFor(orientation, width, height, stride, bytesPerPixel);
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    const std::uint32_t lastRow = firstRow + rowCount;
    if (walk.xStep == 3) {
        for (std::uint32_t y = firstRow; y < lastRow; ++y)
            std::memcpy(out + (y - firstRow) * outStride, bytes + walk.origin + walk.yStep * y,
                        std::size_t{uprightWidth} * 3);
        return true;
    }
    // Blocks of columns, so that the stored rows that a turn reads down stay in cache for the strip.
    const std::uint32_t block = swap ? kTile : uprightWidth;
    for (std::uint32_t x0 = 0; x0 < uprightWidth; x0 += block) {
        const std::uint32_t x1 = uprightWidth - x0 < block ? uprightWidth : x0 + block;
        for (std::uint32_t y = firstRow; y < lastRow; ++y) {
            std::uint8_t* target = out + (y - firstRow) * outStride + std::size_t{x0} * 3;
            std::ptrdiff_t at = walk.origin + walk.yStep * y + walk.xStep * x0;
            for (std::uint32_t x = x0; x < x1; ++x, at += walk.xStep, target += 3) {
                target[0] = bytes[at];
                target[1] = bytes[at + 1];
                target[2] = bytes[at + 2];
            }
        }
    }
    return true;
}

} // namespace Pictures
