// The one poll loop of the test support: a condition checked again and again
// until it holds or its deadline passes. Every wait of the tests on a screen
// line, an emulator log record or state goes through it.
#pragma once

#include <chrono>
#include <thread>

namespace kzmtest {

// How long a wait may take before the test gives up: generous, because a
// wait returns as soon as its condition holds, and a busy machine with two
// cores runs a sanitized console far slower than a developer's.
constexpr int waitBound = 20000;

// Checks `holds()` until it returns true or `milliseconds` pass; a last check
// at the deadline. True when the condition held.
template <class Condition>
bool waitUntil(Condition holds, int milliseconds = waitBound)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (holds())
            return true;
        // The interval between two checks of the condition, not a wait of its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return holds();
}

}  // namespace kzmtest
