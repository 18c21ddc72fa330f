// An open registry key, closed when it goes out of scope.
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
    LONG Create(HKEY root, const char* subKey, REGSAM access = KEY_ALL_ACCESS) {
        Close();
        return ::RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_key,
                                 nullptr);
    }
    void Close() {
        if (HKEY k = std::exchange(m_key, nullptr))
            ::RegCloseKey(k);
    }
    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

    // Reads a string value (name null or empty: the default value). False when absent or not a string.
    bool QueryString(const char* name, std::string& out) const {
        DWORD type = 0, size = 0;
        if (::RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return false;
        std::string buf(size, '\0');
        if (::RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &size) !=
            ERROR_SUCCESS)
            return false;
        buf.resize(size);
        while (!buf.empty() && buf.back() == '\0')
            buf.pop_back();
        out = std::move(buf);
        return true;
    }
    LONG SetString(const char* name, const std::string& value) const {
        return ::RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
    }
    LONG SetDword(const char* name, DWORD value) const {
        return ::RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof value);
    }

private:
    HKEY m_key = nullptr;
};
