#include "Wnd.h"

#include <unordered_map>
#include <utility>

namespace {
// All windows live on the one user-interface thread, so a plain map serves as the handle table.
std::unordered_map<HWND, CWnd*>& HandleMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}
// The object whose CreateEx is running: it is bound at the first message of its new window.
thread_local CWnd* t_creating = nullptr;
} // namespace

CWnd::~CWnd() {
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        Unbind();
        if (m_superProc)
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        else
            ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    auto& map = HandleMap();
    auto it = map.find(hwnd);
    return it == map.end() ? nullptr : it->second;
}

bool CWnd::RegisterWndClass(const char* className, UINT classStyle, HICON icon, HCURSOR cursor,
                            HBRUSH background, HICON smallIcon) {
    WNDCLASSEXA wc{};
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (::GetClassInfoExA(instance, className, &wc))
        return true;
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::StaticWndProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return ::RegisterClassExA(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, void* param) {
    CWnd* previous = std::exchange(t_creating, this);
    HWND hwnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent,
                                  menuOrId, ::GetModuleHandleA(nullptr), param);
    t_creating = previous;
    return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd))
        return false;
    Bind(hwnd);
    PreSubclassWindow();
    m_superProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
    return true;
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd && m_superProc)
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    m_superProc = nullptr;
    Unbind();
    return hwnd;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    // Offer the reflected message to the control; a handler that answers it returns non-zero
    // through the result and marks it handled by returning TRUE from its own override.
    (void)msg, (void)wParam, (void)lParam, (void)result;
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectChildNotify(msg, wParam, lParam, &result))
        return result;
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_superProc)
        return ::CallWindowProcA(m_superProc, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::ReflectChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return FALSE;
    }
    CWnd* target = child ? FromHandlePermanent(child) : nullptr;
    return target ? target->OnChildNotify(msg, wParam, lParam, result) : FALSE;
}

void CWnd::Bind(HWND hwnd) {
    m_hWnd = hwnd;
    HandleMap()[hwnd] = this;
}

void CWnd::Unbind() {
    if (m_hWnd)
        HandleMap().erase(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd && t_creating) {
        wnd = std::exchange(t_creating, nullptr);
        wnd->Bind(hwnd);
    }
    if (!wnd)
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);

    MSG saved = wnd->m_current;
    wnd->m_current = MSG{hwnd, msg, wParam, lParam, 0, {}};
    LRESULT result = wnd->WindowProc(msg, wParam, lParam);
    // A window that destroyed itself inside this message may have deleted its object already
    // (PostNcDestroy); only a window that is still bound gets its previous message back.
    if (FromHandlePermanent(hwnd) != wnd)
        return result;
    wnd->m_current = saved;

    if (msg == WM_NCDESTROY) {
        // The window is gone: detach, restore the original procedure, let the object finish.
        WNDPROC super = std::exchange(wnd->m_superProc, nullptr);
        if (super)
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        wnd->Unbind();
        wnd->PostNcDestroy();
    }
    return result;
}
