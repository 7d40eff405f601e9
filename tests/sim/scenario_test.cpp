#include "scenario.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#ifndef KZM_DOCS_DIR
#error "KZM_DOCS_DIR must name the documentation folder"
#endif

using namespace kzmsim;

TEST(Scenario, ReadsEveryField)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"driverVersion": 773, "controllerCount": 25,
        "osVersion": {"major": 5, "minor": 10, "revision": "0x10"},
        "controllers": [{"entry": 4, "class": "0xFD", "subtype": 0, "busSlot": 520,
          "interfaceLevel": 262, "refuseChannelDescriptions": true,
          "channels": [{"kind": 4, "ownId": 0, "reportedDevices": "0x40000000",
                        "devices": [{"target": 1, "capacity": "0x100000", "removable": true}]}],
          "logicalDrives": [{"number": 9, "type": 32, "name": "CHAIN", "reportedMembers": 100000,
                             "members": [[0, 0], "0x7FFF0005", 131072]}],
          "reportedDrives": 1000,
          "load": {"drives": [1, 2, 3, "0x4"], "cache": [5, 6, 7, 8, 9, 10], "cycle": [100, 0, "0x3E8"]},
          "records": [{"key": "0x23", "hex": "0102ff"}]}]})",
                              s, error))
        << error;
    EXPECT_EQ(s.driverVersion, 773);
    EXPECT_EQ(s.controllerCount, 25u);
    EXPECT_EQ(s.osMinor, 10);
    EXPECT_EQ(s.osRevision, 16);
    const ControllerSpec& c = s.controllers.at(0);
    EXPECT_EQ(c.entry, 4);
    EXPECT_EQ(c.typeClass, 0xFD);
    EXPECT_EQ(c.interfaceLevel, 262u);
    EXPECT_TRUE(c.refuseChannelDescriptions);
    EXPECT_EQ(c.channels.at(0).kind, 4);
    EXPECT_EQ(c.channels.at(0).devices.at(0).capacity, 0x100000u);
    EXPECT_TRUE(c.channels.at(0).devices.at(0).removable);
    EXPECT_EQ(c.logicalDrives.at(0).type, 32);
    // misreported counts, and members given by address
    EXPECT_EQ(c.channels.at(0).reportedDevices, 0x40000000u);
    EXPECT_EQ(c.reportedDrives, 1000u);
    const LogicalDriveSpec& chain = c.logicalDrives.at(0);
    EXPECT_EQ(chain.reportedMembers, 100000u);
    ASSERT_EQ(chain.members.size(), 3u);
    EXPECT_FALSE(chain.members[0].address.has_value());
    EXPECT_EQ(chain.members[1].address, 0x7FFF0005u);
    EXPECT_EQ(chain.members[2].address, 0x20000u);
    EXPECT_EQ(c.records.at(0).target, 0xFFFFu);
    EXPECT_EQ(c.records.at(0).bytes, (std::vector<uint8_t>{1, 2, 0xFF}));
    // the steady load, in the words of `statrate` and `cacherate`
    const StatisticsRates& r = c.load;
    EXPECT_EQ((std::vector<uint32_t>{r.drive.readOps, r.drive.writeOps, r.drive.blocksRead, r.drive.blocksWritten}),
              (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ((std::vector<uint32_t>{r.cache.readRequests, r.cache.writeRequests, r.cache.readHits, r.cache.writeHits,
                                     r.usedBuffers, r.dirtyBuffers}),
              (std::vector<uint32_t>{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(r.cycle, (std::vector<uint32_t>{100, 0, 1000}));
}

// Without "load" a controller is quiet: only block transfers move its counters.
TEST(Scenario, NoLoadIsQuiet)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"controllers": [{"entry": 0}, {"entry": 1, "load": {"cache": [1, 1, 1, 1, 0, 0]}}]})",
                              s, error))
        << error;
    for (const ControllerSpec& c : s.controllers) {
        EXPECT_EQ(c.load.drive.readOps + c.load.drive.writeOps + c.load.drive.blocksRead + c.load.drive.blocksWritten, 0u)
            << c.entry;
    }
    EXPECT_EQ(s.controllers[0].load.cache.readRequests, 0u);
    EXPECT_EQ(s.controllers[1].load.cache.readRequests, 1u);
}

