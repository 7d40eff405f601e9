// The controller's event list end to end: events injected into the
// emulator's store come back through ReadEvent with the event list's
// severities and through GetEventText as texts; clearing the store and the
// controller's message log; raw commands.
#include "ctl_commands.h"
#include "phys_drive_sim_test.h"

#include <byte_order.h>

#include <cstring>

namespace {

const char* const kController = R"({"entry": 0, "profile": "new",
    "channels": [{"kind": 2, "devices": [{"target": 0}]}],
    "logicalDrives": [{"number": 0, "type": 0, "name": "DISK_0", "members": [[0, 0]]}]})";

class ControllerEventsTest : public PhysDriveSimTest {
protected:
    // Reads every event from the oldest (the walk ends at handle -1); each event's severity.
    std::vector<uint32_t> Severities(CController& c)
    {
        std::vector<uint32_t> out;
        ControllerEvent ev;
        ev.handle = EVENT_HANDLE_FIRST;
        for (int guard = 0; guard < 100 && c.ReadEvent(EVENT_CODE_BY_HANDLE, &ev) == 1; ++guard) {
            out.push_back(ev.word);
            if (ev.handle == EVENT_HANDLE_FIRST)
                break;
        }
        EXPECT_EQ(c.error, 0u);
        return out;
    }

    // Entry count of the first round of the controller's message log.
    static uint32_t LogEntries(const CController& c)
    {
        std::vector<uint8_t> p(2048, 0);
        wire::put32(p.data(), 0, 0x10000);
        wire::put32(p.data(), 4, 36);
        wire::put32(p.data(), 8, 0x7B3);
        wire::put16(p.data(), 16, 0xFF);
        EXPECT_EQ(ctl_read_controller_log(static_cast<uint16_t>(c.index), p.data(), 2048), CTL_OK);
        return wire::get32(p.data(), 32);
    }
};

struct SeverityCase {
    const char* line;
    uint32_t severity;
};

TEST_F(ControllerEventsTest, EachEventGetsTheSeverityOfItsKind)
{
    const SeverityCase cases[] = {
        {"event 0 1 9 85 0 -", 1},                  // asynchronous beyond the table
        {"event 0 1 9 16 0 -", 2},                  // asynchronous by the table, not by the record
        {"event 0 1 9 1 2 -", 0},
        {"event 0 1 9 84 0 -", 2},
        {"event 0 3 0 0 2 -", 1},                   // test event
        {"event 0 1 9 16 7 none Disk gone", 1},     // text only: its own severity when 0..2
        {"event 0 1 9 1 2 none Disk back", 2},
        {"event 0 2 5 0 0 -", 1},                   // driver events by index
        {"event 0 2 13 0 0 -", 2},
        {"event 0 2 0 0 2 -", 0},
        {"event 0 2 16 0 2 -", 1},                  // beyond the driver table
        {"event 0 4 9 3 2 -", 0},                   // synchronous
        {"event 0 5 9 3 0 -", 1},                   // any other source
    };
    CController* c = OpenController(kController);
    ASSERT_NE(c, nullptr);
    std::vector<uint32_t> expected;
    for (const SeverityCase& s : cases) {
        ASSERT_TRUE(sim_->control(s.line)) << s.line;
        expected.push_back(s.severity);
    }
    EXPECT_EQ(Severities(*c), expected);
}

TEST_F(ControllerEventsTest, NoPendingEventIsNoFailure)
{
    CController* c = OpenController(kController);
    ASSERT_NE(c, nullptr);
    ControllerEvent ev;
    ev.handle = EVENT_HANDLE_FIRST;
    c->error = 0x1234;
    EXPECT_EQ(c->ReadEvent(EVENT_CODE_BY_HANDLE, &ev), 0);
    EXPECT_EQ(c->error, 0u);
    EXPECT_EQ(ev.handle, EVENT_HANDLE_FIRST);
    // A failing read is a failure.
    ASSERT_TRUE(sim_->control("eventfail 1"));
    EXPECT_EQ(c->ReadEvent(EVENT_CODE_BY_HANDLE, &ev), 0);
    EXPECT_NE(c->error, 0u);
}

