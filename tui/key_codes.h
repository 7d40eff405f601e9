// Key codes returned by readKey: characters below 256, curses key numbers,
// and +256 for a key behind a 0/0xE0 prefix or behind an ESC.
#pragma once

namespace tui {

constexpr int keyNone = -1;
constexpr int keyBackspaceCtrl = 8;
constexpr int keyEnter = 13;
constexpr int keyCtrlP = 16;
constexpr int keyEsc = 27;
constexpr int keyDelByte = 127;
constexpr int keyDown = 258;
constexpr int keyUp = 259;
constexpr int keyLeft = 260;
constexpr int keyRight = 261;
constexpr int keyHome = 262;
constexpr int keyBackspace = 263;
constexpr int keyDelete = 328;  // delete at the cursor
constexpr int keyInsert = 329;  // insert/overwrite toggle
constexpr int keyTermDelete = 330;  // Delete as terminals send it
constexpr int keyTermInsert = 331;  // Insert as terminals send it
constexpr int keyTermEnter = 343;  // keypad Enter as terminals send it
constexpr int keyPageDown = 338;
constexpr int keyPageUp = 339;
constexpr int keyEnd = 360;
constexpr int keyResize = 410;  // the terminal changed its size; never returned by readKey
constexpr int keyEscShift = 256;  // added for a key that waited behind ESC
constexpr int keyEscUp = keyUp + keyEscShift;
constexpr int keyEscLeft = keyLeft + keyEscShift;
constexpr int keyEscRight = keyRight + keyEscShift;
constexpr int keyEscHome = keyHome + keyEscShift;

// Function key n (F1 = 265).
constexpr int keyF(int n)
{
    return 264 + n;
}

}  // namespace tui
