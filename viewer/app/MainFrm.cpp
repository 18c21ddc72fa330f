#include "MainFrm.h"
#include "IniFile.h"
#include "Language.h"
#include "ShellRules.h"
#include "ShownCopies.h"
#include "StringConv.h"
#include "Trace.h"
#include "UniqueHandle.h"
#include "HtmlView.h"
#include "WinApp.h"
#include "WorkingFiles.h"
#include "WorkingFolder.h"
#include "XmlEncoding.h"
#include "resource.h"

#include <htmlhelp.h>
#include <shlobj.h>

#include <cstring>
#include <unordered_set>

namespace {
constexpr const char* kCaption = "Varoscope";
constexpr const char* kSettingsFileName = "varo.ini";
constexpr const char* kSettingsFolder = "\\Drovasoft\\VARO\\";
constexpr const char* kSettingsSection = "Program Setup";
constexpr const char* kEncodingKey = "XMLEncoding";
constexpr const char* kInstallFolder = "\\Varoscope\\";
constexpr const char* kHelpTopic = "Varo.chm::/Introduce.html";
constexpr int kMenuView = 1;     // position of "&View" on the menu bar
constexpr int kMenuLanguage = 4; // position of "Language" in "&View"
constexpr size_t kMaxPromptChars = 254;

const CmdMapEntry<CMainFrame> kCommands[] = {
    OnCommand(ID_HELP_FINDER, &CMainFrame::OnHelpTopics),
    OnCommandId(ID_ENCODING_ISO88591, &CMainFrame::OnEncoding),
    OnCommandId(ID_ENCODING_BIG5, &CMainFrame::OnEncoding),
    OnCommandId(ID_ENCODING_SHIFTJIS, &CMainFrame::OnEncoding),
    OnCommandId(ID_ENCODING_UTF8, &CMainFrame::OnEncoding),
    OnCommand(ID_VIEW_GOBACK, &CMainFrame::OnGoBack),
    OnUpdateRange(ID_LANGUAGE_DEFAULT, ID_LANGUAGE_LAST, &CMainFrame::OnUpdateLanguageItem),
};

// The names of the plain files in a folder (ending in a separator), as the file system compares
// them.
std::unordered_set<std::wstring> FolderNameKeys(const std::string& folder) {
    std::unordered_set<std::wstring> keys;
    std::string pattern = folder;
    if (!AppendPath(pattern, "*"))
        return keys;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search)
        return keys;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            keys.insert(UpperCase(AnsiToWide(found.cFileName)));
    } while (::FindNextFileA(search.Get(), &found));
    return keys;
}

// The text of a whole small file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& text) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    text.clear();
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return true;
}
} // namespace

CMainFrame::CMainFrame() : m_strLogFileName(WorkingFiles::kLog) {
    ReadSettings(kSettingsFileName);
}

CMainFrame::~CMainFrame() {
    CleanUpWorkingFiles(m_strLogFileName.c_str());
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    cs.lpszName = kCaption;
    // Exactly the overlapped style: without the add-to-title flag the caption never changes.
    cs.style = WS_OVERLAPPEDWINDOW;
    return CFrameWnd::PreCreateWindow(cs);
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_VARO_REFRESH:
        return OnRefreshRequest();
    case WM_HELP:
        return OnHelpInfo();
    default:
        return CFrameWnd::WindowProc(msg, wParam, lParam);
    }
}

int CMainFrame::OnCreate(LPCREATESTRUCTA cs) {
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;

    HMENU menuBar = ::GetMenu(m_hWnd);
    const UINT selected = BuildLanguageMenu(::GetSubMenu(::GetSubMenu(menuBar, kMenuView), kMenuLanguage));
    if (selected != ID_LANGUAGE_DEFAULT)
        RetitleMenu(menuBar, IDR_MAINFRAME);
    SwitchLanguage(g_nLangSelId);

    if (!m_toolBar.CreateEx(this, TBSTYLE_FLAT,
                            WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                CBRS_SIZE_DYNAMIC,
                            RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR) ||
        !m_toolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    static const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    if (!m_statusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_statusBar.SetIndicators(indicators, sizeof indicators / sizeof indicators[0]))
        return -1;

    m_toolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_toolBar);

    DeploySupportFiles();
    // Posted, so the first capture runs once the window is shown and the message loop runs.
    ::PostMessageA(m_hWnd, WM_COMMAND, ID_VIEW_REFRESH, 0);
    return 0;
}

BOOL CMainFrame::OnFrameCmdMsg(UINT id, int code, CCmdUI* ui) {
    if (DispatchCmdMap(this, kCommands, id, code, ui))
        return TRUE;
    return CFrameWnd::OnFrameCmdMsg(id, code, ui);
}

BOOL CMainFrame::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id >= ID_LANGUAGE_DEFAULT && id <= ID_LANGUAGE_LAST &&
        !(::GetMenuState(::GetMenu(m_hWnd), id, MF_BYCOMMAND) & MF_CHECKED))
        SwitchLanguage(id);
    return CFrameWnd::OnCommand(wParam, lParam);
}

