// Readers of option values.
#pragma once

// The text's value as a non-negative decimal; -1 for an empty text, one with
// a character other than '0'-'9', or one too large for a signed 32-bit field.
int ParseDecimal(const char* text);
// 1 for exactly "ON", 0 for exactly "OFF", else -1.
int ParseOnOff(const char* text);
// 0 when the text is non-empty and all decimal digits; else 1, after
// "ERROR: Non-numeric character entered: %c\n" for the first non-digit.
int CheckDigits(const char* text);
