// Copies of caller-supplied names into the model's fixed text fields.
#pragma once

#include <cstddef>
#include <cstring>

// Copies `src` (nullptr = empty) into `field`, which holds maxChars characters
// and a NUL. A longer text is refused: the field is left empty and the result is false.
inline bool CopyBoundedText(char* field, size_t maxChars, const char* src)
{
    field[0] = '\0';
    if (src == nullptr)
        return true;
    size_t n = strnlen(src, maxChars + 1);
    if (n > maxChars)
        return false;
    std::memcpy(field, src, n);
    field[n] = '\0';
    return true;
}
