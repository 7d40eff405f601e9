#include "controller_firmware.h"
#include "driver_layout.h"
#include "record_builder.h"

#include <byte_order.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace kzmsim;
using simtest::Bytes;

namespace {

ControllerSpec twoChannels()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "channels": [
        {"kind": 2, "ownId": 7, "devices": [
            {"target": 0, "vendor": "ACME", "product": "DISK ZERO", "revision": "1.00", "capacity": 1000},
            {"target": 2, "capacity": 3000},
            {"target": 5, "type": 3, "product": "PROCESSOR"}]},
        {"kind": 3, "ownId": 1, "info": 1, "devices": [{"target": 4, "lun": 1, "capacity": 2000}]}],
      "logicalDrives": [{"number": 3, "type": 0, "name": "FIRST", "members": [[0, 1]]}]}]})",
                              s, error))
        << error;
    return s.controllers.at(0);
}

Bytes descRequest(uint8_t wanted, uint8_t first, uint8_t last, size_t size)
{
    Bytes p(size, 0);
    wire::put32(p.data(), 0, 0xFFFFFFFF);
    p[4] = wanted;
    p[5] = first;
    p[6] = last;
    wire::put32(p.data(), 8, 12);
    return p;
}

Bytes withWord(size_t size, uint32_t w0)
{
    Bytes p(size, 0);
    wire::put32(p.data(), 0, w0);
    return p;
}

uint32_t dev(uint32_t channel, uint8_t target, uint8_t lun = 0)
{
    return ControllerFirmware::channelAddress(channel) | static_cast<uint32_t>(target << 8 | lun);
}

}  // namespace

TEST(Firmware, ChannelDescriptions)
{
    ControllerFirmware fw(twoChannels());
    Bytes count = descRequest(0, 0, 0, 12);
    ASSERT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, count), 1u);
    EXPECT_EQ(count[7], 2);

    Bytes one = descRequest(1, 1, 1, 20);
    ASSERT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, one), 1u);
    EXPECT_EQ(wire::get32(one.data(), 12), 0x30000u);
    EXPECT_EQ(one[16], 3);  // kind: Fibre Channel
    EXPECT_EQ(one[17], 1);  // channel number

    Bytes all = descRequest(8, 0, 7, 12 + 8 * 8);
    ASSERT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, all), 1u);
    EXPECT_EQ(wire::get32(all.data(), 12), 0x20000u);
    EXPECT_EQ(all[16], 2);
    EXPECT_EQ(wire::get32(all.data(), 28), 0u) << "no third channel";

    Bytes tooSmall(8, 0);
    EXPECT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, tooSmall), FW_STATUS_BAD_RECORD);

    ControllerSpec refusing = twoChannels();
    refusing.refuseChannelDescriptions = true;
    ControllerFirmware old(refusing);
    Bytes req = descRequest(0, 0, 0, 12);
    EXPECT_NE(simtest::runIoctl(old, 0x5D, 0xFFFF, req) & 0xFFFF, 1u);
    // The probing fallback: channel information by number on 0x2FFFF, until one fails.
    for (uint32_t n : {0u, 1u}) {
        Bytes info = withWord(10, n);
        EXPECT_EQ(simtest::runIoctl(old, 0x20000005, 0x2FFFF, info), 1u) << n;
    }
    Bytes third = withWord(10, 2);
    EXPECT_EQ(simtest::runIoctl(old, 0x20000005, 0x2FFFF, third), FW_STATUS_INVALID_TARGET);
}

