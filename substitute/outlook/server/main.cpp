// OutlookSubstitute: an out-of-process automation server that stands in for Outlook in tests and
// the demo. It serves real mail files through the few Outlook.Application members the viewer uses.
#include "AddinHost.h"
#include "ApplicationObject.h"
#include "CallBudget.h"
#include "ClassFactory.h"
#include "ComPtr.h"
#include "CommandBarSet.h"
#include "ConnectionPoint.h"
#include "ExplorerWindow.h"
#include "Mailbox.h"
#include "Registration.h"
#include "ServerOptions.h"
#include "StringConv.h"
#include "UniqueHandle.h"
#include "WindowMessages.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cwchar>
#include <deque>
#include <memory>

namespace {
constexpr wchar_t kProgId[] = L"Outlook.Application";
constexpr wchar_t kReadyLine[] = L"OutlookSubstitute: ready";
constexpr DWORD kStopTimeoutMs = 20000;
constexpr DWORD kRequestTimeoutMs = 30000;
constexpr UINT kMsgReconnectAddins = WM_APP + 1;

// ApplicationEvents that the stand-in fires.
constexpr DISPID kDispidStartup = 0xf006;
constexpr DISPID kDispidQuit = 0xf007;

enum ExitCode { kOk = 0, kFailure = 1, kBadCommandLine = 2, kAlreadyRunning = 4 };

// Writes a line as UTF-8 to standard output or error, attaching to the parent's console if needed.
void PrintLine(DWORD which, const std::wstring& text) {
    HANDLE out = ::GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE) {
        ::AttachConsole(ATTACH_PARENT_PROCESS);
        out = ::GetStdHandle(which);
        if (!out || out == INVALID_HANDLE_VALUE)
            return;
    }
    std::string bytes = WideToUtf8(text + L"\r\n");
    DWORD written = 0;
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::FlushFileBuffers(out);
}

void PrintError(const std::wstring& text) {
    PrintLine(STD_ERROR_HANDLE, L"OutlookSubstitute: " + text);
}

void PrintInfo(const std::wstring& text) {
    PrintLine(STD_OUTPUT_HANDLE, L"OutlookSubstitute: " + text);
}

std::wstring HexResult(HRESULT hr) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

void SetNamedEvent(const std::wstring& name) {
    if (name.empty())
        return;
    UniqueNullableHandle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (done)
        ::SetEvent(done.Get());
}

// What the control window's requests work on while the stand-in serves.
struct ControlContext {
    CommandBarSet* commandBars = nullptr;
    ExplorerWindow* explorer = nullptr;
    AddinHost* addins = nullptr;
    std::deque<std::wstring> reconnectEvents;
};
ControlContext g_control;

// "EVENT\nTAG" from a request; false when it is malformed.
bool SplitRequest(const COPYDATASTRUCT& data, std::wstring& event, std::wstring& tag) {
    if (!data.lpData || data.cbData % sizeof(wchar_t) != 0)
        return false;
    std::wstring text(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    size_t newline = text.find(L'\n');
    if (newline == std::wstring::npos)
        return false;
    event = text.substr(0, newline);
    tag = text.substr(newline + 1);
    return true;
}

LRESULT OnClickControlRequest(const COPYDATASTRUCT& data) {
    std::wstring event, tag;
    if (!SplitRequest(data, event, tag) || !g_control.commandBars || !g_control.explorer)
        return FALSE;
    CommandBarSet::Criteria criteria;
    criteria.tag = &tag;
    auto control = g_control.commandBars->FindControl(criteria);
    if (!control)
        return FALSE;
    g_control.explorer->PostClick(control->serial, event);
    return TRUE;
}

LRESULT OnReconnectRequest(HWND window, const COPYDATASTRUCT& data) {
    std::wstring event, ignored;
    if (!SplitRequest(data, event, ignored) || !g_control.addins)
        return FALSE;
    // Done from the message loop: add-ins must not run inside another process's sent message.
    g_control.reconnectEvents.push_back(event);
    ::PostMessageW(window, kMsgReconnectAddins, 0, 0);
    return TRUE;
}

void OnReconnectAddins() {
    if (g_control.reconnectEvents.empty())
        return;
    std::wstring event = g_control.reconnectEvents.front();
    g_control.reconnectEvents.pop_front();
    if (g_control.addins)
        g_control.addins->Reconnect();
    SetNamedEvent(event);
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        ::PostQuitMessage(0);
        return 0;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!data)
            return FALSE;
        if (data->dwData == kCopyClickControl)
            return OnClickControlRequest(*data);
        if (data->dwData == kCopyReconnectAddins)
            return OnReconnectRequest(window, *data);
        return FALSE;
    }
    case kMsgReconnectAddins:
        OnReconnectAddins();
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

// A hidden message-only window through which --stop reaches a running stand-in.
HWND CreateControlWindow(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kControlWindowClass;
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, kControlWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                             nullptr);
}

