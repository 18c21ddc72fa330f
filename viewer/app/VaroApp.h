// The viewer's application object: brings the program up in its fixed order and runs the About box.
#pragma once
#include "WinApp.h"

class CVaroApp : public CWinApp {
public:
    BOOL InitInstance() override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    void OnAppAbout();
};
