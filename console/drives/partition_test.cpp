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
