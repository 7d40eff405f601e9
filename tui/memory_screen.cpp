#include "memory_screen.h"

#include "console.h"
#include "cp437.h"

namespace tui {

memoryScreen::memoryScreen(int columns, int rows)
    : columns_(columns < 1 ? 1 : columns),
      rows_(rows < 1 ? 1 : rows),
      cells_(static_cast<size_t>(columns_) * rows_),
      pairs_(64, -1)
{
}

int memoryScreen::start()
{
    running_ = true;
    return 0;
}

void memoryScreen::stop()
{
    running_ = false;
}

point memoryScreen::size()
{
    return running_ ? point(columns_, rows_) : point(-1, -1);
}

void memoryScreen::putCell(int x, int y, cell c)
{
    if (x >= 0 && y >= 0 && x < columns_ && y < rows_)
        cells_[y * columns_ + x] = c;
}

cell memoryScreen::getCell(int x, int y)
{
    if (x >= 0 && y >= 0 && x < columns_ && y < rows_)
        return cells_[y * columns_ + x];
    return {};
}

point memoryScreen::cursor()
{
    return running_ ? cursor_ : point(-1, -1);
}

void memoryScreen::moveCursor(point p)
{
    cursor_ = p;
}

int memoryScreen::setCursorVisible(bool)
{
    return 1;
}

void memoryScreen::definePair(int n, int fg, int bg)
{
    if (n >= 0 && n < static_cast<int>(pairs_.size()))
        pairs_[n] = fg * 8 + bg;
}

int memoryScreen::pairColors(int n) const
{
    return n >= 0 && n < static_cast<int>(pairs_.size()) ? pairs_[n] : -1;
}

int memoryScreen::pollKey()
{
    if (keys_.empty())
        return keyNone;
    int k = keys_.front();
    keys_.pop_front();
    return k == pause || k == interrupt ? keyNone : k;
}

int memoryScreen::waitKey()
{
    while (!keys_.empty() && keys_.front() == pause)
        keys_.pop_front();
    if (keys_.empty())
        return keyNone;
    int k = keys_.front();
    keys_.pop_front();
    return k == interrupt ? keyInterrupted : k;
}

void memoryScreen::pushKeys(std::initializer_list<int> keys)
{
    keys_.insert(keys_.end(), keys.begin(), keys.end());
}

void memoryScreen::pushText(const std::string& text)
{
    for (unsigned char c : text)
        keys_.push_back(c);
}

std::string memoryScreen::text(int x, int y, int width) const
{
    std::string out;
    for (int i = 0; i < width; ++i) {
        int cx = x + i;
        if (y < 0 || y >= rows_ || cx < 0 || cx >= columns_)
            continue;
        appendCp437AsUtf8(out, cells_[y * columns_ + cx].ch);
    }
    return out;
}

std::string memoryScreen::row(int y) const
{
    return text(0, y, columns_);
}

uint8_t memoryScreen::attrAt(int x, int y) const
{
    if (x >= 0 && y >= 0 && x < columns_ && y < rows_)
        return cells_[y * columns_ + x].attr;
    return 0;
}

}  // namespace tui
