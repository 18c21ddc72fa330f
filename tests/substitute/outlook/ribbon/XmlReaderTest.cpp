#include "XmlReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Writes what the reader reports as one line: "<{ns}local a={ns}name=value>", "'text'@L:C", "</>".
class Recorder : public XmlHandler {
public:
    std::string log;
    bool OnStartElement(const XmlElement& e) override {
        log += "<{" + e.ns + "}" + e.local;
        for (const XmlAttribute& a : e.attributes)
            log += " {" + a.ns + "}" + a.local + "=" + a.value;
        log += ">";
        return true;
    }
    bool OnEndElement() override {
        log += "</>";
        return true;
    }
    bool OnText(const std::string& text, int line, int column) override {
        log += "'" + text + "'@" + std::to_string(line) + ":" + std::to_string(column);
        return true;
    }
};

std::string Read(const std::string& text, std::string* error = nullptr) {
    XmlReader reader;
    Recorder recorder;
    XmlReader::Outcome outcome = reader.Read(text, recorder);
    if (error)
        *error = reader.Error();
    return outcome == XmlReader::Outcome::Done ? recorder.log : "refused";
}

} // namespace

TEST(XmlReader, ReadsEveryConstructOfWellFormedText) {
    // BOM, declaration, comments and PIs around the root, CDATA, references, both quotes,
    // attribute white space normalized, "\r\n" read as "\n" (and counted as one line end).
    EXPECT_EQ(Read("\xEF\xBB\xBF<?xml version='1.0' encoding=\"utf-16\" standalone='yes'?>\r\n"
                   "<!-- c --><?pi data?><r a=\"x&amp;&lt;&#65;&#x263A;\" b='\"\t\r\nq'>t&gt;"
                   "<![CDATA[<&]]>\r\nu<!-- x --><?p?></r >\n<!-- after -->"),
              "<{}r {}a=x&<A\xE2\x98\xBA {}b=\"  q>'t><&\nu'@3:4</>");
    // Namespaces: default and prefixed, scoped, redeclared, undeclared again with xmlns="".
    EXPECT_EQ(Read("<r xmlns='urn:d' xmlns:p='urn:p'><p:a p:x='1' x='2'><b xmlns='urn:e'/><c xmlns=''/>"
                   "<p:d xmlns:p='urn:q'/></p:a><e/></r>"),
              "<{urn:d}r><{urn:p}a {urn:p}x=1 {}x=2><{urn:e}b></><{}c></><{urn:q}d></></><{urn:d}e></></>");
    // "xml" is bound without declaration; a PI whose target only starts with "xml" is no declaration.
    EXPECT_EQ(Read("<?xml-stylesheet href='a'?><r xml:lang='de'/>"),
              "<{}r {http://www.w3.org/XML/1998/namespace}lang=de></>");
}

