// Code page 437 to Unicode, and the line-drawing fallback for terminals
// whose locale is not UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace tui {

// The Unicode character that shows a code page 437 byte (0x00 shows blank).
char32_t cp437ToUnicode(uint8_t byte);

// The code page 437 byte for a Unicode character; -1 when it has none.
int unicodeToCp437(char32_t ch);

// Appends the UTF-8 form of a code page 437 byte to a string.
void appendCp437AsUtf8(std::string& out, uint8_t byte);

// How a byte draws on a terminal without UTF-8: a plain ASCII character,
// or an alternate-character-set glyph named by its terminfo letter.
struct narrowGlyph {
    bool acs;
    char ch;
};

// The narrow glyph for a byte; 0xB0/0xB1 show as a board only when `board`.
narrowGlyph cp437ToNarrow(uint8_t byte, bool board);

}  // namespace tui
