#include "Charset.h"

#include "AsciiText.h"

#include <cstdint>
#include <string>

#if !defined(_WIN32) && defined(__has_include)
#if __has_include(<iconv.h>)
#include <iconv.h>
#define VARO_HAVE_ICONV 1
#endif
#endif

namespace {

#if defined(VARO_HAVE_ICONV)
bool IconvHook(const std::string& charset, const std::string& bytes, std::string& out) {
    std::string name = charset;
    if (name == "ks_c_5601-1987")
        name = "cp949";
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (rc == static_cast<size_t>(-1) && dst == buffer) {
            // An invalid or incomplete sequence: mark it and go on after one byte.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    iconv_close(cd);
    return true;
}
CharsetHook g_hook = &IconvHook;
#else
CharsetHook g_hook = nullptr;
#endif

AnsiHook g_ansiHook = nullptr;

// Windows-1252 characters 0x80..0x9F; zero marks the five undefined bytes.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes)
        AppendUtf8(out, c);
    return out;
}

// A JIS X 0208 row/cell pair (0x21..0x7E each) as its two Shift_JIS bytes.
void AppendJisAsShiftJis(std::string& out, unsigned j1, unsigned j2) {
    unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    unsigned s2 = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
    out += static_cast<char>(s1);
    out += static_cast<char>(s2);
}

// ISO-2022-JP (RFC 1468) and EUC-JP to Shift_JIS: the JIS X 0208 rows map arithmetically, so
// the double-byte decoding can be left to the Shift_JIS converter that every platform has.
std::string Iso2022JpToShiftJis(const std::string& in) {
    enum Mode { Ascii, Kanji, Kana } mode = Ascii;
    std::string out;
    for (size_t i = 0; i < in.size();) {
        unsigned char c = in[i];
        if (c == 0x1B && i + 2 < in.size()) {
            std::string seq = in.substr(i + 1, 2);
            if (seq == "$B" || seq == "$@") {
                mode = Kanji;
                i += 3;
                continue;
            }
            if (seq == "(B" || seq == "(J") {
                mode = Ascii;
                i += 3;
                continue;
            }
            if (seq == "(I") {
                mode = Kana;
                i += 3;
                continue;
            }
        }
        if (c == '\r' || c == '\n') {
            mode = Ascii;
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (mode == Kanji && i + 1 < in.size()) {
            AppendJisAsShiftJis(out, c & 0x7F, static_cast<unsigned char>(in[i + 1]) & 0x7F);
            i += 2;
            continue;
        }
        out += static_cast<char>(mode == Kana ? (c | 0x80) : c);
        ++i;
    }
    return out;
}

std::string EucJpToShiftJis(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        unsigned char c = in[i];
        if (c == 0x8E && i + 1 < in.size()) { // half-width katakana
            out += in[++i];
        } else if (c >= 0xA1 && c <= 0xFE && i + 1 < in.size()) {
            AppendJisAsShiftJis(out, c & 0x7F, static_cast<unsigned char>(in[++i]) & 0x7F);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

void SetCharsetHook(CharsetHook hook) {
    g_hook = hook;
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(const std::string& s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned long cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i <= static_cast<size_t>(extra))
            return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char t = s[i + k];
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string Windows1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80] != 0)
            AppendUtf8(out, kCp1252High[c - 0x80]);
        else
            AppendUtf8(out, c);
    }
    return out;
}

void SetAnsiHook(AnsiHook hook) {
    g_ansiHook = hook;
}

std::string AnsiToUtf8(const std::string& bytes) {
    std::string out;
    if (g_ansiHook && g_ansiHook(bytes, out) && IsValidUtf8(out))
        return out;
    return Windows1252ToUtf8(bytes);
}

std::string RawTextToUtf8(const std::string& bytes) {
    return IsValidUtf8(bytes) ? bytes : AnsiToUtf8(bytes);
}

std::string CharsetOfCodePage(unsigned codePage) {
    struct Entry {
        unsigned codePage;
        const char* charset;
    };
    static const Entry kNames[] = {
        {65001, "utf-8"},       {20127, "us-ascii"},    {932, "shift_jis"},     {936, "gbk"},
        {949, "cp949"},         {950, "big5"},          {20866, "koi8-r"},      {21866, "koi8-u"},
        {50220, "iso-2022-jp"}, {50221, "iso-2022-jp"}, {50222, "iso-2022-jp"}, {51932, "euc-jp"},
        {20932, "euc-jp"},      {54936, "gb18030"},     {51949, "euc-kr"},      {866, "ibm866"},
        {10000, "macintosh"},   {65000, "utf-7"},       {874, "windows-874"},
    };
    for (const Entry& entry : kNames)
        if (entry.codePage == codePage)
            return entry.charset;
    if (codePage >= 1250 && codePage <= 1258)
        return "windows-" + std::to_string(codePage);
    if (codePage >= 28591 && codePage <= 28606)
        return "iso-8859-" + std::to_string(codePage - 28590);
    return "cp" + std::to_string(codePage);
}

std::string Utf16LeToUtf8(const std::string& bytes) {
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long u =
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (u == 0)
            break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            unsigned long lo =
                static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u); // a lone surrogate becomes U+FFFD
    }
    return out;
}

std::string Utf8ToUtf16Le(const std::string& text) {
    const std::string& s = IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
    std::string out;
    auto put = [&out](unsigned long u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        unsigned long cp;
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

std::string NormalizeCharsetName(const std::string& charset) {
    std::string name = AsciiLower(AsciiTrim(charset, " \t\"'"));
    // RFC 2231 allows a language suffix: "utf-8*en".
    size_t star = name.find('*');
    if (star != std::string::npos)
        name.erase(star);
    return name;
}

bool ConvertToUtf8(const std::string& charset, const std::string& bytes, std::string& out) {
    std::string name = NormalizeCharsetName(charset);
    if (name == "utf-8" || name == "utf8") {
        out = IsValidUtf8(bytes) ? bytes : Windows1252ToUtf8(bytes);
        return true;
    }
    if (name.empty() || name == "us-ascii" || name == "ascii" || name == "windows-1252" || name == "cp1252" ||
        name == "x-user-defined") {
        // Mislabelled 8-bit text is common: reading it as Windows-1252 loses nothing.
        out = Windows1252ToUtf8(bytes);
        return true;
    }
    if (name == "iso-8859-1" || name == "latin1" || name == "iso8859-1" || name == "l1") {
        out = Latin1ToUtf8(bytes);
        return true;
    }
    if (name == "iso-2022-jp" || name == "csiso2022jp" || name == "euc-jp" || name == "x-euc-jp") {
        std::string sjis = name.compare(0, 3, "iso") == 0 || name.compare(0, 3, "csi") == 0
                               ? Iso2022JpToShiftJis(bytes)
                               : EucJpToShiftJis(bytes);
        if (g_hook && (g_hook("shift_jis", sjis, out) || g_hook("cp932", sjis, out)))
            return true;
        return false;
    }
    // A converter that accepts a garbled charset name may hand back bytes that are not UTF-8;
    // the caller then falls back to the raw-text rule, which always gives valid text.
    return g_hook != nullptr && g_hook(name, bytes, out) && IsValidUtf8(out);
}
