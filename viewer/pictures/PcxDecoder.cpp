#include "PcxDecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ByteOrder.h"

namespace Pictures {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint8_t kVersionNoPalette = 3;
constexpr std::size_t kHeaderPaletteOffset = 16;
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr std::size_t kTailPaletteSize = 768;
constexpr std::uint8_t kRunFlags = 0xC0;
constexpr std::size_t kLongestRun = 0x3F;
constexpr std::uint32_t kOpaque = 0xFF000000u;

// The standard 16 colours, for files that carry no palette of their own.
constexpr std::uint32_t kDefaultPalette[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                                               0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                                               0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bits = 0; // per pixel in one plane
    unsigned planes = 0;
    std::size_t bytesPerLine = 0; // per plane
    bool runLength = false;
};

std::uint32_t Rgb(const std::uint8_t* triple) {
    return kOpaque | std::uint32_t{triple[0]} << 16 | std::uint32_t{triple[1]} << 8 | triple[2];
}

// Indexed layouts take their colours from the header, or for 8 bits from the 256 colours that
// follow the marker byte at the end; missing palettes fall back to standard colours or grey.
void FillPalette(const Layout& layout, const std::uint8_t* bytes, const std::uint8_t* tailPalette,
                 std::uint32_t (&palette)[256]) {
    if (layout.bits == 8) {
        for (unsigned i = 0; i < 256; ++i)
            palette[i] = tailPalette ? Rgb(tailPalette + 3 * i) : kOpaque | i * 0x010101u;
        return;
    }
    const std::uint8_t* header = bytes + kHeaderPaletteOffset;
    const bool unset = bytes[1] == kVersionNoPalette ||
                       std::all_of(header, header + 48, [](std::uint8_t b) { return b == 0; });
    for (unsigned i = 0; i < 16; ++i)
        palette[i] = unset ? kOpaque | kDefaultPalette[i] : Rgb(header + 3 * i);
    // Monochrome files often leave the palette unset: that, or two equal colours, is black and white.
    if (layout.bits == 1 && layout.planes == 1 && (unset || palette[0] == palette[1])) {
        palette[0] = kOpaque;
        palette[1] = kOpaque | 0xFFFFFF;
    }
}

bool Known(const Layout& layout) {
    if (layout.planes == 1)
        return layout.bits == 1 || layout.bits == 2 || layout.bits == 4 || layout.bits == 8;
    if (layout.bits == 1)
        return layout.planes >= 2 && layout.planes <= 4;
    return layout.bits == 8 && (layout.planes == 3 || layout.planes == 4);
}

// The scan-line bytes of the whole picture, in order. A run may go on past the end of a plane or
// of a line, as some writers let it.
class ScanReader {
public:
    ScanReader(const std::uint8_t* data, const std::uint8_t* end, bool runLength)
        : m_data(data), m_end(end), m_runLength(runLength) {}

    // Fills count bytes; false (with the rest zero) when the data ends first.
    bool Read(std::uint8_t* target, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            if (m_pending > 0) {
                const std::size_t n = std::min(m_pending, count - done);
                std::memset(target + done, m_value, n);
                done += n;
                m_pending -= n;
                continue;
            }
            if (m_data == m_end)
                break;
            const std::uint8_t byte = *m_data++;
            if (!m_runLength || (byte & kRunFlags) != kRunFlags) {
                target[done++] = byte;
                continue;
            }
            if (m_data == m_end)
                break;
            m_pending = byte & kLongestRun;
            m_value = *m_data++;
        }
        std::memset(target + done, 0, count - done);
        return done == count;
    }

private:
    const std::uint8_t* m_data;
    const std::uint8_t* m_end;
    bool m_runLength;
    std::size_t m_pending = 0;
    std::uint8_t m_value = 0;
};

