// Where nested dialogs open: every dialog object takes the next level while
// it exists; one that does not take its record's position opens three
// columns right of the dialog below it and one row below that dialog's
// chosen line. Nesting stays below 16 levels.
#pragma once

constexpr int dialogLevelLimit = 16;

struct DialogCascade {
    int x[dialogLevelLimit] = {};
    int y[dialogLevelLimit] = {};
    int selected[dialogLevelLimit] = {};  // row chosen at each level
    int level = 0;
    int listLevel = 0;      // open list dialogs
    int settingsLevel = 0;  // open settings dialogs
};

// The process-wide cascade.
DialogCascade& Cascade();
// Takes the next level and returns it; a level of 16 or more is counted but
// has no entries and its dialog is refused (see DialogLevelUsable).
int EnterDialogLevel();
// Gives the level back.
void LeaveDialogLevel();
// Whether a level has cascade entries (1 to 15).
bool DialogLevelUsable(int level);
// Places a level by the cascade rule.
void CascadePosition(int level);
// Stores the row chosen at a level.
void StoreSelection(int level, int row);
