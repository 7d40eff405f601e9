// The array drive dialogs in a terminal against the emulator: the parity
// verify window and its endings, the build, rebuild and expansion progress
// displays, the quit walk of mirvane over running builds, the Expand menu's
// gates and " Select Drive to be added ". Arrays are made through the model
// before the dialog program starts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drive_sim_test.h"
#include "screen_waits.h"
#include "tmux_session.h"

namespace {

using tui::testing::tmuxSession;

constexpr uint32_t kDisk = 2097152;

// A controller of `profile` with disks of the capacities on channel 0;
// logical drive i is disk i for the first `drives` disks. `extra` goes into
// the controller object (e.g. "pageA").
std::string Disks(const std::vector<uint32_t>& caps, size_t drives, const std::string& profile = "new",
                  const std::string& extra = "", const std::string& deviceExtra = "")
{
    std::string devices, logical;
    for (size_t i = 0; i < caps.size(); ++i)
        devices += (i ? ", " : "") + std::string(R"({"target": )") + std::to_string(i) + R"(, "capacity": )" +
                   std::to_string(caps[i]) + R"(, "product": "DISK )" + std::to_string(i) + "\"" +
                   (i == 0 ? deviceExtra : "") + "}";
    for (size_t i = 0; i < drives; ++i)
        logical += (i ? ", " : "") + std::string(R"({"number": )") + std::to_string(i) + R"(, "members": [[0, )" +
                   std::to_string(i) + "]]}";
    return R"({"entry": 0, "profile": ")" + profile + R"(", "channels": [{"kind": 2, "devices": [)" + devices +
           R"(]}], "logicalDrives": [)" + logical + "]" + extra + "}";
}

class ArrayDialogTest : public DriveSimTest {
protected:
    void TearDown() override
    {
        tmux_.reset();
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
        DriveSimTest::TearDown();
    }

    // An array of `type` over the drives (the first one's number is the
    // array's), read back; its number, -1 on failure.
    int Make(CController* c, int type, const std::vector<int>& numbers)
    {
        CLogDrive& first = c->logDrives[Drive(*c, numbers[0])];
        for (size_t i = 1; i < numbers.size(); ++i)
            first.AddPendingComponent(Drive(*c, numbers[i]));
        int spans = -1, number = -1;
        if (first.CreateArray(type, &spans, &number, 0x10000) != 1 || c->Refresh() != 1)
            return -1;
        return number;
    }
    // Queries the build or rebuild of array `number` until it is ready.
    bool BuildToReady(CController* c, int number)
    {
        for (int round = 0; round < 200; ++round) {
            const int a = c->FindArrayDrive(number);
            if (a < 0)
                return false;
            CArrayDrive& array = c->arrayDrives[a];
            if (array.State() == ARSTATE_READY)
                return true;
            ProgressRequest r;
            r.operation = PROGRESS_QUERY;
            const bool rebuild = array.State() == ARSTATE_REBUILD;
            if ((rebuild ? array.GetRebuildProgress(&r) : array.GetBuildProgress(&r)) != 1)
                return false;
        }
        return false;
    }
    // A ready RAID-5 array of drives 0-2 on a fresh emulator; the controller.
    CController* ReadyRaid5(const std::string& scenario = Disks({kDisk, kDisk, kDisk, kDisk}, 4))
    {
        CController* c = Read(scenario);
        if (c == nullptr || Make(c, RAID_TYPE_5, {0, 1, 2}) != 0 || !BuildToReady(c, 0))
            return nullptr;
        return c;
    }
    // What runs on array 0 (drives 0-2) before a dialog starts.
    enum Setup { ready, building, destructive, rebuilding, expanding };
    void Start(CController* c, Setup setup)
    {
        switch (setup) {
        case ready:
            ASSERT_EQ(Make(c, RAID_TYPE_5, {0, 1, 2}), 0);
            ASSERT_TRUE(BuildToReady(c, 0));
            break;
        case building:
            ASSERT_EQ(Make(c, RAID_TYPE_5, {0, 1, 2}), 0);
            break;
        case destructive:
            ASSERT_EQ(Make(c, RAID_TYPE_5 | RAID_DESTRUCTIVE, {0, 1, 2}), 0);
            break;
        case rebuilding: {
            // A private hot fix drive (drive 3) takes over the failed disk 1.
            ASSERT_EQ(Make(c, RAID_TYPE_5, {0, 1, 2}), 0);
            ASSERT_TRUE(BuildToReady(c, 0));
            CArrayDrive& array = c->arrayDrives[c->FindArrayDrive(0)];
            array.AddPendingComponent(Drive(*c, 3));
            ASSERT_EQ(array.AddHotFixDrives(0, 1), 1) << std::hex << array.error;
            ASSERT_TRUE(sim_->control("fail 0 0 1"));
            ASSERT_EQ(c->Refresh(), 1);
            ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(0)].State(), ARSTATE_REBUILD);
            break;
        }
        case expanding: {
            // RAID 0 of drives 0 and 1 grows by drive 2.
            ASSERT_EQ(Make(c, RAID_TYPE_0, {0, 1}), 0);
            CArrayDrive& array = c->arrayDrives[c->FindArrayDrive(0)];
            array.AddPendingComponent(Drive(*c, 2));
            ProgressRequest r;
            r.operation = PROGRESS_START;
            r.percent = RAID_TYPE_0;
            ASSERT_EQ(array.ExpandConvert(&r), 1) << std::hex << array.error;
            break;
        }
        }
    }
    // Starts the dialog program with the arguments.
    void Probe(const std::string& args)
    {
        tmux_ = std::make_unique<tmuxSession>("KZMH_PROC_ROOT=" + tmuxSession::quote(sim_->root()) + " " +
                                              tmuxSession::quote(PROBE_PATH) + " " + args);
        ASSERT_TRUE(tmux_->started());
    }
    // Starts mirvane in a scratch directory.
    void Mirvane()
    {
        char tmpl[] = "/tmp/kzm_expand_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        const std::string inDir = "cd " + tmuxSession::quote(dir_) + " && exec " + tmuxSession::quote(MIRVANE_PATH);
        tmux_ = std::make_unique<tmuxSession>("KZMH_PROC_ROOT=" + tmuxSession::quote(sim_->root()) + " sh -c " +
                                              tmuxSession::quote(inDir));
        ASSERT_TRUE(tmux_->started());
    }
    bool Shows(const std::string& text, int ms = 5000) { return tmux_->waitFor(text, ms); }
    bool Gone(const std::string& text, int ms = 5000)
    {
        return waitGone(*tmux_, text, ms);
    }
    // Waits for the text, then closes its box with a key.
    void Dismiss(const std::string& text, int ms = 5000, const std::string& key = "x")
    {
        ASSERT_TRUE(Shows(text, ms)) << text << "\n" << tmux_->capture();
        tmux_->sendKeys(key);
        ASSERT_TRUE(Gone(text)) << text << "\n" << tmux_->capture();
    }
    // The program's closing line ("result ..."), waited for.
    std::string Result(int ms = 30000)
    {
        if (!Shows("[exit ", ms))
            return "no end:\n" + tmux_->capture();
        const std::string pane = tmux_->capture();
        const size_t at = pane.find("result ");
        return at == std::string::npos ? pane : pane.substr(at, pane.find('\n', at) - at);
    }
    // The parity verify starts (code 0 of 0x1000001C) the emulator served.
    size_t VerifyStarts() const
    {
        size_t n = 0;
        for (const auto& rec : LoggedRecords(0x1000001C))
            n += rec.size() > kLoggedData && rec[kLoggedData] == 0 ? 1 : 0;
        return n;
    }

    std::unique_ptr<tmuxSession> tmux_;
    std::string dir_;
};

