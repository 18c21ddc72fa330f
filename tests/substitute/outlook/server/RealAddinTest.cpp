// The shipped add-in VaroAddin.dll in the stand-in, registered with regsvr32 as an installer does:
// its tool bar and menu item as Outlook would show them, what survives a restart and a
// reconnection, the fault switches, and clicks on the drawn controls that start the real viewer,
// which then captures the selected mail.
#include "StandInProcess.h"
#include "WindowShot.h"

#include "OutlookSubstitute_h.h"

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
constexpr DWORD kWaitMs = 30000;
const std::string kBinary = VARO_TEST_BINARY_DIR;
const std::string kSource = VARO_TEST_SOURCE_DIR;
constexpr wchar_t kBarName[] = L"DrovaAddin";
constexpr wchar_t kButtonTag[] = L"Varoscope";
constexpr wchar_t kMenuTag[] = L"Menu Varoscope";
constexpr char kReportPage[] = "VaroReport.htm";

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    return true;
}

int Regsvr32(const std::string& flags) {
    return RunAndWait("regsvr32.exe " + flags + " \"" + kBinary + "\\bin\\VaroAddin.dll\"", kWaitMs);
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

class RealAddinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        Clean();
        ASSERT_EQ(Regsvr32("/s"), 0);
        m_output = m_folder.Path() + L"console.txt";
    }
    void TearDown() override {
        Stop();
        Regsvr32("/u /s");
        Clean();
        ::CoUninitialize();
    }
    static void Clean() {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, office::kOutlookAddinsKey);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, CommandBarStore::KeyPath());
    }
    void Start(const std::wstring& arguments = L"") {
        ASSERT_TRUE(m_standIn.Start(arguments, m_output)) << "exit code " << m_standIn.ExitCode();
        ASSERT_EQ(m_standIn.Attach(m_app, IID__Application), S_OK);
        ComPtr<_Explorer> explorer;
        ASSERT_EQ(m_app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK);
        ASSERT_TRUE(explorer);
        m_bars = Dispatch::ToDispatch(Dispatch::GetProperty(explorer.Get(), L"CommandBars"));
    }
    void Stop() {
        m_bars.Reset();
        m_app.Reset();
        m_standIn.Stop();
    }
    std::string Console() const { return ReadFileBytes(m_output); }
    ComPtr<IDispatch> Bar(const wchar_t* name) {
        return Dispatch::ToDispatch(
            Dispatch::CallMethod(m_bars.Get(), L"Item", {CVariant::FromString(name)}));
    }
    ComPtr<IDispatch> Find(const wchar_t* tag) {
        return Dispatch::ToDispatch(Dispatch::CallMethod(
            m_bars.Get(), L"FindControl",
            {CVariant::FromLong(1), CVariant::Omitted(), CVariant::FromString(tag), CVariant::Omitted()}));
    }
    static ComPtr<IDispatch> Controls(IDispatch* owner) {
        return Dispatch::ToDispatch(Dispatch::GetProperty(owner, L"Controls"));
    }
    static long Count(IDispatch* owner) {
        return Dispatch::ToLong(Dispatch::GetProperty(Controls(owner).Get(), L"Count"));
    }
    static ComPtr<IDispatch> Item(IDispatch* owner, long index) {
        return Dispatch::ToDispatch(
            Dispatch::CallMethod(Controls(owner).Get(), L"Item", {CVariant::FromLong(index)}));
    }
    static std::wstring Text(IDispatch* object, const wchar_t* name) {
        return Dispatch::ToWString(Dispatch::GetProperty(object, name));
    }
    static bool Flag(IDispatch* object, const wchar_t* name) {
        return Dispatch::GetProperty(object, name).Get().boolVal != VARIANT_FALSE;
    }
    ComPtr<IDispatch> ToolsMenu() {
        ComPtr<IDispatch> menuBar =
            Dispatch::ToDispatch(Dispatch::GetProperty(m_bars.Get(), L"ActiveMenuBar"));
        return Dispatch::ToDispatch(Dispatch::GetProperty(Item(menuBar.Get(), 5).Get(), L"Control"));
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
    // A user's click: button down and up at the centre of the drawn control (tag, else caption).
    static bool ClickDrawn(const std::wstring& tagOrCaption) {
        HWND explorer = ::FindWindowW(kExplorerWindowClass, nullptr);
        if (!explorer)
            return false;
        std::wstring text = tagOrCaption;
        COPYDATASTRUCT data = {kCopyControlPoint, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                               &text[0]};
        LRESULT point = ::SendMessageW(explorer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        if (point == -1)
            return false;
        LPARAM at = static_cast<LPARAM>(point & 0xFFFFFFFF);
        ::SendMessageW(explorer, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(explorer, WM_LBUTTONUP, 0, at);
        return true;
    }

    TempFolder m_folder{L"realaddin"};
    std::wstring m_output;
    StandInProcess m_standIn;
    ComPtr<_Application> m_app;
    ComPtr<IDispatch> m_bars;
};

TEST_F(RealAddinTest, FirstStartPutsTheToolbarButtonAndTheToolsItemInPlaceAndLeavesThePictureOnTheClipboard) {
    Start(L"--mailbox \"" + AnsiToWide(kSource) + L"\\data\\sample-mailbox\" --select 1");
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
    TempFolder programFiles(L"pf");
    TempFolder temp(L"viewertemp");
    const std::string install = WideToAnsi(programFiles.Path()) + "Varoscope\\";
    ASSERT_TRUE(::CreateDirectoryA(install.c_str(), nullptr));
    ASSERT_TRUE(CopyInto(kBinary + "\\bin\\varo.exe", install, "varo.exe"));
    for (const char* name : {"VaroReport.xsl", "VaroReport.css", "VaroDoc.bmp"})
        ASSERT_TRUE(CopyInto(kSource + "\\data\\" + name, install, name));
    const std::wstring page = temp.Path() + AnsiToWide(kReportPage);
    {
        ScopedVariable tempVar(L"TEMP", temp.Path()), tmpVar(L"TMP", temp.Path());
        Start(L"--program-files \"" + programFiles.Path().substr(0, programFiles.Path().size() - 1) +
              L"\" --mailbox \"" + AnsiToWide(kSource) + L"\\data\\sample-mailbox\" --select 1");
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
    TempFolder programFiles(L"emptypf");
    TempFolder temp(L"viewertemp");
    {
        ScopedVariable tempVar(L"TEMP", temp.Path()), tmpVar(L"TMP", temp.Path());
        Start(L"--program-files \"" + programFiles.Path().substr(0, programFiles.Path().size() - 1) +
              L"\" --mailbox \"" + AnsiToWide(kSource) + L"\\data\\sample-mailbox\" --select 1");
    }
    // --click-control returns once the click, and so the add-in's attempt to start the viewer, is over.
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-control ") + kButtonTag), 0u);
    EXPECT_FALSE(FileExists(temp.Path() + AnsiToWide(kReportPage)));
    EXPECT_FALSE(::FindWindowW(nullptr, L"VARO"));
    EXPECT_EQ(m_standIn.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
}
} // namespace
