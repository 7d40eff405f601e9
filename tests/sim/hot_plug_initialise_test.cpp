// A disk plugged in through the physical device screen's hot plug line and
// accepted ends initialised, as a controller leaves it: the console's disk
// line shows its 'i' and no drive, and ostrel's disk table shows it as an
// initialised disk that no drive uses. A disk declined at the use question
// stays uninitialised and free.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "mirvane_session.h"
#include "screen_waits.h"
#include "tool_process.h"

namespace tui::testing {
namespace {

// A SCSI channel with drive 0 on the disk at 0 and a free disk at 1.
const std::string machine = R"({"controllers": [{"entry": 0, "channels": [
  {"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 1}]}],
 "logicalDrives": [{"number": 0, "members": [[0, 0]]}]}]})";

struct UseCase {
    const char* name;
    const char* useAnswer;    // to "Do you want to use this disk?"
    const char* consoleLine;  // the disk's line in " Select Physical Drive " afterwards
    const char* toolRow;      // its row in `ostrel -s -CTR:0`
};

// Test names and traces show the case's name only.
void PrintTo(const UseCase& c, std::ostream* os)
{
    *os << c.name;
}

const UseCase kUseCases[] = {
    {"Accepted", "y", "SCSI-A 2   0 i KZM     VIRTUAL DISK     RW      1024 Fragment",
     "SCSI-A-2\t0\tFragment\t\tKZM     VIRTUAL DISK     RW      1024 \n"},
    {"Declined", "n", "SCSI-A 2   0   KZM     VIRTUAL DISK     RW      1024 ",
     "SCSI-A-2\t0\tFree\t\tKZM     VIRTUAL DISK     RW      1024 \n"},
};

class hotPlugInitialiseTest : public mirvaneSession, public ::testing::WithParamInterface<UseCase> {};

TEST_P(hotPlugInitialiseTest, UsedDiskEndsInitialisedWithoutADrive)
{
    const UseCase& k = GetParam();
    ASSERT_NO_FATAL_FAILURE(start("", machine));
    tmux->resize(80, 40);
    ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
    tmux->sendKeys("End");
    ASSERT_TRUE(tmux->waitFor("Plug in new disk (Hot Plug)")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Target ID ")) << tmux->capture();
    // The free disk at 1, then the free ID 2.
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("Plug in the new disk at channel SCSI-A, ID 2.")) << tmux->capture();
    ASSERT_TRUE(sim->control("insert 0 0 2"));
    tmux->sendKeys("y");
    const std::string found = "You plugged in the disk KZM     VIRTUAL DISK , ID 2 at channel SCSI-A.";
    ASSERT_TRUE(tmux->waitFor(found)) << tmux->capture();
    tmux->sendKeys(k.useAnswer);
    ASSERT_TRUE(waitGone(found)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
    ASSERT_TRUE(waitGone("Please wait")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(k.consoleLine)) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();

    const ToolResult r = RunTool({"-s", "-CTR:0"}, sim->root());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(k.toolRow), std::string::npos) << r.out;
    // The drive that the new drive request made is gone again.
    EXPECT_EQ(r.out.find("Drive 1"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, hotPlugInitialiseTest, ::testing::ValuesIn(kUseCases),
                         [](const ::testing::TestParamInfo<UseCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace tui::testing
