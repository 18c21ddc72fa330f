#include "VariantArgs.h"

#include <oleauto.h>

namespace {
// The value behind a by-reference variant, as a copy coerced to type; false when it cannot be.
HRESULT Coerce(const VARIANT& value, VARTYPE type, VARIANT& out) {
    ::VariantInit(&out);
    return ::VariantChangeType(&out, const_cast<VARIANT*>(&value), 0, type);
}
} // namespace

bool IsOmitted(const VARIANT& value) {
    const VARIANT* v = &value;
    if (v->vt == (VT_VARIANT | VT_BYREF) && v->pvarVal)
        v = v->pvarVal;
    return v->vt == VT_EMPTY || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND);
}

HRESULT OptionalLong(const VARIANT& value, long fallback, long& out) {
    if (IsOmitted(value)) {
        out = fallback;
        return S_OK;
    }
    VARIANT converted;
    HRESULT hr = Coerce(value, VT_I4, converted);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    out = converted.lVal;
    return S_OK;
}

HRESULT OptionalBool(const VARIANT& value, bool fallback, bool& out) {
    if (IsOmitted(value)) {
        out = fallback;
        return S_OK;
    }
    VARIANT converted;
    HRESULT hr = Coerce(value, VT_BOOL, converted);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    out = converted.boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT OptionalString(const VARIANT& value, const std::wstring& fallback, std::wstring& out) {
    if (IsOmitted(value)) {
        out = fallback;
        return S_OK;
    }
    VARIANT converted;
    HRESULT hr = Coerce(value, VT_BSTR, converted);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    out.assign(converted.bstrVal ? converted.bstrVal : L"", ::SysStringLen(converted.bstrVal));
    ::VariantClear(&converted);
    return S_OK;
}
