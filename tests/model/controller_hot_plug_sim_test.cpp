// Hot plug end to end over the mounted emulator: the slot request, finding
// the newly plugged disk, making a drive of it, the retried begin and the
// free target mask.
#include "controller.h"
#include "ctl_commands.h"
#include "model_errors.h"
#include "phys_drive_sim_test.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

class HotPlugSimTest : public PhysDriveSimTest {
protected:
    CController* Open()
    {
        CController* c = OpenController(
            R"({"entry": 0, "profile": "new", "channels": [{"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 1}]}]})");
        return c != nullptr && c->Refresh() == 1 ? c : nullptr;
    }

    // {key, status} of every command logged from line `from` on.
    std::vector<std::pair<uint32_t, uint32_t>> SentSince(size_t from) const
    {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        const std::vector<std::string> log = sim_->log();
        for (size_t i = from; i < log.size(); ++i) {
            std::vector<std::string> f;
            std::stringstream in(log[i]);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            out.emplace_back(static_cast<uint32_t>(std::stoul(f[5], nullptr, 16)),
                             static_cast<uint32_t>(std::stoul(f[9], nullptr, 16)) & 0xFFFF);
        }
        return out;
    }
};

// Queries the array's build or rebuild until it is ready.
bool RunToReady(CController* c, int number)
{
    for (int round = 0; round < 40; ++round) {
        const int a = c->FindArrayDrive(number);
        if (a < 0)
            return false;
        if (c->arrayDrives[a].State() == ARSTATE_READY)
            return true;
        ProgressRequest r;
        r.operation = PROGRESS_QUERY;
        const bool rebuild = c->arrayDrives[a].State() == ARSTATE_REBUILD;
        if ((rebuild ? c->arrayDrives[a].GetRebuildProgress(&r) : c->arrayDrives[a].GetBuildProgress(&r)) != 1)
            return false;
    }
    return false;
}

using Sent = std::vector<std::pair<uint32_t, uint32_t>>;

TEST_F(HotPlugSimTest, ScsiHotPlugWithoutLocksMakesADriveOfTheNewDisk)
{
    CController* c = Open();
    ASSERT_NE(c, nullptr);
    size_t from = sim_->log().size();
    ASSERT_EQ(c->PrepareHotPlug(0, 4, -1, 0, 0), 1);
    EXPECT_EQ(SentSince(from), (Sent{{0x20, 1}, {0x10000002, 1}}));
    EXPECT_EQ(sim_->readFile("kzmsim/state"), "");

    ASSERT_TRUE(sim_->control("insert 0 0 4"));
    int t = 4;
    ASSERT_EQ(c->FindNewDisk(0, &t, 0, 2), 1) << std::hex << c->error;
    int number = -1;
    ASSERT_EQ(c->InitializeNewDisk(0, 4, &number, 0, 1, 2), 1) << std::hex << c->error;
    EXPECT_GE(number, 0);
    const int ld = c->FindLogicalDrive(number);
    ASSERT_GE(ld, 0);
    const int disk = c->FindPhysDrive(0, 4, 0);
    ASSERT_GE(disk, 0);
    EXPECT_EQ(c->physDrives[disk].logDriveIndex, ld);
    // The hot plug has ended: a new one begins at once.
    EXPECT_EQ(ctl_begin_hot_plug(0, 0), 0u);
    EXPECT_EQ(ctl_end_hot_plug(0, 0), 0u);
}

