#include "ShellRules.h"

#include <gtest/gtest.h>

TEST(ShellRules, EncodingSettingIsTrimmedAndDefaulted) {
    EXPECT_EQ(EncodingFromSetting("  BIG5 \t"), "BIG5");
    EXPECT_EQ(EncodingFromSetting(""), "UTF-8");
    EXPECT_EQ(EncodingFromSetting(" \r\n "), "UTF-8");
    // Names outside the Encoding menu are used unchanged.
    EXPECT_EQ(EncodingFromSetting("windows-1252"), "windows-1252");
    EXPECT_EQ(EncodingFromSetting("x_mac.roman"), "x_mac.roman");
}

TEST(ShellRules, EncodingThatWouldBreakTheDeclarationFallsBackToDefault) {
    for (const char* hostile : {"UTF-8\"?><!DOCTYPE x [", "UTF-8'", "a b", "<x>", "8BIT", "-x", "UTF-8?>",
                                "ISO-8859-1\x01", "\xC4nc"})
        EXPECT_EQ(EncodingFromSetting(hostile), "UTF-8") << hostile;
}

TEST(ShellRules, OnlyPlainNamesAreLeafNames) {
    for (const char* ok : {"a.jpg", "Report 1.pdf", "x", ".hidden", "a..b", "name.", "\xE4pfel.png"})
        EXPECT_TRUE(IsPlainLeafName(ok)) << ok;
    for (const char* bad :
         {"", ".", "..", "...", ". .", "..\\x.txt", "sub\\x.txt", "sub/x.txt", "C:\\x.txt", "C:x.txt",
          "\\\\server\\share\\x", "\\x.txt", "*.jpg", "a?.jpg", "a|b", "a<b", "a\"b", "a\tb", "NUL:"})
        EXPECT_FALSE(IsPlainLeafName(bad)) << bad;
}

TEST(ShellRules, AppendPathRefusesToPassTheLimit) {
    std::string path(250, 'a');
    EXPECT_TRUE(AppendPath(path, "123456789")); // 259 characters and the terminator
    EXPECT_EQ(path.size(), 259u);
    const std::string before = path;
    EXPECT_FALSE(AppendPath(path, "b"));
    EXPECT_EQ(path, before);
    std::string empty;
    EXPECT_FALSE(AppendPath(empty, std::string(260, 'x')));
    EXPECT_TRUE(empty.empty());
}

TEST(ShellRules, SplitLinesTakesBothLineEndsAndTheLastLine) {
    EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}
