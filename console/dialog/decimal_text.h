// Small number conversions of the dialogs.
#pragma once

#include <span>

// The decimal digits of a value (0 or more), at least one; returns `out`.
char* IntToDecimal(int value, std::span<char> out);
// The value of a text of digits after leading blanks; 0 for any other
// character and for a value beyond the int range.
int DecimalToInt(const char* text);
