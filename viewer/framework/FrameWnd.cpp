#include "FrameWnd.h"
#include "DocTemplate.h"
#include "Document.h"
#include "StatusBar.h"
#include "StringConv.h"
#include "Trace.h"
#include "ToolBar.h"
#include "View.h"
#include "WinApp.h"
#include "FrameworkIds.h"

#include <commctrl.h>

namespace {
constexpr const char* kFrameClass = "VaroFrame";
constexpr UINT kNoMenuTracking = 0xFFFF;

const CmdMapEntry<CFrameWnd> kCommands[] = {
    OnCommand(ID_NEXT_PANE, &CFrameWnd::OnNextPane),
    OnCommand(ID_PREV_PANE, &CFrameWnd::OnNextPane),
};

// A command's full string (prompt, then "\n" and the tool tip), or empty.
std::string LoadCommandString(UINT id) {
    char text[1024] = "";
    ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}
} // namespace

CFrameWnd::~CFrameWnd() {
    if (m_hAccel)
        ::DestroyAcceleratorTable(m_hAccel);
}

// PostNcDestroy is protected in CWnd; the frame deletes itself after its window is gone.
void CFrameWnd::PostNcDestroy() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    delete this;
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, const char* title, DWORD style, CCreateContext* context) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(resourceId));
    if (!RegisterWndClass(kFrameClass, CS_DBLCLKS, icon, ::LoadCursorA(nullptr, IDC_ARROW),
                          reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return FALSE;
    m_strTitle = title ? title : "";

    CREATESTRUCTA cs{};
    cs.lpszClass = kFrameClass;
    cs.lpszName = m_strTitle.c_str();
    cs.style = style;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hMenu = ::LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
    cs.hInstance = instance;
    cs.lpCreateParams = context;
    if (!PreCreateWindow(cs)) {
        if (cs.hMenu)
            ::DestroyMenu(cs.hMenu);
        return FALSE;
    }
    // FWS_ADDTOTITLE is the frame's own flag, not a window style.
    const bool addToTitle = (cs.style & FWS_ADDTOTITLE) != 0;
    const std::string name = cs.lpszName ? cs.lpszName : "";
    HMENU menu = cs.hMenu;
    if (!CreateEx(cs.dwExStyle, cs.lpszClass, name.c_str(), cs.style & ~FWS_ADDTOTITLE, cs.x, cs.y, cs.cx,
                  cs.cy, cs.hwndParent, menu, context))
        return FALSE;
    m_strTitle = name;
    m_bAddToTitle = addToTitle;
    m_hAccel = ::LoadAcceleratorsA(instance, MAKEINTRESOURCEA(resourceId));
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA&) {
    return TRUE;
}

void CFrameWnd::InitialUpdateFrame() {
    if (m_pActiveView)
        m_pActiveView->OnInitialUpdate();
    OnUpdateFrameTitle();
    SetMessageString(AFX_IDS_IDLEMESSAGE);
}

void CFrameWnd::OnUpdateFrameTitle() {
    if (!m_bAddToTitle)
        return;
    CDocument* document = m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
    std::string caption = document ? document->GetTitle() + " - " + m_strTitle : m_strTitle;
    ::SetWindowTextA(m_hWnd, caption.c_str());
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lParam));
    case WM_COMMAND:
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_ENTERMENULOOP:
        m_inMenu = true;
        break;
    case WM_EXITMENULOOP:
        m_inMenu = false;
        SetMessageString(AFX_IDS_IDLEMESSAGE);
        break;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam))
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        if (msg == AfxTraceMenuMessage() && AfxTraceEnabled()) {
            OnTraceMenu();
            return 0;
        }
        if (msg == AfxTracePingMessage() && AfxTraceEnabled()) {
            AfxTrace("ping", std::to_string(wParam).c_str());
            return 0;
        }
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CFrameWnd::OnTraceMenu() {
    // The menu as the user would see it: every popup brought up to date first.
    HMENU bar = ::GetMenu(m_hWnd);
    const int count = ::GetMenuItemCount(bar);
    for (int i = 0; i < count; ++i) {
        if (HMENU popup = ::GetSubMenu(bar, i)) {
            OnInitMenuPopup(popup);
            for (int j = 0; j < ::GetMenuItemCount(popup); ++j) {
                if (HMENU inner = ::GetSubMenu(popup, j))
                    OnInitMenuPopup(inner);
            }
        }
    }
    AfxTraceMenu(bar);
}

int CFrameWnd::OnCreate(LPCREATESTRUCTA cs) {
    auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
    return context && !OnCreateClient(context) ? -1 : 0;
}

BOOL CFrameWnd::OnCreateClient(CCreateContext* context) {
    if (!context->makeView)
        return TRUE;
    CView* view = context->makeView();
    if (!view->Create(this, AFX_IDW_PANE_FIRST, context->document))
        return FALSE; // the view's window is gone, and with it the view object
    m_pActiveView = view;
    return TRUE;
}

void CFrameWnd::DockControlBar(CToolBar*) {
    RecalcLayout();
}

