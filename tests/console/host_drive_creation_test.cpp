// The creation of host drives in mirvane, in tmux against the emulator:
// five new disks of 9000, 8000 and three times 10000 MB and an old-format
// disk; the types offered by the disk count, RAID 1 with a hot fix drive,
// the RAID 5 capacity per member, declined and failing creations, and the
// limit of host drive numbers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

std::string Disk(int target, int mb, bool initialised = false, int format = 0)
{
    return R"({"target": )" + std::to_string(target) + R"(, "capacity": )" + std::to_string(mb * 2048) +
           R"(, "initialised": )" + (initialised ? "true" : "false") + R"(, "diskFormat": )" + std::to_string(format) +
           "}";
}

// Five uninitialised disks and an initialised one of the old format.
std::string FiveDisks(const std::string& extra = "")
{
    return R"({"controllers": [{"entry": 0)" + extra + R"(, "channels": [{"kind": 2, "devices": [)" +
           Disk(0, 9000) + ", " + Disk(1, 8000) + ", " + Disk(2, 10000) + ", " + Disk(3, 10000) + ", " +
           Disk(4, 10000) + ", " + Disk(5, 4000, true, 1) + "]}]}]}";
}

constexpr const char* kQuestion = "Do you want to create a Host Drive from the selected disk(s) ?";

class hostDriveCreationTest : public mirvaneSession {
protected:
    // From the start to the disk choice (Express, or Advanced with `advanced`).
    void toDiskChoice(const std::string& scenario, bool advanced = false, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toHostDriveList(advanced));
        ASSERT_TRUE(tmux->waitFor("   Create new Host Drive")) << tmux->capture();
        for (int i = 0; i < hostLines; ++i)
            tmux->sendKeys("Down");
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive, ENTER: End selection")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor("RAID 10 + HotFix")) << tmux->capture();
    }
    // Ends the disk selection with ENTER and, once the types are offered, presses `key`.
    void chooseType(const std::string& key)
    {
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("RAID 10 + HotFix")) << tmux->capture();
        tmux->sendKeys(key);
    }
    // Runs a RAID 5 creation over the marked disks up to the capacity
    // dialog, which takes its full value.
    void createRaid5()
    {
        ASSERT_NO_FATAL_FAILURE(chooseType("5"));
        ASSERT_TRUE(tmux->waitFor(kQuestion)) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(tmux->waitFor("Used Capacity per Drive (1..")) << tmux->capture();
        tmux->sendKeys("Enter");
    }
    // Marks the first `count` disks of the list with SPACE.
    void mark(int count)
    {
        for (int i = 0; i < count; ++i)
            tmux->sendKeys("Space Down");
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    }
    int hostLines = 0;
};

// Where an IOCTL's parameter bytes begin in a logged record.
constexpr size_t kDataOffset = 524;

// One logged request: its key, target, status and the bytes of its data.
struct Request {
    std::string key;
    std::string target;
    std::string status;
    std::string data;  // lowercase hex
};

// The IOCTL commands (opcode 5) of the log with the key (all when empty),
// oldest first.
std::vector<Request> Requests(const SimMount& sim, const std::string& key = "")
{
    std::vector<Request> out;
    for (const std::string& line : sim.log()) {
        std::vector<std::string> f;
        size_t from = 0;
        for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            f.push_back(line.substr(from, tab - from));
        f.push_back(line.substr(from));
        if (f.size() < 11 || f[4] != "5" || (!key.empty() && f[5] != key))
            continue;
        const size_t length = std::stoul(f[7]);
        out.push_back({f[5], f[6], f[9], f[10].substr(kDataOffset * 2, length * 2)});
    }
    return out;
}

// The little-endian u32 at byte `at` of a hex text.
uint32_t Word(const std::string& hex, size_t at)
{
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | static_cast<uint32_t>(std::stoul(hex.substr((at + static_cast<size_t>(k)) * 2, 2), nullptr, 16));
    return v;
}

