// Shown copies made from the pictures that ImageMagick makes at test time (make-samples.sh): what
// the copies hold is read back as stored pixels, never turned by the reader, and checked at marks.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "JpegInfo.h"
#include "PcxDecoder.h"
#include "PictureBuilders.h"
#include "PictureFormat.h"
#include "ShownCopyMaker.h"
#include "UniqueHandle.h"

using namespace Pictures;
using PictureBuilders::Bytes;

namespace {

const std::string kSamples = std::string(VARO_TEST_BINARY_DIR) + "\\picture-samples\\";

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Within JPEG's loss of the colour of a solid mark.
bool Near(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 24)
            return false;
    return true;
}

struct Stored {
    Bitmap32 pixels;
    WICPixelFormatGUID format = {};
};

// The copy's pixels exactly as stored: the platform's decoder applies no orientation.
Stored ReadBack(const std::string& path) {
    Stored stored;
    WicCodec codec;
    WicFrame frame;
    EXPECT_TRUE(codec.Open(path, &frame)) << path;
    stored.format = frame.format;
    EXPECT_TRUE(codec.DecodeBgra(frame, &stored.pixels)) << path;
    return stored;
}

Bitmap32 SampleBgra(const std::string& leaf, std::uint32_t width, std::uint32_t height) {
    const Bytes bytes = ReadFile(kSamples + leaf);
    Bitmap32 b;
    b.width = width;
    b.height = height;
    b.pixels.resize(bytes.size() / 4);
    std::memcpy(b.pixels.data(), bytes.data(), b.pixels.size() * 4);
    return b;
}

// A folder of the test's own for the copies; removed with what is left in it.
class ShownCopies : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "varo-shown-" + std::to_string(::GetCurrentProcessId()) + "\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& leaf : Files(folder))
            ::DeleteFileA((folder + leaf).c_str());
        ::RemoveDirectoryA(folder.c_str());
    }
    static std::vector<std::string> Files(const std::string& in) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        UniqueFindHandle find(::FindFirstFileA((in + "*").c_str(), &data));
        if (find)
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    names.push_back(data.cFileName);
            } while (::FindNextFileA(find.Get(), &data));
        return names;
    }
    // Make on the file, expected to refuse it and to leave the folder empty.
    void ExpectRefused(const std::string& source, const char* what) {
        ShownCopy copy;
        EXPECT_FALSE(maker.Make(source, folder + "copy", &copy)) << what;
        EXPECT_TRUE(Files(folder).empty()) << what << " left " << Files(folder).front();
    }

    // COM for the thread before the maker asks for its factory.
    struct Apartment {
        Apartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
        ~Apartment() { ::CoUninitialize(); }
    } apartment;
    std::string folder;
    ShownCopyMaker maker;
};

