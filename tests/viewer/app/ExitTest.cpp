// The clean-up at exit: logged files go, everything else stays.
#include "VaroDriver.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Exit, LoggedFilesAndTheLogAreDeletedNothingElse) {
    VaroDriver varo("exit");
    const std::string outside = varo.root + "\\outside.txt";
    const std::string victim = varo.cwd + "\\victim.txt";
    std::filesystem::create_directories(varo.temp + "\\sub");
    for (const std::string& path :
         {varo.temp + "\\a.jpg", varo.temp + "\\Report 2.pdf", varo.temp + "\\Mixed Case.PNG",
          varo.temp + "\\keep.txt", varo.temp + "\\sub\\inner.txt", outside, victim})
        VaroDriver::WriteFile(path, "x");
    // Hostile lines: a parent folder, an absolute path, a folder part, a drive-relative name, a
    // share, wildcards. None of them may reach a file. A name logged twice, in another case, is
    // still the same file.
    VaroDriver::WriteFile(varo.temp + "\\varovlg.log",
                          "a.jpg\r\nReport 2.pdf\r\nmixed case.png\r\nMIXED CASE.png\r\n..\\outside.txt\r\n" +
                              victim +
                              "\r\nsub\\inner.txt\r\nZ:keep.txt\r\n"
                              "\\\\localhost\\c$\\x.txt\r\n*.txt\r\ngone.png\r\n");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    varo.Settle();
    ASSERT_TRUE(varo.Close());

    EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\a.jpg"));
    EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\Report 2.pdf"));
    EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\Mixed Case.PNG"));
    EXPECT_FALSE(VaroDriver::Exists(varo.temp + "\\varovlg.log"));
    EXPECT_TRUE(VaroDriver::Exists(varo.temp + "\\keep.txt"));
    EXPECT_TRUE(VaroDriver::Exists(varo.temp + "\\sub\\inner.txt"));
    EXPECT_TRUE(VaroDriver::Exists(outside));
    EXPECT_TRUE(VaroDriver::Exists(victim));
}

TEST(Exit, WithoutALogNothingIsDeleted) {
    VaroDriver varo("exit-nolog");
    VaroDriver::WriteFile(varo.temp + "\\keep.jpg", "x");
    ASSERT_TRUE(varo.Start());
    ASSERT_TRUE(varo.WaitForEvents("refresh", 1));
    ASSERT_TRUE(varo.Close());
    EXPECT_TRUE(VaroDriver::Exists(varo.temp + "\\keep.jpg"));
}