TEST_F(hostDriveCreationTest, TypesOfferedByTheDiskCount)
{
    // Hot keys of the eleven types, in menu order.
    const char* const keys[] = {"s", "c", "0", "1", "h", "4", "o", "5", "t", "d", "f"};
    const char* const expected[] = {
        "E----------",  // one disk
        "EEEE-------",  // two
        "EEEEEE-E---",  // three
        "EEEEEEEEEE-",  // four: RAID 10, not RAID 10 + HotFix
        "EEEEEEEEE-E",  // five: RAID 10 + HotFix, not RAID 10
    };
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(FiveDisks()));
    for (int count = 1; count <= 5; ++count) {
        tmux->sendKeys("Space Down");
        std::string states;
        for (const char* key : keys) {
            tmux->sendKeys("Enter");
            ASSERT_TRUE(tmux->waitFor("RAID 10 + HotFix")) << tmux->capture();
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            tmux->sendKeys(key);
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
            if (shows(kQuestion)) {
                states += 'E';
                ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "n"));
            } else {
                states += '-';
                tmux->sendKeys("Escape");
            }
            ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive")) << tmux->capture();
            // The hint stays on screen under the menu: the next marks go once
            // the list has taken the key that closed it.
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        }
        EXPECT_EQ(states, expected[count - 1]) << count << " disks";
    }
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "nothing taken";
}

TEST_F(hostDriveCreationTest, DeclinedCreationSendsNothingAndKeepsTheMarks)
{
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(FiveDisks()));
    mark(2);
    ASSERT_NO_FATAL_FAILURE(chooseType("Enter"));  // the default, RAID 1 for two disks
    ASSERT_TRUE(tmux->waitFor(kQuestion)) << tmux->capture();
    const size_t before = sim->log().size();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone(kQuestion)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("* SCSI-A 0 ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("* SCSI-A 1 ")) << tmux->capture();
    EXPECT_FALSE(shows("* SCSI-A 2 ")) << tmux->capture();
    EXPECT_EQ(sim->log().size(), before) << "no request after the question";
}

TEST_F(hostDriveCreationTest, Raid1WithHotFixTakesTheSmallestDiskAsMaster)
{
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(FiveDisks()));
    mark(3);  // 9000, 8000 and 10000 MB
    ASSERT_NO_FATAL_FAILURE(chooseType("h"));
    ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "y"));
    ASSERT_TRUE(tmux->waitFor("Used Capacity per Drive (1..8000 MB): 8000")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("RAID-1  0")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    // The 9000 MB disk became drive 1 and the mirror's component; the
    // 8000 MB disk took the chosen number 0; the 10000 MB disk, drive 2, the hot fix.
    const std::vector<Request> attach = Requests(*sim, "0x00000010");
    ASSERT_EQ(attach.size(), 1u);
    EXPECT_EQ(attach[0].target, "0x00000001");
    const std::vector<Request> hotFix = Requests(*sim, "0x00000060");
    ASSERT_EQ(hotFix.size(), 1u);
    EXPECT_EQ(Word(hotFix[0].data, 4), 2u);
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
}

TEST_F(hostDriveCreationTest, Raid5CapacityIsSentForEveryDataMember)
{
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(FiveDisks()));
    mark(4);
    ASSERT_NO_FATAL_FAILURE(chooseType("5"));
    ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "y"));
    ASSERT_TRUE(tmux->waitFor("Used Capacity per Drive (1..")) << tmux->capture();
    typeInput("5000");
    ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("Array   0")) << tmux->capture();
    EXPECT_TRUE(waitGone("Used Capacity per Drive")) << "no dialog left behind\n" << tmux->capture();
    EXPECT_FALSE(shows("RAID 5 + HotFix")) << tmux->capture();
    const std::vector<Request> set = Requests(*sim, "0x1000002D");
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(Word(set[0].data, 0), 3u * 5000u * 2048u);
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
}

TEST_F(hostDriveCreationTest, FailedInitialisationLeavesAndReReadsOnly)
{
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(FiveDisks()));
    ASSERT_TRUE(sim->control("status 0 0x20000002 0x000A"));
    mark(1);
    ASSERT_NO_FATAL_FAILURE(chooseType("Enter"));
    ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "y"));
    ASSERT_NO_FATAL_FAILURE(dismiss("Could not initialize disk"));
    ASSERT_TRUE(tmux->waitFor("SPACE: Select/deselect drive")) << "the selection goes on\n" << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("* SCSI-A 0 ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    // After the refused initialisation: the unlock of every host drive,
    // then nothing but reads.
    const std::vector<Request> all = Requests(*sim);
    size_t failed = all.size();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].key == "0x20000002")
            failed = i;
    ASSERT_LT(failed + 1, all.size());
    EXPECT_EQ(all[failed + 1].key, "0x00000073");
    EXPECT_EQ(all[failed + 1].target, "0xFFFFFFFF");
    for (size_t i = failed + 2; i < all.size(); ++i)
        for (const char* change : {"0x0000000E", "0x00000003", "0x10010003", "0x00000072"})
            EXPECT_NE(all[i].key, change) << i;
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
}

