#include "control_commands.h"
#include "driver.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

using namespace kzmsim;
using simtest::Bytes;
using simtest::control;
using simtest::request;

namespace {

// Reads one event with request code `code` and handle; returns the reply.
Bytes readEvent(Driver& d, uint32_t code, uint32_t handle)
{
    Bytes rec = simtest::driverRecord(DRVREQ_EVENT);
    wire::put32(rec.data(), REC_EVENT_CODE, code);
    wire::put32(rec.data(), REC_EVENT_HANDLE, handle);
    return request(d, 0, rec);
}

}  // namespace

TEST(Control, RefusesUnknownAndMalformedLines)
{
    const char* bad[] = {
        "bogus 1",
        "busy",
        "busy x",
        "busy 1 2",
        "count -1",
        "count 0x10000",
        "status 0 0x28",
        "status 0 0x28 0x10000",
        "status 0 0x28 1 2 3",
        "status 256 0x28 1",
        "event 0 1 9 5",
        "event 0 0 9 5 2 -",           // source 0 means no event
        "event 0 1 9 5 2 xyz",
        "event 0 1 9 5 2 0011223344556677889900",  // more than 10 data bytes
        "event 0 2 9 5 - -",           // the firmware's severity belongs to its own events
        "eventfail",
        "eventfail -1",
        "eventfail 1 2",
        "eventtime 1",
        "eventtime 1 2 3",
        "eventtime 1 0x100000000",  // beyond 32 bits
        "alarm 0",
        "alarm 0 2",        // a digit above the largest value
        "alarm 0 0x2",
        "alarm 9 1",        // no such entry
        "busy 1\nbogus",
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        Driver d(defaultScenario());
        EXPECT_EQ(control(d, line), -EINVAL);
        // Nothing of a refused write takes effect, not even its good lines.
        const Bytes rec = simtest::driverRecord(DRVREQ_DRIVER_VERSION);
        EXPECT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), static_cast<long>(rec.size()));
    }
}

// A refused write leaves one line in kzmsim/refused: the line that was
// refused, why, and, for a write of several lines, that none of them was
// carried out.
TEST(Control, RefusedLinesSayWhy)
{
    const struct {
        const char* write;
        const char* note;
    } cases[] = {
        {"busy x", "refused \"busy x\": malformed; usage: busy N"},
        {"alarm 0 2", "refused \"alarm 0 2\": malformed; usage: alarm C 0|1"},
        {"pull 5 0 1", "refused \"pull 5 0 1\": no controller entry 5"},
        {"fail 0 7 1", "refused \"fail 0 7 1\": entry 0 has no channel index 7"},
        {"pull 0 0 9", "refused \"pull 0 0 9\": no device at ID 9 of channel index 0 on entry 0"},
        {"insert 0 0 1", "refused \"insert 0 0 1\": ID 1 of channel index 0 on entry 0 is taken by a device"},
        {"diskerr 0 2 5 1 1", "refused \"diskerr 0 2 5 1 1\": no disk at ID 5 of channel index 2 on entry 0"},
        {"release 0 all", "refused \"release 0 all\": nothing is held"},
        {"eventtime 1 2", "refused \"eventtime 1 2\": the event store is empty"},
        {"parityerror 1 4", "refused \"parityerror 1 4\": entry 1 has no array 4"},
        {"busy 1\nhold 0 3\n\nhold 0 3\n",
         "refused \"hold 0 3\": host drive 3 is held already; none of the write's 3 lines was carried out"},
        {"busy 1\nsettle 0 0", "refused \"settle 0 0\": malformed; usage: settle C CH N; none of the write's 2 "
                               "lines was carried out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.write);
        Driver d(defaultScenario());
        EXPECT_EQ(control(d, c.write), -EINVAL);
        EXPECT_EQ(d.refusedText(), std::string(c.note) + "\n");
    }
    // An unknown command is named, with the commands there are.
    Driver d(defaultScenario());
    EXPECT_EQ(control(d, "profil 1"), -EINVAL);
    EXPECT_EQ(d.refusedText().rfind("refused \"profil 1\": unknown command \"profil\" (the commands: busy, status, ", 0), 0u)
        << d.refusedText();
    EXPECT_NE(d.refusedText().find(", hostcluster)\n"), std::string::npos) << d.refusedText();
    // The newest refusals stay, oldest first; accepted writes leave nothing.
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(control(d, "busy " + std::to_string(i) + " x"), -EINVAL);
    EXPECT_GT(control(d, "busy 0"), 0);
    const std::string text = d.refusedText();
    EXPECT_EQ(text.rfind("refused \"busy 20 x\": ", 0), 0u) << text.substr(0, 80);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(REFUSED_LIMIT));
    EXPECT_NE(text.find("\nrefused \"busy 119 x\": malformed; usage: busy N\n"), std::string::npos);
}

TEST(Control, RunsSeveralLinesOfOneWrite)
{
    Driver d(defaultScenario());
    const std::string text = "count 0x19\r\n\nstatus 1 40 0xFFF4 3\nbusy 1\n";
    EXPECT_EQ(control(d, text), static_cast<long>(text.size()));
    const Bytes rec = simtest::driverRecord(DRVREQ_CONTROLLER_COUNT);
    EXPECT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), -EBUSY);
    EXPECT_EQ(wire::get16(request(d, 0, rec).data(), 8), 25);
    const Bytes r = request(d, 1, simtest::ioctlRecord(0x28, 0xFFFF, Bytes(84, 0)));
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 0x0003FFF4u);
}

