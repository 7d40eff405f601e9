#include "table_row.h"

#include "messages.h"

#include <cstdarg>
#include <cstdio>

TableRow::TableRow()
{
    g_messageBuffer[0] = '\0';
}

void TableRow::Add(const char* format, ...)
{
    const size_t room = sizeof g_messageBuffer - length_;
    if (room <= 1)
        return;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(g_messageBuffer + length_, room, format, args);
    va_end(args);
    if (n > 0)
        length_ += static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room - 1;
}

void TableRow::Replace(size_t offset, char c)
{
    if (offset < length_)
        g_messageBuffer[offset] = c;
}

const char* TableRow::Text() const
{
    return g_messageBuffer;
}

void TableRow::Print() const
{
    std::printf("%s\n", g_messageBuffer);
}
