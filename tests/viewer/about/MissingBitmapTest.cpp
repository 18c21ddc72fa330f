// The About box of a program that lacks the credits' separator bitmap: it says so once and the
// credits stand still, while the dialog stays usable.
#include "AboutDlg.h"
#include "AboutTestSupport.h"

#include "resource.h"

#include <gtest/gtest.h>

using namespace abouttest;

TEST(AboutBoxWithoutSeparator, ReportsTheMissingBitmapOnceAndFreezes) {
    CAboutDlg dlg;
    INT_PTR result = 0;
    RunWithDriver([&] { result = dlg.DoModal(); },
                  [&](HWND dialog) {
                      HWND box = nullptr;
                      // Row 4 is the first image: after about 83 ticks of 40 ms.
                      ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(dialog)) != nullptr; }, 10000));
                      EXPECT_EQ(MessageBoxText(box),
                                "Could not find bitmap resource \"IDB_SEPARATOR\". Be sure to "
                                "assign the bitmap a QUOTED resource name");
                      EXPECT_EQ(WindowText(box), "VARO");
                      const int frozenAt = dlg.Scroller().lineIndex;
                      EXPECT_EQ(frozenAt, 5);
                      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                      ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, 3000));
                      // Repaints after the box has gone do not report it again. (A box would come
                      // up inside the paint; the short look for it can miss one but never fails
                      // a sound dialog.)
                      ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
                      EXPECT_TRUE(WaitFor([&] { return !::GetUpdateRect(dialog, nullptr, FALSE); }, 3000));
                      DWORD_PTR ignored = 0;
                      ::SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
                      EXPECT_FALSE(WaitFor([&] { return FindMessageBox(dialog) != nullptr; }, 500));
                      EXPECT_EQ(dlg.Scroller().lineIndex, frozenAt);
                      Click(::GetDlgItem(dialog, IDC_CREDITS_PANEL));
                      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
                  });
    EXPECT_EQ(result, IDOK);
}
