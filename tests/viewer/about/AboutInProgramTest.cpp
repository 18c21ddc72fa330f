// Help/About in the real program: the command reaches the application, the About box comes up
// modal over the main window, its credits run, and a button release on it closes it.
#include "AboutTestSupport.h"
#include "VaroDriver.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <thread>

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
    varo.Settle(1500); // the start-up capture finds no Outlook and says so
    HWND frame = ::FindWindowA(nullptr, "Varoscope");
    ASSERT_EQ(frame, varo.frame);

    ::PostMessageA(frame, WM_COMMAND, MAKEWPARAM(ID_APP_ABOUT, 0), 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = AboutBoxOf(varo.process.dwProcessId)) != nullptr; }, 5000));
    EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_VERSION_LABEL)), "1.41");
    EXPECT_FALSE(::IsWindowEnabled(frame)) << "the About box is not modal";

    MoveMouse({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
    HWND panel = ::GetDlgItem(about, IDC_CREDITS_PANEL);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    Capture first = CaptureClient(panel, "program-credits-1");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    Capture second = CaptureClient(panel, "program-credits-2");
    CaptureClient(about, "program-about-box");
    ASSERT_GT(first.width, 0);
    EXPECT_FALSE(first == second) << "the credits did not move";

    Click(CentreOnScreen(panel));
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); }, 3000));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(frame) != FALSE; }, 3000));
    EXPECT_TRUE(varo.Close());
}