TEST_F(ControllerEventsTest, TextsOfEventsAndNoneForAnEventWithoutEntry)
{
    CController* c = OpenController(kController);
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("event 0 1 9 21 - 0300\nevent 0 5 9 3 0 -"));
    ControllerEvent ev;
    ev.handle = EVENT_HANDLE_FIRST;
    char text[EVENT_TEXT_BUFFER_SIZE];
    ASSERT_EQ(c->ReadEvent(EVENT_CODE_BY_HANDLE, &ev), 1);
    EXPECT_EQ(c->GetEventText(&ev, text, sizeof text), 1);
    EXPECT_STREQ(text, "Adapter 0, Array Drive 3: drive rebuild finished successfully");
    // The next event has no text entry: an empty text, never the one before.
    ASSERT_EQ(c->ReadEvent(EVENT_CODE_BY_HANDLE, &ev), 1);
    EXPECT_EQ(c->GetEventText(&ev, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    // A short buffer gets as much as fits.
    ev.record.source = 1;
    wire::put16(ev.record.data, 4, 21);
    char shortText[8];
    EXPECT_EQ(c->GetEventText(&ev, shortText, sizeof shortText), 1);
    EXPECT_STREQ(shortText, "Adapter");
}

TEST_F(ControllerEventsTest, ClearingTheEventStoreAndTheMessageLog)
{
    CController* c = OpenController(kController);
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("event 0 1 9 16 - -\nlogmsg 0 1 Cache flushed\nlogmsg 0 3 Disk failed"));
    EXPECT_EQ(LogEntries(*c), 2u);
    EXPECT_EQ(c->ClearEvents(), 1);
    EXPECT_TRUE(Severities(*c).empty());

    c->logState = 0;
    EXPECT_EQ(c->ClearLogBuffer(), 1);
    EXPECT_EQ(c->error, 0u);
    EXPECT_EQ(LogEntries(*c), 0u);
    EXPECT_EQ(c->logState, 0x30u);  // read back and written again
    const auto written = LoggedRecords(0x7E);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(wire::get32(written[0].data(), kLoggedData), 0x30u);
    // A refused clear stops before the log state.
    ASSERT_TRUE(sim_->control("status 0 0x2000002E 0x0009"));
    EXPECT_EQ(c->ClearLogBuffer(), 0);
    EXPECT_EQ(c->error, 0x01000009u);
    EXPECT_EQ(Logged(0x7E), 1u);
}

TEST_F(ControllerEventsTest, RawCommandsRunOnThisController)
{
    CController* c = OpenController(kController);
    ASSERT_NE(c, nullptr);
    uint8_t block[512];
    std::memset(block, 0xA5, sizeof block);
    RawCommand write;
    write.service = RAW_SERVICE_BLOCKS;
    write.operation = RAW_OPERATION_WRITE;
    write.blocks.controller = 7;  // the controller object decides
    write.blocks.firstBlock = 9;
    write.blocks.blockCount = 1;
    write.blocks.data = block;
    write.blocks.dataSize = sizeof block;
    ASSERT_EQ(c->ExecuteRawCommand(&write), 1);
    uint8_t back[512] = {};
    RawCommand read = write;
    read.operation = RAW_OPERATION_READ;
    read.blocks.data = back;
    ASSERT_EQ(c->ExecuteRawCommand(&read), 1);
    EXPECT_EQ(std::memcmp(back, block, sizeof block), 0);

    uint8_t inquiry[36] = {};
    RawCommand scsi;
    scsi.service = RAW_SERVICE_SCSI;
    scsi.scsi.dataLength = sizeof inquiry;
    scsi.scsi.cdbLength = 6;
    scsi.scsi.cdb[0] = 0x12;
    scsi.scsi.data = inquiry;
    EXPECT_EQ(c->ExecuteRawCommand(&scsi), 1);

    RawCommand other;
    other.service = RAW_SERVICE_BLOCKS;
    other.operation = 3;
    EXPECT_EQ(c->ExecuteRawCommand(&other), 0);
    EXPECT_EQ(c->error, MODERR_NOT_SUPPORTED);
    other.service = 4;
    EXPECT_EQ(c->ExecuteRawCommand(&other), 0);
    EXPECT_EQ(c->ExecuteRawCommand(nullptr), 0);
}

}  // namespace
