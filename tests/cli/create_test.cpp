// ostrel -c against the emulator: whole standard output, standard error and
// exit code, the disk rows a following ostrel -s shows, and Maintenance Mode
// left (nothing held in kzmsim/state) on every path.
#include "expected_texts.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// Four disks on one SCSI channel; the last is the smallest.
const std::string kFourDisks = R"({"controllers": [
 {"entry": 0, "channels": [{"kind": 2, "devices": [
   {"target": 0}, {"target": 1}, {"target": 2}, {"target": 3, "capacity": 1000000}]}]}]})";

const std::string kLevelRefused =
    "ERROR: RAID level specified not supported by controller and/or not enough disks specified\n";

std::string DiskRow(int target, const std::string& used, int mb)
{
    char cap[16];
    std::snprintf(cap, sizeof cap, "%4d", mb);
    return "SCSI-A-" + std::to_string(target) + "\t0\t" + used + "\t\tKZM     VIRTUAL DISK     RW      " + cap + " \n";
}

struct CreateCase {
    const char* title;
    Args args;
    std::string out;
    std::string err;
    int code;
    std::vector<std::string> usedAfter;  // the Used column of the four disks afterwards
};

const CreateCase kCreateCases[] = {
    {"RAID 5 over old-form entries, the smallest disk takes the first free number",
     {"-c", "-CTR:0", "-RAID:5", "-DISKS:A-0,A-1,A-3"},
     kDisksFormatWarning,
     kStart + kDestructiveArray + "WARNING: Using Max size 488 for Host Drive. \nINFO: Host Drive #0  created.\n",
     0,
     {"Drive 1", "Drive 2", "Free", "Drive 0"}},
    {"RAID 10 with three disks is refused",
     {"-c", "-CTR:0", "-RAID:10", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2"},
     "",
     kLevelRefused,
     1,
     {"Free", "Free", "Free", "Free"}},
    {"RAID 1H needs three disks",
     {"-c", "-CTR:0", "-RAID:1H", "-DISKS:SCSI-A-0,SCSI-A-1"},
     "",
     kLevelRefused,
     1,
     {"Free", "Free", "Free", "Free"}},
    {"a disk named twice is used once",
     {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-2,SCSI-A-2"},
     "",
     "WARNING: Duplicate disk specified: SCSI-A-2\n" + kStart + "INFO: Host Drive #0  created.\n",
     0,
     {"Free", "Free", "Drive 0", "Free"}},
    {"a disk the controller does not have",
     {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0,SCSI-A-9"},
     "",
     "ERROR: Invalid disk specified: SCSI-A-9\n",
     1,
     {"Free", "Free", "Free", "Free"}},
    {"an entry longer than the comparison buffer matches nothing",
     {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-00000000000000000000000000000000000"},
     "",
     "ERROR: Invalid disk specified: SCSI-A-00000000000000000000000000000000000\n",
     1,
     {"Free", "Free", "Free", "Free"}},
    {"S with three disks and a NAME makes three unnamed host drives",
     {"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2", "-NAME:SINGLE"},
     "",
     kStart +
         "WARNING: Single name specified for more than one Single Host Drive Type being\n"
         "WARNING: created. Ignoring the NAME parameter in this case.\n"
         "INFO: Host Drive #0  created.\nINFO: Host Drive #1  created.\nINFO: Host Drive #2  created.\n",
     0,
     {"Drive 0", "Drive 1", "Drive 2", "Free"}},
    {"RAID 1 above the maximum size, with a nine-character name cut to seven",
     {"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-3", "-SIZE:600", "-NAME:MIRROR012"},
     "",
     kStart +
         "WARNING: Host Drive Size 600 is invalid. \n"
         "WARNING: Acceptable range is between 1 and 488 MB \n"
         "WARNING: Using Max size 488 for Host Drive. \n"
         "INFO: Setting Host Drive #0 name to 'MIRROR0'.\n"
         "INFO: Host Drive #0  created.\n",
     0,
     {"Drive 1", "Free", "Free", "Drive 0"}},
    {"RAID 5H: the last disk is the smallest, so the one before it is the hot spare",
     {"-c", "-CTR:0", "-RAID:5H", "-DISKS:SCSI-A-0,SCSI-A-1,SCSI-A-2,SCSI-A-3", "-SIZE:100"},
     "",
     kStart + kDestructiveArray + "INFO: Host Drive #0  created.\n",
     0,
     {"Drive 1", "Drive 2", "Drive 3", "Drive 0"}},
};

class CreateTable : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CreateTable, Run)
{
    const CreateCase& c = GetParam();
    SCOPED_TRACE(c.title);
    SimMount sim(kFourDisks);
    ASSERT_TRUE(sim.ok());
    const ToolResult r = RunTool(c.args, sim.root());
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.exitCode, c.code);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    const int mb[4] = {1024, 1024, 1024, 488};
    for (int k = 0; k < 4; ++k)
        EXPECT_NE(s.out.find(DiskRow(k, c.usedAfter[k], mb[k])), std::string::npos) << s.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateTable, ::testing::ValuesIn(kCreateCases),
                         [](const ::testing::TestParamInfo<CreateCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// The progress output of -BLOCK: five backspaces before each percent, two
// before each spinner step, eight steps between two queries.
std::string Spinner()
{
    std::string s;
    const char steps[4] = {'/', '-', '\\', '|'};
    for (int k = 0; k < 8; ++k)
        s += std::string("\b\b ") + steps[k % 4];
    return s;
}

// A mirror built under -BLOCK: its progress to the end, or until a progress
// query fails.
TEST(CreateBlock, ProgressAdvancesPerQueryUntilTheEndOrAFailedQuery)
{
    const std::string created =
        kStart + "WARNING: Using Max size 1024 for Host Drive. \nINFO: Host Drive #0  created.\n"
                 "INFO: Blocking on build of Host Drive #0 :  0%  ";
    const struct {
        const char* title;
        std::vector<std::string> control;
        std::string err;  // after the created lines
        int code;
    } cases[] = {
        {"to the end", {"progress step 50"}, "\b\b\b\b\b50% |" + Spinner() + "\b\b\b\b\b100% \n", 0},
        // The second progress query of the mirror fails.
        {"a failed query", {"progress step 10", "status 0 0x10000009 7 after 2"},
         "\b\b\b\b\b10% |" + Spinner() + "\nERROR: Error Code 16777223 \n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        SimMount sim(kFourDisks);
        ASSERT_TRUE(sim.ok());
        for (const std::string& line : c.control)
            ASSERT_TRUE(sim.control(line)) << line;
        const ToolResult r = RunTool({"-c", "-CTR:0", "-RAID:1", "-DISKS:SCSI-A-0,SCSI-A-1", "-BLOCK"}, sim.root());
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, created + c.err);
        EXPECT_EQ(r.exitCode, c.code);
        EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    }
}

TEST(CreateLimits, HostDrive99RefusesAnyCreate)
{
    SimMount sim(kFourDisks);
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(RunTool({"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-0", "-q"}, sim.root()).exitCode, 0);
    ASSERT_EQ(RunTool({"-a", "-CTR:0", "-HOSTDRIVE:0", "-SWAPDRIVE:99", "-q"}, sim.root()).exitCode, 0);
    const ToolResult r = RunTool({"-c", "-CTR:0", "-RAID:S", "-DISKS:SCSI-A-1"}, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR:No more Host Drives can be created,\nbecause the last possible drive number (99) has\n"
                     "already been assigned.\nTry to create Host Drive in VIRELMON or TOBRANEX.");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

}  // namespace
