// A table row built piece by piece in the shared message buffer: a row
// longer than the buffer is cut, never written past it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// A fixed text field of a record, up to its NUL or its last byte.
template <size_t N>
std::string BoundedText(const char (&text)[N])
{
    return std::string(text, strnlen(text, N));
}

class TableRow {
public:
    // Starts an empty row in the shared message buffer.
    TableRow();
    // Appends formatted text; what no longer fits is dropped.
    [[gnu::format(printf, 2, 3)]] void Add(const char* format, ...);
    // Replaces the character at `offset` when the row is that long.
    void Replace(size_t offset, char c);
    // The row so far.
    const char* Text() const;
    // Prints the row with "%s\n" on standard output.
    void Print() const;

private:
    size_t length_ = 0;
};
