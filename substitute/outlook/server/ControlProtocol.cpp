#include "ControlProtocol.h"

#include "AddinHost.h"
#include "CommandBarSet.h"
#include "Console.h"
#include "ExplorerWindow.h"
#include "RibbonHost.h"
#include "ServerOptions.h"
#include "StringConv.h"
#include "UniqueHandle.h"
#include "WindowMessages.h"

namespace {
constexpr DWORD kStopTimeoutMs = 20000;
constexpr DWORD kRequestTimeoutMs = 30000;
constexpr UINT kMsgAddinRequest = WM_APP + 1;

// A request's data is "EVENT\nTAG": EVENT is set once it was carried out. False when malformed.
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

void SetNamedEvent(const std::wstring& name) {
    if (name.empty())
        return;
    UniqueNullableHandle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (done)
        ::SetEvent(done.Get());
}

HWND FindControlWindow() {
    return ::FindWindowExW(HWND_MESSAGE, nullptr, kControlWindowClass, nullptr);
}
} // namespace

ControlWindow::~ControlWindow() {
    if (m_window)
        ::DestroyWindow(m_window);
}

bool ControlWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kControlWindowClass;
    ::RegisterClassExW(&wc);
    m_window = ::CreateWindowExW(0, kControlWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                 nullptr);
    if (m_window)
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return m_window != nullptr;
}

void ControlWindow::Attach(CommandBarSet* commandBars, ExplorerWindow* explorer, AddinHost* addins,
                           RibbonHost* ribbon) {
    m_commandBars = commandBars;
    m_explorer = explorer;
    m_addins = addins;
    m_ribbon = ribbon;
}

void ControlWindow::Detach() {
    Attach(nullptr, nullptr, nullptr, nullptr);
    m_addinRequests.clear();
}

LRESULT CALLBACK ControlWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ControlWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_CLOSE:
        ::PostQuitMessage(0);
        return 0;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        return self && data ? self->OnCopyData(*data) : FALSE;
    }
    case kMsgAddinRequest:
        if (self)
            self->OnAddinRequestPosted();
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ControlWindow::OnCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData == kCopyClickControl)
        return OnClickControlRequest(data);
    if (data.dwData == kCopyClickRibbon)
        return OnClickRibbonRequest(data);
    if (data.dwData == kCopyContextMenu)
        return OnContextMenuRequest(data);
    if (data.dwData == kCopyReconnectAddins || data.dwData == kCopyDisconnectAddins)
        return OnAddinRequest(data);
    return FALSE;
}

LRESULT ControlWindow::OnClickControlRequest(const COPYDATASTRUCT& data) {
    std::wstring event, tag;
    if (!SplitRequest(data, event, tag) || !m_commandBars || !m_explorer)
        return FALSE;
    CommandBarSet::Criteria criteria;
    criteria.tag = &tag;
    auto control = m_commandBars->FindControl(criteria);
    if (!control)
        return FALSE;
    m_explorer->PostClick(control->serial, event);
    return TRUE;
}

LRESULT ControlWindow::OnClickRibbonRequest(const COPYDATASTRUCT& data) {
    std::wstring event, id;
    if (!SplitRequest(data, event, id) || !m_ribbon || !m_explorer || !m_ribbon->ExplorerHasRibbon())
        return FALSE;
    std::wstring addin;
    RibbonHost::Context context;
    if (!m_ribbon->Find(WideToUtf8(id), addin, context))
        return FALSE;
    m_explorer->PostRibbonClick(addin, WideToUtf8(id), context, event);
    return TRUE;
}

LRESULT ControlWindow::OnContextMenuRequest(const COPYDATASTRUCT& data) {
    std::wstring event, ignored;
    if (!SplitRequest(data, event, ignored) || !m_explorer)
        return FALSE;
    return m_explorer->PostContextMenu(event) ? TRUE : FALSE;
}

LRESULT ControlWindow::OnAddinRequest(const COPYDATASTRUCT& data) {
    std::wstring event, ignored;
    if (!SplitRequest(data, event, ignored) || !m_addins)
        return FALSE;
    // Done from the message loop: add-ins must not run inside another process's sent message.
    m_addinRequests.emplace_back(data.dwData, event);
    ::PostMessageW(m_window, kMsgAddinRequest, 0, 0);
    return TRUE;
}

void ControlWindow::OnAddinRequestPosted() {
    if (m_addinRequests.empty())
        return;
    auto [kind, event] = m_addinRequests.front();
    m_addinRequests.pop_front();
    if (m_addins && kind == kCopyReconnectAddins)
        m_addins->Reconnect();
    else if (m_addins && kind == kCopyDisconnectAddins)
        m_addins->DisconnectAll();
    SetNamedEvent(event);
}

int StopRunningServer() {
    HWND control = FindControlWindow();
    if (!control) {
        Console::Info(L"no stand-in is running");
        return kOk;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(control, &pid);
    UniqueNullableHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    ::PostMessageW(control, WM_CLOSE, 0, 0);
    if (process && ::WaitForSingleObject(process.Get(), kStopTimeoutMs) != WAIT_OBJECT_0) {
        Console::Error(L"the running stand-in did not end in time");
        return kFailure;
    }
    return kOk;
}

int SendControlRequest(ULONG_PTR kind, const std::wstring& tag, const wchar_t* refusal) {
    HWND control = FindControlWindow();
    if (!control) {
        Console::Error(L"no stand-in is running");
        return kFailure;
    }
    std::wstring event = L"VaroStandInRequest" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                         std::to_wstring(::GetTickCount());
    UniqueNullableHandle done(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    if (!done) {
        Console::Error(L"cannot create the event to wait on");
        return kFailure;
    }
    std::wstring text = event + L"\n" + tag;
    COPYDATASTRUCT data = {kind, static_cast<DWORD>(text.size() * sizeof(wchar_t)), &text[0]};
    DWORD_PTR accepted = FALSE;
    if (!::SendMessageTimeoutW(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                               kRequestTimeoutMs, &accepted) ||
        !accepted) {
        Console::Error(refusal);
        return kFailure;
    }
    if (::WaitForSingleObject(done.Get(), kRequestTimeoutMs) != WAIT_OBJECT_0) {
        Console::Error(L"the running stand-in did not carry out the request in time");
        return kFailure;
    }
    return kOk;
}
