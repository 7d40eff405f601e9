// A rectangle of cells with its own buffer, an optional frame and a store
// for what it covers. A window with a parent draws into the parent's
// buffer; only a parentless window reaches the screen. Everything is
// clipped to the parent and the screen.
#pragma once

#include <string_view>
#include <vector>

#include "cell.h"
#include "cell_grid.h"
#include "frame_chars.h"
#include "geometry.h"

namespace tui {

class window : public rect {
public:
    // Origin relative to the parent's buffer (or the screen); sizes are at
    // least 1. `schemes` (of `schemeCount` entries) may be null.
    window(const rect& area, const frameSpec* frame, window* parent = nullptr,
           const frameSpec* schemes = nullptr, int schemeCount = 0);
    ~window() override;
    window(const window&) = delete;
    window& operator=(const window&) = delete;

    // Draws the frame into the buffer.
    virtual void drawFrame();
    // Shows the window, saving what it covers first; 1 on success.
    virtual int show();
    // Restores what it covered (when saved) and makes it invisible.
    virtual void hide();
    // Whether showing saves the covered cells; 1.
    virtual int setSaveBackground(int flag);
    // Changes the size, keeping the contents inside a redrawn frame; 1.
    virtual int resize(int width, int height);
    // Takes entry `index` of the scheme table; 0 without such an entry.
    virtual int setScheme(int index);
    // Derived windows draw their contents here.
    virtual void paint() {}

    // Hands the buffer to the parent or the screen when visible and allowed.
    void refresh();
    // Resizes to the point's x and y.
    int resizeTo(point size) { return resize(size.x(), size.y()); }
    // Resizes by a difference.
    int grow(int dw, int dh) { return resize(width_ + dw, height_ + dh); }
    int schemeIndex() const { return schemeIndex_; }
    // Stores the flag; turning it on flushes the window.
    void setAutoRefresh(int flag);
    int isVisible() const { return visible_; }
    int saveBackground() const { return saveBackground_; }
    int autoRefresh() const { return autoRefresh_; }
    int frameStyle() const { return frame_.style; }
    uint8_t frameAttr() const { return frame_.frameAttr; }
    const frameSpec& frame() const { return frame_; }
    // Changes the frame style and redraws the frame.
    void setFrameStyle(int style);
    // Changes the frame attribute and redraws the frame.
    void setFrameAttr(uint8_t attr);
    // Buffer size, without a shadow.
    int cellsWidth() const { return width_; }
    int cellsHeight() const { return height_; }

    // Writes a text in the text attribute.
    void writeText(int x, int y, std::string_view text) { write(x, y, text, frame_.textAttr); }
    // Writes a text, cut at the window's edges.
    void write(int x, int y, std::string_view text, uint8_t attr);
    void write(point p, std::string_view text, uint8_t attr) { write(p.x(), p.y(), text, attr); }
    // Writes a text centred in the row, in the text attribute.
    void writeCenteredText(int y, std::string_view text) { writeCentered(y, text, frame_.textAttr); }
    // Writes a text centred in the row.
    void writeCentered(int y, std::string_view text, uint8_t attr);
    // Sets `count` cells of a row from x, cut at the edges.
    void fill(int x, int y, int count, uint8_t ch, uint8_t attr);
    // Sets the cells of the rectangle (cut to the window) to the fill.
    void clear(const rect& area);
    // Moves the rows of the rectangle up by n and clears the last n.
    void scrollUp(const rect& area, int n);
    // Moves the rows of the rectangle down by n and clears the first n.
    void scrollDown(const rect& area, int n);
    // The origin on the screen.
    point screenPosition() const;
    // Moves the window; 0 when not visible, else the result of show.
    int moveTo(int x, int y);
    int moveTo(point p) { return moveTo(p.x(), p.y()); }
    // The cell at (x, y) of the buffer; a blank outside.
    cell cellAt(int x, int y) const;
    window* parent() const { return parent_; }

protected:
    // Creates, fills and frames the buffer on first use; false on failure.
    bool ensureBuffer();
    // Stores the cells under the area, from the parent or the screen.
    void saveArea(const rect& area);
    // Gives the saved cells back.
    void restoreArea();
    // Copies cells into the parent (or the screen) without refreshing it.
    void putArea(const rect& area, const cell* cells);
    // Lets the parent pass its buffer on after putArea.
    void flushParent();
    // Reads cells from the parent (or the screen).
    void getArea(const rect& area, cell* cells);
    cellGrid grid() { return {cells_.data(), width_, height_}; }
    // Draws the frame characters into the existing buffer.
    void drawFrameCells();
    // Fills the buffer with the fill character and attribute.
    void fillBuffer();
    // The rectangle cut to the buffer.
    rect clipToBuffer(const rect& area) const;

    frameSpec frame_;
    std::vector<cell> cells_;
    std::vector<cell> store_;
    rect storedArea_;
    bool stored_ = false;
    int visible_ = 0;
    int saveBackground_ = 1;
    int autoRefresh_ = 1;
    window* parent_;
    const frameSpec* schemes_;
    int schemeCount_;
    int schemeIndex_ = 0;
};

}  // namespace tui
