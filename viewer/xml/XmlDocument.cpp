#include "XmlDocument.h"

#include <cstring>
#include <stdexcept>

// The tokenizer runs several times per element; keep it inside its callers.
#if defined(__GNUC__)
#define VARO_XML_INLINE __attribute__((always_inline)) inline
#else
#define VARO_XML_INLINE inline
#endif

namespace {

// Offsets are 32-bit; keep room above the last byte for the "+1"/"+2" arithmetic of the edits.
constexpr size_t kMaxTextLength = 0x7FFFFF00u;

constexpr int32_t kInitialRecords = 8;
constexpr int32_t kBytesPerRecord = 64;

const char kErrTagNotFound[] = "Element tag not found";
const char kErrAbruptEnd[] = "Abrupt end within tag";
const char kErrQuote[] = "Tag starts with quote";
const char kErrInvalidNode[] = "Invalid node";
const char kErrEndOfTag[] = "End of tag not found";
const char kErrMismatch[] = "End tag does not correspond to %s";
const char kErrEndTagCut[] = "End tag not completed for element %s";
const char kErrTooLarge[] = "Document too large";

} // namespace

CXmlDocument::CXmlDocument(LeadByteTest isLeadByte) : m_records(kInitialRecords) {
    for (int i = 0; i < 256; ++i) {
        // Lead bytes of the ANSI code pages all lie above ASCII, so markup bytes stay markup.
        const bool lead = i >= 0x80 && isLeadByte && isLeadByte(static_cast<unsigned char>(i));
        m_class[i] = lead ? kLead : 0;
        m_multibyte = m_multibyte || lead;
    }
    for (const char* c = " \t\n\r"; *c; ++c)
        m_class[static_cast<unsigned char>(*c)] = kSpace | kDelimiter;
    for (const char* c = "<>=\\/?!"; *c; ++c)
        m_class[static_cast<unsigned char>(*c)] = kDelimiter;
    for (const char* c = "<&>"; *c; ++c)
        m_class[static_cast<unsigned char>(*c)] |= kEscapeInText | kEscapeInAttribute;
    for (const char* c = "'\""; *c; ++c)
        m_class[static_cast<unsigned char>(*c)] |= kEscapeInAttribute;
    m_class[0] |= kEscapeInText | kEscapeInAttribute; // ends a value; never part of the text
}

CXmlDocument::~CXmlDocument() = default;

const CXmlDocument::ElementRecord& CXmlDocument::record(int index) const {
    return Rec(index);
}

void CXmlDocument::ThrowBadIndex() {
    throw std::out_of_range("XML element record index");
}

// ---------------------------------------------------------------------------------------------
// Character handling and the tokenizer

int32_t CXmlDocument::StepChar(int32_t pos) const {
    const int32_t length = static_cast<int32_t>(m_text.size());
    if ((m_class[static_cast<unsigned char>(m_text[pos])] & kLead) && pos + 1 < length)
        return pos + 2;
    return pos + 1;
}

bool CXmlDocument::SkipWhitespace(int32_t& pos) const {
    const int32_t length = static_cast<int32_t>(m_text.size());
    if (pos < 0)
        pos = 0;
    while (pos < length && (m_class[static_cast<unsigned char>(m_text[pos])] & kSpace))
        ++pos;
    if (pos >= length) {
        pos = length;
        return false;
    }
    return true;
}

bool CXmlDocument::SkipToChar(int32_t& pos, char c) const {
    return ScanToChar(pos, c);
}

VARO_XML_INLINE bool CXmlDocument::ScanToChar(int32_t& pos, char c) const {
    const int32_t length = static_cast<int32_t>(m_text.size());
    if (pos < 0)
        pos = 0;
    if (pos >= length) {
        pos = length;
        return false;
    }
    const char* data = m_text.data();
    if (!m_multibyte) {
        // Markup is dense: look at the next few bytes before paying for a library call.
        for (const int32_t probeEnd = pos + 4 < length ? pos + 4 : length; pos < probeEnd; ++pos) {
            if (data[pos] == c)
                return true;
        }
        if (pos >= length)
            return false;
        const void* hit = std::memchr(data + pos, c, static_cast<size_t>(length - pos));
        if (!hit) {
            pos = length;
            return false;
        }
        pos = static_cast<int32_t>(static_cast<const char*>(hit) - data);
        return true;
    }
    while (pos < length) {
        if (data[pos] == c)
            return true;
        pos = StepChar(pos);
    }
    return false;
}

