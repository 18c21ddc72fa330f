// The text of the About box's scrolling credits. The last character of each non-empty line is
// its style code and is never drawn; an empty line is a blank line.
#pragma once
#include <cstddef>
#include <string>

namespace credits {

constexpr std::size_t kLineCount = 39;
extern const char* const kCreditLines[kLineCount];

// Style codes.
constexpr char kHeading = '\t';
constexpr char kLargeBold = '\n';
constexpr char kSubHeading = '\r';
constexpr char kImage = '\b';
constexpr char kNormal = '\f';

enum class LineKind { Blank, Text, Image };

struct LineStyle {
    LineKind kind = LineKind::Blank;
    int weight = 0; // font weight of a text line
    int height = 0; // font height in pixels of a text line
};

LineStyle StyleOf(const std::string& line);
// The line without its style code: the text to draw, or the resource name of an image line.
std::string VisibleText(const std::string& line);

// The maker's site: the link of the About box and the second heading of the credits.
constexpr const char* kMakerUrl = "https://www.drovasoft.example/";

} // namespace credits
