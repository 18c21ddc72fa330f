// ASCII-only text helpers for names that protocols and file formats compare without regard to
// case (header names, charsets, registry keys, file extensions). Bytes outside ASCII pass
// unchanged, so they are safe on text in any code page or in UTF-8. Pure C++: no Windows header.
#pragma once
#include <string>
#include <string_view>

template <typename Char> constexpr Char AsciiToLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c;
}
template <typename Char> constexpr Char AsciiToUpper(Char c) {
    return c >= Char('a') && c <= Char('z') ? Char(c - Char('a') + Char('A')) : c;
}

// The text with its ASCII capitals lowered.
std::string AsciiLower(std::string_view text);
// True when the two texts differ at most in the case of ASCII letters.
bool AsciiEqualNoCase(std::string_view a, std::string_view b);

// White space as mail headers and settings files have it.
constexpr std::string_view kAsciiBlanks = " \t\r\n";
// The text without the leading and trailing characters of the set.
std::string_view AsciiTrim(std::string_view text, std::string_view set = kAsciiBlanks);
