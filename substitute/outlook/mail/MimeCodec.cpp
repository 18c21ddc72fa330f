#include "MimeCodec.h"

#include "AsciiText.h"
#include "Charset.h"

#include <vector>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The Q encoding of RFC 2047: like quoted-printable, with '_' standing for a space.
std::string DecodeQWord(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                   HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

struct EncodedWord {
    size_t end = 0; // one past "?="
    std::string charset;
    std::string bytes;
};

// Where the next "?=" and the next blank lie; cached so that a field full of "=?" starts that
// come to nothing is still read in linear time.
struct WordScan {
    size_t nextClose = 0;
    size_t nextBlank = 0;
};

// Recognises "=?charset?B|Q?text?=" at pos.
bool ReadEncodedWord(std::string_view s, size_t pos, EncodedWord& word, WordScan& scan) {
    if (s.compare(pos, 2, "=?") != 0)
        return false;
    size_t q1 = s.find('?', pos + 2);
    if (q1 == std::string_view::npos || q1 + 2 >= s.size() || s[q1 + 2] != '?')
        return false;
    char enc = s[q1 + 1];
    if (scan.nextClose != std::string_view::npos && scan.nextClose < q1 + 3)
        scan.nextClose = s.find("?=", q1 + 3);
    size_t q3 = scan.nextClose;
    if (q3 == std::string_view::npos)
        return false;
    if (scan.nextBlank != std::string_view::npos && scan.nextBlank < q1 + 3)
        scan.nextBlank = s.find_first_of(" \t\r\n", q1 + 3);
    if (scan.nextBlank < q3) // encoded text holds no blanks
        return false;
    std::string_view charset = s.substr(pos + 2, q1 - pos - 2);
    std::string_view text = s.substr(q1 + 3, q3 - q1 - 3);
    if (charset.empty() || charset.find_first_of(" \t\r\n") != std::string_view::npos)
        return false;
    if (enc == 'B' || enc == 'b')
        word.bytes = DecodeBase64(text);
    else if (enc == 'Q' || enc == 'q')
        word.bytes = DecodeQWord(text);
    else
        return false;
    word.charset = NormalizeCharsetName(std::string(charset));
    word.end = q3 + 2;
    return true;
}

std::string CharsetText(const std::string& charset, const std::string& bytes) {
    std::string out;
    if (ConvertToUtf8(charset, bytes, out))
        return out;
    return RawTextToUtf8(bytes);
}

// RFC 2231 extended value "charset'language'percent-encoded".
std::string DecodeExtendedValue(std::string_view value, std::string& charset, bool first) {
    size_t a1 = value.find('\'');
    size_t a2 = a1 == std::string_view::npos ? a1 : value.find('\'', a1 + 1);
    if (first) {
        if (a2 != std::string_view::npos) {
            charset = std::string(value.substr(0, a1));
            value = value.substr(a2 + 1);
        }
    } else if (a2 != std::string_view::npos && !charset.empty() &&
               NormalizeCharsetName(std::string(value.substr(0, a1))) == NormalizeCharsetName(charset)) {
        // Some writers repeat section 0's charset and language in every section.
        value = value.substr(a2 + 1);
    }
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
            HexValue(value[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

struct RawParam {
    std::string name; // lower-cased, without section and '*'
    int section = -1; // RFC 2231 continuation number, -1 for none
    bool extended = false;
    std::string value; // unquoted
};

} // namespace

std::string DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 4);
    unsigned long acc = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') {
            // Padding closes a quantum; whatever follows starts afresh.
            acc = 0;
            bits = 0;
            continue;
        }
        int v = Base64Value(c);
        if (v < 0)
            continue;
        acc = ((acc << 6) | static_cast<unsigned long>(v)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0, n = text.size();
    while (i < n) {
        // One line with its break.
        size_t eol = text.find('\n', i);
        size_t lineEnd = eol == std::string_view::npos ? n : eol;
        size_t contentEnd = lineEnd;
        if (contentEnd > i && text[contentEnd - 1] == '\r')
            --contentEnd;
        std::string_view breakBytes =
            text.substr(contentEnd, (eol == std::string_view::npos ? n : eol + 1) - contentEnd);
        // Trailing blanks were added in transport.
        size_t end = contentEnd;
        while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t'))
            --end;
        bool soft = false;
        for (size_t k = i; k < end; ++k) {
            char c = text[k];
            if (c == '=') {
                if (k + 1 == end) {
                    soft = true;
                    break;
                }
                if (k + 2 < end && HexValue(text[k + 1]) >= 0 && HexValue(text[k + 2]) >= 0) {
                    out += static_cast<char>(HexValue(text[k + 1]) * 16 + HexValue(text[k + 2]));
                    k += 2;
                    continue;
                }
            }
            out += c;
        }
        if (!soft)
            out.append(breakBytes.data(), breakBytes.size());
        i = eol == std::string_view::npos ? n : eol + 1;
    }
    return out;
}

std::string DecodeUuencode(std::string_view text, std::string* fileName) {
    std::string out;
    size_t i = 0, n = text.size();
    bool begun = false;
    // Skip to the "begin" line when there is one.
    for (size_t p = 0; p < n;) {
        size_t eol = text.find('\n', p);
        std::string_view line = text.substr(p, (eol == std::string_view::npos ? n : eol) - p);
        if (line.substr(0, 6) == "begin ") {
            begun = true;
            i = eol == std::string_view::npos ? n : eol + 1;
            if (fileName) {
                std::string_view rest = AsciiTrim(line.substr(6));
                size_t sp = rest.find(' ');
                if (sp != std::string_view::npos)
                    *fileName = std::string(AsciiTrim(rest.substr(sp + 1)));
            }
            break;
        }
        if (eol == std::string_view::npos)
            break;
        p = eol + 1;
    }
    if (!begun)
        i = 0;
    while (i < n) {
        size_t eol = text.find('\n', i);
        std::string_view line = text.substr(i, (eol == std::string_view::npos ? n : eol) - i);
        i = eol == std::string_view::npos ? n : eol + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line == "end" || line.empty())
            break;
        int count = (line[0] - 32) & 63;
        if (count == 0)
            break;
        std::string bytes;
        // Blanks at the end of a line stand for zero bits and may have been stripped in transit.
        for (size_t k = 1; static_cast<int>(bytes.size()) < count; k += 4) {
            unsigned v[4] = {0, 0, 0, 0};
            for (size_t m = 0; m < 4; ++m)
                v[m] = k + m < line.size() ? static_cast<unsigned>((line[k + m] - 32) & 63) : 0;
            bytes += static_cast<char>((v[0] << 2) | (v[1] >> 4));
            bytes += static_cast<char>(((v[1] & 15) << 4) | (v[2] >> 2));
            bytes += static_cast<char>(((v[2] & 3) << 6) | v[3]);
        }
        if (static_cast<int>(bytes.size()) > count)
            bytes.resize(count);
        out += bytes;
    }
    return out;
}