// How a parity verify ends: by itself, with a parity error, with 'a',
// with ESC, and with a query that fails (which says nothing about the parity).
TEST_F(ArrayDialogTest, ParityVerifyEndings)
{
    const struct {
        const char* name;
        const char* control;   // before the program starts
        const char* key;       // sent once the window shows, null: none
        const char* message;   // the box at the end, null: none
        int stateAfter;        // the array's verify state afterwards
    } cases[] = {
        {"ok", "progress step 25", nullptr, "Parity Verify completed, Parity is ok !", ARVERIFY_DONE},
        {"parity error", "progress step 25\nparityerror 0 0", nullptr, "Parity Verify aborted, Parity error detected !",
         4},
        {"abort with a", "progress step 1", "a", "Parity Verify aborted !", ARVERIFY_STOPPED},
        {"ESC only closes", "progress step 1", "Escape", nullptr, ARVERIFY_RUNNING},
        {"failing query", "progress step 1\nstatus 0 0x1000001C 6 after 3\nstatus 0 0x1000001C 6\nstatus 0 0x1000001C 6", nullptr, "0x0006 (REASSIGN FAILURE)", ARVERIFY_RUNNING},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = ReadyRaid5();
        ASSERT_NE(c, nullptr);
        ASSERT_TRUE(sim_->control(k.control));
        Probe("verify 0");
        ASSERT_TRUE(Shows(" ESC: Close Window, A: Abort Parity Verify ")) << tmux_->capture();
        if (k.key) {
            ASSERT_TRUE(Shows("Elapsed Time")) << tmux_->capture();
            tmux_->sendKeys(k.key);
        }
        if (k.message) {
            ASSERT_TRUE(Shows(k.message, 20000)) << tmux_->capture();
            const std::string pane = settledScreen(*tmux_);
            if (k.stateAfter != ARVERIFY_DONE) {
                EXPECT_EQ(pane.find("Parity is ok"), std::string::npos) << pane;
            }
            tmux_->sendKeys("x");
        }
        EXPECT_EQ(Result(), "result 1 kind -2");
        EXPECT_EQ(VerifyStarts(), 1u);
        ASSERT_EQ(c->Refresh(), 1);
        EXPECT_EQ(c->arrayDrives[c->FindArrayDrive(0)].info[ARREC_VERIFY], k.stateAfter);
        tmux_.reset();
        TearDown();
    }
}

