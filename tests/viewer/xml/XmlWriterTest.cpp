#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "XmlDocument.h"
#include "XmlTestSupport.h"

namespace {

const char kProlog[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                       "<?xml-stylesheet href=\"VaroReport.xsl\" type=\"text/xsl\" ?>\r\n";

// Builds a report exactly as the report writer does.
std::string BuildReport(CXmlDocument& doc, const char* subject, const std::vector<std::string>& names) {
    doc.LoadText(kProlog);
    EXPECT_TRUE(doc.AppendElement("MAILITEM"));
    EXPECT_TRUE(doc.SetAttributeOf(doc.currentIndex(), "xml:space", "preserve"));
    EXPECT_TRUE(doc.AppendElement("SUBJECT", subject, true));
    EXPECT_TRUE(doc.AppendElement("ATTACHMENTS", nullptr, true));
    EXPECT_TRUE(doc.EnterElement());
    for (const std::string& name : names) {
        EXPECT_TRUE(doc.AppendElement("ATTACHMENT", name.c_str(), true));
        EXPECT_TRUE(doc.SetAttributeOf(doc.childIndex(), "FILENAME", name.c_str()));
        EXPECT_TRUE(doc.SetAttributeOf(doc.childIndex(), "ATTTYPE", "PIC"));
    }
    return doc.GetText();
}

} // namespace

TEST(XmlWriter, NewDocumentIsEmptyWithEightRecords) {
    CXmlDocument doc;
    EXPECT_EQ(doc.GetText(), "");
    EXPECT_EQ(doc.recordCount(), 8);
    EXPECT_EQ(doc.freeIndex(), 1);
    EXPECT_EQ(doc.currentIndex() + doc.childIndex() + doc.parentIndex() + doc.currentKind(), 0);
    EXPECT_THROW(doc.record(8), std::out_of_range);
    EXPECT_THROW(doc.record(-1), std::out_of_range);
}

TEST(XmlWriter, ReportLayoutIsByteExact) {
    CXmlDocument doc;
    const std::string text = BuildReport(doc, "Fish & <chips>", {"a\"b'c&d.jpg", "x>y.doc"});
    EXPECT_EQ(text, std::string(kProlog) +
                        "<MAILITEM xml:space=\"preserve\">\r\n"
                        "<SUBJECT>Fish &amp; &lt;chips&gt;</SUBJECT>\r\n"
                        "<ATTACHMENTS>\r\n"
                        "<ATTACHMENT FILENAME=\"a&quot;b&apos;c&amp;d.jpg\" "
                        "ATTTYPE=\"PIC\">a\"b'c&amp;d.jpg</ATTACHMENT>\r\n"
                        "<ATTACHMENT FILENAME=\"x&gt;y.doc\" ATTTYPE=\"PIC\">x&gt;y.doc</ATTACHMENT>\r\n"
                        "</ATTACHMENTS>\r\n"
                        "</MAILITEM>\r\n");
    EXPECT_EQ(IndexFault(doc), "");
    EXPECT_EQ(doc.parentIndex(), 1);
    EXPECT_EQ(doc.currentIndex(), 3);
    EXPECT_EQ(doc.childIndex(), 5);

    // The index built by the edits is the one the parser finds in the finished text.
    CXmlDocument reparsed;
    ASSERT_TRUE(reparsed.LoadText(text.c_str()));
    EXPECT_EQ(IndexShape(reparsed), IndexShape(doc));
}

TEST(XmlWriter, EmptyReportAndEmptySubjectSelfClose) {
    CXmlDocument doc;
    EXPECT_EQ(BuildReport(doc, "", {}), std::string(kProlog) + "<MAILITEM xml:space=\"preserve\">\r\n"
                                                               "<SUBJECT/>\r\n"
                                                               "<ATTACHMENTS/>\r\n"
                                                               "</MAILITEM>\r\n");
    CXmlDocument absent;
    EXPECT_EQ(BuildReport(absent, nullptr, {}), doc.GetText());
    EXPECT_EQ(IndexFault(doc), "");
}

TEST(XmlWriter, ChildOfSelfClosingElementKeepsWhatFollowed) {
    CXmlDocument doc;
    doc.LoadText("<!-- head -->\r\n");
    ASSERT_TRUE(doc.AppendElement("A"));
    ASSERT_TRUE(doc.AppendElement("B", nullptr, true));
    ASSERT_TRUE(doc.AppendElement("C", "v", true));
    EXPECT_EQ(doc.GetText(), "<!-- head -->\r\n<A>\r\n<B/>\r\n<C>v</C>\r\n</A>\r\n");
    EXPECT_EQ(IndexFault(doc), "");
    EXPECT_EQ(doc.record(1).endTagBegin, static_cast<int>(doc.GetText().size()) - 6);
}

TEST(XmlWriter, NestedBuildShiftsAncestorsAndLaterElements) {
    // Grow an inner element after its later sibling exists: everything after moves whole.
    CXmlDocument doc;
    ASSERT_TRUE(doc.AppendElement("R"));
    ASSERT_TRUE(doc.AppendElement("A", nullptr, true));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendElement("B")); // sibling form inside R, after A
    ASSERT_TRUE(doc.SetAttributeOf(2, "k", "1"));
    ASSERT_TRUE(doc.EnterElement()); // current B has no child: nothing current
    EXPECT_TRUE(doc.AppendElement("C", "t"));
    EXPECT_TRUE(doc.SetAttributeOf(doc.currentIndex(), "z", ""));
    EXPECT_EQ(doc.GetText(), "<R>\r\n<A k=\"1\"/>\r\n<B>\r\n<C z=\"\">t</C>\r\n</B>\r\n</R>\r\n");
    EXPECT_EQ(IndexFault(doc), "");
    CXmlDocument reparsed;
    ASSERT_TRUE(reparsed.LoadText(doc.GetText().c_str()));
    EXPECT_EQ(IndexShape(reparsed), IndexShape(doc));
}

