// The benchmarks' phone photo: 12 megapixels of smooth light and colour with sensor-like grain,
// about the bytes of a real one as a JPEG, and the same file under any EXIF orientation.
#pragma once
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "Bitmap32.h"
#include "WicCodec.h"

namespace BenchPhoto {

constexpr std::uint32_t kWidth = 4000, kHeight = 3000;

inline Pictures::Bitmap32 Pixels() {
    Pictures::Bitmap32 photo;
    photo.width = kWidth;
    photo.height = kHeight;
    photo.pixels.resize(std::size_t{kWidth} * kHeight);
    std::uint32_t noise = 12345;
    for (std::uint32_t y = 0; y < kHeight; ++y)
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 26) - 32;
            auto channel = [grain](std::uint32_t v) {
                const int ramp = static_cast<int>(v % 512 < 256 ? v % 256 : 511 - v % 512);
                return static_cast<std::uint32_t>(std::clamp(ramp + grain, 0, 255));
            };
            photo.pixels[std::size_t{y} * kWidth + x] = 0xFF000000u | channel(x / 8 + y / 24) << 16 |
                                                        channel(y / 6 + (x * y) / 90000) << 8 |
                                                        channel((x + y) / 12);
        }
    return photo;
}

// The photo as a JPEG without EXIF, written through scratchPath; empty when there is no JPEG encoder.
inline std::string Jpeg(const Pictures::WicCodec& codec, const std::string& scratchPath) {
    Pictures::ImageContainer written;
    if (FAILED(codec.EncodePixels(Pixels(), Pictures::ImageContainer::Jpeg, scratchPath, &written)) ||
        written != Pictures::ImageContainer::Jpeg)
        return std::string();
    std::ifstream in(scratchPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file with an EXIF block of one orientation entry (little-endian) right after its start.
inline std::string WithOrientation(const std::string& jpeg, int orientation) {
    std::string exif("\xFF\xE1\x00\x22"
                     "Exif\0\0"
                     "II\x2A\x00\x08\x00\x00\x00"
                     "\x01\x00"
                     "\x12\x01\x03\x00\x01\x00\x00\x00\x01\x00\x00\x00"
                     "\x00\x00\x00\x00",
                     36);
    exif[28] = static_cast<char>(orientation);
    return jpeg.substr(0, 2) + exif + jpeg.substr(2);
}

inline void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace BenchPhoto
