#include "HyperLink.h"

#include "Dialog.h"
#include "LinkText.h"
#include "RegKey.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {
constexpr UINT kHoverPeriodMs = 100;
constexpr UINT_PTR kTipToolId = 1;
constexpr int kHandCursorId = 106;
constexpr const char* kHelpProgram = "\\winhlp32.exe";
constexpr const char* kWebPageExtension = ".htm";
constexpr const char* kOpenCommandKey = "\\shell\\open\\command";
constexpr int kHoverEndExtraBottom = 10; // the underline may reach below the client area

TOOLINFOA ToolInfo(HWND owner) {
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = owner;
    info.uId = kTipToolId;
    return info;
}
} // namespace

CHyperLink::~CHyperLink() {
    if (m_hWnd)
        ::KillTimer(m_hWnd, hoverTimerId);
}

void CHyperLink::PreSubclassWindow() {
    ModifyStyle(0, SS_NOTIFY); // the static control reports clicks only with this style

    int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    ::GetWindowTextA(m_hWnd, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    if (target.empty())
        target = text;
    if (text.empty())
        ::SetWindowTextA(m_hWnd, target.c_str());

    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    if (!font)
        font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!font)
        font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    LOGFONTA description{};
    ::GetObjectA(font, sizeof description, &description);
    fontPlain.Reset(::CreateFontIndirectA(&description));
    description.lfUnderline = TRUE;
    fontUnderlined.Reset(::CreateFontIndirectA(&description));

    FitWindowToText();
    LoadHandCursor();
    CreateTip();
    CStatic::PreSubclassWindow();
}

void CHyperLink::CreateTip() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&init);
    tipControl.Reset(::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr));
    if (!tipControl)
        return;
    TOOLINFOA info = ToolInfo(m_hWnd);
    ::GetClientRect(m_hWnd, &info.rect);
    info.lpszText = const_cast<char*>(target.c_str()); // the control keeps its own copy
    ::SendMessageA(tipControl.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void CHyperLink::SetTarget(const std::string& newTarget) {
    target = newTarget;
    if (!m_hWnd)
        return;
    FitWindowToText();
    if (tipControl) {
        TOOLINFOA info = ToolInfo(m_hWnd);
        info.lpszText = const_cast<char*>(target.c_str());
        ::SendMessageA(tipControl.Get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void CHyperLink::FitWindowToText() {
    if (!m_hWnd)
        return;
    HWND parent = ParentWindow();
    RECT window{}, client{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&client.left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&client.right));
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&client), 2);

    int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    ::GetWindowTextA(m_hWnd, &text[0], length + 1);
    SIZE extent{};
    if (UniqueWindowDc dc(m_hWnd); dc) {
        SelectedObject font(dc.Get(), fontUnderlined.Get());
        ::GetTextExtentPoint32A(dc.Get(), text.c_str(), length, &extent);
    }

    const int wantedHeight = extent.cy + (client.top - window.top) + (window.bottom - client.bottom);
    const int wantedWidth = extent.cx + (client.left - window.left) + (window.right - client.right);
    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        int inset = ((window.bottom - window.top) - wantedHeight) / 2;
        window.top += inset;
        window.bottom -= inset;
    } else {
        window.bottom = window.top + wantedHeight;
    }
    // SS_CENTER and SS_RIGHT are values of the alignment field, not single bits.
    const DWORD alignment = style & SS_TYPEMASK;
    if (alignment == SS_CENTER) {
        int inset = ((window.right - window.left) - wantedWidth) / 2;
        window.left += inset;
        window.right -= inset;
    } else if (alignment == SS_RIGHT) {
        window.left = window.right - wantedWidth;
    } else {
        window.right = window.left + wantedWidth;
    }
    ::SetWindowPos(m_hWnd, nullptr, window.left, window.top, window.right - window.left,
                   window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::LoadHandCursor() {
    if (handCursor)
        return;
    char folder[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::string path = std::string(folder) + kHelpProgram;
    // Only its resources are wanted: load it as data, run none of its code.
    UniqueModule program(::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!program)
        return;
    if (HCURSOR cursor = ::LoadCursorA(program.Get(), MAKEINTRESOURCEA(kHandCursorId)))
        handCursor.Reset(::CopyIcon(cursor));
}

LONG CHyperLink::ReadRegistryDefault(HKEY root, const std::string& subKey, std::string& value) {
    RegKey key;
    LONG error = key.Open(root, subKey.c_str(), KEY_QUERY_VALUE);
    if (error != ERROR_SUCCESS)
        return error;
    // Sized by the value itself: a long registered command is read whole.
    DWORD type = 0, size = 0;
    error = ::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, nullptr, &size);
    if (error != ERROR_SUCCESS)
        return error;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    std::string buffer(size + 1, '\0');
    error =
        ::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size);
    if (error != ERROR_SUCCESS)
        return error;
    buffer.resize(buffer.find('\0'));
    value = std::move(buffer);
    return ERROR_SUCCESS;
}

int CHyperLink::OpenTarget(const std::string& linkTarget, int showCommand) {
    auto shellResult = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", linkTarget.c_str(), nullptr, nullptr, showCommand));
    if (shellResult > HINSTANCE_ERROR)
        return static_cast<int>(shellResult);

    std::string pageClass, openCommand;
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, kWebPageExtension, pageClass) != ERROR_SUCCESS)
        return static_cast<int>(shellResult);
    if (ReadRegistryDefault(HKEY_CLASSES_ROOT, pageClass + kOpenCommandKey, openCommand) != ERROR_SUCCESS)
        return static_cast<int>(shellResult);
    std::string commandLine = linktext::BuildFallbackCommandLine(openCommand, linkTarget);
    return static_cast<int>(::WinExec(commandLine.c_str(), static_cast<UINT>(showCommand)));
}

