// The program in a process of its own: settings, support files, first capture, caption.
#include "VaroDriver.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {
// The per-user settings file; the tests put one there and take it away again.
std::string AppDataSettings() {
    char folder[MAX_PATH] = "";
    ::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, folder);
    return std::string(folder) + "\\Drovasoft\\VARO\\varo.ini";
}

class AppDataIni {
public:
    explicit AppDataIni(const std::string& text) {
        fs::create_directories(fs::path(AppDataSettings()).parent_path());
        VaroDriver::WriteFile(AppDataSettings(), text);
    }
    ~AppDataIni() { ::DeleteFileA(AppDataSettings().c_str()); }
};

// The encoding that a start of the program read from its settings.
std::string StartAndReadEncoding(VaroDriver& varo) {
    if (!varo.Start() || !varo.WaitForEvents("settings", 1))
        return "<no start>";
    std::string encoding = varo.Events("settings").front();
    varo.Close();
    return encoding;
}
} // namespace

TEST(Startup, SettingsFromCurrentDirectoryAreTrimmedAndChecked) {
    ::DeleteFileA(AppDataSettings().c_str());
    struct Case {
        const char* ini;
        const char* expected;
    } cases[] = {
        {nullptr, "UTF-8"},
        {"[Program Setup]\r\nXMLEncoding=  BIG5  \r\n", "BIG5"},
        {"[Program Setup]\r\nXMLEncoding=\r\n", "UTF-8"},
        {"[Program Setup]\r\nXMLEncoding=windows-1252\r\n", "windows-1252"},
        {"[program setup]\r\nXMLEncoding=BIG5\r\n", "UTF-8"},
        // Would close the declaration and inject markup into every report.
        {"[Program Setup]\r\nXMLEncoding=UTF-8\"?><!DOCTYPE r [<!ENTITY x 'y'>]><?x \r\n", "UTF-8"},
    };
    int n = 0;
    for (const Case& c : cases) {
        VaroDriver varo("settings" + std::to_string(n++));
        if (c.ini)
            VaroDriver::WriteFile(varo.cwd + "\\varo.ini", c.ini);
        EXPECT_EQ(StartAndReadEncoding(varo), c.expected) << (c.ini ? c.ini : "(no file)");
    }
}

TEST(Startup, SettingsFolderHidesCurrentDirectoryCompletely) {
    {
        AppDataIni appData("[Program Setup]\r\nXMLEncoding=ISO-8859-1\r\n");
        VaroDriver varo("settings-appdata");
        VaroDriver::WriteFile(varo.cwd + "\\varo.ini", "[Program Setup]\r\nXMLEncoding=BIG5\r\n");
        EXPECT_EQ(StartAndReadEncoding(varo), "ISO-8859-1");
    }
    {
        AppDataIni appData("[Other]\r\nx=1\r\n"); // no key there: still never merged
        VaroDriver varo("settings-appdata-nokey");
        VaroDriver::WriteFile(varo.cwd + "\\varo.ini", "[Program Setup]\r\nXMLEncoding=BIG5\r\n");
        EXPECT_EQ(StartAndReadEncoding(varo), "UTF-8");
    }
}

TEST(Startup, SupportFilesAreCopiedAndOverwrittenEachStart) {
    VaroDriver varo("support");
    varo.InstallSupportFiles();
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    std::string shipped, copied;
    for (const char* name : {"VaroReport.xsl", "VaroDoc.bmp", "VaroReport.css"}) {
        ASSERT_TRUE(VaroDriver::ReadFile(varo.install + "\\" + name, shipped));
        ASSERT_TRUE(VaroDriver::ReadFile(varo.temp + "\\" + name, copied)) << name;
        EXPECT_EQ(copied, shipped) << name;
    }
    ASSERT_TRUE(varo.Close());

    // A second start over a changed install folder overwrites; a missing file keeps the old copy.
    VaroDriver::WriteFile(varo.install + "\\VaroReport.xsl", "changed");
    ::DeleteFileA((varo.install + "\\VaroReport.css").c_str());
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 2));
    ASSERT_TRUE(VaroDriver::ReadFile(varo.temp + "\\VaroReport.xsl", copied));
    EXPECT_EQ(copied, "changed");
    EXPECT_TRUE(VaroDriver::Exists(varo.temp + "\\VaroReport.css"));
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(varo.temp)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3u); // one copy of each, nothing else
    EXPECT_TRUE(varo.Close());
}

TEST(Startup, OverlongProgramFilesCopiesNothingAndTheProgramStillRuns) {
    VaroDriver varo("longpf");
    varo.InstallSupportFiles();
    varo.environment.push_back({"ProgramFiles", "C:\\" + std::string(250, 'p')});
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\VaroReport.xsl"));
    EXPECT_EQ(varo.Caption(), "Varoscope");
    EXPECT_TRUE(varo.Close());
}

TEST(Startup, OverlongTemporaryFolderIsNoWorkingFolderAndExitStillSucceeds) {
    VaroDriver varo("longtmp");
    varo.InstallSupportFiles();
    const std::string longTemp = "C:\\" + std::string(255, 't') + "\\";
    varo.environment.push_back({"TMP", longTemp});
    varo.environment.push_back({"TEMP", longTemp});
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    EXPECT_EQ(varo.Caption(), "Varoscope");
    EXPECT_TRUE(varo.Close());
    EXPECT_EQ(varo.process.hProcess ? ::WaitForSingleObject(varo.process.hProcess, 0) : WAIT_FAILED,
              WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(varo.process.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

TEST(Startup, FirstCaptureRunsAfterTheWindowIsShownAndTheCaptionStays) {
    VaroDriver varo("first");
    ASSERT_TRUE(varo.Start());
    EXPECT_EQ(varo.Caption(), "Varoscope");
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    EXPECT_EQ(varo.Events("refresh").front(), "shown");
    varo.Settle();
    // Without Outlook the capture says so, and nothing else changes.
    ASSERT_FALSE(varo.messages.empty());
    EXPECT_EQ(varo.messages.front(), "Please Launch the Outlook First!");
    EXPECT_EQ(varo.Caption(), "Varoscope");
    EXPECT_EQ(varo.StatusText(), "Ready");
    EXPECT_EQ(varo.CountEvents("navigate"), 0u);
    const LONG style = ::GetWindowLongA(varo.frame, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(varo.Close());
}