TEST(XmlWriter, AttributesReplaceQuotedValuesAndAppendOtherwise) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.AppendElement("E"));
    const int e = doc.currentIndex();
    ASSERT_TRUE(doc.SetAttributeOf(e, "a", "1"));
    EXPECT_EQ(doc.GetText(), "<E a=\"1\"/>\r\n");
    ASSERT_TRUE(doc.SetAttributeOf(e, "b", "x'y\"<"));
    ASSERT_TRUE(doc.SetAttributeOf(e, "a", "long value"));
    EXPECT_EQ(doc.GetText(), "<E a=\"long value\" b=\"x&apos;y&quot;&lt;\"/>\r\n");
    // A prefix of an existing name is a different attribute.
    ASSERT_TRUE(doc.SetAttributeOf(e, "b2", "2"));
    EXPECT_EQ(doc.GetText(), "<E a=\"long value\" b=\"x&apos;y&quot;&lt;\" b2=\"2\"/>\r\n");
    EXPECT_EQ(IndexFault(doc), "");
}

TEST(XmlWriter, ExistingQuoteCharacterAndUnquotedValues) {
    // Attributes written by the caller into the name keep their own quoting.
    CXmlDocument doc;
    ASSERT_TRUE(doc.AppendElement("E q = 'old' u=bare", "t"));
    const int e = doc.currentIndex();
    ASSERT_TRUE(doc.SetAttributeOf(e, "q", "n"));
    ASSERT_TRUE(doc.SetAttributeOf(e, "u", "v"));
    EXPECT_EQ(doc.GetText(), "<E q = 'n' u=bare u=\"v\">t</E q = 'old' u=bare>\r\n");
    EXPECT_EQ(doc.record(e).startTagEnd, 23);
    EXPECT_EQ(doc.record(e).endTagBegin, 25);
    EXPECT_EQ(doc.record(e).endTagEnd, 45);
}

TEST(XmlWriter, RefusalsChangeNothing) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.AppendElement("A", nullptr, true)); // child form without a current element
    EXPECT_FALSE(doc.SetAttributeOf(1, "a", "b"));       // nothing current
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_FALSE(doc.AppendElement(nullptr));
    EXPECT_EQ(doc.GetText(), "");
    EXPECT_EQ(doc.freeIndex(), 1);

    ASSERT_TRUE(doc.AppendElement("A", "1"));
    const std::string before = doc.GetText();
    EXPECT_FALSE(doc.AppendElement("B")); // second root
    EXPECT_FALSE(doc.SetAttributeOf(0, "a", "b"));
    EXPECT_EQ(doc.GetText(), before);
    EXPECT_EQ(doc.freeIndex(), 2);
    EXPECT_EQ(doc.currentIndex(), 1);

    // Records that are not elements of the document are invalid arguments.
    EXPECT_THROW(doc.SetAttributeOf(2, "a", "b"), std::out_of_range);
    EXPECT_THROW(doc.SetAttributeOf(-3, "a", "b"), std::out_of_range);
    EXPECT_EQ(doc.GetText(), before);
}

