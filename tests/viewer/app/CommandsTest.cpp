// Commands of the running program: by menu, key, tool bar and from other programs.
#include "VaroDriver.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
constexpr UINT kRefreshRequest = WM_USER + 100;

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(varo.Start());
        ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
        varo.Settle();
    }
    void TearDown() override { EXPECT_TRUE(varo.Close()); }

    // Runs action and tells how many captures it started.
    template <class F> size_t CapturesBy(F action) {
        const size_t before = varo.CountEvents("refresh");
        action();
        varo.WaitForEvents("refresh", before + 1, 5000);
        varo.Settle();
        return varo.CountEvents("refresh") - before;
    }

    VaroDriver varo{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};
} // namespace

TEST_F(Commands, KeyMenuToolBarAndOtherProgramsEachRunOneCapture) {
    EXPECT_EQ(CapturesBy([&] { varo.PostKey(VK_F5); }), 1u);
    EXPECT_EQ(CapturesBy([&] { varo.Command(ID_VIEW_REFRESH); }), 1u);
    EXPECT_EQ(CapturesBy([&] { varo.ClickToolButton(0); }), 1u);
    EXPECT_EQ(CapturesBy([&] { ::PostMessageA(varo.frame, kRefreshRequest, 7, 9); }), 1u);
    // Keys that are not the Refresh key start nothing.
    EXPECT_EQ(CapturesBy([&] { varo.PostKey(VK_F4); }), 0u);
}

TEST_F(Commands, EncodingCommandsStoreTheNameAndCaptureAtOnce) {
    const struct {
        UINT id;
        const char* name;
    } encodings[] = {{ID_ENCODING_SHIFTJIS, "SHIFT-JIS"},
                     {ID_ENCODING_ISO88591, "ISO-8859-1"},
                     {ID_ENCODING_BIG5, "BIG5"},
                     {ID_ENCODING_UTF8, "UTF-8"},
                     {ID_ENCODING_UTF8, "UTF-8"}}; // twice in a row: two captures
    for (const auto& e : encodings) {
        const size_t before = varo.CountEvents("encoding");
        EXPECT_EQ(CapturesBy([&] { varo.Command(e.id); }), 1u) << e.name;
        ASSERT_EQ(varo.CountEvents("encoding"), before + 1);
        EXPECT_EQ(varo.Events("encoding").back(), e.name);
    }
    // Never a check mark on an encoding item.
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(varo.MenuState("1/2/" + std::to_string(i)) & MF_CHECKED) << i;
}

TEST_F(Commands, BackspaceAndSecondButtonGoBack) {
    varo.PostKey(VK_BACK);
    ASSERT_TRUE(varo.WaitForEvents("goback", 1, 5000));
    varo.ClickToolButton(1);
    ASSERT_TRUE(varo.WaitForEvents("goback", 2, 5000));
    varo.Command(ID_VIEW_GOBACK);
    ASSERT_TRUE(varo.WaitForEvents("goback", 3, 5000));
    varo.Settle();
    EXPECT_EQ(varo.CountEvents("refresh"), 1u);
}

TEST_F(Commands, ToolBarDocksOnTheSideItsGripperIsDraggedTo) {
    HWND bar = ::FindWindowExA(varo.frame, nullptr, "ToolbarWindow32", nullptr);
    auto rectOf = [](HWND w) {
        RECT r;
        ::GetWindowRect(w, &r);
        return r;
    };
    RECT docked = rectOf(bar);
    EXPECT_GT(docked.right - docked.left, docked.bottom - docked.top); // across the top
    // Grip at the left end, let go near the frame's left edge, low down.
    ::PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 10));
    ::PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(2, 300));
    varo.Settle();
    RECT left = rectOf(bar), frame{};
    ::GetClientRect(varo.frame, &frame);
    ::MapWindowPoints(varo.frame, nullptr, reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_GT(left.bottom - left.top, left.right - left.left); // standing at the left
    EXPECT_EQ(left.left, frame.left);
    // Buttons still work there: the first one sits at the top of the vertical bar.
    const size_t before = varo.CountEvents("refresh");
    ::PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(19, 11));
    ::PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(19, 11));
    EXPECT_TRUE(varo.WaitForEvents("refresh", before + 1, 5000));
    varo.Settle();
    // And back to the top.
    ::PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(300, -30));
    varo.Settle();
    RECT top = rectOf(bar);
    EXPECT_GT(top.right - top.left, top.bottom - top.top);
}

