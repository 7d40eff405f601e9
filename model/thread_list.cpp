#include "thread_list.h"

#include <utility>

CThreadList::CThreadList(int n)
{
    SetSize(n);
}

CThreadList::CThreadList(const CThreadList& other)
{
    CopySlotsFrom(other);
}

CThreadList::CThreadList(CThreadList&& other) noexcept : threads(std::move(other.threads))
{
    AdoptSlots();
}

CThreadList& CThreadList::operator=(const CThreadList& other)
{
    if (this != &other) {
        threads.SetSize(0);
        CopySlotsFrom(other);
    }
    return *this;
}

CThreadList& CThreadList::operator=(CThreadList&& other) noexcept
{
    if (this != &other) {
        threads = std::move(other.threads);
        AdoptSlots();
    }
    return *this;
}

CThreadList::~CThreadList() = default;

void CThreadList::AdoptSlots()
{
    for (int i = 0; i < threads.count; ++i)
        threads[i].owner = this;
}

void CThreadList::CopySlotsFrom(const CThreadList& other)
{
    if (!threads.SetSize(other.threads.count))
        return;
    AdoptSlots();
    for (int i = 0; i < threads.count; ++i) {
        const CThreadEntry& from = other.threads[i];
        CThreadEntry& to = threads[i];
        to.type = from.type;
        to.id = from.id;
        to.param1 = from.param1;
        to.param2 = from.param2;
        // A live worker leaves its slot waiting for RestartCopiedWorkers:
        // not finished, not asked to stop, no process yet.
        bool live = !from.finished && !from.stopRequested;
        to.finished = live ? 0 : 1;
        to.stopRequested = live ? 0 : 1;
    }
}

void CThreadList::RestartCopiedWorkers()
{
    for (int i = 0; i < threads.count; ++i) {
        CThreadEntry& e = threads[i];
        if (!e.finished && !e.stopRequested && !e.running && e.pid <= 0)
            e.Start(e.type, e.id, e.param1, e.param2);
    }
}

int CThreadList::SetSize(int n)
{
    if (!threads.SetSize(n))
        return 0;
    AdoptSlots();
    return 1;
}

int CThreadList::StartThread(int type, int param1, int param2)
{
    if (type < 1 || type > 10)
        return -1;
    Reap();
    int highest = 0;
    for (int i = 0; i < threads.count; ++i)
        if (threads[i].id > highest)
            highest = threads[i].id;
    int slot = -1;
    for (int i = 0; i < threads.count && slot < 0; ++i)
        if (threads[i].finished)
            slot = i;
    if (slot < 0)
        return -1;
    CThreadEntry& e = threads[slot];
    if (e.running)
        e.Join();
    e.Reset(this);
    return e.Start(type, highest + 1, param1, param2) ? slot : -1;
}

int CThreadList::StopThread(int slot, int wait)
{
    if (slot >= 0) {
        if (slot >= threads.count)
            return 0;
        threads[slot].Kill();
        if (wait)
            threads[slot].WaitGone(kWorkerKillGraceMs);
        return 1;
    }
    if (slot != -1)
        return 0;
    for (;;) {
        int pick = -1;
        for (int i = 0; i < threads.count; ++i)
            if (threads[i].id > 0 && (pick < 0 || threads[i].id > threads[pick].id))
                pick = i;
        if (pick < 0)
            return 1;
        threads[pick].Kill();
        if (wait)
            threads[pick].WaitGone(kWorkerKillGraceMs);
    }
}

int CThreadList::WaitAll()
{
    for (int i = 0; i < threads.count; ++i)
        if (threads[i].running)
            threads[i].Join();
    return 1;
}

void CThreadList::MarkFinished(int slot)
{
    if (slot >= 0 && slot < threads.count)
        threads[slot].finished = 1;
}

int CThreadList::Reap()
{
    int collected = 0;
    for (int i = 0; i < threads.count; ++i)
        if (threads[i].pid > 0 && threads[i].Collect())
            ++collected;
    return collected;
}

void CThreadList::RunThreadProc(int type, CThreadEntry& slot)
{
    using Proc = void (CThreadList::*)(CThreadEntry&);
    static constexpr Proc kProcs[10] = {
        &CThreadList::ThreadProc1, &CThreadList::ThreadProc2, &CThreadList::ThreadProc3,
        &CThreadList::ThreadProc4, &CThreadList::ThreadProc5, &CThreadList::ThreadProc6,
        &CThreadList::ThreadProc7, &CThreadList::ThreadProc8, &CThreadList::ThreadProc9,
        &CThreadList::ThreadProc10,
    };
    if (type >= 1 && type <= 10)
        (this->*kProcs[type - 1])(slot);
}

void CThreadList::ThreadProc1(CThreadEntry&) {}
void CThreadList::ThreadProc2(CThreadEntry&) {}
void CThreadList::ThreadProc3(CThreadEntry&) {}
void CThreadList::ThreadProc4(CThreadEntry&) {}
void CThreadList::ThreadProc5(CThreadEntry&) {}
void CThreadList::ThreadProc6(CThreadEntry&) {}
void CThreadList::ThreadProc7(CThreadEntry&) {}
void CThreadList::ThreadProc8(CThreadEntry&) {}
void CThreadList::ThreadProc9(CThreadEntry&) {}
void CThreadList::ThreadProc10(CThreadEntry&) {}
