// mirvane in a real terminal (tmux) against the mounted emulator: start-up,
// the controller list and its keys, opening a controller, the main menu and
// the quit question.
#include <map>
#include <string>
#include <vector>

#include "mirvane_session.h"

namespace tui::testing {
namespace {

// The one-byte option value of the last logged write with the key: "01"
// when the record's tail (its command and data areas, from byte 520) holds a
// set bit.
std::string lastOption(const SimMount& sim, const std::string& key)
{
    std::vector<uint8_t> tail;
    for (const SimRecord& r : sim.records())
        if (r.key == key)
            tail = r.bytes(520, r.length() - 520);
    if (tail.empty())
        return "";
    for (uint8_t b : tail)
        if (b != 0)
            return "01";
    return "00";
}

// The console on an emulator with a scenario (empty: the default one).
class mirvaneScreenTest : public mirvaneSession {};

TEST_F(mirvaneScreenTest, StartUpReachesTheControllerList)
{
    start();
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    std::string pane = stillPane();
    EXPECT_NE(pane.find("RAID Mirvane  --  Version 2.13 - Nov  6 2002"), std::string::npos) << pane;
    EXPECT_NE(pane.find("TCP/IP Sockets"), std::string::npos) << pane;
    EXPECT_NE(paneLine(pane, 10).find("░"), std::string::npos) << pane;
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    pane = stillPane();
    EXPECT_NE(paneLine(pane, 9).find("No.  Name             Position    Features      Firmware"), std::string::npos)
        << pane;
    EXPECT_NE(paneLine(pane, 10).find(" 0   KZM8530RZ        [PCI 2/1]   C 0 1 4 5 10  2.33.12-R0A1"),
              std::string::npos)
        << pane;
    EXPECT_NE(paneLine(pane, 11).find(" 1   KZM6117RD        [PCI 3/2]"), std::string::npos) << pane;
    EXPECT_EQ(paneLine(pane, 24).find(" Features: C:Chaining, 0:RAID 0"), 0u) << pane;
    quitFromList();
}

TEST_F(mirvaneScreenTest, TogglesColoursLineModesAndShowsVersions)
{
    start();
    toList();
    const std::string title = "RAID Mirvane  --  Version";
    const auto colour = tmuxSession::renditionAt(tmux->capture(true), title);
    ASSERT_TRUE(colour.found);
    tmux->sendKeys("0");  // F10 through its digit
    ASSERT_TRUE(waitGone(" Select Controller ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    const auto mono = tmuxSession::renditionAt(tmux->capture(true), title);
    ASSERT_TRUE(mono.found);
    EXPECT_TRUE(colour.fg != mono.fg || colour.bg != mono.bg) << colour.bg << " " << mono.bg;
    EXPECT_NE(colour.bg, 40);
    // F10 in the interface menu gives the colours back.
    tmux->sendKeys("F10");
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    EXPECT_TRUE(kzmtest::waitUntil(
        [&] { return tmuxSession::renditionAt(tmux->capture(true), title).bg == colour.bg; }, redrawMs))
        << "the title in its colours again\n" << tmux->capture(true);
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();

    tmux->sendKeys("F9");  // next line mode: the screen is built again
    ASSERT_TRUE(waitGone(" Select Controller ")) << tmux->capture();
    toList();

    tmux->sendKeys("8");  // F8
    ASSERT_TRUE(tmux->waitFor("RAID Mirvane                                      : 2.13.01.00")) << tmux->capture();
    const std::string pane = stillPane();
    for (const char* line : {"abstr Library                                     : 1.47.00.01",
                             "kzmlib Library                                    : 2.01.26.00",
                             "xport Library                                     : 1.00.00.00",
                             "appslib Library                                   : 1.00.00.00"})
        EXPECT_NE(pane.find(line), std::string::npos) << line << "\n" << pane;
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("appslib Library")) << tmux->capture();
    quitFromList();
}

TEST_F(mirvaneScreenTest, AdministratorColumnsAndAlarmTest)
{
    start("-QUENTRAX", R"({"controllers": [{"entry": 0, "records": [{"key": "0x16", "target": "0xFFFF", "hex": "01"}]},
                                            {"entry": 1, "profile": "old"}]})");
    toList();
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("No. Name             Position    Features      Firmware      Serial No DPM"),
              std::string::npos)
        << pane;
    EXPECT_NE(paneLine(pane, 10).find("C 0 1 4 5 10  2.33.12-R0A1  309ABC    MV"), std::string::npos)
        << pane;
    EXPECT_NE(pane.find(" F10: Toggle Colors, F4: Test Alarm "), std::string::npos) << pane;
    // F4 reads the sounding alarm and switches it off.
    tmux->sendKeys("F4");
    ASSERT_TRUE(waitKeyCount("0x00000017", 1)) << "the alarm switched (0x00000017) once";
    EXPECT_EQ(countKey("0x00000016"), 1);
    ASSERT_EQ(countKey("0x00000017"), 1);
    EXPECT_EQ(lastOption(*sim, "0x00000017"), "00");
    // Its digit on the second controller: silent there, so switched on.
    tmux->sendKeys("Down 4");
    ASSERT_TRUE(waitKeyCount("0x00000017", 2)) << "the alarm switched (0x00000017) twice";
    ASSERT_EQ(countKey("0x00000017"), 2);
    EXPECT_EQ(lastOption(*sim, "0x00000017"), "01");
    EXPECT_EQ(sim->log().back().substr(0, 2), "1\t") << "the second controller's entry";
    // The emulator's control command silences it again; the next F4 sounds it.
    ASSERT_TRUE(sim->control("alarm 1 0"));
    EXPECT_FALSE(sim->control("alarm 1 2"));
    EXPECT_FALSE(sim->control("alarm 7 1"));
    tmux->sendKeys("F4");
    ASSERT_TRUE(waitKeyCount("0x00000017", 3)) << "the alarm switched (0x00000017) three times";
    ASSERT_EQ(countKey("0x00000017"), 3);
    EXPECT_EQ(lastOption(*sim, "0x00000017"), "01");
    quitFromList();
}

