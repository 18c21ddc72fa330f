#include "ShownCopyMaker.h"

#include "UniqueHandle.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "JpegInfo.h"
#include "Orient.h"
#include "PcxDecoder.h"
#include "PictureFormat.h"
#include "PixelBudget.h"

using namespace Pictures;

namespace {

// A JPEG's header segments come first and are at most 64 KB each; EXIF sits in the first or second.
constexpr std::size_t kHeadBytes = 256 * 1024;
constexpr std::size_t kScanChunk = 1024 * 1024;
// As long as the extensions, so a base path that leaves room for them leaves room for it.
constexpr char kTemporarySuffix[] = ".tmp";
constexpr char kJpegExtension[] = ".jpg";
constexpr char kPngExtension[] = ".png";

// PCX layout, as far as the size of a sound file goes.
constexpr std::size_t kPcxHeaderSize = 128;
constexpr std::size_t kPcxTailPalette = 769;
constexpr std::size_t kPcxSlack = 4096;

// More distinct colours than a palette holds: a photo, which JPEG keeps far smaller than PNG.
constexpr std::size_t kPaletteColours = 256;

UniqueHandle OpenForReading(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool ReadFully(HANDLE file, std::uint8_t* target, std::size_t count) {
    while (count > 0) {
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, kScanChunk));
        if (!::ReadFile(file, target, ask, &got, nullptr) || got == 0)
            return false;
        target += got;
        count -= got;
    }
    return true;
}

struct FileBytes {
    std::vector<std::uint8_t> bytes; // the first ones, up to the limit asked for
    unsigned long long fileSize = 0;
};

// The first limit bytes of the file (all of a smaller file); false when it cannot be read.
bool ReadHead(const std::string& path, unsigned long long limit, FileBytes* out) {
    UniqueHandle file = OpenForReading(path);
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0)
        return false;
    out->fileSize = static_cast<unsigned long long>(size.QuadPart);
    out->bytes.resize(static_cast<std::size_t>(std::min(out->fileSize, limit)));
    return ReadFully(file.Get(), out->bytes.data(), out->bytes.size());
}

PictureFormat FormatOf(const FileBytes& head) {
    return Sniff(head.bytes.data(), head.bytes.size());
}

// A JPEG cut short has no end-of-image marker after its scan data. In the coded data a 0xFF byte
// is always followed by 0 or a restart marker, so the first FF D9 from the scan on is the end.
bool HasEndOfImage(const std::string& path, unsigned long long scanOffset) {
    UniqueHandle file = OpenForReading(path);
    LARGE_INTEGER at = {};
    at.QuadPart = static_cast<LONGLONG>(scanOffset);
    if (!file || !::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN))
        return false;
    std::vector<std::uint8_t> chunk(kScanChunk);
    bool afterFF = false;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) ||
            got == 0)
            return false;
        const std::uint8_t* p = chunk.data();
        const std::uint8_t* const end = p + got;
        if (afterFF && *p == 0xD9)
            return true;
        while (const void* found = std::memchr(p, 0xFF, static_cast<std::size_t>(end - p))) {
            p = static_cast<const std::uint8_t*>(found) + 1;
            if (p == end)
                break;
            if (*p == 0xD9)
                return true;
        }
        afterFF = end[-1] == 0xFF;
    }
}

// The largest file a PCX of this header can be: every scan byte run-length coded alone takes two,
// then the trailing palette. 0 when the header gives no picture.
unsigned long long LargestPcxFile(const FileBytes& head) {
    if (head.bytes.size() < kPcxHeaderSize)
        return 0;
    const std::uint8_t* h = head.bytes.data();
    auto u16 = [h](std::size_t at) { return static_cast<unsigned>(h[at] | h[at + 1] << 8); };
    if (u16(10) < u16(6))
        return 0;
    const unsigned long long scanBytes = 1ull * u16(66) * h[65] * (u16(10) - u16(6) + 1);
    const unsigned long long largest = kPcxHeaderSize + 2 * scanBytes + kPcxTailPalette + kPcxSlack;
    // Whatever the header says, no picture within the budget takes more than this.
    return std::min(largest, kPixelBudget * 4 * 2 + kPcxHeaderSize + kPcxTailPalette + kPcxSlack);
}

