// The fault bus, cluster channel and enclosure configuration screens of
// mirvane in a real terminal (tmux) against the mounted emulator: the states
// view with its ID pages and swap counts, the cluster channels with the page
// they write, the slot editor with the records it writes.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim_mount.h"
#include "tmux_session.h"

namespace tui::testing {
namespace {

const std::string mirvane = tmuxSession::quote(MIRVANE_PATH);

// The data bytes of the last request with the IOCTL key (field 6 of a log
// line); the data begins at offset 524 of the request record.
std::vector<uint8_t> lastData(const SimMount& sim, const std::string& key, size_t size)
{
    constexpr size_t recordBytes = 524;
    std::vector<uint8_t> data;
    for (const std::string& line : sim.log()) {
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');)
            f.push_back(field);
        if (f.size() < 11 || f[5] != key || f[10].size() < 2 * (recordBytes + size))
            continue;
        data.clear();
        for (size_t i = 0; i < size; ++i)
            data.push_back(static_cast<uint8_t>(std::stoul(f[10].substr(2 * (recordBytes + i), 2), nullptr, 16)));
    }
    return data;
}

// The data bytes of every request with the key, in log order.
std::vector<std::vector<uint8_t>> allData(const SimMount& sim, const std::string& key, size_t size)
{
    constexpr size_t recordBytes = 524;
    std::vector<std::vector<uint8_t>> all;
    for (const std::string& line : sim.log()) {
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');)
            f.push_back(field);
        if (f.size() < 11 || f[5] != key || f[10].size() < 2 * (recordBytes + size))
            continue;
        std::vector<uint8_t> data;
        for (size_t i = 0; i < size; ++i)
            data.push_back(static_cast<uint8_t>(std::stoul(f[10].substr(2 * (recordBytes + i), 2), nullptr, 16)));
        all.push_back(data);
    }
    return all;
}

class enclosureScreensTest : public ::testing::Test {
protected:
    // In " Cluster Channels " with the first channel just chosen: the second
    // channel switched on and the change saved.
    void enableSecondChannelAndSave()
    {
        tmux->waitFor("\x01never", 200);
        tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("(Enabled)")) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor("The changes will take effect after reboot")) << tmux->capture();
    }
    // mirvane on the scenario, in its Configure Controller menu.
    void start(const std::string& scenario, const std::vector<std::string>& controls = {})
    {
        sim = std::make_unique<SimMount>(scenario);
        ASSERT_TRUE(sim->ok());
        for (const std::string& c : controls)
            ASSERT_TRUE(sim->control(c)) << c;
        tmux = std::make_unique<tmuxSession>("KZMH_PROC_ROOT=" + tmuxSession::quote(sim->root()) + " " + mirvane);
        ASSERT_TRUE(tmux->started());
        ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
        if (tmux->capture().find("─ Express Setup ─") != std::string::npos) {
            tmux->sendKeys("4");
            ASSERT_TRUE(tmux->waitFor("─ Advanced Setup ─")) << tmux->capture();
        }
        tmux->sendKeys("c");
        ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    }
    bool waitGone(const std::string& text)
    {
        for (int i = 0; i < 250; ++i) {
            if (tmux->capture().find(text) == std::string::npos)
                return true;
            tmux->waitFor("\x01never", 20);
        }
        return false;
    }
    // Waits until the pane line that shows `text` also shows `part`.
    bool waitLineWith(const std::string& text, const std::string& part)
    {
        for (int i = 0; i < 250; ++i) {
            if (line(text).find(part) != std::string::npos)
                return true;
            tmux->waitFor("\x01never", 20);
        }
        return false;
    }
    // The pane line that shows `text` ("" when none does).
    std::string line(const std::string& text)
    {
        const std::string pane = tmux->capture();
        const size_t at = pane.find(text);
        if (at == std::string::npos)
            return "";
        const size_t begin = pane.rfind('\n', at) + 1;
        return pane.substr(begin, pane.find('\n', at) - begin);
    }

    std::unique_ptr<SimMount> sim;
    std::unique_ptr<tmuxSession> tmux;
};

