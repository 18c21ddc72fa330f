// The shipped language packs translate every menu text and prompt of the viewer.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "IniFile.h"

namespace {
#ifdef _WIN32
const char kPackFolder[] = VARO_TEST_SOURCE_DIR "\\data\\lang\\";
#else
const char kPackFolder[] = VARO_TEST_SOURCE_DIR "/data/lang/";
#endif

struct ShippedPack {
    const char* fileName;
    const char* number;
};
void PrintTo(const ShippedPack& pack, std::ostream* out) {
    *out << pack.fileName;
}
const ShippedPack kShippedPacks[] = {{"Deutsch.lng", "1031"}, {"Francais.lng", "1036"}};

// Every item of menu 128: popups by position key, commands by id.
const char* const kMenuKeys[] = {"|0",    "57665", "|1",   "32773", "32783", "|1|2",  "32780", "32779",
                                 "32781", "32782", "|1|4", "5050",  "|2",    "57667", "32775", "57664"};
// Every prompt of the string table that the status bar shows, and the pack items' prompt.
const char* const kStringKeys[] = {"5050", "5051", "32773", "32783", "57664", "57665", "57345"};

class ShippedPackTest : public ::testing::TestWithParam<ShippedPack> {};
} // namespace

TEST_P(ShippedPackTest, TranslatesEveryMenuItemAndPrompt) {
    std::string path = std::string(kPackFolder) + GetParam().fileName;
    CIniFile pack;
    pack.SetFileName(path);
    ASSERT_TRUE(pack.Load()) << path;
    EXPECT_EQ(pack.Lookup("Language", "Language"), GetParam().number);
    EXPECT_FALSE(pack.Lookup("Language", "Description").empty());
    for (const char* key : kMenuKeys)
        EXPECT_FALSE(pack.Lookup("128", key).empty()) << "menu key " << key;
    for (const char* key : kStringKeys)
        EXPECT_FALSE(pack.Lookup("String", key).empty()) << "string " << key;
    EXPECT_FALSE(pack.Lookup("100", "1003").empty());
}

TEST_P(ShippedPackTest, IsAnsiTextWithCrLfLineEnds) {
    std::ifstream in(std::string(kPackFolder) + GetParam().fileName, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string text = bytes.str();
    ASSERT_FALSE(text.empty());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
        }
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    // The private-profile functions read ANSI: no byte-order mark and no UTF-8 sequences.
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(text.find("\xC3"), std::string::npos) << "looks like UTF-8";
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedPackTest, ::testing::ValuesIn(kShippedPacks),
                         [](const ::testing::TestParamInfo<ShippedPack>& info) {
                             std::string name = info.param.fileName;
                             return name.substr(0, name.find('.'));
                         });
