// A picture file's first frame as the embedded browser would see it: its stored pixels, decoded
// by the platform's imaging component without any turn, as 32-bit BGRA rows.
#pragma once
#include "ComPtr.h"

#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

struct StoredPixels {
    UINT width = 0, height = 0;
    UINT frames = 0;
    std::vector<std::uint8_t> bgra;

    std::uint32_t At(UINT x, UINT y) const {
        const std::uint8_t* p = &bgra[4 * (static_cast<size_t>(y) * width + x)];
        return p[0] | p[1] << 8 | p[2] << 16;
    }
    // Within a lossy coder's reach of a solid mark's colour (0xRRGGBB).
    bool Near(UINT x, UINT y, std::uint32_t rgb) const {
        const std::uint32_t have = At(x, y);
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int(have >> shift & 0xFF) - int(rgb >> shift & 0xFF)) > 40)
                return false;
        return true;
    }
};

// False when the file cannot be decoded. The calling thread has COM initialised.
inline bool ReadStoredPixels(const std::string& path, StoredPixels& out) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    std::wstring wide(path.begin(), path.end());
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()))) ||
        FAILED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand,
                                                  decoder.ReleaseAndGetAddressOf())) ||
        FAILED(decoder->GetFrameCount(&out.frames)) ||
        FAILED(decoder->GetFrame(0, frame.ReleaseAndGetAddressOf())) ||
        FAILED(frame->GetSize(&out.width, &out.height)) ||
        FAILED(factory->CreateFormatConverter(converter.ReleaseAndGetAddressOf())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0, WICBitmapPaletteTypeCustom)))
        return false;
    out.bgra.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
    return SUCCEEDED(
        converter->CopyPixels(nullptr, out.width * 4, static_cast<UINT>(out.bgra.size()), out.bgra.data()));
}
