// Mirror drives end to end: splitting under rising free numbers, failed
// components with and without a pool hot fix drive, missing components,
// pool access and the hot fix pool.
#include "drive_sim_test.h"

#include "ctl_errors.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using MirrorDriveTest = DriveSimTest;

// Channel 0: disks 0-5 (disk 5 small). Drives 0, 1, 2 a three-way mirror;
// drives 3 and 10 keep numbers 4-9 and 11-254 free; drive 5 spare.
std::string ThreeWay(const std::string& extra = "")
{
    return R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3},
                                              {"target": 4}, {"target": 5, "capacity": 1000}]}],
        "logicalDrives": [{"number": 0, "name": "M", "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]]},
                          {"number": 10, "members": [[0, 4]]}],
        "mirrors": [{"drives": [0, 1, 2])" +
           extra + "}]}";
}

// Channel 0: disks 0-3 (disk 3 small). Drives 0 and 1 a mirror; drive 2 and
// 3 in the hot fix pool.
std::string PoolMirror(bool access, int spareCapacity)
{
    return R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2, "capacity": )" +
           std::to_string(spareCapacity) + R"(}, {"target": 3, "capacity": 1000}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]], "poolHotFix": true},
                          {"number": 3, "members": [[0, 3]], "poolHotFix": true}],
        "mirrors": [{"drives": [0, 1], "poolAccess": )" +
           (access ? "true" : "false") + "}]}";
}

}  // namespace

TEST_F(MirrorDriveTest, SplitHandsOutRisingNumbers)
{
    for (int del : {0, 1}) {
        SCOPED_TRACE(del ? "deleting" : "keeping");
        CController* c = Read(ThreeWay());
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->mirrorDrives.count, 1);
        ASSERT_EQ(c->mirrorDrives[0].components.count, 3);
        ASSERT_EQ(c->mirrorDrives[0].RemoveComponent(del, 1, -1), 1) << std::hex << c->error;
        // The first number of the last free run, then the next one up.
        EXPECT_EQ(LoggedWords(0x11, 0), (std::vector<uint32_t>{11, 12}));
        EXPECT_EQ(c->mirrorDrives.count, 0);
        if (del) {
            EXPECT_EQ(LoggedSizes(0x0F).size(), 3u);  // both split drives, then the master
            EXPECT_LT(c->FindLogicalDrive(0), 0);
            EXPECT_LT(c->FindLogicalDrive(11), 0);
            EXPECT_LT(c->FindLogicalDrive(12), 0);
        } else {
            EXPECT_EQ(LoggedWords(0x10010003, HDTABLE_HEAD + HDENTRY_NUMBER) .size(), 2u);
            for (int n : {0, 11, 12, 3, 10})
                EXPECT_GE(c->FindLogicalDrive(n), 0) << n;
            EXPECT_LT(c->FindLogicalDrive(1), 0);
        }
    }
}

TEST_F(MirrorDriveTest, SplitStopsBeforeANumberCouldRepeat)
{
    CController* c = Read(ThreeWay());
    ASSERT_NE(c, nullptr);
    // Only number 4 is left: the second component would get it again.
    ASSERT_EQ(c->freeDrives.SetSize(1), 1);
    c->freeDrives[0].driveNumber = 4;
    CMirrorDrive& m = c->mirrorDrives[0];
    EXPECT_EQ(m.RemoveComponent(0, 0, -1), 0);
    EXPECT_EQ(m.error, MODERR_NO_SPACE);
    EXPECT_EQ(LoggedWords(0x11, 0), (std::vector<uint32_t>{4}));

    ASSERT_EQ(c->freeDrives.SetSize(0), 1);
    EXPECT_EQ(m.RemoveComponent(0, 0, 1), 0);
    EXPECT_EQ(m.error, MODERR_NO_SPACE);
    EXPECT_EQ(Logged(0x11), 1u);
}

