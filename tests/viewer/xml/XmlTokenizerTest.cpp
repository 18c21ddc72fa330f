#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "XmlDocument.h"
#include "XmlTestSupport.h"

namespace {

std::vector<std::string> Tokens(const std::string& text, LeadByteTest lead = SingleByteLead) {
    CXmlDocument doc(lead);
    CXmlDocumentProbe probe(doc);
    probe.SetText(text);
    std::vector<std::string> out;
    TokenSpan token = probe.Cursor(0);
    while (probe.NextToken(token))
        out.push_back((token.quoted ? "q:" : "") + probe.TokenText(token));
    EXPECT_EQ(token.begin, static_cast<int>(text.size()));
    EXPECT_EQ(token.end, static_cast<int>(text.size()));
    EXPECT_EQ(token.next, static_cast<int>(text.size()));
    return out;
}

} // namespace

TEST(XmlTokenizer, SplitsAtDelimitersAndQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Tokens(" \tab=\r\n\"q 'r\"'s'x"), (V{"ab", "=", "q:q 'r", "q:s", "x"}));
    EXPECT_EQ(Tokens("<>=\\/?!"), (V{"<", ">", "=", "\\", "/", "?", "!"}));
    EXPECT_EQ(Tokens("a[b]c-d</e"), (V{"a[b]c-d", "<", "/", "e"}));
    EXPECT_EQ(Tokens("\"\"'open"), (V{"q:", "q:open"}));
    EXPECT_EQ(Tokens("\x83\x5C\x83\\"), (V{"\x83", "\\", "\x83", "\\"}));
    EXPECT_EQ(Tokens("\x83\x5C\x83\\", ShiftJisLead), (V{"\x83\x5C\x83\\"}));
    EXPECT_EQ(Tokens("a\x81", ShiftJisLead), (V{"a\x81"})); // a lead byte at the very end
    EXPECT_EQ(Tokens("  "), V{});
}

TEST(XmlTokenizer, TokenMatchesNamesAndStopsAtTheirEnd) {
    CXmlDocument doc;
    CXmlDocumentProbe probe(doc);
    probe.SetText("ABC");
    TokenSpan token = probe.Cursor(0);
    ASSERT_TRUE(probe.NextToken(token));
    for (const char* name : {"ABC", "ABC=x", "ABC/", "ABC[1]", "ABC rest"})
        EXPECT_TRUE(probe.TokenMatches(token, name, std::char_traits<char>::length(name))) << name;
    for (const char* name : {"ABCD", "ABC:", "abc", "AB", ""})
        EXPECT_FALSE(probe.TokenMatches(token, name, std::char_traits<char>::length(name))) << name;
    // A name shorter than the token, in a buffer of exactly its size, is not read past its end.
    std::unique_ptr<char[]> shortName(new char[1]{'A'});
    EXPECT_FALSE(probe.TokenMatches(token, shortName.get(), 1));
}

TEST(XmlTokenizer, NodeKindsAndWhereTheyEnd) {
    const struct {
        const char* text;
        int kind;
        int next;
    } cases[] = {
        {"<?pi x?>!", 16, 8},
        {"<?>", 16, 3}, // the marker may overlap the opening
        {"<!---->", 32, 7},
        {"<!-->", 32, 5},
        {"<![CDATA[a]]>b]]>", 8, 13},
        {"<!DOCTYPE d [<!ENTITY e 'a>]b'>]>x>", 64, 33},
        {"<!DOCTYPE d \"]>\" >", 64, 18},
        {"<!DOCTYPE d [ ]]> >", 64, 17}, // a token counts by its first byte
        {"<!DOCTYPE d [ [x] >", 0, 0},
        {"<!DOCTYPE d", 0, 0},
        {"<!-", 0, 0},
        {"<!", 0, 0},
        {"<?", 0, 0},
        {"<ab>", 0, 0},
        {"< ?a?>", 0, 0},
    };
    for (const auto& c : cases) {
        CXmlDocument doc;
        CXmlDocumentProbe probe(doc);
        probe.SetText(c.text);
        EXPECT_EQ(probe.ParseNode(0), c.kind) << c.text;
        if (c.kind != 0) {
            EXPECT_EQ(probe.LastNext(), c.next) << c.text;
        }
    }
}
