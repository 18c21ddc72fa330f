// Status bar: a stretching message pane followed by fixed indicator panes (one per indicator id,
// showing its string while the matching key toggle is on).
#pragma once
#include "ControlBar.h"
#include "Wnd.h"

#include <string>
#include <vector>

class CStatusBar : public CWnd {
public:
    CStatusBar() = default;
    ~CStatusBar() override;

    BOOL Create(CWnd* parent, DWORD style, UINT id);
    BOOL SetIndicators(const UINT* ids, int count);
    void SetPaneText(int index, const char* text);
    std::string GetPaneText(int index) const;
    // Lays the panes out for the current width.
    void RecalcPanes();
    // Shows CAP, NUM and SCRL as the keyboard's toggles stand.
    void UpdateIndicators();

private:
    struct Pane {
        UINT id;
        std::string text; // the indicator's text, shown when on
        int width;
        bool on;
    };
    std::vector<Pane> m_panes;
    DWORD m_barStyle = 0;
};
