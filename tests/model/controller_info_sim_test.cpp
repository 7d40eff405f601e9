// Controller discovery and CController::GetInfo end to end: the local driver
// module over the mounted driver emulator.
#include "byte_order.h"
#include "controller.h"
#include "ctl_errors.h"
#include "model_errors.h"
#include "local_machine_test.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>

namespace {

using ControllerInfoSimTest = LocalMachineTest;

// Eight SCSI channels without devices.
const char* const kEightChannels =
    R"([{"kind": 2}, {"kind": 2}, {"kind": 2}, {"kind": 2}, {"kind": 2}, {"kind": 2}, {"kind": 2}, {"kind": 2}])";

TEST_F(ControllerInfoSimTest, DiscoveryKeepsTheReadableControllersWithTheirInformation)
{
    // Entries 0, 2 and 3 serve controllers 0, 1 and 2; controller 1's level word is refused.
    const std::string scenario = std::string(R"({"controllers": [
        {"entry": 0, "profile": "new", "busSlot": "0x0208"},
        {"entry": 2, "profile": "new", "interfaceLevel": "0x225"},
        {"entry": 3, "profile": "old", "class": "0x86", "busSlot": "0x0310", "channels": )") +
                                 kEightChannels + "}]}";
    CHostSystem* machine = OpenLocalMachine(scenario);
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    EXPECT_EQ(machine->error, 0u);
    ASSERT_EQ(machine->controllers.count, 2);

    const CController& fresh = machine->controllers[0];
    EXPECT_EQ(fresh.index, 0);
    EXPECT_EQ(fresh.error, 0u);
    EXPECT_EQ(fresh.info.firmwareLevelWord, 0x21E);
    EXPECT_EQ(fresh.FirmwareLevel(), 30);
    EXPECT_EQ(fresh.info.controllerClass, 0xFE);
    EXPECT_EQ(fresh.GetFamily(FAMILY_MODE_FAMILY), 36);
    EXPECT_STREQ(fresh.info.firmwareText, "2.33.12-R0A1");
    EXPECT_STREQ(fresh.info.pciText, "[PCI 2/1]");
    EXPECT_STREQ(fresh.info.typeName, "KZM8530RZ");
    EXPECT_STREQ(fresh.info.driverText, "3.02");  // the driver serves no version text
    EXPECT_EQ(fresh.info.driverVersion, 0x0302);
    EXPECT_EQ(fresh.flags & CONTROLLER_FLAG_DRIVER_CAPABILITY, 0u);
    EXPECT_EQ(fresh.info.featureByte, 0x33);
    EXPECT_EQ(fresh.info.raid1Value, 1);
    EXPECT_EQ(fresh.info.chainingValue, 1);
    EXPECT_EQ(fresh.FirmwareVersion(), 0x21000Cu);
    EXPECT_EQ(fresh.IsClusterEnabled(), 1);
    EXPECT_EQ(fresh.CacheSwitch(), 1);
    EXPECT_EQ(fresh.logState, 0x30u);
    EXPECT_EQ(fresh.controllerParam.value, 1u);  // the non-build mode is offered
    EXPECT_EQ(wire::get32(fresh.configPageA, 0), 380u);
    EXPECT_EQ(wire::get32(fresh.configPageA, CONFIG_PAGE_VERSION), 0x60001u);
    EXPECT_EQ(fresh.configPageA[CONFIG_PAGE_OPTION_COUNT2], 15);
    EXPECT_EQ(wire::get32(fresh.configPageB, CONFIG_PAGE_VERSION), 0x60001u);
    EXPECT_EQ(fresh.controllerRecord1[CONTROLLER_RECORD_KIND], 1);
    EXPECT_EQ(fresh.controllerRecord2[CONTROLLER_RECORD_KIND], 2);
    EXPECT_EQ(fresh.settingsPage[SETTINGS_PAGE_SET], SETTINGS_SET_FEATURE_BASE);

    // Its three channels: SCSI, Fibre Channel with its loop and port records, SATA.
    ASSERT_EQ(fresh.info.channelCount, 3);
    const char* const names[] = {"SCSI-A", "FCAL-B", "SATA"};
    const uint8_t kinds[] = {CHANNEL_KIND_SCSI, CHANNEL_KIND_FC, CHANNEL_KIND_SATA};
    for (int c = 0; c < 3; ++c) {
        EXPECT_STREQ(fresh.channels[c].name, names[c]);
        EXPECT_EQ(fresh.channels[c].kind, kinds[c]);
        EXPECT_EQ(fresh.channels[c].number, c);
        EXPECT_EQ(fresh.channels[c].address, static_cast<uint32_t>(0x20000 + 0x10000 * c));
        EXPECT_EQ(fresh.channels[c].record[0], c);
    }
    EXPECT_EQ(fresh.channels[0].SpeedCode(), 0x0C);
    EXPECT_EQ(wire::get32(fresh.channels[1].loop, 0), 1u);
    EXPECT_EQ(wire::get16(fresh.channels[1].loop, 4), 1062);
    EXPECT_EQ(wire::get32(fresh.channels[1].port, 4), 3u);

    const CController& old = machine->controllers[1];
    EXPECT_EQ(old.index, 2);  // the library's index, not the list position
    EXPECT_EQ(old.FirmwareLevel(), 22);
    EXPECT_EQ(old.info.featureByte, 0x33);  // feature byte 1 on RAID firmware with a 2xx level word
    EXPECT_STREQ(old.info.firmwareText, "2.22.18-R030");
    EXPECT_STREQ(old.info.pciText, "[PCI 3/2]");
    EXPECT_EQ(old.controllerParam.value, 0u);  // the firmware does not know the request
    EXPECT_EQ(old.enclosureConfigCount, 0u);
    // Eight reported channels are kept to six records.
    ASSERT_EQ(old.info.channelCount, CONTROLLER_MAX_CHANNELS);
    EXPECT_STREQ(old.channels[5].name, "SCSI-F");
    EXPECT_EQ(old.channels[5].number, 5);
    EXPECT_EQ(old.channels[5].address, 0x70000u);
}

TEST_F(ControllerInfoSimTest, NoControllerFilesAtAllFailsTheConnection)
{
    CHostSystem* machine = OpenLocalMachine(R"({"controllerCount": 1, "controllers": []})");
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(machine->Connect(), 0);
    EXPECT_EQ(machine->error, 0x10000002u);
    EXPECT_EQ(machine->controllers.count, 0);
}

TEST_F(ControllerInfoSimTest, RefusedInformationLeavesTheControllerOut)
{
    // Controller 1's board information is refused once: it is left out.
    CHostSystem* machine = OpenLocalMachine(R"({"controllers": [{"entry": 0}, {"entry": 1}]})");
    ASSERT_NE(machine, nullptr);
    ASSERT_TRUE(sim_->control("status 1 0x28 9"));
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    ASSERT_EQ(machine->controllers.count, 1);
    EXPECT_EQ(machine->controllers[0].index, 0);
}

TEST_F(ControllerInfoSimTest, LevelWordsAndFamiliesDecideWhichControllersAreServed)
{
    struct Case {
        const char* controller;
        uint32_t expected;
    };
    const Case cases[] = {
        {R"({"entry": 0, "interfaceLevel": "0x111"})", MODERR_FIRMWARE_VERSION},
        {R"({"entry": 1, "interfaceLevel": "0x112"})", 0},
        {R"({"entry": 2, "interfaceLevel": "0x124"})", 0},
        {R"({"entry": 3, "interfaceLevel": "0x125"})", MODERR_FIRMWARE_VERSION},
        {R"({"entry": 4, "interfaceLevel": "0x212"})", 0},
        {R"({"entry": 5, "interfaceLevel": "0x224"})", 0},
        {R"({"entry": 6, "interfaceLevel": "0x106"})", MODERR_FIRMWARE_VERSION},
        {R"({"entry": 7, "class": "0x07"})", MODERR_UNKNOWN_FAMILY},
        {R"({"entry": 8, "subtype": "0x6200", "interfaceLevel": "0x214"})", MODERR_UNKNOWN_FAMILY},
        {R"({"entry": 9, "subtype": "0x6200", "interfaceLevel": "0x215"})", 0},
        {R"({"entry": 10, "subtype": "0x6300"})", MODERR_UNKNOWN_FAMILY},
    };
    std::string scenario = R"({"controllers": [)";
    for (const Case& c : cases)
        scenario += std::string(&c == cases ? "" : ",") + c.controller;
    scenario += "]}";
    CHostSystem* machine = OpenLocalMachine(scenario);
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;

    int kept = 0;
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        CController probe(i, 0, machine->info);
        EXPECT_EQ(probe.error, cases[i].expected) << cases[i].controller;
        EXPECT_EQ(probe.index, cases[i].expected == 0 ? i : -1) << cases[i].controller;
        if (cases[i].expected == 0) {
            ASSERT_LT(kept, machine->controllers.count);
            EXPECT_EQ(machine->controllers[kept++].index, i);
        }
    }
    EXPECT_EQ(kept, machine->controllers.count);
    // Level 21 of the 0x62xx subtype is a Fibre Channel family controller.
    EXPECT_EQ(machine->controllers[kept - 1].GetFamily(FAMILY_MODE_FAMILY), 37);
}

TEST_F(ControllerInfoSimTest, OptionalRequestsNeverFailTheRead)
{
    CHostSystem* machine = OpenLocalMachine(R"({"controllers": [{"entry": 0, "profile": "new"}]})");
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    CController& c = machine->controllers[0];

    // Refused loop record, log state, enclosure record and controller parameter.
    for (const char* line : {"status 0 0x20000080 6", "status 0 0x2000002F 9", "status 0 0x20023 9",
                             "status 0 0x6E 9"})
        ASSERT_TRUE(sim_->control(line)) << line;
    ASSERT_EQ(c.GetInfo(), 1) << std::hex << c.error;
    EXPECT_EQ(c.error, 0u);
    EXPECT_EQ(wire::get32(c.channels[1].loop, 0), 0xFFFFFFFFu);  // the loop record was not read
    EXPECT_EQ(wire::get32(c.channels[1].port, 0), 1u);           // the port record was
    EXPECT_EQ(c.logState, 0u);
    EXPECT_EQ(c.controllerParam.value, 0u);
    EXPECT_EQ(c.controllerParam.flags, 0u);
}

TEST_F(ControllerInfoSimTest, RequiredRequestsFailTheReadWithTheControllerStatus)
{
    CHostSystem* machine = OpenLocalMachine(R"({"controllers": [{"entry": 0, "profile": "new"}]})");
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(machine->Connect(), 1) << std::hex << machine->error;
    CController& c = machine->controllers[0];
    for (const char* key : {"0x04", "0x15", "0x28", "0x5F", "0x29", "0x2A", "0x4E", "0x2000003E", "0x31"}) {
        ASSERT_TRUE(sim_->control(std::string("status 0 ") + key + " 9 2")) << key;
        EXPECT_EQ(c.GetInfo(), 0) << key;
        EXPECT_EQ(c.error, CTLERR_CONTROLLER + 9) << key;
    }
    // The next read succeeds again.
    EXPECT_EQ(c.GetInfo(), 1) << std::hex << c.error;
    EXPECT_EQ(c.info.channelCount, 3);
}

}  // namespace
