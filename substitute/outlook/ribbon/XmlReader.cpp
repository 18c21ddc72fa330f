#include "XmlReader.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

namespace {

const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";
const char kXmlnsNamespace[] = "http://www.w3.org/2000/xmlns/";

// Thrown when the handler asks to stop; failures of the text itself carry a position instead.
struct Stopped {};

bool IsXmlChar(unsigned long c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsNameStart(unsigned long c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(unsigned long c) {
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool IsSpace(unsigned long c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendUtf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]; false when it is malformed, overlong, a surrogate or
// beyond U+10FFFF.
bool DecodeUtf8(const std::string& text, std::size_t pos, unsigned long& c, std::size_t& len) {
    unsigned char b0 = static_cast<unsigned char>(text[pos]);
    unsigned long least;
    if (b0 < 0x80) {
        c = b0;
        len = 1;
        return true;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, c = b0 & 0x1F, least = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, c = b0 & 0x0F, least = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, c = b0 & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (text.size() - pos < len)
        return false;
    for (std::size_t i = 1; i < len; ++i) {
        unsigned char b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (b & 0x3F);
    }
    return c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

} // namespace

bool IsXmlNcName(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        unsigned long c;
        std::size_t len;
        if (!DecodeUtf8(text, pos, c, len) || c == ':' || !(pos == 0 ? IsNameStart(c) : IsNameChar(c)))
            return false;
        pos += len;
    }
    return !text.empty();
}

void XmlReader::Fail(int line, int column, const std::string& message) const {
    throw Failure{line, column, message};
}

void XmlReader::FailHere(const std::string& message) const {
    Fail(m_line, m_column, message);
}

void XmlReader::Decode() {
    if (AtEnd()) {
        m_char = 0;
        m_charLen = 0;
        return;
    }
    if (!DecodeUtf8(*m_text, m_pos, m_char, m_charLen))
        FailHere("the text is not valid UTF-8");
    if (!IsXmlChar(m_char)) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "the character U+%04lX is not allowed in XML", m_char);
        FailHere(buffer);
    }
}

void XmlReader::Next() {
    if (AtEnd())
        return;
    // "\r\n" and a lone "\r" are one line end each, as XML reads them.
    if (m_char == '\r' || (m_char == '\n' && (m_pos == 0 || (*m_text)[m_pos - 1] != '\r'))) {
        ++m_line;
        m_column = 1;
    } else if (m_char != '\n') {
        ++m_column;
    }
    m_pos += m_charLen;
    Decode();
}

void XmlReader::Advance(std::size_t count) {
    while (count-- > 0)
        Next();
}

bool XmlReader::LookingAt(const char* literal) const {
    return m_text->compare(m_pos, std::strlen(literal), literal) == 0;
}

void XmlReader::Expect(const char* literal, const char* what) {
    if (!LookingAt(literal))
        FailHere(std::string("'") + literal + "' expected " + what);
    Advance(std::strlen(literal));
}

bool XmlReader::SkipSpace() {
    bool skipped = false;
    while (!AtEnd() && IsSpace(m_char)) {
        Next();
        skipped = true;
    }
    return skipped;
}

std::string XmlReader::ReadName() {
    if (AtEnd() || !IsNameStart(m_char))
        FailHere("a name was expected");
    std::string name;
    while (!AtEnd() && IsNameChar(m_char))
        AppendCurrent(name);
    return name;
}

void XmlReader::AppendCurrent(std::string& out) {
    out.append(*m_text, m_pos, m_charLen);
    Next();
}

void XmlReader::SkipLineEnd(std::string& out, char as) {
    out += as; // "\r\n" and a lone "\r" both
    Next();
    if (m_char == '\n')
        Next();
}

void XmlReader::AppendReference(std::string& out) {
    int line = m_line, column = m_column;
    Next(); // '&'
    if (m_char == '#') {
        Next();
        bool hex = m_char == 'x';
        if (hex)
            Next();
        unsigned long value = 0;
        int digits = 0;
        for (;; ++digits) {
            unsigned long digit;
            if (m_char >= '0' && m_char <= '9')
                digit = m_char - '0';
            else if (hex && m_char >= 'a' && m_char <= 'f')
                digit = m_char - 'a' + 10;
            else if (hex && m_char >= 'A' && m_char <= 'F')
                digit = m_char - 'A' + 10;
            else
                break;
            // Capped so that long digit runs cannot overflow; the cap is no XML character.
            value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + digit;
            Next();
        }
        if (digits == 0)
            FailHere("a character reference needs digits");
        Expect(";", "to end the character reference");
        if (!IsXmlChar(value))
            Fail(line, column, "the character reference names a character that XML does not allow");
        AppendUtf8(out, value);
        return;
    }
    std::string name = ReadName();
    Expect(";", "to end the entity reference");
    static const std::pair<const char*, char> kEntities[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& entity : kEntities) {
        if (name == entity.first) {
            out += entity.second;
            return;
        }
    }
    Fail(line, column, "unknown entity '&" + name + ";' (only lt, gt, amp, quot and apos are defined)");
}

void XmlReader::ReadDeclaration() {
    Advance(5); // "<?xml"
    if (!SkipSpace())
        FailHere("white space expected after '<?xml'");
    auto pseudoAttribute = [this](const char* name) {
        Advance(std::strlen(name));
        SkipSpace();
        Expect("=", (std::string("after '") + name + "'").c_str());
        SkipSpace();
        if (m_char != '"' && m_char != '\'')
            FailHere(std::string("a quoted value expected for '") + name + "'");
        unsigned long quote = m_char;
        Next();
        std::string value;
        while (m_char != quote) {
            if (AtEnd() || m_char == '<' || m_char == '>')
                FailHere("unclosed value in the XML declaration");
            AppendCurrent(value);
        }
        Next();
        return value;
    };
    int line = m_line, column = m_column;
    if (!LookingAt("version"))
        FailHere("the XML declaration needs a version");
    std::string version = pseudoAttribute("version");
    if (version.size() < 3 || version.compare(0, 2, "1.") != 0 ||
        version.find_first_not_of("0123456789", 2) != std::string::npos)
        Fail(line, column, "unsupported XML version '" + version + "'");
    bool space = SkipSpace();
    if (space && LookingAt("encoding")) {
        line = m_line, column = m_column;
        std::string encoding = pseudoAttribute("encoding");
        // Only the name's form is checked: the text arrives already converted to UTF-8.
        bool valid = !encoding.empty() && std::isalpha(static_cast<unsigned char>(encoding[0]));
        for (char c : encoding)
            valid =
                valid && (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-');
        if (!valid)
            Fail(line, column, "'" + encoding + "' is no encoding name");
        space = SkipSpace();
    }
    if (space && LookingAt("standalone")) {
        line = m_line, column = m_column;
        std::string standalone = pseudoAttribute("standalone");
        if (standalone != "yes" && standalone != "no")
            Fail(line, column, "standalone must be 'yes' or 'no'");
        SkipSpace();
    }
    Expect("?>", "to end the XML declaration");
}

void XmlReader::ReadMisc(bool beforeRoot) {
    for (;;) {
        SkipSpace();
        if (AtEnd()) {
            if (beforeRoot)
                FailHere("the document has no root element");
            return;
        }
        if (LookingAt("<!--")) {
            ReadComment();
        } else if (LookingAt("<?")) {
            ReadProcessingInstruction();
        } else if (LookingAt("<!DOCTYPE")) {
            FailHere("a DOCTYPE is not accepted");
        } else if (LookingAt("</")) {
            FailHere("an end tag outside the root element");
        } else if (LookingAt("<!")) {
            FailHere("'<!' starts no comment here");
        } else if (m_char == '<') {
            if (beforeRoot)
                return;
            FailHere("a second root element");
        } else {
            FailHere("text outside the root element");
        }
    }
}

void XmlReader::ReadContent() {
    while (!m_open.empty()) {
        if (AtEnd()) {
            const Open& open = m_open.back();
            FailHere("the document ends inside <" + open.qname + "> (opened at line " +
                     std::to_string(open.line) + ", column " + std::to_string(open.column) + ")");
        }
        if (m_char == '<') {
            if (LookingAt("</"))
                ReadEndTag();
            else if (LookingAt("<!--"))
                ReadComment();
            else if (LookingAt("<![CDATA["))
                ReadCData();
            else if (LookingAt("<?"))
                ReadProcessingInstruction();
            else if (LookingAt("<!DOCTYPE"))
                FailHere("a DOCTYPE is not accepted");
            else if (LookingAt("<!"))
                FailHere("'<!' starts no comment or CDATA section here");
            else
                ReadStartTag();
            continue;
        }
        if (m_pending.empty())
            m_pendingLine = m_line, m_pendingColumn = m_column;
        if (m_char == '&') {
            AppendReference(m_pending);
        } else if (m_char == '\r') {
            SkipLineEnd(m_pending, '\n');
        } else {
            if (m_char == ']' && LookingAt("]]>"))
                FailHere("']]>' is not allowed in text");
            AppendCurrent(m_pending);
        }
    }
}

std::string XmlReader::ReadAttributeValue() {
    if (m_char != '"' && m_char != '\'')
        FailHere("an attribute value in quotes was expected");
    unsigned long quote = m_char;
    Next();
    std::string value;
    for (;;) {
        if (AtEnd())
            FailHere("the document ends inside an attribute value");
        if (m_char == quote) {
            Next();
            return value;
        }
        if (m_char == '<') {
            FailHere("'<' is not allowed in an attribute value");
        } else if (m_char == '&') {
            AppendReference(value);
        } else if (m_char == '\r') {
            SkipLineEnd(value, ' ');
        } else if (m_char == '\n' || m_char == '\t') {
            value += ' ';
            Next();
        } else {
            AppendCurrent(value);
        }
    }
}

void XmlReader::ReadStartTag() {
    XmlElement element;
    element.line = m_line, element.column = m_column;
    Next(); // '<'
    element.qname = ReadName();
    if (static_cast<int>(m_open.size()) >= kMaxDepth)
        Fail(element.line, element.column,
             "elements nest deeper than " + std::to_string(kMaxDepth) + " levels");
    std::set<std::string> names;
    bool empty = false;
    for (;;) {
        bool space = SkipSpace();
        if (LookingAt("/>")) {
            Advance(2);
            empty = true;
            break;
        }
        if (LookingAt(">")) {
            Next();
            break;
        }
        if (AtEnd())
            FailHere("the document ends inside the start tag <" + element.qname + ">");
        if (!space)
            FailHere("white space expected before the next attribute");
        XmlAttribute attribute;
        attribute.line = m_line, attribute.column = m_column;
        attribute.qname = ReadName();
        if (!names.insert(attribute.qname).second)
            Fail(attribute.line, attribute.column,
                 "the attribute " + Quoted(attribute.qname) + " appears twice");
        SkipSpace();
        Expect("=", ("after the attribute name " + Quoted(attribute.qname)).c_str());
        SkipSpace();
        attribute.value = ReadAttributeValue();
        element.attributes.push_back(std::move(attribute));
    }
    FlushText();
    std::size_t mark = m_bindings.size();
    DeclareNamespaces(element.attributes);
    Resolve(element.qname, true, element.line, element.column, element.ns, element.local);
    std::set<std::pair<std::string, std::string>> expanded;
    for (XmlAttribute& attribute : element.attributes) {
        Resolve(attribute.qname, false, attribute.line, attribute.column, attribute.ns, attribute.local);
        if (!expanded.insert({attribute.ns, attribute.local}).second)
            Fail(attribute.line, attribute.column,
                 "the attribute " + Quoted(attribute.local) + " of namespace " + Quoted(attribute.ns) +
                     " appears twice");
    }
    if (!empty)
        m_open.push_back(Open{element.qname, element.line, element.column, mark});
    Deliver(m_handler->OnStartElement(element));
    if (empty) {
        Deliver(m_handler->OnEndElement());
        m_bindings.resize(mark);
    }
}

void XmlReader::ReadEndTag() {
    int line = m_line, column = m_column;
    Advance(2); // "</"
    std::string name = ReadName();
    SkipSpace();
    Expect(">", ("to end the end tag </" + name + ">").c_str());
    const Open& open = m_open.back();
    if (name != open.qname)
        Fail(line, column,
             "the end tag </" + name + "> does not match <" + open.qname + "> (line " +
                 std::to_string(open.line) + ", column " + std::to_string(open.column) + ")");
    FlushText();
    std::size_t mark = open.bindings;
    m_open.pop_back();
    Deliver(m_handler->OnEndElement());
    m_bindings.resize(mark);
}

void XmlReader::ReadComment() {
    Advance(4); // "<!--"
    for (;;) {
        if (AtEnd())
            FailHere("the document ends inside a comment");
        if (LookingAt("--")) {
            if (!LookingAt("-->"))
                FailHere("'--' is not allowed inside a comment");
            Advance(3);
            return;
        }
        Next();
    }
}

void XmlReader::ReadProcessingInstruction() {
    int line = m_line, column = m_column;
    Advance(2); // "<?"
    std::string target = ReadName();
    std::string lower;
    for (char c : target)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "xml")
        Fail(line, column, "an XML declaration is allowed only at the very start");
    if (target.find(':') != std::string::npos)
        Fail(line, column, "a processing instruction's target cannot contain ':'");
    if (!AtEnd() && !LookingAt("?>") && !SkipSpace())
        FailHere("white space expected after the processing instruction's target");
    for (;;) {
        if (AtEnd())
            FailHere("the document ends inside a processing instruction");
        if (LookingAt("?>")) {
            Advance(2);
            return;
        }
        Next();
    }
}

void XmlReader::ReadCData() {
    if (m_pending.empty())
        m_pendingLine = m_line, m_pendingColumn = m_column;
    Advance(9); // "<![CDATA["
    for (;;) {
        if (AtEnd())
            FailHere("the document ends inside a CDATA section");
        if (LookingAt("]]>")) {
            Advance(3);
            return;
        }
        if (m_char == '\r') {
            SkipLineEnd(m_pending, '\n');
        } else {
            AppendCurrent(m_pending);
        }
    }
}

void XmlReader::DeclareNamespaces(std::vector<XmlAttribute>& attributes) {
    std::vector<XmlAttribute> kept;
    for (XmlAttribute& attribute : attributes) {
        bool isDefault = attribute.qname == "xmlns";
        if (!isDefault && attribute.qname.compare(0, 6, "xmlns:") != 0) {
            kept.push_back(std::move(attribute));
            continue;
        }
        std::string prefix = isDefault ? std::string() : attribute.qname.substr(6);
        const std::string& uri = attribute.value;
        auto fail = [&](const std::string& message) { Fail(attribute.line, attribute.column, message); };
        if (!isDefault && !IsXmlNcName(prefix))
            fail(Quoted(attribute.qname) + " is not a valid namespace declaration");
        if (prefix == "xmlns")
            fail("the prefix 'xmlns' cannot be declared");
        if (prefix == "xml" && uri != kXmlNamespace)
            fail("the prefix 'xml' cannot be bound to another namespace");
        if (prefix != "xml" && (uri == kXmlNamespace || uri == kXmlnsNamespace))
            fail("the namespace " + Quoted(uri) + " is reserved");
        if (!isDefault && uri.empty())
            fail("the prefix " + Quoted(prefix) + " cannot be bound to an empty namespace name");
        m_bindings.push_back(Binding{prefix, uri});
    }
    attributes = std::move(kept);
}

bool XmlReader::LookupNamespace(const std::string& prefix, std::string& uri) const {
    for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it) {
        if (it->prefix == prefix) {
            uri = it->uri;
            return true;
        }
    }
    if (prefix == "xml") {
        uri = kXmlNamespace;
        return true;
    }
    return false;
}

void XmlReader::Resolve(const std::string& qname, bool isElement, int line, int column, std::string& ns,
                        std::string& local) const {
    std::size_t colon = qname.find(':');
    ns.clear();
    if (colon == std::string::npos) {
        local = qname;
        // Unprefixed attributes are in no namespace; unprefixed elements in the default one.
        if (isElement)
            LookupNamespace("", ns);
        return;
    }
    std::string prefix = qname.substr(0, colon);
    local = qname.substr(colon + 1);
    if (!IsXmlNcName(prefix) || !IsXmlNcName(local))
        Fail(line, column, Quoted(qname) + " is not a valid qualified name");
    if (prefix == "xmlns")
        Fail(line, column, "the prefix 'xmlns' is reserved for namespace declarations");
    if (!LookupNamespace(prefix, ns))
        Fail(line, column, "the prefix " + Quoted(prefix) + " is not declared");
}

void XmlReader::FlushText() {
    if (m_pending.empty())
        return;
    std::string text;
    text.swap(m_pending);
    Deliver(m_handler->OnText(text, m_pendingLine, m_pendingColumn));
}

void XmlReader::Deliver(bool accepted) {
    if (!accepted)
        throw Stopped{};
}

XmlReader::Outcome XmlReader::Read(const std::string& utf8, XmlHandler& handler) {
    m_text = &utf8;
    m_handler = &handler;
    m_pos = 0;
    m_line = m_column = 1;
    m_open.clear();
    m_bindings.clear();
    m_pending.clear();
    m_error.clear();
    try {
        if (utf8.size() > kMaxInputBytes)
            Fail(1, 1, "the document is larger than " + std::to_string(kMaxInputBytes) + " bytes");
        Decode();
        if (m_char == 0xFEFF) {
            Next();
            m_column = 1; // a byte-order mark is no character of the first line
        }
        // "<?xml-stylesheet ...?>" and the like are processing instructions, not the declaration.
        if (LookingAt("<?xml")) {
            unsigned long after = 0;
            std::size_t length = 0;
            if (utf8.size() == m_pos + 5 || !DecodeUtf8(utf8, m_pos + 5, after, length) || !IsNameChar(after))
                ReadDeclaration();
        }
        ReadMisc(true);
        ReadStartTag();
        ReadContent();
        ReadMisc(false);
        return Outcome::Done;
    } catch (const Failure& failure) {
        m_error = "line " + std::to_string(failure.line) + ", column " + std::to_string(failure.column) +
                  ": " + failure.message;
        return Outcome::Malformed;
    } catch (const Stopped&) {
        return Outcome::Stopped;
    }
}
