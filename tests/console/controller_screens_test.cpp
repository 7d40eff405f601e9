// The controller screens of mirvane in a real terminal (tmux) against the
// mounted emulator: the settings a dialog changes, read back as the page
// bytes the emulator was sent, the record chosen by the channels, the
// firmware refusals, the cache parameters and the log buffer.
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

// The page A bytes of the last page write (key 0x2B).
std::vector<uint8_t> lastPage(const SimMount& sim)
{
    return sim.lastData("0x0000002B", 380);
}

class controllerScreensTest : public mirvaneSession {
protected:
    // mirvane on the scenario, at its controller list.
    void open(const std::string& scenario, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toList());
    }
    // From the Configure Controller menu: the settings dialog.
    void toSettings()
    {
        tmux->sendKeys("c");
        ASSERT_TRUE(tmux->waitFor(" Controller Settings ")) << tmux->capture();
    }
    // From the settings dialog back to the controller list (nothing changed).
    void backToList()
    {
        for (const char* title : {" Controller Settings ", " Configure Controller ", " Advanced Setup "}) {
            tmux->sendKeys("Escape");
            ASSERT_TRUE(waitGone(title)) << title << tmux->capture();
        }
        ASSERT_TRUE(tmux->waitFor(" Select Controller ")) << tmux->capture();
    }
    // ESC, the save question answered Y, and the page written once more.
    void saveThePage()
    {
        const int writes = countKey("0x0000002B");
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(waitKeyCount("0x0000002B", writes + 1)) << tmux->capture();
    }
};

// Page bytes that the rows below start from: BIOS enabled, all warnings,
// two BIOS drives, standard memory test, channel 0 at ID 7 with a
// termination that software sets, boot option bits 1 and 3, byte 103 with
// its upper bits, the verify repair bit.
const char* const settingsScenario = R"({"controllers": [{"entry": 0, "profile": "new", "pageA": [
    [12, 1], [14, 0], [15, 0], [100, 1], [16, 7], [36, 1], [101, 2], [102, 10], [103, 240], [364, 2], [365, 2]]}]})";