// A verify that already runs is joined, not started again; a controller
// that repairs parity errors asks first.
TEST_F(ArrayDialogTest, ParityVerifyJoinsOrAsks)
{
    {
        SCOPED_TRACE("already running");
        CController* c = ReadyRaid5();
        ASSERT_NE(c, nullptr);
        ProgressRequest start;
        start.operation = PROGRESS_START;
        ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(0)].ParityVerify(&start), 1);
        ASSERT_TRUE(sim_->control("progress step 25"));
        Probe("verify 0");
        Dismiss("Parity Verify already in progress.");
        Dismiss("Parity Verify completed, Parity is ok !", 20000);
        EXPECT_EQ(Result(), "result 1 kind -2");
        EXPECT_EQ(VerifyStarts(), 1u) << "only the test's own start";
        TearDown();
    }
    {
        SCOPED_TRACE("repairing controller, answered No");
        CController* c = ReadyRaid5(Disks({kDisk, kDisk, kDisk}, 3, "new", R"(, "pageA": [[365, 2]])"));
        ASSERT_NE(c, nullptr);
        Probe("verify 0");
        ASSERT_TRUE(Shows("Parity Verify will automatically repair Parity Errors.")) << tmux_->capture();
        tmux_->sendKeys("n");
        EXPECT_EQ(Result(), "result 0 kind -2");
        EXPECT_EQ(VerifyStarts(), 0u);
    }
}

// In administrator mode the verify goes on pass after pass until a key.
TEST_F(ArrayDialogTest, AdministratorVerifyRepeatsPasses)
{
    ASSERT_NE(ReadyRaid5(), nullptr);
    ASSERT_TRUE(sim_->control("progress step 50"));
    Probe("--admin verify 0");
    ASSERT_TRUE(Shows(" Pass 1 ")) << tmux_->capture();
    ASSERT_TRUE(Shows(" Pass 2 ", 15000)) << tmux_->capture();
    ASSERT_TRUE(Shows(" Pass 3 ", 15000)) << tmux_->capture();
    tmux_->sendKeys("Escape");
    EXPECT_EQ(Result(), "result 1 kind -2");
    EXPECT_GE(VerifyStarts(), 3u);
    EXPECT_EQ(tmux_->capture().find("Parity is ok"), std::string::npos) << "passes that end well are not reported";
    tmux_.reset();
    TearDown();
    // A parity error is reported, and the next verify keeps the pass number.
    ASSERT_NE(ReadyRaid5(), nullptr);
    ASSERT_TRUE(sim_->control("progress step 50\nparityerror 0 0"));
    Probe("--admin verify 0");
    ASSERT_TRUE(Shows(" Pass 1 ")) << tmux_->capture();
    Dismiss("Parity Verify aborted, Parity error detected !", 15000);
    ASSERT_TRUE(Shows(" Pass 1 ")) << tmux_->capture();
    ASSERT_TRUE(Shows(" Pass 2 ", 15000)) << tmux_->capture();
    tmux_->sendKeys("Escape");
    EXPECT_EQ(Result(), "result 1 kind -2");
    EXPECT_GE(VerifyStarts(), 3u);
}

// What the build progress display finds: nothing, a build (destructive or
// not), a rebuild, an expansion; ESC leaves it with what was running.
TEST_F(ArrayDialogTest, BuildProgressDisplays)
{
    const struct {
        const char* name;
        Setup setup;
        const char* step;    // progress per query while the display runs
        bool escape;
        const char* title;   // null: no window
        const char* result;
    } cases[] = {
        {"nothing runs", ready, "progress step 1", false, nullptr, "result 1 kind -1"},
        {"build to its end", building, "progress step 25", false,
         " Progress Information: Non-destructive Array Build ", "result 1 kind -1"},
        {"build left with ESC", building, "progress step 1", true,
         " Progress Information: Non-destructive Array Build ", "result 0 kind 1"},
        {"destructive build", destructive, "progress step 1", true, " Progress Information: Destructive Array Build ",
         "result 0 kind 1"},
        {"rebuild", rebuilding, "progress step 1", true, " Progress Information: Array Rebuild ", "result 0 kind 2"},
        {"expansion", expanding, "progress step 1", true, " Progress Information: Expansion ", "result 0 kind 0"},
        {"build through a busy storm", building, "progress step 25\nbusy 40", false,
         " Progress Information: Non-destructive Array Build ", "result 1 kind -1"},
        {"build with a failing query", building, "progress step 25\nstatus 0 0x1000001A 6 after 2", false,
         " Progress Information: Non-destructive Array Build ", "result 1 kind -1"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Disks({kDisk, kDisk, kDisk, kDisk}, 4));
        ASSERT_NE(c, nullptr);
        ASSERT_NO_FATAL_FAILURE(Start(c, k.setup));
        ASSERT_TRUE(sim_->control(k.step));
        Probe("progress 0");
        if (k.title) {
            ASSERT_TRUE(Shows(k.title)) << tmux_->capture();
            EXPECT_TRUE(Shows(" Press ESC to quit ")) << tmux_->capture();
            if (k.escape) {
                ASSERT_TRUE(Shows("Elapsed Time")) << tmux_->capture();
                tmux_->sendKeys("Escape");
            }
        }
        EXPECT_EQ(Result(), k.result);
        if (!k.title) {
            EXPECT_EQ(tmux_->capture().find("Progress Information"), std::string::npos);
        }
        tmux_.reset();
        TearDown();
    }
}

