// The repair assistant of mirvane in tmux against the emulator: the arrays
// are made through the object model before the console reads the
// controller, then the emulator fails and pulls disks. The summary and its
// follow-ups, the repair list with its keys, and the hot replace of a failed
// RAID-5 component through the rebuild; the emulator's log shows every hot
// plug that began ended.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "repair_model.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

const char* const summaryHead = "            Summary            ";

class repairAssistantTest : public repairSession {
protected:
    // The summary's counts as the box shows them.
    void expectCounts(int installed, int fail, int error, int build, int rebuild, int hotFix)
    {
        const std::string pane = stillPane();
        const std::string lines[] = {
            std::to_string(installed) + " Array Drives installed", std::to_string(fail) + " Array Drives in FAIL state",
            std::to_string(error) + " Array Drives in ERROR state", std::to_string(build) + " Array Drives in BUILD state",
            std::to_string(rebuild) + " Array Drives in REBUILD state",
            std::to_string(hotFix) + " missing Private HotFix Drives"};
        for (const std::string& line : lines)
            EXPECT_NE(pane.find(line), std::string::npos) << line << "\n" << pane;
        EXPECT_NE(pane.find("Press any key."), std::string::npos) << pane;
    }
};

TEST_F(repairAssistantTest, TwoArraysBuildingAskToLetThemFinish)
{
    startWith(Disks(6));
    ASSERT_GE(model->Make(RAID_TYPE_5, {0, 1, 2}), 0);
    ASSERT_GE(model->Make(RAID_TYPE_5, {3, 4, 5}), 0);
    toSummary();
    expectCounts(2, 0, 0, 2, 0, 0);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("2 Drive(s) are in Build/Rebuild process.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Build/Rebuild process")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
}

TEST_F(repairAssistantTest, OnlyHealthyRaid10ArraysAreAllOk)
{
    startWith(Disks(4));
    const int number = model->Make(RAID_TYPE_10, {0, 1, 2, 3});
    ASSERT_GE(number, 0);
    ASSERT_TRUE(model->ToReady(number));
    toSummary();
    // The array and its two RAID-1 drives are installed; RAID 10 itself is not sorted.
    expectCounts(3, 0, 0, 0, 0, 0);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("All Array Drives are ok.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("All Array Drives are ok.")) << tmux->capture();
}

TEST_F(repairAssistantTest, ErrorArrayIsRefusedAndOffersThePatch)
{
    startWith(Disks(3));
    const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(number));
    // Two disks lost: the error state; both back: invalid, to be patched.
    ASSERT_TRUE(sim->control("fail 0 0 1\nfail 0 0 2"));
    ASSERT_TRUE(sim->control("restore 0 0 1\nrestore 0 0 2"));
    toSummary();
    expectCounts(1, 0, 1, 0, 0, 0);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" No.  Name      Type     State     ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("RAID-5")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Drive in ERROR state cannot be repaired automatically!")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Example RAID Systems")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    // Ctrl-P offers the state patch, declined.
    tmux->sendKeys("C-p");
    ASSERT_TRUE(tmux->waitFor("It is possible to patch the Array state")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    // Nothing failed and no hot fix drive missing: ESC leaves without asking.
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Select Drive to repair ")) << tmux->capture();
    EXPECT_FALSE(shows("Do you really want to cancel repairing?")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
}

TEST_F(repairAssistantTest, FailedRaid5IsHotReplacedAndRebuilds)
{
    startWith(Disks(3));
    const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(number));
    ASSERT_TRUE(sim->control("fail 0 0 1"));
    ASSERT_TRUE(sim->control("alarm 0 1"));
    toSummary();
    expectCounts(1, 1, 0, 0, 0, 0);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("F4: Disable Alarm")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("fail")) << tmux->capture();
    // ESC with work left asks; No goes back to the list.
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("There are Drives in FAIL state and/or Drives missing a Hot Fix Drive.")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Physical Disk KZM     VIRTUAL DISK")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" at channel SCSI-A, ID 1,")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("which belongs to Logical Drive 1")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("at channel SCSI-A, ID 1 will be replaced.")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Press any key after hot plug.")) << tmux->capture();
    // The user swaps the disk, then presses a key.
    ASSERT_TRUE(sim->control("pull 0 0 1"));
    ASSERT_TRUE(sim->control("insert 0 0 1"));
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("You plugged in the disk KZM     VIRTUAL DISK , ID 1 at channel SCSI-A.")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Do you want to add this disk to the Array? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    // Nothing left to repair: the assistant ends and the alarm is off.
    ASSERT_TRUE(waitGone("You plugged in the disk")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
    EXPECT_EQ(countKey("0x10000004"), 1);
    expectHotPlugsEnded();
    EXPECT_GE(countKey("0x00020026"), 1) << "the disk change bracket opened";
    EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027"));
    model = std::make_unique<ModelAccess>(*sim);
    ASSERT_NE(model->controller(), nullptr);
    int alarm = 1;
    ASSERT_EQ(model->controller()->GetAlarm(&alarm), 1);
    EXPECT_EQ(alarm, 0);
    // The new disk rebuilds the array to ready.
    EXPECT_TRUE(model->ToReady(number));
}

