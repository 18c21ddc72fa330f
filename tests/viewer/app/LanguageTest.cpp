// Language packs in the running program: listing, switching, restoring, remembering.
#include "VaroDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
const std::string kScreenshots = std::string(VARO_TEST_BINARY_DIR) + "\\screenshots";

std::string LanguageSetting(const VaroDriver& varo) {
    char value[32] = "";
    ::GetPrivateProfileStringA("Main", "Language", "<none>", value, sizeof value,
                               (varo.prog + "\\varo.ini").c_str());
    return value;
}

// "path id state text" lines without the state, which holds check marks and greying.
std::vector<std::string> TextsOf(const std::vector<std::string>& lines) {
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
        const size_t first = line.find(' '), second = line.find(' ', first + 1),
                     third = line.find(' ', second + 1);
        texts.push_back(line.substr(0, second) + " " +
                        (third == std::string::npos ? "" : line.substr(third + 1)));
    }
    return texts;
}

// Command id of the Language item showing text, or 0.
UINT LanguageItem(VaroDriver& varo, const std::string& text) {
    for (int i = 0; i < 50; ++i) {
        const std::string path = "1/4/" + std::to_string(i);
        if (varo.MenuText(path) == text) {
            for (const std::string& line : varo.MenuLines())
                if (line.rfind(path + " ", 0) == 0)
                    return static_cast<UINT>(std::stoul(line.substr(path.size() + 1)));
        }
    }
    return 0;
}
} // namespace

TEST(Language, WithoutPacksOnlyDefaultIsListedAndChecked) {
    VaroDriver varo("nopacks");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    std::vector<std::string> popup;
    for (const std::string& line : varo.MenuLines())
        if (line.rfind("1/4/", 0) == 0)
            popup.push_back(line);
    ASSERT_EQ(popup.size(), 1u);
    EXPECT_EQ(popup[0].substr(0, 10), "1/4/0 5050");
    EXPECT_TRUE(varo.MenuState("1/4/0") & MF_CHECKED);
    EXPECT_EQ(LanguageSetting(varo), "0");
    EXPECT_TRUE(varo.Close());
}