TEST_F(HotPlugSimTest, AddingWithMaintenanceRunsTheDriveCommandInsideTheAccess)
{
    CController* c = Open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->PrepareHotPlug(0, 4, -1, 0, 0), 1);
    ASSERT_TRUE(sim_->control("insert 0 0 4"));
    const int before = c->GetFreeDriveNumber(0);
    int number = -1;
    const size_t from = sim_->log().size();
    ASSERT_EQ(c->AddNewDisk(0, 4, &number, 1, 1, 2), 1) << std::hex << c->error;
    EXPECT_EQ(number, -1);  // with maintenance the number is not handed out
    const Sent sent = SentSince(from);
    const auto at = [&](uint32_t key) {
        for (size_t i = 0; i < sent.size(); ++i)
            if (sent[i].first == key)
                return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at(0x24), 0);
    EXPECT_LT(at(0x24), at(0x0F));
    EXPECT_LT(at(0x0F), at(0x03));
    EXPECT_EQ(sim_->readFile("kzmsim/state"), "");
    // 0x0F takes the drive away again: the disk stays, taken into the list, in no drive.
    EXPECT_LT(c->FindLogicalDrive(before), 0);
    const int disk = c->FindPhysDrive(0, 4, 0);
    ASSERT_GE(disk, 0);
    EXPECT_LT(c->physDrives[disk].logDriveIndex, 0);
}

struct FindCase {
    const char* insert;   // control command, or nullptr for an empty slot
    uint32_t minimum;
    uint32_t error;
};

constexpr FindCase kFindCases[] = {
    {nullptr, 0, MODERR_DISK_NOT_FOUND},
    {"insert 0 0 4 100000 4096", 0, MODERR_DISK_TOO_SMALL},
    {"insert 0 0 4 5000", 6000, MODERR_DISK_TOO_SMALL},
    {"insert 0 0 4 5000", 5000, 0},
};

TEST_F(HotPlugSimTest, FindNewDiskChecksPresenceSectorSizeAndCapacity)
{
    for (const FindCase& k : kFindCases) {
        SCOPED_TRACE(k.insert ? k.insert : "empty");
        CController* c = Open();
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->PrepareHotPlug(0, 4, -1, 0, 0), 1);
        if (k.insert) {
            ASSERT_TRUE(sim_->control(k.insert));
        }
        int t = 4;
        EXPECT_EQ(c->FindNewDisk(0, &t, k.minimum, 2), k.error == 0 ? 1 : 0);
        EXPECT_EQ(c->error, k.error);
        // A failure ends the hot plug; success leaves it running.
        EXPECT_EQ(ctl_begin_hot_plug(0, 0) == 0, k.error != 0);
        c->EndHotPlug();
    }
}

TEST_F(HotPlugSimTest, BeginRetriesOnceAfterEnding)
{
    CController* c = Open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(ctl_begin_hot_plug(0, 0), 0u);  // a hot plug left running
    const size_t from = sim_->log().size();
    ASSERT_EQ(c->BeginHotPlug(0, -1, 0, 0), 1);
    EXPECT_EQ(SentSince(from), (Sent{{0x20, 8}, {0x21, 1}, {0x20, 1}}));
    c->EndHotPlug();
}

TEST_F(HotPlugSimTest, FreeTargetMaskConsidersAtMost128Targets)
{
    CController* c = Open();
    ASSERT_NE(c, nullptr);
    uint8_t r[20] = {0, 200};
    ASSERT_EQ(c->GetFreeTargetMask(r), 1);
    EXPECT_EQ(r[2], 128);
    EXPECT_EQ(r[4], 0x7C);  // disks at 0 and 1, the controller itself at 7
    for (int i = 5; i < 20; ++i)
        EXPECT_EQ(r[i], 0xFF);
}

TEST_F(HotPlugSimTest, NoFreeDriveNumberEndsTheHotPlug)
{
    CController* c = Open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->PrepareHotPlug(0, 4, -1, 0, 0), 1);
    c->freeDrives.SetSize(0);
    int number = -1;
    EXPECT_EQ(c->InitializeNewDisk(0, 4, &number, 0, 0, 2), 0);
    EXPECT_EQ(c->error, MODERR_NO_SPACE);
    EXPECT_EQ(ctl_begin_hot_plug(0, 0), 0u);
    EXPECT_EQ(ctl_end_hot_plug(0, 0), 0u);
}

// Two Fibre Channel channels: disks at 0, 1 and 3 on the first, at 1 on the second.
constexpr const char* kFibre = R"({"entry": 0, "profile": "new", "channels": [
    {"kind": 3, "devices": [{"target": 0}, {"target": 1}, {"target": 3}]},
    {"kind": 3, "devices": [{"target": 1}]}]})";

