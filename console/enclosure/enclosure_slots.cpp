// The " Enclosure Slots " table of an intelligent enclosure processor: which
// disk each slot holds, with the disk choice for an empty slot.
#include <algorithm>
#include <vector>

#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "phys_drive.h"
#include "phys_drive_records.h"

namespace {

ListDef slotList = {1, 5, 0, 1, 75, -1, " Enclosure Slots ", " ENTER: Add/Remove Disk ",
                    " Slot  Chn    ID LUN  Vendor  Product          Attr. Cap(MB) Drive", {"   %d   %s", nullptr}};

// The index of the enclosure processor in the controller's device list, -1 when not there.
int IndexOf(const CController& controller, const CPhysDrive& device)
{
    for (int d = 0; d < controller.physDrives.count; ++d)
        if (&controller.physDrives[d] == &device)
            return d;
    return -1;
}

}  // namespace

int ChooseSlotDisk(CController& controller, const std::vector<int>& candidates)
{
    static ListDef diskList = {6, 8, 0, 1, 67, -1, " Select Disk ", " ENTER: Select Disk ",
                               "Chn    ID LUN  Vendor  Product          Attr Cap(MB) Drive", {"%s", nullptr}};
    if (candidates.empty()) {
        ShowMessage(MessageText("M5003"), 0, 1);
        return -1;
    }
    CListBox list(&diskList, static_cast<int>(candidates.size()), 1);
    if (!list.IsOk()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return -1;
    }
    for (size_t k = 0; k < candidates.size(); ++k)
        list.SetLine(static_cast<int>(k), DiskLineText(controller, controller.physDrives[candidates[k]]));
    if (!list.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return -1;
    }
    const int chosen = list.Run(0);
    return chosen >= 0 && chosen < static_cast<int>(candidates.size()) ? candidates[chosen] : -1;
}

int SelectSlotDisk(CController& controller, CPhysDrive& device, const std::vector<EnclosureSlot>& slots, int slot)
{
    const int self = IndexOf(controller, device);
    std::vector<int> candidates;
    for (int d = 0; d < controller.physDrives.count; ++d) {
        const CPhysDrive& disk = controller.physDrives[d];
        if (disk.DeviceType() != 0 || disk.GetInfo()[DEVINFO_INITIALISED] == 0 ||
            disk.targetId != slots[static_cast<size_t>(slot)].targetId || disk.enclosureConfigId >= 0)
            continue;
        if (disk.enclosureIndex >= 0) {
            const bool held = std::any_of(slots.begin(), slots.end(), [d](const EnclosureSlot& s) {
                return s.occupied && s.drive == d;
            });
            if (disk.enclosureIndex != self || held)
                continue;
        }
        candidates.push_back(d);
    }
    return ChooseSlotDisk(controller, candidates);
}

int EnclosureSlots(CController& controller, CPhysDrive& device)
{
    const int count = device.GetEnclosureLayout()[ENCLAYOUT_SLOTS];
    std::vector<EnclosureSlot> slots(static_cast<size_t>(count));
    if (!device.ReadSlotTable(slots.data())) {
        ShowErrorCode(device.error);
        return 0;
    }
    const bool editable = device.IsEnclosureProcessor() == 1;
    bool changed = false;
    int current = 0;
    for (;;) {
        int chosen;
        {
            CListBox list(&slotList, count, 1);
            if (!list.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            for (int k = 0; k < count; ++k) {
                const EnclosureSlot& s = slots[static_cast<size_t>(k)];
                list.SetLine(k, k, s.occupied && s.drive >= 0 ? DiskLineText(controller, controller.physDrives[s.drive])
                                                              : MessageText("M1032"));
            }
            if (!list.Open(nullptr, editable ? nullptr : "")) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            chosen = list.Run(current);
        }
        if (chosen < 0 || chosen >= count)
            break;
        current = chosen;
        if (!editable)
            continue;
        EnclosureSlot& s = slots[static_cast<size_t>(chosen)];
        if (s.occupied) {
            s.occupied = 0;
            changed = true;
            continue;
        }
        const int d = SelectSlotDisk(controller, device, slots, chosen);
        if (d >= 0) {
            s.occupied = 1;
            s.drive = d;
            changed = true;
        }
    }
    if (changed && AskYesNo(MessageText("M3013"), 0) && !device.WriteSlotTable(slots.data()))
        ShowErrorCode(device.error);
    return 1;
}
