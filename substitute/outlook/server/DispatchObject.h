// IUnknown and IDispatch for an object that implements one dual interface of the embedded type
// library. Name lookup, argument checks and coercion go through the type information, so clients
// get the result codes of a real automation server (DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT,
// DISP_E_TYPEMISMATCH, ...) instead of hand-written guesses.
#pragma once
#include "TypeLibrary.h"

#include <windows.h>
#include <oleauto.h>

template <typename Interface, const IID* InterfaceId> class DispatchObject : public Interface {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, *InterfaceId)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        if (void* other = OtherInterface(iid)) {
            *out = other;
            this->AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = ::InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
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
        HRESULT hr = TypeLibrary::DispatchInfo(*InterfaceId, info);
        if (SUCCEEDED(hr))
            *out = info.Detach();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids)
            return E_POINTER;
        ComPtr<ITypeInfo> info;
        HRESULT hr = TypeLibrary::InvokeInfo(*InterfaceId, info);
        if (FAILED(hr))
            return hr;
        return ::DispGetIDsOfNames(info.Get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (!IsEqualIID(iid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!params)
            params = &none;
        ComPtr<ITypeInfo> info;
        HRESULT hr = TypeLibrary::InvokeInfo(*InterfaceId, info);
        if (FAILED(hr))
            return hr;
        return ::DispInvoke(static_cast<Interface*>(this), info.Get(), id, flags, params, result, exception,
                            argError);
    }

protected:
    DispatchObject() = default;
    virtual ~DispatchObject() = default;
    // Further interfaces of the object (a base interface, a connection-point container); null for none.
    virtual void* OtherInterface(REFIID) { return nullptr; }

private:
    LONG m_refs = 1; // the creator owns the first reference
};
