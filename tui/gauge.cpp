#include "gauge.h"

#include <algorithm>
#include <new>

#include "shad_window.h"

namespace tui {

namespace {
constexpr char fullBlock = '\xDB';
constexpr char halfBlock = '\xDD';
}  // namespace

gauge::gauge(point position, const gaugeStyle* style, window* parent)
    : position_(position), style_(style ? *style : gaugeStyle{}), parent_(parent)
{
    style_.barWidth = std::max(0, style_.barWidth);
}

gauge::~gauge() = default;

int gauge::open(int minimum, int maximum, const char* topTitle, const char* bottomTitle)
{
    minimum_ = minimum;
    maximum_ = maximum;
    topTitle_ = topTitle;
    bottomTitle_ = bottomTitle;
    if (win_)
        return 1;
    const bool framed = hasFrame(style_.frameStyle);
    const rect area(position_, style_.barWidth + (framed ? 2 : 0), framed ? 3 : 1);
    const frameSpec frame = style_.frame();
    try {
        bar_.reserve(static_cast<size_t>(style_.barWidth) + 1);
        if (style_.shadow == 1)
            win_ = std::make_unique<shadWindow>(area, &frame, parent_);
        else
            win_ = std::make_unique<window>(area, &frame, parent_);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void gauge::setValue(int value)
{
    value_ = std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
}

void gauge::paint()
{
    if (!win_)
        return;
    const int width = style_.barWidth;
    const long long span = static_cast<long long>(maximum_) - minimum_;
    // An empty range or bar has nothing to fill.
    const long long halves =
        span == 0 || width == 0 ? 0 : (static_cast<long long>(value_) - minimum_) * width * 2 / span;
    const int n = static_cast<int>(std::clamp(halves, 0LL, 2LL * width));
    bar_.assign(static_cast<size_t>(n / 2), fullBlock);
    if (n % 2)
        bar_ += halfBlock;

    const int wasAuto = win_->autoRefresh();
    win_->setAutoRefresh(0);
    const int f = hasFrame(style_.frameStyle) ? 1 : 0;
    win_->clear(rect(f, f, width, 1));
    win_->write(f, f, bar_, style_.textAttr);
    if (f) {
        win_->writeCentered(0, topTitle_ ? topTitle_ : "", style_.frameAttr);
        win_->writeCentered(win_->cellsHeight() - 1, bottomTitle_ ? bottomTitle_ : "", style_.frameAttr);
    }
    win_->setAutoRefresh(wasAuto);
}

int gauge::show()
{
    if (!win_)
        return 0;
    const int result = win_->show();
    if (result)
        paint();
    return result;
}

void gauge::hide()
{
    if (win_)
        win_->hide();
}

int gauge::isVisible() const
{
    return win_ ? win_->isVisible() : 0;
}

int gauge::saveBackground() const
{
    return win_ ? win_->saveBackground() : 1;
}

int gauge::setSaveBackground(int flag)
{
    return win_ ? win_->setSaveBackground(flag) : 0;
}

void gauge::setFrameStyle(int style)
{
    style_.frameStyle = style;
    if (win_)
        win_->setFrameStyle(style);
    paint();
}

void gauge::setFrameAttr(uint8_t attr)
{
    style_.frameAttr = attr;
    if (win_)
        win_->setFrameAttr(attr);
    paint();
}

void gauge::moveTo(int x, int y)
{
    position_ = point(x, y);
    if (win_)
        win_->moveTo(x, y);
}

point gauge::screenPosition() const
{
    return parent_ ? position_ + parent_->screenPosition() : position_;
}

}  // namespace tui
