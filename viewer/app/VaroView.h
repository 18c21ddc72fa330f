// The report view: the browser view that shows the page of the last capture. Its Refresh command
// is the capture run, and it keeps the capture's Outlook references until it is destroyed.
#pragma once
#include "HtmlView.h"
#include "VaroCapture.h"

class CVaroView : public CHtmlView, public CVaroCapture {
public:
    CVaroView() = default;
    ~CVaroView() override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    // The Refresh command: one capture run.
    void OnRefresh();

protected:
    BOOL OnViewCmdMsg(UINT id, int code, CCmdUI* ui) override;
    void ShowMessage(const char* text) override;
    void Navigate2(const char* path) override;
};
