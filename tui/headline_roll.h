// A scrolling list with fixed head lines (column headings) above its lines.
#pragma once

#include <string>
#include <vector>

#include "roll.h"

namespace tui {

struct headlineRollStyle : rollStyle {
    int headCount = 0;
    int headAttr = 0x07;  // low byte used
    int headMode = 0;     // 1: centred, else left-aligned
};

class headlineRoll : public roll {
public:
    headlineRoll(point position, const headlineRollStyle* style, window* parent);

    // Sets lines and head lines (copied; a null entry ends them); 1 or 0.
    int open(int count, lineTextFunction lineText, const char* const* headLines, const char* topTitle,
             const char* bottomTitle);
    // Paints the lines and the head lines when something changed.
    void paint() override;

private:
    int headCount_;
    uint8_t headAttr_;
    int headMode_;
    std::vector<std::string> heads_;
};

}  // namespace tui
