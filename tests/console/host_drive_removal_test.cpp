// The removal of host drives in mirvane, in tmux against the emulator:
// partition tables written by util-linux sfdisk onto the host drives' files,
// administrator mode and the PARTITION switch, shared carriers, and the
// configuration access refused with status 12 once or twice.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "mirvane_session.h"

namespace tui::testing {
namespace {

// Logical drive 0 carries host drives 0 and 1, drive 2 host drive 2.
const std::string kScenario = R"({"controllers": [{"entry": 0,
  "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}]}],
  "logicalDrives": [{"number": 0, "type": 0, "name": "DISK_0", "members": [[0, 0]]},
                    {"number": 2, "type": 0, "name": "DISK_2", "members": [[0, 1]]}]}]})";
const std::vector<std::string> kControls = {"hostdrive 0 0 0 1048576", "hostdrive 0 0 1 1048576",
                                            "hostdrive 0 2 2 2097152"};

const char* const kDeleteKey = "0x0000000F";
const char* const kM3007 = "Do you really want to remove\nthe selected drive ? (Y/N)";
const char* const kM3072 = "WARNING: This drive contains a valid partition table";
const char* const kM4034 = "Partition table is not empty.";
const char* const kM3019 = "Do you really want to remove Host Drives  0, 1 ? (Y/N)";
const char* const kM4043 = "The selected Host Drive belongs to Array Drive 0.";
const char* const kM3077 = "WARNING: The selected Host Drive belongs to Array Drive 0.";
const char* const kM5042 = "Could not enter Maintenance Mode.";
const char* const kM3038 = "Do you want to try to finish Maintenance Mode? (Y/N)";

// The sfdisk program (root's PATH may lack /usr/sbin).
std::string Sfdisk()
{
    for (const char* p : {"/usr/sbin/sfdisk", "/sbin/sfdisk"})
        if (access(p, X_OK) == 0)
            return p;
    return "sfdisk";
}

struct Step {
    const char* text;  // shown (its first line)
    const char* key;   // the answer
};

struct RemovalCase {
    const char* title;
    const char* args;
    std::vector<int> partitioned;        // host drives given a Linux partition
    std::vector<std::string> faults;     // control lines once the list is up
    int line;                            // list line of the host drive removed
    std::vector<Step> steps;
    int deletes;                         // drive deletions the emulator served
    std::vector<const char*> gone;       // list lines gone afterwards
};