// The quit walk of mirvane shows every running build; ESC stops it, with
// the warning after a build or rebuild but not after an expansion.
TEST_F(ArrayDialogTest, QuitWalkOverRunningOperations)
{
    const char* const warning = "WARNING: At least one array is not redundant yet !";
    const char* const quit = "Do you really want to quit ? (Y/N)";
    const struct {
        const char* name;
        Setup setup;
        bool twoArrays;       // a second RAID-5 array (drives 3-5) builds too
        const char* title;
        const char* status;   // the status line of the display left with ESC
        bool warned;
    } cases[] = {
        {"a build", building, false, "Non-destructive Array Build",
         "Controller 0 - KZM8530RZ, Array Drive 0, Type RAID-5", true},
        {"a rebuild", rebuilding, false, "Array Rebuild", "Controller 0 - KZM8530RZ, Array Drive 0, Type RAID-5", true},
        {"an expansion", expanding, false, "Expansion", "Controller 0 - KZM8530RZ, Array Drive 0, Type RAID-0", false},
        {"two builds, the first to its end", building, true, "Non-destructive Array Build",
         "Controller 0 - KZM8530RZ, Array Drive 3, Type RAID-5", true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Disks({kDisk, kDisk, kDisk, kDisk, kDisk, kDisk}, 6));
        ASSERT_NE(c, nullptr);
        ASSERT_NO_FATAL_FAILURE(Start(c, k.setup));
        if (k.twoArrays) {
            ASSERT_EQ(Make(c, RAID_TYPE_5, {3, 4, 5}), 3);
        }
        ASSERT_TRUE(sim_->control(k.twoArrays ? "progress step 34" : "progress step 1"));
        Mirvane();
        ASSERT_TRUE(Shows(" Select interface ")) << tmux_->capture();
        tmux_->sendKeys("Enter");
        ASSERT_TRUE(Shows(" Select Controller ")) << tmux_->capture();
        tmux_->sendKeys("Escape");
        ASSERT_TRUE(Shows(k.title)) << tmux_->capture();
        ASSERT_TRUE(Shows(k.status, 15000)) << tmux_->capture();
        ASSERT_TRUE(Shows("Elapsed Time")) << tmux_->capture();
        tmux_->sendKeys("Escape");
        if (k.warned)
            Dismiss(warning);
        ASSERT_TRUE(Shows(quit)) << tmux_->capture();
        EXPECT_EQ(settledScreen(*tmux_).find(warning), std::string::npos) << tmux_->capture();
        tmux_->sendKeys("y");
        EXPECT_TRUE(Shows("[exit 0]")) << tmux_->capture();
        tmux_.reset();
        TearDown();
    }
}

// " Select Drive to be added " for logical drive 0 (one disk of kSmall
// sectors): free logical drives of its size, and the free disks whose
// usable capacity reaches it, by firmware and by the reference's disk format.
TEST_F(ArrayDialogTest, CandidatesFollowTheCapacityRule)
{
    constexpr uint32_t L = 1000000;
    // Target, capacity, initialised; targets 0, 8 and 9 carry logical drives 0, 8 and 9.
    const struct {
        int target;
        uint32_t capacity;
        bool initialised;
    } disks[] = {{0, L, true},         {1, L + 66736, true}, {2, L + 66735, true}, {3, L + 1199, true},
                 {4, L + 1200, true},  {5, L - 1, true},     {6, L + 1200, false}, {7, L + 1199, false},
                 {8, L, true},         {9, L - 1, true}};
    const struct {
        const char* name;
        const char* profile;
        const char* format;   // the reference disk's format
        std::vector<int> offered;
    } cases[] = {
        {"new firmware, new format", "new", "2", {1}},
        {"new firmware, old format: 0x10000 more", "new", "1", {1, 2, 4, 6}},
        {"older firmware: blocks, less 1200 when not initialised", "middle", "2", {1, 2, 3, 4, 6}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        std::string devices;
        for (const auto& d : disks)
            devices += std::string(devices.empty() ? "" : ", ") + R"({"target": )" + std::to_string(d.target) +
                       R"(, "capacity": )" + std::to_string(d.capacity) + R"(, "product": "DISK )" +
                       std::to_string(d.target) + "\"" + (d.initialised ? "" : R"(, "initialised": false)") +
                       (d.target == 0 ? std::string(R"(, "diskFormat": )") + k.format : "") + "}";
        const std::string scenario = R"({"entry": 0, "profile": ")" + std::string(k.profile) +
                                     R"(", "channels": [{"kind": 2, "devices": [)" + devices +
                                     R"(]}], "logicalDrives": [{"number": 0, "name": "LD0", "members": [[0, 0]]},
                                     {"number": 8, "name": "LD8", "members": [[0, 8]]},
                                     {"number": 9, "name": "LD9", "members": [[0, 9]]}]})";
        ASSERT_NE(Read(scenario), nullptr);
        Probe("select 2 0 11");
        ASSERT_TRUE(Shows(" Select Drive to be added ")) << tmux_->capture();
        ASSERT_TRUE(Shows("Plug in new disk (Hot Plug)")) << tmux_->capture();
        const std::string pane = settledScreen(*tmux_);
        EXPECT_NE(pane.find(" Type   Chn-ID/No  Name                     Capacity  belongs to"), std::string::npos)
            << pane;
        EXPECT_NE(pane.find("LD8"), std::string::npos) << pane;
        EXPECT_EQ(pane.find("LD9"), std::string::npos) << pane;
        EXPECT_EQ(pane.find("LD0"), std::string::npos) << "the drive itself\n" << pane;
        for (int t = 1; t <= 7; ++t) {
            const bool offered = std::find(k.offered.begin(), k.offered.end(), t) != k.offered.end();
            EXPECT_EQ(pane.find("DISK " + std::to_string(t)) != std::string::npos, offered)
                << "disk " << t << "\n" << pane;
        }
        EXPECT_NE(pane.find(" Log    No.   8    LD8                         488 MB"), std::string::npos) << pane;
        EXPECT_NE(pane.find(" Disk   SCSI-A 1   KZM     DISK 1              520 MB  ---"), std::string::npos) << pane;
        // The first line is the free logical drive.
        tmux_->sendKeys("Enter");
        EXPECT_EQ(Result(), "result 1 chosen 1 8");
        tmux_.reset();
        TearDown();
    }
    // Nothing fits: M5006.
    ASSERT_NE(Read(Disks({L, L + 66735}, 1)), nullptr);
    Probe("select 2 0 2");
    Dismiss("No suitable Drives found !");
    EXPECT_EQ(Result(), "result 0 chosen 0 -1");
}