TEST_F(mirvaneScreenTest, OldFirmwareAtLevel30AsksForAnUpdate)
{
    start("", R"({"controllers": [{"entry": 0, "firmwareVersion": "0x02200005"}]})");
    toList();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("This setup utility cannot be used with this Firmware version.")) << tmux->capture();
    const auto question = tmuxSession::renditionAt(tmux->capture(true), "This setup utility");
    tmux->sendKeys("y");
    // Yes opens the firmware update at its path input; an empty path ends it.
    ASSERT_TRUE(tmux->waitFor("Path: ")) << tmux->capture();
    const auto input = tmuxSession::renditionAt(tmux->capture(true), "Path: ");
    EXPECT_NE(question.bg, input.bg) << "the question is in error colours";
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitGone("Path: ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("This setup utility cannot be used")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("This setup utility")) << tmux->capture();
    EXPECT_FALSE(shows("Express Setup")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    quitFromList();
}

TEST_F(mirvaneScreenTest, ARefreshFailureIsShownOnce)
{
    start();
    toList();
    ASSERT_TRUE(sim->control("status 0 0x20000005 6"));
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("0x0006")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("0x0006")) << tmux->capture();
    std::string pane = stillPane();
    EXPECT_EQ(pane.find("Error"), std::string::npos) << pane;
    EXPECT_EQ(pane.find("Express Setup"), std::string::npos) << pane;
    EXPECT_NE(pane.find(" Select Controller "), std::string::npos) << pane;
    // The next try reads the controller and opens it.
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    quitFromList();
}

// Main menu items whose screens are built, and the title each opens.
const std::map<std::string, std::string> kBuiltScreens = {
    {"Configure Controller", " Configure Controller "},
    {"Configure Physical Devices", " Select Physical Drive "},
    {"Configure Logical Drives", " Select Logical Drive "},
    {"Configure Array Drives", " Select Array Drive "},
    {"Configure Host Drives", " Select Host Drive "},
    {"View Hard Disk Info", " Hard Disk Information "},
    {"View Events", " Controller Events "},
    {"View Statistics", " View Statistics "},
    {"Save Information", " View Information "},
    {"Repair Array Drives", "There are no Array Drives installed."},
};

