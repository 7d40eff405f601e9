// The console layer: PC-style cells to the screen, keys from the keyboard,
// cursor and screen size. Nothing above it talks to curses.
#pragma once

#include <cstdint>

#include "cell.h"
#include "color_pairs.h"
#include "geometry.h"
#include "key_codes.h"
#include "str_printf.h"

namespace tui {

// Starts the screen; returns the colour start-up result, or -2 when the
// terminal cannot be driven (nothing is started then).
int consoleInit();
// Ends the screen and restores the terminal.
void consoleDone();
// Screen columns and rows; both -1 while no screen exists.
void screenSize(int& columns, int& rows);
// The screen size as a point (columns, rows).
point screenExtent();
// Cursor column and row; (-1, -1) without a screen.
point cursorPosition();
// Moves the cursor (no refresh).
void moveCursor(point p);
// Hides the cursor.
int cursorOff();
// Shows the cursor.
int cursorOn();
// 1 while the cursor is shown.
int cursorVisible();
// Cursor shape hooks; a terminal has none.
int cursorHeight();
uint16_t cursorShape();
void setCursorShape(uint16_t shape);

// Draws a width x height cell buffer into the screen rectangle; cells off
// the screen are skipped.
void writeCells(const rect& area, const cell* cells);
// Reads the screen rectangle back into the buffer; cells off the screen
// are left as they are.
void readCells(const rect& area, cell* cells);

// Polls for one waiting key; 1 when one waits.
int keyPressed();
// The next key code, waiting for it.
int readKey();
// Drops every waiting key.
void flushKeys();

// Called when the keyboard is gone (end of file, hang-up, a read error; a
// signal that breaks the wait is none of these); its result is the key read.
// The default ends the screen and exits the program with 1.
using inputLostHandler = int (*)();
void setInputLostHandler(inputLostHandler handler);

// Called when the terminal changed its size, after the screen was redrawn
// at the new size with the cells drawn before (cut where they no longer
// fit); the program lays its windows out for the new size here. A resize
// is never returned as a key. Null: nothing more is done.
using resizeHandler = void (*)();
void setResizeHandler(resizeHandler handler);

}  // namespace tui
