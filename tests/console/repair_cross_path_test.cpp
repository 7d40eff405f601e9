// The paths where the repair assistant, the hot plug procedure, the drive
// choice and the array and RAID-1 screens call into one another, and the
// build progress shown by the quit walk, run end to end: mirvane in tmux
// against the emulator, disks plugged in through the emulator's control file
// while the console waits, the result read back through the object model
// and the emulator's log.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "log_drive.h"
#include "mirvane_session.h"
#include "repair_assistant.h"
#include "repair_model.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

const char* const removeMissing = "0x00000009";
const char* const removeDrive = "0x0000000F";
const char* const diskChangeOpen = "0x00020026";
const char* const diskChangeClose = "0x00020027";

class repairCrossPathTest : public repairSession {
protected:
    repairCrossPathTest() { paneRows = 40; }
    // The console at the menu of the first array of " Select Array Drive ".
    void toArrayMenu()
    {
        model.reset();
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Array Drive ")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << tmux->capture();
    }
    // Every hot plug begun was ended; the driver and the controller hold nothing.
    void expectAllEnded()
    {
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        ASSERT_NO_FATAL_FAILURE(expectHotPlugsEnded());
        EXPECT_EQ(keysInOrder({hotPlugBegin, hotPlugEnd}).front(), hotPlugBegin);
    }
    // The drive choice's hot plug line chosen, at M3039 (" Select Drive to be added " up).
    void toHotPlugQuestion()
    {
        ASSERT_TRUE(tmux->waitFor(" Select Drive to be added ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Plug in new disk (Hot Plug)")) << tmux->capture();
        tmux->sendKeys("End Enter");
        ASSERT_TRUE(tmux->waitFor("Do you really want to do a Hot Plug? (Y/N)")) << tmux->capture();
    }
    // At " Select Target ID ", waits for channel SCSI-A's `id` to be offered and takes it.
    void takeTarget(int id)
    {
        ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Channel: SCSI-A  ID: " + std::to_string(id) + " ")) << tmux->capture();
        tmux->sendKeys("Enter");
    }
    // The IOCTL keys `steps` stand in the log in this order, one right after the other.
    bool loggedInOrder(const std::vector<std::string>& steps) const
    {
        std::vector<std::string> wanted;
        for (const std::string& step : steps)
            if (std::find(wanted.begin(), wanted.end(), step) == wanted.end())
                wanted.push_back(step);
        const std::vector<std::string> keys = keysInOrder(wanted);
        return std::search(keys.begin(), keys.end(), steps.begin(), steps.end()) != keys.end();
    }
    // The controller read again through the model.
    CController& reread()
    {
        model = std::make_unique<ModelAccess>(*sim);
        EXPECT_NE(model->controller(), nullptr);
        return *model->controller();
    }
    // Waits for the text without failing; true when it came.
    bool cameUp(const std::string& text, int rounds = 100)
    {
        return tmux->waitFor(text, rounds * 50);
    }
};

// The logical drive of that name, or null.
const CLogDrive* DriveNamed(const CController& c, const std::string& name)
{
    for (int i = 0; i < c.logDrives.count; ++i)
        if (std::string(c.logDrives[i].GetName()).substr(0, name.size()) == name)
            return &c.logDrives[i];
    return nullptr;
}

