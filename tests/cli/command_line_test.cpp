// ostrel as a process: whole standard output, standard error and exit code
// for real command lines, on a machine with two controllers, one whose
// driver counts none, one without a driver, and as an ordinary user.
#include "expected_texts.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string kIllegal = "ostrel: illegal option\n" + kUsageText;
const std::string kVersion = "Version 1.0.1\n";
const std::string kExtended =
    "\nExtended version information: \n"
    "ostrel - Command Line Utility                     : 1.00.01.00\n"
    "abstr Library                                     : 1.47.00.01\n"
    "kzmlib Library                                    : 2.01.26.00\n"
    "xport Library                                     : 1.00.00.00\n";
const std::string kNoController = "No Controller Found !\n";
const std::string kNotFound = "ERROR: Specified controller not found\n";
const std::string kNeedController = "ERROR: You need to specify the controller\n";

// The size of the tool's message buffer: a longer message is cut to one
// byte less and still ends its line.
constexpr size_t kMessageLimit = 1024;

std::string CutMessage(const std::string& text)
{
    return text.size() < kMessageLimit ? text : text.substr(0, kMessageLimit - 2) + "\n";
}

enum class Reach {
    ParseOnly,  // the run ends before the driver is opened
    Driver,     // the run opens the driver and counts the controllers
};

struct Row {
    std::vector<std::string> args;
    std::string out;
    std::string parseErr;  // what parsing writes on standard error
    std::string runErr;    // what the run writes after start-up on two controllers
    int code;              // exit code on two controllers
    Reach reach;
    bool quiet = false;    // -q is given
    std::string runOut = {};  // what the run writes on standard output after start-up on two controllers
};

const std::string kLong(5000, 'Q');

std::vector<Row> Rows()
{
    const std::string biosMessage = "ERROR: Illegal BIOS parameter value specified " + kLong +
                                    ".\nERROR: choose between ENABLE|DISABLE|REMOVE\n";
    return {
        {{}, kUsageText, "", "", 0, Reach::Driver},
        {{"-q"}, "", "", "", 0, Reach::Driver, true},
        {{"-h"}, kHelpText, "", "", 0, Reach::ParseOnly},
        {{"-h", "-c"}, kCreateHelpText, "", "", 0, Reach::ParseOnly},
        {{"-hs"}, kStatusHelpText, "", "", 0, Reach::ParseOnly},
        {{"-a", "-h"}, kAssignHelpText, "", "", 0, Reach::ParseOnly},
        {{"-?", "-d"}, kDeleteHelpText, "", "", 0, Reach::ParseOnly},
        {{"-rh", "-s"}, kResetHelpText, "", "", 0, Reach::ParseOnly},
        {{"--help"}, kHelpText, "", "", 0, Reach::ParseOnly},
        {{"-v", "-h"}, kVersion, "", "", 0, Reach::ParseOnly},
        {{"-v"}, kVersion, "", "", 0, Reach::Driver},
        {{"-vx"}, kVersion + kExtended, "", "", 0, Reach::Driver},
        {{"-x"}, "", "", "", 0, Reach::Driver},
        {{"-z"}, "ostrel: illegal option z\n" + kIllegal, "", "", 1, Reach::ParseOnly},
        {{"--helpme"}, "ostrel: illegal option helpme\n" + kHelpText, "", "", 1, Reach::ParseOnly},
        {{"foo"}, kIllegal, "", "", 1, Reach::ParseOnly},
        {{"-v", "foo", "-x"}, kVersion, "", "", 0, Reach::Driver},
        {{"-s", "foo", "-CTR:9"}, "", "", "", 0, Reach::Driver, false, kDefaultStatus0 + kDefaultStatus1},
        {{"-FORCE"}, "", "", "", 0, Reach::Driver},
        // A word needs its mode flag earlier on the line.
        {{"-CTR:0", "-s"},
         "Malformed options: -s|--status -c|--create -d|--delete -r|--reset -a|--assign not specified\n" + kIllegal,
         "", "", 1, Reach::ParseOnly},
        {{"-s", "-CTR:0"}, "", "", "", 0, Reach::Driver, false, kDefaultStatus0},
        {{"-sCTR:1", "-RAID"}, "", "", "", 0, Reach::Driver, false, kDefaultStatus1},
        // -q silences messages, never the tables.
        {{"--quiet", "--status", "-CTR:0"}, "", "", "", 0, Reach::Driver, true, kDefaultStatus0},
        // Messages of parsing come before -q takes effect.
        {{"-s", "-CTR:-1"}, kIllegal, "ERROR: Non-numeric character entered: -\n", "", 1, Reach::ParseOnly},
        {{"-q", "-s", "-CTR:-1"}, kIllegal, "ERROR: Non-numeric character entered: -\n", "", 1, Reach::ParseOnly,
         true},
        {{"-s", "-CTR:2"}, "", "", kNotFound, 1, Reach::Driver},
        {{"-sq", "-CTR:2"}, "", "", "", 1, Reach::Driver, true},
        {{"-s", "-CTR:4294967296"}, kIllegal, "", "", 1, Reach::ParseOnly},
        {{"-c", "-CTR:0", "-RAID:7"},
         "Malformed options: Invalid RAID type.\nValid RAID type Options: S|C|0|1|1H|4|4H|5|5H|10|10H\n" + kIllegal, "",
         "", 1, Reach::ParseOnly},
        {{"-s", "-R"}, "Malformed options: Invalid RAID type.\n" + kIllegal, "", "", 1, Reach::ParseOnly},
        {{"-c", "-RAID"}, kIllegal, "", "", 1, Reach::ParseOnly},
        {{"-a", "-CTR:0", "-BIOS:OFF"}, kIllegal,
         "ERROR: Illegal BIOS parameter value specified OFF.\nERROR: choose between ENABLE|DISABLE|REMOVE\n", "", 1,
         Reach::ParseOnly},
        {{"-a", "-CTR:0", "-BIOS:" + kLong}, kIllegal, CutMessage(biosMessage), "", 1, Reach::ParseOnly},
        {{"-a", "-FW:"}, "ERROR: Please specify a filename\n" + kIllegal, "", "", 1, Reach::ParseOnly},
        // Main's own checks of each command's parameters.
        {{"-c", "-CTR:0", "-STRIPSIZE:48"}, "", "WARNING: Illegal STRIP size specifed 48. Using 128.\n",
         "ERROR: You need to specify the RAIDTYPE\n", 1, Reach::Driver},
        {{"-c", "-RAID:5", "-DISKS:A-0"}, "", "", kNeedController, 1, Reach::Driver},
        {{"-c", "-CTR:0", "-RAID:5"}, "", "", "ERROR: You need to specify the disks\n", 1, Reach::Driver},
        {{"-c", "-CTR:0", "-RAID:5", "-DISKS:A-0", "-SIZE:99999999999"}, "", "",
         "ERROR: Invalid SIZE specified. Action Aborted\n", 1, Reach::Driver},
        // An old-form entry warns on standard output; one disk makes no RAID 5.
        {{"-cf", "-STRIP:64", "-R5", "-CTR:1", "-DISKS:A-0", "-BLOCK", "-NODESTRUCT"}, "", "",
         "ERROR: RAID level specified not supported by controller and/or not enough disks specified\n", 1,
         Reach::Driver, false, kDisksFormatWarning},
        {{"-ca", "-CTR:0", "-R10H", "-DISKS:" + kLong, "-NAME:" + kLong, "-FW:" + kLong}, "", "",
         CutMessage("ERROR: Invalid disk specified: " + kLong + "\n"), 1, Reach::Driver, false, kDisksFormatWarning},
        {{"-d", "-CTR:0"}, "", "", "ERROR: You need to specify the hostdrive\n", 1, Reach::Driver},
        {{"-d", "-CTR:1", "-HOSTDRIVE:0"}, "", "",
         "INFO: Deleting Host Drive 0 \nINFO: Controller has no Host drives. Action Aborted\n", 1, Reach::Driver},
        {{"-r"}, "", "", kNeedController, 1, Reach::Driver},
        {{"-r", "-CTR:1"}, "", "", "INFO: Controller has no Host Drives. Action Aborted\n", 1, Reach::Driver},
        // Without HOSTDRIVE the swap still runs, for host drive -1.
        {{"-a", "-CTR:0", "-SWAPDRIVE:3"}, "", "",
         "ERROR: Please specify a HOSTDRIVE to swap with.\nINFO: Controller has no Host drives. Action Aborted\n"
         "ERROR: Specified Hostdrive #-1 not found.\nERROR: During Controller assign operation\n",
         1, Reach::Driver},
        // Commands run in a fixed order and the first failure ends the run.
        {{"-r", "-s", "-CTR:0"}, "", "", "INFO: Controller has no Host Drives. Action Aborted\n", 1, Reach::Driver, false,
         kDefaultStatus0},
    };
}

