// Owned automation string (BSTR): freed exactly once.
#pragma once
#include <oleauto.h>
#include <string>
#include <utility>

class CComString {
public:
    CComString() = default;
    explicit CComString(const wchar_t* text) : m_str(text ? ::SysAllocString(text) : nullptr) {}
    explicit CComString(const std::wstring& text)
        : m_str(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    CComString(const CComString&) = delete;
    CComString& operator=(const CComString&) = delete;
    CComString(CComString&& o) noexcept : m_str(std::exchange(o.m_str, nullptr)) {}
    CComString& operator=(CComString&& o) noexcept {
        if (this != &o)
            Attach(std::exchange(o.m_str, nullptr));
        return *this;
    }
    ~CComString() { Attach(nullptr); }

    BSTR Get() const { return m_str; }
    UINT Length() const { return ::SysStringLen(m_str); }
    std::wstring ToWString() const { return m_str ? std::wstring(m_str, Length()) : std::wstring(); }
    // Adopts a string the caller owns.
    void Attach(BSTR s) {
        if (m_str)
            ::SysFreeString(m_str);
        m_str = s;
    }
    BSTR Detach() { return std::exchange(m_str, nullptr); }
    BSTR* ReleaseAndGetAddressOf() {
        Attach(nullptr);
        return &m_str;
    }

private:
    BSTR m_str = nullptr;
};
