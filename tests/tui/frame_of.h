// The frame the window tests draw: a style and fill over the test colours.
#pragma once

#include "frame_chars.h"

#include <cstdint>

namespace tui::testing {

// A frame of `style` filled with `fillChar` in `fillAttr`.
inline frameSpec frameOf(int style, uint8_t fillChar = '.', uint8_t fillAttr = 0x17)
{
    frameSpec f;
    f.style = style;
    f.frameAttr = 0x1E;
    f.fillAttr = fillAttr;
    f.textAttr = 0x1F;
    f.fillChar = fillChar;
    return f;
}

}  // namespace tui::testing
