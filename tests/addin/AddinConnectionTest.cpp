// VaroAddin.dll loaded into the test and connected to a fake Outlook: what it calls in which
// order, how it fails, what a click starts, and how long the library stays needed.
#include "FakeDispatch.h"
#include "FakeOffice.h"
#include "OfficeInterfaces.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <tlhelp32.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// {41469133-F84A-40AF-9380-CE776F52EF86}
constexpr CLSID kClsidAddin = {0x41469133, 0xF84A, 0x40AF, {0x93, 0x80, 0xCE, 0x77, 0x6F, 0x52, 0xEF, 0x86}};
// {5605EE66-EDD0-42A7-9E79-0AD61A3C2972}
constexpr IID kIidAddin = {0x5605EE66, 0xEDD0, 0x42A7, {0x9E, 0x79, 0x0A, 0xD6, 0x1A, 0x3C, 0x29, 0x72}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

HMODULE g_library = nullptr;
GetClassObjectFn g_getClassObject = nullptr;
CanUnloadNowFn g_canUnloadNow = nullptr;

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

// A folder that stands for "Program Files", holding the marker program as Varoscope\varo.exe.
class ProgramFilesFolder {
public:
    ProgramFilesFolder() {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_root = std::wstring(temp) + L"varo-addin-pf-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_root.c_str(), nullptr);
        ::CreateDirectoryW(Folder().c_str(), nullptr);
        std::wstring marker = Widen(VARO_TEST_BINARY_DIR) + L"\\bin\\addin_launch_marker.exe";
        EXPECT_TRUE(::CopyFileW(marker.c_str(), (Folder() + L"\\varo.exe").c_str(), FALSE));
        ::DeleteFileW(Log().c_str());
        wchar_t old[4096];
        DWORD n = ::GetEnvironmentVariableW(L"ProgramFiles", old, 4096);
        m_hadOld = n > 0 && n < 4096;
        if (m_hadOld)
            m_old.assign(old, n);
        Use(m_root.c_str());
    }
    ~ProgramFilesFolder() {
        WaitForLaunchedProgramsToEnd();
        Use(m_hadOld ? m_old.c_str() : nullptr);
        ::DeleteFileW(Log().c_str());
        ::DeleteFileW((Folder() + L"\\varo.exe").c_str());
        // The folder is a launched marker's current directory, and stays in use for a moment after
        // the marker has ended: it is removed once it is free.
        for (int i = 0;
             i < 500 && !::RemoveDirectoryW(Folder().c_str()) && ::GetLastError() == ERROR_SHARING_VIOLATION;
             ++i)
            ::Sleep(10);
        ::RemoveDirectoryW(m_root.c_str());
    }
    static void Use(const wchar_t* value) { ::SetEnvironmentVariableW(L"ProgramFiles", value); }
    const std::wstring& Root() const { return m_root; }
    std::wstring Folder() const { return m_root + L"\\Varoscope"; }
    std::wstring Log() const { return Folder() + L"\\launches.txt"; }

    // Waits (bounded) until no viewer that this process started is running any more, so that
    // every launch so far has written its line.
    static bool WaitForLaunchedProgramsToEnd() {
        const DWORD self = ::GetCurrentProcessId();
        for (int i = 0; i < 1500; ++i) {
            UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
            if (!snapshot)
                return false;
            bool running = false;
            PROCESSENTRY32W entry = {};
            entry.dwSize = sizeof entry;
            for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more && !running;
                 more = ::Process32NextW(snapshot.Get(), &entry))
                running = entry.th32ParentProcessID == self && _wcsicmp(entry.szExeFile, L"varo.exe") == 0;
            if (!running)
                return true;
            ::Sleep(10);
        }
        return false;
    }

    // The marker's lines once there are `count` of them (bounded wait; the marker starts apart).
    std::vector<std::string> WaitForLaunches(std::size_t count) const {
        std::vector<std::string> lines;
        for (int i = 0; i < 1500; ++i) {
            lines.clear();
            std::ifstream in(Log().c_str());
            std::string line;
            while (std::getline(in, line))
                lines.push_back(line);
            if (lines.size() >= count)
                break;
            ::Sleep(10);
        }
        return lines;
    }

private:
    std::wstring m_root;
    std::wstring m_old;
    bool m_hadOld = false;
};

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += static_cast<char>(c);
    return out;
}

