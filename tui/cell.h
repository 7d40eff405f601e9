// A screen cell: a code page 437 character and a PC text attribute.
#pragma once

#include <cstdint>

namespace tui {

// One character cell; buffers hold them row after row.
struct cell {
    uint8_t ch = ' ';
    uint8_t attr = 0x07;
    bool operator==(const cell&) const = default;
};

// Attribute bits: foreground 0-2, bright 3, background 4-6, blink 7.
constexpr uint8_t attrBright = 0x08;
constexpr uint8_t attrBlink = 0x80;
constexpr uint8_t attrShadow = 0x08;  // dark grey on black

}  // namespace tui
