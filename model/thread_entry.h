// CThreadEntry: one worker slot of a CThreadList. A worker is a forked child
// process that runs one of the owner's thread procedures on its own copy of
// the object.
#pragma once

#include <sys/types.h>

class CThreadList;

// How long a worker may take to end after SIGTERM before it gets SIGKILL.
constexpr int kWorkerKillGraceMs = 1000;

class CThreadEntry {
public:
    // A free slot: finished and asked to stop, no worker.
    CThreadEntry() = default;
    // Takes over the other slot's worker; the other slot is left free.
    CThreadEntry(CThreadEntry&& other) noexcept;
    CThreadEntry(const CThreadEntry&) = delete;
    CThreadEntry& operator=(const CThreadEntry&) = delete;
    CThreadEntry& operator=(CThreadEntry&&) = delete;
    // Stops and collects a worker this slot still holds.
    ~CThreadEntry();

    // Forks a worker that runs the owner's procedure `type` (1..10); false when fork failed.
    bool Start(int type, int id, int param1, int param2);
    // Asks the worker to end (SIGTERM); id becomes 0, the pid stays until it is collected.
    void Kill();
    // Blocking wait for the worker; true when it was collected.
    bool Join();
    // Collects the worker if it has ended, without blocking; true when the slot holds none.
    bool Collect();
    // Waits for a killed worker; after `graceMs` it is killed with SIGKILL and collected.
    void WaitGone(int graceMs);
    // 1 when the worker is asked to stop.
    int IsStopRequested() const { return stopRequested; }
    // Makes the slot free and owned by `list`; a worker still held is stopped first.
    void Reset(CThreadList* list);

    CThreadList* owner = nullptr;  // the list whose thread procedure runs
    int type = 0;                  // 1..10 = thread procedure 1..10
    int id = 0;                    // worker id, 0 = none
    int stopRequested = 1;         // 1 when asked to stop (also on a free slot)
    int finished = 1;              // 1 when free or its worker was collected
    int param1 = 0;
    int param2 = 0;
    int running = 0;               // 1 while a worker process was started from here
    pid_t pid = -1;                // the worker, -1 none

private:
    // Stops and collects the worker this slot holds, if this process forked it.
    void Release();
    // Marks the worker collected: free and finished, id kept.
    void MarkCollected();
    // True in the process that forked the worker (not in a forked copy).
    bool OwnsWorker() const;

    pid_t parentPid_ = -1;  // the process that forked the worker
};
