// Child processes of the worker tests.
#pragma once

#include <cerrno>
#include <sys/types.h>
#include <sys/wait.h>

// True when `pid` is no longer a child of this process (collected, no zombie).
inline bool Collected(pid_t pid)
{
    errno = 0;
    return waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}
