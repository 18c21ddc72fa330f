#include "AutomationText.h"

#include "StringConv.h"

HRESULT Utf8ToBstr(const std::string& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    std::wstring wide = Utf8ToWide(text);
    *out = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT WideToBstr(const std::wstring& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring BstrToWide(BSTR text) {
    return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}
