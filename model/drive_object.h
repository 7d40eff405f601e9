// CDriveObject: what the controller's drive objects (array, mirror, logical,
// physical and host drives, enclosures) share: the error word, the worker
// slots, the refresh interval, and the one rule for copying them.
//
// A copy is the whole object: error word, slots, refresh interval and the
// class's own fields (its CopyFields). Every worker still running in the
// source is started again for the copy with the same type, id and parameters,
// once the copy is complete, because a worker runs on a snapshot of the whole
// object taken when it is forked. So a copy of a drive that refreshes itself
// goes on refreshing on the same interval with a worker of its own, and
// SetAutoRefresh(0) on the copy stops exactly that worker. The controller's
// lists hold copies (appending assigns), so an interval the controller carries
// over to a re-read drive survives the append.
#pragma once

#include "abstr_base.h"
#include "thread_entry.h"
#include "thread_list.h"

template <class Derived>
class CDriveObject : public CAbstrBase, public CThreadList {
public:
    // Seconds between background refreshes; 0 = worker off.
    int GetRefreshInterval() const { return refreshInterval; }

    int refreshInterval = 0;

protected:
    // The refresh worker's type (and the slot the drive classes give it).
    static constexpr int kRefreshWorker = 1;

    // A drive with `slots` free worker slots.
    explicit CDriveObject(int slots) : CThreadList(slots) {}
    // Copies error word, slots and interval; the derived copy constructor
    // finishes with CompleteCopy.
    CDriveObject(const CDriveObject& other) = default;
    // Takes over the other's workers.
    CDriveObject(CDriveObject&& other) noexcept = default;
    CDriveObject& operator=(CDriveObject&& other) noexcept = default;
    ~CDriveObject() override = default;

    // The body of the derived copy constructor: the class's own fields, then
    // the copy's workers.
    void CompleteCopy(const Derived& other)
    {
        static_cast<Derived*>(this)->CopyFields(other);
        RestartCopiedWorkers();
    }
    // The derived copy assignment: this object's workers stop, then everything
    // is copied as by the copy constructor.
    Derived& AssignCopy(const Derived& other)
    {
        if (this != &other) {
            CAbstrBase::operator=(other);
            CThreadList::operator=(other);
            refreshInterval = other.refreshInterval;
            CompleteCopy(other);
        }
        return *static_cast<Derived*>(this);
    }

    // SetAutoRefresh: stores the interval; from 0 to non-zero starts the
    // refresh worker, from non-zero to 0 stops and collects it. 1, or 0 when
    // no worker could be started.
    int SwitchAutoRefresh(int seconds)
    {
        const int old = refreshInterval;
        refreshInterval = seconds;
        if (old == 0 && seconds != 0)
            return StartThread(kRefreshWorker, 0, 0) >= 0 ? 1 : 0;
        if (old != 0 && seconds == 0)
            return StopThread(-1, 1);
        return 1;
    }
    // The refresh worker's body: the object's Refresh every interval.
    void RunRefreshWorker(CThreadEntry& slot)
    {
        RefreshLoop(slot, refreshInterval, [this] { static_cast<Derived*>(this)->Refresh(); });
    }
};
