// Facts about the platform that the viewer's path handling relies on.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

TEST(Platform, TempPathEndsWithBackslashAndExists) {
    char buf[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, buf);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(buf[n - 1], '\\');
    DWORD attrs = GetFileAttributesA(buf);
    ASSERT_NE(attrs, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Platform, SourceTreeIsReachableFromWine) {
    std::string p = std::string(VARO_TEST_SOURCE_DIR) + "\\CMakeLists.txt";
    EXPECT_NE(GetFileAttributesA(p.c_str()), INVALID_FILE_ATTRIBUTES) << p;
}
