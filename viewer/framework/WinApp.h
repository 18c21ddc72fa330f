// The application object: start-up (InitInstance), the message loop with idle-time updates, the
// per-user profile key, the document template and the application-wide commands.
#pragma once
#include "CmdTarget.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CCommandLineInfo;
class CFrameWnd;
class CSingleDocTemplate;

class CWinApp : public CCmdTarget {
public:
    // The one application object of the program registers itself here.
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    // Idle-time work (tool bar and status bar states); runs when the message queue is empty.
    virtual BOOL OnIdle(LONG count);
    virtual BOOL PreTranslateMessage(MSG* msg);
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;

    // Profile: HKEY_CURRENT_USER\Software\<key>\<application name>.
    void SetRegistryKey(const char* key);
    void LoadStdProfileSettings(UINT maxRecentFiles = 4);
    void AddToRecentFileList(const std::string& path);
    std::string GetProfileKeyPath() const;

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    void ParseCommandLine(CCommandLineInfo& info);
    BOOL ProcessShellCommand(CCommandLineInfo& info);

    // Standard command handlers; a derived application lists the ones it offers in its map.
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();

    int DoMessageBox(const char* text, UINT type);

    HINSTANCE m_hInstance = nullptr;
    CFrameWnd* m_pMainWnd = nullptr;
    std::string m_strAppName;
    bool m_bOleInitialized = false;

private:
    std::vector<std::unique_ptr<CSingleDocTemplate>> m_templates;
    std::string m_strRegistryKey;
    std::vector<std::string> m_recentFiles;
    UINT m_nMaxRecentFiles = 0;

    void SaveStdProfileSettings();
};

CWinApp* AfxGetApp();
HWND AfxGetMainHwnd();
// Asks the user for a file with the standard dialog (filter "All Files (*.*)"); false when cancelled.
bool AfxPromptFileName(bool open, std::string& path);
// A message box owned by the main window and captioned with the application name.
int AfxMessageBox(const char* text, UINT type = MB_OK);
// Hosting of ActiveX controls; the browser view needs nothing more than OLE itself.
void AfxEnableControlContainer();
// OLE for this thread; undone when the application exits.
BOOL AfxOleInit();
// Entry of the program: runs the application object's start-up and message loop.
int AfxWinMain(HINSTANCE instance);
