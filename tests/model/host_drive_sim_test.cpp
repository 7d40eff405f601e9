// Host drives end to end: read with the configuration (per carrier, retried,
// the controller-wide table), split, merge and resize, attributes, cluster
// answers, renumbering, removal of each kind of carrying drive, and
// statistics kept over a refresh.
#include "drive_sim_test.h"

#include "ctl_commands.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using HostDriveTest = DriveSimTest;

// Firmware 0x200000 on the "new" profile: a reserved area of 1200 sectors.
// Drives 0, 1, 2 single disks of 1,000,000 sectors; drives 3 and 5 a mirror.
std::string Machine(const std::string& extra = "")
{
    return R"({"entry": 0, "profile": "new", "firmwareVersion": "0x02200000",
        "channels": [{"kind": 2, "devices": [{"target": 0, "capacity": 1000000}, {"target": 1, "capacity": 1000000},
                                              {"target": 2, "capacity": 1000000}, {"target": 3}, {"target": 4}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "name": "MIRROR", "members": [[0, 3]]},
                          {"number": 5, "members": [[0, 4]]}],
        "mirrors": [{"drives": [3, 5]}])" +
           extra + "}";
}

}  // namespace

class HostTest : public HostDriveTest {
protected:
    // Gives logical drives `numbers` their base host drives, then refreshes.
    bool WithHostDrives(CController* c, const std::vector<int>& numbers)
    {
        for (int n : numbers)
            if (c->logDrives[Drive(*c, n)].CreateHostDrive(n) != 1)
                return false;
        return c->Refresh() == 1;
    }

    // Host drive number n, failing the test when absent.
    static CHostDrive& Host(CController& c, int n)
    {
        const int h = c.FindHostDrive(n);
        EXPECT_GE(h, 0) << "no host drive " << n;
        return c.hostDrives[h < 0 ? 0 : h];
    }

    // The target words of the logged host drive table reads.
    std::vector<uint32_t> TableReads() const
    {
        std::vector<uint32_t> out;
        for (const auto& rec : LoggedRecords(0x10010001))
            out.push_back(wire::get32(rec.data(), 28));
        return out;
    }
};

TEST_F(HostTest, ReadWithTheirCarriersAndLinked)
{
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0, 3}));
    ASSERT_EQ(c->hostDrives.count, 2);
    const CHostDrive& plain = Host(*c, 0);
    EXPECT_EQ(plain.entry.start, 1200u);
    EXPECT_EQ(plain.entry.sectors, 1000000u - 1200u);
    EXPECT_EQ(plain.GetCarrierWord(), 0);
    EXPECT_EQ(plain.carrierIndex, Drive(*c, 0));
    EXPECT_EQ(plain.heads, 64);
    EXPECT_EQ(plain.cylinders, (1000000u - 1200u) / 64 / 32);
    const CHostDrive& mirrored = Host(*c, 3);
    EXPECT_EQ(mirrored.GetCarrierWord(), 1);
    ASSERT_EQ(c->mirrorDrives.count, 1);
    ASSERT_EQ(c->mirrorDrives[0].hostDrives.count, 1);
    EXPECT_EQ(c->hostDrives[c->mirrorDrives[0].hostDrives[0]].hostDriveNumber, 3);
    EXPECT_EQ(c->logDrives[Drive(*c, 0)].hostDrives.count, 1);
    // The chain 3, 5 is read once, for 3; every host drive reads its carrier's table once more.
    const size_t before = TableReads().size();
    ASSERT_EQ(c->Refresh(), 1);
    std::vector<uint32_t> reads = TableReads();
    reads.erase(reads.begin(), reads.begin() + static_cast<long>(before));
    EXPECT_EQ(reads, (std::vector<uint32_t>{0, 0, 1, 2, 3, 3}));
    // Free numbers leave out logical and host drive numbers.
    EXPECT_EQ(c->freeDrives.count, 255 - 5);
}

