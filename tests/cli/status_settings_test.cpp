// ostrel -s and -a against scenarios made for the tables and the settings:
// whole standard output, standard error and exit code, the state a new run
// reads back, and the settings writes the emulator logged.
#include "expected_texts.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

void ExpectToolRun(const std::string& root, const Args& args, const std::string& out, const std::string& err, int code)
{
    std::string line = "ostrel";
    for (const std::string& a : args)
        line += " " + a;
    SCOPED_TRACE(line);
    const ToolResult r = RunTool(args, root);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.exitCode, code);
}

// Disks of every kind the table tells apart: one a drive uses, a fragment, a
// write-protected and a removable disk, a disk that is not ready (no row), a
// second LUN, an enclosure processor (no row), SATA on the second channel,
// Fibre Channel through the second loop; vendor and product fill their
// fields without a NUL. Controller 1 has a channel without disks, controller
// 2 no channel at all.
const std::string kTablesScenario = R"({"controllers": [
 {"entry": 0, "typeName": "KZM8530RZ", "busSlot": "0x0410", "features": "0x20000001",
  "channels": [
   {"kind": 2, "devices": [
     {"target": 0, "vendor": "VENDOR08", "product": "PRODUCT-SIXTEEN!", "capacity": 4194304},
     {"target": 1, "deviceByte": 1, "writeProtected": true},
     {"target": 2, "removable": true, "capacity": 1000000},
     {"target": 3, "ready": false},
     {"target": 4, "lun": 1},
     {"target": 6, "type": 3, "vendor": "KZM", "product": "ENCLOSURE"}]},
   {"kind": 4, "devices": [{"target": 2, "product": "SATA DISK"}]},
   {"kind": 3, "devices": [{"target": 1, "secondLoop": 1}, {"target": 2, "product": "FC DISK"}]}],
  "logicalDrives": [{"number": 3, "members": [[0, 0]]}]},
 {"entry": 1, "profile": "old", "channels": [{"kind": 2}]},
 {"entry": 2, "profile": "middle", "channels": []}
]})";

const std::string kTables0 =
    kControllerHeader + "0\tKZM8530RZ\t\t[PCI 4/2]\tC 5 \t2.33.12-R0A1\n" + kDiskHeader +
    "SCSI-A-0\t0\tDrive 3\t\tVENDOR08PRODUCT-SIXTEEN! RW      2048 \n"
    "SCSI-A-1\t0\tFragment\t\tKZM     VIRTUAL DISK     RO      1024 \n"
    "SCSI-A-2\t0\tFree\t\tKZM     VIRTUAL DISK     RWRM     488 \n"
    "SCSI-A-4\t1\tFree\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SATA-B-2\t0\tFree\t\tKZM     SATA DISK        RW      1024 \n"
    "FCAL-*-1\t0\tFree\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "FCAL-C-2\t0\tFree\t\tKZM     FC DISK          RW      1024 \n" +
    kNoHostDrives;
const std::string kTables1 =
    kControllerHeader + "1\tKZM6117RD\t\t[PCI 0/0]\tC 0 1 4 5 10 \t2.22.18-R030\n" + kDiskHeader + kNoHostDrives;
const std::string kTables2 = kControllerHeader + "2\tKZM6528RS\t\t[PCI 0/0]\tC 0 1 4 5 10 \t2.28.06-R04A\n" +
                             kDiskHeader + "No Physical drives.\n" + kNoHostDrives;

TEST(StatusTables, EveryKindOfDevice)
{
    SimMount sim(kTablesScenario);
    ASSERT_TRUE(sim.ok());
    ExpectToolRun(sim.root(), {"-s"}, kTables0 + kTables1 + kTables2, "", 0);
    ExpectToolRun(sim.root(), {"-s", "-CTR:2"}, kTables2, "", 0);
}

TEST(StatusTables, FailedRefreshPrintsItsCodeAndTheTableFollows)
{
    SimMount sim(kTablesScenario);
    ASSERT_TRUE(sim.ok());
    // The drive count is the first request of reading the configuration.
    ASSERT_TRUE(sim.control("status 0 0x01 9"));
    ExpectToolRun(sim.root(), {"-s", "-CTR:0"}, kTables0, "ERROR: Error Code 16777225 \n", 0);
}

