// One user-interface element of a command (menu item, tool bar button) while its state is updated:
// handlers enable or check it; an element whose command nobody handles is disabled.
#pragma once
#include <windows.h>

class CCmdTarget;

class CCmdUI {
public:
    UINT m_nID = 0;
    HMENU m_hMenu = nullptr; // set for a menu item (position m_nIndex)
    UINT m_nIndex = 0;
    HWND m_hToolBar = nullptr; // set for a tool bar button (command m_nID)

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);

    // Asks target for the state; without an update handler the element follows whether any
    // command handler exists (when disableIfNoHandler).
    void DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

    bool m_bEnableChanged = false;
    bool m_bEnabled = true;
};
