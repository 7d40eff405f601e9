// The emulated drive firmware says no as a controller does: mirror, pool,
// host drive table and array list commands with wrong targets, sizes and
// contents change nothing; the drive list names chain heads only.
#include "drive_config.h"
#include "driver.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using namespace kzmsim;
using simtest::Bytes;
using simtest::sendIoctl;
using simtest::word;

namespace {

// Drives 0 and 1 a mirror, drive 2 a small single disk, drive 3 in the pool.
Scenario driveMachine()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2, "capacity": 1000},
                                              {"target": 3}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]], "poolHotFix": true}],
        "mirrors": [{"drives": [0, 1]}]}]})",
                              s, error))
        << error;
    return s;
}

// A pool record of {0, drive} entries, then the end entry.
Bytes pool(std::initializer_list<uint32_t> drives)
{
    Bytes p;
    for (uint32_t n : drives) {
        Bytes e(8, 0);
        wire::put32(e.data(), 4, n);
        p.insert(p.end(), e.begin(), e.end());
    }
    Bytes end(8, 0);
    wire::put32(end.data(), 4, 0xFFFF);
    p.insert(p.end(), end.begin(), end.end());
    return p;
}

// The 36-byte record that creates host drive `number` on `carrier`.
Bytes hostDrive(uint8_t number, uint8_t carrier, uint32_t size, uint32_t start = 0, size_t recordSize = 36)
{
    Bytes p(recordSize, 0);
    wire::put32(p.data(), 0, 1);
    wire::put32(p.data(), 4, 16);
    if (recordSize >= 36) {
        wire::put32(p.data(), 24, size);
        p[28] = number;
        p[29] = carrier;
        wire::put32(p.data(), 32, start);
    }
    return p;
}

Bytes arrayListExt(uint32_t entries, uint32_t first, uint32_t word3, size_t size)
{
    Bytes p(size, 0);
    wire::put32(p.data(), 0, entries);
    wire::put32(p.data(), 8, first);
    wire::put32(p.data(), 12, word3);
    return p;
}

}  // namespace

