#include "host_drive_statistics.h"

#include "host_drive.h"

HostDriveStatView HostDriveStatistics(const CHostDrive& drive)
{
    // MERGE(lead): once CHostDrive carries its entry and its samples, take
    // the name, the size in sectors and GetSample(DRIVE_SAMPLE_CURRENT),
    // GetSample(DRIVE_SAMPLE_PREVIOUS) from it here.
    HostDriveStatView view;
    view.number = drive.hostDriveNumber;
    return view;
}