TokenSpan CXmlDocument::FreshToken(int32_t start) const {
    TokenSpan token;
    token.next = start;
    token.document = &m_text;
    return token;
}

bool CXmlDocument::NextToken(TokenSpan& token) const {
    return ScanToken(token);
}

VARO_XML_INLINE bool CXmlDocument::ScanToken(TokenSpan& token) const {
    const int32_t length = static_cast<int32_t>(m_text.size());
    const unsigned char* data = reinterpret_cast<const unsigned char*>(m_text.data());
    token.quoted = false;
    int32_t pos = token.next < 0 ? 0 : token.next;
    while (pos < length && (m_class[data[pos]] & kSpace))
        ++pos;
    if (pos >= length) {
        token.begin = token.end = token.next = length;
        return false;
    }
    const unsigned char first = data[pos];
    if (first == '"' || first == '\'') {
        token.quoted = true;
        token.begin = pos + 1;
        int32_t close = token.begin;
        const bool found = ScanToChar(close, static_cast<char>(first));
        token.end = close - 1;
        token.next = found ? close + 1 : close;
        return true;
    }
    token.begin = pos;
    int32_t reached = pos;
    if (!m_multibyte) {
        while (reached < length && !(m_class[data[reached]] & kDelimiter))
            ++reached;
    } else {
        while (reached < length && !(m_class[data[reached]] & kDelimiter))
            reached = StepChar(reached);
    }
    if (reached == pos)
        reached = pos + 1; // a delimiter is a token of its own
    token.end = reached - 1;
    token.next = reached;
    return true;
}

bool CXmlDocument::TokenMatches(const TokenSpan& token, const char* name, size_t nameLength) {
    const int32_t n = token.end - token.begin + 1;
    // A name shorter than the token cannot match; never look past its end.
    if (n < 0 || static_cast<size_t>(n) > nameLength || !token.document)
        return false;
    if (n > 0 && std::memcmp(token.document->data() + token.begin, name, static_cast<size_t>(n)) != 0)
        return false;
    if (static_cast<size_t>(n) == nameLength)
        return true;
    const char after = name[n];
    return after == ' ' || after == '=' || after == '/' || after == '[';
}

std::string CXmlDocument::TokenText(const TokenSpan& token) {
    if (token.begin > token.end || !token.document)
        return std::string();
    const CTextBuffer& text = *token.document;
    const size_t begin = static_cast<size_t>(token.begin);
    if (begin >= text.size())
        return std::string();
    return text.substr(begin, static_cast<size_t>(token.end - token.begin + 1));
}

std::string CXmlDocument::TagNameOf(int32_t record) const {
    if (record == 0)
        return std::string();
    TokenSpan token = FreshToken(Rec(record).startTagBegin + 1);
    if (!ScanToken(token))
        return std::string();
    return TokenText(token);
}

bool CXmlDocument::FindAttributeValue(TokenSpan& token, const char* name, size_t nameLength) const {
    int count = 0;
    int matched = 0;
    while (ScanToken(token)) {
        if (!token.quoted) {
            const char first = m_text[token.begin];
            if (first == '/' || first == '>' || first == '?')
                return false;
            if (first != '=' && matched == 0 && count != 0 && TokenMatches(token, name, nameLength))
                matched = count;
        } else if (matched != 0 && count == matched + 2) {
            return true;
        }
        ++count;
    }
    return false;
}

