// Frame descriptions and the 15 frame character sets.
#pragma once

#include <cstdint>

namespace tui {

// How a window is framed and filled; callers fill it, windows copy it.
struct frameSpec {
    int style = 0;  // 0 none, 1-15 a frame character set
    uint8_t frameAttr = 0x07;
    uint8_t fillAttr = 0x07;
    uint8_t textAttr = 0x07;
    uint8_t fillChar = ' ';
};

// Positions within a frame character set.
enum framePart { frameLeft, frameTopLeft, frameTop, frameTopRight, frameBottomLeft, frameBottom, frameBottomRight, frameRight };

constexpr int frameStyleCount = 15;

// Whether a style draws a frame.
constexpr bool hasFrame(int style)
{
    return style >= 1 && style <= frameStyleCount;
}

// The character of a frame part for a style (1-15); blank for no frame.
uint8_t frameChar(int style, framePart part);

}  // namespace tui