unsigned long long PcxPixels(const FileBytes& head) {
    if (head.bytes.size() < kPcxHeaderSize)
        return 0;
    const std::uint8_t* h = head.bytes.data();
    auto u16 = [h](std::size_t at) { return static_cast<unsigned>(h[at] | h[at + 1] << 8); };
    if (u16(8) < u16(4) || u16(10) < u16(6))
        return 0;
    return 1ull * (u16(8) - u16(4) + 1) * (u16(10) - u16(6) + 1);
}

// Up to kPaletteColours + 1 distinct colours, in a table that never grows.
class ColourSet {
public:
    // False once the set holds more than a palette.
    bool Add(std::uint32_t colour) {
        std::size_t slot = (colour * 2654435761u) % kSlots;
        while (m_used[slot]) {
            if (m_colours[slot] == colour)
                return true;
            slot = (slot + 1) % kSlots;
        }
        m_used[slot] = true;
        m_colours[slot] = colour;
        return ++m_count <= kPaletteColours;
    }

private:
    static constexpr std::size_t kSlots = 1024;
    std::uint32_t m_colours[kSlots] = {};
    bool m_used[kSlots] = {};
    std::size_t m_count = 0;
};

// PNG for pictures with transparency or few colours (drawings, screenshots), JPEG for the rest.
ImageContainer ContainerFor(const Bitmap32& bitmap) {
    ColourSet seen;
    bool many = false;
    for (const std::uint32_t pixel : bitmap.pixels) {
        if (pixel >> 24 != 0xFF)
            return ImageContainer::Png;
        if (!many && !seen.Add(pixel))
            many = true;
    }
    return many ? ImageContainer::Jpeg : ImageContainer::Png;
}

} // namespace

ShownCopyMaker::ShownCopyMaker() = default;
ShownCopyMaker::~ShownCopyMaker() = default;

bool ShownCopyMaker::Needs(const std::string& sourcePath) {
    FileBytes head;
    if (!ReadHead(sourcePath, kHeadBytes, &head))
        return false;
    switch (FormatOf(head)) {
    case PictureFormat::Jpeg:
        return ReadJpegInfo(head.bytes.data(), head.bytes.size()).orientation != 1;
    case PictureFormat::Tiff:
    case PictureFormat::Pcx:
        return true;
    case PictureFormat::Png:
    case PictureFormat::Gif:
    case PictureFormat::Bmp:
        return false;
    case PictureFormat::Other:
        break;
    }
    return WicCodec().Recognises(head.bytes.data(), head.bytes.size());
}

unsigned long long ShownCopyMaker::PixelsOf(const std::string& sourcePath) {
    FileBytes head;
    if (!ReadHead(sourcePath, kHeadBytes, &head))
        return 0;
    const PictureFormat format = FormatOf(head);
    if (format == PictureFormat::Pcx)
        return PcxPixels(head);
    if (format == PictureFormat::Jpeg) {
        const JpegInfo info = ReadJpegInfo(head.bytes.data(), head.bytes.size());
        if (info.hasSize())
            return 1ull * info.width * info.height;
    }
    WicFrame frame;
    if (!WicCodec().Open(sourcePath, &frame))
        return 0;
    return 1ull * frame.width * frame.height;
}

