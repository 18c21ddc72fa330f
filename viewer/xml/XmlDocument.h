#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "LeadByte.h"
#include "TextBuffer.h"

// Cursor of the tokenizer over a document text. Offsets are bytes from the start of the text.
struct TokenSpan {
    int32_t begin = 0; // first byte of the token (after the opening quote of a quoted token)
    int32_t end = -1;  // last byte of the token, inclusive (before the closing quote)
    int32_t next = 0;  // where the next token search starts
    const CTextBuffer* document = nullptr;
    bool quoted = false;
};

// The viewer's XML document: one narrow text that is at every moment the serialised document,
// plus an index of element positions inside it. Documents are built forward (append, set
// attribute, step in); LoadText indexes the root element of an existing text.
class CXmlDocument {
public:
    struct ElementRecord {
        int32_t startTagBegin = 0; // '<' of the start tag
        int32_t startTagEnd = 0;   // '>' closing the start tag
        int32_t endTagBegin = 0;   // '<' of the end tag; the '/' of "/>" for an empty element
        int32_t endTagEnd = 0;     // '>' closing the end tag; = startTagEnd for an empty element
        int32_t parent = 0;        // 0 = document level
        int32_t firstChild = 0;    // 0 = none
        int32_t nextSibling = 0;   // 0 = none
    };

    // Kinds of the markup that the parser skips; 0 marks a malformed node.
    enum NodeKind {
        kNodeInvalid = 0,
        kNodeCData = 8,
        kNodeProcessing = 16,
        kNodeComment = 32,
        kNodeDoctype = 64
    };

    explicit CXmlDocument(LeadByteTest isLeadByte = SystemLead);
    virtual ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = default;
    CXmlDocument& operator=(const CXmlDocument&) = default;

    bool LoadText(const char* text);
    bool AppendElement(const char* name, const char* value = nullptr, bool childForm = false);
    bool SetAttributeOf(int record, const char* name, const char* value);
    bool EnterElement();
    std::string GetText() const;

    int currentIndex() const { return m_currentIndex; }
    int childIndex() const { return m_childIndex; }
    int parentIndex() const { return m_parentIndex; }
    int currentKind() const { return m_currentKind; }
    int freeIndex() const { return m_freeIndex; }
    const std::string& lastError() const { return m_lastError; }

    // Read access to the element index; throws std::out_of_range outside the table.
    int recordCount() const { return static_cast<int>(m_records.size()); }
    const ElementRecord& record(int index) const;

private:
    friend class CXmlDocumentProbe; // white-box access for the unit tests

    // One element open in the parser: its record, the span of its name in the text and the
    // child linked last.
    struct OpenFrame {
        int32_t record;
        int32_t nameBegin;
        int32_t nameLength;
        int32_t previousChild;
    };

    enum CharClass : unsigned char {
        kSpace = 1,
        kDelimiter = 2,
        kLead = 4,
        kEscapeInText = 8,
        kEscapeInAttribute = 16,
    };

    // Character handling and the tokenizer.
    bool SkipWhitespace(int32_t& pos) const;
    bool SkipToChar(int32_t& pos, char c) const;
    bool NextToken(TokenSpan& token) const;
    bool ScanToken(TokenSpan& token) const;      // NextToken, inlined into the scanners
    bool ScanToChar(int32_t& pos, char c) const; // SkipToChar, inlined likewise
    static bool TokenMatches(const TokenSpan& token, const char* name, size_t nameLength);
    static std::string TokenText(const TokenSpan& token);
    std::string TagNameOf(int32_t record) const;
    bool FindAttributeValue(TokenSpan& token, const char* name, size_t nameLength) const;
    // Appends the escaped source to out; the first cleanPrefix bytes are known to need nothing.
    void EscapeText(const char* source, size_t length, bool attributeForm, std::string& out,
                    size_t cleanPrefix = 0) const;
    TokenSpan FreshToken(int32_t start) const;
    int32_t StepChar(int32_t pos) const;

    // Editing.
    struct TextPiece {
        const char* data;
        size_t size;
    };
    // Replaces `count` bytes at `offset` by the pieces, in order; gives the bytes inserted.
    size_t SpliceText(int32_t offset, int32_t count, const TextPiece* insert, size_t pieces);
    TextPiece Escaped(const char* source, bool attributeForm);
    void ShiftPositions(int32_t record, int32_t shift);
    void LocateInsertion(int32_t parent, int32_t reference, int32_t& offset, int32_t& after) const;
    int32_t AllocRecord();
    void ReleaseRecord();
    bool HasRoot() const;
    bool IsEmptyElement(int32_t record) const;
    bool HasNoContent(int32_t record) const;
    ElementRecord& Rec(int32_t index) {
        if (index < 0 || static_cast<size_t>(index) >= m_records.size())
            ThrowBadIndex();
        return m_records[static_cast<size_t>(index)];
    }
    const ElementRecord& Rec(int32_t index) const { return const_cast<CXmlDocument*>(this)->Rec(index); }
    [[noreturn]] static void ThrowBadIndex();
    void CheckGrowth(size_t added) const;

    // Parser.
    int32_t ParseElement(int32_t parent);
    int32_t OpenElement(int32_t parent, OpenFrame& frame);
    int32_t CloseElement(const OpenFrame& frame);
    void LinkChild(OpenFrame& parentFrame, int32_t child);
    int ParseNode(TokenSpan& token) const;
    int32_t RecordParseError(const char* message, const std::string* argument = nullptr);

    CTextBuffer m_text;
    std::string m_lastError;
    std::vector<ElementRecord> m_records;
    std::string m_escaped; // escaped value of the edit under way
    int32_t m_parentIndex = 0;
    int32_t m_currentIndex = 0;
    int32_t m_childIndex = 0;
    int32_t m_freeIndex = 1;
    int32_t m_currentKind = 0;
    unsigned char m_class[256];
    bool m_multibyte = false;
};
