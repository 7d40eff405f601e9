// The logical drive screen: " Select Logical Drive " with Load All and the
// creation of new logical drives, the " Log. Drive " menu, the list of a
// logical drive's disks, and the pieces the array drive screens share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialog_records.h"

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
// " Physical Drive(s) " of a logical drive; returns 1.
int ShowLogicalDriveDisks(CController& controller, const CLogDrive& drive);
// " Select Drives ": the multiple choice of logical drives of at least
// `minimum` sectors for an array or RAID-1 drive (mode 0). 1 with the
// chosen indices (list order) and the master's position in them (-1 none).
int SelectLogicalDrives(CController& controller, int mode, uint32_t minimum, std::vector<int>& chosen,
                        int* masterPosition);
// Fills the shared text buffer with the drive's "belongs to" text.
const char* LogicalDriveHostLabel(const CController& controller, const CLogDrive& drive);
// Configuration access for a change of the drive (whole controller when
// `whole`); refused: M5042 and 0.
int EnterLogicalMaintenance(CLogDrive& drive, int whole);
// Gives that access back; returns 1.
int LeaveLogicalMaintenance(CLogDrive& drive, int whole);
// Asks for a drive's new name in the input `def`, starting from `current`;
// true with the name in `text` when ENTER took one not starting blank
// (M4050 otherwise, M4000 when the box does not open).
bool AskDriveName(InputDef& def, const std::string& current, char (&text)[8]);
// The drive list record that every drive list uses.
ListDef* DriveListDef();
// Formats line `line` of a drive list with a logical drive: the two markers,
// then number, name, texts, capacity and the "belongs to" label.
void SetLogicalDriveLine(class CListBox& list, int line, const CController& controller, const CLogDrive& drive,
                         char marker);
// The size dialog of a new logical or array drive, "Drive Size (%ld..%ld MB): "
// from the smallest size the controller allows (1 MB, or its reserved area
// plus 1 MB) to `largest`, asked again until ENTER gives a size within them:
// that size in MB, `current` for ESC, -1 when the box cannot be made.
long AskDriveSize(const CController& controller, long largest, long current);
// Whether the host drive `number` carries a partition table in use; a
// table that cannot be read counts as in use.
int DriveHasUsedPartitions(const CController& controller, int number);
