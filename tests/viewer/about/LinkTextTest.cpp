#include "LinkText.h"

#include <gtest/gtest.h>

#include <string>

using linktext::BuildFallbackCommandLine;
using linktext::OpenErrorMessage;
using linktext::OpenErrorText;

TEST(FallbackCommandLine, PlaceholderForms) {
    const std::string target = "https://www.drovasoft.example/";
    // Quoted placeholder: cut at the opening quote, so the target is not quoted twice.
    EXPECT_EQ(BuildFallbackCommandLine("\"C:\\Web\\browse.exe\" -nohome \"%1\" -tail", target),
              "\"C:\\Web\\browse.exe\" -nohome  " + target);
    // Bare placeholder: cut at the percent sign.
    EXPECT_EQ(BuildFallbackCommandLine("C:\\Web\\browse.exe -url %1 -tail", target),
              "C:\\Web\\browse.exe -url  " + target);
    // No placeholder: everything is kept.
    EXPECT_EQ(BuildFallbackCommandLine("C:\\Web\\browse.exe -new", target),
              "C:\\Web\\browse.exe -new " + target);
    // The quoted form wins over a bare one that comes first.
    EXPECT_EQ(BuildFallbackCommandLine("b.exe %1 \"%1\"", "t"), "b.exe %1  t");
    EXPECT_EQ(BuildFallbackCommandLine("", "t"), " t");
}

TEST(FallbackCommandLine, LongTargetsAndCommandsAreKeptWhole) {
    // Far beyond the fixed buffers that such command lines used to be built in.
    const std::string target = "https://www.drovasoft.example/?" + std::string(6000, 'q');
    const std::string command = "\"C:\\" + std::string(700, 'd') + "\\browse.exe\" \"%1\"";
    std::string line = BuildFallbackCommandLine(command, target);
    ASSERT_EQ(line.size(), command.size() - 4 + 1 + target.size());
    EXPECT_EQ(line.substr(line.size() - target.size()), target);
    EXPECT_EQ(line.compare(0, command.size() - 4, command, 0, command.size() - 4), 0);
}

TEST(OpenErrorTexts, KnownCodesWithPrefix) {
    EXPECT_EQ(OpenErrorMessage(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(OpenErrorMessage(2), "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(OpenErrorText(0), "The operating system is out\nof memory or resources.");
    EXPECT_EQ(OpenErrorText(30),
              "The DDE transaction could not\nbe completed because other DDE transactions\n"
              "were being processed.");
    EXPECT_EQ(OpenErrorText(32), "The specified dynamic-link library was not found.");
}

TEST(OpenErrorTexts, UnknownCodes) {
    EXPECT_EQ(OpenErrorText(1), "Unknown Error (1) occurred.");
    EXPECT_EQ(OpenErrorText(4), "Unknown Error (4) occurred.");
    EXPECT_EQ(OpenErrorText(33), "Unknown Error (33) occurred.");
    EXPECT_EQ(OpenErrorMessage(-5), "Unable to open hyperlink:\n\nUnknown Error (-5) occurred.");
    EXPECT_EQ(OpenErrorText(-2147483647L - 1), "Unknown Error (-2147483648) occurred.");
}
