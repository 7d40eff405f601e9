#include "event_store.h"

#include <byte_order.h>

#include <algorithm>
#include <ctime>

namespace kzmsim {

namespace {

// Severities of the firmware's asynchronous events by event number.
constexpr uint8_t kAsyncSeverity[] = {
    1, 0, 0, 0, 0, 0, 0, 0, 1, 0,  // 0-9
    1, 0, 0, 0, 0, 0, 2, 0, 0, 1,  // 10-19
    2, 2, 2, 0, 2, 0, 2, 2, 0, 2,  // 20-29
    2, 2, 0, 0, 0, 0, 0, 2, 2, 2,  // 30-39
    2, 2, 2, 0, 2, 2, 1, 2, 1, 2,  // 40-49
    0, 2, 2, 0, 0, 2, 2, 2, 1, 1,  // 50-59
    1, 1, 2, 2, 0, 0, 1, 2, 2, 2,  // 60-69
    1, 0, 1, 2, 2, 0, 2, 0, 2, 0,  // 70-79
    2, 0, 2, 0, 2,                 // 80-84
};
constexpr uint32_t SEVERITY_WARNING = 1;

}  // namespace

uint32_t firmwareEventSeverity(uint16_t number)
{
    return number < std::size(kAsyncSeverity) ? kAsyncSeverity[number] : SEVERITY_WARNING;
}

EventBytes makeEvent(const EventFields& f)
{
    EventBytes event{};
    uint8_t* p = event.data();
    const auto now = static_cast<uint32_t>(std::time(nullptr));
    wire::put32(p, EV_TIME, now);
    wire::put32(p, EV_TIME2, now);
    wire::put16(p, EV_COUNT, 1);
    wire::put16(p, EV_SOURCE, f.source);
    wire::put16(p, EV_SERVICE, f.service);
    wire::put16(p, EV_DATA_SIZE, f.textOnly ? 0 : EV_DATA_LEN);
    // Even a text-only event names its controller, service and number.
    wire::put16(p, EV_DATA, f.controller);
    wire::put16(p, EV_DATA + 2, f.service);
    wire::put16(p, EV_DATA + 4, f.number);
    wire::putBytes(p, EV_DATA + 6, f.extra.data(), std::min(f.extra.size(), EVENT_EXTRA_MAX));
    wire::put32(p, EV_SEVERITY, f.severity);
    wire::putBytes(p, EV_TEXT, f.text.data(), std::min(f.text.size(), EV_TEXT_LEN));
    return event;
}

void EventStore::add(const EventBytes& event)
{
    // Ids grow by one; the "none" handle 0xFFFFFFFF is never reached in practice.
    events_.push_back(Stored{nextId_++, event});
    if (events_.size() > EVENT_STORE_LIMIT)
        events_.pop_front();
}

bool EventStore::stampNewest(uint32_t t1, uint32_t t2)
{
    if (events_.empty())
        return false;
    uint8_t* p = events_.back().bytes.data();
    wire::put32(p, EV_TIME, t1);
    wire::put32(p, EV_TIME2, t2);
    return true;
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
