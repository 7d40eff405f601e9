// Array drives end to end: creation of every RAID type, RAID-10 pairing,
// hot fix drives, parity verify, state repair, failures with their hot fix
// drives, expansion and conversion, and arrays read back with a missing
// component.
#include "drive_sim_test.h"

#include "model_errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using ArrayDriveTest = DriveSimTest;

constexpr uint32_t kDisk = 2097152;

// "new" profile (firmware level 30). Channel 0 holds disks at targets 0..n-1
// with the capacities given, channel 1 the disks of `second`; logical drive
// i is disk i of channel 0, drive 20 + i disk i of channel 1.
std::string Disks(const std::vector<uint32_t>& first, const std::vector<uint32_t>& second = {})
{
    auto devices = [](const std::vector<uint32_t>& caps) {
        std::string s;
        for (size_t i = 0; i < caps.size(); ++i)
            s += (i ? ", " : "") + std::string(R"({"target": )") + std::to_string(i) +
                 R"(, "capacity": )" + std::to_string(caps[i]) + "}";
        return s;
    };
    std::string drives;
    for (size_t i = 0; i < first.size(); ++i)
        drives += (drives.empty() ? "" : ", ") + std::string(R"({"number": )") + std::to_string(i) +
                  R"(, "members": [[0, )" + std::to_string(i) + "]]}";
    for (size_t i = 0; i < second.size(); ++i)
        drives += (drives.empty() ? "" : ", ") + std::string(R"({"number": )") + std::to_string(20 + i) +
                  R"(, "members": [[1, )" + std::to_string(i) + "]]}";
    return R"({"entry": 0, "profile": "new", "channels": [{"kind": 2, "devices": [)" + devices(first) +
           R"(]}, {"kind": 2, "devices": [)" + devices(second) + R"(]}], "logicalDrives": [)" + drives + "]}";
}

// Four disks of kDisk sectors and two more for hot fix drives (one small).
std::string Raid5Disks()
{
    return Disks({kDisk, kDisk, kDisk, kDisk, kDisk, 1000000});
}

}  // namespace

class ArrayTest : public ArrayDriveTest {
protected:
    // Creates an array of `type` from the drives `numbers` (the first is
    // this drive), refreshes and answers the array's index (-1 on failure).
    int Make(CController* c, int type, const std::vector<int>& numbers, int* spans = nullptr)
    {
        CLogDrive& first = c->logDrives[Drive(*c, numbers[0])];
        for (size_t i = 1; i < numbers.size(); ++i)
            first.AddPendingComponent(Drive(*c, numbers[i]));
        int spansOut = -1;
        int number = -1;
        if (first.CreateArray(type, &spansOut, &number, 0x10000) != 1) {
            ADD_FAILURE() << "CreateArray: " << std::hex << first.error;
            return -1;
        }
        if (spans != nullptr)
            *spans = spansOut;
        if (c->Refresh() != 1)
            return -1;
        return c->FindArrayDrive(number);
    }

    // Queries the build until it is done; the array's index afterwards.
    int BuildToReady(CController* c, int number)
    {
        for (int round = 0; round < 40; ++round) {
            const int a = c->FindArrayDrive(number);
            if (a < 0)
                return -1;
            if (c->arrayDrives[a].State() == ARSTATE_READY)
                return a;
            ProgressRequest r;
            r.operation = PROGRESS_QUERY;
            const bool rebuild = c->arrayDrives[a].State() == ARSTATE_REBUILD;
            if ((rebuild ? c->arrayDrives[a].GetRebuildProgress(&r) : c->arrayDrives[a].GetBuildProgress(&r)) != 1)
                return -1;
        }
        return -1;
    }

    // A ready RAID-5 array of drives 0-3; its index, -1 on failure.
    int ReadyRaid5(CController* c)
    {
        const int a = Make(c, RAID_TYPE_5, {0, 1, 2, 3});
        return a < 0 ? -1 : BuildToReady(c, 0);
    }

    // Runs an expansion to its end; false when a step fails.
    bool ExpandToEnd(CController* c, int number)
    {
        for (int round = 0; round < 40; ++round) {
            ProgressRequest r;
            r.operation = PROGRESS_QUERY;
            CArrayDrive& a = c->arrayDrives[c->FindArrayDrive(number)];
            if (a.ExpandConvert(&r) != 1)
                return false;
            if (r.percent >= 100)
                return c->Refresh() == 1;
        }
        return false;
    }

