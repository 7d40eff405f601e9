#include "stat_bar.h"

#include <algorithm>

namespace {

constexpr uint8_t peakChar = 0xB1;
constexpr uint8_t valueChar = 0xDB;
constexpr StatBarLayout pairLayout = {21, 22, 3};

// Cells of `width` that `value` takes of `range`, at most all of them.
int Cells(int width, uint32_t value, uint32_t range)
{
    const uint64_t cells = static_cast<uint64_t>(width) * value / range;
    return static_cast<int>(std::min<uint64_t>(cells, static_cast<uint64_t>(width)));
}

}  // namespace

CBar::CBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent) : window(area, frame, parent) {}

void CBar::SetValue(uint32_t value)
{
    value_ = value;
    peak_ = std::max(peak_, value);
}

void CBar::paint()
{
    const int width = cellsWidth();
    const uint8_t attr = frame().textAttr;
    const int autoRefresh = window::autoRefresh();
    setAutoRefresh(0);
    fill(0, 0, width, ' ', attr);
    if (showPeak_)
        fill(0, 0, Cells(width, peak_, range_), peakChar, attr);
    fill(0, 0, Cells(width, value_, range_), valueChar, attr);
    setAutoRefresh(autoRefresh);
}

CStatBar::CStatBar(const tui::rect& area, const tui::frameSpec* frame, const uint8_t* colors, tui::window* parent)
    : CStatBar(area, frame, colors, parent, pairLayout)
{
}

CStatBar::CStatBar(const tui::rect& area, const tui::frameSpec* frame, const uint8_t* colors, tui::window* parent,
                   const StatBarLayout& layout)
    : window(area, frame, parent)
{
    std::copy_n(colors, 5, colors_);
    const int barWidth = std::max(1, area.width() - layout.widthLess);
    for (int k = 0; k < 2; ++k)
        barFrames_[k] = {0, colors_[3 + k], colors_[3 + k], colors_[3 + k], ' '};
    bar1_ = std::make_unique<CBar>(tui::rect(layout.column, 0, barWidth, 1), &barFrames_[0], this);
    if (area.height() >= layout.secondFromHeight)
        bar2_ = std::make_unique<CBar>(tui::rect(layout.column, 1, barWidth, 1), &barFrames_[1], this);
}

CStatBar::~CStatBar() = default;

int CStatBar::show()
{
    const int shown = window::show();
    bar1_->show();
    if (bar2_)
        bar2_->show();
    return shown;
}

void CStatBar::PaintBars()
{
    bar1_->paint();
    if (bar2_)
        bar2_->paint();
}
