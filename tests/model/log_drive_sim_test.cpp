// Free and logical drives end to end: drives created and committed with
// their host drive, mirrors made and built, renaming, removal, the disk
// read check and identification.
#include "drive_sim_test.h"

#include "ctl_commands.h"
#include "ctl_errors.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using LogDriveTest = DriveSimTest;

// Firmware 0x200000 on the "new" profile: a reserved area of 1200 sectors
// on every disk. Channel 0: disks 0-3; channel 1: disk 5 of 1,000,000 sectors.
const char* const kLogDisks = R"({"entry": 0, "profile": "new", "firmwareVersion": "0x02200000",
    "channels": [{"kind": 2, "devices": [{"target": 0, "capacity": 400000}, {"target": 1, "capacity": 600000},
                                          {"target": 2, "capacity": 500000}, {"target": 3, "capacity": 1200}]},
                 {"kind": 2, "devices": [{"target": 5, "capacity": 1000000}]}]})";

// The host drive table of carrier `drive` as the controller answers it.
std::vector<uint8_t> HostTable(uint16_t drive)
{
    std::vector<uint8_t> t(HDTABLE_HEAD + 100 * HDENTRY_SIZE, 0);
    wire::put32(t.data(), 0, 100);
    wire::put32(t.data(), 4, 16);
    EXPECT_EQ(ctl_get_host_drive_table(0, 0, drive, t.data(), static_cast<uint16_t>(t.size())), 0u);
    return t;
}

}  // namespace

TEST_F(LogDriveTest, FreeDrivesBecomeCommittedDrivesWithAHostDrive)
{
    struct Case {
        const char* name;
        uint16_t type;
        std::vector<std::pair<int, int>> disks;  // channel, target
        int number;
        const char* driveName;
        uint32_t capacity;
        const char* kindText;
    } cases[] = {
        {"single disk", DRIVE_TYPE_SINGLE, {{1, 5}}, 0, "PD_B005", 1000000, "Disk"},
        {"RAID 0", DRIVE_TYPE_RAID0, {{0, 1}, {0, 0}}, 0, "PD_A001", 800000, "raid-0"},
        {"chain", DRIVE_TYPE_CHAIN, {{0, 0}, {0, 2}}, 0, "PD_A000", 900000, "Chain"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(kLogDisks);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->freeDrives.count, 255);
        CFreeDrive& f = c->freeDrives[k.number];
        for (const auto& [channel, target] : k.disks)
            f.AddDisk(At(*c, channel, target));
        ASSERT_EQ(f.Create(k.type, 1), 1) << std::hex << c->error;

        const int d = Drive(*c, k.number);
        ASSERT_GE(d, 0);
        const CLogDrive& drive = c->logDrives[d];
        EXPECT_STREQ(drive.kindText, k.kindText);
        EXPECT_EQ(std::string(drive.GetName(), 8), std::string(k.driveName, 8));  // NUL padded
        EXPECT_EQ(wire::get32(drive.GetInfo(), LDINFO_CAPACITY), k.capacity);
        EXPECT_EQ(drive.disks.count, static_cast<int>(k.disks.size()));
        EXPECT_EQ(c->freeDrives.count, 254);
        EXPECT_EQ(Logged(0x03), 1u);  // committed

        // One host drive over the whole drive past the reserved area.
        const std::vector<uint8_t> t = HostTable(static_cast<uint16_t>(k.number));
        ASSERT_EQ(wire::get32(t.data(), 0), 1u);
        const uint8_t* e = t.data() + HDTABLE_HEAD;
        EXPECT_EQ(wire::get32(e, HDENTRY_SECTORS), k.capacity - 1200);
        EXPECT_EQ(wire::get32(e, HDENTRY_START), 1200u);
        EXPECT_EQ(e[HDENTRY_NUMBER], k.number);
        EXPECT_EQ(e[HDENTRY_CARRIER], k.number);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(e), 7), k.driveName);
        DriveGeometry g;
        CController::ComputeGeometry(k.capacity, &g);
        EXPECT_EQ(t[HDTABLE_SECTORS], g.sectors);
        EXPECT_EQ(t[HDTABLE_HEADS], g.heads);
    }
}

