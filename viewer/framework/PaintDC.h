// The display context of one WM_PAINT: BeginPaint on construction, EndPaint on destruction, so
// that every way out of a paint handler ends the paint exactly once.
#pragma once
#include <windows.h>

class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_paint)) {}
    ~CPaintDC() {
        if (m_dc)
            ::EndPaint(m_hwnd, &m_paint);
    }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC Get() const { return m_dc; }
    const PAINTSTRUCT& Paint() const { return m_paint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};
