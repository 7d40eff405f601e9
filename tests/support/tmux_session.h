// A program running in its own tmux server (own socket, no configuration
// file), driven with send-keys and read with capture-pane. The server is
// killed when the session object goes.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace tui::testing {

class tmuxSession {
public:
    // Starts `command` in a detached 80 x 25 pane; `command` runs under sh.
    explicit tmuxSession(const std::string& command)
    {
        static int serial = 0;
        socket_ = "kzm-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
        const std::string pane = "env -u LC_ALL -u LC_CTYPE TERM=tmux-256color LANG=C.UTF-8 " + command +
                                 "; echo \"[exit $?]\"; exec sleep 600";
        started_ = run("new-session -d -x 80 -y 25 " + quote(pane)).ok;
        if (started_) {
            socketPath_ = display("#{socket_path}");
            if (!socketPath_.empty() && socketPath_.back() == '\n')
                socketPath_.pop_back();
        }
    }
    ~tmuxSession()
    {
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
    // A tmux format expanded for the pane.
    std::string display(const std::string& format) { return run("display-message -p " + quote(format)).out; }
    // Waits (bounded) until the pane shows the text.
    bool waitFor(const std::string& text, int milliseconds = 5000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            if (capture().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // Single-quotes a word for the shell.
    static std::string quote(const std::string& s)
    {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

private:
    struct result {
        bool ok;
        std::string out;
    };
    result run(const std::string& args)
    {
        const std::string cmd = "env LANG=C.UTF-8 " + quote(TMUX_PATH) + " -u -L " + socket_ +
                                " -f /dev/null " + args + " 2>/dev/null";
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
};

}  // namespace tui::testing
