// A small, strict XML 1.0 reader with namespaces, for the custom UI documents that add-ins hand to
// the stand-in. Pure C++.
//
// Input is UTF-8 (an optional byte-order mark is skipped; the encoding an XML declaration names is
// not consulted, since the caller has already converted the text). Elements, attributes in single
// or double quotes, the five predefined entities, numeric character references, comments,
// processing instructions and CDATA sections are read; namespace declarations (default and
// prefixed, scoped to their element) are resolved, so every element and attribute carries its
// namespace URI and local name. A DOCTYPE is refused: no entity is ever expanded beyond the five.
// Whatever is not well-formed (bad UTF-8 or characters, mismatched or unclosed tags, duplicate
// attributes, unbound prefixes, text outside the root, input beyond the bounds below) ends the
// read with one message "line L, column C: ..." (columns count characters, from 1).
//
// The reader keeps only the open elements and their namespace scopes; the document itself goes
// to a handler as it is read, so memory follows the nesting depth, not the document's size.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct XmlAttribute {
    std::string ns;    // namespace URI; empty for an attribute without prefix
    std::string local; // name without prefix
    std::string qname; // name as written
    std::string value; // references replaced, white space normalized as XML prescribes
    int line = 0, column = 0;
};

// A start tag. Namespace declarations (xmlns, xmlns:p) are not among the attributes.
struct XmlElement {
    std::string ns, local, qname;
    std::vector<XmlAttribute> attributes;
    int line = 0, column = 0;
};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // Each returns false to stop the read; the handler keeps its own reason.
    virtual bool OnStartElement(const XmlElement& element) = 0;
    virtual bool OnEndElement() = 0;
    // Character data inside the root (line ends normalized to "\n"); may come in several pieces.
    virtual bool OnText(const std::string& text, int line, int column) = 0;
};

class XmlReader {
public:
    static constexpr std::size_t kMaxInputBytes = 4u << 20;
    static constexpr int kMaxDepth = 64;

    enum class Outcome { Done, Malformed, Stopped };
    Outcome Read(const std::string& utf8, XmlHandler& handler);
    const std::string& Error() const { return m_error; } // set when Malformed

    // While the handler runs: the URI bound to prefix ("" for the default namespace) in the
    // innermost scope; false when the prefix is unbound.
    bool LookupNamespace(const std::string& prefix, std::string& uri) const;

private:
    struct Binding {
        std::string prefix, uri;
    };
    struct Open {
        std::string qname;
        int line, column;
        std::size_t bindings; // size of m_bindings before this element's declarations
    };
    struct Failure {
        int line, column;
        std::string message;
    };

    [[noreturn]] void Fail(int line, int column, const std::string& message) const;
    [[noreturn]] void FailHere(const std::string& message) const;
    void Decode();
    void Next();
    void Advance(std::size_t count);
    bool AtEnd() const { return m_pos >= m_text->size(); }
    bool LookingAt(const char* literal) const;
    void Expect(const char* literal, const char* what);
    bool SkipSpace();
    std::string ReadName();
    void AppendReference(std::string& out);
    void AppendCurrent(std::string& out);
    void SkipLineEnd(std::string& out, char as); // at '\r': appends as once

    void ReadDeclaration();
    void ReadMisc(bool beforeRoot);
    void ReadContent();
    void ReadStartTag();
    void ReadEndTag();
    void ReadComment();
    void ReadProcessingInstruction();
    void ReadCData();
    std::string ReadAttributeValue();
    void DeclareNamespaces(std::vector<XmlAttribute>& attributes);
    void Resolve(const std::string& qname, bool isElement, int line, int column, std::string& ns,
                 std::string& local) const;
    void FlushText();
    void Deliver(bool accepted);

    const std::string* m_text = nullptr;
    XmlHandler* m_handler = nullptr;
    std::size_t m_pos = 0;
    unsigned long m_char = 0;  // code point at m_pos
    std::size_t m_charLen = 0; // its length in bytes
    int m_line = 1, m_column = 1;
    std::vector<Open> m_open;
    std::vector<Binding> m_bindings;
    std::string m_pending; // character data not yet delivered
    int m_pendingLine = 0, m_pendingColumn = 0;
    std::string m_error;
};

// True when text is an XML name without a colon (an NCName), as identifiers in custom UI must be.
bool IsXmlNcName(const std::string& text);
