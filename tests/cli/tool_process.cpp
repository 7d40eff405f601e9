#include "tool_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#ifndef OSTREL_PATH
#error "OSTREL_PATH must name the ostrel program"
#endif

namespace {

constexpr auto RUN_BOUND = std::chrono::seconds(60);

[[noreturn]] void ExecChild(const std::vector<std::string>& args, const std::string& procRoot, unsigned uid,
                            int outFd, int errFd)
{
    const int devnull = open("/dev/null", O_RDONLY);
    if (devnull < 0 || dup2(devnull, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0)
        _exit(126);
    if (setenv("KZMH_PROC_ROOT", procRoot.c_str(), 1) != 0)
        _exit(126);
    if (uid != 0 && (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0))
        _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(OSTREL_PATH));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(OSTREL_PATH, argv.data());
    _exit(127);
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& args, const std::string& procRoot, unsigned uid)
{
    ToolResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return result;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0)
        ExecChild(args, procRoot, uid, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    bool timedOut = false;
    const auto until = std::chrono::steady_clock::now() + RUN_BOUND;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        const int ready = poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!timedOut && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}
