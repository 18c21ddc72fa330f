// One shown copy of a 12-megapixel phone photo stored turned (orientation 6), against the floor of a
// plain decode of the same file through the imaging component, with the copy's steps one by one.
//   shown_copies_bench.exe [RUNS]
// Every figure is the median of RUNS runs in this one process.
#include "ShownCopyMaker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "BenchPhoto.h"
#include "Orient.h"

using namespace Pictures;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeMs(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(TimeMs(work));
    return Median(ms);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder =
        std::string(temp) + "varo-shown-bench-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string plain = folder + "plain.jpg", upright = folder + "o1.jpg", turned = folder + "o6.jpg";
    {
        ShownCopyMaker maker;
        WicCodec codec;
        const std::string jpeg = BenchPhoto::Jpeg(codec, plain);
        if (jpeg.empty()) {
            std::fprintf(stderr, "shown copies bench: no JPEG encoder here\n");
            return 1;
        }
        BenchPhoto::Write(upright, BenchPhoto::WithOrientation(jpeg, 1));
        BenchPhoto::Write(turned, BenchPhoto::WithOrientation(jpeg, 6));
        std::printf("shown copies bench: %u x %u photo, %zu KB, median of %d runs\n", BenchPhoto::kWidth,
                    BenchPhoto::kHeight, jpeg.size() / 1024, runs);

        // The floor: the decoder's own pixels, in its own format, nothing converted.
        const auto plainDecode = [&] {
            WicFrame frame;
            if (!codec.Open(turned, &frame))
                return;
            UINT bits = 24;
            ComPtr<IWICComponentInfo> info;
            ComPtr<IWICPixelFormatInfo> format;
            if (SUCCEEDED(
                    codec.factory()->CreateComponentInfo(frame.format, info.ReleaseAndGetAddressOf())) &&
                SUCCEEDED(info.As(IID_IWICPixelFormatInfo, format)))
                format->GetBitsPerPixel(&bits);
            const UINT stride = (frame.width * bits + 31) / 32 * 4;
            std::vector<BYTE> pixels(std::size_t{stride} * frame.height);
            frame.frame->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data());
        };
        const auto shownCopy = [&] {
            ShownCopy made;
            if (!maker.Make(turned, folder + "copy", &made))
                std::fprintf(stderr, "shown copies bench: no copy made\n");
            ::DeleteFileA(made.path.c_str());
        };
        // The floor and the copy one after the other in each run, so that a load that comes and
        // goes on the machine weighs on both alike; the ratio is the median of the runs' ratios.
        std::vector<double> decodes, copies, ratios;
        for (int i = 0; i < runs; ++i) {
            decodes.push_back(TimeMs(plainDecode));
            copies.push_back(TimeMs(shownCopy));
            ratios.push_back(copies.back() / decodes.back());
        }
        const double decode = Median(decodes), copy = Median(copies), ratio = Median(ratios);
        const double none = MedianMs(runs, [&] {
            ShownCopy made;
            maker.Make(upright, folder + "none", &made);
        });

        // The steps of the copy on their own: decoding to 3-byte pixels, making the upright rows
        // alone (into one strip, over and over), and encoding with the rows made on the way.
        BgrPixels stored;
        const double toBgr = MedianMs(runs, [&] {
            WicFrame frame;
            stored = BgrPixels();
            if (codec.Open(turned, &frame))
                codec.DecodeBgr(frame, &stored);
        });
        const std::uint32_t width = stored.height, height = stored.width;
        const BgrRowSource rows = [&](std::uint32_t first, std::uint32_t count, std::uint8_t* out,
                                      std::size_t stride) {
            return OrientRowsBgr(stored.bytes.data(), stored.width, stored.height, stored.stride, 3, 6, first,
                                 count, out, stride);
        };
        const double turn = MedianMs(runs, [&] {
            std::vector<std::uint8_t> strip(std::size_t{width} * 3 * 64);
            for (std::uint32_t y = 0; y < height; y += 64)
                rows(y, std::min(64u, height - y), strip.data(), std::size_t{width} * 3);
        });
        const double encode = MedianMs(runs, [&] {
            ImageContainer out;
            codec.EncodeRows(width, height, rows, ImageContainer::Jpeg, folder + "encoded.jpg", &out);
        });
        ::DeleteFileA((folder + "encoded.jpg").c_str());

        std::printf("  plain decode (floor)            %7.1f ms\n", decode);
        std::printf("  shown copy, orientation 6       %7.1f ms  %5.2fx floor\n", copy, ratio);
        std::printf("  orientation 1 (no copy needed)  %7.1f ms  %5.2fx floor\n", none, none / decode);
        std::printf("  steps: decode %.1f ms (%.2fx), upright rows alone %.1f ms (%.2fx), encode with them "
                    "%.1f ms (%.2fx)\n",
                    toBgr, toBgr / decode, turn, turn / decode, encode, encode / decode);
    }
    for (const std::string& f : {plain, upright, turned})
        ::DeleteFileA(f.c_str());
    ::RemoveDirectoryA(folder.c_str());
    ::CoUninitialize();
    return 0;
}
