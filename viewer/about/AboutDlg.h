// The About box: logo, version, endlessly scrolling credits and a link to the maker's site.
// It closes when the left mouse button is released on it, or with the cancel key.
#pragma once
#include "CreditScroller.h"
#include "Dialog.h"
#include "HyperLink.h"
#include "UniqueHandle.h"

#include <string>

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent = nullptr);

    // For tests: the link and the scroller as they are now.
    CHyperLink& Link() { return link; }
    const CCreditScroller& Scroller() const { return credits; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTimer(UINT_PTR id);
    void OnPaint();
    // Draws the current credits step; the name of a separator bitmap that cannot be loaded, else
    // empty.
    std::string PaintCredits(HDC dialogDc, HDC panelDc);
    void OnLButtonUp();
    void OnDestroy();
    // Loads the named bitmap and places it centred at the panel's bottom edge; false if absent.
    bool StartImage(const std::string& name);
    RECT PanelRectInDialog() const;

    CHyperLink link;
    std::string versionText;
    HWND panel = nullptr;
    RECT panelRect{};
    CCreditScroller credits; // lineIndex, lineTicks, currentLine, lineHeight, scrolled, showingImage
    bool firstPaint = true;
    UniqueBitmap workBitmap;
    UniqueDc memoryDC;
    // The image being risen, selected into memoryDC (declared after both: given up first).
    SelectedObject imageSelection;
    int imageLeft = 0;
    int imageBase = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    UINT_PTR scrollTimerId = 150;
};
