#include "threads.h"

#include <csignal>
#include <cstdio>

namespace {
thread_local char threadError[128] = "";

void set_thread_error(const char* text) { std::snprintf(threadError, sizeof threadError, "%s", text); }
}  // namespace

int thr_create(ThreadId* id, const ThreadSpec& desc)
{
    // The new thread inherits the creator's mask: block the stop signals
    // around the creation so that they always reach the main thread.
    sigset_t stop, old;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, &old);
    ThreadId tid;
    int rc = pthread_create(&tid, nullptr, desc.start, desc.arg);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (rc != 0) {
        set_thread_error("Error while creating thread");
        return -1;
    }
    if (!desc.joinable)
        pthread_detach(tid);
    if (id)
        *id = tid;
    return 0;
}

int thr_join(ThreadId id, int /*timeLimit*/, void** result)
{
    if (pthread_join(id, result) != 0) {
        set_thread_error("Error waiting for end of thread");
        return -1;
    }
    return 0;
}

ThreadId thr_self() { return pthread_self(); }

void thr_exit() { pthread_exit(nullptr); }

const char* thr_last_error() { return threadError; }

int mutex_init(Mutex* m)
{
    pthread_mutex_init(m, nullptr);
    return 0;
}

int mutex_lock(Mutex* m)
{
    if (pthread_mutex_lock(m) != 0) {
        set_thread_error("Could not execute pthread_mutex_lock()");
        return -1;
    }
    return 0;
}

int mutex_unlock(Mutex* m)
{
    if (pthread_mutex_unlock(m) != 0) {
        set_thread_error("pthread_mutex_unlock() failed");
        return -1;
    }
    return 0;
}

int mutex_destroy(Mutex* m)
{
    pthread_mutex_destroy(m);
    return 0;
}