bool ShownCopyMaker::Make(const std::string& sourcePath, const std::string& copyBasePath, ShownCopy* out) {
    if (!out || !m_codec.ok())
        return false;
    const std::string temporary = copyBasePath + kTemporarySuffix;
    ImageContainer written = ImageContainer::Png;
    unsigned pageCount = 1;
    bool made = false;
    try {
        made = MakeCopy(sourcePath, temporary, &written, &pageCount);
    } catch (const std::bad_alloc&) {
        made = false; // the pictures' memory is gone with the stack
    }
    const std::string path =
        copyBasePath + (written == ImageContainer::Jpeg ? kJpegExtension : kPngExtension);
    // Only a whole copy gets its name: a failure, or one that cannot be renamed, leaves nothing.
    if (!made || !::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    out->path = path;
    out->pageCount = pageCount;
    return true;
}

namespace {

bool MakeFromPcx(const WicCodec& codec, const std::string& sourcePath, const FileBytes& head,
                 const std::string& path, ImageContainer* written) {
    if (!FitsPixelBudget(1, PcxPixels(head)) || head.fileSize > LargestPcxFile(head))
        return false;
    FileBytes file;
    if (!ReadHead(sourcePath, head.fileSize, &file) || file.fileSize != head.fileSize)
        return false;
    PcxResult decoded = DecodePcx(file.bytes.data(), file.bytes.size());
    if (!decoded.ok() || decoded.truncated)
        return false;
    file = FileBytes();
    return SUCCEEDED(codec.EncodePixels(decoded.bitmap, ImageContainer::Png, path, written));
}

bool MakeFromJpeg(const WicCodec& codec, const std::string& sourcePath, const FileBytes& head,
                  const std::string& path, ImageContainer* written) {
    const JpegInfo info = ReadJpegInfo(head.bytes.data(), head.bytes.size());
    if (info.orientation == 1)
        return false;
    // Without a scan in the head, any end marker can only come after it.
    if (!HasEndOfImage(sourcePath, info.scanOffset ? info.scanOffset : head.bytes.size()))
        return false;
    WicFrame frame;
    BgrPixels stored;
    if (!codec.Open(sourcePath, &frame) || !codec.DecodeBgr(frame, &stored))
        return false;
    frame = WicFrame(); // the decoder's own buffers go before the copy is encoded
    // The upright rows are made a strip at a time as the encoder takes them.
    const bool swap = SwapsSides(info.orientation);
    const std::uint32_t width = swap ? stored.height : stored.width,
                        height = swap ? stored.width : stored.height;
    const BgrRowSource upright = [&stored, &info](std::uint32_t first, std::uint32_t count,
                                                  std::uint8_t* rows, std::size_t stride) {
        return OrientRowsBgr(stored.bytes.data(), stored.width, stored.height, stored.stride, 3,
                             info.orientation, first, count, rows, stride);
    };
    return SUCCEEDED(codec.EncodeRows(width, height, upright, ImageContainer::Jpeg, path, written));
}

// TIFF and what else the platform decodes: the first frame. Scans and drawings in bilevel, grey or
// paletted pixels go to PNG as they are, without a 32-bit copy in between.
bool MakeFromFrame(const WicCodec& codec, const std::string& sourcePath, bool pages, const std::string& path,
                   ImageContainer* written, unsigned* pageCount) {
    WicFrame frame;
    if (!codec.Open(sourcePath, &frame) || !FitsPixelBudget(frame.width, frame.height))
        return false;
    if (pages)
        *pageCount = frame.frameCount;
    if (frame.fewColours)
        return SUCCEEDED(codec.Encode(frame.frame.Get(), ImageContainer::Png, path, written));
    Bitmap32 pixels;
    if (!codec.DecodeBgra(frame, &pixels))
        return false;
    frame = WicFrame();
    const ImageContainer container = ContainerFor(pixels);
    return SUCCEEDED(codec.EncodePixels(pixels, container, path, written));
}

} // namespace

bool ShownCopyMaker::MakeCopy(const std::string& sourcePath, const std::string& temporaryPath,
                              ImageContainer* written, unsigned* pageCount) {
    FileBytes head;
    if (!ReadHead(sourcePath, kHeadBytes, &head))
        return false;
    switch (FormatOf(head)) {
    case PictureFormat::Pcx:
        return MakeFromPcx(m_codec, sourcePath, head, temporaryPath, written);
    case PictureFormat::Jpeg:
        return MakeFromJpeg(m_codec, sourcePath, head, temporaryPath, written);
    case PictureFormat::Tiff:
        return MakeFromFrame(m_codec, sourcePath, true, temporaryPath, written, pageCount);
    case PictureFormat::Png:
    case PictureFormat::Gif:
    case PictureFormat::Bmp:
        return false;
    case PictureFormat::Other:
        break;
    }
    return m_codec.Recognises(head.bytes.data(), head.bytes.size()) &&
           MakeFromFrame(m_codec, sourcePath, false, temporaryPath, written, pageCount);
}
