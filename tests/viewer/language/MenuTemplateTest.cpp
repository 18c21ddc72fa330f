#include "MenuTemplate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TemplateBytes {
public:
    TemplateBytes() { Word(0), Word(0); }
    TemplateBytes& Popup(const std::u16string& text, bool end = false) {
        Word(static_cast<uint16_t>(CMenuTemplate::kPopup | (end ? CMenuTemplate::kEnd : 0)));
        return Text(text);
    }
    TemplateBytes& Item(uint16_t id, const std::u16string& text, bool end = false) {
        Word(end ? CMenuTemplate::kEnd : 0);
        Word(id);
        return Text(text);
    }
    std::vector<MenuTemplateItem> Read(int maxDepth = 32, size_t cut = std::string::npos) const {
        std::vector<MenuTemplateItem> items;
        std::string b = m_bytes.substr(0, cut);
        EXPECT_TRUE(
            CMenuTemplate::Read(reinterpret_cast<const uint8_t*>(b.data()), b.size(), maxDepth, items));
        return items;
    }

private:
    void Word(uint16_t v) {
        m_bytes += static_cast<char>(v & 0xFF);
        m_bytes += static_cast<char>(v >> 8);
    }
    TemplateBytes& Text(const std::u16string& text) {
        for (char16_t c : text)
            Word(static_cast<uint16_t>(c));
        Word(0);
        return *this;
    }
    std::string m_bytes;
};

// Levels close at each end flag, and a popup that is the last of its level closes its parent
// level with its own.
TEST(MenuTemplate, LevelsFollowTheEndFlags) {
    TemplateBytes t;
    t.Popup(u"&File").Item(1, u"Open").Item(0, u"").Item(2, u"Exit", true);
    t.Popup(u"&View").Popup(u"Enc", true).Item(3, u"UTF-8").Item(4, u"BIG5", true);
    t.Popup(u"&Help", true).Item(5, u"About", true);
    t.Item(6, u"after the end");
    auto items = t.Read();
    ASSERT_EQ(items.size(), 10u);
    const int depths[] = {0, 1, 1, 1, 0, 1, 2, 2, 0, 1};
    const unsigned positions[] = {0, 0, 1, 2, 1, 0, 0, 1, 2, 0};
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].depth, depths[i]) << i;
        EXPECT_EQ(items[i].position, positions[i]) << i;
    }
    EXPECT_TRUE(items[6].popup == false && items[6].id == 3 && items[6].text == u"UTF-8");
    EXPECT_EQ(items[8].text, u"&Help");
}

TEST(MenuTemplate, DepthLimitAndDamagedBytesStopTheReadingKeepingWhatCame) {
    TemplateBytes t;
    t.Popup(u"a").Popup(u"b").Popup(u"c").Item(1, u"deep", true);
    EXPECT_EQ(t.Read(2).size(), 2u); // the popup on the last allowed level ends it
    EXPECT_EQ(t.Read(32).size(), 4u);
    EXPECT_EQ(t.Read(32, 4 + 2 + 4 + 2 + 3).size(), 1u); // cut inside the second text
    std::vector<MenuTemplateItem> items;
    const uint8_t extended[] = {1, 0, 4, 0};
    EXPECT_FALSE(CMenuTemplate::Read(extended, sizeof extended, 32, items));
    const uint8_t shortHeader[] = {0, 0, 9, 0, 1};
    EXPECT_FALSE(CMenuTemplate::Read(shortHeader, sizeof shortHeader, 32, items));
    EXPECT_TRUE(items.empty());
}

} // namespace
