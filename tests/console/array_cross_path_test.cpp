// The paths between the console's array screens and the screens they call,
// run end to end in tmux against the emulator: the drive choice of the hot
// fix, RAID-1 component and replace actions with new disks and the hot plug
// line, the conversion to RAID 10, the expansion, verify and progress
// dialogs reached from the " Array Drive " menu, the "belongs to" labels,
// and the host drive screen's carrier window and hot fix items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

const char* const arrayHint = "F4: Drive Information, F5: Identify Drive, F10: Refresh";
const char* const addList = " Select Drive to be added ";
const char* const addQuestion = "Do you want to add the drive to the array ? (Y/N)";
const char* const hotPlugQuestion = "Do you really want to do a Hot Plug? (Y/N)";
const char* const tooSmall = "Sorry: The capacity of the";

constexpr long kDisk = 2097152;

// Disks at targets 0..`drives`-1, each carrying logical drive DISK_n, then
// free disks of twice that size, not initialised, at the targets after them.
std::string Machine(int drives, int freeDisks, const std::string& arrays = "[]", const std::string& mirrors = "[]",
                    const std::string& extra = "", int pool = -1)
{
    std::string devices, logical;
    for (int i = 0; i < drives + freeDisks; ++i) {
        const std::string n = std::to_string(i);
        devices += std::string(i ? ", " : "") + "{\"target\": " + n +
                   (i < drives ? "}" : ", \"capacity\": " + std::to_string(2 * kDisk) + ", \"initialised\": false}");
        if (i < drives)
            logical += std::string(i ? ", " : "") + "{\"number\": " + n + ", \"name\": \"DISK_" + n +
                       "\", \"members\": [[0, " + n + "]]" + (i == pool ? ", \"poolHotFix\": true}" : "}");
    }
    return R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "ownId": 7, "devices": [)" +
           devices + R"(]}], "logicalDrives": [)" + logical + "], \"mirrors\": " + mirrors + ", \"arrays\": " + arrays +
           extra + "}]}";
}

const std::string raid5 = R"([{"type": 5, "drives": [0, 1, 2]}])";
const std::string failedRaid5 = R"([{"type": 5, "drives": [0, 1, 2], "state": "fail", "failedSlots": [1]}])";

class arrayCrossPathTest : public mirvaneSession {
protected:
    // The console at " Select Array Drive ".
    void openArrays(const std::string& scenario, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        tmux->resize(80, 40);
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Array Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
    }
    // The " Array Drive " menu of list line `line`.
    void arrayMenu(int line = 0)
    {
        tmux->sendKeys("Home");
        for (int i = 0; i < line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << tmux->capture();
    }
    // " Select Drive to be added ": the new disk at target `target`, or the hot plug line.
    void chooseNewDisk(int target)
    {
        ASSERT_TRUE(tmux->waitFor(addList)) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Plug in new disk (Hot Plug)")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("SCSI-A " + std::to_string(target))) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_NO_FATAL_FAILURE(dismiss(addQuestion, "y"));
    }
    void chooseHotPlugLine()
    {
        ASSERT_TRUE(tmux->waitFor(addList)) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Plug in new disk (Hot Plug)")) << tmux->capture();
        tmux->sendKeys("End Enter");
        ASSERT_NO_FATAL_FAILURE(dismiss(hotPlugQuestion, "y"));
    }
    // Access and bracket given back; no change sent outside the access. Read
    // once the console is back to waiting for keys.
    void expectClean()
    {
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027")) << "the disk change bracket is closed";
    }
    // The requests the emulator refused (key, target, status), for failure messages.
    std::string refused() const
    {
        std::string out;
        for (const std::string& line : sim->log()) {
            std::vector<std::string> f;
            for (size_t from = 0; from != std::string::npos && f.size() < 10;) {
                const size_t tab = line.find('\t', from);
                f.push_back(line.substr(from, tab == std::string::npos ? tab : tab - from));
                from = tab == std::string::npos ? tab : tab + 1;
            }
            if (f.size() == 10 && f[9] != "0x00000001")
                out += f[5] + " " + f[6] + " " + f[9] + "\n";
        }
        return out;
    }
    // The data bytes (hex) of the last request with the key.
    std::string lastData(const std::string& key) const
    {
        std::string data;
        for (const std::string& line : sim->log())
            if (line.find("\t" + key + "\t") != std::string::npos)
                data = line.substr(line.rfind('\t') + 1 + 524 * 2);
        return data;
    }
    // The hot plug begun was ended.
    void expectHotPlugEnded()
    {
        const std::vector<std::string> keys = keysInOrder({"0x00000020", "0x00000021"});
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.front(), "0x00000020");
        EXPECT_EQ(keys.back(), "0x00000021");
    }
};

