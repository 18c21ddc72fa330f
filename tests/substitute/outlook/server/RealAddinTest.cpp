// The shipped add-in VaroAddin.dll in the stand-in, registered with regsvr32 as an installer does:
// its tool bar and menu item as Outlook would show them, what survives a restart and a
// reconnection, the fault switches, and clicks on the drawn controls that start the real viewer,
// which then captures the selected mail; played as Outlook 2016, its ribbon button, its context
// menu item and its legacy controls on the Add-ins tab.
#include "StandInHost.h"
#include "WindowShot.h"

#include "CommandBarStore.h"
#include "Dispatch.h"
#include "OfficeInterfaces.h"
#include "RunProcess.h"
#include "StringConv.h"
#include "WindowMessages.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>

namespace {
const std::string kBinary = VARO_TEST_BINARY_DIR;
const std::string kSource = VARO_TEST_SOURCE_DIR;
constexpr wchar_t kBarName[] = L"DrovaAddin";
constexpr wchar_t kButtonTag[] = L"Varoscope";
constexpr wchar_t kMenuTag[] = L"Menu Varoscope";
constexpr char kReportPage[] = "VaroReport.htm";
constexpr wchar_t kShowPictures[] = L"Show pictures"; // the ribbon button's and the menu item's label
constexpr wchar_t kRibbonButtonId[] = L"VaroscopeShowPictures"; // the Home-tab button in the custom UI
constexpr DWORD kRegistrationWaitMs = 30000;

int Regsvr32(const std::string& flags) {
    return RunAndWait("regsvr32.exe " + flags + " \"" + kBinary + "\\bin\\VaroAddin.dll\"",
                      kRegistrationWaitMs);
}

bool CopyInto(const std::string& from, const std::string& folder, const char* name) {
    return ::CopyFileA(from.c_str(), (folder + name).c_str(), FALSE) != FALSE;
}

// Sets an environment variable for the stand-in this test starts, and puts the old value back.
// (Wine resets ProgramFiles in every new process: that one goes through --program-files.)
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
        wchar_t old[MAX_PATH * 2] = {};
        m_had = ::GetEnvironmentVariableW(name, old, MAX_PATH * 2) > 0;
        m_old = old;
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(m_name, m_had ? m_old.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* m_name;
    std::wstring m_old;
    bool m_had = false;
};

class RealAddinTest : public StandInHostTest {
protected:
    RealAddinTest() : StandInHostTest(L"realaddin") {}
    void SetUp() override {
        StandInHostTest::SetUp();
        ASSERT_EQ(Regsvr32("/s"), 0);
    }
    void TearDown() override {
        Stop();
        Regsvr32("/u /s");
        StandInHostTest::TearDown();
    }
    static std::wstring Text(IDispatch* object, const wchar_t* name) {
        return Dispatch::ToWString(Dispatch::GetProperty(object, name));
    }
    static bool Flag(IDispatch* object, const wchar_t* name) {
        return Dispatch::GetProperty(object, name).Get().boolVal != VARIANT_FALSE;
    }
    long BarsNamed(const wchar_t* name) {
        long count = Dispatch::ToLong(Dispatch::GetProperty(m_bars.Get(), L"Count")), named = 0;
        for (long i = 1; i <= count; ++i) {
            ComPtr<IDispatch> bar =
                Dispatch::ToDispatch(Dispatch::CallMethod(m_bars.Get(), L"Item", {CVariant::FromLong(i)}));
            named += Text(bar.Get(), L"Name") == name ? 1 : 0;
        }
        return named;
    }

