#include "CommandBarStore.h"

#include "RegKey.h"

#include <windows.h>

namespace {
constexpr char kKeyPath[] = "Software\\Varoscope\\OutlookSubstitute\\CommandBars";
constexpr wchar_t kNameValue[] = L"Name";
constexpr wchar_t kPositionValue[] = L"Position";
constexpr wchar_t kVisibleValue[] = L"Visible";
constexpr size_t kMaxSavedBars = 1000; // a damaged store must not make the start crawl

bool ReadWideString(HKEY key, const wchar_t* name, std::wstring& out) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    buf.resize(size / sizeof(wchar_t));
    while (!buf.empty() && buf.back() == L'\0')
        buf.pop_back();
    out = std::move(buf);
    return true;
}

bool ReadDword(HKEY key, const wchar_t* name, DWORD& out) {
    DWORD type = 0, size = sizeof out;
    return ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&out), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

std::string BarKey(size_t index) {
    return std::string(kKeyPath) + "\\" + std::to_string(index);
}
} // namespace

const char* CommandBarStore::KeyPath() {
    return kKeyPath;
}

std::vector<SavedCommandBar> CommandBarStore::Load() {
    std::vector<SavedCommandBar> bars;
    for (size_t i = 0; i < kMaxSavedBars; ++i) {
        RegKey key;
        if (key.Open(HKEY_CURRENT_USER, BarKey(i).c_str(), KEY_READ) != ERROR_SUCCESS)
            break;
        SavedCommandBar bar;
        DWORD position = 0, visible = 0;
        if (!ReadWideString(key.Get(), kNameValue, bar.name) || bar.name.empty())
            continue; // an unreadable entry is skipped, the rest still count
        if (ReadDword(key.Get(), kPositionValue, position))
            bar.position = static_cast<long>(position);
        if (ReadDword(key.Get(), kVisibleValue, visible))
            bar.visible = visible != 0;
        bars.push_back(std::move(bar));
    }
    return bars;
}

bool CommandBarStore::Save(const std::vector<SavedCommandBar>& bars) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kKeyPath);
    RegKey root;
    if (root.Create(HKEY_CURRENT_USER, kKeyPath) != ERROR_SUCCESS)
        return false;
    for (size_t i = 0; i < bars.size(); ++i) {
        RegKey key;
        if (key.Create(HKEY_CURRENT_USER, BarKey(i).c_str()) != ERROR_SUCCESS)
            return false;
        const std::wstring& name = bars[i].name;
        DWORD position = static_cast<DWORD>(bars[i].position);
        DWORD visible = bars[i].visible ? 1 : 0;
        if (::RegSetValueExW(key.Get(), kNameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                             static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS ||
            ::RegSetValueExW(key.Get(), kPositionValue, 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&position), sizeof position) != ERROR_SUCCESS ||
            ::RegSetValueExW(key.Get(), kVisibleValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&visible),
                             sizeof visible) != ERROR_SUCCESS)
            return false;
    }
    return true;
}
