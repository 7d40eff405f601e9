#include "scenario.h"

#include <gtest/gtest.h>

using namespace kzmsim;

TEST(Scenario, ReadsEveryField)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario(R"({"driverVersion": 773, "controllerCount": 25,
        "osVersion": {"major": 5, "minor": 10, "revision": "0x10"},
        "controllers": [{"entry": 4, "class": "0xFD", "subtype": 0, "busSlot": 520,
          "interfaceLevel": 262, "refuseChannelDescriptions": true,
          "channels": [{"kind": 4, "ownId": 0, "devices": [{"target": 1, "capacity": "0x100000", "removable": true}]}],
          "logicalDrives": [{"number": 9, "type": 32, "name": "CHAIN", "members": [[0, 0]]}],
          "records": [{"key": "0x28", "hex": "0102ff"}]}]})",
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
    EXPECT_EQ(c.records.at(0).target, 0xFFFFu);
    EXPECT_EQ(c.records.at(0).bytes, (std::vector<uint8_t>{1, 2, 0xFF}));
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
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        Scenario s;
        std::string error;
        EXPECT_FALSE(parseScenario(text, s, error));
        EXPECT_FALSE(error.empty());
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
}
