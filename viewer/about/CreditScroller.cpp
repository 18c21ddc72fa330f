#include "CreditScroller.h"

bool CCreditScroller::Tick() {
    bool started = false;
    if (!showingImage) {
        int counted = lineTicks++;
        if (counted % lineHeight == 0) {
            lineTicks = 1;
            currentLine = credits::kCreditLines[lineIndex];
            if (++lineIndex >= static_cast<int>(credits::kLineCount))
                lineIndex = 0; // the credits repeat forever
            scrolled = 0;
            started = true;
        }
    }
    ++scrolled;
    return started;
}

credits::LineStyle CCreditScroller::PaintLineStyle() {
    credits::LineStyle style = credits::StyleOf(currentLine);
    if (style.kind == credits::LineKind::Text)
        lineHeight = style.height;
    return style;
}

bool CCreditScroller::FinishImageIfRisen(int imageHeight) {
    if (scrolled <= imageHeight)
        return false;
    showingImage = false;
    scrolled = 0;
    currentLine.clear();
    lineTicks = 1;
    return true;
}