    static bool Contains(const std::vector<uint16_t>& events, std::vector<uint16_t> wanted)
    {
        auto at = events.begin();
        for (uint16_t w : wanted) {
            at = std::find(at, events.end(), w);
            if (at == events.end())
                return false;
            ++at;
        }
        return true;
    }
};

TEST_F(ArrayTest, CreatesEveryTypeWithItsRecord)
{
    struct Case {
        const char* name;
        int type;
        uint8_t dataCount;
        uint32_t capacity;
        const char* typeText;
        const char* stateText;
        uint32_t buildKey;  // the key GetBuildProgress asks, 0 when ready at once
    } cases[] = {
        {"RAID 5", RAID_TYPE_5, 4, 3 * kDisk, "RAID-5", "build", 0x1000001A},
        {"RAID 4", RAID_TYPE_4, 3, 3 * kDisk, "RAID-4", "build", 0x1000001A},
        {"RAID 5 built destructively", RAID_TYPE_5 | RAID_DESTRUCTIVE, 4, 3 * kDisk, "RAID-5", "build", 0x10000033},
        {"RAID 0", RAID_TYPE_0, 4, 4 * kDisk, "RAID-0", "ready", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Raid5Disks());
        ASSERT_NE(c, nullptr);
        const int a = Make(c, k.type, {0, 1, 2, 3});
        ASSERT_GE(a, 0);
        const auto sent = LoggedRecords(0x10000010);
        ASSERT_EQ(sent.size(), 1u);
        const uint8_t* rec = sent[0].data() + kLoggedData;
        EXPECT_EQ(rec[ARREC_DATA_COUNT], k.dataCount);
        EXPECT_EQ(rec[ARREC_SLOT_COUNT], 4);
        EXPECT_EQ(rec[ARREC_SLOTS + 8 * 4 + ARREC_SLOT_DRIVE], ARREC_SLOT_END);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec + ARREC_NAME)),
                  "RAID" + std::to_string(k.type & 0x7F));

        CArrayDrive& array = c->arrayDrives[a];
        EXPECT_EQ(array.Capacity(), k.capacity);
        EXPECT_STREQ(array.typeText, k.typeText);
        EXPECT_STREQ(array.stateText, k.stateText);
        EXPECT_STREQ(array.attributeText, "RW ");
        ASSERT_EQ(array.components.count, 4);
        EXPECT_EQ(c->logDrives[array.components[0]].driveNumber, 0);
        EXPECT_EQ(c->logDrives[array.components[0]].isMaster, 1);
        EXPECT_EQ(c->logDrives[array.components[3]].isParity, k.type == RAID_TYPE_4 ? 1 : 0);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c->logDrives[array.components[i]].arrayIndex, a);
        if (k.buildKey == 0) {
            EXPECT_TRUE(EventNumbers().empty());
            continue;
        }
        ASSERT_EQ(BuildToReady(c, 0), a);
        EXPECT_GT(Logged(k.buildKey), 0u);
        EXPECT_STREQ(c->arrayDrives[a].stateText, "ready");
        EXPECT_EQ(EventNumbers(), (std::vector<uint16_t>{42, 20}));
    }
}

TEST_F(ArrayTest, Raid10PairsAcrossChannelsWhenItCan)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> first, second;
        std::vector<int> drives;
        int spans;
        int mirrors;  // -1: the pairing fails with 0x04000003
    } cases[] = {
        {"two channels", {kDisk, kDisk}, {kDisk, kDisk}, {0, 1, 20, 21}, 1, 2},
        {"one channel", {kDisk, kDisk, kDisk, kDisk}, {}, {0, 1, 2, 3}, 0, 2},
        {"three drives", {kDisk, kDisk, kDisk}, {}, {0, 1, 2}, 0, -1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Disks(k.first, k.second));
        ASSERT_NE(c, nullptr);
        if (k.mirrors < 0) {
            CLogDrive& d = c->logDrives[Drive(*c, 0)];
            d.AddPendingComponent(Drive(*c, 1));
            d.AddPendingComponent(Drive(*c, 2));
            int spans = 0, number = 0;
            EXPECT_EQ(d.CreateArray(RAID_TYPE_10, &spans, &number, 0), 0);
            EXPECT_EQ(d.error, MODERR_BAD_PARAMETER);
            EXPECT_EQ(Logged(0x10000010), 0u);
            continue;
        }
        int spans = -1;
        const int a = Make(c, RAID_TYPE_10, k.drives, &spans);
        ASSERT_GE(a, 0);
        EXPECT_EQ(spans, k.spans);
        EXPECT_EQ(c->mirrorDrives.count, k.mirrors);
        const CArrayDrive& array = c->arrayDrives[a];
        EXPECT_STREQ(array.typeText, "RAID-10");
        ASSERT_EQ(array.components.count, 2);
        EXPECT_EQ(c->logDrives[array.components[0]].driveNumber, array.arrayNumber);
        for (int m = 0; m < c->mirrorDrives.count; ++m)
            EXPECT_EQ(c->mirrorDrives[m].arrayIndex, a);
        // Each pair spans the two channels when there are two.
        if (k.spans == 1) {
            for (int m = 0; m < c->mirrorDrives.count; ++m)
                EXPECT_NE(c->mirrorDrives[m].mirrorNumber / 20, c->logDrives[c->mirrorDrives[m].components[1]].driveNumber / 20);
        }
        EXPECT_EQ(BuildToReady(c, array.arrayNumber), a);
        EXPECT_GT(Logged(0x10000009), 0u);
    }
}

