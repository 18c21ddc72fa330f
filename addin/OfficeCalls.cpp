#include "OfficeCalls.h"

#include "Dispatch.h"

#include <ocidl.h>
#include <cwchar>

namespace OfficeCalls {

namespace {
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<CVariant>& args,
               CVariant* result) {
    if (!object)
        return E_POINTER;
    return Dispatch::Invoke(object, name, flags, args, result);
}

HRESULT ObjectResult(HRESULT hr, const CVariant& value, ComPtr<IDispatch>& out) {
    out = FAILED(hr) ? ComPtr<IDispatch>() : Dispatch::ToDispatch(value);
    return hr;
}
} // namespace

HRESULT GetMember(IDispatch* object, const wchar_t* name, ComPtr<IDispatch>& out) {
    CVariant value;
    return ObjectResult(Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &value), value, out);
}

HRESULT CallObject(IDispatch* object, const wchar_t* name, const std::vector<CVariant>& args,
                   ComPtr<IDispatch>& out) {
    CVariant value;
    return ObjectResult(Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &value), value,
                        out);
}

HRESULT Call(IDispatch* object, const wchar_t* name) {
    return Invoke(object, name, DISPATCH_METHOD, {}, nullptr);
}

HRESULT Put(IDispatch* object, const wchar_t* name, const CVariant& value) {
    if (!object)
        return E_POINTER;
    return Dispatch::PutProperty(object, name, value);
}

HRESULT PutString(IDispatch* object, const wchar_t* name, const wchar_t* text) {
    CVariant value;
    HRESULT hr = MakeString(text, value);
    return FAILED(hr) ? hr : Put(object, name, value);
}

HRESULT MakeString(const wchar_t* text, CVariant& out) {
    out = CVariant::FromString(text);
    return out.Get().bstrVal || !*text ? S_OK : E_OUTOFMEMORY;
}

HRESULT Query(IDispatch* object, const IID& iid, ComPtr<IDispatch>& out) {
    out.Reset();
    if (!object)
        return E_POINTER;
    HRESULT hr = object->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    if (SUCCEEDED(hr) && !out)
        hr = E_NOINTERFACE;
    return hr;
}

namespace {
// The source's connection point for the events, by the standard protocol; the first failing
// step's result.
HRESULT FindConnectionPoint(IUnknown* source, const IID& events, ComPtr<IConnectionPoint>& point) {
    if (!source)
        return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(container.ReleaseAndGetAddressOf()));
    if (FAILED(hr))
        return hr;
    hr = container->FindConnectionPoint(events, point.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    return point ? S_OK : E_POINTER;
}
} // namespace

HRESULT Advise(IUnknown* source, const IID& events, IUnknown* sink, DWORD& cookie) {
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindConnectionPoint(source, events, point);
    return FAILED(hr) ? hr : point->Advise(sink, &cookie);
}

HRESULT Unadvise(IUnknown* source, const IID& events, DWORD cookie) {
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindConnectionPoint(source, events, point);
    return FAILED(hr) ? hr : point->Unadvise(cookie);
}

} // namespace OfficeCalls
