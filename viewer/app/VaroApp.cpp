#include "VaroApp.h"
#include "CommandLineInfo.h"
#include "DocTemplate.h"
#include "FrameWnd.h"
#include "Language.h"
#include "MainFrm.h"
#include "VaroDoc.h"
#include "VaroView.h"
#include "resource.h"

#ifdef VARO_HAVE_ABOUT
#include "AboutDlg.h"
#endif

namespace {
// The framework keeps the profile under HKEY_CURRENT_USER\Software\<this>\<application name>.
constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
constexpr UINT kRecentFiles = 4;

const CmdMapEntry<CVaroApp> kCommands[] = {
    OnCommand(ID_APP_ABOUT, &CVaroApp::OnAppAbout),
    OnCommand<CVaroApp>(ID_FILE_NEW, &CWinApp::OnFileNew),
    OnCommand<CVaroApp>(ID_FILE_OPEN, &CWinApp::OnFileOpen),
};
} // namespace

CVaroApp theApp;

BOOL CVaroApp::InitInstance() {
    g_hResInstance = m_hInstance;
    PickStartupLanguage();
    AfxEnableControlContainer();
    AfxOleInit();
    SetRegistryKey(kRegistryKey);
    LoadStdProfileSettings(kRecentFiles);

    AddDocTemplate(CSingleDocTemplate::Make<CVaroDoc, CMainFrame, CVaroView>(IDR_MAINFRAME));

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine))
        return FALSE;

    ::ShowWindow(m_pMainWnd->GetSafeHwnd(), SW_SHOW);
    ::UpdateWindow(m_pMainWnd->GetSafeHwnd());
    return TRUE;
}

BOOL CVaroApp::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
    if (DispatchCmdMap(this, kCommands, id, code, ui))
        return TRUE;
    return CWinApp::OnCmdMsg(id, code, ui);
}

void CVaroApp::OnAppAbout() {
#ifdef VARO_HAVE_ABOUT
    CAboutDlg about(AfxGetMainHwnd());
    about.DoModal();
#endif
}