TEST_F(controllerScreensTest, SettingsChangesReachThePage)
{
    // The default controller: SCSI channel 0 at speed code 12 (three group
    // lines), a Fibre Channel and a SATA channel.
    open(settingsScenario);
    toConfigureMenu();
    struct Byte {
        size_t offset;
        uint8_t value;
    };
    const struct {
        const char* what;
        std::vector<std::string> keys;  // in the settings dialog, up to the value chosen
        std::vector<Byte> bytes;
    } rows[] = {
        {"warning level", {"w", "Down", "Enter"}, {{14, 1}}},
        {"memory test", {"m", "Down", "Down", "Enter"}, {{100, 3}}},
        {"BIOS drives", {"s", "Down", "Enter"}, {{15, 1}}},
        {"BIOS disabled", {"b", "Down", "Enter"}, {{12, 3}}},
        {"CD-ROM boot", {"r", "Down", "Enter"}, {{101, 2}, {102, 0x8A}, {103, 0xF0}}},
        {"Display Ctrl-G off", {"i", "Up", "Enter"}, {{102, 0x9A}}},
        {"halt on firmware messages off", {"h", "Up", "Enter"}, {{102, 0x9A}, {103, 0xF1}}},
        {"immediate start off", {"a", "Up", "Enter"}, {{364, 2}, {365, 0x03}}},
        // From item 11 down into channel 0's group: termination, SCSI ID, domain validation.
        // The dialog opens again on the line chosen last.
        {"termination on", {"a", "Enter", "Down", "Enter", "Down", "Enter"}, {{16, 0x87}, {36, 1}}},
        {"SCSI ID 5", {"Down", "Enter", "Up", "Up", "Enter"}, {{16, 0x85}}},
        {"domain validation", {"Down", "Enter", "Down", "Enter"}, {{16, 0xC5}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        toSettings();
        tmux->sendKeys(row.keys);
        ASSERT_NO_FATAL_FAILURE(saveThePage());
        ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
        ASSERT_TRUE(waitGone(" Controller Settings ")) << tmux->capture();
        const std::vector<uint8_t> page = lastPage(*sim);
        ASSERT_EQ(page.size(), 380u);
        for (const Byte& b : row.bytes)
            EXPECT_EQ(page[b.offset], b.value) << "page byte " << b.offset;
    }
}

TEST_F(controllerScreensTest, NoToTheSaveQuestionWritesNothing)
{
    open(settingsScenario);
    toConfigureMenu();
    toSettings();
    const int pages = countKey("0x0000002B");
    const int caches = countKey("0x00000005");
    tmux->sendKeys({"c", "Up", "Enter"});
    ASSERT_TRUE(waitLine("Cache ....", "(Off)")) << tmux->capture();
    tmux->sendKeys({"r", "Down", "Enter"});
    ASSERT_TRUE(waitLine("CD-ROM Boot", "(Enabled)")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone(" Controller Settings ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x0000002B"), pages);
    EXPECT_EQ(countKey("0x00000005"), caches);
    // "Removed" answered No keeps the BIOS and marks nothing: no question on ESC.
    toSettings();
    tmux->sendKeys({"b", "Down", "Down", "Enter"});
    ASSERT_TRUE(tmux->waitFor("controller will not be bootable")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("controller will not be bootable")) << tmux->capture();
    EXPECT_TRUE(waitLine("BIOS ....", "(Enabled)")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Controller Settings ")) << tmux->capture();
    EXPECT_FALSE(shows("save the changes")) << tmux->capture();
    EXPECT_EQ(countKey("0x0000002B"), pages);
}

TEST_F(controllerScreensTest, AFailedPageWriteIsShownAndThePageStays)
{
    open(settingsScenario);
    toConfigureMenu();
    toSettings();
    ASSERT_TRUE(sim->control("status 0 0x2B 7"));
    tmux->sendKeys({"w", "Down", "Enter"});
    ASSERT_TRUE(waitLine("BIOS Warning Level", "(Fatal errors)")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("0x0007")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    ASSERT_TRUE(waitGone("0x0007")) << tmux->capture();
    // The controller kept its page: the dialog shows the old value again.
    toSettings();
    EXPECT_TRUE(waitLine("BIOS Warning Level", "(All messages)")) << tmux->capture();
}

TEST_F(controllerScreensTest, TheChannelsChooseTheRecord)
{
    const struct {
        const char* what;
        const char* channels;
        std::vector<std::string> shown, absent;
    } rows[] = {
        {"all SATA", R"([{"kind": 4}, {"kind": 4}])",
         {"Cache ...................... (On)", "CD-ROM Boot ................ (Disabled)"},
         {"Chn.", "Cache ............................"}},
        {"FC channel 0, SCSI 1 and 2", R"([{"kind": 3}, {"kind": 2}, {"kind": 2}])",
         {"Cache ............................ (On)", "Chn. SCSI-B: Termination", "Chn. SCSI-C: Termination",
          "SCSI-ID ............ ( 7 )"},
         {"Domain Validation", "Chn. FCAL"}},
        {"speed code 10", R"([{"kind": 2, "chip": 10}])", {"Domain Validation .. ("}, {}},
        {"speed code 11", R"([{"kind": 2, "chip": 11}])", {"Domain Validation .. ("}, {}},
        {"speed code 13", R"([{"kind": 2, "chip": 13}])", {"Chn. SCSI-A: Termination"}, {"Domain Validation"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        open(std::string(R"({"controllers": [{"entry": 0, "channels": )") + row.channels + "}]}");
        toConfigureMenu();
        toSettings();
        const std::string pane = stillPane();
        for (const std::string& text : row.shown)
            EXPECT_NE(pane.find(text), std::string::npos) << text << "\n" << pane;
        for (const std::string& text : row.absent)
            EXPECT_EQ(pane.find(text), std::string::npos) << text << "\n" << pane;
    }
}

TEST_F(controllerScreensTest, TheFirstGroupEditsChannelOne)
{
    open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 3}, {"kind": 2}, {"kind": 2}],
              "pageA": [[16, 7], [17, 7], [18, 7], [36, 1], [37, 1], [38, 1]]}]})");
    toConfigureMenu();
    toSettings();
    // Item 11 is disabled here only with all SATA; from it down to the first group.
    tmux->sendKeys({"a", "Enter", "Down", "Enter", "Down", "Enter"});
    ASSERT_NO_FATAL_FAILURE(saveThePage());
    ASSERT_TRUE(waitGone(" Controller Settings ")) << tmux->capture();
    const std::vector<uint8_t> page = lastPage(*sim);
    ASSERT_EQ(page.size(), 380u);
    EXPECT_EQ(page[16], 0x07);
    EXPECT_EQ(page[17], 0x87);
    EXPECT_EQ(page[18], 0x07);
}