TEST_F(ArrayTest, PrivateHotFixDrivesMustMatchAComponent)
{
    CController* c = Read(Raid5Disks());
    ASSERT_NE(c, nullptr);
    const int a = ReadyRaid5(c);
    ASSERT_GE(a, 0);
    CArrayDrive& array = c->arrayDrives[a];
    // 3 x kDisk over 3 data drives: a hot fix drive needs kDisk sectors.
    array.AddPendingComponent(Drive(*c, 5));
    array.AddPendingComponent(Drive(*c, 4));
    ASSERT_EQ(array.AddHotFixDrives(0, 1), 1) << std::hex << array.error;
    const auto sent = LoggedRecords(0x10000015);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 528u + 280u);
    EXPECT_EQ(sent[0][kLoggedData + ARREC_SLOT_DRIVE], 4);
    EXPECT_EQ(sent[0][kLoggedData + 8 + ARREC_SLOT_DRIVE], ARREC_SLOT_END);
    const CArrayDrive& after = c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_EQ(after.SlotCount(), 5);
    EXPECT_EQ(c->logDrives[Drive(*c, 4)].isPrivateHotFix, 1);
    EXPECT_EQ(c->logDrives[Drive(*c, 5)].arrayIndex, -1);

    // More entries than a request holds: nothing is sent.
    CArrayDrive& again = c->arrayDrives[c->FindArrayDrive(0)];
    for (int i = 0; i < 36; ++i)
        again.AddPendingComponent(Drive(*c, 5));
    EXPECT_EQ(again.AddHotFixDrives(1, 0), 0);
    EXPECT_EQ(again.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(Logged(0x60), 0u);
}

TEST_F(ArrayTest, ParityVerifyEndsReportsAndAborts)
{
    struct Case {
        const char* name;
        bool parityError;
        bool abort;
        int verifyState;
        int progress;  // after a Refresh
        std::vector<uint16_t> events;
    } cases[] = {
        {"clean", false, false, 3, VERIFY_PROGRESS_OK, {62, 63}},
        {"parity error", true, false, 4, VERIFY_PROGRESS_FAILED, {62, 65, 64}},
        {"aborted", false, true, 5, VERIFY_PROGRESS_ABORTED, {62, 66}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Raid5Disks());
        ASSERT_NE(c, nullptr);
        const int a = ReadyRaid5(c);
        ASSERT_GE(a, 0);
        if (k.parityError) {
            ASSERT_TRUE(sim_->control("parityerror 0 0"));
        }
        sim_->control("event 0 1 9 99 - -");  // a marker: the verify's events follow it
        CArrayDrive& array = c->arrayDrives[a];
        ProgressRequest r;
        r.operation = PROGRESS_START;
        ASSERT_EQ(array.ParityVerify(&r), 1) << std::hex << array.error;
        EXPECT_EQ(array.progress, 0);
        // A second start while it runs is refused.
        EXPECT_EQ(array.ParityVerify(&r), 0);
        EXPECT_EQ(array.error, MODERR_ACTIVE_STATE);
        if (k.abort) {
            r.operation = PROGRESS_ABORT;
            ASSERT_EQ(array.ParityVerify(&r), 1) << std::hex << array.error;
        } else {
            r.operation = PROGRESS_QUERY;
            int rounds = 0;
            while (array.ParityVerify(&r) == 1 && rounds < 40)
                ++rounds;
            EXPECT_LT(rounds, 40);
        }
        EXPECT_EQ(r.state, k.verifyState);
        if (!k.abort) {
            ASSERT_EQ(array.Refresh(), 1);
        }
        EXPECT_EQ(array.progress, k.progress);
        std::vector<uint16_t> events = EventNumbers();
        events.erase(events.begin(), std::find(events.begin(), events.end(), 99) + 1);
        EXPECT_EQ(events, k.events);
    }
}

