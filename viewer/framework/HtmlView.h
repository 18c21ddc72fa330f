// A view that shows web pages: it embeds the system's web-browser control, sizes it with the
// view and offers Navigate2, GoBack and the browser's Copy, Cut and Paste commands.
#pragma once
#include "BrowserSite.h"
#include "ComPtr.h"
#include "View.h"

#include <exdisp.h>

#include <string>

class CHtmlView : public CView {
public:
    CHtmlView();
    ~CHtmlView() override;

    // Shows the page at url (a file path or URL); no flags, target frame, headers or post data.
    void Navigate2(const char* url);
    void GoBack();
    // The location the browser shows or is going to; empty before the first navigation.
    std::string GetLocationURL() const;
    IWebBrowser2* GetBrowser() const { return m_browser.Get(); }

    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnUpdateEditCommand(CCmdUI* ui);

protected:
    BOOL OnViewCmdMsg(UINT id, int code, CCmdUI* ui) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    void OnSize(int width, int height) override;
    void OnDestroy() override;

private:
    bool CreateBrowser();
    void ReleaseBrowser();
    // Runs an edit command through the control's command target.
    void ExecBrowserCommand(OLECMDID command);

    CBrowserSite m_site;
    ComPtr<IOleObject> m_oleObject;
    ComPtr<IWebBrowser2> m_browser;
};