TEST_F(Commands, MenuStatesSupportGreyLanguagesEnabled) {
    EXPECT_TRUE(varo.MenuState("2/2") & MF_GRAYED);    // &Support: no handler
    EXPECT_FALSE(varo.MenuState("2/0") & MF_GRAYED);   // Help Topics
    EXPECT_FALSE(varo.MenuState("2/4") & MF_GRAYED);   // About
    EXPECT_FALSE(varo.MenuState("1/0") & MF_GRAYED);   // Refresh
    EXPECT_FALSE(varo.MenuState("1/1") & MF_GRAYED);   // Go Back
    EXPECT_FALSE(varo.MenuState("1/4/0") & MF_GRAYED); // &Default
    EXPECT_TRUE(varo.MenuState("1/2") & MF_CHECKED);   // the Encoding popup item itself
    EXPECT_EQ(varo.MenuText("1/0"), "Refresh Outlook Images [F5]");
    // A disabled command sent anyway changes nothing and the program keeps running.
    varo.Command(ID_HELP_SUPPORT);
    varo.Command(ID_EDIT_UNDO);
    varo.Settle();
    EXPECT_TRUE(varo.Running());
}

TEST_F(Commands, AboutOpensTheAboutBoxModally) {
    varo.Command(ID_APP_ABOUT);
    HWND about = nullptr;
    for (int i = 0; i < 100 && !about; ++i, ::Sleep(50)) {
        HWND candidate = ::FindWindowExA(nullptr, nullptr, "#32770", nullptr);
        for (; candidate; candidate = ::FindWindowExA(nullptr, candidate, "#32770", nullptr)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(candidate, &pid);
            if (pid == varo.process.dwProcessId && ::IsWindowVisible(candidate))
                about = candidate;
        }
    }
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(varo.frame)); // modal: the frame waits
    ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && ::IsWindow(about); ++i)
        ::Sleep(50);
    EXPECT_FALSE(::IsWindow(about));
    EXPECT_TRUE(::IsWindowEnabled(varo.frame));
}

namespace {
// A visible dialog of the process other than its message boxes, or null.
HWND FindDialogOf(DWORD processId, const char* title) {
    for (int i = 0; i < 100; ++i, ::Sleep(50)) {
        for (HWND w = ::FindWindowExA(nullptr, nullptr, "#32770", title); w;
             w = ::FindWindowExA(nullptr, w, "#32770", title)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == processId && ::IsWindowVisible(w))
                return w;
        }
    }
    return nullptr;
}
} // namespace

TEST_F(Commands, OpenShowsAllFilesDialogNewAndOpenChangeNothing) {
    varo.Command(ID_FILE_NEW);
    varo.Settle();
    EXPECT_EQ(varo.Caption(), "Varoscope");
    varo.Command(ID_FILE_OPEN);
    HWND open = FindDialogOf(varo.process.dwProcessId, "Open");
    ASSERT_NE(open, nullptr);
    char filter[128] = "";
    DWORD_PTR r = 0;
    constexpr int kFileTypeCombo = 0x470;
    ::SendMessageTimeoutA(::GetDlgItem(open, kFileTypeCombo), WM_GETTEXT, sizeof filter,
                          reinterpret_cast<LPARAM>(filter), SMTO_NORMAL, 2000, &r);
    EXPECT_STREQ(filter, "All Files (*.*)");
    ::PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 100 && ::IsWindow(open); ++i)
        ::Sleep(50);
    EXPECT_FALSE(::IsWindow(open));
    varo.Settle();
    EXPECT_EQ(varo.Caption(), "Varoscope");
    EXPECT_EQ(varo.CountEvents("refresh"), 1u);
}