// Settings a controller may start with: undetermined cache switches, CD
// boot on, immediate disk start off, a BIOS byte no mode has; and
// firmware versions on either side of the disk start gate.
const std::string kPresetScenario = R"({"controllers": [
 {"entry": 0, "cacheSwitch": 2, "delayedWriteSwitch": 3, "pageA": [[12, 7], [102, 128], [365, 1]]},
 {"entry": 1, "firmwareVersion": "0x021BFFFF", "cacheSwitch": 0, "delayedWriteSwitch": 0, "pageA": [[12, 0]]},
 {"entry": 2, "firmwareVersion": "0x021C0000", "pageA": [[12, 3]]}
]})";

const std::string kAllSettings[] = {"-CACHE", "-DELAYEDWRITE", "-CDBOOT", "-HDSTART", "-BIOS"};

Args WithAllSettings(Args args)
{
    args.insert(args.end(), std::begin(kAllSettings), std::end(kAllSettings));
    return args;
}

TEST(StatusSettings, LinesForEveryValue)
{
    SimMount sim(kPresetScenario);
    ASSERT_TRUE(sim.ok());
    struct Row {
        Args args;
        std::string out;
    };
    const std::vector<Row> rows = {
        {WithAllSettings({"-s", "-CTR:0"}),
         "ERROR: Cache setting cannot be determined ???? \n"
         "ERROR: Delayed Write setting cannot be determined ???? \n"
         "CD Boot setting is ON \n"
         "Immediate HardDisk start setting is OFF\n"
         "ERROR: BIOS setting cannot be determined.\n"},
        {WithAllSettings({"-s", "-CTR:1"}),
         "Cache setting is OFF\nDelayed Write setting is OFF\nCD Boot setting is OFF\n"
         "Immediate HardDisk start setting is OFF\nBIOS is removed.\n"},
        {WithAllSettings({"-s", "-CTR:2"}),
         "Cache setting is ON \nDelayed Write setting is ON \nCD Boot setting is OFF\n"
         "Immediate HardDisk start setting is ON \nBIOS is disabled.\n"},
        // The lines keep their own order; -FW comes first.
        {{"-s", "-CTR:2", "-BIOS", "-HDSTART", "-FW"}, "2.28.00-R0A1\nImmediate HardDisk start setting is ON \n"
                                                       "BIOS is disabled.\n"},
        {{"-s", "-FW"}, "CTR #0 FW version: 2.33.12-R0A1\nCTR #1 FW version: 2.27.255-R0A1\n"
                        "CTR #2 FW version: 2.28.00-R0A1\n"},
        {{"-s", "-BIOS"}, "ERROR: BIOS setting cannot be determined.\nBIOS is removed.\nBIOS is disabled.\n"},
    };
    for (const Row& row : rows)
        ExpectToolRun(sim.root(), row.args, row.out, "", 0);
}

TEST(StatusSettings, RaidAddsTheTablesBeforeTheLines)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    ExpectToolRun(sim.root(), {"-s", "-CTR:1", "-BIOS", "-RAID", "-FW"},
                  kDefaultStatus1 + "2.22.18-R030\nBIOS is enabled.\n", "", 0);
}

// The settings writes of the log: entry, key and answered status of every
// cache mode write and page A write, commit and finish.
std::vector<std::string> SettingsWrites(const SimMount& sim)
{
    std::vector<std::string> writes;
    for (const std::string& line : sim.log()) {
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');)
            f.push_back(field);
        if (f.size() < 10)
            continue;
        const std::string& key = f[5];
        if (key == "0x00000005" || key == "0x0000002B" || key == "0x0000002C" || key == "0x0000002D")
            writes.push_back(f[0] + " " + key + " " + f[9]);
    }
    return writes;
}

