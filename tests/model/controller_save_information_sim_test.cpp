// The Save Information report end to end: a controller of the emulator with
// disks on SCSI, Fibre Channel and SATA channels, an array drive with a
// missing member, a mirror, a pool hot fix drive, host drives with a valid
// and an invalid partition table, another node's host drive and a message
// log of several rounds; written to a file and line by line.
#include "drive_sim_test.h"

#include "model_errors.h"
#include "text_file.h"

#include <byte_order.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const kRich = R"({"entry": 0, "profile": "new",
    "channels": [
      {"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}, {"target": 4},
                              {"target": 5}, {"target": 6, "type": 3, "product": "PROCESSOR"}]},
      {"kind": 3, "devices": [{"target": 1, "infoBytes": [[88, 1], [80, 1], [90, 0], [91, 8], [92, 1], [96, 2]]}]},
      {"kind": 4, "devices": [{"target": 0}]}],
    "logicalDrives": [
      {"number": 0, "name": "ARR_0", "members": [[0, 0]]},
      {"number": 1, "name": "ARR_1", "members": [[0, 1]]},
      {"number": 2, "name": "MIR", "members": [[0, 2]]},
      {"number": 3, "name": "MIR_B", "members": [[0, 3]]},
      {"number": 4, "name": "SPARE", "members": [[0, 4]], "poolHotFix": true},
      {"number": 5, "name": "HOST", "members": [[0, 5]]},
      {"number": 6, "name": "FC", "members": [[1, 0]]},
      {"number": 7, "name": "SATA", "members": [[2, 0]]}],
    "mirrors": [{"drives": [2, 3], "poolAccess": true}],
    "foreignHostDrives": [{"number": 9, "carrier": 9, "size": 2048, "name": "OTHER"}]})";

std::vector<std::string> g_lines;
void Collect(const char* line) { g_lines.emplace_back(line); }

// The lines with the clock taken out: the report's date line and the message log's time stamps.
std::vector<std::string> WithoutClock(std::vector<std::string> lines)
{
    for (std::string& l : lines) {
        if (l.rfind("Date/Time:        ", 0) == 0)
            l = "Date/Time:        <now>";
        else if (l.size() > 21 && l[4] == '-' && l[7] == '-' && l[13] == ':' && l.compare(19, 2, ": ") == 0)
            l = "<time>" + l.substr(19);
    }
    return lines;
}

// The lines of the section that begins with `heading` up to the next line
// that is empty or begins with `end`.
std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& heading, const std::string& end)
{
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& l : lines) {
        if (!in && l.rfind(heading, 0) == 0)
            in = true;
        else if (in && (l.empty() || l.rfind(end, 0) == 0))
            break;
        if (in)
            out.push_back(l);
    }
    return out;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

}  // namespace

class SaveInformationTest : public DriveSimTest {
protected:
    void SetUp() override { dir_ = ::testing::TempDir() + "/save_information_" + std::to_string(::getpid()); }

    // The rich controller, read and configured; nullptr on failure.
    CController* Rich()
    {
        CController* c = Read(kRich);
        if (c == nullptr)
            return nullptr;
        CLogDrive& first = c->logDrives[Drive(*c, 0)];
        first.AddPendingComponent(Drive(*c, 1));
        int spans = 0, number = 0;
        if (first.CreateArray(RAID_TYPE_0, &spans, &number, 0x10000) != 1 || c->Refresh() != 1)
            return nullptr;
        // Drive 1 fails and is deleted: its slot keeps the number.
        if (!sim_->control("fail 0 0 1") || c->Refresh() != 1 || c->logDrives[Drive(*c, 1)].Remove(1) != 1)
            return nullptr;
        if (c->logDrives[Drive(*c, 5)].CreateHostDrive(5) != 1 || c->logDrives[Drive(*c, 6)].CreateHostDrive(6) != 1)
            return nullptr;
        // Host drive 6 gets a partition table with one active entry; host drive 5 has none.
        std::vector<char> mbr(512, 0);
        mbr[446] = static_cast<char>(0x80);
        mbr[446 + 4] = static_cast<char>(0x83);
        mbr[446 + 8] = 63;
        mbr[446 + 13] = 0x10;  // 4096 sectors
        mbr[510] = 0x55;
        mbr[511] = static_cast<char>(0xAA);
        std::ofstream(sim_->root() + "/kzmsim/hostdrive/0/6", std::ios::binary | std::ios::in | std::ios::out)
            .write(mbr.data(), 512);
        // More messages than one 2048-byte round of the log holds.
        for (int i = 0; i < 60; ++i)
            if (!sim_->control("logmsg 0 1 message number " + std::to_string(i) + " of the screen service log"))
                return nullptr;
        if (c->Refresh() != 1)
            return nullptr;
        return c;
    }

