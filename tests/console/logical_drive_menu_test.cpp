// The Log. Drive menu of mirvane in tmux against the emulator: which items
// each kind of logical drive offers, unloading its host drives, and the
// questions before a removal; Load All on older firmware.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controller.h"
#include "mirvane_session.h"
#include "screen_waits.h"
#include "session.h"
#include "xport_internal.h"

namespace tui::testing {
namespace {

const char* const listHint = "F4: Drive Information, F3: Load All, F5: Identify Drive, F10: Refresh";

// One drive of each kind, listed in this order: 0 plain, 1 removable,
// 2 removable and write protected, 3 in the hot fix pool, 4 and 5 a
// RAID-1 drive, 6 lost by the firmware (missing).
const std::string kinds = R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": [
    {"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}, {"target": 4}, {"target": 5}, {"target": 6}]}],
  "logicalDrives": [{"number": 0, "name": "PLAIN", "members": [[0, 0]]},
                    {"number": 1, "name": "REMOV", "removable": true, "members": [[0, 1]]},
                    {"number": 2, "name": "WRPROT", "removable": true, "writeProtected": true, "members": [[0, 2]]},
                    {"number": 3, "name": "POOL", "poolHotFix": true, "members": [[0, 3]]},
                    {"number": 4, "name": "MIRROR", "members": [[0, 4]]},
                    {"number": 5, "members": [[0, 5]]},
                    {"number": 6, "name": "LOST", "type": 15, "members": [[0, 6]]}],
  "mirrors": [{"drives": [4, 5]}]}]})";

// Logical drives 5 and 6, each carrying the host drive of its own number.
// Strict: a change sent outside the configuration access shows as a fault
// in the state file, which every test reads back empty.
const std::string carriers = R"({"controllers": [{"entry": 0, "strict": true, "channels": [{"kind": 2, "devices": [
    {"target": 0}, {"target": 1}]}],
  "logicalDrives": [{"number": 5, "name": "FIRST", "members": [[0, 0]]},
                    {"number": 6, "name": "SECOND", "members": [[0, 1]]}]}]})";

class logicalDriveMenuTest : public mirvaneSession {
protected:
    // The console at " Select Logical Drive ".
    void open(const std::string& scenario, const std::string& args = "")
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(openList());
    }
    void openList()
    {
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Logical Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
    }
    // ENTER on list line `line`, counted from the first; true when the menu opened.
    bool openMenu(int line)
    {
        std::string keys = "Home";
        for (int i = 0; i < line; ++i)
            keys += " Down";
        tmux->sendKeys(keys + " Enter");
        return settle(*tmux) && shows(" Log. Drive ");
    }
    // Whether the item behind the hot key runs; the menu is closed afterwards.
    bool runs(char key)
    {
        const int locks = countKey("0x00000072");
        tmux->sendKeys(std::string(1, key));
        EXPECT_TRUE(settle(*tmux)) << tmux->capture();
        if (key == 'c' && shows("Name: ")) {
            tmux->sendKeys("Escape");
            EXPECT_TRUE(waitGone("Name: ")) << tmux->capture();
            return true;
        }
        if (key == 'r' && shows("Do you really want to remove")) {
            tmux->sendKeys("n");
            EXPECT_TRUE(waitGone("Do you really want")) << tmux->capture();
            return true;
        }
        if (key == 'u' && countKey("0x00000072") > locks) {
            EXPECT_TRUE(waitGone(" Log. Drive ")) << tmux->capture();
            return true;
        }
        // Nothing ran: the menu is still there.
        EXPECT_TRUE(tmux->waitFor(" Log. Drive ")) << key << "\n" << tmux->capture();
        tmux->sendKeys("Escape");
        EXPECT_TRUE(waitGone(" Log. Drive ")) << tmux->capture();
        return false;
    }
    // Whether the hot key leaves the screen as it was (a disabled item).
    bool ignored(char key)
    {
        const std::string before = settledScreen(*tmux);
        tmux->sendKeys(std::string(1, key));
        return settle(*tmux) && tmux->capture() == before;
    }
    // Writes a partition table with one Linux partition onto host drive n.
    void partition(int n)
    {
        std::array<uint8_t, 512> sector{};
        sector[450] = 0x83;
        sector[454] = 63;           // first sector
        sector[458] = 0xE8;         // 1000 sectors
        sector[459] = 0x03;
        sector[510] = 0x55;
        sector[511] = 0xAA;
        const std::string file = sim->root() + "/kzmsim/hostdrive/0/" + std::to_string(n);
        const int fd = ::open(file.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0) << file;
        EXPECT_EQ(pwrite(fd, sector.data(), sector.size(), 0), 512);
        close(fd);
    }
    // The target field of every logged command with `key`, oldest first.
    std::vector<std::string> targets(const std::string& key) const
    {
        std::vector<std::string> out;
        for (const std::string& line : sim->log()) {
            if (line.find("\t" + key + "\t") == std::string::npos)
                continue;
            std::vector<std::string> f;
            std::stringstream in(line);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            out.push_back(f.size() > 6 ? f[6] : "");
        }
        return out;
    }
};

