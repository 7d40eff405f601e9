// The emulated controller's configuration access, page steps, disk change
// bracket, load of all drives and scans say no as a controller would, keep
// their state in the state file, and strict mode notes changes made without
// access.
#include "controller_firmware.h"
#include "driver.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kzmsim;
using simtest::Bytes;
using simtest::CH0;
using simtest::CTRL;
using simtest::sendIoctl;
using simtest::word;

namespace {

constexpr uint32_t ALL = 0xFFFFFFFF;
constexpr uint32_t kReset = 0xFFFFFFFE;    // step marker: the access reset (opcode 6) of host drive `target`
constexpr uint32_t kControl = 0xFFFFFFFD;  // step marker: a control line, status 1 accepted, 0 refused

Scenario accessMachine(bool strict = false)
{
    Scenario s;
    std::string error;
    const std::string flag = strict ? "true" : "false";
    EXPECT_TRUE(parseScenario(R"({"controllers": [
        {"entry": 0, "profile": "new", "strict": )" + flag + R"(,
         "channels": [{"kind": 2, "devices": [{"target": 0}]}, {"kind": 3, "devices": [{"target": 1}]}],
         "logicalDrives": [{"number": 2, "type": 0, "name": "TWO", "members": [[0, 0]]}]},
        {"entry": 1, "profile": "old"}]})",
                              s, error))
        << error;
    return s;
}

uint32_t resetAccess(Driver& d, uint16_t hostDrive)
{
    Bytes rec = simtest::driverRecord(DRVREQ_COMMAND);
    wire::put16(rec.data(), REC_SERVICE, SVC_CACHE);
    wire::put16(rec.data(), REC_OPCODE, OP_ACCESS_RESET);
    wire::put16(rec.data(), REC_PARAM_SIZE, hostDrive);
    EXPECT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), static_cast<long>(rec.size()));
    Bytes reply(REPLY_SIZE, 0);
    d.readReply(0, reply.data(), reply.size(), 0);
    return wire::get32(reply.data(), REPLY_STATUS);
}

Bytes page()
{
    Bytes p(380, 0);
    wire::put32(p.data(), 0, 380);
    return p;
}

struct Step {
    uint32_t key;
    uint32_t target;
    Bytes param;
    uint32_t status;
    const char* line = nullptr;  // the control line of a kControl step
    int entry = 0;
};

Step controlStep(const char* line, bool accepted) { return {kControl, 0, {}, accepted ? 1u : 0u, line}; }

uint32_t run(Driver& d, Step& s)
{
    if (s.key == kControl) {
        const std::string text = s.line;
        return writeControl(d, text.data(), text.size()) > 0 ? 1 : 0;
    }
    if (s.key == kReset)
        return resetAccess(d, static_cast<uint16_t>(s.target));
    return sendIoctl(d, s.entry, s.key, s.target, s.param);
}

struct Case {
    const char* name;
    std::vector<Step> steps;
};

}  // namespace

