// Owned VARIANT: cleared exactly once, copied with the runtime's own copy.
#pragma once
#include "AutomationError.h"

#include <oaidl.h>
#include <oleauto.h>
#include <new>
#include <string>
#include <unknwn.h>
#include <utility>

class CVariant {
public:
    CVariant() { ::VariantInit(&m_v); }
    // A copy is whole or not made: it throws std::bad_alloc when memory runs out and the
    // automation failure for any other refusal (a type the runtime cannot copy, say).
    CVariant(const CVariant& o) : CVariant() {
        HRESULT hr = ::VariantCopy(&m_v, const_cast<VARIANT*>(&o.m_v));
        if (FAILED(hr)) {
            ::VariantClear(&m_v);
            ::VariantInit(&m_v);
            if (hr == E_OUTOFMEMORY)
                throw std::bad_alloc();
            throw CAutomationError(hr);
        }
    }
    CVariant(CVariant&& o) noexcept : m_v(o.m_v) { ::VariantInit(&o.m_v); }
    // Leaves this value as it was when the copy fails.
    CVariant& operator=(const CVariant& o) {
        if (this != &o) {
            CVariant copy(o);
            std::swap(m_v, copy.m_v);
        }
        return *this;
    }
    CVariant& operator=(CVariant&& o) noexcept {
        if (this != &o) {
            ::VariantClear(&m_v);
            m_v = o.m_v;
            ::VariantInit(&o.m_v);
        }
        return *this;
    }
    ~CVariant() { ::VariantClear(&m_v); }

    static CVariant FromLong(long value) {
        CVariant v;
        v.m_v.vt = VT_I4;
        v.m_v.lVal = value;
        return v;
    }
    // A 16-bit integer, the type some automation servers want for their flags.
    static CVariant FromShort(short value) {
        CVariant v;
        v.m_v.vt = VT_I2;
        v.m_v.iVal = value;
        return v;
    }
    static CVariant FromBool(bool value) {
        CVariant v;
        v.m_v.vt = VT_BOOL;
        v.m_v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }
    static CVariant FromString(const std::wstring& text) {
        CVariant v;
        v.m_v.vt = VT_BSTR;
        v.m_v.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        // A null string would pass for an empty one.
        if (!v.m_v.bstrVal)
            throw std::bad_alloc();
        return v;
    }
    // An object argument; the variant takes a reference of its own.
    static CVariant FromDispatch(IDispatch* object) {
        CVariant v;
        v.m_v.vt = VT_DISPATCH;
        v.m_v.pdispVal = object;
        if (object)
            object->AddRef();
        return v;
    }
    static CVariant FromUnknown(IUnknown* object) {
        CVariant v;
        v.m_v.vt = VT_UNKNOWN;
        v.m_v.punkVal = object;
        if (object)
            object->AddRef();
        return v;
    }
    // An optional argument left out: VT_ERROR carrying DISP_E_PARAMNOTFOUND.
    static CVariant Omitted() {
        CVariant v;
        v.m_v.vt = VT_ERROR;
        v.m_v.scode = DISP_E_PARAMNOTFOUND;
        return v;
    }

    const VARIANT& Get() const { return m_v; }
    VARIANT* Ptr() { return &m_v; }
    // Clears the value and gives the address for an out-parameter.
    VARIANT* ReleaseAndGetAddressOf() {
        ::VariantClear(&m_v);
        return &m_v;
    }
    VARTYPE Type() const { return m_v.vt; }

private:
    VARIANT m_v;
};
