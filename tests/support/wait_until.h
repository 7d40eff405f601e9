// The one poll loop of the test support: a condition checked again and again
// until it holds or its deadline passes. Every wait of the tests on a
// condition that has to be looked at again (a screen line, an emulator log
// record or state, a status file, a process's end) goes through it, and its
// result is never dropped: a wait whose condition did not come fails the
// test, with a message that names what it waited for, or hands what it saw
// last to its caller, which checks that.
//
// Left out, each for its reason:
// - Waits on a descriptor (a pipe, a socket, the mount table) block in
//   poll(2), and a wait for another thread in a condition variable, with
//   what is left of their bound as the time-out: they wake the moment their
//   event comes, where a loop would look only every 10 ms. Such are the
//   readers of the programs' output and of the workers' pipe, the syslog
//   listener and the clients of the service tests, the trap receivers and
//   the tmux control client. Each returns what it got, and its caller
//   checks that.
// - Tests about time itself measure the clock and pace their own steps: the
//   gaps between the service's event reads, the trickle of a packet against
//   the service's deadlines, a build whose progress follows the time.
// - Bounded fuzz runs repeat inputs for a fixed time; they wait for nothing.
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
[[nodiscard]] bool waitUntil(Condition holds, int milliseconds = waitBound)
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
