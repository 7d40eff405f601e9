// An in-memory screen with a scripted keyboard, for driving the framework
// without a terminal. Its text uses the terminal's code page 437 table.
#pragma once

#include <climits>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "screen_device.h"

namespace tui {

class memoryScreen : public screenDevice {
public:
    // In a key script: no key waits at this point (a poll sees nothing).
    static constexpr int pause = INT_MIN;
    // In a key script: a signal breaks the wait here (a poll sees nothing).
    static constexpr int interrupt = INT_MIN + 1;

    memoryScreen(int columns = 80, int rows = 25);

    int start() override;
    void stop() override;
    point size() override;
    void putCell(int x, int y, cell c) override;
    cell getCell(int x, int y) override;
    void flush() override { ++flushes_; }
    point cursor() override;
    void moveCursor(point p) override;
    int setCursorVisible(bool visible) override;
    void definePair(int n, int fg, int bg) override;
    int pollKey() override;
    int waitKey() override;

    // Appends keys to the script.
    void pushKeys(std::initializer_list<int> keys);
    // Appends the characters of a text to the script.
    void pushText(const std::string& text);
    // Keys of the script not read yet.
    size_t keysLeft() const { return keys_.size(); }
    // One screen row as UTF-8 text.
    std::string row(int y) const;
    // `width` cells of a row from column x, as UTF-8 text.
    std::string text(int x, int y, int width) const;
    // The attribute of a cell.
    uint8_t attrAt(int x, int y) const;
    // How often the screen was flushed (once per writeCells).
    int flushes() const { return flushes_; }
    // Whether start ran and stop has not.
    bool running() const { return running_; }
    // The curses colours given to a pair, as fg * 8 + bg (-1: undefined).
    int pairColors(int n) const;

private:
    int columns_;
    int rows_;
    std::vector<cell> cells_;
    std::deque<int> keys_;
    std::vector<int> pairs_;
    point cursor_;
    bool running_ = false;
    int flushes_ = 0;
};

}  // namespace tui
