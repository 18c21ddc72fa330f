#include "WicCodec.h"

#include "StringConv.h"

#include <new>

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

bool WicCodec::DecodeBgra(const WicFrame& frame, Bitmap32* out) const {
    if (!m_factory || !frame.frame || !out || !FitsPixelBudget(frame.width, frame.height))
        return false;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(m_factory->CreateFormatConverter(converter.ReleaseAndGetAddressOf())) ||
        FAILED(converter->Initialize(frame.frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
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

HRESULT WicCodec::Encode(IWICBitmapSource* source, ImageContainer wanted, const std::string& path,
                         ImageContainer* written) const {
    if (!m_factory || !source || !written)
        return E_POINTER;
    ImageContainer container = wanted;
    ComPtr<IWICBitmapEncoder> encoder;
    HRESULT hr =
        m_factory->CreateEncoder(ContainerGuid(container), nullptr, encoder.ReleaseAndGetAddressOf());
    if (FAILED(hr) && container == ImageContainer::Jpeg) {
        container = ImageContainer::Png;
        hr = m_factory->CreateEncoder(ContainerGuid(container), nullptr, encoder.ReleaseAndGetAddressOf());
    }
    if (FAILED(hr))
        return hr;

    ComPtr<IWICStream> stream;
    const std::wstring widePath = AnsiToWide(path);
    if (FAILED(hr = m_factory->CreateStream(stream.ReleaseAndGetAddressOf())) ||
        FAILED(hr = stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) ||
        FAILED(hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)))
        return hr;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(hr =
                   encoder->CreateNewFrame(frame.ReleaseAndGetAddressOf(), options.ReleaseAndGetAddressOf())))
        return hr;
    if (container == ImageContainer::Jpeg)
        AskJpegQuality(options.Get());
    UINT width = 0, height = 0;
    double dpiX = 0, dpiY = 0;
    if (FAILED(hr = frame->Initialize(options.Get())) || FAILED(hr = source->GetSize(&width, &height)) ||
        FAILED(hr = frame->SetSize(width, height)))
        return hr;
    if (FAILED(source->GetResolution(&dpiX, &dpiY)) || !(dpiX > 0) || !(dpiY > 0))
        dpiX = dpiY = kDefaultDpi;
    WICPixelFormatGUID format = {};
    if (FAILED(hr = frame->SetResolution(dpiX, dpiY)) || FAILED(hr = source->GetPixelFormat(&format)) ||
        FAILED(hr = frame->SetPixelFormat(&format)))
        return hr;
    // SetPixelFormat gave the nearest format the encoder writes; WriteSource converts to it.
    if (IsIndexed(format)) {
        ComPtr<IWICPalette> palette;
        if (FAILED(hr = m_factory->CreatePalette(palette.ReleaseAndGetAddressOf())) ||
            FAILED(hr = source->CopyPalette(palette.Get())) || FAILED(hr = frame->SetPalette(palette.Get())))
            return hr;
    }
    if (FAILED(hr = frame->WriteSource(source, nullptr)) || FAILED(hr = frame->Commit()) ||
        FAILED(hr = encoder->Commit()))
        return hr;
    *written = container;
    return S_OK;
}

} // namespace Pictures