    // The real viewer (with its support files), or a marker program that counts its starts, as
    // Varoscope\varo.exe under the test's program files folder.
    void Install(bool realViewer) {
        const std::string install = WideToAnsi(m_programFiles.Path()) + "Varoscope\\";
        ASSERT_TRUE(::CreateDirectoryA(install.c_str(), nullptr));
        ASSERT_TRUE(CopyInto(kBinary + (realViewer ? "\\bin\\varo.exe" : "\\bin\\addin_launch_marker.exe"),
                             install, "varo.exe"));
        for (const char* name : {"VaroReport.xsl", "VaroReport.css", "VaroDoc.bmp"})
            ASSERT_TRUE(!realViewer || CopyInto(kSource + "\\data\\" + name, install, name));
    }
    // The stand-in as Outlook 2016 on the sample mailbox with these mails selected (1-based).
    void StartAs2016(const std::wstring& selection) {
        ScopedVariable tempVar(L"TEMP", m_viewerTemp.Path()), tmpVar(L"TMP", m_viewerTemp.Path());
        Start(L"--outlook-version 16 --program-files \"" +
              m_programFiles.Path().substr(0, m_programFiles.Path().size() - 1) + L"\" --mailbox \"" +
              AnsiToWide(kSource) + L"\\data\\sample-mailbox\" --select " + selection);
    }
    std::wstring Page() const { return m_viewerTemp.Path() + AnsiToWide(kReportPage); }
    // Waits for a capture of the mail with this subject (its report and page), and removes both.
    bool Captured(const std::string& subject) {
        const std::wstring page = Page(), report = m_viewerTemp.Path() + L"VaroReport.xml";
        bool seen = WaitFor(
            [&] { return FileExists(page) && ReadFileBytes(report).find(subject) != std::string::npos; });
        if (!seen)
            ADD_FAILURE() << "report: " << ReadFileBytes(report);
        return WaitFor([&] { return ::DeleteFileW(page.c_str()) && ::DeleteFileW(report.c_str()); }) && seen;
    }
    size_t Launches() const {
        std::string lines = ReadFileBytes(m_programFiles.Path() + L"Varoscope\\launches.txt");
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), '\n'));
    }
    static void Shot(const char* name) {
        HWND explorer = ::FindWindowW(kExplorerWindowClass, nullptr);
        ::RedrawWindow(explorer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ::CreateDirectoryA((kBinary + "\\screenshots").c_str(), nullptr);
        EXPECT_TRUE(SaveWindowShot(explorer, kBinary + "\\screenshots\\" + name));
    }

    // A program files folder and a temporary folder for the viewer that a click starts. Members,
    // so that they are removed after the tear-down has ended the stand-in and, with it, the
    // viewer that still uses them.
    TempFolder m_programFiles{L"pf"};
    TempFolder m_viewerTemp{L"viewertemp"};
};

TEST_F(RealAddinTest, FirstStartPutsTheToolbarButtonAndTheToolsItemInPlaceAndLeavesThePictureOnTheClipboard) {
    Start(SampleMailbox());
    EXPECT_EQ(Console().find("not connected"), std::string::npos) << Console();
    ComPtr<IDispatch> bar = Bar(kBarName);
    ASSERT_TRUE(bar) << Console();
    EXPECT_EQ(Dispatch::ToLong(Dispatch::GetProperty(bar.Get(), L"Position")), office::msoBarTop);
    EXPECT_TRUE(Flag(bar.Get(), L"Visible"));
    ASSERT_EQ(Count(bar.Get()), 1);
    ComPtr<IDispatch> control = Item(bar.Get(), 1), button;
    ASSERT_EQ(control.As(office::IID_CommandBarButton, button), S_OK);
    EXPECT_EQ(Text(button.Get(), L"Caption"), L"VScope");
    EXPECT_EQ(Text(button.Get(), L"TooltipText"), L"Launch Varoscope");
    EXPECT_EQ(Text(button.Get(), L"Tag"), kButtonTag);
    EXPECT_EQ(Dispatch::ToLong(Dispatch::GetProperty(button.Get(), L"FaceId")), 1758);
    EXPECT_EQ(Dispatch::ToLong(Dispatch::GetProperty(button.Get(), L"Style")),
              office::msoButtonIconAndCaption);
    EXPECT_TRUE(Flag(button.Get(), L"Visible") && Flag(button.Get(), L"Enabled"));

    ComPtr<IDispatch> tools = ToolsMenu();
    EXPECT_EQ(
        Text(Item(Dispatch::ToDispatch(Dispatch::GetProperty(m_bars.Get(), L"ActiveMenuBar")).Get(), 5).Get(),
             L"Caption"),
        L"Tools");
    ComPtr<IDispatch> last = Item(tools.Get(), Count(tools.Get()));
    EXPECT_EQ(Text(last.Get(), L"Caption"), L"VScope");
    EXPECT_EQ(Text(last.Get(), L"Tag"), kMenuTag);
    EXPECT_EQ(Dispatch::ToLong(Dispatch::GetProperty(last.Get(), L"Style")), office::msoButtonIconAndCaption);

    ASSERT_TRUE(::OpenClipboard(nullptr));
    HBITMAP picture = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    EXPECT_TRUE(picture && ::GetObjectW(picture, sizeof info, &info));
    ::CloseClipboard();
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, 32);

    // The screenshot of what a user sees: the add-in's tool bar and the open Tools menu.
    ASSERT_TRUE(ClickDrawn(L"Tools"));
    HWND explorer = ::FindWindowW(kExplorerWindowClass, nullptr);
    ::RedrawWindow(explorer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::CreateDirectoryA((kBinary + "\\screenshots").c_str(), nullptr);
    EXPECT_TRUE(SaveWindowShot(explorer, kBinary + "\\screenshots\\outlook-addin.bmp"));
}

