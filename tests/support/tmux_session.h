// A program running in its own tmux server (own socket, no configuration
// file), driven with send-keys and read with capture-pane. The server is
// killed when the session object goes.
#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "wait_until.h"

namespace tui::testing {

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
        started_ = run("new-session -d -x 80 -y 25 " + quote(pane)).ok;
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
        run("kill-server");
        if (!socketPath_.empty())
            unlink(socketPath_.c_str());  // the server leaves its socket file behind
    }
    tmuxSession(const tmuxSession&) = delete;
    tmuxSession& operator=(const tmuxSession&) = delete;

    bool started() const { return started_; }
    // The pane's text; with escapes, its colours as SGR sequences too.
    std::string capture(bool escapes = false) { return run(escapes ? "capture-pane -p -e" : "capture-pane -p").out; }
    // Sends tmux key names (or literal text with "-l").
    void sendKeys(const std::string& keys) { run("send-keys " + keys); }
    // Sends each item as one send-keys (key names, or "-l text"), all in one
    // tmux call.
    void sendKeys(std::initializer_list<std::string> items) { sendKeys(std::vector<std::string>(items)); }
    void sendKeys(const std::vector<std::string>& items)
    {
        std::string args;
        for (const std::string& item : items)
            args += (args.empty() ? "send-keys " : " \\; send-keys ") + item;
        if (!args.empty())
            run(args);
    }
    // Sends the key `count` times in one call.
    void repeatKey(const std::string& key, int count)
    {
        if (count > 0)
            run("send-keys -N " + std::to_string(count) + " " + key);
    }
    // Resizes the window (and with it the pane) as a terminal resize would.
    void resize(int columns, int rows)
    {
        run("resize-window -x " + std::to_string(columns) + " -y " + std::to_string(rows));
    }
    // A tmux format expanded for the pane.
    std::string display(const std::string& format) { return run("display-message -p " + quote(format)).out; }
    // Waits (bounded) until the pane shows the text.
    bool waitFor(const std::string& text, int milliseconds = kzmtest::waitBound)
    {
        return kzmtest::waitUntil([&] { return capture().find(text) != std::string::npos; }, milliseconds);
    }
    // Waits (bounded) until the pane no longer shows the text.
    bool waitGone(const std::string& text, int milliseconds = kzmtest::waitBound)
    {
        return kzmtest::waitUntil([&] { return capture().find(text) == std::string::npos; }, milliseconds);
    }
    // Waits (bounded) until the pane shows one of the texts.
    bool waitForAny(std::initializer_list<std::string> texts, int milliseconds = kzmtest::waitBound)
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
    bool keysRead()
    {
        if (tty_ < 0) {
            std::string path = display("#{pane_tty}");
            while (!path.empty() && path.back() == '\n')
                path.pop_back();
            tty_ = path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (tty_ < 0)
                return false;
        }
        int pending = 0;
        return ioctl(tty_, FIONREAD, &pending) == 0 && pending == 0;
    }
    // The fence after keys: waits (bounded) until the program has read them
    // all and two captures in a row are the same; `pane` gets the last
    // capture. False when the screen did not come to rest in time.
    bool waitStill(std::string& pane, int milliseconds = kzmtest::waitBound)
    {
        std::string last;
        return kzmtest::waitUntil(
            [&] {
                if (!keysRead()) {
                    last.clear();
                    return false;
                }
                pane = capture();
                const bool same = !pane.empty() && pane == last;
                last = pane;
                return same;
            },
            milliseconds);
    }
    // Waits until the pane's command has ended (the channel its end signals);
    // false when it did not end within the bound.
    bool waitExit(int milliseconds = kzmtest::waitBound)
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
    result run(const std::string& args)
    {
        const std::string cmd = "env LANG=C.UTF-8 " + tmuxCommand() + args + " 2>/dev/null";
        result r{false, {}};
        FILE* p = popen(cmd.c_str(), "r");
        if (!p)
            return r;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        r.ok = pclose(p) == 0;
        return r;
    }

    std::string socket_;
    std::string socketPath_;
    bool started_ = false;
    int tty_ = -1;  // the pane's terminal, open for keysRead
};

}  // namespace tui::testing
