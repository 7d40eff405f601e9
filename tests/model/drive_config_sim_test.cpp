// CController::Refresh end to end: logical drives with their disks, mirror
// chains with their counts, free numbers, a stopping failure, bounded chain
// walks and samples carried over.
#include "drive_sim_test.h"

#include "ctl_drives.h"
#include "ctl_errors.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using DriveConfigTest = DriveSimTest;

// Channel 0: disks 0-5; channel 1: disk 1. Drive 0 a single disk, drive 1 a
// chain of two, drives 3 and 5 a mirror, drive 7 a pool hot fix drive.
const char* const kConfig = R"({"entry": 0, "profile": "new",
    "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3},
                                          {"target": 4}, {"target": 5}]},
                 {"kind": 2, "devices": [{"target": 1}]}],
    "logicalDrives": [{"number": 0, "name": "ZERO", "members": [[0, 0]]},
                      {"number": 1, "type": 32, "name": "CHAIN", "members": [[0, 1], [1, 0]]},
                      {"number": 3, "name": "THREE", "members": [[0, 2]]},
                      {"number": 5, "name": "FIVE", "members": [[0, 3]]},
                      {"number": 7, "name": "SPARE", "members": [[0, 4]], "poolHotFix": true}],
    "mirrors": [{"drives": [3, 5]}]})";

}  // namespace

TEST_F(DriveConfigTest, RefreshLinksDrivesDisksAndMirrors)
{
    CController* c = Read(kConfig);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->logDrives.count, 5);
    ASSERT_EQ(c->mirrorDrives.count, 1);
    EXPECT_EQ(c->arrayDrives.count, 0);
    EXPECT_EQ(c->freeDrives.count, 255 - 5);

    // Each drive knows its disks and each disk its drive.
    const int chain = Drive(*c, 1);
    ASSERT_EQ(c->logDrives[chain].disks.count, 2);
    EXPECT_EQ(c->logDrives[chain].kind, LDKIND_CHAIN);
    EXPECT_STREQ(c->logDrives[chain].kindText, "Chain");
    EXPECT_STREQ(c->logDrives[chain].stateText, "ready");
    EXPECT_STREQ(c->logDrives[chain].attributeText, "RW ");
    for (int i = 0; i < c->logDrives[chain].disks.count; ++i)
        EXPECT_EQ(c->physDrives[c->logDrives[chain].disks[i]].logDriveIndex, chain);
    EXPECT_EQ(c->physDrives[At(*c, 1, 1)].logDriveIndex, chain);
    EXPECT_EQ(c->physDrives[At(*c, 0, 5)].logDriveIndex, -1);

    // The mirror: numbered by its head, both components linked, nothing missing.
    const CMirrorDrive& m = c->mirrorDrives[0];
    EXPECT_EQ(m.mirrorNumber, 3);
    EXPECT_EQ(c->FindMirrorDrive(3), 0);
    ASSERT_EQ(m.components.count, 2);
    EXPECT_EQ(m.components[0], Drive(*c, 3));
    EXPECT_EQ(m.components[1], Drive(*c, 5));
    EXPECT_EQ(c->logDrives[Drive(*c, 5)].mirrorIndex, 0);
    EXPECT_EQ(c->logDrives[Drive(*c, 0)].mirrorIndex, -1);
    EXPECT_EQ(m.readyCount, 2);
    EXPECT_EQ(m.buildingCount, 0);
    EXPECT_EQ(m.missingCount, 0);
    EXPECT_STREQ(m.stateText, "ready");
    EXPECT_STREQ(m.typeText, "RAID-1");
    char name[9] = {};
    ASSERT_EQ(m.GetName(name), 1);
    EXPECT_STREQ(name, "THREE   ");

    // The pool drive carries the pool bit in its kind; its number is not free.
    const int spare = Drive(*c, 7);
    EXPECT_EQ(c->logDrives[spare].kind, LDKIND_DISK | LDKIND_POOL_HOT_FIX);
    EXPECT_TRUE(c->logDrives[spare].IsPoolHotFix());
    for (int n : {0, 1, 3, 5, 7})
        for (int k = 0; k < c->freeDrives.count; ++k)
            EXPECT_NE(c->freeDrives[k].driveNumber, n);
    EXPECT_EQ(c->freeDrives[0].driveNumber, 2);
    EXPECT_EQ(c->freeDrives[c->freeDrives.count - 1].driveNumber, 254);

    // The drive list names the head only; drive 5 is read once, through the chain.
    uint32_t listed[8] = {};
    uint32_t count = 0;
    ASSERT_EQ(ctl_read_drive_list(0, listed, 8, &count), 0u);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(listed[2], 3u);
    EXPECT_EQ(listed[3], 7u);
    // The array list in the newer layout: two reads on all nodes.
    EXPECT_EQ(LoggedSizes(0x10000034), (std::vector<size_t>{1540, 1552}));
}

