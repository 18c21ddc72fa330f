// Timing of the credits scroller, driven the way the About box drives it: one Tick per timer
// message, then the paint steps.
#include "CreditScroller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using credits::LineKind;

namespace {

constexpr int kImageHeight = 5;

// One timer tick followed by its paint; the image always loads.
bool Step(CCreditScroller& s) {
    bool started = s.Tick();
    credits::LineStyle style = s.PaintLineStyle();
    if (style.kind == LineKind::Image && !s.showingImage)
        s.StartImage();
    if (s.showingImage)
        s.FinishImageIfRisen(kImageHeight);
    return started;
}

// Ticks until the next line starts; returns how many ticks that took.
int TicksToNextLine(CCreditScroller& s, int limit = 1000) {
    for (int n = 1; n <= limit; ++n)
        if (Step(s))
            return n;
    return -1;
}

} // namespace

TEST(CreditScroller, FirstLineStartsAfterFifteenTicks) {
    CCreditScroller s;
    for (int n = 1; n < 15; ++n)
        ASSERT_FALSE(Step(s)) << "tick " << n;
    EXPECT_TRUE(s.currentLine.empty());
    EXPECT_TRUE(Step(s));
    EXPECT_EQ(s.currentLine, credits::kCreditLines[0]);
    EXPECT_EQ(s.lineIndex, 1);
    // The pixel of the starting tick already counts for the new line.
    EXPECT_EQ(s.scrolled, 1);
}

TEST(CreditScroller, LinesTakeTheHeightOfTheirFontAndBlankLinesKeepThePrevious) {
    CCreditScroller s;
    ASSERT_EQ(TicksToNextLine(s), 15); // row 0, heading
    EXPECT_EQ(s.lineHeight, 17);
    EXPECT_EQ(TicksToNextLine(s), 17); // row 1, heading
    EXPECT_EQ(TicksToNextLine(s), 17); // row 2, blank after a heading
    EXPECT_TRUE(s.currentLine.empty());
    EXPECT_EQ(TicksToNextLine(s), 17); // row 3, blank
    EXPECT_EQ(s.lineIndex, 4);

    // Rows 8 (sub-heading) and 9 (blank after it).
    while (s.lineIndex != 8)
        ASSERT_GT(TicksToNextLine(s), 0);
    ASSERT_GT(TicksToNextLine(s), 0);
    EXPECT_EQ(s.currentLine.back(), credits::kSubHeading);
    EXPECT_EQ(TicksToNextLine(s), 19); // the blank line after it
    EXPECT_EQ(TicksToNextLine(s), 19); // row 10 starts 19 ticks after the blank one
    EXPECT_EQ(s.currentLine.back(), credits::kNormal);
    EXPECT_EQ(TicksToNextLine(s), 15);
}

TEST(CreditScroller, NoLineAdvancesWhileAnImageRises) {
    CCreditScroller s;
    while (s.lineIndex != 4)
        ASSERT_GT(TicksToNextLine(s), 0);
    const int heightBefore = s.lineHeight; // rows 2 and 3 are blank after a heading: 17
    ASSERT_GT(TicksToNextLine(s), 0);      // row 4: the separator image
    ASSERT_TRUE(s.showingImage);

    // The image rises one pixel per tick until all its rows are out, lines held back meanwhile.
    int ticks = 0;
    while (s.showingImage) {
        ASSERT_FALSE(Step(s));
        ASSERT_EQ(s.lineIndex, 5);
        ASSERT_LT(++ticks, 100);
    }
    EXPECT_EQ(ticks, kImageHeight);
    EXPECT_TRUE(s.currentLine.empty());
    EXPECT_EQ(s.lineHeight, heightBefore);
    // Then a gap of one line height before row 5.
    EXPECT_EQ(TicksToNextLine(s), heightBefore);
    EXPECT_EQ(s.lineIndex, 6);
}

TEST(CreditScroller, WrapsFromTheLastRowToTheFirst) {
    CCreditScroller s;
    std::vector<std::string> seen;
    for (int line = 0; line < 40; ++line) {
        ASSERT_GT(TicksToNextLine(s), 0);
        seen.push_back(s.currentLine);
    }
    EXPECT_EQ(seen[38], credits::kCreditLines[38]);
    EXPECT_EQ(seen[39], credits::kCreditLines[0]);
    EXPECT_EQ(s.lineIndex, 1);
}

TEST(CreditLines, RowStructureAndStyles) {
    const std::vector<int> headings{0, 1}, images{4, 12, 19, 24}, subHeadings{8, 14}, normal{10, 16, 21};
    auto in = [](const std::vector<int>& rows, int row) {
        for (int r : rows)
            if (r == row)
                return true;
        return false;
    };
    for (int row = 0; row < static_cast<int>(credits::kLineCount); ++row) {
        const std::string line = credits::kCreditLines[row];
        credits::LineStyle style = credits::StyleOf(line);
        SCOPED_TRACE(row);
        if (in(headings, row)) {
            EXPECT_EQ(line.back(), credits::kHeading);
            EXPECT_EQ(style.weight, 700);
            EXPECT_EQ(style.height, 17);
        } else if (in(images, row)) {
            EXPECT_EQ(style.kind, LineKind::Image);
            EXPECT_EQ(credits::VisibleText(line), "IDB_SEPARATOR");
        } else if (in(subHeadings, row)) {
            EXPECT_EQ(line.back(), credits::kSubHeading);
            EXPECT_EQ(style.weight, 700);
            EXPECT_EQ(style.height, 19);
        } else if (in(normal, row)) {
            EXPECT_EQ(line.back(), credits::kNormal);
            EXPECT_EQ(style.weight, 100);
            EXPECT_EQ(style.height, 15);
        } else {
            EXPECT_TRUE(line.empty());
        }
        // Web addresses of the credits stay under the reserved example domain.
        if (line.find("://") != std::string::npos) {
            EXPECT_NE(line.find(".example/"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(credits::StyleOf("large\n").height, 21);
    EXPECT_EQ(credits::StyleOf("x").weight, 100); // any other code is a normal line
    EXPECT_EQ(std::string(credits::kCreditLines[1]), std::string(credits::kMakerUrl) + "\t");
}