class AddinConnection : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_library = ::LoadLibraryW(L"VaroAddin.dll");
        ASSERT_NE(nullptr, g_library);
        g_getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(::GetProcAddress(g_library, "DllGetClassObject")));
        g_canUnloadNow = reinterpret_cast<CanUnloadNowFn>(
            reinterpret_cast<void*>(::GetProcAddress(g_library, "DllCanUnloadNow")));
        ASSERT_NE(nullptr, g_getClassObject);
        ASSERT_NE(nullptr, g_canUnloadNow);
    }
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
    void TearDown() override {
        office.Shutdown();
        // Every test leaves nothing of the library in use.
        EXPECT_EQ(S_OK, g_canUnloadNow());
        ::CoUninitialize();
    }

    static ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(S_OK, g_getClassObject(kClsidAddin, IID_IClassFactory,
                                         reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())));
        return factory;
    }
    static ComPtr<IDTExtensibility2> NewAddin() {
        ComPtr<IDTExtensibility2> addin;
        EXPECT_EQ(S_OK, Factory()->CreateInstance(nullptr, office::IID_IDTExtensibility2,
                                                  reinterpret_cast<void**>(addin.ReleaseAndGetAddressOf())));
        return addin;
    }
    static HRESULT Connect(IDTExtensibility2* addin, IDispatch* application) {
        return addin->OnConnection(application, ext_cm_Startup, nullptr, nullptr);
    }
    static HRESULT Click(FakeOfficeObject* button) {
        VARIANT ctrl, cancel;
        ctrl.vt = VT_DISPATCH;
        ctrl.pdispVal = button;
        VARIANT_BOOL cancelDefault = VARIANT_FALSE;
        cancel.vt = VT_BOOL | VT_BYREF;
        cancel.pboolVal = &cancelDefault;
        HRESULT hr =
            button->Events(office::IID_CommandBarButtonEvents)->Fire(office::kDispidClick, {ctrl, cancel});
        EXPECT_EQ(VARIANT_FALSE, cancelDefault);
        return hr;
    }

    FakeOffice office;
};

TEST_F(AddinConnection, FirstConnectionMakesToolbarButtonAndMenuItemInThisOrder) {
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    const std::vector<std::wstring> expected = {
        L"App.QI(_Application)",
        L"App.ActiveExplorer",
        L"Explorer.CommandBars",
        L"Bars.Item(\"DrovaAddin\")",
        L"Bars.Add(\"DrovaAddin\",1,-,i2:0)",
        L"Bars.FindControl(1,-,\"Varoscope\",-)",
        L"Toolbar.Visible=true",
        L"Toolbar.Controls",
        L"ToolbarControls.Add(1,-,-,-,i2:-1)",
        L"Button.QI(_CommandBarButton)",
        L"Button.Visible=true",
        L"Button.Style=3",
        L"Button.FaceId=1758",
        L"Button.Visible=true",
        L"Button.Caption=\"VScope\"",
        L"Button.Enabled=true",
        L"Button.TooltipText=\"Launch Varoscope\"",
        L"Button.Tag=\"Varoscope\"",
        L"Bars.FindControl(1,-,\"Menu Varoscope\",-)",
        L"Bars.ActiveMenuBar",
        L"MenuBar.Controls",
        L"MenuControls.Item(5)",
        L"Menu5.Control",
        L"Popup.QI(CommandBarPopup)",
        L"Popup.Controls",
        L"PopupControls.Add(1,-,-,-,i2:-1)",
        L"Item.Caption=\"VScope\"",
        L"Item.Enabled=true",
        L"Item.Visible=true",
        L"Item.QI(_CommandBarButton)",
        L"Item.Style=3",
        L"Item.PasteFace",
        L"Item.Tag=\"Menu Varoscope\"",
        L"Item.Visible=true",
        L"Item.Advise(_CommandBarButtonEvents)",
        L"Button.Advise(_CommandBarButtonEvents)",
        L"App.Advise(ApplicationEvents)",
    };
    EXPECT_EQ(expected, office.log);
    ASSERT_EQ(2u, office.buttons.size());
    EXPECT_EQ(std::vector<bool>{true}, office.pasteSawBitmap);
}