    // The report of controller c written to a file, as lines.
    std::vector<std::string> FileReport(CController* c)
    {
        const std::string path = sim_->root() + "/../report.txt";
        EXPECT_EQ(c->SaveInformation(path.c_str(), "Title line", nullptr), 1) << std::hex << c->error;
        return ReadLines(path);
    }

    std::string dir_;
};

TEST_F(SaveInformationTest, TheRichControllerGivesTheGoldenReport)
{
    CController* c = Rich();
    ASSERT_NE(c, nullptr);
    const std::vector<std::string> lines = FileReport(c);
    EXPECT_EQ(c->error, 0u);
    EXPECT_EQ(Joined(WithoutClock(lines)), Joined(ReadLines(SAVEINFO_GOLDEN_PATH)));
    // The line function gets the same lines, without line ends.
    g_lines.clear();
    ASSERT_EQ(c->SaveInformation(nullptr, "Title line", Collect), 1);
    EXPECT_EQ(Joined(WithoutClock(g_lines)), Joined(WithoutClock(lines)));
    for (const std::string& l : g_lines)
        EXPECT_EQ(l.find('\n'), std::string::npos);
}

struct SectionCase {
    const char* controller;
    const char* section;
};

// Step 3 by firmware generation and hardware: every branch of the controller section.
TEST_F(SaveInformationTest, TheControllerSectionFollowsTheFirmwareAndHardware)
{
    const SectionCase cases[] = {
        {R"({"entry": 0, "profile": "old"})",
         "                             Controller Information                             \n"
         "                             ======================                             \n"
         "\n"},
        {R"({"entry": 0, "profile": "old"})",
         "Type:             KZM6117RD       Slot/Address:     0/0\n"
         "Firmware version: 2.22.18-R030    Serial no.:       00101234\n"
         "Features:         C 0 1 4 5 10    Channel count:    2\n"
         "Cache:            On              Delayed Write:    On\n"
         "Hardware level:   0               Cache RAM:        4 MB, 2 bank(s)\n"
         "RAM Type:         EDO, Parity     RAM Speed:        60 ns\n"
         "Base Flash Size:  512 KB          Ext. Flash Size:  Not present\n"
         "Processor:        KZP-66          ID(hex):          00010203 00000001\n"
         "Batt.Backup DIMM: Not supported\n"},
        {R"({"entry": 0, "profile": "middle"})",
         "Type:             KZM6528RS       Slot/Address:     0/0\n"
         "Firmware version: 2.28.06-R04A    Serial no.:       00205678\n"
         "Features:         C 0 1 4 5 10    Channel count:    3\n"
         "Cache:            On              Delayed Write:    On\n"
         "Hardware level:   3               Cache RAM:        16 MB, 1 bank(s)\n"
         "RAM Type:         SDRAM           RAM Speed:        unknown\n"
         "SDRAM Parameters (hex.):\n"
         "    00: 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F\n"
         "    10: 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F\n"
         "    20: 30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F\n"
         "    30: 40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F\n"
         "Base Flash Size:  1024 KB         Ext. Flash Size:  Not present\n"
         "Processor:        KZP-100         ID(hex):          00020304 00000002\n"
         "Prim. PCI speed:  33 MHz          Sec. PCI speed:   66 MHz\n"
         "Batt.Backup DIMM: Not supported\n"},
        // An unknown processor and RAM type, no battery module on new firmware.
        {R"({"entry": 0, "profile": "new", "processorType": 9, "ramType": 7, "ramCheck": 0, "batteryModule": "",
             "installedOptions": 0, "hardwareLevel": 0})",
         "Hardware level:   0               Cache RAM:        64 MB, 2 bank(s)\n"
         "RAM Type:         ???             RAM Speed:        10 ns\n"
         "Base Flash Size:  2048 KB         Ext. Flash Size:  1024 KB\n"
         "Processor:        unknown         ID(hex):          69054118 00000003\n"
         "ACPI Interface:   Supported       Memory bus width: 64 Bit\n"
         "Prim. PCI width:  64 Bit          Sec. PCI width:   32 Bit\n"
         "Prim. PCI speed:  66 MHz          Sec. PCI speed:   unknown\n"
         "Batt.Backup DIMM: Not present\n"
         "DO_EVENT_HIT:     On              READ_AHEAD:       On\n"},
    };
    for (const SectionCase& k : cases) {
        SCOPED_TRACE(k.controller);
        CController* c = Read(k.controller);
        ASSERT_NE(c, nullptr);
        const std::string report = Joined(FileReport(c));
        EXPECT_NE(report.find(k.section), std::string::npos) << report;
        sim_.reset();
    }
}