TEST_F(RealAddinTest, RestartFindsTheToolbarAddsTheButtonAgainAndShowsTheHiddenToolbar) {
    Start();
    ComPtr<IDispatch> bar = Bar(kBarName);
    ASSERT_TRUE(bar);
    Dispatch::PutProperty(bar.Get(), L"Visible", CVariant::FromBool(false)); // the user hides it
    bar.Reset();
    Stop();

    Start();
    EXPECT_EQ(BarsNamed(kBarName), 1);
    bar = Bar(kBarName);
    ASSERT_TRUE(bar);
    EXPECT_TRUE(Flag(bar.Get(), L"Visible"));
    EXPECT_EQ(Count(bar.Get()), 1);
    EXPECT_TRUE(Find(kMenuTag));
}

TEST_F(RealAddinTest, DisconnectedAndConnectedAgainInOneRunTheAddinReusesBothControls) {
    Start();
    const long toolsItems = Count(ToolsMenu().Get());
    EXPECT_EQ(StandInProcess::RunToEnd(L"--reconnect-addins"), 0u);
    EXPECT_EQ(Count(Bar(kBarName).Get()), 1);
    EXPECT_EQ(Count(ToolsMenu().Get()), toolsItems);
    EXPECT_EQ(Console().find("not connected"), std::string::npos) << Console();
}

TEST_F(RealAddinTest, EachFaultSwitchEndsTheConnectionAtItsStepAndTheHostRunsOn) {
    Start(L"--fail-commandbars");
    EXPECT_NE(Console().find("add-in VaroAddin.Addin was not connected: OnConnection returned 0x8004C001"),
              std::string::npos)
        << Console();
    Stop();

    Start(L"--fail-activemenubar");
    EXPECT_NE(Console().find("add-in VaroAddin.Addin was not connected: OnConnection returned 0x8004C002"),
              std::string::npos)
        << Console();
    ASSERT_TRUE(Bar(kBarName));
    EXPECT_TRUE(Find(kButtonTag)); // made before the menu bar was asked for
    EXPECT_FALSE(Find(kMenuTag));
}

TEST_F(RealAddinTest, ClicksOnTheDrawnButtonAndMenuItemStartTheViewerWhichCapturesTheSelectedMail) {
    const TempFolder& programFiles = m_programFiles;
    const TempFolder& temp = m_viewerTemp;
    const std::string install = WideToAnsi(programFiles.Path()) + "Varoscope\\";
    ASSERT_TRUE(::CreateDirectoryA(install.c_str(), nullptr));
    ASSERT_TRUE(CopyInto(kBinary + "\\bin\\varo.exe", install, "varo.exe"));
    for (const char* name : {"VaroReport.xsl", "VaroReport.css", "VaroDoc.bmp"})
        ASSERT_TRUE(CopyInto(kSource + "\\data\\" + name, install, name));
    const std::wstring page = temp.Path() + AnsiToWide(kReportPage);
    {
        ScopedVariable tempVar(L"TEMP", temp.Path()), tmpVar(L"TMP", temp.Path());
        Start(L"--program-files \"" + programFiles.Path().substr(0, programFiles.Path().size() - 1) + L"\" " +
              SampleMailbox());
    }
    const std::wstring picture = temp.Path() + L"lake.jpg"; // an attachment of the selected mail
    ASSERT_TRUE(ClickDrawn(kButtonTag));
    ASSERT_TRUE(WaitFor([&] { return FileExists(page) && FileExists(picture); }))
        << "no capture after the button click";

    ASSERT_TRUE(WaitFor([&] { return ::DeleteFileW(page.c_str()) != FALSE; }));
    ASSERT_TRUE(ClickDrawn(L"Tools"));
    ASSERT_TRUE(ClickDrawn(kMenuTag));
    ASSERT_TRUE(WaitFor([&] { return FileExists(page); })) << "no report page after the menu click";

    // Disconnected, the add-in's menu item still starts the viewer; connected again, too.
    EXPECT_EQ(StandInProcess::RunToEnd(L"--disconnect-addins"), 0u);
    ASSERT_TRUE(WaitFor([&] { return ::DeleteFileW(page.c_str()) != FALSE; }));
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-control \"") + kMenuTag + L"\""), 0u);
    EXPECT_TRUE(WaitFor([&] { return FileExists(page); })) << "no report page after the disconnection";
    ASSERT_TRUE(WaitFor([&] { return ::DeleteFileW(page.c_str()) != FALSE; }));
    EXPECT_EQ(StandInProcess::RunToEnd(L"--reconnect-addins"), 0u);
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-control \"") + kMenuTag + L"\""), 0u);
    EXPECT_TRUE(WaitFor([&] { return FileExists(page); })) << "no report page after reconnection";
}

