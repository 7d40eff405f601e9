#include "partition_test.h"

#include "console_state.h"
#include "controller.h"

int IsPartitionTableEmpty(const CController& controller, int hostDriveNumber)
{
    if (Options().partition)
        return 1;
    const int h = controller.FindHostDrive(hostDriveNumber);
    if (h < 0)
        return 1;
    return controller.hostDrives[h].PartitionTableEmpty() ? 1 : 0;
}

int HostDrivePartitionsInUse(const CController& controller, int number)
{
    if (IsPartitionTableEmpty(controller, number) == 0)
        return 1;
    if (Options().partition)
        return 0;
    const int h = controller.FindHostDrive(number);
    if (h < 0)
        return 0;
    // A table that cannot be read may still hold partitions.
    CHostDrive copy = controller.hostDrives[h];
    if (!copy.Refresh())
        return 1;
    return copy.PartitionTableEmpty() ? 0 : 1;
}

int DriveHasUsedPartitions(const CController& controller, int number)
{
    return HostDrivePartitionsInUse(controller, number);
}