struct BatteryCase {
    int state;
    const char* line;  // nullptr: no state line
};

TEST_F(SaveInformationTest, TheBatteryStateIsTheFirstThatMatches)
{
    const BatteryCase cases[] = {
        {0x86, "Batt.Back. State: Battery Backup Enabled"},
        {0x80, "Batt.Back. State: Bad Battery/Charger or Battery recharging"},
        {0x88, "Batt.Back. State: SDRAM Data NOT Retained"},
        {0x81, "Batt.Back. State: No Battery Installed"},
        {0x83, "Batt.Back. State: No Battery Back-Up Circuit"},
        {0x8E, "Batt.Back. State: Battery Backup Available"},
        {0x8C, "Batt.Back. State: SDRAM Data NOT Retained"},  // the earlier rows leave no state for the last
        {0x06, nullptr},  // bit 7 clear
    };
    for (const BatteryCase& k : cases) {
        SCOPED_TRACE(k.state);
        CController* c = Read(R"({"entry": 0, "profile": "new", "batteryState": )" + std::to_string(k.state) + "}");
        ASSERT_NE(c, nullptr);
        const std::vector<std::string> battery = Section(FileReport(c), "Batt.Backup DIMM:", "DO_EVENT_HIT:");
        ASSERT_FALSE(battery.empty());
        EXPECT_EQ(battery[0], "Batt.Backup DIMM: BBU-64");
        if (k.line == nullptr)
            EXPECT_EQ(battery.size(), 1u);
        else
            EXPECT_EQ(battery.size() > 1 ? battery[1] : "", k.line);
        sim_.reset();
    }
}

TEST_F(SaveInformationTest, AControllerWithoutDrivesHasEmptyDriveSections)
{
    CController* c = Read(R"({"entry": 0, "profile": "new", "channels": [{"kind": 2}]})");
    ASSERT_NE(c, nullptr);
    const std::vector<std::string> lines = FileReport(c);
    const std::string report = Joined(lines);
    EXPECT_NE(report.find("                           =========================                            \n"
                          "\n"
                          "\n"
                          "                             Host Drive Information                             \n"),
              std::string::npos)
        << report;
}

