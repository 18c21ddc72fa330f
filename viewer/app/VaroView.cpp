#include "VaroView.h"
#include "Trace.h"
#include "WinApp.h"
#include "resource.h"

namespace {
const CmdMapEntry<CVaroView> kCommands[] = {
    OnCommand(ID_VIEW_REFRESH, &CVaroView::OnRefresh),
};
} // namespace

CVaroView::~CVaroView() {
    ReleaseOutlook();
}

BOOL CVaroView::PreCreateWindow(CREATESTRUCTA& cs) {
    return CHtmlView::PreCreateWindow(cs);
}

BOOL CVaroView::OnViewCmdMsg(UINT id, int code, CCmdUI* ui) {
    if (DispatchCmdMap(this, kCommands, id, code, ui))
        return TRUE;
    return CHtmlView::OnViewCmdMsg(id, code, ui);
}

void CVaroView::OnRefresh() {
    HWND frame = ::GetAncestor(m_hWnd, GA_ROOT);
    AfxTrace("refresh", ::IsWindowVisible(frame) ? "shown" : "hidden");
    CVaroCapture::OnRefresh();
}

void CVaroView::ShowMessage(const char* text) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

void CVaroView::Navigate2(const char* path) {
    CHtmlView::Navigate2(path);
}
