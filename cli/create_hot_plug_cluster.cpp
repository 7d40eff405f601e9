#include "create_hot_plug_cluster.h"

#include "controller_values.h"
#include "disk_position.h"
#include "messages.h"
#include "safte_slots.h"

#include <cstddef>

namespace {
constexpr int kLevelClusterChannels = 30;
constexpr size_t kClusterChannelByte = 344;

const char kSafteNotPossible[] = "INFO:SAF-TE found, but automatic SAF-TE configuration not possible.\n";

int ConfigureSlots(CController& c, const std::vector<int>& disks, int p)
{
    CPhysDrive& processor = c.physDrives[p];
    std::vector<EnclosureSlot> table;
    switch (PlanSafteSlots(c, p, disks, table)) {
    case SafteSlotPlan::AlreadyAssigned:
        return 1;
    case SafteSlotPlan::NotPossible:
        Emit(kSafteNotPossible);
        return 0;
    case SafteSlotPlan::ReadFailed:
        PrintErrorCode(processor.error);
        return 0;
    case SafteSlotPlan::Planned:
        break;
    }
    Emit("INFO: Auto-configuring selected disks for SAF-TE Auto Hot Plug\n");
    processor.error = 0;
    if (processor.WriteSlotTable(table.data()) == 0 || processor.error != 0) {
        PrintErrorCode(processor.error);
        return 0;
    }
    return 1;
}

}  // namespace

int ConfigureSafteHotPlug(CController& c, const std::vector<int>& disks)
{
    const int p = FindSafteProcessor(c);
    if (p >= 0)
        return ConfigureSlots(c, disks, p);
    for (const int d : disks) {
        const CPhysDrive& disk = c.physDrives[d];
        const ControllerChannel* channel = DiskChannel(c, disk);
        if (disk.enclosureIndex >= 0 || disk.enclosureConfigId >= 0 ||
            (channel != nullptr && channel->kind == CHANNEL_KIND_FC))
            return 0;
    }
    if (c.enclosureConfigCount != 0 && c.enclosureRecordWord != 0)
        Emit("INFO: Auto activating the Auto Hot Plug feature of the controller\n");
    return 1;
}

int SetClusterDrive(CController& c, const std::vector<int>& disks, int arrayCode, int number)
{
    (void)arrayCode;  // the private type does not depend on the array's kind
    if ((c.ClusterBits() & kClusterBits) != kClusterBits || c.FirmwareLevel() >= kLevelClusterChannels)
        return 1;
    const int h = c.FindHostDrive(number);
    if (h < 0)
        return 1;
    bool outside = false;
    for (const int d : disks) {
        const int channel = c.physDrives[d].GetChannel();
        outside = outside || channel >= 8 || (c.configPageA[kClusterChannelByte] & (1u << channel)) == 0;
    }
    if (!outside)
        return 1;
    CHostDrive& drive = c.hostDrives[h];
    if (drive.SetClusterType(kPrivateDrive, 1) == 0) {
        PrintErrorCode(drive.error);
        return 0;
    }
    return 1;
}