TEST_F(AddinConnection, AfterTheConnectionTheClipboardHoldsTheButtonPictureOnly) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, 6);
    std::memcpy(::GlobalLock(text), "hello", 6);
    ::GlobalUnlock(text);
    ::SetClipboardData(CF_TEXT, text);
    ::CloseClipboard();

    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_TEXT));
    HBITMAP picture = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    ASSERT_NE(nullptr, picture);
    ASSERT_NE(0, ::GetObjectW(picture, sizeof info, &info));
    EXPECT_EQ(32, info.bmWidth);
    EXPECT_EQ(32, info.bmHeight);
    ::CloseClipboard();
}

TEST_F(AddinConnection, OutlookRestartedFindsTheToolbarAddsTheButtonAgainAndShowsTheToolbar) {
    office.MakeToolbar(false); // the permanent toolbar, hidden by the user
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    EXPECT_EQ((std::vector<std::wstring>{L"Item(\"DrovaAddin\")", L"FindControl(1,-,\"Varoscope\",-)",
                                         L"FindControl(1,-,\"Menu Varoscope\",-)", L"ActiveMenuBar"}),
              CallsOf(office.log, L"Bars")); // no second toolbar
    EXPECT_EQ((std::vector<std::wstring>{L"Visible=true", L"Controls"}), CallsOf(office.log, L"Toolbar"));
    EXPECT_EQ(VARIANT_TRUE, office.toolbar->Property(L"Visible").Get().boolVal);
    ASSERT_EQ(2u, office.buttons.size());
    EXPECT_EQ(L"Varoscope", office.buttons[0]->Text(L"Tag"));
}

TEST_F(AddinConnection, ConnectingAgainInOneRunReusesBothControlsAndAClickStartsOneViewer) {
    ProgramFilesFolder programFiles;
    {
        auto first = NewAddin();
        ASSERT_EQ(S_OK, Connect(first.Get(), office.app.Get()));
        ASSERT_EQ(S_OK, first->OnDisconnection(ext_dm_UserClosed, nullptr));
    }
    // Disconnected, the menu item still starts the viewer: its connection keeps the object alive.
    FakeOfficeObject* item = office.FindByTag(L"Menu Varoscope");
    ASSERT_TRUE(item);
    EXPECT_EQ(0u, office.FindByTag(L"Varoscope")->Events(office::IID_CommandBarButtonEvents)->Connections());
    EXPECT_EQ(S_OK, Click(item));
    ASSERT_TRUE(ProgramFilesFolder::WaitForLaunchedProgramsToEnd());
    EXPECT_EQ(1u, programFiles.WaitForLaunches(1).size());

    office.log.clear();
    auto second = NewAddin();
    ASSERT_EQ(S_OK, Connect(second.Get(), office.app.Get()));
    EXPECT_EQ(2u, office.buttons.size());
    EXPECT_EQ((std::vector<std::wstring>{L"Item(\"DrovaAddin\")", L"FindControl(1,-,\"Varoscope\",-)",
                                         L"FindControl(1,-,\"Menu Varoscope\",-)"}),
              CallsOf(office.log, L"Bars"));
    // The first object's menu and application connections stay beside the second's, yet a click
    // on the menu item starts the viewer once.
    EXPECT_EQ(2u, item->Events(office::IID_CommandBarButtonEvents)->Connections());
    EXPECT_EQ(2u, office.app->Events(office::IID_ApplicationEvents)->Connections());
    EXPECT_EQ(S_OK, Click(item));
    ASSERT_TRUE(ProgramFilesFolder::WaitForLaunchedProgramsToEnd());
    EXPECT_EQ(2u, programFiles.WaitForLaunches(2).size());
}

TEST_F(AddinConnection, AClickOnTheButtonOrTheMenuItemStartsTheViewerEachTime) {
    ProgramFilesFolder programFiles;
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    FakeOfficeObject* button = office.FindByTag(L"Varoscope");
    FakeOfficeObject* item = office.FindByTag(L"Menu Varoscope");
    ASSERT_TRUE(button && item);
    EXPECT_EQ(S_OK, Click(button));
    ASSERT_EQ(1u, programFiles.WaitForLaunches(1).size());
    EXPECT_EQ(S_OK, Click(item));
    ASSERT_EQ(2u, programFiles.WaitForLaunches(2).size());
    EXPECT_EQ(S_OK, Click(button));
    auto lines = programFiles.WaitForLaunches(3);
    ASSERT_EQ(3u, lines.size());
    for (const auto& line : lines)
        EXPECT_EQ("args=0 cwd=" + Narrow(programFiles.Folder()), line);
}