TEST_F(controllerScreensTest, ClassFDTerminationTextsFollowTheBoard)
{
    const struct {
        const char* board;
        const char* text;
    } rows[] = {{"0x104", "Set by jumper"}, {"0x202", "Set by jumper"}, {"0x205", "Set by jumper"},
                {"0x200", "Auto"},          {"0x201", "Auto"},          {"0x203", "N/A"},
                {"0x204", "N/A"},           {"0x206", "Error"}};
    std::string controllers;
    for (size_t i = 0; i < std::size(rows); ++i)
        controllers += std::string(i ? "," : "") + R"({"entry": )" + std::to_string(i) +
                       R"(, "class": "0xFD", "boardType": ")" + rows[i].board +
                       R"(", "channels": [{"kind": 2, "chip": 12}], "pageA": [[36, 0]]})";
    open(R"({"controllers": [)" + controllers + "]}");
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].board);
        toConfigureMenu(i == 0 ? 0 : 1);
        toSettings();
        EXPECT_TRUE(waitLine("Termination", std::string("(") + rows[i].text + ")")) << tmux->capture();
        // The termination menu is not offered on these controllers.
        // The dialog opens again on the termination line chosen last.
        if (i == 0)
            tmux->sendKeys({"a", "Enter", "Down"});
        const std::string before = stillPane();
        tmux->sendKeys("Enter");
        EXPECT_EQ(stillPane(), before);
        backToList();
    }
}

TEST_F(controllerScreensTest, FeaturesTheFirmwareLacksAreRefused)
{
    const struct {
        const char* what;
        const char* controller;
        const char* key;
        const char* refusal;
    } rows[] = {
        {"halt below 0x1B0001", R"("profile": "middle", "firmwareVersion": "0x021B0000")", "h",
         "You must update the Firmware to version x.27.01 or higher."},
        {"hard disk start below 0x1C0000", R"("profile": "middle", "firmwareVersion": "0x021BFFFF")", "a",
         "The required Firmware version is x.28.00 or higher."},
        {"SES support below level 34", R"("profile": "new", "interfaceLevel": "0x221")", "u",
         "The required Firmware version is x.34.00 or higher."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        open(std::string(R"({"controllers": [{"entry": 0, )") + row.controller + "}]}");
        toConfigureMenu();
        toSettings();
        tmux->sendKeys(row.key);
        ASSERT_TRUE(tmux->waitFor(row.refusal)) << tmux->capture();
        tmux->sendKeys("x");
        ASSERT_TRUE(waitGone(row.refusal)) << tmux->capture();
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Controller Settings ")) << tmux->capture();
        EXPECT_FALSE(shows("save the changes")) << "nothing changed";
    }
}

TEST_F(controllerScreensTest, SesSupportFromLevel34NeedsAReboot)
{
    open(R"({"controllers": [{"entry": 0, "profile": "new", "interfaceLevel": "0x222", "pageA": [[364, 2], [365, 0]]}]})");
    toConfigureMenu();
    toSettings();
    tmux->sendKeys({"u", "Up", "Enter", "Escape"});
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("The changes will take effect after reboot")) << tmux->capture();
    const std::vector<uint8_t> page = lastPage(*sim);
    ASSERT_EQ(page.size(), 380u);
    EXPECT_EQ(page[365] & 0x10, 0x10);
}

TEST_F(controllerScreensTest, F9SwitchesTheNonBuildMode)
{
    open("");
    toConfigureMenu();
    toSettings();
    tmux->sendKeys("F9");
    ASSERT_TRUE(tmux->waitFor("This sets the firmware in the 'Non-Build' mode.")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitGone("'Non-Build' mode")) << tmux->capture();
    // The parameter record written: the write flag and the mode on.
    EXPECT_TRUE(sim->waitForLog([](const std::vector<SimRecord>& records) {
        for (const SimRecord& r : records)
            if (r.key == "0x0000006E" && r.bytes(532, 2) == std::vector<uint8_t>{1, 1})
                return true;
        return false;
    }, redrawMs));
    tmux->sendKeys("F9");
    ASSERT_TRUE(tmux->waitFor("This sets the firmware in the normal 'Build' mode.")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("normal 'Build' mode")) << tmux->capture();
}

