// Language packs: listing, start-up choice, switching, retitling and restoring menus, prompts,
// fonts and dialogs. Each test gets its own program folder with a "LANG" folder beside a
// program path that does not need to exist; the test program's own resources hold the built-in
// texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "Language.h"
#include "StringConv.h"
#include "resource.h"

namespace {
const UINT kNestedMenu = 200;
const char kNamedMenu[] = "NAMEDMENU";
const char kAbsent[] = "(absent)";

// Every item of menu 128: popups by position key, commands by id.
const char* const kMenuKeys[] = {"|0",    "57665", "|1",   "32773", "32783", "|1|2",  "32780", "32779",
                                 "32781", "32782", "|1|4", "5050",  "|2",    "57667", "32775", "57664"};

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// One line per item, depth first: nesting, id, type, state and text. Left out is the radio-check
// type, which items keep once they have been picked.
void DumpMenu(HMENU hMenu, int depth, std::vector<std::string>& lines, bool withFlags) {
    int count = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < count; ++i) {
        char text[kLangTextSize] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        ::GetMenuItemInfoA(hMenu, static_cast<UINT>(i), TRUE, &info);
        std::string line = std::string(static_cast<std::size_t>(depth) * 2, ' ');
        line += info.hSubMenu ? std::string("popup") : std::to_string(info.wID);
        if (withFlags)
            line += " type=" + std::to_string(info.fType & ~MFT_RADIOCHECK) +
                    " state=" + std::to_string(info.fState);
        line += " '" + std::string(text) + "'";
        lines.push_back(line);
        if (info.hSubMenu)
            DumpMenu(info.hSubMenu, depth + 1, lines, withFlags);
    }
}

std::vector<std::string> Dump(HMENU hMenu, bool withFlags = true) {
    std::vector<std::string> lines;
    DumpMenu(hMenu, 0, lines, withFlags);
    return lines;
}

// Sets every text but the separators' to "?", at every level.
void ScrambleMenu(HMENU hMenu) {
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
        if (::GetMenuItemID(hMenu, i) == 0)
            continue;
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<char*>("?");
        ::SetMenuItemInfoA(hMenu, static_cast<UINT>(i), TRUE, &info);
        if (HMENU hSub = ::GetSubMenu(hMenu, i))
            ScrambleMenu(hSub);
    }
}

std::string MenuText(HMENU hMenu, UINT item, UINT flags) {
    char text[kLangTextSize] = "";
    ::GetMenuStringA(hMenu, item, text, sizeof text, flags);
    return text;
}

// Text of the item that a pack's menu key names.
std::string TextOfKey(HMENU hMenu, const std::string& key) {
    if (key[0] != '|')
        return MenuText(hMenu, static_cast<UINT>(std::stoul(key)), MF_BYCOMMAND);
    HMENU hParent = hMenu;
    std::size_t at = 1;
    for (;;) {
        std::size_t bar = key.find('|', at);
        UINT position = static_cast<UINT>(std::stoul(key.substr(at, bar - at)));
        if (bar == std::string::npos)
            return MenuText(hParent, position, MF_BYPOSITION);
        hParent = ::GetSubMenu(hParent, static_cast<int>(position));
        at = bar + 1;
    }
}

LOGFONTA FontOf(HFONT hFont) {
    LOGFONTA font{};
    ::GetObjectA(hFont, sizeof font, &font);
    return font;
}

