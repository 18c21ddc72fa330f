// The IDispatch half of a dual interface, answered from type information that the server caches
// once per library (entry `Slot` of its description).
#pragma once
#include "ComPtr.h"
#include "ComServer.h"

#include <oaidl.h>

template <class Base, std::size_t Slot> class CDualDispatch : public Base {
public:
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
        return CComServer::Instance().TypeInfo(Slot, out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        HRESULT hr = CComServer::Instance().TypeInfo(Slot, info.ReleaseAndGetAddressOf());
        if (FAILED(hr))
            return hr;
        return info->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        HRESULT hr = CComServer::Instance().TypeInfo(Slot, info.ReleaseAndGetAddressOf());
        if (FAILED(hr))
            return hr;
        return info->Invoke(static_cast<Base*>(this), id, flags, params, result, exception, argError);
    }
};
