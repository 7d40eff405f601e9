// ostrel -c step by step against the emulator: a failure injected at each
// step of the build (Maintenance Mode left on every path, per the emulator's
// log), the disk rules, the chain and striped drives, the size bound, the
// enclosure slot and cluster steps and -BLOCK on a finished build.
#include "expected_texts.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// Four disks that are not initialised yet; the last is the smallest.
const std::string kUninitialised = R"({"controllers": [
 {"entry": 0, "channels": [{"kind": 2, "devices": [
   {"target": 0, "initialised": false}, {"target": 1, "initialised": false},
   {"target": 2, "initialised": false}, {"target": 3, "initialised": false, "capacity": 1000000}]}]}]})";

const std::string kCode7 = "ERROR: Error Code 16777223 \n";
const std::string kNoHostDrivesLine = "No Host Drives\n";
const Args kRaid5H = {"-c", "-CTR:0", "-RAID:5H", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2,SCSI-A-3"};

// One field of a log line (fields are TAB-separated).
std::string Field(const std::string& line, int n)
{
    size_t from = 0;
    for (int k = 0; k < n; ++k)
        from = line.find('\t', from) + 1;
    return line.substr(from, line.find('\t', from) - from);
}

// True when every Maintenance Mode entry (key 0x72 of the whole
// configuration) the log shows is followed by its leave (0x73).
bool MaintenanceLeft(const std::vector<std::string>& log)
{
    int held = 0;
    for (const std::string& line : log) {
        if (Field(line, 6) != "0xFFFFFFFF")
            continue;
        const std::string key = Field(line, 5);
        if (key == "0x00000072" && Field(line, 9) == "0x00000001")
            ++held;
        else if (key == "0x00000073")
            held = 0;
    }
    return held == 0;
}

// How many requests with `key` the log shows.
int Count(const std::vector<std::string>& log, const std::string& key)
{
    int n = 0;
    for (const std::string& line : log)
        n += Field(line, 5) == key ? 1 : 0;
    return n;
}

struct StepCase {
    const char* title;
    std::vector<std::string> faults;  // control lines before the run
    Args args;
    std::string err;
    int code;
    std::string hostDrives;  // what `ostrel -s` shows after the host drive header
};

const std::string kMaxSize = "WARNING: Using Max size 488 for Host Drive. \n";
const std::string kCreated = "INFO: Host Drive #0  created.\n";

const StepCase kStepCases[] = {
    {"Maintenance Mode refused once: the second try gets it",
     {"status 0 0x72 7"}, kRaid5H,
     kStart + kDestructiveArray + kMaxSize + kCreated, 0,
     "0\tRAID5\tbuild"},
    {"Maintenance Mode refused twice",
     {"status 0 0x72 7", "status 0 0x72 7"}, kRaid5H,
     kStart + "ERROR:Could not enter Maintenance Mode.Operation aborted.\n", 1, kNoHostDrivesLine},
    {"the second disk cannot be initialised",
     {"status 0 0x20000002 7 after 2"}, kRaid5H,
     kStart + "ERROR: Host Drive Creation Failure:\nCould not initialize disk KZM     VIRTUAL DISK on SCSI-A ID 1.\n"
              "Please check disk, cables and SCSI termination.\n",
     1, kNoHostDrivesLine},
    {"the third logical drive cannot be made",
     {"status 0 0x0E 7 after 3"}, kRaid5H, kStart + kCode7, 1, "1\tPD_A000\tready"},
    {"the array cannot be made",
     {"status 0 0x10000010 7"}, kRaid5H, kStart + kDestructiveArray + kCode7, 1, "3\tPD_A002\tready"},
    {"the array's host drive is not written",
     {"status 0 0x10010003 7 after 5"}, kRaid5H,
     kStart + kDestructiveArray + kMaxSize + "ERROR: Host Drive #0 could not be created.\n", 1,
     "3\tPD_A002\tready"},
    {"the hot spare cannot be added",
     {"status 0 0x10000015 7"}, kRaid5H,
     kStart + kDestructiveArray + kMaxSize + kCode7, 1, "0\tRAID5\tbuild"},
    {"the mirror cannot be made",
     {"status 0 0x10 7"}, {"-c", "-CTR:0", "-RAID:1H", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2"},
     kStart + "WARNING: Using Max size 1024 for Host Drive. \n" + kCode7, 1, "0\tPD_A000\tready"},
    {"the chain cannot be made",
     {"status 0 0x0E 7"}, {"-c", "-CTR:0", "-RAID:C", "-DISKS:SCSI-A-0,SCSI-A-1"}, kStart + kCode7, 1,
     kNoHostDrivesLine},
};

class CreateSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(CreateSteps, FailureAtEachStep)
{
    const StepCase& c = GetParam();
    SCOPED_TRACE(c.title);
    SimMount sim(kUninitialised);
    ASSERT_TRUE(sim.ok());
    for (const std::string& fault : c.faults) {
        ASSERT_TRUE(sim.control(fault));
    }
    const ToolResult r = RunTool(c.args, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exitCode, c.code);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    // Only a finished build is announced to the operating system.
    EXPECT_EQ(sim.readFile("scsi"), c.code == 0 ? std::string("scsi add-single-device 0 0 0 0", 31) : "");
    const std::vector<std::string> log = sim.log();
    EXPECT_GE(Count(log, "0x00000072"), 1);
    EXPECT_TRUE(MaintenanceLeft(log));
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    const size_t table = s.out.find("Belongs to\n");
    ASSERT_NE(table, std::string::npos) << s.out;
    const size_t rows = s.out.find('\n', s.out.find('\n', table) + 1) + 1;
    EXPECT_EQ(s.out.compare(rows, c.hostDrives.size(), c.hostDrives), 0) << s.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateSteps, ::testing::ValuesIn(kStepCases),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// Runs of a scenario of their own: the disk rules, the drive kinds, the size
// bound, the enclosure and cluster steps.
struct RunCase {
    const char* title;
    std::string scenario;
    std::vector<std::string> controls;
    Args args;
    std::string err;
    int code;
    std::vector<std::string> statusHas;  // lines `ostrel -s` shows afterwards
    std::vector<std::string> statusLacks;
    int slotMapWrites;                   // requests 0x20010 and 0x20012 in the log
};

std::string Disks(const std::string& controllerFields, const std::string& devices)
{
    return R"({"controllers": [{"entry": 0, )" + controllerFields + R"("channels": [{"kind": 2, "devices": [)" +
           devices + "]}]}]}";
}

const std::string kTwoDisks = R"({"target": 0}, {"target": 1})";
const std::string kClaimedDisk =
    R"({"target": 0}, {"target": 1, "ownership": "78563412010000000000000000000000"}, {"target": 2, "ownership": "78563412000000000000000000000000"})";
const std::string kEnclosure = R"({"target": 6, "type": 3, "product": "ENCLOSURE", "enclosure": {"slots": [0, 1, 2])";
const std::string kFourAndEnclosure =
    R"({"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}, )";
const std::string kSafteStart = kStart + kDestructiveArray + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated;

const RunCase kRunCases[] = {
    {"level 30: a disk whose private host drive another node has mounted cannot be used",
     Disks("", kClaimedDisk), {}, {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-1"},
     "ERROR: User specified disk(s) which cannot be used\n", 1, {"SCSI-A-1\t0\tFree"}, {}, 0},
    {"level 30: a disk of another owner that nobody mounts can be used",
     Disks("", kClaimedDisk), {}, {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-2"},
     kStart + kCreated, 0, {"SCSI-A-2\t0\tDrive 0"}, {}, 0},
    {"below level 30 the ownership record is not asked",
     Disks(R"("profile": "middle", )", kClaimedDisk), {}, {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-1"},
     kStart + kCreated, 0, {"SCSI-A-1\t0\tDrive 0"}, {}, 0},
    {"a chain is one logical drive of both disks",
     Disks("", kTwoDisks), {}, {"-c", "-CTR:0", "-RAID:C", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + kCreated, 0, {"SCSI-A-0\t0\tDrive 0", "SCSI-A-1\t0\tDrive 0", "\tChain/Pri\t\tLogic.  0\n"}, {}, 0},
    {"RAID 0 without the array feature is one striped logical drive",
     Disks(R"("features": "0x32010101", )", kTwoDisks), {}, {"-c", "-CTR:0", "-RAID:0", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + kCreated, 0, {"SCSI-A-0\t0\tDrive 0", "SCSI-A-1\t0\tDrive 0", "\traid-0/Pri\t\tLogic.  0\n"}, {}, 0},
    {"RAID 0 with the array feature is an array",
     Disks("", kTwoDisks), {}, {"-c", "-CTR:0", "-RAID:0", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + kDestructiveArray + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated, 0,
     {"SCSI-A-0\t0\tDrive 0", "SCSI-A-1\t0\tDrive 1", "\tRAID-0/Pri\t\tArray   0\n"}, {}, 0},
    {"a mirror size below the reserved area's bound",
     Disks(R"("reservedBytes": 10485760, )", kTwoDisks), {},
     {"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1", "-SIZE:5"},
     kStart + "WARNING: Host Drive Size 5 is invalid. \nWARNING: Acceptable range is between 11 and 1024 MB \n"
              "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated,
     0, {"\t 1014   \tRAID-1"}, {}, 0},
    {"an array size below the bound, and one within it",
     Disks(R"("reservedBytes": 10485760, )", kTwoDisks), {},
     {"-c", "-CTR:0", "-RAID:0", "-DISKS:SCSI-A-0,SCSI-A-1", "-SIZE:10"},
     kStart + kDestructiveArray + "WARNING: Host Drive Size 10 is invalid.\n"
              "WARNING: Acceptable range is between 11 and 1024 MB \nWARNING: Using Max size 1024 for Host Drive. \n" +
         kCreated,
     0, {"\t 2038   \tRAID-0"}, {}, 0},
    {"a size within the bound is used per disk",
     Disks("", kTwoDisks), {}, {"-c", "-CTR:0", "-RAID:0", "-DISKS:SCSI-A-0,SCSI-A-1", "-SIZE:300"},
     kStart + kDestructiveArray + kCreated, 0, {"\t 599   \tRAID-0"}, {}, 0},
    {"SAF-TE slots without disks take the new drive's disks",
     Disks("", kFourAndEnclosure + kEnclosure + R"(, "slotsMapped": false}})"), {},
     {"-c", "-CTR:0", "-RAID:5", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2"},
     kSafteStart + "INFO: Auto-configuring selected disks for SAF-TE Auto Hot Plug\n", 0, {}, {}, 3},
    {"SAF-TE slots that hold the disks already are left alone",
     Disks("", kFourAndEnclosure + kEnclosure + "}}"), {},
     {"-c", "-CTR:0", "-RAID:5", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2"}, kSafteStart, 0, {}, {}, 0},
    {"a disk without a SAF-TE slot of its target ID",
     Disks("", kFourAndEnclosure + kEnclosure + R"(, "slotsMapped": false}})"), {},
     {"-c", "-CTR:0", "-RAID:5", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-3"},
     kSafteStart + "INFO:SAF-TE found, but automatic SAF-TE configuration not possible.\n", 0, {}, {}, 0},
    {"no SAF-TE processor: the controller's own Auto Hot Plug is announced",
     Disks(R"("enclosureConfigs": 1, )", kTwoDisks), {"enclslots 0 8"},
     {"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated +
         "INFO: Auto activating the Auto Hot Plug feature of the controller\n",
     0, {}, {}, 0},
    {"single disks take no enclosure step",
     Disks(R"("enclosureConfigs": 1, )", kTwoDisks), {"enclslots 0 8"},
     {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0"}, kStart + kCreated, 0, {}, {}, 0},
    {"cluster firmware below level 30: disks outside the cluster channels make a private drive",
     Disks(R"("interfaceLevel": "0x21D", )", kTwoDisks), {}, {"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated, 0, {"\tRAID-1/Pri\t"}, {}, 0},
    {"cluster firmware below level 30: disks on a cluster channel stay as they are",
     Disks(R"("interfaceLevel": "0x21D", "pageA": [[344, 1]], )", kTwoDisks), {},
     {"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated, 0, {"\tRAID-1\t"}, {"/Pri"}, 0},
    {"single disks of more than one take no cluster step",
     Disks(R"("interfaceLevel": "0x21D", )", kTwoDisks), {}, {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0,SCSI-A-1"},
     kStart + kCreated + "INFO: Host Drive #1  created.\n", 0, {"\tDisk\t"}, {"/Pri"}, 0},
};

class CreateRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(CreateRuns, Run)
{
    const RunCase& c = GetParam();
    SCOPED_TRACE(c.title);
    SimMount sim(c.scenario);
    ASSERT_TRUE(sim.ok());
    for (const std::string& line : c.controls) {
        ASSERT_TRUE(sim.control(line));
    }
    const ToolResult r = RunTool(c.args, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exitCode, c.code);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    const std::vector<std::string> log = sim.log();
    EXPECT_TRUE(MaintenanceLeft(log));
    EXPECT_EQ(Count(log, "0x00020010") + Count(log, "0x00020012"), c.slotMapWrites);
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    for (const std::string& text : c.statusHas)
        EXPECT_NE(s.out.find(text), std::string::npos) << text << "\n" << s.out;
    for (const std::string& text : c.statusLacks)
        EXPECT_EQ(s.out.find(text), std::string::npos) << text << "\n" << s.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateRuns, ::testing::ValuesIn(kRunCases),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// The slots the first create wrote hold its disks: a scan afterwards finds
// them there, so a second create over the same disks' neighbours writes
// only what it adds.
TEST(CreateSafte, WrittenSlotsHoldTheirDisks)
{
    SimMount sim(Disks("", kFourAndEnclosure + R"({"target": 6, "type": 3, "product": "ENCLOSURE", "enclosure": )"
                               R"({"slots": [0, 1, 2, 3], "slotsMapped": false}})"));
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(RunTool({"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1", "-q"}, sim.root()).exitCode, 0);
    EXPECT_EQ(Count(sim.log(), "0x00020010"), 2);
    const ToolResult r = RunTool({"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-2,SCSI-A-3"}, sim.root());
    EXPECT_EQ(r.err, kStart + "WARNING: Using Max size 1024 for Host Drive. \nINFO: Host Drive #2  created.\n"
                              "INFO: Auto-configuring selected disks for SAF-TE Auto Hot Plug\n");
    EXPECT_EQ(r.exitCode, 0);
    // Four slots written again, each now holding its disk.
    EXPECT_EQ(Count(sim.log(), "0x00020010"), 6);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

// -BLOCK on a mirror whose build has finished by the first query: the
// blocking line, " 0%" and at once the 100% line.
TEST(CreateBlock, BuildAlreadyFinished)
{
    SimMount sim(kUninitialised);
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.control("progress step 100"));
    const ToolResult r = RunTool({"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1", "-BLOCK"}, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kStart + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated +
                         "INFO: Blocking on build of Host Drive #0 :  0%  \b\b\b\b\b100% \n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    EXPECT_NE(s.out.find("0\tPD_A000\tready"), std::string::npos) << s.out;
}

// An array whose build ends at the first query: the next query finds no
// build and no expansion, which ends the wait as finished, not as a failure.
TEST(CreateBlock, ArrayBuildEndsAtTheFirstQuery)
{
    SimMount sim(kUninitialised);
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.control("progress step 100"));
    const ToolResult r = RunTool({"-c", "-CTR:0", "-RAID:5", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2", "-BLOCK"}, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kStart + kDestructiveArray + "WARNING: Using Max size 1024 for Host Drive. \n" + kCreated +
                         "INFO: Blocking on build of Host Drive #0 :  0%  \b\b\b\b\b100% |"
                         "\b\b /\b\b -\b\b \\\b\b |\b\b /\b\b -\b\b \\\b\b |\b\b\b\b\b100% \n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    EXPECT_NE(s.out.find("0\tRAID5\tready"), std::string::npos) << s.out;
}

// The byte at `offset` of the data area of a logged request (the record
// hex is the eleventh field; a command's data area starts at byte 524).
int DataByte(const std::string& line, size_t offset)
{
    return std::stoi(Field(line, 10).substr(2 * (524 + offset), 2), nullptr, 16);
}

// Disks that are not initialised yet get the tool's disk parameters: the
// faster transfer on a channel whose record names bus type 8.
TEST(CreateDisks, InitialisedWithTheToolsParameters)
{
    SimMount sim(R"({"controllers": [{"entry": 0, "channels": [
        {"kind": 2, "busType": 8, "devices": [{"target": 0, "initialised": false}]},
        {"kind": 2, "devices": [{"target": 0, "initialised": false}]}]}]})");
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(RunTool({"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-B-0", "-q"}, sim.root()).exitCode, 0);
    std::vector<std::string> writes;
    for (const std::string& line : sim.log())
        if (Field(line, 5) == "0x20000002")
            writes.push_back(line);
    ASSERT_EQ(writes.size(), 2u);
    const struct {
        int mode;
        int rate[4];  // kB/s, little endian
    } expected[2] = {{0x31, {0x00, 0x71, 0x02, 0x00}}, {0x11, {0x80, 0x38, 0x01, 0x00}}};
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(DataByte(writes[k], 52), expected[k].mode);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(DataByte(writes[k], 32 + i), expected[k].rate[i]);
            EXPECT_EQ(DataByte(writes[k], 76 + i), 0);  // no domain validation
        }
        EXPECT_EQ(DataByte(writes[k], 53), 1);     // synchronous transfer
        EXPECT_EQ(DataByte(writes[k], 54), 1);     // disconnect
        EXPECT_EQ(DataByte(writes[k], 55), 1);     // tagged queues
        EXPECT_EQ(DataByte(writes[k], 56), 0x14);  // read and write cache asked for
        EXPECT_EQ(DataByte(writes[k], 103), 2);    // the new disk format
    }
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

// A new host drive on which the controller reports clustering gets its
// write-back cache switched off: a host drive table write after the
// cluster query, with attribute bit 0 of the entry (byte 16 + 15) set.
TEST(CreateCluster, ClusterEnabledDriveLosesItsWriteBackCache)
{
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        SimMount sim(Disks(enabled ? R"("clusterEnabled": true, )" : "", kTwoDisks));
        ASSERT_TRUE(sim.ok());
        ASSERT_EQ(RunTool({"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1", "-q"}, sim.root()).exitCode, 0);
        const std::vector<std::string> log = sim.log();
        std::vector<std::string> tableWrites;
        bool asked = false;
        for (const std::string& line : log) {
            asked = asked || Field(line, 5) == "0x10010005";
            if (asked && Field(line, 5) == "0x10010003")
                tableWrites.push_back(line);
        }
        EXPECT_TRUE(asked);
        ASSERT_EQ(tableWrites.size(), enabled ? 1u : 0u);
        if (enabled) {
            EXPECT_EQ(DataByte(tableWrites[0], 16 + 15) & 1, 1);
        }
        EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    }
}

// -q silences the messages but not the DISKS format warning, which goes to
// standard output once however many old-form entries follow.
TEST(CreateDisks, QuietRunKeepsTheFormatWarning)
{
    SimMount sim(kUninitialised);
    ASSERT_TRUE(sim.ok());
    const ToolResult r = RunTool({"-c", "-CTR:0", "-RAID:S", "-DISKS:A-0,A-1", "-q"}, sim.root());
    EXPECT_EQ(r.out, kDisksFormatWarning);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

}  // namespace
