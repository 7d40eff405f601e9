#include "partition_check.h"

#include "host_drive.h"

bool HostDriveIsPartitioned(CHostDrive& drive)
{
    // An unreadable sector 0 or an invalid table may still hold data: it counts as in use.
    if (drive.ReadPartitionTable() != 1)
        return true;
    return !drive.PartitionTableEmpty();
}
