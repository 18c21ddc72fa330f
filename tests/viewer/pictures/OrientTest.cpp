// Stored pixels turned upright for each EXIF orientation, checked against the definition of the
// values (where the stored 0th row and 0th column are seen) and against each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "Orient.h"
#include "PixelBudget.h"

using namespace Pictures;

namespace {

// Stored:  1 2 3
//          4 5 6
const std::vector<std::uint32_t> kStored = {1, 2, 3, 4, 5, 6};

Bitmap32 Turned(const std::vector<std::uint32_t>& pixels, std::uint32_t width, std::uint32_t height,
                int orientation) {
    return Orient(pixels.data(), width, height, std::size_t{width} * 4, orientation);
}

std::vector<std::uint32_t> Pattern(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint32_t> pixels(std::size_t{width} * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(i * 2654435761u);
    return pixels;
}

} // namespace

TEST(Orient, StoredRowAndColumnLandWhereEachValueSays) {
    const struct {
        int orientation;
        std::uint32_t width;
        std::vector<std::uint32_t> upright;
    } cases[] = {
        {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, // row 0 at the top, column 0 on the right
        {3, 3, {6, 5, 4, 3, 2, 1}},                             // row 0 at the bottom, column 0 on the right
        {4, 3, {4, 5, 6, 1, 2, 3}},                             // row 0 at the bottom, column 0 on the left
        {5, 2, {1, 4, 2, 5, 3, 6}},                             // row 0 on the left, column 0 at the top
        {6, 2, {4, 1, 5, 2, 6, 3}}, // row 0 on the right, column 0 at the top: a turn clockwise
        {7, 2, {6, 3, 5, 2, 4, 1}}, // row 0 on the right, column 0 at the bottom
        {8, 2, {3, 6, 2, 5, 1, 4}}, // row 0 on the left, column 0 at the bottom: anticlockwise
        {0, 3, {1, 2, 3, 4, 5, 6}}, // out of range: as stored
        {9, 3, {1, 2, 3, 4, 5, 6}},
    };
    for (const auto& c : cases) {
        const Bitmap32 out = Turned(kStored, 3, 2, c.orientation);
        EXPECT_EQ(out.width, c.width) << c.orientation;
        EXPECT_EQ(out.height, 6 / c.width) << c.orientation;
        EXPECT_EQ(out.pixels, c.upright) << c.orientation;
    }
    // Rows further apart than the pixels need, and a source that is not 4-byte aligned.
    std::vector<std::uint8_t> padded(1 + 2 * 20);
    for (std::uint32_t i = 0; i < 6; ++i)
        std::memcpy(padded.data() + 1 + (i / 3) * 20 + (i % 3) * 4, &kStored[i], 4);
    EXPECT_EQ(Orient(padded.data() + 1, 3, 2, 20, 6).pixels, (std::vector<std::uint32_t>{4, 1, 5, 2, 6, 3}));
}

TEST(Orient, LargePicturesComposeLikeTheTurnsTheyAre) {
    // Not a multiple of the block size either way, so partial blocks are covered.
    const std::uint32_t w = 77, h = 45;
    const std::vector<std::uint32_t> stored = Pattern(w, h);
    const auto twice = [&](int first, int second) {
        const Bitmap32 once = Turned(stored, w, h, first);
        return Turned(once.pixels, once.width, once.height, second).pixels;
    };
    EXPECT_EQ(twice(6, 6), Turned(stored, w, h, 3).pixels);
    EXPECT_EQ(twice(8, 8), Turned(stored, w, h, 3).pixels);
    EXPECT_EQ(twice(5, 2), Turned(stored, w, h, 6).pixels);
    EXPECT_EQ(twice(5, 4), Turned(stored, w, h, 8).pixels);
    EXPECT_EQ(twice(5, 3), Turned(stored, w, h, 7).pixels);
    EXPECT_EQ(twice(2, 4), Turned(stored, w, h, 3).pixels);
    for (int o : {1, 2, 3, 4, 5, 7})
        EXPECT_EQ(twice(o, o), stored) << o;
    EXPECT_EQ(twice(6, 8), stored);
}

TEST(Orient, RefusesBuffersThatCannotBeRight) {
    const std::uint32_t pixel = 7;
    EXPECT_TRUE(Orient(nullptr, 3, 2, 12, 6).empty());
    EXPECT_TRUE(Orient(kStored.data(), 0, 2, 12, 6).empty());
    EXPECT_TRUE(Orient(kStored.data(), 3, 0, 12, 6).empty());
    EXPECT_TRUE(Orient(kStored.data(), 3, 2, 11, 6).empty());
    // Above the budget nothing is allocated, whatever the caller claims to have.
    EXPECT_TRUE(Orient(&pixel, 20000, 20000, 80000, 6).empty());
    EXPECT_EQ(Orient(&pixel, 1, 1, 4, 8).pixels, std::vector<std::uint32_t>{7});
}

TEST(Orient, StripsOfThreeByteRowsMatchTheWholeTurn) {
    // 3- and 4-byte stored pixels with padded rows, upright rows in strips that do not divide the height.
    const std::uint32_t w = 77, h = 45;
    const std::vector<std::uint32_t> stored = Pattern(w, h);
    for (unsigned bytes : {3u, 4u}) {
        const std::size_t stride = w * bytes + 5;
        std::vector<std::uint8_t> source(stride * h);
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
                std::memcpy(&source[y * stride + x * bytes], &stored[std::size_t{y} * w + x], bytes);
        for (int o = 1; o <= 8; ++o) {
            const Bitmap32 whole = Turned(stored, w, h, o);
            const std::size_t outStride = whole.width * 3 + 1;
            std::vector<std::uint8_t> rows(outStride * whole.height);
            for (std::uint32_t y = 0; y < whole.height; y += 16) {
                const std::uint32_t count = std::min(16u, whole.height - y);
                ASSERT_TRUE(OrientRowsBgr(source.data(), w, h, stride, bytes, o, y, count,
                                          &rows[y * outStride], outStride));
            }
            for (std::uint32_t y = 0; y < whole.height; ++y)
                for (std::uint32_t x = 0; x < whole.width; ++x) {
                    std::uint32_t bgr = 0;
                    std::memcpy(&bgr, &rows[y * outStride + x * 3], 3);
                    ASSERT_EQ(bgr, whole.at(x, y) & 0xFFFFFF) << bytes << " bytes, orientation " << o;
                }
        }
    }
    std::uint8_t out[9] = {};
    const std::uint32_t pixel = 7;
    EXPECT_FALSE(
        OrientRowsBgr(kStored.data(), 3, 2, 12, 4, 6, 2, 2, out, 6)); // rows 2 and 3 of a 2 x 3 upright
    EXPECT_FALSE(OrientRowsBgr(kStored.data(), 3, 2, 12, 4, 1, 0, 1, out, 8)); // 3 pixels do not fit 8 bytes
    EXPECT_FALSE(OrientRowsBgr(kStored.data(), 3, 2, 12, 2, 1, 0, 1, out, 9));
    EXPECT_FALSE(OrientRowsBgr(&pixel, 20000, 20000, 80000, 4, 6, 0, 1, out, 9));
    EXPECT_TRUE(OrientRowsBgr(kStored.data(), 3, 2, 12, 4, 6, 2, 1, out, 6));
    // The last upright row of a turn to the right is the stored right column, bottom first.
    EXPECT_EQ(out[0], 6);
    EXPECT_EQ(out[3], 3);
}
