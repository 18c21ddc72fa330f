#include "CommandBarStore.h"

#include "RegKey.h"

#include <windows.h>

namespace {
constexpr char kKeyPath[] = "Software\\Varoscope\\OutlookSubstitute\\CommandBars";
constexpr wchar_t kNameValue[] = L"Name";
constexpr wchar_t kPositionValue[] = L"Position";
constexpr wchar_t kVisibleValue[] = L"Visible";
constexpr size_t kMaxSavedBars = 1000; // a damaged store must not make the start crawl

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
        if (!key.QueryString(kNameValue, bar.name) || bar.name.empty())
            continue; // an unreadable entry is skipped, the rest still count
        if (key.QueryDword(kPositionValue, position))
            bar.position = static_cast<long>(position);
        if (key.QueryDword(kVisibleValue, visible))
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
        if (key.SetString(kNameValue, name) != ERROR_SUCCESS ||
            key.SetDword(kPositionValue, position) != ERROR_SUCCESS ||
            key.SetDword(kVisibleValue, visible) != ERROR_SUCCESS)
            return false;
    }
    return true;
}
