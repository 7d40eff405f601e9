// The logical drive screen of mirvane in tmux against the emulator: new
// logical drives from free disks, the Log. Drive menu and its refusals.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

const char* const listHint = "F4: Drive Information, F3: Load All, F5: Identify Drive, F10: Refresh";

// Three free disks (the second not initialised) and logical drive 5 on a fourth.
const std::string disks = R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
    {"target": 0, "product": "FIRST"},
    {"target": 1, "product": "SECOND", "initialised": false, "diskFormat": 0},
    {"target": 2, "product": "THIRD"},
    {"target": 3, "product": "IN DRIVE"}]}],
  "logicalDrives": [{"number": 5, "type": 0, "name": "DISK_5", "members": [[0, 3]]}]}]})";

class logicalDriveScreenTest : public mirvaneSession {
protected:
    // The console at " Select Logical Drive ".
    void open(const std::string& scenario = disks, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Logical Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
    }
    // From the drive list's first line to the disk choice of a new drive.
    void toDiskChoice(int driveLines)
    {
        for (int i = 0; i < driveLines; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive, ENTER: End selection")) << tmux->capture();
    }

};

TEST_F(logicalDriveScreenTest, ListsDrivesAndTheCreateLine)
{
    open();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("   No. Name     Status        Attr.      Capacity  Type      belongs to"), std::string::npos)
        << pane;
    EXPECT_NE(pane.find("   5   DISK_5   "), std::string::npos) << pane;
    EXPECT_NE(pane.find("   Create new Logical Drive"), std::string::npos) << pane;
    // The disks of drive 5.
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor(" Physical Drive(s) ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("  SCSI-A 3   0 i KZM     IN DRIVE         RW      1024 Drive 5")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Physical Drive(s) ")) << tmux->capture();
    // The choice offers only free disks.
    toDiskChoice(1);
    EXPECT_TRUE(tmux->waitFor("FIRST")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("SECOND")) << tmux->capture();
    EXPECT_FALSE(shows("IN DRIVE")) << tmux->capture();
}

// New logical drives by the disks chosen: the type, the question, and
// whether new disks were initialised first.
TEST_F(logicalDriveScreenTest, CreationByDiskChoice)
{
    const struct {
        const char* choose;     // keys in the disk choice before ENTER
        const char* typeKeys;   // keys in the type menu, null: no menu expected
        const char* kind;       // the M3006 word
        int initialised;        // 0x20000002 requests
        const char* line;       // the new drive's line
    } cases[] = {
        {"Space", nullptr, "SINGLE", 0, "   0   PD_A000  ready         RW          1024 MB  Disk"},
        {"Space Down Space", "Enter", "CHAINING", 1, "   0   PD_A000  ready         RW          2048 MB  Chain"},
        {"Space Down Down Space", "Down Enter", "STRIPING", 0, "   0   PD_A000  "},
    };
    for (const auto& c : cases) {
        open();
        toDiskChoice(1);
        tmux->sendKeys(c.choose);
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        tmux->sendKeys("Enter");
        if (c.typeKeys) {
            ASSERT_TRUE(tmux->waitFor("Choose Type")) << tmux->capture();
            tmux->sendKeys(c.typeKeys);
        }
        ASSERT_TRUE(tmux->waitFor(std::string("Do you want to create a ") + c.kind + " Drive")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(countKey("0x20000002"), c.initialised) << c.kind;
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor("Drive Size (1..")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(c.line)) << c.kind << "\n" << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
        tmux.reset();
        sim.reset();
    }
}

TEST_F(logicalDriveScreenTest, ASmallerSizeIsStoredAndNoAnswerCreatesNothing)
{
    open();
    toDiskChoice(1);
    tmux->sendKeys("Space Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to create a SINGLE Drive")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("Do you want to create")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive")) << "the choice goes on\n" << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to create a SINGLE Drive")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("Drive Size (1..1024 MB): 1024")) << tmux->capture();
    // Out of bounds: asked again.
    tmux->sendKeys("End BSpace BSpace BSpace BSpace");
    tmux->sendKeys("-l 2000");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Drive Size (1..1024 MB): 1024")) << tmux->capture();
    tmux->sendKeys("End BSpace BSpace BSpace BSpace");
    tmux->sendKeys("-l 500");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("   0   PD_A000  ready         RW           500 MB  Disk")) << tmux->capture();
}