TEST(Firmware, ChannelInformationAndDeviceList)
{
    ControllerFirmware fw(twoChannels());
    Bytes info = withWord(10, 1);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000005, 0x3FFFF, info), 1u);
    EXPECT_EQ(wire::get32(info.data(), 4), 1u);
    EXPECT_EQ(info[8], 1);  // own ID
    EXPECT_EQ(info[9], 1);  // info byte

    Bytes list = withWord(4 * 3 + 8, 0);
    wire::put32(list.data(), 4, 3);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000006, 0x2FFFF, list), 1u);
    EXPECT_EQ(wire::get32(list.data(), 4), 3u);
    EXPECT_EQ(wire::get32(list.data(), 8), 0x0000u);
    EXPECT_EQ(wire::get32(list.data(), 12), 0x0200u);
    EXPECT_EQ(wire::get32(list.data(), 16), 0x0500u);

    ControllerSpec oldSpec = twoChannels();
    oldSpec.interfaceLevel = LEVEL_OLD_LISTS;
    ControllerFirmware old(oldSpec);
    Bytes oldList = withWord(4 * 1 + 8, 1);
    ASSERT_EQ(simtest::runIoctl(old, 0x20000006, 0x3FFFF, oldList), 1u);
    EXPECT_EQ(wire::get32(oldList.data(), 4), 0x0401u) << "older layout: entries follow the channel number";
}

TEST(Firmware, DeviceInformation)
{
    ControllerFirmware fw(twoChannels());
    Bytes info(112, 0xFF);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000000, dev(0, 0), info), 1u);
    EXPECT_EQ(std::string(info.begin(), info.begin() + 8), "ACME    ");
    EXPECT_EQ(std::string(info.begin() + 8, info.begin() + 24), "DISK ZERO       ");
    EXPECT_EQ(std::string(info.begin() + 24, info.begin() + 28), "1.00");
    EXPECT_EQ(wire::get16(info.data(), 36), 0xFFFF) << "in no logical drive";
    EXPECT_EQ(wire::get32(info.data(), 40), 1000u);
    EXPECT_EQ(wire::get16(info.data(), 44), 512);
    EXPECT_EQ(info[46], 1);
    EXPECT_EQ(info[48], 0);
    EXPECT_EQ(info[57], 0);
    EXPECT_EQ(info[72], 100);
    EXPECT_EQ(info[103], 2);
    EXPECT_EQ(wire::get32(info.data(), 104), 1000u);

    ASSERT_EQ(simtest::runIoctl(fw, 0x20000000, dev(0, 2), info), 1u);
    EXPECT_EQ(wire::get16(info.data(), 36), 3) << "member of drive 3";
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000000, dev(1, 4, 1), info), 1u);
    EXPECT_EQ(info[57], 4);
    EXPECT_EQ(info[58], 1);
    EXPECT_EQ(simtest::runIoctl(fw, 0x20000000, dev(1, 4, 0), info), FW_STATUS_INVALID_TARGET);

    // Settable disk parameters stick; identity does not change.
    Bytes set = info;
    set[0] = 'Z';
    set[53] = 0;
    set[103] = 1;
    wire::put32(set.data(), 76, 5);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000002, dev(1, 4, 1), set), 1u);
    Bytes again(112, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000000, dev(1, 4, 1), again), 1u);
    EXPECT_EQ(again[0], info[0]);
    EXPECT_EQ(again[53], 0);
    EXPECT_EQ(again[103], 1);
    EXPECT_EQ(wire::get32(again.data(), 76), 5u);
}

TEST(Firmware, DeviceInformationFollowsTheInterfaceLevel)
{
    ControllerSpec desc = twoChannels();
    desc.interfaceLevel = LEVEL_MIDDLE_DEVICE_A;
    ControllerFirmware fw(desc);
    Bytes info(112, 0xFF);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000000, dev(0, 0), info), 1u);
    EXPECT_EQ(info[60], 100) << "surface check percent moves from 72 to 60";
    EXPECT_EQ(info[72], 0);
    EXPECT_EQ(wire::get32(info.data(), 40), 1000u);

    desc.interfaceLevel = LEVEL_OLD_LISTS;
    ControllerFirmware old(desc);
    ASSERT_EQ(simtest::runIoctl(old, 0x20000000, dev(0, 0), info), 1u);
    EXPECT_EQ(info[50], 0);
    EXPECT_EQ(Bytes(info.begin() + 51, info.end()), Bytes(61, 0));
}