TEST(Scenario, RefusesMalformedScenarios)
{
    const char* bad[] = {
        "not json",
        "[]",
        R"({"driverVersion": -1})",
        R"({"driverVersion": 70000})",
        R"({"driverVersion": "12x"})",
        R"({"controllers": [{"entry": 1}, {"entry": 1}]})",
        R"({"controllers": [{"entry": 300}]})",
        R"({"controllers": [{"channels": [{"devices": [{"target": 1}, {"target": 1}]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{"vendor": "MUCH TOO LONG"}]}]}]})",
        R"({"controllers": [{"logicalDrives": [{"members": [[0, 0]]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"members": [[0, 0]]}, {"number": 1, "members": [[0, 0]]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"number": 255, "members": [[0, 0]]}]}]})",
        R"({"controllers": [{"records": [{"key": 40, "hex": "abc"}]}]})",
        R"({"controllers": [{"refuseChannelDescriptions": 1}]})",
        R"({"controllers": [{"profile": "ancient"}]})",
        R"({"controllers": [{"typeName": "A NAME TOO LONG!"}]})",
        R"({"controllers": [{"features": "0x100000000"}]})",
        R"({"controllers": [{"channels": [{"chip": 256}]}]})",
        R"({"controllers": [{"channels": [{"reportedDevices": -1}]}]})",
        R"({"controllers": [{"reportedDrives": "0x100000000"}]})",
        R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"members": [[0, 0]], "reportedMembers": "many"}]}]})",
        R"({"controllers": [{"logicalDrives": [{"members": ["0x1x"]}]}]})",
        R"({"controllers": [{"logicalDrives": [{"members": [true]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"members": [[4294967296, 0]]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{"ownership": "0011"}]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{"enclosure": []}]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{"enclosure": {"slots": [256]}}]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{"enclosure": {"sensors": [{"degrees": 40000}]}}]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{"enclosure": {"sensors": [{"degrees": "hot"}]}}]}]}]})",
        R"({"controllers": [{"enclosureConfigs": [{"slots": [[0, 1]]}]}]})",
        R"({"controllers": [{"enclosureConfigs": [{"name": "A NAME TOO LONG"}]}]})",
        R"({"controllers": [{"enclosureConfigs": 70000}]})",
        R"({"controllers": [{"surfaceCheck": {"step": 101}}]})",
        R"({"controllers": [{"load": [1, 2, 3, 4]}]})",
        R"({"controllers": [{"load": {"drives": [1, 2, 3]}}]})",
        R"({"controllers": [{"load": {"drives": [1, 2, 3, 4, 5]}}]})",
        R"({"controllers": [{"load": {"cache": [1, 2, 3, 4, 5, "x"]}}]})",
        R"({"controllers": [{"load": {"drives": [1, 2, 3, "0x100000000"]}}]})",
        R"({"controllers": [{"load": {"drives": 4}}]})",
        R"({"controllers": [{"load": {"cycle": [100, 1001]}}]})",
        R"({"controllers": [{"load": {"cycle": 100}}]})",
        R"({"controllers": [{"surfaceCheck": 60}]})",
        R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"members": [[0, 0]]}], "mirrors": [{"drives": [0, 1]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"members": [[0, 0]]}], "mirrors": [{"drives": [0]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{}, {"target": 1}]}], "logicalDrives": [{"members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}], "mirrors": [{"drives": [0, 1]}, {"drives": [1, 0]}]}]})",
        R"({"controllers": [{"channels": [{"devices": [{}, {"target": 1}]}], "logicalDrives": [{"members": [[0, 0]]}, {"number": 1, "members": [[0, 1]], "poolHotFix": true}], "mirrors": [{"drives": [0, 1]}]}]})",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        Scenario s;
        std::string error;
        EXPECT_FALSE(parseScenario(text, s, error));
        EXPECT_FALSE(error.empty());
    }
}

