// The enclosure set-up of a new host drive's disks: the slots of a SAF-TE
// enclosure processor, or a new controller enclosure configuration.
#include "host_drives.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "controller.h"
#include "enclosure_config_layout.h"
#include "error_message.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "phys_drive_records.h"
#include "safte_slots.h"
#include "str_printf.h"

namespace {

constexpr size_t recTail = 40;
constexpr uint8_t slotKind = 3;
constexpr char vendorText[] = "Tarvo";

int SetUpProcessorSlots(CController& controller, int processor, int count, const int* disks)
{
    std::vector<EnclosureSlot> slots;
    switch (PlanSafteSlots(controller, processor, std::vector<int>(disks, disks + count), slots)) {
    case SafteSlotPlan::AlreadyAssigned:
        return 1;
    case SafteSlotPlan::NotPossible:
        ShowMessage(MessageText("M4051"), 0, 1);
        return 0;
    case SafteSlotPlan::ReadFailed:
        ShowErrorCode(controller.physDrives[processor].error);
        return 0;
    case SafteSlotPlan::Planned:
        break;
    }
    if (!AskYesNo(MessageText("M3075"), 0))
        return 0;
    CPhysDrive& enclosure = controller.physDrives[processor];
    if (!enclosure.WriteSlotTable(slots.data())) {
        ShowErrorCode(enclosure.error);
        return 0;
    }
    return 1;
}

int SetUpControllerEnclosure(CController& controller, int count, const int* disks)
{
    for (int k = 0; k < count; ++k) {
        const CPhysDrive& disk = controller.physDrives[disks[k]];
        const int channel = disk.GetChannel();
        if (disk.enclosureConfigId >= 0 ||
            (channel >= 0 && channel < CONTROLLER_MAX_CHANNELS && controller.channels[channel].kind == CHANNEL_KIND_FC))
            return 0;
    }
    const int configs = static_cast<int>(controller.enclosureConfigCount);
    if (configs <= 0)
        return 0;
    if (!AskYesNo(MessageText("M3076"), 0))
        return 0;
    int index = 0;
    for (; index < configs; ++index) {
        uint8_t size[8] = {};
        wire::put32(size, 0, kConfigIdBase + static_cast<uint32_t>(index));
        if (!controller.GetEnclosureInfo(size)) {
            ShowErrorCode(controller.error);
            return 0;
        }
        if (wire::get32(size, 4) == 0)
            break;
    }
    if (index >= configs)
        return 0;
    std::vector<uint8_t> record(static_cast<size_t>(count) * kConfigEntry + recTail, 0);
    wire::put32(record.data(), 0, kConfigIdBase + static_cast<uint32_t>(index));
    std::memcpy(record.data() + kConfigVendor, vendorText, sizeof vendorText);
    char name[12];
    tui::strPrintf(name, "ENCL_%d", index);
    std::memcpy(record.data() + kConfigName, name, strnlen(name, sizeof name - 1));
    wire::put32(record.data(), kConfigSlotCount, static_cast<uint32_t>(count));
    for (int k = 0; k < count; ++k) {
        const CPhysDrive& disk = controller.physDrives[disks[k]];
        uint8_t* slot = record.data() + kConfigHead + kConfigEntry * static_cast<size_t>(k);
        wire::put32(slot, 0, static_cast<uint32_t>(index));
        slot[4] = slotKind;
        slot[5] = static_cast<uint8_t>(disk.GetChannel());
        slot[6] = static_cast<uint8_t>(disk.GetTargetId());
        slot[7] = static_cast<uint8_t>(k);
    }
    if (!controller.WriteEnclosureConfig(record.data(), record.size())) {
        ShowErrorCode(controller.error);
        return 0;
    }
    ShowMessage(MessageText("M5064"), 0, 1);
    return 1;
}

}  // namespace

int SetupEnclosureSlots(CController& controller, int count, const int* disks)
{
    if (count <= 0 || disks == nullptr)
        return 0;
    const int processor = FindSafteProcessor(controller);
    if (processor >= 0)
        return SetUpProcessorSlots(controller, processor, count, disks);
    return SetUpControllerEnclosure(controller, count, disks);
}
