// Texts of the hyperlink control that need no window: the fallback command line that opens a
// web page with the registered browser, and the failure messages.
#pragma once
#include <string>

namespace linktext {

// The registered open command with the target in place of its "%1" placeholder: the command is
// cut where the quoted placeholder (or else the bare one) starts, then a space and the target
// follow. Without a placeholder they are appended to the whole command. No length limit.
std::string BuildFallbackCommandLine(const std::string& openCommand, const std::string& target);

// The explanation for a result code of the shell or of the fallback.
std::string OpenErrorText(long code);
// The whole message box text: the common prefix and the explanation.
std::string OpenErrorMessage(long code);

constexpr const char* kOpenErrorPrefix = "Unable to open hyperlink:\n\n";

} // namespace linktext
