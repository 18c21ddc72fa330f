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

// Text in the system's ANSI code page to UTF-8, as Outlook reads 8-bit text that names no
// charset. The platform installs the conversion (the ANSI code page on Windows); without one, and
// natively, Windows-1252 is the model.
using AnsiHook = bool (*)(const std::string& bytes, std::string& out);
void SetAnsiHook(AnsiHook hook);
std::string AnsiToUtf8(const std::string& bytes);

// Text of unknown origin (raw 8-bit header text): kept when it is valid UTF-8, else read in the
// system's ANSI code page.
std::string RawTextToUtf8(const std::string& bytes);

// The charset name for a Windows code page number, for ConvertToUtf8 ("cp" and the number when
// there is no better-known name).
std::string CharsetOfCodePage(unsigned codePage);

bool IsValidUtf8(const std::string& bytes);
std::string Windows1252ToUtf8(const std::string& bytes);
std::string Utf16LeToUtf8(const std::string& bytes); // stops at the first NUL character
std::string Utf8ToUtf16Le(const std::string& text);  // without terminator
void AppendUtf8(std::string& out, unsigned long codePoint);
