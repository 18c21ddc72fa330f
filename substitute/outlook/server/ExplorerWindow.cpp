#include "ExplorerWindow.h"

#include "CommandBarSet.h"
#include "StringConv.h"
#include "UniqueHandle.h"
#include "WindowMessages.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {
constexpr UINT kMsgFireClick = WM_APP + 1;
constexpr UINT kMsgRibbonChanged = WM_APP + 2;
constexpr wchar_t kTitle[] = L"Inbox - Outlook stand-in (Varoscope test server, not Microsoft Outlook)";
constexpr int kListId = 1;
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 500;

struct Column {
    const wchar_t* title;
    int width;
};
constexpr Column kColumns[] = {
    {L"Subject", 330}, {L"From", 170}, {L"Attachments", 80}, {L"File", 170}, {L"Problem", 250}};
enum ColumnIndex { kSubjectColumn, kFromColumn, kAttachmentsColumn, kFileColumn, kProblemColumn };

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// What names a drawn ribbon item between button-down and button-up.
std::wstring Key(const RibbonView::Item& item) {
    switch (item.kind) {
    case RibbonView::Kind::Tab:
        return L"tab:" + item.tab;
    case RibbonView::Kind::Legacy:
        return L"legacy:" + std::to_wstring(item.legacy->serial);
    case RibbonView::Kind::FileTab:
        return L"file";
    default:
        return L"button:" + item.button.addin + L"/" + Utf8ToWide(item.button.id) + L"/" + item.button.label;
    }
}

// The context menu Office shows for what is selected.
const char* ContextMenuFor(size_t selected) {
    return selected > 1 ? "ContextMenuMultipleItems" : "ContextMenuMailItem";
}
} // namespace

ExplorerWindow::ExplorerWindow(const ServerState& state) : m_state(state), m_view(*state.commandBars) {
    if (state.ribbon && state.ribbon->ExplorerHasRibbon())
        m_ribbonView = std::make_unique<RibbonView>(*state.ribbon, *state.commandBars);
}

ExplorerWindow::~ExplorerWindow() {
    if (m_window)
        ::DestroyWindow(m_window);
}

bool ExplorerWindow::Create(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kExplorerWindowClass;
    ::RegisterClassExW(&wc); // a second explorer in one process reuses the class
    WNDCLASSEXW menu = wc;
    menu.lpfnWndProc = MenuWindowProc;
    menu.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    menu.lpszClassName = kMenuWindowClass;
    ::RegisterClassExW(&menu);
    m_window = ::CreateWindowExW(0, kExplorerWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 CW_USEDEFAULT, CW_USEDEFAULT, kDefaultWidth, kDefaultHeight, nullptr,
                                 nullptr, instance, this);
    if (!m_window)
        return false;
    ::ShowWindow(m_window, showCommand);
    ::UpdateWindow(m_window);
    return true;
}

