// The dialog colour schemes, each a colour set and a monochrome set.
#pragma once

#include <cstdint>

constexpr int dialogSchemeCount = 6;
constexpr int colorSetSize = 9;

// Meanings of the bytes of a colour set.
enum ColorByte {
    colorFrame,          // frame and title
    colorFill,
    colorText,
    colorSelected,       // selected item
    colorHotKey,
    colorDisabled,       // disabled item
    colorPrompt,
    colorHeadLine,
    colorInactiveFrame,  // frame of a dialog out of its key loop
};

// Schemes: 0, 1 dialogs; 2 information boxes; 3 errors and questions;
// 4 information wait box; 5 error wait box.
enum DialogScheme { schemeDialog, schemeDialogPlain, schemeInfo, schemeError, schemeInfoWait, schemeErrorWait };

// Scheme s's colour set at s x 18, its monochrome set at s x 18 + 9.
extern const uint8_t DialogColors[dialogSchemeCount * 2 * colorSetSize];

// The set of a scheme that the monochrome flag chooses (scheme 0 for an
// unknown scheme).
const uint8_t* ColorSet(int scheme);
