#include "JpegInfo.h"

#include <cstring>

#include "ByteOrder.h"

namespace Pictures {
namespace {

constexpr std::uint8_t kMarkerStart = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};

constexpr std::uint16_t kTiffMagic = 42;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kIfdEntrySize = 12;

// Frame headers are C0-CF, except DHT (C4), JPG (C8) and DAC (CC), which share the range.
bool IsFrameMarker(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM and the restart markers.
bool HasNoLength(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// The orientation entry of IFD0 in a TIFF-structured block; 1 when it is missing or not sound.
// Only IFD0 is read, so a loop of next-IFD offsets is never walked.
int ReadOrientation(const std::uint8_t* tiff, std::size_t size) {
    if (size < kTiffHeaderSize)
        return 1;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return 1;
    if (ReadU16(tiff + 2, bigEndian) != kTiffMagic)
        return 1;
    const std::uint32_t ifd = ReadU32(tiff + 4, bigEndian);
    if (ifd > size || size - ifd < 2)
        return 1;
    const std::size_t count = ReadU16(tiff + ifd, bigEndian);
    if ((size - ifd - 2) / kIfdEntrySize < count)
        return 1; // the directory runs past the block
    const std::uint8_t* entry = tiff + ifd + 2;
    for (std::size_t i = 0; i < count; ++i, entry += kIfdEntrySize) {
        if (ReadU16(entry, bigEndian) != kOrientationTag)
            continue;
        if (ReadU16(entry + 2, bigEndian) != kTypeShort || ReadU32(entry + 4, bigEndian) != 1)
            return 1;
        const int value = ReadU16(entry + 8, bigEndian);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

} // namespace

JpegInfo ReadJpegInfo(const std::uint8_t* bytes, std::size_t size) {
    JpegInfo info;
    if (!bytes || size < 4 || bytes[0] != kMarkerStart || bytes[1] != kStartOfImage)
        return info;
    bool haveFrame = false, haveExif = false;
    std::size_t pos = 2;
    while (pos < size) {
        // Stray bytes between segments are skipped, as decoders do; any run of FF is fill.
        if (bytes[pos] != kMarkerStart) {
            ++pos;
            continue;
        }
        while (pos < size && bytes[pos] == kMarkerStart)
            ++pos;
        if (pos == size)
            break;
        const std::uint8_t marker = bytes[pos++];
        if (marker == kStartOfScan)
            info.scanOffset = pos;
        if (marker == kStartOfScan || marker == kEndOfImage)
            break;
        if (marker == 0 || HasNoLength(marker))
            continue;
        if (size - pos < 2)
            break;
        const std::size_t length = ReadU16(bytes + pos, true);
        if (length < 2 || length > size - pos)
            break; // a cut or lying segment: nothing after it can be trusted
        const std::uint8_t* body = bytes + pos + 2;
        const std::size_t bodySize = length - 2;
        if (!haveFrame && IsFrameMarker(marker) && bodySize >= 5) {
            haveFrame = true;
            info.height = ReadU16(body + 1, true);
            info.width = ReadU16(body + 3, true);
        } else if (!haveExif && marker == kApp1 && bodySize >= sizeof kExifSignature &&
                   std::memcmp(body, kExifSignature, sizeof kExifSignature) == 0) {
            haveExif = true;
            info.orientation =
                ReadOrientation(body + sizeof kExifSignature, bodySize - sizeof kExifSignature);
        }
        pos += length;
    }
    return info;
}

} // namespace Pictures
