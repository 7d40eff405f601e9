// The console's dialog records: menus, lists, settings screens, progress and
// input boxes as data that the dialog objects turn into windows. Fields keep
// the record order; the item arrays are sized so that each record holds its
// fixed number of words, and a record with too many items does not compile.
// Screens may change their records (positions, widths) between uses.
#pragma once

#include <cstddef>

// One item of a menu or settings record: a strPrintf format ('&' marks the
// hot key; a text starting with 0xC4 and id -1 is a separator) and its id.
struct DialogItem {
    const char* text;
    int id;
};

// Room of the buffer a dialog line is formatted into.
constexpr size_t formatBufferSize = 264;

constexpr int menuDefWords = 72;
constexpr int menuDefItems = (menuDefWords - 6) / 2;
constexpr int listDefWords = 40;
constexpr int listDefFormats = listDefWords - 10;
constexpr int settingsDefWords = 72;
constexpr int settingsDefItems = (settingsDefWords - 10) / 2;

// A menu: position, colour scheme, title, hint (bottom title), then the
// items, ended by a null text.
struct MenuDef {
    int x;
    int y;
    int scheme;
    const char* title;
    const char* hint;
    DialogItem items[menuDefItems];
    const char* end = nullptr;  // ends a full item list
};
static_assert(5 + 2 * menuDefItems + 1 == menuDefWords);

// A list: position, scheme, head-line count (0 or 1), width, visible rows
// (-1: as many as there are lines), title, hint, head line, then line
// formats ended by a null pointer; the last format serves every further line.
struct ListDef {
    int x;
    int y;
    int scheme;
    int headCount;
    int width;
    int visible;
    const char* title;
    const char* hint;
    const char* headLine;
    const char* formats[listDefFormats];
    const char* end = nullptr;
};
static_assert(9 + listDefFormats + 1 == listDefWords);

// A settings screen: position, scheme, width, visible rows (-1: fit), group
// size, fixed item count, title, hint, then the fixed items followed by the
// line templates, ended by a null text. The last `groupSize` templates
// repeat for every further line.
struct SettingsDef {
    int x;
    int y;
    int scheme;
    int width;
    int visible;
    int groupSize;
    int fixedCount;
    const char* title;
    const char* hint;
    DialogItem items[settingsDefItems];
    const char* end = nullptr;
};
static_assert(9 + 2 * settingsDefItems + 1 == settingsDefWords);

// A progress window: position, scheme, bar width, title, hint.
struct ProgressDef {
    int x;
    int y;
    int scheme;
    int barWidth;
    const char* title;
    const char* hint;
};

// A one-line input: position, scheme, prompt, maximum text length. Opening
// the box may move x left for good so that it fits the screen.
struct InputDef {
    int x;
    int y;
    int scheme;
    const char* prompt;
    int maxLength;
};
