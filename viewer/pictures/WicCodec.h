// The platform's imaging component (WIC) behind one factory: opening a picture's first frame,
// taking its pixels within the pixel budget, and writing a picture as JPEG or PNG.
// One object per thread: the factory is its own, and the caller has initialised COM on the thread.
#pragma once
#include "ComPtr.h"

#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Bitmap32.h"

namespace Pictures {

enum class ImageContainer { Jpeg, Png };

// The first frame of a picture that WIC can decode, with what is known before any pixel is taken.
struct WicFrame {
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    GUID container = {};
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned frameCount = 0;
    WICPixelFormatGUID format = {};
    // Bilevel, grey or paletted pixels: a scan or a drawing, kept in its own format as PNG.
    bool fewColours = false;
};

// Decoded pixels of 3 bytes (B, G, R), rows top-down, stride bytes apart.
struct BgrPixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::size_t stride = 0;
    std::vector<std::uint8_t> bytes;
};

// Fills rows firstRow to firstRow + count - 1 of a picture with 3-byte B, G, R pixels, rows stride
// bytes apart; false when it cannot.
using BgrRowSource =
    std::function<bool(std::uint32_t firstRow, std::uint32_t count, std::uint8_t* rows, std::size_t stride)>;

class WicCodec {
public:
    WicCodec();
    bool ok() const { return static_cast<bool>(m_factory); }

    // Opens the file (a narrow path, as the viewer keeps them) and its first frame; false when no
    // decoder of the platform reads it.
    bool Open(const std::string& path, WicFrame* out) const;
    // The frame's pixels as 32-bit BGRA. False, before any pixel memory is taken, when the frame
    // is above the pixel budget; false also when the pixels cannot be decoded.
    bool DecodeBgra(const WicFrame& frame, Bitmap32* out) const;
    // The same as 3-byte B, G, R pixels, what the JPEG encoder takes: a quarter less to convert and keep.
    bool DecodeBgr(const WicFrame& frame, BgrPixels* out) const;
    // True when one of the platform's decoders recognises the first bytes of a file.
    bool Recognises(const std::uint8_t* head, std::size_t size) const;
    // A bitmap of the platform holding a copy of the pixels (32-bit BGRA); null when out of memory.
    ComPtr<IWICBitmap> FromMemory(const Bitmap32& bitmap) const;

    // Writes the source as one picture to path, in the source's pixel format where the encoder
    // takes it (indexed pixels with the source's palette). A JPEG is written at quality 0.9, unless
    // the platform has no JPEG encoder: then PNG. *written tells which container the file got.
    // The file may be left half written on failure: the caller writes to a temporary name.
    HRESULT Encode(IWICBitmapSource* source, ImageContainer wanted, const std::string& path,
                   ImageContainer* written) const;

    // The same for pixels in memory, handed to the encoder without a copy of the whole picture.
    HRESULT EncodePixels(const Bitmap32& bitmap, ImageContainer wanted, const std::string& path,
                         ImageContainer* written) const;

    // The same for a picture of width x height whose rows the source gives a strip at a time, so
    // that a turned picture never exists whole a second time.
    HRESULT EncodeRows(std::uint32_t width, std::uint32_t height, const BgrRowSource& rows,
                       ImageContainer wanted, const std::string& path, ImageContainer* written) const;

    IWICImagingFactory* factory() const { return m_factory.Get(); }

private:
    ComPtr<IWICFormatConverter> ConverterTo(const WicFrame& frame, REFWICPixelFormatGUID format) const;

    ComPtr<IWICImagingFactory> m_factory;
};

} // namespace Pictures
