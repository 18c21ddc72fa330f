// OutlookSubstitute: an out-of-process automation server that stands in for Outlook in tests and
// the demo. It serves real mail files through the few Outlook.Application members the viewer uses.
// The command line picks what this process does: serve, register, or ask the one that serves.
#include "Console.h"
#include "ControlProtocol.h"
#include "Registration.h"
#include "Server.h"
#include "ServerOptions.h"
#include "WindowMessages.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {
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

// A request to the stand-in that serves already; -1 when the action is none.
int AskRunningServer(const ServerOptions& options) {
    switch (options.action) {
    case ServerOptions::Action::Stop:
        return StopRunningServer();
    case ServerOptions::Action::ClickControl:
        return SendControlRequest(kCopyClickControl, options.clickTag, L"no control has that tag");
    case ServerOptions::Action::ClickRibbon:
        return SendControlRequest(kCopyClickRibbon, options.ribbonId,
                                  L"no enabled ribbon control or context-menu item has that id");
    case ServerOptions::Action::ContextMenu:
        return SendControlRequest(kCopyContextMenu, L"",
                                  L"no context menu: nothing is selected or the explorer has no ribbon");
    case ServerOptions::Action::DisconnectAddins:
        return SendControlRequest(kCopyDisconnectAddins, L"",
                                  L"the running stand-in refused to disconnect its add-ins");
    case ServerOptions::Action::ReconnectAddins:
        return SendControlRequest(kCopyReconnectAddins, L"",
                                  L"the running stand-in refused to reconnect its add-ins");
    default:
        return -1;
    }
}

int RegisterOrUnregister(const ServerOptions& options) {
    std::wstring message;
    RegistrationResult result = options.action == ServerOptions::Action::Register
                                    ? RegisterServer(options.mailbox, message)
                                    : UnregisterServer(message);
    if (result == kRegistered)
        Console::Info(message);
    else
        Console::Error(message);
    return result;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    ServerOptions options;
    std::wstring error;
    if (!ParseServerOptions(Arguments(), options, error)) {
        Console::Error(error + L" (see --help)");
        return kBadCommandLine;
    }
    if (options.action == ServerOptions::Action::Help) {
        Console::Text(ServerUsage());
        return kOk;
    }
    int asked = AskRunningServer(options);
    if (asked >= 0)
        return asked;
    OleSession ole;
    if (!ole.Ok()) {
        Console::Error(L"cannot initialise OLE");
        return kFailure;
    }
    if (options.action == ServerOptions::Action::Register ||
        options.action == ServerOptions::Action::Unregister)
        return RegisterOrUnregister(options);
    return Serve(instance, showCommand, options);
}
