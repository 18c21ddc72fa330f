#include "AsciiText.h"

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiToLower(c);
    return out;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiToLower(a[i]) != AsciiToLower(b[i]))
            return false;
    return true;
}

std::string_view AsciiTrim(std::string_view text, std::string_view set) {
    const size_t first = text.find_first_not_of(set);
    if (first == std::string_view::npos)
        return std::string_view();
    return text.substr(first, text.find_last_not_of(set) - first + 1);
}