TEST_F(hostDriveCreationTest, HighestHostDriveNumber)
{
    const struct {
        int highest;
        const char* shown;
    } cases[] = {
        {98, "SPACE: Select/deselect drive"},
        {99, "already been assigned."},
    };
    for (const auto& c : cases) {
        controls = {"hostdrive 0 0 " + std::to_string(c.highest) + " 2048"};
        hostLines = 1;
        ASSERT_NO_FATAL_FAILURE(start("", R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
            {"target": 0}, {"target": 1, "initialised": false}]}],
            "logicalDrives": [{"number": 0, "type": 0, "members": [[0, 0]]}]}]})"));
        ASSERT_NO_FATAL_FAILURE(toMainMenu());
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("   Create new Host Drive")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor(c.shown)) << c.highest << "\n" << tmux->capture();
        if (c.highest == 99) {
            EXPECT_TRUE(tmux->waitFor("last possible drive number (99) has")) << tmux->capture();
        }
        TearDown();
    }
}

// Three new disks, and, with `extra`, what else the controller holds.
std::string ThreeDisks(const std::string& extra = "", const std::string& devices = "")
{
    return R"({"controllers": [{"entry": 0)" + extra + R"(, "channels": [{"kind": 2, "devices": [)" +
           Disk(0, 1000) + ", " + Disk(1, 1000) + ", " + Disk(2, 1000) + devices + "]}]}]}";
}

TEST_F(hostDriveCreationTest, EnclosureSetUp)
{
    const struct {
        const char* title;
        std::string scenario;
        const char* question;  // asked (answered Y), or null
        const char* after;     // message after the set-up, or null
        const char* key;       // the IOCTL key that writes the set-up
        int writes;
    } cases[] = {
        {"SAF-TE processor whose slots hold every disk already", ThreeDisks("", R"(, {"target": 6, "type": 3,
            "product": "ENCLOSURE", "enclosure": {"slots": [0, 1, 2]}})"),
         nullptr, nullptr, "0x00020010", 0},
        {"SAF-TE processor without a slot for a disk", ThreeDisks("", R"(, {"target": 6, "type": 3,
            "product": "ENCLOSURE", "enclosure": {"slots": [0, 1, 4]}})"),
         "SAF-TE found, but automatic SAF-TE configuration not possible.", nullptr, "0x00020010", 0},
        {"controller enclosure configuration", ThreeDisks(R"(, "enclosureConfigs": 2)"),
         "feature of the controller for this array?", "For identification of the disks, it is recommended",
         "0x00020020", 1},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(toDiskChoice(c.scenario)) << c.title;
        mark(3);
        ASSERT_NO_FATAL_FAILURE(createRaid5());
        if (c.question) {
            ASSERT_NO_FATAL_FAILURE(dismiss(c.question, "y")) << c.title;
        }
        if (c.after) {
            ASSERT_NO_FATAL_FAILURE(dismiss(c.after)) << c.title;
        }
        ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << c.title << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        const std::vector<Request> written = Requests(*sim, c.key);
        EXPECT_EQ(static_cast<int>(written.size()), c.writes) << c.title;
        if (std::string(c.key) == "0x00020020" && !written.empty()) {
            EXPECT_EQ(written[0].data.substr(8, 12), "546172766f00") << "vendor";
            EXPECT_EQ(written[0].data.substr(32, 14), "454e434c5f3000") << "ENCL_0";
            EXPECT_EQ(Word(written[0].data, 28), 3u) << "slots";
        }
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << c.title;
        TearDown();
    }
}

TEST_F(hostDriveCreationTest, TooFewFreeDriveNumbersRefuseBeforeAnyRequest)
{
    // Drive numbers 2..254 are logical drives on an address outside the
    // channels: two free numbers remain.
    std::string drives;
    for (int n = 2; n <= 254; ++n)
        drives += std::string(n > 2 ? ", " : "") + R"({"number": )" + std::to_string(n) +
                  R"(, "type": 0, "members": ["0x7FFF0005"]})";
    const struct {
        const char* key;
        const char* shown;
    } cases[] = {
        {"5", "Not enough free Drive numbers available!"},  // one number per disk
        {"s", "Not enough free Drive numbers available!"},  // single disks too
        {"c", kQuestion},                                    // chaining takes one
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(toDiskChoice(ThreeDisks(R"(, "logicalDrives": [)" + drives + "]")));
        mark(3);
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor("RAID 10 + HotFix")) << tmux->capture();
        const size_t before = sim->log().size();
        tmux->sendKeys(c.key);
        ASSERT_NO_FATAL_FAILURE(dismiss(c.shown, "n")) << c.key;
        EXPECT_EQ(sim->log().size(), before) << c.key << ": no request";
        TearDown();
    }
}