// The size a new component needs, by the kind of drive it joins: a RAID-5
// array's capacity per data component, a RAID-0 array's per component, a
// RAID-1 drive's first component, a logical drive's own capacity. Disk 3
// reaches it (new firmware keeps 66736 sectors), disks 4 and 5 do not.
TEST_F(ArrayDialogTest, CapacityNeededByEachKindOfDrive)
{
    const struct {
        const char* name;
        const char* mirrors;   // scenario mirrors, empty: none
        int arrayType;         // -1: no array
        std::vector<int> members;
        const char* select;    // probe arguments
    } cases[] = {
        {"RAID-5 array", "", RAID_TYPE_5, {0, 1, 2}, "select 0 0 2"},
        {"RAID-0 array", "", RAID_TYPE_0, {0, 1}, "select 0 0 2"},
        {"RAID-1 drive", R"(, "mirrors": [{"drives": [0, 1]}])", -1, {}, "select 1 0 2"},
        {"logical drive", "", -1, {}, "select 2 2 2"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Disks({kDisk, kDisk, kDisk, kDisk + 66736, kDisk + 66735, kDisk}, 3, "new", k.mirrors));
        ASSERT_NE(c, nullptr);
        if (k.arrayType >= 0) {
            ASSERT_EQ(Make(c, k.arrayType, k.members), 0);
        }
        Probe(k.select);
        ASSERT_TRUE(Shows(" Select Drive to be added ")) << tmux_->capture();
        const std::string pane = settledScreen(*tmux_);
        EXPECT_NE(pane.find("DISK 3"), std::string::npos) << pane;
        EXPECT_EQ(pane.find("DISK 4"), std::string::npos) << pane;
        EXPECT_EQ(pane.find("DISK 5"), std::string::npos) << pane;
        tmux_->sendKeys("Escape");
        EXPECT_EQ(Result(), "result 0 chosen 0 -1");
        tmux_.reset();
        TearDown();
    }
}

// Adding a drive to logical drive 0: a free logical drive is taken as it
// is, a new disk becomes a logical drive first (under the access of the
// whole controller, given back afterwards); No to the question or ESC in
// the list add nothing.
TEST_F(ArrayDialogTest, AddDriveToALogicalDrive)
{
    const struct {
        const char* name;
        const char* keys;      // in the list
        const char* question;  // null: none
        const char* answer;
        const char* result;    // its prefix
        size_t created;        // creation requests (0x0E)
    } cases[] = {
        {"free logical drive", "Enter", "Do you want to add the drive to the array ?", "y", "result 1 number 1", 0},
        {"new disk", "Down Enter", "Do you want to add the drive to the array ?", "y", "result 2 number ", 1},
        {"new disk, No", "Down Enter", "Do you want to add the drive to the array ?", "n", "result -1 number -1", 0},
        {"hot plug line, No", "Down Down Enter", "Do you really want to do a Hot Plug?", "n", "result -1 number -1", 0},
        {"nothing chosen", "Escape", nullptr, nullptr, "result -1 number -1", 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Disks({kDisk, kDisk, kDisk + 66736}, 2));
        ASSERT_NE(c, nullptr);
        const size_t before = Logged(0x0E);
        Probe("add 2 0 11 1");
        ASSERT_TRUE(Shows(" Select Drive to be added ")) << tmux_->capture();
        ASSERT_TRUE(Shows("Plug in new disk (Hot Plug)")) << tmux_->capture();
        tmux_->sendKeys(k.keys);
        if (k.question) {
            ASSERT_TRUE(Shows(k.question)) << tmux_->capture();
            tmux_->sendKeys(k.answer);
        }
        const std::string result = Result();
        EXPECT_EQ(result.rfind(k.result, 0), 0u) << result;
        EXPECT_EQ(Logged(0x0E) - before, k.created);
        EXPECT_EQ(sim_->readFileOnceItIs("kzmsim/state", ""), "") << "configuration access given back";
        tmux_.reset();
        TearDown();
    }
}