TEST_F(ArrayTest, NameAndPoolAccess)
{
    CController* c = Read(Raid5Disks());
    ASSERT_NE(c, nullptr);
    const int a = Make(c, RAID_TYPE_0, {0, 1});
    ASSERT_GE(a, 0);
    CArrayDrive& array = c->arrayDrives[a];
    EXPECT_EQ(array.SetName(""), 1);
    EXPECT_EQ(array.SetName("STORE_01"), 1);
    EXPECT_STREQ(array.GetName(), "STORE_01");
    EXPECT_EQ(array.SetName("STORE_012"), 0);
    EXPECT_EQ(array.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(array.SetName(nullptr), 0);
    EXPECT_EQ(Logged(0x10000013), 2u);
    EXPECT_EQ(array.GetPoolHotFixAccess(), 0);
    ASSERT_EQ(array.SetPoolHotFixAccess(1), 1);
    EXPECT_EQ(array.GetPoolHotFixAccess(), 1);
}

TEST_F(ArrayTest, FailedComponentRebuildsOnAHotFixDrive)
{
    struct Case {
        const char* name;
        bool pool;
    } cases[] = {{"private hot fix drive", false}, {"pool hot fix drive", true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CController* c = Read(Raid5Disks());
        ASSERT_NE(c, nullptr);
        const int a = ReadyRaid5(c);
        ASSERT_GE(a, 0);
        CArrayDrive& array = c->arrayDrives[a];
        array.AddPendingComponent(Drive(*c, 4));
        ASSERT_EQ(array.AddHotFixDrives(k.pool ? 1 : 0, 1), 1) << std::hex << array.error;
        ASSERT_TRUE(sim_->control("fail 0 0 2"));
        ASSERT_EQ(c->Refresh(), 1);
        const int now = c->FindArrayDrive(0);
        ASSERT_GE(now, 0);
        EXPECT_STREQ(c->arrayDrives[now].stateText, "rebuild");
        EXPECT_TRUE(Contains(EventNumbers(), {13, 14, 22, 26}));
        ASSERT_EQ(BuildToReady(c, 0), now);
        EXPECT_TRUE(Contains(EventNumbers(), {26, 21}));
        // Drive 4 stands in slot 2 now; drive 2 has left the array.
        EXPECT_EQ(c->arrayDrives[now].SlotDrive(2), 4);
        EXPECT_EQ(c->logDrives[Drive(*c, 2)].arrayIndex, -1);
        EXPECT_EQ(c->logDrives[Drive(*c, 4)].arrayIndex, now);
    }
}

TEST_F(ArrayTest, TwoFailuresThenRestoreAndAStatePatch)
{
    CController* c = Read(Raid5Disks());
    ASSERT_NE(c, nullptr);
    ASSERT_GE(ReadyRaid5(c), 0);
    ASSERT_TRUE(sim_->control("fail 0 0 1\nfail 0 0 2"));
    ASSERT_EQ(c->Refresh(), 1);
    CArrayDrive* array = &c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_STREQ(array->stateText, "error");
    EXPECT_TRUE(Contains(EventNumbers(), {13, 15}));

    ASSERT_TRUE(sim_->control("restore 0 0 1\nrestore 0 0 2"));
    ASSERT_EQ(c->Refresh(), 1);
    array = &c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_EQ(array->State(), ARSTATE_INVALID);

    // Only the state a repair may reach is accepted.
    struct Try {
        int operation;
        int state;
        int result;
        ModelError error;
    } tries[] = {
        {2, ARSTATE_IDLE, 0, MODERR_BAD_PARAMETER},
        {PROGRESS_START, ARSTATE_READY, 0, MODERR_NOT_SUPPORTED},
        {PROGRESS_START | PROGRESS_CHECK_ONLY, ARSTATE_IDLE, 1, 0},
    };
    for (const Try& t : tries) {
        ProgressRequest r;
        r.operation = t.operation;
        r.percent = t.state;
        EXPECT_EQ(array->PatchState(&r), t.result) << t.operation << " " << t.state;
        if (t.result == 0) {
            EXPECT_EQ(array->error, t.error);
        }
    }
    EXPECT_EQ(Logged(0x10000028), 0u);

    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.percent = ARSTATE_IDLE;
    ASSERT_EQ(array->PatchState(&r), 1) << std::hex << array->error;
    EXPECT_STREQ(array->stateText, "idle/patch");
    ASSERT_EQ(array->RecalculateParity(&r), 1) << std::hex << array->error;
    EXPECT_EQ(r.state, ARSTATE_BUILD);
    ASSERT_GE(BuildToReady(c, 0), 0);
}

TEST_F(ArrayTest, PatchToFailLeavesTheMarkOnTheBadComponentOnly)
{
    CController* c = Read(Raid5Disks());
    ASSERT_NE(c, nullptr);
    ASSERT_GE(ReadyRaid5(c), 0);
    // Both lost, both back (invalid), then disk 2 fails again: one bad component.
    ASSERT_TRUE(sim_->control("fail 0 0 1\nfail 0 0 2"));
    ASSERT_TRUE(sim_->control("restore 0 0 1\nrestore 0 0 2"));
    ASSERT_TRUE(sim_->control("fail 0 0 2"));
    ASSERT_EQ(c->Refresh(), 1);
    CArrayDrive& array = c->arrayDrives[c->FindArrayDrive(0)];
    ASSERT_EQ(array.State(), ARSTATE_INVALID);
    ProgressRequest r;
    r.operation = PROGRESS_START | PROGRESS_CHECK_ONLY;
    r.percent = ARSTATE_FAIL;
    EXPECT_EQ(array.PatchState(&r), 1) << std::hex << array.error;
    EXPECT_EQ(Logged(0x10000028), 0u);
    r.operation = PROGRESS_START;
    ASSERT_EQ(array.PatchState(&r), 1) << std::hex << array.error;
    const auto sent = LoggedRecords(0x10000028);
    ASSERT_EQ(sent.size(), 1u);
    const uint8_t* rec = sent[0].data() + kLoggedData;
    EXPECT_EQ(rec[ARREC_STATE], ARSTATE_FAIL);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rec[ARREC_SLOTS + 8 * k + ARREC_SLOT_FAILED], k == 2 ? 1 : 0) << k;
    EXPECT_STREQ(array.stateText, "fail/patch");
}

TEST_F(ArrayTest, ExpansionCheckComparesWholeMegabytes)
{
    struct Case {
        uint32_t disk;  // two of them: the largest capacity is twice this
        int result;
    } cases[] = {{1000050, 0}, {1000500, 1}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.disk);
        CController* c = Read(Disks({k.disk, k.disk}));
        ASSERT_NE(c, nullptr);
        CLogDrive& first = c->logDrives[Drive(*c, 0)];
        first.AddPendingComponent(Drive(*c, 1));
        ASSERT_EQ(first.CreateArray(RAID_TYPE_0, nullptr, nullptr, 0), 1);
        ASSERT_EQ(first.SetArrayCapacity(2000000), 1);
        uint32_t largest = 0, capacity = 0;
        ASSERT_EQ(first.GetArrayCapacity(&largest, &capacity), 1);
        EXPECT_EQ(capacity, 2000000u);
        EXPECT_EQ(largest, 2 * k.disk);
        ASSERT_EQ(c->Refresh(), 1);
        CArrayDrive& array = c->arrayDrives[c->FindArrayDrive(0)];
        ProgressRequest r;
        r.operation = PROGRESS_START | PROGRESS_CHECK_ONLY;
        r.percent = RAID_TYPE_0;
        EXPECT_EQ(array.ExpandConvert(&r), k.result);
        EXPECT_EQ(r.operation, PROGRESS_START);
        EXPECT_EQ(r.value, 2 * k.disk);
    }
}

