// Composite operations through the emulator: channels, device addresses,
// members and drive creation.
#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_devices.h"
#include "ctl_drives.h"
#include "sim_suite.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Controller 0: 8 channels, newer layouts, drive 3 over (0,1) and (1,0).
// Controller 1: refuses 0x5D, 3 channels. Controller 2: level 262 layouts.
const char* kCompositeScenario = R"({
  "controllers": [
    {"entry": 0,
     "channels": [{"devices": [{"target": 0}, {"target": 1}, {"target": 2}]},
                  {"devices": [{"target": 4}]}, {}, {}, {}, {}, {}, {}],
     "logicalDrives": [{"number": 3, "type": 16, "name": "STRIPE", "members": [[0, 1], [1, 0]]}]},
    {"entry": 1, "refuseChannelDescriptions": true,
     "channels": [{}, {}, {"devices": [{"target": 5}]}]},
    {"entry": 2, "interfaceLevel": 262,
     "channels": [{"devices": [{"target": 1}]}, {"devices": [{"target": 3}, {"target": 6}]}],
     "logicalDrives": [{"number": 0, "members": [[1, 1]]}]}
  ]
})";

class CompositeE2E : public SimSuite {
protected:
    static void SetUpTestSuite() { mountWith(kCompositeScenario); }
    static void TearDownTestSuite() { unmount(); }
};

using Position = std::pair<uint16_t, uint16_t>;

std::vector<Position> members(uint16_t c, uint16_t drive, size_t capacity = 8)
{
    auto buf = std::make_unique<DriveMember[]>(capacity);
    uint16_t listed = 0;
    EXPECT_EQ(CTL_OK, ctl_read_drive_members(c, drive, buf.get(), capacity, &listed));
    std::vector<Position> out;
    for (uint16_t i = 0; i < listed; ++i)
        out.emplace_back(buf[i].channelIndex, buf[i].deviceIndex);
    return out;
}

}  // namespace

TEST_F(CompositeE2E, ChannelsAreCountedWithAndWithoutDescriptions)
{
    const struct {
        uint16_t controller;
        uint16_t channels;
    } cases[] = {{0, 8}, {1, 3}, {2, 2}};
    for (const auto& k : cases) {
        uint16_t n = 0;
        EXPECT_EQ(CTL_OK, ctl_count_channels(k.controller, &n)) << k.controller;
        EXPECT_EQ(k.channels, n) << k.controller;
    }
    // a controller that answers neither counts nothing and returns the probe's code
    ASSERT_TRUE(sim().control("status 1 0x20000005 6"));
    uint16_t n = 99;
    EXPECT_EQ(CTLERR_CONTROLLER + 6, ctl_count_channels(1, &n));
    EXPECT_EQ(99, n);
}

TEST_F(CompositeE2E, EightChannelsIntoSixEntries)
{
    auto entries = std::make_unique<ChannelEntry[]>(6);  // exactly six: ASan sees any overrun
    uint16_t listed = 0;
    ASSERT_EQ(CTL_OK, ctl_list_channels(0, entries.get(), 6, &listed));
    EXPECT_EQ(6, listed);
    EXPECT_EQ(3, entries[0].devices);
    EXPECT_EQ(1, entries[1].devices);
    EXPECT_EQ(0, entries[5].devices);
    EXPECT_EQ(7, entries[0].info[0]);  // the controller's own id

    ChannelEntry probed[4];
    ASSERT_EQ(CTL_OK, ctl_list_channels(1, probed, 4, &listed));
    EXPECT_EQ(3, listed);
    EXPECT_EQ(1, probed[2].devices);
}

TEST_F(CompositeE2E, DevicesResolveBothWays)
{
    const struct {
        uint16_t controller;
        uint8_t channel;
        uint16_t device;
        uint32_t address;
    } cases[] = {
        {0, 0, 0, 0x20000}, {0, 0, 2, 0x20200}, {0, 1, 0, 0x30400},
        {2, 0, 0, 0x20100}, {2, 1, 1, 0x30600},  // level 262: the list has no count word
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.address);
        DriveAddress a;
        a.controller = k.controller;
        a.channelIndex = k.channel;
        a.deviceIndex = k.device;
        ASSERT_EQ(CTL_OK, ctl_resolve_device(&a));
        EXPECT_EQ(k.address, a.deviceAddress());
        uint16_t ch = 0xFFFF, dev = 0xFFFF;
        ASSERT_EQ(CTL_OK, ctl_find_device(k.controller, k.address, &ch, &dev));
        EXPECT_EQ(k.channel, ch);
        EXPECT_EQ(k.device, dev);
    }
}

