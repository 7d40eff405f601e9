// Index lists of the drive objects (disks, pending components, host drives):
// a CArray<int> grown and shrunk one entry at a time.
#pragma once

#include "carray.h"
#include "model_errors.h"

#include <cstdint>

// Appends `value`; the new position, or -1 when out of memory.
inline int AppendIndex(CArray<int>& list, int value)
{
    if (!list.SetSize(list.count + 1))
        return -1;
    list[list.count - 1] = value;
    return list.count - 1;
}

// Removes the entry at `pos` into a list reallocated one smaller (an empty
// list keeps no storage). The removed entry; -1 with `error` set when `pos`
// is outside the list (0x04000003) or the smaller list cannot be allocated
// (0x04000001, the list stays).
inline int RemoveIndexAt(CArray<int>& list, int pos, uint32_t& error)
{
    if (pos < 0 || pos >= list.count) {
        error = MODERR_BAD_PARAMETER;
        return -1;
    }
    const int removed = list[pos];
    CArray<int> smaller;
    if (!smaller.SetSize(list.count - 1)) {
        error = MODERR_NO_MEMORY;
        return -1;
    }
    for (int i = 0, k = 0; i < list.count; ++i)
        if (i != pos)
            smaller[k++] = list[i];
    list = std::move(smaller);
    return removed;
}

// Copies `from` into `to`; false when out of memory.
inline bool CopyIndexList(CArray<int>& to, const CArray<int>& from)
{
    return to.AssignFrom(from) == 1;
}
