// A one-line progress bar of block characters in its own window, with
// optional titles on its frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame_chars.h"
#include "geometry.h"
#include "window.h"

namespace tui {

// Looks of a gauge; the first five fields form the frame.
struct gaugeStyle {
    int frameStyle = 0;
    uint8_t frameAttr = 0x07;
    uint8_t fillAttr = 0x07;
    uint8_t textAttr = 0x07;
    uint8_t fillChar = ' ';
    int shadow = 0;     // 1: the window casts a shadow
    int barWidth = 10;  // cells

    frameSpec frame() const { return {frameStyle, frameAttr, fillAttr, textAttr, fillChar}; }
};

class gauge {
public:
    gauge(point position, const gaugeStyle* style, window* parent);
    ~gauge();
    gauge(const gauge&) = delete;
    gauge& operator=(const gauge&) = delete;

    // Stores range and titles; creates the window on the first call; 1 or 0.
    int open(int minimum, int maximum, const char* topTitle, const char* bottomTitle);
    // Stores the value, clamped to the range; no repaint.
    void setValue(int value);
    // The stored value.
    int value() const { return value_; }
    // Shows the window and paints the bar; the window's result.
    int show();
    // The window's hide, visibility and background saving.
    void hide();
    int isVisible() const;
    int saveBackground() const;
    int setSaveBackground(int flag);
    // Changes the frame and repaints.
    void setFrameStyle(int style);
    void setFrameAttr(uint8_t attr);
    // The frame as stored.
    int frameStyle() const { return style_.frameStyle; }
    uint8_t frameAttr() const { return style_.frameAttr; }
    // Moves the window inside its parent.
    void moveTo(int x, int y);
    // The position on the screen.
    point screenPosition() const;

private:
    // Draws bar and titles into the window.
    void paint();

    point position_;
    gaugeStyle style_;
    std::string bar_;
    std::unique_ptr<window> win_;
    window* parent_;
    int minimum_ = 0;
    int maximum_ = 0;
    int value_ = 0;
    const char* topTitle_ = nullptr;
    const char* bottomTitle_ = nullptr;
};

}  // namespace tui
