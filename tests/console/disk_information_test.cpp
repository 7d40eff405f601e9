// The Hard Disk Information window of mirvane in tmux against the emulator:
// list lines, the detail box by channel kind, extended information and a
// refresh after a disk was pulled.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mirvane_session.h"

namespace tui::testing {
namespace {


const std::string disks = R"({"controllers": [{"entry": 0, "channels": [
  {"kind": 2, "devices": [
    {"target": 0, "product": "FAST", "transferRate": 160000, "grownDefects": 3, "primaryDefects": 120},
    {"target": 1, "product": "SLOW", "transferRate": 66666},
    {"target": 2, "product": "ASYNC", "infoBytes": [[53, 0]]},
    {"target": 4, "product": "PROC", "type": 3}]},
  {"kind": 3, "ownId": 0, "devices": [
    {"target": 1, "product": "FC DISK", "secondLoop": 1, "infoBytes": [[81, 1], [88, 49]]}]}]}]})";

class diskInformationTest : public mirvaneSession {
protected:
    void open(const std::string& scenario = disks, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toMainMenu());
        tmux->sendKeys("d");
        ASSERT_TRUE(tmux->waitFor(" Hard Disk Information ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(" F10: Refresh ")) << tmux->capture();
    }
};

TEST_F(diskInformationTest, ListLinesShowRateCountersDefectsAndStatus)
{
    open();
    const std::string pane = stillPane();
    const char* const lines[] = {
        " Chn    ID  Vendor  Product           Rate  Retr./Reass. GrDef. Last Status",
        " SCSI-A 0   KZM     FAST             160MB      0/0          3  0x00000000",
        " SCSI-A 1   KZM     SLOW              66MB      0/0          0  0x00000000",
        " SCSI-A 2   KZM     ASYNC               --      0/0          0  0x00000000",
        " FCAL-* 1   KZM     FC DISK           80MB      0/0          0  0x00000000",
    };
    for (const char* line : lines)
        EXPECT_NE(pane.find(line), std::string::npos) << line << "\n" << pane;
    EXPECT_EQ(pane.find("PROC"), std::string::npos) << "only disks\n" << pane;
}

// Retries and reassigns are those of the statistics pass the window runs
// first, from the per-channel request of newer firmware and from the
// combined block of older firmware; F10 runs the pass again.
TEST_F(diskInformationTest, RetriesAndReassignsOfTheStatisticsPass)
{
    for (const std::string profile : {"new", "old"}) {
        SCOPED_TRACE(profile);
        controls = {"diskerr 0 0 0 3 12"};
        open(R"({"controllers": [{"entry": 0, "profile": ")" + profile + R"(", "channels": [{"kind": 2, "devices": [
            {"target": 0, "product": "FAST", "transferRate": 160000, "grownDefects": 3},
            {"target": 1, "product": "SLOW", "transferRate": 66666}]}]}]})");
        ASSERT_TRUE(tmux->waitFor(" SCSI-A 0   KZM     FAST             160MB      3/12         3  0x00000000"))
            << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(" SCSI-A 1   KZM     SLOW              66MB      0/0          0  0x00000000"))
            << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Hard disk Information ")) << tmux->capture();
        tmux->repeatKey("Down", 17);  // to the counters at its end
        ASSERT_TRUE(tmux->waitFor("Reassigns ..........: 12")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("Retries ............: 3")) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Hard disk Information ")) << tmux->capture();
        ASSERT_TRUE(sim->control("diskerr 0 0 1 65535 7"));
        tmux->sendKeys("F10");
        ASSERT_TRUE(tmux->waitFor(" SCSI-A 1   KZM     SLOW              66MB  65535/7          0  0x00000000"))
            << tmux->capture();
        tmux.reset();
        sim.reset();
    }
}

// The detail box: rates to a tenth, and the dashes without sync transfer.
TEST_F(diskInformationTest, DetailsOfScsiDisks)
{
    open();
    const struct {
        const char* keys;
        const char* rate;
    } cases[] = {
        {"", "Sync. Transfer Rate : 160.0 MB/s"},
        {"Down", "Sync. Transfer Rate : 66.6 MB/s"},
        {"Down", "Sync. Transfer Rate : ---"},
    };
    for (const auto& c : cases) {
        if (*c.keys)
            tmux->sendKeys(c.keys);
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Hard disk Information ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(c.rate)) << c.rate << "\n" << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("Data Path Width ....: Wide")) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Hard disk Information ")) << tmux->capture();
    }
}

// A SATA disk's box holds its 12 lines, 13 in administrator mode (the
// primary defects), the counters at the end included; its read cache shows on.
TEST_F(diskInformationTest, SataDetailsByMode)
{
    const std::string sata = R"({"controllers": [{"entry": 0, "channels": [{"kind": 4, "ownId": 0, "devices": [
        {"target": 1, "product": "SATA DISK", "primaryDefects": 7, "infoBytes": [[56, 8]]}]}]}]})";
    for (const bool administrator : {false, true}) {
        open(sata, administrator ? "-QUENTRAX" : "");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Hard disk Information ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("Reassigns ..........: 0")) << tmux->capture();
        const std::string pane = stillPane();
        EXPECT_NE(pane.find("Transfer Rate ......: 80.0 MB/s"), std::string::npos) << pane;
        EXPECT_NE(pane.find("Disk Read Cache ....: On"), std::string::npos) << pane;
        EXPECT_NE(pane.find("Disk Write Cache ...: On"), std::string::npos) << pane;
        EXPECT_EQ(pane.find("Sync. Transfer ....."), std::string::npos) << pane;
        EXPECT_EQ(pane.find("Primary defects ....: 7") != std::string::npos, administrator) << pane;
        // No scroll mark: the box holds exactly its lines.
        EXPECT_EQ(pane.find("└↓"), std::string::npos) << pane;
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Hard disk Information ")) << tmux->capture();
        tmux.reset();
        sim.reset();
    }
}

TEST_F(diskInformationTest, ExtendedInformationOnlyForFibreChannel)
{
    open();
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor("No extended information available")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("No extended information")) << tmux->capture();
    tmux->sendKeys("Down Down Down F2");
    ASSERT_TRUE(tmux->waitFor("Chn.: FCAL-B  Status: Available")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Status: Available")) << tmux->capture();
}

// After a disk was pulled, F10 shows no line for it, and no line opens a
// disk that is gone.
TEST_F(diskInformationTest, RefreshAfterAPulledDisk)
{
    open();
    tmux->sendKeys("Down Down Down");
    ASSERT_TRUE(sim->control("pull 0 1 1"));
    tmux->sendKeys("F10");
    ASSERT_TRUE(waitGone("FC DISK")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" SCSI-A 2   KZM     ASYNC")) << tmux->capture();
    EXPECT_FALSE(shows("FC DISK")) << tmux->capture();
    tmux->sendKeys("Down Down Down Down Enter");
    ASSERT_TRUE(tmux->waitFor(" Hard disk Information ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Name ...............: KZM     ")) << tmux->capture();
    EXPECT_FALSE(shows("FC DISK")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Hard disk Information ")) << tmux->capture();
}

TEST_F(diskInformationTest, NoDiskSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(start("", R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
        {"target": 4, "type": 3}]}]}]})"));
    ASSERT_NO_FATAL_FAILURE(toMainMenu());
    tmux->sendKeys("d");
    ASSERT_TRUE(tmux->waitFor("No Drives found !")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("No Drives found !")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
}

}  // namespace
}  // namespace tui::testing