TEST_F(mirvaneScreenTest, EveryMainMenuItemComesBack)
{
    start();
    toList();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
    const std::string status = paneLine(tmux->capture(), 24);
    EXPECT_EQ(status, "[PCI 2/1]: KZM8530RZ on Loca.., RAM: 64 MB SDRAM/ECC, FW: 2.33.12-R0A1, DR: 3.02") << status;
    tmux->sendKeys("4");  // F4 through its digit
    ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
    const char* const items[] = {"Configure Controller", "Configure Physical Devices", "Configure Logical Drives",
                                 "Configure Array Drives", "Configure Host Drives", "Repair Array Drives",
                                 "View Statistics", "View Events", "View Hard Disk Info", "Save Information"};
    for (const std::string item : items) {
        ASSERT_TRUE(tmux->waitFor(item)) << item << tmux->capture();  // the menu drawn again after each screen
        tmux->sendKeys("Enter");
        // The built screens open their own window and ESC closes it; the others are placeholders.
        const auto built = kBuiltScreens.find(item);
        const std::string shown =
            built != kBuiltScreens.end() ? built->second : "Sorry: This function is not yet implemented !";
        ASSERT_TRUE(tmux->waitFor(shown)) << item << tmux->capture();
        tmux->sendKeys(built != kBuiltScreens.end() ? "Escape" : "x");
        ASSERT_TRUE(waitGone(shown)) << item << tmux->capture();
        if (item == "Save Information") {  // the view is followed by the save question
            const std::string question = "Do you want to save the information file ? (Y/N)";
            ASSERT_TRUE(tmux->waitFor(question)) << tmux->capture();
            tmux->sendKeys("n");
            ASSERT_TRUE(waitGone(question)) << tmux->capture();
        }
        EXPECT_TRUE(tmux->waitFor(" Advanced Setup ")) << item;
        tmux->sendKeys("Down");
    }
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    EXPECT_TRUE(rowStarts(24, " Features:")) << tmux->capture();
    // The mode stays for the next controller.
    tmux->sendKeys("Down");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
    EXPECT_NE(waitRow(24, "RAM: 4 MB EDO/P").find("RAM: 4 MB EDO/P"), std::string::npos) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    quitFromList();
}

TEST_F(mirvaneScreenTest, AResizedTerminalGetsTheScreenAtItsSize)
{
    start();
    toList();
    tmux->resize(100, 30);
    ASSERT_TRUE(rowStarts(29, " Features:")) << "the list's header on the last row of 30\n" << tmux->capture();
    std::string pane = stillPane();
    EXPECT_EQ(paneLine(pane, 29).find(" Features:"), 0u) << pane;
    std::string top = "┌";
    for (int i = 0; i < 98; ++i)
        top += "─";
    EXPECT_EQ(paneLine(pane, 0), top + "┐") << pane;
    // Centred: 28 cells before the 44 of the version line, "│" 3 bytes.
    EXPECT_EQ(paneLine(pane, 1).find("RAID Mirvane  --  Version 2.13 - Nov  6 2002"), 3u + 27u) << pane;
    EXPECT_NE(paneLine(pane, 25).find("░"), std::string::npos) << pane;
    EXPECT_NE(pane.find(" 0   KZM8530RZ"), std::string::npos) << "the list stays" << pane;
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
    EXPECT_TRUE(rowStarts(29, "[PCI 2/1]: KZM8530RZ on Local_Sys, RAM: 64 MB"))
        << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    quitFromList();
}

TEST_F(mirvaneScreenTest, AMainMenuThatDoesNotFitIsBuiltAgainLarger)
{
    start();
    toList();
    tmux->resize(20, 6);
    stillPane();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Error: Unable to")) << tmux->capture();
    tmux->resize(80, 25);
    stillPane();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    quitFromList();
}

TEST_F(mirvaneScreenTest, NoControllerEndsWithZero)
{
    controls = {"count 0"};
    start();
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("No Controller found.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("[exit 0]")) << tmux->capture();
    EXPECT_EQ(tmux->capture().find("░"), std::string::npos) << tmux->capture();
}

TEST_F(mirvaneScreenTest, QuitQuestionNoGoesBackYesEnds)
{
    start();
    toList();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you really want to quit ? (Y/N)")) << tmux->capture();
    EXPECT_EQ(paneLine(stillPane(), 24).find(" Features:"), std::string::npos) << "the status line is empty";
    tmux->sendKeys("n");
    ASSERT_TRUE(tmux->waitFor(" Select interface ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you really want to quit ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("[exit 0]")) << tmux->capture();
    const std::string pane = tmux->capture();
    EXPECT_EQ(pane.find("░"), std::string::npos) << pane;
    EXPECT_EQ(tmux->display("#{alternate_on}#{cursor_flag}"), "01\n");
    // Every controller was read again before the question.
    EXPECT_GE(countKey("0x20000005"), 2);
}

}  // namespace
}  // namespace tui::testing
