// Rules of the application shell that need no Windows header: the report encoding setting, the
// names that the exit clean-up may delete, and path building within the 260-character limit.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Longest path (terminator included) that the shell builds.
constexpr std::size_t kMaxPathChars = 260;
constexpr const char* kDefaultEncoding = "UTF-8";

// The value without leading and trailing white space (blank, tab, CR, LF, VT, FF).
std::string TrimBlanks(const std::string& value);

// True for a name of the form that XML allows in an encoding declaration: [A-Za-z][A-Za-z0-9._-]*.
bool IsXmlEncodingName(const std::string& name);

// The report encoding for a settings value: trimmed; the default when empty or not a valid name
// (a value going verbatim into the XML declaration must not break or extend it).
std::string EncodingFromSetting(const std::string& value);

// True for a plain file name that stays inside the folder it is appended to: no folder part, no
// drive or device prefix, not "." or "..", no wildcard or character that names cannot hold.
bool IsPlainLeafName(const std::string& name);

// Appends part to path when the result (with its terminator) fits kMaxPathChars; otherwise leaves
// path unchanged and returns false.
bool AppendPath(std::string& path, const std::string& part);

// The lines of a text (LF or CR LF ends a line); a final line without a line end counts too.
std::vector<std::string> SplitLines(const std::string& text);
