#include "byte_buffer.h"

#include <cstdlib>
#include <cstring>

int buf_create(ByteBuffer& b, uint32_t size)
{
    b = ByteBuffer{};
    b.data = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!b.data)
        return -1;
    b.size = size;
    b.growStep = BUF_GROW_STEP;
    return 0;
}

int buf_free(ByteBuffer& b)
{
    if (!b.data)
        return -1;
    std::free(b.data);
    b = ByteBuffer{};
    return 0;
}

int buf_resize(ByteBuffer& b, uint32_t newSize)
{
    // A cursor inside the block or at its end keeps its offset; any other goes to the start.
    size_t cursorOff = 0;
    if (b.cursor && b.data && b.cursor >= b.data && b.cursor <= b.data + b.size)
        cursorOff = static_cast<size_t>(b.cursor - b.data);
    auto* p = static_cast<uint8_t*>(std::realloc(b.data, newSize ? newSize : 1));
    if (!p)
        return -1;
    b.data = p;
    b.size = newSize;
    if (b.used > newSize)
        b.used = newSize;
    if (cursorOff > newSize)
        cursorOff = 0;
    if (b.cursor)
        b.cursor = b.data + cursorOff;
    return 0;
}

int buf_grow(ByteBuffer& b, uint32_t n)
{
    uint32_t step = b.growStep ? b.growStep : BUF_GROW_STEP;
    uint64_t add = n > step ? n : step;
    if (b.size + add > UINT32_MAX)
        return -1;
    return buf_resize(b, static_cast<uint32_t>(b.size + add));
}

// Grows so that n more bytes fit after the used part.
static int ensure_room(ByteBuffer& b, uint32_t n)
{
    uint64_t need = static_cast<uint64_t>(b.used) + n;
    if (need <= b.size)
        return 0;
    if (need > UINT32_MAX)
        return -1;
    return buf_grow(b, static_cast<uint32_t>(need - b.size));
}

int buf_append(ByteBuffer& b, const void* bytes, uint32_t n)
{
    if (ensure_room(b, n) != 0)
        return -1;
    if (n && bytes)
        std::memcpy(b.data + b.used, bytes, n);
    b.used += n;
    return 0;
}

int buf_append_string(ByteBuffer& b, const char* text)
{
    return buf_append(b, text, static_cast<uint32_t>(std::strlen(text)));
}

int buf_insert(ByteBuffer& b, uint32_t pos, const void* bytes, uint32_t n)
{
    if (pos > b.used)
        return -1;
    if (ensure_room(b, n) != 0)
        return -1;
    std::memmove(b.data + pos + n, b.data + pos, b.used - pos);
    if (n && bytes)
        std::memcpy(b.data + pos, bytes, n);
    b.used += n;
    return 0;
}

int buf_insert_string(ByteBuffer& b, uint32_t pos, const char* text)
{
    return buf_insert(b, pos, text, static_cast<uint32_t>(std::strlen(text)));
}

int buf_remove(ByteBuffer& b, uint32_t pos, uint32_t n)
{
    if (pos > b.used || n > b.used - pos)
        return -1;
    std::memmove(b.data + pos, b.data + pos + n, b.used - pos - n);
    b.used -= n;
    return 0;
}
