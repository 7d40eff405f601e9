// The fault bus, cluster channel and enclosure configuration screens of
// mirvane in a real terminal (tmux) against the mounted emulator: the states
// view with its ID pages and swap counts, the cluster channels with the page
// they write, the slot editor with the records it writes.
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

class enclosureScreensTest : public mirvaneSession {
protected:
    // In " Cluster Channels " with the first channel just chosen: the second
    // channel switched on and the change saved.
    void enableSecondChannelAndSave()
    {
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor("(Enabled)")) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor("The changes will take effect after reboot")) << tmux->capture();
    }
    // mirvane on the scenario, the controls run, in its Configure Controller menu.
    void open(const std::string& scenario, const std::vector<std::string>& lines = {})
    {
        controls = lines;
        ASSERT_NO_FATAL_FAILURE(start("", scenario));
        ASSERT_NO_FATAL_FAILURE(toList());
        ASSERT_NO_FATAL_FAILURE(toConfigureMenu());
    }
};

TEST_F(enclosureScreensTest, StatesOfThreeChannelsWithIdPagesAndSwapCount)
{
    open(R"({"controllers": [{"entry": 0, "channels": [
        {"kind": 2, "faultBus": true, "faultBusActive": true},
        {"kind": 2, "faultBus": true, "faultBusActive": true},
        {"kind": 3}]}]})");
    ASSERT_TRUE(sim->control("swaps 0 0 123456"));
    tmux->sendKeys("i");
    ASSERT_TRUE(tmux->waitFor("Fault Bus compatible disk system")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Intelligent Fault Bus ")) << tmux->capture();
    tmux->sendKeys("v");
    ASSERT_TRUE(tmux->waitFor(" Fault Bus States ")) << tmux->capture();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("LED Code Description         State"), std::string::npos) << pane;
    EXPECT_NE(pane.find("Channel  Fault Bus     Swap  SHELF  LED Code"), std::string::npos) << pane;
    EXPECT_NE(pane.find("State Detect ID0  ID1  ID2  ID3  ID4  ID5  ID6  ID7"), std::string::npos) << pane;
    // The counter modulo 100000; SHELF monitoring is off: "NA".
    EXPECT_NE(pane.find("Enabled       23456 NA"), std::string::npos) << pane;
    EXPECT_NE(pane.find("Enabled       0     NA"), std::string::npos) << pane;
    EXPECT_NE(pane.find("Not installed"), std::string::npos) << pane;
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor("ID8  ID9  ID10 ID11 ID12 ID13 ID14 ID15")) << tmux->capture();
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor("ID0  ID1  ID2")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Fault Bus States ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Intelligent Fault Bus ")) << tmux->capture();
}

TEST_F(enclosureScreensTest, WithoutAFaultBusTheMenuIsRefused)
{
    open("");
    tmux->sendKeys("i");
    ASSERT_TRUE(tmux->waitFor("the Intelligent Fault Bus !")) << tmux->capture();
    EXPECT_FALSE(shows("─ Intelligent Fault Bus ─")) << tmux->capture();
}

TEST_F(enclosureScreensTest, ClusterChannelsOnFibreChannelOnly)
{
    open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 3}, {"kind": 2}]}]})");
    tmux->sendKeys("l");
    ASSERT_TRUE(tmux->waitFor(" Cluster Channels ")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("Clustering is supported on Fibre Channels only!")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("Fibre Channels only")) << tmux->capture();
    tmux->sendKeys("Up Enter");
    ASSERT_NO_FATAL_FAILURE(enableSecondChannelAndSave());
    const std::vector<uint8_t> page = sim->lastData("0x0000002B", 380);
    ASSERT_EQ(page.size(), 380u);
    EXPECT_EQ(page[344], 1);
}