TEST(XmlReader, RefusesMalformedTextAtItsLineAndColumn) {
    const struct {
        const char* text;
        const char* error; // its start
    } cases[] = {
        {"", "line 1, column 1: the document has no root element"},
        {"<r>", "line 1, column 4: the document ends inside <r> (opened at line 1, column 1)"},
        {"<r>\n  <a></b></r>", "line 2, column 6: the end tag </b> does not match <a> (line 2, column 3)"},
        {"<r a='1' a='2'/>", "line 1, column 10: the attribute 'a' appears twice"},
        {"<r xmlns:p='u' xmlns:q='u' p:a='1' q:a='2'/>", "line 1, column 36: the attribute 'a' of namespace"},
        {"<p:r/>", "line 1, column 1: the prefix 'p' is not declared"},
        {"<r><p:a xmlns:p='u'/><p:b/></r>", "line 1, column 22: the prefix 'p' is not declared"},
        {"<r xmlns:p=''/>", "line 1, column 4: the prefix 'p' cannot be bound"},
        {"<r xmlns:xml='urn:x'/>", "line 1, column 4: the prefix 'xml' cannot be bound"},
        {"<r a:b:c='1' xmlns:a='u'/>", "line 1, column 4: 'a:b:c' is not a valid qualified name"},
        {"<!DOCTYPE r [<!ENTITY e 'x'>]><r>&e;</r>", "line 1, column 1: a DOCTYPE is not accepted"},
        {"<r>&e;</r>", "line 1, column 4: unknown entity '&e;'"},
        {"<r>&#0;</r>", "line 1, column 4: the character reference names"},
        {"<r>&#xD800;</r>", "line 1, column 4: the character reference names"},
        {"<r>&#99999999999999999999;</r>", "line 1, column 4: the character reference names"},
        {"<r>&#;</r>", "line 1, column 6: a character reference needs digits"},
        {"<r>& </r>", "line 1, column 5: a name was expected"},
        {"x<r/>", "line 1, column 1: text outside the root element"},
        {"<r/>\r\n\r\nx", "line 3, column 1: text outside the root element"},
        {"<r/><r/>", "line 1, column 5: a second root element"},
        {"<r/></r>", "line 1, column 5: an end tag outside the root element"},
        {"<r>\xC3\xA9\xC3</r>", "line 1, column 5: the text is not valid UTF-8"},
        {"<r>\xC0\xAF</r>", "line 1, column 4: the text is not valid UTF-8"},     // overlong '/'
        {"<r>\xED\xA0\x80</r>", "line 1, column 4: the text is not valid UTF-8"}, // surrogate
        {"<r>\x01</r>", "line 1, column 4: the character U+0001 is not allowed"},
        {"<r>\xEF\xBF\xBE</r>", "line 1, column 4: the character U+FFFE is not allowed"},
        {"<r><!-- a -- b --></r>", "line 1, column 11: '--' is not allowed inside a comment"},
        {"<r><!-- a ---></r>", "line 1, column 11: '--' is not allowed"},
        {"<r><!-- a </r>", "line 1, column 15: the document ends inside a comment"},
        {"<r>a]]>b</r>", "line 1, column 5: ']]>' is not allowed in text"},
        {"<r><![CDATA[a</r>", "line 1, column 18: the document ends inside a CDATA section"},
        {"<r a='<'/>", "line 1, column 7: '<' is not allowed in an attribute value"},
        {"<r a='1'b='2'/>", "line 1, column 9: white space expected"},
        {"<r a=1/>", "line 1, column 6: an attribute value in quotes was expected"},
        {"<r a/>", "line 1, column 5: '=' expected"},
        {"<r a='1", "line 1, column 8: the document ends inside an attribute value"},
        {"<r", "line 1, column 3: the document ends inside the start tag <r>"},
        {"<1/>", "line 1, column 2: a name was expected"},
        {" <?xml version='1.0'?><r/>", "line 1, column 2: an XML declaration is allowed only"},
        {"<?xml version='2.0'?><r/>", "line 1, column 7: unsupported XML version '2.0'"},
        {"<?xml encoding='UTF-8'?><r/>", "line 1, column 7: the XML declaration needs a version"},
        {"<r><?pi?></r><?pi", "line 1, column 18: the document ends inside a processing instruction"},
        {"<r><!ELEMENT r ANY></r>", "line 1, column 4: '<!' starts no comment or CDATA section here"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(Read(c.text, &error), "refused") << c.text;
        EXPECT_EQ(error.compare(0, std::string(c.error).size(), c.error), 0) << c.text << "\n" << error;
    }
    // A NUL byte is a character like any other here, and not one XML allows.
    std::string error;
    EXPECT_EQ(Read(std::string("<r>\0</r>", 8), &error), "refused");
    EXPECT_EQ(error, "line 1, column 4: the character U+0000 is not allowed in XML");
}

TEST(XmlReader, BoundsOnSizeAndDepth) {
    std::string deep, deeper;
    for (int i = 0; i < XmlReader::kMaxDepth; ++i)
        deep = "<a>" + deep + "</a>";
    deeper = "<a>" + deep + "</a>";
    EXPECT_NE(Read(deep), "refused");
    std::string error;
    EXPECT_EQ(Read(deeper, &error), "refused");
    EXPECT_EQ(error, "line 1, column " + std::to_string(3 * XmlReader::kMaxDepth + 1) +
                         ": elements nest deeper than 64 levels");
    std::string big = "<r>" + std::string(XmlReader::kMaxInputBytes, ' ') + "</r>";
    EXPECT_EQ(Read(big, &error), "refused");
    EXPECT_EQ(error, "line 1, column 1: the document is larger than 4194304 bytes");
}

TEST(XmlReader, NcNames) {
    EXPECT_TRUE(IsXmlNcName("Varo_Show-1.x"));
    EXPECT_TRUE(IsXmlNcName("\xC3\xA9t\xC3\xA9"));
    EXPECT_FALSE(IsXmlNcName(""));
    EXPECT_FALSE(IsXmlNcName("1a"));
    EXPECT_FALSE(IsXmlNcName("a:b"));
    EXPECT_FALSE(IsXmlNcName("a b"));
    EXPECT_FALSE(IsXmlNcName("\xC3"));
}
