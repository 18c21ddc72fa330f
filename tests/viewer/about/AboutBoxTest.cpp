// The About box on screen: version, moving credits, closing, and the link opening its target
// through the shell, through the registered web-page opener, or failing with its message.
#include "AboutDlg.h"
#include "AboutTestSupport.h"

#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace abouttest;

namespace {

constexpr COLORREF kNormal = RGB(0, 0, 238);
constexpr COLORREF kVisited = RGB(85, 26, 139);
constexpr COLORREF kHover = RGB(255, 0, 0);

// The About box with the link pointed at a test target.
class TargetedAboutDlg : public CAboutDlg {
public:
    explicit TargetedAboutDlg(std::string target) : m_target(std::move(target)) {}

protected:
    BOOL OnInitDialog() override {
        BOOL result = CAboutDlg::OnInitDialog();
        Link().SetTarget(m_target);
        return result;
    }

private:
    std::string m_target;
};

std::string MarkerProgram() {
    return ProgramDir() + "\\varo_about_marker.exe";
}

std::string TestFolder() {
    std::string folder = BinaryDir() + "\\about-test";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

POINT FarAway() {
    return {::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5};
}

bool IsCreditsOrange(COLORREF c) {
    return GetRValue(c) >= 230 && GetGValue(c) <= 150 && GetBValue(c) <= 100;
}

} // namespace

TEST(AboutBox, ShowsVersionScrollsCreditsAndClosesOnButtonRelease) {
    CAboutDlg dlg;
    INT_PTR result = 0;
    RunWithDriver(
        [&] { result = dlg.DoModal(); },
        [&](HWND dialog) {
            MoveMouse(FarAway());
            EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_VERSION_LABEL)), "1.41");
            // The dialog has no caption and no frame.
            EXPECT_EQ(::GetWindowLongA(dialog, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
            HWND panel = ::GetDlgItem(dialog, IDC_CREDITS_PANEL);
            // Two lines in, the first one (a heading) has risen into view.
            ASSERT_TRUE(WaitFor([&] { return dlg.Scroller().lineIndex >= 2; }, 10000));
            Capture first = CaptureClient(panel, "credits-1");
            ASSERT_GT(first.width, 0);
            Capture second;
            EXPECT_TRUE(WaitFor([&] { return !((second = CaptureClient(panel)) == first); }, 5000))
                << "the credits did not move";
            EXPECT_TRUE(WaitFor([&] { return CaptureClient(panel).CountIf(IsCreditsOrange) > 0; }, 5000))
                << "no credits text in the panel";
            CaptureClient(panel, "credits-2");
            CaptureClient(dialog, "about-box");
            // Released on the panel: the dialog closes.
            Click(panel);
            EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
        });
    EXPECT_EQ(result, IDOK);
}