TEST_F(hostDriveCreationTest, OldFormatDiskIsAskedForAndDeinitialisedFirst)
{
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(FiveDisks(), true));
    for (int i = 0; i < 5; ++i)
        tmux->sendKeys("Down");
    tmux->sendKeys("Space");
    ASSERT_NO_FATAL_FAILURE(dismiss("This disk is initialized with old disk format.", "n"));
    EXPECT_FALSE(shows("* SCSI-A 5 ")) << tmux->capture();
    tmux->sendKeys("Space");
    ASSERT_NO_FATAL_FAILURE(dismiss("This disk is initialized with old disk format.", "y"));
    ASSERT_TRUE(tmux->waitFor("* SCSI-A 5 ")) << tmux->capture();
    ASSERT_NO_FATAL_FAILURE(chooseType("s"));
    ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "y"));
    ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("   0   ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    // De-initialised, then initialised with the new format (2).
    const std::vector<Request> all = Requests(*sim);
    std::vector<std::string> order;
    for (const Request& r : all)
        if (r.key == "0x20000008" || r.key == "0x20000002")
            order.push_back(r.key);
    EXPECT_EQ(order, (std::vector<std::string>{"0x20000008", "0x20000002"}));
}

TEST_F(hostDriveCreationTest, DestructiveBuildAndStripeSizeInAdvancedSetup)
{
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(ThreeDisks(), true, "-DESTRUCTIVE"));
    mark(3);
    ASSERT_NO_FATAL_FAILURE(chooseType("5"));
    ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "y"));
    ASSERT_TRUE(tmux->waitFor("Strip. Size")) << tmux->capture();
    tmux->sendKeys("Up Enter");  // from 128 KB to 64 KB
    ASSERT_TRUE(tmux->waitFor(" Choose Build Type ")) << tmux->capture();
    tmux->sendKeys("Enter");      // it starts at the destructive build
    ASSERT_NO_FATAL_FAILURE(dismiss("If you reset the system during the Destructive Build,"));
    ASSERT_TRUE(tmux->waitFor("Used Capacity per Drive (1..")) << tmux->capture();
    tmux->sendKeys("Escape");     // keeps the full capacity
    ASSERT_TRUE(tmux->waitFor(" Select Host Drive ")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    const std::vector<Request> create = Requests(*sim, "0x10000010");
    ASSERT_EQ(create.size(), 1u);
    EXPECT_EQ(Word(create[0].data, 12), 128u) << "stripe size in sectors";
    EXPECT_EQ(std::stoul(create[0].data.substr(319 * 2, 2), nullptr, 16) & 0x20, 0x20u) << "destructive";
    EXPECT_TRUE(Requests(*sim, "0x1000002D").empty()) << "full capacity: nothing set";
}

TEST_F(hostDriveCreationTest, ClusterDriveOnClusterChannels)
{
    // Channel 0 is a cluster channel (page A byte 344) with clustering on.
    ASSERT_NO_FATAL_FAILURE(toDiskChoice(ThreeDisks(R"(, "pageA": [[344, 1]], "clusterEnabled": true)"), true,
                                         "-DESTRUCTIVE"));
    mark(3);
    ASSERT_NO_FATAL_FAILURE(chooseType("5"));
    ASSERT_NO_FATAL_FAILURE(dismiss(kQuestion, "y"));
    ASSERT_TRUE(tmux->waitFor("Strip. Size")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_NO_FATAL_FAILURE(dismiss("Do you want to set the Host Drive type to 'Cluster'? (Y/N)", "y"));
    // A cluster drive gets no build type choice.
    ASSERT_TRUE(tmux->waitFor("Used Capacity per Drive (1..")) << tmux->capture();
    EXPECT_FALSE(shows(" Choose Build Type ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("RAID-5/Clu")) << tmux->capture();
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    const std::vector<Request> create = Requests(*sim, "0x10000010");
    ASSERT_EQ(create.size(), 1u);
    EXPECT_EQ(std::stoul(create[0].data.substr(319 * 2, 2), nullptr, 16) & 0x20, 0u) << "not destructive";
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
}

}  // namespace
}  // namespace tui::testing
