#include "create_hot_plug_cluster.h"

#include "disk_position.h"
#include "messages.h"

#include <cstddef>

namespace {

constexpr int kSafteProcessor = 1;
constexpr uint8_t kClusterBits = 0x0D;
constexpr int kLevelClusterChannels = 30;
constexpr size_t kClusterChannelByte = 344;
constexpr int kPrivateDrive = 2;

const char kSafteNotPossible[] = "INFO:SAF-TE found, but automatic SAF-TE configuration not possible.\n";

// The index of the SAF-TE enclosure processor, -1 without one.
int SafteProcessor(const CController& c)
{
    for (int i = 0; i < c.physDrives.count; ++i)
        if (c.physDrives[i].IsEnclosureProcessor() == kSafteProcessor)
            return i;
    return -1;
}

int ConfigureSlots(CController& c, const std::vector<int>& disks, int p)
{
    CPhysDrive& processor = c.physDrives[p];
    bool allAssigned = true;
    for (const int d : disks)
        allAssigned = allAssigned && c.physDrives[d].enclosureIndex >= 0;
    if (allAssigned)
        return 1;
    const size_t slots = processor.GetEnclosureLayout()[ENCLAYOUT_SLOTS];
    bool fits = slots >= disks.size();
    for (const int d : disks)
        fits = fits && c.physDrives[d].GetChannel() == processor.GetChannel();
    if (!fits) {
        Emit(kSafteNotPossible);
        return 0;
    }
    std::vector<EnclosureSlot> table(slots);
    if (processor.ReadSlotTable(table.data()) == 0) {
        PrintErrorCode(processor.error);
        return 0;
    }
    for (const int d : disks) {
        EnclosureSlot* free = nullptr;
        for (EnclosureSlot& s : table)
            if (free == nullptr && s.targetId == c.physDrives[d].GetTargetId() && s.drive < 0)
                free = &s;
        if (free == nullptr) {
            Emit(kSafteNotPossible);
            return 0;
        }
        free->occupied = 1;
        free->drive = d;
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
    const int p = SafteProcessor(c);
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