TEST_F(HotPlugSimTest, FibreSearchFindsADiskThatWasKnownButAbsent)
{
    CController* c = OpenController(kFibre);
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("fail 0 0 3"));
    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_EQ(c->PrepareHotPlug(0, 3, -1, 0, 0), 1) << std::hex << c->error;
    ASSERT_TRUE(sim_->control("restore 0 0 3"));
    int t = -1;
    ASSERT_EQ(c->FindNewDisk(0, &t, 0, 2), 1) << std::hex << c->error;
    EXPECT_EQ(t, 3);
    c->EndHotPlug();
}

TEST_F(HotPlugSimTest, FibreSearchAmongKnownDisksFindsNothingAndEnds)
{
    CController* c = OpenController(kFibre);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_EQ(c->PrepareHotPlug(0, 5, -1, 0, 0), 1) << std::hex << c->error;
    int t = -1;
    EXPECT_EQ(c->FindNewDisk(0, &t, 0, 2), 0);
    EXPECT_EQ(c->error, MODERR_DISK_NOT_FOUND);
    EXPECT_EQ(t, -1);
    EXPECT_EQ(ctl_begin_hot_plug(0, 0), 0u);  // ended
    EXPECT_EQ(ctl_end_hot_plug(0, 0), 0u);
}

TEST_F(HotPlugSimTest, LockedFibreHotPlugWaitsForTheLoopMaps)
{
    struct Case {
        uint32_t unsettled;
        bool begins;
        size_t mapRequests;  // kind 1 once, then the maps of both channels
    };
    for (const Case& k : {Case{3, true, 6}, Case{100, false, 22}}) {
        SCOPED_TRACE(k.unsettled);
        CController* c = OpenController(kFibre);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->Refresh(), 1);
        ASSERT_TRUE(sim_->control("fcloop 0 0 3"));
        ASSERT_TRUE(sim_->control("settle 0 1 " + std::to_string(k.unsettled)));
        EXPECT_EQ(c->PrepareHotPlug(0, 5, -1, 0, 1), k.begins ? 1 : 0);
        EXPECT_EQ(Logged(0x20000082), k.mapRequests);
        if (k.begins) {
            EXPECT_EQ(c->HotPlugChannelCount(), 2);
            EXPECT_EQ(c->HotPlugChannel(1), 1);
            EXPECT_EQ(c->HotPlugChannelFlag(1), 1);
            EXPECT_EQ(c->HotPlugLoopMap(0)[0], 0x0B);  // targets 0, 1 and 3
            EXPECT_EQ(c->HotPlugLoopMap(1)[0], 0x02);
            EXPECT_EQ(sim_->readFile("kzmsim/state"), "0 driver channel 0\n0 driver channel 1\n");
            c->EndHotPlug();
        } else {
            EXPECT_NE(c->error, 0u);
            EXPECT_EQ(Logged(0x20), 0u);
        }
        EXPECT_EQ(sim_->readFile("kzmsim/state"), "");
    }
}

TEST_F(HotPlugSimTest, AddingToADriveLocksItsHostDrivesAndMemberChannels)
{
    CController* c = OpenController(R"({"entry": 0, "profile": "new", "channels": [
        {"kind": 2, "devices": [{"target": 0}]}, {"kind": 2, "devices": [{"target": 2}]}],
        "logicalDrives": [{"number": 0, "members": [[1, 0]]}]})");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    const int d = c->FindLogicalDrive(0);
    ASSERT_EQ(c->logDrives[d].CreateHostDrive(7), 1);
    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_EQ(c->BeginHotPlug(0, c->FindLogicalDrive(0), 0, 1), 1) << std::hex << c->error;
    EXPECT_EQ(c->HotPlugHostCount(), 1);
    ASSERT_EQ(c->HotPlugChannelCount(), 2);
    EXPECT_EQ(c->HotPlugChannel(1), 1);
    EXPECT_EQ(c->HotPlugChannelFlag(0), 1);
    EXPECT_EQ(c->HotPlugChannelFlag(1), 0);
    EXPECT_EQ(sim_->readFile("kzmsim/state"),
              "0 driver hostdrive 7\n0 driver channel 0\n0 driver channel 1\n");
    EXPECT_EQ(c->EndHotPlug(), 1);
    EXPECT_EQ(sim_->readFile("kzmsim/state"), "");
}

