#include "program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

extern char** environ;

namespace {

// Appends what the descriptor has to `out`; false at its end.
bool Drain(int fd, std::string& out)
{
    char buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0)
        out.append(buf, static_cast<size_t>(n));
    return n > 0 || (n < 0 && errno == EINTR);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    ProgramResult r;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return r;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return r;
    }
    std::vector<std::string> envWords;
    for (char** e = environ; *e; ++e)
        envWords.emplace_back(*e);
    for (const std::string& w : env) {
        const std::string name = w.substr(0, w.find('=') + 1);
        std::erase_if(envWords, [&](const std::string& e) { return e.starts_with(name); });
        envWords.push_back(w);
    }
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : envWords)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned == 0) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool outOpen = true, errOpen = true;
        while ((outOpen || errOpen) && std::chrono::steady_clock::now() < until) {
            pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0}, {errOpen ? errPipe[0] : -1, POLLIN, 0}};
            if (poll(fds, 2, 100) <= 0)
                continue;
            if (fds[0].revents)
                outOpen = Drain(outPipe[0], r.out);
            if (fds[1].revents)
                errOpen = Drain(errPipe[0], r.err);
        }
        if (outOpen || errOpen)
            kill(pid, SIGKILL);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!outOpen && !errOpen && WIFEXITED(status))
            r.exitCode = WEXITSTATUS(status);
    }
    close(outPipe[0]);
    close(errPipe[0]);
    return r;
}
