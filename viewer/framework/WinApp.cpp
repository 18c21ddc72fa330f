#include "WinApp.h"
#include "CommandLineInfo.h"
#include "DocTemplate.h"
#include "FrameWnd.h"
#include "RegKey.h"
#include "FrameworkIds.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>

#include <cstdlib>

namespace {
CWinApp* g_app = nullptr;

const CmdMapEntry<CWinApp> kCommands[] = {
    OnCommand(ID_APP_EXIT, &CWinApp::OnAppExit),
};

constexpr const char* kRecentFileSection = "Recent File List";

// Messages that do not end an idle period: repeated timer and paint traffic.
bool IsIdleMessage(const MSG& msg) {
    return msg.message != WM_TIMER && msg.message != WM_PAINT;
}
} // namespace

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

HWND AfxGetMainHwnd() {
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

int AfxMessageBox(const char* text, UINT type) {
    CWinApp* app = AfxGetApp();
    return app ? app->DoMessageBox(text, type) : ::MessageBoxA(nullptr, text, "", type);
}

void AfxEnableControlContainer() {}

BOOL AfxOleInit() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_bOleInitialized)
        return TRUE;
    const HRESULT hr = ::OleInitialize(nullptr);
    if (app && SUCCEEDED(hr))
        app->m_bOleInitialized = true;
    return SUCCEEDED(hr);
}

int AfxWinMain(HINSTANCE instance) {
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    if (app->m_strAppName.empty()) {
        char name[256] = "";
        ::LoadStringA(instance, AFX_IDS_APP_TITLE, name, sizeof name);
        app->m_strAppName = name;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    if (!app->InitInstance()) {
        if (app->m_pMainWnd)
            app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    MSG msg{};
    bool idle = true;
    LONG idleCount = 0;
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0)
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (IsIdleMessage(msg)) {
            idle = true;
            idleCount = 0;
        }
    }
    const int exitCode = ExitInstance();
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : exitCode;
}

int CWinApp::ExitInstance() {
    SaveStdProfileSettings();
    m_templates.clear();
    if (m_bOleInitialized) {
        ::OleUninitialize();
        m_bOleInitialized = false;
    }
    return 0;
}

BOOL CWinApp::OnIdle(LONG count) {
    if (count == 0 && m_pMainWnd)
        m_pMainWnd->OnIdleUpdate();
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
    // Offer the message to each window of ours from the target up to the main window.
    HWND main = AfxGetMainHwnd();
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hwnd)) {
            if (wnd->PreTranslateMessage(msg))
                return TRUE;
        }
        if (hwnd == main)
            break;
    }
    return FALSE;
}

BOOL CWinApp::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
    return DispatchCmdMap(this, kCommands, id, code, ui);
}

void CWinApp::SetRegistryKey(const char* key) {
    m_strRegistryKey = key ? key : "";
}

std::string CWinApp::GetProfileKeyPath() const {
    if (m_strRegistryKey.empty())
        return std::string();
    return "Software\\" + m_strRegistryKey + "\\" + m_strAppName;
}

void CWinApp::LoadStdProfileSettings(UINT maxRecentFiles) {
    m_nMaxRecentFiles = maxRecentFiles;
    m_recentFiles.clear();
    const std::string base = GetProfileKeyPath();
    if (base.empty())
        return;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, (base + "\\" + kRecentFileSection).c_str(), KEY_READ) != ERROR_SUCCESS)
        return;
    for (UINT i = 1; i <= maxRecentFiles; ++i) {
        std::string value;
        if (key.QueryString(("File" + std::to_string(i)).c_str(), value) && !value.empty())
            m_recentFiles.push_back(value);
    }
}

void CWinApp::AddToRecentFileList(const std::string& path) {
    if (m_nMaxRecentFiles == 0)
        return;
    for (auto it = m_recentFiles.begin(); it != m_recentFiles.end(); ++it) {
        if (::lstrcmpiA(it->c_str(), path.c_str()) == 0) {
            m_recentFiles.erase(it);
            break;
        }
    }
    m_recentFiles.insert(m_recentFiles.begin(), path);
    if (m_recentFiles.size() > m_nMaxRecentFiles)
        m_recentFiles.resize(m_nMaxRecentFiles);
}

void CWinApp::SaveStdProfileSettings() {
    const std::string base = GetProfileKeyPath();
    if (base.empty() || m_nMaxRecentFiles == 0)
        return;
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, (base + "\\" + kRecentFileSection).c_str(), KEY_WRITE) != ERROR_SUCCESS)
        return;
    for (UINT i = 1; i <= m_nMaxRecentFiles; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (i <= m_recentFiles.size())
            key.SetString(name.c_str(), m_recentFiles[i - 1]);
        else
            ::RegDeleteValueA(key.Get(), name.c_str());
    }
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) {
    m_templates.push_back(std::move(docTemplate));
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    for (int i = 1; i < __argc; ++i) {
        const char* arg = __argv[i];
        const bool flag = arg[0] == '/' || arg[0] == '-';
        info.ParseParam(flag ? arg + 1 : arg, flag, i + 1 == __argc);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
    if (m_templates.empty())
        return FALSE;
    CSingleDocTemplate* docTemplate = m_templates.front().get();
    const char* path =
        info.m_nShellCommand == CCommandLineInfo::FileOpen ? info.m_strFileName.c_str() : nullptr;
    if (!docTemplate->OpenDocumentFile(path))
        return FALSE;
    return m_pMainWnd != nullptr;
}

void CWinApp::OnFileNew() {
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    if (m_templates.empty())
        return;
    std::string name;
    if (!AfxPromptFileName(true, name))
        return;
    if (m_templates.front()->OpenDocumentFile(name.c_str()))
        AddToRecentFileList(name.c_str());
}

bool AfxPromptFileName(bool open, std::string& path) {
    char name[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = AfxGetMainHwnd();
    ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    if (!(open ? ::GetOpenFileNameA(&ofn) : ::GetSaveFileNameA(&ofn)))
        return false;
    path = name;
    return true;
}

void CWinApp::OnAppExit() {
    if (HWND main = AfxGetMainHwnd())
        ::SendMessageA(main, WM_CLOSE, 0, 0);
}

int CWinApp::DoMessageBox(const char* text, UINT type) {
    return ::MessageBoxA(AfxGetMainHwnd(), text, m_strAppName.c_str(), type);
}