TEST_F(AddinConnection, WithoutAUsableProgramFilesFolderAClickStartsNothing) {
    ProgramFilesFolder programFiles;
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    FakeOfficeObject* button = office.FindByTag(L"Varoscope");
    ProgramFilesFolder::Use(nullptr);
    EXPECT_EQ(S_OK, Click(button));
    // Fits the 260-character buffer itself, but not with "\Varoscope\varo.exe" after it.
    std::wstring tooLong = programFiles.Root() + L"\\" + std::wstring(250 - programFiles.Root().size(), L'x');
    ProgramFilesFolder::Use(tooLong.c_str());
    EXPECT_EQ(S_OK, Click(button));
    ProgramFilesFolder::Use(std::wstring(300, L'y').c_str());
    EXPECT_EQ(S_OK, Click(button));
    // A start that works afterwards is the only one the marker saw.
    ProgramFilesFolder::Use(programFiles.Root().c_str());
    EXPECT_EQ(S_OK, Click(button));
    EXPECT_EQ(1u, programFiles.WaitForLaunches(1).size());
}

TEST_F(AddinConnection, FailuresEndTheConnectionWhereTheyHappen) {
    {
        FakeOffice local;
        local.explorer->Fail(L"CommandBars", E_ACCESSDENIED);
        auto addin = NewAddin();
        EXPECT_EQ(E_ACCESSDENIED, Connect(addin.Get(), local.app.Get()));
        EXPECT_TRUE(CallsOf(local.log, L"Bars").empty());
        EXPECT_TRUE(local.buttons.empty());
    }
    {
        FakeOffice local;
        local.bars->Fail(L"ActiveMenuBar", DISP_E_EXCEPTION);
        auto addin = NewAddin();
        EXPECT_EQ(DISP_E_EXCEPTION, Connect(addin.Get(), local.app.Get()));
        ASSERT_EQ(1u, local.buttons.size()); // the toolbar button stays
        EXPECT_EQ(L"Varoscope", local.buttons[0]->Text(L"Tag"));
        EXPECT_EQ(0u, local.buttons[0]->Events(office::IID_CommandBarButtonEvents)->Connections());
        EXPECT_EQ(0u, local.app->Events(office::IID_ApplicationEvents)->Connections());
        EXPECT_EQ(S_OK, addin->OnDisconnection(ext_dm_HostShutdown, nullptr)); // never connected
    }
    {
        FakeOffice local;
        local.MakeToolbar(false);
        local.toolbar->Fail(L"Visible", E_FAIL);
        auto addin = NewAddin();
        EXPECT_EQ(E_FAIL, Connect(addin.Get(), local.app.Get()));
        EXPECT_TRUE(local.buttons.empty());
    }
    {
        FakeOffice local;
        local.popupControls->Fail(L"Add", E_OUTOFMEMORY);
        auto addin = NewAddin();
        EXPECT_EQ(E_OUTOFMEMORY, Connect(addin.Get(), local.app.Get()));
        EXPECT_EQ(1u, local.buttons.size());
    }
    {
        FakeOffice local;
        local.app->Events(office::IID_ApplicationEvents)->adviseResult = CONNECT_E_ADVISELIMIT;
        auto addin = NewAddin();
        EXPECT_EQ(CONNECT_E_ADVISELIMIT, Connect(addin.Get(), local.app.Get()));
        // The connections made before stay; the object is not connected, so nothing is undone.
        ASSERT_EQ(2u, local.buttons.size());
        EXPECT_EQ(1u,
                  local.FindByTag(L"Varoscope")->Events(office::IID_CommandBarButtonEvents)->Connections());
        EXPECT_EQ(S_OK, addin->OnDisconnection(ext_dm_HostShutdown, nullptr));
        EXPECT_TRUE(CallsOf(local.log, L"Button").back().find(L"Unadvise") == std::wstring::npos);
    }
}

