// The actions of the " Host Drive " menu in mirvane, in tmux against the
// emulator: name, number swap, merge, master boot code, cluster type,
// transaction tracking and write-back cache.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

// Logical drive 0 carries host drives 0 and 1, drive 2 host drive 2.
std::string Scenario(const std::string& extra = "")
{
    return R"({"controllers": [{"entry": 0)" + extra + R"(,
  "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
  "logicalDrives": [{"number": 0, "type": 0, "name": "DISK_0", "members": [[0, 0]]},
                    {"number": 2, "type": 0, "name": "DISK_2", "members": [[0, 1]]}]}]})";
}
const std::vector<std::string> kControls = {"hostdrive 0 0 0 1048576", "hostdrive 0 0 1 1048576",
                                            "hostdrive 0 2 2 2097152"};

class hostDriveMenuTest : public mirvaneSession {
protected:
    // The " Host Drive " menu of list line `line` in Advanced Setup.
    void openMenu(const std::string& scenario, int line, const std::vector<std::string>& extra = {},
                  const std::string& args = "")
    {
        controls = kControls;
        controls.insert(controls.end(), extra.begin(), extra.end());
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toHostDriveList(true));
        ASSERT_TRUE(tmux->waitFor("   2   HOST_2 ")) << tmux->capture();
        again(line);
    }
    // Opens the menu of list line `line` again.
    void again(int line)
    {
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
        for (int i = 0; i < line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Host Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Change Drive Name")) << tmux->capture();
    }
};

TEST_F(hostDriveMenuTest, SwapRangeByFirmwareAndNonNumericEntries)
{
    const struct {
        const char* profile;
        const char* prompt;
        const char* outOfRange;
    } cases[] = {
        {R"(, "profile": "middle")", "New Drive No. (0..34): ", "35"},
        {"", "New Drive No. (0..254): ", "255"},
    };
    for (const auto& c : cases) {
        openMenu(Scenario(c.profile), 2);
        tmux->sendKeys("s");
        ASSERT_NO_FATAL_FAILURE(dismiss("Swapping Host Drive Numbers may leave your system", "y"));
        ASSERT_TRUE(tmux->waitFor(c.prompt)) << tmux->capture();
        // Asked again, each time with an empty field.
        for (const std::string& bad : {std::string("ab"), std::string(c.outOfRange), std::string("")}) {
            typeInput(bad);
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor(c.prompt)) << bad << "\n" << tmux->capture();
        }
        typeInput("5");
        ASSERT_TRUE(tmux->waitFor("   5   HOST_2 ")) << c.prompt << "\n" << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
        TearDown();
    }
}

TEST_F(hostDriveMenuTest, SwapRefusals)
{
    const struct {
        const char* title;
        std::vector<std::string> extra;
        std::vector<std::string> late;  // control lines once the number is asked
        const char* message;
    } cases[] = {
        {"onto a cluster drive", {"hostcluster 0 0 1 0"}, {},
         "Host Drive 0 is a Cluster Host Drive."},
        {"Maintenance Mode refused", {}, {"status 0 0x72 12"}, "Could not enter Maintenance Mode."},
    };
    for (const auto& c : cases) {
        openMenu(Scenario(), 2, c.extra);
        tmux->sendKeys("s");
        ASSERT_NO_FATAL_FAILURE(dismiss("Swapping Host Drive Numbers may leave your system", "y"));
        ASSERT_TRUE(tmux->waitFor("New Drive No. (0..254): ")) << tmux->capture();
        for (const std::string& line : c.late)
            ASSERT_TRUE(sim->control(line)) << line;
        typeInput("0");
        ASSERT_NO_FATAL_FAILURE(dismiss(c.message)) << c.title;
        ASSERT_TRUE(tmux->waitFor("   2   HOST_2 ")) << c.title << "\n" << tmux->capture();
        EXPECT_EQ(ioctlCount("0x10010003"), 0) << c.title << ": no table written";
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << c.title;
        TearDown();
    }
}

TEST_F(hostDriveMenuTest, NameIsCheckedBeforeItIsWritten)
{
    openMenu(Scenario(), 2);
    tmux->sendKeys("c");
    ASSERT_TRUE(tmux->waitFor("Name: HOST_2")) << tmux->capture();
    typeInput(" X");
    ASSERT_NO_FATAL_FAILURE(dismiss("Error: ' X' is no valid drive name!"));
    EXPECT_EQ(ioctlCount("0x10010003"), 0);
    ASSERT_NO_FATAL_FAILURE(again(0));
    tmux->sendKeys("c");
    ASSERT_TRUE(tmux->waitFor("Name: HOST_2")) << tmux->capture();
    typeInput("DATA");
    ASSERT_TRUE(tmux->waitFor("   2   DATA     ready")) << tmux->capture();
}