TEST_F(MirrorDriveTest, MissingComponentGoesFirst)
{
    CController* c = Read(ThreeWay(R"(, "missing": 1)"));
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    EXPECT_EQ(m.missingCount, 1);
    EXPECT_STREQ(m.stateText, "fail");
    ASSERT_EQ(m.RemoveComponent(0, 1, 2), 1) << std::hex << c->error;
    EXPECT_EQ(Logged(0x09), 1u);
    EXPECT_EQ(LoggedWords(0x11, 0), (std::vector<uint32_t>{11}));
    ASSERT_EQ(c->mirrorDrives.count, 1);
    EXPECT_EQ(c->mirrorDrives[0].components.count, 2);
    EXPECT_EQ(c->mirrorDrives[0].missingCount, 0);
}

TEST_F(MirrorDriveTest, FailedComponentWithAndWithoutAPoolDrive)
{
    struct Case {
        const char* name;
        bool access;
        int spareCapacity;
        std::vector<uint16_t> events;
        int components;
        int building;
        int missing;
        const char* state;
    } cases[] = {
        {"no pool access", false, 2097152, {5}, 1, 0, 1, "fail"},
        {"pool drive takes over", true, 2097152, {5, 45, 44}, 2, 1, 0, "build"},
        {"pool drives too small", true, 1000, {5, 48}, 1, 0, 1, "fail"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(PoolMirror(k.access, k.spareCapacity));
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(sim_->control("fail 0 0 1"), true);
        EXPECT_EQ(EventNumbers(), k.events);
        ASSERT_EQ(c->Refresh(), 1);
        ASSERT_EQ(c->mirrorDrives.count, 1);
        const CMirrorDrive& m = c->mirrorDrives[0];
        EXPECT_EQ(m.components.count, k.components);
        EXPECT_EQ(m.buildingCount, k.building);
        EXPECT_EQ(m.missingCount, k.missing);
        EXPECT_STREQ(m.stateText, k.state);
        EXPECT_EQ(m.GetPoolHotFixAccess(), k.access ? 1 : 0);
        // The failed drive stands on its own now.
        const CLogDrive& failed = c->logDrives[Drive(*c, 1)];
        EXPECT_EQ(failed.mirrorIndex, -1);
        EXPECT_STREQ(failed.stateText, "fault");
    }
}

TEST_F(MirrorDriveTest, HotFixDriveBuildsToTheEnd)
{
    CController* c = Read(PoolMirror(true, 2097152));
    ASSERT_NE(c, nullptr);
    sim_->control("pull 0 0 1");
    ASSERT_EQ(c->Refresh(), 1);
    CMirrorDrive& m = c->mirrorDrives[0];
    ASSERT_EQ(m.buildingCount, 1);
    EXPECT_EQ(c->logDrives[m.components[1]].driveNumber, 2);
    ProgressRequest r;
    r.operation = PROGRESS_QUERY;
    int queries = 0;
    while (m.GetBuildProgress(&r) == 1 && queries < 20)
        ++queries;
    EXPECT_EQ(r.percent, 100);
    EXPECT_EQ(m.error, 0u);
    EXPECT_EQ(queries, 9);  // 10 percent a query by default
    const std::vector<SeenEvent> events = Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].number, 45);
    EXPECT_EQ(events[1].at6, 0);
    EXPECT_EQ(events[1].at8, 2);
    EXPECT_EQ(events[3].number, 24);
}

TEST_F(MirrorDriveTest, BuildProgressNeedsAQueryOfABuildingMirror)
{
    CController* c = Read(PoolMirror(false, 2097152));
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    ProgressRequest r;
    r.operation = PROGRESS_START;
    EXPECT_EQ(m.GetBuildProgress(&r), 0);
    EXPECT_EQ(m.error, MODERR_BAD_PARAMETER);
    r.operation = PROGRESS_QUERY;
    EXPECT_EQ(m.GetBuildProgress(&r), 0);
    EXPECT_EQ(m.error, MODERR_ACTIVE_STATE);
    EXPECT_EQ(Logged(0x10000009), 0u);
}

