// Clipped copies between cell buffers of different sizes.
#pragma once

#include "cell.h"
#include "geometry.h"

namespace tui {

// A cell buffer and its size.
struct cellGrid {
    cell* cells;
    int width;
    int height;
};

// Copies the block `src` (area's size) into `dst` at the area's origin,
// skipping the cells that fall outside `dst`.
void blitCells(cellGrid dst, const rect& area, const cell* src);

// Copies the cells of `src` under the area into `out` (area's size),
// leaving out the cells that fall outside `src`.
void grabCells(const cellGrid& src, const rect& area, cell* out);

}  // namespace tui