void ConvertLine(const Layout& layout, const std::uint8_t* line, const std::uint32_t (&palette)[256],
                 std::uint32_t* out) {
    const std::size_t plane = layout.bytesPerLine;
    if (layout.planes == 1) {
        const unsigned bits = layout.bits, mask = (1u << bits) - 1, perByte = 8 / bits;
        for (std::uint32_t x = 0; x < layout.width; ++x) {
            const unsigned shift = 8 - bits * (x % perByte + 1);
            out[x] = palette[(line[x / perByte] >> shift) & mask];
        }
    } else if (layout.bits == 1) {
        for (std::uint32_t x = 0; x < layout.width; ++x) {
            unsigned index = 0;
            for (unsigned p = 0; p < layout.planes; ++p)
                index |= ((line[p * plane + x / 8] >> (7 - x % 8)) & 1u) << p;
            out[x] = palette[index];
        }
    } else {
        const std::uint8_t *r = line, *g = line + plane, *b = line + 2 * plane;
        const std::uint8_t* a = layout.planes == 4 ? line + 3 * plane : nullptr;
        for (std::uint32_t x = 0; x < layout.width; ++x) {
            const std::uint32_t alpha = a ? std::uint32_t{a[x]} << 24 : kOpaque;
            out[x] = alpha | std::uint32_t{r[x]} << 16 | std::uint32_t{g[x]} << 8 | b[x];
        }
    }
}

PcxResult Refuse(const char* reason) {
    PcxResult result;
    result.error = reason;
    return result;
}

} // namespace

PcxResult DecodePcx(const std::uint8_t* bytes, std::size_t size, std::uint64_t budget) {
    if (!bytes || size < kHeaderSize || bytes[0] != kManufacturer)
        return Refuse("not a PCX file");
    if (bytes[2] > 1)
        return Refuse("unknown PCX encoding");
    const unsigned xMin = ReadU16(bytes + 4, false), yMin = ReadU16(bytes + 6, false);
    const unsigned xMax = ReadU16(bytes + 8, false), yMax = ReadU16(bytes + 10, false);
    if (xMax < xMin || yMax < yMin)
        return Refuse("PCX window is empty");
    Layout layout;
    layout.width = xMax - xMin + 1;
    layout.height = yMax - yMin + 1;
    layout.bits = bytes[3];
    layout.planes = bytes[65];
    layout.bytesPerLine = ReadU16(bytes + 66, false);
    layout.runLength = bytes[2] == 1;
    if (!Known(layout))
        return Refuse("unsupported PCX bit depth or plane count");
    if (layout.bytesPerLine * 8 < std::uint64_t{layout.width} * layout.bits)
        return Refuse("PCX lines are shorter than the picture is wide");
    if (!FitsPixelBudget(layout.width, layout.height, budget))
        return Refuse("PCX picture exceeds the pixel budget");

    const std::uint8_t* dataEnd = bytes + size;
    const std::uint8_t* tailPalette = nullptr;
    if (layout.bits == 8 && layout.planes == 1 && size >= kHeaderSize + 1 + kTailPaletteSize &&
        bytes[size - kTailPaletteSize - 1] == kPaletteMarker) {
        tailPalette = bytes + size - kTailPaletteSize;
        dataEnd = tailPalette - 1;
    }
    // Two bytes give at most one run of 63: less data than that cannot be this picture.
    const std::size_t lineBytes = layout.bytesPerLine * layout.planes;
    const std::uint64_t scanBytes = std::uint64_t{lineBytes} * layout.height;
    const std::uint64_t leastData =
        layout.runLength ? (scanBytes + kLongestRun - 1) / kLongestRun * 2 : scanBytes;
    if (static_cast<std::uint64_t>(dataEnd - (bytes + kHeaderSize)) < leastData)
        return Refuse("PCX data too short for the size its header gives");

    std::uint32_t palette[256] = {};
    FillPalette(layout, bytes, tailPalette, palette);
    PcxResult result;
    Bitmap32& bitmap = result.bitmap;
    bitmap.width = layout.width;
    bitmap.height = layout.height;
    bitmap.pixels.resize(std::size_t{layout.width} * layout.height);
    std::vector<std::uint8_t> line(lineBytes);
    ScanReader reader(bytes + kHeaderSize, dataEnd, layout.runLength);
    for (std::uint32_t y = 0; y < layout.height; ++y) {
        std::uint32_t* row = bitmap.pixels.data() + std::size_t{y} * layout.width;
        result.truncated = !reader.Read(line.data(), lineBytes);
        ConvertLine(layout, line.data(), palette, row);
        if (result.truncated) {
            std::fill(row + layout.width, bitmap.pixels.data() + bitmap.pixels.size(), kOpaque);
            break;
        }
    }
    return result;
}

} // namespace Pictures
