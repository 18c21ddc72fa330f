#include "CmdTarget.h"

BOOL CCmdTarget::OnCmdMsg(UINT, int, CCmdUI*) {
    return FALSE;
}