TEST_F(HostTest, TableReadsAreTriedTwice)
{
    struct Case {
        int failures;
        int hostDrives;
    } cases[] = {{1, 1}, {2, 0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.failures);
        CController* c = Read(Machine());
        ASSERT_NE(c, nullptr);
        ASSERT_TRUE(WithHostDrives(c, {0}));
        for (int i = 0; i < k.failures; ++i)
            ASSERT_TRUE(sim_->control("status 0 0x10010001 9"));
        ASSERT_EQ(c->Refresh(), 1);
        EXPECT_EQ(c->hostDrives.count, k.hostDrives);
    }
}

TEST_F(HostTest, AStoppingFailureEmptiesEveryList)
{
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    ASSERT_TRUE(sim_->control("status 0 0x02 9"));
    EXPECT_EQ(c->Refresh(), 0);
    EXPECT_EQ(c->physDrives.count + c->logDrives.count + c->mirrorDrives.count + c->hostDrives.count +
                  c->freeDrives.count + c->arrayDrives.count,
              0);
    EXPECT_NE(c->error, 0u);
}

TEST_F(HostTest, SplitMergeAndResize)
{
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    ASSERT_EQ(Host(*c, 0).SetSize(409600, 1), 1) << std::hex << c->error;
    // 100 MB for this drive: the rest, less the gap, goes to the new one.
    const int added = c->GetFreeDriveNumber(-1);
    ASSERT_EQ(Host(*c, 0).Split(100, 1, 0, 0), 1) << std::hex << Host(*c, 0).error;
    EXPECT_EQ(Host(*c, 0).entry.sectors, 204800u);
    EXPECT_EQ(Host(*c, added).entry.sectors, 203600u);
    EXPECT_EQ(Host(*c, added).entry.start, 207200u);
    EXPECT_EQ(Host(*c, added).position, 1);
    EXPECT_EQ(Host(*c, added).hostDriveCount, 2);
    EXPECT_TRUE(Host(*c, 0).SharesCarrier());
    ASSERT_EQ(Host(*c, added).Merge(1), 1) << std::hex << Host(*c, added).error;
    EXPECT_EQ(c->hostDrives.count, 1);
    EXPECT_EQ(Host(*c, 0).entry.sectors, 409600u);
    // The new drive's own size: placed behind this one and the gap.
    ASSERT_EQ(Host(*c, 0).Split(50000, 1, 1, 1), 1) << std::hex << Host(*c, 0).error;
    EXPECT_EQ(Host(*c, 0).entry.sectors, 409600u);
    EXPECT_EQ(Host(*c, added).entry.start, 412000u);
    EXPECT_EQ(Host(*c, added).entry.sectors, 50000u);
    // Merging without a neighbour, or growing past the carrier, changes nothing.
    const size_t writes = Logged(0x10010003);
    ASSERT_EQ(Host(*c, added).SetSize(1000000, 0), 0);
    EXPECT_EQ(Host(*c, added).error, MODERR_NO_SPACE);
    ASSERT_EQ(Host(*c, 0).SetSize(409601, 0), 0);
    EXPECT_EQ(Host(*c, 0).Split(1000, 0, 0, 1), 0);
    EXPECT_EQ(Host(*c, 0).error, MODERR_NO_SPACE);
    EXPECT_EQ(Host(*c, 0).Split(409600, 0, 1, 0), 0);
    EXPECT_EQ(Logged(0x10010003), writes);
    ASSERT_EQ(Host(*c, added).Merge(1), 1);
    EXPECT_EQ(Host(*c, 0).Merge(0), 0);
    EXPECT_EQ(Host(*c, 0).error, MODERR_NOT_SUPPORTED);
}

