#include "event_store.h"

namespace kzmsim {

void EventStore::add(const EventBytes& event)
{
    // Ids grow by one; the "none" handle 0xFFFFFFFF is never reached in practice.
    events_.push_back(Stored{nextId_++, event});
    if (events_.size() > EVENT_STORE_LIMIT)
        events_.pop_front();
}

bool EventStore::answerFrom(uint64_t from, EventBytes& event, uint32_t& nextHandle, uint32_t* id) const
{
    event.fill(0);
    nextHandle = EVENT_HANDLE_NONE;
    for (size_t i = 0; i < events_.size(); ++i) {
        if (events_[i].id < from)
            continue;
        event = events_[i].bytes;
        if (id)
            *id = events_[i].id;
        if (i + 1 < events_.size())
            nextHandle = events_[i + 1].id;
        return true;
    }
    return false;
}

void EventStore::request(uint32_t code, uint32_t handle, EventBytes& event, uint32_t& nextHandle)
{
    switch (code) {
    case EVENT_READ_BY_HANDLE:
        // The handle names the next event to give; -1 starts at the oldest.
        answerFrom(handle == EVENT_HANDLE_NONE ? 0 : handle, event, nextHandle, nullptr);
        break;
    case EVENT_READ_NEXT: {
        uint32_t id = 0;
        if (answerFrom(reportedNext_, event, nextHandle, &id))
            reportedNext_ = static_cast<uint64_t>(id) + 1;
        break;
    }
    case EVENT_CLEAR:
        events_.clear();
        event.fill(0);
        nextHandle = EVENT_HANDLE_NONE;
        break;
    default:
        event.fill(0);
        nextHandle = EVENT_HANDLE_NONE;
        break;
    }
}

}  // namespace kzmsim
