// The stand-in as Outlook with a ribbon, seen from outside with the ribbon test add-in: which
// versions ask for the ribbon, what a bad custom UI or a bad callback does (reported, skipped, the
// add-in stays connected), Invalidate, and clicks on ribbon controls and context-menu items.
#include "StandInHost.h"

#include "Dispatch.h"
#include "OfficeInterfaces.h"
#include "RegKey.h"
#include "StringConv.h"
#include "TestAddins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {
constexpr DWORD kRefusedExitCode = 1;
constexpr char k2009[] = "http://schemas.microsoft.com/office/2009/07/customui";

std::wstring TestAddinsPath() {
    return AnsiToWide(VARO_TEST_BINARY_DIR) + L"\\bin\\VaroTestAddins.dll";
}

// One add-in group on the Home tab and an item in each mail context menu.
std::string CustomUi(const std::string& buttons) {
    return std::string("<customUI xmlns='") + k2009 +
           "' onLoad='OnLoad'><ribbon><tabs><tab idMso='TabMail'><group id='g' label='Test group'>" +
           buttons +
           "</group></tab></tabs></ribbon><contextMenus>"
           "<contextMenu idMso='ContextMenuMailItem'><button id='one' label='For one' onAction='OnAction'/>"
           "</contextMenu><contextMenu idMso='ContextMenuMultipleItems'>"
           "<button id='many' label='For many' onAction='OnAction'/></contextMenu></contextMenus></customUI>";
}

class RibbonHostTest : public StandInHostTest {
protected:
    RibbonHostTest() : StandInHostTest(L"ribbonhost") {}
    void SetUp() override {
        StandInHostTest::SetUp();
        m_library.Reset(::LoadLibraryW(TestAddinsPath().c_str()));
        ASSERT_TRUE(m_library);
        auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(::GetProcAddress(m_library.Get(), "DllRegisterServer")));
        ASSERT_TRUE(registerServer && registerServer() == S_OK);
        RegKey key;
        std::string path = std::string(office::kOutlookAddinsKey) + "\\" + WideToAnsi(kRibbonAddinProgId);
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDword("LoadBehavior", 3), ERROR_SUCCESS);
        m_log = m_folder.Path() + L"addin.log";
        m_xml = m_folder.Path() + L"customui.xml";
        ::SetEnvironmentVariableW(kAddinLogVariable, m_log.c_str()); // the stand-in inherits both
        ::SetEnvironmentVariableW(kRibbonXmlVariable, m_xml.c_str());
    }
    void TearDown() override {
        StandInHostTest::TearDown();
        ::SetEnvironmentVariableW(kAddinLogVariable, nullptr);
        ::SetEnvironmentVariableW(kRibbonXmlVariable, nullptr);
    }
    void StartWith(const std::string& xml, const std::wstring& arguments = L"--outlook-version 16") {
        m_folder.Write(L"customui.xml", xml);
        Start(arguments + L" " + SampleMailbox());
    }
    size_t LogCount(const std::string& line) const {
        std::istringstream in(ReadFileBytes(m_log));
        size_t n = 0;
        for (std::string l; std::getline(in, l);)
            n += (!l.empty() && l.back() == '\r' ? l.substr(0, l.size() - 1) : l) == line;
        return n;
    }
    bool ConsoleHas(const std::string& text) const { return Console().find(text) != std::string::npos; }
    static DWORD Run(const std::wstring& arguments) { return StandInProcess::RunToEnd(arguments); }
    std::wstring Version() { return Dispatch::ToWString(Dispatch::GetProperty(m_app.Get(), L"Version")); }
    // Stopped, the add-in was disconnected once, at shutdown: it stayed connected until then.
    void ExpectConnectedToTheEnd() {
        Stop();
        EXPECT_EQ(LogCount("OnDisconnection mode=0"), 1u);
        EXPECT_EQ(LogCount("OnConnection"), 1u);
    }

    UniqueModule m_library;
    std::wstring m_log, m_xml;
};