void CHyperLink::ReportOpenError(int code) {
    HWND owner = m_hWnd ? ::GetAncestor(m_hWnd, GA_ROOT) : nullptr;
    ::MessageBoxA(owner, linktext::OpenErrorMessage(code).c_str(), CDialog::AppTitle().c_str(),
                  MB_ICONEXCLAMATION | MB_OK);
}

BOOL CHyperLink::DestroyWindow() {
    if (m_hWnd)
        ::KillTimer(m_hWnd, hoverTimerId);
    return CStatic::DestroyWindow();
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg) {
    if (tipControl)
        ::SendMessageA(tipControl.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CStatic::PreTranslateMessage(msg);
}

BOOL CHyperLink::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    if (msg == WM_CTLCOLORSTATIC) {
        *result = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam)));
        return TRUE;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnClicked();
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

LRESULT CHyperLink::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETCURSOR:
        if (OnSetCursor())
            return TRUE;
        return Default();
    case WM_MOUSEMOVE:
        OnMouseMove();
        return Default();
    case WM_TIMER:
        OnTimer();
        return Default();
    case WM_ERASEBKGND:
        return TRUE; // the parent's background shows through
    default:
        return CStatic::WindowProc(msg, wParam, lParam);
    }
}

HBRUSH CHyperLink::OnCtlColor(HDC dc) {
    ::SetTextColor(dc, hovering ? colorHover : visited ? colorVisited : colorNormal);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor() {
    if (!handCursor)
        return FALSE;
    ::SetCursor(handCursor.Get());
    return TRUE;
}

void CHyperLink::OnMouseMove() {
    if (hovering)
        return;
    hovering = true;
    ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(fontUnderlined.Get()), TRUE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::SetTimer(m_hWnd, hoverTimerId, kHoverPeriodMs, nullptr);
}

void CHyperLink::OnTimer() {
    DWORD position = ::GetMessagePos();
    POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::ScreenToClient(m_hWnd, &point);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (::PtInRect(&client, point))
        return;
    hovering = false;
    ::KillTimer(m_hWnd, hoverTimerId);
    ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(fontPlain.Get()), TRUE);
    client.bottom += kHoverEndExtraBottom;
    ::InvalidateRect(m_hWnd, &client, TRUE);
}

void CHyperLink::OnClicked() {
    hovering = false;
    int result = OpenTarget(target, SW_SHOW);
    if (result > HINSTANCE_ERROR) {
        visited = true;
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    } else {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ReportOpenError(result);
    }
}