void CXmlDocument::EscapeText(const char* source, size_t length, bool attributeForm, std::string& out,
                              size_t cleanPrefix) const {
    const unsigned char special = attributeForm ? kEscapeInAttribute : kEscapeInText;
    size_t i = cleanPrefix < length ? cleanPrefix : length;
    if (!m_multibyte) {
        while (i < length && !(m_class[static_cast<unsigned char>(source[i])] & special))
            ++i;
    } else {
        while (i < length) {
            const unsigned char c = static_cast<unsigned char>(source[i]);
            if (m_class[c] & special)
                break;
            i += (m_class[c] & kLead) && i + 1 < length ? 2 : 1;
        }
    }
    if (i == length) {
        out.append(source, length); // nothing to replace
        return;
    }

    // One buffer, doubled only when fewer bytes than the longest entity are left.
    constexpr size_t kLongestEntity = 6;
    const size_t base = out.size();
    size_t capacity = length + length / 10 + 7;
    out.resize(base + capacity);
    char* buffer = &out[base];
    std::memcpy(buffer, source, i);
    size_t written = i;
    while (i < length) {
        if (written > capacity - kLongestEntity) {
            capacity *= 2;
            out.resize(base + capacity);
            buffer = &out[base];
        }
        const unsigned char c = static_cast<unsigned char>(source[i]);
        const char* entity = nullptr;
        size_t entityLength = 0;
        if (m_class[c] & special) {
            switch (c) {
            case '<':
                entity = "&lt;", entityLength = 4;
                break;
            case '&':
                entity = "&amp;", entityLength = 5;
                break;
            case '>':
                entity = "&gt;", entityLength = 4;
                break;
            case '\'':
                entity = "&apos;", entityLength = 6;
                break;
            default:
                entity = "&quot;", entityLength = 6;
                break;
            }
        }
        if (entity) {
            std::memcpy(buffer + written, entity, entityLength);
            written += entityLength;
            ++i;
        } else if ((m_class[c] & kLead) && i + 1 < length) {
            buffer[written++] = source[i++];
            buffer[written++] = source[i++];
        } else {
            buffer[written++] = source[i++];
        }
    }
    out.resize(base + written);
}

// ---------------------------------------------------------------------------------------------
// Editing

void CXmlDocument::CheckGrowth(size_t added) const {
    if (added > kMaxTextLength || m_text.size() > kMaxTextLength - added)
        throw std::length_error("XML document too large");
}

VARO_XML_INLINE size_t CXmlDocument::SpliceText(int32_t offset, int32_t count, const TextPiece* insert,
                                                size_t pieces) {
    const int32_t length = static_cast<int32_t>(m_text.size());
    if (offset < 0)
        offset = 0;
    if (offset > length)
        offset = length;
    if (count < 0)
        count = 0;
    if (count > length - offset)
        count = length - offset;
    size_t total = 0;
    for (size_t i = 0; i < pieces; ++i)
        total += insert[i].size;
    CheckGrowth(total);
    // Grow once, move the tail once, then copy the pieces into the gap.
    const size_t at = static_cast<size_t>(offset);
    const size_t removed = static_cast<size_t>(count);
    const size_t tail = static_cast<size_t>(length) - at - removed;
    if (total > removed)
        m_text.resize(m_text.size() + (total - removed));
    char* data = m_text.data();
    if (total != removed && tail != 0)
        std::memmove(data + at + total, data + at + removed, tail);
    if (total < removed)
        m_text.resize(m_text.size() - (removed - total));
    data = m_text.data();
    char* out = data + at;
    for (size_t i = 0; i < pieces; ++i) {
        const char* from = insert[i].data;
        const size_t size = insert[i].size;
        if (size > 8) {
            std::memcpy(out, from, size);
        } else {
            for (size_t k = 0; k < size; ++k) // most pieces are a few bytes of markup
                out[k] = from[k];
        }
        out += size;
    }
    return total;
}

VARO_XML_INLINE CXmlDocument::TextPiece CXmlDocument::Escaped(const char* source, bool attributeForm) {
    // The terminator is flagged like the escaped characters, so one pass finds either.
    const unsigned char special = attributeForm ? kEscapeInAttribute : kEscapeInText;
    size_t i = 0;
    while (!(m_class[static_cast<unsigned char>(source[i])] & special))
        ++i;
    if (source[i] == '\0')
        return TextPiece{source, i}; // nothing to replace (a trail byte never needs it either)
    const size_t length = i + std::strlen(source + i);
    m_escaped.clear();
    // With double-byte characters the byte found may be a trail byte: let the escaper decide.
    EscapeText(source, length, attributeForm, m_escaped, m_multibyte ? 0 : i);
    return TextPiece{m_escaped.data(), m_escaped.size()};
}

