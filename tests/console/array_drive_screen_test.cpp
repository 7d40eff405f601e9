// The array drive screen of mirvane in tmux against the emulator: the list
// of arrays and RAID-1 drives, the Array Drive menu by type and state,
// creation refusals and type enabling, removal, hot fix removal, RAID-1
// component removal, refused configuration access and the first failed
// component in the replace list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

const char* const listHint = "F4: Drive Information, F5: Identify Drive, F10: Refresh";

// Eight disks with logical drives 0..7, one on each; the drives named in
// `pool` start in the hot fix pool.
std::string scenario(const std::string& arrays, const std::string& mirrors = "[]", const std::set<int>& pool = {},
                     const std::string& controllerExtra = "")
{
    std::string devices;
    std::string drives;
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i);
        devices += std::string(i ? "," : "") + "{\"target\": " + n + "}";
        drives += std::string(i ? "," : "") + "{\"number\": " + n + ", \"type\": 0, \"name\": \"DISK_" + n +
                  "\", \"members\": [[0, " + n + "]]" + (pool.count(i) ? ", \"poolHotFix\": true" : "") + "}";
    }
    return R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [)" + devices +
           R"(]}], "logicalDrives": [)" + drives + "], \"mirrors\": " + mirrors + ", \"arrays\": " + arrays +
           controllerExtra + "}]}";
}

const std::string raid5 = R"([{"type": 5, "drives": [0, 1, 2], "hotFixes": [3]}])";

// The items of the " Array Drive " menu.
const std::vector<std::string> menuItems = {
    "Expand Array Drive", "Add RAID 1 Component", "Replace Array Component",
    "Remove RAID 1 Component", "Add Hot Fix Drive", "Remove Hot Fix Drive", "Hot Fix Pool Access",
    "Parity Verify",      "Periodic Parity Verify", "Build/Rebuild Progress"};

// The sfdisk program (root's PATH may lack /usr/sbin).
std::string sfdisk()
{
    for (const char* p : {"/usr/sbin/sfdisk", "/sbin/sfdisk"})
        if (access(p, X_OK) == 0)
            return p;
    return "sfdisk";
}

