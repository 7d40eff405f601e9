// The one-line editor: insert and overwrite, word moves, and a mask
// character that hides the text (passwords).
#pragma once

#include <cstdint>

#include "geometry.h"
#include "key_codes.h"
#include "window.h"

namespace tui {

// Editor keys that arrive as ESC followed by another key.
constexpr int keyWordRight = keyBackspace + keyEscShift;  // 519
constexpr int keyWordLeft = 264 + keyEscShift;            // 520, only scripted keyboards send it
constexpr int keyClearField = keyF(1) + keyEscShift;      // 521
constexpr int keyDeleteWord = keyF(2) + keyEscShift;      // 522

// The insert mode that every editor shares: 1 insert, 0 overwrite (at start).
int editInsertMode();
// Sets the shared insert mode.
void setEditInsertMode(int mode);

class editLine {
public:
    // A field of `width` cells at `position` inside `win`.
    editLine(point position, uint8_t attr, uint8_t fillChar, int width, window* win);

    // Edits `buffer` (width + 1 bytes) from the cursor index; 1 when Enter
    // ended it, 0 for ESC. Trailing fill characters and blanks are removed.
    int edit(char* buffer, int cursor);
    // The key that ended the last edit.
    int lastKey() const { return lastKey_; }
    // The character shown for each character of the text (0: the text).
    void setMaskChar(uint8_t ch) { mask_ = ch; }
    uint8_t maskChar() const { return mask_; }
    // Cells of the field.
    int width() const { return width_; }

private:
    // Whether the cell holds the fill character or a blank.
    bool isDelimiter(int index) const;
    // Removes the cell at `index`; the rest moves left, fill enters at the end.
    void removeAt(int index, int count = 1);
    // Handles one key; true when the field or the cursor changed.
    bool handle(int key);
    // Draws the field and puts the terminal cursor at the cursor index.
    void draw();

    point position_;
    uint8_t attr_;
    uint8_t fill_;
    int width_;
    window* win_;
    char* buffer_ = nullptr;
    int cursor_ = 0;
    int lastKey_ = 0;
    uint8_t mask_ = 0;
};

}  // namespace tui
