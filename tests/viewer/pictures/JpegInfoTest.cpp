// Sniffing by content, and the frame size and EXIF orientation read from JPEG headers, sound or not.
#include <gtest/gtest.h>

#include <string>

#include "JpegInfo.h"
#include "PictureBuilders.h"
#include "PictureFormat.h"
#include "PixelBudget.h"

using namespace Pictures;
using namespace PictureBuilders;

namespace {

constexpr std::uint16_t kOrientation = 0x0112;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes PhotoWith(const Bytes& tiff, std::uint16_t width = 640, std::uint16_t height = 480) {
    return Jpeg({Segment(0xE0, Text("JFIF")), ExifSegment(tiff), Segment(0xC0, FrameBody(width, height))});
}

Bytes Oriented(bool bigEndian, std::uint32_t value, std::uint32_t nextIfd = 0) {
    return TiffBlock(bigEndian, {{0x010F, 2, 4, 0}, {kOrientation, 3, 1, value}}, nextIfd);
}

} // namespace

TEST(PictureSniff, KnowsFormatsByTheirFirstBytesOnly) {
    Bytes bmp = Text("BM");
    bmp.resize(18);
    bmp[14] = 40;
    Bytes pcx{10, 5, 1, 8};
    pcx.resize(128);
    const struct {
        Bytes bytes;
        PictureFormat format;
    } cases[] = {
        {{0xFF, 0xD8, 0xFF, 0xE0}, PictureFormat::Jpeg},
        {Text("\x89PNG\r\n\x1A\n"), PictureFormat::Png},
        {Text("GIF87a"), PictureFormat::Gif},
        {Text("GIF89a"), PictureFormat::Gif},
        {bmp, PictureFormat::Bmp},
        {Text(std::string("II*\0", 4)), PictureFormat::Tiff},
        {Text(std::string("MM\0*", 4)), PictureFormat::Tiff},
        {pcx, PictureFormat::Pcx},
        {{}, PictureFormat::Other},
        {{0xFF, 0xD8}, PictureFormat::Other},
        {Text("BM is a text that starts like a bitmap"), PictureFormat::Other},
        {Text("GIF88a"), PictureFormat::Other},
        {Text(std::string("II+\0", 4)), PictureFormat::Other},
        {Bytes(pcx.begin(), pcx.begin() + 127), PictureFormat::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sniff(c.bytes.data(), c.bytes.size()), c.format)
            << std::string(c.bytes.begin(), c.bytes.end());
    EXPECT_TRUE(IsShownByBrowser(PictureFormat::Jpeg) && IsShownByBrowser(PictureFormat::Png) &&
                IsShownByBrowser(PictureFormat::Gif) && IsShownByBrowser(PictureFormat::Bmp));
    EXPECT_FALSE(IsShownByBrowser(PictureFormat::Tiff) || IsShownByBrowser(PictureFormat::Pcx) ||
                 IsShownByBrowser(PictureFormat::Other));
}

TEST(JpegInfo, ReadsSizeAndEveryOrientationInBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        for (std::uint32_t value = 1; value <= 8; ++value) {
            const Bytes photo = PhotoWith(Oriented(bigEndian, value), 4000, 3000);
            const JpegInfo info = ReadJpegInfo(photo.data(), photo.size());
            EXPECT_EQ(info.orientation, static_cast<int>(value)) << bigEndian;
            EXPECT_EQ(info.width, 4000u);
            EXPECT_EQ(info.height, 3000u);
        }
    }
    // Fill bytes, an XMP block first, a progressive frame and the first Exif block winning.
    Bytes photo = Jpeg({Segment(0xE1, Text("http://ns.adobe.com/xap/1.0/")),
                        ExifSegment(Oriented(true, 8)),
                        ExifSegment(Oriented(true, 3)),
                        {0xFF, 0xFF},
                        Segment(0xC2, FrameBody(12, 34))});
    JpegInfo info = ReadJpegInfo(photo.data(), photo.size());
    EXPECT_EQ(info.orientation, 8);
    EXPECT_EQ(info.width, 12u);
    EXPECT_EQ(info.height, 34u);
    // Where the scan begins, past every header segment.
    ASSERT_GE(info.scanOffset, 2u);
    EXPECT_EQ(photo[info.scanOffset - 1], 0xDA);
    EXPECT_EQ(photo.size() - info.scanOffset, 8u + 7);
    // DHT (C4) shares the frame markers' range and is not a frame; a frame after the scan is not read.
    photo = Jpeg({Segment(0xC4, FrameBody(1, 1))});
    photo.insert(photo.end() - 2, {0xFF, 0xC0, 0, 17});
    info = ReadJpegInfo(photo.data(), photo.size());
    EXPECT_FALSE(info.hasSize());
}

