// Pictures made by ImageMagick (make-samples.sh): JPEGs stored turned with an orientation tag come
// out upright, and PCX files decode to exactly the pixels of the pictures they were made from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "JpegInfo.h"
#include "Orient.h"
#include "PcxDecoder.h"

using namespace Pictures;

namespace {

std::vector<std::uint8_t> Read(const std::string& leaf) {
    std::ifstream in(std::string(VARO_TEST_BINARY_DIR) + "/picture-samples/" + leaf, std::ios::binary);
    EXPECT_TRUE(in.good()) << leaf;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Pixel(const std::vector<std::uint8_t>& bgra, std::size_t width, std::size_t x, std::size_t y) {
    std::uint32_t value;
    std::memcpy(&value, bgra.data() + 4 * (y * width + x), 4);
    return value;
}

// Within JPEG's loss of the colour of a solid mark.
bool Near(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 24)
            return false;
    return true;
}

} // namespace

TEST(PictureSamples, EightOrientationsOfOneMarkedPhotoComeOutUpright) {
    const std::vector<std::uint8_t> marked = Read("marked.bgra");
    ASSERT_EQ(marked.size(), 48u * 32 * 4);
    for (int n = 1; n <= 8; ++n) {
        const std::vector<std::uint8_t> jpeg = Read("o" + std::to_string(n) + ".jpg");
        const JpegInfo info = ReadJpegInfo(jpeg.data(), jpeg.size());
        EXPECT_EQ(info.orientation, n);
        ASSERT_EQ(info.width, n <= 4 ? 48u : 32u) << n;
        ASSERT_EQ(info.height, n <= 4 ? 32u : 48u) << n;
        const std::vector<std::uint8_t> stored = Read("o" + std::to_string(n) + ".bgra");
        ASSERT_EQ(stored.size(), std::size_t{info.width} * info.height * 4);
        const Bitmap32 upright =
            Orient(stored.data(), info.width, info.height, info.width * 4, info.orientation);
        ASSERT_EQ(upright.width, 48u);
        ASSERT_EQ(upright.height, 32u);
        for (std::uint32_t y : {0u, 31u, 16u})
            for (std::uint32_t x : {0u, 47u, 24u})
                EXPECT_TRUE(Near(upright.at(x, y), Pixel(marked, 48, x, y)))
                    << "orientation " << n << " at " << x << "," << y << ": " << std::hex << upright.at(x, y);
    }
}

TEST(PictureSamples, PcxFilesDecodeToTheirSourcePixels) {
    // ImageMagick writes its monochrome black as bit 1 under a header palette whose entry 1 is
    // white; the palette is what the file says, so there only the shapes are compared.
    const struct {
        const char* pcx;
        const char* source;
        bool shapesOnly;
    } cases[] = {{"palette8.pcx", "marked.bgra", false},
                 {"plain8.pcx", "marked.bgra", false},
                 {"rgb24.pcx", "many.bgra", false},
                 {"rgba32.pcx", "alpha.bgra", false},
                 {"mono1.pcx", "mono.bgra", true}};
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> file = Read(c.pcx), source = Read(c.source);
        const PcxResult result = DecodePcx(file.data(), file.size());
        ASSERT_TRUE(result.ok()) << c.pcx << ": " << result.error;
        EXPECT_FALSE(result.truncated) << c.pcx;
        ASSERT_EQ(result.bitmap.width, 48u) << c.pcx;
        ASSERT_EQ(result.bitmap.height, 32u) << c.pcx;
        ASSERT_EQ(source.size(), result.bitmap.pixels.size() * 4);
        for (std::uint32_t y = 0; y < 32; ++y)
            for (std::uint32_t x = 0; x < 48; ++x)
                if (c.shapesOnly)
                    ASSERT_EQ(result.bitmap.at(x, y) == result.bitmap.at(0, 0),
                              Pixel(source, 48, x, y) == Pixel(source, 48, 0, 0))
                        << c.pcx << " at " << x << "," << y;
                else
                    ASSERT_EQ(result.bitmap.at(x, y), Pixel(source, 48, x, y))
                        << c.pcx << " at " << x << "," << y;
    }
}
