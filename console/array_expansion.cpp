#include "array_expansion.h"
#include "drive_choice.h"

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

int ExpandArrayDrive(CController&, CArrayDrive&) { return NotYet(); }
int ExpandIntoFreeSpace(CController&, CArrayDrive&, ProgressRequest&) { return NotYet(); }
int ChangeRaidType(CController&, CArrayDrive&) { return NotYet(); }
int AddDisksToArray(CController&, CArrayDrive&) { return NotYet(); }
int RunExpandConvert(CController&, CArrayDrive&, ProgressRequest&, int) { return NotYet(); }
int ParityVerify(CArrayDrive&) { return NotYet(); }
int ShowBuildProgress(CArrayDrive&, int* kind)
{
    *kind = -1;
    return 1;
}
int EnterDriveRefMaintenance(DriveRef&, int) { return NotYet(); }
int LeaveDriveRefMaintenance(DriveRef&, int) { return 1; }
int DriveRefNumber(const DriveRef&) { return -1; }
int DriveRefHasOldFormatMembers(const DriveRef&) { return 0; }
int FindDriveRefAgain(CController&, DriveRef&) { return 0; }
uint32_t ArrayComponentCapacity(const CArrayDrive&) { return 0; }
uint32_t MirrorComponentCapacity(const CController&, const CMirrorDrive&) { return 0; }
uint32_t DriveCapacity(const CController&, const DriveRef&) { return 0; }
int SelectReplacementDrive(CController&, const DriveRef&, DriveCandidate*, int) { return NotYet(); }
int AddDriveToArray(CController&, DriveRef&, int, CLogDrive*, int)
{
    NotYet();
    return -1;
}
int InitializeNewLogicalDrive(CController&, CPhysDrive&, int* number, int, int, int)
{
    if (number)
        *number = -1;
    return NotYet();
}