namespace {
// The text that a tool bar's tool tip shows for a button, asked of the tip control itself: the
// request and its answer have to live in the program's memory.
std::string ToolTipText(HWND bar, DWORD processId, UINT command) {
    HWND tip = reinterpret_cast<HWND>(::SendMessageA(bar, TB_GETTOOLTIPS, 0, 0));
    UniqueNullableHandle process(
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!tip || !process)
        return "<no tip>";
    constexpr size_t kTextSize = 256;
    struct Request {
        TTTOOLINFOA tool;
        char text[kTextSize];
    };
    auto* remote = static_cast<Request*>(
        ::VirtualAllocEx(process.Get(), nullptr, sizeof(Request), MEM_COMMIT, PAGE_READWRITE));
    if (!remote)
        return "<no memory>";
    Request request{};
    request.tool.cbSize = TTTOOLINFOA_V1_SIZE;
    request.tool.hwnd = bar;
    request.tool.uId = command;
    request.tool.lpszText = remote->text;
    std::string text = "<no answer>";
    DWORD_PTR ignored = 0;
    if (::WriteProcessMemory(process.Get(), remote, &request, sizeof request, nullptr) &&
        ::SendMessageTimeoutA(tip, TTM_GETTEXTA, kTextSize, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                              5000, &ignored) &&
        ::ReadProcessMemory(process.Get(), remote, &request, sizeof request, nullptr)) {
        request.text[kTextSize - 1] = '\0';
        text = request.text;
    }
    ::VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
    return text;
}
} // namespace

TEST_F(Commands, StatusBarPromptsAndIdleText) {
    EXPECT_EQ(varo.StatusText(), "Ready");
    auto promptOf = [&](UINT id) {
        DWORD_PTR r = 0;
        ::SendMessageTimeoutA(varo.frame, WM_MENUSELECT, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 2000, &r);
        return varo.StatusText();
    };
    EXPECT_EQ(promptOf(ID_VIEW_REFRESH), "Display and Refresh Outlook Images");
    EXPECT_EQ(promptOf(ID_APP_EXIT), "Quit the application; prompts to save documents");
    EXPECT_EQ(promptOf(ID_APP_ABOUT), "Display program information, version number and copyright");
    EXPECT_EQ(promptOf(ID_LANGUAGE_DEFAULT), "Switch to built-in language interface.");
    EXPECT_EQ(promptOf(ID_VIEW_GOBACK), "");
    // Fly-by: the mouse over the first tool bar button shows its prompt. (The tool bar takes the
    // prompt back as soon as it finds the real pointer elsewhere: the trace keeps what it showed.)
    HWND bar = ::FindWindowExA(varo.frame, nullptr, "ToolbarWindow32", nullptr);
    const size_t shown = varo.Events("status").size();
    ::PostMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(19, 11));
    ASSERT_TRUE(varo.WaitForEvents("status", shown + 1, 5000));
    EXPECT_EQ(varo.Events("status")[shown], "Display and Refresh Outlook Images");
    varo.Settle();
    // The About button's tool tip is the second part of its string.
    EXPECT_EQ(ToolTipText(bar, varo.process.dwProcessId, ID_APP_ABOUT), "About");
    DWORD_PTR r = 0;
    ::SendMessageTimeoutA(varo.frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0, SMTO_NORMAL, 2000, &r);
    EXPECT_EQ(varo.StatusText(), "Ready");
}

namespace {
struct FindTitle {
    DWORD pid;
    std::string title;
    bool found;
};
BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM param) {
    auto* f = reinterpret_cast<FindTitle*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char text[256] = "";
    ::GetWindowTextA(hwnd, text, sizeof text);
    if (pid == f->pid && f->title == text)
        f->found = true;
    return TRUE;
}
bool HasWindowTitled(DWORD pid, const char* title) {
    FindTitle f{pid, title, false};
    ::EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&f));
    return f.found;
}
} // namespace

TEST(Help, HelpTopicsAndTheHelpMessageOpenTheTopic) {
    VaroDriver varo("help");
    varo.InstallSupportFiles();
    // Started as the add-in starts it: the install folder is the current directory.
    varo.cwd = varo.install;
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    varo.Command(ID_HELP_FINDER);
    ASSERT_TRUE(varo.WaitForEvents("help", 1, 5000));
    EXPECT_EQ(varo.Events("help").front(), "Varo.chm::/Introduce.html");
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i, ::Sleep(50))
        shown = HasWindowTitled(varo.process.dwProcessId, "Varoscope Help");
    EXPECT_TRUE(shown);
    // The F1 key reaches the frame as WM_HELP, built by the system from WM_KEYF1 (WM_HELP itself
    // carries a pointer and cannot be sent from another process).
    constexpr UINT kKeyF1 = 0x004D;
    ::PostMessageA(varo.frame, kKeyF1, 0, 0);
    ASSERT_TRUE(varo.WaitForEvents("help", 2, 5000));
    EXPECT_EQ(varo.Events("help").back(), "Varo.chm::/Introduce.html");
    EXPECT_TRUE(varo.Close());
}