TEST_F(LogDriveTest, HostDriveOfAMillionSectorsStartsAfterTheReservedArea)
{
    CController* c = Read(kLogDisks);
    ASSERT_NE(c, nullptr);
    CFreeDrive& f = c->freeDrives[9];
    f.AddDisk(At(*c, 1, 5));
    ASSERT_EQ(f.CreateLogicalDrive(DRIVE_TYPE_SINGLE), 1);
    CLogDrive drive(0, 9, 0, 0, 0, c, 1);
    ASSERT_EQ(drive.CreateHostDrive(9), 1);
    const std::vector<std::vector<uint8_t>> sent = LoggedRecords(0x10010003);
    ASSERT_EQ(sent.size(), 1u);
    const uint8_t* rec = sent[0].data() + kLoggedData;
    EXPECT_EQ(wire::get32(rec, HDTABLE_COUNT), 1u);
    EXPECT_EQ(wire::get32(rec, HDTABLE_WORD1), 16u);
    EXPECT_EQ(wire::get32(rec, HDTABLE_HEAD + HDENTRY_SECTORS), 998800u);
    EXPECT_EQ(wire::get32(rec, HDTABLE_HEAD + HDENTRY_START), 1200u);
    EXPECT_EQ(rec[HDTABLE_CLUSTER], 2) << "the new profile's cluster bits 0x0D on level 30";
}

TEST_F(LogDriveTest, CreateHostDriveRefusesADriveNoLargerThanTheReservedArea)
{
    CController* c = Read(kLogDisks);
    ASSERT_NE(c, nullptr);
    CFreeDrive& f = c->freeDrives[2];
    f.AddDisk(At(*c, 0, 3));  // 1200 sectors
    ASSERT_EQ(f.CreateLogicalDrive(DRIVE_TYPE_SINGLE), 1);
    CLogDrive drive(0, 2, 0, 0, 0, c, 1);
    EXPECT_EQ(drive.CreateHostDrive(2), 0);
    EXPECT_EQ(drive.error, MODERR_NO_SPACE);
    EXPECT_EQ(Logged(0x10010003), 0u);
}

TEST_F(LogDriveTest, CommitWithoutDisksSendsNoName)
{
    CController* c = Read(kLogDisks);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->freeDrives[4].Commit(0), 1);
    EXPECT_EQ(Logged(0x8000000F), 0u);
    EXPECT_EQ(Logged(0x03), 1u);
}

TEST_F(LogDriveTest, UsedCapacityIsReadAndSet)
{
    CController* c = Read(kLogDisks);
    ASSERT_NE(c, nullptr);
    CFreeDrive& f = c->freeDrives[3];
    f.AddDisk(At(*c, 0, 2));
    ASSERT_EQ(f.CreateLogicalDrive(DRIVE_TYPE_SINGLE), 1);
    uint32_t capacity = 0;
    ASSERT_EQ(f.GetCapacity(&capacity), 1);
    EXPECT_EQ(capacity, 500000u);
    ASSERT_EQ(f.SetUsedCapacity(300000), 1);
    ASSERT_EQ(f.GetCapacity(&capacity), 1);
    EXPECT_EQ(capacity, 300000u);
    EXPECT_EQ(f.SetUsedCapacity(500001), 0);
    EXPECT_EQ(f.error, CTLERR_CONTROLLER + 0x0007);
    EXPECT_EQ(c->freeDrives[4].GetCapacity(&capacity), 0);  // no drive there
    EXPECT_EQ(c->freeDrives[4].error, CTLERR_CONTROLLER + 0x0006);
}

TEST_F(LogDriveTest, MirrorIsBuiltToTheEndWithItsEvents)
{
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
        "logicalDrives": [{"number": 2, "name": "MASTER", "members": [[0, 0]]},
                          {"number": 6, "name": "OTHER", "members": [[0, 1]]}]})");
    ASSERT_NE(c, nullptr);
    sim_->control("progress step 40");
    CLogDrive& master = c->logDrives[Drive(*c, 2)];
    master.AddPendingComponent(Drive(*c, 6));
    ASSERT_EQ(master.MakeMirror(1), 1) << std::hex << c->error;
    // The pending drive lost its host drives first; then it joined, and the mirror took the master's name.
    EXPECT_EQ(LoggedWords(0x10, 0), (std::vector<uint32_t>{2}));
    EXPECT_EQ(Logged(0x10010004), 1u);
    ASSERT_EQ(c->mirrorDrives.count, 1);
    CMirrorDrive& m = c->mirrorDrives[0];
    EXPECT_EQ(m.mirrorNumber, 2);
    EXPECT_EQ(m.readyCount, 1);
    EXPECT_EQ(m.buildingCount, 1);
    EXPECT_STREQ(m.stateText, "build");
    char name[9] = {};
    ASSERT_EQ(m.GetName(name), 1);
    EXPECT_STREQ(name, "MASTER  ");

    ProgressRequest r;
    r.operation = PROGRESS_QUERY;
    std::vector<int> percents;
    int result = 1;
    for (int guard = 0; result == 1 && guard < 10; ++guard) {
        result = m.GetBuildProgress(&r);
        percents.push_back(r.percent);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m.error, 0u);
    EXPECT_EQ(percents, (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(r.state, 0);

    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_EQ(c->mirrorDrives.count, 1);
    EXPECT_EQ(c->mirrorDrives[0].readyCount, 2);
    EXPECT_EQ(c->mirrorDrives[0].buildingCount, 0);
    EXPECT_STREQ(c->mirrorDrives[0].stateText, "ready");
    const std::vector<SeenEvent> events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].number, 44);
    EXPECT_EQ(events[0].at6, 2);
    EXPECT_EQ(events[1].number, 24);
    EXPECT_EQ(events[1].at8, 2);
}