TEST_F(DriveConfigTest, ControllerWithoutDrivesHasEveryNumberFree)
{
    for (const char* profile : {"old", "middle", "new"}) {
        SCOPED_TRACE(profile);
        CController* c = Read(std::string(R"({"entry": 0, "profile": ")") + profile + "\"}");
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->logDrives.count, 0);
        EXPECT_EQ(c->mirrorDrives.count, 0);
        ASSERT_EQ(c->freeDrives.count, 255);
        for (int n = 0; n < 255; ++n)
            EXPECT_EQ(c->freeDrives[n].driveNumber, n);
        EXPECT_EQ(c->GetFreeDriveNumber(0xFFFF), 0);
    }
}

TEST_F(DriveConfigTest, OlderFirmwareReadsTheArrayListOnce)
{
    CController* c = Read(R"({"entry": 0, "profile": "middle",
        "channels": [{"kind": 2, "devices": [{"target": 0}]}],
        "logicalDrives": [{"number": 4, "members": [[0, 0]]}]})");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(LoggedSizes(0x1000000F), (std::vector<size_t>{420}));
    EXPECT_EQ(Logged(0x10000034), 0u);
    EXPECT_EQ(c->logDrives.count, 1);
}

TEST_F(DriveConfigTest, FailingRequestEmptiesEveryList)
{
    CController* c = Read(kConfig);
    ASSERT_NE(c, nullptr);
    ASSERT_GT(c->physDrives.count, 0);
    // The member list of the next read fails.
    sim_->control("status 0 0x80000005 6");
    EXPECT_EQ(c->Refresh(), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 6);
    EXPECT_EQ(c->physDrives.count, 0);
    EXPECT_EQ(c->logDrives.count, 0);
    EXPECT_EQ(c->mirrorDrives.count, 0);
    EXPECT_EQ(c->freeDrives.count, 0);
    EXPECT_EQ(c->hostDrives.count, 0);
    EXPECT_EQ(c->arrayDrives.count, 0);
    // The next refresh reads everything again.
    EXPECT_EQ(c->Refresh(), 1);
    EXPECT_EQ(c->logDrives.count, 5);
}

TEST_F(DriveConfigTest, ChainWalkEndsOnALoop)
{
    // Drives 0 and 1 name each other as next: the walk reads each once.
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]], "reportedNext": 1},
                          {"number": 1, "members": [[0, 1]], "reportedNext": 0},
                          {"number": 2, "members": [[0, 2]], "reportedNext": 2}]})");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->logDrives.count, 3);
    ASSERT_EQ(c->mirrorDrives.count, 2);
    EXPECT_EQ(c->mirrorDrives[0].components.count, 2);
    EXPECT_EQ(c->mirrorDrives[1].components.count, 1);
}

TEST_F(DriveConfigTest, SamplesMoveToTheNewObjectsByNumber)
{
    CController* c = Read(kConfig);
    ASSERT_NE(c, nullptr);
    DriveStatSample s;
    s.time = 1234;
    s.counters[0] = 77;
    c->logDrives[Drive(*c, 5)].UpdateStatistics(&s, 1);
    ASSERT_EQ(c->Refresh(), 1);
    const CLogDrive& d = c->logDrives[Drive(*c, 5)];
    for (int n = 0; n < DRIVE_SAMPLES; ++n) {
        EXPECT_EQ(d.GetSample(n)->time, 1234u);
        EXPECT_EQ(d.GetSample(n)->counters[0], 77u);
    }
    EXPECT_EQ(c->logDrives[Drive(*c, 3)].GetSample(0)->time, 0u);
}
