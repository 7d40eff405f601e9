// The three permanent windows of the console: the shaded background (the
// root of every dialog), the title window and the status line.
#pragma once

// Builds and shows the three windows at the terminal's size; 1 when all
// three were shown, else 0.
int CreateScreen();
// Deletes the windows that exist and shows the cursor.
void DestroyScreen();
// Restore flag 0: the current status text becomes the previous one and the
// text (cut to the status window) is shown. Non-zero: the previous text is
// shown again.
void SetStatusLine(int restore, const char* text);
// Columns of the status window (0 without one).
int StatusLineWidth();
// Writes a text at a column of the status window (after clearing its row)
// without changing the current or previous status text.
void ShowStatusWindowText(int column, const char* text);