TEST_F(HostTest, AttributesNameAndCluster)
{
    CController* c = Read(Machine(R"(, "clusterEnabled": true,
        "records": [{"key": "0x10010006", "target": 0, "hex": "01000000ffffffff"}])"));
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    CHostDrive* h = &Host(*c, 0);
    ASSERT_EQ(h->SetWriteBackCache(0), 1);
    ASSERT_EQ(h->SetWriteProtect(1), 1);
    ASSERT_EQ(h->SetTransactionTracking(0), 1);
    ASSERT_EQ(h->SetTransactionTracking(1), 1);
    ASSERT_EQ(h->SetName("VOLUME_LONG"), 1);
    ASSERT_EQ(c->Refresh(), 1);
    h = &Host(*c, 0);
    EXPECT_EQ(h->entry.attributes, 0x03);
    EXPECT_STREQ(h->entry.name, "VOLUME_");
    int enabled = 0;
    EXPECT_EQ(h->IsClusterEnabled(&enabled), 1);
    EXPECT_EQ(enabled, 1);
    // A cluster drive without configuration access, shared with another node.
    ASSERT_EQ(h->SetClusterType(1, 1), 1);
    h = &Host(*c, 0);
    EXPECT_EQ(h->cluster.type, 1);
    EXPECT_EQ(h->cluster.value, -1);
    const CLogDrive& d = c->logDrives[Drive(*c, 0)];
    EXPECT_FALSE(d.HasConfigAccess());
    EXPECT_TRUE(d.IsSharedWithOtherNodes());
    EXPECT_EQ(h->ResetAccess(), 1);
}

TEST_F(HostTest, AForeignClusterDriveIsListedButNotRead)
{
    CController* c = Read(Machine(R"(, "foreignHostDrives": [{"number": 40, "carrier": 60, "size": 5000}])"));
    ASSERT_NE(c, nullptr);
    const int h = c->FindHostDrive(40);
    ASSERT_GE(h, 0);
    CHostDrive& foreign = c->hostDrives[h];
    EXPECT_EQ(foreign.cluster.type, 1);
    EXPECT_EQ(foreign.cluster.owner, 0xFFFFFFFFu);
    EXPECT_EQ(foreign.carrierIndex, -1);
    EXPECT_EQ(foreign.Refresh(), 0);
    EXPECT_EQ(foreign.Remove(0, 0), 0);
    EXPECT_EQ(c->freeDrives.count, 255 - 5 - 1);
}

TEST_F(HostTest, SwapsRenumberDrivesAndTables)
{
    enum Setup { BaseDrives, SplitDrive, Array };
    struct Case {
        const char* name;
        Setup setup;
        int from, to;     // -1 as `from`: the host drive split off drive 0
        int carrier;      // the carrying drive's number afterwards, -1: the split-off number
        uint32_t key;     // the renumbering request
        int hostDrives;
    } cases[] = {
        {"onto another base host drive", BaseDrives, 0, 1, 1, 0x06, 2},
        {"onto a free number", BaseDrives, 0, 7, 7, 0x06, 1},
        {"a second host drive onto the base one's number", SplitDrive, -1, 0, -1, 0x06, 2},
        {"an array's host drive onto a free number", Array, 0, 9, 9, 0x10000019, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Machine());
        ASSERT_NE(c, nullptr);
        int split = -1;
        if (k.setup == Array) {
            CLogDrive& first = c->logDrives[Drive(*c, 0)];
            first.AddPendingComponent(Drive(*c, 1));
            first.AddPendingComponent(Drive(*c, 2));
            ASSERT_EQ(first.CreateArrayWithHostDrive(RAID_TYPE_5, nullptr, nullptr, 0, 1), 1);
        } else {
            ASSERT_TRUE(WithHostDrives(c, k.setup == BaseDrives && k.to == 1 ? std::vector<int>{0, 1} : std::vector<int>{0}));
        }
        if (k.setup == SplitDrive) {
            ASSERT_EQ(Host(*c, 0).SetSize(409600, 1), 1);
            split = c->GetFreeDriveNumber(-1);
            ASSERT_EQ(Host(*c, 0).Split(100, 1, 0, 0), 1);
        }
        const int from = k.from < 0 ? split : k.from;
        const int carrier = k.carrier < 0 ? split : k.carrier;
        const int disk = c->logDrives[Host(*c, from).carrierIndex].disks[0];
        std::vector<uint8_t> data(512, 0x5A);
        BlockIoRecord w{0, static_cast<uint16_t>(from), 7, 1, data.data(), data.size()};
        ASSERT_EQ(ctl_write_blocks(w), 0u);
        ASSERT_EQ(Host(*c, from).SwapNumbers(k.to, 1), 1) << std::hex << Host(*c, from).error;
        EXPECT_EQ(Logged(k.key), 1u);
        // The data follows its drive.
        std::vector<uint8_t> back(512, 0);
        BlockIoRecord r{0, static_cast<uint16_t>(k.to), 7, 1, back.data(), back.size()};
        ASSERT_EQ(ctl_read_blocks(r), 0u);
        EXPECT_EQ(back, data);
        // The drive and its host drive go on under the new numbers.
        const CHostDrive& moved = Host(*c, k.to);
        EXPECT_EQ(moved.entry.carrier, carrier);
        ASSERT_GE(moved.carrierIndex, 0);
        EXPECT_EQ(c->logDrives[moved.carrierIndex].driveNumber, carrier);
        EXPECT_EQ(c->logDrives[moved.carrierIndex].disks[0], disk);
        EXPECT_EQ(c->hostDrives.count, k.hostDrives);
        if (k.setup == Array) {
            ASSERT_EQ(c->arrayDrives.count, 1);
            EXPECT_EQ(c->arrayDrives[0].arrayNumber, 9);
            EXPECT_EQ(c->arrayDrives[0].hostDrives.count, 1);
        }
    }
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    EXPECT_EQ(Host(*c, 0).SwapNumbers(255, 0), 0);
    EXPECT_EQ(Host(*c, 0).error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(Host(*c, 0).SwapNumbers(0, 0), 1);
}

TEST_F(HostTest, RemovalDeletesEachKindOfCarrier)
{
    struct Case {
        const char* name;
        int host;
        bool array;
    } cases[] = {{"logical drive", 0, false}, {"mirror", 3, false}, {"array", 0, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Machine());
        ASSERT_NE(c, nullptr);
        if (k.array) {
            CLogDrive& first = c->logDrives[Drive(*c, 0)];
            first.AddPendingComponent(Drive(*c, 1));
            first.AddPendingComponent(Drive(*c, 2));
            ASSERT_EQ(first.CreateArrayWithHostDrive(RAID_TYPE_5, nullptr, nullptr, 0, 1), 1);
        } else {
            ASSERT_TRUE(WithHostDrives(c, {k.host}));
        }
        ASSERT_EQ(Host(*c, k.host).Remove(1, 1), 1) << std::hex << Host(*c, k.host).error;
        EXPECT_LT(c->FindHostDrive(k.host), 0);
        EXPECT_LT(c->FindLogicalDrive(k.host), 0);
        EXPECT_EQ(c->arrayDrives.count, 0);
        if (k.host == 3) {
            EXPECT_EQ(c->mirrorDrives.count, 0);
        }
        if (k.array) {
            EXPECT_LT(c->FindLogicalDrive(1), 0);
            EXPECT_LT(c->FindLogicalDrive(2), 0);
        }
    }
}

TEST_F(HostTest, StatisticsAndUnloadKeepTheDrive)
{
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    DriveStatSample s;
    s.counters[0] = 42;
    Host(*c, 0).UpdateStatistics(&s, 1);
    ASSERT_EQ(Host(*c, 0).Unload(1), 1);
    EXPECT_EQ(Host(*c, 0).samples[DRIVE_SAMPLE_CURRENT].counters[0], 42u);
    EXPECT_EQ(Logged(0x0A), 1u);
}

TEST_F(HostTest, BlocksLieOnTheCarrierAndGoWithIt)
{
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    ASSERT_EQ(Host(*c, 0).SetSize(409600, 1), 1);
    ASSERT_EQ(Host(*c, 0).Split(100, 1, 0, 0), 1);
    const int second = c->hostDrives[1].hostDriveNumber;
    std::vector<uint8_t> data(512, 0x33);
    // Past the host drive's end the controller says no.
    BlockIoRecord past{0, static_cast<uint16_t>(second), 203600, 1, data.data(), data.size()};
    EXPECT_NE(ctl_write_blocks(past), 0u);
    BlockIoRecord w{0, static_cast<uint16_t>(second), 0, 1, data.data(), data.size()};
    ASSERT_EQ(ctl_write_blocks(w), 0u);
    // Merged back, the block sits behind the first part and the gap.
    ASSERT_EQ(Host(*c, second).Merge(1), 1);
    std::vector<uint8_t> back(512, 0);
    BlockIoRecord r{0, 0, 204800 + 1200, 1, back.data(), back.size()};
    ASSERT_EQ(ctl_read_blocks(r), 0u);
    EXPECT_EQ(back, data);
    // A deleted carrier takes its data along.
    ASSERT_EQ(Host(*c, 0).Remove(1, 0), 1);
    ASSERT_EQ(c->freeDrives[0].driveNumber, 0);
    c->freeDrives[0].AddDisk(c->FindPhysDrive(0, 0, 0));
    ASSERT_EQ(c->freeDrives[0].Create(DRIVE_TYPE_SINGLE, 1), 1);
    std::fill(back.begin(), back.end(), 0xFF);
    ASSERT_EQ(ctl_read_blocks(r), 0u);
    EXPECT_EQ(back, std::vector<uint8_t>(512, 0));
}

TEST_F(HostTest, ARefreshReadsWhatItNeedsInOrder)
{
    CController* c = Read(Machine());
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WithHostDrives(c, {0}));
    CLogDrive& first = c->logDrives[Drive(*c, 1)];
    first.AddPendingComponent(Drive(*c, 2));
    ASSERT_EQ(first.CreateArray(RAID_TYPE_0, nullptr, nullptr, 0), 1);
    const size_t before = sim_->log().size();
    ASSERT_EQ(c->ReadConfiguration(), 1);
    // The array list, the array's record and flag, each carrier's table (the
    // host drive's constructor reads its carrier's once more), the cluster
    // record of a carrier with host drives, the mirror's flag, the
    // controller-wide table; the drives' own information and members come
    // through the library's composite reads.
    const uint32_t kOwnKeys[] = {0x10000034, 0x10000012, 0x1000000A, 0x10010001, 0x10010002, 0x10010006, 0x63};
    std::vector<std::string> seen;
    const std::vector<std::string> log = sim_->log();
    for (size_t i = before; i < log.size(); ++i) {
        std::vector<std::string> f;
        std::stringstream in(log[i]);
        for (std::string field; std::getline(in, field, '\t');)
            f.push_back(field);
        const uint32_t key = static_cast<uint32_t>(std::stoul(f[5], nullptr, 16));
        if (std::find(std::begin(kOwnKeys), std::end(kOwnKeys), key) != std::end(kOwnKeys))
            seen.push_back(f[5] + "@" + f[6]);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "0x10000034@0xFFFFFFFF", "0x10000034@0xFFFFFFFF",  // drives 128-254, then 0-127
                        "0x10010001@0x00000000", "0x10010006@0x00000000", "0x10010001@0x00000000",
                        "0x10000012@0x00000001", "0x1000000A@0x00000001", "0x10010001@0x00000001",
                        "0x10010001@0x00000003", "0x00000063@0x00000003", "0x10010002@0xFFFFFFFF"}));
    // Every kind of drive, linked both ways and found by number.
    const int a = c->FindArrayDrive(1);
    ASSERT_GE(a, 0);
    ASSERT_EQ(c->arrayDrives[a].components.count, 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(c->logDrives[c->arrayDrives[a].components[i]].arrayIndex, a);
    const int m = c->FindMirrorDrive(3);
    ASSERT_GE(m, 0);
    for (int i = 0; i < c->mirrorDrives[m].components.count; ++i)
        EXPECT_EQ(c->logDrives[c->mirrorDrives[m].components[i]].mirrorIndex, m);
    const int h = c->FindHostDrive(0);
    ASSERT_GE(h, 0);
    const int carrier = c->hostDrives[h].carrierIndex;
    ASSERT_EQ(carrier, c->FindLogicalDrive(0));
    ASSERT_EQ(c->logDrives[carrier].hostDrives.count, 1);
    EXPECT_EQ(c->logDrives[carrier].hostDrives[0], h);
    for (int k = 0; k < c->logDrives[carrier].disks.count; ++k)
        EXPECT_EQ(c->physDrives[c->logDrives[carrier].disks[k]].logDriveIndex, carrier);
    EXPECT_EQ(c->freeDrives.count, 255 - 5);
    EXPECT_EQ(c->freeDrives[0].driveNumber, 4);
}
