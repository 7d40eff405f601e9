// CBuffer: a growable byte buffer that owns its bytes; the report writer's
// line buffer. Allocation failures are results, never exceptions.
#pragma once

#include "model_alloc.h"

#include <cstdint>
#include <cstring>

template <typename T>
class CBuffer {
public:
    // An empty buffer: no bytes, size 0.
    CBuffer() = default;
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;
    // Frees the bytes.
    virtual ~CBuffer() { ModelFree(data_); }

    // n > 0: new storage of n elements with the common part of the old
    // contents; 0 (old contents kept) when the memory cannot be had.
    // n = 0: frees the storage. 1 on success.
    int SetSize(uint32_t n)
    {
        if (n == 0) {
            ModelFree(data_);
            data_ = nullptr;
            size_ = 0;
            return 1;
        }
        T* fresh = static_cast<T*>(ModelAlloc(sizeof(T) * n));
        if (!fresh)
            return 0;
        std::memset(static_cast<void*>(fresh), 0, sizeof(T) * n);
        if (data_)
            std::memcpy(static_cast<void*>(fresh), data_, sizeof(T) * (n < size_ ? n : size_));
        ModelFree(data_);
        data_ = fresh;
        size_ = n;
        return 1;
    }
    // Pointer to element i.
    T* At(uint32_t i) { return data_ + i; }
    // Sets every element to v.
    void Fill(T v)
    {
        for (uint32_t i = 0; i < size_; ++i)
            data_[i] = v;
    }
    // Moves the contents by d elements: toward the end for d > 0 (elements
    // pushed past the end are lost, the first d keep their old values),
    // toward the start for d < 0 (the last -d keep theirs).
    void Shift(int32_t d)
    {
        const int64_t n = size_;
        const int64_t step = d < 0 ? -int64_t{d} : int64_t{d};
        if (d == 0 || step >= n)
            return;
        const auto count = static_cast<size_t>(n - step);
        if (d > 0)
            std::memmove(static_cast<void*>(data_ + step), data_, sizeof(T) * count);
        else
            std::memmove(static_cast<void*>(data_), data_ + step, sizeof(T) * count);
    }
    // The number of elements.
    uint32_t Size() const { return size_; }

private:
    T* data_ = nullptr;
    uint32_t size_ = 0;
};
