// Pictures built byte by byte for the tests: EXIF blocks, JPEG headers and PCX files.
#pragma once
#include <cstdint>
#include <vector>

namespace PictureBuilders {

using Bytes = std::vector<std::uint8_t>;

struct IfdEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value; // a SHORT value sits in the first two bytes of the value field
};

// A TIFF header (IFD0 at offset 8), IFD0 with the entries and the next-IFD offset.
Bytes TiffBlock(bool bigEndian, const std::vector<IfdEntry>& entries, std::uint32_t nextIfd = 0);
// One segment: FF marker, the big-endian length, the body.
Bytes Segment(std::uint8_t marker, const Bytes& body);
// An APP1 segment holding "Exif\0\0" and the block.
Bytes ExifSegment(const Bytes& tiff);
// A frame header body of 8-bit precision and three components.
Bytes FrameBody(std::uint16_t width, std::uint16_t height);
// Start of image, the segments, a scan header and a few bytes of scan data, end of image.
Bytes Jpeg(const std::vector<Bytes>& segments);

struct PcxHeader {
    std::uint8_t bits = 8;
    std::uint8_t planes = 1;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint16_t bytesPerLine = 0; // 0: the fewest whole bytes, rounded up to even
    std::uint16_t xMin = 0;
    std::uint16_t yMin = 0;
    std::uint8_t version = 5;
    std::uint8_t encoding = 1;
    Bytes palette16; // 48 bytes, or empty for zeros
};

std::uint16_t BytesPerLine(const PcxHeader& header);
// Header, the scan bytes (run-length coded line by line, or as one stream when acrossLines) and,
// when given, the 0x0C marker and a 768-byte palette.
Bytes Pcx(const PcxHeader& header, const Bytes& scan, const Bytes& tailPalette = {},
          bool acrossLines = false);

} // namespace PictureBuilders
