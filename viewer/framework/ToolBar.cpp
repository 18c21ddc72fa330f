#include "ToolBar.h"
#include "CmdUI.h"
#include "WinApp.h"

#include <climits>

namespace {
constexpr COLORREF kButtonFace = RGB(192, 192, 192); // background colour of the button images
constexpr WORD kToolBarResourceVersion = 1;
const char* const kToolBarResourceType = MAKEINTRESOURCEA(241);
} // namespace

CToolBar::~CToolBar() {
    if (m_hWnd)
        ::DestroyWindow(UnsubclassWindow());
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, RECT, UINT id) {
    m_barStyle = style & CBRS_ALL;
    // The frame lays the bar out itself (RecalcLayout), on whichever side it is docked.
    DWORD windowStyle = (style & ~CBRS_ALL) | controlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    m_dockSide = m_barStyle & CBRS_ALIGN_ANY ? m_barStyle & CBRS_ALIGN_ANY : CBRS_ALIGN_TOP;
    if (m_barStyle & CBRS_TOOLTIPS)
        windowStyle |= TBSTYLE_TOOLTIPS;
    HWND hwnd = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, windowStyle, 0, 0, 0, 0,
                                  parent->GetSafeHwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!hwnd)
        return FALSE;
    ::SendMessageA(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (m_barStyle & CBRS_GRIPPER)
        ::SendMessageA(hwnd, TB_SETINDENT, kGripperSpace, 0);
    return SubclassWindow(hwnd) ? TRUE : FALSE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId), kToolBarResourceType);
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const WORD* data = loaded ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
    const DWORD size = found ? ::SizeofResource(instance, found) : 0;
    if (!data || size < 4 * sizeof(WORD) || data[0] != kToolBarResourceVersion)
        return FALSE;
    const int width = data[1], height = data[2], count = data[3];
    if (size < (4u + count) * sizeof(WORD))
        return FALSE;

    m_images.Reset(ImageList_LoadImageA(instance, MAKEINTRESOURCEA(resourceId), width, 0, kButtonFace,
                                        IMAGE_BITMAP, LR_CREATEDIBSECTION));
    if (!m_images)
        return FALSE;
    ::SendMessageA(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    ::SendMessageA(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images.Get()));

    std::vector<TBBUTTON> buttons;
    m_buttons.clear();
    int image = 0;
    for (int i = 0; i < count; ++i) {
        const UINT id = data[4 + i];
        TBBUTTON button{};
        button.idCommand = static_cast<int>(id);
        button.fsState = TBSTATE_ENABLED;
        if (id == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.fsStyle = BTNS_BUTTON;
            button.iBitmap = image++;
        }
        buttons.push_back(button);
        m_buttons.push_back(id);
    }
    ::SendMessageA(m_hWnd, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SetDockSide(m_dockSide);
    return TRUE;
}

void CToolBar::SetDockSide(DWORD side) {
    m_dockSide = side;
    // A vertical bar wraps after every button and separator.
    const int count = static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOA info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        if (::SendMessageA(m_hWnd, TB_GETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info)) == -1)
            continue;
        info.fsState = IsVertical() ? (info.fsState | TBSTATE_WRAP) : (info.fsState & ~TBSTATE_WRAP);
        ::SendMessageA(m_hWnd, TB_SETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageA(m_hWnd, TB_AUTOSIZE, 0, 0);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CToolBar::CalcThickness() const {
    const LRESULT size = ::SendMessageA(m_hWnd, TB_GETBUTTONSIZE, 0, 0);
    constexpr int kMargin = 4;
    if (IsVertical())
        return ((m_barStyle & CBRS_GRIPPER) ? kGripperSpace : 0) + LOWORD(size) + kMargin;
    return HIWORD(size) + kMargin;
}

LRESULT CToolBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (OnGripperDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))))
            return 0;
        break;
    case WM_LBUTTONUP:
        if (m_dragging) {
            OnGripperUp(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        m_dragging = false;
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

bool CToolBar::OnGripperDown(int x, int) {
    if (!(m_barStyle & CBRS_GRIPPER) || x >= kGripperSpace || (m_dockSides & CBRS_ALIGN_ANY) == 0)
        return false;
    m_dragging = true;
    ::SetCapture(m_hWnd);
    return true;
}

void CToolBar::OnGripperUp(int x, int y) {
    m_dragging = false;
    ::ReleaseCapture();
    HWND frame = ::GetParent(m_hWnd);
    POINT at{x, y};
    ::MapWindowPoints(m_hWnd, frame, &at, 1);
    RECT client;
    ::GetClientRect(frame, &client);
    // The nearest side of the frame that both the bar and the frame allow.
    const struct {
        DWORD side;
        long distance;
    } sides[] = {{CBRS_ALIGN_TOP, at.y - client.top},
                 {CBRS_ALIGN_BOTTOM, client.bottom - at.y},
                 {CBRS_ALIGN_LEFT, at.x - client.left},
                 {CBRS_ALIGN_RIGHT, client.right - at.x}};
    DWORD best = m_dockSide;
    long bestDistance = LONG_MAX;
    for (const auto& s : sides) {
        if ((m_dockSides & s.side) && s.distance < bestDistance) {
            best = s.side;
            bestDistance = s.distance;
        }
    }
    if (best == m_dockSide)
        return;
    SetDockSide(best);
    ::SendMessageA(frame, WM_SIZE, 0, 0); // the frame lays its bars out again
}

void CToolBar::UpdateButtons(CCmdTarget* target) {
    for (UINT id : m_buttons) {
        if (id == 0)
            continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hToolBar = m_hWnd;
        ui.DoUpdate(target, TRUE);
    }
}

BOOL CToolBar::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_NOTIFY || !(m_barStyle & CBRS_GRIPPER))
        return FALSE;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code != NM_CUSTOMDRAW)
        return FALSE;
    *result = OnCustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(lParam));
    return TRUE;
}

LRESULT CToolBar::OnCustomDraw(NMTBCUSTOMDRAW* draw) {
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYPOSTPAINT;
    if (draw->nmcd.dwDrawStage == CDDS_POSTPAINT) {
        // The gripper: a raised bar at the left edge, the handle by which the bar is docked.
        RECT client;
        ::GetClientRect(m_hWnd, &client);
        RECT grip{2, client.top + 2, 5, client.bottom - 2};
        ::DrawEdge(draw->nmcd.hdc, &grip, BDR_RAISEDINNER, BF_RECT);
    }
    return CDRF_DODEFAULT;
}