TEST(DriveCommands, RefusalsChangeNothing)
{
    struct Case {
        const char* name;
        uint32_t key;
        uint32_t target;
        Bytes param;
        uint32_t status;
    } cases[] = {
        {"attach to no drive", 0x10, 9, word(0), 0x06},
        {"attach a smaller drive", 0x10, 2, word(0), 0x07},
        {"attach a mirror component", 0x10, 1, word(0), 0x08},
        {"attach a pool drive", 0x10, 3, word(0), 0x08},
        {"attach to a component that is not the head", 0x10, 2, word(1), 0x07},
        {"attach a drive to itself", 0x10, 2, word(2), 0x07},
        {"take out the head", 0x11, 0, word(20), 0x07},
        {"take out a drive of no mirror", 0x11, 2, word(20), 0x06},
        {"take out under a taken number", 0x11, 1, word(3), 0x08},
        {"take out under 255", 0x11, 1, word(255), 0x07},
        {"drop missing of a component", 0x09, 1, {}, 0x06},
        {"pool record of 12 bytes", 0x60, 0xFFFF, Bytes(12, 0), 0x07},
        {"pool record of 37 entries", 0x60, 0xFFFF, Bytes(37 * 8, 0), 0x07},
        {"pool drive that does not exist", 0x60, 0xFFFF, pool({9}), 0x06},
        {"pool drive in a mirror", 0x60, 0xFFFF, pool({2, 0}), 0x08},
        {"pool drive twice", 0x60, 0xFFFF, pool({2, 2}), 0x08},
        {"remove a drive not in the pool", 0x61, 0xFFFF, pool({2}), 0x06},
        {"flag value 2", 0x63, 0, word(2), 0x07},
        {"flag of a component", 0x63, 1, word(0xFFFFFFFF), 0x06},
        {"state code 1", 0x10000009, 0, word(1), 0x07},
        {"state of no mirror", 0x10000009, 2, word(3), 0x06},
        {"array list of 421 bytes", 0x1000000F, 0xFFFFFFFF, Bytes(421, 0), 0x07},
        {"array list on drive 0", 0x1000000F, 0, Bytes(420, 0), 0x06},
        {"newer array list, word 3 not 16", 0x10000034, 0xFFFFFFFF, arrayListExt(1, 0, 8, 28), 0x07},
        {"newer array list, size off", 0x10000034, 0xFFFFFFFF, arrayListExt(2, 0, 16, 28), 0x07},
        {"newer array list past 255", 0x10000034, 0xFFFFFFFF, arrayListExt(1, 256, 16, 28), 0x07},
        {"host drive record of 37 bytes", 0x10010003, 2, hostDrive(2, 2, 100, 0, 37), 0x07},
        {"host drive of another carrier", 0x10010003, 2, hostDrive(2, 0, 100), 0x07},
        {"host drive past the carrier", 0x10010003, 2, hostDrive(2, 2, 900, 101), 0x07},
        {"host drive on a component", 0x10010003, 1, hostDrive(1, 1, 100), 0x08},
        {"host drive on a pool drive", 0x10010003, 3, hostDrive(3, 3, 100), 0x08},
        {"host drive table of 17 bytes", 0x10010001, 2, Bytes(17, 0), 0x07},
        {"delete a mirror component", 0x0F, 1, {}, 0x08},
        {"delete a pool drive", 0x0F, 3, {}, 0x08},
        {"delete no drive", 0x0F, 9, {}, 0x06},
        {"used capacity 0", 0x1F, 2, word(0), 0x07},
        {"component disks of the wrong size", 0x6F, 2, Bytes(30, 0), 0x07},
        {"name of no drive", 0x8000000F, 9, Bytes(8, 'X'), 0x06},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        Driver d(driveMachine());
        ControllerFirmware& fw = *d.firmware(0);
        EXPECT_EQ(sendIoctl(d, 0, k.key, k.target, k.param), k.status);
        EXPECT_EQ(fw.logicalDrives.size(), 4u);
        ASSERT_EQ(fw.mirrors.size(), 1u);
        EXPECT_EQ(fw.mirrors.at(0).components, (std::vector<uint32_t>{0, 1}));
        EXPECT_EQ(fw.mirrors.at(0).expected, 2u);
        EXPECT_FALSE(fw.logicalDrives.at(2).poolHotFix);
        EXPECT_TRUE(fw.logicalDrives.at(3).poolHotFix);
        EXPECT_TRUE(fw.hostTables.empty());
        EXPECT_TRUE(fw.raised.empty());
    }
}

TEST(DriveCommands, DriveListNamesChainHeadsOnly)
{
    Driver d(driveMachine());
    Bytes count(4, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x01, 0xFFFF, count), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(count.data(), 0), 3u);
    Bytes list(16, 0xAA);
    ASSERT_EQ(sendIoctl(d, 0, 0x02, 0xFFFF, list), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(list.data(), 0), 0u);
    EXPECT_EQ(wire::get32(list.data(), 4), 2u);
    EXPECT_EQ(wire::get32(list.data(), 8), 3u);
    EXPECT_EQ(wire::get32(list.data(), 12), 0u);

    // The head's information leads to the component; the component ends the chain.
    Bytes info(57, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x07, 0, info), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(info.data(), 8), 1u);
    EXPECT_EQ(wire::get32(info.data(), 12), 2u);
    ASSERT_EQ(sendIoctl(d, 0, 0x07, 1, info), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(info.data(), 8), 0xFFFFFFFFu);
    ASSERT_EQ(sendIoctl(d, 0, 0x07, 3, info), FW_STATUS_OK);
    EXPECT_EQ(info[23], 1);     // attribute byte: pool hot fix drive
    EXPECT_EQ(info[56], 0x04);  // flags: pool hot fix
}