TEST_F(RealAddinTest, WithProgramFilesPointingElsewhereAClickStartsNothing) {
    const TempFolder& programFiles = m_programFiles; // no Varoscope folder in it
    const TempFolder& temp = m_viewerTemp;
    {
        ScopedVariable tempVar(L"TEMP", temp.Path()), tmpVar(L"TMP", temp.Path());
        Start(L"--program-files \"" + programFiles.Path().substr(0, programFiles.Path().size() - 1) + L"\" " +
              SampleMailbox());
    }
    // --click-control returns once the click, and so the add-in's attempt to start the viewer, is over.
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-control ") + kButtonTag), 0u);
    EXPECT_FALSE(FileExists(temp.Path() + AnsiToWide(kReportPage)));
    EXPECT_FALSE(::FindWindowW(nullptr, L"VARO"));
    EXPECT_EQ(m_standIn.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(RealAddinTest,
       AsOutlook2016TheHomeTabShowsTheGroupWithItsPictureAndItsButtonStartsTheViewerOnTheMail) {
    Install(true);
    StartAs2016(L"1");
    EXPECT_EQ(Console().find("custom UI for"), std::string::npos) << Console(); // read without a fault
    EXPECT_EQ(Console().find("callback"), std::string::npos) << Console();
    ASSERT_TRUE(WaitFor([] { return DrawnImage(kShowPictures).cx != 0; })) << Console();
    EXPECT_EQ(DrawnImage(kShowPictures).cx, 32); // the add-in's own large picture
    EXPECT_EQ(DrawnImage(kShowPictures).cy, 32);
    Shot("outlook-ribbon.bmp");

    ASSERT_TRUE(ClickDrawn(kShowPictures));
    EXPECT_TRUE(Captured("Holiday pictures")) << "no capture after the ribbon click";
    EXPECT_TRUE(FileExists(m_viewerTemp.Path() + L"lake.jpg"));
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-ribbon ") + kRibbonButtonId), 0u);
    EXPECT_TRUE(Captured("Holiday pictures")) << "no capture after --click-ribbon";
}

TEST_F(RealAddinTest, AsOutlook2016TheContextMenuOfOneMailAndOfTwoShowsShowPicturesWhichStartsTheViewer) {
    Install(true);
    StartAs2016(L"1");
    ASSERT_EQ(StandInProcess::RunToEnd(L"--context-menu"), 0u);
    EXPECT_NE(DrawnImage(kShowPictures).cx, 0); // the open menu's item, with the add-in's picture
    Shot("outlook-context-menu.bmp");
    ASSERT_TRUE(ClickDrawn(kShowPictures));
    EXPECT_TRUE(Captured("Holiday pictures")) << "no capture after the menu item of one mail";
    Stop();

    StartAs2016(L"1,2"); // the viewer takes the last of the selected mails
    ASSERT_EQ(StandInProcess::RunToEnd(L"--context-menu"), 0u);
    ASSERT_TRUE(ClickDrawn(kShowPictures));
    EXPECT_TRUE(Captured("Fwd: Pictures from the hills")) << "no capture after the menu item of two mails";
}

TEST_F(RealAddinTest,
       AsOutlook2016EveryFaceStartsTheViewerOncePerClickAndTheAddinsTabHoldsTheLegacyControls) {
    Install(false);
    StartAs2016(L"1");
    size_t expected = 0;
    auto startedOnce = [&] {
        ++expected;
        return WaitFor([&] { return Launches() >= expected; }) && Launches() == expected;
    };
    ASSERT_TRUE(ClickDrawn(kShowPictures));
    EXPECT_TRUE(startedOnce()) << "ribbon button";
    ASSERT_EQ(StandInProcess::RunToEnd(L"--context-menu"), 0u);
    ASSERT_TRUE(ClickDrawn(kShowPictures));
    EXPECT_TRUE(startedOnce()) << "context menu item";
    EXPECT_FALSE(ClickDrawn(kButtonTag)); // the legacy controls are on the Add-ins tab only
    ASSERT_TRUE(ClickDrawn(L"Add-ins"));
    ASSERT_TRUE(ClickDrawn(kButtonTag));
    EXPECT_TRUE(startedOnce()) << "tool bar button under Custom Toolbars";
    ASSERT_TRUE(ClickDrawn(kMenuTag));
    EXPECT_TRUE(startedOnce()) << "menu item under Menu Commands";
    // The stand-in answers a request only after the clicks before it: none started a second viewer.
    EXPECT_EQ(StandInProcess::RunToEnd(L"--click-ribbon NoSuchControl"), 1u);
    EXPECT_FALSE(WaitFor([&] { return Launches() > expected; }, 2000));
}
} // namespace
