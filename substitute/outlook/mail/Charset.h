// Character-set conversion to UTF-8 for the mail model. The built-in part covers UTF-8, US-ASCII,
// ISO-8859-1, Windows-1252, ISO-2022-JP and EUC-JP (both through Shift_JIS); every other charset goes to a
// conversion hook that the platform fills (iconv natively, MultiByteToWideChar on Windows).
#pragma once
#include <string>

// Converts bytes in the named charset to UTF-8. Returns false when the charset is unknown or
// the bytes cannot be converted; out may then hold anything.
using CharsetHook = bool (*)(const std::string& charset, const std::string& bytes, std::string& out);

// Installs the hook used for charsets the built-in table lacks (nullptr: built-in table only).
// Natively the default is iconv where the C library has it.
void SetCharsetHook(CharsetHook hook);

// Lower-cased charset name with surrounding blanks and quotes removed.
std::string NormalizeCharsetName(const std::string& charset);

// Converts text in charset to UTF-8; false when neither the table nor the hook knows it.
bool ConvertToUtf8(const std::string& charset, const std::string& bytes, std::string& out);

// Text of unknown origin (raw 8-bit header text): kept when it is valid UTF-8, else read as
// Windows-1252.
std::string RawTextToUtf8(const std::string& bytes);

bool IsValidUtf8(const std::string& bytes);
std::string Windows1252ToUtf8(const std::string& bytes);
std::string Utf16LeToUtf8(const std::string& bytes); // stops at the first NUL character
std::string Utf8ToUtf16Le(const std::string& text);  // without terminator
void AppendUtf8(std::string& out, unsigned long codePoint);
