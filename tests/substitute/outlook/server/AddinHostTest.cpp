// The stand-in as an add-in host, seen from outside as a user and a script see it: which add-ins
// it connects and in what order, the events they get, the command bars they build (read through
// automation from this process), clicks by mouse and by tag, reconnection, bars kept between runs
// and the fault switches.
#include "StandInHost.h"

#include "CommandBarStore.h"
#include "Dispatch.h"
#include "OfficeInterfaces.h"
#include "RegKey.h"
#include "StringConv.h"
#include "TestAddins.h"
#include "WindowMessages.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <sstream>

namespace {
constexpr DWORD kNoControlExitCode = 1;

std::wstring TestAddinsPath() {
    return AnsiToWide(VARO_TEST_BINARY_DIR) + L"\\bin\\VaroTestAddins.dll";
}

void RegisterAddin(const wchar_t* progId, DWORD loadBehavior) {
    RegKey key;
    std::string path = std::string(office::kOutlookAddinsKey) + "\\" + WideToAnsi(progId);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword("LoadBehavior", loadBehavior), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("FriendlyName", WideToAnsi(progId)), ERROR_SUCCESS);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

CVariant ShortBool(bool value) {
    CVariant v;
    v.Ptr()->vt = VT_I2;
    v.Ptr()->iVal = value ? -1 : 0;
    return v;
}

class AddinHostTest : public StandInHostTest {
protected:
    AddinHostTest() : StandInHostTest(L"addinhost") {}
    void SetUp() override {
        StandInHostTest::SetUp();
        m_library.Reset(::LoadLibraryW(TestAddinsPath().c_str()));
        ASSERT_TRUE(m_library) << WideToAnsi(TestAddinsPath());
        auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(::GetProcAddress(m_library.Get(), "DllRegisterServer")));
        ASSERT_TRUE(registerServer);
        ASSERT_EQ(registerServer(), S_OK);
        m_log = m_folder.Path() + L"addin.log";
        ::SetEnvironmentVariableW(kAddinLogVariable, m_log.c_str()); // the stand-in inherits it
    }
    void TearDown() override {
        StandInHostTest::TearDown();
        ::SetEnvironmentVariableW(kAddinLogVariable, nullptr);
    }