LRESULT CALLBACK ExplorerWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<ExplorerWindow*>(create->lpCreateParams)->m_window = window;
    }
    auto* self = reinterpret_cast<ExplorerWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        return self->OnCreate();
    case WM_SIZE:
        self->OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        self->OnPaint();
        return 0;
    case WM_LBUTTONDOWN:
        self->OnMouseDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONUP:
        self->OnMouseUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case kMsgFireClick:
        self->OnFireClick();
        return 0;
    case kMsgRibbonChanged:
        self->OnRibbonChanged();
        return 0;
    case WM_MOUSELEAVE:
        self->HideTip();
        return 0;
    case WM_MOUSEMOVE:
        self->OnMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_LBUTTONDOWN || LOWORD(wParam) == WM_RBUTTONDOWN)
            self->OnChildMouseDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_CONTEXTMENU:
        self->OnContextMenu(reinterpret_cast<HWND>(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data && data->dwData == kCopyControlPoint)
            return self->OnControlPoint(*data);
        if (data && data->dwData == kCopyControlImage)
            return self->OnControlImage(*data);
        return FALSE;
    }
    case WM_DESTROY:
        self->OnDestroy();
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ExplorerWindow::OnCreate() {
    m_list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
                               0, 0, m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                               reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_window, GWLP_HINSTANCE)),
                               nullptr);
    if (!m_list)
        return -1;
    ::SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(sizeof kColumns / sizeof kColumns[0]); ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.cx = kColumns[i].width;
        ::SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    FillList();
    // The open menu lies over the list, so it is a window of its own above it.
    m_menu =
        ::CreateWindowExW(0, kMenuWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, m_window, nullptr,
                          reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_window, GWLP_HINSTANCE)), this);
    m_contextMenu = ::CreateWindowExW(
        0, kMenuWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, 0, 0, 0, 0, m_window, nullptr,
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_window, GWLP_HINSTANCE)), this);
    m_tip = ::CreateWindowExW(
        0, kMenuWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, 0, 0, 0, 0, m_window, nullptr,
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_window, GWLP_HINSTANCE)), this);
    if (m_ribbonView)
        m_state.ribbon->SetChangeHandler([this] {
            // Asked again from the message loop: an add-in may be inside a callback now.
            if (m_window && !std::exchange(m_ribbonChangePosted, true))
                ::PostMessageW(m_window, kMsgRibbonChanged, 0, 0);
        });
    return m_menu && m_contextMenu && m_tip ? 0 : -1;
}

void ExplorerWindow::FillList() {
    for (size_t i = 0; i < m_state.mails.size(); ++i) {
        const ServedMail& mail = m_state.mails[i];
        const MailMessage& message = *mail.message;
        std::wstring subject = Utf8ToWide(message.subject);
        if (!message.problem.empty())
            subject = L"[damaged] " + subject; // readable parts are still served
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(subject.c_str());
        item.lParam = static_cast<LPARAM>(i);
        int row =
            static_cast<int>(::SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        SetCell(m_list, row, kFromColumn, Utf8ToWide(message.sender));
        SetCell(m_list, row, kAttachmentsColumn, std::to_wstring(message.attachments.size()));
        SetCell(m_list, row, kFileColumn, mail.fileName);
        SetCell(m_list, row, kProblemColumn, Utf8ToWide(message.problem));
    }
}

void ExplorerWindow::OnSize(int width, int height) {
    const int top = m_ribbonView ? RibbonView::Height() : m_view.BandHeight();
    if (m_list)
        ::MoveWindow(m_list, 0, top, width, height > top ? height - top : 0, TRUE);
}

void ExplorerWindow::OnDestroy() {
    if (m_ribbonView)
        m_state.ribbon->SetChangeHandler(nullptr);
    m_window = nullptr;
    m_contextMenu = nullptr;
    m_tip = nullptr;
    m_list = nullptr;
    m_menu = nullptr;
    ::PostQuitMessage(0); // closing the explorer ends the stand-in, as closing Outlook would
}

void ExplorerWindow::Select(const std::vector<size_t>& indices) {
    if (!m_list)
        return;
    LVITEMW clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    for (size_t index : indices) {
        LVITEMW item = {};
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        ::SendMessageW(m_list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    }
    ::SetFocus(m_list); // selected rows then show in the highlight colour
}

std::vector<size_t> ExplorerWindow::SelectedIndices() const {
    std::vector<size_t> indices;
    if (!m_list)
        return indices;
    int row = -1;
    while ((row = static_cast<int>(::SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                  MAKELPARAM(LVNI_SELECTED, 0)))) != -1) {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (::SendMessageW(m_list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            indices.push_back(static_cast<size_t>(item.lParam));
    }
    return indices;
}

LRESULT CALLBACK ExplorerWindow::MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ExplorerWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window, &ps);
        RECT client;
        ::GetClientRect(window, &client);
        if (window == self->m_contextMenu && self->m_ribbonView)
            self->m_ribbonView->PaintContextMenu(dc, client);
        else if (window == self->m_tip)
            self->PaintTip(dc, client);
        else
            self->m_view.PaintMenu(dc, client);
        ::EndPaint(window, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        // The menu is part of the explorer's drawing: its clicks are the explorer's.
        POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::MapWindowPoints(window, self->m_window, &at, 1);
        ::SendMessageW(self->m_window, message, wParam, MAKELPARAM(at.x, at.y));
        return 0;
    }
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

void ExplorerWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_window, &ps);
    RECT client;
    ::GetClientRect(m_window, &client);
    if (m_ribbonView)
        m_ribbonView->Paint(dc, client);
    else
        m_view.PaintBands(dc, client);
    ::EndPaint(m_window, &ps);
}