TEST_F(enclosureScreensTest, StatesOfThreeChannelsWithIdPagesAndSwapCount)
{
    start(R"({"controllers": [{"entry": 0, "channels": [
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
    const std::string pane = tmux->capture();
    EXPECT_NE(pane.find("LED Code Description         State"), std::string::npos) << pane;
    EXPECT_NE(pane.find("Channel  Fault Bus     Swap  SHELF  LED Code"), std::string::npos) << pane;
    EXPECT_NE(pane.find("State Detect ID0  ID1  ID2  ID3  ID4  ID5  ID6  ID7"), std::string::npos) << pane;
    // The counter modulo 100000; SHELF monitoring is off: "NA".
    const std::string first = line("Enabled       23456 NA");
    EXPECT_NE(first, "") << pane;
    EXPECT_NE(line("Enabled       0     NA"), "") << pane;
    EXPECT_NE(line("Not installed"), "") << pane;
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
    start("");
    tmux->sendKeys("i");
    ASSERT_TRUE(tmux->waitFor("the Intelligent Fault Bus !")) << tmux->capture();
    EXPECT_EQ(tmux->capture().find("─ Intelligent Fault Bus ─"), std::string::npos) << tmux->capture();
}

TEST_F(enclosureScreensTest, ClusterChannelsOnFibreChannelOnly)
{
    start(R"({"controllers": [{"entry": 0, "channels": [{"kind": 3}, {"kind": 2}]}]})");
    tmux->sendKeys("l");
    ASSERT_TRUE(tmux->waitFor(" Cluster Channels ")) << tmux->capture();
    tmux->sendKeys("Down");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Clustering is supported on Fibre Channels only!")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("Fibre Channels only")) << tmux->capture();
    tmux->sendKeys("Up");
    tmux->sendKeys("Enter");
    ASSERT_NO_FATAL_FAILURE(enableSecondChannelAndSave());
    const std::vector<uint8_t> page = lastData(*sim, "0x0000002B", 380);
    ASSERT_EQ(page.size(), 380u);
    EXPECT_EQ(page[344], 1);
}

TEST_F(enclosureScreensTest, WriteBackPerHostDriveAfterAClusterChannelChange)
{
    // Host drives 0 and 1 on logical drives 0 and 1; the controller answers
    // for each whether clustering is on for it.
    for (const bool clustered : {true, false}) {
        SCOPED_TRACE(clustered ? "clustered" : "not clustered");
        start(std::string(R"({"controllers": [{"entry": 0, "clusterEnabled": )") + (clustered ? "true" : "false") +
                  R"(, "channels": [{"kind": 3}, {"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
                  "logicalDrives": [{"number": 0, "members": [[1, 0]]}, {"number": 1, "members": [[1, 1]]}]}]})",
              {"hostdrive 0 0 0 1000", "hostdrive 0 1 1 1000"});
        tmux->sendKeys("l");
        ASSERT_TRUE(tmux->waitFor(" Cluster Channels ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_NO_FATAL_FAILURE(enableSecondChannelAndSave());
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
        std::vector<std::vector<uint8_t>> tables;
        for (int i = 0; i < 250 && tables.size() < 2; ++i) {
            tables = allData(*sim, "0x10010003", 36);
            tmux->waitFor("\x01never", 20);
        }
        ASSERT_EQ(tables.size(), 2u) << tmux->capture();
        for (const auto& t : tables) {
            SCOPED_TRACE("host drive " + std::to_string(t[28]));
            EXPECT_EQ(t[31] & 1, clustered ? 1 : 0) << "write-back off is bit 0 of the attributes";
        }
        EXPECT_NE(tables[0][28], tables[1][28]);
        tmux.reset();
        sim.reset();
    }
}

// Three configurations, the third holding the disk at ID 1 in slot 0; the
// controller reports four slots.
const char* const enclosures = R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
    {"target": 1, "product": "SLOT DISK"}, {"target": 2, "product": "FREE DISK"}]}],
    "enclosureConfigs": [{"vendor": "KZM", "name": "ZERO", "slots": []},
                         {"vendor": "KZM", "name": "ONE", "slots": []},
                         {"vendor": "KZM", "name": "TWO", "slots": [[0, 1, 0]]}]}]})";

