#include "console.h"

#include <cstdlib>

#include "curses_screen.h"
#include "key_ring.h"
#include "screen_device.h"

namespace tui {

namespace {

cursesScreen terminal;
screenDevice* installed = nullptr;
keyRing ring;
int cursorShown = 1;
bool started = false;

// Consecutive failed blocking reads after which the keyboard counts as lost.
// Only a keyboard that is gone fails a read; a signal does not.
constexpr int maxReadFailures = 8;

int endOnInputLost()
{
    consoleDone();
    std::exit(1);
}

inputLostHandler onInputLost = endOnInputLost;
resizeHandler onResize = nullptr;

// Maps the terminal's spellings of Delete, Insert, Backspace and keypad Enter.
int normaliseKey(int key)
{
    switch (key) {
    case keyTermDelete: return keyDelete;
    case keyTermInsert: return keyInsert;
    case keyTermEnter: return keyEnter;
    case keyDelByte:
    case keyBackspaceCtrl: return keyBackspace;
    default: return key;
    }
}

// The terminal has a new size and shows the old cells again: let the
// program lay its screen out anew.
void resized()
{
    if (onResize)
        onResize();
}

// One raw key: from the ring, else from the device, waiting.
int takeKey()
{
    int key;
    if (ring.take(key))
        return key;
    int failures = 0;
    for (;;) {
        key = screen().waitKey();
        if (key == keyInterrupted)
            continue;  // a signal, not the keyboard: wait on
        if (key == keyResize) {
            resized();
            continue;
        }
        if (key != keyNone)
            return normaliseKey(key);
        if (++failures == maxReadFailures)
            return onInputLost();
    }
}

}  // namespace

screenDevice& screen()
{
    return installed ? *installed : terminal;
}

void setScreenDevice(screenDevice* device)
{
    installed = device;
}

int consoleInit()
{
    ring.clear();
    resetColorPairs();
    int result = screen().start();
    started = result != screenUnavailable;
    return result;
}

void consoleDone()
{
    if (!started)
        return;
    started = false;
    if (!cursorShown)
        screen().setCursorVisible(true);
    screen().stop();
}

void screenSize(int& columns, int& rows)
{
    point p = screenExtent();
    columns = p.x();
    rows = p.y();
}

point screenExtent()
{
    return started ? screen().size() : point(-1, -1);
}

point cursorPosition()
{
    return started ? screen().cursor() : point(-1, -1);
}

void moveCursor(point p)
{
    if (started)
        screen().moveCursor(p);
}

int cursorOff()
{
    cursorShown = 0;
    return started ? screen().setCursorVisible(false) : -1;
}

int cursorOn()
{
    cursorShown = 1;
    return started ? screen().setCursorVisible(true) : -1;
}

int cursorVisible()
{
    return cursorShown;
}

int cursorHeight()
{
    return 0;
}

uint16_t cursorShape()
{
    return 0;
}

void setCursorShape(uint16_t)
{
}

namespace {

// Calls f(x, y, index) for every cell of area that lies on the screen; index
// counts the area's cells row by row.
template <class F>
void forEachOnScreen(const rect& area, F f)
{
    const point size = screen().size();
    const int w = area.width();
    for (int r = 0; r < area.height(); ++r) {
        const int y = area.y() + r;
        if (y < 0 || y >= size.y())
            continue;
        for (int c = 0; c < w; ++c) {
            const int x = area.x() + c;
            if (x >= 0 && x < size.x())
                f(x, y, r * w + c);
        }
    }
}

}  // namespace

void writeCells(const rect& area, const cell* cells)
{
    if (!started || !cells)
        return;
    forEachOnScreen(area, [&](int x, int y, int i) { screen().putCell(x, y, cells[i]); });
    screen().flush();
}

void readCells(const rect& area, cell* cells)
{
    if (!started || !cells)
        return;
    forEachOnScreen(area, [&](int x, int y, int i) { cells[i] = screen().getCell(x, y); });
}

int keyPressed()
{
    if (!ring.empty())
        return 1;  // keys already wait; polling more could lose one
    int key = screen().pollKey();
    while (key == keyResize) {
        resized();
        key = screen().pollKey();
    }
    if (key == keyNone)
        return 0;
    ring.store(normaliseKey(key));
    return 1;
}

int readKey()
{
    int shift = 0;
    for (;;) {
        int key = takeKey();
        if (key == 0 || key == 0xE0)
            key = takeKey() + 256;
        if (key == keyEsc && keyPressed()) {
            shift += keyEscShift;  // the key waiting behind the ESC is read the same way
            continue;
        }
        return key + shift;
    }
}

void flushKeys()
{
    while (keyPressed())
        readKey();
}

void setInputLostHandler(inputLostHandler handler)
{
    onInputLost = handler ? handler : endOnInputLost;
}

void setResizeHandler(resizeHandler handler)
{
    onResize = handler;
}

}  // namespace tui