TEST_F(LogDriveTest, RenameRemoveAndDiskChecks)
{
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
        "logicalDrives": [{"number": 4, "type": 16, "name": "STRIPE", "members": [[0, 0], [0, 1]]}]})");
    ASSERT_NE(c, nullptr);
    CLogDrive& d = c->logDrives[Drive(*c, 4)];
    ASSERT_EQ(d.SetName("FAST"), 1);
    EXPECT_EQ(std::string(d.GetName(), 4), "FAST");
    EXPECT_TRUE(d.CheckDisksReadable());
    EXPECT_EQ(d.Identify(), 1);
    const std::vector<std::vector<uint8_t>> ids = LoggedRecords(0x20000054);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(wire::get32(ids[0].data(), kLoggedData + 8), 2u);

    sim_->control("fail 0 0 1");
    EXPECT_FALSE(d.CheckDisksReadable());
    EXPECT_EQ(d.error, 0u);
    ASSERT_EQ(d.Refresh(), 1);
    EXPECT_STREQ(d.stateText, "fault");

    ASSERT_EQ(d.Remove(1), 1);
    EXPECT_EQ(c->logDrives.count, 0);
    EXPECT_EQ(c->freeDrives.count, 255);
    EXPECT_EQ(Logged(0x0F), 1u);
}

TEST_F(LogDriveTest, PendingIndexOutsideTheListSendsNothing)
{
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}]})");
    ASSERT_NE(c, nullptr);
    CLogDrive& d = c->logDrives[0];
    d.AddPendingComponent(5);
    EXPECT_EQ(d.MakeMirror(0), 0);
    EXPECT_EQ(d.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(Logged(0x10), 0u);
    EXPECT_EQ(Logged(0x10010004), 0u);
}

TEST_F(LogDriveTest, ReservedAreaAndClusterTypeFollowTheFirmware)
{
    struct Case {
        const char* name;
        const char* profile;
        const char* version;
        int diskFormat;
        const char* clusterBits;
        uint32_t start;
        uint8_t clusterType;
    } cases[] = {
        {"before the reserved area", "new", "0x021E0000", 2, "0x0D", 0, 2},
        {"reserved area", "new", "0x02200000", 1, "0x0D", 1200, 2},
        {"new disk format", "new", "0x02210000", 2, "0x0D", 1200, 2},
        {"old disk format", "new", "0x02210000", 1, "0x0D", 0, 2},
        {"not clustered", "new", "0x02210000", 2, "0x05", 1200, 0},
        {"below level 30: old members", "middle", "0x02210000", 2, "0x0D", 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(std::string(R"({"entry": 0, "profile": ")") + k.profile + R"(", "firmwareVersion": ")" +
                              k.version + R"(", "clusterBits": ")" + k.clusterBits + R"(",
            "channels": [{"kind": 2, "devices": [{"target": 0, "capacity": 100000, "diskFormat": )" +
                              std::to_string(k.diskFormat) + R"(}]}],
            "logicalDrives": [{"number": 1, "name": "ONE", "members": [[0, 0]]}]})");
        ASSERT_NE(c, nullptr);
        CLogDrive& d = c->logDrives[Drive(*c, 1)];
        ASSERT_EQ(d.CreateHostDrive(7), 1) << std::hex << d.error;
        const std::vector<std::vector<uint8_t>> sent = LoggedRecords(0x10010003);
        ASSERT_EQ(sent.size(), 1u);
        const uint8_t* rec = sent[0].data() + kLoggedData;
        EXPECT_EQ(wire::get32(rec, HDTABLE_HEAD + HDENTRY_START), k.start);
        EXPECT_EQ(wire::get32(rec, HDTABLE_HEAD + HDENTRY_SECTORS), 100000 - k.start);
        EXPECT_EQ(rec[HDTABLE_HEAD + HDENTRY_NUMBER], 7);
        EXPECT_EQ(rec[HDTABLE_CLUSTER], k.clusterType);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec + HDTABLE_HEAD), 4), std::string("ONE ", 4));
    }
}