TEST_F(ShownCopies, TurnedPhotosBecomeUprightJpegsWithoutAnOrientationTag) {
    const Bitmap32 marked = SampleBgra("marked.bgra", 48, 32);
    ASSERT_EQ(marked.pixels.size(), 48u * 32);
    for (int n = 1; n <= 8; ++n) {
        const std::string source = kSamples + "o" + std::to_string(n) + ".jpg";
        EXPECT_EQ(ShownCopyMaker::PixelsOf(source), 48u * 32) << n;
        ASSERT_EQ(ShownCopyMaker::Needs(source), n != 1) << n;
        ShownCopy copy;
        const std::string base = folder + "o" + std::to_string(n);
        if (n == 1) {
            ExpectRefused(source, "orientation 1");
            continue;
        }
        ASSERT_TRUE(maker.Make(source, base, &copy)) << n;
        EXPECT_EQ(copy.path, base + ".jpg");
        EXPECT_EQ(copy.pageCount, 1u);
        const Bytes bytes = ReadFile(copy.path);
        EXPECT_EQ(Sniff(bytes.data(), bytes.size()), PictureFormat::Jpeg) << n;
        // A browser that honours EXIF must not turn the copy a second time.
        EXPECT_EQ(ReadJpegInfo(bytes.data(), bytes.size()).orientation, 1) << n;
        EXPECT_EQ(std::search(bytes.begin(), bytes.end(), "Exif", "Exif" + 4), bytes.end()) << n;
        const Stored stored = ReadBack(copy.path);
        ASSERT_EQ(stored.pixels.width, 48u) << n;
        ASSERT_EQ(stored.pixels.height, 32u) << n;
        for (std::uint32_t y : {1u, 30u, 16u})
            for (std::uint32_t x : {1u, 46u, 24u})
                EXPECT_TRUE(Near(stored.pixels.at(x, y), marked.at(x, y)))
                    << "orientation " << n << " at " << x << "," << y << ": " << std::hex
                    << stored.pixels.at(x, y);
    }
    EXPECT_EQ(Files(folder).size(), 7u); // the copies and nothing else: no temporary files

    // Names as the viewer keeps them, in the ANSI code page, reach the imaging component intact.
    const std::string accented = folder + "Urlaub \xE4\xF6";
    ASSERT_TRUE(::CopyFileA((kSamples + "o6.jpg").c_str(), (accented + ".jpg").c_str(), FALSE));
    ShownCopy copy;
    ASSERT_TRUE(maker.Make(accented + ".jpg", accented + " shown", &copy));
    EXPECT_EQ(copy.path, accented + " shown.jpg");
    EXPECT_EQ(ReadBack(copy.path).pixels.width, 48u);
}

