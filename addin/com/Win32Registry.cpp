#include "Win32Registry.h"

#include "StringConv.h"

#include <windows.h>

namespace Registrar {

namespace {
HKEY ToKey(KeyHandle key) {
    return reinterpret_cast<HKEY>(key);
}
KeyHandle FromKey(HKEY key) {
    return reinterpret_cast<KeyHandle>(key);
}
// Null for the default value.
const wchar_t* ValueName(const std::wstring& name) {
    return name.empty() ? nullptr : name.c_str();
}
} // namespace

KeyHandle CWin32Registry::Root(RootKey root) {
    switch (root) {
    case RootKey::ClassesRoot:
        return FromKey(HKEY_CLASSES_ROOT);
    case RootKey::CurrentUser:
        return FromKey(HKEY_CURRENT_USER);
    case RootKey::LocalMachine:
        return FromKey(HKEY_LOCAL_MACHINE);
    case RootKey::Users:
        return FromKey(HKEY_USERS);
    }
    return FromKey(HKEY_CLASSES_ROOT);
}

long CWin32Registry::Open(KeyHandle parent, const std::string& name, Access access, KeyHandle& out) {
    HKEY key = nullptr;
    LONG r = ::RegOpenKeyExW(ToKey(parent), Utf8ToWide(name).c_str(), 0,
                             access == Access::Full ? KEY_ALL_ACCESS : KEY_READ, &key);
    if (r == ERROR_SUCCESS)
        out = FromKey(key);
    return r;
}

long CWin32Registry::Create(KeyHandle parent, const std::string& name, KeyHandle& out) {
    HKEY key = nullptr;
    LONG r = ::RegCreateKeyExW(ToKey(parent), Utf8ToWide(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (r == ERROR_SUCCESS)
        out = FromKey(key);
    return r;
}

void CWin32Registry::Close(KeyHandle key) {
    ::RegCloseKey(ToKey(key));
}

long CWin32Registry::SetString(KeyHandle key, const std::string& name, const std::string& value) {
    std::wstring text = Utf8ToWide(value);
    std::wstring valueName = Utf8ToWide(name);
    return ::RegSetValueExW(ToKey(key), ValueName(valueName), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

long CWin32Registry::SetNumber(KeyHandle key, const std::string& name, std::uint32_t value) {
    DWORD number = value;
    std::wstring valueName = Utf8ToWide(name);
    return ::RegSetValueExW(ToKey(key), ValueName(valueName), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&number), sizeof number);
}

long CWin32Registry::DeleteValue(KeyHandle key, const std::string& name) {
    std::wstring valueName = Utf8ToWide(name);
    return ::RegDeleteValueW(ToKey(key), ValueName(valueName));
}

long CWin32Registry::Count(KeyHandle key, std::size_t& subkeys, std::size_t& values) {
    DWORD keys = 0, vals = 0;
    LONG r = ::RegQueryInfoKeyW(ToKey(key), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &vals,
                                nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_SUCCESS) {
        subkeys = keys;
        values = vals;
    }
    return r;
}

long CWin32Registry::DeleteTree(KeyHandle parent, const std::string& name) {
    std::wstring keyName = Utf8ToWide(name);
    HKEY key = nullptr;
    LONG r = ::RegOpenKeyExW(ToKey(parent), keyName.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (r != ERROR_SUCCESS)
        return r;
    // Everything below first, then the key itself.
    r = ::RegDeleteTreeW(key, nullptr);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS)
        return r;
    return ::RegDeleteKeyW(ToKey(parent), keyName.c_str());
}

long CWin32Registry::DeleteKey(KeyHandle parent, const std::string& name) {
    return ::RegDeleteKeyW(ToKey(parent), Utf8ToWide(name).c_str());
}

} // namespace Registrar