const CommandBarView::Item* ExplorerWindow::HitTest(POINT at,
                                                    std::vector<CommandBarView::Item>& storage) const {
    UniqueWindowDc dc(m_window);
    RECT menu = m_view.MenuRect(dc.Get());
    if (!::IsRectEmpty(&menu) && ::PtInRect(&menu, at)) {
        storage = m_view.MenuItems(dc.Get());
        at.x -= menu.left;
        at.y -= menu.top;
    } else {
        storage = m_view.BandItems(dc.Get());
    }
    for (const CommandBarView::Item& item : storage) {
        if (item.control && ::PtInRect(&item.rect, at))
            return &item;
    }
    return nullptr;
}

void ExplorerWindow::ShowMenu(long serial) {
    m_view.SetOpenMenu(serial);
    RECT menu = m_view.MenuRect(UniqueWindowDc(m_window).Get());
    if (::IsRectEmpty(&menu)) {
        ::ShowWindow(m_menu, SW_HIDE);
    } else {
        ::SetWindowPos(m_menu, HWND_TOP, menu.left, menu.top, menu.right - menu.left, menu.bottom - menu.top,
                       SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ::InvalidateRect(m_menu, nullptr, TRUE);
    }
    ::InvalidateRect(m_window, nullptr, TRUE);
}

void ExplorerWindow::OnMouseDown(POINT at) {
    if (m_ribbonView) {
        OnRibbonMouseDown(at);
        return;
    }
    std::vector<CommandBarView::Item> items;
    const CommandBarView::Item* hit = HitTest(at, items);
    m_pressed = 0;
    if (hit && hit->kind == CommandBarView::Kind::MenuTitle) {
        // A title opens its menu; the open one's title closes it again.
        ShowMenu(m_view.OpenMenu() == hit->control->serial ? 0 : hit->control->serial);
        return;
    }
    if (hit)
        m_pressed = hit->control->serial;
    else if (m_view.OpenMenu())
        ShowMenu(0);
}

void ExplorerWindow::OnMouseUp(POINT at) {
    if (m_ribbonView) {
        OnRibbonMouseUp(at);
        return;
    }
    std::vector<CommandBarView::Item> items;
    const CommandBarView::Item* hit = HitTest(at, items);
    const long pressed = m_pressed;
    m_pressed = 0;
    if (!hit || hit->kind == CommandBarView::Kind::MenuTitle || hit->control->serial != pressed)
        return;
    if (!hit->control->enabled)
        return;
    if (hit->kind == CommandBarView::Kind::MenuItem)
        ShowMenu(0); // a chosen item closes its menu, as in Outlook
    PostClick(pressed, std::wstring());
}

void ExplorerWindow::PostClick(long serial, const std::wstring& doneEvent) {
    m_pendingClicks.push_back(
        {Pending::What::Control, serial, L"", "", RibbonHost::Context::Explorer, doneEvent});
    ::PostMessageW(m_window, kMsgFireClick, 0, 0);
}

void ExplorerWindow::PostRibbonClick(const std::wstring& addin, const std::string& id,
                                     RibbonHost::Context context, const std::wstring& doneEvent) {
    m_pendingClicks.push_back({Pending::What::Ribbon, 0, addin, id, context, doneEvent});
    ::PostMessageW(m_window, kMsgFireClick, 0, 0);
}

bool ExplorerWindow::PostContextMenu(const std::wstring& doneEvent) {
    if (!m_ribbonView || SelectedIndices().empty())
        return false;
    m_pendingClicks.push_back(
        {Pending::What::ContextMenu, 0, L"", "", RibbonHost::Context::Selection, doneEvent});
    ::PostMessageW(m_window, kMsgFireClick, 0, 0);
    return true;
}

void ExplorerWindow::SetDone(const std::wstring& doneEvent) const {
    if (doneEvent.empty())
        return;
    UniqueNullableHandle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, doneEvent.c_str()));
    if (done)
        ::SetEvent(done.Get());
}