TEST_F(RibbonHostTest, OnlyRibbonVersionsAskForTheRibbonAndOnlyTheExplorerOf2010AndLaterShowsIt) {
    const std::string ui = CustomUi("<button id='b' label='B' onAction='OnAction'/>");
    StartWith(ui, L"");
    EXPECT_EQ(Version(), L"11.0.0.8312");
    EXPECT_EQ(LogCount("QueryInterface IRibbonExtensibility"), 0u);
    EXPECT_EQ(Run(L"--click-ribbon b"), kRefusedExitCode);
    EXPECT_TRUE(ClickDrawn(L"Tools")); // menus and tool bars as before
    Stop();

    StartWith(ui, L"--outlook-version 12");
    EXPECT_EQ(Version().substr(0, 5), L"12.0.");
    EXPECT_EQ(LogCount("QueryInterface IRibbonExtensibility"), 1u);
    EXPECT_EQ(LogCount("GetCustomUI Microsoft.Outlook.Explorer"), 0u); // its explorer has no ribbon
    EXPECT_EQ(Run(L"--click-ribbon b"), kRefusedExitCode);
    Stop();

    StartWith(ui);
    EXPECT_EQ(Version().substr(0, 5), L"16.0.");
    EXPECT_EQ(LogCount("GetCustomUI Microsoft.Outlook.Explorer"), 1u);
    EXPECT_EQ(LogCount("onLoad 0x00000000"), 1u); // it got an IRibbonUI
    EXPECT_FALSE(ClickDrawn(L"Tools"));
    EXPECT_TRUE(ClickDrawn(L"Home"));
    // By mouse and by request, each click reaches onAction once, with the explorer as context.
    EXPECT_EQ(Run(L"--click-ribbon b"), 0u);
    EXPECT_EQ(LogCount("onAction id=b tag= context=explorer"), 1u);
    ASSERT_TRUE(ClickDrawn(L"b"));
    EXPECT_TRUE(WaitFor([&] { return LogCount("onAction id=b tag= context=explorer") == 2; }));
    EXPECT_EQ(Run(L"--click-ribbon nothing"), kRefusedExitCode);
    // Reconnected, the add-in is asked for its custom UI again.
    EXPECT_EQ(Run(L"--reconnect-addins"), 0u);
    EXPECT_EQ(LogCount("GetCustomUI Microsoft.Outlook.Explorer"), 2u);
    EXPECT_EQ(Run(L"--click-ribbon b"), 0u);
    EXPECT_EQ(LogCount("onAction id=b tag= context=explorer"), 3u);
}

TEST_F(RibbonHostTest, MalformedXmlOrAWrongRootSkipsTheRibbonWithAMessageAndTheAddinStaysConnected) {
    StartWith(std::string("<customUI xmlns='") + k2009 + "'><ribbon><tabs>");
    EXPECT_TRUE(
        ConsoleHas("add-in VaroTest.RibbonAddin, custom UI for Microsoft.Outlook.Explorer is not used: "))
        << Console();
    EXPECT_EQ(Run(L"--click-ribbon b"), kRefusedExitCode);
    EXPECT_TRUE(ClickDrawn(L"Home")); // the ribbon is drawn all the same
    ExpectConnectedToTheEnd();

    ::DeleteFileW(m_log.c_str());
    StartWith("<ribbon xmlns='http://schemas.microsoft.com/office/2009/07/customui'/>");
    EXPECT_TRUE(ConsoleHas("is not used: ")) << Console();
    ExpectConnectedToTheEnd();

    // Unknown elements are reported and skipped; the rest counts.
    ::DeleteFileW(m_log.c_str());
    StartWith(CustomUi("<toggleButton id='t' label='T'/><button id='b' label='B' onAction='OnAction'/>"));
    EXPECT_TRUE(ConsoleHas("(skipped)")) << Console();
    EXPECT_EQ(Run(L"--click-ribbon t"), kRefusedExitCode);
    EXPECT_EQ(Run(L"--click-ribbon b"), 0u);
    EXPECT_EQ(LogCount("onAction id=b tag= context=explorer"), 1u);
    ExpectConnectedToTheEnd();
}

