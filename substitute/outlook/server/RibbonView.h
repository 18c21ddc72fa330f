// The explorer's face from Outlook 2010 on: a ribbon with its tab row (File, Home, Send / Receive,
// Folder, View, the add-ins' tabs, Add-ins) over the selected tab's groups, and the mail context
// menu. The Add-ins tab shows the add-ins' legacy command-bar controls as Office does: menu items
// under "Menu Commands", tool bars under "Custom Toolbars". Layout and hit testing share one
// computation, so what is drawn is exactly what a click finds.
#pragma once
#include "CommandBarSet.h"
#include "RibbonHost.h"

#include <windows.h>

#include <string>
#include <vector>

class RibbonView {
public:
    RibbonView(const RibbonHost& ribbon, const CommandBarSet& commandBars);

    enum class Kind { FileTab, Tab, Button, Legacy, MenuItem };
    struct Item {
        Kind kind;
        RECT rect;                                     // menu items: in the menu's coordinates
        std::wstring tab;                              // tabs: the tab's idMso or identity
        RibbonButton button;                           // buttons and menu items
        std::shared_ptr<CommandBarControlData> legacy; // legacy controls
    };

    static int Height();
    // The tab row and the selected tab's controls (layout of now).
    std::vector<Item> Items(HDC dc) const;
    void Paint(HDC dc, const RECT& client) const;
    const std::wstring& SelectedTab() const { return m_selected; }
    void SelectTab(const std::wstring& tab) { m_selected = tab; }

    // The context menu's items: the built-in ones, then the add-ins' (empty: closed).
    void SetContextMenu(std::vector<RibbonButton> addinItems);
    bool ContextMenuOpen() const { return m_menuOpen; }
    void CloseContextMenu();
    SIZE ContextMenuSize(HDC dc) const;
    std::vector<Item> ContextMenuItems(HDC dc) const;
    void PaintContextMenu(HDC dc, const RECT& menuClient) const;

private:
    struct Laid {
        std::wstring label;
        RECT rect; // the group's area
    };
    const RibbonTab* Selected() const;
    bool ShowsAddinsTab() const;
    // The add-ins' controls in the menus and on the tool bars.
    std::vector<std::shared_ptr<CommandBarControlData>> LegacyMenuItems() const;
    std::vector<std::vector<std::shared_ptr<CommandBarControlData>>> LegacyToolbars() const;
    void LayOutLegacy(HDC dc, int& x, std::vector<Item>& items, std::vector<Laid>& groups) const;
    void LayOutGroup(HDC dc, const RibbonGroup& group, int& x, std::vector<Item>& items,
                     std::vector<Laid>& groups) const;
    std::vector<Item> Layout(HDC dc, std::vector<Laid>* groups) const;
    void PaintButton(HDC dc, const Item& item) const;

    const RibbonHost& m_ribbon;
    const CommandBarSet& m_commandBars;
    std::wstring m_selected = L"TabMail";
    bool m_menuOpen = false;
    std::vector<RibbonButton> m_menuItems;
};
