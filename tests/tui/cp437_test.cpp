// Code page 437 tables.
#include <gtest/gtest.h>

#include "cp437.h"

namespace tui {
namespace {

TEST(cp437Test, UnicodeGlyphsOfLineAndShadeCharacters)
{
    struct {
        uint8_t byte;
        const char* text;
    } cases[] = {
        {0x00, " "}, {0x18, "↑"}, {0x19, "↓"}, {0x41, "A"}, {0xB0, "░"}, {0xB1, "▒"},
        {0xB2, "▓"}, {0xB3, "│"}, {0xC4, "─"}, {0xC9, "╔"}, {0xDA, "┌"}, {0xDB, "█"},
        {0xFE, "■"}, {0x82, "é"}, {0x7F, "⌂"},
    };
    for (const auto& c : cases) {
        std::string s;
        appendCp437AsUtf8(s, c.byte);
        EXPECT_EQ(s, c.text) << std::hex << int(c.byte);
    }
}

TEST(cp437Test, EveryGlyphMapsBackToItsByte)
{
    for (int b = 1; b < 256; ++b)
        EXPECT_EQ(unicodeToCp437(cp437ToUnicode(static_cast<uint8_t>(b))), b) << b;
    EXPECT_EQ(unicodeToCp437(U'€'), -1);
}

TEST(cp437Test, NarrowTerminalsGetLineDrawingOrPlainCharacters)
{
    struct {
        uint8_t byte;
        bool board;
        narrowGlyph want;
    } cases[] = {
        {0xB0, false, {false, ' '}}, {0xB1, true, {true, 'h'}}, {0xB2, false, {true, 'a'}},
        {0xBA, false, {true, 'x'}},  {0xCD, false, {true, 'q'}}, {0xC9, false, {true, 'l'}},
        {0xBC, false, {true, 'j'}},  {0xCE, false, {true, 'n'}}, {0x18, false, {true, '-'}},
        {0x41, false, {false, 'A'}}, {0x07, false, {false, '?'}}, {0x82, false, {false, '?'}},
    };
    for (const auto& c : cases) {
        narrowGlyph g = cp437ToNarrow(c.byte, c.board);
        EXPECT_EQ(g.acs, c.want.acs) << std::hex << int(c.byte);
        EXPECT_EQ(g.ch, c.want.ch) << std::hex << int(c.byte);
    }
}

}  // namespace
}  // namespace tui