TEST_F(ArrayTest, Raid0ToRaid5InTwoPassesAndBack)
{
    CController* c = Read(Disks({kDisk, kDisk, kDisk}));
    ASSERT_NE(c, nullptr);
    const int a = Make(c, RAID_TYPE_0, {0, 1});
    ASSERT_GE(a, 0);
    // Pass 1: a parity drive makes RAID 4.
    CArrayDrive& array = c->arrayDrives[a];
    array.AddPendingComponent(Drive(*c, 2));
    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_5;
    ASSERT_EQ(array.ExpandConvert(&r), 1) << std::hex << array.error;
    EXPECT_EQ(Logged(0x1000002E), 1u);
    ASSERT_TRUE(ExpandToEnd(c, 0));
    CArrayDrive* now = &c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_STREQ(now->typeText, "RAID-4");
    EXPECT_EQ(now->components.count, 3);
    EXPECT_EQ(c->logDrives[Drive(*c, 2)].isParity, 1);
    // Pass 2: RAID 4 to 5 with nothing to add.
    r = ProgressRequest{};
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_5;
    ASSERT_EQ(now->ExpandConvert(&r), 1) << std::hex << now->error;
    EXPECT_EQ(Logged(0x1000002A), 1u);
    ASSERT_TRUE(ExpandToEnd(c, 0));
    now = &c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_STREQ(now->typeText, "RAID-5");
    EXPECT_EQ(now->Capacity(), 2 * kDisk);
    EXPECT_TRUE(Contains(EventNumbers(), {51, 52, 51, 52}));
    // And back: the last component is freed and deleted.
    r = ProgressRequest{};
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_0;
    ASSERT_EQ(now->ExpandConvert(&r), 1) << std::hex << now->error;
    ASSERT_EQ(c->Refresh(), 1);
    now = &c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_STREQ(now->typeText, "RAID-0");
    EXPECT_EQ(now->components.count, 2);
    EXPECT_LT(c->FindLogicalDrive(2), 0);
}