int StopRunningServer() {
    HWND control = ::FindWindowExW(HWND_MESSAGE, nullptr, kControlWindowClass, nullptr);
    if (!control) {
        PrintLine(STD_OUTPUT_HANDLE, L"OutlookSubstitute: no stand-in is running");
        return kOk;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(control, &pid);
    UniqueNullableHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    ::PostMessageW(control, WM_CLOSE, 0, 0);
    if (process && ::WaitForSingleObject(process.Get(), kStopTimeoutMs) != WAIT_OBJECT_0) {
        PrintError(L"the running stand-in did not end in time");
        return kFailure;
    }
    return kOk;
}

// Sends a request to the running stand-in and waits until it was carried out.
int SendRequest(ULONG_PTR kind, const std::wstring& tag, const wchar_t* refusal) {
    HWND control = ::FindWindowExW(HWND_MESSAGE, nullptr, kControlWindowClass, nullptr);
    if (!control) {
        PrintError(L"no stand-in is running");
        return kFailure;
    }
    std::wstring event = L"VaroStandInRequest" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                         std::to_wstring(::GetTickCount());
    UniqueNullableHandle done(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    if (!done) {
        PrintError(L"cannot create the event to wait on");
        return kFailure;
    }
    std::wstring text = event + L"\n" + tag;
    COPYDATASTRUCT data = {kind, static_cast<DWORD>(text.size() * sizeof(wchar_t)), &text[0]};
    DWORD_PTR accepted = FALSE;
    if (!::SendMessageTimeoutW(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                               kRequestTimeoutMs, &accepted) ||
        !accepted) {
        PrintError(refusal);
        return kFailure;
    }
    if (::WaitForSingleObject(done.Get(), kRequestTimeoutMs) != WAIT_OBJECT_0) {
        PrintError(L"the running stand-in did not carry out the request in time");
        return kFailure;
    }
    return kOk;
}

// The class that clients find through the ProgID; our own when the stand-in is not registered.
CLSID ServedClassId() {
    CLSID clsid = kStandInClassId;
    if (FAILED(::CLSIDFromProgID(kProgId, &clsid))) {
        PrintError(
            L"Outlook.Application is not registered (run --register); clients will not find this server");
        clsid = kStandInClassId;
    }
    return clsid;
}

bool AnotherServerIsRunning(const CLSID& clsid) {
    ComPtr<IUnknown> running;
    return SUCCEEDED(::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf())) && running;
}

std::vector<size_t> ZeroBased(const std::vector<size_t>& oneBased, size_t count, std::wstring& error) {
    std::vector<size_t> out;
    for (size_t n : oneBased) {
        if (n > count) {
            error = L"--select " + std::to_wstring(n) + L": the mailbox has only " + std::to_wstring(count) +
                    L" items";
            return {};
        }
        out.push_back(n - 1);
    }
    return out;
}

void RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

int Serve(HINSTANCE instance, int showCommand, const ServerOptions& options) {
    ServerState state;
    state.failSaveAs = options.failSaveAs;
    state.failSaveAsAt = options.failSaveAsAt;
    state.holdSaveAsAt = options.holdSaveAsAt;
    state.holdEvent = options.holdEvent;
    if (!options.mailbox.empty()) {
        std::wstring error;
        if (!LoadMailbox(options.mailbox, state.mails, error)) {
            PrintError(error);
            return kBadCommandLine;
        }
    }
    std::wstring error;
    std::vector<size_t> preselect = ZeroBased(options.select, state.mails.size(), error);
    if (!error.empty()) {
        PrintError(error);
        return kBadCommandLine;
    }

    const CLSID clsid = ServedClassId();
    if (AnotherServerIsRunning(clsid)) {
        PrintError(L"an Outlook.Application is already running; only one may be in the running-object table");
        return kAlreadyRunning;
    }
    state.failCommandBars = options.failCommandBars;
    state.failActiveMenuBar = options.failActiveMenuBar;
    HWND control = CreateControlWindow(instance);
    std::unique_ptr<CommandBarSet> commandBars;
    std::unique_ptr<ExplorerWindow> explorer;
    if (!options.noExplorer) {
        commandBars = std::make_unique<CommandBarSet>();
        commandBars->LoadPermanentBars();
        state.commandBars = commandBars.get();
        explorer = std::make_unique<ExplorerWindow>(state);
        if (!explorer->Create(instance, showCommand)) {
            PrintError(L"cannot create the explorer window");
            return kFailure;
        }
        explorer->Select(preselect);
        state.explorer = explorer.get();
    }
    if (options.exitAfterCalls >= 0)
        CallBudget::Limit(options.exitAfterCalls);

    ComPtr<_Application> application;
    application.Attach(new ApplicationObject(state));
    ComPtr<IDispatch> applicationDispatch;
    application.As(IID_IDispatch, applicationDispatch);
    state.applicationEvents.Attach(
        new ConnectionPoint(DIID_ApplicationEvents, [application](IConnectionPointContainer** out) {
            return application->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
        }));
    DWORD factoryCookie = 0;
    ComPtr<ClassFactory> factory;
    if (options.startedByCom) {
        factory.Attach(new ClassFactory(application.Get()));
        HRESULT registered = ::CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER,
                                                     REGCLS_MULTIPLEUSE, &factoryCookie);
        if (FAILED(registered)) {
            // COM started us for a client that now waits for this class object: say why it never comes.
            PrintError(L"cannot register the class object with COM (" + HexResult(registered) +
                       L"); the client that started the stand-in will not reach it");
            return kFailure;
        }
    }
    DWORD rotCookie = 0;
    HRESULT hr = ::RegisterActiveObject(application.Get(), clsid, ACTIVEOBJECT_STRONG, &rotCookie);
    if (FAILED(hr)) {
        PrintError(L"cannot enter the running-object table");
        if (factoryCookie)
            ::CoRevokeClassObject(factoryCookie);
        return kFailure;
    }

    AddinHost addins(applicationDispatch.Get(), PrintInfo);
    if (options.timeAddins > 0) {
        addins.TimeConnections(static_cast<int>(options.timeAddins));
        ::PostQuitMessage(0);
    } else {
        addins.ConnectAtStartup();
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        state.applicationEvents->Fire(kDispidStartup, none);
    }
    g_control = {commandBars.get(), explorer.get(), &addins, {}};
    if (commandBars) {
        ExplorerWindow* window = explorer.get();
        commandBars->SetChangeHandler([window] { window->CommandBarsChanged(); });
        commandBars->SetActionHandler([window, &addins](BuiltinAction action) {
            if (action == BuiltinAction::Close)
                ::DestroyWindow(window->Handle());
            else if (action == BuiltinAction::ReconnectAddins)
                addins.Reconnect();
        });
        explorer->CommandBarsChanged();
    }
    PrintLine(STD_OUTPUT_HANDLE, kReadyLine);
    if (!options.readyEvent.empty()) {
        UniqueNullableHandle ready(::CreateEventW(nullptr, TRUE, FALSE, options.readyEvent.c_str()));
        if (ready)
            ::SetEvent(ready.Get());
    }

    RunMessageLoop();

    // Outlook's order at exit: Quit to the application's listeners, then the add-ins go.
    if (options.timeAddins == 0) {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        state.applicationEvents->Fire(kDispidQuit, none);
    }
    addins.Shutdown();
    g_control = {};
    if (commandBars) {
        commandBars->SetChangeHandler(nullptr);
        commandBars->SetActionHandler(nullptr);
        if (!commandBars->SavePermanentBars())
            PrintError(L"cannot save the permanent command bars");
        commandBars->DisconnectAllSinks();
    }
    state.applicationEvents->DisconnectAll();

    ::RevokeActiveObject(rotCookie, nullptr);
    if (factoryCookie)
        ::CoRevokeClassObject(factoryCookie);
    ::CoDisconnectObject(application.Get(), 0);
    state.explorer = nullptr;
    explorer.reset();
    state.commandBars = nullptr;
    if (control)
        ::DestroyWindow(control);
    return kOk;
}

