// The firmware's device and enclosure commands say no as a controller would,
// and the device control commands change devices all or nothing.
#include "control_commands.h"
#include "controller_firmware.h"
#include "driver.h"
#include "driver_layout.h"
#include "record_builder.h"

#include <byte_order.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace kzmsim;
using simtest::Bytes;

namespace {

// Channel 0: disk 0 in logical drive 0, disk 1, CD-ROM 3, an enclosure
// processor 5 with one slot (target 1) and one sensor, no door lock. One
// configuration with one slot.
const char* const kScenario = R"({"controllers": [{"entry": 0,
    "enclosureConfigs": [{"name": "ONE", "slots": [[0, 1, 0]]}],
    "channels": [{"kind": 2, "ownId": 7, "devices": [
        {"target": 0}, {"target": 1}, {"target": 3, "type": 5},
        {"target": 5, "type": 3, "enclosure": {"slots": [1], "sensors": [{"degrees": 20}]}}]}],
    "logicalDrives": [{"number": 0, "members": [[0, 0]]}]}]})";

Scenario scenario()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(kScenario, s, error)) << error;
    return s;
}

constexpr uint32_t kDisk0 = 0x20000;
constexpr uint32_t kDisk1 = 0x20100;
constexpr uint32_t kCdRom = 0x20300;
constexpr uint32_t kChannel0 = 0x2FFFF;
constexpr uint32_t kEnclosureId = 0x01000005;  // channel 0, target 5

// A record of `size` bytes with bytes set at offsets.
Bytes rec(size_t size, std::initializer_list<std::pair<size_t, uint8_t>> bytes = {},
          std::initializer_list<std::pair<size_t, uint32_t>> words = {})
{
    Bytes r(size, 0);
    for (auto [off, v] : bytes)
        r[off] = v;
    for (auto [off, v] : words)
        wire::put32(r.data(), off, v);
    return r;
}

struct Refusal {
    const char* name;
    uint32_t key;
    uint32_t target;
    Bytes param;
    uint32_t status;
};

// A well-formed slot record of the enclosure for slot 0 (0x20010, 0x20011, 0x20012).
Bytes slotRecord(uint32_t address, uint8_t slot)
{
    Bytes r = rec(56, {{40, slot}, {41, 0}, {42, 5}, {43, 0}, {45, 1}, {46, 48}}, {{4, address}});
    return r;
}

}  // namespace

