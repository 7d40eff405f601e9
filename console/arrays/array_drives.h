// The array drive screen: " Select Array Drive " with the arrays and the
// stand-alone RAID-1 drives, their creation, the " Array Drive " menu and
// its actions.
#pragma once

class CController;
class CArrayDrive;
class CLogDrive;

// The array drive screen of the controller until ESC; returns 1.
int ConfigureArrayDrives(CController& controller);
// The " Array Drive " menu for one array drive or one stand-alone RAID-1
// drive (exactly one of the two is given); returns 1.
int ArrayDriveMenu(CController& controller, CArrayDrive* array, class CMirrorDrive* mirror);
// Creates an array or RAID-1 drive from `count` logical drive indices chosen
// with SelectLogicalDrives; 1 on success.
int CreateArrayDrive(CController& controller, int count, const int* drives, int masterPosition);
// The " Fix Host Drive size " dialog; the model result.
int FixHostDriveSize(CArrayDrive& array);
// The array-state patch offer (M3015); `quiet` suppresses M5066. 1 when
// the state was patched.
int PatchArrayState(CArrayDrive& array, int quiet);
// Adds a hot fix drive to the array (type 0 ask, 1 private, 2 pool); 1 on success.
int AddArrayHotFix(CController& controller, CArrayDrive& array, int type);
// " Select Drive to be removed " of the array's hot fix drives; returns 1.
int RemoveArrayHotFix(CController& controller, CArrayDrive& array);
// The replace list of the array's components and the replacement of the
// chosen one; 1 when a component was replaced.
int ReplaceArrayDrive(CController& controller, CArrayDrive& array);
// Adds a RAID-1 component to a component of the array; returns 1.
int AddRaid1ComponentToArray(CController& controller, CArrayDrive& array);
// Removes a RAID-1 component from a component of the array; returns 1.
int RemoveRaid1ComponentFromArray(CController& controller, CArrayDrive& array);
// " Logical Drives " list of the array's components; returns 1.
int ShowArrayComponents(CController& controller, CArrayDrive& array);
// RemoveArrayHotFix with the free flag: the removed drive is deleted when set.
int RemoveArrayHotFix(CController& controller, CArrayDrive& array, int freeDrive);
// The replace list (" Select Drive to be replaced "): deletes the list a
// previous call left open; with `closeOnly` nothing more, else builds it,
// leaves it open and returns the chosen slot (-1 for none).
int SelectComponentToReplace(CController& controller, CArrayDrive& array, int closeOnly);
// Replaces the component of `slot` by a drive AddDriveToArray finds; 1 on success.
int ReplaceArrayComponent(CController& controller, CArrayDrive& array, int slot);
// AddRaid1ComponentToArray's list and addition; 1 when a component was added.
int AddRaid1ComponentToArrayDone(CController& controller, CArrayDrive& array);
