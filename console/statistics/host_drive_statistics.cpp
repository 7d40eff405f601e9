#include "host_drive_statistics.h"

#include "host_drive.h"

HostDriveStatView HostDriveStatistics(const CHostDrive& drive)
{
    HostDriveStatView view;
    view.number = drive.hostDriveNumber;
    view.name = drive.entry.name;
    view.sectors = drive.entry.sectors;
    view.current = &drive.samples[DRIVE_SAMPLE_CURRENT];
    view.previous = &drive.samples[DRIVE_SAMPLE_PREVIOUS];
    return view;
}