TEST_F(MirrorDriveTest, MissingComponentsAreDroppedAndThePoolReleased)
{
    CController* c = Read(PoolMirror(false, 2097152));
    ASSERT_NE(c, nullptr);
    sim_->control("fail 0 0 1");
    ASSERT_EQ(c->Refresh(), 1);
    ASSERT_EQ(c->mirrorDrives[0].missingCount, 1);
    ASSERT_EQ(c->mirrorDrives[0].RemoveMissingComponents(1), 1);
    // The only mirror's pool goes with it (the drives stay).
    EXPECT_EQ(LoggedSizes(0x61), (std::vector<size_t>{32}));  // two entries, the end entry and 8
    EXPECT_EQ(c->mirrorDrives.count, 0);
    EXPECT_FALSE(c->logDrives[Drive(*c, 2)].IsPoolHotFix());
    EXPECT_GE(c->FindLogicalDrive(3), 0);
}

TEST_F(MirrorDriveTest, PoolAccessAndPoolDrives)
{
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]]}],
        "mirrors": [{"drives": [0, 1]}]})");
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    EXPECT_EQ(m.GetPoolHotFixAccess(), 0);
    ASSERT_EQ(m.SetPoolHotFixAccess(1), 1);
    EXPECT_EQ(m.GetPoolHotFixAccess(), 1);
    // Reads carry 0xFFFFFFFF, writes 1 or 0.
    EXPECT_EQ(LoggedWords(0x63, 0), (std::vector<uint32_t>{0xFFFFFFFF, 1, 0xFFFFFFFF}));

    m.AddPendingComponent(Drive(*c, 2));
    m.AddPendingComponent(Drive(*c, 3));
    ASSERT_EQ(m.AddHotFixDrives(1), 1) << std::hex << c->error;
    EXPECT_EQ(LoggedSizes(0x60), (std::vector<size_t>{24}));
    EXPECT_TRUE(c->logDrives[Drive(*c, 2)].IsPoolHotFix());
    EXPECT_TRUE(c->logDrives[Drive(*c, 3)].IsPoolHotFix());

    ASSERT_EQ(c->mirrorDrives[0].RemoveHotFixDrive(Drive(*c, 3), 1, 1), 1);
    EXPECT_LT(c->FindLogicalDrive(3), 0);
    EXPECT_EQ(LoggedSizes(0x61), (std::vector<size_t>{16}));

    // Releasing the pool: drive 2 and the end entry, then, with drive 2
    // deleted, only the end entry.
    ASSERT_EQ(c->ReleasePoolHotFixDrives(1), 1);
    ASSERT_EQ(c->Refresh(), 1);
    EXPECT_LT(c->FindLogicalDrive(2), 0);
    ASSERT_EQ(c->ReleasePoolHotFixDrives(0), 1);
    EXPECT_EQ(LoggedSizes(0x61), (std::vector<size_t>{16, 24, 16}));
}

