// Growable byte buffer used for connection buffers and for building
// messages back to front.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteBuffer {
    uint8_t* data = nullptr;   // heap block, owned
    uint32_t size = 0;         // allocated bytes
    uint32_t used = 0;         // bytes in use from the start
    uint32_t growStep = 0;     // least amount by which the buffer grows
    uint8_t* cursor = nullptr; // a position in the block, or none
};

constexpr uint32_t BUF_GROW_STEP = 4096;

// Clears the record and allocates a block of the given size; -1 when no memory.
int buf_create(ByteBuffer& b, uint32_t size);
// Frees the block and clears the record; -1 when there is no block.
int buf_free(ByteBuffer& b);
// Reallocates to a new size keeping contents and (when inside) the cursor offset; -1 on failure.
int buf_resize(ByteBuffer& b, uint32_t newSize);
// Grows by the larger of n and the grow step.
int buf_grow(ByteBuffer& b, uint32_t n);
// Appends n bytes after the used part, growing when needed.
int buf_append(ByteBuffer& b, const void* bytes, uint32_t n);
// Appends a text without its NUL.
int buf_append_string(ByteBuffer& b, const char* text);
// Inserts n bytes (or an uninitialised gap when bytes is null) at a position; -1 beyond the used part.
int buf_insert(ByteBuffer& b, uint32_t pos, const void* bytes, uint32_t n);
// Inserts a text without its NUL.
int buf_insert_string(ByteBuffer& b, uint32_t pos, const char* text);
// Removes n bytes at a position; -1 when the range is not inside the used part.
int buf_remove(ByteBuffer& b, uint32_t pos, uint32_t n);
