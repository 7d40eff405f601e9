// Opening and running a list the way every console screen does: a list
// that cannot be made, shown or run tells the user with M4000.
#pragma once

class CListBox;

// Opens the list with title and hint (null: the record's); 1, or M4000 and 0
// when it cannot be made or shown.
int OpenList(CListBox& list, const char* title, const char* hint = nullptr);
// Runs the list from `line` with the extra keys (see CListBox::Run): the
// chosen line, or a negative result for ESC and a failure (M4000 for this).
int RunList(CListBox& list, int line, const int* keys = nullptr, int* key = nullptr);
