#include "dialog_keys.h"

int MatchKey(int listKey, int& pressed)
{
    if ((pressed == '0' && listKey == tui::keyF(10)) ||
        (pressed >= '1' && pressed <= '9' && listKey == pressed + tui::keyF(1) - '1')) {
        pressed = listKey;
        return 1;
    }
    return listKey == pressed ? 1 : 0;
}

int MatchKeyList(const int* keys, int& pressed)
{
    for (const int* k = keys; k && *k != -1; ++k)
        if (MatchKey(*k, pressed))
            return 1;
    return 0;
}
