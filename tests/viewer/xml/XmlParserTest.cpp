#include <gtest/gtest.h>

#include <random>
#include <string>

#include "XmlDocument.h"
#include "XmlTestSupport.h"

namespace {

// Loads a text into a document whose last load failed, so that a message left untouched shows.
CXmlDocument Loaded(const std::string& text, bool* result = nullptr) {
    CXmlDocument doc;
    doc.LoadText("<A></B>");
    bool loaded = doc.LoadText(text.c_str());
    if (result)
        *result = loaded;
    return doc;
}

void ExpectEmptyIndex(const CXmlDocument& doc) {
    EXPECT_EQ(doc.freeIndex(), 1);
    const CXmlDocument::ElementRecord& r = doc.record(0);
    EXPECT_EQ(r.startTagBegin | r.startTagEnd | r.endTagBegin | r.endTagEnd | r.parent | r.firstChild |
                  r.nextSibling,
              0);
    EXPECT_EQ(doc.currentIndex() + doc.childIndex() + doc.parentIndex() + doc.currentKind(), 0);
}

} // namespace

TEST(XmlParser, SelfClosingRoot) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<A/>"));
    const CXmlDocument::ElementRecord& a = doc.record(1);
    EXPECT_EQ(a.startTagBegin, 0);
    EXPECT_EQ(a.startTagEnd, 3);
    EXPECT_EQ(a.endTagBegin, 2);
    EXPECT_EQ(a.endTagEnd, 3);
    EXPECT_EQ(doc.record(0).firstChild, 1);
    EXPECT_EQ(doc.freeIndex(), 2);
    EXPECT_FALSE(doc.AppendElement("B")); // a root exists
    EXPECT_EQ(doc.GetText(), "<A/>");
}

TEST(XmlParser, ElementsAmongTextAndSkippedMarkup) {
    const std::string text = "<?xml version='1.0'?>\r\n<!DOCTYPE r [ <!ENTITY e \"]>\"> ]>\r\n<!-- c -->"
                             "< r a='1' b = \"x>y\">text<![CDATA[ <no/> ]]><?pi <no/> ?>"
                             "<c/>more<!-- <no/> --><d\tk='v'><e/></d ></r extra 'q'>"
                             "<<<!-- tail is never read";
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadText(text.c_str())) << doc.lastError();
    EXPECT_EQ(doc.GetText(), text);
    EXPECT_EQ(IndexFault(doc), "");
    const CXmlDocument::ElementRecord& r = doc.record(1);
    EXPECT_EQ(r.startTagBegin, static_cast<int>(text.find("< r")));
    EXPECT_EQ(r.startTagEnd, static_cast<int>(text.find(">y"))); // a quoted '>' ends the start tag
    EXPECT_EQ(r.endTagBegin, static_cast<int>(text.find("</r")));
    EXPECT_EQ(r.endTagEnd, static_cast<int>(text.find("'q'>") + 3));
    // r holds c and d; d holds e; nothing inside the skipped markup was indexed.
    const int c = r.firstChild;
    const int d = doc.record(c).nextSibling;
    EXPECT_EQ(doc.record(c).startTagBegin, static_cast<int>(text.find("<c/>")));
    EXPECT_EQ(doc.record(d).startTagBegin, static_cast<int>(text.find("<d")));
    EXPECT_EQ(doc.record(d).nextSibling, 0);
    EXPECT_EQ(doc.record(doc.record(d).firstChild).startTagBegin, static_cast<int>(text.find("<e/>")));
    EXPECT_EQ(doc.freeIndex(), 5);
}

TEST(XmlParser, ErrorsLeaveTextAndAnEmptyIndex) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"<A>", "Element tag not found"},
        {"no markup", "Element tag not found"},
        {"<A><B></B>", "Element tag not found"},
        {"<?pi?>\r\n<!-- c -->\r\n", "Element tag not found"},
        {"<A>< \r\n\t", "Abrupt end within tag"},
        {"<'A'>", "Tag starts with quote"},
        {"<A><\"/A\"></A>", "Tag starts with quote"},
        {"<!-- open", "Invalid node"},
        {"<?", "Invalid node"},
        {"<A><![CDATA[ x ]]", "Invalid node"},
        {"<!DOCTYPE a [ <!ENTITY x '>'> >", "Invalid node"},
        {"< ?pi?><A/>", "Invalid node"},
        {"<A b='c'", "End of tag not found"},
        {"<A></B>", "End tag does not correspond to A"},
        {"<Ab></a>", "End tag does not correspond to Ab"},
        {"<A></>", "End tag does not correspond to A"},
        {"<A><B></A></B>", "End tag does not correspond to B"},
        {"<A></A", "End tag not completed for element A"},
        {"<A><B/></A 'x", "End tag not completed for element A"},
    };
    for (const auto& c : cases) {
        bool result = true;
        CXmlDocument doc = Loaded(c.text, &result);
        EXPECT_FALSE(result) << c.text;
        EXPECT_EQ(doc.lastError(), c.message) << c.text;
        EXPECT_EQ(doc.GetText(), c.text);
        ExpectEmptyIndex(doc);
    }
}

