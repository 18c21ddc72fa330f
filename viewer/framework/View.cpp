#include "View.h"
#include "Document.h"
#include "FrameWnd.h"

namespace {
constexpr const char* kViewClass = "VaroView";
}

BOOL CView::Create(CFrameWnd* parent, UINT id, CDocument* document) {
    m_pDocument = document;
    if (!RegisterWndClass(kViewClass, CS_DBLCLKS, nullptr, ::LoadCursorA(nullptr, IDC_ARROW),
                          reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return FALSE;
    CREATESTRUCTA cs{};
    cs.lpszClass = kViewClass;
    cs.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    cs.dwExStyle = WS_EX_CLIENTEDGE;
    cs.hwndParent = parent->GetSafeHwnd();
    if (!PreCreateWindow(cs))
        return FALSE;
    return CreateEx(cs.dwExStyle, cs.lpszClass, "", cs.style, 0, 0, 0, 0, cs.hwndParent,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))
               ? TRUE
               : FALSE;
}

BOOL CView::PreCreateWindow(CREATESTRUCTA&) {
    return TRUE;
}

BOOL CView::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
    if (OnViewCmdMsg(id, code, ui))
        return TRUE;
    return m_pDocument ? m_pDocument->OnCmdMsg(id, code, ui) : FALSE;
}

BOOL CView::OnViewCmdMsg(UINT, int, CCmdUI*) {
    return FALSE;
}

LRESULT CView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lParam));
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        // Commands posted straight to the view's window (the frame sends Refresh this way).
        if (!lParam) {
            OnCmdMsg(LOWORD(wParam), CN_COMMAND, nullptr);
            return 0;
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

int CView::OnCreate(LPCREATESTRUCTA) {
    return 0;
}

void CView::OnSize(int, int) {}
