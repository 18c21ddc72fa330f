// Help/About in the real program: the command reaches the application, the About box comes up
// modal over the main window, its credits run, and a button release on it closes it.
#include "AboutTestSupport.h"
#include "VaroDriver.h"

#include "resource.h"

#include <gtest/gtest.h>

using namespace abouttest;

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindAboutBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && ::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, IDC_CREDITS_PANEL)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND AboutBoxOf(DWORD pid) {
    Search search{pid, nullptr};
    ::EnumWindows(&FindAboutBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

TEST(AboutInProgram, HelpAboutShowsTheBoxModallyAndItClosesOnRelease) {
    VaroDriver varo("about-box");
    varo.InstallSupportFiles();
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    ASSERT_TRUE(varo.Settle()); // the start-up capture finds no Outlook and says so
    HWND frame = varo.frame;

    varo.Command(ID_APP_ABOUT);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = AboutBoxOf(varo.process.dwProcessId)) != nullptr; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return IsReady(about); }, 5000)) << "the About box did not take the focus";
    EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_VERSION_LABEL)), "1.41");
    EXPECT_FALSE(::IsWindowEnabled(frame)) << "the About box is not modal";

    MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
    HWND panel = ::GetDlgItem(about, IDC_CREDITS_PANEL);
    Capture first = CaptureClient(panel, "program-credits-1");
    ASSERT_GT(first.width, 0);
    EXPECT_TRUE(WaitFor([&] { return !(CaptureClient(panel) == first); }, 5000))
        << "the credits did not move";
    CaptureClient(panel, "program-credits-2");
    CaptureClient(about, "program-about-box");

    Click(panel);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); }, 3000));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(frame) != FALSE; }, 3000));
    EXPECT_TRUE(varo.Close());
}
