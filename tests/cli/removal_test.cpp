// ostrel -d, -r and -a with SWAPDRIVE or BOOTDRIVE against the emulator:
// host drives made with ostrel -c first, a DOS partition table written to a
// host drive by util-linux sfdisk through the emulator's host drive file;
// whole standard output, standard error and exit code, the disks' Used
// column afterwards (the carrying drive's number, which follows its host
// drive's), and nothing left held in kzmsim/state.
#include "expected_texts.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// Controller 0 (level 25 and above) with four disks, controller 1 (below 25) with two.
const std::string kTwoControllers = R"({"controllers": [
 {"entry": 0, "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}]}]},
 {"entry": 1, "profile": "middle", "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]}]}]})";

const Args kThreeSingles = {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2", "-q"};
const Args kFourSingles = {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2,SCSI-A-3", "-q"};
const Args kSecondControllerSingles = {"-c", "-CTR:1", "-RAID:S", "-DISKS:SCSI-A-0,SCSI-A-1", "-q"};

const std::string kSwapWarning =
    "WARNING:Swapping Host Drive Numbers may leave your system in a\n"
    "defective state, especially, if the boot drive position is being changed!\n";
const std::string kNotFirst =
    "ERROR: Specified controller is not the first one on this system\n"
    "WARNING: Setting Host Drive #1 to 0 will not make it a Boot drive\n"
    "INFO: Only Host Drive #0 on CTR #0 is a Boot Drive\n";

// The sfdisk program (root's PATH may lack /usr/sbin).
std::string Sfdisk()
{
    for (const char* p : {"/usr/sbin/sfdisk", "/sbin/sfdisk"})
        if (access(p, X_OK) == 0)
            return p;
    return "sfdisk";
}

// util-linux sfdisk writes a DOS partition table with one primary Linux
// partition onto host drive `number` of controller 0, through its file.
bool WritePartitionTable(const SimMount& sim, int number)
{
    const std::string file = sim.root() + "/kzmsim/hostdrive/0/" + std::to_string(number);
    const std::string command = "echo 'label: dos\nstart=64, size=512, type=83' | " + Sfdisk() +
                                " --no-reread --no-tell-kernel -q -w never '" + file + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

struct RemovalCase {
    const char* title;
    std::vector<Args> setup;   // quiet runs first
    int partitioned;           // host drive of controller 0 given a partition table, -1 none
    Args args;
    std::string err;
    int code;
    std::string usedAfter;     // the Used column of controller 0's four disks, joined by '|'
    std::vector<std::string> controls = {};  // emulator control lines after the setup
    std::string scenario = kTwoControllers;
};

// Controller 0 reports that more than one controller accesses the host
// drives of logical drive 0.
const std::string kSharedDrive = R"({"controllers": [
 {"entry": 0, "records": [{"key": "0x10010006", "target": "0", "hex": "0100000000000000"}],
  "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}]}]}]})";

const Args kArray = {"-c", "-CTR:0", "-RAID:5", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2", "-q"};
// Host drives 1 and 2 join host drive 0 on the array (logical drive 0).
const std::vector<std::string> kThreeOnTheArray = {"hostdrive 0 0 1 2048", "hostdrive 0 0 2 2048"};

const RemovalCase kRemovalCases[] = {
    {"delete one of three host drives on an array: all three go",
     {kArray}, -1,
     {"-d", "-CTR:0", "-HOSTDRIVE:1"},
     "INFO: Deleting Host Drive 1 \nWARNING:The selected Drive belongs to Array Drive 0.\n"
     "All Host Drives of this Array Drive will be removed:  0, 1, 2 !!!\n"
     "INFO: Physical Disk SCSI-A:0 De-initialized.\nINFO: Physical Disk SCSI-A:1 De-initialized.\n"
     "INFO: Physical Disk SCSI-A:2 De-initialized.\n",
     0, "Free|Free|Free|Free", kThreeOnTheArray},
    {"the warning lists eight of ten host drives on an array",
     {kArray}, -1,
     {"-d", "-CTR:0", "-HOSTDRIVE:9"},
     "INFO: Deleting Host Drive 9 \nWARNING:The selected Drive belongs to Array Drive 0.\n"
     "All Host Drives of this Array Drive will be removed:  0, 1, 2, 3, 4, 5, 6, 7,... !!!\n"
     "INFO: Physical Disk SCSI-A:0 De-initialized.\nINFO: Physical Disk SCSI-A:1 De-initialized.\n"
     "INFO: Physical Disk SCSI-A:2 De-initialized.\n",
     0, "Free|Free|Free|Free",
     {"hostdrive 0 0 1 64", "hostdrive 0 0 2 64", "hostdrive 0 0 3 64", "hostdrive 0 0 4 64", "hostdrive 0 0 5 64",
      "hostdrive 0 0 6 64", "hostdrive 0 0 7 64", "hostdrive 0 0 8 64", "hostdrive 0 0 9 64"}},
    {"delete refused when another host drive of the array is partitioned",
     {kArray}, 2,
     {"-d", "-CTR:0", "-HOSTDRIVE:1"},
     "INFO: Deleting Host Drive 1 \nERROR:The selected Host Drive belongs to Array Drive 0.\n"
     "To remove this Host Drive, all Host Drives of this Array Drive\nwill be removed. This is not possible, "
     "because one or more\nof these Host Drives contain valid partitions.\nERROR: Delete Host Drive #1  failed !\n",
     1, "Drive 0|Drive 1|Drive 2|Free", kThreeOnTheArray},
    {"delete refused on a partitioned host drive",
     {kThreeSingles}, 1,
     {"-d", "-CTR:0", "-HOSTDRIVE:1"},
     "INFO: Deleting Host Drive 1 \nERROR:Partition table is not empty.\nRemove Host Drive not possible.\n"
     "Use -FORCE option\nERROR: Delete Host Drive #1  failed !\n",
     1, "Drive 0|Drive 1|Drive 2|Free"},
    {"delete forced on a partitioned host drive",
     {kThreeSingles}, 1,
     {"-d", "-CTR:0", "-HOSTDRIVE:1", "-f"},
     "INFO: Deleting Host Drive 1 \nINFO: Physical Disk SCSI-A:1 De-initialized.\n",
     0, "Drive 0|Free|Drive 2|Free"},
    {"a sector 0 that cannot be read counts as partitioned",
     {kThreeSingles}, -1,
     {"-d", "-CTR:0", "-HOSTDRIVE:1"},
     "INFO: Deleting Host Drive 1 \nERROR:Partition table is not empty.\nRemove Host Drive not possible.\n"
     "Use -FORCE option\nERROR: Delete Host Drive #1  failed !\n",
     1, "Drive 0|Drive 1|Drive 2|Free", {"ioerr 0 1 0 100"}},
    {"a sector 0 that cannot be read is removed with -f",
     {kThreeSingles}, -1,
     {"-d", "-CTR:0", "-HOSTDRIVE:1", "-f"},
     "INFO: Deleting Host Drive 1 \nINFO: Physical Disk SCSI-A:1 De-initialized.\n",
     0, "Drive 0|Free|Drive 2|Free", {"ioerr 0 1 0 100"}},
    {"delete of a number that is not there",
     {kThreeSingles}, -1,
     {"-d", "-CTR:0", "-HOSTDRIVE:7"},
     "INFO: Deleting Host Drive 7 \nERROR: Invalid Host Drive specified. Action Aborted.\n",
     1, "Drive 0|Drive 1|Drive 2|Free"},
    {"reset deletes all four host drives and de-initialises the disks",
     {kFourSingles}, -1,
     {"-r", "-CTR:0"},
     "INFO: Deleting All (4) Host Drive(s)\nINFO: Deleting Host Drive 0 \nINFO: Physical Disk SCSI-A:0 De-initialized.\n"
     "INFO: Deleting Host Drive 1 \nINFO: Physical Disk SCSI-A:1 De-initialized.\n"
     "INFO: Deleting Host Drive 2 \nINFO: Physical Disk SCSI-A:2 De-initialized.\n"
     "INFO: Deleting Host Drive 3 \nINFO: Physical Disk SCSI-A:3 De-initialized.\n"
     "INFO: Physical Disk SCSI-A:0 De-initialized.\nINFO: Physical Disk SCSI-A:1 De-initialized.\n"
     "INFO: Physical Disk SCSI-A:2 De-initialized.\nINFO: Physical Disk SCSI-A:3 De-initialized.\n",
     0, "Free|Free|Free|Free"},
    {"reset with a refused host drive fails; only the disks its deletions freed are de-initialised",
     {kThreeSingles}, 1,
     {"-r", "-CTR:0"},
     "INFO: Deleting All (3) Host Drive(s)\nINFO: Deleting Host Drive 0 \nINFO: Physical Disk SCSI-A:0 De-initialized.\n"
     "INFO: Deleting Host Drive 1 \n"
     "ERROR:Partition table is not empty.\nRemove Host Drive not possible.\nUse -FORCE option\n"
     "ERROR: Delete Host Drive #1  failed !\nINFO: Deleting Host Drive 2 \nINFO: Physical Disk SCSI-A:2 De-initialized.\n",
     1, "Free|Drive 1|Free|Free"},
    {"reset without host drives",
     {}, -1,
     {"-r", "-CTR:0"},
     "INFO: Controller has no Host Drives. Action Aborted\n",
     1, "Free|Free|Free|Free"},
    {"swap to a number another host drive holds",
     {kThreeSingles}, -1,
     {"-a", "-CTR:0", "-HOSTDRIVE:2", "-SWAPDRIVE:0"},
     kSwapWarning + "INFO: Host Drive #2 set to #0.\n",
     0, "Drive 2|Drive 1|Drive 0|Free"},
    {"swap to a free number, 35 on level 25 and above",
     {kThreeSingles}, -1,
     {"-a", "-CTR:0", "-HOSTDRIVE:1", "-SWAPDRIVE:35"},
     kSwapWarning + "INFO: Host Drive #1 set to #35.\n",
     0, "Drive 0|Drive 35|Drive 2|Free"},
    {"a host drive that more than one controller accesses keeps its number",
     {{"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0", "-q"}}, -1,
     {"-a", "-CTR:0", "-HOSTDRIVE:0", "-SWAPDRIVE:5"},
     "ERROR: More than one Controller is accessing the Drive,\nSetting cannot be changed.\n"
     "ERROR: Cannot perform operations on the specified Host Drive\n" + kAssignFailed,
     1, "Drive 0|Free|Free|Free", {}, kSharedDrive},
    {"swap above 254",
     {kThreeSingles}, -1,
     {"-a", "-CTR:0", "-HOSTDRIVE:1", "-SWAPDRIVE:255"},
     kSwapWarning + "ERROR: Invalid Swap Drive number specified.\nERROR: Could not change Host Drive number. \n" +
         kAssignFailed,
     1, "Drive 0|Drive 1|Drive 2|Free"},
    {"swap of a host drive that is not there",
     {kThreeSingles}, -1,
     {"-a", "-CTR:0", "-HOSTDRIVE:5", "-SWAPDRIVE:6"},
     "ERROR: Invalid Host Drive specified. Action Aborted.\nERROR: Specified Hostdrive #5 not found.\n" +
         kAssignFailed,
     1, "Drive 0|Drive 1|Drive 2|Free"},
    {"swap without a host drive goes on to the swap of host drive -1, which is not there",
     {kThreeSingles}, -1,
     {"-a", "-CTR:0", "-SWAPDRIVE:3"},
     "ERROR: Please specify a HOSTDRIVE to swap with.\n"
     "ERROR: Invalid Host Drive specified. Action Aborted.\nERROR: Specified Hostdrive #-1 not found.\n" +
         kAssignFailed,
     1, "Drive 0|Drive 1|Drive 2|Free"},
    {"35 is refused below level 25",
     {kSecondControllerSingles}, -1,
     {"-a", "-CTR:1", "-HOSTDRIVE:1", "-SWAPDRIVE:35"},
     kSwapWarning + "ERROR: Invalid Swap Drive number specified.\nERROR: Could not change Host Drive number. \n" +
         kAssignFailed,
     1, "Free|Free|Free|Free"},
    {"boot drive on the first controller",
     {kThreeSingles}, -1,
     {"-a", "-CTR:0", "-BOOTDRIVE:2"},
     kSwapWarning + "INFO: Host Drive #2 set to #0.\nINFO: Host Drive #2 set as Boot drive.\n",
     0, "Drive 2|Drive 1|Drive 0|Free"},
    {"boot drive on the second controller without -f",
     {kSecondControllerSingles}, -1,
     {"-a", "-CTR:1", "-BOOTDRIVE:1"},
     kNotFirst + "INFO: Use FORCE with BOOTDRIVE or SWAP option to change Host Drive #1 to 0.\n" + kAssignFailed,
     1, "Free|Free|Free|Free"},
    {"boot drive on the second controller with -f",
     {kSecondControllerSingles}, -1,
     {"-a", "-CTR:1", "-BOOTDRIVE:1", "-f"},
     kNotFirst + kSwapWarning + "INFO: Host Drive #1 set to #0.\nINFO: Host Drive #1 set as Boot drive.\n",
     0, "Free|Free|Free|Free"},
};

class RemovalTable : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(RemovalTable, Run)
{
    const RemovalCase& c = GetParam();
    SCOPED_TRACE(c.title);
    SimMount sim(c.scenario);
    ASSERT_TRUE(sim.ok());
    for (const Args& step : c.setup) {
        ASSERT_EQ(RunTool(step, sim.root()).exitCode, 0);
    }
    for (const std::string& line : c.controls) {
        ASSERT_TRUE(sim.control(line));
    }
    if (c.partitioned >= 0) {
        ASSERT_TRUE(WritePartitionTable(sim, c.partitioned));
    }
    const ToolResult r = RunTool(c.args, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exitCode, c.code);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    std::string used;
    for (int k = 0; k < 4; ++k) {
        const std::string row = "SCSI-A-" + std::to_string(k) + "\t0\t";
        const size_t at = s.out.find(row);
        ASSERT_NE(at, std::string::npos) << s.out;
        const size_t from = at + row.size();
        used += (k > 0 ? "|" : "") + s.out.substr(from, s.out.find('\t', from) - from);
    }
    EXPECT_EQ(used, c.usedAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalTable, ::testing::ValuesIn(kRemovalCases),
                         [](const ::testing::TestParamInfo<RemovalCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// A removal the controller refuses is still announced to the operating
// system, after Maintenance Mode was left.
TEST(RemovalNotice, ARefusedRemovalIsAnnouncedToo)
{
    SimMount sim(kTwoControllers);
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(RunTool(kThreeSingles, sim.root()).exitCode, 0);
    ASSERT_TRUE(sim.control("status 0 0x0F 7"));
    const ToolResult r = RunTool({"-d", "-CTR:0", "-HOSTDRIVE:1"}, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "INFO: Deleting Host Drive 1 \nERROR: Error Code 16777223 \nERROR: Delete Host Drive #1  failed !\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    const std::string add("scsi add-single-device 0 0 0 0", 31);
    const std::string remove("scsi remove-single-device 0 0 1 0", 34);
    EXPECT_EQ(sim.readFile("scsi"), add + remove);
}

// The targets of the Maintenance Mode entries (key 0x72) the log shows from
// line `from` on.
std::vector<std::string> LockTargets(const std::vector<std::string>& log, size_t from)
{
    std::vector<std::string> targets;
    for (size_t k = from; k < log.size(); ++k) {
        std::vector<std::string> f;
        size_t at = 0;
        for (int n = 0; n < 7; ++n) {
            const size_t end = log[k].find('\t', at);
            f.push_back(log[k].substr(at, end - at));
            at = end + 1;
        }
        if (f[5] == "0x00000072")
            targets.push_back(f[6]);
    }
    return targets;
}

// Deleting the host drive of an array locks that host drive only, unless the
// array is offline (two members of a RAID 5 failed): then the whole controller.
TEST(RemovalMaintenance, AnOfflineArrayLocksTheWholeController)
{
    for (const bool offline : {false, true}) {
        SCOPED_TRACE(offline);
        SimMount sim(kTwoControllers);
        ASSERT_TRUE(sim.ok());
        ASSERT_EQ(RunTool(kArray, sim.root()).exitCode, 0);
        if (offline) {
            ASSERT_TRUE(sim.control("fail 0 0 0"));
            ASSERT_TRUE(sim.control("fail 0 0 1"));
            EXPECT_NE(RunTool({"-s", "-CTR:0"}, sim.root()).out.find("\terror\toffline\t"), std::string::npos);
        }
        const size_t from = sim.log().size();
        const ToolResult r = RunTool({"-d", "-CTR:0", "-HOSTDRIVE:0", "-f", "-q"}, sim.root());
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(LockTargets(sim.log(), from), std::vector<std::string>{offline ? "0xFFFFFFFF" : "0x00000000"});
        EXPECT_EQ(sim.readFile("kzmsim/state"), "");
        EXPECT_NE(RunTool({"-s", "-CTR:0"}, sim.root()).out.find("No Host Drives\n"), std::string::npos);
    }
}

}  // namespace
