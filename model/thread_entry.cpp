#include "thread_entry.h"

#include "test_hooks.h"
#include "thread_list.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t (*g_fork)() = ::fork;

// In a new worker: SIGTERM must end it whatever the parent made of the signal.
void RestoreDefaultTermination()
{
    std::signal(SIGTERM, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace

void ModelSetForkFunction(pid_t (*fn)())
{
    g_fork = fn != nullptr ? fn : ::fork;
}

CThreadEntry::CThreadEntry(CThreadEntry&& other) noexcept
    : owner(other.owner), type(other.type), id(other.id), stopRequested(other.stopRequested),
      finished(other.finished), param1(other.param1), param2(other.param2), running(other.running),
      pid(other.pid), parentPid_(other.parentPid_)
{
    other.pid = -1;
    other.parentPid_ = -1;
    other.running = 0;
    other.finished = 1;
    other.stopRequested = 1;
}

CThreadEntry::~CThreadEntry()
{
    Release();
}

bool CThreadEntry::Start(int newType, int newId, int p1, int p2)
{
    type = newType;
    id = newId;
    param1 = p1;
    param2 = p2;
    stopRequested = 0;
    finished = 0;
    running = 1;
    pid_t child = g_fork();
    if (child < 0) {
        finished = 1;
        stopRequested = 1;
        id = 0;
        running = 0;
        pid = -1;
        return false;
    }
    if (child == 0) {
        // The worker: run the procedure on this process's copy of the object.
        // _exit, so that the parent's stdio buffers and exit handlers stay the parent's.
        pid = getpid();
        RestoreDefaultTermination();
        if (!stopRequested && owner != nullptr)
            owner->RunThreadProc(type, *this);
        _exit(0);
    }
    pid = child;
    parentPid_ = getpid();
    ModelPauseMs(50);
    return true;
}

bool CThreadEntry::OwnsWorker() const
{
    return pid > 0 && parentPid_ == getpid();
}

void CThreadEntry::MarkCollected()
{
    pid = -1;
    parentPid_ = -1;
    running = 0;
    finished = 1;
    stopRequested = 1;
}

void CThreadEntry::Kill()
{
    if (OwnsWorker())
        kill(pid, SIGTERM);
    id = 0;
    stopRequested = 1;
}

bool CThreadEntry::Collect()
{
    if (pid <= 0)
        return true;
    if (OwnsWorker()) {
        int status = 0;
        pid_t r;
        while ((r = waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
        }
        if (r == 0)
            return false;
        // r == pid, or ECHILD: the process is gone (for instance SIGCHLD is ignored).
    }
    // A copy in another process (a worker) never waits for its parent's workers.
    MarkCollected();
    return true;
}

bool CThreadEntry::Join()
{
    if (!running || pid <= 0)
        return false;
    if (OwnsWorker()) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    MarkCollected();
    return true;
}

void CThreadEntry::WaitGone(int graceMs)
{
    for (int waited = 0; !Collect(); waited += 50) {
        if (waited >= graceMs) {
            kill(pid, SIGKILL);
            Join();
            return;
        }
        ModelPauseMs(50);
    }
}

void CThreadEntry::Release()
{
    if (pid <= 0)
        return;
    if (!Collect()) {
        kill(pid, SIGTERM);
        WaitGone(kWorkerKillGraceMs);
    }
}

void CThreadEntry::Reset(CThreadList* list)
{
    Release();
    owner = list;
    type = 0;
    id = 0;
    stopRequested = 1;
    finished = 1;
    param1 = 0;
    param2 = 0;
    running = 0;
    pid = -1;
    parentPid_ = -1;
}
