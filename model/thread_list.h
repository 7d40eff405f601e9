// CThreadList: the table of background workers of a polymorphic model
// object. Workers are forked child processes, not threads; nothing is shared
// with them in memory, and the list learns of a worker's end only by
// collecting its process.
#pragma once

#include "carray.h"
#include "pause.h"
#include "thread_entry.h"

class CThreadList {
public:
    // A list with n free slots.
    explicit CThreadList(int n = 0);
    // Copies the slots; the live workers of `other` are started again for the
    // copy by RestartCopiedWorkers, which the copying class calls last.
    CThreadList(const CThreadList& other);
    // Takes over the other list's slots and workers.
    CThreadList(CThreadList&& other) noexcept;
    // Stops this list's workers, then copies the slots as the copy constructor does.
    CThreadList& operator=(const CThreadList& other);
    // Stops this list's workers, then takes over the other's.
    CThreadList& operator=(CThreadList&& other) noexcept;
    // Stops and collects every worker.
    virtual ~CThreadList();

    // Resizes the slot table: surplus slots are stopped, new ones free; 1, or 0 when out of memory.
    int SetSize(int n);
    // Starts a worker of `type` (1..10) in the first free slot; the slot index, or -1.
    int StartThread(int type, int param1, int param2);
    // Stops the worker of `slot`, or (slot -1) all workers, highest id first;
    // with `wait`, until each has been collected. 1, or 0 for a bad slot.
    int StopThread(int slot, int wait);
    // Waits for every started worker to end; 1.
    int WaitAll();
    // Marks a slot finished in the calling process's memory.
    void MarkFinished(int slot);
    // Collects the workers of this list that have ended, without blocking; how many.
    int Reap();

    // The ten thread procedures; procedure k runs workers of type k. They do nothing here.
    virtual void ThreadProc1(CThreadEntry& slot);
    virtual void ThreadProc2(CThreadEntry& slot);
    virtual void ThreadProc3(CThreadEntry& slot);
    virtual void ThreadProc4(CThreadEntry& slot);
    virtual void ThreadProc5(CThreadEntry& slot);
    virtual void ThreadProc6(CThreadEntry& slot);
    virtual void ThreadProc7(CThreadEntry& slot);
    virtual void ThreadProc8(CThreadEntry& slot);
    virtual void ThreadProc9(CThreadEntry& slot);
    virtual void ThreadProc10(CThreadEntry& slot);

    // The worker slots.
    CArray<CThreadEntry> threads;

protected:
    // Starts a worker for every slot copied from a live one, with the same
    // type, id and parameters. Call it once the copy is complete: a worker runs
    // on a snapshot of the whole object taken at the fork.
    void RestartCopiedWorkers();

    // Body of a periodic refresh worker: every `intervalSeconds` seconds calls
    // `refresh` until the slot is asked to stop (or the worker is killed). An
    // interval of 0 or less ends the worker at once instead of spinning.
    template <class F>
    static void RefreshLoop(CThreadEntry& slot, int intervalSeconds, F&& refresh)
    {
        if (intervalSeconds <= 0)
            return;
        while (!slot.IsStopRequested()) {
            for (int s = 0; s < intervalSeconds; ++s) {
                if (slot.IsStopRequested())
                    return;
                ModelPauseMs(1000);
            }
            refresh();
        }
    }

private:
    friend class CThreadEntry;
    // Runs thread procedure `type` (1..10) for a slot; called in the worker.
    void RunThreadProc(int type, CThreadEntry& slot);
    // Copies the other list's slots and restarts its live workers here.
    void CopySlotsFrom(const CThreadList& other);
    // Makes this list the owner of every slot.
    void AdoptSlots();
};
