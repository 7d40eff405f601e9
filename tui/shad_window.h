// A window with a drop shadow one column right and one row below: the
// cells underneath are darkened, not part of the window's buffer.
#pragma once

#include "window.h"

namespace tui {

class shadWindow : public window {
public:
    using window::window;

    // Size including the shadow.
    int width() const override { return width_ + 1; }
    int height() const override { return height_ + 1; }
    // Shows the window and draws its shadow; 1 on success.
    int show() override;
    // Takes a scheme and redraws the shadow.
    int setScheme(int index) override;
    // Creates the buffer and saves the cells under window and shadow.
    int prepareBuffers();
    // Darkens the row below and the column right of the window.
    void drawShadow();
    // Whether the shadow is drawn.
    void setShadow(int flag) { shadow_ = flag; }
    int shadow() const { return shadow_; }

private:
    int shadow_ = 1;
};

}  // namespace tui