class arrayDriveScreenTest : public mirvaneSession {
protected:
    // The console at " Select Array Drive ".
    void open(const std::string& scenarioText, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenarioText));
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Array Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
    }
    // Ends one case of a table: console and emulator go, the controls are cleared.
    void endCase()
    {
        tmux.reset();
        sim.reset();
        controls.clear();
    }
    // Opens the menu of list line `line`.
    void openMenu(int line)
    {
        for (int i = 0; i < line; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Build/Rebuild Progress")) << tmux->capture();
    }
    // The rendition of `probe` in the row where "│" + `text` shows.
    tmuxSession::rendition itemRendition(const std::string& text, const std::string& probe)
    {
        const std::string plain = tmux->capture();
        const std::string escaped = tmux->capture(true);
        int row = -1;
        for (int y = 0; y < 60 && row < 0; ++y)
            if (paneLine(plain, y).find("\u2502" + text) != std::string::npos)
                row = y;
        if (row < 0)
            return {};
        // The rows above contribute their escapes only, so the probe is found in the row.
        std::string prefix;
        for (int y = 0; y < row; ++y) {
            const std::string line = paneLine(escaped, y);
            for (size_t i = line.find("\x1b["); i != std::string::npos; i = line.find("\x1b[", i + 1)) {
                const size_t end = line.find('m', i);
                if (end != std::string::npos)
                    prefix += line.substr(i, end - i + 1);
            }
        }
        return tmuxSession::renditionAt(prefix + paneLine(escaped, row), probe);
    }
    // The probe of an item: the text after its hot key, which shows in one
    // piece whether the item is enabled or not.
    static std::string probeOf(const std::string& item)
    {
        static const std::map<std::string, std::string> probes = {
            {"Expand Array Drive", "pand Array Drive"},      {"Add RAID 1 Component", "dd RAID 1 Component"},
            {"Replace Array Component", "place Array Component"}, {"Remove RAID 1 Component", "ove RAID 1 Component"},
            {"Remove Array Drive", "emove Array Drive"},     {"Add Hot Fix Drive", "d Hot Fix Drive"},
            {"Remove Hot Fix Drive", "ve Hot Fix Drive"},    {"Hot Fix Pool Access", "ot Fix Pool Access"},
            {"Parity Verify", "ty Verify"},                  {"Periodic Parity Verify", "Periodic Parity "},
            {"Build/Rebuild Progress", "uild/Rebuild Progress"}};
        const auto p = probes.find(item);
        return p != probes.end() ? p->second : "RAI";
    }
    // The items of `items` drawn otherwise than the one that is always
    // enabled (`reference`): the disabled ones, read once the menu is drawn.
    std::set<std::string> disabled(const std::vector<std::string>& items, const std::string& reference)
    {
        EXPECT_TRUE(settle(*tmux)) << tmux->capture();
        const auto ref = itemRendition(reference, probeOf(reference));
        EXPECT_TRUE(ref.found) << reference << "\n" << tmux->capture();
        std::set<std::string> off;
        for (const std::string& item : items) {
            const auto r = itemRendition(item, probeOf(item));
            EXPECT_TRUE(r.found) << item;
            // The cursor's item shows on another background; it is enabled.
            if (r.bg == ref.bg && (r.fg != ref.fg || r.bold != ref.bold))
                off.insert(item);
        }
        return off;
    }
    // Selects the item by its text from the top of the menu.
    void choose(const std::string& item)
    {
        for (size_t i = 0; i < menuItems.size(); ++i)
            if (menuItems[i] == item) {
                // The hot keys are unique; the shortest path is the key.
                static const char* const keys[] = {"x", "a", "e", "m", "d", "o", "h", "i", "v", "b"};
                tmux->sendKeys(keys[i]);
                return;
            }
        tmux->sendKeys("r");  // Remove Array Drive
    }
    // A partition table in use on host drive `n` of the first controller.
    void partition(int n)
    {
        const std::string file = sim->root() + "/kzmsim/hostdrive/0/" + std::to_string(n);
        FILE* p = popen((sfdisk() + " --no-reread --no-tell-kernel -q -w never " + tmuxSession::quote(file) +
                         " >/dev/null 2>&1")
                            .c_str(),
                        "w");
        ASSERT_NE(p, nullptr);
        std::fputs("start=2048, type=83\n", p);
        ASSERT_EQ(pclose(p), 0) << "sfdisk";
    }
};

