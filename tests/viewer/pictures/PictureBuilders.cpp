#include "PictureBuilders.h"

#include <algorithm>

namespace PictureBuilders {
namespace {

void Put16(Bytes& out, std::uint32_t v, bool bigEndian) {
    const std::uint8_t hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
    out.insert(out.end(), bigEndian ? std::initializer_list<std::uint8_t>{hi, lo}
                                    : std::initializer_list<std::uint8_t>{lo, hi});
}

void Put32(Bytes& out, std::uint32_t v, bool bigEndian) {
    Put16(out, bigEndian ? v >> 16 : v & 0xFFFF, bigEndian);
    Put16(out, bigEndian ? v & 0xFFFF : v >> 16, bigEndian);
}

void RunLengthCode(Bytes& out, const std::uint8_t* from, const std::uint8_t* to) {
    while (from < to) {
        const std::uint8_t value = *from;
        std::size_t run = 1;
        while (from + run < to && run < 63 && from[run] == value)
            ++run;
        if (run > 1 || value >= 0xC0)
            out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        out.push_back(value);
        from += run;
    }
}

} // namespace

Bytes TiffBlock(bool bigEndian, const std::vector<IfdEntry>& entries, std::uint32_t nextIfd) {
    Bytes out = bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    Put16(out, 42, bigEndian);
    Put32(out, 8, bigEndian);
    Put16(out, static_cast<std::uint32_t>(entries.size()), bigEndian);
    for (const IfdEntry& e : entries) {
        Put16(out, e.tag, bigEndian);
        Put16(out, e.type, bigEndian);
        Put32(out, e.count, bigEndian);
        if (e.type == 3) {
            Put16(out, e.value, bigEndian);
            Put16(out, 0, bigEndian);
        } else {
            Put32(out, e.value, bigEndian);
        }
    }
    Put32(out, nextIfd, bigEndian);
    return out;
}

Bytes Segment(std::uint8_t marker, const Bytes& body) {
    Bytes out{0xFF, marker};
    Put16(out, static_cast<std::uint32_t>(body.size() + 2), true);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes ExifSegment(const Bytes& tiff) {
    Bytes body{'E', 'x', 'i', 'f', 0, 0};
    body.insert(body.end(), tiff.begin(), tiff.end());
    return Segment(0xE1, body);
}

Bytes FrameBody(std::uint16_t width, std::uint16_t height) {
    Bytes body{8};
    Put16(body, height, true);
    Put16(body, width, true);
    body.insert(body.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    return body;
}

Bytes Jpeg(const std::vector<Bytes>& segments) {
    Bytes out{0xFF, 0xD8};
    for (const Bytes& s : segments)
        out.insert(out.end(), s.begin(), s.end());
    const Bytes scan = Segment(0xDA, {1, 1, 0, 0, 63, 0});
    out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), {0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
    return out;
}

std::uint16_t BytesPerLine(const PcxHeader& h) {
    if (h.bytesPerLine)
        return h.bytesPerLine;
    const unsigned bytes = (unsigned{h.width} * h.bits + 7) / 8;
    return static_cast<std::uint16_t>(bytes + bytes % 2);
}

Bytes Pcx(const PcxHeader& h, const Bytes& scan, const Bytes& tailPalette, bool acrossLines) {
    Bytes out{10, h.version, h.encoding, h.bits};
    for (std::uint32_t v :
         {unsigned{h.xMin}, unsigned{h.yMin}, h.xMin + h.width - 1u, h.yMin + h.height - 1u, 72u, 72u})
        Put16(out, v, false);
    Bytes palette = h.palette16;
    palette.resize(48);
    out.insert(out.end(), palette.begin(), palette.end());
    out.push_back(0);
    out.push_back(h.planes);
    Put16(out, BytesPerLine(h), false);
    Put16(out, 1, false);
    out.resize(128);
    const std::size_t line = std::size_t{BytesPerLine(h)} * h.planes;
    if (h.encoding == 0)
        out.insert(out.end(), scan.begin(), scan.end());
    else if (acrossLines)
        RunLengthCode(out, scan.data(), scan.data() + scan.size());
    else
        for (std::size_t at = 0; at < scan.size(); at += line)
            RunLengthCode(out, scan.data() + at, scan.data() + std::min(scan.size(), at + line));
    if (!tailPalette.empty()) {
        out.push_back(0x0C);
        out.insert(out.end(), tailPalette.begin(), tailPalette.end());
    }
    return out;
}

} // namespace PictureBuilders