TEST_F(ArrayTest, ExpansionThatFailsReportsItsAbort)
{
    CController* c = Read(Disks({kDisk, kDisk, kDisk}));
    ASSERT_NE(c, nullptr);
    const int a = Make(c, RAID_TYPE_0, {0, 1});
    ASSERT_GE(a, 0);
    ASSERT_TRUE(sim_->control("expandfail 0 0 2"));
    CArrayDrive& array = c->arrayDrives[a];
    array.AddPendingComponent(Drive(*c, 2));
    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_0;
    ASSERT_EQ(array.ExpandConvert(&r), 1) << std::hex << array.error;
    EXPECT_STREQ(array.stateText, "ready/expand");
    EXPECT_FALSE(ExpandToEnd(c, 0));
    CArrayDrive& now = c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_EQ(now.error, MODERR_EXPANSION_ABORTED);
    EXPECT_TRUE(Contains(EventNumbers(), {51, 53}));
    EXPECT_EQ(now.components.count, 2);
}

TEST_F(ArrayTest, RefusalsBeforeAnythingIsSent)
{
    CController* c = Read(Disks({kDisk, kDisk, kDisk, kDisk}));
    ASSERT_NE(c, nullptr);
    const int a = Make(c, RAID_TYPE_5, {0, 1, 2});
    ASSERT_GE(a, 0);
    CArrayDrive& array = c->arrayDrives[a];
    // A slot outside the filled ones.
    EXPECT_EQ(array.ReplaceComponent(array.SlotCount(), Drive(*c, 3), 0), 0);
    EXPECT_EQ(array.error, MODERR_BAD_PARAMETER);
    // Growing without a host drive to copy.
    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_5;
    r.value = 3 * kDisk;
    EXPECT_EQ(array.ExpandConvert(&r), 0);
    EXPECT_EQ(array.error, MODERR_NO_SPACE);
    // Adding drives without a free drive number.
    array.AddPendingComponent(Drive(*c, 3));
    ASSERT_EQ(c->freeDrives.SetSize(0), 1);
    EXPECT_EQ(array.ExpandConvert(&r), 0);
    EXPECT_EQ(array.error, MODERR_NO_SPACE);
    // A RAID-5 record whose member count leaves nothing to divide by.
    array.info[ARREC_DATA_COUNT] = 1;
    EXPECT_EQ(array.AddHotFixDrives(0, 0), 0);
    EXPECT_EQ(array.error, MODERR_NOT_SUPPORTED);
    // A slot count past the record's 35 slots: walks stop at 35.
    array.info[ARREC_SLOT_COUNT] = 200;
    EXPECT_EQ(array.SlotCount(), 35);
    EXPECT_EQ(array.ReplaceComponent(35, Drive(*c, 3), 0), 0);
    // More than 35 components.
    CLogDrive& d = c->logDrives[Drive(*c, 3)];
    for (int i = 0; i < 35; ++i)
        d.AddPendingComponent(Drive(*c, 3));
    int spans = 0, number = 0;
    EXPECT_EQ(d.CreateArray(RAID_TYPE_0, &spans, &number, 0), 0);
    EXPECT_EQ(d.error, MODERR_BAD_PARAMETER);
    for (uint32_t key : {0x10000018u, 0x1000002Du, 0x1000002Au, 0x10010003u, 0x10000015u})
        EXPECT_EQ(Logged(key), 0u) << std::hex << key;
    EXPECT_EQ(Logged(0x10000010), 1u);
}