TEST_F(AddinConnection, NoOutlookOrNoExplorerFailsWithoutCallingThroughNothing) {
    auto addin = NewAddin();
    EXPECT_TRUE(FAILED(Connect(addin.Get(), nullptr)));
    auto stranger = FakeOfficeObject::Create(L"Stranger", office.log);
    EXPECT_EQ(E_NOINTERFACE, Connect(addin.Get(), stranger.Get()));
    office.app->Returns(L"ActiveExplorer", nullptr);
    EXPECT_TRUE(FAILED(Connect(addin.Get(), office.app.Get())));
    EXPECT_TRUE(CallsOf(office.log, L"Explorer").empty());
}

TEST_F(AddinConnection, AFifthMenuThatIsNoPopupLeavesTheButtonWorking) {
    ProgramFilesFolder programFiles;
    office.FifthMenuIsNoPopup();
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    ASSERT_EQ(1u, office.buttons.size());
    EXPECT_EQ(1u, office.app->Events(office::IID_ApplicationEvents)->Connections());
    EXPECT_EQ(S_OK, Click(office.buttons[0].Get()));
    EXPECT_EQ(1u, programFiles.WaitForLaunches(1).size());
    EXPECT_EQ(S_OK, addin->OnDisconnection(ext_dm_UserClosed, nullptr));
    EXPECT_EQ(0u, office.buttons[0]->Events(office::IID_CommandBarButtonEvents)->Connections());
}

TEST_F(AddinConnection, AMenuControlWithoutAControlMemberIsAskedForThePopupItself) {
    office.FifthMenuIsThePopup();
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    ASSERT_EQ(2u, office.buttons.size());
    EXPECT_EQ(L"Menu Varoscope", office.buttons[1]->Text(L"Tag"));
    EXPECT_EQ((std::vector<std::wstring>{L"QI(CommandBarPopup)", L"Controls"}),
              CallsOf(office.log, L"Menu5"));
}

TEST_F(AddinConnection, DisconnectionReleasesTheButtonConnectionAndResetsTheCookieEvenWhenItFails) {
    auto addin = NewAddin();
    EXPECT_EQ(S_OK, addin->OnDisconnection(ext_dm_UserClosed, nullptr));
    EXPECT_TRUE(office.log.empty());
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    FakeOfficeObject* button = office.FindByTag(L"Varoscope");
    button->Events(office::IID_CommandBarButtonEvents)->unadviseResult = E_UNEXPECTED;
    office.log.clear();
    EXPECT_EQ(E_UNEXPECTED, addin->OnDisconnection(ext_dm_UserClosed, nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"Unadvise(_CommandBarButtonEvents,0x1)"}),
              CallsOf(office.log, L"Button"));
    // Still connected: the next attempt goes on with the reset cookie.
    button->Events(office::IID_CommandBarButtonEvents)->unadviseResult = S_OK;
    office.log.clear();
    EXPECT_EQ(CONNECT_E_NOCONNECTION, addin->OnDisconnection(ext_dm_UserClosed, nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"Unadvise(_CommandBarButtonEvents,0xFEFEFEFE)"}),
              CallsOf(office.log, L"Button"));
}

TEST_F(AddinConnection, UnusedSlotsAndApplicationEventsDoNothing) {
    auto addin = NewAddin();
    EXPECT_EQ(E_NOTIMPL, addin->OnAddInsUpdate(nullptr));
    EXPECT_EQ(E_NOTIMPL, addin->OnStartupComplete(nullptr));
    EXPECT_EQ(E_NOTIMPL, addin->OnBeginShutdown(nullptr));
    EXPECT_TRUE(office.log.empty());
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    office.log.clear();
    FakeConnectionPoint* events = office.app->Events(office::IID_ApplicationEvents);
    VARIANT item;
    item.vt = VT_DISPATCH;
    item.pdispVal = office.app.Get();
    EXPECT_EQ(S_OK, events->Fire(0xF002, {item})); // ItemSend
    EXPECT_EQ(S_OK, events->Fire(0xF006, {}));     // Startup
    EXPECT_EQ(S_OK, events->Fire(1, {}));
    EXPECT_TRUE(office.log.empty());

    // The sink answers only for its source interface, IUnknown and IDispatch.
    IUnknown* sink = events->FirstSink();
    ASSERT_NE(nullptr, sink);
    void* out = &out;
    EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(office::IID_CommandBarButtonEvents, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, sink->QueryInterface(IID_IDispatch, nullptr));
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, sink->QueryInterface(office::IID_ApplicationEvents,
                                         reinterpret_cast<void**>(dispatch.ReleaseAndGetAddressOf())));
    UINT count = 7;
    EXPECT_EQ(E_NOTIMPL, dispatch->GetTypeInfoCount(&count));
}