// The items each kind of drive offers: Change Drive Name (c), Remove Drive
// (r) and Unload Drive (u), outside and in administrator mode.
TEST_F(logicalDriveMenuTest, ItemSetsByKindOfDrive)
{
    const struct {
        int line;
        bool administrator;
        bool name, remove, unload;
    } cases[] = {
        {0, false, true, true, false},   // plain: not removable
        {1, false, true, true, true},    // removable
        {2, false, false, false, true},  // write protected
        {3, false, true, false, false},  // pool hot fix drive
        {4, false, true, false, false},  // RAID-1 component
        {0, true, true, true, true},     // administrator mode offers the unload
        {2, true, false, false, true},
        {3, true, true, false, true},
    };
    for (const bool administrator : {false, true}) {
        open(kinds, administrator ? "-QUENTRAX" : "");
        for (const auto& k : cases) {
            if (k.administrator != administrator)
                continue;
            SCOPED_TRACE("line " + std::to_string(k.line) + (administrator ? " administrator" : ""));
            const char keys[] = {'c', 'r', 'u'};
            const bool offered[] = {k.name, k.remove, k.unload};
            for (size_t i = 0; i < 3; ++i) {
                ASSERT_TRUE(openMenu(k.line)) << tmux->capture();
                EXPECT_EQ(runs(keys[i]), offered[i]) << keys[i];
                ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
            }
        }
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "") << "every access given back";
        tmux.reset();
        sim.reset();
    }
}

