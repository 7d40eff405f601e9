// Enclosure processors and the controller's enclosure configurations end to
// end over the emulator.
#include "phys_drive_sim_test.h"

#include "byte_order.h"
#include "ctl_errors.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using EnclosureSimTest = PhysDriveSimTest;

// Channel 0: disks at 0 and 1, an enclosure processor at 6 whose slots take
// targets 0, 1 and 4, with two power supplies, two fans, four sensors, a door
// lock and a speaker. One configuration lists the disk at 0 in slot 2.
const char* const kShelf = R"({"entry": 0, "profile": "new",
    "enclosureConfigs": [{"vendor": "KZM", "name": "SHELF", "slots": [[0, 0, 2]]}],
    "channels": [{"kind": 2, "ownId": 7, "devices": [
        {"target": 0}, {"target": 1},
        {"target": 6, "type": 3, "vendor": "KZM", "product": "ENCLOSURE", "enclosure": {
            "slots": [0, 1, 4], "powerSupplies": [0, 1], "fans": [1, 5], "overall": 2,
            "sensors": [{"degrees": 25}, {"degrees": 26, "state": 1}, {"degrees": 28}, {"degrees": -1}],
            "doorLock": true, "speaker": true}}]}]})";

constexpr int kProcessor = 2;  // list index of the enclosure processor

}  // namespace

TEST_F(EnclosureSimTest, StatusGivesPartsAndTemperaturesInBothScales)
{
    CController* c = Scanned(kShelf);
    ASSERT_NE(c, nullptr);
    CPhysDrive& e = c->physDrives[kProcessor];
    ASSERT_EQ(e.IsEnclosureProcessor(), 1);
    EXPECT_EQ(e.GetEnclosureLayout()[ENCLAYOUT_SLOTS], 3);

    std::vector<int> a(64, -99);
    ASSERT_EQ(e.GetEnclosureStatus(a.data()), 1) << std::hex << e.error;
    const std::vector<int> expected = {
        0, 1,        // speaker off, door unlocked
        0, 1,        // power supplies
        1, 3,        // fans, capped at 3
        2,           // overall temperature state
        25, 77, 0,   // Celsius, Fahrenheit, state
        26, 79, 1,   // 46.8 becomes 47
        28, 82, 0,   // 50.4 becomes 50
        -1, 31, 0};  // -1.8 becomes -1
    EXPECT_EQ(std::vector<int>(a.begin(), a.begin() + static_cast<long>(expected.size())), expected);

    ASSERT_EQ(e.SetEnclosureControl(1, 1), 1);
    ASSERT_EQ(e.SetEnclosureControl(0, 1), 1);
    ASSERT_TRUE(sim_->control("sensor 0 0 6 3 30"));
    ASSERT_EQ(e.GetEnclosureStatus(a.data()), 1);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(a[1], 2);  // locked
    EXPECT_EQ(a[16], 30);
    EXPECT_EQ(a[17], 86);

    CPhysDrive& disk = c->physDrives[0];
    EXPECT_EQ(disk.GetEnclosureStatus(a.data()), 0);
    EXPECT_EQ(disk.error, MODERR_NOT_SUPPORTED);
    EXPECT_EQ(disk.SetEnclosureControl(0, 1), 0);
    EXPECT_EQ(disk.error, MODERR_NOT_SUPPORTED);
}

