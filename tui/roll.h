// A scrolling list over a window: it asks a callback for the text of each
// line it paints, keeps a current line and marks in its frame whether more
// lines lie above or below. The caller runs the key loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "geometry.h"
#include "window.h"

namespace tui {

// Looks and size of a list; the first five fields form the window's frame.
struct rollStyle {
    int frameStyle = 4;
    uint8_t frameAttr = 0x07;
    uint8_t fillAttr = 0x07;
    uint8_t textAttr = 0x07;
    uint8_t fillChar = ' ';
    uint8_t selectedAttr = 0x70;
    int shadow = 0;   // 1: the window casts a shadow
    int width = 20;   // characters per line
    int visible = 10; // lines shown at once
};

// The text of line `index`; null shows an empty line.
using lineTextFunction = std::function<const char*(int index)>;

class roll {
public:
    roll(point position, const rollStyle* style, window* parent);
    virtual ~roll();
    roll(const roll&) = delete;
    roll& operator=(const roll&) = delete;

    // Sets the lines; creates the window on the first call; 1 or 0.
    int open(int count, lineTextFunction lineText, const char* topTitle, const char* bottomTitle);
    // Shows the window with the line current; the window's result.
    int showAt(int line);
    // Shows at the current line.
    int show() { return showAt(current_); }
    // Hides the window.
    void hide();
    // Makes a line current, scrolling it into view.
    void setCurrent(int line);
    // Interprets a key: the current line on Enter, -1 for ESC, else -2.
    int key(int code);
    // Repaints the lines when something changed.
    virtual void paint();
    // Repaints in any case.
    void repaint();
    // Shows and runs the key loop until a decision.
    int run(int start);
    int current() const { return current_; }
    int top() const { return top_; }
    int count() const { return count_; }
    void setShowSelection(int flag);
    int showSelection() const { return showSelection_; }
    // 0: a marker vanishes into the frame; 1: it shows as a small square.
    void setMarkerMode(int mode);
    int markerMode() const { return markerMode_; }
    void setFrameStyle(int style);
    void setFrameAttr(uint8_t attr);
    int frameStyle() const { return style_.frameStyle; }
    uint8_t frameAttr() const { return style_.frameAttr; }
    void moveTo(int x, int y);
    void moveTo(point p) { moveTo(p.x(), p.y()); }
    point screenPosition() const;
    int isVisible() const { return win_ && win_->isVisible(); }
    int saveBackground() const { return win_ ? win_->saveBackground() : 1; }
    int setSaveBackground(int flag) { return win_ ? win_->setSaveBackground(flag) : 0; }

protected:
    // open with `extraRows` rows above the lines (head lines).
    int openWith(int count, lineTextFunction lineText, const char* topTitle, const char* bottomTitle, int extraRows);
    // Paints lines, titles and markers.
    void paintLines();
    int frameInset() const { return hasFrame(style_.frameStyle) ? 1 : 0; }

    rollStyle style_;
    point position_;
    std::unique_ptr<window> win_;
    window* parent_;
    lineTextFunction lineText_;
    int count_ = 0;
    int top_ = 0;
    int current_ = -1;
    int dirty_ = 1;
    std::string topTitle_;
    std::string bottomTitle_;
    int firstRow_ = 0;
    int showSelection_ = 1;
    int markerMode_ = 0;
};

}  // namespace tui
