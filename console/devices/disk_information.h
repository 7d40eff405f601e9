// " Hard Disk Information ": the read-only list of the controller's disks
// with rate, error counters, grown defects and last status, and the detail
// box of one disk.
#pragma once

class CController;
class CPhysDrive;

// The disk list window until ESC; 1, or 0 when there is no disk (M5007) or
// the list cannot be built.
int ViewHardDiskInfo(CController& controller);
// Fills the shared text buffer with the disk's list line and returns it.
const char* HardDiskLineText(const CController& controller, CPhysDrive& disk);
// The detail box of one disk until ESC; 1, or 0 after M4000.
int HardDiskDetails(CController& controller, CPhysDrive& disk);
