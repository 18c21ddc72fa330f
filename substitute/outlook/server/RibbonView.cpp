#include "RibbonView.h"

#include "CommandBarView.h"
#include "PaintTools.h"
#include "UniqueHandle.h"

#include <algorithm>

namespace {

using paint::DcState;
using paint::FillColor;
using paint::TextWidth;
using paint::UiFont;
constexpr int kTabRowHeight = 24;
constexpr int kBodyHeight = 94;
constexpr int kGroupLabelHeight = 16;
constexpr int kTabPadding = 12;
constexpr int kGroupPadding = 4;
constexpr int kLargeImage = 32;
constexpr int kSmallImage = 16;
constexpr int kLargeMinWidth = 44;
constexpr int kSmallHeight = 22;
constexpr int kSmallRows = 3;
constexpr int kSeparatorWidth = 7;
constexpr int kMenuItemHeight = 22;
constexpr int kMenuSeparatorHeight = 7;
constexpr int kMenuImageColumn = 28;
constexpr int kMenuMinWidth = 170;
constexpr COLORREF kFileColor = RGB(25, 100, 180);
constexpr COLORREF kRibbonColor = RGB(245, 246, 247);
constexpr COLORREF kTabRowColor = RGB(225, 230, 236);
constexpr COLORREF kLineColor = RGB(198, 203, 210);
constexpr wchar_t kAddinsTab[] = L"TabAddIns";

// Built-in context-menu items of a mail: drawn so that the add-ins' items sit where users know
// them; they do nothing in the stand-in.
const wchar_t* const kBuiltinMenuItems[] = {L"Copy",      L"Quick Print", L"Reply",
                                            L"Reply All", L"Forward",     L"Delete"};

void Text(HDC dc, const std::wstring& text, RECT rect, UINT format, COLORREF color) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, color);
    SelectedObject font(dc, UiFont());
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

// Office's built-in pictures by name (imageMso) are not at hand: a tile whose colour comes from the
// name, with the name's first letter, tells them apart.
void PaintPlaceholder(HDC dc, const RECT& box, const std::wstring& name) {
    unsigned hash = 2166136261u;
    for (wchar_t c : name)
        hash = (hash ^ static_cast<unsigned>(c)) * 16777619u;
    COLORREF color = RGB(90 + hash % 120, 90 + (hash >> 8) % 120, 90 + (hash >> 16) % 120);
    FillColor(dc, box, color);
    UniqueBrush edge(::CreateSolidBrush(RGB(70, 70, 70)));
    ::FrameRect(dc, &box, edge.Get());
    if (!name.empty())
        Text(dc, name.substr(0, 1), box, DT_CENTER | DT_VCENTER | DT_SINGLELINE, RGB(255, 255, 255));
}

void PaintImage(HDC dc, const RECT& box, const RibbonImage& image) {
    BITMAP info = {};
    if (!::GetObjectW(image.bitmap.Get(), sizeof info, &info))
        return;
    UniqueDc memory(::CreateCompatibleDC(dc));
    SelectedObject selected(memory.Get(), image.bitmap.Get());
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (image.alpha) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::GdiAlphaBlend(dc, box.left, box.top, width, height, memory.Get(), 0, 0, info.bmWidth, info.bmHeight,
                        blend);
    } else {
        ::SetStretchBltMode(dc, HALFTONE);
        ::StretchBlt(dc, box.left, box.top, width, height, memory.Get(), 0, 0, info.bmWidth, info.bmHeight,
                     SRCCOPY);
    }
}

void PaintFace(HDC dc, const RECT& box, const RibbonButton& button) {
    if (button.image && button.image->bitmap)
        PaintImage(dc, box, *button.image);
    else
        PaintPlaceholder(dc, box, button.imageMso.empty() ? button.label : button.imageMso);
}

int SmallWidth(HDC dc, const std::wstring& label) {
    return kSmallImage + 12 + TextWidth(dc, label);
}
} // namespace

RibbonView::RibbonView(const RibbonHost& ribbon, const CommandBarSet& commandBars)
    : m_ribbon(ribbon), m_commandBars(commandBars) {}

int RibbonView::Height() {
    return kTabRowHeight + kBodyHeight;
}

