// Base of every window class of the viewer: binds a window handle to a C++ object and hands
// each message to the virtual WindowProc, whose override dispatches to one handler per message.
#pragma once
#include <windows.h>

// Notifications that a control sends to its parent come back to the control itself, offset by this.
constexpr UINT WM_REFLECT_BASE = WM_USER + 0x1C00;

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to a window of this process, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Registers a window class whose procedure routes to CWnd objects (once per name).
    static bool RegisterWndClass(const char* className, UINT classStyle, HICON icon, HCURSOR cursor,
                                 HBRUSH background, HICON smallIcon = nullptr);
    // Creates a window of a class registered with RegisterWndClass, bound to this object.
    bool CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId, void* param = nullptr);

    // Binds an existing window (a dialog control, say) to this object by replacing its procedure.
    bool SubclassWindow(HWND hwnd);
    HWND UnsubclassWindow();

    virtual BOOL DestroyWindow();
    // Chance to handle a message before it is translated and dispatched; TRUE means handled.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Called by the parent for notifications it received from this control; TRUE means handled.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Runs when SubclassWindow has bound a window, before the first message arrives through it.
    virtual void PreSubclassWindow() {}
    // Runs after the last message (WM_NCDESTROY) of the window; the handle is already cleared.
    virtual void PostNcDestroy() {}

    // Default processing of the message being handled now.
    LRESULT Default();
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Hands a control's notification back to the control (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, ...).
    static BOOL ReflectChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The message currently being handled by this window.
    const MSG& CurrentMessage() const { return m_current; }

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Bind(HWND hwnd);
    void Unbind();

    WNDPROC m_superProc = nullptr; // procedure that was replaced by subclassing, if any
    MSG m_current{};
};