TEST_F(ArrayTest, AMissingComponentIsReadBack)
{
    CController* c = Read(Raid5Disks());
    ASSERT_NE(c, nullptr);
    ASSERT_GE(ReadyRaid5(c), 0);
    ASSERT_TRUE(sim_->control("fail 0 0 3"));
    ASSERT_EQ(c->Refresh(), 1);
    EXPECT_STREQ(c->arrayDrives[c->FindArrayDrive(0)].stateText, "fail");
    // The failed drive is deleted: its slot stays.
    ASSERT_EQ(c->logDrives[Drive(*c, 3)].Remove(1), 1);
    const int a = c->FindArrayDrive(0);
    ASSERT_GE(a, 0);
    const CArrayDrive& array = c->arrayDrives[a];
    ASSERT_EQ(array.components.count, 4);
    EXPECT_EQ(c->logDrives[array.components[0]].driveNumber, 0);
    const int missing = c->FindLogicalDrive(3);
    ASSERT_GE(missing, 0);
    EXPECT_STREQ(c->logDrives[missing].stateText, "missing");
    EXPECT_EQ(c->logDrives[missing].arrayIndex, a);
    EXPECT_EQ(array.FindComponentSlot(3), 3);
    // Removing the array gives the others host drives of their own.
    CArrayDrive copy = c->arrayDrives[a];
    EXPECT_EQ(copy.GetRefreshInterval(), 0);
    ASSERT_EQ(c->arrayDrives[a].Remove(0, 1), 1) << std::hex << c->error;
    EXPECT_EQ(c->arrayDrives.count, 0);
    EXPECT_EQ(Logged(0x10010003), 3u);
}

TEST_F(ArrayTest, GrowsIntoTheComponentsFreeSpaceWithANewHostDrive)
{
    CController* c = Read(Disks({kDisk, kDisk}));
    ASSERT_NE(c, nullptr);
    CLogDrive& first = c->logDrives[Drive(*c, 0)];
    first.AddPendingComponent(Drive(*c, 1));
    ASSERT_EQ(first.CreateArray(RAID_TYPE_0, nullptr, nullptr, 0), 1);
    ASSERT_EQ(first.SetArrayCapacity(2000000), 1);
    ASSERT_EQ(first.CreateArrayHostDrive(1), 1) << std::hex << c->error;
    int a = c->FindArrayDrive(0);
    ASSERT_GE(a, 0);
    ASSERT_EQ(c->arrayDrives[a].hostDrives.count, 1);
    const CHostDrive& base = c->hostDrives[c->arrayDrives[a].hostDrives[0]];
    EXPECT_EQ(base.hostDriveNumber, 0);
    EXPECT_EQ(base.GetCarrierWord(), 16);
    const uint32_t start = base.entry.start;
    EXPECT_EQ(base.entry.sectors, 2000000 - start);
    const int number = c->GetFreeDriveNumber(-1);

    // The new capacity must leave room behind the gap: nothing is sent.
    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_0;
    r.value = 2000000 + start;
    EXPECT_EQ(c->arrayDrives[a].ExpandConvert(&r), 0);
    EXPECT_EQ(c->arrayDrives[a].error, MODERR_NO_SPACE);
    EXPECT_EQ(Logged(0x1000002D), 1u);

    r.value = 3000000;
    ASSERT_EQ(c->arrayDrives[a].ExpandConvert(&r), 1) << std::hex << c->arrayDrives[a].error;
    EXPECT_EQ(r.percent, 100);
    EXPECT_EQ(LoggedWords(0x1000002D, 0), (std::vector<uint32_t>{2000000, 3000000}));
    const auto tables = LoggedRecords(0x10010003);
    ASSERT_EQ(tables.size(), 2u);
    const uint8_t* t = tables[1].data() + kLoggedData;
    EXPECT_EQ(wire::get32(t, HDTABLE_COUNT), 2u);
    const uint8_t* added = t + HDTABLE_HEAD + HDENTRY_SIZE;
    EXPECT_EQ(added[HDENTRY_NUMBER], number);
    EXPECT_EQ(wire::get32(added, HDENTRY_START), start + 2000000);
    EXPECT_EQ(wire::get32(added, HDENTRY_SECTORS), 3000000 - 2000000 - start);

    ASSERT_EQ(c->Refresh(), 1);
    a = c->FindArrayDrive(0);
    EXPECT_EQ(c->arrayDrives[a].Capacity(), 3000000u);
    ASSERT_EQ(c->arrayDrives[a].hostDrives.count, 2);
    const int h = c->FindHostDrive(number);
    ASSERT_GE(h, 0);
    EXPECT_EQ(c->hostDrives[h].position, 1);
    EXPECT_EQ(c->hostDrives[h].hostDriveCount, 2);
    EXPECT_EQ(c->hostDrives[h].carrierIndex, Drive(*c, 0));
    EXPECT_LT(c->freeDrives.count, 255 - 2);
    for (int k = 0; k < c->freeDrives.count; ++k)
        EXPECT_NE(c->freeDrives[k].driveNumber, number);
    EXPECT_TRUE(Contains(EventNumbers(), {56, 56}));
}

