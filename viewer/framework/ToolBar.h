// Flat tool bar with tool tips and fly-by prompts, filled from a tool bar resource (type 241:
// version, button width, height, count, then the command of each button, 0 for a separator)
// and the bitmap of the same id.
#pragma once
#include "ControlBar.h"
#include "UniqueHandle.h"
#include "Wnd.h"

#include <commctrl.h>

#include <vector>

class CCmdTarget;

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};
using UniqueImageList = UniqueResource<ImageListTraits>;

class CToolBar : public CWnd {
public:
    CToolBar() = default;
    ~CToolBar() override;

    BOOL CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, RECT borders, UINT id);
    BOOL LoadToolBar(UINT resourceId);

    DWORD GetBarStyle() const { return m_barStyle; }
    void EnableDocking(DWORD sides) { m_dockSides = sides; }
    DWORD GetDockingSides() const { return m_dockSides; }
    // The frame side the bar sits on (one CBRS_ALIGN_* bit); a vertical bar stacks its buttons.
    DWORD GetDockSide() const { return m_dockSide; }
    void SetDockSide(DWORD side);
    bool IsVertical() const { return (m_dockSide & (CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT)) != 0; }
    // Thickness of the docked bar across its side.
    int CalcThickness() const;
    // Enables each button as its command target says.
    void UpdateButtons(CCmdTarget* target);
    const std::vector<UINT>& GetButtonIds() const { return m_buttons; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    static constexpr int kGripperSpace = 8;
    LRESULT OnCustomDraw(NMTBCUSTOMDRAW* draw);
    // Dragging by the gripper: released near another side of the frame, the bar docks there.
    bool OnGripperDown(int x, int y);
    void OnGripperUp(int x, int y);

    DWORD m_dockSide = CBRS_ALIGN_TOP;
    bool m_dragging = false;

    DWORD m_barStyle = 0;
    DWORD m_dockSides = 0;
    std::vector<UINT> m_buttons;
    UniqueImageList m_images; // the bar only borrows it: it goes after the window
};