// Hot replaces of the failed RAID-5 component that do not happen: each ends
// the hot plug, and the array is still there to repair.
TEST_F(repairAssistantTest, HotReplaceWaysOutEndTheHotPlug)
{
    struct Case {
        const char* name;
        const char* before;   // emulator control before the repair is chosen ("" none)
        const char* swap;     // emulator control while "Press any key" waits ("" none)
        const char* shown;    // what follows the key
        const char* answer;   // to it
    } cases[] = {
        {"refused by the controller", "status 0 0x10000003 0x0008", "", "Error: Could not initiate Hot Plug.", "x"},
        {"no disk plugged in", "", "", "Disk not found !", "x"},
        {"too small", "", "pull 0 0 1\ninsert 0 0 1 1000", "Sorry: The capacity of the", "x"},
        {"declined", "", "pull 0 0 1\ninsert 0 0 1", "Do you want to add this disk to the Array? (Y/N)", "n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        startWith(Disks(3));
        const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
        ASSERT_TRUE(model->ToReady(number));
        ASSERT_TRUE(sim->control("fail 0 0 1"));
        if (*k.before) {
            ASSERT_TRUE(sim->control(k.before));
        }
        toSummary();
        tmux->sendKeys("x");
        ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("which belongs to Logical Drive 1")) << tmux->capture();
        tmux->sendKeys("y");
        if (std::string(k.shown).find("initiate") == std::string::npos) {
            ASSERT_TRUE(tmux->waitFor("Press any key after hot plug.")) << tmux->capture();
            if (*k.swap) {
                ASSERT_TRUE(sim->control(k.swap));
            }
            tmux->sendKeys("x");
        }
        ASSERT_TRUE(tmux->waitFor(k.shown)) << tmux->capture();
        tmux->sendKeys(k.answer);
        ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        expectHotPlugsEnded();
        EXPECT_EQ(countKey("0x10000004"), 0);
        cancelRepair();
        model.reset();
    }
}

TEST_F(repairAssistantTest, F4SilencesTheAlarm)
{
    startWith(Disks(3));
    const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(number));
    ASSERT_TRUE(sim->control("fail 0 0 2\nalarm 0 1"));
    toSummary();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("F4: Disable Alarm")) << tmux->capture();
    tmux->sendKeys("F4");
    ASSERT_TRUE(waitGone("F4: Disable Alarm")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    // Leaving with the failed array left asks; Yes leaves.
    cancelRepair();
    EXPECT_EQ(countKey("0x00000020"), 0);
}

TEST_F(repairAssistantTest, MissingHotFixDriveWaitsForTheFailedArray)
{
    startWith(Disks(7));
    const int first = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(first));
    ASSERT_TRUE(model->AddPrivateHotFix(first, 3));
    const int second = model->Make(RAID_TYPE_5, {4, 5, 6});
    ASSERT_TRUE(model->ToReady(second));
    // The hot fix drive's disk is gone, and the second array failed.
    ASSERT_TRUE(sim->control("pull 0 0 3"));
    ASSERT_TRUE(sim->control("fail 0 0 6"));
    toSummary();
    expectCounts(2, 1, 0, 0, 0, 1);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("missing HotFix")) << tmux->capture();
    // The FAIL line comes first; the missing hot fix line waits for it.
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("Before you can repair missing Hot Fix Drives")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    cancelRepair();
}

TEST_F(repairAssistantTest, MissingHotFixDriveIsAskedFor)
{
    startWith(Disks(4));
    const int first = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(first));
    ASSERT_TRUE(model->AddPrivateHotFix(first, 3));
    ASSERT_TRUE(sim->control("pull 0 0 3"));
    toSummary();
    expectCounts(1, 0, 0, 0, 0, 1);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("missing HotFix")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("is missing Hot Fix Drive 3.")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Do you want to add a new Hot Fix Drive? (Y/N)")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_GE(countKey("0x00020026"), 1) << "the repair ran in the disk change bracket";
    EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027"));
    cancelRepair();
}

TEST_F(repairAssistantTest, PulledDiskOfAFailedComponentIsNamedByItsDrive)
{
    startWith(Disks(3));
    const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(number));
    // The failed disk is no longer seen: its descriptor's channel is 255.
    ASSERT_TRUE(sim->control("pull 0 0 1"));
    toSummary();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("The Physical Disk which belongs to Logical Drive 1 failed.")) << tmux->capture();
    // Where the new disk goes is asked, since nobody knows the old place.
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Channel: SCSI-A  ID: 1 ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x00000020"), 0);
    EXPECT_GE(countKey("0x10000032"), 1) << "the array's component disks were asked";
    cancelRepair();
}

TEST_F(repairAssistantTest, Raid1Repairs)
{
    // A RAID-1 drive whose lost component nobody can name, and one whose
    // component failed out at a known place.
    struct Case {
        const char* name;
        const char* mirror;
        const char* control;
        const char* shown;
    } cases[] = {
        {"missing component", R"({"drives": [0, 1], "missing": 1})", "", "Missing Drive could not be identified."},
        {"failed component", R"({"drives": [0, 1]})", "fail 0 0 1", "which belongs to Logical Drive 1"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        startWith(DisksWith(2, "mirrors", std::string("[") + k.mirror + "]"));
        if (*k.control) {
            ASSERT_TRUE(sim->control(k.control));
        }
        toSummary();
        expectCounts(1, 1, 0, 0, 0, 0);
        tmux->sendKeys("x");
        ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("RAID-1")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(k.shown)) << tmux->capture();
        if (std::string(k.name) == "failed component") {
            EXPECT_TRUE(tmux->waitFor("Physical Disk KZM     VIRTUAL DISK")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor(" at channel SCSI-A, ID 1,")) << tmux->capture();
        }
        tmux->sendKeys("n");
        ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
        EXPECT_EQ(countKey("0x00000020"), 0);
        cancelRepair();
        model.reset();
    }
}

}  // namespace
}  // namespace tui::testing
