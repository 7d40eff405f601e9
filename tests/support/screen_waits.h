// Bounded waits of the tests that drive a program in tmux against the
// emulator: until the program in the pane has taken every key and waits for
// the next one with the pane drawn (a settled screen, the fence before a
// check that something did not happen), until a text is gone, until the
// emulator's log or state shows what a step caused.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim_mount.h"
#include "tmux_session.h"
#include "wait_until.h"

namespace tui::testing {

using kzmtest::waitUntil;

// Waits until the program in the pane has taken every key sent so far,
// waits for the next one, and two captures of the pane agree; whether it
// came to that within the bound. A screen read after it shows everything
// the keys did, and that a key did nothing.
[[nodiscard]] inline bool settle(tmuxSession& tmux, int boundMs = kzmtest::waitBound)
{
    std::string pane;
    return tmux.waitStill(pane, boundMs);
}

// The pane once settled (see settle); with escapes, its colours too. A pane
// that does not settle within the bound fails the test (an empty text).
inline std::string settledScreen(tmuxSession& tmux, bool escapes = false, int boundMs = kzmtest::waitBound)
{
    if (!settle(tmux, boundMs)) {
        ADD_FAILURE() << "the screen did not come to rest within " << boundMs << " ms\n" << tmux.capture();
        return {};
    }
    return tmux.capture(escapes);
}

// Waits (bounded) until the pane no longer shows the text.
[[nodiscard]] inline bool waitGone(tmuxSession& tmux, const std::string& text, int boundMs = kzmtest::waitBound)
{
    return waitUntil([&] { return tmux.capture().find(text) == std::string::npos; }, boundMs);
}

// Sends one key `times` times in one tmux call.
inline void sendRepeated(tmuxSession& tmux, const std::string& key, int times)
{
    if (times > 0)
        tmux.sendKeys("-N " + std::to_string(times) + " " + key);
}

// The emulator's log lines that carry the IOCTL key.
inline int logCount(const SimMount& sim, const std::string& key)
{
    int n = 0;
    for (const std::string& line : sim.log())
        if (line.find("\t" + key + "\t") != std::string::npos)
            ++n;
    return n;
}

// Waits (bounded) until the emulator's log carries the IOCTL key at least `count` times.
[[nodiscard]] inline bool waitForLog(const SimMount& sim, const std::string& key, int count = 1,
                                     int boundMs = kzmtest::waitBound)
{
    return waitUntil([&] { return logCount(sim, key) >= count; }, boundMs);
}

}  // namespace tui::testing