// The Expand menu's gates: growing into free space only when the controller
// says there is room, adding disks never for RAID 0; the type choice offers
// no conversion to the type the array has, and a RAID-0 array first needs
// a parity drive (giving up there changes nothing).
TEST_F(ArrayDialogTest, ExpandMenuGates)
{
    const char* const question = "Do you really want to expand/convert";
    // Once the screen settled, whether the pane still shows the menu and nothing more.
    auto onlyMenu = [&]() {
        if (!settle(*tmux_))
            return false;
        const std::string pane = tmux_->capture();
        return pane.find(" Expand ") != std::string::npos && pane.find(question) == std::string::npos &&
               pane.find(" Select Physical Drive ") == std::string::npos &&
               pane.find(" Choose Type ") == std::string::npos;
    };
    {
        SCOPED_TRACE("RAID 0 without room");
        CController* c = Read(Disks({kDisk, kDisk, 2 * kDisk, 2 * kDisk}, 2));
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(Make(c, RAID_TYPE_0, {0, 1}), 0);
        Probe("expand 0");
        ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
        EXPECT_TRUE(Shows("Use free Logical Drive space")) << tmux_->capture();
        tmux_->sendKeys("a");
        EXPECT_TRUE(onlyMenu()) << "adding disks is disabled for RAID 0\n" << tmux_->capture();
        tmux_->sendKeys("u");
        EXPECT_TRUE(onlyMenu()) << "no room to grow into\n" << tmux_->capture();
        tmux_->sendKeys("c");
        ASSERT_TRUE(Shows(" Choose Type ")) << tmux_->capture();
        tmux_->sendKeys("0");
        ASSERT_TRUE(settle(*tmux_)) << tmux_->capture();
        EXPECT_EQ(tmux_->capture().find(" Select Drive to be added "), std::string::npos) << tmux_->capture();
        // RAID 5 wants a parity drive: new disks and the hot plug line.
        tmux_->sendKeys("5");
        ASSERT_TRUE(Shows(" Select Drive to be added ")) << tmux_->capture();
        const std::string pane = settledScreen(*tmux_);
        EXPECT_NE(pane.find("DISK 2"), std::string::npos) << pane;
        EXPECT_NE(pane.find("Plug in new disk (Hot Plug)"), std::string::npos) << pane;
        tmux_->sendKeys("Escape");
        ASSERT_TRUE(Gone(" Select Drive to be added ")) << tmux_->capture();
        EXPECT_TRUE(onlyMenu()) << "giving up leaves the menu open\n" << tmux_->capture();
        tmux_->sendKeys("Escape");
        EXPECT_EQ(Result(), "result 0 kind -2");
        ASSERT_EQ(c->Refresh(), 1);
        EXPECT_EQ(c->arrayDrives[c->FindArrayDrive(0)].Type(), RAID_TYPE_0);
        EXPECT_EQ(Logged(0x1000002E) + Logged(0x1000002A), 0u) << "nothing started";
        tmux_.reset();
        TearDown();
    }
    {
        SCOPED_TRACE("RAID 0 with room, No to the question");
        CController* c = Read(Disks({kDisk, kDisk, kDisk}, 3));
        ASSERT_NE(c, nullptr);
        CLogDrive& first = c->logDrives[Drive(*c, 0)];
        first.AddPendingComponent(Drive(*c, 1));
        ASSERT_EQ(first.CreateArray(RAID_TYPE_0, nullptr, nullptr, 0), 1);
        ASSERT_EQ(first.SetArrayCapacity(2 * kDisk - 8192), 1);
        const size_t grown = Logged(0x1000002D);
        Probe("expand 0");
        ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
        tmux_->sendKeys("u");
        ASSERT_TRUE(Shows(question)) << tmux_->capture();
        tmux_->sendKeys("n");
        ASSERT_TRUE(Gone(question)) << tmux_->capture();
        EXPECT_TRUE(onlyMenu()) << tmux_->capture();
        tmux_->sendKeys("Escape");
        EXPECT_EQ(Result(), "result 0 kind -2");
        EXPECT_EQ(Logged(0x1000002D), grown) << "nothing grown";
        tmux_.reset();
        TearDown();
    }
    {
        SCOPED_TRACE("RAID 5: disks to add, nothing to convert to");
        // Byte 3 of the features: RAID 5 only.
        CController* c = ReadyRaid5(Disks({kDisk, kDisk, kDisk, kDisk + 66736}, 3, "new", R"(, "features": 536936705)"));
        ASSERT_NE(c, nullptr);
        Probe("expand 0");
        ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
        tmux_->sendKeys("c");
        Dismiss("It is not possible to expand");
        EXPECT_TRUE(onlyMenu()) << tmux_->capture();
        tmux_->sendKeys("a");
        ASSERT_TRUE(Shows(" Select Physical Drive ")) << tmux_->capture();
        EXPECT_TRUE(Shows("DISK 3")) << tmux_->capture();
        tmux_->sendKeys("Escape");
        ASSERT_TRUE(Gone(" Select Physical Drive ")) << tmux_->capture();
        EXPECT_TRUE(onlyMenu()) << tmux_->capture();
        tmux_->sendKeys("Escape");
        EXPECT_EQ(Result(), "result 0 kind -2");
    }
}