VARO_XML_INLINE void CXmlDocument::ShiftPositions(int32_t record, int32_t shift) {
    if (record == 0 || shift == 0)
        return;
    Rec(record); // the one index that comes from outside; the links are the table's own
    ElementRecord* rec = m_records.data();
    int32_t ancestor = rec[record].parent;
    int32_t at = record;
    int32_t next = rec[record].firstChild;
    for (;;) {
        if (next != 0) {
            ElementRecord& r = rec[next];
            r.startTagBegin += shift;
            r.startTagEnd += shift;
            r.endTagBegin += shift;
            r.endTagEnd += shift;
            at = next;
            next = r.firstChild;
            continue;
        }
        // No child to descend into: take the next sibling, climbing as long as there is none.
        for (;;) {
            const ElementRecord& r = rec[at];
            if (r.nextSibling != 0) {
                next = r.nextSibling;
                break;
            }
            const int32_t up = r.parent;
            if (up == ancestor) {
                ElementRecord& a = rec[ancestor];
                a.endTagBegin += shift;
                a.endTagEnd += shift;
                if (ancestor == 0)
                    return;
                ancestor = a.parent;
            }
            at = up;
        }
    }
}

bool CXmlDocument::IsEmptyElement(int32_t record) const {
    const ElementRecord& r = Rec(record);
    return r.startTagEnd == r.endTagBegin + 1;
}

bool CXmlDocument::HasNoContent(int32_t record) const {
    const ElementRecord& r = Rec(record);
    return r.startTagEnd + 1 == r.endTagBegin;
}

void CXmlDocument::LocateInsertion(int32_t parent, int32_t reference, int32_t& offset, int32_t& after) const {
    const bool parentEmpty = IsEmptyElement(parent);
    if (reference != 0) {
        offset = Rec(reference).endTagEnd + 1;
        after = reference;
    } else {
        if (parent != 0)
            offset = parentEmpty ? Rec(parent).startTagEnd : Rec(parent).endTagBegin;
        else
            offset = static_cast<int32_t>(m_text.size());
        after = 0;
        for (int32_t child = Rec(parent).firstChild; child != 0; child = Rec(child).nextSibling)
            after = child;
    }
    if (!parentEmpty) {
        // Go past the line break (and any indentation) to the next tag, but never past text.
        int32_t pos = offset;
        if (!SkipWhitespace(pos) || m_text[pos] == '<')
            offset = pos;
    }
}

int32_t CXmlDocument::AllocRecord() {
    if (static_cast<size_t>(m_freeIndex) >= m_records.size()) {
        size_t grown = static_cast<size_t>(m_freeIndex) + static_cast<size_t>(m_freeIndex) / 2;
        if (grown <= static_cast<size_t>(m_freeIndex))
            grown = static_cast<size_t>(m_freeIndex) + 1;
        m_records.resize(grown);
    }
    return m_freeIndex++;
}

void CXmlDocument::ReleaseRecord() {
    if (m_freeIndex > 1)
        --m_freeIndex;
}

bool CXmlDocument::HasRoot() const {
    return !m_records.empty() && m_records[0].firstChild != 0;
}