// A key that no reader asks for, a misspelt one above all, is refused with
// its name and where it stands.
TEST(Scenario, UnknownKeysAreRefusedWithTheirPlace)
{
    const struct {
        const char* json;
        const char* error;
    } cases[] = {
        {R"({"controllers": [{"entry": 0}, {"entry": 1, "profil": "old"}]})",
         "unknown key \"profil\" in controllers[1]"},
        {R"({"driverversion": 773})", "unknown key \"driverversion\" at the top of the scenario"},
        {R"({"osVersion": {"major": 5, "minr": 1}})", "unknown key \"minr\" in osVersion"},
        {R"({"controllers": [{"channels": [{"kind": 2}, {"devices": [{}, {"target": 1, "capacty": 5}]}]}]})",
         "unknown key \"capacty\" in controllers[0].channels[1].devices[1]"},
        {R"({"controllers": [{"channels": [{"device": []}]}]})", "unknown key \"device\" in controllers[0].channels[0]"},
        {R"({"controllers": [{"channels": [{"devices": [{"enclosure": {"sensors": [{"degree": 30}]}}]}]}]})",
         "unknown key \"degree\" in controllers[0].channels[0].devices[0].enclosure.sensors[0]"},
        {R"({"controllers": [{"load": {"drives": [1, 1, 1, 1], "cycles": [50]}}]})",
         "unknown key \"cycles\" in controllers[0].load"},
        {R"({"controllers": [{"surfaceCheck": {"secs": 5}}]})", "unknown key \"secs\" in controllers[0].surfaceCheck"},
        {R"({"controllers": [{"records": [{"key": 22, "bytes": "01"}]}]})",
         "unknown key \"bytes\" in controllers[0].records[0]"},
        {R"({"controllers": [{"channels": [{"devices": [{}]}], "logicalDrives": [{"members": [[0, 0]], "nmae": "X"}]}]})",
         "unknown key \"nmae\" in controllers[0].logicalDrives[0]"},
        {R"({"controllers": [{"enclosureConfigs": [{"vendor": "KZM", "slot": []}]}]})",
         "unknown key \"slot\" in controllers[0].enclosureConfigs[0]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        Scenario s;
        std::string error;
        EXPECT_FALSE(parseScenario(c.json, s, error));
        EXPECT_EQ(error, c.error);
    }
}

// Every scenario example of the emulator's documentation is read as it is
// written (a lone controller as the scenario's only one).
TEST(Scenario, DocumentedExamplesAreRead)
{
    std::ifstream in(std::string(KZM_DOCS_DIR) + "/emulator.md");
    ASSERT_TRUE(in);
    std::vector<std::string> examples;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line == "```json") {
            inside = true;
            examples.emplace_back();
        } else if (line.rfind("```", 0) == 0) {
            inside = false;
        } else if (inside) {
            examples.back() += line + "\n";
        }
    }
    ASSERT_GE(examples.size(), 3u);
    for (const std::string& example : examples) {
        SCOPED_TRACE(example);
        const std::string text =
            example.find("\"controllers\"") != std::string::npos ? example : "{\"controllers\": [" + example + "]}";
        Scenario s;
        std::string error;
        EXPECT_TRUE(parseScenario(text, s, error)) << error;
    }
}

TEST(Scenario, DefaultHasTwoControllersOfKnownFamilies)
{
    const Scenario s = defaultScenario();
    ASSERT_EQ(s.controllers.size(), 2u);
    EXPECT_EQ(s.controllers[0].entry, 0);
    EXPECT_EQ(s.controllers[1].entry, 1);
    EXPECT_EQ(s.controllers[0].typeClass, 0xFE);
    EXPECT_EQ(s.controllers[0].subtype >> 8, 0x61);
    EXPECT_EQ(s.controllers[1].typeClass, 0x86);
    EXPECT_FALSE(s.controllerCount.has_value());
    // A new firmware with SCSI, Fibre Channel and SATA, and an old one.
    EXPECT_EQ(s.controllers[0].profile, "new");
    EXPECT_EQ(s.controllers[0].interfaceLevel, 0x21Eu);
    std::vector<uint8_t> kinds;
    for (const ChannelSpec& c : s.controllers[0].channels)
        kinds.push_back(c.kind);
    EXPECT_EQ(kinds, (std::vector<uint8_t>{2, 3, 4}));
    EXPECT_EQ(s.controllers[1].profile, "old");
    EXPECT_EQ(s.controllers[1].interfaceLevel, 0x216u);
    EXPECT_EQ(s.controllers[1].board.typeName, "KZM6117RD");
}

// A rehearsal: every disk sits at an ID that is not the controller's own on
// its channel, so each can be used, and both controllers carry a steady load
// on their drives and caches.
TEST(Scenario, DefaultDisksSitAtFreeIdsUnderASteadyLoad)
{
    const Scenario s = defaultScenario();
    for (const ControllerSpec& c : s.controllers) {
        SCOPED_TRACE(c.entry);
        for (const ChannelSpec& ch : c.channels)
            for (const DeviceSpec& d : ch.devices)
                EXPECT_NE(d.targetId, ch.ownId) << "channel kind " << int(ch.kind);
        EXPECT_GT(c.load.drive.readOps, 0u);
        EXPECT_GT(c.load.drive.writeOps, 0u);
        EXPECT_GT(c.load.drive.blocksRead, 0u);
        EXPECT_GT(c.load.drive.blocksWritten, 0u);
        EXPECT_GT(c.load.cache.readRequests, 0u);
        EXPECT_LE(c.load.cache.readHits, c.load.cache.readRequests);
        EXPECT_LE(c.load.cache.writeHits, c.load.cache.writeRequests);
    }
    // The SATA disk of the first controller: ID 1, beside the controller's own 0.
    const ChannelSpec& sata = s.controllers[0].channels.at(2);
    EXPECT_EQ(sata.ownId, 0);
    ASSERT_EQ(sata.devices.size(), 1u);
    EXPECT_EQ(sata.devices[0].targetId, 1);
}

