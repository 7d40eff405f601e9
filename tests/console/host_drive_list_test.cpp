// " Select Host Drive " of mirvane in tmux against the emulator: the lines
// of host drives on logical, shared, mirror and foreign carriers, the create
// line, the carrier window, the refusals before the " Host Drive " menu and
// the menu's items by mode, firmware and cluster state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

// Logical drive 0 carries host drives 0 and 1, drive 2 host drive 2, drive 3
// host drive 3; a second node's host drive 7 has no carrier here.
std::string Carriers(const std::string& extra = "")
{
    return R"({"controllers": [{"entry": 0)" + extra + R"(,
  "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}]}],
  "logicalDrives": [{"number": 0, "type": 0, "name": "DISK_0", "members": [[0, 0]]},
                    {"number": 2, "type": 0, "name": "DISK_2", "members": [[0, 1]]},
                    {"number": 3, "type": 0, "name": "DISK_3", "members": [[0, 2]]},
                    {"number": 4, "type": 0, "name": "DISK_4", "members": [[0, 3]]}],
  "mirrors": [{"drives": [3, 4]}],
  "foreignHostDrives": [{"number": 7, "carrier": 9, "size": 4096, "name": "FOREIGN"}]}]})";
}

const std::vector<std::string> kCarrierControls = {"hostdrive 0 0 0 1048576", "hostdrive 0 0 1 1048576",
                                                   "hostdrive 0 2 2 2097152", "hostdrive 0 3 3 2097152"};

class hostDriveListTest : public mirvaneSession {
protected:
    // The console at " Select Host Drive " of the first controller, in
    // Express Setup or, with `advanced`, in Advanced Setup.
    void open(const std::string& scenario, const std::vector<std::string>& lines, bool advanced = false,
              const std::string& args = "")
    {
        controls = lines;
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toHostDriveList(advanced));
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ", configurationReadMs)) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("F4: Drive Information, F5: Identify Drive, F10: Refresh")) << tmux->capture();
    }
    // Opens the " Host Drive " menu of list line `line`.
    void openMenu(int line)
    {
        for (int i = 0; i < line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Host Drive ")) << tmux->capture();
    }
    // Each item of the menu: E enabled, D disabled (drawn as "&Partition
    // Drive" or another disabled item is), - not shown.
    std::string itemStates(const std::vector<std::string>& items)
    {
        const std::string escaped = settledScreen(*tmux, true);
        const auto enabled = tmuxSession::renditionAt(escaped, "wap Host Drives");
        std::string states;
        for (const std::string& item : items) {
            const auto r = tmuxSession::renditionAt(escaped, item);
            states += !r.found ? '-' : (r.fg == enabled.fg && r.bg == enabled.bg && r.bold == enabled.bold) ? 'E' : 'D';
        }
        return states;
    }
};

TEST_F(hostDriveListTest, LinesTellTheCarrierTheShareAndTheClusterType)
{
    const struct {
        const char* title;
        std::vector<std::string> extraControls;
        std::vector<std::string> lines;
    } cases[] = {
        {"logical, shared, mirror and foreign carriers", {},
         {"   0   HOST_0   ready         RW           512 MB  Disk      Logic.  0 1/2",
          "   1   HOST_1   ready         RW           512 MB  Disk      Logic.  0 2/2",
          "   2   HOST_2   ready         RW          1024 MB  Disk      Logic.  2  ",
          "   3   HOST_3   ",
          "RAID-1  3  ",
          "   7   FOREIGN  ???           ???            2 MB  ???" "/Clu   ???  ",
          "   Create new Host Drive"}},
        {"cluster and private drives", {"hostcluster 0 0 1 0", "hostcluster 0 2 2 0"},
         {"   0   HOST_0   ready         RW           512 MB  Disk/Clu  Logic.  0 1/2",
          "   2   HOST_2   ready         RW          1024 MB  Disk/Pri  Logic.  2  "}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = kCarrierControls;
        lines.insert(lines.end(), c.extraControls.begin(), c.extraControls.end());
        open(Carriers(), lines);
        const std::string pane = stillPane();
        for (const std::string& line : c.lines)
            EXPECT_NE(pane.find(line), std::string::npos) << c.title << ": " << line << "\n" << pane;
        TearDown();
    }
}

TEST_F(hostDriveListTest, NoCreateLineWithoutAFreeDriveNumber)
{
    // Drive numbers 0..2 are logical drives, 3..254 host drives on them.
    std::vector<std::string> lines;
    for (int n = 3; n <= 254; ++n)
        lines.push_back("hostdrive 0 " + std::to_string(n % 3) + " " + std::to_string(n) + " 2048");
    open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1},
        {"target": 2}]}], "logicalDrives": [{"number": 0, "type": 0, "members": [[0, 0]]},
        {"number": 1, "type": 0, "members": [[0, 1]]}, {"number": 2, "type": 0, "members": [[0, 2]]}]}]})",
         lines);
    EXPECT_TRUE(tmux->waitFor("   3   HOST_3   ")) << tmux->capture();
    for (int i = 0; i < 20; ++i)
        tmux->sendKeys("NPage");
    ASSERT_TRUE(tmux->waitFor("   254 HOST_25  ready")) << tmux->capture();
    EXPECT_FALSE(shows("Create new Host Drive")) << tmux->capture();
}

