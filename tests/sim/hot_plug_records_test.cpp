// The emulated firmware's records for a hot plug: the free target mask of a
// channel, the component disk descriptors that name a failed disk, and the
// new drive request that initialises the plugged disk.
#include "driver.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <string>

using namespace kzmsim;
using simtest::Bytes;
using simtest::CH0;

namespace {

// Disks at 0, 2 and 9 of a SCSI channel (own ID 7); drives 0 and 1 a mirror.
Scenario hotPlugMachine()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 2}, {"target": 9}]},
                     {"kind": 2, "ownId": 7, "devices": []}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}],
        "mirrors": [{"drives": [0, 1]}]}]})",
                              s, error))
        << error;
    return s;
}

uint32_t hotPlugSend(Driver& d, uint32_t key, uint32_t target, Bytes& param)
{
    return simtest::sendIoctl(d, 0, key, target, param) & 0xFFFF;
}

// The IDs whose bits the mask record sets.
std::vector<int> FreeIds(const Bytes& r)
{
    std::vector<int> ids;
    for (int t = 0; t < 128; ++t)
        if (r[4 + t / 8] & (1u << (t % 8)))
            ids.push_back(t);
    return ids;
}

TEST(HotPlugRecords, FreeTargetMaskLeavesOutDevicesAndTheControllersOwnId)
{
    Driver d(hotPlugMachine());
    Bytes r(20, 0xEE);
    r[0] = 0;
    r[1] = 12;
    ASSERT_EQ(hotPlugSend(d, 0x75, CH0, r), 1u);
    EXPECT_EQ(r[2], 12);
    EXPECT_EQ(FreeIds(r), (std::vector<int>{1, 3, 4, 5, 6, 8, 10, 11}));

    // At most 128 IDs; a disk that no scan found yet is not known.
    ASSERT_GT(writeControl(d, "insert 0 0 4\n", 13), 0);
    r.assign(20, 0);
    r[1] = 200;
    ASSERT_EQ(hotPlugSend(d, 0x75, CH0, r), 1u);
    EXPECT_EQ(r[2], 128);
    EXPECT_EQ(FreeIds(r).size(), 128u - 4u);
}

TEST(HotPlugRecords, FreeTargetMaskRefusesAnotherChannelOrTheController)
{
    Driver d(hotPlugMachine());
    struct Case {
        uint32_t target;
        uint8_t channel;
        size_t size;
        uint32_t status;
    } cases[] = {
        {CH0, 1, 20, 0x0006},      // the record names another channel
        {0xFFFF, 0, 20, 0x0006},   // the controller is no channel
        {CH0, 0, 16, 0x0007},      // the record is 20 bytes
        {0x3FFFF, 1, 20, 0x0001},  // channel 1 answers for itself
    };
    for (const Case& c : cases) {
        Bytes r(c.size, 0);
        r[0] = c.channel;
        r[1] = 16;
        EXPECT_EQ(hotPlugSend(d, 0x75, c.target, r), c.status) << std::hex << c.target << " " << int(c.channel);
    }
}

TEST(HotPlugRecords, ComponentDiskDescriptorsNameChannelIdDriveAndMissingDisk)
{
    Driver d(hotPlugMachine());
    Bytes r(24 + 12 * 2, 0);
    wire::put16(r.data(), 22, 2);
    ASSERT_EQ(hotPlugSend(d, 0x6F, 0, r), 1u);
    ASSERT_EQ(wire::get16(r.data(), 20), 2);
    const uint8_t* second = r.data() + 24 + 12;
    EXPECT_EQ(second[4], 0);                    // channel number
    EXPECT_EQ(second[5], 2);                    // target ID
    EXPECT_EQ(second[6], 0);                    // LUN
    EXPECT_EQ(wire::get16(second, 8), 1);       // the component's drive
    EXPECT_EQ(second[10], 0);                   // there and ready

    // The disk of a component that failed out of the mirror is missing;
    // once pulled it is no longer seen: channel 255.
    ASSERT_GT(writeControl(d, "fail 0 0 2\n", 11), 0);
    ASSERT_EQ(hotPlugSend(d, 0x6F, 0, r), 1u);
    ASSERT_EQ(wire::get16(r.data(), 20), 2);
    EXPECT_EQ(second[4], 0);
    EXPECT_EQ(wire::get16(second, 8), 1);
    EXPECT_EQ(second[10], 1);
    ASSERT_GT(writeControl(d, "pull 0 0 2\n", 11), 0);
    r.assign(24 + 12 * 2, 0);
    wire::put16(r.data(), 22, 2);
    ASSERT_EQ(hotPlugSend(d, 0x6F, 0, r), 1u);
    second = r.data() + 24 + 12;
    EXPECT_EQ(second[4], 0xFF);
    EXPECT_EQ(second[5], 2);
    EXPECT_EQ(second[10], 1);
    // Removing the missing components forgets them.
    Bytes none;
    ASSERT_EQ(hotPlugSend(d, 0x09, 0, none), 1u);
    r.assign(24 + 12 * 2, 0);
    wire::put16(r.data(), 22, 2);
    ASSERT_EQ(hotPlugSend(d, 0x6F, 0, r), 1u);
    EXPECT_EQ(wire::get16(r.data(), 20), 1);
}

// The new drive request (0x24) initialises the plugged disk in the record's
// format, owned by this controller; deleting the new drive (0x0F) leaves the
// disk initialised and free, a fragment.
TEST(HotPlugRecords, NewDriveInitialisesThePluggedDiskAndDeletingItKeepsIt)
{
    for (const uint8_t format : {uint8_t{1}, uint8_t{2}}) {
        SCOPED_TRACE(int(format));
        Driver d(hotPlugMachine());
        ASSERT_GT(writeControl(d, "insert 0 0 5\n", 13), 0);
        const uint32_t address = 0x20000 | 5u << 8;
        ControllerFirmware& fw = *d.firmware(0);
        ASSERT_NE(fw.unscannedAt(address), nullptr);
        EXPECT_EQ(fw.unscannedAt(address)->info[47], 0) << "plugged in uninitialised";
        Bytes none;
        ASSERT_EQ(hotPlugSend(d, 0x20, 0xFFFF, none), 1u);
        Bytes r(16, 0);
        wire::put32(r.data(), 0, 7);  // the new drive's number
        wire::put32(r.data(), 4, 1);
        r[12] = 0;
        r[13] = 5;
        r[15] = format;
        ASSERT_EQ(hotPlugSend(d, 0x24, 0xFFFF, r), 1u);
        const Device* disk = fw.deviceAt(address);
        ASSERT_NE(disk, nullptr);
        EXPECT_EQ(disk->info[47], 1);
        EXPECT_EQ(disk->info[59], 0);
        EXPECT_EQ(disk->info[103], format);
        EXPECT_EQ(wire::get32(disk->state.ownership.data(), 0), fw.identity.board.serial);
        EXPECT_EQ(fw.driveOfDevice(address), 7);

        ASSERT_EQ(hotPlugSend(d, 0x21, 0xFFFF, none), 1u);
        ASSERT_EQ(hotPlugSend(d, 0x0F, 7, none), 1u);
        disk = fw.deviceAt(address);
        ASSERT_NE(disk, nullptr);
        EXPECT_EQ(disk->info[47], 1);
        EXPECT_EQ(disk->info[59], 1) << "initialised, in no drive";
        EXPECT_EQ(disk->info[103], format);
        EXPECT_LT(fw.driveOfDevice(address), 0);
    }
}

}  // namespace