TEST(Language, ShippedPacksRetitleAndDefaultRestoresEveryText) {
    VaroDriver varo("packs");
    varo.InstallLanguagePacks();
    VaroDriver::WriteFile(varo.prog + "\\varo.ini", "[Main]\r\nLanguage=0\r\n");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    const std::vector<std::string> builtIn = TextsOf(varo.MenuLines());
    ::CreateDirectoryA(kScreenshots.c_str(), nullptr);
    SaveWindowShot(varo.frame, kScreenshots + "\\varo-default.bmp");

    const UINT german = LanguageItem(varo, "Deutsch");
    ASSERT_GE(german, static_cast<UINT>(ID_LANGUAGE_FIRST_PACK));
    ASSERT_NE(LanguageItem(varo, "Francais"), 0u);
    varo.Command(german);
    varo.Settle();
    EXPECT_EQ(varo.MenuText("0"), "&Datei");
    EXPECT_EQ(varo.MenuText("1/2"), "&Kodierung");
    EXPECT_EQ(varo.MenuText("1/4"), "&Sprache");
    EXPECT_EQ(varo.MenuText("1/4/0"), "&Standard");
    EXPECT_EQ(varo.MenuText("1/1"), "Zur\xFC"
                                    "ck [R\xDC"
                                    "CKTASTE]");
    EXPECT_EQ(varo.MenuText("1/4/2"), "Deutsch"); // pack items keep their file names
    EXPECT_EQ(varo.StatusText(), "Deutsche Benutzeroberfl\xE4"
                                 "che verwenden.");
    EXPECT_EQ(LanguageSetting(varo), "1031");
    ::SendMessageA(varo.frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(varo.StatusText(), "Bereit");
    ::SendMessageA(varo.frame, WM_MENUSELECT, MAKEWPARAM(ID_VIEW_REFRESH, 0), 0);
    EXPECT_EQ(varo.StatusText(), "Outlook-Bilder anzeigen und aktualisieren");
    ::SendMessageA(varo.frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    ::RedrawWindow(varo.frame, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    varo.Settle();
    SaveWindowShot(varo.frame, kScreenshots + "\\varo-german.bmp");

    varo.Command(ID_LANGUAGE_DEFAULT);
    varo.Settle();
    EXPECT_EQ(TextsOf(varo.MenuLines()), builtIn);
    EXPECT_TRUE(varo.MenuState("1/4/0") & MF_CHECKED);
    EXPECT_FALSE(varo.MenuState("1/4/2") & MF_CHECKED);
    EXPECT_EQ(LanguageSetting(varo), "0");
    EXPECT_EQ(varo.StatusText(), "Switch to built-in language interface.");

    // Picking the checked item again does nothing: the setting file is not written.
    ASSERT_TRUE(::DeleteFileA((varo.prog + "\\varo.ini").c_str()));
    varo.Command(ID_LANGUAGE_DEFAULT);
    varo.Settle();
    EXPECT_FALSE(VaroDriver::Exists(varo.prog + "\\varo.ini"));
    EXPECT_TRUE(varo.Close());
}

TEST(Language, FirstStartPicksThePackOfTheUserDefaultLanguage) {
    VaroDriver varo("firststart");
    ::CreateDirectoryA((varo.prog + "\\LANG").c_str(), nullptr);
    const std::string number = std::to_string(::GetUserDefaultLangID());
    VaroDriver::WriteFile(varo.prog + "\\LANG\\Homeland.lng",
                          "[Language]\r\nLanguage=" + number + "\r\n[128]\r\n|0=&Akte\r\n");
    VaroDriver::WriteFile(varo.prog + "\\LANG\\Elsewhere.lng",
                          "[Language]\r\nLanguage=1\r\n[128]\r\n|0=&Wrong\r\n");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    EXPECT_EQ(varo.MenuText("0"), "&Akte");
    EXPECT_EQ(LanguageSetting(varo), number);
    const UINT homeland = LanguageItem(varo, "Homeland");
    ASSERT_NE(homeland, 0u);
    EXPECT_EQ(varo.MenuText("1/0"), "Refresh Outlook Images [F5]"); // the pack leaves it alone
    EXPECT_TRUE(varo.Close());

    // The next start follows the setting, not the default language.
    VaroDriver::WriteFile(varo.prog + "\\varo.ini", "[Main]\r\nLanguage=0\r\n");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 2));
    varo.Settle();
    EXPECT_EQ(varo.MenuText("0"), "&File");
    EXPECT_TRUE(varo.Close());
}

TEST(Language, PromptsOfABarePackAreCutAndFallBackToTheIdleText) {
    VaroDriver varo("barepack");
    ::CreateDirectoryA((varo.prog + "\\LANG").c_str(), nullptr);
    // No Description and no String 5051: the pack item's prompt is the idle text. A prompt longer
    // than the status bar takes is cut, not passed on whole.
    VaroDriver::WriteFile(varo.prog + "\\LANG\\Bare.lng",
                          "[Language]\r\nLanguage=1033\r\n\r\n[String]\r\n32773=" + std::string(300, 'p') +
                              "\r\n");
    VaroDriver::WriteFile(varo.prog + "\\varo.ini", "[Main]\r\nLanguage=0\r\n");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    const UINT bare = LanguageItem(varo, "Bare");
    ASSERT_GE(bare, static_cast<UINT>(ID_LANGUAGE_FIRST_PACK));
    varo.Command(bare);
    varo.Settle();
    EXPECT_EQ(varo.StatusText(), "Ready");
    ::SendMessageA(varo.frame, WM_MENUSELECT, MAKEWPARAM(ID_VIEW_REFRESH, 0), 0);
    EXPECT_EQ(varo.StatusText(), std::string(254, 'p'));
    // What the pack leaves out comes from the built-in table.
    ::SendMessageA(varo.frame, WM_MENUSELECT, MAKEWPARAM(ID_APP_EXIT, 0), 0);
    EXPECT_EQ(varo.StatusText(), "Quit the application; prompts to save documents");
    EXPECT_TRUE(varo.Close());
}
