#include "event_store.h"

#include <byte_order.h>

#include <gtest/gtest.h>

using namespace kzmsim;

namespace {

EventBytes eventNumbered(uint16_t number)
{
    EventBytes e{};
    wire::put16(e.data(), EV_SOURCE, 1);
    wire::put16(e.data(), EV_DATA + 4, number);
    return e;
}

uint16_t numberOf(const EventBytes& e) { return wire::get16(e.data(), EV_DATA + 4); }
uint16_t sourceOf(const EventBytes& e) { return wire::get16(e.data(), EV_SOURCE); }

}  // namespace

TEST(EventStore, EmptyStoreAnswersNoEvent)
{
    EventStore s;
    for (uint32_t code : {EVENT_READ_BY_HANDLE, EVENT_READ_NEXT, EVENT_CLEAR, 7u}) {
        EventBytes e;
        e.fill(0xFF);
        uint32_t next = 0;
        s.request(code, EVENT_HANDLE_NONE, e, next);
        EXPECT_EQ(e, EventBytes{});
        EXPECT_EQ(next, EVENT_HANDLE_NONE);
    }
}

TEST(EventStore, HandleWalkGoesFromMinusOneToMinusOne)
{
    EventStore s;
    for (uint16_t n : {10, 11, 12})
        s.add(eventNumbered(n));
    std::vector<uint16_t> seen;
    uint32_t handle = EVENT_HANDLE_NONE;
    for (int guard = 0; guard < 10; ++guard) {
        EventBytes e;
        uint32_t next = 0;
        s.request(EVENT_READ_BY_HANDLE, handle, e, next);
        if (sourceOf(e) == 0)
            break;
        seen.push_back(numberOf(e));
        if (next == EVENT_HANDLE_NONE)
            break;
        handle = next;
    }
    EXPECT_EQ(seen, (std::vector<uint16_t>{10, 11, 12}));
    // Walking does not consume: a second walk starts again at the oldest.
    EventBytes e;
    uint32_t next = 0;
    s.request(EVENT_READ_BY_HANDLE, EVENT_HANDLE_NONE, e, next);
    EXPECT_EQ(numberOf(e), 10);
}

TEST(EventStore, NextReadReportsEachEventOnceAndClearEmpties)
{
    EventStore s;
    s.add(eventNumbered(1));
    s.add(eventNumbered(2));
    EventBytes e;
    uint32_t next = 0;
    s.request(EVENT_READ_NEXT, 0, e, next);
    EXPECT_EQ(numberOf(e), 1);
    s.request(EVENT_READ_NEXT, 0, e, next);
    EXPECT_EQ(numberOf(e), 2);
    s.request(EVENT_READ_NEXT, 0, e, next);
    EXPECT_EQ(sourceOf(e), 0);
    s.add(eventNumbered(3));
    s.request(EVENT_READ_NEXT, 0, e, next);
    EXPECT_EQ(numberOf(e), 3);

    s.request(EVENT_CLEAR, 0, e, next);
    EXPECT_EQ(s.size(), 0u);
    s.request(EVENT_READ_BY_HANDLE, EVENT_HANDLE_NONE, e, next);
    EXPECT_EQ(sourceOf(e), 0);
    s.add(eventNumbered(4));
    s.request(EVENT_READ_NEXT, 0, e, next);
    EXPECT_EQ(numberOf(e), 4) << "events after a clear are new";
}

TEST(EventStore, KeepsTheNewestEventsWhenFull)
{
    EventStore s;
    for (size_t i = 0; i < EVENT_STORE_LIMIT + 5; ++i)
        s.add(eventNumbered(static_cast<uint16_t>(i)));
    EXPECT_EQ(s.size(), EVENT_STORE_LIMIT);
    EventBytes e;
    uint32_t next = 0;
    s.request(EVENT_READ_BY_HANDLE, EVENT_HANDLE_NONE, e, next);
    EXPECT_EQ(numberOf(e), 5);
}