TEST_F(AddinConnection, TheObjectAnswersItsInterfacesAndServesTypeInformation) {
    auto addin = NewAddin();
    ComPtr<IDispatch> dispatch, own;
    ASSERT_EQ(S_OK, addin->QueryInterface(IID_IDispatch,
                                          reinterpret_cast<void**>(dispatch.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, addin->QueryInterface(kIidAddin, reinterpret_cast<void**>(own.ReleaseAndGetAddressOf())));
    EXPECT_EQ(dispatch.Get(), own.Get());
    UINT count = 0;
    EXPECT_EQ(S_OK, own->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, own->GetTypeInfo(0, 0, info.ReleaseAndGetAddressOf()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualGUID(kIidAddin, attributes->guid));
    info->ReleaseTypeAttr(attributes);

    ComPtr<ISupportErrorInfo> errors;
    ASSERT_EQ(S_OK, addin->QueryInterface(IID_ISupportErrorInfo,
                                          reinterpret_cast<void**>(errors.ReleaseAndGetAddressOf())));
    EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(kIidAddin));
    EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(office::IID_IDTExtensibility2));
    void* out = &out;
    EXPECT_EQ(E_NOINTERFACE, addin->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(AddinConnection, TheLibraryIsNeededWhileAnObjectTheClassObjectOrAConnectionLives) {
    {
        auto factory = Factory();
        EXPECT_EQ(S_FALSE, g_canUnloadNow()); // the class object is held out here
        EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    }
    EXPECT_EQ(S_FALSE, g_canUnloadNow()); // locked
    EXPECT_EQ(S_OK, Factory()->LockServer(FALSE));
    EXPECT_EQ(S_OK, g_canUnloadNow());

    auto addin = NewAddin();
    EXPECT_EQ(S_FALSE, g_canUnloadNow()); // Outlook holds the object
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    addin.Reset();
    EXPECT_EQ(S_FALSE, g_canUnloadNow()); // the event connections hold it
    office.Shutdown();
    EXPECT_EQ(S_OK, g_canUnloadNow());
}

TEST_F(AddinConnection, ClassObjectRules) {
    void* out = &out;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, g_getClassObject(IID_IUnknown, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, g_getClassObject(kClsidAddin, IID_IClassFactory, nullptr));
    auto factory = Factory();
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    out = &out;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    // Aggregation: only the inner IUnknown may be asked for; the inner object counts on the outer one.
    auto outer = FakeOfficeObject::Create(L"Outer", office.log);
    out = &out;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(static_cast<IDispatch*>(outer.Get()), kIidAddin, &out));
    EXPECT_EQ(nullptr, out);
    ComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, factory->CreateInstance(static_cast<IDispatch*>(outer.Get()), IID_IUnknown,
                                            reinterpret_cast<void**>(inner.ReleaseAndGetAddressOf())));
    ULONG before = outer->References();
    ComPtr<IDTExtensibility2> extensibility;
    ASSERT_EQ(S_OK, inner->QueryInterface(office::IID_IDTExtensibility2,
                                          reinterpret_cast<void**>(extensibility.ReleaseAndGetAddressOf())));
    EXPECT_EQ(before + 1, outer->References());
    extensibility.Reset();
    EXPECT_EQ(before, outer->References());
}

} // namespace