// A missing drive shows as such and neither opens, identifies nor shows its disks.
TEST_F(logicalDriveMenuTest, AMissingDriveIsInert)
{
    open(kinds);
    EXPECT_TRUE(tmux->waitFor("   6   ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("missing")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("???")) << tmux->capture();
    EXPECT_FALSE(openMenu(6)) << tmux->capture();
    tmux->sendKeys("F4");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_FALSE(shows(" Physical Drive(s) ")) << tmux->capture();
    const size_t before = sim->log().size();
    tmux->sendKeys("F5");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(sim->log().size(), before) << "no request for a missing drive";
    ASSERT_TRUE(openMenu(0)) << "the list still answers\n" << tmux->capture();
}

// Unload: each host drive of the drive in order, then the re-read; a failing
// unload shows its controller status and every access is given back.
TEST_F(logicalDriveMenuTest, UnloadTakesEachHostDriveInOrder)
{
    controls = {"hostdrive 0 5 5 1000", "hostdrive 0 5 9 1000"};
    std::string scenario = carriers;
    scenario.replace(scenario.find(R"("name": "FIRST",)"), 16, R"("name": "FIRST", "removable": true,)");
    open(scenario);
    ASSERT_TRUE(openMenu(0)) << tmux->capture();
    EXPECT_TRUE(runs('u'));
    ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
    EXPECT_TRUE(waitUntil([&] { return targets("0x0000000A").size() >= 2; })) << "two unloads (0x0000000A) in the log";
    EXPECT_EQ(targets("0x0000000A"), (std::vector<std::string>{"0x00000005", "0x00000009"}));
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    EXPECT_TRUE(tmux->waitFor("   5   FIRST    ")) << "the drive stays\n" << tmux->capture();

    ASSERT_TRUE(sim->control("status 0 0x0A 6"));
    ASSERT_TRUE(openMenu(0)) << tmux->capture();
    tmux->sendKeys("u");
    ASSERT_NO_FATAL_FAILURE(dismiss("Controller returned error code"));
    EXPECT_EQ(targets("0x0000000A").size(), 4u) << "the second host drive is still unloaded";
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
}

// The questions before a removal, by partitions, administrator mode and the
// controller's first host drive (drive 5 carries it).
TEST_F(logicalDriveMenuTest, RemovalQuestions)
{
    const struct {
        int line;                   // 0: drive 5, 1: drive 6
        bool partitions;
        bool administrator;
        std::vector<const char*> texts;  // the boxes in order, each answered with y
        bool removed;
    } cases[] = {
        {1, false, false, {"the selected drive ? (Y/N)"}, true},
        {0, false, false, {"first Host Drive on the controller"}, true},
        {1, true, false, {"Partition table is not empty."}, false},
        {1, true, true, {"valid partition table"}, true},
        {0, true, true, {"valid partition table", "first Host Drive on the controller"}, true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE("line " + std::to_string(k.line) + (k.partitions ? " partitions" : "") +
                     (k.administrator ? " administrator" : ""));
        controls = {"hostdrive 0 5 5 1000", "hostdrive 0 6 6 1000"};
        ASSERT_NO_FATAL_FAILURE(start(k.administrator ? "-QUENTRAX" : "", carriers));
        if (k.partitions) {
            ASSERT_NO_FATAL_FAILURE(partition(k.line == 0 ? 5 : 6));
        }
        ASSERT_NO_FATAL_FAILURE(openList());
        ASSERT_TRUE(openMenu(k.line)) << tmux->capture();
        tmux->sendKeys("r");
        for (const char* text : k.texts) {
            ASSERT_TRUE(tmux->waitFor(text)) << text << "\n" << tmux->capture();
            EXPECT_FALSE(shows("the selected drive ? (Y/N)") && std::string(text) != "the selected drive ? (Y/N)")
                << tmux->capture();
            tmux->sendKeys("y");
            ASSERT_TRUE(waitGone(text)) << tmux->capture();
        }
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
        const char* name = k.line == 0 ? "   5   FIRST" : "   6   SECOND";
        if (k.removed)
            EXPECT_TRUE(waitGone(name)) << tmux->capture();
        else
            EXPECT_TRUE(tmux->waitFor(name)) << tmux->capture();
        EXPECT_FALSE(shows("Do you really want")) << "no further question\n" << tmux->capture();
        EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
    }
}

// From firmware level 30 the first host drive's cluster type rules two
// items: a private drive with an owner offers the unload, a cluster drive
// no RAID-1 component.
TEST_F(logicalDriveMenuTest, ClusterTypeOfTheFirstHostDrive)
{
    controls = {"hostdrive 0 5 5 1000", "hostdrive 0 6 6 1000", "hostcluster 0 5 2 0x12345678",
                "hostcluster 0 6 1 0"};
    open(carriers);
    ASSERT_TRUE(openMenu(0)) << tmux->capture();
    EXPECT_TRUE(runs('u')) << "a private drive with an owner";
    ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
    ASSERT_TRUE(openMenu(1)) << tmux->capture();
    EXPECT_TRUE(ignored('a')) << "a cluster drive\n" << tmux->capture();
    EXPECT_FALSE(runs('u')) << "not removable";
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");

    // Without an owner the private drive offers no unload.
    controls = {"hostdrive 0 5 5 1000", "hostcluster 0 5 2 0"};
    open(carriers);
    ASSERT_TRUE(openMenu(0)) << tmux->capture();
    EXPECT_FALSE(runs('u'));
}

// A drive whose first host drive more than one controller accesses cannot be removed.
TEST_F(logicalDriveMenuTest, ADriveOtherControllersAccessIsNotRemoved)
{
    controls = {"hostdrive 0 6 6 1000"};
    std::string scenario = carriers;
    scenario.insert(scenario.rfind("}]}"),
                    R"(, "records": [{"key": "0x10010006", "target": "6", "hex": "0100000000000000"}])");
    open(scenario);
    ASSERT_TRUE(openMenu(1)) << tmux->capture();
    tmux->sendKeys("r");
    ASSERT_NO_FATAL_FAILURE(dismiss("More than one Controller is accessing the Drive,"));
    EXPECT_TRUE(tmux->waitFor("   6   SECOND")) << tmux->capture();
    EXPECT_EQ(sim->readFileOnceItIs("kzmsim/state", ""), "");
}

// Makes logical drives 0 and 1 a RAID-0 array drive with a host drive,
// through the model in this process, before the console reads them.
bool MakeArrayDrive(const SimMount& sim)
{
    sim.exportRoot();
    xport_reset();
    bool made = false;
    {
        CSession session;
        if (session.Init(0) == 1 && session.EnumTransports() == 1 && session.transports.count > 0) {
            CTransport& local = session.transports[0];
            if (local.EnumHostSystems(nullptr) == 1 && local.machines.count > 0 && local.machines[0].Connect() == 1 &&
                local.machines[0].controllers.count > 0) {
                CController& c = local.machines[0].controllers[0];
                if (c.Refresh() == 1 && c.FindLogicalDrive(0) >= 0 && c.FindLogicalDrive(1) >= 0) {
                    CLogDrive& first = c.logDrives[c.FindLogicalDrive(0)];
                    first.AddPendingComponent(c.FindLogicalDrive(1));
                    made = first.CreateArrayWithHostDrive(RAID_TYPE_0, nullptr, nullptr, 0, 1) == 1;
                    if (!made)
                        ADD_FAILURE() << std::hex << first.error << " " << c.error;
                }
            }
        }
    }
    xport_reset();
    return made;
}

// Firmware up to 0x1EFFFF loads all drives only after the host drives of
// every array drive were unloaded; newer firmware loads them at once.
TEST_F(logicalDriveMenuTest, LoadAllUnloadsArrayHostDrivesFirstOnOlderFirmware)
{
    for (const std::string profile : {"middle", "new"}) {
        SCOPED_TRACE(profile);
        ASSERT_NO_FATAL_FAILURE(start("", R"({"controllers": [{"entry": 0, "profile": ")" + profile +
                                              R"(", "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
            "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}]}]})"));
        ASSERT_TRUE(MakeArrayDrive(*sim));
        ASSERT_NO_FATAL_FAILURE(openList());
        const size_t before = sim->log().size();
        tmux->sendKeys("F3");
        ASSERT_TRUE(waitUntil([&] {
            const std::vector<std::string> log = sim->log();
            return std::any_of(log.begin() + static_cast<long>(before), log.end(),
                               [](const std::string& line) { return line.find("\t0x00000003\t") != std::string::npos; });
        })) << "the commit (0x00000003) that ends the load, in the log";
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        std::vector<std::string> keys;
        const std::vector<std::string> log = sim->log();
        for (size_t i = before; i < log.size(); ++i)
            for (const char* key : {"0x0000000A", "0x0000000B"})
                if (log[i].find(std::string("\t") + key + "\t") != std::string::npos)
                    keys.push_back(key);
        if (profile == "middle")
            EXPECT_EQ(keys, (std::vector<std::string>{"0x0000000A", "0x0000000B"}));
        else
            EXPECT_EQ(keys, (std::vector<std::string>{"0x0000000B"}));
        EXPECT_TRUE(tmux->waitFor("Array  0")) << tmux->capture();
        tmux.reset();
        sim.reset();
    }
}

}  // namespace
}  // namespace tui::testing
