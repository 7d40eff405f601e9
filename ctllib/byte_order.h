// Little-endian field access at explicit byte offsets, for every record that
// crosses the driver interface or the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace wire {

inline uint16_t get16(const uint8_t* p, size_t off)
{
    return static_cast<uint16_t>(p[off] | (p[off + 1] << 8));
}

inline uint32_t get32(const uint8_t* p, size_t off)
{
    return static_cast<uint32_t>(p[off]) | (static_cast<uint32_t>(p[off + 1]) << 8) |
           (static_cast<uint32_t>(p[off + 2]) << 16) | (static_cast<uint32_t>(p[off + 3]) << 24);
}

inline void put16(uint8_t* p, size_t off, uint16_t v)
{
    p[off] = static_cast<uint8_t>(v);
    p[off + 1] = static_cast<uint8_t>(v >> 8);
}

inline void put32(uint8_t* p, size_t off, uint32_t v)
{
    p[off] = static_cast<uint8_t>(v);
    p[off + 1] = static_cast<uint8_t>(v >> 8);
    p[off + 2] = static_cast<uint8_t>(v >> 16);
    p[off + 3] = static_cast<uint8_t>(v >> 24);
}

inline void putBytes(uint8_t* p, size_t off, const void* src, size_t n)
{
    if (n != 0)
        std::memcpy(p + off, src, n);
}

inline void getBytes(const uint8_t* p, size_t off, void* dst, size_t n)
{
    if (n != 0)
        std::memcpy(dst, p + off, n);
}

}  // namespace wire
