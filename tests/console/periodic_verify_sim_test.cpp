// The periodic parity verify's offer to start now reaches exactly the array
// drives that qualify: RAID 4 or 5 and ready.
#include "controller_screens.h"
#include "drive_sim_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t kDisk = 2097152;

// Six disks on one channel, each a logical drive of its own (numbers 0..5).
std::string SixDisks()
{
    std::string devices, drives;
    for (int i = 0; i < 6; ++i) {
        devices += (i ? ", " : "") + std::string(R"({"target": )") + std::to_string(i) + R"(, "capacity": )" +
                   std::to_string(kDisk) + "}";
        drives += (i ? ", " : "") + std::string(R"({"number": )") + std::to_string(i) + R"(, "members": [[0, )" +
                  std::to_string(i) + "]]}";
    }
    return R"({"entry": 0, "profile": "new", "channels": [{"kind": 2, "devices": [)" + devices +
           R"(]}], "logicalDrives": [)" + drives + "]}";
}

class PeriodicVerifyTest : public DriveSimTest {
protected:
    // An array of `type` made of the drives `numbers`, read back; its number.
    int Make(CController* c, int type, const std::vector<int>& numbers)
    {
        CLogDrive& first = c->logDrives[c->FindLogicalDrive(numbers[0])];
        for (size_t i = 1; i < numbers.size(); ++i)
            first.AddPendingComponent(c->FindLogicalDrive(numbers[i]));
        int spans = -1, number = -1;
        if (first.CreateArray(type, &spans, &number, 0x10000) != 1 || c->Refresh() != 1)
            return -1;
        return number;
    }
};

}  // namespace

TEST_F(PeriodicVerifyTest, OnlyReadyParityArraysAreVerified)
{
    CController* c = Read(SixDisks());
    ASSERT_NE(c, nullptr);
    const int raid5 = Make(c, RAID_TYPE_5, {0, 1, 2});
    ASSERT_GE(raid5, 0);
    const int raid0 = Make(c, RAID_TYPE_0, {3, 4});
    ASSERT_GE(raid0, 0);
    // The RAID-5 array still builds: nothing qualifies yet.
    EXPECT_EQ(StartVerifyOnQualifyingArrays(*c), 0);
    for (int round = 0; round < 40 && c->arrayDrives[c->FindArrayDrive(raid5)].State() != ARSTATE_READY; ++round) {
        ProgressRequest r;
        r.operation = PROGRESS_QUERY;
        ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(raid5)].GetBuildProgress(&r), 1);
        ASSERT_EQ(c->Refresh(), 1);
    }
    ASSERT_EQ(c->arrayDrives[c->FindArrayDrive(raid5)].State(), ARSTATE_READY);
    const size_t before = Logged(0x1000001C);
    EXPECT_EQ(StartVerifyOnQualifyingArrays(*c), 1);
    const auto verifies = LoggedRecords(0x1000001C);
    ASSERT_GT(verifies.size(), before);
    for (size_t i = before; i < verifies.size(); ++i)
        EXPECT_EQ(wire::get32(verifies[i].data(), 28), static_cast<uint32_t>(raid5)) << "the target is the RAID-5 array";
}