TEST(Firmware, LogicalDrivesAndTheirMembers)
{
    ControllerFirmware fw(twoChannels());
    Bytes count(4, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x01, 0xFFFF, count), 1u);
    EXPECT_EQ(wire::get32(count.data(), 0), 1u);
    Bytes list(4, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x02, 0xFFFF, list), 1u);
    EXPECT_EQ(wire::get32(list.data(), 0), 3u);

    Bytes cache(36, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x04, 0xFFFF, cache), 1u);
    EXPECT_EQ(wire::get32(cache.data(), 0), 0x21Eu);

    Bytes info(57, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x07, 3, info), 1u);
    EXPECT_EQ(wire::get32(info.data(), 24), 3000u);
    EXPECT_EQ(wire::get32(info.data(), 32), 1u);
    EXPECT_EQ(wire::get32(info.data(), 40), 0u);
    EXPECT_EQ(std::string(info.begin() + 48, info.begin() + 56), "FIRST   ");
    EXPECT_EQ(simtest::runIoctl(fw, 0x07, 4, info), FW_STATUS_INVALID_TARGET);

    Bytes members(8, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x80000005, 3, members), 1u);
    EXPECT_EQ(wire::get32(members.data(), 4), dev(0, 2));
}

TEST(Firmware, CreatesDrivesFromMemberLists)
{
    auto create = [](uint32_t number, uint32_t type, std::vector<uint32_t> addrs) {
        Bytes p(12 + 8 * addrs.size(), 0);
        wire::put32(p.data(), 0, number);
        wire::put32(p.data(), 4, static_cast<uint32_t>(addrs.size()));
        wire::put32(p.data(), 8, type << 12);
        for (size_t i = 0; i < addrs.size(); ++i)
            wire::put32(p.data(), 16 + 8 * i, addrs[i]);
        return p;
    };
    struct Case {
        const char* name;
        Bytes param;
        uint32_t status;
    } cases[] = {
        {"RAID 0 of two disks", create(7, 16, {dev(0, 0), dev(1, 4, 1)}), 1},
        {"number in use", create(3, 0, {dev(0, 0)}), FW_STATUS_IN_USE},
        {"disk in a drive", create(8, 0, {dev(0, 2)}), FW_STATUS_IN_USE},
        {"same disk twice", create(8, 32, {dev(0, 0), dev(0, 0)}), FW_STATUS_IN_USE},
        {"no such device", create(8, 0, {dev(0, 9)}), FW_STATUS_INVALID_TARGET},
        {"not a disk", create(8, 0, {dev(0, 5)}), FW_STATUS_INVALID_TARGET},
        {"number above 254", create(255, 0, {dev(0, 0)}), FW_STATUS_INVALID_TARGET},
        {"single disk with two", create(8, 0, {dev(0, 0), dev(1, 4, 1)}), FW_STATUS_BAD_RECORD},
        {"unknown type", create(8, 48, {dev(0, 0)}), FW_STATUS_BAD_RECORD},
        {"no members", create(8, 32, {}), FW_STATUS_BAD_RECORD},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ControllerFirmware fw(twoChannels());
        EXPECT_EQ(simtest::runIoctl(fw, 0x0E, 0xFFFF, c.param), c.status);
        EXPECT_EQ(fw.logicalDrives.size(), c.status == 1 ? 2u : 1u);
    }
    Bytes truncated = create(8, 32, {dev(0, 0), dev(1, 4, 1)});
    truncated.resize(20);
    ControllerFirmware fw(twoChannels());
    EXPECT_EQ(simtest::runIoctl(fw, 0x0E, 0xFFFF, truncated), FW_STATUS_BAD_RECORD);

    Bytes raid0 = create(7, 16, {dev(0, 0), dev(1, 4, 1)});
    ASSERT_EQ(simtest::runIoctl(fw, 0x0E, 0xFFFF, raid0), 1u);
    Bytes info(57, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x07, 7, info), 1u);
    EXPECT_EQ(wire::get32(info.data(), 24), 2000u) << "two members of at least 1000 blocks";
    EXPECT_EQ(wire::get32(info.data(), 32), 2u);
    EXPECT_EQ(wire::get32(info.data(), 40), 16u << 12);
    Bytes members(16, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x80000005, 7, members), 1u);
    EXPECT_EQ(wire::get32(members.data(), 4), dev(0, 0));
    EXPECT_EQ(wire::get32(members.data(), 12), dev(1, 4, 1));
}

