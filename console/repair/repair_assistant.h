// The repair assistant: the controller's failed, faulty, building and
// rebuilding drives sorted into lists, the summary, and the repairs.
#pragma once

#include "drive_choice.h"

class CController;
class CArrayDrive;
class CMirrorDrive;
class CLogDrive;

// The repair assistant; 1, or 0 when the scan failed.
int RepairArrayDrives(CController& controller);
// Removes the missing components of the RAID-1 drive (asking M3036 when
// `ask`); 1 or 0.
int RemoveMissingMirrorComponents(CMirrorDrive& mirror, int ask);

// The repair lists, as flags of SelectDriveToRepair.
constexpr int repairListFail = 1;
constexpr int repairListError = 2;
constexpr int repairListHotFix = 4;

// Fills the repair lists from the controller's array and RAID-1 drives; 1,
// or 0 when memory ran out.
int ScanRepairLists(CController& controller);
// Empties the repair lists.
void ClearRepairLists();
// Entries in the FAIL, ERROR, BUILD, REBUILD and missing hot fix lists.
int RepairFailCount();
int RepairErrorCount();
int RepairBuildCount();
int RepairRebuildCount();
int RepairHotFixCount();
// " Select Drive to repair " over the lists of `listFlags`; 1 with the
// chosen drive (a missing hot fix line: kind 2, the hot fix logical drive)
// and the list it came from, 0 for ESC. With `close` the kept list is
// dropped and nothing is shown.
int SelectDriveToRepair(int listFlags, int close, DriveRef* chosen, int* fromList);
// The repairs of a failed array drive, a RAID-1 drive with a missing
// component, and an array's missing private hot fix drive; 1 or 0.
int RepairArrayDrive(CArrayDrive& array);
int RepairMirrorDrive(CMirrorDrive& mirror);
int RepairMissingHotFix(CLogDrive& hotFix);
