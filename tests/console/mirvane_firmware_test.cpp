// The firmware update dialog of mirvane in tmux, reached from the firmware
// gate (level 30, firmware x.32), against the emulator's flash: the path,
// the search, the version rules, the flash question, a good flash and a
// failure in the middle of the download. Image files come from the
// emulator's image builder.
#include <byte_order.h>

#include <fstream>

#include "firmware_image.h"
#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

using kzmsim::ImageComponent;

constexpr uint32_t imageVersion = 0x220001;

// A component whose data is n bytes of a pattern named by its id.
ImageComponent part(uint8_t id, size_t n = 300)
{
    ImageComponent c{id, std::vector<uint8_t>(n, 0)};
    for (size_t i = 0; i < n; ++i)
        c.data[i] = static_cast<uint8_t>(id * 7 + i);
    return c;
}

// An image for the "new" profile (component table row 10).
std::vector<uint8_t> newImage()
{
    kzmsim::ImageSpec s;
    s.version = imageVersion;
    const std::vector<uint8_t> board = kzmsim::buildBoardData(
        {{kzmsim::boardDataKey(0, 0x6100), std::vector<uint8_t>(24, 0xB0)}});
    s.components = {part(1), ImageComponent{4, board, 2}, part(14), part(23), part(24, 5000), part(26), part(21)};
    return kzmsim::buildImage(s);
}

// The scenario of one "new" controller at firmware 2.32.12 with extra fields.
std::string scenario(const std::string& extra = "")
{
    return R"({"controllers": [{"entry": 0, "profile": "new", "firmwareVersion": "0x0220000C")" +
           (extra.empty() ? "" : ", " + extra) + "}]}";
}

const std::vector<std::string> accessKeys = {"0x0000000C", "0x0000000D", "0x00000072", "0x0000004C", "0x00000041",
                                             "0x00000048"};