bool CXmlDocument::AppendElement(const char* name, const char* value, bool childForm) {
    if (!name)
        return false;
    if (childForm) {
        if (m_currentIndex == 0)
            return false;
    } else if (m_parentIndex == 0) {
        if (HasRoot())
            return false; // one root only
        Rec(0).endTagBegin = static_cast<int32_t>(m_text.size());
    }

    const int32_t parent = childForm ? m_currentIndex : m_parentIndex;
    const int32_t reference = childForm ? m_childIndex : m_currentIndex;
    int32_t offset = 0;
    int32_t after = 0;
    LocateInsertion(parent, reference, offset, after);
    const bool parentEmpty = IsEmptyElement(parent);
    const bool parentBare = !parentEmpty && HasNoContent(parent);
    if (parentEmpty || parentBare)
        offset += 2; // the line break that will precede the new element

    const size_t nameLength = std::strlen(name);
    const int32_t nameLen = static_cast<int32_t>(nameLength);
    const bool hasValue = value && *value;
    const TextPiece escaped = hasValue ? Escaped(value, false) : TextPiece{"", 0};
    const std::string parentName = parentEmpty ? TagNameOf(parent) : std::string();
    CheckGrowth(2 * nameLength + escaped.size + parentName.size() + 16);

    const int32_t n = AllocRecord();
    ElementRecord& r = Rec(n);
    r.startTagBegin = offset;
    r.parent = parent;
    r.firstChild = 0;
    if (after != 0) {
        r.nextSibling = Rec(after).nextSibling;
        Rec(after).nextSibling = n;
    } else {
        r.nextSibling = Rec(parent).firstChild;
        Rec(parent).firstChild = n;
    }
    if (!hasValue) {
        r.startTagEnd = offset + nameLen + 2;
        r.endTagBegin = r.startTagEnd - 1;
        r.endTagEnd = r.endTagBegin + 1;
    } else {
        r.startTagEnd = offset + nameLen + 1;
        r.endTagBegin = r.startTagEnd + static_cast<int32_t>(escaped.size) + 1;
        r.endTagEnd = r.endTagBegin + nameLen + 2;
    }

    // The element's line, "<name/>" or "<name>value</name>", then CR LF; into an empty parent
    // "<P/>" it goes as "<P>", CR LF, the line and "</P" before the former '>'.
    TextPiece pieces[11];
    size_t count = 0;
    int32_t splice = offset;
    int32_t removed = 0;
    if (parentEmpty) {
        ElementRecord& p = Rec(parent);
        splice = p.startTagEnd - 1;
        removed = 1;
        p.startTagEnd -= 1;
        p.endTagBegin -= static_cast<int32_t>(parentName.size()) + 1;
        pieces[count++] = {">\r\n", 3};
    } else if (parentBare) {
        splice = Rec(parent).startTagEnd + 1;
        pieces[count++] = {"\r\n", 2};
    }
    pieces[count++] = {"<", 1};
    pieces[count++] = {name, nameLength};
    if (hasValue) {
        pieces[count++] = {">", 1};
        pieces[count++] = escaped;
        pieces[count++] = {"</", 2};
        pieces[count++] = {name, nameLength};
        pieces[count++] = {">\r\n", 3};
    } else {
        pieces[count++] = {"/>\r\n", 4};
    }
    if (parentEmpty) {
        pieces[count++] = {"</", 2};
        pieces[count++] = {parentName.data(), parentName.size()};
    }
    const size_t inserted = SpliceText(splice, removed, pieces, count);
    const int32_t shift = static_cast<int32_t>(inserted) - removed;
    ShiftPositions(n, shift);

    if (childForm) {
        m_childIndex = n;
        m_currentKind = 1;
    } else {
        m_parentIndex = parent;
        m_currentIndex = n;
        m_childIndex = 0;
        m_currentKind = 1;
    }
    return true;
}

bool CXmlDocument::SetAttributeOf(int record, const char* name, const char* value) {
    if (record == 0 || m_currentKind != 1 || !name)
        return false;
    // Records above the last one taken are not elements of this document.
    if (record < 0 || record >= m_freeIndex)
        throw std::out_of_range("XML element record index");
    if (!value)
        value = "";

    const size_t nameLength = std::strlen(name);
    TokenSpan token = FreshToken(Rec(record).startTagBegin + 1);
    int32_t shift = 0;
    if (FindAttributeValue(token, name, nameLength)) {
        // Only the characters between the quotes change.
        const TextPiece escaped = Escaped(value, true);
        const int32_t removed = token.end - token.begin + 1;
        SpliceText(token.begin, removed, &escaped, 1);
        shift = static_cast<int32_t>(escaped.size) - removed;
    } else {
        const TextPiece escaped = Escaped(value, true);
        const int32_t splice = Rec(record).startTagEnd - (IsEmptyElement(record) ? 1 : 0);
        const TextPiece pieces[] = {{" ", 1}, {name, nameLength}, {"=\"", 2}, escaped, {"\"", 1}};
        SpliceText(splice, 0, pieces, 5);
        shift = static_cast<int32_t>(nameLength + escaped.size) + 4;
    }
    ElementRecord& r = Rec(record);
    r.startTagEnd += shift;
    r.endTagBegin += shift;
    r.endTagEnd += shift;
    ShiftPositions(record, shift);
    return true;
}

