// The terminal through wide-character curses.
#pragma once

#include <vector>

#include "screen_device.h"

namespace tui {

class cursesScreen : public screenDevice {
public:
    int start() override;
    void stop() override;
    point size() override;
    void putCell(int x, int y, cell c) override;
    cell getCell(int x, int y) override;
    void flush() override;
    point cursor() override;
    void moveCursor(point p) override;
    int setCursorVisible(bool visible) override;
    void definePair(int n, int fg, int bg) override;
    int pollKey() override;
    int waitKey() override;

private:
    // Follows a change of the terminal size, keeping what fits.
    void syncSize();
    // After a size change: follows it and redraws the whole terminal.
    void redrawResized();
    // Turns one key read by curses into a key code.
    int translate(int status, unsigned key);

    bool running_ = false;
    bool utf8_ = false;
    bool board_ = false;
    bool colors_ = false;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<cell> written_;  // what was drawn, for readCells
};

}  // namespace tui
