// The framework's formatter.
#include <gtest/gtest.h>

#include <cstdint>

#include "str_printf.h"

namespace tui {
namespace {

struct fmtCase {
    std::string got;
    const char* want;
};

TEST(strPrintfTest, Conversions)
{
    const char* nullText = nullptr;
    const fmtCase cases[] = {
        {formatText("%5d", -42), "  -42"},
        {formatText("%05d", -42), "-0042"},
        {formatText("%-5d|", 42), "42   |"},
        {formatText("%-05d|", 42), "42   |"},  // '-' with '0' pads blanks on the right
        {formatText("%X", 255), "FF"},
        {formatText("%x", 255), "ff"},
        {formatText("%o", 8), "10"},
        {formatText("%u", -1), "4294967295"},
        {formatText("%x", -1), "ffffffff"},
        {formatText("%d", int64_t{1} << 40), "1099511627776"},
        {formatText("%lu", uint64_t{1} << 40), "1099511627776"},
        {formatText("%08lX", 0x1A2B), "00001A2B"},
        {formatText("%-08lX|", 0x1A2B), "1A2B    |"},
        {formatText("%.3s", "abcdef"), "abc"},
        {formatText("%s", nullText), "(null)"},
        {formatText("%05s", "ab"), "   ab"},
        {formatText("%-4s|", std::string("ab")), "ab  |"},
        {formatText("%c%c", 'o', 0x14B), "oK"},
        {formatText("%03c", 'x'), "  x"},
        {formatText("%f %d", 7, 8), "? 7"},
        {formatText("%%"), "%"},
        {formatText("%5%"), "    %"},
        {formatText("%05%"), "0000%"},
        {formatText("%i"), "i"},
        {formatText("%*d", 6, 42), "    42"},
        {formatText("%.*s", 2, "abc"), "ab"},
        {formatText("%*d|", -6, 42), "42|"},  // a negative width adds nothing
        {formatText("%.2d", 5), "5"},         // precision does not touch integers
        {formatText("%d %s"), "0 (null)"},    // missing arguments
        {formatText("ab%"), "ab"},            // the format ends inside a conversion
        {formatText("ab%-08"), "ab"},
        {formatText("x%l"), "xl"},
        {formatText("%ld", 3), "3"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
}

TEST(strPrintfTest, TruncatesToTheBufferAndReturnsTheNul)
{
    char buf[6];
    char* end = strPrintf(buf, "%s-%d", "abc", 12345);
    EXPECT_STREQ(buf, "abc-1");
    EXPECT_EQ(end, buf + 5);

    char exact[4];
    EXPECT_EQ(strPrintf(exact, "%d", 123), exact + 3);
    EXPECT_STREQ(exact, "123");

    char one[1] = {'x'};
    EXPECT_EQ(strPrintf(one, "abc"), one);
    EXPECT_EQ(one[0], '\0');
}

TEST(strPrintfTest, CatAppendsWithinTheBuffer)
{
    char buf[10] = "ab";
    strCatPrintf(buf, "%d%s", 12, "cdefghij");
    EXPECT_STREQ(buf, "ab12cdefg");
}

}  // namespace
}  // namespace tui
