// The colour pairs defined so far, keyed by the colour bits of an attribute.
#pragma once

#include <cstdint>

namespace tui {

constexpr int colorPairCount = 64;

// PC colour (0-7) to curses colour number.
int pcToCursesColor(int pcColor);

// Clears the table: pair 0 stands for 0x07, light grey on black.
void resetColorPairs();

// The pair for an attribute's colours, defining a new one when there is
// room; pair 0 when all 64 are taken.
int colorPairFor(uint8_t attr);

// The attribute key of a pair; entry 0's for an unknown pair.
uint8_t pairAttribute(int pair);

}  // namespace tui
