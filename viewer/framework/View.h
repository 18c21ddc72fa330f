// A child window that fills the frame's client area and shows the document. Commands reach the
// view first; what it does not handle goes on to its document.
#pragma once
#include "CmdTarget.h"
#include "Wnd.h"

class CDocument;
class CFrameWnd;

class CView : public CWnd, public CCmdTarget {
public:
    CView() = default;
    ~CView() override = default;

    BOOL Create(CFrameWnd* parent, UINT id, CDocument* document);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    // Runs once the frame, view and document exist.
    virtual void OnInitialUpdate() {}

    CDocument* GetDocument() const { return m_pDocument; }
    // The view's own map, then the document.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;

protected:
    // The view's own command map; the base has none.
    virtual BOOL OnViewCmdMsg(UINT id, int code, CCmdUI* ui);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual int OnCreate(LPCREATESTRUCTA cs);
    virtual void OnSize(int width, int height);
    virtual void OnDestroy() {}
    void PostNcDestroy() override { delete this; }

    CDocument* m_pDocument = nullptr;
};
