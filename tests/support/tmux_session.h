// A program running in its own tmux server (own socket, no configuration
// file), driven with send-keys and read with capture-pane. The commands go
// through one tmux client in control mode, kept open for the session: a
// command is a line written and a reply read, not a process started. The
// server is killed when the session object goes.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "wait_until.h"

namespace tui::testing {

namespace paneDetail {

// The name, state and parent fields of a stat file (/proc/<pid>/stat, or a
// thread's /proc/<pid>/task/<tid>/stat); false when the process is gone.
inline bool statFields(const std::string& path, std::string& name, std::string& state, long& parent)
{
    std::ifstream in(path);
    std::string text;
    if (!std::getline(in, text))
        return false;
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    return static_cast<bool>(rest >> state >> parent);
}

// The parent and name fields of /proc/<pid>/stat; false when the process is gone.
inline bool processParent(const std::string& pid, long& parent, std::string& name)
{
    std::string state;
    return statFields("/proc/" + pid + "/stat", name, state, parent);
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
// input, or poll/select (a curses program waits in one of these). It must be
// asleep: a thread preempted inside a poll that only looks whether a key is
// there (a zero timeout) shows the same call, but is busy.
inline bool waitsForInput(const std::string& pid, const std::string& tid)
{
    std::string name, state;
    long parent = 0;
    if (!statFields("/proc/" + pid + "/task/" + tid + "/stat", name, state, parent) || state != "S")
        return false;
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

// The bytes waiting to be read in the input queue of the terminal open as
// `fd`; -1 when it cannot be asked. What tmux writes to the pane's other end
// reaches that queue through a kernel worker, later. A poll of the terminal
// whose queue is empty has the kernel pass on first what is on its way, so
// that a key not yet passed on is not taken for a key read.
inline int pendingInput(int fd)
{
    pollfd p{fd, POLLIN, 0};
    int pending = -1;
    if (poll(&p, 1, 0) < 0 || ioctl(fd, FIONREAD, &pending) != 0)
        return -1;
    return pending;
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
    const int pending = pendingInput(fd);
    close(fd);
    if (pending != 0)
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

}  // namespace paneDetail

class tmuxSession {
public:
    // Starts `command` in a detached 80 x 25 pane; `command` runs under sh.
    explicit tmuxSession(const std::string& command)
    {
        static int serial = 0;
        socket_ = "kzm-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
        // The end of the command signals the channel "exited" (waitExit).
        const std::string pane = "env -u LC_ALL -u LC_CTYPE TERM=tmux-256color LANG=C.UTF-8 " + command +
                                 "; echo \"[exit $?]\"; " + tmuxCommand() + "wait-for -S exited; exec sleep 600";
        started_ = runProcess("new-session -d -x 80 -y 25 " + quote(pane)) && attachControl();
        if (started_) {
            socketPath_ = display("#{socket_path}");
            if (!socketPath_.empty() && socketPath_.back() == '\n')
                socketPath_.pop_back();
        }
    }
    ~tmuxSession()
    {
        if (tty_ >= 0)
            close(tty_);
        // The control client goes first: a server being killed would wait
        // for it to take its last output.
        detachControl();
        runProcess("kill-server");
        if (!socketPath_.empty())
            unlink(socketPath_.c_str());  // the server leaves its socket file behind
    }
    tmuxSession(const tmuxSession&) = delete;
    tmuxSession& operator=(const tmuxSession&) = delete;

    bool started() const { return started_; }
    // The pane's text; with escapes, its colours as SGR sequences too.
    std::string capture(bool escapes = false) { return run(escapes ? "capture-pane -p -e" : "capture-pane -p").out; }
    // Sends tmux key names (or literal text with "-l"); returns once tmux has
    // written the keys to the pane's terminal. A trailing Escape is taken by
    // the program before the call returns: the console reads ESC with a key
    // right behind it as one key (as "Escape Up" in one call is meant to be).
    void sendKeys(const std::string& keys)
    {
        sendKeysCommands("send-keys " + keys);
        if (endsWithEscape(keys))
            waitKeysRead();
    }
    // Sends each item as one send-keys (key names, or "-l text"), all in one
    // tmux call; a trailing Escape as above.
    void sendKeys(std::initializer_list<std::string> items) { sendKeys(std::vector<std::string>(items)); }
    void sendKeys(const std::vector<std::string>& items)
    {
        std::string args;
        for (const std::string& item : items)
            args += (args.empty() ? "send-keys " : " ; send-keys ") + item;
        if (args.empty())
            return;
        sendKeysCommands(args);
        if (endsWithEscape(items.back()))
            waitKeysRead();
    }
    // Sends the key `count` times in one call.
    void repeatKey(const std::string& key, int count)
    {
        if (count > 0 && endsWithEscape(key)) {
            for (int i = 0; i < count; ++i)
                sendKeys(key);
        } else if (count > 0) {
            sendKeysCommands("send-keys -N " + std::to_string(count) + " " + key);
        }
    }
    // Resizes the window (and with it the pane) as a terminal resize would.
    // Returns once the pane's terminal has the new size (tmux may apply it
    // a moment later), so the program has been told of it; fails the test
    // when it does not get that size within the bound.
    void resize(int columns, int rows)
    {
        run("resize-window -x " + std::to_string(columns) + " -y " + std::to_string(rows));
        const bool resized = kzmtest::waitUntil([&] {
            winsize size{};
            return openTty() && ioctl(tty_, TIOCGWINSZ, &size) == 0 && size.ws_col == columns && size.ws_row == rows;
        });
        EXPECT_TRUE(resized) << "the pane's terminal did not get the size " << columns << " x " << rows;
    }
    // A tmux format expanded for the pane.
    std::string display(const std::string& format) { return run("display-message -p " + quote(format)).out; }
    // Waits (bounded) until the pane shows the text.
    [[nodiscard]] bool waitFor(const std::string& text, int milliseconds = kzmtest::waitBound)
    {
        return kzmtest::waitUntil([&] { return capture().find(text) != std::string::npos; }, milliseconds);
    }
    // Waits (bounded) until the pane no longer shows the text.
    [[nodiscard]] bool waitGone(const std::string& text, int milliseconds = kzmtest::waitBound)
    {
        return kzmtest::waitUntil([&] { return capture().find(text) == std::string::npos; }, milliseconds);
    }
    // Waits (bounded) until the pane shows one of the texts.
    [[nodiscard]] bool waitForAny(std::initializer_list<std::string> texts, int milliseconds = kzmtest::waitBound)
    {
        return kzmtest::waitUntil(
            [&] {
                const std::string pane = capture();
                for (const std::string& t : texts)
                    if (pane.find(t) != std::string::npos)
                        return true;
                return false;
            },
            milliseconds);
    }
    // True when the program in the pane has read every key sent to it: its
    // terminal holds no input.
    [[nodiscard]] bool keysRead() { return openTty() && paneDetail::pendingInput(tty_) == 0; }
    // The fence after keys: waits (bounded) until the programs in the pane
    // have read every key, every thread of them waits for input, and two
    // captures taken so agree; `pane` gets the last capture. A screen read
    // after it shows everything the keys did, and that a key did nothing.
    // False when the screen did not come to rest in time.
    [[nodiscard]] bool waitStill(std::string& pane, int milliseconds = kzmtest::waitBound)
    {
        std::istringstream ids(display("#{pane_pid} #{pane_tty}"));
        long pid = 0;
        std::string tty;
        if (!(ids >> pid >> tty))
            return false;
        const auto programs = paneDetail::descendants(pid);
        std::string last = "\x01";
        return kzmtest::waitUntil(
            [&] {
                if (!paneDetail::paneWaitsForInput(programs, tty))
                    return false;
                pane = capture();
                const bool same = pane == last;
                last = pane;
                return same && paneDetail::paneWaitsForInput(programs, tty);
            },
            milliseconds);
    }
    // Waits until the pane's command has ended (the channel its end signals);
    // false when it did not end within the bound.
    [[nodiscard]] bool waitExit(int milliseconds = kzmtest::waitBound)
    {
        const std::string seconds = std::to_string((milliseconds + 999) / 1000);
        return std::system(("timeout " + seconds + " " + tmuxCommand() + "wait-for exited").c_str()) == 0;
    }

    // Single-quotes a word for the shell.
    static std::string quote(const std::string& s)
    {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

    // The rendition in effect where `text` first shows in an escaped
    // capture (capture(true)); found = false when the text is not there.
    struct rendition {
        bool found = false;
        bool bold = false;
        bool reverse = false;
        int fg = 39;  // SGR colour codes; 39 and 49 are the defaults
        int bg = 49;
    };
    static rendition renditionAt(const std::string& escaped, const std::string& text)
    {
        rendition r;
        const size_t at = escaped.find(text);
        if (at == std::string::npos)
            return r;
        r.found = true;
        for (size_t i = escaped.find("\x1b["); i < at; i = escaped.find("\x1b[", i + 1)) {
            const size_t end = escaped.find_first_not_of("0123456789;", i + 2);
            if (end == std::string::npos || escaped[end] != 'm')
                continue;
            std::string params = escaped.substr(i + 2, end - i - 2);
            for (const char* p = params.c_str();;) {
                char* next = nullptr;
                const long code = std::strtol(p, &next, 10);
                if (code == 0)
                    r = rendition{true};
                else if (code == 1 || code == 22)
                    r.bold = code == 1;
                else if (code == 7 || code == 27)
                    r.reverse = code == 7;
                else if ((code >= 30 && code <= 37) || code == 39)
                    r.fg = static_cast<int>(code);
                else if ((code >= 40 && code <= 47) || code == 49)
                    r.bg = static_cast<int>(code);
                if (*next != ';')
                    break;
                p = next + 1;
            }
        }
        return r;
    }

private:
    struct result {
        bool ok;
        std::string out;
    };
    // The shell words that start a tmux client of this server.
    std::string tmuxCommand() const { return quote(TMUX_PATH) + " -u -L " + socket_ + " -f /dev/null "; }
    // Runs send-keys commands and returns once tmux has written their keys
    // to the pane's terminal. tmux may answer a command before it writes the
    // keys to the pane, and the kernel passes them on to the terminal's
    // reader later still: a check of the terminal right after the answer
    // could find it empty with the keys on their way, and take them for
    // read. A second command comes back only after tmux's round of writes;
    // a check of the terminal (pendingInput) has the kernel pass them on.
    void sendKeysCommands(const std::string& commands)
    {
        run(commands);
        run("display-message -p keys-written");
        if (openTty())
            static_cast<void>(paneDetail::pendingInput(tty_));
    }
    // Whether the last key of a send-keys argument list is Escape.
    static bool endsWithEscape(const std::string& keys)
    {
        const size_t last = keys.find_last_of(' ');
        const std::string key = last == std::string::npos ? keys : keys.substr(last + 1);
        return key == "Escape" || key == "Esc" || key == "C-[";
    }
    // Waits (bounded) until the program has read every key sent so far;
    // fails the test when it has not.
    void waitKeysRead()
    {
        EXPECT_TRUE(kzmtest::waitUntil([&] { return keysRead(); }))
            << "the program in the pane did not read the keys sent to it within " << kzmtest::waitBound << " ms";
    }
    // Opens the pane's terminal (once) for the checks on its input and size.
    bool openTty()
    {
        if (tty_ < 0) {
            std::string path = display("#{pane_tty}");
            while (!path.empty() && path.back() == '\n')
                path.pop_back();
            tty_ = path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        }
        return tty_ >= 0;
    }
    // Runs one tmux client process with the arguments (shell words), for at
    // most the wait bound; whether it succeeded.
    bool runProcess(const std::string& args)
    {
        const std::string cmd = "timeout " + std::to_string(kzmtest::waitBound / 1000) + " env LANG=C.UTF-8 " +
                                tmuxCommand() + args + " >/dev/null 2>&1";
        return std::system(cmd.c_str()) == 0;
    }

    // Starts the control-mode client on one end of a socket pair and reads
    // the reply to its attach; whether it is ready for commands.
    bool attachControl()
    {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> env{"LANG=C.UTF-8"};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "LANG=", 5) != 0)
                env.emplace_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        // The client takes no pane output and leaves the window's size alone.
        std::string program = TMUX_PATH, u = "-u", l = "-L", f = "-f", null = "/dev/null", c = "-C", attach = "attach",
                    flagsOption = "-f", flags = "no-output,ignore-size";
        char* argv[] = {program.data(), u.data(),      l.data(),           socket_.data(), f.data(), null.data(),
                        c.data(),       attach.data(), flagsOption.data(), flags.data(),   nullptr};
        const int spawned = posix_spawn(&client_, TMUX_PATH, &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (spawned != 0) {
            close(ends[0]);
            client_ = -1;
            return false;
        }
        control_ = ends[0];
        std::string reply;
        // The attach's own reply comes first.
        return readReply(reply);
    }
    // Ends the control client and reaps it. It is killed rather than told
    // its input ended: a client whose input ends waits for the server to let
    // it go, and a busy server may take long to.
    void detachControl()
    {
        if (control_ >= 0)
            close(control_);
        control_ = -1;
        if (client_ > 0) {
            kill(client_, SIGKILL);
            while (waitpid(client_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        client_ = -1;
    }
    // The next line from the control client (without its newline); false
    // at its end or when none comes within the bound.
    bool readLine(std::string& line)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kzmtest::waitBound);
        for (;;) {
            const size_t nl = input_.find('\n');
            if (nl != std::string::npos) {
                line = input_.substr(0, nl);
                input_.erase(0, nl + 1);
                return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            pollfd p{control_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
                return false;
            char buf[8192];
            const ssize_t n = read(control_, buf, sizeof buf);
            if (n <= 0)
                return false;
            input_.append(buf, static_cast<size_t>(n));
        }
    }
    // One reply block of the control client ("%begin" to its "%end" or
    // "%error"); notifications between blocks are skipped. False when the
    // client ended or hung; `failed` tells an "%error" block.
    bool readReply(std::string& out, bool* failed = nullptr)
    {
        std::string line;
        do {
            if (!readLine(line))
                return false;
        } while (line.rfind("%begin ", 0) != 0);
        // "%begin time number flags": the end line repeats time and number.
        const std::string stamp = line.substr(7, line.rfind(' ') - 7);
        out.clear();
        while (readLine(line)) {
            const bool ended = line == "%end " + stamp || line.rfind("%end " + stamp + " ", 0) == 0;
            const bool error = line == "%error " + stamp || line.rfind("%error " + stamp + " ", 0) == 0;
            if (ended || error) {
                if (failed)
                    *failed = error;
                return true;
            }
            out += line + "\n";
        }
        return false;
    }
    // Runs tmux commands (a line in tmux's command syntax, commands parted by
    // " ; ") through the control client; the output of all of them, ok when
    // none failed. A fence command after the line marks the end of its replies.
    result run(const std::string& args)
    {
        result r{false, {}};
        if (control_ < 0 || args.find('\n') != std::string::npos)
            return r;
        const std::string fence = "kzm-fence-" + std::to_string(++fences_);
        const std::string lines = args + "\ndisplay-message -p " + fence + "\n";
        if (send(control_, lines.data(), lines.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(lines.size())) {
            detachControl();
            return r;
        }
        r.ok = true;
        for (;;) {
            std::string out;
            bool failed = false;
            if (!readReply(out, &failed)) {
                detachControl();  // the server is gone or hangs: no later command waits for it
                return {false, r.out};
            }
            if (!failed && out == fence + "\n")
                return r;
            r.ok = r.ok && !failed;
            if (!failed)
                r.out += out;
        }
    }

    std::string socket_;
    std::string socketPath_;
    bool started_ = false;
    int tty_ = -1;      // the pane's terminal, open for keysRead
    int control_ = -1;  // the control client's socket
    pid_t client_ = -1;
    std::string input_;  // read from the control client, not yet taken
    int fences_ = 0;
};

}  // namespace tui::testing