std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv)
        return args;
    for (int i = 1; i < count; ++i)
        args.emplace_back(argv[i]);
    ::LocalFree(argv);
    return args;
}

// Keeps OLE initialised for the lifetime of main's work.
class OleSession {
public:
    OleSession() : m_hr(::OleInitialize(nullptr)) {}
    ~OleSession() {
        if (SUCCEEDED(m_hr))
            ::OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    bool Ok() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    ServerOptions options;
    std::wstring error;
    if (!ParseServerOptions(Arguments(), options, error)) {
        PrintError(error + L" (see --help)");
        return kBadCommandLine;
    }
    switch (options.action) {
    case ServerOptions::Action::Help:
        PrintLine(STD_OUTPUT_HANDLE, ServerUsage());
        return kOk;
    case ServerOptions::Action::Stop:
        return StopRunningServer();
    case ServerOptions::Action::ClickControl:
        return SendRequest(kCopyClickControl, options.clickTag, L"no control has that tag");
    case ServerOptions::Action::ReconnectAddins:
        return SendRequest(kCopyReconnectAddins, L"",
                           L"the running stand-in refused to reconnect its add-ins");
    default:
        break;
    }
    OleSession ole;
    if (!ole.Ok()) {
        PrintError(L"cannot initialise OLE");
        return kFailure;
    }
    if (options.action == ServerOptions::Action::Register ||
        options.action == ServerOptions::Action::Unregister) {
        std::wstring message;
        RegistrationResult result = options.action == ServerOptions::Action::Register
                                        ? RegisterServer(options.mailbox, message)
                                        : UnregisterServer(message);
        if (result == kRegistered)
            PrintLine(STD_OUTPUT_HANDLE, L"OutlookSubstitute: " + message);
        else
            PrintError(message);
        return result;
    }
    return Serve(instance, showCommand, options);
}