TEST_F(hostDriveMenuTest, MergeJoinsTheNeighbours)
{
    openMenu(Scenario(), 0);
    tmux->sendKeys("g");
    ASSERT_NO_FATAL_FAILURE(dismiss("Warning!  This operation could result in data loss.", "y"));
    ASSERT_TRUE(waitGone("   1   HOST_1 ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("   0   HOST_0   ready         RW          1024 MB  Disk      Logic.  0  ")) << tmux->capture();
}

TEST_F(hostDriveMenuTest, FailedMergeShowsItsErrorAndChangesNothing)
{
    openMenu(Scenario(), 0, {"status 0 0x10010003 7"});
    tmux->sendKeys("g");
    ASSERT_NO_FATAL_FAILURE(dismiss("Warning!  This operation could result in data loss.", "y"));
    ASSERT_NO_FATAL_FAILURE(dismiss("Error: Controller returned error code"));
    EXPECT_TRUE(tmux->waitFor("   1   HOST_1 ")) << tmux->capture();
}

TEST_F(hostDriveMenuTest, MasterBootCodeIsWrittenToSectorZero)
{
    openMenu(Scenario(), 2);
    tmux->sendKeys("o");
    ASSERT_NO_FATAL_FAILURE(dismiss("overwrite the Master Boot Code ? (Y/N)", "y"));
    ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    int writes = 0;
    for (const std::string& line : sim->log())
        if (line.find("\t9\t2\t0x00000000\t") != std::string::npos)
            ++writes;
    EXPECT_EQ(writes, 1) << "one block write of sector 0";
}

TEST_F(hostDriveMenuTest, ClusterTypeByTheChannelsClusterFlag)
{
    const struct {
        const char* title;
        const char* extra;
        const char* before;    // message before the menu, or null
        const char* keys;      // in the cluster type menu
        const char* question;  // M3113, or null
        const char* type;      // the line's type afterwards
    } cases[] = {
        {"clustering on: to cluster", R"(, "clusterEnabled": true)", nullptr, "c", "Transaction Tracking assures",
         "Disk/Clu"},
        {"clustering off: Cluster disabled", "", "Clustering is not enabled for the channel(s)", "c", nullptr,
         "Disk      "},
        {"clustering off: private local", "", "Clustering is not enabled for the channel(s)", "p", nullptr,
         "Disk/Pri"},
    };
    for (const auto& c : cases) {
        openMenu(Scenario(c.extra), 2);
        tmux->sendKeys("u");
        if (c.before) {
            ASSERT_NO_FATAL_FAILURE(dismiss(c.before)) << c.title;
        }
        ASSERT_TRUE(tmux->waitFor("Not configured")) << c.title << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Private local")) << c.title << tmux->capture();
        tmux->sendKeys(c.keys);
        if (c.question) {
            ASSERT_NO_FATAL_FAILURE(dismiss(c.question, "y")) << c.title;
        } else if (std::string(c.keys) == "c") {
            tmux->sendKeys("Escape");  // a disabled item does nothing
        }
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << c.title << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(std::string("1024 MB  ") + c.type)) << c.title << "\n" << tmux->capture();
        TearDown();
    }
}

TEST_F(hostDriveMenuTest, TransactionTrackingAndWriteBackOfAClusterDrive)
{
    const std::string scenario =
        Scenario(R"(, "records": [{"key": "0x10010006", "target": 2, "hex": "0200000000000000"}])");
    openMenu(scenario, 2, {"hostcluster 0 2 1 0"});
    ASSERT_TRUE(tmux->waitFor("Transaction Tracking (On)")) << tmux->capture();
    tmux->sendKeys("t");
    ASSERT_TRUE(tmux->waitFor("Off")) << tmux->capture();
    tmux->sendKeys("Up Enter");
    ASSERT_NO_FATAL_FAILURE(again(0));
    ASSERT_TRUE(tmux->waitFor("Transaction Tracking (Off)")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("Write Back Cache (On)")) << tmux->capture();
    tmux->sendKeys("w");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    tmux->sendKeys("Up Enter");  // Off
    ASSERT_NO_FATAL_FAILURE(again(0));
    ASSERT_TRUE(tmux->waitFor("Write Back Cache (Off)")) << tmux->capture();
    tmux->sendKeys("w");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    tmux->sendKeys("Down Enter");  // On, after the warning
    ASSERT_NO_FATAL_FAILURE(dismiss("WARNING: Activating write back caching", "y"));
    ASSERT_NO_FATAL_FAILURE(again(0));
    ASSERT_TRUE(tmux->waitFor("Write Back Cache (On)")) << tmux->capture();
    EXPECT_EQ(ioctlCount("0x10010003"), 3);
}

TEST_F(hostDriveMenuTest, SharedDriveRefusesItsSettings)
{
    const std::string scenario =
        Scenario(R"(, "records": [{"key": "0x10010006", "target": 2, "hex": "0300000000000000"}])");
    openMenu(scenario, 2, {"hostcluster 0 2 1 0"});
    for (const char* key : {"t", "s", "r"}) {
        tmux->sendKeys(key);
        ASSERT_NO_FATAL_FAILURE(dismiss("More than one Controller is accessing the Drive,")) << key;
        ASSERT_NO_FATAL_FAILURE(again(0));
    }
    EXPECT_EQ(ioctlCount("0x10010003"), 0);
}

}  // namespace
}  // namespace tui::testing
