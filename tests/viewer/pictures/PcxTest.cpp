// PCX files of every supported layout built here, and headers and data that lie.
#include <gtest/gtest.h>

#include <functional>

#include "PcxDecoder.h"
#include "PictureBuilders.h"

using namespace Pictures;
using namespace PictureBuilders;

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

Bytes HeaderPalette() {
    Bytes p;
    for (unsigned i = 0; i < 16; ++i)
        p.insert(p.end(), {std::uint8_t(i * 16), std::uint8_t(255 - i * 16), std::uint8_t(i * 7)});
    return p;
}

Bytes TailPalette() {
    Bytes p;
    for (unsigned i = 0; i < 256; ++i)
        p.insert(p.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 37)});
    return p;
}

std::uint32_t Colour(const Bytes& palette, std::uint32_t index) {
    return kOpaque | std::uint32_t{palette[3 * index]} << 16 | std::uint32_t{palette[3 * index + 1]} << 8 |
           palette[3 * index + 2];
}

using PixelValue = std::function<std::uint32_t(std::uint32_t x, std::uint32_t y)>;

// Scan lines holding value(x, y): palette indices packed or in bit planes, or 0xAARRGGBB in planes.
Bytes Scan(const PcxHeader& h, const PixelValue& value) {
    const std::size_t plane = BytesPerLine(h);
    Bytes scan;
    for (std::uint32_t y = 0; y < h.height; ++y) {
        Bytes line(plane * h.planes);
        for (std::uint32_t x = 0; x < h.width; ++x) {
            const std::uint32_t v = value(x, y);
            if (h.planes == 1) {
                line[x * h.bits / 8] |= std::uint8_t(v << (8 - h.bits - x * h.bits % 8));
            } else if (h.bits == 1) {
                for (unsigned p = 0; p < h.planes; ++p)
                    line[p * plane + x / 8] |= std::uint8_t(((v >> p) & 1) << (7 - x % 8));
            } else {
                for (unsigned p = 0; p < h.planes; ++p)
                    line[p * plane + x] = std::uint8_t(v >> (p == 3 ? 24 : 16 - 8 * p));
            }
        }
        scan.insert(scan.end(), line.begin(), line.end());
    }
    return scan;
}

// A marked 10 x 3 picture: every pixel differs from its neighbours and the corners differ.
PixelValue Marks(std::uint32_t colours) {
    return [colours](std::uint32_t x, std::uint32_t y) { return (x + 3 * y + x * y) % colours; };
}

PcxHeader Header(std::uint8_t bits, std::uint8_t planes) {
    PcxHeader h;
    h.bits = bits;
    h.planes = planes;
    h.width = 10;
    h.height = 3;
    return h;
}

} // namespace

TEST(PcxDecoder, DecodesEveryLayoutToItsColours) {
    const Bytes header16 = HeaderPalette(), tail = TailPalette();
    const std::uint32_t rgbMarks[] = {0x123456, 0xFFFFFF, 0xC0C1C2, 0x000000, 0xFF00FF};
    const PixelValue rgb = [&](std::uint32_t x, std::uint32_t y) {
        return rgbMarks[(x + y) % 5] | (x * 25) << 24;
    };
    struct Case {
        std::uint8_t bits, planes;
        bool runsAcrossLines;
        std::uint16_t xMin, bytesPerLine;
    } cases[] = {{1, 1, false, 0, 0}, {1, 2, false, 0, 0}, {1, 3, true, 0, 0},
                 {1, 4, false, 3, 0}, {2, 1, false, 0, 4}, {4, 1, true, 0, 0},
                 {8, 1, false, 9, 0}, {8, 3, true, 0, 12}, {8, 4, false, 0, 0}};
    for (const Case& c : cases) {
        PcxHeader h = Header(c.bits, c.planes);
        h.xMin = c.xMin;
        h.yMin = c.xMin;
        h.bytesPerLine = c.bytesPerLine;
        h.palette16 = header16;
        const bool indexed = c.planes == 1 || c.bits == 1;
        const std::uint32_t colours = 1u << (c.bits * (c.bits == 1 ? c.planes : 1));
        const PixelValue value = indexed ? Marks(colours) : rgb;
        const bool tailed = c.bits == 8 && c.planes == 1;
        const Bytes file = Pcx(h, Scan(h, value), tailed ? tail : Bytes{}, c.runsAcrossLines);

        const PcxResult result = DecodePcx(file.data(), file.size());
        ASSERT_TRUE(result.ok()) << result.error << " " << int{c.bits} << "x" << int{c.planes};
        EXPECT_FALSE(result.truncated);
        ASSERT_EQ(result.bitmap.width, 10u);
        ASSERT_EQ(result.bitmap.height, 3u);
        for (std::uint32_t y = 0; y < 3; ++y)
            for (std::uint32_t x = 0; x < 10; ++x) {
                const std::uint32_t v = value(x, y);
                const std::uint32_t expected =
                    !indexed ? (c.planes == 4 ? v : v | kOpaque) : Colour(tailed ? tail : header16, v);
                ASSERT_EQ(result.bitmap.at(x, y), expected)
                    << int{c.bits} << "x" << int{c.planes} << " at " << x;
            }
    }
}

