// The hot plug of a new disk from the physical device screen in tmux
// against the emulator: the free target list, the plug-in prompts with and
// without LOCK, the search, the use question, and every way out ending the
// hot plug (the emulator's log shows the end after the begin, and the
// driver's locks are given back).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

// A SCSI channel with drive 0 on the disk at 0 and a free disk at 1; a
// Fibre Channel channel with a disk at 1.
const std::string machine = R"({"controllers": [{"entry": 0, "channels": [
  {"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 1}]},
  {"kind": 3, "ownId": 0, "devices": [{"target": 1}]}],
 "logicalDrives": [{"number": 0, "members": [[0, 0]]}]}]})";

const char* const begin = "0x00000020";
const char* const end = "0x00000021";

class hotPlugProcedureTest : public mirvaneSession {
protected:
    // The console at the free target list of the physical device screen's hot plug line.
    void toTargets(const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, machine));
        tmux->resize(80, 40);
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
        tmux->sendKeys("End");
        ASSERT_TRUE(tmux->waitFor("Plug in new disk (Hot Plug)")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
    }
    // Every hot plug begun was ended and the driver holds no lock, once the
    // console is back to waiting for keys.
    void expectEnded()
    {
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        const std::vector<std::string> keys = keysInOrder({begin, end});
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.front(), begin);
        EXPECT_EQ(keys.back(), end);
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    }
};

TEST_F(hotPlugProcedureTest, TargetListOffersFreeDisksThenFreeIdsAndFibreChannelOnce)
{
    toTargets();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find(" SCSI Coords. of new disk "), std::string::npos) << pane;
    // The free disk first, the Fibre Channel channel once, then the free IDs of the mask.
    const size_t free1 = pane.find("Channel: SCSI-A  ID: 1 ");
    const size_t fibre = pane.find("Channel: FCAL-B  ID: * (any)");
    const size_t id2 = pane.find("Channel: SCSI-A  ID: 2 ");
    ASSERT_NE(free1, std::string::npos) << pane;
    ASSERT_NE(fibre, std::string::npos) << pane;
    ASSERT_NE(id2, std::string::npos) << pane;
    EXPECT_LT(free1, fibre);
    EXPECT_LT(fibre, id2);
    // Taken IDs and the controller's own ID are not offered.
    EXPECT_EQ(pane.find("Channel: SCSI-A  ID: 0 "), std::string::npos) << pane;
    EXPECT_EQ(pane.find("Channel: SCSI-A  ID: 7 "), std::string::npos) << pane;
    EXPECT_EQ(pane.find("ID: * (any)", fibre + 20), std::string::npos) << "Fibre Channel is offered once";
    EXPECT_GE(countKey("0x00000075"), 1);
    // ESC begins nothing.
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Select Target ID ")) << tmux->capture();
    EXPECT_EQ(countKey(begin), 0);
}

TEST_F(hotPlugProcedureTest, NoFreeTargetIsSaid)
{
    // One SATA channel (two ports) with both IDs taken by disks in drives.
    ASSERT_NO_FATAL_FAILURE(start("", R"({"controllers": [{"entry": 0, "channels": [
        {"kind": 4, "ownId": 7, "busType": 65, "devices": [{"target": 0}, {"target": 1}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}]}]})"));
    ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
    tmux->sendKeys("End Enter");
    ASSERT_TRUE(tmux->waitFor("No free SCSI Targets!")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("No free SCSI Targets!")) << tmux->capture();
    EXPECT_EQ(countKey(begin), 0);
}

TEST_F(hotPlugProcedureTest, RefusedHotPlugIsSaidAndEnded)
{
    toTargets();
    ASSERT_TRUE(sim->control("status 0 0x10000002 0x0008"));
    tmux->sendKeys("Down Down Enter");
    ASSERT_TRUE(tmux->waitFor("Error: Could not initiate Hot Plug. Please try again.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Could not initiate")) << tmux->capture();
    expectEnded();
}

TEST_F(hotPlugProcedureTest, SataControllerAsksForAnIdByPosition)
{
    ASSERT_NO_FATAL_FAILURE(start("", R"({"controllers": [{"entry": 0, "channels": [
        {"kind": 4, "ownId": 7, "busType": 65, "devices": [{"target": 0}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}]}]})"));
    ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
    tmux->sendKeys("End Enter");
    ASSERT_TRUE(tmux->waitFor(" Select ID ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("New Disk ID")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("A:1")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SATA, ID A:1.")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("Plug in the new disk")) << tmux->capture();
    expectEnded();
}

// One way through the hot plug: the target line, the console switches, what
// the emulator does while the prompt waits, the answers, and what shows.
struct PlugCase {
    const char* name;
    int downs;              // lines below the first of the target list
    const char* args;
    const char* prompt;     // the plug-in question
    const char* control;    // done while the prompt waits ("" none)
    const char* answer;     // to the prompt
    const char* after;      // the text that follows ("" none)
    const char* useAnswer;  // to M2026 ("" when it does not come)
    bool diskKept;          // the new disk shows in the device list afterwards
};