// The longest run of neighbouring pixels in one row that pass the test.
int LongestRun(const Capture& shot, const std::function<bool(COLORREF)>& test) {
    int longest = 0;
    for (int y = 0; y < shot.height; ++y) {
        int run = 0;
        for (int x = 0; x < shot.width; ++x) {
            run = test(shot.pixels[static_cast<size_t>(y) * shot.width + x]) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

TEST(AboutBox, SeparatorImageRisesIntoThePanel) {
    CAboutDlg dlg;
    RunWithDriver([&] { dlg.DoModal(); },
                  [&](HWND dialog) {
                      MoveMouse(FarAway());
                      HWND panel = ::GetDlgItem(dialog, IDC_CREDITS_PANEL);
                      // Row 4 starts after 15 + 4 * 17 ticks of 40 ms; its image is 5 pixels high.
                      ASSERT_TRUE(WaitFor([&] { return dlg.Scroller().lineIndex >= 6; }, 10000));
                      Capture shot = CaptureClient(panel, "credits-separator");
                      // Text has no long runs of its colour; the separator bar does.
                      EXPECT_GE(LongestRun(shot, IsCreditsOrange), 40);
                      PressKey(dialog, VK_ESCAPE);
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
                  });
}

TEST(AboutBox, LinkOpensItsTargetThroughTheShellAndTurnsVisited) {
    const std::string folder = TestFolder();
    const std::string target = folder + "\\link-target.varolink";
    const std::string marker = folder + "\\shell-opened.txt";
    ::DeleteFileA(marker.c_str());
    if (FILE* f = std::fopen(target.c_str(), "wb"))
        std::fclose(f);
    ClassesEntry extension(".varolink", "VaroAboutTest.Link");
    ClassesEntry command("VaroAboutTest.Link\\shell\\open\\command",
                         "\"" + MarkerProgram() + "\" \"" + marker + "\" \"%1\"");

    TargetedAboutDlg dlg(target);
    INT_PTR result = 0;
    RunWithDriver([&] { result = dlg.DoModal(); },
                  [&](HWND dialog) {
                      HWND link = ::GetDlgItem(dialog, IDC_HOMEPAGE_LINK);
                      MoveMouse(FarAway());
                      EXPECT_TRUE(WaitFor([&] { return CaptureClient(link).Count(kNormal) > 0; }, 3000));
                      CaptureClient(link, "link-normal");
                      EXPECT_EQ(WindowText(link), "www.drovasoft.example"); // the text stays

                      // Hover: underlined in the hover colour until the pointer leaves.
                      Hover(link);
                      EXPECT_TRUE(WaitFor([&] { return dlg.Link().IsHovering(); }, 2000));
                      EXPECT_TRUE(WaitFor([&] { return CaptureClient(link).Count(kHover) > 0; }, 3000));
                      CaptureClient(link, "link-hover");

                      Click(link);
                      EXPECT_TRUE(WaitFor([&] { return !ReadFile(marker).empty(); }, 10000));
                      EXPECT_NE(ReadFile(marker).find(target), std::string::npos) << ReadFile(marker);

                      MoveMouse(FarAway());
                      EXPECT_TRUE(WaitFor([&] { return !dlg.Link().IsHovering(); }, 2000));
                      EXPECT_TRUE(dlg.Link().IsVisited());
                      Capture visited;
                      EXPECT_TRUE(
                          WaitFor([&] { return (visited = CaptureClient(link)).Count(kVisited) > 0; }, 3000));
                      CaptureClient(link, "link-visited");
                      EXPECT_EQ(visited.Count(kNormal), 0);
                      // The click went to the link, not to the dialog: it is still open.
                      EXPECT_TRUE(::IsWindow(dialog));
                      Click(::GetDlgItem(dialog, IDC_CREDITS_PANEL));
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
                  });
    EXPECT_EQ(result, IDOK);
}

TEST(AboutBox, FailedOpenShowsTheMessageAndStaysUnvisited) {
    const std::string target = TestFolder() + "\\no-such-page.varolink";
    ::DeleteFileA(target.c_str());
    // The web-page class has no open command: the fallback gives up and the shell's code stands.
    ClassesEntry pages(".htm", "VaroAboutTest.NoOpener");
    ClassesEntry noOpener("VaroAboutTest.NoOpener", "no opener");

    TargetedAboutDlg dlg(target);
    RunWithDriver([&] { dlg.DoModal(); },
                  [&](HWND dialog) {
                      Click(::GetDlgItem(dialog, IDC_HOMEPAGE_LINK));
                      HWND box = nullptr;
                      ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(dialog)) != nullptr; }, 5000));
                      EXPECT_EQ(MessageBoxText(box),
                                "Unable to open hyperlink:\n\nThe specified file was not found.");
                      EXPECT_EQ(WindowText(box), "VARO");
                      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(box); }, 3000));
                      EXPECT_FALSE(dlg.Link().IsVisited());
                      EXPECT_TRUE(::IsWindow(dialog));
                      Click(::GetDlgItem(dialog, IDC_CREDITS_PANEL));
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
                  });
}

