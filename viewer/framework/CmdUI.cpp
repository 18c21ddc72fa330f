#include "CmdUI.h"
#include "CmdTarget.h"

#include <commctrl.h>

void CCmdUI::Enable(BOOL on) {
    m_bEnableChanged = true;
    m_bEnabled = on != FALSE;
    if (m_hMenu)
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    if (m_hToolBar)
        ::SendMessageA(m_hToolBar, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
}

void CCmdUI::SetCheck(int check) {
    if (m_hMenu)
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    if (m_hToolBar)
        ::SendMessageA(m_hToolBar, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
}

void CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler) {
    m_bEnableChanged = false;
    BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
    if (!handled && !m_bEnableChanged && disableIfNoHandler)
        Enable(target->OnCmdMsg(m_nID, CN_COMMAND_PROBE, nullptr));
}