// A new disk made a single-disk logical drive: initialised first when it is
// not, de-initialised first when its format is not the one asked for.
TEST_F(ArrayDialogTest, NewDiskBecomesALogicalDrive)
{
    const struct {
        const char* name;
        const char* disk;   // the disk's scenario fields
        size_t deinitialised;
        size_t initialised;
    } cases[] = {
        {"not initialised", R"(, "initialised": false)", 0, 1},
        {"old format, new asked", R"(, "diskFormat": 1)", 1, 1},
        {"new format, new asked", "", 0, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Disks({kDisk, kDisk}, 0, "new", "", k.disk));
        ASSERT_NE(c, nullptr);
        Probe("initialize 0 2");
        const std::string result = Result();
        ASSERT_EQ(result.rfind("result 1 number ", 0), 0u) << result;
        const int number = std::stoi(result.substr(16));
        EXPECT_EQ(Logged(0x20000008), k.deinitialised);
        EXPECT_EQ(Logged(0x20000002), k.initialised);
        ASSERT_EQ(c->Refresh(), 1);
        const int drive = c->FindLogicalDrive(number);
        ASSERT_GE(drive, 0) << number;
        ASSERT_EQ(c->logDrives[drive].disks.count, 1);
        EXPECT_EQ(c->physDrives[c->logDrives[drive].disks[0]].GetTargetId(), 0);
        EXPECT_EQ(c->physDrives[c->logDrives[drive].disks[0]].GetInfo()[DEVINFO_FORMAT], 2);
        tmux_.reset();
        TearDown();
    }
}

// The expansions and conversions themselves, under the array's
// configuration access.
class ExpansionRunTest : public ArrayDialogTest {
protected:
    // RAID 0 of drives 0 and 1 named `name`, disk 2 free for a parity drive;
    // the Expand menu of it up, " Choose Type " answered with RAID 5 and the
    // disk chosen as parity drive.
    void ToRaid5Question(const char* name, const std::string& control)
    {
        CController* c = Read(Disks({kDisk, kDisk, 2 * kDisk}, 2));
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(Make(c, RAID_TYPE_0, {0, 1}), 0);
        ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(0)].SetName(name), 1);
        ASSERT_TRUE(sim_->control(control));
        Probe("expand 0");
        ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
        tmux_->sendKeys("c");
        ASSERT_TRUE(Shows(" Choose Type ")) << tmux_->capture();
        tmux_->sendKeys("5");
        ASSERT_TRUE(Shows(" Select Drive to be added ")) << tmux_->capture();
        tmux_->sendKeys("Enter");
    }
    // The array 0 as the emulator has it now.
    CArrayDrive* ArrayNow()
    {
        CController& c = session_->transports[0].machines[0].controllers[0];
        if (c.Refresh() != 1 || c.FindArrayDrive(0) < 0)
            return nullptr;
        return &c.arrayDrives[c.FindArrayDrive(0)];
    }
};

TEST_F(ExpansionRunTest, Raid0ToRaid5InTwoPassesAndTheName)
{
    ASSERT_NO_FATAL_FAILURE(ToRaid5Question("RAID0", "progress step 20"));
    ASSERT_TRUE(Shows("Do you really want to expand/convert")) << tmux_->capture();
    tmux_->sendKeys("y");
    ASSERT_TRUE(Shows(" Progress Information Pass 1/2 ", 10000)) << tmux_->capture();
    EXPECT_EQ(tmux_->capture().find(" Press ESC to quit "), std::string::npos) << tmux_->capture();
    tmux_->sendKeys("Escape");  // not on the first pass
    ASSERT_TRUE(Shows(" Progress Information Pass 2/2 ", 30000)) << tmux_->capture();
    EXPECT_TRUE(Shows(" Press ESC to quit ")) << tmux_->capture();
    EXPECT_EQ(Result(60000), "result 1 kind -2");
    CArrayDrive* now = ArrayNow();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->Type(), RAID_TYPE_5);
    EXPECT_STREQ(now->GetName(), "RAID5");
    EXPECT_EQ(now->components.count, 3);
}

// A pass that cannot start, or whose watch ends in an error, ends the
// conversion: no second pass, no new name, nothing reported as done.
TEST_F(ExpansionRunTest, AFailedPassEndsTheConversion)
{
    const struct {
        const char* name;
        const char* control;
        const char* shown;    // on the way, null: nothing
        const char* error;    // the box that ends it
    } cases[] = {
        {"start refused", "status 0 0x1000002E 6", nullptr, "0x0006 (REASSIGN FAILURE)"},
        {"watch fails", "progress step 20\nexpandfail 0 0 2", "Pass 1/2", "Error: Online Expansion aborted !"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ASSERT_NO_FATAL_FAILURE(ToRaid5Question("RAID0", k.control));
        ASSERT_TRUE(Shows("Do you really want to expand/convert")) << tmux_->capture();
        tmux_->sendKeys("y");
        if (k.shown) {
            ASSERT_TRUE(Shows(k.shown, 15000)) << tmux_->capture();
        }
        // The error box of the pass, then the menu again.
        Dismiss(k.error, 30000);
        ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
        ASSERT_TRUE(settle(*tmux_)) << tmux_->capture();
        EXPECT_EQ(tmux_->capture().find("Pass 2/2"), std::string::npos) << tmux_->capture();
        tmux_->sendKeys("Escape");
        EXPECT_EQ(Result(), "result 0 kind -2");
        EXPECT_EQ(Logged(0x1000002A), 0u) << "no second pass";
        CArrayDrive* now = ArrayNow();
        ASSERT_NE(now, nullptr);
        EXPECT_STREQ(now->GetName(), "RAID0");
        tmux_.reset();
        TearDown();
    }
}

TEST_F(ExpansionRunTest, ExpansionByOneDisk)
{
    CController* c = ReadyRaid5(Disks({kDisk, kDisk, kDisk, kDisk + 66736}, 3));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(0)].SetName("DATA"), 1);
    ASSERT_TRUE(sim_->control("progress step 25"));
    Probe("expand 0");
    ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
    tmux_->sendKeys("a");
    ASSERT_TRUE(Shows(" Select Physical Drive ")) << tmux_->capture();
    tmux_->sendKeys("Space");
    ASSERT_TRUE(settle(*tmux_)) << tmux_->capture();
    tmux_->sendKeys("Enter");
    ASSERT_TRUE(Shows("Do you really want to expand/convert")) << tmux_->capture();
    tmux_->sendKeys("y");
    Dismiss("merge the");
    ASSERT_TRUE(Shows(" Progress Information Pass 1/1 ", 10000)) << tmux_->capture();
    EXPECT_TRUE(Shows(" Press ESC to quit ")) << tmux_->capture();
    EXPECT_EQ(Result(60000), "result 1 kind -2");
    CArrayDrive* now = ArrayNow();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->Type(), RAID_TYPE_5);
    EXPECT_EQ(now->components.count, 4);
    EXPECT_STREQ(now->GetName(), "DATA") << "a name that does not begin with RAID stays";
    EXPECT_EQ(now->Capacity(), 3 * kDisk);
}

