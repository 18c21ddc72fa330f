#include "WicCodec.h"

#include "StringConv.h"

#include <algorithm>
#include <new>
#include <vector>

#include "PixelBudget.h"

namespace Pictures {
namespace {

constexpr float kJpegQuality = 0.9f;
constexpr double kDefaultDpi = 96.0;

const GUID& ContainerGuid(ImageContainer container) {
    return container == ImageContainer::Jpeg ? GUID_ContainerFormatJpeg : GUID_ContainerFormatPng;
}

bool IsIndexed(const WICPixelFormatGUID& format) {
    return format == GUID_WICPixelFormat1bppIndexed || format == GUID_WICPixelFormat2bppIndexed ||
           format == GUID_WICPixelFormat4bppIndexed || format == GUID_WICPixelFormat8bppIndexed;
}

bool IsFewColours(const WICPixelFormatGUID& format) {
    return IsIndexed(format) || format == GUID_WICPixelFormatBlackWhite ||
           format == GUID_WICPixelFormat2bppGray || format == GUID_WICPixelFormat4bppGray ||
           format == GUID_WICPixelFormat8bppGray;
}

// An encoder that does not know the option keeps its default quality.
void AskJpegQuality(IPropertyBag2* options) {
    if (!options)
        return;
    PROPBAG2 option = {};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = kJpegQuality;
    options->Write(1, &option, &value);
}

} // namespace

WicCodec::WicCodec() {
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                       reinterpret_cast<void**>(m_factory.ReleaseAndGetAddressOf()));
}

bool WicCodec::Open(const std::string& path, WicFrame* out) const {
    if (!m_factory || !out)
        return false;
    WicFrame opened;
    const std::wstring widePath = AnsiToWide(path);
    if (FAILED(m_factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand,
                                                    opened.decoder.ReleaseAndGetAddressOf())))
        return false;
    UINT count = 0, width = 0, height = 0;
    if (FAILED(opened.decoder->GetContainerFormat(&opened.container)) ||
        FAILED(opened.decoder->GetFrameCount(&count)) || count == 0 ||
        FAILED(opened.decoder->GetFrame(0, opened.frame.ReleaseAndGetAddressOf())) ||
        FAILED(opened.frame->GetSize(&width, &height)) ||
        FAILED(opened.frame->GetPixelFormat(&opened.format)))
        return false;
    opened.frameCount = count;
    opened.width = width;
    opened.height = height;
    opened.fewColours = IsFewColours(opened.format);
    *out = std::move(opened);
    return true;
}