TEST_F(ShownCopies, ScansAndPcxBecomePngOfTheSamePixels) {
    ShownCopy copy;
    ASSERT_TRUE(ShownCopyMaker::Needs(kSamples + "pages2.tif"));
    ASSERT_TRUE(maker.Make(kSamples + "pages2.tif", folder + "pages", &copy));
    EXPECT_EQ(copy.path, folder + "pages.png");
    EXPECT_EQ(copy.pageCount, 2u);
    const Bitmap32 marked = SampleBgra("marked.bgra", 48, 32);
    EXPECT_EQ(ReadBack(copy.path).pixels.pixels, marked.pixels) << "page 1, without loss";

    // A fax page stays bilevel: a few kilobytes, not a 32-bit picture of the page.
    ASSERT_TRUE(maker.Make(kSamples + "fax.tif", folder + "fax", &copy));
    EXPECT_EQ(copy.path, folder + "fax.png");
    const Stored fax = ReadBack(copy.path);
    EXPECT_EQ(fax.format, GUID_WICPixelFormatBlackWhite);
    ASSERT_EQ(fax.pixels.width, 200u);
    ASSERT_EQ(fax.pixels.height, 100u);
    EXPECT_EQ(fax.pixels.at(0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(fax.pixels.at(199, 99) & 0xFFFFFF, 0u);
    EXPECT_EQ(fax.pixels.at(199, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(fax.pixels.at(0, 99) & 0xFFFFFF, 0xFFFFFFu);

    // A photo in a TIFF is kept as a photo.
    ASSERT_TRUE(maker.Make(kSamples + "photo.tif", folder + "photo", &copy));
    EXPECT_EQ(copy.path, folder + "photo.jpg");

    // A format that only the platform's decoders know (here an icon) is shown through a copy too.
    ASSERT_TRUE(ShownCopyMaker::Needs(kSamples + "marked.ico"));
    ASSERT_TRUE(maker.Make(kSamples + "marked.ico", folder + "icon", &copy));
    EXPECT_EQ(copy.path, folder + "icon.png");
    EXPECT_EQ(ReadBack(copy.path).pixels.pixels, marked.pixels);

    // PCX of every depth: ImageMagick's 1, 8, 24 and 32 bits, and 4 bits built here.
    PictureBuilders::PcxHeader four;
    four.bits = 4;
    four.width = 16;
    four.height = 8;
    for (unsigned i = 0; i < 16; ++i)
        four.palette16.insert(four.palette16.end(), {std::uint8_t(i * 16), std::uint8_t(200 - i * 8), 7});
    Bytes scan;
    for (unsigned y = 0; y < four.height; ++y)
        for (unsigned x = 0; x < PictureBuilders::BytesPerLine(four); ++x)
            scan.push_back(static_cast<std::uint8_t>((x + y) % 16 << 4 | (x * 3 + y) % 16));
    WriteFile(folder + "four.pcx", PictureBuilders::Pcx(four, scan));
    for (const std::string& pcx : {kSamples + "mono1.pcx", kSamples + "palette8.pcx", kSamples + "plain8.pcx",
                                   kSamples + "rgb24.pcx", kSamples + "rgba32.pcx", folder + "four.pcx"}) {
        const Bytes file = ReadFile(pcx);
        const PcxResult decoded = DecodePcx(file.data(), file.size());
        ASSERT_TRUE(decoded.ok()) << pcx;
        EXPECT_EQ(ShownCopyMaker::PixelsOf(pcx), decoded.bitmap.pixels.size()) << pcx;
        ASSERT_TRUE(maker.Make(pcx, folder + "pcx", &copy)) << pcx;
        EXPECT_EQ(copy.path, folder + "pcx.png");
        EXPECT_EQ(ReadBack(copy.path).pixels.pixels, decoded.bitmap.pixels) << pcx;
    }
    ::DeleteFileA((folder + "four.pcx").c_str());
    ::DeleteFileA((folder + "pcx.png").c_str());

    // What the browser shows by itself is shown from the saved file.
    for (const char* leaf : {"marked.png", "marked.gif", "marked.bmp"}) {
        EXPECT_FALSE(ShownCopyMaker::Needs(kSamples + leaf)) << leaf;
        EXPECT_EQ(ShownCopyMaker::PixelsOf(kSamples + leaf), 48u * 32) << leaf;
        EXPECT_FALSE(maker.Make(kSamples + leaf, folder + "shown", &copy)) << leaf;
    }
    // Nor is there anything to show of a file that no decoder reads, whatever its name.
    WriteFile(folder + "notes.jpg",
              Bytes{'N', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '\n'});
    EXPECT_FALSE(ShownCopyMaker::Needs(folder + "notes.jpg"));
    EXPECT_EQ(ShownCopyMaker::PixelsOf(folder + "notes.jpg"), 0u);
    EXPECT_FALSE(maker.Make(folder + "notes.jpg", folder + "shown", &copy));
    ::DeleteFileA((folder + "notes.jpg").c_str());
    EXPECT_EQ(Files(folder).size(), 4u); // pages, fax, photo and icon
}

// A little-endian TIFF of one 8-bit grey strip (plain, or PackBits when packed) whose header gives
// the size and the strip's length as told.
Bytes GreyTiff(std::uint32_t width, std::uint32_t height, const Bytes& strip, std::uint32_t stripBytes,
               bool packed = false) {
    Bytes out{'I', 'I', 42, 0, 8, 0, 0, 0};
    const struct {
        std::uint16_t tag, type;
        std::uint32_t value;
    } entries[] = {{256, 4, width},     {257, 4, height}, {258, 3, 8}, {259, 3, packed ? 32773u : 1u},
                   {262, 3, 1},         {273, 4, 122},    {277, 3, 1}, {278, 4, height},
                   {279, 4, stripBytes}};
    auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> 8 * i));
    };
    put(sizeof entries / sizeof entries[0], 2);
    for (const auto& e : entries) {
        put(e.tag, 2);
        put(e.type, 2);
        put(1, 4);
        put(e.value, 4);
    }
    put(0, 4);
    out.insert(out.end(), strip.begin(), strip.end());
    return out;
}

// A sound grey picture just above the pixel budget: PackBits runs of 128 zeros make it small.
Bytes TiffAboveBudget() {
    constexpr std::uint32_t kSide = 10001;
    Bytes row;
    for (std::uint32_t left = kSide; left > 0; left -= std::min(left, 128u)) {
        const std::uint32_t run = std::min(left, 128u);
        row.push_back(static_cast<std::uint8_t>(257 - run));
        row.push_back(0);
    }
    Bytes strip;
    strip.reserve(row.size() * kSide);
    for (std::uint32_t y = 0; y < kSide; ++y)
        strip.insert(strip.end(), row.begin(), row.end());
    return GreyTiff(kSide, kSide, strip, static_cast<std::uint32_t>(strip.size()), true);
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

TEST_F(ShownCopies, HostilePicturesAreRefusedWithinBoundedMemory) {
    const SIZE_T peakBefore = PeakWorkingSet();

    const std::string source = folder + "hostile.bin";
    auto refuse = [&](const Bytes& bytes, const char* what) {
        WriteFile(source, bytes);
        ShownCopy copy;
        EXPECT_FALSE(maker.Make(source, folder + "copy", &copy)) << what;
        ::DeleteFileA(source.c_str());
        EXPECT_TRUE(Files(folder).empty()) << what << " left " << Files(folder).front();
    };
    const Bytes photo = ReadFile(kSamples + "o6.jpg");
    refuse(Bytes(photo.begin(), photo.begin() + photo.size() * 2 / 3), "JPEG cut short");
    Bytes noScan(photo.begin(), photo.begin() + 200);
    refuse(noScan, "JPEG cut in its headers");

    const Bytes strip(16, 0x80);
    WriteFile(source, GreyTiff(100000, 100000, strip, 16));
    EXPECT_TRUE(ShownCopyMaker::Needs(source));
    EXPECT_EQ(ShownCopyMaker::PixelsOf(source), 10'000'000'000u);
    refuse(GreyTiff(100000, 100000, strip, 16), "TIFF claiming 100,000 x 100,000 pixels");
    refuse(TiffAboveBudget(), "TIFF just above the pixel budget");
    refuse(GreyTiff(2000, 2000, strip, 4000000), "TIFF whose strip is missing");
    const Bytes fax = ReadFile(kSamples + "fax.tif");
    refuse(Bytes(fax.begin(), fax.begin() + fax.size() / 2), "G4 TIFF cut short");

    PictureBuilders::PcxHeader lying;
    lying.width = 300;
    lying.height = 20000; // the data holds two lines
    refuse(PictureBuilders::Pcx(lying, Bytes(600, 0x41)), "PCX whose header lies about its height");
    lying.width = lying.height = 60000;
    refuse(PictureBuilders::Pcx(lying, Bytes(600, 0x41)), "PCX above the pixel budget");
    const Bytes pcx = ReadFile(kSamples + "rgb24.pcx");
    refuse(Bytes(pcx.begin(), pcx.end() - 40), "PCX cut short in its last lines");
    refuse(Bytes(), "empty file");
    refuse(Bytes{'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, "TIFF pointing outside itself");

    // Nothing above was decoded: a 100-megapixel grey page alone would take 100 MB.
    EXPECT_LT(PeakWorkingSet() - peakBefore, SIZE_T{48} << 20);
    ExpectRefused(folder + "missing.jpg", "missing file");
}

TEST_F(ShownCopies, TwoThreadsMakeTheSameCopiesSideBySide) {
    auto makeAll = [](const std::string& prefix, std::vector<Bytes>* copies, bool* ok) {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ShownCopyMaker own;
            for (int round = 0; round < 3; ++round)
                for (const char* leaf :
                     {"o3.jpg", "o5.jpg", "o6.jpg", "o8.jpg", "pages2.tif", "fax.tif", "rgb24.pcx"}) {
                    ShownCopy copy;
                    *ok = own.Make(kSamples + leaf, prefix + leaf, &copy) && *ok;
                    if (round == 2)
                        copies->push_back(ReadFile(copy.path));
                }
        }
        ::CoUninitialize();
    };
    std::vector<Bytes> first, second;
    bool firstOk = true, secondOk = true;
    std::thread one(makeAll, folder + "a-", &first, &firstOk),
        two(makeAll, folder + "b-", &second, &secondOk);
    one.join();
    two.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
    ASSERT_EQ(first.size(), 7u);
    EXPECT_EQ(first, second);
}

} // namespace
