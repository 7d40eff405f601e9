// The message box: one at a time, centred in its parent (or the screen),
// several lines, closed by one of a list of keys.
#pragma once

#include <cstdint>

#include "frame_chars.h"
#include "window.h"

namespace tui {

// Looks of a message box; the first five fields form the frame.
struct msgBoxStyle {
    int frameStyle = 4;
    uint8_t frameAttr = 0x07;
    uint8_t fillAttr = 0x07;
    uint8_t textAttr = 0x07;
    uint8_t fillChar = ' ';
    int shadow = 0;   // 1: the box casts a shadow
    int centred = 0;  // 1: every line centred, else left-aligned

    frameSpec frame() const { return {frameStyle, frameAttr, fillAttr, textAttr, fillChar}; }
};

// Opens a box with the text (lines split at '\n'); 1, or 0 when it cannot
// be shown. A box already open is closed instead and 0 returned.
int msgBoxOpen(const char* text, const msgBoxStyle* style, window* parent);
// Closes the open box, giving back what it covered.
void msgBoxClose();
// Whether a box is open.
int msgBoxIsOpen();
// Opens a box, reads keys until one of `keys` (ended by 0; null or empty:
// any key), closes it and returns the key; -1 when it could not be opened.
int msgBoxWait(const char* text, const msgBoxStyle* style, const int* keys, window* parent);

}  // namespace tui
