// mirvane's command line as a process: standard output, standard error and
// exit code for each switch form, against the emulator with two
// controllers, with none counted, without a driver, and as another user.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_run.h"
#include "sim_mount.h"

namespace {

const std::string mirvane = MIRVANE_PATH;

const std::string help =
    "RAID Mirvane  --  Version 2.13 - Nov  6 2002\n"
    "Required firmware version: 1.18-1.36 / 2.18-2.36\n"
    "Command line parameters:\n"
    " -?, -HELP                    This screen.\n"
    " -SAVEINFO[0-9][:<filename>]  Generate Save Information file of controller\n"
    "                              number [0-9]. Default controller is 0,\n"
    "                              default filename is 'saveinfo.txt'.\n"
    "\n";
const std::string unknown = "\nUnknown command line parameter !\n";
const std::string noController = "No Controller found.\n";
const std::string badIndex = "Invalid controller number.\n";
const std::string notRoot = "You must be super user to run this program.\n";

// Where the run's driver comes from.
enum class Driver { twoControllers, countZero, none };

struct Row {
    std::vector<std::string> args;
    Driver driver;
    std::string out;
    std::string err;
    int code;
    unsigned uid = 0;
};

std::vector<Row> Rows()
{
    const std::string longName(5000, 'n');
    return {
        {{"-?"}, Driver::none, help, "", 0},
        {{"/?anything"}, Driver::none, help, "", 0},
        {{"-help"}, Driver::none, help, "", 0},
        {{"/HeLp"}, Driver::none, help, "", 0},
        {{"-HELPX"}, Driver::none, unknown, "", 0},
        {{"-BOOK:x"}, Driver::none, unknown, "", 0},
        {{"-book:X"}, Driver::none, unknown, "", 0},
        {{"-bOoK", "-nothing"}, Driver::none, unknown, "", 0},
        {{"/Book", "-quentrax", "-Lock", "-?"}, Driver::none, help, "", 0},
        {{"-"}, Driver::none, unknown, "", 0},
        {{"-SAVEINFO3"}, Driver::twoControllers, "", badIndex, 1},
        {{"-SAVEINFO9:x.txt"}, Driver::twoControllers, "", badIndex, 1},
        {{"-SAVEINFO:"}, Driver::twoControllers, "", "Error while creating .\n", 1},
        {{"-SAVEINFO:" + longName}, Driver::twoControllers, "", "Error while creating " + longName.substr(0, 256) + ".\n", 1},
        {{"-SAVEINFO"}, Driver::countZero, "", noController, 1},
        {{"-SAVEINFO2"}, Driver::countZero, "", noController, 1},
        {{"-SAVEINFO"}, Driver::none, "", noController, 1},
        {{"-?"}, Driver::none, "", notRoot, 1, 65534},
        {{"-SAVEINFO"}, Driver::twoControllers, "", notRoot, 1, 65534},
        {{}, Driver::twoControllers, "", notRoot, 1, 65534},
    };
}

std::string Describe(const Row& row)
{
    std::string s = "mirvane";
    for (const std::string& a : row.args)
        s += " " + a.substr(0, 40);
    return s + (row.uid ? " as uid " + std::to_string(row.uid) : "");
}

TEST(mirvaneCommandLineTest, EverySwitchFormGivesItsTextsAndExitCode)
{
    SimMount two;
    SimMount zero;
    ASSERT_TRUE(two.ok() && zero.ok());
    ASSERT_TRUE(zero.control("count 0"));
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "mirvane-no-driver";
    std::filesystem::create_directories(empty);
    for (const Row& row : Rows()) {
        const std::string root = row.driver == Driver::twoControllers ? two.root()
                                 : row.driver == Driver::countZero    ? zero.root()
                                                                      : empty.string();
        std::vector<std::string> argv;
        if (row.uid)
            argv = {"setpriv", "--reuid=" + std::to_string(row.uid), "--regid=" + std::to_string(row.uid),
                    "--clear-groups", "--"};
        argv.push_back(mirvane);
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const ProgramResult r = RunProgram(argv, {"KZMH_PROC_ROOT=" + root});
        EXPECT_EQ(r.out, row.out) << Describe(row);
        EXPECT_EQ(r.err, row.err) << Describe(row);
        EXPECT_EQ(r.exitCode, row.code) << Describe(row);
    }
    std::filesystem::remove(empty);
}

TEST(mirvaneCommandLineTest, ArgumentsAfterAPlainWordAreNotRead)
{
    SimMount two;
    ASSERT_TRUE(two.ok());
    // "plain" ends the switches; the screen then cannot start on an unknown terminal.
    const ProgramResult r = RunProgram({mirvane, "plain", "-nothing"},
                                       {"KZMH_PROC_ROOT=" + two.root(), "TERM=no-such-terminal-kzm"});
    EXPECT_EQ(r.out, "Unable to create screen.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
