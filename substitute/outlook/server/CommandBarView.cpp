#include "CommandBarView.h"

#include "PaintTools.h"
#include "UniqueHandle.h"

#include <algorithm>

namespace {

using paint::DcState;
using paint::FillColor;
using paint::TextWidth;
using paint::UiFont;
constexpr int kMenuRowHeight = 20;
constexpr int kToolRowHeight = 28;
constexpr int kMenuTitlePadding = 8;
constexpr int kButtonHeight = 24;
constexpr int kButtonPadding = 4;
constexpr int kFaceSize = 16;
constexpr int kGripWidth = 8;
constexpr int kBarGap = 6;
constexpr int kMenuItemHeight = 22;
constexpr int kMenuFaceColumn = 26;
constexpr int kMenuTextRightPadding = 24;
constexpr int kMenuMinWidth = 140;

// Office's built-in faces are pictures by number; the stand-in draws a distinct one per number:
// a coloured tile whose hue comes from the number, with a small picture (frame, hill, sun).
void PaintBuiltinFace(HDC dc, const RECT& box, long faceId) {
    const int hue = static_cast<int>((faceId * 47) % 360);
    auto channel = [hue](int offset) {
        int h = (hue + offset) % 360;
        int v = h < 120 ? 255 - h : (h < 240 ? 135 : 135 + (h - 240));
        return static_cast<BYTE>(std::min(255, std::max(60, v)));
    };
    FillColor(dc, box, RGB(channel(0), channel(120), channel(240)));
    UniqueBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
    RECT inner = {box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
    ::FrameRect(dc, &inner, white.Get());
    POINT hill[] = {{inner.left + 1, inner.bottom - 1},
                    {inner.left + 5, inner.top + 5},
                    {inner.right - 1, inner.bottom - 1}};
    {
        SelectedObject brush(dc, white.Get());
        SelectedObject pen(dc, ::GetStockObject(WHITE_PEN));
        ::Polygon(dc, hill, 3);
        ::Ellipse(dc, inner.right - 5, inner.top + 1, inner.right - 1, inner.top + 5);
    }
    UniqueBrush edge(::CreateSolidBrush(RGB(64, 64, 64)));
    ::FrameRect(dc, &box, edge.Get());
}

void PaintBitmapFace(HDC dc, const RECT& box, HBITMAP picture) {
    BITMAP info = {};
    if (!::GetObjectW(picture, sizeof info, &info))
        return;
    UniqueDc memory(::CreateCompatibleDC(dc));
    SelectedObject selected(memory.Get(), picture);
    ::SetStretchBltMode(dc, HALFTONE);
    ::StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, memory.Get(), 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
}

void PaintText(HDC dc, const std::wstring& text, RECT rect, bool enabled) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    ::SelectObject(dc, UiFont());
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}
} // namespace

CommandBarView::CommandBarView(const CommandBarSet& set) : m_set(set) {}

int CommandBarView::BandHeight() const {
    return kMenuRowHeight + kToolRowHeight;
}

bool CommandBarView::ShowsFace(const CommandBarControlData& control) const {
    bool hasFace = control.face || control.faceId > 0;
    switch (control.style) {
    case kButtonCaption:
        return false;
    case kButtonIcon:
    case kButtonIconAndCaption:
        return true;
    default:
        return hasFace;
    }
}

bool CommandBarView::ShowsCaption(const CommandBarControlData& control) const {
    switch (control.style) {
    case kButtonIcon:
        return false;
    case kButtonCaption:
    case kButtonIconAndCaption:
        return true;
    default:
        return !(control.face || control.faceId > 0);
    }
}

std::vector<CommandBarView::Item> CommandBarView::BandItems(HDC dc) const {
    std::vector<Item> items;
    int x = 2;
    for (const auto& control : *m_set.MenuBar()->controls) {
        if (!control->visible)
            continue;
        int width = TextWidth(dc, control->caption) + 2 * kMenuTitlePadding;
        items.push_back({Kind::MenuTitle, {x, 0, x + width, kMenuRowHeight}, control});
        x += width;
    }
    x = 2;
    const int top = kMenuRowHeight + (kToolRowHeight - kButtonHeight) / 2;
    for (const auto& bar : m_set.Bars()) {
        if (bar->menuBar || !bar->visible)
            continue;
        items.push_back({Kind::Grip, {x + 2, top + 2, x + 5, top + kButtonHeight - 2}, nullptr});
        x += kGripWidth;
        for (const auto& control : *bar->controls) {
            if (!control->visible)
                continue;
            int width = kButtonPadding;
            if (ShowsFace(*control))
                width += kFaceSize + kButtonPadding;
            if (ShowsCaption(*control))
                width += TextWidth(dc, control->caption) + kButtonPadding;
            width = std::max(width, kButtonHeight);
            items.push_back({Kind::ToolButton, {x, top, x + width, top + kButtonHeight}, control});
            x += width + 1;
        }
        x += kBarGap;
    }
    return items;
}

