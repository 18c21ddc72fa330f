// An open registry key, closed when it goes out of scope. Narrow (ANSI) names for the viewer, wide
// ones for the code that speaks to automation and Office.
#pragma once
#include <windows.h>
#include <string>
#include <utility>

class RegKey {
public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& o) noexcept : m_key(std::exchange(o.m_key, nullptr)) {}
    RegKey& operator=(RegKey&& o) noexcept {
        if (this != &o) {
            Close();
            m_key = std::exchange(o.m_key, nullptr);
        }
        return *this;
    }
    ~RegKey() { Close(); }

    LONG Open(HKEY root, const char* subKey, REGSAM access) {
        Close();
        return ::RegOpenKeyExA(root, subKey, 0, access, &m_key);
    }
    LONG Open(HKEY root, const wchar_t* subKey, REGSAM access) {
        Close();
        return ::RegOpenKeyExW(root, subKey, 0, access, &m_key);
    }
    LONG Create(HKEY root, const char* subKey, REGSAM access = KEY_ALL_ACCESS) {
        Close();
        return ::RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_key,
                                 nullptr);
    }
    LONG Create(HKEY root, const wchar_t* subKey, REGSAM access = KEY_ALL_ACCESS) {
        Close();
        return ::RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_key,
                                 nullptr);
    }
    void Close() {
        if (HKEY k = std::exchange(m_key, nullptr))
            ::RegCloseKey(k);
    }
    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

    // Reads a string value (name null or empty: the default value). False when absent or not a string.
    bool QueryString(const char* name, std::string& out) const { return QueryText(name, out); }
    bool QueryString(const wchar_t* name, std::wstring& out) const { return QueryText(name, out); }
    // False when absent or not a 32-bit number.
    bool QueryDword(const wchar_t* name, DWORD& out) const {
        DWORD type = 0, value = 0, size = sizeof value;
        if (::RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            return false;
        out = value;
        return true;
    }
    // The name of subkey `index`; ERROR_NO_MORE_ITEMS after the last.
    LONG EnumKey(DWORD index, std::wstring& name) const {
        wchar_t buf[256]; // the longest key name the registry allows, and its terminator
        DWORD length = sizeof buf / sizeof buf[0];
        LONG rc = ::RegEnumKeyExW(m_key, index, buf, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS)
            name.assign(buf, length);
        return rc;
    }
    LONG SetString(const char* name, const std::string& value) const {
        return ::RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
    }
    LONG SetDword(const char* name, DWORD value) const {
        return ::RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof value);
    }
    LONG SetString(const wchar_t* name, const std::wstring& value) const {
        return ::RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    LONG SetDword(const wchar_t* name, DWORD value) const {
        return ::RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof value);
    }

private:
    static LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
        return ::RegQueryValueExA(key, name, nullptr, type, data, size);
    }
    static LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
        return ::RegQueryValueExW(key, name, nullptr, type, data, size);
    }
    template <class Char> bool QueryText(const Char* name, std::basic_string<Char>& out) const {
        DWORD type = 0, size = 0;
        if (QueryValue(m_key, name, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return false;
        std::basic_string<Char> buf(size / sizeof(Char) + 1, Char());
        if (QueryValue(m_key, name, &type, reinterpret_cast<BYTE*>(&buf[0]), &size) != ERROR_SUCCESS)
            return false;
        buf.resize(size / sizeof(Char));
        while (!buf.empty() && buf.back() == Char())
            buf.pop_back();
        out = std::move(buf);
        return true;
    }

    HKEY m_key = nullptr;
};