// Test names show the case's name only.
void PrintTo(const PlugCase& c, std::ostream* os)
{
    *os << c.name;
}

const PlugCase kPlugCases[] = {
    {"FoundAtTheAskedId", 2, "", "Plug in the new disk at channel SCSI-A, ID 2.\nYOUR SYSTEM MUST HAVE HOT PLUG",
     "insert 0 0 2", "y", "You plugged in the disk KZM     VIRTUAL DISK , ID 2 at channel SCSI-A.", "y", true},
    {"FoundAtAnotherId", 2, "", "Plug in the new disk at channel SCSI-A, ID 2.", "insert 0 0 3", "y",
     "Disk not found !", "", false},
    {"NoneFound", 2, "", "Plug in the new disk at channel SCSI-A, ID 2.", "", "y", "Disk not found !", "", false},
    {"TooSmall", 2, "", "Plug in the new disk at channel SCSI-A, ID 2.", "insert 0 0 2 100000 4096", "y",
     "Sorry: The capacity of the", "", false},
    {"DeclinedAtThePrompt", 2, "", "Plug in the new disk at channel SCSI-A, ID 2.", "", "n", "", "", false},
    {"DeclinedAtTheUseQuestion", 2, "", "Plug in the new disk at channel SCSI-A, ID 2.", "insert 0 0 2", "y",
     "Do you want to use this disk? (Y/N)", "n", false},
    {"WithLock", 2, "-LOCK", "Plug in the new disk at channel SCSI-A, ID 2.\nYOU MUST NOT DO ANY UNPLUGGING",
     "insert 0 0 2", "y", "Do you want to use this disk? (Y/N)", "y", true},
    {"DeclinedWithLock", 2, "-LOCK", "Plug in the new disk at channel SCSI-A, ID 2.\nYOU MUST NOT", "", "n", "", "",
     false},
    {"FibreChannelAnyId", 1, "", "Plug in the new disk at channel FCAL-B.\nYOUR SYSTEM MUST HAVE HOT PLUG",
     "insert 0 1 5", "y", "You plugged in the disk KZM     VIRTUAL DISK , ID 5 at channel FCAL-B.", "y", true},
    {"FibreChannelWithLock", 1, "-LOCK", "Plug in the new disk at channel FCAL-B.\nYOU MUST NOT", "", "n", "", "",
     false},
};

class hotPlugCaseTest : public hotPlugProcedureTest, public ::testing::WithParamInterface<PlugCase> {};

TEST_P(hotPlugCaseTest, EveryWayOutEndsTheHotPlug)
{
    const PlugCase& k = GetParam();
    toTargets(k.args);
    tmux->repeatKey("Down", k.downs);
    tmux->sendKeys("Enter");
    // Only the first line of a prompt is matched as one line of the pane.
    const std::string prompt = k.prompt;
    const std::string firstLine = prompt.substr(0, prompt.find('\n'));
    ASSERT_TRUE(tmux->waitFor(firstLine)) << tmux->capture();
    if (prompt.find('\n') != std::string::npos) {
        const std::string second = prompt.substr(prompt.find('\n') + 1);
        EXPECT_TRUE(tmux->waitFor(second)) << tmux->capture();
    }
    if (std::string(k.args) == "-LOCK") {
        // The channel is locked in the driver while the prompt waits.
        EXPECT_NE(sim->state().find("driver channel"), std::string::npos) << sim->state();
    }
    if (*k.control) {
        ASSERT_TRUE(sim->control(k.control)) << k.control;
    }
    tmux->sendKeys(k.answer);
    ASSERT_TRUE(waitGone(firstLine)) << tmux->capture();
    if (*k.after) {
        ASSERT_TRUE(tmux->waitFor(k.after)) << tmux->capture();
        tmux->sendKeys(*k.useAnswer ? k.useAnswer : "x");
        ASSERT_TRUE(waitGone(k.after)) << tmux->capture();
    }
    ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
    expectEnded();
    if (std::string(k.args) == "-LOCK") {
        EXPECT_GE(countKey("0x4A07"), 2) << "locked and unlocked";
    }
    // The hot plug line keeps no logical drive: 0x24 made one, 0x0F took it away.
    EXPECT_EQ(countKey("0x00000024") > 0, k.diskKept);
    EXPECT_EQ(countKey("0x0000000F") > 0, k.diskKept);
    if (k.diskKept) {
        const std::string id = std::string(k.name).find("Fibre") != std::string::npos ? "5" : "2";
        ASSERT_TRUE(tmux->waitFor(" " + id + "   0 i KZM     VIRTUAL DISK")) << tmux->capture();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, hotPlugCaseTest, ::testing::ValuesIn(kPlugCases),
                         [](const ::testing::TestParamInfo<PlugCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace tui::testing
