// CArray: an array of objects held by value, resized with SetSize.
//
// Growing moves the existing elements into the new buffer by move
// construction and destroys the moved-from originals, so an element type
// whose objects refer to themselves or own resources must have a move
// constructor that carries them over. The array itself is not copyable: an
// owner copies it element by element with AssignFrom, and fixes up what its
// elements must point to.
#pragma once

#include "model_alloc.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

template <class T>
class CArray {
    static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned elements are not supported");

public:
    // Empty: no buffer.
    CArray() = default;
    // Destroys every element, first to last, and frees the buffer.
    ~CArray() { SetSize(0); }
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    // Takes over the other array's elements; the other is left empty.
    CArray(CArray&& other) noexcept : data(other.data), count(other.count)
    {
        other.data = nullptr;
        other.count = 0;
    }
    // Destroys this array's elements and takes over the other's.
    CArray& operator=(CArray&& other) noexcept
    {
        if (this != &other) {
            SetSize(0);
            data = other.data;
            count = other.count;
            other.data = nullptr;
            other.count = 0;
        }
        return *this;
    }

    // Resizes to the other's count and assigns every element; 1, or 0 (unchanged) when out of memory.
    int AssignFrom(const CArray& other)
    {
        if (this == &other)
            return 1;
        if (!SetSize(other.count))
            return 0;
        for (int i = 0; i < count; ++i)
            data[i] = other.data[i];
        return 1;
    }

    // Element i, unchecked.
    T& operator[](int i) { return data[i]; }
    // Element i, unchecked.
    const T& operator[](int i) const { return data[i]; }

    // Resizes to n elements: new ones are zero-filled and default-constructed,
    // surplus ones destroyed. 1, or 0 (array unchanged) when n is negative or
    // memory cannot be allocated.
    int SetSize(int n)
    {
        if (n < 0)
            return 0;
        if (n == 0) {
            DestroyRange(0, count);
            ModelFree(data);
            data = nullptr;
            count = 0;
            return 1;
        }
        if (n <= count) {
            DestroyRange(n, count);
            count = n;
            return 1;
        }
        T* bigger = static_cast<T*>(ModelAlloc(sizeof(T) * static_cast<size_t>(n)));
        if (bigger == nullptr)
            return 0;
        std::memset(static_cast<void*>(bigger), 0, sizeof(T) * static_cast<size_t>(n));
        for (int i = 0; i < count; ++i) {
            new (&bigger[i]) T(std::move(data[i]));
            data[i].~T();
        }
        for (int i = count; i < n; ++i)
            new (&bigger[i]) T();
        ModelFree(data);
        data = bigger;
        count = n;
        return 1;
    }

    // The elements, read directly by the owners.
    T* data = nullptr;
    int count = 0;

private:
    void DestroyRange(int from, int to)
    {
        for (int i = from; i < to; ++i)
            data[i].~T();
    }
};
