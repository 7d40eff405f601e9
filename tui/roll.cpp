#include "roll.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tui {

namespace {
constexpr uint8_t arrowUp = 0x18;
constexpr uint8_t arrowDown = 0x19;
constexpr uint8_t marker = 0xFE;
}  // namespace

roll::roll(point position, const rollStyle* style, window* parent)
    : framedBox(position, style, parent)
{
    style_.width = std::max(1, style_.width);
    style_.visible = std::max(1, style_.visible);
}

int roll::open(int count, lineTextFunction lineText, const char* topTitle, const char* bottomTitle)
{
    return openWith(count, std::move(lineText), topTitle, bottomTitle, 0);
}

int roll::openWith(int count, lineTextFunction lineText, const char* topTitle, const char* bottomTitle, int extraRows)
{
    count_ = std::max(0, count);
    lineText_ = std::move(lineText);
    setTitles(topTitle, bottomTitle);
    current_ = -1;
    dirty_ = 1;
    return win_ || createWindow(style_.width, style_.visible + extraRows) ? 1 : 0;
}

int roll::showAt(int line)
{
    if (!win_)
        return 0;
    int result = win_->show();
    if (result) {
        setCurrent(line);
        paint();
    }
    return result;
}

void roll::setCurrent(int line)
{
    if (line >= count_)
        line = count_ - 1;
    if (line < 0)
        line = 0;
    if (line != current_)
        dirty_ = 1;
    current_ = line;
    if (current_ >= top_ + style_.visible)
        top_ = current_ - style_.visible + 1;
    if (current_ < top_)
        top_ = current_;
}

int roll::key(int code)
{
    const int visible = style_.visible;
    switch (code) {
    case keyEnter:
        return current_ == count_ ? -2 : current_;
    case keyEsc:
        return -1;
    case keyDown:
        setCurrent(current_ + 1);
        break;
    case keyUp:
        setCurrent(current_ - 1);
        break;
    case keyHome:
        setCurrent(top_);
        break;
    case keyEnd:
        setCurrent(top_ + visible - 1);
        break;
    case keyPageDown: {
        const int oldTop = top_;
        top_ = oldTop + 2 * visible >= count_ ? count_ - visible : oldTop + visible;
        top_ = std::max(top_, 0);
        dirty_ = 1;
        setCurrent(current_ + visible);
        break;
    }
    case keyPageUp:
        top_ = std::max(top_ - visible, 0);
        dirty_ = 1;
        setCurrent(current_ - visible);
        break;
    case keyEscUp:
    case keyEscRight:
        setCurrent(0);
        break;
    case keyEscLeft:
    case keyEscHome:
        setCurrent(count_ - 1);
        break;
    default:
        break;
    }
    return -2;
}

void roll::paintLines()
{
    const int f = frameInset();
    const int width = style_.width;
    const int visible = style_.visible;
    win_->clear(rect(f, f + firstRow_, width, visible));
    std::string line;
    for (int i = top_; i < std::min(count_, top_ + visible); ++i) {
        const char* text = lineText_ ? lineText_(i) : nullptr;
        line.assign(text ? text : "", text ? strnlen(text, width) : 0);
        line.resize(width, static_cast<char>(style_.fillChar));
        const bool selected = showSelection_ && i == current_;
        win_->write(f, f + firstRow_ + (i - top_), line, selected ? style_.selectedAttr : style_.textAttr);
    }
    if (!f)
        return;
    const int last = win_->cellsHeight() - 1;
    if (count_ == 0) {
        // An empty list shows its bare frame: no titles, no scroll markers.
        win_->fill(1, 0, width, frameChar(style_.frameStyle, frameTop), style_.frameAttr);
        win_->fill(1, last, width, frameChar(style_.frameStyle, frameBottom), style_.frameAttr);
        return;
    }
    paintTitles();
    auto markerChar = [&](bool more, uint8_t arrow, framePart side) {
        if (more)
            return arrow;
        return markerMode_ == 1 ? marker : frameChar(style_.frameStyle, side);
    };
    const uint8_t up = markerChar(top_ > 0, arrowUp, frameTop);
    const uint8_t down = markerChar(top_ + visible < count_, arrowDown, frameBottom);
    win_->fill(1, 0, 1, up, style_.frameAttr);
    win_->fill(1, last, 1, down, style_.frameAttr);
}

void roll::paint()
{
    if (dirty_ != 1 || !win_)
        return;
    const int wasAuto = win_->autoRefresh();
    win_->setAutoRefresh(0);
    paintLines();  // an empty list clears its area too
    win_->setAutoRefresh(wasAuto);
    dirty_ = 0;
}

void roll::repaint()
{
    dirty_ = 1;
    paint();
}

int roll::run(int start)
{
    if (!showAt(start))
        return -3;
    return keyLoop([this](int code) { return roll::key(code); });
}

void roll::setMarkerMode(int mode)
{
    markerMode_ = mode;
    dirty_ = 1;
}

void roll::moveTo(int x, int y)
{
    if (!win_)
        return;
    position_ = point(x, y);
    win_->moveTo(x, y);
}

}  // namespace tui
