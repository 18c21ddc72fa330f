// The IDispatch half of a dual interface, answered from the interface's type information in the
// type library that Library() gives. A mixin for the object templates of ComObject.h:
//
//     class CThing : public com::Object<com::DualDispatch<IThing, &ThingLibrary>, ISupportErrorInfo>
//
// An interface whose IDispatch half answers otherwise (names from a table) is a base of its own that
// implements the four methods itself.
#pragma once
#include "ComPtr.h"
#include "com/TypeLibrary.h"

#include <oaidl.h>

namespace com {

template <class I, TypeLibrary& (*Library)()> class DualDispatch : public I {
public:
    using Interface = I;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        ComPtr<ITypeInfo> info;
        HRESULT hr = Library().ClientInfo(__uuidof(I), info);
        if (SUCCEEDED(hr))
            *out = info.Detach();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids)
            return E_POINTER;
        ComPtr<ITypeInfo> info;
        HRESULT hr = Library().InvokeInfo(__uuidof(I), info);
        if (FAILED(hr))
            return hr;
        return info->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!params)
            params = &none;
        ComPtr<ITypeInfo> info;
        HRESULT hr = Library().InvokeInfo(__uuidof(I), info);
        if (FAILED(hr))
            return hr;
        return info->Invoke(static_cast<I*>(this), id, flags, params, result, exception, argError);
    }

protected:
    DualDispatch() = default;
};

} // namespace com
