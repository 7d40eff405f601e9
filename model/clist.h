// CList: a growable list of plain values (ints, u16 values, pointers),
// optionally kept sorted by a compare callback.
#pragma once

#include "model_alloc.h"

#include <climits>
#include <cstring>
#include <type_traits>

template <class T>
class CList {
    static_assert(std::is_trivially_copyable_v<T>, "CList holds plain values only");

public:
    // Returns more than 0 when the stored element sorts after the value.
    using CompareFn = int (*)(const T* stored, const T* value);

    // Empty: no buffer, grow step 100, unsorted.
    CList() = default;
    // Frees the buffer (elements are plain values and are not destroyed).
    ~CList() { ModelFree(data); }
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;

    // Element i, unchecked.
    T& GetAt(int i) const { return data[i]; }

    // Inserts in order when sorted and a callback is set, else appends; 1, or 0 when out of memory.
    int Add(T value)
    {
        int at = count;
        if (sorted && compare != nullptr && count > 0) {
            at = 0;
            while (at < count && compare(&data[at], &value) <= 0)
                ++at;
        }
        return InsertAt(value, at);
    }

    // Inserts before element i (i = count appends); 0 when i is out of range or out of memory.
    int InsertAt(T value, int i)
    {
        if (i < 0 || i > count)
            return 0;
        if (count >= capacity && !Grow())
            return 0;
        std::memmove(static_cast<void*>(data + i + 1), data + i, sizeof(T) * static_cast<size_t>(count - i));
        data[i] = value;
        ++count;
        return 1;
    }

    // Replaces element i; 0 when i is out of range.
    int SetAt(T value, int i)
    {
        if (i < 0 || i >= count)
            return 0;
        data[i] = value;
        return 1;
    }

    // Index of the first element whose bytes equal the value's, -1 when absent.
    int Find(T value) const
    {
        for (int i = 0; i < count; ++i)
            if (std::memcmp(&data[i], &value, sizeof(T)) == 0)
                return i;
        return -1;
    }

    // Removes the first element equal to the value; 0 when absent.
    int Remove(T value)
    {
        int i = Find(value);
        return i < 0 ? 0 : RemoveAt(i);
    }

    // Removes element i, closing the gap; 0 when i is out of range.
    int RemoveAt(int i)
    {
        if (i < 0 || i >= count)
            return 0;
        std::memmove(static_cast<void*>(data + i), data + i + 1, sizeof(T) * static_cast<size_t>(count - i - 1));
        --count;
        return 1;
    }

    // Empties the list; the buffer stays for reuse.
    void RemoveAll() { count = 0; }

    // The fields are the owner's to read; compare and sorted are set directly.
    int count = 0;
    T* data = nullptr;
    int growStep = 100;
    int capacity = 0;
    CompareFn compare = nullptr;
    int sorted = 0;

private:
    // Enlarges the buffer by one grow step; the old buffer stays on failure.
    bool Grow()
    {
        int step = growStep > 0 ? growStep : 1;
        if (capacity > INT_MAX - step)
            return false;
        int newCapacity = capacity + step;
        T* bigger = static_cast<T*>(ModelAlloc(sizeof(T) * static_cast<size_t>(newCapacity)));
        if (bigger == nullptr)
            return false;
        if (count > 0)
            std::memcpy(static_cast<void*>(bigger), data, sizeof(T) * static_cast<size_t>(count));
        ModelFree(data);
        data = bigger;
        capacity = newCapacity;
        return true;
    }
};
