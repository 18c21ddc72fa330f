// Charset conversion through the Windows code pages (MultiByteToWideChar).
#pragma once
#include <string>

// Code page for a MIME charset name, 0 when there is none.
unsigned CodePageOfCharset(const std::string& charset);
// Bytes in a Windows code page to UTF-8; false when the code page is not installed.
bool CodePageToUtf8(unsigned codePage, const std::string& bytes, std::string& out);
// Makes the mail readers use the Windows code pages for the charsets they do not know
// themselves, and the system's ANSI code page for 8-bit text that names no charset.
// Idempotent; the mail store's readers call it themselves.
void InstallWindowsCharsetHook();