TEST(XmlParser, LenientEndTagsAndUntouchedMessages) {
    for (const char* ok : {"<A></A >", "<A></A junk 'q' = x>", "<A>< /A>", "<a[b></a>", "<A></\"x\">"}) {
        bool result = false;
        CXmlDocument doc = Loaded(ok, &result);
        EXPECT_TRUE(result) << ok;
    }
    // An end tag where the root should be, or no text: false with the earlier message kept.
    for (const char* none : {"</A>", "", static_cast<const char*>(nullptr)}) {
        CXmlDocument doc;
        doc.LoadText("<A></B>");
        EXPECT_FALSE(doc.LoadText(none));
        EXPECT_EQ(doc.lastError(), "End tag does not correspond to A");
        ExpectEmptyIndex(doc);
        EXPECT_GE(doc.recordCount(), 8);
    }
}

TEST(XmlParser, PrologThenRootAfterLastLineBreak) {
    const std::string prolog = "<?xml version=\"1.0\"?>\r\n<?xml-stylesheet href=\"s.xsl\" ?>\r\n";
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText(prolog.c_str()));
    EXPECT_EQ(doc.lastError(), "Element tag not found");
    ASSERT_TRUE(doc.AppendElement("R", "v"));
    EXPECT_EQ(doc.GetText(), prolog + "<R>v</R>\r\n");
    EXPECT_EQ(doc.record(1).startTagBegin, static_cast<int>(prolog.size()));
}

TEST(XmlParser, TableIsSizedFromTheTextAndNeverShrinks) {
    std::string text = "<R>";
    for (int i = 0; i < 2000; ++i)
        text += "<c/>";
    text += "</R>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadText(text.c_str()));
    const int sized = static_cast<int>(text.size()) / 64 + 8;
    EXPECT_GE(doc.recordCount(), 2002);
    EXPECT_EQ(doc.freeIndex(), 2002); // the last child search gave back its record
    EXPECT_EQ(IndexFault(doc), "");
    const int grown = doc.recordCount();
    EXPECT_GT(grown, sized);
    doc.LoadText("<x/>");
    EXPECT_EQ(doc.recordCount(), grown);
}

TEST(XmlParser, DeepNestingDoesNotExhaustTheStack) {
    const int depth = 300000;
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadText((open + close).c_str()));
    EXPECT_EQ(doc.freeIndex(), depth + 1);
    EXPECT_EQ(doc.record(depth).parent, depth - 1);
    EXPECT_EQ(doc.record(1).endTagEnd, depth * 7 - 1);
    EXPECT_FALSE(doc.LoadText(open.c_str()));
    EXPECT_EQ(doc.lastError(), "Element tag not found");
    ExpectEmptyIndex(doc);
}

TEST(XmlParser, TrailBytesAreNotMarkup) {
    const char* text = "<A>\x81</A>";
    CXmlDocument single(SingleByteLead);
    EXPECT_TRUE(single.LoadText(text));
    CXmlDocument sjis(ShiftJisLead);
    EXPECT_FALSE(sjis.LoadText(text)); // 0x81 '<' is one character: no end tag
    EXPECT_EQ(sjis.lastError(), "Element tag not found");
    EXPECT_TRUE(sjis.LoadText("<A\x83\x5C>\x83\x5C</A\x83\x5C>"));
    EXPECT_EQ(sjis.record(1).startTagEnd, 4);
}

TEST(XmlParser, AnyTextLeavesTheDocumentUsable) {
    // Random markup-heavy texts, each followed by the report's kind of edits.
    const std::string alphabet = std::string("<<>>//??") + "!!--[]'\"= \r\nabA\x81\x5C";
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        CXmlDocument doc(round % 2 ? ShiftJisLead : SingleByteLead);
        const bool loaded = doc.LoadText(text.c_str());
        ASSERT_EQ(IndexFault(doc), "") << text;
        ASSERT_EQ(doc.GetText(), text);
        if (loaded)
            continue;
        ExpectEmptyIndex(doc);
        ASSERT_TRUE(doc.AppendElement("R"));
        ASSERT_TRUE(doc.SetAttributeOf(doc.currentIndex(), "k", "<&>"));
        ASSERT_TRUE(doc.AppendElement("C", "v", true));
        ASSERT_TRUE(doc.EnterElement());
        ASSERT_TRUE(doc.AppendElement("D", nullptr, true));
        ASSERT_TRUE(doc.SetAttributeOf(doc.childIndex(), "n", "1"));
        const std::string built = doc.GetText();
        ASSERT_EQ(built.compare(0, text.size(), text), 0) << text;
        ASSERT_EQ(IndexFault(doc), "") << text;
        const std::string tail = "<C>v<D n=\"1\"/>\r\n</C>\r\n</R>\r\n";
        ASSERT_EQ(built.compare(built.size() - tail.size(), tail.size(), tail), 0) << built;
    }
}