TEST(DriveCommands, TakenOutComponentLivesOnUnderItsNewNumber)
{
    Driver d(driveMachine());
    ControllerFirmware& fw = *d.firmware(0);
    Bytes attach = word(0);
    ASSERT_EQ(sendIoctl(d, 0, 0x10, 2, attach), 0x07u);  // too small
    Bytes number = word(40);
    ASSERT_EQ(sendIoctl(d, 0, 0x11, 1, number), FW_STATUS_OK);
    EXPECT_TRUE(fw.mirrors.empty());  // one component, none missing: a plain drive again
    EXPECT_EQ(fw.logicalDrives.count(1), 0u);
    ASSERT_EQ(fw.logicalDrives.count(40), 1u);
    EXPECT_EQ(fw.logicalDrives.at(40).number, 40u);
    EXPECT_EQ(fw.logicalDrives.at(40).members.size(), 1u);
}

TEST(DriveControl, ProgressLinesAreChecked)
{
    Driver d(driveMachine());
    auto control = [&](const std::string& text) { return writeControl(d, text.data(), text.size()); };
    EXPECT_LT(control("progress step 0\n"), 0);
    EXPECT_LT(control("progress step 101\n"), 0);
    EXPECT_LT(control("progress speed 3\n"), 0);
    EXPECT_LT(control("progress time\n"), 0);
    EXPECT_GT(control("progress step 50\n"), 0);
    EXPECT_EQ(d.firmware(0)->progress.step, 50u);
    EXPECT_EQ(d.firmware(0)->identity.surfaceCheck.step, 50u);
    EXPECT_GT(control("progress time 20\n"), 0);
    EXPECT_EQ(d.firmware(0)->progress.msPerPercent, 20u);
    EXPECT_EQ(d.firmware(0)->identity.surfaceCheck.seconds, 2u);
}

TEST(DriveCommands, BuildsRaiseTheirEvents)
{
    struct Case {
        const char* name;
        std::string control;         // progress setting
        bool takeOut;                // take the building drive out after one query
        int waitMs;
        std::vector<uint16_t> events;
        uint8_t lastPercent;
    } cases[] = {
        {"by query", "progress step 60\n", false, 0, {44, 24}, 100},
        {"taken out while building", "progress step 60\n", true, 0, {44, 59}, 60},
        {"with time", "progress time 1\n", false, 150, {44, 24}, 100},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Driver d(driveMachine());
        ASSERT_GT(writeControl(d, k.control.data(), k.control.size()), 0);
        ControllerFirmware& fw = *d.firmware(0);
        // Drive 2 heads a new mirror; drive 3 leaves the pool first.
        Bytes leave = pool({3});
        ASSERT_EQ(sendIoctl(d, 0, 0x61, 0xFFFF, leave), FW_STATUS_OK);
        Bytes join = word(2);
        ASSERT_EQ(sendIoctl(d, 0, 0x10, 3, join), FW_STATUS_OK);
        ASSERT_EQ(fw.mirrors.count(2), 1u);
        // The case "with time" is about the clock itself: the build's percent
        // follows the time since it started, so it waits for that time.
        if (k.waitMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(k.waitMs));
        Bytes query = word(3);
        ASSERT_EQ(sendIoctl(d, 0, 0x10000009, 2, query), FW_STATUS_OK);
        uint8_t percent = query[2];
        if (k.takeOut) {
            Bytes number = word(30);
            ASSERT_EQ(sendIoctl(d, 0, 0x11, 3, number), FW_STATUS_OK);
        } else {
            for (int guard = 0; percent < 100 && guard < 10; ++guard) {
                query = word(3);
                ASSERT_EQ(sendIoctl(d, 0, 0x10000009, 2, query), FW_STATUS_OK);
                percent = query[2];
            }
        }
        EXPECT_EQ(percent, k.lastPercent);
        std::vector<uint16_t> numbers;
        EventBytes e{};
        for (uint32_t handle = EVENT_HANDLE_NONE, next = 0; next != EVENT_HANDLE_NONE; handle = next) {
            d.events().request(EVENT_READ_BY_HANDLE, handle, e, next);
            numbers.push_back(wire::get16(e.data(), EV_DATA + 4));
            EXPECT_EQ(wire::get16(e.data(), EV_DATA + 6), 2);  // the mirror
        }
        EXPECT_EQ(numbers, k.events);
    }
}