TEST_F(controllerScreensTest, CacheParametersInSecondsAndTheirLimits)
{
    open("", "-CACHE");
    toConfigureMenu();
    toSettings();
    ASSERT_TRUE(tmux->waitFor(" F4: Adv. Cache Config. ")) << tmux->capture();
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor(" Advanced Cache Settings ")) << tmux->capture();
    EXPECT_TRUE(waitLine("MAX_AGE_DIRTY_BUF", "(30)")) << tmux->capture();
    // A value whose microseconds do not fit the record word is asked again.
    tmux->sendKeys("g");
    ASSERT_TRUE(tmux->waitFor("New value (1,2,..,1200): ")) << tmux->capture();
    tmux->sendKeys({"DC", "DC", "-l 5000", "Enter"});  // the edit starts at the first column
    ASSERT_TRUE(tmux->waitFor("Out of range")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor("New value (1,2,..,1200): ")) << tmux->capture();
    tmux->sendKeys({"-N 4 DC", "-l 5", "Enter"});
    ASSERT_TRUE(waitGone("New value")) << tmux->capture();
    ASSERT_TRUE(waitLine("MAX_AGE_DIRTY_BUF", "(5)")) << tmux->capture();
    const int sets = countKey("0x00000032");
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitKeyCount("0x00000032", sets + 2)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Controller Settings ")) << tmux->capture();
    // Set 1 written, then made active: both carry 5000000.
    const std::vector<uint8_t> record = sim->lastData("0x00000032", 72);
    ASSERT_EQ(record.size(), 72u);
    EXPECT_EQ(wordAt(record, 52), 5000000u);
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor(" Advanced Cache Settings ")) << tmux->capture();
    EXPECT_TRUE(waitLine("MAX_AGE_DIRTY_BUF", "(5)")) << tmux->capture();
    // F4 here: set 1 back to its defaults, made active and shown; a change to save.
    tmux->sendKeys("F4");
    ASSERT_TRUE(waitLine("MAX_AGE_DIRTY_BUF", "(30)")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x00000033"), 1);
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ? (Y/N)")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone(" Advanced Cache Settings ")) << tmux->capture();
}

