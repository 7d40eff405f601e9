// The logical drive screen: " Select Logical Drive " with Load All and the
// creation of new logical drives, the " Log. Drive " menu, and the
// " Select Drives " choice the array drive screen opens.
#pragma once

#include <cstdint>
#include <vector>

class CController;
class CLogDrive;

// The logical drive screen of the controller until ESC; returns 1.
int ConfigureLogicalDrives(CController& controller);
// The " Log. Drive " menu of a logical drive, run once; returns 1.
int LogicalDriveMenu(CController& controller, CLogDrive& drive);
// The choice of free disks for a new logical drive; returns 1.
int CreateNewLogicalDrive(CController& controller);
// Type choice, initialisation of new disks and creation from the physical
// device indices; 1 when a creation was attempted.
int CreateLogicalDrive(CController& controller, const std::vector<int>& disks);
// " Select Drives ": the multiple choice of logical drives of at least
// `minimum` sectors for an array or RAID-1 drive (mode 0). 1 with the
// chosen indices (list order) and the master's position in them (-1 none).
int SelectLogicalDrives(CController& controller, int mode, uint32_t minimum, std::vector<int>& chosen,
                        int* masterPosition);
