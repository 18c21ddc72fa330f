// A dialog built from a dialog template resource and run modally by our own message loop, so
// that PreTranslateMessage of the dialog and its bound controls sees every message first.
#pragma once
#include "Wnd.h"

#include <string>

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);

    // Shows the dialog and runs until EndDialog; returns its result, or -1 when the template
    // could not be loaded. Without a parent the thread's active window becomes the owner.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // Caption for the program's own message boxes: the application title string, else "VARO".
    static std::string AppTitle();

protected:
    // Runs the data exchange; TRUE lets the dialog manager set the default focus.
    virtual BOOL OnInitDialog();
    // Binds controls to members and fills their texts (see BindControl, SetControlText).
    virtual void DoDataExchange() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Colour request of the dialog (WM_CTLCOLORDLG) or of a control that does not answer the
    // request itself; the result is the background brush.
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT message);

    bool BindControl(int id, CWnd& control);
    void SetControlText(int id, const std::string& text);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Offers the message to the bound windows from its target up to the dialog.
    bool PreTranslateChain(MSG& msg);

    UINT m_templateId;
    HWND m_parent;
    bool m_ended = false;
    INT_PTR m_result = -1;
};
