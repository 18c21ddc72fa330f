#include "Language.h"

#include <cstring>
#include <string>
#include <vector>

#include "MenuTemplate.h"

#include "StringConv.h"
#include "resource.h"

char g_szLangFile[MAX_PATH] = "";
char g_szLangText[kLangTextSize] = "";
UniqueFont g_hLangFont;
UINT g_nLangSelId = ID_LANGUAGE_DEFAULT;
UINT g_nLangLastId = ID_LANGUAGE_DEFAULT;
HINSTANCE g_hResInstance = nullptr;

namespace {
// Language setting file: the program path with ".ini" for ".exe".
const char kSettingExtension[] = ".ini";
const char kSettingSection[] = "Main";
const char kSettingKey[] = "Language";

// Pack files.
const char kPackFolder[] = "LANG\\";
const char kPackPattern[] = "*.lng";
const char kPackExtension[] = ".lng";
const std::size_t kPackExtensionLength = 4;
const char kPackSection[] = "Language";
const char kPackNumberKey[] = "Language";
const char kDescriptionKey[] = "Description";
const char kFontNameKey[] = "FontName";
const char kFontSizeKey[] = "FontSize";
const char kStringSection[] = "String";

// Prompt of a pack item whose pack has no Description; only a pack's String section has this id.
const UINT kPackPromptStringId = ID_LANGUAGE_FIRST_PACK;
// Deepest menu nesting that a menu walk follows.
const int kMaxMenuDepth = 32;
const int kPointsPerInch = 72;
// Language numbers are 16-bit values.
const UINT kLanguageNumberMask = 0xFFFF;

std::string s_programPathOverride;
bool s_hasProgramPathOverride = false;

// Paths end up in MAX_PATH buffers (g_szLangFile, the narrow file functions): a path that would not
// fit is refused, never cut, so a long program folder or pack name fails only its own step.
bool FitsPath(const std::string& path) {
    return !path.empty() && path.size() < MAX_PATH;
}

bool ProgramPath(std::string& path) {
    if (s_hasProgramPathOverride) {
        path = s_programPathOverride;
        return FitsPath(path);
    }
    char buffer[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) // zero is a failure, MAX_PATH a truncated name
        return false;
    path.assign(buffer, length);
    return true;
}

bool SettingFilePath(std::string& path) {
    if (!ProgramPath(path) || path.size() < std::strlen(kSettingExtension))
        return false;
    path.replace(path.size() - std::strlen(kSettingExtension), std::string::npos, kSettingExtension);
    return true;
}

bool PackFolder(std::string& folder) {
    if (!ProgramPath(folder))
        return false;
    std::size_t slash = folder.rfind('\\');
    folder.erase(slash == std::string::npos ? 0 : slash + 1);
    folder += kPackFolder;
    return FitsPath(folder);
}

bool PackPathOfName(const std::string& itemText, std::string& path) {
    if (!PackFolder(path))
        return false;
    path += itemText;
    path += kPackExtension;
    return FitsPath(path);
}

// Path of the pack that a Language item stands for: its current text names the file.
bool PackPathOfItem(HMENU hMenu, UINT nId, std::string& path) {
    if (!hMenu || ::GetMenuState(hMenu, nId, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return false;
    char text[kLangTextSize] = "";
    ::GetMenuStringA(hMenu, nId, text, kLangTextSize, MF_BYCOMMAND);
    return PackPathOfName(text, path);
}

UINT PackNumber(const std::string& packPath) {
    return ::GetPrivateProfileIntA(kPackSection, kPackNumberKey, 0, packPath.c_str());
}

UINT ReadLanguageSetting(UINT defaultNumber) {
    std::string settingFile;
    if (!SettingFilePath(settingFile))
        return defaultNumber & kLanguageNumberMask;
    return ::GetPrivateProfileIntA(kSettingSection, kSettingKey, static_cast<INT>(defaultNumber),
                                   settingFile.c_str()) &
           kLanguageNumberMask;
}

// A read-only program folder makes this fail; the choice then lasts until the program ends.
void WriteLanguageSetting(UINT number) {
    std::string settingFile;
    if (!SettingFilePath(settingFile))
        return;
    std::string text = std::to_string(number & kLanguageNumberMask);
    ::WritePrivateProfileStringA(kSettingSection, kSettingKey, text.c_str(), settingFile.c_str());
}

void SetLangFile(const std::string& path) {
    if (!FitsPath(path)) {
        g_szLangFile[0] = '\0';
        return;
    }
    std::memcpy(g_szLangFile, path.c_str(), path.size() + 1);
}

// Calls visit(fileName, fullPath) for each "*.lng" file of the pack folder, in the order the system
// returns them, until visit returns false. A file whose full path would not fit is passed over.
template <typename Visit> void ForEachPackFile(Visit visit) {
    std::string folder;
    if (!PackFolder(folder))
        return;
    std::string pattern = folder + kPackPattern;
    if (!FitsPath(pattern))
        return;
    WIN32_FIND_DATAA data{};
    UniqueFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
    if (!find)
        return;
    do {
        std::string path = folder + data.cFileName;
        if (FitsPath(path) && !visit(std::string(data.cFileName), path))
            return;
    } while (::FindNextFileA(find.Get(), &data));
}

void CheckLanguageItem(HMENU hMenu) {
    ::CheckMenuRadioItem(hMenu, ID_LANGUAGE_DEFAULT, g_nLangLastId, g_nLangSelId, MF_BYCOMMAND);
}

void MakeLanguageFont() {
    g_hLangFont.Reset();
    if (!g_szLangFile[0])
        return;
    LOGFONTA font{};
    ::GetPrivateProfileStringA(kPackSection, kFontNameKey, "", font.lfFaceName, LF_FACESIZE, g_szLangFile);
    if (!font.lfFaceName[0])
        return;
    font.lfCharSet = DEFAULT_CHARSET;
    int points = static_cast<int>(::GetPrivateProfileIntA(kPackSection, kFontSizeKey, 0, g_szLangFile));
    if (points != 0) {
        UniqueDc screen(::CreateICA("DISPLAY", nullptr, nullptr, nullptr));
        if (screen)
            font.lfHeight = -::MulDiv(points, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), kPointsPerInch);
    }
    g_hLangFont.Reset(::CreateFontIndirectA(&font));
}

std::string SectionOf(LPCSTR lpszResource) {
    if (IS_INTRESOURCE(lpszResource))
        return std::to_string(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpszResource)));
    return lpszResource;
}

