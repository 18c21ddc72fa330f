// The one place where text crosses between the viewer's narrow ANSI strings and the wide
// strings of automation interfaces. Characters the ANSI code page lacks become its default character.
// The ASCII-only helpers (AsciiText.h) come with it; they need no Windows and also serve the pure
// libraries.
#pragma once
#include "AsciiText.h"

#include <string>

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const wchar_t* text, size_t length);
std::string WideToAnsi(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// A file name as the file system compares names: upper-cased.
std::wstring UpperCase(std::wstring text);