TEST_F(enclosureScreensTest, WriteBackPerHostDriveAfterAClusterChannelChange)
{
    // Host drives 0 and 1 on logical drives 0 and 1; the controller answers
    // for each whether clustering is on for it.
    for (const bool clustered : {true, false}) {
        SCOPED_TRACE(clustered ? "clustered" : "not clustered");
        open(std::string(R"({"controllers": [{"entry": 0, "clusterEnabled": )") + (clustered ? "true" : "false") +
                  R"(, "channels": [{"kind": 3}, {"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
                  "logicalDrives": [{"number": 0, "members": [[1, 0]]}, {"number": 1, "members": [[1, 1]]}]}]})",
              {"hostdrive 0 0 0 1000", "hostdrive 0 1 1 1000"});
        tmux->sendKeys("l");
        ASSERT_TRUE(tmux->waitFor(" Cluster Channels ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_NO_FATAL_FAILURE(enableSecondChannelAndSave());
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
        EXPECT_TRUE(sim->waitForLog([](const std::vector<SimRecord>& records) {
            int tables = 0;
            for (const SimRecord& r : records)
                tables += r.key == "0x10010003" && !r.data(36).empty();
            return tables >= 2;
        }, redrawMs)) << "two cluster channel tables (0x10010003) in the log";
        const std::vector<std::vector<uint8_t>> tables = sim->allData("0x10010003", 36);
        ASSERT_EQ(tables.size(), 2u) << tmux->capture();
        for (const auto& t : tables) {
            SCOPED_TRACE("host drive " + std::to_string(t[28]));
            EXPECT_EQ(t[31] & 1, clustered ? 1 : 0) << "write-back off is bit 0 of the attributes";
        }
        EXPECT_NE(tables[0][28], tables[1][28]);
    }
}

// Three configurations, the third holding the disk at ID 1 in slot 0; the
// controller reports four slots.
const char* const enclosures = R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
    {"target": 1, "product": "SLOT DISK"}, {"target": 2, "product": "FREE DISK"}]}],
    "enclosureConfigs": [{"vendor": "KZM", "name": "ZERO", "slots": []},
                         {"vendor": "KZM", "name": "ONE", "slots": []},
                         {"vendor": "KZM", "name": "TWO", "slots": [[0, 1, 0]]}]}]})";

TEST_F(enclosureScreensTest, SlotEditorOfConfigurationTwo)
{
    // Written as it should be; then with the write failing after the reset,
    // the record as read goes back.
    const struct {
        const char* what;
        const char* control;
        uint32_t count;  // slots of the last record written
    } rows[] = {{"written", nullptr, 2}, {"failing write", "status 0 0x20020 0x0007", 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        open(enclosures, {"enclslots 0 4"});
        tmux->sendKeys("n");
        ASSERT_TRUE(tmux->waitFor(" Select Enclosure ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(" 2   KZM           TWO           Configured")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(" 1                               Not Configured")) << tmux->capture();
        tmux->sendKeys("Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("SLOT DISK")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("   1   No hard disk installed in this slot")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Disk ")) << tmux->capture();
        const std::string pane = stillPane();
        EXPECT_EQ(pane.find("SLOT DISK", pane.find("Select Disk")), std::string::npos) << pane;
        tmux->sendKeys("Enter");
        ASSERT_TRUE(waitGone(" Select Disk ")) << tmux->capture();
        ASSERT_TRUE(waitLine("   1   ", "FREE DISK")) << tmux->capture();
        if (row.control) {
            ASSERT_TRUE(sim->control(row.control));
        }
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you want to save the current configuration ? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        if (row.control) {
            ASSERT_TRUE(tmux->waitFor("Error")) << tmux->capture();
            tmux->sendKeys("Enter");
        }
        ASSERT_TRUE(tmux->waitFor(" Select Enclosure ")) << tmux->capture();
        ASSERT_TRUE(waitGone(" Enclosure Slots ")) << tmux->capture();
        // The table closes before the writes: they are done once the console waits for a key.
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        const std::vector<uint8_t> reset = sim->lastData("0x00020024", 48);
        ASSERT_EQ(reset.size(), 48u);
        EXPECT_EQ(wordAt(reset, 0), 0x30002u);
        const size_t size = 40 + 8 * row.count;
        const std::vector<uint8_t> record = sim->lastData("0x00020020", size);
        ASSERT_EQ(record.size(), size);
        EXPECT_EQ(wordAt(record, 0), 0x30002u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[16])), "TWO");
        EXPECT_EQ(wordAt(record, 28), row.count);
        for (uint32_t k = 0; k < row.count; ++k) {
            EXPECT_EQ(wordAt(record, 32 + 8 * k), 2u);
            EXPECT_EQ(record[36 + 8 * k], 3);
            EXPECT_EQ(record[38 + 8 * k], 1 + k) << "target ID";
            EXPECT_EQ(record[39 + 8 * k], k) << "slot";
        }
        // What the controller holds now.
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("SLOT DISK")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(lineWith("   1   ").find("FREE DISK") != std::string::npos, row.count == 2) << tmux->capture();
    }
}