class mirvaneFirmwareTest : public mirvaneSession {
protected:
    // Bound of a wait over a whole download: every area erased and written
    // through the emulator, slow on a loaded machine under the sanitizers.
    static constexpr int flashMs = 30000;
    // Starts, writes the image into the scratch directory's "fw", and
    // answers the gate's question with Yes.
    void toPath(const std::string& args = "", const std::string& extra = "")
    {
        start(args, scenario(extra));
        std::filesystem::create_directory(dir + "/fw");
        const std::vector<uint8_t> image = newImage();
        std::ofstream(dir + "/fw/KZM_RPFW.001", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        toList();
        tmux->sendKeys("Enter");
        dismiss("Do you want to upgrade the Firmware now? (Y/N)", "y");
        ASSERT_TRUE(tmux->waitFor("Path: ")) << tmux->capture();
    }
    // Gives the image directory and picks its file.
    void toFile()
    {
        typeInput(dir + "/fw");
        ASSERT_TRUE(tmux->waitFor(" Select Firmware File ")) << tmux->capture();
        tmux->sendKeys("Enter");
    }
    std::vector<uint8_t> flash()
    {
        const std::string s = sim->readFile("kzmsim/flash/0/1");
        return std::vector<uint8_t>(s.begin(), s.end());
    }
};

TEST_F(mirvaneFirmwareTest, AnEmptyPathEndsAndADirectoryWithoutFilesSaysSo)
{
    toPath();
    const size_t requests = sim->log().size();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("Path: ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    EXPECT_EQ(sim->log().size(), requests);

    tmux->sendKeys("Enter");
    dismiss("Do you want to upgrade the Firmware now? (Y/N)", "y");
    ASSERT_TRUE(tmux->waitFor("Path: ")) << tmux->capture();
    typeInput(dir);
    dismiss("No valid firmware file found !");
    EXPECT_TRUE(keysInOrder(accessKeys).empty());
    quitFromList();
}

// Each rule that applies shows its message; any of them ends the dialog
// before Maintenance Mode.
TEST_F(mirvaneFirmwareTest, VersionRulesRefuseTheImage)
{
    struct Case {
        const char* extra;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {R"("cacheSize": 4194304)", {"You need at least 8MB Cache-RAM"}},
        {R"("boardTypeWord": 36)", {"Firmware upgrade from KZM6xxxRP/RD controllers"}},
        {R"("firmwareVersion": "0x021E0000", "firmwareRevision": 48)",
         {"Firmware upgrade to versions x.33 or greater requires"}},
        {R"("cacheSize": 4194304, "boardTypeWord": 36)",
         {"You need at least 8MB Cache-RAM", "Firmware upgrade from KZM6xxxRP/RD controllers"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra);
        toPath("", c.extra);
        toFile();
        for (const std::string& message : c.messages)
            dismiss(message);
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
        EXPECT_TRUE(keysInOrder(accessKeys).empty());
        quitFromList();
        TearDown();
    }
}

// Administrator mode lifts the board rule; No to the flash question still
// closes the image and leaves Maintenance Mode, and nothing is written.
TEST_F(mirvaneFirmwareTest, NoToTheFlashQuestionLeavesMaintenanceMode)
{
    toPath("-QUENTRAX", R"("boardTypeWord": 36)");
    toFile();
    ASSERT_TRUE(tmux->waitFor("Do you really want to update the firmware ? (Y/N)")) << tmux->capture();
    const auto question = tmuxSession::renditionAt(tmux->capture(true), "Flash eproms will be programmed now.");
    const auto list = tmuxSession::renditionAt(tmux->capture(true), "Select Firmware File");
    EXPECT_NE(question.bg, list.bg) << "the question is in error colours";
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    ASSERT_TRUE(waitGone("Flash eproms")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    const std::vector<std::string> keys = keysInOrder(accessKeys);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), "0x0000000C");
    EXPECT_EQ(keys.back(), "0x0000000D");
    EXPECT_EQ(countKey("0x0000004C"), 0);
    EXPECT_EQ(countKey("0x00000041"), 0);
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    quitFromList();
}

// A refused Maintenance Mode is shown and nothing is flashed; the mode is
// still left.
TEST_F(mirvaneFirmwareTest, ARefusedMaintenanceModeFlashesNothing)
{
    controls = {"status 0 0x0C 0x000C"};
    toPath();
    toFile();
    dismiss("0x000c (DRIVE NOT AVAILABLE)");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    EXPECT_FALSE(shows("Flash eproms")) << tmux->capture();
    EXPECT_EQ(keysInOrder(accessKeys), (std::vector<std::string>{"0x0000000C", "0x0000000D"}));
    quitFromList();
}

TEST_F(mirvaneFirmwareTest, AGoodFlashWritesTheImageAndSaysSo)
{
    toPath();
    typeInput(dir + "/fw");
    ASSERT_TRUE(tmux->waitFor(" Select Firmware File ")) << tmux->capture();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("Name           Description                Version"), std::string::npos) << pane;
    EXPECT_NE(pane.find("KZM_RPFW.001   RAID-0/1/4/5/10 Firmware   3.34.01-R100"), std::string::npos) << pane;
    tmux->sendKeys("Enter");
    dismiss("Do you really want to update the firmware ? (Y/N)", "y");
    dismiss("Firmware update completed.", "x", flashMs);
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    const std::vector<std::string> keys = keysInOrder(accessKeys);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), "0x0000000C");
    EXPECT_EQ(keys.back(), "0x0000000D");
    EXPECT_GT(countKey("0x0000004C"), 0);
    EXPECT_GT(countKey("0x00000041"), 0);
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    const std::vector<uint8_t> area = flash();
    ASSERT_GE(area.size(), 52u);
    EXPECT_EQ(wire::get32(area.data(), 28) & 0xFFFFFF, imageVersion);
    EXPECT_EQ(wire::get16(area.data(), 12) & 0x04, 0) << "the image is marked complete";
    EXPECT_TRUE(sim->control("reboot 0"));
    quitFromList();
}

TEST_F(mirvaneFirmwareTest, AFailureInTheDownloadIsShownAndEverythingIsClosed)
{
    controls = {"status 0 0x41 0x0007 after 3"};
    toPath();
    toFile();
    dismiss("Do you really want to update the firmware ? (Y/N)", "y");
    ASSERT_TRUE(tmux->waitFor("0x0007", flashMs)) << tmux->capture();
    EXPECT_FALSE(shows("Firmware update completed."));
    dismiss("0x0007");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    EXPECT_FALSE(shows("Firmware update completed.")) << tmux->capture();
    const std::vector<std::string> keys = keysInOrder(accessKeys);
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys.back(), "0x0000000D");
    EXPECT_GT(countKey("0x00000048"), 0) << "the flash session is closed";
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    // The old firmware still starts.
    EXPECT_NE(wire::get32(flash().data(), 28) & 0xFFFFFF, imageVersion);
    quitFromList();
}

}  // namespace
}  // namespace tui::testing