// Joins the arguments for the failure trace.
std::string Line(const std::vector<std::string>& args)
{
    std::string line = "ostrel";
    for (const std::string& a : args)
        line += " " + (a.size() > 40 ? a.substr(0, 40) + "..." : a);
    return line;
}

void ExpectRun(const Row& row, const std::string& root, const std::string& out, const std::string& err, int code,
               unsigned uid = 0)
{
    SCOPED_TRACE(Line(row.args));
    const ToolResult r = RunTool(row.args, root, uid);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.exitCode, code);
}

// On a machine without controllers a run that reaches the driver ends there.
void ExpectWithoutControllers(const std::string& root)
{
    for (const Row& row : Rows()) {
        if (row.reach == Reach::ParseOnly)
            ExpectRun(row, root, row.out, row.parseErr, row.code);
        else
            ExpectRun(row, root, row.out, row.parseErr + (row.quiet ? "" : kNoController), 1);
    }
}

TEST(CommandLine, TwoControllers)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    for (const Row& row : Rows())
        ExpectRun(row, sim.root(), row.out + row.runOut, row.parseErr + row.runErr, row.code);
}

TEST(CommandLine, DriverCountsNoController)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.control("count 0"));
    ExpectWithoutControllers(sim.root());
}

TEST(CommandLine, NoDriver)
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("ostrel-nodriver-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    ExpectWithoutControllers(root.string());
    std::filesystem::remove_all(root);
}

TEST(CommandLine, OrdinaryUserIsRefusedBeforeAnythingElse)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    for (const Row& row : Rows())
        ExpectRun(row, sim.root(), "", "You must be super user to run this program.\n", 1, 65534);
    EXPECT_TRUE(sim.log().empty());
}

TEST(CommandLine, ControllerNumbersCountOnlyTheControllersServed)
{
    // Controller 1's board information is refused: the list holds one controller.
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    ASSERT_TRUE(sim.control("status 1 0x28 9"));
    const Row row{{"-s", "-CTR:1"}, "", "", "", 1, Reach::Driver};
    ExpectRun(row, sim.root(), "", kNotFound, 1);
    ExpectRun(row, sim.root(), kDefaultStatus1, "", 0);
}

}  // namespace
