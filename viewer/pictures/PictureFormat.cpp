#include "PictureFormat.h"

#include <cstring>

#include "ByteOrder.h"

namespace Pictures {
namespace {

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* signature, std::size_t length) {
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

// "BM" alone is too common a start of text; the info header that follows must have a known size.
bool IsBmp(const std::uint8_t* bytes, std::size_t size) {
    if (size < 18 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    switch (ReadU32(bytes + 14, false)) {
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        return true;
    default:
        return false;
    }
}

// Manufacturer 10, a known version, no or run-length encoding, a possible bit depth.
bool IsPcx(const std::uint8_t* bytes, std::size_t size) {
    if (size < 128 || bytes[0] != 10)
        return false;
    const std::uint8_t version = bytes[1], encoding = bytes[2], bits = bytes[3];
    const bool knownVersion = version == 0 || (version >= 2 && version <= 5);
    return knownVersion && encoding <= 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

} // namespace

PictureFormat Sniff(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes)
        return PictureFormat::Other;
    if (StartsWith(bytes, size, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (StartsWith(bytes, size, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (StartsWith(bytes, size, "GIF87a", 6) || StartsWith(bytes, size, "GIF89a", 6))
        return PictureFormat::Gif;
    if (StartsWith(bytes, size, "II*\0", 4) || StartsWith(bytes, size, "MM\0*", 4))
        return PictureFormat::Tiff;
    if (IsBmp(bytes, size))
        return PictureFormat::Bmp;
    if (IsPcx(bytes, size))
        return PictureFormat::Pcx;
    return PictureFormat::Other;
}

bool IsShownByBrowser(PictureFormat format) {
    return format == PictureFormat::Jpeg || format == PictureFormat::Png || format == PictureFormat::Gif ||
           format == PictureFormat::Bmp;
}

} // namespace Pictures
