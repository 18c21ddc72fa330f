#include "ExplorerWindow.h"

#include "StringConv.h"

#include <commctrl.h>

namespace {
constexpr wchar_t kClassName[] = L"VaroOutlookSubstituteExplorer";
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

ExplorerWindow::ExplorerWindow(const ServerState& state) : m_state(state) {}

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
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc); // a second explorer in one process reuses the class
    m_window = ::CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                 kDefaultWidth, kDefaultHeight, nullptr, nullptr, instance, this);
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
    case WM_DESTROY:
        self->OnDestroy();
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ExplorerWindow::OnCreate() {
    m_list = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0,
        0, m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_window, GWLP_HINSTANCE)), nullptr);
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
    return 0;
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
    if (m_list)
        ::MoveWindow(m_list, 0, 0, width, height, TRUE);
}

void ExplorerWindow::OnDestroy() {
    m_window = nullptr;
    m_list = nullptr;
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