// No to the question after the parity drive was made: it leaves the
// array's pending list and is deleted again; nothing is converted.
TEST_F(ExpansionRunTest, NoGivesTheParityDriveBack)
{
    ASSERT_NO_FATAL_FAILURE(ToRaid5Question("RAID0", "progress step 20"));
    ASSERT_TRUE(Shows("Do you really want to expand/convert")) << tmux_->capture();
    tmux_->sendKeys("n");
    ASSERT_TRUE(Gone("Do you really want to expand/convert")) << tmux_->capture();
    ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
    tmux_->sendKeys("Escape");
    EXPECT_EQ(Result(), "result 0 kind -2");
    CArrayDrive* now = ArrayNow();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->Type(), RAID_TYPE_0);
    EXPECT_EQ(now->components.count, 2);
    const CController& c = *now->controller;
    int drives = 0;
    for (int i = 0; i < c.logDrives.count; ++i)
        drives += (c.logDrives[i].kind & 3) != LDKIND_MISSING ? 1 : 0;
    EXPECT_EQ(drives, 2) << "the parity drive was deleted again";
    EXPECT_EQ(Logged(0x1000002E) + Logged(0x1000002A), 0u);
}

// Growing into the room the components leave: a second host drive over the
// new space, no progress window.
TEST_F(ExpansionRunTest, GrowingIntoFreeSpace)
{
    CController* c = Read(Disks({kDisk, kDisk}, 2));
    ASSERT_NE(c, nullptr);
    CLogDrive& first = c->logDrives[Drive(*c, 0)];
    first.AddPendingComponent(Drive(*c, 1));
    ASSERT_EQ(first.CreateArray(RAID_TYPE_0, nullptr, nullptr, 0), 1);
    ASSERT_EQ(first.SetArrayCapacity(kDisk), 1);
    ASSERT_EQ(first.CreateArrayHostDrive(1), 1) << std::hex << first.error;
    const size_t grown = Logged(0x1000002D);
    Probe("expand 0");
    ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
    tmux_->sendKeys("u");
    ASSERT_TRUE(Shows("Do you really want to expand/convert")) << tmux_->capture();
    tmux_->sendKeys("y");
    Dismiss("merge the");
    EXPECT_EQ(Result(), "result 1 kind -2");
    EXPECT_EQ(tmux_->capture().find("Progress Information"), std::string::npos);
    EXPECT_EQ(Logged(0x1000002D), grown + 1);
    CArrayDrive* now = ArrayNow();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->Capacity(), 2 * kDisk);
    EXPECT_EQ(now->hostDrives.count, 2);
}

// RAID 5 to RAID 0 goes through RAID 4; the second pass (removing the
// redundancy) is done at once and shows no window.
TEST_F(ExpansionRunTest, Raid5ToRaid0ThroughRaid4)
{
    CController* c = ReadyRaid5(Disks({kDisk, kDisk, kDisk}, 3));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(0)].SetName("RAID5"), 1);
    ASSERT_TRUE(sim_->control("progress step 25"));
    Probe("expand 0");
    ASSERT_TRUE(Shows(" Expand ")) << tmux_->capture();
    tmux_->sendKeys("c");
    ASSERT_TRUE(Shows(" Choose Type ")) << tmux_->capture();
    tmux_->sendKeys("0");
    ASSERT_TRUE(Shows("Do you really want to expand/convert")) << tmux_->capture();
    tmux_->sendKeys("y");
    ASSERT_TRUE(Shows(" Progress Information Pass 1/2 ", 10000)) << tmux_->capture();
    EXPECT_EQ(Result(60000), "result 1 kind -2");
    EXPECT_EQ(tmux_->capture().find("Pass 2/2"), std::string::npos);
    CArrayDrive* now = ArrayNow();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->Type(), RAID_TYPE_0);
    EXPECT_STREQ(now->GetName(), "RAID0");
    EXPECT_EQ(Logged(0x1000002F), 1u) << "the redundancy removed once";
}

}  // namespace
