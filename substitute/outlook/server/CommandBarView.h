// The command bars drawn as Outlook draws them: a menu bar row with the top-level menus, a tool
// bar row with every visible bar and its buttons, and the open menu's items. Layout and hit
// testing share one computation, so what is drawn is exactly what a click finds.
#pragma once
#include "CommandBarSet.h"

#include <windows.h>

#include <vector>

class CommandBarView {
public:
    explicit CommandBarView(const CommandBarSet& set);

    enum class Kind { MenuTitle, ToolButton, MenuItem, Grip };
    struct Item {
        Kind kind;
        RECT rect; // menu items: in the coordinates of the open menu; else in the window's
        std::shared_ptr<CommandBarControlData> control; // null for a grip
    };

    // Height of the menu and tool bar rows above the mail list.
    int BandHeight() const;
    // The drawn items of the bands and of the open menu (layout of now).
    std::vector<Item> BandItems(HDC dc) const;
    std::vector<Item> MenuItems(HDC dc) const;
    // Where the open menu is drawn, in window coordinates; empty when no menu is open.
    RECT MenuRect(HDC dc) const;

    void PaintBands(HDC dc, const RECT& client) const;
    void PaintMenu(HDC dc, const RECT& menuClient) const;

    // The top-level menu shown open (its serial), or 0.
    long OpenMenu() const { return m_openMenu; }
    void SetOpenMenu(long serial) { m_openMenu = serial; }

    // A control's face (pasted picture, else the drawn built-in face of its FaceId), in box.
    static void PaintFace(HDC dc, const RECT& box, const CommandBarControlData& control);

private:
    bool ShowsFace(const CommandBarControlData& control) const;
    bool ShowsCaption(const CommandBarControlData& control) const;

    const CommandBarSet& m_set;
    long m_openMenu = 0;
};
