// The controller's look-ups by number, free drive numbers and host drive
// geometry, on lists filled by hand.
#include "controller.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

// Fills the free number list with the given numbers, ascending.
void SetFree(CController& c, std::initializer_list<int> numbers)
{
    ASSERT_EQ(c.freeDrives.SetSize(static_cast<int>(numbers.size())), 1);
    int k = 0;
    for (int n : numbers)
        c.freeDrives[k++].driveNumber = static_cast<uint16_t>(n);
}

// Free numbers from..to, both included, appended.
void AddFreeRun(CController& c, int from, int to)
{
    const int at = c.freeDrives.count;
    ASSERT_EQ(c.freeDrives.SetSize(at + to - from + 1), 1);
    for (int n = from; n <= to; ++n)
        c.freeDrives[at + n - from].driveNumber = static_cast<uint16_t>(n);
}

}  // namespace

TEST(FreeDriveNumber, AnswersByMinimumOrLastRun)
{
    CController c;
    EXPECT_EQ(c.GetFreeDriveNumber(0xFFFF), 0xFFFF);
    EXPECT_EQ(c.GetFreeDriveNumber(3), 0xFFFF);

    AddFreeRun(c, 4, 9);
    AddFreeRun(c, 11, 254);
    struct Case {
        int minimum;
        int expected;
    };
    for (const Case& k : {Case{0xFFFF, 11}, Case{-1, 11}, Case{0, 4}, Case{5, 5}, Case{10, 11}, Case{254, 254},
                          Case{255, 254}}) {
        SCOPED_TRACE(k.minimum);
        EXPECT_EQ(c.GetFreeDriveNumber(k.minimum), k.expected);
    }
    SetFree(c, {7});
    EXPECT_EQ(c.GetFreeDriveNumber(0xFFFF), 7);
    EXPECT_EQ(c.GetFreeDriveNumber(8), 7);  // none at or above: the last one
}

TEST(ComputeGeometry, PicksTheTranslation)
{
    struct Case {
        uint32_t sectors;
        uint32_t cylinders;
        uint8_t heads;
        uint8_t sectorsPerTrack;
    };
    for (const Case& k : {Case{2099199, 1024, 64, 32}, Case{2099200, 262, 127, 63}, Case{20000000, 1244, 255, 63},
                          Case{0, 0, 64, 32}, Case{8001 * 1025, (8001 * 1025) / 16065, 255, 63}}) {
        SCOPED_TRACE(k.sectors);
        DriveGeometry g;
        CController::ComputeGeometry(k.sectors, &g);
        EXPECT_EQ(g.cylinders, k.cylinders);
        EXPECT_EQ(g.heads, k.heads);
        EXPECT_EQ(g.sectors, k.sectorsPerTrack);
    }
}

TEST(FindDrive, ComparesSignedOrUnsignedSixteenBits)
{
    CController c;
    ASSERT_EQ(c.logDrives.SetSize(2), 1);
    c.logDrives[0].driveNumber = 4;
    c.logDrives[1].driveNumber = 0x8001;
    ASSERT_EQ(c.mirrorDrives.SetSize(1), 1);
    c.mirrorDrives[0].mirrorNumber = 0xFFFE;

    EXPECT_EQ(c.FindLogicalDrive(4), 0);
    EXPECT_EQ(c.FindLogicalDrive(-32767), 1);   // 0x8001 as a signed 16-bit value
    EXPECT_EQ(c.FindLogicalDrive(0x18001), 1);  // only 16 bits count
    EXPECT_EQ(c.FindLogicalDrive(5), -1);
    EXPECT_EQ(c.FindLogicalDriveEx(0x0100), 1); // 0x8001 + 0x80FF in 16 bits
    EXPECT_EQ(c.FindLogicalDriveEx(0x8001), -1);
    EXPECT_EQ(c.FindLogicalDriveEx(4), 0);
    EXPECT_EQ(c.FindMirrorDrive(0xFFFE), 0);
    EXPECT_EQ(c.FindMirrorDrive(-2), 0);
    EXPECT_EQ(c.FindMirrorDrive(0xFFFD), -1);
    EXPECT_EQ(c.FindArrayDrive(0), -1);
    EXPECT_EQ(c.FindHostDrive(0), -1);
}

TEST(IndexLists, RemoveAtReallocatesAndChecksThePosition)
{
    CFreeDrive f;
    EXPECT_EQ(f.AddDisk(7), 0);
    EXPECT_EQ(f.RemoveDiskAt(1), -1);
    EXPECT_EQ(f.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(f.RemoveDiskAt(0), 7);
    EXPECT_EQ(f.disks.count, 0);
    EXPECT_EQ(f.disks.data, nullptr);  // an empty list keeps no storage

    CLogDrive d;
    for (int i : {3, 4, 5})
        d.AddPendingComponent(i);
    EXPECT_EQ(d.RemovePendingComponent(1), 4);
    ASSERT_EQ(d.GetPendingCount(), 2);
    EXPECT_EQ(d.pending[0], 3);
    EXPECT_EQ(d.pending[1], 5);
}

TEST(SharedChannels, PairsAreCountedUnlessAnIndexRepeats)
{
    CController c;
    ASSERT_EQ(c.physDrives.SetSize(4), 1);
    const int channels[] = {0, 0, 1, 1};
    for (int k = 0; k < 4; ++k)
        c.physDrives[k].channel = channels[k];
    ASSERT_EQ(c.logDrives.SetSize(4), 1);
    for (int k = 0; k < 4; ++k) {
        c.logDrives[k].controller = &c;
        c.logDrives[k].disks.SetSize(1);
        c.logDrives[k].disks[0] = k;
    }
    const uint8_t pairs[] = {0, 1, 2, 3, 0, 2};
    CArray<int> indices;
    indices.SetSize(1);
    indices[0] = 3;
    EXPECT_EQ(c.logDrives[0].CountSharedChannelPairs(pairs, 3, indices), 2);  // {0,1} and {2,3}
    indices[0] = 0;                                                          // drive 0 is in two pairs
    EXPECT_EQ(c.logDrives[0].CountSharedChannelPairs(pairs, 3, indices), -1);
    EXPECT_EQ(c.logDrives[0].CountSharedChannelPairs(pairs, 0, indices), 0);
}
