// What the host drive bars read of a host drive: number, name, size and
// statistics samples, in one place.
#pragma once

#include <cstdint>

#include "drive_records.h"

class CHostDrive;

struct HostDriveStatView {
    int number = -1;
    const char* name = "";
    uint32_t sectors = 0;
    const DriveStatSample* current = nullptr;   // null: the drive has no samples
    const DriveStatSample* previous = nullptr;
};

// The statistics view of a host drive.
HostDriveStatView HostDriveStatistics(const CHostDrive& drive);
