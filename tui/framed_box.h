// What menus and scrolling lists share: their looks, a framed window (a
// shadowed one when asked) at a position inside a parent, titles centred in
// the frame, a current entry drawn in the selected attribute and a dirty flag
// that keeps painting cheap. The owner runs the key loop: paint, readKey, key.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "console.h"
#include "geometry.h"
#include "shad_window.h"
#include "window.h"

namespace tui {

// Looks shared by menus and lists; the first five fields form the frame.
struct boxStyle {
    int frameStyle = 4;
    uint8_t frameAttr = 0x07;
    uint8_t fillAttr = 0x07;
    uint8_t textAttr = 0x07;
    uint8_t fillChar = ' ';
    uint8_t selectedAttr = 0x70;
    int shadow = 0;  // 1: the window casts a shadow

    frameSpec frame() const { return {frameStyle, frameAttr, fillAttr, textAttr, fillChar}; }
};

// `Style` is boxStyle or a style derived from it.
template <class Style>
class framedBox {
public:
    virtual ~framedBox() = default;
    framedBox(const framedBox&) = delete;
    framedBox& operator=(const framedBox&) = delete;

    // Draws the entries when something changed.
    virtual void paint() = 0;
    // Hides the window; the next paint draws everything.
    void hide()
    {
        if (win_)
            win_->hide();
        dirty_ = 1;
    }
    int current() const { return current_; }
    // Whether the current entry is drawn in the selected attribute.
    void setShowSelection(int flag)
    {
        showSelection_ = flag;
        dirty_ = 1;
    }
    int showSelection() const { return showSelection_; }
    void setFrameStyle(int style)
    {
        style_.frameStyle = style;
        if (win_)
            win_->setFrameStyle(style);
        dirty_ = 1;
        paint();
    }
    void setFrameAttr(uint8_t attr)
    {
        style_.frameAttr = attr;
        if (win_)
            win_->setFrameAttr(attr);
        dirty_ = 1;
        paint();
    }
    int frameStyle() const { return style_.frameStyle; }
    uint8_t frameAttr() const { return style_.frameAttr; }
    point screenPosition() const { return parent_ ? position_ + parent_->screenPosition() : position_; }
    window* parent() const { return parent_; }
    int isVisible() const { return win_ && win_->isVisible(); }
    int saveBackground() const { return win_ ? win_->saveBackground() : 1; }
    int setSaveBackground(int flag) { return win_ ? win_->setSaveBackground(flag) : 0; }

protected:
    framedBox(point position, const Style* style, window* parent)
        : style_(style ? *style : Style{}), position_(position), parent_(parent)
    {
    }

    // 1 with a frame, else 0: where the entries start.
    int frameInset() const { return hasFrame(style_.frameStyle) ? 1 : 0; }
    // Creates the window at the position, with room for the frame around
    // the given inside; false when it cannot be allocated.
    bool createWindow(int insideWidth, int insideHeight)
    {
        const int border = 2 * frameInset();
        const rect area(position_, insideWidth + border, insideHeight + border);
        const frameSpec frame = style_.frame();
        win_.reset();
        try {
            if (style_.shadow)
                win_ = std::make_unique<shadWindow>(area, &frame, parent_);
            else
                win_ = std::make_unique<window>(area, &frame, parent_);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    // Keeps copies of the titles (null: none).
    void setTitles(const char* top, const char* bottom)
    {
        topTitle_ = top ? top : "";
        bottomTitle_ = bottom ? bottom : "";
    }
    // The titles centred on the frame's top and bottom rows.
    void paintTitles()
    {
        if (!frameInset())
            return;
        win_->writeCentered(0, topTitle_, style_.frameAttr);
        win_->writeCentered(win_->cellsHeight() - 1, bottomTitle_, style_.frameAttr);
    }
    // Paints, reads a key and hands it to `key` until it decides something
    // other than -2; paints once more and returns the decision.
    template <class Key>
    int keyLoop(Key key)
    {
        for (;;) {
            paint();
            const int result = key(readKey());
            if (result != -2) {
                paint();
                return result;
            }
        }
    }

    Style style_;
    point position_;
    std::unique_ptr<window> win_;
    window* parent_;
    int current_ = -1;
    int dirty_ = 1;
    std::string topTitle_;
    std::string bottomTitle_;
    int showSelection_ = 1;
};

}  // namespace tui
