#include "dialog_cascade.h"

DialogCascade& Cascade()
{
    static DialogCascade cascade;
    return cascade;
}

int EnterDialogLevel()
{
    return ++Cascade().level;
}

void LeaveDialogLevel()
{
    if (Cascade().level > 0)
        --Cascade().level;
}

bool DialogLevelUsable(int level)
{
    return level > 0 && level < dialogLevelLimit;
}

void CascadePosition(int level)
{
    if (!DialogLevelUsable(level))
        return;
    DialogCascade& c = Cascade();
    c.x[level] = c.x[level - 1] + 3;
    c.y[level] = c.y[level - 1] + c.selected[level - 1] + 1;
}

void StoreSelection(int level, int row)
{
    if (DialogLevelUsable(level))
        Cascade().selected[level] = row;
}