void CFrameWnd::RecalcLayout() {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (CStatusBar* bar = FindStatusBar()) {
        ::SendMessageA(bar->GetSafeHwnd(), WM_SIZE, 0, 0); // the status bar sizes itself at the bottom
        bar->RecalcPanes();
        RECT r;
        ::GetWindowRect(bar->GetSafeHwnd(), &r);
        client.bottom -= r.bottom - r.top;
    }
    if (CToolBar* bar = FindToolBar()) {
        const int thickness = bar->CalcThickness();
        RECT place = client;
        switch (bar->GetDockSide()) {
        case CBRS_ALIGN_BOTTOM:
            place.top = client.bottom -= thickness;
            break;
        case CBRS_ALIGN_LEFT:
            place.right = client.left += thickness;
            break;
        case CBRS_ALIGN_RIGHT:
            place.left = client.right -= thickness;
            break;
        default:
            place.bottom = client.top += thickness;
            break;
        }
        ::MoveWindow(bar->GetSafeHwnd(), place.left, place.top, place.right - place.left,
                     place.bottom - place.top, TRUE);
    }
    if (m_pActiveView && m_pActiveView->GetSafeHwnd())
        ::MoveWindow(m_pActiveView->GetSafeHwnd(), client.left, client.top,
                     client.right > client.left ? client.right - client.left : 0,
                     client.bottom > client.top ? client.bottom - client.top : 0, TRUE);
}

void CFrameWnd::OnSize() {
    RecalcLayout();
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (lParam) {
        LRESULT result = 0;
        if (ReflectChildNotify(WM_COMMAND, wParam, lParam, &result))
            return TRUE;
        if (code != BN_CLICKED) // other control notifications are not commands
            return FALSE;
    }
    // A command that became disabled meanwhile (say one reached by a key) is not run.
    if (!IsCommandEnabled(id))
        return TRUE;
    return OnCmdMsg(id, CN_COMMAND, nullptr);
}

bool CFrameWnd::IsCommandEnabled(UINT id) {
    CCmdUI state;
    state.m_nID = id;
    state.DoUpdate(this, TRUE);
    return state.m_bEnabled;
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id, code, ui))
        return TRUE;
    if (OnFrameCmdMsg(id, code, ui))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(id, code, ui) : FALSE;
}

BOOL CFrameWnd::OnFrameCmdMsg(UINT id, int code, CCmdUI* ui) {
    return DispatchCmdMap(this, kCommands, id, code, ui);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hAccel)
        return ::TranslateAcceleratorA(m_hWnd, m_hAccel, msg) ? TRUE : FALSE;
    return FALSE;
}

void CFrameWnd::GetMessageString(UINT id, std::string& text) const {
    const std::string full = LoadCommandString(id);
    if (!full.empty())
        text = full.substr(0, full.find('\n'));
}

void CFrameWnd::SetMessageText(const char* text) {
    if (CStatusBar* bar = FindStatusBar())
        bar->SetPaneText(0, text);
    AfxTrace("status", text);
}

void CFrameWnd::SetMessageString(UINT id) {
    std::string text;
    if (id != 0)
        GetMessageString(id, text);
    SetMessageText(text.c_str());
}

void CFrameWnd::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (flags == kNoMenuTracking && !menu)
        SetMessageString(AFX_IDS_IDLEMESSAGE);
    else if (item == 0 || (flags & (MF_SEPARATOR | MF_POPUP | MF_SYSMENU)))
        SetMessageString(0);
    else
        SetMessageString(item);
}

void CFrameWnd::OnInitMenuPopup(HMENU popup) {
    const int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1)) // separator or submenu
            continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hMenu = popup;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.DoUpdate(this, TRUE);
    }
}

LRESULT CFrameWnd::OnNotify(NMHDR* header) {
    CToolBar* bar = FindToolBar();
    switch (header->code) {
    case TTN_GETDISPINFOA:
    case TTN_GETDISPINFOW: {
        // Tool tip of a tool bar button: the part of its string after the line feed.
        const std::string full = LoadCommandString(static_cast<UINT>(header->idFrom));
        const size_t lf = full.find('\n');
        m_tipText = lf == std::string::npos ? std::string() : full.substr(lf + 1);
        if (header->code == TTN_GETDISPINFOA) {
            reinterpret_cast<NMTTDISPINFOA*>(header)->lpszText = &m_tipText[0];
        } else {
            m_tipTextWide = AnsiToWide(m_tipText);
            reinterpret_cast<NMTTDISPINFOW*>(header)->lpszText = &m_tipTextWide[0];
        }
        return 0;
    }
    case TBN_HOTITEMCHANGE:
        // Fly-by: the prompt of the button under the mouse, the idle text when it leaves.
        if (bar && (bar->GetBarStyle() & CBRS_FLYBY) && !m_inMenu) {
            const auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
            SetMessageString((hot->dwFlags & HICF_LEAVING) ? AFX_IDS_IDLEMESSAGE
                                                           : static_cast<UINT>(hot->idNew));
        }
        return 0;
    default: {
        LRESULT result = 0;
        if (ReflectChildNotify(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(header), &result))
            return result;
        return 0;
    }
    }
}

void CFrameWnd::OnClose() {
    // While a modal box disables the frame, the handler that shows it still runs on the stack
    // with the view and frame in use: closing now would pull them away beneath it.
    if (!::IsWindowEnabled(m_hWnd))
        return;
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        ::PostQuitMessage(0);
}

void CFrameWnd::OnSetFocus() {
    if (m_pActiveView && m_pActiveView->GetSafeHwnd())
        ::SetFocus(m_pActiveView->GetSafeHwnd());
}

void CFrameWnd::OnNextPane() {
    OnSetFocus();
}

void CFrameWnd::OnIdleUpdate() {
    if (CToolBar* bar = FindToolBar())
        bar->UpdateButtons(this);
    if (CStatusBar* bar = FindStatusBar())
        bar->UpdateIndicators();
}

CToolBar* CFrameWnd::FindToolBar() const {
    return dynamic_cast<CToolBar*>(FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_TOOLBAR)));
}

CStatusBar* CFrameWnd::FindStatusBar() const {
    return dynamic_cast<CStatusBar*>(FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_STATUS_BAR)));
}