TEST_F(SaveInformationTest, AnOutputThatCannotBeOpenedOrWrittenFails)
{
    CController* c = Read(R"({"entry": 0, "profile": "old"})");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->SaveInformation((dir_ + "/missing/report.txt").c_str(), "T", nullptr), 0);
    EXPECT_EQ(c->error, 0x04000005u);
    EXPECT_EQ(c->SaveInformation("/dev/full", "T", nullptr), 0);
    EXPECT_EQ(c->error, 0x04000006u);
}

struct MachineCase {
    uint16_t architecture;
    uint16_t signature;
    uint32_t memoryKb;
    const char* lines;  // the machine lines after the driver version
};

TEST_F(SaveInformationTest, TheMachineLinesFollowTheSystemRecord)
{
    const MachineCase cases[] = {
        {0, 0x0652, 0, "\n\n"},
        {1, 0x0600, 0, "Processor:        x86 Family 6\n\n\n"},
        {1, 0x0652, 524288, "Processor:        x86 Family 6 Model 5 Stepping 2\nPhysical memory:  524288 KB\n\n\n"},
        {2, 0x0652, 1024, "Physical memory:  1024 KB\n\n\n"},
    };
    CController* c = Read(R"({"entry": 0, "profile": "old"})");
    ASSERT_NE(c, nullptr);
    for (const MachineCase& k : cases) {
        wire::put32(c->hostSystem.systemRecord, 0, k.memoryKb);
        wire::put16(c->hostSystem.systemRecord, 4, k.architecture);
        wire::put16(c->hostSystem.systemRecord, 6, k.signature);
        const std::string report = Joined(FileReport(c));
        const std::string driver = "Driver version:   3.02\n";
        const size_t at = report.find(driver);
        ASSERT_NE(at, std::string::npos) << report;
        EXPECT_EQ(report.substr(at + driver.size(), std::string(k.lines).size()), k.lines) << k.signature;
    }
}

TEST_F(SaveInformationTest, CapacitiesTakeNoSectorSizeOfZeroAndNeverOverflow)
{
    CController* c = Read(R"({"entry": 0, "profile": "new", "channels": [{"kind": 2, "devices": [
        {"target": 0, "blockSize": 0}, {"target": 1, "capacity": 4294967295, "blockSize": 4096}]}]})");
    ASSERT_NE(c, nullptr);
    const std::string report = Joined(FileReport(c));
    EXPECT_NE(report.find("Capacity:         0 MB            Cap.(Blocks):     2097152\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Capacity:         16777215 MB     Cap.(Blocks):     4294967295\n"), std::string::npos)
        << report;
}

struct LogFaultCase {
    const char* fault;
    size_t messages;  // message lines the report keeps
};

// A misreporting message log ends the section; it never runs past the reply or loops.
TEST_F(SaveInformationTest, AMisreportedMessageLogEndsItsSection)
{
    const LogFaultCase cases[] = {
        {"none", 3}, {"size 8", 0}, {"size 4096", 0}, {"count 1000", 3}, {"stuck", 3},
    };
    CController* c = Read(R"({"entry": 0, "profile": "old", "channels": []})");
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("logmsg 0 1 first\nlogmsg 0 1 second\nlogmsg 0 1 third"));
    for (const LogFaultCase& k : cases) {
        SCOPED_TRACE(k.fault);
        ASSERT_TRUE(sim_->control(std::string("logfault 0 ") + k.fault));
        const std::vector<std::string> lines = FileReport(c);
        const std::vector<std::string> section =
            Section(lines, "                    Screen service messages / Async. events", "\x01");
        ASSERT_GE(section.size(), 2u);
        EXPECT_EQ(section.size() - 2, k.messages) << Joined(section);
        EXPECT_EQ(c->error, 0u);
    }
    EXPECT_FALSE(sim_->control("logfault 0 size"));
    EXPECT_FALSE(sim_->control("logfault 0 sideways"));
}
