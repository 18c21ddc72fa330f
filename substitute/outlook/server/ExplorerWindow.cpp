#include "ExplorerWindow.h"

#include "CommandBarSet.h"
#include "StringConv.h"
#include "UniqueHandle.h"
#include "WindowMessages.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {
constexpr UINT kMsgFireClick = WM_APP + 1;
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
} // namespace

ExplorerWindow::ExplorerWindow(const ServerState& state) : m_state(state), m_view(*state.commandBars) {}

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
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data && data->dwData == kCopyControlPoint)
            return self->OnControlPoint(*data);
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
    return m_menu ? 0 : -1;
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
    const int top = m_view.BandHeight();
    if (m_list)
        ::MoveWindow(m_list, 0, top, width, height > top ? height - top : 0, TRUE);
}

void ExplorerWindow::OnDestroy() {
    m_window = nullptr;
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
    m_pendingClicks.emplace_back(serial, doneEvent);
    ::PostMessageW(m_window, kMsgFireClick, 0, 0);
}

void ExplorerWindow::OnFireClick() {
    if (m_pendingClicks.empty())
        return;
    auto [serial, doneEvent] = m_pendingClicks.front();
    m_pendingClicks.pop_front();
    m_state.commandBars->Click(m_state.commandBars->FindBySerial(serial));
    if (!doneEvent.empty()) {
        UniqueNullableHandle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, doneEvent.c_str()));
        if (done)
            ::SetEvent(done.Get());
    }
}

LRESULT ExplorerWindow::OnControlPoint(const COPYDATASTRUCT& data) {
    std::wstring wanted(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
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
    if (m_view.OpenMenu() && !m_state.commandBars->FindBySerial(m_view.OpenMenu()))
        m_view.SetOpenMenu(0);
    ShowMenu(m_view.OpenMenu()); // size and contents of the open menu follow the model
}