class hostDriveRemovalTest : public mirvaneSession {
protected:
    // sfdisk writes one Linux partition onto host drive n.
    void partition(int n)
    {
        const std::string file = sim->root() + "/kzmsim/hostdrive/0/" + std::to_string(n);
        const std::string command = "printf 'start=2048, size=4096, type=83\\n' | " + Sfdisk() +
                                    " --no-reread --no-tell-kernel -q -w never " + tmuxSession::quote(file) +
                                    " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::string scenario = kScenario;
    void run(const RemovalCase& c)
    {
        controls = kControls;
        ASSERT_NO_FATAL_FAILURE(start(c.args, scenario));
        for (const int n : c.partitioned)
            ASSERT_NO_FATAL_FAILURE(partition(n));
        ASSERT_NO_FATAL_FAILURE(toMainMenu());
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("   2   HOST_2 ")) << tmux->capture();
        for (const std::string& line : c.faults)
            ASSERT_TRUE(sim->control(line)) << line;
        for (int i = 0; i < c.line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Host Drive ")) << tmux->capture();
        tmux->sendKeys("r");
        for (const Step& s : c.steps) {
            const std::string first = std::string(s.text).substr(0, std::string(s.text).find('\n'));
            ASSERT_NO_FATAL_FAILURE(dismiss(first, s.key)) << c.title;
        }
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << c.title << tmux->capture();
        if (!c.gone.empty()) {
            ASSERT_TRUE(waitGone(c.gone.front())) << c.title << tmux->capture();
        }
        const std::string pane = stillPane();
        for (const char* line : {"   0   HOST_0 ", "   1   HOST_1 ", "   2   HOST_2 "}) {
            const bool expectedGone = std::find_if(c.gone.begin(), c.gone.end(), [&](const char* g) {
                                          return std::string(g) == line;
                                      }) != c.gone.end();
            EXPECT_EQ(pane.find(line) == std::string::npos, expectedGone) << c.title << ": " << line << "\n" << pane;
        }
        EXPECT_EQ(ioctlCount(kDeleteKey), c.deletes) << c.title;
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << c.title << ": configuration access given back";
    }
};

TEST_F(hostDriveRemovalTest, RemovalByPartitionsModeAndCarrier)
{
    const RemovalCase cases[] = {
        {"empty, alone on its carrier", "", {}, {}, 2, {{kM3007, "y"}}, 1, {"   2   HOST_2 "}},
        {"declined", "", {}, {}, 2, {{kM3007, "n"}}, 0, {}},
        {"partitioned, not administrator", "", {2}, {}, 2, {{kM4034, "x"}}, 0, {}},
        {"partitioned, administrator: no second question", "-QUENTRAX", {2}, {}, 2, {{kM3072, "y"}}, 1,
         {"   2   HOST_2 "}},
        {"partitioned under PARTITION", "-PARTITION", {2}, {}, 2, {{kM3007, "y"}}, 1, {"   2   HOST_2 "}},
        {"shared carrier, both empty", "", {}, {}, 0, {{kM3019, "y"}}, 1, {"   0   HOST_0 ", "   1   HOST_1 "}},
        {"shared carrier, the other partitioned, not administrator", "", {1}, {}, 0, {{kM4043, "x"}}, 0, {}},
        {"shared carrier, the other partitioned, administrator", "-QUENTRAX", {1}, {}, 0,
         {{kM3077, "y"}, {kM3019, "y"}}, 1, {"   0   HOST_0 ", "   1   HOST_1 "}},
        {"shared carrier, this one partitioned, administrator", "-QUENTRAX", {0}, {}, 0,
         {{kM3072, "y"}, {kM3019, "y"}}, 1, {"   0   HOST_0 ", "   1   HOST_1 "}},
        {"partition table that cannot be read, not administrator", "", {}, {"ioerr 0 2 0"}, 2, {{kM4034, "x"}}, 0,
         {}},
        {"driver busy twice on the way", "", {}, {"busy 2"}, 2, {{kM3007, "y"}}, 1, {"   2   HOST_2 "}},
        {"lock refused once: access reset and retried", "", {}, {"status 0 0x72 12"}, 2, {{kM3007, "y"}}, 1,
         {"   2   HOST_2 "}},
        {"lock refused twice, not administrator", "", {}, {"status 0 0x72 12", "status 0 0x72 12"}, 2,
         {{kM3007, "y"}, {kM5042, "x"}}, 0, {}},
        {"lock refused twice, administrator", "-QUENTRAX", {}, {"status 0 0x72 12", "status 0 0x72 12"}, 2,
         {{kM3007, "y"}, {kM3038, "y"}}, 0, {}},
    };
    for (const RemovalCase& c : cases) {
        ASSERT_NO_FATAL_FAILURE(run(c)) << c.title;
        TearDown();
    }
}

TEST_F(hostDriveRemovalTest, OldFirmwareTakesMaintenanceModeOfTheWholeController)
{
    scenario = R"({"controllers": [{"entry": 0, "profile": "old",
      "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}]}],
      "logicalDrives": [{"number": 0, "type": 0, "name": "DISK_0", "members": [[0, 0]]},
                        {"number": 2, "type": 0, "name": "DISK_2", "members": [[0, 1]]}]}]})";
    ASSERT_NO_FATAL_FAILURE(run({"old firmware", "", {}, {}, 2, {{kM3007, "y"}}, 1, {"   2   HOST_2 "}}));
    EXPECT_EQ(ioctlCount("0x0000000C"), 1);
    EXPECT_EQ(ioctlCount("0x0000000D"), 1);
    EXPECT_EQ(ioctlCount("0x00000072"), 0);
}

TEST_F(hostDriveRemovalTest, RetryAfterStatus12ResetsTheHostDrivesAccessFirst)
{
    ASSERT_NO_FATAL_FAILURE(run({"lock refused once", "", {}, {"status 0 0x72 12"}, 2, {{kM3007, "y"}}, 1,
                                 {"   2   HOST_2 "}}));
    // Lock (refused), access reset (opcode 6 of host drive 2), lock again.
    std::vector<std::string> order;
    for (const std::string& line : sim->log()) {
        std::vector<std::string> f;
        size_t from = 0;
        for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            f.push_back(line.substr(from, tab - from));
        if (f.size() < 10)
            continue;
        if (f[5] == "0x00000072")
            order.push_back("lock " + f[9]);
        else if (f[3] == "9" && f[4] == "6")
            order.push_back("reset");
    }
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], "lock 0x0000000C");
    EXPECT_EQ(order[1], "reset");
    EXPECT_EQ(order[2], "lock 0x00000001");  // status 1: done
}

}  // namespace
}  // namespace tui::testing