TEST(JpegInfo, UnsoundOrientationCountsAsNone) {
    const Bytes unsound[] = {
        TiffBlock(false, {}),
        TiffBlock(false, {{kOrientation, 4, 1, 6}}), // LONG
        TiffBlock(true, {{kOrientation, 3, 2, 6}}),  // two values
        TiffBlock(true, {{kOrientation, 3, 1, 0}}),
        TiffBlock(false, {{kOrientation, 3, 1, 9}}),
        TiffBlock(false, {{0x8769, 4, 1, 8}}), // only an Exif sub-IFD pointer
    };
    for (const Bytes& tiff : unsound) {
        const Bytes photo = PhotoWith(tiff);
        const JpegInfo info = ReadJpegInfo(photo.data(), photo.size());
        EXPECT_EQ(info.orientation, 1);
        EXPECT_EQ(info.width, 640u);
    }
    Bytes block = Oriented(true, 6);
    Bytes badOrder = block, badMagic = block, farIfd = block, longIfd = block;
    badOrder[1] = 'I';
    badMagic[3] = 43;
    farIfd[7] = 200;
    longIfd[9] = 3; // three entries claimed, two present
    for (const Bytes& tiff : {badOrder, badMagic, farIfd, longIfd, Bytes(block.begin(), block.end() - 9)}) {
        const Bytes photo = PhotoWith(tiff);
        EXPECT_EQ(ReadJpegInfo(photo.data(), photo.size()).orientation, 1);
    }
    // Without the Exif signature the block is something else.
    const Bytes other = Jpeg({Segment(0xE1, block), Segment(0xC0, FrameBody(1, 1))});
    EXPECT_EQ(ReadJpegInfo(other.data(), other.size()).orientation, 1);
}

TEST(JpegInfo, HostileHeadersNeverReadOutsideTheFile) {
    // IFD0 whose next offset loops back to itself, and IFD0 placed on the header: only IFD0 is read.
    Bytes photo = PhotoWith(Oriented(false, 6, 8));
    EXPECT_EQ(ReadJpegInfo(photo.data(), photo.size()).orientation, 6);
    Bytes onHeader = Oriented(false, 6);
    onHeader[4] = 0;
    photo = PhotoWith(onHeader);
    EXPECT_EQ(ReadJpegInfo(photo.data(), photo.size()).orientation, 1);

    // Every cut of a sound file: no read past the end, and only a whole Exif block counts.
    photo = PhotoWith(Oriented(true, 6));
    for (std::size_t size = 0; size < photo.size(); ++size) {
        const Bytes cut(photo.begin(), photo.begin() + static_cast<std::ptrdiff_t>(size));
        const JpegInfo info = ReadJpegInfo(cut.data(), cut.size());
        EXPECT_TRUE(info.orientation == 1 || info.orientation == 6);
        EXPECT_TRUE(info.width == 0 || info.width == 640u);
    }

    // Segment lengths of 0 and 1, and one running past the end, stop the walk.
    for (std::uint8_t length : {0, 1, 250}) {
        Bytes lying = PhotoWith(Oriented(true, 6));
        lying.insert(lying.begin() + 2, {0xFF, 0xE2, 0, length});
        const JpegInfo info = ReadJpegInfo(lying.data(), lying.size());
        EXPECT_EQ(info.orientation, 1);
        EXPECT_FALSE(info.hasSize());
    }

    // The largest frame a JPEG can claim is refused by the budget; the size follows later with a
    // height of 0, so it is unknown up front.
    photo = PhotoWith(Oriented(true, 1), 65535, 65535);
    const JpegInfo huge = ReadJpegInfo(photo.data(), photo.size());
    EXPECT_TRUE(huge.hasSize());
    EXPECT_FALSE(FitsPixelBudget(huge.width, huge.height));
    EXPECT_TRUE(FitsPixelBudget(10000, 10000));
    EXPECT_FALSE(FitsPixelBudget(10001, 10000));
    EXPECT_FALSE(FitsPixelBudget(100000, 100000));
    EXPECT_FALSE(FitsPixelBudget(0, 5));
    photo = PhotoWith(Oriented(true, 1), 640, 0);
    EXPECT_FALSE(ReadJpegInfo(photo.data(), photo.size()).hasSize());
}
