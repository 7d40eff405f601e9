// Bounded waits of the tests that drive a program in tmux against the
// emulator: until the program in the pane has taken every key and waits for
// the next one with the pane drawn (a settled screen, the fence before a
// check that something did not happen), until a text is gone, until the
// emulator's log or state shows what a step caused.
#pragma once

#include "wait_until.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim_mount.h"
#include "tmux_session.h"

namespace tui::testing {

namespace waitDetail {

// The parent and name fields of /proc/<pid>/stat; false when the process is gone.
inline bool processParent(const std::string& pid, long& parent, std::string& name)
{
    std::ifstream in("/proc/" + pid + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return false;
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    return static_cast<bool>(rest >> state >> parent);
}

// The processes below `root` (not `root` itself) with their names.
inline std::vector<std::pair<std::string, std::string>> descendants(long root)
{
    std::vector<std::pair<std::string, long>> all;  // pid, parent
    std::vector<std::string> names;
    if (DIR* d = opendir("/proc")) {
        while (const dirent* e = readdir(d)) {
            if (e->d_name[0] < '1' || e->d_name[0] > '9')
                continue;
            long parent = 0;
            std::string name;
            if (processParent(e->d_name, parent, name)) {
                all.emplace_back(e->d_name, parent);
                names.push_back(name);
            }
        }
        closedir(d);
    }
    std::set<long> tree{root};
    std::vector<std::pair<std::string, std::string>> out;
    for (bool grew = true; grew;) {
        grew = false;
        for (size_t i = 0; i < all.size(); ++i) {
            const long pid = std::atol(all[i].first.c_str());
            if (tree.count(all[i].second) && !tree.count(pid)) {
                tree.insert(pid);
                out.emplace_back(all[i].first, names[i]);
                grew = true;
            }
        }
    }
    return out;
}

// Whether a thread sleeps in a wait for input: read(2) of its standard
// input, or poll/select (a curses program waits in one of these).
inline bool waitsForInput(const std::string& pid, const std::string& tid)
{
    std::ifstream in("/proc/" + pid + "/task/" + tid + "/syscall");
    std::string number, first;
    if (!(in >> number))
        return false;
    in >> first;
    if (number == "0")  // read
        return first == "0x0";
    // poll, select, pselect6, ppoll, epoll_wait, epoll_pwait
    return number == "7" || number == "23" || number == "270" || number == "271" || number == "232" ||
           number == "281";
}

// Whether the programs in the pane (`programs`, the processes below its
// shell) have read every key sent to its terminal and every thread of them
// waits for input; the tail of the pane (the exit line's "sleep") and a
// program gone meanwhile count as waiting.
inline bool paneWaitsForInput(const std::vector<std::pair<std::string, std::string>>& programs,
                              const std::string& paneTty)
{
    const int fd = open(paneTty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int pending = -1;
    const int r = ioctl(fd, FIONREAD, &pending);
    close(fd);
    if (r != 0 || pending != 0)
        return false;
    for (const auto& [pid, name] : programs) {
        if (name == "sleep")
            continue;
        DIR* d = opendir(("/proc/" + pid + "/task").c_str());
        if (!d)
            continue;
        bool waiting = true;
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.' && !waitsForInput(pid, e->d_name))
                waiting = false;
        closedir(d);
        if (!waiting)
            return false;
    }
    return true;
}

}  // namespace waitDetail

using kzmtest::waitUntil;

// Waits until the program in the pane has taken every key sent so far,
// waits for the next one, and two captures of the pane agree; whether it
// came to that within the bound. A screen read after it shows everything
// the keys did, and that a key did nothing.
inline bool settle(tmuxSession& tmux, int boundMs = kzmtest::waitBound)
{
    std::istringstream pane(tmux.display("#{pane_pid} #{pane_tty}"));
    long pid = 0;
    std::string tty;
    if (!(pane >> pid >> tty))
        return false;
    const auto programs = waitDetail::descendants(pid);
    std::string last = "\x01";
    return waitUntil(
        [&] {
            if (!waitDetail::paneWaitsForInput(programs, tty))
                return false;
            const std::string now = tmux.capture();
            const bool same = now == last;
            last = now;
            return same && waitDetail::paneWaitsForInput(programs, tty);
        },
        boundMs);
}

// The pane once settled (see settle); with escapes, its colours too. An
// empty text when it did not settle within the bound.
inline std::string settledScreen(tmuxSession& tmux, bool escapes = false, int boundMs = kzmtest::waitBound)
{
    if (!settle(tmux, boundMs))
        return {};
    return tmux.capture(escapes);
}

// Waits (bounded) until the pane no longer shows the text.
inline bool waitGone(tmuxSession& tmux, const std::string& text, int boundMs = kzmtest::waitBound)
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
inline bool waitForLog(const SimMount& sim, const std::string& key, int count = 1, int boundMs = 10000)
{
    return waitUntil([&] { return logCount(sim, key) >= count; }, boundMs);
}

}  // namespace tui::testing