TEST(PcxDecoder, MissingPalettesFallBackToStandardColours) {
    // Monochrome without a palette (or with two equal colours) is black on white; with one, its colours.
    PcxHeader h = Header(1, 1);
    const Bytes scan = Scan(h, Marks(2));
    for (const Bytes& palette : {Bytes{}, Bytes(6, 0x80), Bytes{255, 0, 0, 0, 0, 255}}) {
        h.palette16 = palette;
        const Bytes file = Pcx(h, scan);
        const PcxResult result = DecodePcx(file.data(), file.size());
        const bool own = palette.size() == 6 && palette[0] != palette[3];
        EXPECT_EQ(result.bitmap.at(0, 0), own ? 0xFFFF0000u : kOpaque);
        EXPECT_EQ(result.bitmap.at(1, 0), own ? 0xFF0000FFu : 0xFFFFFFFFu);
    }
    // 16 colours without a palette: the standard ones; 8 bits without the trailing one: grey.
    h = Header(4, 1);
    Bytes file = Pcx(h, Scan(h, Marks(16)));
    EXPECT_EQ(DecodePcx(file.data(), file.size()).bitmap.at(1, 0), 0xFF0000AAu);
    h = Header(8, 1);
    file = Pcx(h, Scan(h, [](std::uint32_t x, std::uint32_t) { return x * 20; }));
    EXPECT_EQ(DecodePcx(file.data(), file.size()).bitmap.at(9, 2), 0xFFB4B4B4u);
}

TEST(PcxDecoder, LyingHeadersAreRefusedBeforeAllocating) {
    PcxHeader h = Header(8, 1);
    const Bytes sound = Pcx(h, Scan(h, Marks(256)), TailPalette());
    ASSERT_TRUE(DecodePcx(sound.data(), sound.size()).ok());
    using Patch = std::pair<std::size_t, Bytes>; // bytes written at an offset
    const std::vector<Patch> lies[] = {
        {{0, {11}}},                                         // not the manufacturer byte
        {{2, {2}}},                                          // unknown encoding
        {{4, {20, 0}}},                                      // window's left edge right of its right edge
        {{6, {5, 0}}},                                       // top below bottom
        {{66, {9, 0}}},                                      // lines shorter than the width
        {{66, {0, 0}}},                                      //
        {{65, {0}}},                                         // no plane
        {{3, {1}}, {65, {0}}},                               // 1 bit in no plane
        {{65, {2}}},                                         // 8 bits in 2 planes
        {{3, {3}}},                                          // 3 bits
        {{3, {2}}, {65, {2}}},                               // 2 bits in 2 planes
        {{8, {0xFE, 0xFF, 0xFE, 0xFF}}, {66, {0xFF, 0xFF}}}, // 65535 x 65535: over budget
        {{8, {0x0F, 0x27, 0x0F, 0x27}}, {66, {0x10, 0x27}}}, // 10000 x 10000 from a few hundred bytes
    };
    for (const auto& patches : lies) {
        Bytes file = sound;
        for (const Patch& patch : patches)
            std::copy(patch.second.begin(), patch.second.end(),
                      file.begin() + static_cast<std::ptrdiff_t>(patch.first));
        const PcxResult result = DecodePcx(file.data(), file.size());
        EXPECT_FALSE(result.ok()) << patches[0].first;
        EXPECT_FALSE(result.error.empty());
        EXPECT_TRUE(result.bitmap.empty());
    }
    EXPECT_FALSE(DecodePcx(sound.data(), 127).ok());
    EXPECT_FALSE(DecodePcx(nullptr, 0).ok());
    // The caller's budget counts pixels: 10 x 3 is 30.
    EXPECT_FALSE(DecodePcx(sound.data(), sound.size(), 29).ok());
    EXPECT_TRUE(DecodePcx(sound.data(), sound.size(), 30).ok());
}

TEST(PcxDecoder, CutDataIsPaddedWithBlack) {
    PcxHeader h = Header(8, 3);
    const Bytes file = Pcx(h, Scan(h, [](std::uint32_t x, std::uint32_t y) { return 0x10 * (x + y) + 1; }));
    for (std::size_t size = 0; size <= file.size(); ++size) {
        const PcxResult result = DecodePcx(file.data(), size);
        if (size < 128 + 4) {
            EXPECT_FALSE(result.ok()) << size; // not even the best runs could fill it
            continue;
        }
        ASSERT_TRUE(result.ok()) << size;
        EXPECT_EQ(result.truncated, size < file.size());
        EXPECT_EQ(result.bitmap.pixels.size(), 30u);
        EXPECT_EQ(result.bitmap.at(9, 2) == kOpaque, size < file.size()) << size;
    }
}
