// CBar, one bar of a statistics display with its peak, and CStatBar, the
// labelled pair of bars that every drive and cache bar builds on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "window.h"

class CBar : public tui::window {
public:
    // A one-row bar drawn in the frame's text attribute; range 100.
    CBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);

    // Fills peak and value as shares of the range.
    void paint() override;
    // The value that fills the whole bar; 0 is stored as 1.
    void SetRange(uint32_t value) { range_ = value == 0 ? 1 : value; }
    // The value; raises the peak when it exceeds it.
    void SetValue(uint32_t value);
    // Whether the peak is drawn.
    void ShowPeak(int flag) { showPeak_ = flag; }
    uint32_t Range() const { return range_; }
    uint32_t Value() const { return value_; }
    uint32_t Peak() const { return peak_; }
    int PeakShown() const { return showPeak_; }

private:
    uint32_t range_ = 100;
    uint32_t value_ = 0;
    uint32_t peak_ = 0;
    int showPeak_ = 1;
};

// Where a pair puts its bars: the column, the width left over, and the
// height from which the second bar exists.
struct StatBarLayout {
    int column;
    int widthLess;
    int secondFromHeight;
};

class CStatBar : public tui::window {
public:
    // Bars at column 21, width - 22; the second from three rows on.
    // `colors`: the five bytes of a statistics bar record.
    CStatBar(const tui::rect& area, const tui::frameSpec* frame, const uint8_t* colors, tui::window* parent);
    ~CStatBar() override;

    // Shows the pair, then both bars.
    int show() override;
    // Replaces the label.
    void SetLabel(const char* text) { label_ = text ? text : ""; }
    const char* Label() const { return label_.c_str(); }
    CBar* Bar1() const { return bar1_.get(); }
    CBar* Bar2() const { return bar2_.get(); }
    // The number of bars (1 or 2).
    int BarCount() const { return bar2_ ? 2 : 1; }
    // Binds the pair to its object and samples it; nothing here.
    virtual void Attach() {}
    // Takes a sample; nothing here.
    virtual void Sample() {}
    // Milliseconds of the last sample taken (as the model counts them).
    virtual uint32_t LastTime() const { return 0; }

protected:
    CStatBar(const tui::rect& area, const tui::frameSpec* frame, const uint8_t* colors, tui::window* parent,
             const StatBarLayout& layout);
    // Paints both bars (those that exist).
    void PaintBars();

    uint8_t colors_[5];  // label line 0, label line 1, name, bar 1, bar 2
    std::string label_;

private:
    std::unique_ptr<CBar> bar1_;
    std::unique_ptr<CBar> bar2_;
    tui::frameSpec barFrames_[2];
};
