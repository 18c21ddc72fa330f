#include "Dialog.h"

#include "FrameworkIds.h"

namespace {
constexpr const char* kFallbackAppTitle = "VARO";
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

std::string CDialog::AppTitle() {
    char title[256] = {};
    if (::LoadStringA(::GetModuleHandleA(nullptr), AFX_IDS_APP_TITLE, title, sizeof title) > 0)
        return title;
    return kFallbackAppTitle;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent ? m_parent : ::GetActiveWindow();
    if (owner)
        owner = ::GetAncestor(owner, GA_ROOT);
    m_ended = false;
    m_result = -1;
    HWND hwnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd)
        return -1;

    // Modal: the owner takes no input until the dialog ends.
    const bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner)
        ::EnableWindow(owner, FALSE);
    if (!m_ended)
        ::ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (!m_ended && ::IsWindow(hwnd)) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam)); // leave the quit to the outer loop
            break;
        }
        if (got < 0)
            break;
        if (PreTranslateChain(msg) || ::IsDialogMessageA(hwnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }

    // Re-enable the owner before the dialog goes, so that activation returns to it.
    if (disabledOwner)
        ::EnableWindow(owner, TRUE);
    if (::IsWindow(hwnd)) {
        if (owner && ::GetActiveWindow() == hwnd)
            ::SetActiveWindow(owner);
        ::DestroyWindow(hwnd);
    }
    return m_result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    m_ended = true;
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0); // wake the loop if the call came from outside it
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

HBRUSH CDialog::OnCtlColor(HDC, HWND, UINT) {
    return reinterpret_cast<HBRUSH>(Default());
}

bool CDialog::BindControl(int id, CWnd& control) {
    if (control.GetSafeHwnd())
        return control.GetSafeHwnd() == GetDlgItem(id);
    return control.SubclassWindow(GetDlgItem(id));
}

void CDialog::SetControlText(int id, const std::string& text) {
    ::SetDlgItemTextA(m_hWnd, id, text.c_str());
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        LRESULT result = 0;
        if (lParam && ReflectChildNotify(msg, wParam, lParam, &result))
            return result;
        if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return 0;
            }
        }
        return Default();
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        // A control that draws itself in its own colours (a link, say) keeps them.
        LRESULT result = 0;
        if (ReflectChildNotify(msg, wParam, lParam, &result))
            return result;
        return reinterpret_cast<LRESULT>(
            OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), msg));
    }
    case WM_ACTIVATE: {
        LRESULT result = Default();
        // Without a control that takes the focus, the dialog keeps it itself, or keys (the
        // cancel key among them) would reach it only as system keys.
        if (LOWORD(wParam) != WA_INACTIVE && !::GetFocus())
            ::SetFocus(m_hWnd);
        return result;
    }
    case WM_CTLCOLORDLG:
        return reinterpret_cast<LRESULT>(
            OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), msg));
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG)
        return FALSE; // everything else reaches the object through its window procedure
    auto* self = reinterpret_cast<CDialog*>(lParam);
    if (!self->SubclassWindow(hwnd))
        return TRUE;
    return self->OnInitDialog();
}

bool CDialog::PreTranslateChain(MSG& msg) {
    // Only the dialog's own windows: the disabled owner must not act on keys meanwhile.
    if (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd))
        return false;
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandlePermanent(hwnd); wnd && wnd->PreTranslateMessage(&msg))
            return true;
        if (hwnd == m_hWnd)
            break;
    }
    return false;
}
