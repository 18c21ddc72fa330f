#include "StatusBar.h"
#include "FrameworkIds.h"
#include "UniqueHandle.h"

#include <commctrl.h>

namespace {
constexpr int kPanePadding = 12;

// The key whose toggle state an indicator shows, or 0.
int IndicatorKey(UINT id) {
    switch (id) {
    case ID_INDICATOR_CAPS:
        return VK_CAPITAL;
    case ID_INDICATOR_NUM:
        return VK_NUMLOCK;
    case ID_INDICATOR_SCRL:
        return VK_SCROLL;
    default:
        return 0;
    }
}
} // namespace

CStatusBar::~CStatusBar() {
    if (m_hWnd)
        ::DestroyWindow(UnsubclassWindow());
}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
    m_barStyle = style & CBRS_ALL;
    HWND hwnd = ::CreateWindowExA(
        0, STATUSCLASSNAMEA, nullptr, (style & ~CBRS_ALL) | SBARS_SIZEGRIP, 0, 0, 0, 0, parent->GetSafeHwnd(),
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    return hwnd && SubclassWindow(hwnd) ? TRUE : FALSE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
    // Every indicator's text first: a missing one fails the call before the bar's device context
    // is taken, so nothing is left selected into it or unreleased.
    std::vector<Pane> panes;
    for (int i = 0; i < count; ++i) {
        Pane pane{ids[i], std::string(), 0, false};
        if (ids[i] != ID_SEPARATOR) {
            char text[64] = "";
            if (!::LoadStringA(::GetModuleHandleA(nullptr), ids[i], text, sizeof text))
                return FALSE;
            pane.text = text;
        }
        panes.push_back(pane);
    }
    {
        UniqueWindowDc dc(m_hWnd);
        SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
        for (Pane& pane : panes) {
            if (pane.id == ID_SEPARATOR)
                continue;
            SIZE extent{};
            ::GetTextExtentPoint32A(dc.Get(), pane.text.c_str(), static_cast<int>(pane.text.size()), &extent);
            pane.width = extent.cx + kPanePadding;
        }
    }
    m_panes = std::move(panes);
    RecalcPanes();
    UpdateIndicators();
    return TRUE;
}

void CStatusBar::RecalcPanes() {
    if (m_panes.empty())
        return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    std::vector<int> edges(m_panes.size());
    int right = client.right - ::GetSystemMetrics(SM_CXVSCROLL); // room for the size grip
    for (size_t i = m_panes.size(); i-- > 0;) {
        edges[i] = right;
        right -= m_panes[i].width;
    }
    ::SendMessageA(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::SetPaneText(int index, const char* text) {
    ::SendMessageA(m_hWnd, SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text));
}

std::string CStatusBar::GetPaneText(int index) const {
    const LRESULT length = LOWORD(::SendMessageA(m_hWnd, SB_GETTEXTLENGTHA, index, 0));
    std::string text(length + 1, '\0');
    ::SendMessageA(m_hWnd, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length);
    return text;
}

void CStatusBar::UpdateIndicators() {
    for (size_t i = 0; i < m_panes.size(); ++i) {
        const int key = IndicatorKey(m_panes[i].id);
        if (!key)
            continue;
        const bool on = (::GetKeyState(key) & 1) != 0;
        if (on == m_panes[i].on)
            continue;
        m_panes[i].on = on;
        SetPaneText(static_cast<int>(i), on ? m_panes[i].text.c_str() : "");
    }
}
