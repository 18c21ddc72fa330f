// A static control of a dialog (text, image or frame), bound by the dialog's data exchange.
#pragma once
#include "Wnd.h"

class CStatic : public CWnd {
public:
    CStatic() = default;

    DWORD GetStyle() const;
    // Changes the window style bits; the control picks them up at its next paint.
    void ModifyStyle(DWORD remove, DWORD add);
};
