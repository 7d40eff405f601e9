// The emulated firmware says no as a controller does: hand-built request
// records with unknown keys, wrong sizes, wrong targets and wrong presets.
#include "driver.h"
#include "ioctl_commands.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <set>

using namespace kzmsim;
using simtest::Bytes;
using simtest::CH0;
using simtest::CH1;
using simtest::sendIoctl;

namespace {

Scenario tableMachine()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [
        {"entry": 0, "profile": "new",
         "channels": [{"kind": 2, "devices": [{"target": 0}]}, {"kind": 3, "devices": [{"target": 1}]}],
         "logicalDrives": [{"number": 2, "type": 0, "name": "TWO", "members": [[0, 0]]}],
         "records": [{"key": "0x10010006", "target": "0xFFFFFFFF", "hex": "1000000000000000"}]},
        {"entry": 1, "profile": "old"},
        {"entry": 2, "profile": "new", "refuseChannelDescriptions": true,
         "channels": [{"kind": 2}, {"kind": 2, "devices": [{"target": 3}]}]}]})",
                              s, error))
        << error;
    return s;
}

Bytes word0(size_t size, uint32_t w)
{
    Bytes p(size, 0);
    wire::put32(p.data(), 0, w);
    return p;
}

// A board details request with the reader's presets.
Bytes detailsRequest()
{
    Bytes p(237, 0);
    wire::put32(p.data(), 0, 237);
    wire::put32(p.data(), 104, 512);
    wire::put32(p.data(), 184, 0xFFFFFFFF);
    p[236] = 0xFF;
    return p;
}

// A configuration page read request with the reader's presets.
Bytes pageRequest(uint8_t secondOptions)
{
    Bytes p(380, 0);
    wire::put32(p.data(), 0, 380);
    wire::put32(p.data(), 4, 0xFFFFFFFF);
    p[364] = secondOptions;
    return p;
}

Bytes setRequest(uint8_t set)
{
    Bytes p(72, 0);
    p[4] = set;
    return p;
}

}  // namespace