void ExplorerWindow::OnFireClick() {
    if (m_pendingClicks.empty())
        return;
    Pending pending = m_pendingClicks.front();
    m_pendingClicks.pop_front();
    switch (pending.what) {
    case Pending::What::Control:
        m_state.commandBars->Click(m_state.commandBars->FindBySerial(pending.serial));
        break;
    case Pending::What::Ribbon:
        if (m_state.ribbon)
            m_state.ribbon->Click(pending.addin, pending.id, pending.context);
        break;
    case Pending::What::ContextMenu:
        OpenContextMenu(SelectionPoint());
        break;
    }
    SetDone(pending.doneEvent);
}

void ExplorerWindow::OnRibbonChanged() {
    m_ribbonChangePosted = false;
    if (!m_ribbonView || !m_window)
        return;
    m_state.ribbon->Refresh();
    bool shown = false;
    UniqueWindowDc dc(m_window);
    for (const RibbonView::Item& item : m_ribbonView->Items(dc.Get()))
        shown = shown || (item.kind == RibbonView::Kind::Tab && item.tab == m_ribbonView->SelectedTab());
    if (!shown)
        m_ribbonView->SelectTab(L"TabMail"); // the selected tab went with its add-in
    ::InvalidateRect(m_window, nullptr, TRUE);
}

POINT ExplorerWindow::SelectionPoint() const {
    std::vector<size_t> selected = SelectedIndices();
    POINT at = {40, RibbonView::Height() + 30};
    if (selected.empty() || !m_list)
        return at;
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(selected.front());
    const int row = static_cast<int>(
        ::SendMessageW(m_list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    if (row >= 0 &&
        ::SendMessageW(m_list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect))) {
        at = {rect.left + 60, (rect.top + rect.bottom) / 2};
        ::MapWindowPoints(m_list, m_window, &at, 1);
    }
    return at;
}

void ExplorerWindow::OnContextMenu(HWND from, POINT screen) {
    if (!m_ribbonView || from != m_list)
        return;
    POINT at = screen;
    if (screen.x == -1 && screen.y == -1) // from the keyboard: at the selection
        at = SelectionPoint();
    else
        ::ScreenToClient(m_window, &at);
    OpenContextMenu(at);
}

void ExplorerWindow::OpenContextMenu(POINT at) {
    const size_t selected = SelectedIndices().size();
    if (!m_ribbonView || selected == 0) {
        CloseContextMenu();
        return;
    }
    m_ribbonView->SetContextMenu(m_state.ribbon->ContextMenu(ContextMenuFor(selected)));
    SIZE size = m_ribbonView->ContextMenuSize(UniqueWindowDc(m_window).Get());
    RECT client;
    ::GetClientRect(m_window, &client);
    // Kept inside the window, as a menu stays on its screen.
    int x = std::max(0L, std::min(static_cast<LONG>(at.x), client.right - size.cx));
    int y = std::max(0L, std::min(static_cast<LONG>(at.y), client.bottom - size.cy));
    ::SetWindowPos(m_contextMenu, HWND_TOP, x, y, size.cx, size.cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ::InvalidateRect(m_contextMenu, nullptr, TRUE);
}

void ExplorerWindow::OnChildMouseDown(POINT at) {
    if (!m_ribbonView || !m_ribbonView->ContextMenuOpen())
        return;
    RECT menu;
    ::GetWindowRect(m_contextMenu, &menu);
    ::MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&menu), 2);
    if (!::PtInRect(&menu, at))
        CloseContextMenu(); // a click in the list beside the open menu closes it
}

