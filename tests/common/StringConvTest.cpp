// The conversions at the automation boundary.
#include "StringConv.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(StringConv, MissingCharactersBecomeTheDefaultCharacterNotALookAlike) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "needs the Western code page";
    EXPECT_EQ(WideToAnsi(std::wstring(L"caf\u00e9")), "caf\xe9");
    // "ā" has a best-fit look-alike "a" in 1252; a file name built from it must not turn into another one.
    EXPECT_EQ(WideToAnsi(std::wstring(L"\u0101.jpg")), "?.jpg");
    EXPECT_EQ(AnsiToWide("caf\xe9"), L"caf\u00e9");
}

TEST(StringConv, Utf8RoundTripKeepsSurrogatePairs) {
    std::wstring text = L"x\U0001F389y";
    EXPECT_EQ(WideToUtf8(text), "x\xF0\x9F\x8E\x89y");
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToAnsi(nullptr, 0), "");
}
