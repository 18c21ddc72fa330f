// What the add-in reports to nobody (Outlook shows nothing, and the add-in must not either) still
// reaches the debugger's trace, where a user or a supporter can see why nothing happened.
#pragma once
#include <windows.h>

#include <string>

namespace DebugTrace {

// One line, "VaroAddin: " and the text.
void Write(const std::wstring& text);
// One line for a failed step: the text and the result code.
void Failure(const std::wstring& text, HRESULT hr);

} // namespace DebugTrace