std::string DecodeTransferEncoding(std::string_view body, const std::string& encoding) {
    std::string enc = AsciiLower(AsciiTrim(encoding));
    if (enc == "base64")
        return DecodeBase64(body);
    if (enc == "quoted-printable")
        return DecodeQuotedPrintable(body);
    if (enc == "x-uuencode" || enc == "x-uue" || enc == "uuencode" || enc == "uue")
        return DecodeUuencode(body);
    return std::string(body);
}

std::string DecodeHeaderText(std::string_view s) {
    std::string out;
    std::string plain;        // raw text not yet converted
    std::string pendingBytes; // bytes of adjacent encoded words of one charset
    std::string pendingCharset;
    auto flushPending = [&]() {
        if (!pendingCharset.empty() || !pendingBytes.empty())
            out += CharsetText(pendingCharset, pendingBytes);
        pendingBytes.clear();
        pendingCharset.clear();
    };
    auto flushPlain = [&]() {
        out += RawTextToUtf8(plain);
        plain.clear();
    };
    bool lastWasWord = false;
    WordScan scan;
    size_t i = 0;
    while (i < s.size()) {
        EncodedWord word;
        if (s[i] == '=' && ReadEncodedWord(s, i, word, scan)) {
            if (lastWasWord) {
                plain.clear(); // only blanks since the previous encoded word: dropped
            } else {
                flushPending();
                flushPlain();
            }
            if (word.charset != pendingCharset)
                flushPending();
            pendingCharset = word.charset;
            pendingBytes += word.bytes;
            lastWasWord = true;
            i = word.end;
            continue;
        }
        if (!IsBlank(s[i]))
            lastWasWord = false;
        plain += s[i];
        ++i;
    }
    flushPending();
    flushPlain();
    // Folding leaves CR and LF behind; a header's text has none.
    std::string clean;
    clean.reserve(out.size());
    for (char c : out)
        if (c != '\r' && c != '\n')
            clean += c;
    return clean;
}