TEST(XmlWriter, EnterWithoutChildLeavesNothingCurrent) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.AppendElement("A"));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.parentIndex(), 1);
    EXPECT_EQ(doc.currentIndex(), 0);
    EXPECT_EQ(doc.currentKind(), 0);
    EXPECT_FALSE(doc.SetAttributeOf(1, "a", "b"));
    EXPECT_FALSE(doc.AppendElement("X", nullptr, true));
    EXPECT_FALSE(doc.EnterElement());
    ASSERT_TRUE(doc.AppendElement("B")); // sibling form: inside A
    EXPECT_EQ(doc.GetText(), "<A>\r\n<B/>\r\n</A>\r\n");
    EXPECT_EQ(doc.currentIndex(), 2);
    EXPECT_EQ(doc.currentKind(), 1);
}

TEST(XmlWriter, OneByteTextCountsAsElementWithoutContent) {
    // At document level the text before the root is the content of record 0.
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadText("x"));
    ASSERT_TRUE(doc.AppendElement("R"));
    EXPECT_EQ(doc.GetText(), "x\r\n<R/>\r\n");
    EXPECT_EQ(doc.record(1).startTagBegin, 3);
    EXPECT_EQ(IndexFault(doc), "");
}

TEST(XmlWriter, DoubleByteCharactersAreNeverSplit) {
    // 0x83 0x5C is one Shift-JIS character whose trail byte is a backslash.
    const std::string name = "N\x83\x5C";
    for (bool shiftJis : {true, false}) {
        CXmlDocument doc(shiftJis ? ShiftJisLead : SingleByteLead);
        ASSERT_TRUE(doc.AppendElement(("E " + name + "=\"1\"").c_str()));
        ASSERT_TRUE(doc.SetAttributeOf(1, name.c_str(), "2"));
        const std::string expected =
            shiftJis ? "<E N\x83\x5C=\"2\"/>\r\n" : "<E N\x83\x5C=\"1\" N\x83\x5C=\"2\"/>\r\n";
        EXPECT_EQ(doc.GetText(), expected) << (shiftJis ? "Shift-JIS" : "single-byte");
    }
}

TEST(XmlWriter, EscapingCarriesLeadBytesWholeAndPassesControlBytes) {
    CXmlDocument sjis(ShiftJisLead);
    CXmlDocumentProbe probe(sjis);
    EXPECT_EQ(probe.Escape("\x81<\x81", false), "\x81<\x81");
    EXPECT_EQ(probe.Escape("\t\r\n\x01&amp;", false), "\t\r\n\x01&amp;amp;");
    EXPECT_EQ(probe.Escape("'\"", false), "'\"");
    EXPECT_EQ(probe.Escape("'\"", true), "&apos;&quot;");
    // Long inputs full of entities outgrow the first buffer several times.
    std::string many(1000, '"');
    std::string out = probe.Escape(many, true);
    EXPECT_EQ(out.size(), 6000u);
    EXPECT_EQ(out.substr(0, 12), "&quot;&quot;");
    EXPECT_EQ(probe.Escape(std::string(7, '&') + "x", false), "&amp;&amp;&amp;&amp;&amp;&amp;&amp;x");
}

TEST(XmlWriter, RecordTableGrowsByHalf) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.AppendElement("R"));
    std::vector<int> sizes;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(doc.AppendElement("C", nullptr, true));
        if (sizes.empty() || sizes.back() != doc.recordCount())
            sizes.push_back(doc.recordCount());
    }
    EXPECT_EQ(sizes, (std::vector<int>{8, 12, 18, 27}));
    EXPECT_EQ(doc.freeIndex(), 22);
    EXPECT_EQ(IndexFault(doc), "");
}
