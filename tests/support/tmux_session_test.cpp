// The tmux fixture's keys against a reader of the pane's terminal: when a
// send returns, its keys have reached the terminal, so that the fence after
// keys (the terminal empty, the program waiting for input) cannot pass while
// a key is still on its way from tmux to the program.
#include "tmux_session.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <fstream>
#include <string>

namespace tui::testing {
namespace {

// The times the process has gone to sleep of its own accord; -1 when it is gone.
long voluntarySleeps(long pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const std::string field = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(field.size()));
    return -1;
}

// cat reading the pane's terminal in raw mode: each key wakes it.
class tmuxKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmux.started());
        std::istringstream ids(tmux.display("#{pane_pid} #{pane_tty}"));
        std::string tty;
        ASSERT_TRUE(ids >> reader >> tty);
        fd = open(tty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0) << tty;
        ASSERT_TRUE(kzmtest::waitUntil([&] {
            std::string name, state;
            long parent = 0;
            termios mode{};
            return tcgetattr(fd, &mode) == 0 && (mode.c_lflag & ICANON) == 0 &&
                   paneDetail::statFields("/proc/" + std::to_string(reader) + "/stat", name, state, parent) &&
                   name == "cat" && state == "S";
        })) << "cat waiting for keys on the raw terminal";
    }
    void TearDown() override
    {
        if (fd >= 0)
            close(fd);
    }
    // Whether the reader has taken up the keys: they wait in the terminal,
    // or it woke since it had gone to sleep `sleeps` times. The terminal is
    // asked first and without a poll, which would pass on keys on their way.
    bool keysArrived(long sleeps)
    {
        int pending = 0;
        if (ioctl(fd, FIONREAD, &pending) == 0 && pending > 0)
            return true;
        std::string name, state;
        long parent = 0;
        const bool asleep =
            paneDetail::statFields("/proc/" + std::to_string(reader) + "/stat", name, state, parent) && state == "S";
        return !asleep || voluntarySleeps(reader) != sleeps;
    }

    tmuxSession tmux{"stty raw -echo && exec cat >/dev/null"};
    long reader = 0;  // the pane's process, cat
    int fd = -1;
};

// Each form of send, many times over, each once the reader sleeps again: a
// key that tmux had not yet written, or that the kernel had not yet passed
// on, leaves the reader asleep with the terminal empty.
TEST_F(tmuxKeysTest, SentKeysHaveReachedTheTerminalWhenTheSendReturns)
{
    for (int i = 0; i < 100; ++i) {
        for (int form = 0; form < 3; ++form) {
            ASSERT_TRUE(kzmtest::waitUntil([&] { return tmux.keysRead() && !keysArrived(voluntarySleeps(reader)); }))
                << "cat asleep again, every key read";
            const long sleeps = voluntarySleeps(reader);
            if (form == 0)
                tmux.sendKeys("u");
            else if (form == 1)
                tmux.sendKeys({"-l ab", "Enter"});
            else
                tmux.repeatKey("x", 2);
            ASSERT_TRUE(keysArrived(sleeps)) << "send " << i << ", form " << form;
        }
    }
}

}  // namespace
}  // namespace tui::testing