// The active pack's non-empty text for the key, into g_szLangText.
bool PackText(const std::string& section, const std::string& key) {
    if (!g_szLangFile[0])
        return false;
    return ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", g_szLangText, kLangTextSize,
                                      g_szLangFile) > 0;
}

// Changes only the text, so the item's type (separator, radio check) and state stay.
void SetItemText(HMENU hMenu, UINT item, bool byPosition, const char* text) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(text);
    ::SetMenuItemInfoA(hMenu, item, byPosition ? TRUE : FALSE, &info);
}

void RetitleMenuLevel(HMENU hMenu, const std::string& prefix, const std::string& section, int depth) {
    int count = ::GetMenuItemCount(hMenu);
    for (int position = 0; position < count; ++position) {
        UINT id = ::GetMenuItemID(hMenu, position);
        if (id == 0) // separator
            continue;
        HMENU hSubMenu = ::GetSubMenu(hMenu, position);
        std::string key = hSubMenu ? prefix + "|" + std::to_string(position) : std::to_string(id);
        if (PackText(section, key))
            SetItemText(hMenu, static_cast<UINT>(position), true, g_szLangText);
        if (hSubMenu && depth + 1 < kMaxMenuDepth)
            RetitleMenuLevel(hSubMenu, key, section, depth + 1);
    }
}

// A template text in the ANSI code page, at most kLangTextSize - 1 bytes.
std::string TemplateText(const std::u16string& text) {
    std::string ansi = WideToAnsi(std::wstring(text.begin(), text.end()));
    if (ansi.size() >= static_cast<std::size_t>(kLangTextSize))
        ansi.resize(kLangTextSize - 1);
    return ansi;
}

BOOL CALLBACK RetitleDialogChild(HWND hWnd, LPARAM lParam);

void RetitleControl(HWND hWnd, const std::string& section) {
    std::string key = std::to_string(static_cast<UINT>(::GetDlgCtrlID(hWnd)));
    if (PackText(section, key))
        ::SetWindowTextA(hWnd, g_szLangText);
    if (g_hLangFont)
        ::SendMessageA(hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_hLangFont.Get()), FALSE);
}

BOOL CALLBACK RetitleDialogChild(HWND hWnd, LPARAM lParam) {
    RetitleControl(hWnd, *reinterpret_cast<const std::string*>(lParam));
    return TRUE;
}
} // namespace

void SetLanguageProgramPath(const char* lpszProgramPath) {
    s_hasProgramPathOverride = lpszProgramPath != nullptr;
    s_programPathOverride = lpszProgramPath ? lpszProgramPath : "";
}