TEST_F(RibbonHostTest, AMissingOrFailingCallbackIsReportedAndTheOthersStillWork) {
    StartWith(
        CustomUi("<button id='pic' tag='T1' size='large' label='Static' getLabel='Fail' getImage='GetImage' "
                 "onAction='OnAction'/><button id='gone' label='Gone' onAction='NoSuchCallback'/>"
                 "<button id='bad' label='Bad' onAction='Fail'/>"));
    EXPECT_TRUE(WaitFor([&] {
        return ConsoleHas("callback Fail (getLabel of pic) failed: 0x80004005 deliberate failure");
    })) << Console();
    EXPECT_EQ(LogCount("getImage pic"), 1u);
    EXPECT_EQ(DrawnImage(L"pic").cx, 32); // the bitmap of the IPictureDisp it gave
    EXPECT_EQ(DrawnImage(L"pic").cy, 32);
    EXPECT_EQ(DrawnImage(L"gone").cx, 0); // a placeholder face
    EXPECT_TRUE(ClickDrawn(L"Static"));   // drawn with its own label; the click is the first onAction
    EXPECT_EQ(Run(L"--click-ribbon gone"), 0u);
    EXPECT_TRUE(ConsoleHas("callback NoSuchCallback (onAction of gone) cannot be found: 0x80020006"))
        << Console();
    EXPECT_EQ(Run(L"--click-ribbon bad"), 0u);
    EXPECT_EQ(LogCount("fail bad"), 1u);
    EXPECT_EQ(Run(L"--click-ribbon pic"), 0u);
    EXPECT_EQ(LogCount("onAction id=pic tag=T1 context=explorer"), 2u);
    ExpectConnectedToTheEnd();
}

TEST_F(RibbonHostTest, InvalidateAsksGetEnabledAgainAndTheNowDisabledButtonTakesNoClick) {
    StartWith(
        CustomUi("<button id='a' label='A' getEnabled='GetEnabled' onAction='OnActionInvalidateControl'/>"
                 "<button id='b' label='B' getEnabled='GetEnabled' onAction='OnActionInvalidate'/>"));
    EXPECT_TRUE(WaitFor([&] { return LogCount("getEnabled a") == 1 && LogCount("getEnabled b") == 1; }));
    // Enabled the first time; its action invalidates this control only.
    EXPECT_EQ(Run(L"--click-ribbon a"), 0u);
    EXPECT_EQ(LogCount("onAction id=a tag= context=explorer"), 1u);
    EXPECT_TRUE(WaitFor([&] { return LogCount("getEnabled a") == 2; }));
    EXPECT_TRUE(WaitFor([&] { return Run(L"--click-ribbon a") == kRefusedExitCode; }));
    ASSERT_TRUE(ClickDrawn(L"a"));
    EXPECT_EQ(Run(L"--click-ribbon nothing"), kRefusedExitCode); // the mouse click has been handled
    EXPECT_EQ(LogCount("onAction id=a tag= context=explorer"), 1u);
    EXPECT_EQ(LogCount("getEnabled b"), 1u); // asked once per invalidation, not at every drawing
    // Invalidate asks every control again.
    EXPECT_EQ(Run(L"--click-ribbon b"), 0u);
    EXPECT_TRUE(WaitFor([&] { return LogCount("getEnabled a") == 3 && LogCount("getEnabled b") == 2; }));
    EXPECT_TRUE(WaitFor([&] { return Run(L"--click-ribbon b") == kRefusedExitCode; }));
    ExpectConnectedToTheEnd();
}

TEST_F(RibbonHostTest, TheContextMenuOfOneMailAndOfSeveralShowsTheirOwnItemsWhichGetTheSelection) {
    m_folder.Write(L"customui.xml", CustomUi(""));
    Start(L"--outlook-version 16 --mailbox \"" + AnsiToWide(VARO_TEST_SOURCE_DIR) +
          L"\\data\\sample-mailbox\" --select 1,2");
    EXPECT_EQ(Run(L"--context-menu"), 0u);
    EXPECT_FALSE(ClickDrawn(L"one"));
    ASSERT_TRUE(ClickDrawn(L"many"));
    EXPECT_TRUE(WaitFor([&] { return LogCount("onAction id=many tag= context=selection(2)") == 1; }));
    EXPECT_FALSE(ClickDrawn(L"many"));         // the chosen item closed the menu
    EXPECT_EQ(Run(L"--click-ribbon one"), 0u); // as a request, with the selection as it is
    EXPECT_EQ(LogCount("onAction id=one tag= context=selection(2)"), 1u);
    EXPECT_EQ(Run(L"--context-menu"), 0u);
    ASSERT_TRUE(ClickDrawn(L"New E-mail")); // beside the menu: closes it, nothing else
    EXPECT_FALSE(ClickDrawn(L"many"));
    EXPECT_EQ(LogCount("onAction id=many tag= context=selection(2)"), 1u);
    ExpectConnectedToTheEnd();
}
} // namespace
