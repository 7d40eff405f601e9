// A vertical menu of fixed-width items in a framed window, with a current
// item, hot keys ('&' marks one) and separator lines. The caller runs the
// key loop: paint, readKey, key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framed_box.h"

namespace tui {

// Looks of a menu.
struct menuStyle : boxStyle {
    uint8_t hotKeyAttr = 0x0F;
    uint8_t disabledAttr = 0x08;  // read by tagMenu only
};

// Results of key and run besides an item.
constexpr int menuEscape = -1;
constexpr int menuUndecided = -2;
constexpr int menuShowFailed = -3;
constexpr int menuNothingSelectable = -4;

class menu : public framedBox<menuStyle> {
public:
    menu(point position, const menuStyle* style, window* parent);

    // Builds items from a null-terminated list of texts; 1 or 0.
    int create(const char* const* items, const char* topTitle, const char* bottomTitle);
    // Shows the window and selects from `start` forward; the window's result.
    int show(int start);
    // Repaints the items when something changed.
    void paint() override;
    // Makes the next shown, selectable item from `index` current, stepping
    // forward (direction 1) or backward; current + 1, or 0 when none.
    int select(int index, int direction);
    // Interprets a key: an item index, -1 for ESC, -2 when undecided.
    int key(int code);
    // Shows and runs the key loop until a decision.
    int run(int start);
    void moveTo(int x, int y);
    void moveTo(point p) { moveTo(p.x(), p.y()); }
    point position() const { return position_; }
    // The window's size, shadow included.
    point size() const;
    // Columns taken by frame and shadow.
    int borderSize() const { return hasFrame(style_.frameStyle) ? 4 : 2; }

    int count() const { return static_cast<int>(items_.size()); }
    // The item's text without '&' markers, filled to the text width.
    const std::string& itemText(int index) const { return items_[index].text; }
    // Index in the item record of the hot key (1 for the first character); 0 for none.
    int hotKeyIndex(int index) const { return items_[index].hotKey; }
    bool isSeparator(int index) const { return items_[index].separator; }
    // Longest item text + 2.
    int recordWidth() const { return textWidth_ + 2; }

protected:
    virtual uint8_t itemAttribute(int index) const;
    virtual int isSelectable(int index) const;
    virtual int isShown(int index) const;

    struct item {
        std::string text;
        int hotKey = 0;
        bool separator = false;
    };

    std::vector<item> items_;
    int textWidth_ = 0;
};

}  // namespace tui
