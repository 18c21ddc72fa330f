#include "CreditLines.h"

namespace credits {

namespace {
constexpr int kBoldWeight = 700;
constexpr int kNormalWeight = 100;
constexpr int kHeadingHeight = 17;
constexpr int kLargeBoldHeight = 21;
constexpr int kSubHeadingHeight = 19;
constexpr int kNormalHeight = 15;
} // namespace

// Rows are fixed: headings 0-1, separators 4/12/19/24, contributors 8/14 with their sites at
// 10/16, the thanks at 21; everything else is blank space between the groups.
const char* const kCreditLines[kLineCount] = {
    "Varoscope (C) Drovasoft. All rights reserved.\t", // 0
    "https://www.drovasoft.example/\t",                // 1
    "",                                                // 2
    "",                                                // 3
    "IDB_SEPARATOR\b",                                 // 4
    "",                                                // 5
    "",                                                // 6
    "",                                                // 7
    "The Varoscope viewer team\r",                     // 8
    "",                                                // 9
    "https://viewer.drovasoft.example/\f",             // 10
    "",                                                // 11
    "IDB_SEPARATOR\b",                                 // 12
    "",                                                // 13
    "The Drovasoft test lab\r",                        // 14
    "",                                                // 15
    "https://lab.drovasoft.example/\f",                // 16
    "",                                                // 17
    "",                                                // 18
    "IDB_SEPARATOR\b",                                 // 19
    "",                                                // 20
    "Thank you for using Varoscope!\f",                // 21
    "",                                                // 22
    "",                                                // 23
    "IDB_SEPARATOR\b",                                 // 24
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "", // 25-38
};

LineStyle StyleOf(const std::string& line) {
    if (line.empty())
        return {};
    switch (line.back()) {
    case kHeading:
        return {LineKind::Text, kBoldWeight, kHeadingHeight};
    case kLargeBold:
        return {LineKind::Text, kBoldWeight, kLargeBoldHeight};
    case kSubHeading:
        return {LineKind::Text, kBoldWeight, kSubHeadingHeight};
    case kImage:
        return {LineKind::Image, 0, 0};
    default:
        return {LineKind::Text, kNormalWeight, kNormalHeight};
    }
}

std::string VisibleText(const std::string& line) {
    return line.empty() ? line : line.substr(0, line.size() - 1);
}

} // namespace credits