bool CXmlDocument::EnterElement() {
    if (m_currentIndex == 0 || m_currentKind != 1)
        return false;
    m_parentIndex = m_currentIndex;
    m_currentIndex = m_childIndex;
    m_childIndex = 0;
    m_currentKind = m_currentIndex != 0 ? 1 : 0;
    return true;
}

std::string CXmlDocument::GetText() const {
    return m_text.str();
}

// ---------------------------------------------------------------------------------------------
// Parser

bool CXmlDocument::LoadText(const char* text) {
    const size_t length = text ? std::strlen(text) : 0;
    if (length > kMaxTextLength) {
        m_lastError = kErrTooLarge; // the offsets could not address it; keep the document as it was
        return false;
    }
    m_freeIndex = 1;
    m_parentIndex = m_currentIndex = m_childIndex = m_currentKind = 0;
    m_text.assign(text ? text : "", length);
    const size_t needed = length / kBytesPerRecord + kInitialRecords;
    if (m_records.size() < needed)
        m_records.resize(needed);

    bool loaded = false;
    if (length != 0) {
        m_records[0] = ElementRecord();
        const int32_t root = ParseElement(0);
        if (root > 0) {
            m_records[0].firstChild = root;
            loaded = true;
        }
    }
    if (!loaded) {
        m_records[0] = ElementRecord();
        m_freeIndex = 1;
    }
    m_parentIndex = m_currentIndex = m_childIndex = m_currentKind = 0;
    return loaded;
}

// Elements are indexed with an explicit stack of open elements rather than one call level per
// element level, so that no nesting depth can exhaust the thread's stack.
int32_t CXmlDocument::ParseElement(int32_t parent) {
    OpenFrame frame{};
    int32_t opened = OpenElement(parent, frame);
    if (opened <= 0)
        return opened;
    if (opened == 1)
        return frame.record;
    std::vector<OpenFrame> open;
    open.push_back(frame);
    for (;;) {
        OpenFrame child{};
        opened = OpenElement(open.back().record, child);
        if (opened < 0)
            return -1;
        if (opened == 1) {
            LinkChild(open.back(), child.record);
        } else if (opened == 2) {
            open.push_back(child);
        } else {
            // The innermost open element met its end tag.
            if (CloseElement(open.back()) < 0)
                return -1;
            const int32_t closed = open.back().record;
            open.pop_back();
            if (open.empty())
                return closed;
            LinkChild(open.back(), closed);
        }
    }
}

// Finds the next element below `parent`. Results: -1 error, 0 an end tag came first (no
// further child), 1 an empty element, 2 an element whose content follows.
int32_t CXmlDocument::OpenElement(int32_t parent, OpenFrame& frame) {
    const int32_t n = AllocRecord();
    const int32_t from = Rec(parent).endTagBegin;
    {
        ElementRecord& r = Rec(n);
        r.startTagBegin = from;
        r.parent = parent;
        r.firstChild = 0;
        r.nextSibling = 0;
    }
    TokenSpan token = FreshToken(from);
    for (;;) {
        int32_t lt = token.next;
        const bool found = ScanToChar(lt, '<');
        Rec(n).startTagBegin = lt;
        if (!found)
            return RecordParseError(kErrTagNotFound);
        Rec(parent).endTagBegin = lt;
        token.next = lt + 1;
        if (!ScanToken(token))
            return RecordParseError(kErrAbruptEnd);
        if (token.quoted)
            return RecordParseError(kErrQuote);
        const char first = m_text[token.begin];
        if (first == '?' || first == '!') {
            token.next = lt;
            if (ParseNode(token) == kNodeInvalid)
                return RecordParseError(kErrInvalidNode);
            continue;
        }
        if (first == '/') {
            ReleaseRecord();
            return 0;
        }
        frame.record = n;
        frame.nameBegin = token.begin;
        frame.nameLength = token.end - token.begin + 1;
        frame.previousChild = 0;
        int32_t gt = token.next;
        if (!ScanToChar(gt, '>'))
            return RecordParseError(kErrEndOfTag);
        ElementRecord& r = Rec(n);
        r.startTagEnd = gt;
        if (m_text[gt - 1] == '/') {
            r.endTagBegin = gt - 1;
            r.endTagEnd = gt;
            return 1;
        }
        r.endTagBegin = gt + 1;
        return 2;
    }
}

