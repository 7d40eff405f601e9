#include "shad_window.h"

#include <vector>

namespace tui {

int shadWindow::prepareBuffers()
{
    if (!ensureBuffer())
        return 0;
    if (saveBackground_ && !visible_)
        saveArea(rect(x_, y_, width_ + 1, height_ + 1));
    return 1;
}

int shadWindow::show()
{
    if (!prepareBuffers())
        return 0;
    drawShadow();
    visible_ = 1;
    refresh();
    return 1;
}

void shadWindow::drawShadow()
{
    if (!shadow_)
        return;
    const rect below(x_ + 1, y_ + height_, width_, 1);
    const rect right(x_ + width_, y_ + 1, 1, height_);
    std::vector<cell> rowStrip(static_cast<size_t>(width_));
    std::vector<cell> colStrip(static_cast<size_t>(height_));
    getArea(below, rowStrip.data());
    getArea(right, colStrip.data());
    for (cell& c : rowStrip)
        c.attr = attrShadow;
    for (cell& c : colStrip)
        c.attr = attrShadow;
    putArea(below, rowStrip.data());
    putArea(right, colStrip.data());
    flushParent();
}

int shadWindow::setScheme(int index)
{
    int result = window::setScheme(index);
    if (visible_)
        drawShadow();
    return result;
}

}  // namespace tui