TEST_F(controllerScreensTest, PeriodicParityVerifyWritesTheSecondOptions)
{
    open(R"({"controllers": [{"entry": 0, "pageA": [[364, 2], [365, 1], [366, 0]]}]})");
    toConfigureMenu();
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor(" Periodic Parity Verify ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Start Parity Verify: None")) << tmux->capture();
    tmux->sendKeys({"s", "-N 3 Down", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Start Parity Verify: Every 3 days")) << tmux->capture();
    tmux->sendKeys("a");
    ASSERT_TRUE(tmux->waitFor(" 11 am ")) << tmux->capture();
    tmux->sendKeys({"-N 2 Down", "Enter"});
    ASSERT_TRUE(tmux->waitFor("At Time            : 02 am")) << tmux->capture();
    tmux->sendKeys({"e", "Down", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Error Handling     : Repair Parity Errors")) << tmux->capture();
    ASSERT_NO_FATAL_FAILURE(saveThePage());
    ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    const std::vector<uint8_t> page = lastPage(*sim);
    ASSERT_EQ(page.size(), 380u);
    EXPECT_EQ(page[366], 2 * 8 + 3);
    EXPECT_EQ(page[365], 0x03);
}

TEST_F(controllerScreensTest, TheAlarmHintAndItsKey)
{
    open(R"({"controllers": [{"entry": 0, "records": [{"key": "0x16", "target": "0xFFFF", "hex": "01"}]}]})");
    toConfigureMenu();
    ASSERT_TRUE(tmux->waitFor(" F4: Disable Alarm ")) << tmux->capture();
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor("Disabling the audible alarm will turn off the alarm")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    const std::vector<uint8_t> option = sim->lastData("0x00000017", 1);
    ASSERT_EQ(option.size(), 1u);
    EXPECT_EQ(option[0], 0);
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Advanced Setup ")) << tmux->capture();
    EXPECT_FALSE(shows(" Configure Controller ")) << tmux->capture();
    // Silent now: no hint, and F2 does nothing.
    tmux->sendKeys("c");
    ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    EXPECT_FALSE(shows("Disable Alarm")) << tmux->capture();
}

TEST_F(controllerScreensTest, ItemsFollowFirmwareAndPageVersions)
{
    // A disabled item's hot key opens nothing. The middle profile (level
    // 23) opens with firmware below 0x210000.
    const char* const remove = " Remove Configuration ";
    const char* const cluster = " Cluster Channels ";
    const struct {
        const char* controller;
        const char* args;
        const char* key;
        const char* opens;
        bool enabled;
    } rows[] = {
        {R"("profile": "middle", "firmwareVersion": "0x021A0001")", "-QUENTRAX", "e", "clear the controller log", false},
        {R"("profile": "middle", "firmwareVersion": "0x021A0002")", "-QUENTRAX", "e", "clear the controller log", true},
        {R"("profile": "new")", "", "e", "clear the controller log", false},
        {R"("profile": "middle", "firmwareVersion": "0x021B0002")", "", "r", remove, false},
        {R"("profile": "middle", "firmwareVersion": "0x021B0003")", "", "r", remove, true},
        {R"("profile": "middle", "firmwareVersion": "0x021EFFFF")", "", "p", " Periodic Parity Verify ", false},
        {R"("profile": "new")", "", "p", " Periodic Parity Verify ", true},
        {R"("profile": "middle", "configVersion": "0x50002")", "", "a", "WARNING: These settings change", false},
        {R"("profile": "middle", "configVersion": "0x50003")", "", "a", "WARNING: These settings change", true},
        {R"("profile": "new", "clusterBits": "0x0C")", "", "l", cluster, false},
        {R"("profile": "new", "configVersion": "0x5FFFF")", "", "l", cluster, false},
        {R"("profile": "new")", "", "l", cluster, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.controller) + " " + row.key);
        open(std::string(R"({"controllers": [{"entry": 0, )") + row.controller + "}]}", row.args);
        toConfigureMenu();
        tmux->sendKeys(row.key);
        if (row.enabled) {
            EXPECT_TRUE(tmux->waitFor(row.opens)) << tmux->capture();
        } else {
            const std::string pane = stillPane();
            EXPECT_EQ(pane.find(row.opens), std::string::npos) << pane;
        }
    }
}

TEST_F(controllerScreensTest, ClearingTheLogBufferAsksThenClearsIt)
{
    open("", "-QUENTRAX");
    toConfigureMenu();
    tmux->sendKeys("e");
    ASSERT_TRUE(tmux->waitFor("Do you really want to clear the controller log buffer? (Y/N)")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("clear the controller log buffer")) << tmux->capture();
    EXPECT_EQ(countKey("0x2000002E"), 0);
    tmux->sendKeys("e");
    ASSERT_TRUE(tmux->waitFor("Do you really want to clear the controller log buffer? (Y/N)")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitKeyCount("0x2000002E", 1)) << tmux->capture();
    // The buffer is emptied and the log state written back; no error shows.
    ASSERT_TRUE(waitKeyCount("0x0000007E", 1)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Configure Controller ")) << tmux->capture();
    EXPECT_FALSE(shows("Error")) << tmux->capture();
}

TEST_F(controllerScreensTest, AdvancedSettingsWarnFirstAndWriteBootByteZero)
{
    open(R"({"controllers": [{"entry": 0, "pageA": [[101, 2], [102, 184]]}]})");
    toConfigureMenu();
    tmux->sendKeys("a");
    ASSERT_TRUE(tmux->waitFor("WARNING: These settings change the boot behaviour")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Advanced Settings ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Shrink BIOS after POST ...... (Auto)")) << tmux->capture();
    // Shrink on, older allocation, DPMEM not moved.
    tmux->sendKeys({"s", "Up", "Enter"});
    ASSERT_TRUE(tmux->waitFor("POST ...... (On)")) << tmux->capture();
    tmux->sendKeys({"b", "Down", "Enter"});
    ASSERT_TRUE(tmux->waitFor("(Older)")) << tmux->capture();
    tmux->sendKeys({"d", "Down", "Enter"});
    ASSERT_TRUE(tmux->waitFor("(Do not move)")) << tmux->capture();
    ASSERT_NO_FATAL_FAILURE(saveThePage());
    const std::vector<uint8_t> page = lastPage(*sim);
    ASSERT_EQ(page.size(), 380u);
    EXPECT_EQ(page[101], 1);
    EXPECT_EQ(page[102], 0xF7);
}

}  // namespace
}  // namespace tui::testing
