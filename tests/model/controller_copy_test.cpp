// Copying and moving controllers: the drives of the lists always point to
// the controller that holds them.
#include "controller.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Gives `c` a few drives in every list, each pointing to `c`.
void FillLists(CController& c)
{
    ASSERT_EQ(c.freeDrives.SetSize(2), 1);
    ASSERT_EQ(c.logDrives.SetSize(3), 1);
    ASSERT_EQ(c.mirrorDrives.SetSize(1), 1);
    ASSERT_EQ(c.arrayDrives.SetSize(1), 1);
    ASSERT_EQ(c.hostDrives.SetSize(2), 1);
    ASSERT_EQ(c.physDrives.SetSize(4), 1);
    ASSERT_EQ(c.enclosures.SetSize(1), 1);
    for (int i = 0; i < c.logDrives.count; ++i)
        c.logDrives[i].driveNumber = 10 + i;
    for (int i = 0; i < c.hostDrives.count; ++i)
        c.hostDrives[i].hostDriveNumber = 20 + i;
    for (CFreeDrive* d = c.freeDrives.data; d != c.freeDrives.data + c.freeDrives.count; ++d)
        d->controller = &c;
    auto aim = [&c](auto& list) {
        for (int i = 0; i < list.count; ++i)
            list[i].controller = &c;
    };
    aim(c.logDrives);
    aim(c.mirrorDrives);
    aim(c.arrayDrives);
    aim(c.hostDrives);
    aim(c.physDrives);
    aim(c.enclosures);
}

// Counts the drives of all lists that do not point to `owner`.
int DrivesNotAimedAt(const CController& c, const CController* owner)
{
    int wrong = 0;
    auto check = [&wrong, owner](const auto& list) {
        for (int i = 0; i < list.count; ++i)
            wrong += list[i].controller != owner ? 1 : 0;
    };
    check(c.freeDrives);
    check(c.logDrives);
    check(c.mirrorDrives);
    check(c.arrayDrives);
    check(c.hostDrives);
    check(c.physDrives);
    check(c.enclosures);
    return wrong;
}

TEST(ControllerCopyTest, AnEmptyControllerHasIndexMinusOneAndTheSlotPatterns)
{
    CController c;
    EXPECT_EQ(c.index, -1);
    EXPECT_EQ(c.threads.count, 2);
    const uint16_t patterns[FAULT_BUS_PATTERNS] = {0x0FFF, 0x0FFF, 0x41, 0x41, 0x555, 0x555, 0};
    EXPECT_EQ(std::memcmp(c.faultBusPatterns, patterns, sizeof patterns), 0);
    EXPECT_EQ(c.logDrives.count, 0);
}

TEST(ControllerCopyTest, AssignmentCopiesTheListsAndReAimsEveryDrive)
{
    CController source;
    source.index = 3;
    source.info.channelCount = 2;
    std::strcpy(source.channels[1].name, "FCAL-B");
    source.boardInfo[BOARD_INFO_FW_VERSION + 2] = 0x20;
    FillLists(source);

    CController copy;
    copy = source;
    EXPECT_EQ(copy.index, 3);
    EXPECT_EQ(copy.info.channelCount, 2);
    EXPECT_STREQ(copy.channels[1].name, "FCAL-B");
    EXPECT_EQ(copy.FirmwareVersion(), 0x200000u);
    ASSERT_EQ(copy.logDrives.count, 3);
    EXPECT_EQ(copy.logDrives[2].driveNumber, 12);
    EXPECT_EQ(copy.hostDrives[1].hostDriveNumber, 21);
    EXPECT_EQ(copy.physDrives.count, 4);
    EXPECT_EQ(DrivesNotAimedAt(copy, &copy), 0);
    EXPECT_EQ(DrivesNotAimedAt(source, &source), 0);
}

TEST(ControllerCopyTest, CopyConstructionLeavesTheListsEmpty)
{
    CController source;
    source.index = 1;
    source.logState = 0x55;
    FillLists(source);
    CController copy(source);
    EXPECT_EQ(copy.index, 1);
    EXPECT_EQ(copy.logState, 0x55u);
    EXPECT_EQ(copy.logDrives.count, 0);
    EXPECT_EQ(copy.physDrives.count, 0);
}

TEST(ControllerCopyTest, GrowingAListOfControllersCarriesTheirDrivesAlong)
{
    // Growing moves every controller to a new buffer; its drives must come
    // along and point to the controller's new place, not the freed one.
    CArray<CController> machine;
    ASSERT_EQ(machine.SetSize(1), 1);
    machine[0].index = 7;
    FillLists(machine[0]);
    ASSERT_EQ(machine.SetSize(3), 1);

    CController& moved = machine[0];
    ASSERT_EQ(moved.logDrives.count, 3);
    EXPECT_EQ(moved.logDrives[1].driveNumber, 11);
    EXPECT_EQ(moved.hostDrives.count, 2);
    EXPECT_EQ(moved.enclosures.count, 1);
    EXPECT_EQ(DrivesNotAimedAt(moved, &moved), 0);
    EXPECT_EQ(moved.logDrives[0].controller->index, 7);
    EXPECT_EQ(machine[2].logDrives.count, 0);
}

}  // namespace
