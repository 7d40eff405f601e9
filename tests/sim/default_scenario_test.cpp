// The built-in scenario as a rehearsal, run by the programs against the
// mounted emulator: every disk of the first controller can be used for a
// host drive, and the console's statistics show the steady load moving.
#include <gtest/gtest.h>

#include <string>

#include "mirvane_session.h"
#include "tool_process.h"

namespace tui::testing {
namespace {

// Each free disk of controller 0 becomes a host drive of its own.
TEST(DefaultScenario, EveryFreeDiskCanCarryAHostDrive)
{
    for (const char* disk : {"SCSI-A-1", "FCAL-B-1", "SATA-C-1"}) {
        SCOPED_TRACE(disk);
        SimMount sim;
        ASSERT_TRUE(sim.ok());
        const ToolResult created = RunTool({"-c", "-CTR:0", "-RAID:S", std::string("-DISKS:") + disk}, sim.root());
        EXPECT_EQ(created.exitCode, 0);
        EXPECT_EQ(created.out, "");
        EXPECT_EQ(created.err, "INFO: Creating Host Drive. Processing command......\nINFO: Destructive build set.\n"
                               "INFO: Host Drive #1  created.\n");
        const ToolResult status = RunTool({"-s", "-CTR:0"}, sim.root());
        EXPECT_NE(status.out.find(std::string(disk) + "\t0\tDrive "), std::string::npos) << status.out;
    }
}

class defaultScenarioConsoleTest : public mirvaneSession {};

// No control line sets a rate: the scenario's own load shows, per emulated
// second 625 blocks (320 KB) read in 20 operations and 250 blocks (128 KB)
// written in 10, on each of the four disks.
TEST_F(defaultScenarioConsoleTest, PhysicalDriveStatisticsShowTheLoad)
{
    ASSERT_NO_FATAL_FAILURE(start("-QUENTRAX"));
    ASSERT_NO_FATAL_FAILURE(toList());
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ", configurationReadMs)) << tmux->capture();
    tmux->sendKeys("t");
    ASSERT_TRUE(tmux->waitFor(" View Statistics ")) << tmux->capture();
    // A sample every tenth of a second.
    tmux->sendKeys("s");
    ASSERT_TRUE(tmux->waitFor("New Sample Rate (in 1/10s): ")) << tmux->capture();
    tmux->sendKeys("Delete Delete Delete");
    tmux->sendKeys("-l 1");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("New Sample Rate")) << tmux->capture();
    // Every sample reads the same rates: wait for the first total.
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor("Read:     1280    80")) << tmux->capture();
    const std::string pane = stillPane();
    auto count = [&pane](const std::string& text) {
        int n = 0;
        for (size_t at = pane.find(text); at != std::string::npos; at = pane.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("Read:      320    20"), 4) << pane;
    EXPECT_EQ(count("Write:     128    10"), 4) << pane;
    EXPECT_NE(pane.find("Write:     512    40"), std::string::npos) << "the total\n" << pane;
    EXPECT_NE(pane.find("SATA ID:C:1 KZM     VIRTUAL SATA 1"), std::string::npos) << pane;
}

}  // namespace
}  // namespace tui::testing