int ScreenPixelsPerInch() {
    UniqueDc screen(::CreateICA("DISPLAY", nullptr, nullptr, nullptr));
    return ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (find) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + L"\\");
            else
                ::DeleteFileW((folder + name).c_str());
        } while (::FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryW(folder.c_str());
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int s_folderNumber = 0;
        char temp[MAX_PATH] = "";
        ::GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "varo-lang-" + std::to_string(::GetCurrentProcessId()) + "-" +
                   std::to_string(++s_folderNumber) + "\\";
        m_packs = m_folder + "LANG\\";
        m_setting = m_folder + "varo.ini";
        ASSERT_TRUE(::CreateDirectoryA(m_folder.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(m_packs.c_str(), nullptr));
        UseProgramPath(m_folder + "varo.exe");
        g_hResInstance = ::GetModuleHandleA(nullptr);
        m_hMenu = ::LoadMenuA(g_hResInstance, MAKEINTRESOURCEA(IDR_MAINFRAME));
        ASSERT_NE(m_hMenu, nullptr);
    }
    void TearDown() override {
        ::DestroyMenu(m_hMenu);
        SetLanguageProgramPath(nullptr);
        g_hLangFont.Reset();
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr); // let go of cached files
        RemoveTree(AnsiToWide(m_folder));
    }

    // A fresh process: the module state as it is at start-up, for the given program path.
    void UseProgramPath(const std::string& path) {
        SetLanguageProgramPath(path.c_str());
        g_szLangFile[0] = '\0';
        g_szLangText[0] = '\0';
        g_hLangFont.Reset();
        g_nLangSelId = ID_LANGUAGE_DEFAULT;
        g_nLangLastId = ID_LANGUAGE_DEFAULT;
    }

    void WritePack(const std::string& name, const std::string& body) {
        std::ofstream out(m_packs + name + ".lng", std::ios::binary);
        out << WithCrLf(body);
    }
    void WritePack(const std::string& name, unsigned number, const std::string& more = "") {
        WritePack(name, "[Language]\nLanguage=" + std::to_string(number) + "\n" + more);
    }
    void CopyShippedPack(const char* fileName) {
        std::string source = std::string(VARO_TEST_SOURCE_DIR) + "\\data\\lang\\" + fileName;
        ASSERT_TRUE(::CopyFileA(source.c_str(), (m_packs + fileName).c_str(), FALSE)) << source;
    }
    void StoreSetting(const char* value) {
        ::WritePrivateProfileStringA("Main", "Language", value, m_setting.c_str());
    }
    std::string Setting() const {
        char value[64] = "";
        ::GetPrivateProfileStringA("Main", "Language", kAbsent, value, sizeof value, m_setting.c_str());
        return value;
    }
    // Pack names without ".lng", as the system lists the folder.
    std::vector<std::string> SystemOrder() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data{};
        UniqueFindHandle find(::FindFirstFileA((m_packs + "*.lng").c_str(), &data));
        if (find) {
            do {
                std::string name = data.cFileName;
                names.push_back(name.substr(0, name.size() - 4));
            } while (::FindNextFileA(find.Get(), &data));
        }
        return names;
    }

    HMENU LanguagePopup() const { return ::GetSubMenu(::GetSubMenu(m_hMenu, 1), 4); }
    // Command id of the Language item that shows this text, or 0.
    UINT ItemId(const std::string& text) const {
        for (UINT id = ID_LANGUAGE_FIRST_PACK; id <= g_nLangLastId; ++id) {
            if (MenuText(m_hMenu, id, MF_BYCOMMAND) == text)
                return id;
        }
        return 0;
    }
    bool Checked(UINT id) const { return (::GetMenuState(m_hMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    // What the frame does when a Language item is picked.
    void Switch(UINT id) {
        ApplyLanguage(m_hMenu, id);
        RetitleMenu(m_hMenu, IDR_MAINFRAME);
    }

    std::string m_folder;
    std::string m_packs;
    std::string m_setting;
    HMENU m_hMenu = nullptr;
};
} // namespace

TEST_F(LanguageTest, WithoutUsablePacksOnlyDefaultIsListedCheckedAndZeroIsStored) {
    ASSERT_TRUE(::RemoveDirectoryA(m_packs.c_str()));
    EXPECT_EQ(BuildLanguageMenu(LanguagePopup()), static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(::GetMenuItemCount(LanguagePopup()), 1);

    ASSERT_TRUE(::CreateDirectoryA(m_packs.c_str(), nullptr));
    WritePack("NoNumber", "[Language]\nDescription=never listed\n");
    WritePack("Zero", 0);
    EXPECT_EQ(BuildLanguageMenu(LanguagePopup()), static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(::GetMenuItemCount(LanguagePopup()), 1);
    EXPECT_EQ(g_nLangLastId, static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_TRUE(Checked(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(Setting(), kAbsent) << "listing writes nothing";

    Switch(ID_LANGUAGE_DEFAULT);
    EXPECT_EQ(Setting(), "0");
    EXPECT_STREQ(g_szLangFile, "");
    EXPECT_TRUE(Checked(ID_LANGUAGE_DEFAULT));
}

TEST_F(LanguageTest, PacksAreListedInSystemOrderAfterASeparator) {
    WritePack("Deutsch", 1031);
    WritePack("Francais", 1036);
    WritePack("Zero", 0);
    WritePack("Magyar", 1038);
    StoreSetting("1036");
    std::vector<std::string> expected;
    for (const std::string& name : SystemOrder()) {
        if (name != "Zero")
            expected.push_back(name);
    }
    ASSERT_EQ(expected.size(), 3u);

    HMENU hPopup = LanguagePopup();
    UINT selected = BuildLanguageMenu(hPopup);
    ASSERT_EQ(::GetMenuItemCount(hPopup), 5);
    EXPECT_EQ(::GetMenuItemID(hPopup, 0), static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_TRUE(::GetMenuState(hPopup, 1, MF_BYPOSITION) & MF_SEPARATOR);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(::GetMenuItemID(hPopup, 2 + i), static_cast<UINT>(ID_LANGUAGE_FIRST_PACK + i));
        EXPECT_EQ(MenuText(hPopup, static_cast<UINT>(2 + i), MF_BYPOSITION),
                  expected[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(g_nLangLastId, static_cast<UINT>(ID_LANGUAGE_FIRST_PACK + 2));
    EXPECT_EQ(selected, ItemId("Francais"));
    EXPECT_EQ(g_nLangSelId, selected);
    for (UINT id = ID_LANGUAGE_DEFAULT; id <= g_nLangLastId; ++id)
        EXPECT_EQ(Checked(id), id == selected) << id;

    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoA(hPopup, selected, FALSE, &info);
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);

    // Picking moves the radio check and stores the pack's number.
    Switch(ItemId("Magyar"));
    EXPECT_EQ(Setting(), "1038");
    EXPECT_EQ(g_szLangFile, m_packs + "Magyar.lng");
    EXPECT_TRUE(Checked(ItemId("Magyar")));
    EXPECT_FALSE(Checked(selected));
    // An id past the listed packs means the built-in texts.
    Switch(g_nLangLastId + 1);
    EXPECT_STREQ(g_szLangFile, "");
    EXPECT_EQ(g_nLangSelId, static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(Setting(), "0");
}

TEST_F(LanguageTest, TheFiftiethPackIsNotListed) {
    for (unsigned i = 0; i < 50; ++i)
        WritePack("Pack" + std::to_string(10 + i), 2000 + i);
    std::vector<std::string> order = SystemOrder();
    ASSERT_EQ(order.size(), 50u);

    BuildLanguageMenu(LanguagePopup());
    EXPECT_EQ(g_nLangLastId, static_cast<UINT>(ID_LANGUAGE_LAST));
    EXPECT_EQ(::GetMenuItemCount(LanguagePopup()), 2 + 49);
    EXPECT_EQ(MenuText(m_hMenu, ID_LANGUAGE_LAST, MF_BYCOMMAND), order[48]);
    EXPECT_EQ(ItemId(order[49]), 0u);

    Switch(ID_LANGUAGE_LAST);
    EXPECT_EQ(Setting(), std::to_string(2000 + std::stoul(order[48].substr(4)) - 10));
}

TEST_F(LanguageTest, StartupTakesTheDefaultLanguageOnlyWhileNothingIsStored) {
    const unsigned user = ::GetUserDefaultLangID();
    WritePack("Other", user + 1);
    WritePack("Mine", user);
    PickStartupLanguage();
    EXPECT_EQ(g_szLangFile, m_packs + "Mine.lng");
    EXPECT_EQ(Setting(), std::to_string(user));
    EXPECT_EQ(g_nLangSelId, static_cast<UINT>(ID_LANGUAGE_DEFAULT)) << "no menu exists yet";

    // A stored 0 keeps the built-in texts.
    UseProgramPath(m_folder + "varo.exe");
    StoreSetting("0");
    PickStartupLanguage();
    EXPECT_STREQ(g_szLangFile, "");

    // A stored number without a pack changes nothing and writes nothing.
    StoreSetting("1234");
    PickStartupLanguage();
    EXPECT_STREQ(g_szLangFile, "");
    EXPECT_EQ(Setting(), "1234");
    // The frame then applies the built-in texts, which stores 0.
    UINT selected = BuildLanguageMenu(LanguagePopup());
    EXPECT_EQ(selected, static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    Switch(selected);
    EXPECT_EQ(Setting(), "0");
}

TEST_F(LanguageTest, TwoPacksWithOneNumberStartWithTheFirstAndEndOnTheLast) {
    const unsigned user = ::GetUserDefaultLangID();
    WritePack("Alpha", user, "[128]\n|0=Alpha\n");
    WritePack("Beta", user, "[128]\n|0=Beta\n");
    std::vector<std::string> order = SystemOrder();
    ASSERT_EQ(order.size(), 2u);

    PickStartupLanguage();
    EXPECT_EQ(g_szLangFile, m_packs + order[0] + ".lng");

    // The frame's creation: list, retitle for the pack picked at start-up, switch to the selection.
    UINT selected = BuildLanguageMenu(LanguagePopup());
    EXPECT_EQ(selected, ItemId(order[1]));
    RetitleMenu(m_hMenu, IDR_MAINFRAME);
    EXPECT_EQ(MenuText(m_hMenu, 0, MF_BYPOSITION), order[0]);
    Switch(selected);
    EXPECT_EQ(g_szLangFile, m_packs + order[1] + ".lng");
    EXPECT_EQ(MenuText(m_hMenu, 0, MF_BYPOSITION), order[1]);
    EXPECT_EQ(Setting(), std::to_string(user));
}

TEST_F(LanguageTest, APackWithOnlyTheViewTitleChangesNothingElse) {
    WritePack("Ansicht", 1031, "[128]\n|1=&Ansicht\n");
    BuildLanguageMenu(LanguagePopup());
    std::vector<std::string> before = Dump(m_hMenu, false);
    Switch(ItemId("Ansicht"));
    std::vector<std::string> after = Dump(m_hMenu, false);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == "popup '&View'")
            EXPECT_EQ(after[i], "popup '&Ansicht'");
        else
            EXPECT_EQ(after[i], before[i]);
    }
}

TEST_F(LanguageTest, ShippedPacksRetitleEveryItemAndDefaultRestoresTheTemplate) {
    CopyShippedPack("Deutsch.lng");
    CopyShippedPack("Francais.lng");
    BuildLanguageMenu(LanguagePopup());
    std::vector<std::string> original = Dump(m_hMenu);

    for (const char* pack : {"Deutsch", "Francais"}) {
        SCOPED_TRACE(pack);
        Switch(ItemId(pack));
        ASSERT_EQ(g_szLangFile, m_packs + pack + ".lng");
        for (const char* key : kMenuKeys) {
            char expected[kLangTextSize] = "";
            ::GetPrivateProfileStringA("128", key, "", expected, sizeof expected, g_szLangFile);
            EXPECT_EQ(TextOfKey(m_hMenu, key), expected) << key;
        }
        EXPECT_NE(TextOfKey(m_hMenu, "|0"), "&File");
        EXPECT_NE(TextOfKey(m_hMenu, "57665"), "E&xit");
        EXPECT_NE(ItemId("Deutsch"), 0u) << "pack items keep their names";
        EXPECT_NE(ItemId("Francais"), 0u);
    }

    Switch(ID_LANGUAGE_DEFAULT);
    EXPECT_EQ(Dump(m_hMenu), original) << "texts, types, states and the pack items as before";
}

TEST_F(LanguageTest, RestoringFollowsTheTemplateThroughNestedLevels) {
    const LPCSTR resources[] = {MAKEINTRESOURCEA(kNestedMenu), kNamedMenu, MAKEINTRESOURCEA(IDR_MAINFRAME)};
    for (LPCSTR resource : resources) {
        HMENU hMenu = ::LoadMenuA(g_hResInstance, resource);
        ASSERT_NE(hMenu, nullptr);
        std::vector<std::string> original = Dump(hMenu);
        ScrambleMenu(hMenu);
        ASSERT_NE(Dump(hMenu), original);
        RestoreMenuTexts(hMenu, resource);
        EXPECT_EQ(Dump(hMenu), original);
        ::DestroyMenu(hMenu);
    }
}

TEST_F(LanguageTest, MenusGivenByNameUseTheNameAsSection) {
    WritePack("Named", 1031, "[NAMEDMENU]\n|0=Benannt\n106=eins\n");
    BuildLanguageMenu(LanguagePopup());
    ApplyLanguage(m_hMenu, ItemId("Named"));
    HMENU hNamed = ::LoadMenuA(g_hResInstance, kNamedMenu);
    RetitleMenu(hNamed, kNamedMenu);
    EXPECT_EQ(MenuText(hNamed, 0, MF_BYPOSITION), "Benannt");
    EXPECT_EQ(MenuText(hNamed, 106, MF_BYCOMMAND), "eins");
    ::DestroyMenu(hNamed);
}

TEST_F(LanguageTest, PromptsComeFromTheActivePackElseTheBuiltInTable) {
    EXPECT_STREQ(LoadLangString(AFX_IDS_IDLEMESSAGE), "Ready");
    EXPECT_STREQ(LoadLangString(ID_APP_ABOUT),
                 "Display program information, version number and copyright\nAbout");
    EXPECT_STREQ(LoadLangString(ID_VIEW_GOBACK), "") << "no built-in prompt";

    WritePack("Deutsch", 1031,
              "Description=Deutsche Texte\n[String]\n57345=Bereit\n32783=Zur\xfc"
              "ck\n");
    WritePack("Plain", 1036, "[String]\n5051=Pack prompt\n");
    WritePack("Bare", 1038);
    BuildLanguageMenu(LanguagePopup());
    Switch(ItemId("Deutsch"));
    EXPECT_STREQ(LoadLangString(AFX_IDS_IDLEMESSAGE), "Bereit");
    EXPECT_STREQ(LoadLangString(ID_VIEW_GOBACK), "Zur\xfc"
                                                 "ck");
    EXPECT_STREQ(LoadLangString(ID_APP_EXIT), "Quit the application; prompts to save documents\nExit");

    EXPECT_STREQ(GetLanguageDescription(m_hMenu, ItemId("Deutsch")), "Deutsche Texte");
    EXPECT_STREQ(GetLanguageDescription(m_hMenu, ItemId("Bare")), "") << "no Description, no String 5051";
    Switch(ItemId("Plain"));
    EXPECT_STREQ(GetLanguageDescription(m_hMenu, ItemId("Bare")), "Pack prompt");
    EXPECT_STREQ(GetLanguageDescription(m_hMenu, ItemId("Deutsch")), "Deutsche Texte");

    Switch(ID_LANGUAGE_DEFAULT);
    EXPECT_STREQ(LoadLangString(AFX_IDS_IDLEMESSAGE), "Ready");
}

TEST_F(LanguageTest, FontComesFromThePackInScreenPixels) {
    WritePack("Sized", 1031, "FontName=Arial\nFontSize=9\n");
    WritePack("Unsized", 1036, "FontName=Courier New\n");
    WritePack("NoFont", 1038);
    BuildLanguageMenu(LanguagePopup());

    Switch(ItemId("Sized"));
    ASSERT_TRUE(g_hLangFont);
    LOGFONTA font = FontOf(g_hLangFont.Get());
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
    const int dpi = ScreenPixelsPerInch();
    EXPECT_EQ(font.lfHeight, -::MulDiv(9, dpi, 72));
    if (dpi == 96) {
        EXPECT_EQ(font.lfHeight, -12);
    }

    Switch(ItemId("Unsized"));
    ASSERT_TRUE(g_hLangFont);
    EXPECT_STREQ(FontOf(g_hLangFont.Get()).lfFaceName, "Courier New");
    EXPECT_EQ(FontOf(g_hLangFont.Get()).lfHeight, 0);

    Switch(ItemId("NoFont"));
    EXPECT_FALSE(g_hLangFont);
    Switch(ItemId("Sized"));
    Switch(ID_LANGUAGE_DEFAULT);
    EXPECT_FALSE(g_hLangFont);
}

TEST_F(LanguageTest, RetitleDialogSetsTextsAndFontOfTheDialogAndItsControls) {
    HWND hDlg =
        ::CreateDialogParamA(g_hResInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, QuietDialogProc, 0);
    ASSERT_NE(hDlg, nullptr);
    auto text = [](HWND hWnd) {
        char buffer[kLangTextSize] = "";
        ::GetWindowTextA(hWnd, buffer, sizeof buffer);
        return std::string(buffer);
    };
    HWND hVersion = ::GetDlgItem(hDlg, IDC_VERSION_LABEL);
    HWND hPanel = ::GetDlgItem(hDlg, IDC_CREDITS_PANEL);
    HWND hOk = ::GetDlgItem(hDlg, IDOK);

    RetitleDialog(hDlg, IDD_ABOUTBOX); // built-in texts: nothing to do
    EXPECT_EQ(text(hDlg), "About VARO");
    EXPECT_EQ(text(hVersion), "Version number will be inserted here");

    WritePack("Deutsch", 1031, "FontName=Arial\nFontSize=9\n[100]\n0=Info\n1003=Version hier\n1001=\n");
    BuildLanguageMenu(LanguagePopup());
    Switch(ItemId("Deutsch"));
    RetitleDialog(hDlg, IDD_ABOUTBOX);
    EXPECT_EQ(text(hDlg), "Info");
    EXPECT_EQ(text(hVersion), "Version hier");
    EXPECT_EQ(text(hPanel), "Scrolling Credits") << "an empty value leaves the text";
    EXPECT_EQ(text(hOk), "OK");
    ASSERT_TRUE(g_hLangFont);
    // (The dialog window itself is sent the font too, but a dialog keeps its template font.)
    for (HWND hWnd : {hVersion, hPanel, hOk})
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(hWnd, WM_GETFONT, 0, 0)), g_hLangFont.Get())
            << ::GetDlgCtrlID(hWnd);
    ::DestroyWindow(hDlg);
}

TEST_F(LanguageTest, PathsTooLongForTheirBuffersFailOnlyTheirOwnStep) {
    // A pack whose full path would not fit is not listed; the one beside it is.
    std::string longName(MAX_PATH - m_packs.size() - 4, 'n'); // one character too many
    ASSERT_LT(longName.size(), 250u);
    std::wstring longPath = L"\\\\?\\" + AnsiToWide(m_packs + longName + ".lng");
    {
        UniqueHandle file(::CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        const char body[] = "[Language]\r\nLanguage=1031\r\n";
        DWORD written = 0;
        ::WriteFile(file.Get(), body, sizeof body - 1, &written, nullptr);
    }
    WritePack("Short", 1031);
    ASSERT_EQ(SystemOrder().size(), 2u);
    BuildLanguageMenu(LanguagePopup());
    EXPECT_EQ(::GetMenuItemCount(LanguagePopup()), 3);
    EXPECT_NE(ItemId("Short"), 0u);

    // An item whose text cannot name a pack file leaves the built-in texts active.
    ::AppendMenuA(LanguagePopup(), MF_STRING, ++g_nLangLastId, longName.c_str());
    Switch(g_nLangLastId);
    EXPECT_STREQ(g_szLangFile, "");
    EXPECT_EQ(g_nLangSelId, static_cast<UINT>(ID_LANGUAGE_DEFAULT));
    EXPECT_TRUE(Checked(ID_LANGUAGE_DEFAULT));
    EXPECT_EQ(Setting(), "0");
    EXPECT_STREQ(GetLanguageDescription(m_hMenu, g_nLangLastId), "");

    // A program folder so long that no pack path fits, and a program path that does not fit at all.
    std::string deepFolder = "C:\\" + std::string(248, 'd') + "\\";
    for (const std::string& program : {deepFolder + "v.exe", std::string(300, 'x')}) {
        UseProgramPath(program);
        HMENU hMenu = ::LoadMenuA(g_hResInstance, MAKEINTRESOURCEA(IDR_MAINFRAME));
        HMENU hPopup = ::GetSubMenu(::GetSubMenu(hMenu, 1), 4);
        PickStartupLanguage();
        EXPECT_EQ(BuildLanguageMenu(hPopup), static_cast<UINT>(ID_LANGUAGE_DEFAULT));
        EXPECT_EQ(::GetMenuItemCount(hPopup), 1);
        ApplyLanguage(hMenu, ID_LANGUAGE_DEFAULT);
        RetitleMenu(hMenu, IDR_MAINFRAME);
        EXPECT_STREQ(g_szLangFile, "");
        ::DestroyMenu(hMenu);
    }
}

TEST_F(LanguageTest, WithoutAProgramPathTheModuleFileNameIsUsed) {
    SetLanguageProgramPath(nullptr);
    char module[MAX_PATH] = "";
    ASSERT_LT(::GetModuleFileNameA(nullptr, module, MAX_PATH), static_cast<DWORD>(MAX_PATH));
    std::string setting(module);
    ASSERT_EQ(setting.substr(setting.size() - 4), ".exe");
    setting.replace(setting.size() - 4, 4, ".ini");
    ::DeleteFileA(setting.c_str());

    ApplyLanguage(m_hMenu, ID_LANGUAGE_DEFAULT);
    char value[16] = "";
    ::GetPrivateProfileStringA("Main", "Language", kAbsent, value, sizeof value, setting.c_str());
    EXPECT_STREQ(value, "0") << setting;
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
    ::DeleteFileA(setting.c_str());
}
