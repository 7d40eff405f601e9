// The slots a SAF-TE enclosure processor gives the disks of a new host drive:
// the policy both front ends follow before they write the slot table.
#pragma once

#include "phys_drive_records.h"

#include <vector>

class CController;

// What PlanSafteSlots found.
enum class SafteSlotPlan {
    AlreadyAssigned,  // every disk has a slot: nothing to write
    NotPossible,      // a disk is off the processor's channel, too few slots, or no free slot of a disk's target ID
    ReadFailed,       // the slot table could not be read: the code is in the processor's error word
    Planned,          // `table` holds the slot table with the disks marked: write it
};

// The index of the controller's SAF-TE enclosure processor (the first
// physical device of enclosure kind 1), -1 without one.
int FindSafteProcessor(const CController& c);

// Marks each disk (physical device indices) in the first slot of `table` whose
// target ID is the disk's and that holds no disk; false when a disk finds none.
bool AssignSafteSlots(const CController& c, const std::vector<int>& disks, std::vector<EnclosureSlot>& table);

// The whole policy for processor `processor`: disks that all have a slot need
// nothing; all must lie on the processor's channel and fit its slot count;
// then the slot table is read and every disk gets a slot.
SafteSlotPlan PlanSafteSlots(CController& c, int processor, const std::vector<int>& disks,
                             std::vector<EnclosureSlot>& table);