uint32_t word(const std::vector<uint8_t>& d, size_t offset)
{
    return d[offset] | d[offset + 1] << 8 | d[offset + 2] << 16 | static_cast<uint32_t>(d[offset + 3]) << 24;
}

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
        start(enclosures, {"enclslots 0 4"});
        tmux->sendKeys("n");
        ASSERT_TRUE(tmux->waitFor(" Select Enclosure ")) << tmux->capture();
        EXPECT_NE(line(" 2   KZM           TWO           Configured"), "") << tmux->capture();
        EXPECT_NE(line(" 1                               Not Configured"), "") << tmux->capture();
        tmux->sendKeys("Down");
        tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("SLOT DISK")) << tmux->capture();
        EXPECT_NE(line("   1   No hard disk installed in this slot"), "") << tmux->capture();
        tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Disk ")) << tmux->capture();
        EXPECT_EQ(tmux->capture().find("SLOT DISK", tmux->capture().find("Select Disk")), std::string::npos)
            << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(waitGone(" Select Disk ")) << tmux->capture();
        ASSERT_TRUE(waitLineWith("   1   ", "FREE DISK")) << tmux->capture();
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
        const std::vector<uint8_t> reset = lastData(*sim, "0x00020024", 48);
        ASSERT_EQ(reset.size(), 48u);
        EXPECT_EQ(word(reset, 0), 0x30002u);
        const size_t size = 40 + 8 * row.count;
        const std::vector<uint8_t> record = lastData(*sim, "0x00020020", size);
        ASSERT_EQ(record.size(), size);
        EXPECT_EQ(word(record, 0), 0x30002u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[16])), "TWO");
        EXPECT_EQ(word(record, 28), row.count);
        for (uint32_t k = 0; k < row.count; ++k) {
            EXPECT_EQ(word(record, 32 + 8 * k), 2u);
            EXPECT_EQ(record[36 + 8 * k], 3);
            EXPECT_EQ(record[38 + 8 * k], 1 + k) << "target ID";
            EXPECT_EQ(record[39 + 8 * k], k) << "slot";
        }
        // What the controller holds now.
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("SLOT DISK")) << tmux->capture();
        EXPECT_EQ(line("   1   ").find("FREE DISK") != std::string::npos, row.count == 2) << tmux->capture();
        tmux.reset();
        sim.reset();
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
        sim = std::make_unique<SimMount>(processor);
        ASSERT_TRUE(sim->ok());
        tmux = std::make_unique<tmuxSession>("KZMH_PROC_ROOT=" + tmuxSession::quote(sim->root()) + " " + mirvane);
        ASSERT_TRUE(tmux->started());
        ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
        tmux->sendKeys("4");
        ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor("ENCLOSURE")) << tmux->capture();
        // The processor's line: as many Downs as lines above it.
        const std::string pane = tmux->capture();
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
    EXPECT_NE(line("   0   No hard disk installed in this slot"), "") << tmux->capture();
    EXPECT_NE(line("   1   ").find("SLOT DISK"), std::string::npos) << tmux->capture();
    // No disk at slot 0's ID.
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("No suitable disks found !")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("No suitable disks found !")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Enclosure Slots ")) << tmux->capture();
    // Slot 1 freed, then given its disk again.
    tmux->sendKeys("Down");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("   1   No hard disk installed in this slot")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Disk ")) << tmux->capture();
    tmux->sendKeys("Enter");
    // The choice closes before the table is drawn again with the disk.
    ASSERT_TRUE(waitGone(" Select Disk ")) << tmux->capture();
    ASSERT_TRUE(waitLineWith("   1   ", "SLOT DISK")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the current configuration ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitGone(" Enclosure Slots ")) << tmux->capture();
    EXPECT_FALSE(lastData(*sim, "0x00020012", 8).empty());
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
        EXPECT_NE(line(text), "") << text << tmux->capture();
    ASSERT_TRUE(sim->control("sensor 0 0 6 0 30"));
    tmux->sendKeys("F10");
    ASSERT_TRUE(tmux->waitFor("(30 °C / 86 °F  OK)")) << tmux->capture();
    tmux->sendKeys("Down");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to change the status ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("Door Lock Status ............. (Locked)")) << tmux->capture();
}

}  // namespace
}  // namespace tui::testing
