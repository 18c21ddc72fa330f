// The viewer's main window: menu, tool bar, status bar and the report view; reads the report
// encoding at construction, copies the support files at creation and cleans the working folder
// when it is destroyed. Language switching, encodings, Go Back and help are its commands.
#pragma once
#include "FrameWnd.h"
#include "StatusBar.h"
#include "ToolBar.h"

#include <string>

// Other programs ask a running viewer for a new capture with this message.
constexpr UINT WM_VARO_REFRESH = WM_USER + 100;

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void GetMessageString(UINT id, std::string& text) const override;

    // Report encoding from the settings file (per-user settings folder, else current directory).
    void ReadSettings(const char* fileName);
    // Copies the stylesheet, picture and page style from the install folder to the working folder.
    void DeploySupportFiles();
    // Deletes the files that the log names in the working folder, then the log.
    void CleanUpWorkingFiles(const char* logFileName);
    void SwitchLanguage(UINT id);

    void OnEncoding(UINT id);
    void OnGoBack();
    void OnHelpTopics();
    void OnUpdateLanguageItem(CCmdUI* ui);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnFrameCmdMsg(UINT id, int code, CCmdUI* ui) override;

private:
    LRESULT OnRefreshRequest();
    BOOL OnHelpInfo();
    void PostRefreshToView();

    CStatusBar m_statusBar;
    CToolBar m_toolBar;
    std::string m_strLogFileName;
};
