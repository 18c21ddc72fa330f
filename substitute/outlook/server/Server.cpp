#include "Server.h"

#include "AddinHost.h"
#include "ApplicationObject.h"
#include "CallBudget.h"
#include "CommandBarSet.h"
#include "Console.h"
#include "ControlProtocol.h"
#include "ExplorerWindow.h"
#include "InterfaceKeeper.h"
#include "Mailbox.h"
#include "RibbonHost.h"
#include "ServedApplication.h"
#include "ServerState.h"
#include "UniqueHandle.h"
#include "com/TypeLibrary.h"

#include <memory>
#include <string>
#include <vector>

namespace {
// ApplicationEvents that the stand-in fires.
constexpr DISPID kDispidStartup = 0xf006;
constexpr DISPID kDispidQuit = 0xf007;

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

// The mails and the fault switches; false with a message when the mailbox or the selection is wrong.
bool LoadState(const ServerOptions& options, ServerState& state, std::vector<size_t>& preselect,
               std::wstring& error) {
    state.failSaveAs = options.failSaveAs;
    state.failSaveAsAt = options.failSaveAsAt;
    state.holdSaveAsAt = options.holdSaveAsAt;
    state.holdEvent = options.holdEvent;
    if (!options.mailbox.empty() && !LoadMailbox(options.mailbox, state.mails, error))
        return false;
    preselect = ZeroBased(options.select, state.mails.size(), error);
    return error.empty();
}

// The explorer window and its command bars; absent with --no-explorer.
struct Explorer {
    std::unique_ptr<CommandBarSet> commandBars;
    std::unique_ptr<ExplorerWindow> window;

    bool Open(HINSTANCE instance, int showCommand, const std::vector<size_t>& preselect, ServerState& state) {
        commandBars = std::make_unique<CommandBarSet>();
        commandBars->LoadPermanentBars();
        state.commandBars = commandBars.get();
        window = std::make_unique<ExplorerWindow>(state);
        if (!window->Create(instance, showCommand))
            return false;
        window->Select(preselect);
        state.explorer = window.get();
        return true;
    }
    // The bars' changes redraw the window; their built-in items act on the window and the add-ins.
    void Connect(AddinHost& addins) {
        ExplorerWindow* shown = window.get();
        commandBars->SetChangeHandler([shown] { shown->CommandBarsChanged(); });
        commandBars->SetActionHandler([shown, &addins](BuiltinAction action) {
            if (action == BuiltinAction::Close)
                ::DestroyWindow(shown->Handle());
            else if (action == BuiltinAction::ReconnectAddins)
                addins.Reconnect();
            else if (action == BuiltinAction::DisconnectAddins)
                addins.DisconnectAll();
        });
        shown->CommandBarsChanged();
    }
    // The permanent bars are kept for the next run; the add-ins' sinks are let go.
    void Disconnect() {
        commandBars->SetChangeHandler(nullptr);
        commandBars->SetActionHandler(nullptr);
        if (!commandBars->SavePermanentBars())
            Console::Error(L"cannot save the permanent command bars");
        commandBars->DisconnectAllSinks();
    }
    void Close(ServerState& state) {
        state.explorer = nullptr;
        window.reset();
        state.commandBars = nullptr;
    }
};

void SignalReady(const std::wstring& readyEvent) {
    Console::Info(L"ready");
    if (readyEvent.empty())
        return;
    UniqueNullableHandle ready(::CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str()));
    if (ready)
        ::SetEvent(ready.Get());
}

void RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void FireApplicationEvent(ServerState& state, DISPID id) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    state.applicationEvents->Fire(id, none);
}
} // namespace

int Serve(HINSTANCE instance, int showCommand, const ServerOptions& options) {
    ServerState state;
    std::vector<size_t> preselect;
    std::wstring error;
    if (!LoadState(options, state, preselect, error)) {
        Console::Error(error);
        return kBadCommandLine;
    }
    const CLSID clsid = ServedApplication::ClassId();
    if (ServedApplication::AlreadyRunning(clsid)) {
        Console::Error(
            L"an Outlook.Application is already running; only one may be in the running-object table");
        return kAlreadyRunning;
    }
    if (!options.programFiles.empty())
        ::SetEnvironmentVariableW(L"ProgramFiles", options.programFiles.c_str());
    state.failCommandBars = options.failCommandBars;
    state.failActiveMenuBar = options.failActiveMenuBar;
    state.outlookVersion = options.outlookVersion;
    // Before the explorer, which draws it, and kept until the add-ins and the explorer are gone.
    std::unique_ptr<RibbonHost> ribbon;
    if (options.outlookVersion >= 12) {
        ribbon = std::make_unique<RibbonHost>(state, options.outlookVersion, Console::Info);
        state.ribbon = ribbon.get();
    }

    ControlWindow control;
    control.Create(instance);
    Explorer explorer;
    if (!options.noExplorer && !explorer.Open(instance, showCommand, preselect, state)) {
        Console::Error(L"cannot create the explorer window");
        return kFailure;
    }
    if (options.exitAfterCalls >= 0)
        CallBudget::Limit(options.exitAfterCalls);

    ComPtr<_Application> application;
    application.Attach(new ApplicationObject(state));
    ComPtr<IDispatch> applicationDispatch;
    application.As(IID_IDispatch, applicationDispatch);
    state.applicationEvents.Attach(
        new com::ConnectionPoint(DIID_ApplicationEvents, [application](IConnectionPointContainer** out) {
            return application->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
        }));
    ComPtr<ITypeLib> library;
    com::LoadTypeLibrary({nullptr, 0, 0, true}, nullptr, library);
    InterfaceKeeper keeper(library.Get());
    ServedApplication served;
    if (!served.Begin(application.Get(), clsid, options.startedByCom))
        return kFailure;

    AddinHost addins(applicationDispatch.Get(), Console::Info);
    addins.SetRibbonHost(ribbon.get());
    if (options.timeAddins > 0) {
        addins.TimeConnections(static_cast<int>(options.timeAddins));
        ::PostQuitMessage(0);
    } else {
        addins.ConnectAtStartup();
        FireApplicationEvent(state, kDispidStartup);
    }
    control.Attach(explorer.commandBars.get(), explorer.window.get(), &addins, ribbon.get());
    if (explorer.commandBars)
        explorer.Connect(addins);
    SignalReady(options.readyEvent);

    RunMessageLoop();

    // Outlook's order at exit: Quit to the application's listeners, then the add-ins go.
    if (options.timeAddins == 0)
        FireApplicationEvent(state, kDispidQuit);
    addins.Shutdown();
    control.Detach();
    if (explorer.commandBars)
        explorer.Disconnect();
    state.applicationEvents->DisconnectAll();
    served.End();
    explorer.Close(state);
    state.ribbon = nullptr;
    return kOk;
}
