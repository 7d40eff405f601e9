// Test fixture: the framework drawing on an in-memory screen with a
// scripted keyboard.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "console.h"
#include "memory_screen.h"
#include "screen_device.h"

namespace tui::testing {

class screenTest : public ::testing::Test {
protected:
    void SetUp() override { useScreen(40, 15); }
    void TearDown() override
    {
        consoleDone();
        setScreenDevice(nullptr);
        setInputLostHandler(nullptr);
        setResizeHandler(nullptr);
    }

    // Starts a fresh screen of the given size.
    void useScreen(int columns, int rows)
    {
        consoleDone();
        mem = std::make_unique<memoryScreen>(columns, rows);
        setScreenDevice(mem.get());
        setInputLostHandler(&scriptRanOut);
        consoleInit();
    }

    // The text of a screen rectangle, rows joined by '\n'.
    std::string screenText(int x, int y, int width, int height) const
    {
        std::string out;
        for (int r = 0; r < height; ++r) {
            if (r)
                out += '\n';
            out += mem->text(x, y + r, width);
        }
        return out;
    }

    static int scriptRanOut()
    {
        ADD_FAILURE() << "the key script ran out";
        return keyEsc;
    }

    std::unique_ptr<memoryScreen> mem;
};

}  // namespace tui::testing