// The ribbon of Outlook 2010 and later: the custom UI, the callbacks by name, the pictures.
namespace {

ComPtr<IRibbonExtensibility> RibbonOf(IDTExtensibility2* addin) {
    ComPtr<IRibbonExtensibility> ribbon;
    EXPECT_EQ(S_OK, addin->QueryInterface(office::IID_IRibbonExtensibility,
                                          reinterpret_cast<void**>(ribbon.ReleaseAndGetAddressOf())));
    return ribbon;
}

std::wstring CustomUi(IRibbonExtensibility* ribbon, const wchar_t* id) {
    BSTR ribbonId = id ? ::SysAllocString(id) : nullptr;
    BSTR xml = nullptr;
    EXPECT_EQ(S_OK, ribbon->GetCustomUI(ribbonId, &xml));
    std::wstring text = xml ? std::wstring(xml, ::SysStringLen(xml)) : L"<null>";
    ::SysFreeString(xml);
    ::SysFreeString(ribbonId);
    return text;
}

// Office's way: the name looked up on the ribbon interface's own IDispatch, then invoked with
// the one argument.
HRESULT CallBack(IRibbonExtensibility* ribbon, const std::wstring& name, IDispatch* argument,
                 VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = ribbon->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    VARIANT arg;
    arg.vt = VT_DISPATCH;
    arg.pdispVal = argument;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    return ribbon->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr,
                          nullptr);
}

// Every value of the callback attributes in a custom UI document.
std::vector<std::wstring> CallbackNames(const std::wstring& xml) {
    std::vector<std::wstring> names;
    for (const wchar_t* attribute : {L" onLoad=\"", L" onAction=\"", L" getImage=\""}) {
        for (size_t at = xml.find(attribute); at != std::wstring::npos; at = xml.find(attribute, at + 1)) {
            size_t start = at + std::wcslen(attribute);
            names.push_back(xml.substr(start, xml.find(L'"', start) - start));
        }
    }
    return names;
}

ComPtr<FakeDispatch> Control(const wchar_t* id) {
    auto control = FakeDispatch::Create({office::IID_IRibbonControl});
    control->Value(L"Id", CVariant::FromString(id));
    return control;
}

// Width, height and bits per pixel of the bitmap a picture object holds.
BITMAP PictureBitmap(const VARIANT& picture) {
    BITMAP bitmap = {};
    ComPtr<IPicture> held;
    if (picture.vt == VT_DISPATCH && picture.pdispVal &&
        SUCCEEDED(picture.pdispVal->QueryInterface(
            IID_IPicture, reinterpret_cast<void**>(held.ReleaseAndGetAddressOf())))) {
        OLE_HANDLE handle = 0;
        SHORT type = PICTYPE_UNINITIALIZED;
        if (SUCCEEDED(held->get_Type(&type)) && type == PICTYPE_BITMAP &&
            SUCCEEDED(held->get_Handle(&handle)))
            ::GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap);
    }
    return bitmap;
}

} // namespace

TEST_F(AddinConnection, TheRibbonPartIsTheAddinsAndGivesTheExplorerItsControls) {
    auto addin = NewAddin();
    auto ribbon = RibbonOf(addin.Get());
    ASSERT_TRUE(ribbon);
    ComPtr<IUnknown> identity, fromRibbon;
    ASSERT_EQ(S_OK, addin->QueryInterface(IID_IUnknown,
                                          reinterpret_cast<void**>(identity.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, ribbon->QueryInterface(IID_IUnknown,
                                           reinterpret_cast<void**>(fromRibbon.ReleaseAndGetAddressOf())));
    EXPECT_EQ(identity.Get(), fromRibbon.Get());
    ComPtr<IDTExtensibility2> back;
    EXPECT_EQ(S_OK, ribbon->QueryInterface(office::IID_IDTExtensibility2,
                                           reinterpret_cast<void**>(back.ReleaseAndGetAddressOf())));
    EXPECT_EQ(addin.Get(), back.Get());

    const std::wstring xml = CustomUi(ribbon.Get(), office::kRibbonIdExplorer);
    EXPECT_EQ(0u, xml.find(L"<?xml")) << "no byte-order mark in the string";
    for (const wchar_t* part :
         {L"http://schemas.microsoft.com/office/2009/07/customui", L"idMso=\"TabMail\"",
          L"label=\"Varoscope\"", L"label=\"Show pictures\"", L"size=\"large\"", L"screentip=",
          L"idMso=\"ContextMenuMailItem\"", L"idMso=\"ContextMenuMultipleItems\""})
        EXPECT_NE(std::wstring::npos, xml.find(part)) << Narrow(part);
    // Every callback the document names is answered on the ribbon interface's IDispatch, and
    // not on the add-in's own dispatch interface, which knows only IAddin.
    auto names = CallbackNames(xml);
    EXPECT_EQ(7u, names.size());
    ComPtr<IDispatch> own;
    ASSERT_EQ(S_OK,
              addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(own.ReleaseAndGetAddressOf())));
    for (const std::wstring& name : names) {
        LPOLESTR lookup[] = {const_cast<LPOLESTR>(name.c_str())};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, ribbon->GetIDsOfNames(IID_NULL, lookup, 1, 0, &id)) << Narrow(name);
        EXPECT_NE(DISPID_UNKNOWN, id);
        EXPECT_EQ(DISP_E_UNKNOWNNAME, own->GetIDsOfNames(IID_NULL, lookup, 1, 0, &id)) << Narrow(name);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchCallback")};
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, ribbon->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);

    // Inspectors and the rest get nothing; a missing out-pointer is refused.
    EXPECT_EQ(L"", CustomUi(ribbon.Get(), L"Microsoft.Outlook.Mail.Read"));
    EXPECT_EQ(L"", CustomUi(ribbon.Get(), nullptr));
    EXPECT_EQ(E_POINTER, ribbon->GetCustomUI(nullptr, nullptr));
}