TEST_F(CompositeE2E, PositionsThatDoNotExist)
{
    DriveAddress a;
    a.channelIndex = 0;
    a.deviceIndex = 3;  // channel 0 holds 3 devices
    EXPECT_EQ(CTLERR_NOT_AVAILABLE, ctl_resolve_device(&a));
    EXPECT_NE(0x20000006u, lastLogged().key);  // no list was asked for

    uint16_t ch = 0x1111, dev = 0x2222;
    for (uint32_t address : {0x20300u, 0x50000u, 0x0u}) {
        EXPECT_EQ(CTLERR_NOT_AVAILABLE, ctl_find_device(0, address, &ch, &dev)) << address;
        EXPECT_EQ(0x1111, ch);
        EXPECT_EQ(0x2222, dev);
    }
}

TEST_F(CompositeE2E, MembersAreReadByPosition)
{
    EXPECT_EQ((std::vector<Position>{{0, 1}, {1, 0}}), members(0, 3));
    EXPECT_EQ((std::vector<Position>{{0, 1}}), members(0, 3, 1));  // no room for the second
    EXPECT_EQ((std::vector<Position>{{1, 1}}), members(2, 0));
    uint16_t listed = 0;
    DriveMember m[2];
    EXPECT_EQ(CTLERR_CONTROLLER + 6, ctl_read_drive_members(0, 9, m, 2, &listed));
}

TEST_F(CompositeE2E, DriveIsCreatedFromPositions)
{
    const CreateMember list[] = {{0, 0, 0}, {0, 0, 2}};
    ASSERT_EQ(CTL_OK, ctl_create_drive(0, 5, 32, 2, list));
    const LoggedRequest l = lastLogged();
    EXPECT_EQ(0x0Eu, l.key);
    EXPECT_EQ(0xFFFFu, l.target);
    ASSERT_EQ(28u, l.dataSize);
    const uint8_t* p = l.record.data() + 524;
    EXPECT_EQ(5u, wire::get32(p, 0));
    EXPECT_EQ(2u, wire::get32(p, 4));
    EXPECT_EQ(32u * 4096u, wire::get32(p, 8));
    EXPECT_EQ(0x20000u, wire::get32(p, 16));
    EXPECT_EQ(0x20200u, wire::get32(p, 24));
    EXPECT_EQ((std::vector<Position>{{0, 0}, {0, 2}}), members(0, 5));

    uint32_t drives[4] = {};
    uint32_t listed = 0;
    ASSERT_EQ(CTL_OK, ctl_read_drive_list(0, drives, 4, &listed));
    ASSERT_EQ(2u, listed);
    EXPECT_EQ(3u, drives[0]);
    EXPECT_EQ(5u, drives[1]);
    uint32_t one[1] = {};
    ASSERT_EQ(CTL_OK, ctl_read_drive_list(0, one, 1, &listed));
    EXPECT_EQ(1u, listed);

    const CreateMember bad[] = {{0, 1, 0}, {0, 0, 9}};
    EXPECT_EQ(CTLERR_NOT_AVAILABLE, ctl_create_drive(0, 6, 16, 2, bad));
}

TEST_F(CompositeE2E, LogicalDriveInformationInBothLayouts)
{
    uint8_t info[LOGICAL_DRIVE_INFO_SIZE];
    std::memset(info, 0xEE, sizeof info);
    ASSERT_EQ(CTL_OK, ctl_read_logical_drive_info(2, 0, info));
    EXPECT_EQ(512u, wire::get32(info, 28));
    EXPECT_EQ(0u, wire::get32(info, 8));
    EXPECT_EQ(1, wire::get16(info, 36));  // members
    ASSERT_EQ(CTL_OK, ctl_read_logical_drive_info(0, 3, info));
    EXPECT_EQ(3u, wire::get32(info, 0));
    EXPECT_EQ(16, wire::get16(info, 32));  // drive type
    EXPECT_EQ(2, wire::get16(info, 36));
    EXPECT_EQ(0, std::memcmp(info + 38, "STRIPE  ", 8));
}

TEST_F(CompositeE2E, DeviceInformationRoundTrip)
{
    const DeviceRef disk{2, 0, 1, 0};  // level 262 controller
    uint8_t info[DEVICE_INFO_SIZE] = {};
    ASSERT_EQ(CTL_OK, ctl_get_device_info(disk, info));
    const LoggedRequest l = lastLogged();
    EXPECT_EQ(0x20000000u, l.key);
    EXPECT_EQ(0x30300u, l.target);
    EXPECT_EQ(112u, l.dataSize);
    EXPECT_EQ(0, info[51]);  // beyond the older layout nothing came back
    ASSERT_EQ(CTL_OK, ctl_set_device_info(disk, info));
    EXPECT_EQ(0x20000002u, lastLogged().key);
}