TEST_F(logicalDriveScreenTest, AFailedInitialisationCreatesNothing)
{
    // The new disk is the channel's last, so that once it is pulled its
    // device index names no disk at all.
    open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
        {"target": 0, "product": "FIRST"},
        {"target": 5, "product": "LAST", "initialised": false, "diskFormat": 0}]}]}]})");
    toDiskChoice(0);
    tmux->sendKeys("Space Down Space");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(sim->control("pull 0 0 5"));
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Choose Type")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Logical Drive Creation Failure:")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Could not initialize disk KZM     LAST on SCSI-A ID 5.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive")) << tmux->capture();
    EXPECT_EQ(countKey("0x00000072"), 0);
    EXPECT_EQ(countKey("0x0000000C"), 0);
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
}

TEST_F(logicalDriveScreenTest, RefusedAccessCreatesNothing)
{
    open();
    ASSERT_TRUE(sim->control("hold 0 all"));
    toDiskChoice(1);
    tmux->sendKeys("Space Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to create a SINGLE Drive")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("Could not enter Maintenance Mode.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Could not enter")) << tmux->capture();
    EXPECT_FALSE(shows("PD_A000")) << tmux->capture();
}

// The Log. Drive menu of a plain drive: name, removal, and the items it
// does not offer (unload only in administrator mode).
TEST_F(logicalDriveScreenTest, DriveMenuNameAndRemoval)
{
    open();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Log. Drive ")) << tmux->capture();
    tmux->sendKeys("u");  // disabled: not removable
    tmux->sendKeys("c");
    ASSERT_TRUE(tmux->waitFor("Name: DISK_5")) << tmux->capture();
    tmux->sendKeys("End BSpace BSpace BSpace BSpace BSpace BSpace");
    tmux->sendKeys("-l ' X'");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Error: ' X' is no valid drive name!")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("no valid drive name")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Log. Drive ")) << tmux->capture();
    tmux->sendKeys("c");
    ASSERT_TRUE(tmux->waitFor("Name: DISK_5")) << tmux->capture();
    tmux->sendKeys("End BSpace BSpace BSpace BSpace BSpace BSpace");
    tmux->sendKeys("-l DATA");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("   5   DATA     ")) << tmux->capture();
    // Removal: asked once, then the drive is gone and its disk is free.
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Log. Drive ")) << tmux->capture();
    tmux->sendKeys("r");
    ASSERT_TRUE(tmux->waitFor("Do you really want to remove")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitGone("   5   DATA")) << tmux->capture();
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
}

TEST_F(logicalDriveScreenTest, AdministratorModeOffersTheUnload)
{
    open(disks, "-QUENTRAX");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Log. Drive ")) << tmux->capture();
    tmux->sendKeys("u");
    ASSERT_TRUE(waitGone(" Log. Drive ")) << tmux->capture();
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
    EXPECT_GE(countKey("0x00000072"), 1) << "the unload ran inside the access";
    EXPECT_TRUE(tmux->waitFor("   5   DISK_5   ")) << tmux->capture();
}

// Load All and the create line with one cluster node up, and with several:
// the refusals M5074 and M5059 (the latter leaves the screen).
TEST_F(logicalDriveScreenTest, LoadAllAndCreationByClusterNodes)
{
    for (const bool multiNode : {false, true}) {
        std::string scenario = disks;
        if (multiNode) {
            const std::string records =
                R"(, "records": [{"key": "0x10010006", "target": "0xFFFFFFFF", "hex": "1000000000000000"}])";
            scenario.insert(scenario.rfind("}]}"), records);
        }
        ASSERT_NO_FATAL_FAILURE(open(scenario));
        tmux->sendKeys("F3");
        if (multiNode) {
            ASSERT_TRUE(tmux->waitFor("More than one controller are running in this Cluster environment."))
                << tmux->capture();
            tmux->sendKeys("x");
            ASSERT_TRUE(waitGone("More than one controller")) << tmux->capture();
            EXPECT_EQ(countKey("0x0000000B"), 0);
        } else {
            ASSERT_TRUE(waitForLog(*sim, "0x0000000B")) << "the load (0x0000000B) in the log";
            EXPECT_EQ(countKey("0x0000000B"), 1);
        }
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
        tmux->sendKeys("Down Enter");
        if (multiNode) {
            ASSERT_TRUE(tmux->waitFor("Creation of new Host Drives is not allowed")) << tmux->capture();
            tmux->sendKeys("x");
            ASSERT_TRUE(waitGone(" Select Logical Drive ")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
        } else {
            ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive")) << tmux->capture();
        }
        tmux.reset();
        sim.reset();
    }
}

}  // namespace
}  // namespace tui::testing
