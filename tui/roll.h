// A scrolling list over a window: it asks a callback for the text of each
// line it paints, keeps a current line and marks in its frame whether more
// lines lie above or below. The caller runs the key loop.
#pragma once

#include <cstdint>
#include <functional>

#include "framed_box.h"

namespace tui {

// Looks and size of a list.
struct rollStyle : boxStyle {
    int width = 20;   // characters per line
    int visible = 10; // lines shown at once
};

// The text of line `index`; null shows an empty line.
using lineTextFunction = std::function<const char*(int index)>;

class roll : public framedBox<rollStyle> {
public:
    roll(point position, const rollStyle* style, window* parent);

    // Sets the lines; creates the window on the first call; 1 or 0.
    int open(int count, lineTextFunction lineText, const char* topTitle, const char* bottomTitle);
    // Shows the window with the line current; the window's result.
    int showAt(int line);
    // Shows at the current line.
    int show() { return showAt(current_); }
    // Makes a line current, scrolling it into view.
    void setCurrent(int line);
    // Interprets a key: the current line on Enter, -1 for ESC, else -2.
    int key(int code);
    // Repaints the lines when something changed.
    void paint() override;
    // Repaints in any case.
    void repaint();
    // Shows and runs the key loop until a decision.
    int run(int start);
    int top() const { return top_; }
    int count() const { return count_; }
    // 0: a marker vanishes into the frame; 1: it shows as a small square.
    void setMarkerMode(int mode);
    int markerMode() const { return markerMode_; }
    // Stores the position and moves the window; only after open.
    void moveTo(int x, int y);
    void moveTo(point p) { moveTo(p.x(), p.y()); }

protected:
    // open with `extraRows` rows above the lines (head lines).
    int openWith(int count, lineTextFunction lineText, const char* topTitle, const char* bottomTitle, int extraRows);
    // Paints lines, titles and markers.
    void paintLines();

    lineTextFunction lineText_;
    int count_ = 0;
    int top_ = 0;
    int firstRow_ = 0;
    int markerMode_ = 0;
};

}  // namespace tui
