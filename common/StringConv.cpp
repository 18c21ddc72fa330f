#include "StringConv.h"

#include <windows.h>

namespace {
std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty())
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}
std::string ToNarrow(UINT codePage, const wchar_t* text, size_t length) {
    if (!text || length == 0)
        return {};
    // A character the ANSI code page lacks becomes its default character, never a look-alike:
    // "a" for "ā" would name a different file than the one the mail holds.
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n =
        ::WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}
} // namespace

std::wstring AnsiToWide(const std::string& text) {
    return ToWide(CP_ACP, text);
}
std::string WideToAnsi(const wchar_t* text, size_t length) {
    return ToNarrow(CP_ACP, text, length);
}
std::string WideToAnsi(const std::wstring& text) {
    return ToNarrow(CP_ACP, text.data(), text.size());
}
std::wstring Utf8ToWide(const std::string& text) {
    return ToWide(CP_UTF8, text);
}
std::string WideToUtf8(const std::wstring& text) {
    return ToNarrow(CP_UTF8, text.data(), text.size());
}
std::wstring UpperCase(std::wstring text) {
    if (!text.empty())
        ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}