TEST(Control, EventLineBuildsTheRecord)
{
    EventBytes e{};
    ASSERT_TRUE(buildEvent({"event", "1", "1", "9", "0x0C", "0", "0a0b0c"}, "", e));
    EXPECT_EQ(wire::get16(e.data(), EV_SOURCE), 1);
    EXPECT_EQ(wire::get16(e.data(), EV_SERVICE), 9);
    EXPECT_EQ(wire::get16(e.data(), EV_DATA_SIZE), 16);
    EXPECT_EQ(wire::get16(e.data(), EV_DATA), 1);       // controller
    EXPECT_EQ(wire::get16(e.data(), EV_DATA + 2), 9);   // service
    EXPECT_EQ(wire::get16(e.data(), EV_DATA + 4), 12);  // event number
    EXPECT_EQ(e[EV_DATA + 6], 0x0a);
    EXPECT_EQ(e[EV_DATA + 8], 0x0c);
    EXPECT_NE(wire::get32(e.data(), EV_TIME), 0u);

    // A text-only event: data size 0, its severity and text; the first six
    // data bytes still name controller, service and number.
    const std::string full(300, 'x');
    ASSERT_TRUE(buildEvent({"event", "3", "2", "5", "7", "1", "none"}, full, e));
    EXPECT_EQ(wire::get16(e.data(), EV_DATA_SIZE), 0);
    EXPECT_EQ(wire::get16(e.data(), EV_DATA), 3);
    EXPECT_EQ(wire::get16(e.data(), EV_DATA + 2), 5);
    EXPECT_EQ(wire::get16(e.data(), EV_DATA + 4), 7);
    EXPECT_EQ(wire::get32(e.data(), EV_SEVERITY), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e.data()) + EV_TEXT, EV_TEXT_LEN), std::string(256, 'x'))
        << "a 256-byte text fills the field without a NUL";
}

TEST(Control, InjectedEventsAreReadThroughTheDriver)
{
    Driver d(defaultScenario());
    ASSERT_GT(control(d, "event 1 1 9 12 0 - Host drive 3 failed\nevent 0 2 5 0 1 none  two  blanks"), 0);
    const Bytes r = readEvent(d, 0, EVENT_HANDLE_NONE);
    EXPECT_EQ(wire::get32(r.data(), 8), 1u) << "next handle";
    const uint8_t* e = r.data() + 12;
    EXPECT_EQ(wire::get16(e, EV_DATA), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(e) + EV_TEXT, "Host drive 3 failed");
    const Bytes r2 = readEvent(d, 0, 1);
    EXPECT_EQ(wire::get32(r2.data(), 8), EVENT_HANDLE_NONE);
    EXPECT_STREQ(reinterpret_cast<const char*>(r2.data() + 12) + EV_TEXT, " two  blanks");
}

TEST(Control, EventTimeStampsTheNewestEvent)
{
    Driver d(defaultScenario());
    EXPECT_LT(control(d, "eventtime 5 6"), 0) << "no event to stamp";
    ASSERT_GT(control(d, "event 0 1 9 5 2 - first\nevent 0 1 9 6 2 - second\neventtime 1000 0"), 0);
    const Bytes first = readEvent(d, 0, EVENT_HANDLE_NONE);
    EXPECT_NE(wire::get32(first.data() + 12, EV_TIME2), 0u);
    const Bytes second = readEvent(d, 0, 1);
    EXPECT_EQ(wire::get32(second.data() + 12, EV_TIME), 1000u);
    EXPECT_EQ(wire::get32(second.data() + 12, EV_TIME2), 0u);
}

TEST(Control, FirmwareSeverityFollowsTheEventNumber)
{
    const struct {
        const char* number;
        uint32_t severity;
    } cases[] = {{"0", 1}, {"1", 0}, {"21", 2}, {"46", 1}, {"84", 2}, {"85", 1}, {"0xFFFF", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EventBytes e{};
        ASSERT_TRUE(buildEvent({"event", "0", "1", "9", c.number, "-", "-"}, "", e));
        EXPECT_EQ(wire::get32(e.data(), EV_SEVERITY), c.severity);
    }
    // An event the firmware raises itself names its controller by the entry's place.
    Scenario s = defaultScenario();
    s.controllers[1].entry = 4;
    Driver d(s);
    d.raiseEvent(4, 9, 21, {3, 0});
    const Bytes r = readEvent(d, 2, 0);
    const uint8_t* ev = r.data() + 12;
    EXPECT_EQ(wire::get16(ev, EV_SOURCE), 1);
    EXPECT_EQ(wire::get16(ev, EV_DATA), 1);
    EXPECT_EQ(wire::get16(ev, EV_DATA + 4), 21);
    EXPECT_EQ(wire::get16(ev, EV_DATA + 6), 3);
    EXPECT_EQ(wire::get32(ev, EV_SEVERITY), 2u);
}

TEST(Control, EventFailMakesTheNextEventRequestsFail)
{
    Driver d(defaultScenario());
    ASSERT_GT(control(d, "eventfail 2\nevent 0 1 9 21 - 0300"), 0);
    Bytes rec = simtest::driverRecord(DRVREQ_EVENT);
    wire::put32(rec.data(), REC_EVENT_CODE, 2);
    // Other requests pass; only event requests fail, and only two of them.
    const Bytes version = simtest::driverRecord(DRVREQ_DRIVER_VERSION);
    EXPECT_EQ(d.writeRequest(0, version.data(), version.size(), 0), static_cast<long>(version.size()));
    EXPECT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), -EIO);
    EXPECT_EQ(d.writeRequest(1, rec.data(), rec.size(), 0), -EIO);
    const size_t logged = d.log().lines().size();
    const Bytes r = request(d, 0, rec);
    EXPECT_EQ(wire::get16(r.data() + 12, EV_DATA + 4), 21) << "the event was kept";
    EXPECT_EQ(d.log().lines().size(), logged + 1);
}
