#include "Static.h"

DWORD CStatic::GetStyle() const {
    return m_hWnd ? static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)) : 0;
}

void CStatic::ModifyStyle(DWORD remove, DWORD add) {
    if (!m_hWnd)
        return;
    DWORD style = (GetStyle() & ~remove) | add;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}
