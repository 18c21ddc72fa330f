#pragma once

#include <string>

#include "XmlDocument.h"

// White-box access to the tokenizer and parser helpers of CXmlDocument.
class CXmlDocumentProbe {
public:
    explicit CXmlDocumentProbe(CXmlDocument& doc) : m_doc(doc) {}

    TokenSpan Cursor(int start) const { return m_doc.FreshToken(start); }
    bool NextToken(TokenSpan& token) const { return m_doc.NextToken(token); }
    std::string TokenText(const TokenSpan& token) const { return CXmlDocument::TokenText(token); }
    static bool TokenMatches(const TokenSpan& token, const char* name, size_t length) {
        return CXmlDocument::TokenMatches(token, name, length);
    }
    int ParseNode(int at) const {
        TokenSpan token = m_doc.FreshToken(at);
        const int kind = m_doc.ParseNode(token);
        m_lastNext = token.next;
        return kind;
    }
    int LastNext() const { return m_lastNext; }
    std::string Escape(const std::string& s, bool attributeForm) const {
        std::string out = "[";
        m_doc.EscapeText(s.data(), s.size(), attributeForm, out);
        return out.substr(1);
    }
    // Puts text in place without parsing it, for the tokenizer tests.
    void SetText(const std::string& text) { m_doc.m_text.assign(text.data(), text.size()); }

private:
    CXmlDocument& m_doc;
    mutable int m_lastNext = 0;
};

// Checks that every record reachable from record 0 points at the bytes its fields promise
// and that its name is the tag name in the text; returns a description of the first fault.
std::string IndexFault(const CXmlDocument& doc);

// Pre-order list of the offsets and tree shape of the index, independent of record numbers.
std::string IndexShape(const CXmlDocument& doc);