// Add Hot Fix Drive with a new disk: it is initialised and made a logical
// drive, then the type decides private or pool; ESC at the type deletes
// the drive made again. An array with old-format members takes a private
// hot fix drive without being asked.
TEST_F(arrayCrossPathTest, HotFixDriveFromANewDisk)
{
    const struct {
        const char* name;
        bool oldFormat;        // the first member has the old disk format
        const char* typeKeys;  // null: no type is asked
        int privateAdds;       // 0x10000015
        int poolAdds;          // 0x60
        int deleted;           // 0x0F
    } cases[] = {
        {"private", false, "Enter", 1, 0, 0},
        {"pool", false, "Down Enter", 0, 1, 0},
        {"given up at the type", false, "Escape", 0, 0, 1},
        {"old-format members", true, nullptr, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = {"hostdrive 0 0 0 4000000"};
        std::string scenario = Machine(3, 1, raid5);
        if (c.oldFormat) {
            const std::string first = "{\"target\": 0}";
            scenario.replace(scenario.find(first), first.size(), "{\"target\": 0, \"diskFormat\": 1}");
        }
        ASSERT_NO_FATAL_FAILURE(openArrays(scenario));
        ASSERT_NO_FATAL_FAILURE(arrayMenu());
        tmux->sendKeys("d");
        ASSERT_NO_FATAL_FAILURE(chooseNewDisk(3));
        if (c.typeKeys) {
            ASSERT_TRUE(tmux->waitFor(" Choose Type ")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("Private Hot Fix")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("Pool Hot Fix")) << tmux->capture();
            tmux->sendKeys(c.typeKeys);
            ASSERT_TRUE(waitGone(" Choose Type ")) << tmux->capture();
        }
        if (c.deleted) {
            // Given up: the menu stays.
            ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << tmux->capture();
            tmux->sendKeys("Escape");
        }
        ASSERT_TRUE(waitGone("Build/Rebuild Progress")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(countKey("0x20000002"), 1) << "the new disk was initialised";
        EXPECT_EQ(countKey("0x0000000E"), 1) << "and made a logical drive";
        EXPECT_EQ(countKey("0x10000015"), c.privateAdds);
        EXPECT_EQ(countKey("0x00000060"), c.poolAdds);
        EXPECT_EQ(countKey("0x0000000F"), c.deleted);
        // The new disk is initialised in the members' format (device information byte 103: 1 old, 2 new).
        const std::string init = lastData("0x20000002");
        EXPECT_EQ(init.size() >= 208 ? init.substr(206, 2) : init, c.oldFormat ? "01" : "02");
        ASSERT_NO_FATAL_FAILURE(expectClean());
        // The array's components read back from the controller.
        tmux->sendKeys("Home F4");
        ASSERT_TRUE(tmux->waitFor(" RAID 1/Logical Drive(s) ")) << tmux->capture();
        EXPECT_EQ(shows("Priv. Hot Fix"), c.privateAdds == 1) << tmux->capture();
        TearDown();
        controls.clear();
    }
}

// Configuration access held by someone else: the addition stops before the
// new disk is touched, and the disk change bracket is closed.
TEST_F(arrayCrossPathTest, RefusedAccessStopsTheAddition)
{
    const struct {
        const char* name;
        std::string scenario;
        const char* key;
        int newTarget;
    } cases[] = {
        {"array hot fix drive", Machine(3, 1, raid5), "d", 3},
        {"RAID-1 component", Machine(2, 1, "[]", R"([{"drives": [0, 1]}])"), "a", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = {"hostdrive 0 0 0 2000000", "hold 0 0"};
        ASSERT_NO_FATAL_FAILURE(openArrays(c.scenario));
        ASSERT_NO_FATAL_FAILURE(arrayMenu());
        tmux->sendKeys(c.key);
        ASSERT_NO_FATAL_FAILURE(chooseNewDisk(c.newTarget));
        ASSERT_NO_FATAL_FAILURE(dismiss("Could not enter Maintenance Mode."));
        ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << "the menu stays\n" << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_FALSE(shows(" Choose Type ")) << tmux->capture();
        EXPECT_EQ(countKey("0x20000002"), 0) << "the disk was not initialised";
        EXPECT_EQ(countKey("0x0000000E"), 0);
        EXPECT_EQ(countKey("0x00000010") + countKey("0x10000015") + countKey("0x00000060"), 0);
        EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027")) << "the disk change bracket is closed";
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", "0 hold 0\n"), "0 hold 0\n");
        TearDown();
        controls.clear();
    }
}

// A disk plugged in through the hot plug line that is smaller than the
// drive needs, for a hot fix drive and for a RAID-1 component: M5025, and
// the logical drive made of it is deleted again.
TEST_F(arrayCrossPathTest, TooSmallHotPluggedDiskIsDeletedAgain)
{
    const struct {
        const char* name;
        std::string scenario;
        const char* key;
        int id;  // the first free ID below the free disk's
    } cases[] = {
        {"array hot fix drive", Machine(3, 1, raid5), "d", 4},
        {"RAID-1 component", Machine(2, 1, "[]", R"([{"drives": [0, 1]}])"), "a", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string id = std::to_string(c.id);
        ASSERT_NO_FATAL_FAILURE(openArrays(c.scenario));
        ASSERT_NO_FATAL_FAILURE(arrayMenu());
        tmux->sendKeys(c.key);
        ASSERT_NO_FATAL_FAILURE(chooseHotPlugLine());
        ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Channel: SCSI-A  ID: " + id + " ")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SCSI-A, ID " + id + ".")) << tmux->capture();
        ASSERT_TRUE(sim->control("insert 0 0 " + id + " 1000000"));
        tmux->sendKeys("y");
        ASSERT_NO_FATAL_FAILURE(dismiss("Do you want to use this disk? (Y/N)", "y"));
        ASSERT_NO_FATAL_FAILURE(dismiss(tooSmall));
        ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << "the menu stays\n" << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        EXPECT_EQ(countKey("0x00000024"), 1) << "the new drive was made";
        EXPECT_EQ(countKey("0x0000000F"), 1) << "and deleted again";
        EXPECT_EQ(countKey("0x10000015") + countKey("0x00000060") + countKey("0x00000010"), 0);
        ASSERT_NO_FATAL_FAILURE(expectHotPlugEnded());
        ASSERT_NO_FATAL_FAILURE(expectClean());
        TearDown();
    }
}

// A RAID-1 component from a new disk: on a stand-alone RAID-1 drive from
// the " Array Drive " menu (the drive grows) and on a plain drive from the
// " Log. Drive " menu (it becomes the master of a new RAID-1 drive).
TEST_F(arrayCrossPathTest, Raid1ComponentFromANewDisk)
{
    const struct {
        const char* name;
        std::string scenario;
        bool fromLogicalDrives;
        int newTarget;
    } cases[] = {
        {"plain logical drive", Machine(1, 1), true, 1},
        {"stand-alone RAID-1 drive", Machine(2, 1, "[]", R"([{"drives": [0, 1]}])"), false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.fromLogicalDrives) {
            ASSERT_NO_FATAL_FAILURE(start("", c.scenario));
            tmux->resize(80, 40);
            ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            tmux->sendKeys("Down Down Enter");
            ASSERT_TRUE(tmux->waitFor(" Select Logical Drive ")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor("F3: Load All")) << tmux->capture();
            tmux->sendKeys("Enter");
            ASSERT_TRUE(tmux->waitFor(" Log. Drive ")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor("Add RAID 1 Component")) << tmux->capture();
        } else {
            ASSERT_NO_FATAL_FAILURE(openArrays(c.scenario));
            ASSERT_NO_FATAL_FAILURE(arrayMenu());
        }
        tmux->sendKeys("a");
        ASSERT_NO_FATAL_FAILURE(chooseNewDisk(c.newTarget));
        ASSERT_TRUE(waitGone(addList)) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        EXPECT_EQ(countKey("0x00000010"), 1) << "a mirror component attached";
        ASSERT_NO_FATAL_FAILURE(expectClean());
        if (c.fromLogicalDrives) {
            // The menu has closed; the drive shows as a RAID-1 drive in the
            // array drive list.
            ASSERT_TRUE(tmux->waitFor("F3: Load All")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("RAID-1")) << tmux->capture();
            tmux->sendKeys("Escape");
            ASSERT_TRUE(waitGone(" Select Logical Drive ")) << tmux->capture();
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            tmux->sendKeys("Down Enter");
            ASSERT_TRUE(tmux->waitFor(" Select Array Drive ")) << tmux->capture();
        }
        ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("   0   DISK_0   ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("RAID-1")) << tmux->capture();
        // Its components read back: the new drive is one of them.
        tmux->sendKeys("Home F4");
        ASSERT_TRUE(tmux->waitFor(" Logical Drives ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("   " + std::to_string(c.newTarget) + "   ")) << tmux->capture();
        TearDown();
    }
}

// RAID 0 over two plain drives: a RAID-1 component for each; once every
// component is a RAID-1 drive M3030 offers RAID 10, and yes converts.
TEST_F(arrayCrossPathTest, Raid1ComponentsTurnRaid0IntoRaid10)
{
    ASSERT_NO_FATAL_FAILURE(openArrays(Machine(2, 2, R"([{"type": 0, "drives": [0, 1]}])")));
    for (int slot = 0; slot < 2; ++slot) {
        SCOPED_TRACE(slot);
        ASSERT_NO_FATAL_FAILURE(arrayMenu());
        tmux->sendKeys("a");
        ASSERT_TRUE(tmux->waitFor(" Select RAID 1 Master ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("DISK_1")) << tmux->capture();
        if (slot)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_NO_FATAL_FAILURE(chooseNewDisk(2 + slot));
        if (slot == 0) {
            // One component is still plain: no conversion is offered, the menu stays.
            ASSERT_TRUE(waitGone(addList)) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << tmux->capture();
            EXPECT_FALSE(shows("RAID 0 to RAID 10")) << tmux->capture();
            tmux->sendKeys("Escape");
            ASSERT_TRUE(waitGone("Build/Rebuild Progress")) << tmux->capture();
        }
    }
    ASSERT_NO_FATAL_FAILURE(dismiss("It is possible to change the type of the array from RAID 0 to RAID 10 !", "y"))
        << refused();
    ASSERT_TRUE(waitGone("Build/Rebuild Progress")) << "done: the menu closes\n" << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x00000010"), 2);
    EXPECT_EQ(countKey("0x10000030"), 1) << "converted to RAID 10";
    ASSERT_NO_FATAL_FAILURE(expectClean());
    tmux->sendKeys("F10");
    ASSERT_TRUE(tmux->waitFor("RAID-10")) << tmux->capture();
}

// Replace Array Component of a failed RAID 5: a new disk through the
// drive choice replaces the failed drive and the sounding alarm goes off;
// through the hot plug line the hot replace does the work and only the
// disk change bracket is closed after it.
TEST_F(arrayCrossPathTest, ReplaceAFailedComponent)
{
    const struct {
        const char* name;
        std::string arrays;
        const char* line;    // of the replaced component in the list
        bool hotPlug;
        const char* answer;  // to the hot replace's question
        int replaced;        // 0x10000018
        int hotReplaced;     // 0x10000004
    } cases[] = {
        {"new disk", failedRaid5, "   1   DISK_1   fail/first ", false, nullptr, 1, 0},
        {"new disk for a missing component",
         R"([{"type": 5, "drives": [0, 1, 2], "state": "fail", "failedSlots": [1], "missingSlots": [1]}])",
         "   1            fail/first ", false, nullptr, 1, 0},
        {"hot plug line", failedRaid5, "   1   DISK_1   fail/first ", true, "y", 0, 1},
        {"hot plug line, declined", failedRaid5, "   1   DISK_1   fail/first ", true, "n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = {"alarm 0 1", "hostdrive 0 0 0 4000000"};
        ASSERT_NO_FATAL_FAILURE(openArrays(Machine(3, 1, c.arrays)));
        ASSERT_NO_FATAL_FAILURE(arrayMenu());
        tmux->sendKeys("e");
        ASSERT_TRUE(tmux->waitFor(" Select Drive to be replaced ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(c.line)) << tmux->capture();
        tmux->sendKeys("Down Enter");
        if (!c.hotPlug) {
            ASSERT_NO_FATAL_FAILURE(chooseNewDisk(3));
        } else {
            ASSERT_NO_FATAL_FAILURE(chooseHotPlugLine());
            // The target starts at the failed drive's disk.
            ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor("Channel: SCSI-A  ID: 1 ")) << tmux->capture();
            tmux->sendKeys("Enter");
            ASSERT_TRUE(tmux->waitFor("at channel SCSI-A, ID 1 will be replaced.")) << tmux->capture();
            // The old disk goes, a new one comes while the box waits.
            ASSERT_TRUE(sim->control("pull 0 0 1"));
            ASSERT_TRUE(sim->control("insert 0 0 1 " + std::to_string(2 * kDisk)));
            tmux->sendKeys("x");
            ASSERT_NO_FATAL_FAILURE(dismiss("Do you want to add this disk to the Array? (Y/N)", c.answer));
        }
        const bool done = c.replaced + c.hotReplaced > 0;
        ASSERT_TRUE(waitGone(" Select Drive to be replaced ")) << tmux->capture();
        if (done) {
            ASSERT_TRUE(waitGone("Build/Rebuild Progress")) << "done: the menu closes\n" << tmux->capture();
        } else {
            ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << "the menu stays\n" << tmux->capture();
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            tmux->sendKeys("Escape");
        }
        ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(countKey("0x10000018"), c.replaced);
        EXPECT_EQ(countKey("0x10000004"), c.hotReplaced);
        if (done) {
            ASSERT_GE(countKey("0x00000017"), 1) << "the alarm was switched off";
            EXPECT_EQ(lastData("0x00000017").substr(0, 2), "00");
        } else {
            EXPECT_EQ(countKey("0x00000017"), 0) << "the alarm keeps sounding";
        }
        if (c.hotPlug) {
            ASSERT_NO_FATAL_FAILURE(expectHotPlugEnded());
        }
        ASSERT_NO_FATAL_FAILURE(expectClean());
        tmux->sendKeys("F10");
        ASSERT_TRUE(tmux->waitFor(done ? "rebuild" : "   0   RAID5    fail")) << tmux->capture();
        TearDown();
        controls.clear();
    }
}

// The menu's items that open the expansion, parity verify and progress
// dialogs, on a real array.
TEST_F(arrayCrossPathTest, ExpandVerifyAndProgressFromTheMenu)
{
    const struct {
        const char* name;
        std::string arrays;
        const char* control;
        const char* key;
        const char* shown;   // the dialog
        const char* answer;  // the key that ends it
        const char* ending;  // shown at its end, null none
    } cases[] = {
        {"expand", raid5, "progress step 25", "x", " Expand ", "Escape", nullptr},
        {"parity verify", raid5, "progress step 25", "i", " ESC: Close Window, A: Abort Parity Verify ", nullptr,
         "Parity Verify completed, Parity is ok !"},
        {"build progress", R"([{"type": 5, "drives": [0, 1, 2], "state": "build"}])", "progress step 1", "b",
         " Progress Information: Non-destructive Array Build ", "Escape", nullptr},
        {"rebuild progress", R"([{"type": 5, "drives": [0, 1, 2], "state": "rebuild"}])", "progress step 1", "b",
         " Progress Information: Array Rebuild ", "Escape", nullptr},
        {"build to its end", R"([{"type": 5, "drives": [0, 1, 2], "state": "build"}])", "progress step 50", "b",
         " Progress Information: Non-destructive Array Build ", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = {c.control};
        ASSERT_NO_FATAL_FAILURE(openArrays(Machine(3, 1, c.arrays)));
        ASSERT_NO_FATAL_FAILURE(arrayMenu());
        tmux->sendKeys(c.key);
        ASSERT_TRUE(tmux->waitFor(c.shown)) << tmux->capture();
        if (c.answer) {
            // The window is drawn: two captures in a row agree.
            std::string last;
            ASSERT_TRUE(waitUntil([&] {
                const std::string now = tmux->capture();
                const bool same = now == last;
                last = now;
                return same;
            })) << tmux->capture();
            tmux->sendKeys(c.answer);
            ASSERT_TRUE(waitGone(c.shown)) << tmux->capture();
        }
        if (c.ending) {
            ASSERT_NO_FATAL_FAILURE(dismiss(c.ending));
        }
        if (!c.answer && !c.ending) {
            // Run to its end: the window goes by itself and the action is done.
            ASSERT_TRUE(waitGone(c.shown)) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            EXPECT_FALSE(shows("Build/Rebuild Progress")) << tmux->capture();
            TearDown();
            controls.clear();
            continue;
        }
        ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << "the menu stays\n" << tmux->capture();
        ASSERT_NO_FATAL_FAILURE(expectClean());
        TearDown();
        controls.clear();
    }
}

// "belongs to": an array and a stand-alone RAID-1 drive name their host
// drives; a RAID-1 drive inside a RAID 10 array names the array.
TEST_F(arrayCrossPathTest, BelongsToLabels)
{
    controls = {"hostdrive 0 0 0 4000000", "hostdrive 0 3 3 2097152"};
    ASSERT_NO_FATAL_FAILURE(openArrays(Machine(9, 0, R"([{"type": 5, "drives": [0, 1, 2]}, {"type": 10, "drives": [5, 7]}])",
                                               R"([{"drives": [3, 4]}, {"drives": [5, 6]}, {"drives": [7, 8]}])")));
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("RAID-5    Host  0"), std::string::npos) << pane;
    EXPECT_NE(pane.find("RAID-1    Host  3"), std::string::npos) << pane;
    // The RAID-10 array's RAID-1 drives: removing a component lists them
    // with the array they belong to.
    ASSERT_TRUE(tmux->waitFor("RAID-10")) << pane;
    ASSERT_NO_FATAL_FAILURE(arrayMenu(1));
    tmux->sendKeys("m");
    ASSERT_TRUE(tmux->waitFor(" Select RAID 1 Master ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to be removed ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Array 5")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Select Drive to be removed ")) << tmux->capture();
    // The RAID-10 array's components are RAID-1 drives: F2 opens the
    // components of one, each naming its own carrier.
    ASSERT_TRUE(tmux->waitFor(arrayHint)) << tmux->capture();
    tmux->sendKeys("Home Down F4");
    ASSERT_TRUE(tmux->waitFor(" RAID 1/Logical Drive(s) ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("   7   DISK_7   ")) << tmux->capture();
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor(" Logical Drives ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("   6   DISK_6   ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Logical Drives ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" RAID 1/Logical Drive(s) ")) << tmux->capture();
}

// The host drive screen: the carrier window's F2 and F4 open the carrier's
// component list, for an array, a RAID-1 drive and a plain drive.
TEST_F(arrayCrossPathTest, CarrierWindowOpensTheComponentLists)
{
    const std::vector<std::string> hostDrives = {"hostdrive 0 0 0 4000000", "hostdrive 0 3 3 2097152",
                                                 "hostdrive 0 5 5 2097152"};
    const struct {
        int line;
        const char* key;
        const char* list;
        const char* content;
    } cases[] = {
        {0, "F2", " RAID 1/Logical Drive(s) ", "Master"},
        {0, "F4", " RAID 1/Logical Drive(s) ", "DISK_2"},
        {1, "F2", " Logical Drives ", "DISK_4"},
        {1, "F4", " Logical Drives ", "DISK_3"},
        {2, "F2", " Physical Drive(s) ", "VIRTUAL DISK"},
        {2, "F4", " Physical Drive(s) ", "VIRTUAL DISK"},
    };
    controls = hostDrives;
    ASSERT_NO_FATAL_FAILURE(start("", Machine(6, 0, raid5, R"([{"drives": [3, 4]}])")));
    ASSERT_NO_FATAL_FAILURE(toMainMenu());
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("HOST_5")) << tmux->capture();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.line) + " " + c.key);
        tmux->sendKeys("Home");
        for (int i = 0; i < c.line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("F4");
        ASSERT_TRUE(tmux->waitFor(" Array/Logical Drive ")) << tmux->capture();
        tmux->sendKeys(c.key);
        ASSERT_TRUE(tmux->waitFor(c.list)) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(c.content)) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(c.list)) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Array/Logical Drive ")) << tmux->capture();
    }
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
}

// The Host Drive menu's hot fix items on an array and a RAID-1 carrier:
// adding takes a new disk (a pool hot fix drive for the array, a hot fix
// drive of the RAID-1 drive), removing takes the pool hot fix drive.
TEST_F(arrayCrossPathTest, HostDriveMenuHotFixItems)
{
    const struct {
        const char* name;
        int line;
        const char* key;
        std::vector<std::string> keys;  // each sent once
    } cases[] = {
        {"array, add", 0, "a", {"0x00000060"}},
        {"RAID-1, add", 1, "a", {"0x00000060"}},
        {"array, remove", 0, "m", {"0x00000061", "0x0000000F"}},
        {"RAID-1, remove", 1, "m", {"0x00000061", "0x0000000F"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = {"hostdrive 0 0 0 4000000", "hostdrive 0 3 3 2097152"};
        ASSERT_NO_FATAL_FAILURE(start("", Machine(6, 1, raid5, R"([{"drives": [3, 4]}])", "", 5)));
        tmux->resize(80, 40);
        ASSERT_NO_FATAL_FAILURE(toMainMenu());
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("HOST_3")) << tmux->capture();
        for (int i = 0; i < c.line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Host Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Hot Fix Drive")) << tmux->capture();
        tmux->sendKeys(c.key);
        if (std::string(c.key) == "a") {
            ASSERT_NO_FATAL_FAILURE(chooseNewDisk(6));
            EXPECT_FALSE(shows(" Choose Type ")) << tmux->capture();
        } else {
            ASSERT_TRUE(tmux->waitFor(" Select Hot Fix Drive to be removed ")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("DISK_5")) << tmux->capture();
            tmux->sendKeys("Enter");
            ASSERT_NO_FATAL_FAILURE(dismiss("Do you really want to remove", "y"));
            ASSERT_TRUE(waitGone(" Select Hot Fix Drive to be removed ")) << tmux->capture();
        }
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        for (const std::string& key : c.keys)
            EXPECT_EQ(countKey(key), 1) << key;
        ASSERT_NO_FATAL_FAILURE(expectClean());
        TearDown();
        controls.clear();
    }
}

}  // namespace
}  // namespace tui::testing