std::string HeaderField::Param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

HeaderField ParseHeaderField(std::string_view raw) {
    HeaderField field;
    size_t i = 0, n = raw.size();
    size_t semi = raw.find(';');
    field.value = AsciiLower(AsciiTrim(raw.substr(0, semi)));
    // Comments in the type value are rare; drop one when present.
    size_t paren = field.value.find('(');
    if (paren != std::string::npos)
        field.value = std::string(AsciiTrim(field.value.substr(0, paren)));
    if (semi == std::string_view::npos)
        return field;
    i = semi + 1;
    std::vector<RawParam> raws;
    while (i < n) {
        while (i < n && (IsBlank(raw[i]) || raw[i] == ';'))
            ++i;
        size_t nameStart = i;
        while (i < n && raw[i] != '=' && raw[i] != ';')
            ++i;
        std::string name = AsciiLower(AsciiTrim(raw.substr(nameStart, i - nameStart)));
        if (i >= n || raw[i] == ';') {
            continue; // a parameter without value
        }
        ++i; // '='
        while (i < n && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
        std::string value;
        if (i < n && raw[i] == '"') {
            ++i;
            while (i < n && raw[i] != '"') {
                if (raw[i] == '\\' && i + 1 < n)
                    ++i;
                value += raw[i];
                ++i;
            }
            ++i; // closing quote
            while (i < n && raw[i] != ';')
                ++i;
        } else {
            size_t start = i;
            while (i < n && raw[i] != ';')
                ++i;
            value = std::string(AsciiTrim(raw.substr(start, i - start)));
        }
        if (name.empty())
            continue;
        RawParam p;
        if (name.back() == '*') {
            p.extended = true;
            name.pop_back();
        }
        size_t star = name.find('*');
        if (star != std::string::npos) {
            std::string section = name.substr(star + 1);
            name.erase(star);
            p.section = 0;
            for (char c : section) {
                if (c < '0' || c > '9' || p.section > 100000) {
                    p.section = -2;
                    break;
                }
                p.section = p.section * 10 + (c - '0');
            }
            if (p.section < 0)
                continue;
        }
        p.name = name;
        p.value = value;
        raws.push_back(std::move(p));
    }
    // Plain parameters first; RFC 2231 forms win over them.
    std::map<std::string, std::map<int, const RawParam*>> sections;
    for (const RawParam& p : raws) {
        if (p.section < 0 && !p.extended) {
            if (!field.params.count(p.name)) {
                if (p.value.find("=?") != std::string::npos)
                    field.params[p.name] = DecodeHeaderText(p.value);
                else
                    field.params[p.name] = RawTextToUtf8(p.value);
            }
        } else {
            sections[p.name][p.section < 0 ? 0 : p.section] = &p;
        }
    }
    for (const auto& entry : sections) {
        std::string charset;
        std::string bytes;
        bool first = true;
        bool anyExtended = false;
        for (const auto& part : entry.second) {
            const RawParam& p = *part.second;
            if (p.extended) {
                bytes += DecodeExtendedValue(p.value, charset, first);
                anyExtended = true;
            } else {
                bytes += p.value;
            }
            first = false;
        }
        std::string text;
        if (anyExtended && !charset.empty())
            text = CharsetText(charset, bytes);
        else if (bytes.find("=?") != std::string::npos)
            text = DecodeHeaderText(bytes);
        else
            text = RawTextToUtf8(bytes);
        field.params[entry.first] = text;
    }
    return field;
}
