// The ASCII-only helpers that mail headers, charsets, registry keys and file extensions go through.
#include "AsciiText.h"

#include <gtest/gtest.h>

TEST(AsciiText, OnlyAsciiLettersChangeCaseAndTrimmingKeepsTheInside) {
    // Bytes above 0x7F are parts of other characters (UTF-8, a code page): never touched.
    EXPECT_EQ(AsciiLower("Content-TYPE \xC3\x89t\xC9"), "content-type \xC3\x89t\xC9");
    EXPECT_EQ(AsciiToUpper(u'\u00E9'), u'\u00E9');
    EXPECT_EQ(AsciiToUpper(u'c'), u'C');
    EXPECT_TRUE(AsciiEqualNoCase("HKEY_Classes_Root", "hkey_classes_root"));
    EXPECT_FALSE(AsciiEqualNoCase("HKCU", "HKCU\\"));
    EXPECT_FALSE(AsciiEqualNoCase("\xC9", "\xE9")); // not an ASCII letter

    EXPECT_EQ(AsciiTrim(" \t quoted-printable\r\n"), "quoted-printable");
    EXPECT_EQ(AsciiTrim("a b"), "a b");
    EXPECT_EQ(AsciiTrim(" \r\n\t "), "");
    EXPECT_EQ(AsciiTrim(""), "");
    EXPECT_EQ(AsciiTrim("\"'utf-8' ", " \t\"'"), "utf-8");
}