TEST(HyperLink, FallbackRunsTheRegisteredOpenerWithLongTargetsAndCommands) {
    const std::string marker = TestFolder() + "\\fallback-opened.txt";
    ::DeleteFileA(marker.c_str());
    // A registered command longer than 260 bytes and a command line far beyond 520. (Wine's own
    // ShellExecute gives up on targets of about a thousand characters and more, so the target
    // stays below that here; the command-line test covers several thousand.)
    const std::string padding(700, 'L');
    ClassesEntry pages(".htm", "VaroAboutTest.Page");
    ClassesEntry command("VaroAboutTest.Page\\shell\\open\\command", "\"" + MarkerProgram() + "\" \"" +
                                                                         marker + "\" \"" + padding +
                                                                         "\" \"%1\" --dropped");
    const std::string target = "varo-nowhere:" + std::string(900, 'z');

    CHyperLink link; // no window needed to open a target
    int result = link.OpenTarget(target, SW_HIDE);
    EXPECT_GT(result, 32);
    ASSERT_TRUE(WaitFor([&] { return !ReadFile(marker).empty(); }, 10000));
    const std::string line = ReadFile(marker);
    EXPECT_NE(line.find("\"" + padding + "\"  " + target), std::string::npos) << line.substr(0, 200);
    EXPECT_EQ(line.find("--dropped"), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - target.size()), target);
}

TEST(HyperLink, AttachFillsEmptyTextAndTakesTextAsTarget) {
    HWND parent =
        ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    HWND empty = ::CreateWindowExA(0, "Static", "", WS_CHILD | SS_CENTER, 10, 10, 200, 20, parent, nullptr,
                                   nullptr, nullptr);
    HWND named = ::CreateWindowExA(0, "Static", "drovasoft.example", WS_CHILD, 10, 40, 200, 20, parent,
                                   nullptr, nullptr, nullptr);
    CHyperLink first, second;
    first.SetTarget("https://www.drovasoft.example/a");
    ASSERT_TRUE(first.SubclassWindow(empty));
    ASSERT_TRUE(second.SubclassWindow(named));
    EXPECT_EQ(WindowText(empty), "https://www.drovasoft.example/a");
    EXPECT_EQ(second.GetTarget(), "drovasoft.example");
    EXPECT_NE(::GetWindowLongA(named, GWL_STYLE) & SS_NOTIFY, 0);
    // Left-aligned text keeps its left edge and shrinks to the text; centred text keeps its centre.
    RECT left{}, centred{};
    ::GetWindowRect(named, &left);
    ::GetWindowRect(empty, &centred);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&left), 2);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&centred), 2);
    EXPECT_EQ(left.left, 10);
    EXPECT_LT(left.right - left.left, 200);
    EXPECT_NEAR((centred.left + centred.right) / 2, 110, 1);
    // The tooltip shows the target, and follows it when the target changes.
    first.SetTarget("https://www.drovasoft.example/b");
    char tip[256] = {};
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = empty;
    tool.uId = 1;
    tool.lpszText = tip;
    ASSERT_NE(first.GetTipControl(), nullptr);
    ::SendMessageA(first.GetTipControl(), TTM_GETTEXTA, sizeof tip, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip, "https://www.drovasoft.example/b");
    EXPECT_EQ(WindowText(empty), "https://www.drovasoft.example/a"); // the text stays
    ::DestroyWindow(parent);
}
TEST(AboutBox, CancelKeyCloses) {
    CAboutDlg dlg;
    INT_PTR result = 0;
    RunWithDriver([&] { result = dlg.DoModal(); },
                  [&](HWND dialog) {
                      PressKey(dialog, VK_ESCAPE);
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
                  });
    EXPECT_EQ(result, IDCANCEL);
    // Other keys leave it open: the button release behind them in the queue closes it with IDOK.
    CAboutDlg again;
    RunWithDriver([&] { result = again.DoModal(); },
                  [&](HWND dialog) {
                      PressKey(dialog, 'A');
                      PressKey(dialog, VK_SPACE);
                      Click(::GetDlgItem(dialog, IDC_CREDITS_PANEL));
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
                  });
    EXPECT_EQ(result, IDOK);
}
