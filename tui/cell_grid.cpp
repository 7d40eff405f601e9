#include "cell_grid.h"

namespace tui {

void blitCells(cellGrid dst, const rect& area, const cell* src)
{
    const int w = area.width();
    for (int r = 0; r < area.height(); ++r) {
        int y = area.y() + r;
        if (y < 0 || y >= dst.height)
            continue;
        for (int c = 0; c < w; ++c) {
            int x = area.x() + c;
            if (x >= 0 && x < dst.width)
                dst.cells[y * dst.width + x] = src[r * w + c];
        }
    }
}

void grabCells(const cellGrid& src, const rect& area, cell* out)
{
    const int w = area.width();
    for (int r = 0; r < area.height(); ++r) {
        int y = area.y() + r;
        if (y < 0 || y >= src.height)
            continue;
        for (int c = 0; c < w; ++c) {
            int x = area.x() + c;
            if (x >= 0 && x < src.width)
                out[r * w + c] = src.cells[y * src.width + x];
        }
    }
}

}  // namespace tui