void CXmlDocument::LinkChild(OpenFrame& parentFrame, int32_t child) {
    if (parentFrame.previousChild == 0)
        Rec(parentFrame.record).firstChild = child;
    else
        Rec(parentFrame.previousChild).nextSibling = child;
    parentFrame.previousChild = child;
    Rec(parentFrame.record).endTagBegin = Rec(child).endTagEnd + 1;
}

// Reads the end tag that starts at the element's endTagBegin.
int32_t CXmlDocument::CloseElement(const OpenFrame& frame) {
    const int32_t n = frame.record;
    const char* name = m_text.data() + frame.nameBegin;
    const size_t nameLength = static_cast<size_t>(frame.nameLength);
    // The usual "</name>" gives the same tokens as the scan below: '/', the name, '>'.
    const int32_t at = Rec(n).endTagBegin;
    const size_t length = m_text.size();
    const size_t closeAt = static_cast<size_t>(at) + 2 + nameLength;
    if (at >= 0 && closeAt < length && m_text[static_cast<size_t>(at) + 1] == '/' && m_text[closeAt] == '>' &&
        std::memcmp(m_text.data() + at + 2, name, nameLength) == 0) {
        Rec(n).endTagEnd = static_cast<int32_t>(closeAt);
        return n;
    }
    TokenSpan token = FreshToken(at + 1);
    int count = 0;
    while (ScanToken(token)) {
        ++count;
        if (token.quoted)
            continue;
        if (count == 2 && !TokenMatches(token, name, nameLength)) {
            const std::string tagName(name, nameLength);
            return RecordParseError(kErrMismatch, &tagName);
        }
        if (m_text[token.begin] == '>') {
            if (count < 2)
                break;
            Rec(n).endTagEnd = token.begin;
            return n;
        }
    }
    const std::string tagName(name, nameLength);
    return RecordParseError(kErrEndTagCut, &tagName);
}

int CXmlDocument::ParseNode(TokenSpan& token) const {
    const int32_t length = static_cast<int32_t>(m_text.size());
    const int32_t lt = token.next;
    if (lt < 0 || lt + 2 >= length)
        return kNodeInvalid;
    const char first = m_text[lt + 1];
    const char second = m_text[lt + 2];
    const char* marker = nullptr;
    int kind = kNodeInvalid;
    if (first == '?') {
        marker = "?>";
        kind = kNodeProcessing;
    } else if (first == '!' && second == '[') {
        marker = "]]>";
        kind = kNodeCData;
    } else if (first == '!' && second == '-') {
        marker = "-->";
        kind = kNodeComment;
    } else if (first == '!') {
        // Document type declaration: brackets of an internal subset nest; quoted strings are opaque.
        int depth = 0;
        while (ScanToken(token)) {
            if (token.quoted)
                continue;
            const char c = m_text[token.begin];
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
            else if (c == '>' && depth == 0)
                return kNodeDoctype;
        }
        return kNodeInvalid;
    } else {
        return kNodeInvalid;
    }
    const size_t hit = m_text.find(marker, static_cast<size_t>(lt));
    if (hit == CTextBuffer::npos)
        return kNodeInvalid;
    token.next = static_cast<int32_t>(hit + std::strlen(marker));
    return kind;
}

int32_t CXmlDocument::RecordParseError(const char* message, const std::string* argument) {
    m_lastError = message;
    if (argument) {
        const size_t at = m_lastError.find("%s");
        if (at != std::string::npos)
            m_lastError.replace(at, 2, *argument);
    }
    ReleaseRecord();
    return -1;
}