TEST_F(arrayDriveScreenTest, ListsArraysRaid1DrivesAndTheCreateLine)
{
    open(scenario(raid5, R"([{"drives": [4, 5]}])"));
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("   No. Name     Status        Attr.      Capacity  Type      belongs to"), std::string::npos)
        << pane;
    EXPECT_NE(pane.find("   0   RAID5    ready         RW          2048 MB  RAID-5"), std::string::npos) << pane;
    EXPECT_NE(pane.find("   4   DISK_4   ready         RW          1024 MB  RAID-1"), std::string::npos) << pane;
    EXPECT_NE(pane.find("   Create new Array Drive"), std::string::npos) << pane;
    // The components of the array with their roles.
    tmux->sendKeys("F4");
    ASSERT_TRUE(tmux->waitFor(" RAID 1/Logical Drive(s) ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("DISK_0")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Master")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Priv. Hot Fix")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" RAID 1/Logical Drive(s) ")) << tmux->capture();
    // The components of the RAID-1 drive.
    tmux->sendKeys("Down F4");
    ASSERT_TRUE(tmux->waitFor(" Logical Drives ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("DISK_5")) << tmux->capture();
}

// Which items the menu offers by RAID type and state.
TEST_F(arrayDriveScreenTest, MenuItemsByTypeAndState)
{
    const struct {
        const char* name;
        std::string arrays;
        std::string mirrors;
        int line;
        std::set<std::string> off;
    } cases[] = {
        {"RAID 5 ready", raid5, "[]", 0, {}},
        {"RAID 0 ready",
         R"([{"type": 0, "drives": [0, 1]}])",
         "[]",
         0,
         {"Replace Array Component", "Add Hot Fix Drive", "Remove Hot Fix Drive", "Hot Fix Pool Access",
          "Parity Verify", "Periodic Parity Verify", "Build/Rebuild Progress"}},
        {"RAID 5 building",
         R"([{"type": 5, "drives": [0, 1, 2], "state": "build"}])",
         "[]",
         0,
         {"Expand Array Drive", "Parity Verify", "Replace Array Component"}},
        {"RAID 5 failed",
         R"([{"type": 5, "drives": [0, 1, 2], "state": "fail", "failedSlots": [1]}])",
         "[]",
         0,
         {"Expand Array Drive", "Parity Verify"}},
        {"RAID 4 invalid",
         R"([{"type": 4, "drives": [0, 1, 2], "state": "invalid"}])",
         "[]",
         0,
         {"Expand Array Drive", "Parity Verify", "Replace Array Component"}},
        {"RAID 10 ready",
         R"([{"type": 10, "drives": [0, 2]}])",
         R"([{"drives": [0, 1]}, {"drives": [2, 3]}])",
         0,
         {"Expand Array Drive", "Replace Array Component", "Parity Verify", "Periodic Parity Verify"}},
        {"RAID 10 building",
         R"([{"type": 10, "drives": [0, 2], "state": "build"}])",
         R"([{"drives": [0, 1]}, {"drives": [2, 3]}])",
         0,
         {"Expand Array Drive", "Replace Array Component", "Parity Verify", "Periodic Parity Verify",
          "Add RAID 1 Component"}},
        {"stand-alone RAID-1",
         "[]",
         R"([{"drives": [4, 5]}])",
         0,
         {"Expand Array Drive", "Replace Array Component", "Parity Verify", "Periodic Parity Verify"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(scenario(c.arrays, c.mirrors));
        openMenu(c.line);
        EXPECT_EQ(disabled(menuItems, "Remove Array Drive"), c.off) << tmux->capture();
        endCase();
    }
}

// A failed RAID 5 whose second component failed: the replace list marks
// that slot, and only that slot, as the array's first failed component.
TEST_F(arrayDriveScreenTest, ReplaceListMarksTheFirstFailedComponent)
{
    open(scenario(R"([{"type": 5, "drives": [0, 1, 2], "state": "fail", "failedSlots": [1]}])"));
    openMenu(0);
    choose("Replace Array Component");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to be replaced ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("DISK_2")) << tmux->capture();
    const std::string pane = stillPane();
    for (int k = 0; k < 3; ++k) {
        const std::string name = "DISK_" + std::to_string(k);
        std::string line;
        for (int y = 0; y < 60 && line.empty(); ++y)
            if (paneLine(pane, y).find(name) != std::string::npos)
                line = paneLine(pane, y);
        ASSERT_FALSE(line.empty()) << name << "\n" << pane;
        EXPECT_EQ(line.find("fail/first") != std::string::npos, k == 1) << line;
        EXPECT_EQ(line.find("/first") != std::string::npos, k == 1) << line;
    }
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Select Drive to be replaced ")) << tmux->capture();
}

// Under RECALCULATE the menu has "Parity Recalculate" right after "Periodic
// Parity Verify"; RAID 0 greys it out with the other parity items.
TEST_F(arrayDriveScreenTest, RecalculateItemUnderTheSwitch)
{
    const struct {
        const char* name;
        std::string arrays;
        bool off;
    } cases[] = {
        {"RAID 5 ready", raid5, false},
        {"RAID 0 ready", R"([{"type": 0, "drives": [0, 1]}])", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(scenario(c.arrays), "-RECALCULATE");
        openMenu(0);
        const std::string pane = stillPane();
        int periodic = -1;
        int recalculate = -1;
        for (int y = 0; y < 60; ++y) {
            const std::string line = paneLine(pane, y);
            if (line.find("\u2502Periodic Parity Verify") != std::string::npos)
                periodic = y;
            if (line.find("\u2502Parity Recalculate") != std::string::npos)
                recalculate = y;
        }
        ASSERT_GE(periodic, 0) << pane;
        EXPECT_EQ(recalculate, periodic + 1) << pane;
        const auto ref = itemRendition("Remove Array Drive", probeOf("Remove Array Drive"));
        const auto item = itemRendition("Parity Recalculate", "ty Recalculate");
        ASSERT_TRUE(item.found) << pane;
        EXPECT_EQ(item.fg != ref.fg || item.bold != ref.bold, c.off) << pane;
        endCase();
    }
}

// The old firmware level: expansion is not offered.
TEST_F(arrayDriveScreenTest, NoExpansionAtLevel18)
{
    open(scenario(raid5, "[]", {}, R"(, "profile": "old", "interfaceLevel": "0x212")"));
    openMenu(0);
    EXPECT_EQ(disabled({"Expand Array Drive"}, "Remove Array Drive"), std::set<std::string>{"Expand Array Drive"})
        << tmux->capture();
}

// The creation refusals of the chosen drives and the types enabled by the
// number of drives.
TEST_F(arrayDriveScreenTest, CreationRefusalsAndTypes)
{
    // With the cursor moved to the first item, RAID 1 is the reference.
    const struct {
        const char* name;
        std::string extra;   // controller fields
        const char* choose;  // keys in " Select Drives " before ENTER
        const char* shown;   // the refusal, or null for the type menu
        std::set<std::string> off;
    } cases[] = {
        {"one drive", "", "Space", "You must select at least 2 Drives", {}},
        {"master unchosen", "", "Space Down Space Down Space Up Up Space", "No master selected !", {}},
        {"two drives", "", "Space Down Space", nullptr, {"  RAID 4  ", "  RAID 5  ", "  RAID 10  "}},
        {"three drives", "", "Space Down Space Down Space", nullptr, {"  RAID 10  "}},
        {"four drives", "", "Space Down Space Down Space Down Space", nullptr, {}},
        {"no feature", R"(, "features": "0x00000101")", "Space Down Space", "It is not possible to create", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(scenario("[]", "[]", {}, c.extra));
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("SPACE")) << tmux->capture();
        tmux->sendKeys(c.choose);
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        tmux->sendKeys("Enter");
        if (c.shown) {
            ASSERT_TRUE(tmux->waitFor(c.shown)) << tmux->capture();
        } else {
            ASSERT_TRUE(tmux->waitFor(" Choose Type ")) << tmux->capture();
            std::set<std::string> off = disabled({"  RAID 4  ", "  RAID 5  ", "  RAID 10  "}, "  RAID 1  ");
            EXPECT_EQ(off, c.off) << tmux->capture();
        }
        EXPECT_EQ(countKey("0x10000010"), 0);
        endCase();
    }
}

// Too few free drives: M5006 and nothing is created.
TEST_F(arrayDriveScreenTest, TooFewDrivesForANewArray)
{
    open(scenario(R"([{"type": 5, "drives": [0, 1, 2, 3, 4, 5, 6]}])"));
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor("No suitable Drives found !")) << tmux->capture();
    EXPECT_EQ(countKey("0x10000010"), 0);
}

// A RAID 5 array made of three free drives, with its capacity dialog.
TEST_F(arrayDriveScreenTest, CreatesARaid5Array)
{
    open(scenario("[]"));
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("SPACE")) << tmux->capture();
    tmux->sendKeys("Space Down Space Down Space");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Choose Type ")) << tmux->capture();
    tmux->sendKeys("Enter");  // the cursor starts on RAID 5
    ASSERT_TRUE(tmux->waitFor("Strip. Size")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Do you want to create a Array Drive")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(tmux->waitFor("Drive Size (")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("   0   RAID5    ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x10000010"), 1);
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
}

// Remove Array Drive by the partitions of its host drive and the
// administrator mode: whether the removal reached the controller.
TEST_F(arrayDriveScreenTest, RemovalByPartitionsAndAdministratorMode)
{
    const struct {
        const char* name;
        bool partitions;
        const char* args;
        const char* question;  // null: refused
        const char* refusal;
        const char* answer;
        int removed;
    } cases[] = {
        {"no partitions", false, "", "Do you really want to remove", nullptr, "y", 1},
        {"no partitions, no", false, "", "Do you really want to remove", nullptr, "n", 0},
        {"partitions", true, "", nullptr, "Partition table is not empty.", nullptr, 0},
        {"partitions, administrator", true, "-QUENTRAX", "WARNING: This drive contains a valid partition table",
         nullptr, "y", 1},
        {"partitions, administrator, no", true, "-QUENTRAX", "WARNING: This drive contains a valid partition table",
         nullptr, "n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = {"hostdrive 0 0 0 4000000"};
        ASSERT_NO_FATAL_FAILURE(start(c.args, scenario(raid5)));
        if (c.partitions) {
            ASSERT_NO_FATAL_FAILURE(partition(0));
        }
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
        openMenu(0);
        choose("Remove Array Drive");
        if (c.question) {
            ASSERT_TRUE(tmux->waitFor(c.question)) << tmux->capture();
            tmux->sendKeys(c.answer);
            ASSERT_TRUE(waitGone(c.question)) << tmux->capture();
        } else {
            dismiss(c.refusal);
        }
        if (c.removed) {
            ASSERT_TRUE(waitGone("RAID5    ")) << tmux->capture();
        } else {
            ASSERT_TRUE(tmux->waitFor("emove Array Drive")) << tmux->capture();
        }
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(countKey("0x10000011"), c.removed);
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        endCase();
    }
}

// Removing the array drive or its private hot fix drive. Configuration
// access refused once is taken on the retry; refused twice (held) shows
// M5042, nothing reaches the controller and, for the hot fix drive, the disk
// change bracket is closed.
TEST_F(arrayDriveScreenTest, RemovalUnderRefusedAccess)
{
    const char* const hotFixBox = " Select Hot Fix Drive to be removed ";
    const struct {
        const char* name;
        const char* item;
        const char* pick;  // the box the drive is picked from, if any
        const char* key;   // the removal's IOCTL key
        std::vector<std::string> controls;
        int removed;
        const char* state;
    } cases[] = {
        {"array drive, refused once", "Remove Array Drive", nullptr, "0x10000011",
         {"hostdrive 0 0 0 4000000", "status 0 0x72 12"}, 1, ""},
        {"array drive, held", "Remove Array Drive", nullptr, "0x10000011", {"hostdrive 0 0 0 4000000", "hold 0 0"}, 0,
         "0 hold 0\n"},
        {"hot fix drive", "Remove Hot Fix Drive", hotFixBox, "0x10000016", {"hostdrive 0 0 0 4000000"}, 1, ""},
        {"hot fix drive, held", "Remove Hot Fix Drive", hotFixBox, "0x10000016",
         {"hostdrive 0 0 0 4000000", "hold 0 0"}, 0, "0 hold 0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        controls = c.controls;
        open(scenario(raid5));
        openMenu(0);
        choose(c.item);
        if (c.pick) {
            ASSERT_TRUE(tmux->waitFor(c.pick)) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("DISK_3")) << tmux->capture();
            tmux->sendKeys("Enter");
        }
        dismiss("Do you really want to remove", "y");
        if (!c.removed) {
            ASSERT_NO_FATAL_FAILURE(dismiss("Could not enter Maintenance Mode."));
        }
        if (c.pick) {
            ASSERT_TRUE(waitGone(c.pick)) << tmux->capture();
        } else if (c.removed) {
            ASSERT_TRUE(waitGone("RAID5    ")) << tmux->capture();
        } else {
            ASSERT_TRUE(tmux->waitFor("emove Array Drive")) << tmux->capture();
        }
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        if (c.pick) {
            EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027")) << "the bracket is closed";
        }
        EXPECT_EQ(countKey(c.key), c.removed);
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", c.state), c.state);
        endCase();
    }
}

// The hot fix drive is removed, but the re-read after it fails (the drive
// count refused): the box names the re-read's error, not what closing the
// disk change bracket left in the controller's error word (0 where the
// firmware closes it, the firmware-version code where it has no bracket).
TEST_F(arrayDriveScreenTest, FailedReReadAfterHotFixRemovalShowsItsOwnError)
{
    for (const char* profile : {"new", "old"}) {
        SCOPED_TRACE(profile);
        open(scenario(raid5, "[]", {}, std::string(", \"profile\": \"") + profile + "\""));
        openMenu(0);
        choose("Remove Hot Fix Drive");
        ASSERT_TRUE(tmux->waitFor(" Select Hot Fix Drive to be removed ")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor("DISK_3")) << tmux->capture();
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("Do you really want to remove")) << tmux->capture();
        ASSERT_TRUE(sim->control("status 0 0x01 0x0004"));
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor("Error: Controller returned error code")) << tmux->capture();
        const std::string pane = stillPane();
        EXPECT_NE(pane.find("0x0004 (DRIVE NOT AVAILABLE) !"), std::string::npos) << pane;
        EXPECT_EQ(pane.find("Return code"), std::string::npos) << pane;
        EXPECT_EQ(countKey("0x10000016"), 1) << "the removal itself went through";
        EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027")) << "the bracket is closed";
        endCase();
    }
}

// No hot fix drive to remove: M5007.
TEST_F(arrayDriveScreenTest, NoHotFixDriveToRemove)
{
    open(scenario(R"([{"type": 5, "drives": [0, 1, 2]}])"));
    openMenu(0);
    choose("Remove Hot Fix Drive");
    dismiss("No Drives found !");
    EXPECT_EQ(countKey("0x10000016"), 0);
}

// A RAID-1 drive with a missing component: the missing line, M5029 for a
// component, and the removal of the missing ones.
TEST_F(arrayDriveScreenTest, Raid1ComponentsWithAMissingOne)
{
    open(scenario("[]", R"([{"drives": [4, 5], "missing": 1}])"));
    openMenu(0);
    choose("Remove RAID 1 Component");
    ASSERT_TRUE(tmux->waitFor(" Select Drive to be removed ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("  1 missing drive(s)")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("valid")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    dismiss("Do you really want to remove", "y");
    dismiss("You must remove the missing Drive(s) first !");
    EXPECT_EQ(countKey("0x00000009"), 0);
    // The missing line.
    ASSERT_TRUE(tmux->waitFor(" Select Array Drive ")) << tmux->capture();
    openMenu(0);
    choose("Remove RAID 1 Component");
    ASSERT_TRUE(tmux->waitFor("  1 missing drive(s)")) << tmux->capture();
    tmux->sendKeys("Down Down Enter");
    dismiss("Do you really want to remove", "y");
    ASSERT_TRUE(waitGone(" Select Drive to be removed ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x00000009"), 1);
    EXPECT_EQ(countKey("0x00020026"), countKey("0x00020027")) << "the bracket is closed";
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
}

// Pool access of an array drive is written; the array is left as it was
// with the value unchanged.
TEST_F(arrayDriveScreenTest, PoolAccess)
{
    open(scenario(raid5));
    openMenu(0);
    const int before = countKey("0x1000000A");
    choose("Hot Fix Pool Access");
    ASSERT_TRUE(tmux->waitFor("Enabled")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(waitGone("Disabled")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("emove Array Drive")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_GT(countKey("0x1000000A") + countKey("0x00000063"), before);
}

// The hidden state patch keys (F14, F16) on an invalid array: the state
// the check-only requests find is offered, and yes patches it.
TEST_F(arrayDriveScreenTest, StatePatchOfAnInvalidArray)
{
    const struct {
        const char* name;
        const char* key;
        std::string arrays;
        const char* offered;
    } cases[] = {
        {"RAID 0", "S-F2", R"([{"type": 0, "drives": [0, 1], "state": "invalid"}])", "READY"},
        {"RAID 5", "S-F4", R"([{"type": 5, "drives": [0, 1, 2], "state": "invalid"}])", "IDLE/BUILD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(scenario(c.arrays));
        tmux->sendKeys(c.key);
        ASSERT_TRUE(tmux->waitFor(std::string("It is possible to patch the Array state to ") + c.offered + " !"))
            << tmux->capture();
        EXPECT_EQ(countKey("0x10000028"), 0) << "the checks send nothing";
        tmux->sendKeys("y");
        ASSERT_TRUE(waitGone("It is possible to patch")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
        // The question closes before the patch goes out, and the list's
        // hint stays on the screen meanwhile: wait for the patch in the log.
        ASSERT_TRUE(waitForLog(*sim, "0x10000028")) << "the patch (0x10000028) in the log";
        EXPECT_EQ(countKey("0x10000028"), 1);
        EXPECT_FALSE(shows("error")) << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        endCase();
    }
}

// A RAID-1 drive being built: no further component, and the build progress
// window, left with ESC back to the menu.
TEST_F(arrayDriveScreenTest, Raid1BuildProgress)
{
    controls = {"progress step 1"};
    open(scenario("[]", R"([{"drives": [4, 5], "building": true}])"));
    openMenu(0);
    EXPECT_EQ(disabled({"Add RAID 1 Component"}, "Remove Array Drive"), std::set<std::string>{"Add RAID 1 Component"})
        << tmux->capture();
    choose("Build/Rebuild Progress");
    ASSERT_TRUE(tmux->waitFor(" Progress Information: Array Build ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Press ESC to quit ")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Progress Information: Array Build ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("uild/Rebuild Progress")) << "the menu stays\n" << tmux->capture();
}

// A RAID-1 drive without a build: the progress item closes the menu at once.
TEST_F(arrayDriveScreenTest, Raid1WithoutBuildHasNoProgress)
{
    open(scenario("[]", R"([{"drives": [4, 5]}])"));
    openMenu(0);
    choose("Build/Rebuild Progress");
    ASSERT_TRUE(waitGone("uild/Rebuild Progress")) << tmux->capture();
    EXPECT_FALSE(shows("Progress Information")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
}

// Pool hot fix drives are refused for an array with old-format members on
// new firmware: M4057 and nothing written.
TEST_F(arrayDriveScreenTest, PoolAccessRefusedForOldFormatMembers)
{
    std::string text = scenario(raid5);
    const std::string first = "{\"target\": 0}";
    text.replace(text.find(first), first.size(), "{\"target\": 0, \"diskFormat\": 1}");
    open(text);
    openMenu(0);
    choose("Hot Fix Pool Access");
    ASSERT_TRUE(tmux->waitFor("Enabled")) << tmux->capture();
    const std::vector<std::string> before = sim->log();
    tmux->sendKeys("Down Enter");
    dismiss("This Array Drive has members with old disk drive format.");
    EXPECT_EQ(sim->log().size(), before.size()) << "nothing sent";
}

// The drive-choosing actions left at the drive choice: the disk change
// bracket is closed again and the replace list goes with the action.
TEST_F(arrayDriveScreenTest, DriveChoosingActionsCloseTheBracket)
{
    const struct {
        const char* item;
        const char* list;  // the list before the choice, or null
    } cases[] = {
        {"Add Hot Fix Drive", nullptr},
        {"Replace Array Component", " Select Drive to be replaced "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        open(scenario(raid5));
        openMenu(0);
        choose(c.item);
        if (c.list) {
            ASSERT_TRUE(tmux->waitFor(c.list)) << tmux->capture();
            EXPECT_TRUE(tmux->waitFor("DISK_1")) << tmux->capture();
            tmux->sendKeys("Down Enter");
        }
        // Nothing is chosen to be added: ESC leaves the choice.
        ASSERT_TRUE(tmux->waitFor(" Select Drive to be added ")) << tmux->capture();
        if (c.list) {
            EXPECT_TRUE(tmux->waitFor("DISK_2")) << "the list stays open beneath\n" << tmux->capture();
        }
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone(" Select Drive to be added ")) << tmux->capture();
        if (c.list) {
            ASSERT_TRUE(waitGone(c.list)) << tmux->capture();
        }
        ASSERT_TRUE(tmux->waitFor("emove Array Drive")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(countKey("0x00020026"), 1);
        EXPECT_EQ(countKey("0x00020027"), 1);
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        endCase();
    }
}

// F9 under ARRAYRESIZE: a host drive smaller than its array is set to the
// array's size; without the switch F9 does nothing.
TEST_F(arrayDriveScreenTest, FixHostDriveSize)
{
    for (const bool resize : {false, true}) {
        SCOPED_TRACE(resize ? "ARRAYRESIZE" : "no switch");
        controls = {"hostdrive 0 0 0 1000"};
        open(scenario(raid5), resize ? "-ARRAYRESIZE" : "");
        const int before = countKey("0x10010003");
        tmux->sendKeys("F9");
        if (!resize) {
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            EXPECT_FALSE(shows("Inconsistent Host Drive size")) << tmux->capture();
        } else {
            dismiss("Inconsistent Host Drive size detected.");
            ASSERT_TRUE(tmux->waitFor(" Fix Host Drive size ")) << tmux->capture();
            ASSERT_TRUE(tmux->waitFor("Set Host Drive size to Array Drive size")) << tmux->capture();
            tmux->sendKeys("Enter");
            dismiss("Host Drive table will be changed.", "y");
            ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            EXPECT_EQ(countKey("0x10010003"), before + 1) << "the table was written";
        }
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
        endCase();
    }
}

}  // namespace
}  // namespace tui::testing
