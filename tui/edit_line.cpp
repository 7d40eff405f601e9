#include "edit_line.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "console.h"

namespace tui {

namespace {
int insertMode = 0;
}  // namespace

int editInsertMode()
{
    return insertMode;
}

void setEditInsertMode(int mode)
{
    insertMode = mode;
}

editLine::editLine(point position, uint8_t attr, uint8_t fillChar, int width, window* win)
    : position_(position), attr_(attr), fill_(fillChar), width_(std::max(0, width)), win_(win)
{
}

bool editLine::isDelimiter(int index) const
{
    const uint8_t c = static_cast<uint8_t>(buffer_[index]);
    return c == fill_ || c == ' ';
}

void editLine::removeAt(int index, int count)
{
    count = std::min(count, width_ - index);
    if (count <= 0)
        return;
    std::memmove(buffer_ + index, buffer_ + index + count, static_cast<size_t>(width_ - index - count));
    std::memset(buffer_ + width_ - count, fill_, static_cast<size_t>(count));
}

bool editLine::handle(int key)
{
    // Start of the next word: past the rest of this one and the gap after it.
    auto nextWord = [this] {
        int j = cursor_;
        while (j < width_ && !isDelimiter(j))
            ++j;
        while (j < width_ && isDelimiter(j))
            ++j;
        return j;
    };
    switch (key) {
    case keyLeft:
        cursor_ = std::max(0, cursor_ - 1);
        return true;
    case keyRight:
        cursor_ = std::min(width_, cursor_ + 1);
        return true;
    case keyHome:
        cursor_ = 0;
        return true;
    case keyEnd: {
        int j = width_;
        while (j > 0 && static_cast<uint8_t>(buffer_[j - 1]) == fill_)
            --j;
        cursor_ = j;
        return true;
    }
    case keyBackspace:
        if (cursor_ == 0)
            return false;
        --cursor_;
        if (insertMode == 1)
            removeAt(cursor_);
        else
            buffer_[cursor_] = static_cast<char>(fill_);
        return true;
    case keyDelete:
        removeAt(cursor_);
        return cursor_ < width_;
    case keyInsert:
        insertMode = insertMode == 1 ? 0 : 1;
        setCursorShape(0);
        return false;
    case keyWordRight: {
        const int j = nextWord();
        if (j >= width_)
            return false;
        cursor_ = j;
        return true;
    }
    case keyWordLeft: {
        int j = cursor_;
        const bool insideWord = j > 0 && j < width_ && !isDelimiter(j) && !isDelimiter(j - 1);
        if (!insideWord) {
            while (j > 0 && isDelimiter(j - 1))
                --j;
            if (j == 0)
                return false;
        }
        while (j > 0 && !isDelimiter(j - 1))
            --j;
        cursor_ = j;
        return true;
    }
    case keyClearField:
        std::memset(buffer_, fill_, static_cast<size_t>(width_));
        cursor_ = 0;
        return true;
    case keyDeleteWord: {
        int end = nextWord();
        if (end >= width_) {
            end = cursor_;
            while (end < width_ && !isDelimiter(end))
                ++end;
        }
        removeAt(cursor_, end - cursor_);
        return true;
    }
    default:
        break;
    }
    if (key < 32 || key > 255 || cursor_ >= width_)
        return false;
    if (insertMode == 1) {
        if (!isDelimiter(width_ - 1))
            return false;
        std::memmove(buffer_ + cursor_ + 1, buffer_ + cursor_, static_cast<size_t>(width_ - cursor_ - 1));
    }
    buffer_[cursor_++] = static_cast<char>(key);
    return true;
}

void editLine::draw()
{
    if (!win_)
        return;
    std::string shown(buffer_, static_cast<size_t>(width_));
    if (mask_) {
        int last = width_;
        while (last > 0 && isDelimiter(last - 1))
            --last;
        std::fill_n(shown.begin(), last, static_cast<char>(mask_));
    }
    win_->write(position_, shown, attr_);
    moveCursor(win_->screenPosition() + position_ + point(cursor_, 0));
}

int editLine::edit(char* buffer, int cursor)
{
    const point oldCursor = cursorPosition();
    const uint16_t oldShape = cursorShape();
    const int wasVisible = cursorVisible();
    setCursorShape(0);
    cursorOn();

    buffer_ = buffer;
    cursor_ = std::clamp(cursor, 0, width_);
    const size_t length = strnlen(buffer_, static_cast<size_t>(width_));
    std::memset(buffer_ + length, fill_, static_cast<size_t>(width_) - length);
    buffer_[width_] = '\0';

    bool changed = true;
    int result;
    for (;;) {
        if (changed)
            draw();
        lastKey_ = readKey();
        if (lastKey_ == keyEnter || lastKey_ == keyEsc) {
            result = lastKey_ == keyEnter ? 1 : 0;
            break;
        }
        changed = handle(lastKey_);
    }

    int end = width_;
    while (end > 0 && isDelimiter(end - 1))
        --end;
    buffer_[end] = '\0';
    buffer_ = nullptr;

    if (!wasVisible)
        cursorOff();
    moveCursor(oldCursor);
    setCursorShape(oldShape);
    return result;
}

}  // namespace tui
