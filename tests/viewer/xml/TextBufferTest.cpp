#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "TextBuffer.h"

TEST(TextBuffer, GrowsKeepingContentAndTerminator) {
    CTextBuffer text;
    EXPECT_EQ(text.size(), 0u);
    EXPECT_STREQ(text.data(), "");
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const size_t at = text.size();
        text.resize(at + 3);
        std::memcpy(text.data() + at, "ab\n", 3);
        expected += "ab\n";
    }
    EXPECT_EQ(text.str(), expected);
    EXPECT_EQ(text.data()[text.size()], '\0');
    text.resize(4);
    EXPECT_STREQ(text.data(), "ab\na");
}

TEST(TextBuffer, FindsMarkersIncludingAtTheEdges) {
    CTextBuffer text;
    const std::string s = "<!-->x-->]]";
    text.assign(s.data(), s.size());
    EXPECT_EQ(text.find("-->", 0), 2u);
    EXPECT_EQ(text.find("-->", 3), 6u);
    EXPECT_EQ(text.find("]]", 0), 9u);
    EXPECT_EQ(text.find("]]>", 0), CTextBuffer::npos);
    EXPECT_EQ(text.find("<", 1), CTextBuffer::npos);
    EXPECT_EQ(text.find("x", 99), CTextBuffer::npos);
    EXPECT_EQ(text.substr(9, 50), "]]");
    EXPECT_EQ(text.substr(11, 1), "");
}

TEST(TextBuffer, CopiesAreIndependentAndMovesEmptyTheSource) {
    CTextBuffer a;
    a.assign("one", 3);
    CTextBuffer b(a);
    b.resize(2);
    EXPECT_EQ(a.str(), "one");
    EXPECT_EQ(b.str(), "on");
    CTextBuffer c(std::move(a));
    EXPECT_EQ(c.str(), "one");
    EXPECT_EQ(a.size(), 0u);
    b = c;
    c.assign(c.data() + 1, 2); // from inside itself
    EXPECT_EQ(c.str(), "ne");
    EXPECT_EQ(b.str(), "one");
}
