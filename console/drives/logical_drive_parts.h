// Pieces of logical drives that the drive screens share: the drive list
// record and its lines, the "belongs to" label, the name and size inputs and
// the list of a drive's disks.
#pragma once

#include <string>

#include "dialog_records.h"

class CController;
class CLogDrive;

// Asks for a drive's new name in the input `def`, starting from `current`;
// true with the name in `text` when ENTER took one not starting blank
// (M4050 otherwise, M4000 when the box does not open).
bool AskDriveName(InputDef& def, const std::string& current, char (&text)[8]);
// The drive's name (at most its 8-byte field).
std::string DriveName(const CLogDrive& d);
// The drive list record that every drive list uses.
ListDef* DriveListDef();
// Fills the shared text buffer with the drive's "belongs to" text.
const char* LogicalDriveHostLabel(const CController& controller, const CLogDrive& drive);
// Formats line `line` of a drive list with a logical drive: the two markers,
// then number, name, texts, capacity and the "belongs to" label.
void SetLogicalDriveLine(class CListBox& list, int line, const CController& controller, const CLogDrive& drive,
                         char marker);
// " Physical Drive(s) " of a logical drive; returns 1.
int ShowLogicalDriveDisks(CController& controller, const CLogDrive& drive);
// The size dialog of a new logical or array drive, "Drive Size (%ld..%ld MB): "
// from the smallest size the controller allows (1 MB, or its reserved area
// plus 1 MB) to `largest`, asked again until ENTER gives a size within them:
// that size in MB, `current` for ESC, -1 when the box cannot be made.
long AskDriveSize(const CController& controller, long largest, long current);
