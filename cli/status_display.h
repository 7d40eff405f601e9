// The status tables: controllers, their physical disks and host drives,
// printed tab-separated on standard output (never silenced by -q).
#pragma once

#include "controller.h"

// Prints the two header lines of the controller table.
void ShowControllerHeader();
// Prints the row of the controller at `index` in the machine's list; 0.
int ShowControllerRow(const CController& controller, int index);
// Prints the controller's firmware version text with "%s\n".
void ShowFirmwareVersion(const CController& controller);
// Scans the devices (whatever its result), then prints the physical disk table; 0.
int ShowPhysicalDisks(CController& controller);
// Prints the row of one device, or nothing for a device that is not a ready disk.
void ShowPhysicalDiskRow(const CController& controller, const CPhysDrive& device);
// Reads the configuration (a failure prints its error code), then prints the host drive table; 0.
int ShowHostDrives(CController& controller);
// Prints the row of one host drive.
void ShowHostDriveRow(const CController& controller, const CHostDrive& hostDrive);
// Writes the Belongs-to text of host drive `hostDrive` (index in the list) into the message buffer.
void ShowBelongsTo(const CController& controller, int hostDrive);
