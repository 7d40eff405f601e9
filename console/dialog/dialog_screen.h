// What the dialogs take from the console's screen: the root window that
// every dialog is a child of, the screen size the screen was built for,
// and the monochrome flag. The console's start-up sets them.
#pragma once

#include "window.h"

// The root window (null: dialogs draw straight to the terminal).
tui::window* DialogRoot();
// Sets the root and the screen size that dialogs fit themselves into.
void SetDialogScreen(tui::window* root, int width, int height);
// Screen columns and rows as set; the terminal's while none are set.
int DialogScreenWidth();
int DialogScreenHeight();
// The root's columns and rows; the screen's without a root.
int RootWidth();
int RootHeight();
// Switches the root's auto-refresh (nothing without a root).
void SetRootAutoRefresh(int flag);
// 1 while dialogs take the monochrome colour sets.
int MonochromeFlag();
void SetMonochromeFlag(int flag);
// The root's auto-refresh flag (0 without a root).
int RootAutoRefresh();