RECT CommandBarView::MenuRect(HDC dc) const {
    RECT rect = {};
    if (!m_openMenu)
        return rect;
    for (const Item& title : BandItems(dc)) {
        if (title.kind != Kind::MenuTitle || title.control->serial != m_openMenu)
            continue;
        int width = kMenuMinWidth;
        int count = 0;
        for (const auto& control : *title.control->children) {
            if (!control->visible)
                continue;
            width =
                std::max(width, kMenuFaceColumn + TextWidth(dc, control->caption) + kMenuTextRightPadding);
            ++count;
        }
        rect = {title.rect.left, title.rect.bottom, title.rect.left + width,
                title.rect.bottom + std::max(1, count) * kMenuItemHeight + 4};
    }
    return rect;
}

std::vector<CommandBarView::Item> CommandBarView::MenuItems(HDC dc) const {
    std::vector<Item> items;
    RECT menu = MenuRect(dc);
    if (::IsRectEmpty(&menu))
        return items;
    auto popup = m_set.FindBySerial(m_openMenu);
    if (!popup || !popup->children)
        return items;
    const int width = menu.right - menu.left;
    int y = 2;
    for (const auto& control : *popup->children) {
        if (!control->visible)
            continue;
        items.push_back({Kind::MenuItem, {2, y, width - 2, y + kMenuItemHeight}, control});
        y += kMenuItemHeight;
    }
    return items;
}

void CommandBarView::PaintFace(HDC dc, const RECT& box, const CommandBarControlData& control) {
    if (control.face && *control.face)
        PaintBitmapFace(dc, box, control.face->Get());
    else if (control.faceId > 0)
        PaintBuiltinFace(dc, box, control.faceId);
}

void CommandBarView::PaintBands(HDC dc, const RECT& client) const {
    DcState state(dc);
    RECT menuRow = {client.left, 0, client.right, kMenuRowHeight};
    RECT toolRow = {client.left, kMenuRowHeight, client.right, kMenuRowHeight + kToolRowHeight};
    FillColor(dc, menuRow, ::GetSysColor(COLOR_MENU));
    FillColor(dc, toolRow, ::GetSysColor(COLOR_BTNFACE));
    RECT line = {client.left, toolRow.bottom - 1, client.right, toolRow.bottom};
    FillColor(dc, line, ::GetSysColor(COLOR_BTNSHADOW));

    std::vector<Item> items = BandItems(dc);
    for (const Item& item : items) {
        if (item.kind == Kind::Grip) {
            RECT grip = item.rect;
            ::DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
            continue;
        }
        const CommandBarControlData& control = *item.control;
        if (item.kind == Kind::MenuTitle) {
            RECT text = item.rect;
            if (control.serial == m_openMenu) {
                FillColor(dc, item.rect, ::GetSysColor(COLOR_HIGHLIGHT));
                ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
            }
            text.left += kMenuTitlePadding;
            if (control.serial == m_openMenu) {
                ::SetBkMode(dc, TRANSPARENT);
                ::SelectObject(dc, UiFont());
                ::DrawTextW(dc, control.caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
            } else {
                PaintText(dc, control.caption, text, control.enabled);
            }
            continue;
        }
        RECT button = item.rect;
        ::DrawEdge(dc, &button, BDR_RAISEDINNER, BF_RECT);
        int x = button.left + kButtonPadding;
        if (ShowsFace(control)) {
            int y = button.top + (kButtonHeight - kFaceSize) / 2;
            RECT face = {x, y, x + kFaceSize, y + kFaceSize};
            PaintFace(dc, face, control);
            x += kFaceSize + kButtonPadding;
        }
        if (ShowsCaption(control))
            PaintText(dc, control.caption, {x, button.top, button.right, button.bottom}, control.enabled);
    }
}

void CommandBarView::PaintMenu(HDC dc, const RECT& menuClient) const {
    DcState state(dc);
    FillColor(dc, menuClient, ::GetSysColor(COLOR_MENU));
    RECT edge = menuClient;
    ::DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
    for (const Item& item : MenuItems(dc)) {
        const CommandBarControlData& control = *item.control;
        int y = item.rect.top + (kMenuItemHeight - kFaceSize) / 2;
        RECT face = {item.rect.left + 4, y, item.rect.left + 4 + kFaceSize, y + kFaceSize};
        PaintFace(dc, face, control);
        RECT text = item.rect;
        text.left += kMenuFaceColumn;
        PaintText(dc, control.caption, text, control.enabled);
    }
}
