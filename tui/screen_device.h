// The seam below the drawing: a terminal or an in-memory screen that takes
// cells and gives keys. The console layer talks to the current one only.
#pragma once

#include "cell.h"
#include "geometry.h"

namespace tui {

// waitKey's answer when a signal broke the wait: not a key, not a failure.
constexpr int keyInterrupted = -3;
// start's answer when the terminal cannot be driven (unknown TERM, no terminal).
constexpr int screenUnavailable = -2;

class screenDevice {
public:
    virtual ~screenDevice() = default;
    // Starts the device; returns the colour start-up result (0 or -1), or
    // screenUnavailable.
    virtual int start() = 0;
    // Ends the device and gives the terminal back.
    virtual void stop() = 0;
    // Columns and rows; (-1, -1) while not started.
    virtual point size() = 0;
    // Stores one cell; the caller keeps (x, y) on the screen.
    virtual void putCell(int x, int y, cell c) = 0;
    // The cell last stored at (x, y).
    virtual cell getCell(int x, int y) = 0;
    // Makes the stored cells visible.
    virtual void flush() = 0;
    // Cursor position; (-1, -1) while not started.
    virtual point cursor() = 0;
    // Moves the cursor.
    virtual void moveCursor(point p) = 0;
    // Shows or hides the cursor; returns the previous state or -1.
    virtual int setCursorVisible(bool visible) = 0;
    // Defines colour pair n from curses colour numbers.
    virtual void definePair(int n, int fg, int bg) = 0;
    // A waiting key, or keyNone at once when none waits. keyResize tells
    // that the terminal changed its size and was redrawn at the new one.
    virtual int pollKey() = 0;
    // The next key, waiting for it; keyInterrupted when a signal broke the
    // wait, keyNone when the keyboard is gone (end of file, hang-up, a read
    // error); keyResize as for pollKey.
    virtual int waitKey() = 0;
};

// The current device: the terminal unless another one was installed.
screenDevice& screen();

// Installs a device (null: the terminal again). Call before consoleInit.
void setScreenDevice(screenDevice* device);

}  // namespace tui