TEST_F(HotPlugSimTest, ReleasingATargetAsksFibreChannelOnly)
{
    CController* c = OpenController(R"({"entry": 0, "profile": "new", "channels": [
        {"kind": 3, "devices": [{"target": 0}]}, {"kind": 2, "devices": [{"target": 0}]}]})");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_EQ(c->ReleaseHotPlugTarget(0, 11), 1) << std::hex << c->error;
    const auto sent = LoggedRecords(0x20000082);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][kLoggedData], 3);       // kind 3
    EXPECT_EQ(sent[0][kLoggedData + 17], 0x08);  // target 11
    ASSERT_EQ(c->ReleaseHotPlugTarget(1, 11), 1);
    EXPECT_EQ(Logged(0x20000082), 1u);
    EXPECT_EQ(Logged(0x21), 2u);
}

TEST_F(HotPlugSimTest, ReplacedRaid5MemberRebuildsWithItsHostDrivesLocked)
{
    CController* c = OpenController(R"({"entry": 0, "profile": "new", "channels": [{"kind": 2, "devices": [
        {"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]]}]})");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    CLogDrive& head = c->logDrives[c->FindLogicalDrive(0)];
    for (int n = 1; n <= 3; ++n)
        head.AddPendingComponent(c->FindLogicalDrive(n));
    int spans = -1, number = -1;
    ASSERT_EQ(head.CreateArray(RAID_TYPE_5, &spans, &number, 0x10000), 1) << std::hex << head.error;
    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_TRUE(RunToReady(c, number));
    ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(number)].CreateHostDrive(5), 1);
    ASSERT_EQ(c->Refresh(), 1);

    ASSERT_TRUE(sim_->control("pull 0 0 2"));
    ASSERT_EQ(c->Refresh(), 1);
    const int d = c->FindLogicalDrive(2);
    ASSERT_GE(d, 0);
    ASSERT_EQ(c->PrepareHotPlug(0, 2, d, 1, 1), 1) << std::hex << c->error;
    EXPECT_EQ(sim_->readFile("kzmsim/state"), "0 driver hostdrive 5\n0 driver channel 0\n");
    EXPECT_EQ(c->HotPlugChannelCount(), 1);
    EXPECT_EQ(c->HotPlugChannelFlag(0), 1);
    // The slot record: channel, target, LUN, one host drive, its number and a zero byte.
    const auto slot = LoggedRecords(0x10000003);
    ASSERT_EQ(slot.size(), 1u);
    ASSERT_GE(slot[0].size(), kLoggedData + 6);
    EXPECT_EQ(std::vector<uint8_t>(slot[0].begin() + kLoggedData, slot[0].begin() + kLoggedData + 6),
              (std::vector<uint8_t>{0, 2, 0, 1, 5, 0}));
    // Re-reading the controller keeps the lists, so that the end unlocks them.
    ASSERT_EQ(c->GetInfo(), 1);
    EXPECT_EQ(c->HotPlugHostCount(), 1);

    ASSERT_TRUE(sim_->control("insert 0 0 2"));
    int t = 2;
    ASSERT_EQ(c->FindNewDisk(0, &t, 0, 2), 1) << std::hex << c->error;
    ASSERT_EQ(c->ReplaceWithNewDisk(0, 2, d, 1), 1) << std::hex << c->error;
    EXPECT_EQ(sim_->readFile("kzmsim/state"), "");
    const int a = c->FindArrayDrive(number);
    ASSERT_GE(a, 0);
    EXPECT_EQ(c->arrayDrives[a].State(), ARSTATE_REBUILD);
    EXPECT_TRUE(RunToReady(c, number));
}

}  // namespace
