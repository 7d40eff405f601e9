#include "array_drives.h"
#include "mirror_drives.h"

#include "message_boxes.h"
#include "message_catalog.h"

namespace {

// Not built yet: says so.
int NotYet()
{
    ShowMessage(MessageText("M0000"), 0, 1);
    return 0;
}

}  // namespace

int ConfigureArrayDrives(CController&) { return NotYet(); }
int ArrayDriveMenu(CController&, CArrayDrive*, CMirrorDrive*) { return NotYet(); }
int CreateArrayDrive(CController&, int, const int*, int) { return NotYet(); }
int EnterArrayMaintenance(CArrayDrive&, int) { return NotYet(); }
int LeaveArrayMaintenance(CArrayDrive&, int) { return 1; }
int FixHostDriveSize(CArrayDrive&) { return NotYet(); }
int PatchArrayState(CArrayDrive&, int) { return NotYet(); }
int DeleteLogicalDrive(CController&, int) { return NotYet(); }
int AddArrayHotFix(CController&, CArrayDrive&, int) { return NotYet(); }
int RemoveArrayHotFix(CController&, CArrayDrive&) { return NotYet(); }
int ReplaceArrayDrive(CController&, CArrayDrive&) { return NotYet(); }
int AddRaid1ComponentToArray(CController&, CArrayDrive&) { return NotYet(); }
int RemoveRaid1ComponentFromArray(CController&, CArrayDrive&) { return NotYet(); }
int ShowArrayComponents(CController&, CArrayDrive&) { return NotYet(); }
int CanConvertToRaid10(CController&, CArrayDrive&) { return 0; }
int EnterMirrorMaintenance(CMirrorDrive&, int) { return NotYet(); }
int LeaveMirrorMaintenance(CMirrorDrive&, int) { return 1; }
int AddRaid1Component(CController&, CLogDrive&, int) { return NotYet(); }
int RemoveRaid1Component(CController&, CMirrorDrive&) { return NotYet(); }
int RemoveMirrorHotFix(CController&, CMirrorDrive&, int) { return NotYet(); }
int ShowMirrorComponents(CController&, CMirrorDrive&) { return NotYet(); }
int ShowArrayBuildProgress(CController&, CMirrorDrive&, int* kind)
{
    *kind = -1;
    return 1;
}