TEST_F(ArrayTest, ReleasingEnclosureSlotsFreesTheComponentsDisks)
{
    // An enclosure processor at 6 holds the disks at 0, 1 and 4; one
    // configuration lists all three. Drives 0 and 1 make a RAID-0 array.
    CController* c = Read(R"({"entry": 0, "profile": "new",
        "enclosureConfigs": [{"vendor": "KZM", "name": "SHELF", "slots": [[0, 0, 2], [0, 1, 3], [0, 4, 5]]}],
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 4},
            {"target": 6, "type": 3, "vendor": "KZM", "product": "ENCLOSURE", "enclosure": {"slots": [0, 1, 4]}}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]}]})");
    ASSERT_NE(c, nullptr);
    const int a = Make(c, RAID_TYPE_0, {0, 1});
    ASSERT_GE(a, 0);
    ASSERT_EQ(c->arrayDrives[a].ReleaseEnclosureSlots(), 1) << std::hex << c->arrayDrives[a].error;
    // The two slots of the array's disks are written empty, the third keeps its disk.
    EXPECT_EQ(LoggedWords(0x20012, 4), (std::vector<uint32_t>{0xFFFFFFFF, 0xFFFFFFFF}));
    // The configuration is reset and written back with the one entry left.
    EXPECT_EQ(Logged(0x20024), 1u);
    const std::vector<std::vector<uint8_t>> written = LoggedRecords(0x20020);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(wire::get32(written[0].data(), kLoggedData + 28), 1u);
    EXPECT_EQ(written[0][kLoggedData + 32 + 6], 4);
}

TEST_F(ArrayTest, AReplacedComponentRebuilds)
{
    CController* c = Read(Raid5Disks());
    ASSERT_NE(c, nullptr);
    ASSERT_GE(ReadyRaid5(c), 0);
    // The new drive still carries its host drive: the firmware takes it over.
    ASSERT_EQ(c->logDrives[Drive(*c, 4)].CreateHostDrive(4), 1);
    ASSERT_TRUE(sim_->control("fail 0 0 2"));
    ASSERT_EQ(c->Refresh(), 1);
    CArrayDrive& array = c->arrayDrives[c->FindArrayDrive(0)];
    EXPECT_STREQ(array.stateText, "fail");
    ASSERT_EQ(array.ReplaceComponent(2, Drive(*c, 4), 1), 1) << std::hex << array.error;
    const auto sent = LoggedRecords(0x10000018);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][kLoggedData + 4], 2);
    EXPECT_EQ(sent[0][kLoggedData + 5], 1);
    EXPECT_EQ(sent[0][kLoggedData + 12], 4);
    EXPECT_TRUE(Contains(EventNumbers(), {13, 14, 16, 26}));
    const int a = BuildToReady(c, 0);
    ASSERT_GE(a, 0);
    EXPECT_EQ(c->arrayDrives[a].SlotDrive(2), 4);
    EXPECT_LT(c->FindHostDrive(4), 0);
    // The component disks of every component.
    uint8_t record[24 + 12 * 8] = {};
    wire::put16(record, 22, 8);
    ASSERT_TRUE(c->arrayDrives[a].QueryComponentDisks(record));
    EXPECT_EQ(wire::get16(record, 20), 4);
}