    void Start(const std::wstring& arguments = L"") {
        StandInHostTest::Start(arguments);
        ASSERT_TRUE(m_bars);
    }
    std::vector<std::string> LogLines() const { return Lines(ReadFileBytes(m_log)); }
    size_t LogCount(const std::string& line) const {
        auto lines = LogLines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

    std::wstring m_log;
    UniqueModule m_library;
};

TEST_F(AddinHostTest, OnlyLoadBehaviorThreeConnectsAndAFailingAddinIsReportedAndDroppedWhileTheHostRunsOn) {
    RegisterAddin(kNullAddinProgId, 3);
    RegisterAddin(kFailingAddinProgId, 3);
    RegisterAddin(kRecordingAddinProgId, 2);
    Start();
    EXPECT_NE(
        Console().find("add-in VaroTest.FailingAddin was not connected: OnConnection returned 0x8004ABCD"),
        std::string::npos)
        << Console();
    EXPECT_EQ(Console().find("VaroTest.NullAddin"), std::string::npos) << Console();
    EXPECT_TRUE(LogLines().empty()); // the recording add-in stayed out
    EXPECT_FALSE(Find(kTestButtonTag));
    ComPtr<_Explorer> explorer;
    EXPECT_EQ(m_app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK); // still serving
    Stop();

    RegisterAddin(kRecordingAddinProgId, 3);
    Start();
    EXPECT_EQ(LogCount("OnConnection mode=1 custom=empty instance=VaroTest.RecordingAddin"), 1u);
}

TEST_F(AddinHostTest, ConnectionStartupEventsAndShutdownComeInOutlooksOrder) {
    RegisterAddin(kRecordingAddinProgId, 3);
    Start();
    Stop();
    std::vector<std::string> expected = {"OnConnection mode=1 custom=empty instance=VaroTest.RecordingAddin",
                                         "built 0x00000000",
                                         "OnStartupComplete",
                                         "Event application 61446", // Startup
                                         "Event application 61447", // Quit
                                         "OnBeginShutdown",
                                         "OnDisconnection mode=0",
                                         "Released"};
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(AddinHostTest, ControlsAreClickedByMouseAndByTagAndEachClickFiresOnce) {
    RegisterAddin(kRecordingAddinProgId, 3);
    Start();
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-control ") + kTestButtonTag), 0u);
    EXPECT_EQ(LogCount("Click button ctrl=button"), 1u);
    std::string output;
    EXPECT_EQ(StandInProcess::RunToEnd(L"--click-control NoSuchTag", &output), kNoControlExitCode) << output;

    ASSERT_TRUE(ClickDrawn(kTestButtonTag));
    EXPECT_TRUE(WaitFor([&] { return LogCount("Click button ctrl=button") == 2; }));
    EXPECT_FALSE(ClickDrawn(kTestMenuTag)); // not drawn while its menu is closed
    ASSERT_TRUE(ClickDrawn(L"Tools"));
    ASSERT_TRUE(ClickDrawn(kTestMenuTag));
    EXPECT_TRUE(WaitFor([&] { return LogCount("Click menu ctrl=button") == 1; }));
    EXPECT_FALSE(ClickDrawn(kTestMenuTag)); // the chosen item closed its menu
    EXPECT_EQ(LogCount("Click button ctrl=button"), 2u);
}

TEST_F(AddinHostTest, ReconnectingDisconnectsAndConnectsAgainAndTheAddinReusesItsControls) {
    RegisterAddin(kRecordingAddinProgId, 3);
    Start();
    const long toolsItems = Count(ToolsMenu().Get());
    EXPECT_EQ(StandInProcess::RunToEnd(L"--reconnect-addins"), 0u);
    ASSERT_TRUE(ClickDrawn(L"Tools"));
    ASSERT_TRUE(ClickDrawn(L"Reconnect COM Add-Ins")); // the menu item does the same
    EXPECT_TRUE(WaitFor(
        [&] { return LogCount("OnConnection mode=0 custom=empty instance=VaroTest.RecordingAddin") == 2; }));
    EXPECT_EQ(LogCount("OnDisconnection mode=1"), 2u);
    EXPECT_EQ(LogCount("Released"), 2u);
    EXPECT_EQ(Count(Bar(kTestBarName).Get()), 1);
    EXPECT_EQ(Count(ToolsMenu().Get()), toolsItems);
    EXPECT_EQ(StandInProcess::RunToEnd(std::wstring(L"--click-control ") + kTestButtonTag), 0u);
    EXPECT_EQ(LogCount("Click button ctrl=button"), 1u); // the old connection went with the old object
}

TEST_F(AddinHostTest, PermanentBarsOutliveTheRunWithTheirVisibilityAndTemporaryControlsDoNot) {
    RegisterAddin(kRecordingAddinProgId, 3);
    Start();
    ComPtr<IDispatch> testBar = Bar(kTestBarName);
    ASSERT_TRUE(testBar);
    EXPECT_EQ(Dispatch::GetProperty(testBar.Get(), L"Visible").Get().boolVal, VARIANT_TRUE);
    ComPtr<IDispatch> button = Find(kTestButtonTag);
    ComPtr<IDispatch> typed;
    ASSERT_EQ(button.As(office::IID_CommandBarButton, typed), S_OK); // across processes too
    EXPECT_EQ(Dispatch::ToLong(Dispatch::GetProperty(typed.Get(), L"FaceId")), 59);
    EXPECT_EQ(Dispatch::ToWString(Dispatch::GetProperty(typed.Get(), L"Caption")), L"Test");
    Dispatch::CallMethod(
        m_bars.Get(), L"Add",
        {CVariant::FromString(L"Kept"), CVariant::FromLong(1), CVariant::Omitted(), ShortBool(false)});
    Dispatch::CallMethod(
        m_bars.Get(), L"Add",
        {CVariant::FromString(L"Gone"), CVariant::FromLong(1), CVariant::Omitted(), ShortBool(true)});
    EXPECT_EQ(Dispatch::PutProperty(testBar.Get(), L"Visible", CVariant::FromBool(false)),
              S_OK); // the user hides it
    typed.Reset();
    button.Reset();
    testBar.Reset();
    Stop();

    ::RegDeleteTreeA(HKEY_CURRENT_USER, office::kOutlookAddinsKey);
    Start();
    EXPECT_TRUE(Bar(L"Kept"));
    EXPECT_FALSE(Bar(L"Gone"));
    testBar = Bar(kTestBarName);
    ASSERT_TRUE(testBar);
    EXPECT_EQ(Dispatch::GetProperty(testBar.Get(), L"Visible").Get().boolVal, VARIANT_FALSE);
    EXPECT_EQ(Count(testBar.Get()), 0);
    EXPECT_FALSE(Find(kTestButtonTag));
    EXPECT_FALSE(Find(kTestMenuTag));
}

TEST_F(AddinHostTest, FaultSwitchesEndTheConnectionWhereTheyStrikeAndTheHostGoesOn) {
    RegisterAddin(kRecordingAddinProgId, 3);
    ASSERT_TRUE(m_standIn.Start(L"--fail-commandbars", m_output));
    ASSERT_EQ(m_standIn.Attach(m_app, IID__Application), S_OK); // still serving
    EXPECT_NE(Console().find("OnConnection returned 0x8004C001"), std::string::npos) << Console();
    EXPECT_EQ(LogCount("built 0x8004C001"), 1u);
    Stop();

    ::RegDeleteTreeA(HKEY_CURRENT_USER, CommandBarStore::KeyPath());
    ASSERT_TRUE(m_standIn.Start(L"--fail-activemenubar", m_output));
    ASSERT_EQ(m_standIn.Attach(m_app, IID__Application), S_OK);
    ComPtr<_Explorer> explorer;
    ASSERT_EQ(m_app->ActiveExplorer(explorer.ReleaseAndGetAddressOf()), S_OK);
    m_bars = Dispatch::ToDispatch(Dispatch::GetProperty(explorer.Get(), L"CommandBars"));
    EXPECT_NE(Console().find("OnConnection returned 0x8004C002"), std::string::npos) << Console();
    EXPECT_TRUE(Find(kTestButtonTag)); // made before the failing step
    EXPECT_FALSE(Find(kTestMenuTag));
}
} // namespace
