// A framed one-line input: a prompt, an edit field and a title.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "edit_line.h"
#include "frame_chars.h"
#include "geometry.h"
#include "window.h"

namespace tui {

// Looks of a prompt box; its text attribute and fill character also serve
// the edit field.
struct promptStyle {
    int frameStyle = 4;
    uint8_t frameAttr = 0x07;
    uint8_t fillAttr = 0x07;
    uint8_t textAttr = 0x07;
    uint8_t fillChar = ' ';
    uint8_t promptAttr = 0x07;
    int shadow = 0;  // 1: the box casts a shadow

    frameSpec frame() const { return {frameStyle, frameAttr, fillAttr, textAttr, fillChar}; }
};

class promptBox {
public:
    promptBox(point position, const promptStyle* style, window* parent);
    ~promptBox();
    promptBox(const promptBox&) = delete;
    promptBox& operator=(const promptBox&) = delete;

    // Builds window and editor for a text of at most `maximum` characters
    // after the prompt (null: none); 1 or 0.
    int create(int maximum, const char* prompt);
    // Shows the box with the text in the field and the title (null: none)
    // on the frame; the window's result.
    int show(const char* text, const char* title);
    // Shows, then edits from the cursor index. Only Enter copies the result
    // into `text` (cut to its size, always NUL-terminated).
    int edit(std::span<char> text, int cursor, const char* title);
    // The key that ended the last edit: 13 or 27 (0 before any).
    int lastKey() const { return editor_ ? editor_->lastKey() : 0; }
    // The editor's mask character (0 shows the text).
    void setMaskChar(uint8_t ch);
    // The editor's mask character; 0xFF without an editor.
    uint8_t maskChar() const { return editor_ ? editor_->maskChar() : 0xFF; }
    // Columns taken by frame and shadow.
    int borderSize() const { return style_.shadow == 1 ? 3 : 2; }

    // As for menus, on the box's window.
    window* parent() const { return parent_; }
    void moveTo(int x, int y);
    point screenPosition() const;
    void hide();
    int isVisible() const;
    int saveBackground() const;
    int setSaveBackground(int flag);
    void setFrameStyle(int style);
    void setFrameAttr(uint8_t attr);
    int frameStyle() const { return style_.frameStyle; }
    uint8_t frameAttr() const { return style_.frameAttr; }

private:
    point position_;
    point field_;
    promptStyle style_;
    std::unique_ptr<window> win_;
    window* parent_;
    std::unique_ptr<editLine> editor_;
    std::string prompt_;
    std::string text_;
    int maximum_ = 0;
};

}  // namespace tui
