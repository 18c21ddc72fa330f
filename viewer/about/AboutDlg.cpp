#include "AboutDlg.h"
#include "PaintDC.h"

#include "resource.h"

namespace {
constexpr UINT kScrollPeriodMs = 40;
constexpr COLORREF kCreditsColor = RGB(255, 96, 8);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr const char* kFontFace = "Arial";
constexpr BYTE kFontQuality = PROOF_QUALITY;
constexpr BYTE kFontPitchAndFamily = 6;
constexpr const char* kMissingBitmapFormat =
    "Could not find bitmap resource \"%s\". Be sure to assign the bitmap a QUOTED resource name";
} // namespace

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent), versionText(VARO_VERSION_TEXT) {}

void CAboutDlg::DoDataExchange() {
    BindControl(IDC_HOMEPAGE_LINK, link);
    SetControlText(IDC_VERSION_LABEL, versionText);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    link.SetTarget(credits::kMakerUrl);

    credits = CCreditScroller{};
    imageSelection.Reset();
    if (UniqueWindowDc dc(m_hWnd); dc)
        memoryDC.Reset(::CreateCompatibleDC(dc.Get()));
    firstPaint = true;

    panel = GetDlgItem(IDC_CREDITS_PANEL);
    ::GetClientRect(panel, &panelRect);
    ::SetTimer(m_hWnd, scrollTimerId, kScrollPeriodMs, nullptr);
    return TRUE;
}

HBRUSH CAboutDlg::OnCtlColor(HDC, HWND, UINT) {
    return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}

LRESULT CAboutDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

RECT CAboutDlg::PanelRectInDialog() const {
    RECT rect{};
    ::GetClientRect(panel, &rect);
    ::MapWindowPoints(panel, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CAboutDlg::OnTimer(UINT_PTR id) {
    if (id == scrollTimerId && panel) {
        credits.Tick();
        ::ScrollWindowEx(panel, 0, -1, &panelRect, &panelRect, nullptr, nullptr, SW_INVALIDATE);
        RECT area = PanelRectInDialog();
        ::InvalidateRect(m_hWnd, &area, FALSE);
    }
    Default();
}

bool CAboutDlg::StartImage(const std::string& name) {
    imageSelection.Reset();
    workBitmap.Reset(::LoadBitmapA(::GetModuleHandleA(nullptr), name.c_str()));
    if (!workBitmap)
        return false;
    BITMAP info{};
    ::GetObjectA(workBitmap.Get(), sizeof info, &info);
    imageWidth = info.bmWidth;
    imageHeight = info.bmHeight;
    RECT area = PanelRectInDialog();
    imageLeft = area.right - (area.right - area.left) / 2 - imageWidth / 2;
    imageBase = area.bottom;
    imageSelection = SelectedObject(memoryDC.Get(), workBitmap.Get());
    credits.StartImage();
    return true;
}

void CAboutDlg::OnPaint() {
    std::string missingBitmap;
    {
        CPaintDC dialogPaint(m_hWnd);
        CPaintDC panelPaint(panel);
        missingBitmap = PaintCredits(dialogPaint.Get(), panelPaint.Get());
    }
    // Reported after the paint has ended, so that the box itself can paint.
    if (!missingBitmap.empty()) {
        std::string text(kMissingBitmapFormat);
        text.replace(text.find("%s"), 2, missingBitmap);
        ::MessageBoxA(m_hWnd, text.c_str(), AppTitle().c_str(), MB_OK);
    }
}

std::string CAboutDlg::PaintCredits(HDC dialogDc, HDC panelDc) {
    ::SetBkMode(panelDc, TRANSPARENT);

    UniqueFont font;
    SelectedObject fontSelection;
    const credits::LineStyle style = credits.PaintLineStyle();
    if (style.kind == credits::LineKind::Image) {
        if (!credits.showingImage && !StartImage(credits::VisibleText(credits.currentLine))) {
            // Report once: the scroller stops and the line is not tried again at the next paint.
            ::KillTimer(m_hWnd, scrollTimerId);
            std::string name = credits::VisibleText(credits.currentLine);
            credits.DropCurrentLine();
            return name;
        }
    } else if (style.kind == credits::LineKind::Text) {
        font.Reset(::CreateFontA(style.height, 0, 0, 0, style.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, kFontQuality, kFontPitchAndFamily,
                                 kFontFace));
        ::SetTextColor(panelDc, kCreditsColor);
        fontSelection = SelectedObject(panelDc, font.Get());
    }

    UniqueBrush white(::CreateSolidBrush(kWhite));
    SelectedObject brushSelection(panelDc, white.Get());
    RECT fill = panelRect;
    if (firstPaint)
        firstPaint = false;
    else
        fill.top = fill.bottom - 1;
    ::FillRect(panelDc, &fill, white.Get());

    RECT strip = panelRect;
    strip.top = strip.bottom - credits.scrolled;
    if (!credits.showingImage) {
        std::string text = credits::VisibleText(credits.currentLine);
        ::DrawTextA(panelDc, text.c_str(), static_cast<int>(text.size()), &strip,
                    DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    } else {
        ::StretchBlt(dialogDc, imageLeft, imageBase - credits.scrolled, imageWidth, credits.scrolled,
                     memoryDC.Get(), 0, 0, imageWidth - 1, credits.scrolled, SRCCOPY);
        if (credits.FinishImageIfRisen(imageHeight)) {
            imageSelection.Reset();
            workBitmap.Reset();
        }
    }
    return std::string();
}

void CAboutDlg::OnLButtonUp() {
    Default();
    EndDialog(IDOK);
}

void CAboutDlg::OnDestroy() {
    Default();
    ::KillTimer(m_hWnd, scrollTimerId);
    imageSelection.Reset();
    workBitmap.Reset();
}
