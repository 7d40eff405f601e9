#include "host_drive_removal.h"

#include "byte_order.h"
#include "controller_values.h"
#include "host_drive_lookup.h"
#include "messages.h"
#include "partition_check.h"
#include "tool_run.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr size_t kUnusedInitialisedByte = 59;
constexpr int kListedNumbers = 8;

// 1 when the host drive may be removed as far as partitions go, else 0.
int CheckPartitionTable(CController& c, int number)
{
    if (g_force.partition)
        return 1;
    const int h = c.FindHostDrive(number);
    if (h < 0)
        return 1;
    return HostDriveIsPartitioned(c.hostDrives[h]) ? 0 : 1;
}

// The numbers of the host drives sharing the drive as "%2d," items, at most eight.
std::string SharedNumberList(const CController& c, const std::vector<int>& numbers)
{
    std::string list;
    for (size_t k = 0; k < numbers.size() && k < kListedNumbers; ++k) {
        char item[16];
        std::snprintf(item, sizeof item, "%2d,", numbers[k]);
        list += item;
    }
    (void)c;
    if (numbers.size() > kListedNumbers)
        list += "...";
    else if (!list.empty())
        list.pop_back();
    return list;
}

int DeinitDisk(CPhysDrive& disk, const CController& c)
{
    if (disk.Deinitialize() == 0)
        return 1;
    Emit("INFO: Physical Disk %s:%d De-initialized.\n", c.channels[disk.GetChannel()].name, disk.GetTargetId());
    return 0;
}

int RemoveHostDrive(CController& c, int h)
{
    const int number = c.hostDrives[h].hostDriveNumber;
    const int carrier = c.hostDrives[h].carrierIndex;
    int target = number;
    if (carrier >= 0 && c.logDrives[carrier].arrayIndex >= 0 && c.FirmwareLevel() >= 30 &&
        c.arrayDrives[c.logDrives[carrier].arrayIndex].info[ARREC_OFFLINE] != 0)
        target = -1;
    c.hostDrives[h].Refresh();
    if (CheckPartitionTable(c, number) == 0 && !g_force.remove) {
        Emit("ERROR:Partition table is not empty.\nRemove Host Drive not possible.\n");
        Emit("Use -FORCE option\n");
        return 1;
    }
    std::vector<int> shared;
    if (carrier >= 0)
        for (int k = 0; k < c.logDrives[carrier].hostDrives.count; ++k)
            shared.push_back(c.hostDrives[c.logDrives[carrier].hostDrives[k]].hostDriveNumber);
    if (shared.size() > 1) {
        const int carrierNumber = c.logDrives[carrier].driveNumber;
        for (const int other : shared)
            if (CheckPartitionTable(c, other) == 0 && !g_force.remove) {
                Emit("ERROR:The selected Host Drive belongs to Array Drive %d.\nTo remove this Host Drive, all Host "
                     "Drives of this Array Drive\nwill be removed. This is not possible, because one or more\nof these "
                     "Host Drives contain valid partitions.\n",
                     carrierNumber);
                return 1;
            }
        Emit("WARNING:The selected Drive belongs to Array Drive %d.\nAll Host Drives of this Array Drive will be "
             "removed: %s !!!\n",
             carrierNumber, SharedNumberList(c, shared).c_str());
    }
    if (c.EnterDriveMaintenance(target) == 0 && !g_force.remove) {
        Emit("ERROR:Could not enter Maintenance Mode.\nOperation aborted.\n");
        return 1;
    }
    const int removed = c.hostDrives[c.FindHostDrive(number)].Remove(1, 0);
    // A successful removal re-reads the lists; look the drive up again.
    const int left = c.FindHostDrive(number);
    const uint32_t code = left >= 0 ? c.hostDrives[left].error : c.error;
    c.LeaveDriveMaintenance(-1);
    c.NotifyOsDriveChange(number, 1);
    if (removed == 0) {
        PrintErrorCode(code);
        return 1;
    }
    const int refreshed = c.Refresh();
    c.AddFlags(kConfigChanged);
    if (!refreshed) {
        PrintErrorCode(c.error);
        return 1;
    }
    return 0;
}

}  // namespace

int DeleteHostDrive(CController& c, int number)
{
    Emit("INFO: Deleting Host Drive %d \n", number);
    const int h = FindHostDrive(c, number);
    if (h < 0)
        return 1;
    if (RemoveHostDrive(c, h) != 0) {
        Emit("ERROR: Delete Host Drive #%d  failed !\n", number);
        return 1;
    }
    DeinitFreeDisks(c);
    return 0;
}

int DeleteAllHostDrives(CController& c)
{
    if (!c.Refresh())
        PrintErrorCode(c.error);
    if (c.hostDrives.count == 0) {
        Emit("INFO: Controller has no Host Drives. Action Aborted\n");
        return 1;
    }
    Emit("INFO: Deleting All (%d) Host Drive(s)\n", c.hostDrives.count);
    std::vector<int> numbers;
    for (int k = 0; k < c.hostDrives.count; ++k)
        numbers.push_back(c.hostDrives[k].hostDriveNumber);
    for (const int number : numbers)
        DeleteHostDrive(c, number);
    // A host drive still present after the pass was refused.
    if (!c.Refresh())
        PrintErrorCode(c.error);
    for (const int number : numbers)
        if (c.FindHostDrive(number) >= 0)
            return 1;
    return 0;
}

int DeinitFreeDisks(CController& c)
{
    for (int i = 0; i < c.physDrives.count; ++i) {
        CPhysDrive& disk = c.physDrives[i];
        const uint8_t* info = disk.GetInfo();
        if (info[DEVINFO_TYPE] == DEVICE_TYPE_DISK && info[DEVINFO_READY] != 0 &&
            wire::get32(info, DEVINFO_LOG_DRIVE) == kNoDrive && info[kUnusedInitialisedByte] != 0)
            DeinitDisk(disk, c);
    }
    return 0;
}

int DeinitAllDisks(CController& c)
{
    for (int i = 0; i < c.physDrives.count; ++i)
        DeinitDisk(c.physDrives[i], c);
    return 0;
}
