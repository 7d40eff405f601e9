// CStatAxis: the scale axis of a drive statistics window, two rows: the tick
// labels with the unit, and the header text with the ticks.
#pragma once

#include <cstdint>
#include <string>

#include "window.h"

class CStatAxis : public tui::window {
public:
    // The axis takes the header text and the scale index of the settings.
    CStatAxis(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);

    // Draws the axis into the buffer.
    void paint() override;
    // Stores the index in the axis and as the current scale index, repaints.
    void SetScale(int index);
    // Replaces the header text.
    void SetText(const char* text) { text_ = text ? text : ""; }
    int Scale() const { return scale_; }
    const char* Text() const { return text_.c_str(); }
    uint8_t Attr() const { return attr_; }

private:
    std::string text_;
    int scale_;
    uint8_t attr_;
};