std::vector<std::shared_ptr<CommandBarControlData>> RibbonView::LegacyMenuItems() const {
    std::vector<std::shared_ptr<CommandBarControlData>> found;
    std::vector<const ControlList*> lists = {m_commandBars.MenuBar()->controls.get()};
    while (!lists.empty()) {
        const ControlList* list = lists.back();
        lists.pop_back();
        for (const auto& control : *list) {
            if (!control->visible)
                continue;
            if (control->children)
                lists.push_back(control->children.get());
            else if (!control->builtin)
                found.push_back(control);
        }
    }
    return found;
}

std::vector<std::vector<std::shared_ptr<CommandBarControlData>>> RibbonView::LegacyToolbars() const {
    std::vector<std::vector<std::shared_ptr<CommandBarControlData>>> bars;
    for (const auto& bar : m_commandBars.Bars()) {
        if (bar->menuBar || !bar->visible)
            continue;
        std::vector<std::shared_ptr<CommandBarControlData>> row;
        for (const auto& control : *bar->controls)
            if (control->visible && !control->children)
                row.push_back(control);
        if (!row.empty())
            bars.push_back(row);
    }
    return bars;
}

bool RibbonView::ShowsAddinsTab() const {
    if (!LegacyMenuItems().empty() || !LegacyToolbars().empty())
        return true;
    for (const RibbonTab& tab : m_ribbon.Tabs())
        if (tab.idMso == kAddinsTab)
            return !tab.groups.empty();
    return false;
}

const RibbonTab* RibbonView::Selected() const {
    for (const RibbonTab& tab : m_ribbon.Tabs())
        if (tab.idMso == m_selected)
            return &tab;
    return nullptr;
}

void RibbonView::LayOutGroup(HDC dc, const RibbonGroup& group, int& x, std::vector<Item>& items,
                             std::vector<Laid>& groups) const {
    const int top = kTabRowHeight + kGroupPadding;
    const int bottom = kTabRowHeight + kBodyHeight - kGroupLabelHeight - 2;
    const int start = x;
    x += kGroupPadding;
    int row = 0, columnWidth = 0;
    auto endColumn = [&] {
        if (row > 0)
            x += columnWidth + 2;
        row = 0;
        columnWidth = 0;
    };
    for (const RibbonButton& button : group.buttons) {
        if (button.separator) {
            endColumn();
            x += kSeparatorWidth;
            continue;
        }
        if (button.large) {
            endColumn();
            int width = std::max(kLargeMinWidth, TextWidth(dc, button.label) + 10);
            items.push_back({Kind::Button, {x, top, x + width, bottom}, L"", button, nullptr});
            x += width + 2;
            continue;
        }
        int y = top + row * kSmallHeight;
        int width = SmallWidth(dc, button.label);
        items.push_back({Kind::Button, {x, y, x + width, y + kSmallHeight}, L"", button, nullptr});
        columnWidth = std::max(columnWidth, width);
        if (++row == kSmallRows)
            endColumn();
    }
    endColumn();
    x = std::max(x + kGroupPadding, start + TextWidth(dc, group.label) + 2 * kGroupPadding + 8);
    groups.push_back({group.label, {start, kTabRowHeight, x, kTabRowHeight + kBodyHeight}});
}

void RibbonView::LayOutLegacy(HDC dc, int& x, std::vector<Item>& items, std::vector<Laid>& groups) const {
    const int top = kTabRowHeight + kGroupPadding;
    auto legacyItem = [&](const std::shared_ptr<CommandBarControlData>& control, int left, int y) {
        int width = SmallWidth(dc, control->caption);
        RibbonButton shown;
        shown.label = control->caption;
        shown.enabled = control->enabled;
        items.push_back({Kind::Legacy, {left, y, left + width, y + kSmallHeight}, L"", shown, control});
        return width;
    };
    auto menuItems = LegacyMenuItems();
    if (!menuItems.empty()) {
        const int start = x;
        x += kGroupPadding;
        int row = 0, columnWidth = 0;
        for (const auto& control : menuItems) {
            columnWidth = std::max(columnWidth, legacyItem(control, x, top + row * kSmallHeight));
            if (++row == kSmallRows) {
                x += columnWidth + 2;
                row = 0;
                columnWidth = 0;
            }
        }
        x += columnWidth + kGroupPadding;
        x = std::max(x, start + TextWidth(dc, L"Menu Commands") + 2 * kGroupPadding + 8);
        groups.push_back({L"Menu Commands", {start, kTabRowHeight, x, kTabRowHeight + kBodyHeight}});
    }
    auto toolbars = LegacyToolbars();
    if (!toolbars.empty()) {
        const int start = x;
        int widest = 0;
        for (size_t r = 0; r < toolbars.size() && r < kSmallRows; ++r) {
            int left = x + kGroupPadding;
            for (const auto& control : toolbars[r])
                left += legacyItem(control, left, top + static_cast<int>(r) * kSmallHeight) + 2;
            widest = std::max(widest, left - x);
        }
        x += std::max(widest + kGroupPadding, TextWidth(dc, L"Custom Toolbars") + 2 * kGroupPadding + 8);
        groups.push_back({L"Custom Toolbars", {start, kTabRowHeight, x, kTabRowHeight + kBodyHeight}});
    }
}

