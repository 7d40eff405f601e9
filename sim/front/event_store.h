// The driver-wide store of controller events, read by handle (request code 0),
// by a shared cursor (request code 2) and cleared (request code 254).
#pragma once

#include "driver_layout.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace kzmsim {

using EventBytes = std::array<uint8_t, EVENT_SIZE>;

constexpr uint32_t EVENT_HANDLE_NONE = 0xFFFFFFFF;
constexpr uint32_t EVENT_READ_BY_HANDLE = 0;
constexpr uint32_t EVENT_READ_NEXT = 2;
constexpr uint32_t EVENT_CLEAR = 254;
constexpr size_t EVENT_STORE_LIMIT = 1000;  // oldest events drop out beyond this
constexpr uint16_t EVENT_SOURCE_ASYNC = 1;  // an event the controller raised itself
constexpr size_t EVENT_EXTRA_MAX = EV_DATA_LEN - 6;  // event-specific bytes after number

// The fields of one event as the emulator raises it.
struct EventFields {
    uint16_t controller = 0;
    uint16_t source = EVENT_SOURCE_ASYNC;
    uint16_t service = SVC_CACHE;
    uint16_t number = 0;
    uint32_t severity = 0;
    bool textOnly = false;           // data size 0; the first 6 data bytes are still filled
    std::vector<uint8_t> extra;      // data from offset 6, at most 10 bytes
    std::string text;                // at most 256 bytes; 256 leave no NUL
};

// Builds the record of an event stamped with the current time.
EventBytes makeEvent(const EventFields& fields);
// The severity the firmware gives its own asynchronous event `number`
// (0 critical, 1 warning, 2 informational; 1 beyond the table).
uint32_t firmwareEventSeverity(uint16_t number);

class EventStore {
public:
    // Adds an event; its handle is the next sequence number.
    void add(const EventBytes& event);
    // Answers one event request: fills `event` (all zero when none) and the next handle.
    void request(uint32_t code, uint32_t handle, EventBytes& event, uint32_t& nextHandle);
    // Gives the newest event the time stamps t1 and t2; false when the store is empty.
    bool stampNewest(uint32_t t1, uint32_t t2);
    // Number of events held.
    size_t size() const { return events_.size(); }

private:
    struct Stored {
        uint32_t id;
        EventBytes bytes;
    };
    // Answers the first stored event whose id is at least `from`.
    // False (and a zero event) when there is none.
    bool answerFrom(uint64_t from, EventBytes& event, uint32_t& nextHandle, uint32_t* id) const;

    std::deque<Stored> events_;
    uint32_t nextId_ = 0;
    uint64_t reportedNext_ = 0;  // first id not yet given to code-2 readers
};

}  // namespace kzmsim
