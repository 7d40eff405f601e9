#include "window.h"

#include <algorithm>
#include <new>

#include "console.h"

namespace tui {

window::window(const rect& area, const frameSpec* frame, window* parent, const frameSpec* schemes, int schemeCount)
    : rect(area.x(), area.y(), std::max(1, area.width()), std::max(1, area.height())),
      frame_(frame ? *frame : frameSpec{}),
      parent_(parent),
      schemes_(schemeCount > 0 ? schemes : nullptr),
      schemeCount_(schemes ? std::max(0, schemeCount) : 0)
{
}

window::~window()
{
    if (visible_)
        window::hide();
}

bool window::ensureBuffer()
{
    if (!cells_.empty())
        return true;
    try {
        cells_.resize(static_cast<size_t>(width_) * height_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    fillBuffer();
    drawFrameCells();
    return true;
}

void window::fillBuffer()
{
    std::fill(cells_.begin(), cells_.end(), cell{frame_.fillChar, frame_.fillAttr});
}

void window::drawFrameCells()
{
    const int style = frame_.style;
    if (!hasFrame(style) || cells_.empty())
        return;
    const uint8_t a = frame_.frameAttr;
    auto at = [&](int x, int y) -> cell& { return cells_[y * width_ + x]; };
    for (int x = 0; x < width_; ++x) {
        at(x, 0) = {frameChar(style, frameTop), a};
        at(x, height_ - 1) = {frameChar(style, frameBottom), a};
    }
    for (int y = 0; y + 1 < height_; ++y) {
        at(width_ - 1, y) = {frameChar(style, frameRight), a};
        at(0, y + 1) = {frameChar(style, frameLeft), a};
    }
    at(0, 0).ch = frameChar(style, frameTopLeft);
    at(width_ - 1, 0).ch = frameChar(style, frameTopRight);
    at(0, height_ - 1).ch = frameChar(style, frameBottomLeft);
    at(width_ - 1, height_ - 1).ch = frameChar(style, frameBottomRight);
}

void window::drawFrame()
{
    if (ensureBuffer())
        drawFrameCells();
}

void window::putArea(const rect& area, const cell* cells)
{
    if (parent_) {
        if (parent_->ensureBuffer())
            blitCells(parent_->grid(), area, cells);
    } else {
        writeCells(area, cells);
    }
}

void window::flushParent()
{
    if (parent_)
        parent_->refresh();
}

void window::getArea(const rect& area, cell* cells)
{
    if (parent_) {
        if (parent_->ensureBuffer())
            grabCells(parent_->grid(), area, cells);
    } else {
        readCells(area, cells);
    }
}

void window::saveArea(const rect& area)
{
    try {
        store_.assign(static_cast<size_t>(area.width()) * area.height(), cell{});
    } catch (const std::bad_alloc&) {
        stored_ = false;
        return;
    }
    getArea(area, store_.data());
    storedArea_ = area;
    stored_ = true;
}

void window::restoreArea()
{
    if (!stored_)
        return;
    putArea(storedArea_, store_.data());
    flushParent();
}

void window::refresh()
{
    if (!visible_ || !autoRefresh_ || cells_.empty())
        return;
    putArea(rect(x_, y_, width_, height_), cells_.data());
    flushParent();
}

int window::show()
{
    if (!ensureBuffer())
        return 0;
    if (saveBackground_ && !visible_)
        saveArea(rect(x_, y_, width_, height_));
    visible_ = 1;
    refresh();
    return 1;
}

void window::hide()
{
    if (visible_ && saveBackground_)
        restoreArea();
    visible_ = 0;
}

int window::setSaveBackground(int flag)
{
    if (!flag) {
        store_.clear();
        store_.shrink_to_fit();
        stored_ = false;
    }
    saveBackground_ = flag ? 1 : 0;
    return 1;
}

int window::resize(int width, int height)
{
    width = std::max(1, width);
    height = std::max(1, height);
    if (cells_.empty()) {
        width_ = width;
        height_ = height;
        return 1;
    }
    std::vector<cell> fresh;
    try {
        fresh.resize(static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const bool wasVisible = visible_;
    const int oldFlag = saveBackground_;
    hide();
    setSaveBackground(0);

    std::vector<cell> old = std::move(cells_);
    const int oldWidth = width_;
    const int oldHeight = height_;
    cells_ = std::move(fresh);
    width_ = width;
    height_ = height;
    fillBuffer();
    // Keep the old contents inside the frame; the frame is drawn whole anew.
    const int inset = hasFrame(frame_.style) ? 1 : 0;
    const int rows = std::min(oldHeight, height_) - inset;
    const int cols = std::min(oldWidth, width_) - inset;
    for (int y = inset; y < rows; ++y)
        for (int x = inset; x < cols; ++x)
            cells_[y * width_ + x] = old[y * oldWidth + x];
    drawFrameCells();

    if (setSaveBackground(oldFlag) && wasVisible)
        return show();
    return 1;
}

int window::setScheme(int index)
{
    if (!schemes_ || index < 0 || index >= schemeCount_)
        return 0;
    frame_ = schemes_[index];
    schemeIndex_ = index;
    if (!ensureBuffer())
        return 0;
    for (cell& c : cells_)
        c.attr = frame_.fillAttr;
    drawFrameCells();
    refresh();
    return 1;
}

void window::setAutoRefresh(int flag)
{
    autoRefresh_ = flag;
    if (!cells_.empty())
        refresh();
}

void window::setFrameStyle(int style)
{
    frame_.style = style;
    drawFrame();
    refresh();
}

void window::setFrameAttr(uint8_t attr)
{
    frame_.frameAttr = attr;
    drawFrame();
    refresh();
}

void window::write(int x, int y, std::string_view text, uint8_t attr)
{
    const int length = static_cast<int>(text.size());
    if (y < 0 || y >= height_ || x >= width_ || x + length < 0)
        return;
    if (!ensureBuffer())
        return;
    size_t from = 0;
    if (x < 0) {
        from = static_cast<size_t>(-x);
        x = 0;
    }
    for (size_t i = from; i < text.size() && x < width_; ++i, ++x)
        cells_[y * width_ + x] = {static_cast<uint8_t>(text[i]), attr};
    refresh();
}

void window::writeCentered(int y, std::string_view text, uint8_t attr)
{
    write((width_ - static_cast<int>(text.size())) / 2, y, text, attr);
}

void window::fill(int x, int y, int count, uint8_t ch, uint8_t attr)
{
    if (y < 0 || y >= height_ || x >= width_ || x + count < 0)
        return;
    if (!ensureBuffer())
        return;
    if (x < 0) {
        count += x;
        x = 0;
    }
    count = std::min(count, width_ - x);
    for (int i = 0; i < count; ++i)
        cells_[y * width_ + x + i] = {ch, attr};
    refresh();
}

rect window::clipToBuffer(const rect& area) const
{
    return rect(0, 0, width_, height_).intersection(area);
}

void window::clear(const rect& area)
{
    if (!ensureBuffer())
        return;
    rect r = clipToBuffer(area);
    for (int y = r.y(); y < r.y() + r.height(); ++y)
        for (int x = r.x(); x < r.x() + r.width(); ++x)
            cells_[y * width_ + x] = {frame_.fillChar, frame_.fillAttr};
    refresh();
}

void window::scrollUp(const rect& area, int n)
{
    if (!ensureBuffer())
        return;
    rect r = clipToBuffer(area);
    if (r.width() <= 0 || r.height() <= 0 || n <= 0)
        return;
    n = std::min(n, r.height());
    for (int y = r.y(); y + n < r.y() + r.height(); ++y)
        std::copy_n(&cells_[(y + n) * width_ + r.x()], r.width(), &cells_[y * width_ + r.x()]);
    clear(rect(r.x(), r.y() + r.height() - n, r.width(), n));
}

void window::scrollDown(const rect& area, int n)
{
    if (!ensureBuffer())
        return;
    rect r = clipToBuffer(area);
    if (r.width() <= 0 || r.height() <= 0 || n <= 0)
        return;
    n = std::min(n, r.height());
    for (int y = r.y() + r.height() - 1; y - n >= r.y(); --y)
        std::copy_n(&cells_[(y - n) * width_ + r.x()], r.width(), &cells_[y * width_ + r.x()]);
    clear(rect(r.x(), r.y(), r.width(), n));
}

point window::screenPosition() const
{
    point p = origin();
    return parent_ ? p + parent_->screenPosition() : p;
}

int window::moveTo(int x, int y)
{
    if (!visible_) {
        set(x, y);
        return 0;
    }
    hide();
    set(x, y);
    return show();
}

cell window::cellAt(int x, int y) const
{
    if (cells_.empty() || x < 0 || y < 0 || x >= width_ || y >= height_)
        return {frame_.fillChar, frame_.fillAttr};
    return cells_[y * width_ + x];
}

}  // namespace tui