TEST(CommandTable, KeysOutsideTheTableAreInvalidCommands)
{
    Driver d(tableMachine());
    for (uint32_t key : {0x00u, 0x13u, 0x14u, 0x43u, 0x53u, 0x82u, 0xFFu, 0x10000000u, 0x10000035u, 0x10010008u,
                         0x20000003u, 0x20000083u, 0x20028u, 0x80000006u, 0xA000000Fu, 0x30000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(testing::Message() << std::hex << key);
        EXPECT_EQ(sendIoctl(d, 0, key, 0xFFFF, Bytes(4, 0)), FW_STATUS_NOT_SUPPORTED);
        EXPECT_EQ(sendIoctl(d, 0, key, 0xFFFF, Bytes{}), FW_STATUS_NOT_SUPPORTED);
    }
    EXPECT_TRUE(d.firmware(0)->records.size() == 1) << "nothing was kept";
}

TEST(CommandTable, SizesOutsideTheRowAreRefused)
{
    Driver d(tableMachine());
    struct Case {
        const char* name;
        uint32_t key;
        uint32_t target;
        Bytes param;
    } cases[] = {
        {"drive count of 8 bytes", 0x01, 0xFFFF, Bytes(8, 0)},
        {"drive list of 6 bytes", 0x02, 0xFFFF, Bytes(6, 0)},
        {"cache information of 12 bytes", 0x04, 0xFFFF, Bytes(12, 0)},
        {"drive information of 56 bytes", 0x07, 2, Bytes(56, 0)},
        {"alarm of 4 bytes", 0x17, 0xFFFF, Bytes{1, 0, 0, 0}},
        {"board information of 83 bytes", 0x28, 0xFFFF, Bytes(83, 0)},
        {"commit with a record", 0x03, 0xFFFF, Bytes(4, 0)},
        {"hot plug record of 171 bytes", 0x23, 0xFFFF, Bytes(171, 0)},
        {"hot plug command: 12 + 4 x 2 wanted", 0x24, 0xFFFF, [] { Bytes p(24, 0); p[4] = 2; return p; }()},
        {"replacement: 5 + 7 wanted", 0x10000003, 1, [] { Bytes p(13, 0); p[3] = 7; return p; }()},
        {"host drive record of 4 bytes", 0x10010006, 0xFFFFFFFF, Bytes(4, 0)},
        {"channel descriptions of 16 bytes", 0x5D, 0xFFFF, Bytes(16, 0)},
        {"member list of 12 bytes", 0x80000005, 2, Bytes(12, 0)},
        {"device list of 10 bytes", 0x20000006, CH0, Bytes(10, 0)},
        {"device information of 111 bytes", 0x20000000, 0x20000, Bytes(111, 0)},
        {"log state of 8 bytes", 0x2000002F, 0x2FFFF, Bytes(8, 0)},
    };
    for (Case& c : cases)
        EXPECT_EQ(sendIoctl(d, 0, c.key, c.target, c.param), FW_STATUS_BAD_RECORD) << c.name;
    // A fitting size reaches the firmware: in a hot plug, a new drive 200 of an empty slot.
    ASSERT_EQ(sendIoctl(d, 0, 0x20, 0xFFFF, Bytes{}), FW_STATUS_OK);
    Bytes ok(16, 0);
    ok[0] = 200;
    ok[4] = 1;
    ok[13] = 99;
    ok[15] = 2;
    EXPECT_EQ(sendIoctl(d, 0, 0x24, 0xFFFF, ok), FW_STATUS_INVALID_TARGET) << "a fitting size reaches the firmware";
}

TEST(CommandTable, TargetsMustAddressWhatTheKeyWorksOn)
{
    Driver d(tableMachine());
    struct Case {
        const char* name;
        int entry;
        uint32_t key;
        uint32_t target;
        Bytes param;
        uint32_t status;
    } cases[] = {
        {"board information on a drive", 0, 0x28, 0, Bytes(84, 0), FW_STATUS_INVALID_TARGET},
        {"drive count on a channel", 0, 0x01, CH0, Bytes(4, 0), FW_STATUS_INVALID_TARGET},
        {"cache information on host drive -1", 0, 0x04, 0xFFFFFFFF, Bytes(36, 0), FW_STATUS_INVALID_TARGET},
        {"log state on the controller", 0, 0x2000002F, 0xFFFF, Bytes(4, 0), FW_STATUS_INVALID_TARGET},
        {"ownership record on a device", 0, 0x10010007, 0x20000, Bytes(16, 0), FW_STATUS_INVALID_TARGET},
        {"host drive record on the controller", 0, 0x10010006, 0xFFFF, Bytes(8, 0), FW_STATUS_INVALID_TARGET},
        {"drive information of no drive", 0, 0x07, 3, Bytes(57, 0), FW_STATUS_INVALID_TARGET},
        {"device information of no device", 0, 0x20000000, 0x20100, Bytes(112, 0), FW_STATUS_INVALID_TARGET},
        {"device information on a channel", 0, 0x20000000, CH0, Bytes(112, 0), FW_STATUS_INVALID_TARGET},
        {"channel information on a device", 0, 0x20000005, 0x20000, word0(10, 0), FW_STATUS_INVALID_TARGET},
        {"channel information on no channel", 0, 0x20000005, 0x4FFFF, word0(10, 0), FW_STATUS_INVALID_TARGET},
        {"channel information of channel 0 on channel 1", 0, 0x20000005, CH1, word0(10, 0), FW_STATUS_INVALID_TARGET},
        {"channel information of channel 1 on channel 1", 0, 0x20000005, CH1, word0(10, 1), FW_STATUS_OK},
        {"the probe: channel 1 on the first channel", 0, 0x20000005, CH0, word0(10, 1), FW_STATUS_OK},
        {"the probe past the last channel", 0, 0x20000005, CH0, word0(10, 2), FW_STATUS_INVALID_TARGET},
        {"device list of channel 1 on channel 0", 0, 0x20000006, CH0, word0(12, 1), FW_STATUS_INVALID_TARGET},
        {"device list of channel 1 on channel 1", 0, 0x20000006, CH1, word0(12, 1), FW_STATUS_OK},
        {"channel record of channel 1 on channel 0", 0, 0x2000003E, CH0, Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         FW_STATUS_INVALID_TARGET},
        {"loop record of channel 1 on channel 0", 0, 0x20000080, CH0, word0(138, 1), FW_STATUS_INVALID_TARGET},
        {"loop record of channel 1 on channel 1", 0, 0x20000080, CH1, word0(138, 1), FW_STATUS_OK},
        {"without descriptions: channel 1 on the first channel", 2, 0x20000006, CH0, word0(12, 1), FW_STATUS_OK},
        {"without descriptions: no channel 2", 2, 0x20000006, CH0, word0(12, 2), FW_STATUS_INVALID_TARGET},
    };
    for (Case& c : cases)
        EXPECT_EQ(sendIoctl(d, c.entry, c.key, c.target, c.param), c.status) << c.name;
}

TEST(CommandTable, KnownKeysWithoutBehaviourAnswerInvalidCommandAfterTheChecks)
{
    Driver d(tableMachine());
    EXPECT_EQ(sendIoctl(d, 0, 0x22, 0xFFFF, Bytes{}), FW_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(sendIoctl(d, 0, 0x22, 0, Bytes{}), FW_STATUS_INVALID_TARGET);
    EXPECT_EQ(sendIoctl(d, 0, 0x52, 0xFFFF, Bytes(8, 0)), FW_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(sendIoctl(d, 0, 0x52, 0xFFFF, Bytes(4, 0)), FW_STATUS_BAD_RECORD);
    EXPECT_EQ(sendIoctl(d, 0, 0x20000019, 0x20000, Bytes{}), FW_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(sendIoctl(d, 0, 0x20000019, 0x20005, Bytes{}), FW_STATUS_INVALID_TARGET);
    EXPECT_EQ(sendIoctl(d, 0, 0x2000002E, 0xFFFF, Bytes{}), FW_STATUS_INVALID_TARGET);
}

TEST(CommandTable, EveryKeyHasOneRow)
{
    std::set<uint32_t> keys;
    for (const IoctlCommand& c : ioctlCommands())
        EXPECT_TRUE(keys.insert(c.key).second) << std::hex << c.key;
}

TEST(CommandTable, BoardDetailsFollowTheirPresets)
{
    Driver d(tableMachine());
    Bytes good = detailsRequest();
    ASSERT_EQ(sendIoctl(d, 0, 0x5F, 0xFFFF, good), FW_STATUS_OK);
    EXPECT_EQ(good[236], 10) << "the profile's component row";
    struct Case {
        const char* name;
        size_t offset;
        uint32_t word;  // or byte at 236
    } cases[] = {{"size word", 0, 0}, {"512 at 104", 104, 0}, {"-1 at 184", 184, 0}, {"0xFF at 236", 236, 0}};
    for (const Case& c : cases) {
        Bytes p = detailsRequest();
        if (c.offset == 236)
            p[236] = 0;
        else
            wire::put32(p.data(), c.offset, c.word);
        EXPECT_EQ(sendIoctl(d, 0, 0x5F, 0xFFFF, p), FW_STATUS_BAD_RECORD) << c.name;
    }
}

TEST(CommandTable, PagesAnswerAsManySecondOptionsAsThePresetTakes)
{
    Driver d(tableMachine());
    Bytes page = pageRequest(15);
    page[365] = 0x11;  // a second option byte, written and read back below
    wire::put32(page.data(), 4, 0);
    page[364] = 15;
    ASSERT_EQ(sendIoctl(d, 0, 0x2B, 0xFFFF, page), FW_STATUS_OK);

    Bytes full = pageRequest(15);
    ASSERT_EQ(sendIoctl(d, 0, 0x29, 0xFFFF, full), FW_STATUS_OK);
    EXPECT_EQ(full[364], 15);
    EXPECT_EQ(full[365], 0x11);
    EXPECT_EQ(wire::get32(full.data(), 4), 0x60001u) << "the version word";

    Bytes none = pageRequest(0);
    ASSERT_EQ(sendIoctl(d, 0, 0x29, 0xFFFF, none), FW_STATUS_OK);
    EXPECT_EQ(none[364], 0) << "a reader that takes no second options gets none";
    EXPECT_EQ(none[365], 0);

    Bytes older = pageRequest(15);
    ASSERT_EQ(sendIoctl(d, 1, 0x29, 0xFFFF, older), FW_STATUS_OK);
    EXPECT_EQ(older[364], 0) << "firmware 2.22 has no second options";

    Bytes noVersionPreset = pageRequest(15);
    wire::put32(noVersionPreset.data(), 4, 0);
    EXPECT_EQ(sendIoctl(d, 0, 0x29, 0xFFFF, noVersionPreset), FW_STATUS_BAD_RECORD);
    Bytes noSize = pageRequest(15);
    wire::put32(noSize.data(), 0, 0);
    EXPECT_EQ(sendIoctl(d, 0, 0x2A, 0xFFFF, noSize), FW_STATUS_BAD_RECORD);
}

TEST(CommandTable, CacheSetsAreNamedByByteFour)
{
    Driver d(tableMachine());
    // Both profiles have RAID feature bits: their sets are 50 to 53.
    for (uint8_t set : {50, 53})
        EXPECT_EQ(sendIoctl(d, 0, 0x31, 0xFFFF, setRequest(set)), FW_STATUS_OK) << int(set);
    for (uint8_t set : {0, 3, 49, 54})
        for (uint32_t key : {0x31u, 0x32u, 0x33u})
            EXPECT_EQ(sendIoctl(d, 0, key, 0xFFFF, setRequest(set)), FW_STATUS_BAD_RECORD) << int(set) << " " << key;
}

TEST(CommandTable, AlarmIsKeptPerController)
{
    Driver d(tableMachine());
    Bytes alarm{0xEE};
    ASSERT_EQ(sendIoctl(d, 0, 0x16, 0xFFFF, alarm), FW_STATUS_OK);
    EXPECT_EQ(alarm[0], 0) << "off at start";
    ASSERT_EQ(sendIoctl(d, 0, 0x17, 0xFFFF, Bytes{1}), FW_STATUS_OK);
    alarm = {0};
    ASSERT_EQ(sendIoctl(d, 0, 0x16, 0xFFFF, alarm), FW_STATUS_OK);
    EXPECT_EQ(alarm[0], 1);
    alarm = {0};
    ASSERT_EQ(sendIoctl(d, 2, 0x16, 0xFFFF, alarm), FW_STATUS_OK);
    EXPECT_EQ(alarm[0], 0) << "another controller's alarm";
    EXPECT_EQ(sendIoctl(d, 0, 0x17, 0xFFFF, Bytes{2}), FW_STATUS_BAD_RECORD) << "a boolean option";
    ASSERT_EQ(sendIoctl(d, 0, 0x17, 0xFFFF, Bytes{0}), FW_STATUS_OK);
    alarm = {1};
    ASSERT_EQ(sendIoctl(d, 0, 0x16, 0xFFFF, alarm), FW_STATUS_OK);
    EXPECT_EQ(alarm[0], 0);
}

TEST(CommandTable, HostDriveRecordOfAllHostDrives)
{
    Driver d(tableMachine());
    Bytes rec(8, 0xEE);
    ASSERT_EQ(sendIoctl(d, 0, 0x10010006, 0xFFFFFFFF, rec), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(rec.data(), 0), 0x10u) << "the scenario's record: more than one node up";
    rec.assign(8, 0xEE);
    ASSERT_EQ(sendIoctl(d, 2, 0x10010006, 0xFFFFFFFF, rec), FW_STATUS_OK);
    EXPECT_EQ(rec, Bytes(8, 0)) << "a single node";
    EXPECT_EQ(sendIoctl(d, 1, 0x10010006, 0xFFFFFFFF, Bytes(8, 0)), FW_STATUS_NOT_SUPPORTED) << "firmware level 22";
}

TEST(CommandTable, DriveNameWriteShowsInTheDriveInformation)
{
    Driver d(tableMachine());
    ASSERT_EQ(sendIoctl(d, 0, 0x08, 2, Bytes{'R', 'E', 'N', 'A', 'M', 'E', 'D', ' '}), FW_STATUS_OK);
    Bytes info(57, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x07, 2, info), FW_STATUS_OK);
    EXPECT_EQ(std::string(info.begin() + 48, info.begin() + 56), "RENAMED ");
    EXPECT_EQ(sendIoctl(d, 0, 0x08, 5, Bytes(8, 'X')), FW_STATUS_INVALID_TARGET);
}
