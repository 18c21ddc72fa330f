#include "ShellRules.h"

#include "AsciiText.h"

namespace {
constexpr std::string_view kBlanks = " \t\r\n\v\f";
bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

std::string TrimBlanks(const std::string& value) {
    return std::string(AsciiTrim(value, kBlanks));
}

bool IsXmlEncodingName(const std::string& name) {
    if (name.empty() || !IsAsciiLetter(name[0]))
        return false;
    for (char c : name) {
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '.' && c != '_' && c != '-')
            return false;
    }
    return true;
}

std::string EncodingFromSetting(const std::string& value) {
    const std::string trimmed = TrimBlanks(value);
    return IsXmlEncodingName(trimmed) ? trimmed : std::string(kDefaultEncoding);
}

bool IsPlainLeafName(const std::string& name) {
    if (name.empty())
        return false;
    bool onlyDotsAndBlanks = true;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    // "..", "." and names the file system would shorten to them (trailing dots and blanks go).
    return !onlyDotsAndBlanks;
}

bool AppendPath(std::string& path, const std::string& part) {
    if (path.size() + part.size() + 1 > kMaxPathChars)
        return false;
    path += part;
    return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