std::vector<RibbonView::Item> RibbonView::Layout(HDC dc, std::vector<Laid>* groupsOut) const {
    std::vector<Item> items;
    int x = 2;
    const int fileWidth = TextWidth(dc, L"File") + 2 * kTabPadding + 8;
    items.push_back({Kind::FileTab, {x, 2, x + fileWidth, kTabRowHeight}, L"", {}, nullptr});
    x += fileWidth + 2;
    const bool addins = ShowsAddinsTab();
    for (const RibbonTab& tab : m_ribbon.Tabs()) {
        if (tab.idMso == kAddinsTab && !addins)
            continue;
        int width = TextWidth(dc, tab.label) + 2 * kTabPadding;
        RibbonButton label;
        label.label = tab.label;
        items.push_back({Kind::Tab, {x, 2, x + width, kTabRowHeight}, tab.idMso, label, nullptr});
        x += width;
    }
    std::vector<Laid> groups;
    x = 2;
    if (const RibbonTab* tab = Selected()) {
        for (const RibbonGroup& group : tab->groups)
            LayOutGroup(dc, group, x, items, groups);
        if (tab->idMso == kAddinsTab)
            LayOutLegacy(dc, x, items, groups);
    }
    if (groupsOut)
        *groupsOut = std::move(groups);
    return items;
}

std::vector<RibbonView::Item> RibbonView::Items(HDC dc) const {
    return Layout(dc, nullptr);
}

