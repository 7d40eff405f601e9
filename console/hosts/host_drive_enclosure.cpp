// The enclosure set-up of a new host drive's disks: the slots of a SAF-TE
// enclosure processor, or a new controller enclosure configuration.
#include "host_drives.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "controller.h"
#include "error_message.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "phys_drive_records.h"
#include "str_printf.h"

namespace {

constexpr uint32_t configIdBase = 0x30000;
constexpr size_t recVendor = 4;
constexpr size_t recName = 16;
constexpr size_t recCount = 28;
constexpr size_t recSlots = 32;
constexpr size_t recSlotSize = 8;
constexpr size_t recTail = 40;
constexpr uint8_t slotKind = 3;
constexpr char vendorText[] = "Tarvo";

// The first enclosure processor of the controller, -1 for none.
int FindEnclosureProcessor(const CController& controller)
{
    for (int i = 0; i < controller.physDrives.count; ++i)
        if (controller.physDrives[i].IsEnclosureProcessor() == 1)
            return i;
    return -1;
}

int SetUpProcessorSlots(CController& controller, CPhysDrive& processor, int count, const int* disks)
{
    if (std::all_of(disks, disks + count, [&](int d) { return controller.physDrives[d].enclosureIndex >= 0; }))
        return 1;
    const int slotCount = processor.GetEnclosureLayout()[ENCLAYOUT_SLOTS];
    const bool fits = count <= slotCount && std::all_of(disks, disks + count, [&](int d) {
                          return controller.physDrives[d].GetChannel() == processor.GetChannel();
                      });
    if (!fits) {
        ShowMessage(MessageText("M4051"), 0, 1);
        return 0;
    }
    std::vector<EnclosureSlot> slots(static_cast<size_t>(slotCount));
    if (!processor.ReadSlotTable(slots.data())) {
        ShowErrorCode(processor.error);
        return 0;
    }
    for (int k = 0; k < count; ++k) {
        const CPhysDrive& disk = controller.physDrives[disks[k]];
        auto slot = std::find_if(slots.begin(), slots.end(), [&](const EnclosureSlot& s) {
            return s.targetId == disk.GetTargetId() && !s.occupied;
        });
        if (slot == slots.end()) {
            ShowMessage(MessageText("M4051"), 0, 1);
            return 0;
        }
        slot->occupied = 1;
        slot->drive = disks[k];
    }
    if (!AskYesNo(MessageText("M3075"), 0))
        return 0;
    if (!processor.WriteSlotTable(slots.data())) {
        ShowErrorCode(processor.error);
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
        wire::put32(size, 0, configIdBase + static_cast<uint32_t>(index));
        if (!controller.GetEnclosureInfo(size)) {
            ShowErrorCode(controller.error);
            return 0;
        }
        if (wire::get32(size, 4) == 0)
            break;
    }
    if (index >= configs)
        return 0;
    std::vector<uint8_t> record(static_cast<size_t>(count) * recSlotSize + recTail, 0);
    wire::put32(record.data(), 0, configIdBase + static_cast<uint32_t>(index));
    std::memcpy(record.data() + recVendor, vendorText, sizeof vendorText);
    char name[12];
    tui::strPrintf(name, "ENCL_%d", index);
    std::memcpy(record.data() + recName, name, strnlen(name, sizeof name - 1));
    wire::put32(record.data(), recCount, static_cast<uint32_t>(count));
    for (int k = 0; k < count; ++k) {
        const CPhysDrive& disk = controller.physDrives[disks[k]];
        uint8_t* slot = record.data() + recSlots + recSlotSize * static_cast<size_t>(k);
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
    const int processor = FindEnclosureProcessor(controller);
    if (processor >= 0)
        return SetUpProcessorSlots(controller, controller.physDrives[processor], count, disks);
    return SetUpControllerEnclosure(controller, count, disks);
}
