// The extra keys of a dialog's key loop, with digits standing for function
// keys, and the loop itself.
#pragma once

#include "console.h"

// Whether the pressed key matches a key of a list: '1'-'9' match F1-F9 and
// '0' matches F10, becoming that function key; any other key matches
// itself.
int MatchKey(int listKey, int& pressed);
// Whether the pressed key matches a key of a list ended by -1 (null: none),
// in list order.
int MatchKeyList(const int* keys, int& pressed);

// The modal key loop of the menu and list dialogs: paints, then takes the
// preset result, or reads a key. A key of the caller's list ends the loop
// with the key (with `keyOut`: the key stored there and the current
// position returned); any other key goes to `key` until it decides.
template <class Paint, class Key, class Current>
int DialogKeyLoop(const int* keys, int* keyOut, int preset, Paint paint, Key key, Current current)
{
    for (;;) {
        paint();
        if (preset != -2)
            return preset;
        int pressed = tui::readKey();
        if (MatchKeyList(keys, pressed)) {
            if (!keyOut)
                return pressed;
            *keyOut = pressed;
            return current();
        }
        if (keyOut)
            *keyOut = 0;
        const int result = key(pressed);
        if (result != -2)
            return result;
    }
}
