// OutlookSubstitute: an out-of-process automation server that stands in for Outlook in tests and
// the demo. It serves real mail files through the few Outlook.Application members the viewer uses.
#include "ApplicationObject.h"
#include "CallBudget.h"
#include "ClassFactory.h"
#include "ComPtr.h"
#include "ExplorerWindow.h"
#include "Mailbox.h"
#include "Registration.h"
#include "ServerOptions.h"
#include "StringConv.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <memory>

namespace {
constexpr wchar_t kControlClass[] = L"VaroOutlookSubstituteControl";
constexpr wchar_t kProgId[] = L"Outlook.Application";
constexpr wchar_t kReadyLine[] = L"OutlookSubstitute: ready";
constexpr DWORD kStopTimeoutMs = 20000;

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

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A hidden message-only window through which --stop reaches a running stand-in.
HWND CreateControlWindow(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kControlClass;
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, kControlClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

int StopRunningServer() {
    HWND control = ::FindWindowExW(HWND_MESSAGE, nullptr, kControlClass, nullptr);
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
    HWND control = CreateControlWindow(instance);
    std::unique_ptr<ExplorerWindow> explorer;
    if (!options.noExplorer) {
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
    DWORD factoryCookie = 0;
    ComPtr<ClassFactory> factory;
    if (options.startedByCom) {
        factory.Attach(new ClassFactory(application.Get()));
        ::CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                &factoryCookie);
    }
    DWORD rotCookie = 0;
    HRESULT hr = ::RegisterActiveObject(application.Get(), clsid, ACTIVEOBJECT_STRONG, &rotCookie);
    if (FAILED(hr)) {
        PrintError(L"cannot enter the running-object table");
        return kFailure;
    }
    PrintLine(STD_OUTPUT_HANDLE, kReadyLine);
    if (!options.readyEvent.empty()) {
        UniqueNullableHandle ready(::CreateEventW(nullptr, TRUE, FALSE, options.readyEvent.c_str()));
        if (ready)
            ::SetEvent(ready.Get());
    }

    RunMessageLoop();

    ::RevokeActiveObject(rotCookie, nullptr);
    if (factoryCookie)
        ::CoRevokeClassObject(factoryCookie);
    ::CoDisconnectObject(application.Get(), 0);
    state.explorer = nullptr;
    explorer.reset();
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
