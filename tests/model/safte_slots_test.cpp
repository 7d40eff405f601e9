// The SAF-TE slot policy on lists filled by hand: which slot a new drive's
// disk takes, and what is refused before the slot table is read.
#include "controller.h"
#include "safte_slots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kProcessor = 0;

// A controller whose device 0 is a SAF-TE processor on channel 0 with `slots`
// slots, followed by disks with the given target IDs (all on channel 0 but
// those listed in `offChannel`).
void FillSlots(CController& c, int slots, const std::vector<int>& targets, const std::vector<int>& offChannel = {})
{
    ASSERT_EQ(c.physDrives.SetSize(1 + static_cast<int>(targets.size())), 1);
    c.physDrives[kProcessor].isEnclosureProcessor = 1;
    c.physDrives[kProcessor].enclosureLayout[ENCLAYOUT_SLOTS] = static_cast<uint8_t>(slots);
    for (size_t k = 0; k < targets.size(); ++k)
        c.physDrives[1 + static_cast<int>(k)].targetId = targets[k];
    for (const int d : offChannel)
        c.physDrives[d].channel = 1;
}

EnclosureSlot Slot(uint8_t targetId, int occupied, int drive)
{
    EnclosureSlot s;
    s.targetId = targetId;
    s.occupied = occupied;
    s.drive = drive;
    return s;
}

TEST(SafteSlots, TheProcessorIsTheFirstDeviceOfKindOne)
{
    CController c;
    EXPECT_EQ(FindSafteProcessor(c), -1);
    FillSlots(c, 4, {0, 1});
    c.physDrives[2].isEnclosureProcessor = 1;
    EXPECT_EQ(FindSafteProcessor(c), kProcessor);
    c.physDrives[kProcessor].isEnclosureProcessor = 2;
    EXPECT_EQ(FindSafteProcessor(c), 2);
}

TEST(SafteSlots, EachDiskTakesTheFirstSlotOfItsTargetThatHoldsNoDisk)
{
    const struct {
        const char* name;
        std::vector<EnclosureSlot> table;
        bool assigned;
        std::vector<int> drives;  // the slots' drives afterwards
    } cases[] = {
        {"one slot per target", {Slot(0, 0, -1), Slot(1, 0, -1), Slot(2, 0, -1)}, true, {1, 2, -1}},
        {"a slot holding a disk is passed over",
         {Slot(0, 1, 5), Slot(0, 0, -1), Slot(1, 0, -1)}, true, {5, 1, 2}},
        {"an occupied slot without a known disk is free",
         {Slot(0, 1, -1), Slot(1, 1, -1)}, true, {1, 2}},
        {"no slot of a disk's target", {Slot(0, 0, -1), Slot(2, 0, -1)}, false, {1, -1}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController c;
        FillSlots(c, 8, {0, 1});
        std::vector<EnclosureSlot> table = k.table;
        EXPECT_EQ(AssignSafteSlots(c, {1, 2}, table), k.assigned);
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(table[i].drive, k.drives[i]) << "slot " << i;
            EXPECT_EQ(table[i].occupied, k.drives[i] >= 0 ? 1 : k.table[i].occupied) << "slot " << i;
        }
    }
}

TEST(SafteSlots, RefusalsComeBeforeTheTableIsRead)
{
    const struct {
        const char* name;
        int slots;
        std::vector<int> offChannel;
        bool allAssigned;
        SafteSlotPlan plan;
    } cases[] = {
        {"every disk has a slot already", 1, {2}, true, SafteSlotPlan::AlreadyAssigned},
        {"a disk off the processor's channel", 8, {2}, false, SafteSlotPlan::NotPossible},
        {"fewer slots than disks", 1, {}, false, SafteSlotPlan::NotPossible},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        CController c;
        FillSlots(c, k.slots, {0, 1}, k.offChannel);
        if (k.allAssigned)
            c.physDrives[1].enclosureIndex = c.physDrives[2].enclosureIndex = kProcessor;
        std::vector<EnclosureSlot> table;
        EXPECT_EQ(PlanSafteSlots(c, kProcessor, {1, 2}, table), k.plan);
        EXPECT_TRUE(table.empty());
    }
}

}  // namespace