TEST(Firmware, MisreportedCountsLeaveTheListsAsTheyAre)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"controllers": [{"reportedDrives": 1000,
        "channels": [{"reportedDevices": "0x40000000", "devices": [{"target": 0}, {"target": 3, "capacity": 3000}]}],
        "logicalDrives": [{"number": 4, "type": 32, "reportedMembers": 100000,
                           "members": [[0, 1], "0x7FFF0005"]}]}]})",
                              s, error))
        << error;
    ControllerFirmware fw(s.controllers.at(0));

    Bytes info = withWord(10, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000005, 0x2FFFF, info), 1u);
    EXPECT_EQ(wire::get32(info.data(), 4), 0x40000000u);
    Bytes list = withWord(8 + 4 * 3, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000006, 0x2FFFF, list), 1u);
    EXPECT_EQ(wire::get32(list.data(), 4), 0x40000000u);
    EXPECT_EQ(wire::get32(list.data(), 8), 0x0000u);
    EXPECT_EQ(wire::get32(list.data(), 12), 0x0300u);
    EXPECT_EQ(wire::get32(list.data(), 16), 0u) << "only the real devices are listed";

    Bytes count(4, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x01, 0xFFFF, count), 1u);
    EXPECT_EQ(wire::get32(count.data(), 0), 1000u);
    Bytes drives(12, 0xAB);
    ASSERT_EQ(simtest::runIoctl(fw, 0x02, 0xFFFF, drives), 1u);
    EXPECT_EQ(drives, (Bytes{4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    Bytes driveInfo(57, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x07, 4, driveInfo), 1u);
    EXPECT_EQ(wire::get32(driveInfo.data(), 32), 100000u);
    EXPECT_EQ(wire::get32(driveInfo.data(), 24), 3000u) << "the address on no channel adds nothing";
    Bytes members(24, 0xAB);
    ASSERT_EQ(simtest::runIoctl(fw, 0x80000005, 4, members), 1u);
    EXPECT_EQ(wire::get32(members.data(), 4), dev(0, 3));
    EXPECT_EQ(wire::get32(members.data(), 12), 0x7FFF0005u);
    EXPECT_EQ(wire::get32(members.data(), 20), 0u);

    ControllerSpec old = s.controllers.at(0);
    old.interfaceLevel = LEVEL_OLD_LISTS;
    ControllerFirmware oldFw(old);
    ASSERT_EQ(simtest::runIoctl(oldFw, 0x07, 4, driveInfo), 1u);
    EXPECT_EQ(wire::get32(driveInfo.data(), 20), 100000u) << "older layout: the count at 20";
}

TEST(Firmware, MoreChannelsThanAByteCounts)
{
    ControllerSpec wide;
    wide.channels.resize(300);
    ControllerFirmware fw(wide);
    Bytes head = descRequest(0, 0, 0, 12);
    ASSERT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, head), 1u);
    EXPECT_EQ(head[7], 255) << "the count byte stops at 255";
    Bytes last = descRequest(1, 255, 255, 20);
    ASSERT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, last), 1u);
    EXPECT_EQ(wire::get32(last.data(), 12), ControllerFirmware::channelAddress(255));
    EXPECT_EQ(last[17], 255);
    // channel information reaches every channel by its u32 number
    Bytes info = withWord(10, 299);
    EXPECT_EQ(simtest::runIoctl(fw, 0x20000005, 0x2FFFF, info), 1u);
    info = withWord(10, 300);
    EXPECT_EQ(simtest::runIoctl(fw, 0x20000005, 0x2FFFF, info), FW_STATUS_INVALID_TARGET);
}