void PickStartupLanguage() {
    UINT number = ReadLanguageSetting(::GetUserDefaultLangID());
    if (number == 0)
        return;
    ForEachPackFile([number](const std::string&, const std::string& path) {
        if (PackNumber(path) != number)
            return true;
        SetLangFile(path);
        ApplyLanguage(nullptr, number);
        return false;
    });
}

UINT BuildLanguageMenu(HMENU hLanguagePopup) {
    UINT remembered = ReadLanguageSetting(0);
    bool listedAny = false;
    ForEachPackFile([&](const std::string& fileName, const std::string& path) {
        UINT number = PackNumber(path);
        if (number == 0)
            return true;
        if (g_nLangLastId >= ID_LANGUAGE_LAST)
            return false;
        if (!listedAny)
            ::AppendMenuA(hLanguagePopup, MF_SEPARATOR, 0, nullptr);
        listedAny = true;
        ++g_nLangLastId;
        std::string itemText = fileName.substr(0, fileName.size() - kPackExtensionLength);
        ::AppendMenuA(hLanguagePopup, MF_STRING, g_nLangLastId, itemText.c_str());
        if (number == remembered)
            g_nLangSelId = g_nLangLastId; // a later pack with the same number wins
        return true;
    });
    CheckLanguageItem(hLanguagePopup);
    return g_nLangSelId;
}

void ApplyLanguage(HMENU hMenu, UINT nId) {
    UINT number = nId;
    if (hMenu) {
        std::string path;
        if (nId > ID_LANGUAGE_DEFAULT && nId <= g_nLangLastId && PackPathOfItem(hMenu, nId, path)) {
            g_nLangSelId = nId;
            SetLangFile(path);
            number = PackNumber(path);
        } else {
            // The built-in texts; also when the pack's path cannot be formed.
            g_szLangFile[0] = '\0';
            g_nLangSelId = ID_LANGUAGE_DEFAULT;
            number = 0;
        }
        CheckLanguageItem(hMenu);
    }
    WriteLanguageSetting(number);
    MakeLanguageFont();
}

void RetitleMenu(HMENU hMenu, LPCSTR lpszMenuResource) {
    if (!g_szLangFile[0]) {
        RestoreMenuTexts(hMenu, lpszMenuResource);
        return;
    }
    RetitleMenuLevel(hMenu, "", SectionOf(lpszMenuResource), 0);
}

void RestoreMenuTexts(HMENU hMenu, LPCSTR lpszMenuResource) {
    HRSRC hInfo = ::FindResourceA(g_hResInstance, lpszMenuResource, RT_MENU);
    if (!hInfo)
        return;
    HGLOBAL hData = ::LoadResource(g_hResInstance, hInfo);
    const BYTE* data = hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
    if (!data)
        return;
    std::vector<MenuTemplateItem> items;
    if (!CMenuTemplate::Read(data, ::SizeofResource(g_hResInstance, hInfo), kMaxMenuDepth, items))
        return; // not a standard menu template
    HMENU levels[kMaxMenuDepth] = {hMenu};
    for (const MenuTemplateItem& item : items) {
        if (item.popup) {
            HMENU level = levels[item.depth];
            SetItemText(level, item.position, true, TemplateText(item.text).c_str());
            if (item.depth + 1 < kMaxMenuDepth)
                levels[item.depth + 1] = ::GetSubMenu(level, static_cast<int>(item.position));
        } else if (item.id != 0) { // separators have nothing to restore
            SetItemText(hMenu, item.id, false, TemplateText(item.text).c_str());
        }
    }
}

void RetitleDialog(HWND hDlg, LPCSTR lpszDialogResource) {
    if (!g_szLangFile[0])
        return;
    std::string section = SectionOf(lpszDialogResource);
    RetitleControl(hDlg, section);
    ::EnumChildWindows(hDlg, RetitleDialogChild, reinterpret_cast<LPARAM>(&section));
}

const char* LoadLangString(UINT nId) {
    if (PackText(kStringSection, std::to_string(nId)))
        return g_szLangText;
    if (::LoadStringA(g_hResInstance, nId, g_szLangText, kLangTextSize) > 0)
        return g_szLangText;
    g_szLangText[0] = '\0';
    return g_szLangText;
}

const char* GetLanguageDescription(HMENU hMenu, UINT nId) {
    std::string path;
    if (PackPathOfItem(hMenu, nId, path) &&
        ::GetPrivateProfileStringA(kPackSection, kDescriptionKey, "", g_szLangText, kLangTextSize,
                                   path.c_str()) > 0)
        return g_szLangText;
    return LoadLangString(kPackPromptStringId);
}
