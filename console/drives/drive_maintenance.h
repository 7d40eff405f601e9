// Configuration access (Maintenance Mode) for a change of a logical, RAID-1
// or array drive: each takes the access its drive needs and gives it back;
// the removal of a logical drive under that access; and the controller's
// non-build mode.
#pragma once

#include "closing_scope.h"

class CArrayDrive;
class CController;
class CLogDrive;
class CMirrorDrive;

// Configuration access for a change of the drive (whole controller when
// `whole`); refused: M5042 and 0.
int EnterLogicalMaintenance(CLogDrive& drive, int whole);
// Gives that access back; returns 1.
int LeaveLogicalMaintenance(CLogDrive& drive, int whole);
// Configuration access for the RAID-1 drive's first host drive (-1: the
// whole controller, also when `whole`); M5042 and 0 when refused.
int EnterMirrorMaintenance(CMirrorDrive& mirror, int whole);
// Gives that access back; returns 1.
int LeaveMirrorMaintenance(CMirrorDrive& mirror, int whole);
// Configuration access for the array's first host drive (the whole
// controller when `whole`); one retry after giving all access back, then
// M5042 and 0.
int EnterArrayMaintenance(CArrayDrive& array, int whole);
// Gives back what EnterArrayMaintenance took; returns 1.
int LeaveArrayMaintenance(CArrayDrive& array, int whole);
// Deletes the logical drive at list index `index` that was made for an
// operation the user then gave up; 1 or 0.
int DeleteLogicalDrive(CController& controller, int index);

// The same accesses as scope objects: open until the scope ends or release();
// empty when refused (the refusal shown as by the Enter function).
ClosingScope LogicalAccess(CLogDrive& drive, int whole);
ClosingScope MirrorAccess(CMirrorDrive& mirror, int whole);
ClosingScope ArrayAccess(CArrayDrive& array, int whole);
// The controller's configuration access for host drive `number` (-1 the
// whole controller) until the scope ends; empty when refused (nothing shown).
ClosingScope ControllerAccess(CController& controller, int number);
// The controller's disk change bracket (BeginDiskChange to EndDiskChange);
// closing it leaves the controller's error word as the work left it.
ClosingScope DiskChangeScope(CController& controller);
// The controller's own non-build mode is on.
bool NonBuildMode(const CController& controller);
