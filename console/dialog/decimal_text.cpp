#include "decimal_text.h"

#include <climits>

#include "str_printf.h"

char* IntToDecimal(int value, std::span<char> out)
{
    tui::strPrintf(out, "%u", static_cast<unsigned>(value < 0 ? 0 : value));
    return out.data();
}

int DecimalToInt(const char* text)
{
    if (!text)
        return 0;
    while (*text == ' ')
        ++text;
    long long value = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return 0;
        value = value * 10 + (*text - '0');
        if (value > INT_MAX)
            return 0;
    }
    return static_cast<int>(value);
}
