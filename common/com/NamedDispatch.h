// The IDispatch half of an interface answered from a small table of member names, for objects
// whose callers look members up by name and need no type library: the ribbon's objects, which
// Office and the stand-in hand to in-process add-ins, and the add-in's ribbon callbacks, which
// Office finds by name. Late-bound callers get the standard result codes.
// A mixin for the object templates of ComObject.h, like DualDispatch.
#pragma once
#include <oaidl.h>
#include <oleauto.h>

namespace com {

struct Member {
    const wchar_t* name;
    DISPID id;
};

template <class I> class NamedDispatch : public I {
public:
    using Interface = I;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0)
            return E_POINTER;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        HRESULT hr = DISP_E_UNKNOWNNAME;
        for (const Member* m = Members(); m->name; ++m) {
            if (names[0] && ::lstrcmpiW(names[0], m->name) == 0) {
                ids[0] = m->id;
                hr = S_OK;
            }
        }
        // The members take no named arguments.
        return SUCCEEDED(hr) && count > 1 ? DISP_E_UNKNOWNNAME : hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argError) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!params)
            params = &none;
        if (params->cNamedArgs != 0 && !(params->cNamedArgs == 1 && params->rgdispidNamedArgs &&
                                         params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
            return DISP_E_NONAMEDARGS;
        if (argError)
            *argError = 0;
        if (result)
            ::VariantInit(result);
        return Call(id, flags, *params, result);
    }

protected:
    NamedDispatch() = default;
    // The table, ended by a null name.
    virtual const Member* Members() const = 0;
    // The member id with these (checked) arguments; result may be null.
    virtual HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) = 0;
};

} // namespace com