void ExplorerWindow::OnMouseMove(POINT at) {
    if (!m_ribbonView || !m_tip)
        return;
    RibbonView::Item hit;
    std::wstring text;
    if (RibbonHitTest(at, hit) && hit.kind == RibbonView::Kind::Button)
        text = hit.button.screentip;
    if (text == m_tipText)
        return;
    m_tipText = text;
    if (text.empty()) {
        ::ShowWindow(m_tip, SW_HIDE);
        return;
    }
    // The mouse may leave for the list or another window: the tip goes with it.
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_window, 0};
    ::TrackMouseEvent(&track);
    UniqueWindowDc dc(m_window);
    SIZE size = {};
    {
        SelectedObject font(dc.Get(), ::GetStockObject(DEFAULT_GUI_FONT));
        ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    }
    ::SetWindowPos(m_tip, HWND_TOP, hit.rect.left, RibbonView::Height() + 2, size.cx + 12, size.cy + 8,
                   SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ::InvalidateRect(m_tip, nullptr, TRUE);
}

void ExplorerWindow::HideTip() {
    m_tipText.clear();
    if (m_tip)
        ::ShowWindow(m_tip, SW_HIDE);
}

void ExplorerWindow::PaintTip(HDC dc, const RECT& client) const {
    UniqueBrush back(::CreateSolidBrush(::GetSysColor(COLOR_INFOBK)));
    ::FillRect(dc, &client, back.Get());
    RECT text = client;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
    SelectedObject font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::DrawTextW(dc, m_tipText.c_str(), static_cast<int>(m_tipText.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void ExplorerWindow::CloseContextMenu() {
    if (!m_ribbonView || !m_ribbonView->ContextMenuOpen())
        return;
    m_ribbonView->CloseContextMenu();
    ::ShowWindow(m_contextMenu, SW_HIDE);
}

std::vector<RibbonView::Item> ExplorerWindow::RibbonItemsInWindow() const {
    UniqueWindowDc dc(m_window);
    std::vector<RibbonView::Item> items;
    // The open context menu lies above everything else.
    if (m_ribbonView->ContextMenuOpen()) {
        RECT menu;
        ::GetWindowRect(m_contextMenu, &menu);
        ::MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&menu), 2);
        for (RibbonView::Item& item : m_ribbonView->ContextMenuItems(dc.Get())) {
            ::OffsetRect(&item.rect, menu.left, menu.top);
            items.push_back(item);
        }
    }
    for (RibbonView::Item& item : m_ribbonView->Items(dc.Get()))
        items.push_back(item);
    return items;
}

bool ExplorerWindow::RibbonHitTest(POINT at, RibbonView::Item& hit) const {
    for (const RibbonView::Item& item : RibbonItemsInWindow()) {
        if (::PtInRect(&item.rect, at) &&
            !(item.kind == RibbonView::Kind::MenuItem && item.button.separator)) {
            hit = item;
            return true;
        }
    }
    return false;
}

bool ExplorerWindow::OnRibbonMouseDown(POINT at) {
    RibbonView::Item hit;
    m_pressedRibbon.clear();
    const bool menuOpen = m_ribbonView->ContextMenuOpen();
    if (!RibbonHitTest(at, hit) || (menuOpen && hit.kind != RibbonView::Kind::MenuItem)) {
        CloseContextMenu(); // a click beside the open menu closes it, and does nothing else
        return false;
    }
    m_pressedRibbon = Key(hit);
    return true;
}

void ExplorerWindow::OnRibbonMouseUp(POINT at) {
    RibbonView::Item hit;
    const std::wstring pressed = std::exchange(m_pressedRibbon, std::wstring());
    if (!RibbonHitTest(at, hit) || Key(hit) != pressed)
        return;
    switch (hit.kind) {
    case RibbonView::Kind::Tab:
        m_ribbonView->SelectTab(hit.tab);
        ::InvalidateRect(m_window, nullptr, TRUE);
        break;
    case RibbonView::Kind::FileTab:
        break; // the backstage view is not there
    case RibbonView::Kind::Legacy:
        if (hit.legacy->enabled)
            PostClick(hit.legacy->serial, std::wstring());
        break;
    case RibbonView::Kind::Button:
        if (hit.button.enabled && !hit.button.addin.empty())
            PostRibbonClick(hit.button.addin, hit.button.id, RibbonHost::Context::Explorer, std::wstring());
        break;
    case RibbonView::Kind::MenuItem:
        CloseContextMenu(); // a chosen item closes the menu, as in Outlook
        if (hit.button.enabled && !hit.button.addin.empty())
            PostRibbonClick(hit.button.addin, hit.button.id, RibbonHost::Context::Selection, std::wstring());
        break;
    }
}

bool ExplorerWindow::FindRibbonItem(const std::wstring& wanted, RibbonView::Item& found) const {
    // By id (an add-in's control) or tag (a legacy one) first, then by the text drawn on it.
    std::vector<RibbonView::Item> items = RibbonItemsInWindow();
    for (int byText = 0; byText < 2; ++byText) {
        for (const RibbonView::Item& item : items) {
            std::wstring name;
            if (!byText)
                name = item.legacy ? item.legacy->tag : Utf8ToWide(item.button.id);
            else
                name = item.kind == RibbonView::Kind::FileTab ? L"File" : item.button.label;
            if (name.empty() || name != wanted || item.button.separator)
                continue;
            found = item;
            return true;
        }
    }
    return false;
}

LRESULT ExplorerWindow::OnControlImage(const COPYDATASTRUCT& data) {
    std::wstring wanted(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    RibbonView::Item item;
    if (!m_ribbonView || !FindRibbonItem(wanted, item))
        return -1;
    BITMAP info = {};
    if (!item.button.image || !::GetObjectW(item.button.image->bitmap.Get(), sizeof info, &info))
        return 0;
    return MAKELONG(info.bmWidth, std::abs(info.bmHeight));
}

LRESULT ExplorerWindow::OnControlPoint(const COPYDATASTRUCT& data) {
    std::wstring wanted(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    if (m_ribbonView) {
        RibbonView::Item item;
        if (!FindRibbonItem(wanted, item))
            return -1;
        return MAKELONG((item.rect.left + item.rect.right) / 2, (item.rect.top + item.rect.bottom) / 2);
    }
    UniqueWindowDc dc(m_window);
    RECT menu = m_view.MenuRect(dc.Get());
    std::vector<CommandBarView::Item> items = m_view.BandItems(dc.Get());
    for (CommandBarView::Item& item : m_view.MenuItems(dc.Get())) {
        ::OffsetRect(&item.rect, menu.left, menu.top);
        items.push_back(item);
    }
    for (int byCaption = 0; byCaption < 2; ++byCaption) {
        for (const CommandBarView::Item& item : items) {
            if (!item.control || (byCaption ? item.control->caption : item.control->tag) != wanted)
                continue;
            int x = (item.rect.left + item.rect.right) / 2;
            int y = (item.rect.top + item.rect.bottom) / 2;
            return MAKELONG(x, y);
        }
    }
    return -1;
}

void ExplorerWindow::CommandBarsChanged() {
    if (!m_window)
        return;
    if (m_ribbonView) {
        ::InvalidateRect(m_window, nullptr, TRUE); // the Add-ins tab shows them
        return;
    }
    if (m_view.OpenMenu() && !m_state.commandBars->FindBySerial(m_view.OpenMenu()))
        m_view.SetOpenMenu(0);
    ShowMenu(m_view.OpenMenu()); // size and contents of the open menu follow the model
}
