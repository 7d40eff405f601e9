#include "option_values.h"

#include "messages.h"

#include <climits>
#include <cstring>

int ParseDecimal(const char* text)
{
    if (*text == '\0')
        return -1;
    long long value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return -1;
        value = value * 10 + (*p - '0');
        if (value > INT_MAX)
            return -1;
    }
    return static_cast<int>(value);
}

int ParseOnOff(const char* text)
{
    if (std::strcmp(text, "ON") == 0)
        return 1;
    if (std::strcmp(text, "OFF") == 0)
        return 0;
    return -1;
}

int CheckDigits(const char* text)
{
    if (*text == '\0')
        return 1;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            Emit("ERROR: Non-numeric character entered: %c\n", *p);
            return 1;
        }
    }
    return 0;
}