TEST_F(AddinConnection, RibbonActionsLaunchOnceEachWhateverTheControlAndThePicturesFitTheirPlaces) {
    ProgramFilesFolder programFiles;
    auto addin = NewAddin();
    ASSERT_EQ(S_OK, Connect(addin.Get(), office.app.Get()));
    auto ribbon = RibbonOf(addin.Get());
    ASSERT_TRUE(ribbon);

    // onLoad keeps Office's ribbon until the add-in is disconnected.
    auto ribbonUi = FakeDispatch::Create({office::IID_IRibbonUI});
    const ULONG before = ribbonUi->References();
    EXPECT_EQ(S_OK, CallBack(ribbon.Get(), L"OnRibbonLoad", ribbonUi.Get(), nullptr));
    EXPECT_EQ(before + 1, ribbonUi->References());

    // The Home-tab button, a context-menu item, and a control that no longer answers: one viewer
    // start for each.
    auto dead = FakeDispatch::Create({office::IID_IRibbonControl});
    dead->Fail(L"Id", RPC_E_DISCONNECTED);
    EXPECT_EQ(S_OK,
              CallBack(ribbon.Get(), L"OnShowPictures", Control(L"VaroscopeShowPictures").Get(), nullptr));
    EXPECT_EQ(S_OK, CallBack(ribbon.Get(), L"OnShowPictures", Control(L"VaroscopeShowPicturesItems").Get(),
                             nullptr));
    EXPECT_EQ(S_OK, CallBack(ribbon.Get(), L"OnShowPictures", dead.Get(), nullptr));
    ASSERT_TRUE(ProgramFilesFolder::WaitForLaunchedProgramsToEnd());
    auto lines = programFiles.WaitForLaunches(3);
    ASSERT_EQ(3u, lines.size());
    for (const auto& line : lines)
        EXPECT_EQ("args=0 cwd=" + Narrow(programFiles.Folder()), line);

    // 32 x 32 for the large button, 16 x 16 for the menu items and for a control that cannot tell
    // its id, 32 bits each, so their alpha reaches the ribbon.
    auto large = Control(L"VaroscopeShowPictures"), small = Control(L"VaroscopeShowPicturesMail");
    struct Case {
        IDispatch* control;
        LONG size;
    } cases[] = {{large.Get(), 32}, {small.Get(), 16}, {dead.Get(), 16}};
    for (const Case& c : cases) {
        CVariant picture;
        EXPECT_EQ(S_OK, CallBack(ribbon.Get(), L"GetShowPicturesImage", c.control,
                                 picture.ReleaseAndGetAddressOf()));
        BITMAP bitmap = PictureBitmap(picture.Get());
        EXPECT_EQ(c.size, bitmap.bmWidth);
        EXPECT_EQ(c.size, bitmap.bmHeight);
        EXPECT_EQ(32, bitmap.bmBitsPixel);
    }

    ASSERT_EQ(S_OK, addin->OnDisconnection(ext_dm_HostShutdown, nullptr));
    EXPECT_EQ(before, ribbonUi->References());
    ASSERT_TRUE(ProgramFilesFolder::WaitForLaunchedProgramsToEnd());
    EXPECT_EQ(3u, programFiles.WaitForLaunches(3).size());
}