TEST_F(MirrorDriveTest, MoreThanThirtyFivePoolEntriesSendNothing)
{
    CController* c = Read(PoolMirror(false, 2097152));
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    for (int i = 0; i < 36; ++i)
        m.AddPendingComponent(Drive(*c, 2));
    EXPECT_EQ(m.AddHotFixDrives(0), 0);
    EXPECT_EQ(m.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(Logged(0x60), 0u);
    EXPECT_EQ(Logged(0x10010004), 0u);

    // 36 pool drives cannot be released in one request either.
    ASSERT_EQ(c->logDrives.SetSize(36), 1);
    for (int i = 0; i < 36; ++i)
        c->logDrives[i].info[LDINFO_FLAGS] = LDFLAG_POOL_HOT_FIX;
    EXPECT_EQ(c->ReleasePoolHotFixDrives(0), 0);
    EXPECT_EQ(c->error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(Logged(0x61), 0u);
}

TEST_F(MirrorDriveTest, RenameAndIdentify)
{
    CController* c = Read(ThreeWay());
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    ASSERT_EQ(m.SetName("MIRROR"), 1);
    char name[9] = {};
    ASSERT_EQ(m.GetName(name), 1);
    EXPECT_EQ(std::string(name, 6), "MIRROR");
    EXPECT_TRUE(m.Identify());
    EXPECT_EQ(Logged(0x20000054), 3u);
    uint8_t rec[COMPDISKS_HEAD + 4 * COMPDISKS_ENTRY] = {};
    wire::put16(rec, COMPDISKS_ROOM, 4);
    ASSERT_TRUE(m.QueryComponentDisks(rec));
    EXPECT_EQ(wire::get16(rec, 20), 3);  // the disks of the three components
}

TEST_F(MirrorDriveTest, ReleasingEnclosureSlotsFreesTheComponentsDisks)
{
    // An enclosure processor at 6 holds the disks at 0, 1 and 4; one
    // configuration lists all three. Drives 0 and 1 are the mirror.
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "enclosureConfigs": [{"vendor": "KZM", "name": "SHELF", "slots": [[0, 0, 2], [0, 1, 3], [0, 4, 5]]}],
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 4},
            {"target": 6, "type": 3, "vendor": "KZM", "product": "ENCLOSURE", "enclosure": {"slots": [0, 1, 4]}}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}],
        "mirrors": [{"drives": [0, 1]}]})");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->mirrorDrives[0].ReleaseEnclosureSlots(), 1) << std::hex << c->mirrorDrives[0].error;
    // The two slots of the mirror's disks are written empty, the third keeps its disk.
    EXPECT_EQ(LoggedWords(0x20012, 4), (std::vector<uint32_t>{0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(Logged(0x20010), 1u);
    // The configuration is reset and written back with the one entry left.
    EXPECT_EQ(Logged(0x20024), 1u);
    const std::vector<std::vector<uint8_t>> written = LoggedRecords(0x20020);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(wire::get32(written[0].data(), kLoggedData + 28), 1u);
    EXPECT_EQ(written[0][kLoggedData + 32 + 6], 4);
}

TEST_F(MirrorDriveTest, PoolAccessFallsBackToTheArrayFlag)
{
    CController* c = Read(PoolMirror(true, 2097152));
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    EXPECT_EQ(Logged(0x1000000A), 0u);
    sim_->control("status 0 0x63 9");
    ASSERT_EQ(m.Refresh(), 1);
    EXPECT_EQ(m.GetPoolHotFixAccess(), 1);
    EXPECT_EQ(LoggedWords(0x1000000A, 0), (std::vector<uint32_t>{0xFFFFFFFF}));

    sim_->control("status 0 0x63 9");
    ASSERT_EQ(m.SetPoolHotFixAccess(0), 1);
    EXPECT_EQ(m.GetPoolHotFixAccess(), 0);
    EXPECT_EQ(LoggedWords(0x1000000A, 0), (std::vector<uint32_t>{0xFFFFFFFF, 0}));

    sim_->control("status 0 0x63 9\nstatus 0 0x1000000A 6");
    EXPECT_EQ(m.Refresh(), 0);
    EXPECT_EQ(m.error, CTLERR_CONTROLLER + 6);
}

TEST_F(MirrorDriveTest, ComponentsJoinAndPoolDrivesLeaveKeepingTheirNumber)
{
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]], "poolHotFix": true}],
        "mirrors": [{"drives": [0, 1]}]})");
    ASSERT_NE(c, nullptr);
    CMirrorDrive& m = c->mirrorDrives[0];
    m.AddPendingComponent(Drive(*c, 2));
    ASSERT_EQ(m.AddComponents(1), 1) << std::hex << c->error;
    EXPECT_EQ(LoggedWords(0x10, 0), (std::vector<uint32_t>{0}));
    ASSERT_EQ(c->mirrorDrives.count, 1);
    EXPECT_EQ(c->mirrorDrives[0].components.count, 3);
    EXPECT_EQ(c->mirrorDrives[0].buildingCount, 1);
    EXPECT_EQ(EventNumbers(), (std::vector<uint16_t>{44}));

    // Out of the pool without deleting: the drive gets a host drive under its own number.
    ASSERT_EQ(c->mirrorDrives[0].RemoveHotFixDrive(Drive(*c, 3), 0, 1), 1);
    EXPECT_FALSE(c->logDrives[Drive(*c, 3)].IsPoolHotFix());
    const std::vector<std::vector<uint8_t>> created = LoggedRecords(0x10010003);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0][kLoggedData + HDTABLE_HEAD + HDENTRY_NUMBER], 3);
    EXPECT_EQ(created[0][kLoggedData + HDTABLE_HEAD + HDENTRY_CARRIER], 3);
}
