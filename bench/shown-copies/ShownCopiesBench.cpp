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

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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
        const double decode = MedianMs(runs, [&] {
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
        });
        const double copy = MedianMs(runs, [&] {
            ShownCopy made;
            if (!maker.Make(turned, folder + "copy", &made))
                std::fprintf(stderr, "shown copies bench: no copy made\n");
            ::DeleteFileA(made.path.c_str());
        });
        const double none = MedianMs(runs, [&] {
            ShownCopy made;
            maker.Make(upright, folder + "none", &made);
        });

        // The steps of the copy on their own.
        Bitmap32 stored, turnedPixels;
        const double toBgra = MedianMs(runs, [&] {
            WicFrame frame;
            stored = Bitmap32();
            if (codec.Open(turned, &frame))
                codec.DecodeBgra(frame, &stored);
        });
        const double orient = MedianMs(runs, [&] {
            turnedPixels = Orient(stored.pixels.data(), stored.width, stored.height, stored.stride(), 6);
        });
        const double encode = MedianMs(runs, [&] {
            ImageContainer out;
            codec.EncodePixels(turnedPixels, ImageContainer::Jpeg, folder + "encoded.jpg", &out);
        });
        ::DeleteFileA((folder + "encoded.jpg").c_str());

        std::printf("  plain decode (floor)            %7.1f ms\n", decode);
        std::printf("  shown copy, orientation 6       %7.1f ms  %5.2fx floor\n", copy, copy / decode);
        std::printf("  orientation 1 (no copy needed)  %7.1f ms  %5.2fx floor\n", none, none / decode);
        std::printf(
            "  steps: decode to 32-bit %.1f ms (%.2fx), turn %.1f ms (%.2fx), encode %.1f ms (%.2fx)\n",
            toBgra, toBgra / decode, orient, orient / decode, encode, encode / decode);
    }
    for (const std::string& f : {plain, upright, turned})
        ::DeleteFileA(f.c_str());
    ::RemoveDirectoryA(folder.c_str());
    ::CoUninitialize();
    return 0;
}
