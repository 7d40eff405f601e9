// The console's one-call boxes: information and error messages, yes/no
// questions, and the wait box that stays up while the program works.
#pragma once

// A message box in the error (1) or information colours, closed by any key.
void ShowMessage(const char* text, int error, int centred);
// A centred question; 1 for Y, y, Z, z; 0 for N, n, ESC, and when the box
// cannot be shown.
int AskYesNo(const char* question, int error);
// A message box closed only by a key of `keys` (ended by 0; an empty list
// takes any key); the key, or -1 when the box cannot be shown.
int AskKey(const char* text, const int* keys, int error, int centred);
// Shows the centred wait box (replacing one already up) and returns.
void ShowWaitBox(const char* text, int error);
// Removes the wait box.
void CloseWaitBox();
// 1 while the wait box is up (also while another box has it taken down).
int WaitBoxShown();

// While it lives, a wait box that is up is taken off the screen so that
// another box can show; it comes back when the pause ends.
class WaitBoxPause {
public:
    WaitBoxPause();
    ~WaitBoxPause();
    WaitBoxPause(const WaitBoxPause&) = delete;
    WaitBoxPause& operator=(const WaitBoxPause&) = delete;

private:
    bool paused_ = false;
};
