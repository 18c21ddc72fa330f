// Main frame window: built from one resource id (menu, keys, icon), holds the bars and the view,
// routes commands (active view, then the frame, then the application), keeps menu items and tool
// bar buttons enabled as their handlers say and shows command prompts in the status bar.
#pragma once
#include "CmdTarget.h"
#include "Wnd.h"

#include <functional>
#include <string>

class CDocument;
class CStatusBar;
class CToolBar;
class CView;

// Style bit of the frame (not a window style): the document's title is added to the caption.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

// What the frame needs to make its view.
struct CCreateContext {
    std::function<CView*()> makeView;
    CDocument* document = nullptr;
};

class CFrameWnd : public CWnd, public CCmdTarget {
public:
    CFrameWnd() = default;
    ~CFrameWnd() override;

    BOOL LoadFrame(UINT resourceId, const char* title, DWORD style, CCreateContext* context);
    void InitialUpdateFrame();
    virtual void OnUpdateFrameTitle();

    // Routing: active view (and its document), then this frame's own map, then the application.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }

    // The status-bar prompt of a command: its string up to the first line feed.
    virtual void GetMessageString(UINT id, std::string& text) const;
    void SetMessageText(const char* text);
    // Shows the prompt of a command id; 0 empties the pane; the idle id shows the idle text.
    void SetMessageString(UINT id);

    void EnableDocking(DWORD sides) { m_dockSides = sides; }
    // Docks the bar on its side (the top unless only others are allowed); dragging its gripper moves it.
    void DockControlBar(CToolBar* bar);
    void RecalcLayout();
    // Idle-time state of the tool bar buttons and key indicators.
    void OnIdleUpdate();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    virtual int OnCreate(LPCREATESTRUCTA cs);
    virtual BOOL OnCreateClient(CCreateContext* context);
    // A command from a menu, a key or a control; TRUE when it was taken.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The frame's own command map (after the view, before the application).
    virtual BOOL OnFrameCmdMsg(UINT id, int code, CCmdUI* ui);
    void PostNcDestroy() override;

public:
    // Pane switching: the frame has one pane, the view, which gets the focus.
    void OnNextPane();

private:
    void OnSize();
    // Diagnosis: the menu bar into the trace.
    void OnTraceMenu();
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void OnInitMenuPopup(HMENU popup);
    LRESULT OnNotify(NMHDR* header);
    void OnClose();
    void OnDestroy();
    void OnSetFocus();
    bool IsCommandEnabled(UINT id);
    CToolBar* FindToolBar() const;
    CStatusBar* FindStatusBar() const;

    HACCEL m_hAccel = nullptr;
    CView* m_pActiveView = nullptr;
    DWORD m_dockSides = 0;
    std::string m_strTitle;
    std::string m_tipText;
    std::wstring m_tipTextWide;
    bool m_inMenu = false;
    bool m_bAddToTitle = false;
};
