// The credits scroller's state: which line rises through the panel and how far. The About box
// drives it with one Tick per timer message and the Paint* steps from its paint handler; it
// holds no window or drawing state, so its timing can be checked without a screen.
#pragma once
#include "CreditLines.h"

#include <string>

class CCreditScroller {
public:
    static constexpr int kInitialLineHeight = 15;

    // One timer tick: starts the next line when the current one has used up its height (never
    // while an image rises) and counts the pixel the panel scrolls. True when a line started.
    bool Tick();

    // Paint: the style of the current line; a text line sets the line height to its font's.
    credits::LineStyle PaintLineStyle();
    // Paint: the image of the current line was loaded and starts rising.
    void StartImage() { showingImage = true; }
    // Paint, after drawing an image: true when it has risen completely and the gap before the
    // next line begins.
    bool FinishImageIfRisen(int imageHeight);
    // The current line is dropped (its image cannot be shown); it is not tried again.
    void DropCurrentLine() { currentLine.clear(); }

    int lineIndex = 0;
    int lineTicks = 1;
    std::string currentLine;
    int lineHeight = kInitialLineHeight;
    int scrolled = 0;
    bool showingImage = false;
};