TEST(DeviceCommands, RefuseWrongSizesTargetsAndStates)
{
    Driver d(scenario());
    ControllerFirmware& fw0 = *d.firmware(0);
    // The identity words of the enclosure, as its information answers them.
    Bytes info = rec(51, {{0, 0}, {1, 5}});
    ASSERT_EQ(simtest::runIoctl(fw0, 0x20000, 0xFFFF, info), 1u);
    ASSERT_EQ(info[3], 1);
    Bytes goodSlot = slotRecord(kDisk1, 0);
    std::copy(info.begin() + 12, info.begin() + 28, goodSlot.begin() + 8);

    Bytes wrongSlot = goodSlot;
    wrongSlot[40] = 1;
    Bytes emptyOccupied = goodSlot;
    wire::put32(emptyOccupied.data(), 4, 0xFFFFFFFF);
    const Refusal cases[] = {
        {"de-initialise with a record", 0x20000008, kDisk1, rec(1), 7},
        {"de-initialise a channel", 0x20000008, kChannel0, {}, 6},
        {"de-initialise a disk of a drive", 0x20000008, kDisk0, {}, 8},
        {"de-initialise a CD-ROM", 0x20000008, kCdRom, {}, 6},
        {"de-initialise nobody", 0x20000008, 0x20900, {}, 6},
        {"unlock an unlocked disk", 0x2000000D, kDisk1, {}, 7},
        {"surface check of a drive's disk", 0x20000013, kDisk0, {}, 8},
        {"surface abort with none running", 0x20000018, kDisk1, {}, 7},
        {"defects of an unknown page", 0x20000015, kDisk1, rec(8, {{0, 9}}), 7},
        {"defects short record", 0x20000015, kDisk1, rec(4, {{0, 8}}), 7},
        {"presence on a device address", 0x20000025, kDisk1, rec(4, {{1, 1}}), 6},
        {"presence of another channel", 0x20000025, kChannel0, rec(4, {{0, 1}, {1, 1}}), 6},
        {"presence long record", 0x20000025, kChannel0, rec(8), 7},
        {"ownership not on 0xFFFFFFFF", 0x10010007, 0xFFFF, rec(16, {}, {{0, kDisk1}}), 6},
        {"ownership of a CD-ROM", 0x10010007, 0xFFFFFFFF, rec(16, {}, {{0, kCdRom}}), 6},
        {"block read of no blocks", 0x20000027, kDisk1, rec(17 + 512, {{12, 1}}, {{8, 0}}), 7},
        {"block read of the wrong size", 0x20000027, kDisk1, rec(17 + 512, {{12, 1}}, {{8, 2}}), 7},
        {"block read without its flag", 0x20000027, kDisk1, rec(17 + 512, {}, {{8, 1}}), 7},
        {"identify with a bad word", 0x20000054, kChannel0,
         rec(32, {{0, 1}, {2, 1}, {3, 1}, {25, 1}}, {{8, 1}, {12, 9}}), 7},
        {"identify nobody", 0x20000054, kChannel0, rec(32, {{0, 1}, {2, 1}, {3, 1}, {25, 9}}, {{8, 1}, {12, 10}}), 6},
        {"enclosure information not on the controller", 0x20000, kChannel0, rec(51, {{1, 5}}), 6},
        {"enclosure information short", 0x20000, 0xFFFF, rec(50, {{1, 5}}), 7},
        {"enclosure information of nobody", 0x20000, 0xFFFF, rec(51, {{1, 9}}), 6},
        {"layout of an unknown enclosure", 0x20001, 0xFFFF, rec(10, {}, {{0, 0x01000009}}), 6},
        {"query of an unknown selector", 0x20002, 0xFFFF, rec(14, {{8, 9}, {9, 12}}, {{0, kEnclosureId}, {4, 1}}), 7},
        {"query of a missing door lock", 0x20002, 0xFFFF, rec(14, {{8, 1}, {9, 12}}, {{0, kEnclosureId}, {4, 1}}), 6},
        {"query without its data offset", 0x20002, 0xFFFF, rec(14, {{8, 2}}, {{0, kEnclosureId}, {4, 1}}), 7},
        {"query of too many slots", 0x20002, 0xFFFF, rec(16, {{8, 2}, {9, 12}}, {{0, kEnclosureId}, {4, 2}}), 7},
        {"query longer than its record", 0x20002, 0xFFFF, rec(13, {{8, 6}, {9, 12}}, {{0, kEnclosureId}, {4, 4}}), 7},
        {"slot of a disk in no enclosure", 0x20011, 0xFFFF, slotRecord(kDisk0, 0), 6},
        {"slot lookup without its marks", 0x20011, 0xFFFF, rec(56, {}, {{4, kDisk1}}), 7},
        {"slot map of a missing slot", 0x20010, 0xFFFF, wrongSlot, 6},
        {"occupied slot map without a disk", 0x20010, 0xFFFF, emptyOccupied, 6},
        {"configuration size of an unknown one", 0x20022, 0xFFFF, rec(8, {}, {{0, 0x30001}}), 6},
        {"configuration list of the wrong count", 0x20021, 0xFFFF, rec(40, {}, {{0, 0x30000}, {28, 0}}), 7},
        {"configuration write past the end", 0x20020, 0xFFFF, rec(40, {}, {{0, 0x30002}}), 6},
        {"configuration write of a bad entry", 0x20020, 0xFFFF, rec(48, {{36, 2}}, {{0, 0x30000}, {28, 1}}), 7},
        {"configuration release of a slot it lacks", 0x20024, 0xFFFF,
         rec(48, {{36, 3}, {39, 7}}, {{0, 0x30000}, {28, 1}}), 6},
        {"configuration removal mode 3", 0x20025, 0xFFFF, rec(1, {{0, 3}}), 7},
    };
    for (const Refusal& k : cases) {
        SCOPED_TRACE(k.name);
        Bytes p = k.param;
        EXPECT_EQ(simtest::runIoctl(fw0, k.key, k.target, p), k.status);
    }
    // Nothing of the refused commands took effect.
    EXPECT_EQ(fw0.deviceInfo(kDisk0)[47], 1);
    EXPECT_EQ(fw0.enclosureConfigs.size(), 1u);
    EXPECT_EQ(fw0.enclosureConfigs[0].slots.size(), 1u);
    // The good slot record is taken.
    Bytes p = goodSlot;
    EXPECT_EQ(simtest::runIoctl(fw0, 0x20010, 0xFFFF, p), 1u);
    p = goodSlot;
    EXPECT_EQ(simtest::runIoctl(fw0, 0x20011, 0xFFFF, p), 1u);
    EXPECT_EQ(p[40], 0);
}