TEST(ConfigAccess, LocksPageStepsAndBracketSayNoOutOfOrder)
{
    const Case cases[] = {
        {"leaving Maintenance Mode never entered", {{0x0D, CTRL, {}, 7}}},
        {"Maintenance Mode does not nest", {{0x0C, CTRL, {}, 1}, {0x0C, CTRL, {}, 1}, {0x0D, CTRL, {}, 1}, {0x0D, CTRL, {}, 7}}},
        {"a holder elsewhere keeps Maintenance Mode out",
         {controlStep("hold 0 4", true), {0x0C, CTRL, {}, 12}, controlStep("release 0 4", true), {0x0C, CTRL, {}, 1}}},
        {"the access reset of a host drive ends its hold only",
         {controlStep("hold 0 4", true), {0x72, 4, word(4), 12}, {0x72, 5, word(5), 1}, {kReset, 5, {}, 1},
          {0x72, 4, word(4), 12}, {kReset, 4, {}, 1}, {0x72, 4, word(4), 1}}},
        {"a hold of all keeps every lock out until the reset of all",
         {controlStep("hold 0 all", true), {0x72, 5, word(5), 12}, {0x72, ALL, word(ALL), 12}, {0x70, CTRL, {}, 12},
          {kReset, 0xFFFF, {}, 1}, {0x72, 5, word(5), 1}}},
        {"one hold keeps the whole configuration out", {controlStep("hold 0 9", true), {0x72, ALL, word(ALL), 12}}},
        {"the lock record names its target", {{0x72, 4, word(5), 7}, {0x73, 4, word(5), 7}}},
        {"unlocking all gives back every lock",
         {{0x72, 4, word(4), 1}, {0x72, 5, word(5), 1}, {0x73, ALL, word(ALL), 1}, {0x73, 4, word(4), 7},
          {0x73, ALL, word(ALL), 7}}},
        {"the host drive access nests",
         {{0x70, CTRL, {}, 1}, {0x70, CTRL, {}, 1}, {0x71, CTRL, {}, 1}, {0x71, CTRL, {}, 1}, {0x71, CTRL, {}, 7}}},
        {"the disk change bracket opens once and closes once",
         {{0x20027, CTRL, {0}, 7}, {0x20026, CTRL, {1}, 7}, {0x20026, CTRL, {0}, 1}, {0x20026, CTRL, {0}, 7},
          {0x20027, CTRL, {0}, 1}, {0x20027, CTRL, {0}, 7}}},
        {"a page is written, committed, finished",
         {{0x2C, CTRL, word(0), 7}, {0x2D, CTRL, word(0), 7}, {0x2B, CTRL, page(), 1}, {0x2D, CTRL, word(0), 7},
          {0x2C, CTRL, word(1), 7}, {0x2C, CTRL, word(0), 1}, {0x2C, CTRL, word(0), 7}, {0x2D, CTRL, word(0), 1}}},
        {"the load of all drives is the controller's",
         {{0x0B, 2, {0}, 6}, {0x0B, CTRL, {1}, 7}, {0x0B, CTRL, {0}, 1}, {0x03, CTRL, {}, 1}}},
        {"a scan names a channel of the controller",
         {{0x74, CTRL, {5, 255, 0, 0}, 6}, {0x74, 0, {0, 255, 0, 0}, 6}, {0x74, CTRL, {1, 255, 0, 0}, 1}}},
        {"a probe names the channel of its target", {{0x20000014, CH0, {1, 0, 0, 0}, 6}, {0x20000014, CH0, {0, 0, 0, 0}, 1}}},
        {"old firmware knows no host drive lock, scan or bracket",
         {{0x72, 1, word(1), 9, nullptr, 1}, {0x74, CTRL, {0, 255, 0, 0}, 9, nullptr, 1},
          {0x20026, CTRL, {0}, 9, nullptr, 1}, {0x0C, CTRL, {}, 1, nullptr, 1}}},
        {"holds are all or nothing",
         {controlStep("hold 0 4", true), controlStep("hold 0 4", false), controlStep("release 0 5", false),
          controlStep("hold 9 1", false), controlStep("hold 0", false), controlStep("hold 0 x", false),
          controlStep("release 0 all", true), controlStep("release 0 all", false),
          controlStep("hold 0 1\nhold 0 1", false),
          {0x72, 1, word(1), 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Driver d(accessMachine());
        for (size_t i = 0; i < c.steps.size(); ++i) {
            Step s = c.steps[i];
            EXPECT_EQ(run(d, s), s.status) << "step " << i;
        }
    }
}

TEST(ConfigAccess, StateFileListsWhatIsHeldUntilItIsGivenBack)
{
    Driver d(accessMachine());
    EXPECT_EQ(d.stateText(), "");
    Step steps[] = {
        {0x0C, CTRL, {}, 1}, {0x70, CTRL, {}, 1}, {0x72, 3, word(3), 1}, {0x72, ALL, word(ALL), 1},
        {0x20026, CTRL, {0}, 1}, {0x2B, CTRL, page(), 1}, {0x0B, CTRL, {0}, 1}, controlStep("hold 0 7", true),
        {0x0C, CTRL, {}, 1, nullptr, 1}, {0x2B, CTRL, page(), 1, nullptr, 1}, {0x2C, CTRL, word(0), 1, nullptr, 1},
    };
    for (Step& s : steps)
        ASSERT_EQ(run(d, s), s.status);
    EXPECT_EQ(d.stateText(),
              "0 maintenance\n0 access 1\n0 lock 3\n0 lock all\n0 hold 7\n0 diskchange\n0 page written\n0 loadall\n"
              "1 maintenance\n1 page committed\n");

    Step back[] = {
        {0x0D, CTRL, {}, 1}, {0x71, CTRL, {}, 1}, {0x73, ALL, word(ALL), 1}, {0x20027, CTRL, {0}, 1},
        {0x2C, CTRL, word(0), 1}, {0x2D, CTRL, word(0), 1}, {0x03, CTRL, {}, 1}, {kReset, 7, {}, 1},
        {0x0D, CTRL, {}, 1, nullptr, 1}, {0x2D, CTRL, word(0), 1, nullptr, 1},
    };
    for (Step& s : back)
        ASSERT_EQ(run(d, s), s.status);
    EXPECT_EQ(d.stateText(), "");
}

TEST(ConfigAccess, StrictModeNotesChangesSentWithoutAccess)
{
    const struct {
        bool strict;
        std::vector<Step> access;  // taken before the changes
        const char* faults;
    } cases[] = {
        {false, {}, ""},
        {true, {}, "0 fault 0x00000008 0x00000002\n0 fault 0x10010000 0x00000005\n"},
        {true, {{0x0C, CTRL, {}, 1}}, ""},
        {true, {{0x72, ALL, word(ALL), 1}}, ""},
        {true, {{0x72, 4, word(4), 1}}, "0 fault 0x10010000 0x00000005\n"},
        {true, {{0x72, 5, word(5), 1}}, ""},
    };
    for (const auto& k : cases) {
        Driver d(accessMachine(k.strict));
        std::string state;
        for (Step s : k.access) {
            ASSERT_EQ(run(d, s), s.status);
        }
        Bytes name(8, 'N');
        EXPECT_EQ(sendIoctl(d, 0, 0x08, 2, name), 1u) << "the change still runs";
        Bytes none;
        sendIoctl(d, 0, 0x10010000, 5, none);
        Bytes info(57, 0);
        sendIoctl(d, 0, 0x07, 2, info);  // reads change nothing
        const std::string text = d.stateText();
        std::string faults;
        for (size_t at = 0; (at = text.find("0 fault", at)) != std::string::npos;) {
            const size_t end = text.find('\n', at) + 1;
            faults += text.substr(at, end - at);
            at = end;
        }
        EXPECT_EQ(faults, k.faults);
    }
}

TEST(ConfigAccess, InsertedDisksJoinTheListWhenScanned)
{
    Driver d(accessMachine());
    // A refused control write restores every controller: look the firmware up each time.
    const auto fw = [&d]() -> ControllerFirmware& { return *d.firmware(0); };
    const std::string insert = "insert 0 0 3\ninsert 0 0 5\ninsert 0 0 4";
    ASSERT_GT(writeControl(d, insert.data(), insert.size()), 0);
    EXPECT_EQ(fw().deviceAt(0x20300), nullptr);
    EXPECT_NE(fw().unscannedAt(0x20300), nullptr);
    Bytes presence = {0, 3, 0, 0};
    ASSERT_EQ(sendIoctl(d, 0, 0x20000025, CH0, presence), 1u);
    EXPECT_EQ(presence[3], 1) << "the bus answers for a waiting disk";
    const std::string taken = "insert 0 0 3";
    EXPECT_LT(writeControl(d, taken.data(), taken.size()), 0) << "the ID is taken by the waiting disk";

    Bytes one = {0, 4, 0, 0};
    ASSERT_EQ(sendIoctl(d, 0, 0x74, CTRL, one), 1u);
    EXPECT_NE(fw().deviceAt(0x20400), nullptr);
    EXPECT_EQ(fw().deviceAt(0x20300), nullptr);
    Bytes all = {0, 255, 0, 0};
    ASSERT_EQ(sendIoctl(d, 0, 0x74, CTRL, all), 1u);
    ASSERT_EQ(fw().channels[0].devices.size(), 4u);
    EXPECT_EQ(fw().channels[0].devices[1].entry, 0x300) << "kept in target order";
    EXPECT_EQ(fw().channels[0].devices[3].entry, 0x500);
    EXPECT_TRUE(fw().channels[0].unscanned.empty());

    // Pulled before any scan, a waiting disk leaves as well.
    const std::string pull = "insert 0 0 6\npull 0 0 6";
    ASSERT_GT(writeControl(d, pull.data(), pull.size()), 0);
    EXPECT_TRUE(fw().channels[0].unscanned.empty());

    // Old firmware probes one address; the load of all drives reads every disk.
    const auto old = [&d]() -> ControllerFirmware& { return *d.firmware(1); };
    const std::string oldInsert = "insert 1 0 2\ninsert 1 1 3";
    ASSERT_GT(writeControl(d, oldInsert.data(), oldInsert.size()), 0);
    Bytes probe = {0, 2, 0, 0};
    ASSERT_EQ(sendIoctl(d, 1, 0x20000014, CH0, probe), 1u);
    EXPECT_EQ(probe[3], 1);
    EXPECT_NE(old().deviceAt(0x20200), nullptr);
    EXPECT_EQ(old().deviceAt(0x30300), nullptr);
    Bytes zero = {0};
    ASSERT_EQ(sendIoctl(d, 1, 0x0B, CTRL, zero), 1u);
    Bytes nothing;
    ASSERT_EQ(sendIoctl(d, 1, 0x03, CTRL, nothing), 1u);
    EXPECT_NE(old().deviceAt(0x30300), nullptr);
}

TEST(ConfigAccess, DriverLocksAreKeptPerController)
{
    Driver d(accessMachine());
    Bytes lock = simtest::driverRecord(DRVREQ_LOCK_HOST_DRIVES);
    lock[REC_LOCK_FLAG] = 1;
    lock[REC_LOCK_COUNT] = 2;
    wire::put16(lock.data(), REC_LOCK_LIST, 4);
    wire::put16(lock.data(), REC_LOCK_LIST + 2, 1);
    ASSERT_GT(d.writeRequest(1, lock.data(), lock.size(), 0), 0);
    Bytes channel = simtest::driverRecord(DRVREQ_LOCK_CHANNEL);
    channel[REC_LOCK_FLAG] = 1;
    channel[REC_LOCK_COUNT] = 0;
    ASSERT_GT(d.writeRequest(0, channel.data(), channel.size(), 0), 0);
    EXPECT_EQ(d.stateText(), "0 driver channel 0\n1 driver hostdrive 1\n1 driver hostdrive 4\n");
    lock[REC_LOCK_FLAG] = 0;
    channel[REC_LOCK_FLAG] = 0;
    ASSERT_GT(d.writeRequest(1, lock.data(), lock.size(), 0), 0);
    ASSERT_GT(d.writeRequest(0, channel.data(), channel.size(), 0), 0);
    EXPECT_EQ(d.stateText(), "");
}

TEST(PageFlash, ACommitWaitsForTheFlashRoundItsRecordNames)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "profile": "new", "pagesToFlash": true}]})", s, error))
        << error;
    Driver d(s);
    Bytes word(4, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x2000002F, 0x2FFFF, word), 1u);
    const uint32_t logState = wire::get32(word.data(), 0);
    Bytes page(380, 0);
    wire::put32(page.data(), 0, 380);
    wire::put32(page.data(), 4, 0xFFFFFFFF);
    ASSERT_EQ(sendIoctl(d, 0, 0x29, CTRL, page), 1u);
    wire::put32(page.data(), 0, 380);
    ASSERT_EQ(sendIoctl(d, 0, 0x2B, CTRL, page), 1u);

    Bytes zero(4, 0);
    EXPECT_EQ(sendIoctl(d, 0, 0x2C, CTRL, zero), 0xFFF4u) << "the page must go through the flash first";
    Bytes ask(4, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x44, CTRL, ask), 1u);
    const uint32_t handle = wire::get32(ask.data(), 0);
    auto record = [&](uint32_t state, uint32_t h) {
        Bytes r(44, 0);
        wire::put32(r.data(), 0, 44);
        wire::put32(r.data(), 4, 1);
        wire::put32(r.data(), 8, state);
        wire::put32(r.data(), 24, h);
        return r;
    };
    struct { const char* name; Bytes rec; uint32_t status; } cases[] = {
        {"another log state", record(logState + 1, handle), 7},
        {"another handle", record(logState, handle + 1), 7},
        {"no handle", record(logState, 0xFFFFFFFF), 7},
        {"the session's handle", record(logState, handle), 1},
    };
    for (auto& c : cases)
        EXPECT_EQ(sendIoctl(d, 0, 0x2E, CTRL, c.rec), c.status) << c.name;
    Bytes open = record(logState, handle);
    ASSERT_EQ(sendIoctl(d, 0, 0x47, CTRL, open), 1u);
    EXPECT_EQ(sendIoctl(d, 0, 0x2C, CTRL, zero), 0xFFF4u) << "not before the session is closed";
    Bytes close = record(logState, handle);
    ASSERT_EQ(sendIoctl(d, 0, 0x48, CTRL, close), 1u);
    EXPECT_EQ(sendIoctl(d, 0, 0x2C, CTRL, zero), 1u);
    EXPECT_EQ(sendIoctl(d, 0, 0x2D, CTRL, zero), 1u);
}