const std::string kCacheOk = "0 0x00000005 0x00000001";
const std::vector<std::string> kPageOk = {"0 0x0000002B 0x00000001", "0 0x0000002C 0x00000001",
                                          "0 0x0000002D 0x00000001"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct AssignRow {
    std::string scenario;              // empty: the built-in scenario
    std::vector<std::string> control;  // control lines before the assign
    Args assign;
    std::string err;
    int code;
    Args status;                       // the run that reads the state back
    std::string statusOut;
    std::vector<std::string> writes;
};

std::vector<AssignRow> AssignRows()
{
    const Args status0 = WithAllSettings({"-s", "-CTR:0"});
    const std::string unchanged = "Cache setting is ON \nDelayed Write setting is ON \nCD Boot setting is OFF\n"
                                  "Immediate HardDisk start setting is ON \nBIOS is enabled.\n";
    return {
        {"", {}, {"-a", "-CTR:0", "-CACHE:OFF"}, "INFO: Disabled  controller cache \n", 0,
         {"-s", "-CTR:0", "-CACHE", "-DELAYEDWRITE"}, "Cache setting is OFF\nDelayed Write setting is ON \n",
         {kCacheOk}},
        // The warning reads the cache as the first step left it; the change is still sent.
        {"", {}, {"-a", "-CTR:0", "-DELAYEDWRITE:ON", "-CACHE:OFF"},
         "INFO: Disabled  controller cache \n"
         "WARNING: Controller Cache is disabled. Enabling Delayed write has no effect \n"
         "INFO: Enabled  controller delayed write \n",
         0, {"-s", "-CTR:0", "-CACHE", "-DELAYEDWRITE"}, "Cache setting is OFF\nDelayed Write setting is ON \n",
         {kCacheOk, kCacheOk}},
        {"", {}, {"-a", "-CTR:0", "-DELAYEDWRITE:OFF"}, "INFO: Disabled  controller delayed write \n", 0,
         {"-s", "-CTR:0", "-DELAYEDWRITE", "-CACHE"}, "Cache setting is ON \nDelayed Write setting is OFF\n",
         {kCacheOk}},
        {"", {}, {"-a", "-CTR:0", "-CDBOOT:ON"}, "INFO: Enabled CD boot. \n", 0, status0,
         "Cache setting is ON \nDelayed Write setting is ON \nCD Boot setting is ON \n"
         "Immediate HardDisk start setting is ON \nBIOS is enabled.\n",
         kPageOk},
        {"", {}, {"-a", "-CTR:0", "-HDSTART:OFF"}, "INFO: Disabled Immediate Harddisk startup \n", 0,
         {"-s", "-CTR:0", "-HDSTART"}, "Immediate HardDisk start setting is OFF\n", kPageOk},
        {"", {}, {"-a", "-CTR:0", "-BIOS:REMOVE"}, "INFO: BIOS is removed.\n", 0, {"-s", "-CTR:0", "-BIOS"},
         "BIOS is removed.\n", kPageOk},
        // Every setting: cache mode, boot options, then disk start and BIOS in one write.
        {"", {}, {"-a", "-CTR:0", "-BIOS:DISABLE", "-HDSTART:OFF", "-CDBOOT:ON", "-CACHE:OFF"},
         "INFO: Disabled  controller cache \nINFO: Enabled CD boot. \n"
         "INFO: Disabled Immediate Harddisk startup \nINFO: BIOS is disabled.\n",
         0, status0,
         "Cache setting is OFF\nDelayed Write setting is ON \nCD Boot setting is ON \n"
         "Immediate HardDisk start setting is OFF\nBIOS is disabled.\n",
         Join({{kCacheOk}, kPageOk, kPageOk})},
        // The settings write fails: the boot options written before it stay.
        // The BIOS line comes as the record is filled, before the write.
        {"", {"status 0 0x2B 7 after 2"}, {"-a", "-CTR:0", "-CDBOOT:ON", "-BIOS:DISABLE"},
         "INFO: Enabled CD boot. \nINFO: BIOS is disabled.\nERROR: Error Code 16777223 \n" + kAssignFailed, 1,
         status0,
         "Cache setting is ON \nDelayed Write setting is ON \nCD Boot setting is ON \n"
         "Immediate HardDisk start setting is ON \nBIOS is enabled.\n",
         Join({kPageOk, {"0 0x0000002B 0x00000007"}})},
        // Disk start and BIOS: both lines, then the refused write's error;
        // nothing changed.
        {"", {"status 0 0x2B 7"}, {"-a", "-CTR:0", "-HDSTART:OFF", "-BIOS:REMOVE"},
         "INFO: Disabled Immediate Harddisk startup \nINFO: BIOS is removed.\nERROR: Error Code 16777223 \n" +
             kAssignFailed,
         1, status0, unchanged, {"0 0x0000002B 0x00000007"}},
        // The first step fails: nothing after it is sent.
        {"", {"status 0 0x05 9"}, {"-a", "-CTR:0", "-CACHE:ON", "-CDBOOT:ON"},
         "ERROR: Error Code 16777225 \n" + kAssignFailed, 1, status0, unchanged, {"0 0x00000005 0x00000009"}},
        {"", {"status 0 0x05 9"}, {"-q", "-a", "-CTR:0", "-CACHE:ON"}, "", 1, status0, unchanged,
         {"0 0x00000005 0x00000009"}},
        {"", {}, {"-qa", "-CTR:0", "-BIOS:DISABLE"}, "", 0, {"-s", "-CTR:0", "-BIOS"}, "BIOS is disabled.\n",
         kPageOk},
        {"", {}, {"-a", "-CTR:0"}, "", 0, status0, unchanged, {}},
        // Older firmware: one boot option byte, no disk start switch.
        {"", {}, {"-a", "-CTR:1", "-CDBOOT:ON", "-HDSTART:ON"},
         "INFO: Enabled CD boot. \nINFO: Enabled Immediate Harddisk startup \n", 0,
         {"-s", "-CTR:1", "-CDBOOT", "-HDSTART"}, "CD Boot setting is ON \nImmediate HardDisk start setting is OFF\n",
         {"1 0x0000002B 0x00000001", "1 0x0000002C 0x00000001", "1 0x0000002D 0x00000001",
          "1 0x0000002B 0x00000001", "1 0x0000002C 0x00000001", "1 0x0000002D 0x00000001"}},
        // From values no mode has to known ones.
        {kPresetScenario, {}, {"-a", "-CTR:0", "-HDSTART:ON", "-BIOS:ENABLE", "-CDBOOT:OFF"},
         "INFO: Disabled CD boot \nINFO: Enabled Immediate Harddisk startup \nINFO: BIOS is enabled.\n", 0, status0,
         "ERROR: Cache setting cannot be determined ???? \n"
         "ERROR: Delayed Write setting cannot be determined ???? \n"
         "CD Boot setting is OFF\nImmediate HardDisk start setting is ON \nBIOS is enabled.\n",
         Join({kPageOk, kPageOk})},
    };
}

TEST(AssignSettings, EachChangeIsReadBackByTheNextRun)
{
    for (const AssignRow& row : AssignRows()) {
        SimMount sim(row.scenario);
        ASSERT_TRUE(sim.ok());
        for (const std::string& line : row.control)
            ASSERT_TRUE(sim.control(line)) << line;
        ExpectToolRun(sim.root(), row.assign, "", row.err, row.code);
        ExpectToolRun(sim.root(), row.status, row.statusOut, "", 0);
        EXPECT_EQ(SettingsWrites(sim), row.writes);
    }
}

// The page A bytes of the last page write (key 0x2B) in the log: the data
// to the controller begins at offset 524 of the request record.
std::vector<uint8_t> LastPageWritten(const SimMount& sim)
{
    constexpr size_t kRecordBytes = 524;
    constexpr size_t kPageBytes = 380;
    std::vector<uint8_t> page;
    for (const std::string& line : sim.log()) {
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');)
            f.push_back(field);
        if (f.size() < 11 || f[5] != "0x0000002B" || f[10].size() < 2 * (kRecordBytes + kPageBytes))
            continue;
        page.clear();
        for (size_t i = 0; i < kPageBytes; ++i)
            page.push_back(static_cast<uint8_t>(std::stoul(f[10].substr(2 * (kRecordBytes + i), 2), nullptr, 16)));
    }
    return page;
}

TEST(AssignSettings, SettingsWriteKeepsWhatItDoesNotChange)
{
    // Channel 0: termination off, set by software; channel 1: termination on,
    // which software cannot set.
    SimMount sim(R"({"controllers": [{"entry": 0, "pageA": [[16, 71], [36, 1], [17, 133], [37, 0], [14, 1]]}]})");
    ASSERT_TRUE(sim.ok());
    ExpectToolRun(sim.root(), {"-a", "-CTR:0", "-HDSTART:OFF", "-BIOS:REMOVE"}, "",
                  "INFO: Disabled Immediate Harddisk startup \nINFO: BIOS is removed.\n", 0);
    const std::vector<uint8_t> page = LastPageWritten(sim);
    ASSERT_EQ(page.size(), 380u);
    const struct {
        size_t offset;
        uint8_t value;
    } bytes[] = {
        {12, 0},     // BIOS removed
        {14, 1},     // warning level kept
        {15, 1},     // seven BIOS drives kept (page version above 0x50001)
        {16, 71},    // own ID 7, domain validation, termination off
        {17, 133},   // termination that software cannot set keeps its bit
        {36, 1},
        {37, 0},
        {100, 1},    // memory test kept
        {364, 2},    // the second options written
        {365, 1},    // immediate disk start off
    };
    for (const auto& b : bytes)
        EXPECT_EQ(page[b.offset], b.value) << "page byte " << b.offset;
}

}  // namespace