// RAID-1 repair: the failed component's disk is pulled and a new one
// plugged in at its place while the plug-in question waits; a too small
// disk is made a drive, refused and deleted again, and M3112 offers the
// retry. A two-way RAID-1 drive is gone once its missing component is
// removed and is made again with the new drive; a three-way one keeps its
// other components and takes the new drive as one more.
TEST_F(repairCrossPathTest, Raid1RepairPlugsANewComponentWithRetries)
{
    enum Outcome { fits, tooSmall, none };
    struct Plug {
        const char* control;  // while M2010 waits
        Outcome outcome;
        const char* retry;    // the answer to M3112 after a failure
    };
    struct Case {
        const char* name;
        std::vector<Plug> plugs;
        bool repaired;
        const char* mirror = R"([{"drives": [0, 1]}])";
        int components = 2;  // of the repaired RAID-1 drive
    } cases[] = {
        {"first disk fits", {{"pull 0 0 1\ninsert 0 0 1", fits, ""}}, true},
        {"too small, then one that fits",
         {{"pull 0 0 1\ninsert 0 0 1 1000000", tooSmall, "y"}, {"pull 0 0 1\ninsert 0 0 1", fits, ""}}, true},
        {"no disk, then one that fits", {{"pull 0 0 1", none, "y"}, {"insert 0 0 1", fits, ""}}, true},
        {"too small, retry declined", {{"pull 0 0 1\ninsert 0 0 1 1000000", tooSmall, "n"}}, false},
        {"three-way RAID-1 drive", {{"pull 0 0 1\ninsert 0 0 1", fits, ""}}, true, R"([{"drives": [0, 1, 2]}])", 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        startWith(DisksWith(3, "mirrors", k.mirror));
        ASSERT_TRUE(sim->control("fail 0 0 1"));
        toRepairList();
        EXPECT_TRUE(tmux->waitFor("RAID-1")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("which belongs to Logical Drive 1")) << tmux->capture();
        tmux->sendKeys("y");
        int small = 0;
        for (const Plug& p : k.plugs) {
            ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SCSI-A, ID 1.")) << tmux->capture();
            ASSERT_TRUE(sim->control(p.control));
            tmux->sendKeys("y");
            if (p.outcome == none) {
                ASSERT_TRUE(tmux->waitFor("Disk not found !")) << tmux->capture();
                tmux->sendKeys("x");
            } else {
                ASSERT_TRUE(tmux->waitFor("You plugged in the disk KZM     VIRTUAL DISK , ID 1 at channel SCSI-A."))
                    << tmux->capture();
                tmux->sendKeys("y");
            }
            if (p.outcome == tooSmall) {
                ++small;
                ASSERT_TRUE(tmux->waitFor("Sorry: The capacity of the")) << tmux->capture();
                tmux->sendKeys("x");
            }
            if (p.outcome != fits) {
                ASSERT_TRUE(tmux->waitFor("Hot plug failed.  Do you want to retry the hot plug? (Y/N)"))
                    << tmux->capture();
                tmux->sendKeys(p.retry);
                ASSERT_TRUE(waitGone("Do you want to retry the hot plug?")) << tmux->capture();
            }
            if (std::string(p.retry) == "n") {
                // The missing component went first: the user is told what is left.
                ASSERT_TRUE(tmux->waitFor("Logical Drive 0 is no longer a RAID-1 Drive and has no redundancy."))
                    << tmux->capture();
                ASSERT_NO_FATAL_FAILURE(dismiss("The missing Drive has been removed, but no new Disk was added."));
            }
        }
        // The step ends with the disk change bracket closed and nothing held.
        ASSERT_TRUE(waitGone("You plugged in the disk")) << tmux->capture();
        expectAllEnded();
        EXPECT_EQ(countKey(diskChangeOpen), countKey(diskChangeClose));
        EXPECT_FALSE(shows("Error")) << tmux->capture();
        // The missing component went first, without asking, under the whole configuration's lock.
        EXPECT_FALSE(shows("The missing Drives must be removed first.")) << tmux->capture();
        EXPECT_EQ(countKey(removeMissing), 1);
        EXPECT_TRUE(loggedInOrder({"0x00000072", removeMissing, "0x00000073"}));
        EXPECT_EQ(countKey(removeDrive), small) << "each too small drive is deleted again";
        // Nothing is left to repair either way: the assistant is done.
        EXPECT_FALSE(shows(" Select Drive to repair ")) << tmux->capture();
        CController& c = reread();
        const CLogDrive* added = DriveNamed(c, "PD_A001");
        if (k.repaired) {
            ASSERT_NE(added, nullptr) << "the new drive is named after its place";
            ASSERT_EQ(c.mirrorDrives.count, 1);
            const CMirrorDrive& m = c.mirrorDrives[0];
            EXPECT_EQ(m.missingCount, 0);
            EXPECT_EQ(m.components.count, k.components);
            EXPECT_EQ(added->mirrorIndex, 0) << "the new drive is the RAID-1 drive's component";
            EXPECT_EQ(c.logDrives[m.components[0]].driveNumber, 0) << "the master stays the master";
        } else {
            EXPECT_EQ(added, nullptr) << "the too small drive is gone";
        }
        model.reset();
    }
}

// A three-way RAID-1 drive whose failed disk was pulled: M3034 names the
// logical drive, a place is chosen, the controller refuses the hot plug and
// the retry is declined. The missing component is gone by then: the user is
// told the RAID-1 drive goes on with its two other components, and the
// lists, read again, hold nothing more to repair.
TEST_F(repairCrossPathTest, RefusedHotPlugForAPulledDiskSaysWhatIsLeft)
{
    startWith(DisksWith(3, "mirrors", R"([{"drives": [0, 1, 2]}])"));
    ASSERT_TRUE(sim->control("fail 0 0 1\npull 0 0 1\nstatus 0 0x10000002 0x0008"));
    toRepairList();
    ASSERT_TRUE(tmux->waitFor("RAID-1")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("The Physical Disk which belongs to Logical Drive 1 failed.")) << tmux->capture();
    tmux->sendKeys("y");
    takeTarget(1);
    ASSERT_TRUE(tmux->waitFor("Error: Could not initiate Hot Plug. Please try again.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("Hot plug failed.  Do you want to retry the hot plug? (Y/N)")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor("The missing Drive has been removed, but no new Disk was added.")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("RAID-1 Drive 0 goes on with 2 Drives.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone(" Select Drive to repair ")) << tmux->capture();
    expectAllEnded();
    EXPECT_EQ(ioctlCount(removeMissing), 1);
    CController& c = reread();
    ASSERT_EQ(c.mirrorDrives.count, 1);
    EXPECT_EQ(c.mirrorDrives[0].missingCount, 0);
    EXPECT_EQ(c.mirrorDrives[0].components.count, 2);
}

// A missing private hot fix drive: Yes to M3104 adds a new one through the
// drive choice's hot plug line, and the old one leaves the array.
TEST_F(repairCrossPathTest, MissingHotFixIsReplacedThroughTheHotPlugLine)
{
    startWith(Disks(4));
    const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(number));
    ASSERT_TRUE(model->AddPrivateHotFix(number, 3));
    ASSERT_TRUE(sim->control("hostdrive 0 " + std::to_string(number) + " 0 2048"));
    ASSERT_TRUE(sim->control("pull 0 0 3"));
    toRepairList();
    ASSERT_TRUE(tmux->waitFor("missing HotFix")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to add a new Hot Fix Drive? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    toHotPlugQuestion();
    tmux->sendKeys("y");
    takeTarget(3);  // the first free ID: the old hot fix drive's
    ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SCSI-A, ID 3.")) << tmux->capture();
    ASSERT_TRUE(sim->control("insert 0 0 3"));
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("Do you want to use this disk? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitGone("Do you want to use this disk?")) << tmux->capture();
    expectAllEnded();
    // A private hot fix drive, since the repair asks for one: no type question.
    EXPECT_FALSE(shows(" Choose Type ")) << tmux->capture();
    EXPECT_FALSE(shows("Error")) << tmux->capture();
    // Nothing is left to repair: the assistant is done.
    EXPECT_FALSE(shows(" Select Drive to repair ")) << tmux->capture();
    // The new hot fix drive is added, then the old one removed, each under
    // the lock of the array's host drive.
    EXPECT_TRUE(loggedInOrder({"0x00000072", "0x10000015", "0x00000073", "0x00000072", "0x10000016", "0x00000073"}));
    CController& c = reread();
    const CLogDrive* added = DriveNamed(c, "PD_A003");
    ASSERT_NE(added, nullptr) << "the new drive is named after its place";
    EXPECT_TRUE(added->isPrivateHotFix);
    const int a = c.FindArrayDrive(number);
    ASSERT_GE(a, 0);
    EXPECT_EQ(added->arrayIndex, a);
    // The old hot fix drive left the array: nothing to repair remains.
    const int old = c.FindLogicalDrive(3);
    if (old >= 0) {
        EXPECT_FALSE(c.logDrives[old].isPrivateHotFix);
        EXPECT_NE(c.logDrives[old].arrayIndex, a);
    }
    ClearRepairLists();
    ASSERT_TRUE(ScanRepairLists(c));
    EXPECT_EQ(RepairHotFixCount(), 0);
    EXPECT_EQ(RepairFailCount(), 0);
    ClearRepairLists();
}

// Ctrl-P, 278 (shift F2) and 280 (shift F4) on the line of an array in the ERROR (invalid) state
// offer the state patch; Yes patches it, the lists are scanned again and
// the array, now idle, leaves the list.
TEST_F(repairCrossPathTest, PatchKeysOnAnErrorLinePatchAndRescan)
{
    struct Case {
        const char* key;
        bool yes;
    } cases[] = {{"C-p", true}, {"S-F2", true}, {"S-F4", true}, {"C-p", false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.key) + (k.yes ? " yes" : " no"));
        startWith(Disks(3));
        const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
        ASSERT_TRUE(model->ToReady(number));
        ASSERT_TRUE(sim->control("fail 0 0 1\nfail 0 0 2"));
        ASSERT_TRUE(sim->control("restore 0 0 1\nrestore 0 0 2"));
        toRepairList();
        tmux->sendKeys(k.key);
        ASSERT_TRUE(tmux->waitFor("It is possible to patch the Array state to IDLE/BUILD !")) << tmux->capture();
        tmux->sendKeys(k.yes ? "y" : "n");
        if (k.yes) {
            // Nothing left in any list: the repair list is gone without a question.
            ASSERT_TRUE(waitGone(" Select Drive to repair ")) << tmux->capture();
            EXPECT_FALSE(shows("Do you really want to cancel repairing?")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            EXPECT_EQ(countKey("0x10000028"), 1);
        } else {
            ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
            EXPECT_EQ(countKey("0x10000028"), 0);
            tmux->sendKeys("Escape");
            ASSERT_TRUE(waitGone(" Select Drive to repair ")) << tmux->capture();
        }
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        CController& c = reread();
        const int a = c.FindArrayDrive(number);
        ASSERT_GE(a, 0);
        EXPECT_EQ(c.arrayDrives[a].State(), k.yes ? ARSTATE_IDLE : ARSTATE_INVALID);
        model.reset();
    }
}

// The drive choice's hot plug line from "Add Hot Fix Drive": M3039, a new
// logical drive "PD_" + channel letter + three-digit ID, then the hot fix;
// declined at M3039 nothing begins, declined at the plug-in question the hot
// plug ends and no drive is made.
TEST_F(repairCrossPathTest, AddHotFixDriveThroughTheHotPlugLine)
{
    enum Stop { plugged, atHotPlugQuestion, atPlugInQuestion };
    for (const Stop stop : {plugged, atHotPlugQuestion, atPlugInQuestion}) {
        SCOPED_TRACE(stop);
        startWith(Disks(3));
        const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
        ASSERT_TRUE(model->ToReady(number));
        toArrayMenu();
        tmux->sendKeys("d");
        toHotPlugQuestion();
        if (stop == atHotPlugQuestion) {
            tmux->sendKeys("n");
            ASSERT_TRUE(waitGone("Do you really want to do a Hot Plug?")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << tmux->capture();
            EXPECT_FALSE(shows(" Select Target ID ")) << tmux->capture();
            EXPECT_EQ(countKey(hotPlugBegin), 0);
            EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
            model.reset();
            continue;
        }
        tmux->sendKeys("y");
        takeTarget(3);
        ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SCSI-A, ID 3.")) << tmux->capture();
        if (stop == atPlugInQuestion) {
            tmux->sendKeys("n");
            ASSERT_TRUE(waitGone("Plug in the new disk")) << tmux->capture();
        } else {
            ASSERT_TRUE(sim->control("insert 0 0 3"));
            tmux->sendKeys("y");
            ASSERT_TRUE(tmux->waitFor("You plugged in the disk KZM     VIRTUAL DISK , ID 3 at channel SCSI-A."))
                << tmux->capture();
            tmux->sendKeys("y");
            ASSERT_TRUE(tmux->waitFor(" Choose Type ")) << tmux->capture();
            tmux->sendKeys("Enter");  // private
            ASSERT_TRUE(waitGone(" Choose Type ")) << tmux->capture();
        }
        expectAllEnded();
        EXPECT_EQ(countKey(diskChangeOpen), countKey(diskChangeClose));
        EXPECT_FALSE(shows("Error")) << tmux->capture();
        CController& c = reread();
        const CLogDrive* added = DriveNamed(c, "PD_A003");
        if (stop == plugged) {
            ASSERT_NE(added, nullptr) << "named after the place of the disk";
            EXPECT_TRUE(added->isPrivateHotFix);
            EXPECT_EQ(added->arrayIndex, c.FindArrayDrive(number));
        } else {
            EXPECT_EQ(added, nullptr);
            EXPECT_EQ(countKey("0x00000024"), 0);
        }
        model.reset();
    }
}

// "Replace Array Component" on a failed member through the drive choice's
// hot plug line: the hot replace does the work and answers -2, so the
// component replacement itself is not sent; the array rebuilds.
TEST_F(repairCrossPathTest, ReplaceComponentByHotPlugIsAHotReplace)
{
    startWith(Disks(3));
    const int number = model->Make(RAID_TYPE_5, {0, 1, 2});
    ASSERT_TRUE(model->ToReady(number));
    ASSERT_TRUE(sim->control("fail 0 0 1\nalarm 0 1"));
    toArrayMenu();
    tmux->sendKeys("e");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to be replaced ")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    toHotPlugQuestion();
    tmux->sendKeys("y");
    // The target list starts at the failed disk's place.
    takeTarget(1);
    ASSERT_TRUE(tmux->waitFor("Press any key after hot plug.")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("at channel SCSI-A, ID 1 will be replaced.")) << tmux->capture();
    ASSERT_TRUE(sim->control("pull 0 0 1\ninsert 0 0 1"));
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("Do you want to add this disk to the Array? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitGone("Do you want to add this disk")) << tmux->capture();
    ASSERT_TRUE(waitGone(" Select Drive to be replaced ")) << tmux->capture();
    expectAllEnded();
    EXPECT_FALSE(shows("Error")) << tmux->capture();
    EXPECT_EQ(countKey("0x10000004"), 1) << "the hot replace";
    EXPECT_EQ(countKey("0x10000018"), 0) << "no component replacement after the hot replace";
    EXPECT_EQ(countKey(diskChangeOpen), countKey(diskChangeClose));
    CController& c = reread();
    int alarm = 1;
    ASSERT_EQ(c.GetAlarm(&alarm), 1);
    EXPECT_EQ(alarm, 0) << "a successful replacement silences the alarm";
    EXPECT_TRUE(model->ToReady(number));
}

// A failed component whose disk the array's component disk descriptors do
// not name (a component drive the controller lost, a private hot fix drive):
// the repair does not know where the disk was and asks for the place, never
// naming the disk of another, healthy component.
TEST_F(repairCrossPathTest, FailedComponentWithoutDescriptorIsNotNamedByAnother)
{
    struct Case {
        const char* name;
        const char* array;
        const char* control;
        int drive;
    } cases[] = {
        {"lost component drive", R"({"type": 5, "drives": [0, 1, 2], "state": "fail", "missingSlots": [1]})", "", 1},
        {"private hot fix gone", R"({"type": 5, "drives": [0, 1, 2], "hotFixes": [3], "state": "fail"})",
         "pull 0 0 3", 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        startWith(DisksWith(4, "arrays", std::string("[") + k.array + "]"));
        if (*k.control) {
            ASSERT_TRUE(sim->control(k.control));
        }
        toRepairList();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(cameUp("Do you want to replace it? (Y/N)")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("The Physical Disk which belongs to Logical Drive " + std::to_string(k.drive) + " failed."))
            << tmux->capture();
        EXPECT_FALSE(shows("ID 0 failed.")) << tmux->capture();
        tmux->sendKeys("n");
        ASSERT_TRUE(tmux->waitFor(" Select Drive to repair ")) << tmux->capture();
        cancelRepair();
        EXPECT_EQ(countKey(hotPlugBegin), 0);
        model.reset();
    }
}

// A failed array whose only flagged slot is its private hot fix drive, the
// disk gone: the hot replace takes the hot fix branch, and the new disk
// becomes the array's private hot fix drive, added under the configuration
// access of the array's host drive.
TEST_F(repairCrossPathTest, RepairReplacesAPrivateHotFixByANewDisk)
{
    startWith(DisksWith(4, "arrays", R"([{"type": 5, "drives": [0, 1, 2], "hotFixes": [3], "state": "fail"}])"));
    ASSERT_TRUE(sim->control("hostdrive 0 0 0 2048"));
    ASSERT_TRUE(sim->control("pull 0 0 3"));
    toRepairList();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("The Physical Disk which belongs to Logical Drive 3 failed.")) << tmux->capture();
    tmux->sendKeys("y");
    takeTarget(3);
    ASSERT_TRUE(tmux->waitFor("Press any key after hot plug.")) << tmux->capture();
    ASSERT_TRUE(sim->control("insert 0 0 3"));
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Press any key after hot plug.")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
    EXPECT_FALSE(shows("Error")) << tmux->capture();
    if (cameUp(" Select Drive to repair ", 20))
        cancelRepair();
    expectAllEnded();
    EXPECT_EQ(countKey("0x00000024"), 1) << "the new disk made a logical drive";
    // The hot fix drive is added while the array's host drive is locked.
    EXPECT_TRUE(loggedInOrder({"0x00000072", "0x10000015", "0x00000073"}));
    CController& c = reread();
    const int a = c.FindArrayDrive(0);
    ASSERT_GE(a, 0);
    int present = 0;
    for (int i = 0; i < c.logDrives.count; ++i)
        if (c.logDrives[i].isPrivateHotFix && c.logDrives[i].arrayIndex == a && c.logDrives[i].driveNumber != 3)
            ++present;
    EXPECT_EQ(present, 1) << "the new disk is the array's private hot fix drive";
}

// The quit walk over a building RAID-1 drive, a building RAID 5 and an
// expansion: the progress display comes up; ESC in a RAID-1 display always
// warns (M5022), in an array's display only for a build or rebuild; a build
// left to finish goes on to the quit question without the warning.
TEST_F(repairCrossPathTest, QuitWalkShowsBuildsAndWarnsOnEsc)
{
    enum Setup { raid1, raid5, expansion };
    struct Case {
        const char* name;
        Setup setup;
        const char* title;
        bool esc;
        bool warned;
    } cases[] = {
        {"RAID-1 left with ESC", raid1, " Progress Information: Array Build ", true, true},
        {"RAID-1 build finished", raid1, " Progress Information: Array Build ", false, false},
        {"RAID 5 build left with ESC", raid5, " Progress Information: Non-destructive Array Build ", true, true},
        {"expansion left with ESC", expansion, " Progress Information: Expansion ", true, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        startWith(k.setup == raid1 ? DisksWith(2, "mirrors", R"([{"drives": [0, 1], "building": true}])") : Disks(3));
        if (k.setup == raid5) {
            ASSERT_GE(model->Make(RAID_TYPE_5, {0, 1, 2}), 0);
        } else if (k.setup == expansion) {
            // RAID 0 of drives 0 and 1 grows by drive 2.
            ASSERT_GE(model->Make(RAID_TYPE_0, {0, 1}), 0);
            CController& c = *model->controller();
            CArrayDrive& array = c.arrayDrives[c.FindArrayDrive(0)];
            array.AddPendingComponent(c.FindLogicalDrive(2));
            ProgressRequest r;
            r.operation = PROGRESS_START;
            r.percent = RAID_TYPE_0;
            ASSERT_EQ(array.ExpandConvert(&r), 1);
        }
        model.reset();
        ASSERT_NO_FATAL_FAILURE(toList());
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor(k.title)) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(" Press ESC to quit ")) << tmux->capture();
        if (k.esc)
            tmux->sendKeys("Escape");
        if (k.warned) {
            ASSERT_TRUE(tmux->waitFor("WARNING: At least one array is not redundant yet !")) << tmux->capture();
            tmux->sendKeys("x");
        }
        ASSERT_TRUE(tmux->waitFor("Do you really want to quit ? (Y/N)", 30000)) << tmux->capture();
        EXPECT_FALSE(shows("Progress Information")) << tmux->capture();
        EXPECT_FALSE(shows("not redundant")) << tmux->capture();
        // No: back to the choice of the interface.
        tmux->sendKeys("n");
        ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
        ASSERT_TRUE(waitGone("Do you really want to quit")) << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    }
}

}  // namespace
}  // namespace tui::testing