TEST(DeviceCommands, ControlCommandsChangeDevicesAllOrNothing)
{
    Driver d(scenario());
    auto control = [&d](const std::string& text) { return writeControl(d, text.data(), text.size()); };
    const char* bad[] = {
        "pull 0 0",
        "pull 0 0 9",             // nobody there
        "pull 1 0 1",             // no such controller
        "insert 0 0 1",           // taken
        "insert 0 0 2 0",         // no capacity
        "insert 0 4 2",           // no such channel
        "fail 0 0 3",             // not a disk
        "restore 0 0 9",
        "surface 0 0 1",
        "surface 0 0 1 x",
        "sensor 0 0 5 1 20",      // one sensor only
        "sensor 0 0 1 0 20",      // not an enclosure
        "sensor 0 0 5 0 40000",
        "insert 0 0 2\npull 0 0 9",  // the first line is undone
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        EXPECT_EQ(control(line), -EINVAL);
    }
    ControllerFirmware& fw = *d.firmware(0);
    EXPECT_EQ(fw.deviceAt(0x20200), nullptr);
    EXPECT_EQ(fw.channels[0].devices.size(), 4u);

    const std::string good = "insert 0 0 2 9000 4096\nfail 0 0 1\nsensor 0 0 5 0 -12\nsurface 0 0 1 4";
    ASSERT_EQ(control(good), static_cast<long>(good.size()));
    // The inserted disk joins the channel's list when the controller scans it.
    EXPECT_EQ(fw.deviceAt(0x20200), nullptr);
    Bytes scan = rec(4, {{0, 0}, {1, 255}});
    ASSERT_EQ(simtest::runIoctl(fw, 0x74, 0xFFFF, scan), 1u);
    const Device* fresh = fw.deviceAt(0x20200);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fw.channels[0].devices[2].entry, 0x200);  // kept in target order
    EXPECT_EQ(wire::get32(fresh->info.data(), 40), 9000u);
    EXPECT_EQ(wire::get16(fresh->info.data(), 44), 4096);
    EXPECT_EQ(fresh->info[47], 0);
    EXPECT_EQ(fw.deviceAt(kDisk1)->info[46], 0);
    EXPECT_EQ(fw.deviceAt(kDisk1)->state.surface.found, 4u);
    EXPECT_EQ(fw.deviceAt(0x20500)->state.enclosure->parts.sensors[0].degrees, -12);

    // A failed disk refuses what reads it; restored it answers again.
    Bytes defects(8, 0);
    defects[0] = 8;
    EXPECT_EQ(simtest::runIoctl(fw, 0x20000015, kDisk1, defects), 0x000Au);
    ASSERT_GT(control("restore 0 0 1\npull 0 0 2"), 0);
    EXPECT_EQ(simtest::runIoctl(fw, 0x20000015, kDisk1, defects), 1u);
    EXPECT_EQ(fw.deviceAt(0x20200), nullptr);
}
