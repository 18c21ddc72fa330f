// A static control of a dialog turned into a web link: link colours, underline and hand cursor
// while the pointer is over it, a tooltip with the target, and a click that opens the target.
#pragma once
#include "Static.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <string>

class CHyperLink : public CStatic {
public:
    CHyperLink() = default;
    ~CHyperLink() override;

    void SetTarget(const std::string& newTarget);
    // Opens the target with the shell, else with the registered web-page opener; the result
    // code is greater than 32 on success.
    int OpenTarget(const std::string& linkTarget, int showCommand);
    void ReportOpenError(int code);
    void FitWindowToText();
    void LoadHandCursor();
    // Reads the default value of root\subKey: 0 on success, else the registry error code.
    static LONG ReadRegistryDefault(HKEY root, const std::string& subKey, std::string& value);

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    bool IsHovering() const { return hovering; }
    bool IsVisited() const { return visited; }
    const std::string& GetTarget() const { return target; }
    HCURSOR GetHandCursor() const { return handCursor.Get(); }
    HWND GetTipControl() const { return tipControl.Get(); }

    COLORREF colorNormal = RGB(0, 0, 238);
    COLORREF colorVisited = RGB(85, 26, 139);
    COLORREF colorHover = RGB(255, 0, 0);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct TipWindowTraits {
        using Handle = HWND;
        static Handle Invalid() { return nullptr; }
        static void Close(Handle h) {
            if (::IsWindow(h))
                ::DestroyWindow(h);
        }
    };

    HBRUSH OnCtlColor(HDC dc);
    void OnClicked();
    BOOL OnSetCursor();
    void OnMouseMove();
    void OnTimer();
    void CreateTip();
    HWND ParentWindow() const { return ::GetParent(m_hWnd); }

    bool hovering = false;
    bool visited = false;
    std::string target;
    UniqueFont fontPlain;
    UniqueFont fontUnderlined;
    UniqueIcon handCursor; // a copy of the help program's cursor
    UniqueResource<TipWindowTraits> tipControl;
    UINT_PTR hoverTimerId = 100;
};
