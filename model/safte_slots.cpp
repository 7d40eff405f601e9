#include "safte_slots.h"

#include "controller.h"

#include <algorithm>

namespace {

constexpr int kSafteProcessor = 1;

}  // namespace

int FindSafteProcessor(const CController& c)
{
    for (int i = 0; i < c.physDrives.count; ++i)
        if (c.physDrives[i].IsEnclosureProcessor() == kSafteProcessor)
            return i;
    return -1;
}

bool AssignSafteSlots(const CController& c, const std::vector<int>& disks, std::vector<EnclosureSlot>& table)
{
    for (const int d : disks) {
        const auto slot = std::find_if(table.begin(), table.end(), [&](const EnclosureSlot& s) {
            return s.targetId == c.physDrives[d].GetTargetId() && s.drive < 0;
        });
        if (slot == table.end())
            return false;
        slot->occupied = 1;
        slot->drive = d;
    }
    return true;
}

SafteSlotPlan PlanSafteSlots(CController& c, int processor, const std::vector<int>& disks,
                             std::vector<EnclosureSlot>& table)
{
    CPhysDrive& p = c.physDrives[processor];
    if (std::all_of(disks.begin(), disks.end(), [&](int d) { return c.physDrives[d].enclosureIndex >= 0; }))
        return SafteSlotPlan::AlreadyAssigned;
    const size_t slots = p.GetEnclosureLayout()[ENCLAYOUT_SLOTS];
    const bool fits = slots >= disks.size() && std::all_of(disks.begin(), disks.end(), [&](int d) {
                          return c.physDrives[d].GetChannel() == p.GetChannel();
                      });
    if (!fits)
        return SafteSlotPlan::NotPossible;
    table.assign(slots, EnclosureSlot{});
    if (p.ReadSlotTable(table.data()) == 0)
        return SafteSlotPlan::ReadFailed;
    return AssignSafteSlots(c, disks, table) ? SafteSlotPlan::Planned : SafteSlotPlan::NotPossible;
}