TEST_F(EnclosureSimTest, SlotTablesTieSlotsToTheDisksOfTheList)
{
    CController* c = Scanned(kShelf);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->physDrives[0].enclosureIndex, kProcessor);
    EXPECT_EQ(c->physDrives[1].enclosureSlot, 1);
    EXPECT_EQ(c->physDrives[0].enclosureConfigId, 0);
    EXPECT_EQ(c->physDrives[0].enclosureConfigSlot, 2);

    CPhysDrive& e = c->physDrives[kProcessor];
    EnclosureSlot s[3];
    ASSERT_EQ(e.ReadSlotTable(s), 1) << std::hex << e.error;
    EXPECT_EQ(s[0].occupied, 1);
    EXPECT_EQ(s[0].drive, 0);
    EXPECT_EQ(s[1].drive, 1);
    EXPECT_EQ(s[2].occupied, 0);
    EXPECT_EQ(s[2].drive, -1);
    EXPECT_EQ(s[2].targetId, 4);

    ASSERT_EQ(e.WriteSlotTable(s), 1) << std::hex << e.error;
    EXPECT_EQ(Logged(0x20010), 2u);
    EXPECT_EQ(Logged(0x20012), 1u);
    const auto maps = LoggedRecords(0x20010);
    const uint8_t* m = maps[1].data() + kLoggedData;
    EXPECT_EQ(m[SLOTMAP_SLOT], 1);
    EXPECT_EQ(wire::get32(m, SLOTMAP_ADDRESS), 0x20100u);
    EXPECT_EQ(m[SLOTMAP_CHANNEL + 1], 6);
    EXPECT_EQ(wire::get16(m, SLOTMAP_KIND), SLOTMAP_KIND_VALUE);

    // A failing send does not stop the others, and the caller learns of it.
    ASSERT_TRUE(sim_->control("status 0 0x20010 7"));
    EXPECT_EQ(e.WriteSlotTable(s), 0);
    EXPECT_EQ(e.error, CTLERR_CONTROLLER + 0x0007);
    EXPECT_EQ(Logged(0x20010), 4u);
    EXPECT_EQ(Logged(0x20012), 2u);

    // A pulled disk leaves its slot.
    ASSERT_TRUE(sim_->control("pull 0 0 1"));
    ASSERT_EQ(c->ScanDevices(), 1);
    ASSERT_EQ(c->physDrives[1].IsEnclosureProcessor(), 1);
    ASSERT_EQ(c->physDrives[1].ReadSlotTable(s), 1);
    EXPECT_EQ(s[1].occupied, 0);
    EXPECT_EQ(s[1].drive, -1);
}

TEST_F(EnclosureSimTest, ConfigurationRequestsGoOneEach)
{
    CController* c = Scanned(kShelf);
    ASSERT_NE(c, nullptr);
    uint8_t size[8] = {};
    wire::put32(size, 0, 0x30000);
    ASSERT_EQ(c->GetEnclosureInfo(size), 1);
    EXPECT_EQ(wire::get32(size, 4), 1u);

    std::vector<uint8_t> rec(48, 0);
    wire::put32(rec.data(), 0, 0x30000);
    wire::put32(rec.data(), 28, 1);
    ASSERT_EQ(c->ReadEnclosureConfig(rec.data(), rec.size()), 1) << std::hex << c->error;
    EXPECT_STREQ(reinterpret_cast<const char*>(rec.data() + 16), "SHELF");
    EXPECT_EQ(rec[32 + 4], 3);
    EXPECT_EQ(rec[32 + 7], 2);

    // A second configuration with the disk at 1 in slot 5.
    std::vector<uint8_t> second = rec;
    wire::put32(second.data(), 0, 0x30001);
    wire::put32(second.data(), 32, 1);
    second[32 + 6] = 1;
    second[32 + 7] = 5;
    ASSERT_EQ(c->WriteEnclosureConfig(second.data(), second.size()), 1) << std::hex << c->error;
    ASSERT_EQ(c->GetInfo(), 1);
    EXPECT_EQ(c->enclosureConfigCount, 2u);
    ASSERT_EQ(c->ScanDevices(), 1);
    EXPECT_EQ(c->physDrives[1].enclosureConfigId, 1);
    EXPECT_EQ(c->physDrives[1].enclosureConfigSlot, 5);

    // Releasing its slot empties it; removing the empty ones leaves the first.
    ASSERT_EQ(c->ResetEnclosureConfig(second.data(), second.size()), 1) << std::hex << c->error;
    ASSERT_EQ(c->RemoveEnclosureConfigs(2), 1);
    ASSERT_EQ(c->GetInfo(), 1);
    EXPECT_EQ(c->enclosureConfigCount, 1u);
    EXPECT_EQ(c->RemoveEnclosureConfigs(9), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 0x0007);

    // A record the 16-bit size field cannot carry is refused before any request.
    const size_t writes = Logged(0x20020);
    std::vector<uint8_t> huge(0x10000, 0);
    EXPECT_EQ(c->WriteEnclosureConfig(huge.data(), huge.size()), 0);
    EXPECT_EQ(c->error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(Logged(0x20020), writes);
    EXPECT_EQ(c->ReadEnclosureConfig(huge.data(), huge.size()), 0);
    EXPECT_EQ(c->ResetEnclosureConfig(huge.data(), huge.size()), 0);
}
