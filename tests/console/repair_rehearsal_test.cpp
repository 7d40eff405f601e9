// The README's RAID-1 rehearsal as a new administrator runs it: the built-in
// scenario, a RAID-1 host drive made by ostrel on controller 1, its second
// disk failed and pulled through the emulator's control file, then the
// console's repair. The controller no longer sees the pulled disk, so the
// repair asks where the new disk goes; afterwards the console and the tool
// show the same drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"
#include "tool_process.h"

namespace tui::testing {
namespace {

const char* const removeMissing = "0x00000009";
const char* const hotPlugBegin = "0x00000020";
const char* const hotPlugEnd = "0x00000021";
const char* const repairList = " Select Drive to repair ";

class repairRehearsalTest : public mirvaneSession {
protected:
    // The README's shell steps with the control lines, then the console.
    void prepare(const std::vector<std::string>& lines)
    {
        ASSERT_NO_FATAL_FAILURE(mount());
        const ToolResult made =
            RunTool({"-c", "-CTR:1", "-DISKS:SCSI-A-0,SCSI-A-1", "-RAID:1", "-NAME:MIRROR", "-BLOCK"}, sim->root());
        ASSERT_EQ(made.exitCode, 0) << made.err;
        for (const std::string& line : lines)
            ASSERT_TRUE(sim->control(line)) << line;
        ASSERT_NO_FATAL_FAILURE(launch());
    }
    // Repair Array Drives from controller 1's Express Setup, opened first
    // from the controller list when `open`.
    void toRepair(bool open)
    {
        if (open) {
            ASSERT_NO_FATAL_FAILURE(toMainMenu(1));
        }
        ASSERT_TRUE(tmux->waitFor("Repair Array Drives")) << tmux->capture();
        tmux->sendKeys("r");
    }
    // Host drive 0 of controller 1 as the tool lists it.
    std::string toolLine()
    {
        const ToolResult status = RunTool({"-s", "-CTR:1"}, sim->root());
        EXPECT_EQ(status.exitCode, 0) << status.err;
        const size_t at = status.out.find("\n0\tMIRROR\t");
        return at == std::string::npos ? status.out : status.out.substr(at + 1, status.out.find('\n', at + 1) - at - 1);
    }
};

// The README's way (a new disk inserted at ID 2 before the repair), a disk
// plugged in at the old ID when the console asks for it, a hot plug the
// controller refuses, and the target choice left with ESC.
TEST_F(repairRehearsalTest, PulledRaid1DiskIsReplacedWhereTheUserSays)
{
    enum Outcome { repaired, refused, leftAtTarget };
    struct Case {
        const char* name;
        std::vector<std::string> before;  // control lines after the drive is made
        int id;                           // the target chosen (channel SCSI-A)
        int downs;                        // its line in " Select Target ID "
        const char* whenAsked;            // control line while the plug-in question waits
        Outcome outcome;
    } cases[] = {
        {"inserted at another ID before the repair", {"fail 1 0 1", "pull 1 0 1", "insert 1 0 2"}, 2, 1, "", repaired},
        {"inserted at the same ID when asked", {"fail 1 0 1", "pull 1 0 1"}, 1, 0, "insert 1 0 1", repaired},
        {"hot plug refused",
         {"fail 1 0 1", "pull 1 0 1", "insert 1 0 2", "status 1 0x10000002 0x0008"}, 2, 1, "", refused},
        {"target choice left", {"fail 1 0 1", "pull 1 0 1"}, 1, 0, "", leftAtTarget},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ASSERT_NO_FATAL_FAILURE(prepare(k.before));
        ASSERT_NO_FATAL_FAILURE(toRepair(true));
        ASSERT_TRUE(tmux->waitFor("1 Array Drives in FAIL state")) << tmux->capture();
        tmux->sendKeys("x");
        ASSERT_TRUE(tmux->waitFor(repairList)) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("RAID-1   fail")) << tmux->capture();
        tmux->sendKeys("Enter");
        // The place of the pulled disk is unknown: the question names its logical drive.
        ASSERT_TRUE(tmux->waitFor("The Physical Disk which belongs to Logical Drive 1 failed.")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
        const std::string line = "Channel: SCSI-A  ID: " + std::to_string(k.id) + " ";
        ASSERT_TRUE(tmux->waitFor(line)) << tmux->capture();
        if (k.outcome == leftAtTarget) {
            tmux->sendKeys("Escape");
            ASSERT_TRUE(waitGone(" Select Target ID ")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor(repairList)) << tmux->capture();
            EXPECT_EQ(ioctlCount(removeMissing), 0) << "nothing is removed before a place is chosen";
            EXPECT_EQ(ioctlCount(hotPlugBegin), 0);
            EXPECT_NE(toolLine().find("\tfail\t"), std::string::npos) << toolLine();
            tmux->sendKeys("Escape");
            ASSERT_TRUE(tmux->waitFor("Do you really want to cancel repairing? (Y/N)")) << tmux->capture();
            tmux->sendKeys("y");
            ASSERT_TRUE(waitGone(repairList)) << tmux->capture();
            continue;
        }
        tmux->repeatKey("Down", k.downs);
        tmux->sendKeys("Enter");
        if (k.outcome == refused) {
            ASSERT_TRUE(tmux->waitFor("Error: Could not initiate Hot Plug. Please try again.")) << tmux->capture();
            tmux->sendKeys("x");
            ASSERT_TRUE(tmux->waitFor("Hot plug failed.  Do you want to retry the hot plug? (Y/N)")) << tmux->capture();
            tmux->sendKeys("n");
            // The missing component went before the hot plug: the user is told what is left.
            ASSERT_TRUE(tmux->waitFor("The missing Drive has been removed, but no new Disk was added.")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("Logical Drive 0 is no longer a RAID-1 Drive and has no redundancy."))
                << tmux->capture();
            tmux->sendKeys("x");
        } else {
            ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SCSI-A, ID " + std::to_string(k.id) + "."))
                << tmux->capture();
            if (*k.whenAsked) {
                ASSERT_TRUE(sim->control(k.whenAsked));
            }
            tmux->sendKeys("y");
            ASSERT_TRUE(tmux->waitFor("You plugged in the disk KZM     VIRTUAL DISK , ID " + std::to_string(k.id) +
                                      " at channel SCSI-A."))
                << tmux->capture();
            tmux->sendKeys("y");
        }
        // Nothing is left to repair either way: the assistant ends.
        ASSERT_TRUE(waitGone(repairList)) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
        EXPECT_FALSE(shows(repairList)) << tmux->capture();
        EXPECT_EQ(ioctlCount(removeMissing), 1);
        const std::vector<std::string> plugs = keysInOrder({hotPlugBegin, hotPlugEnd});
        ASSERT_FALSE(plugs.empty());
        EXPECT_EQ(plugs.back(), hotPlugEnd) << "every hot plug begun was ended";
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        // The tool and a second repair see the same drive.
        const std::string tool = toolLine();
        ASSERT_NO_FATAL_FAILURE(toRepair(false));
        if (k.outcome == repaired) {
            EXPECT_NE(tool.find("\tRAID-1\t"), std::string::npos) << tool;
            EXPECT_EQ(tool.find("\tfail\t"), std::string::npos) << tool;
            ASSERT_TRUE(tmux->waitFor("0 Array Drives in FAIL state")) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("1 Array Drives installed")) << tmux->capture();
        } else {
            EXPECT_NE(tool.find("\tready\t"), std::string::npos) << tool;
            EXPECT_EQ(tool.find("\tRAID-1\t"), std::string::npos) << tool;
            ASSERT_TRUE(tmux->waitFor("There are no Array Drives installed.")) << tmux->capture();
        }
    }
}

}  // namespace
}  // namespace tui::testing
