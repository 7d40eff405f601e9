// Threads layer over POSIX threads and mutexes, with a per-thread error text.
#pragma once

#include <pthread.h>

struct ThreadSpec {
    int joinable = 1;                  // 0 = the thread is detached
    void* (*start)(void*) = nullptr;   // start function
    void* arg = nullptr;               // its argument
};

using ThreadId = pthread_t;
using Mutex = pthread_mutex_t;

// Starts a thread with SIGINT and SIGTERM blocked (only the main thread
// takes the stop signals); detaches it unless joinable. -1 on failure.
int thr_create(ThreadId* id, const ThreadSpec& desc);
// Waits for the thread's end; the time limit is ignored. -1 on failure.
int thr_join(ThreadId id, int timeLimit, void** result);
// The calling thread's id.
ThreadId thr_self();
// Ends the calling thread.
[[noreturn]] void thr_exit();
// The calling thread's last failure text.
const char* thr_last_error();
// Default attributes; 0.
int mutex_init(Mutex* m);
// -1 on failure.
int mutex_lock(Mutex* m);
// -1 on failure.
int mutex_unlock(Mutex* m);
// 0.
int mutex_destroy(Mutex* m);