// An enclosure processor at ID 6 with slots at IDs 0 and 1; a disk at ID 1.
const char* const processor = R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
    {"target": 6, "type": 3, "product": "ENCLOSURE", "enclosure": {
     "slots": [0, 1], "powerSupplies": [0, 1], "fans": [1, 0], "overall": 0,
     "sensors": [{"degrees": 25, "state": 0}], "doorLock": true, "speaker": true}},
    {"target": 1, "product": "SLOT DISK"}]}]}]})";

class enclosureProcessorTest : public enclosureScreensTest {
protected:
    // mirvane at the Configure Disk menu of the enclosure processor.
    void toProcessor()
    {
        ASSERT_NO_FATAL_FAILURE(start("", processor));
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor("ENCLOSURE")) << tmux->capture();
        // The processor's line: as many Downs as lines above it.
        const std::string pane = stillPane();
        const size_t at = pane.find("ENCLOSURE");
        const size_t first = pane.find("SLOT DISK");
        if (first != std::string::npos && first < at)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Configure Disk ")) << tmux->capture();
    }
};

TEST_F(enclosureProcessorTest, SlotTableFreesAndFillsASlot)
{
    toProcessor();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("ENTER: Add/Remove Disk")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("   0   No hard disk installed in this slot")) << tmux->capture();
    EXPECT_TRUE(waitLine("   1   ", "SLOT DISK")) << tmux->capture();
    // No disk at slot 0's ID.
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("No suitable disks found !")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("No suitable disks found !")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
    // Slot 1 freed, then given its disk again.
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("   1   No hard disk installed in this slot")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Disk ")) << tmux->capture();
    tmux->sendKeys("Enter");
    // The choice closes before the table is drawn again with the disk.
    ASSERT_TRUE(waitGone(" Select Disk ")) << tmux->capture();
    ASSERT_TRUE(waitLine("   1   ", "SLOT DISK")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the current configuration ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitGone(" Enclosure Slots ")) << tmux->capture();
    // The table closes before the slot map is sent: it is once the console waits for a key.
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_FALSE(sim->lastData("0x00020012", 8).empty());
}

TEST_F(enclosureProcessorTest, EnclosureStatusWithRefreshAndDoorLock)
{
    toProcessor();
    tmux->sendKeys("e");
    ASSERT_TRUE(tmux->waitFor(" Enclosure Status ")) << tmux->capture();
    for (const char* text : {"Audible Alarm Status ......... (Off)", "Door Lock Status ............. (Unlocked)",
                             "Power supply  0 status ....... (Operational and on)",
                             "Power supply  1 status ....... (Operational and off)",
                             "Fan  0 status ................ (Malfunctioning)",
                             "Fan  1 status ................ (Operational)", "Enclosure temperature ........ (OK)",
                             "Temperature sensor  0 ........ (25 °C / 77 °F  OK)"})
        EXPECT_TRUE(tmux->waitFor(text)) << text << tmux->capture();
    ASSERT_TRUE(sim->control("sensor 0 0 6 0 30"));
    tmux->sendKeys("F10");
    ASSERT_TRUE(tmux->waitFor("(30 °C / 86 °F  OK)")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to change the status ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("Door Lock Status ............. (Locked)")) << tmux->capture();
}

}  // namespace
}  // namespace tui::testing