void CMainFrame::SwitchLanguage(UINT id) {
    HMENU menuBar = ::GetMenu(m_hWnd);
    ApplyLanguage(menuBar, id);
    RetitleMenu(menuBar, IDR_MAINFRAME);
    ::DrawMenuBar(m_hWnd);
    ::SendMessageA(m_hWnd, WM_MENUSELECT, MAKEWPARAM(id, 0), 0);
}

void CMainFrame::GetMessageString(UINT id, std::string& text) const {
    if (id >= ID_LANGUAGE_FIRST_PACK && id <= ID_LANGUAGE_LAST) {
        GetLanguageDescription(::GetMenu(m_hWnd), id);
        if (g_szLangText[0] == '\0')
            LoadLangString(AFX_IDS_IDLEMESSAGE);
    } else {
        LoadLangString(id);
    }
    if (g_szLangText[0] == '\0')
        return;
    text.assign(g_szLangText, strnlen(g_szLangText, kMaxPromptChars));
    text = text.substr(0, text.find('\n'));
}

void CMainFrame::ReadSettings(const char* fileName) {
    std::string path;
    char appData[kMaxPathChars];
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData))) {
        path = appData;
        if (!AppendPath(path, kSettingsFolder) || !AppendPath(path, fileName))
            path.clear();
    }
    if (path.empty() || ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        char current[kMaxPathChars];
        const DWORD length = ::GetCurrentDirectoryA(sizeof current, current);
        path.clear();
        if (length > 0 && length < sizeof current) {
            path = current;
            if (!AppendPath(path, "\\") || !AppendPath(path, fileName))
                path.clear();
        }
    }
    CIniFile settings;
    if (!path.empty()) {
        settings.SetFileName(path);
        settings.Load();
    }
    g_strXMLEncoding = EncodingFromSetting(settings.Lookup(kSettingsSection, kEncodingKey));
    AfxTrace("settings", g_strXMLEncoding.c_str());
}

void CMainFrame::DeploySupportFiles() {
    char programFiles[kMaxPathChars];
    const DWORD length = ::GetEnvironmentVariableA("ProgramFiles", programFiles, sizeof programFiles);
    const std::string temp = WorkingFolder();
    if (length == 0 || length >= sizeof programFiles || temp.empty())
        return;
    for (const char* name : WorkingFiles::kSupportFiles) {
        std::string source = programFiles, target = temp;
        if (AppendPath(source, kInstallFolder) && AppendPath(source, name) && AppendPath(target, name))
            ::CopyFileA(source.c_str(), target.c_str(), FALSE);
    }
}

void CMainFrame::CleanUpWorkingFiles(const char* logFileName) {
    const std::string temp = WorkingFolder();
    // The pictures' shown copies are in no log: their folder goes as a whole, with what a run
    // that ended abnormally left in it.
    CShownCopies::RemoveFolder(temp);
    std::string logPath = temp;
    if (temp.empty() || !AppendPath(logPath, "\\") || !AppendPath(logPath, logFileName))
        return;
    std::string log;
    if (::GetFileAttributesA(logPath.c_str()) != INVALID_FILE_ATTRIBUTES && ReadWholeFile(logPath, log)) {
        // The log keeps every run's names, most long gone and many repeated. Asking the file
        // system for each of them costs a scan of the folder per missing name on some systems,
        // so the folder is listed once and only names it holds are deleted, each once.
        std::unordered_set<std::wstring> present = FolderNameKeys(temp);
        for (const std::string& line : SplitLines(log)) {
            // Only plain names inside the working folder: a line with a folder part, "..", a
            // drive or a share would reach files the captures never made.
            std::string path = temp;
            if (IsPlainLeafName(line) && present.erase(UpperCase(AnsiToWide(line))) != 0 &&
                AppendPath(path, "\\") && AppendPath(path, line))
                ::DeleteFileA(path.c_str());
        }
    }
    ::DeleteFileA(logPath.c_str());
}

void CMainFrame::PostRefreshToView() {
    if (CView* view = GetActiveView())
        ::PostMessageA(view->GetSafeHwnd(), WM_COMMAND, ID_VIEW_REFRESH, 0);
}

LRESULT CMainFrame::OnRefreshRequest() {
    PostRefreshToView();
    return 0;
}

void CMainFrame::OnEncoding(UINT id) {
    switch (id) {
    case ID_ENCODING_ISO88591:
        g_strXMLEncoding = "ISO-8859-1";
        break;
    case ID_ENCODING_BIG5:
        g_strXMLEncoding = "BIG5";
        break;
    case ID_ENCODING_SHIFTJIS:
        g_strXMLEncoding = "SHIFT-JIS";
        break;
    default:
        g_strXMLEncoding = "UTF-8";
        break;
    }
    AfxTrace("encoding", g_strXMLEncoding.c_str());
    PostRefreshToView();
}

void CMainFrame::OnGoBack() {
    if (auto* view = dynamic_cast<CHtmlView*>(GetActiveView()))
        view->GoBack();
}

void CMainFrame::OnHelpTopics() {
    AfxTrace("help", kHelpTopic);
    ::HtmlHelpA(nullptr, kHelpTopic, HH_DISPLAY_TOPIC, 0);
}

BOOL CMainFrame::OnHelpInfo() {
    OnHelpTopics();
    return TRUE;
}

void CMainFrame::OnUpdateLanguageItem(CCmdUI* ui) {
    ui->Enable(TRUE);
}
