// What the stand-in writes on its console: lines as UTF-8, on the console of the process that
// started it when the stand-in (a windows program) has none of its own.
#pragma once
#include <string>

namespace Console {

// "OutlookSubstitute: " and the text, on standard output.
void Info(const std::wstring& text);
// "OutlookSubstitute: " and the text, on standard error.
void Error(const std::wstring& text);
// The text as it is, on standard output.
void Text(const std::wstring& text);

} // namespace Console