TEST(Scenario, ProfileGivesDefaultsThatFieldsOverride)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"controllers": [
        {"entry": 0, "profile": "middle"},
        {"entry": 1, "profile": "middle", "interfaceLevel": "0x218", "firmwareVersion": "0x021D0001",
         "channels": [{"kind": 3, "chip": "0x22"}]},
        {"entry": 2},
        {"entry": 3, "profile": "old", "channels": []}]})",
                              s, error))
        << error;
    const ControllerSpec& listed = s.controllers[0];
    EXPECT_EQ(listed.interfaceLevel, 0x217u);
    EXPECT_EQ(listed.board.firmwareVersion, 0x021C0006u);
    ASSERT_EQ(listed.channels.size(), 3u) << "a named profile brings its channels";
    EXPECT_EQ(listed.channels[0].ownId, 7);
    EXPECT_TRUE(listed.channels[0].devices.empty());

    const ControllerSpec& overridden = s.controllers[1];
    EXPECT_EQ(overridden.interfaceLevel, 0x218u);
    EXPECT_EQ(overridden.board.firmwareVersion, 0x021D0001u);
    EXPECT_EQ(overridden.board.typeName, "KZM6528RS");
    ASSERT_EQ(overridden.channels.size(), 1u);
    EXPECT_EQ(overridden.channels[0].chip, 0x22);

    const ControllerSpec& unnamed = s.controllers[2];
    EXPECT_EQ(unnamed.profile, "new");
    EXPECT_EQ(unnamed.board.typeName, "KZM8530RZ");
    EXPECT_TRUE(unnamed.channels.empty()) << "no profile named: only the channels listed";
    EXPECT_TRUE(s.controllers[3].channels.empty());
    EXPECT_FALSE(s.controllers[3].unansweredKeys.empty());
}

TEST(Scenario, ChannelCountIsBoundByTheChannelAddresses)
{
    auto withChannels = [](size_t n) {
        std::string channels;
        for (size_t i = 0; i < n; ++i)
            channels += i ? ",{}" : "{}";
        return R"({"controllers": [{"channels": [)" + channels + "]}]}";
    };
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(withChannels(300), s, error)) << error;
    EXPECT_EQ(s.controllers.at(0).channels.size(), 300u);
    ASSERT_TRUE(parseScenario(withChannels(0xFFFE), s, error)) << "the last address is 0xFFFF0000: " << error;
    EXPECT_FALSE(parseScenario(withChannels(0xFFFF), s, error));
}

TEST(Scenario, FlashAndFirmwareFileFieldsOverrideTheProfile)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "profile": "new",
        "flashSize": "0x80000", "flashBase1": "0xFFF80000", "secondFlashKb": 32, "flashBase2": "0xFFF00000",
        "bootFlag": 0, "boardType": "0x203", "componentRow": 255, "firmwareFileRule": "0x01200000",
        "firmwarePattern": "KZM_XYFW.*"}]})", s, error))
        << error;
    const BoardSpec& b = s.controllers.at(0).board;
    EXPECT_EQ(b.flashSize, 0x80000u);
    EXPECT_EQ(b.flashBase1, 0xFFF80000u);
    EXPECT_EQ(b.secondFlashKb, 32u);
    EXPECT_EQ(b.flashBase2, 0xFFF00000u);
    EXPECT_EQ(b.bootFlag, 0u);
    EXPECT_EQ(b.boardType, 0x203u);
    EXPECT_EQ(b.componentRow, 0xFF);
    EXPECT_EQ(b.firmwareFileRule, 0x01200000u);
    EXPECT_EQ(b.firmwarePattern, "KZM_XYFW.*");
    EXPECT_FALSE(parseScenario(R"({"controllers": [{"flashSize": "0x2000000"}]})", s, error)) << "above 16 MB";
}