// The frame's pixels in another format; null when the frame is over the pixel budget or cannot be
// converted. Nothing is decoded until the pixels are copied.
ComPtr<IWICFormatConverter> WicCodec::ConverterTo(const WicFrame& frame, REFWICPixelFormatGUID format) const {
    ComPtr<IWICFormatConverter> converter;
    if (!m_factory || !frame.frame || !FitsPixelBudget(frame.width, frame.height) ||
        FAILED(m_factory->CreateFormatConverter(converter.ReleaseAndGetAddressOf())) ||
        FAILED(converter->Initialize(frame.frame.Get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    return converter;
}

bool WicCodec::DecodeBgra(const WicFrame& frame, Bitmap32* out) const {
    if (!out)
        return false;
    ComPtr<IWICFormatConverter> converter = ConverterTo(frame, GUID_WICPixelFormat32bppBGRA);
    if (!converter)
        return false;
    Bitmap32 bitmap;
    try {
        bitmap.pixels.resize(std::size_t{frame.width} * frame.height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    bitmap.width = frame.width;
    bitmap.height = frame.height;
    // Within the budget the whole buffer stays below 4 GB, as CopyPixels counts it.
    const UINT stride = static_cast<UINT>(bitmap.stride());
    const UINT size = static_cast<UINT>(bitmap.pixels.size() * 4);
    if (FAILED(converter->CopyPixels(nullptr, stride, size, reinterpret_cast<BYTE*>(bitmap.pixels.data()))))
        return false;
    *out = std::move(bitmap);
    return true;
}

bool WicCodec::DecodeBgr(const WicFrame& frame, BgrPixels* out) const {
    if (!out)
        return false;
    ComPtr<IWICFormatConverter> converter = ConverterTo(frame, GUID_WICPixelFormat24bppBGR);
    if (!converter)
        return false;
    BgrPixels pixels;
    pixels.width = frame.width;
    pixels.height = frame.height;
    pixels.stride = (std::size_t{frame.width} * 3 + 3) / 4 * 4; // rows on 4-byte bounds, as WIC keeps them
    try {
        pixels.bytes.resize(pixels.stride * frame.height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (FAILED(converter->CopyPixels(nullptr, static_cast<UINT>(pixels.stride),
                                     static_cast<UINT>(pixels.bytes.size()), pixels.bytes.data())))
        return false;
    *out = std::move(pixels);
    return true;
}

bool WicCodec::Recognises(const std::uint8_t* head, std::size_t size) const {
    if (!m_factory || !head || size == 0)
        return false;
    ComPtr<IWICStream> stream;
    ComPtr<IEnumUnknown> decoders;
    if (FAILED(m_factory->CreateStream(stream.ReleaseAndGetAddressOf())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(head), static_cast<DWORD>(size))) ||
        FAILED(m_factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault,
                                                    decoders.ReleaseAndGetAddressOf())))
        return false;
    ComPtr<IUnknown> component;
    ULONG fetched = 0;
    while (decoders->Next(1, component.ReleaseAndGetAddressOf(), &fetched) == S_OK && fetched == 1) {
        ComPtr<IWICBitmapDecoderInfo> info;
        BOOL matches = FALSE;
        if (SUCCEEDED(component.As(IID_IWICBitmapDecoderInfo, info)) &&
            SUCCEEDED(info->MatchesPattern(stream.Get(), &matches)) && matches)
            return true;
    }
    return false;
}

ComPtr<IWICBitmap> WicCodec::FromMemory(const Bitmap32& bitmap) const {
    ComPtr<IWICBitmap> result;
    if (!m_factory || bitmap.empty())
        return result;
    if (FAILED(m_factory->CreateBitmapFromMemory(
            bitmap.width, bitmap.height, GUID_WICPixelFormat32bppBGRA, static_cast<UINT>(bitmap.stride()),
            static_cast<UINT>(bitmap.pixels.size() * 4),
            const_cast<BYTE*>(reinterpret_cast<const BYTE*>(bitmap.pixels.data())),
            result.ReleaseAndGetAddressOf())))
        result.Reset();
    return result;
}

namespace {

// An encoder writing one frame to a file, set up up to its pixels.
struct EncoderFrame {
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapFrameEncode> frame;
    ImageContainer container = ImageContainer::Png;
    WICPixelFormatGUID format = {}; // what the encoder takes: the nearest to the one offered
};

HRESULT StartFrame(IWICImagingFactory* factory, ImageContainer wanted, const std::string& path, UINT width,
                   UINT height, double dpiX, double dpiY, const WICPixelFormatGUID& offered,
                   EncoderFrame* out) {
    out->container = wanted;
    HRESULT hr =
        factory->CreateEncoder(ContainerGuid(wanted), nullptr, out->encoder.ReleaseAndGetAddressOf());
    if (FAILED(hr) && wanted == ImageContainer::Jpeg) {
        out->container = ImageContainer::Png;
        hr = factory->CreateEncoder(ContainerGuid(out->container), nullptr,
                                    out->encoder.ReleaseAndGetAddressOf());
    }
    if (FAILED(hr))
        return hr;
    const std::wstring widePath = AnsiToWide(path);
    ComPtr<IPropertyBag2> options;
    if (FAILED(hr = factory->CreateStream(out->stream.ReleaseAndGetAddressOf())) ||
        FAILED(hr = out->stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) ||
        FAILED(hr = out->encoder->Initialize(out->stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(hr = out->encoder->CreateNewFrame(out->frame.ReleaseAndGetAddressOf(),
                                                 options.ReleaseAndGetAddressOf())))
        return hr;
    if (out->container == ImageContainer::Jpeg)
        AskJpegQuality(options.Get());
    if (!(dpiX > 0) || !(dpiY > 0))
        dpiX = dpiY = kDefaultDpi;
    out->format = offered;
    if (FAILED(hr = out->frame->Initialize(options.Get())) ||
        FAILED(hr = out->frame->SetSize(width, height)) ||
        FAILED(hr = out->frame->SetResolution(dpiX, dpiY)) ||
        FAILED(hr = out->frame->SetPixelFormat(&out->format)))
        return hr;
    return S_OK;
}

HRESULT Finish(EncoderFrame& target, ImageContainer* written) {
    HRESULT hr;
    if (FAILED(hr = target.frame->Commit()) || FAILED(hr = target.encoder->Commit()))
        return hr;
    *written = target.container;
    return S_OK;
}

// Rows handed to the encoder at a time when they must be made or converted on the way.
constexpr std::uint32_t kStripRows = 64;

// Strips of 3-byte rows to an encoder that took 24-bit BGR; any other format gets the whole picture
// made first, and WriteSource converts it.
HRESULT WriteBgrRows(IWICImagingFactory* factory, EncoderFrame& target, std::uint32_t width,
                     std::uint32_t height, const BgrRowSource& rows) {
    const std::size_t rowBytes = std::size_t{width} * 3;
    if (target.format == GUID_WICPixelFormat24bppBGR) {
        std::vector<BYTE> strip(rowBytes * kStripRows);
        for (std::uint32_t y = 0; y < height; y += kStripRows) {
            const std::uint32_t count = std::min(kStripRows, height - y);
            if (!rows(y, count, strip.data(), rowBytes))
                return E_FAIL;
            const HRESULT hr = target.frame->WritePixels(count, static_cast<UINT>(rowBytes),
                                                         static_cast<UINT>(rowBytes * count), strip.data());
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    std::vector<BYTE> whole(rowBytes * height);
    if (!rows(0, height, whole.data(), rowBytes))
        return E_FAIL;
    ComPtr<IWICBitmap> bitmap;
    HRESULT hr = factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat24bppBGR,
                                                 static_cast<UINT>(rowBytes), static_cast<UINT>(whole.size()),
                                                 whole.data(), bitmap.ReleaseAndGetAddressOf());
    return FAILED(hr) ? hr : target.frame->WriteSource(bitmap.Get(), nullptr);
}

} // namespace

HRESULT WicCodec::Encode(IWICBitmapSource* source, ImageContainer wanted, const std::string& path,
                         ImageContainer* written) const {
    if (!m_factory || !source || !written)
        return E_POINTER;
    UINT width = 0, height = 0;
    double dpiX = 0, dpiY = 0;
    WICPixelFormatGUID format = {};
    HRESULT hr;
    if (FAILED(hr = source->GetSize(&width, &height)) || FAILED(hr = source->GetPixelFormat(&format)))
        return hr;
    if (FAILED(source->GetResolution(&dpiX, &dpiY)))
        dpiX = dpiY = 0;
    EncoderFrame target;
    if (FAILED(hr = StartFrame(m_factory.Get(), wanted, path, width, height, dpiX, dpiY, format, &target)))
        return hr;
    // WriteSource converts to the format the encoder took; a palette goes along as the source has it.
    if (IsIndexed(target.format)) {
        ComPtr<IWICPalette> palette;
        if (FAILED(hr = m_factory->CreatePalette(palette.ReleaseAndGetAddressOf())) ||
            FAILED(hr = source->CopyPalette(palette.Get())) ||
            FAILED(hr = target.frame->SetPalette(palette.Get())))
            return hr;
    }
    if (FAILED(hr = target.frame->WriteSource(source, nullptr)))
        return hr;
    return Finish(target, written);
}

HRESULT WicCodec::EncodePixels(const Bitmap32& bitmap, ImageContainer wanted, const std::string& path,
                               ImageContainer* written) const {
    if (!m_factory || bitmap.empty() || !written)
        return E_POINTER;
    EncoderFrame target;
    HRESULT hr = StartFrame(m_factory.Get(), wanted, path, bitmap.width, bitmap.height, kDefaultDpi,
                            kDefaultDpi, GUID_WICPixelFormat32bppBGRA, &target);
    if (FAILED(hr))
        return hr;
    const UINT stride = static_cast<UINT>(bitmap.stride());
    if (target.format == GUID_WICPixelFormat32bppBGRA || target.format == GUID_WICPixelFormat32bppBGR) {
        // Within the budget the whole picture stays below 4 GB, as WritePixels counts it.
        hr =
            target.frame->WritePixels(bitmap.height, stride, stride * bitmap.height,
                                      const_cast<BYTE*>(reinterpret_cast<const BYTE*>(bitmap.pixels.data())));
    } else if (target.format == GUID_WICPixelFormat24bppBGR) {
        // The JPEG encoder's own format, converted a strip at a time instead of a second picture.
        hr = WriteBgrRows(
            m_factory.Get(), target, bitmap.width, bitmap.height,
            [&bitmap](std::uint32_t first, std::uint32_t count, std::uint8_t* out, std::size_t stride) {
                for (std::uint32_t y = first; y < first + count; ++y, out += stride) {
                    const std::uint32_t* in = bitmap.pixels.data() + std::size_t{y} * bitmap.width;
                    for (std::uint32_t x = 0; x < bitmap.width; ++x) {
                        out[3 * x] = static_cast<std::uint8_t>(in[x]);
                        out[3 * x + 1] = static_cast<std::uint8_t>(in[x] >> 8);
                        out[3 * x + 2] = static_cast<std::uint8_t>(in[x] >> 16);
                    }
                }
                return true;
            });
    } else {
        ComPtr<IWICBitmap> source = FromMemory(bitmap);
        hr = source ? target.frame->WriteSource(source.Get(), nullptr) : E_OUTOFMEMORY;
    }
    if (FAILED(hr))
        return hr;
    return Finish(target, written);
}

HRESULT WicCodec::EncodeRows(std::uint32_t width, std::uint32_t height, const BgrRowSource& rows,
                             ImageContainer wanted, const std::string& path, ImageContainer* written) const {
    if (!m_factory || !rows || !written || width == 0 || height == 0)
        return E_POINTER;
    EncoderFrame target;
    HRESULT hr = StartFrame(m_factory.Get(), wanted, path, width, height, kDefaultDpi, kDefaultDpi,
                            GUID_WICPixelFormat24bppBGR, &target);
    if (FAILED(hr) || FAILED(hr = WriteBgrRows(m_factory.Get(), target, width, height, rows)))
        return hr;
    return Finish(target, written);
}

} // namespace Pictures
