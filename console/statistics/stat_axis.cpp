#include "stat_axis.h"

#include <algorithm>
#include <cstdio>

#include "dialog_screen.h"
#include "statistics_settings.h"

namespace {

constexpr int tickColumns = 5;
constexpr uint8_t tickFirst = 0xC3;
constexpr uint8_t tickFifth = 0xC5;
constexpr uint8_t tickOther = 0xC2;
constexpr uint8_t tickLine = 0xC4;

// Scale indexes whose labels carry a decimal.
bool WithDecimal(int index)
{
    return (index >= 2 && index <= 7) || index == 11;
}

}  // namespace

CStatAxis::CStatAxis(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : window(area, frame, parent),
      text_(statAxisHeader),
      scale_(StatSettings().scaleIndex),
      attr_(MonochromeFlag() ? 0x08 : 0x17)
{
}

void CStatAxis::paint()
{
    const uint32_t tick = ScaleValue(scale_);
    const char* unit = "KB/s";
    uint32_t divisor = 1;
    if (tick > 99999) {
        unit = "GB/s";
        divisor = 1000000;
    } else if (tick > 99) {
        unit = "MB/s";
        divisor = 1000;
    }
    const int width = cellsWidth();
    fill(0, 0, width, ' ', attr_);
    fill(0, 1, width, ' ', attr_);
    write(0, 1, text_, attr_);
    const int o = static_cast<int>(text_.size());
    const int n = (width - o) / tickColumns;
    int drawn = 0;
    for (int i = 0; i < n - 1; ++i, ++drawn) {
        const int x = o + tickColumns * i;
        const uint8_t mark = i == 0 ? tickFirst : i % 5 == 0 ? tickFifth : tickOther;
        fill(x + 1, 1, 1, mark, attr_);
        fill(x + 2, 1, tickColumns - 1, tickLine, attr_);
        const uint32_t value = static_cast<uint32_t>(i) * tick;
        char label[24];
        if (WithDecimal(scale_)) {
            std::snprintf(label, sizeof label, "%2u.%1u", value / divisor, (value % divisor) * 10 / divisor);
            write(std::max(x - 1, 0), 0, label, attr_);
        } else {
            std::snprintf(label, sizeof label, "%2u", value / divisor);
            write(x, 0, label, attr_);
        }
    }
    write(tickColumns * drawn + o - 1, 0, unit, attr_);
}

void CStatAxis::SetScale(int index)
{
    scale_ = index;
    StatSettings().scaleIndex = index;
    paint();
}