TEST_F(hostDriveListTest, WriteProtectionShowsAsRoAndF9TurnsItBack)
{
    open(Carriers(), kCarrierControls);
    openMenu(2);
    tmux->sendKeys("F9");
    ASSERT_TRUE(tmux->waitFor("Do you want to set the Host Drive to 'write protected'? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("   2   HOST_2   ready         RO          1024 MB")) << tmux->capture();
    openMenu(0);
    tmux->sendKeys("9");
    ASSERT_TRUE(tmux->waitFor("Do you want to reset the 'write protected' flag of the Host Drive? (Y/N)"))
        << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("   2   HOST_2   ready         RW          1024 MB")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x10010003"), 2) << "two table writes";
}

TEST_F(hostDriveListTest, CarrierWindowAndItsComponentList)
{
    open(Carriers(), kCarrierControls);
    tmux->sendKeys("Down Down F4");
    ASSERT_TRUE(tmux->waitFor(" Array/Logical Drive ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("   2   DISK_2   ready         RW          1024 MB  Disk      Host   2")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("F4: Drive Information, F5: Identify Drive ")) << tmux->capture();
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor(" Physical Drive(s) ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Physical Drive(s) ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Array/Logical Drive ")) << tmux->capture();
    // A mirror carrier: its first component's name, "belongs to" its host drive.
    tmux->sendKeys("Down F4");
    ASSERT_TRUE(tmux->waitFor(" Array/Logical Drive ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("   3   DISK_3   ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Host  3")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Array/Logical Drive ")) << tmux->capture();
    tmux->sendKeys("Up");
    // A host drive without a carrier here opens nothing.
    tmux->sendKeys("Down Down Down F4");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_FALSE(shows(" Array/Logical Drive ")) << tmux->capture();
}

TEST_F(hostDriveListTest, RefusalsBeforeTheMenu)
{
    const struct {
        const char* title;
        std::vector<std::string> extraControls;
        int line;
        const char* message;
        bool menuFollows;
    } cases[] = {
        {"cluster drive of a remote controller", {"hostcluster 0 2 1 0x1234"}, 2,
         "The selected Host Drive is a Cluster Drive mounted on a remote controller!", false},
        {"private drive of another controller", {"hostcluster 0 2 2 0x1234"}, 2,
         "with the serial number 0x00001234 !", true},
        {"a second node's drive", {}, 4,
         "The selected Host Drive is a Cluster Drive mounted on a remote controller!", false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = kCarrierControls;
        lines.insert(lines.end(), c.extraControls.begin(), c.extraControls.end());
        open(Carriers(), lines);
        for (int i = 0; i < c.line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_NO_FATAL_FAILURE(dismiss(c.message)) << c.title;
        if (c.menuFollows) {
            ASSERT_TRUE(tmux->waitFor(" Host Drive ")) << c.title << tmux->capture();
            // Removal is refused for another controller's private drive.
            EXPECT_EQ(itemStates({"emove Host Drive"}), "D") << c.title;
        } else {
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            EXPECT_FALSE(shows("Change Drive Name")) << c.title << tmux->capture();
        }
        TearDown();
    }
}

TEST_F(hostDriveListTest, MenuItemsByModeFirmwareAndCluster)
{
    // The items from the letter after their hot key on. Item 0 is the
    // current one and drawn highlighted: not in the list.
    const std::vector<std::string> items = {
        "wap Host Drives", "emove Host Drive", "e Host Drives",  "artition Drive",   "verwr. Master Boot Code",
        "ster Type",       "ransaction Tracking", "rite Back Cache", "dd Hot Fix Drive", "ove Hot Fix Drive"};
    const struct {
        const char* title;
        std::string extra;              // controller fields of the scenario
        std::vector<std::string> extraControls;
        bool advanced;
        int line;
        const char* states;             // of items
        const char* clusterText;
    } cases[] = {
        {"Express, plain logical drive", "", {}, false, 2, "EE--EE--DD", "Cluster Type (Not configured)"},
        {"Express, mirror carrier: hot fix items", "", {}, false, 3, "EE--EE--EE", "Cluster Type (Not configured)"},
        {"Advanced, shared carrier: merge", "", {}, true, 0, "EEEDEE----", "Cluster Type (Not configured)"},
        {"Advanced, single carrier: no merge", "", {}, true, 2, "EEDDEE----", "Cluster Type (Not configured)"},
        {"Advanced, own cluster drive with access", "", {"hostcluster 0 0 1 0"}, true, 0, "EEDDEEED--",
         "Cluster Type (Cluster)"},
        {"Advanced, not cluster-capable", R"(, "clusterBits": 0)", {}, true, 0, "EEEDED----",
         "Cluster Type (Not configured)"},
        {"Advanced, middle firmware", R"(, "profile": "middle")", {}, true, 0, "EEEDED----",
         "Cluster Type (Not configured)"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = kCarrierControls;
        lines.insert(lines.end(), c.extraControls.begin(), c.extraControls.end());
        std::string scenario = Carriers(c.extra);
        if (std::string(c.title).find("own cluster") != std::string::npos)
            scenario = Carriers(R"(, "records": [{"key": "0x10010006", "target": 0, "hex": "0200000000000000"}])");
        open(scenario, lines, c.advanced);
        openMenu(c.line);
        EXPECT_EQ(itemStates(items), c.states) << c.title << "\n" << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(c.clusterText)) << c.title << "\n" << tmux->capture();
        TearDown();
    }
}

// An array made here: its carrier window and the hot fix items by RAID type.
TEST_F(hostDriveListTest, ArrayCarrier)
{
    const struct {
        const char* typeKey;
        const char* type;
        const char* hotFix;  // states of the two hot fix items
    } cases[] = {
        {"5", "RAID-5", "EE"},
        {"0", "RAID-0", "DD"},
    };
    for (const auto& c : cases) {
        open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [{"target": 0},
            {"target": 1}, {"target": 2}]}]}]})", {});
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("RAID 10 + HotFix")) << tmux->capture();
        tmux->sendKeys("Space Down Space Down Space Enter");
        ASSERT_TRUE(tmux->waitFor("RAID 10 + HotFix")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        tmux->sendKeys(c.typeKey);
        ASSERT_NO_FATAL_FAILURE(dismiss("Do you want to create a Host Drive", "y"));
        ASSERT_TRUE(tmux->waitFor("Used Capacity per Drive")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Array   0")) << c.type << tmux->capture();
        tmux->sendKeys("F4");
        ASSERT_TRUE(tmux->waitFor(" Array/Logical Drive ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(c.type)) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("Host  0")) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Array/Logical Drive ")) << tmux->capture();
        openMenu(0);
        EXPECT_EQ(itemStates({"dd Hot Fix Drive", "ove Hot Fix Drive"}), c.hotFix) << c.type << tmux->capture();
        TearDown();
    }
}

TEST_F(hostDriveListTest, ClusterDriveWithoutConfigurationAccessEndsTheMenu)
{
    std::vector<std::string> lines = kCarrierControls;
    lines.push_back("hostcluster 0 2 1 0");
    open(Carriers(), lines, true);
    openMenu(2);
    tmux->sendKeys("c");
    ASSERT_NO_FATAL_FAILURE(dismiss("Currently another cluster node has configuration access"));
    EXPECT_FALSE(shows("Name: ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
}

}  // namespace
}  // namespace tui::testing
