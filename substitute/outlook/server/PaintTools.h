// Small painting helpers that the drawn command bars and the drawn ribbon share.
#pragma once
#include "UniqueHandle.h"

#include <windows.h>

#include <string>

namespace paint {

inline HFONT UiFont() {
    return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

inline int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size = {};
    SelectedObject font(dc, UiFont());
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Restores the device context's selections and colours when the painting step ends.
class DcState {
public:
    explicit DcState(HDC dc) : m_dc(dc), m_saved(::SaveDC(dc)) {}
    ~DcState() { ::RestoreDC(m_dc, m_saved); }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    HDC m_dc;
    int m_saved;
};

inline void FillColor(HDC dc, const RECT& rect, COLORREF color) {
    UniqueBrush brush(::CreateSolidBrush(color));
    ::FillRect(dc, &rect, brush.Get());
}

} // namespace paint
