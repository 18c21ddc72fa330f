#include "CharsetWin32.h"

#include "Charset.h"

#include <windows.h>

#include <cstdlib>

namespace {

struct CharsetCodePage {
    const char* name;
    unsigned codePage;
};

const CharsetCodePage kCharsets[] = {
    {"us-ascii", 20127},     {"ascii", 20127},       {"shift_jis", 932},      {"shift-jis", 932},
    {"sjis", 932},           {"x-sjis", 932},        {"ms_kanji", 932},       {"windows-31j", 932},
    {"cp932", 932},          {"euc-jp", 20932},      {"x-euc-jp", 20932},     {"euc-kr", 949},
    {"ks_c_5601-1987", 949}, {"ks_c_5601", 949},     {"korean", 949},         {"cp949", 949},
    {"gb2312", 936},         {"gbk", 936},           {"x-gbk", 936},          {"cp936", 936},
    {"gb_2312-80", 936},     {"gb18030", 54936},     {"big5", 950},           {"big5-hkscs", 950},
    {"cp950", 950},          {"koi8-r", 20866},      {"koi8-u", 21866},       {"utf-7", 65000},
    {"ibm866", 866},         {"cp866", 866},         {"tis-620", 874},        {"windows-874", 874},
    {"macintosh", 10000},    {"iso-2022-kr", 50225}, {"iso-8859-8-i", 28598}, {"iso-8859-11", 874},
};

bool WindowsHook(const std::string& charset, const std::string& bytes, std::string& out) {
    unsigned cp = CodePageOfCharset(charset);
    return cp != 0 && CodePageToUtf8(cp, bytes, out);
}

bool AnsiHookWin32(const std::string& bytes, std::string& out) {
    return CodePageToUtf8(::GetACP(), bytes, out);
}

unsigned NumberAfter(const std::string& name, const char* prefix) {
    size_t n = std::char_traits<char>::length(prefix);
    if (name.compare(0, n, prefix) != 0 || name.size() == n)
        return 0;
    for (size_t i = n; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return 0;
    return static_cast<unsigned>(std::strtoul(name.c_str() + n, nullptr, 10));
}

} // namespace

unsigned CodePageOfCharset(const std::string& charset) {
    std::string name = NormalizeCharsetName(charset);
    for (const CharsetCodePage& entry : kCharsets)
        if (name == entry.name)
            return entry.codePage;
    if (unsigned part = NumberAfter(name, "iso-8859-"))
        return part <= 16 ? 28590 + part : 0;
    if (unsigned cp = NumberAfter(name, "windows-"))
        return cp;
    if (unsigned cp = NumberAfter(name, "cp"))
        return cp;
    if (unsigned cp = NumberAfter(name, "x-cp"))
        return cp;
    return 0;
}

bool CodePageToUtf8(unsigned codePage, const std::string& bytes, std::string& out) {
    out.clear();
    if (bytes.empty())
        return true;
    if (!::IsValidCodePage(codePage))
        return false;
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
    std::string utf16;
    utf16.reserve(wide.size() * 2);
    for (wchar_t c : wide) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>((c >> 8) & 0xFF);
    }
    out = Utf16LeToUtf8(utf16);
    return true;
}

void InstallWindowsCharsetHook() {
    SetCharsetHook(&WindowsHook);
    SetAnsiHook(&AnsiHookWin32);
}