void RibbonView::PaintButton(HDC dc, const Item& item) const {
    const RibbonButton& button = item.button;
    const COLORREF text = ::GetSysColor(button.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    const RECT& r = item.rect;
    if (item.kind == Kind::Legacy) {
        RECT face = {r.left + 3, r.top + 3, r.left + 3 + kSmallImage, r.top + 3 + kSmallImage};
        CommandBarView::PaintFace(dc, face, *item.legacy);
        Text(dc, button.label, {face.right + 5, r.top, r.right, r.bottom}, DT_SINGLELINE | DT_VCENTER, text);
        return;
    }
    if (button.large) {
        const int left = (r.left + r.right - kLargeImage) / 2;
        RECT face = {left, r.top + 4, left + kLargeImage, r.top + 4 + kLargeImage};
        PaintFace(dc, face, button);
        Text(dc, button.label, {r.left, face.bottom + 4, r.right, r.bottom}, DT_CENTER | DT_WORDBREAK, text);
        return;
    }
    RECT face = {r.left + 3, r.top + 3, r.left + 3 + kSmallImage, r.top + 3 + kSmallImage};
    PaintFace(dc, face, button);
    Text(dc, button.label, {face.right + 5, r.top, r.right, r.bottom}, DT_SINGLELINE | DT_VCENTER, text);
}

void RibbonView::Paint(HDC dc, const RECT& client) const {
    DcState state(dc);
    FillColor(dc, {client.left, 0, client.right, kTabRowHeight}, kTabRowColor);
    FillColor(dc, {client.left, kTabRowHeight, client.right, Height()}, kRibbonColor);
    FillColor(dc, {client.left, Height() - 1, client.right, Height()}, kLineColor);
    std::vector<Laid> groups;
    std::vector<Item> items = Layout(dc, &groups);
    for (const Laid& group : groups) {
        RECT label = {group.rect.left, group.rect.bottom - kGroupLabelHeight - 2, group.rect.right,
                      group.rect.bottom - 2};
        Text(dc, group.label, label, DT_CENTER | DT_SINGLELINE | DT_VCENTER, RGB(90, 90, 90));
        FillColor(dc, {group.rect.right - 1, group.rect.top + 4, group.rect.right, group.rect.bottom - 4},
                  kLineColor);
    }
    for (const Item& item : items) {
        switch (item.kind) {
        case Kind::FileTab:
            FillColor(dc, item.rect, kFileColor);
            Text(dc, L"File", item.rect, DT_CENTER | DT_SINGLELINE | DT_VCENTER, RGB(255, 255, 255));
            break;
        case Kind::Tab: {
            const bool selected = item.tab == m_selected;
            if (selected) {
                FillColor(dc, {item.rect.left, item.rect.top, item.rect.right, item.rect.bottom + 1},
                          kRibbonColor);
                UniqueBrush edge(::CreateSolidBrush(kLineColor));
                RECT frame = {item.rect.left, item.rect.top, item.rect.right, item.rect.bottom + 1};
                ::FrameRect(dc, &frame, edge.Get());
                FillColor(
                    dc, {item.rect.left + 1, item.rect.bottom - 1, item.rect.right - 1, item.rect.bottom + 1},
                    kRibbonColor);
            }
            Text(dc, item.button.label, item.rect, DT_CENTER | DT_SINGLELINE | DT_VCENTER,
                 selected ? kFileColor : RGB(40, 40, 40));
            break;
        }
        case Kind::Button:
        case Kind::Legacy:
            PaintButton(dc, item);
            break;
        case Kind::MenuItem:
            break;
        }
    }
}

void RibbonView::SetContextMenu(std::vector<RibbonButton> addinItems) {
    m_menuItems.clear();
    for (const wchar_t* label : kBuiltinMenuItems) {
        RibbonButton builtin;
        builtin.label = label;
        builtin.imageMso = label;
        m_menuItems.push_back(builtin);
    }
    if (!addinItems.empty()) {
        RibbonButton separator;
        separator.separator = true;
        m_menuItems.push_back(separator);
    }
    for (RibbonButton& item : addinItems)
        m_menuItems.push_back(std::move(item));
    m_menuOpen = true;
}

void RibbonView::CloseContextMenu() {
    m_menuOpen = false;
    m_menuItems.clear();
}

std::vector<RibbonView::Item> RibbonView::ContextMenuItems(HDC dc) const {
    std::vector<Item> items;
    if (!m_menuOpen)
        return items;
    const int width = ContextMenuSize(dc).cx;
    int y = 2;
    for (const RibbonButton& button : m_menuItems) {
        const int height = button.separator ? kMenuSeparatorHeight : kMenuItemHeight;
        items.push_back({Kind::MenuItem, {2, y, width - 2, y + height}, L"", button, nullptr});
        y += height;
    }
    return items;
}

SIZE RibbonView::ContextMenuSize(HDC dc) const {
    SIZE size = {0, 0};
    if (!m_menuOpen)
        return size;
    int width = kMenuMinWidth, height = 4;
    for (const RibbonButton& button : m_menuItems) {
        height += button.separator ? kMenuSeparatorHeight : kMenuItemHeight;
        width = std::max(width, kMenuImageColumn + TextWidth(dc, button.label) + 28);
    }
    size.cx = width;
    size.cy = height;
    return size;
}

void RibbonView::PaintContextMenu(HDC dc, const RECT& menuClient) const {
    DcState state(dc);
    FillColor(dc, menuClient, RGB(252, 252, 252));
    FillColor(
        dc,
        {menuClient.left + 2, menuClient.top + 2, menuClient.left + kMenuImageColumn, menuClient.bottom - 2},
        RGB(238, 240, 242));
    UniqueBrush edge(::CreateSolidBrush(RGB(150, 150, 150)));
    ::FrameRect(dc, &menuClient, edge.Get());
    for (const Item& item : ContextMenuItems(dc)) {
        const RECT& r = item.rect;
        if (item.button.separator) {
            FillColor(dc,
                      {r.left + kMenuImageColumn + 2, (r.top + r.bottom) / 2, r.right - 2,
                       (r.top + r.bottom) / 2 + 1},
                      kLineColor);
            continue;
        }
        const int y = r.top + (kMenuItemHeight - kSmallImage) / 2;
        RECT face = {r.left + 4, y, r.left + 4 + kSmallImage, y + kSmallImage};
        PaintFace(dc, face, item.button);
        Text(dc, item.button.label, {r.left + kMenuImageColumn + 6, r.top, r.right, r.bottom},
             DT_SINGLELINE | DT_VCENTER,
             ::GetSysColor(item.button.enabled ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
    }
}
