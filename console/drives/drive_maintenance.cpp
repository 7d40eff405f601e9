#include "drive_maintenance.h"

#include <cstdint>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "controller.h"
#include "error_message.h"
#include "host_drive.h"
#include "log_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"

int EnterLogicalMaintenance(CLogDrive& drive, int whole)
{
    if (drive.controller->EnterDriveMaintenance(whole ? -1 : drive.GetNumber()))
        return 1;
    ShowMessage(MessageText("M5042"), 1, 1);
    return 0;
}

int LeaveLogicalMaintenance(CLogDrive& drive, int whole)
{
    drive.controller->LeaveDriveMaintenance(whole ? -1 : drive.GetNumber());
    return 1;
}

int EnterMirrorMaintenance(CMirrorDrive& mirror, int whole)
{
    CController& controller = *mirror.controller;
    const CHostDrive* first = FirstMirrorHostDrive(controller, mirror);
    const int n = whole || first == nullptr ? -1 : first->hostDriveNumber;
    if (controller.EnterDriveMaintenance(n))
        return 1;
    ShowMessage(MessageText("M5042"), 1, 1);
    return 0;
}

int LeaveMirrorMaintenance(CMirrorDrive& mirror, int whole)
{
    CController& controller = *mirror.controller;
    const CHostDrive* first = FirstMirrorHostDrive(controller, mirror);
    controller.LeaveDriveMaintenance(whole || first == nullptr ? -1 : first->hostDriveNumber);
    return 1;
}

int EnterArrayMaintenance(CArrayDrive& array, int whole)
{
    CController& controller = *array.controller;
    const CHostDrive* first = FirstArrayHostDrive(controller, array);
    if (!whole && first == nullptr)
        return 1;
    const int n = whole ? -1 : first->hostDriveNumber;
    if (controller.EnterDriveMaintenance(n))
        return 1;
    controller.LeaveDriveMaintenance(-1);
    if (controller.EnterDriveMaintenance(n))
        return 1;
    ShowMessage(MessageText("M5042"), 1, 1);
    return 0;
}

int LeaveArrayMaintenance(CArrayDrive& array, int whole)
{
    CController& controller = *array.controller;
    const CHostDrive* first = FirstArrayHostDrive(controller, array);
    if (whole)
        controller.LeaveDriveMaintenance(-1);
    else if (first != nullptr)
        controller.LeaveDriveMaintenance(first->hostDriveNumber);
    return 1;
}

int DeleteLogicalDrive(CController& controller, int index)
{
    CLogDrive* found = LogicalAt(controller, index);
    if (found == nullptr) {
        ShowMessage("Internal inconsistence error!\n", 1, 1);
        return 0;
    }
    CLogDrive drive = *found;  // the lists it lives in are rebuilt below
    int ok = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        ClosingScope access = LogicalAccess(drive, 1);
        if (!access)
            return 0;
        ok = drive.Remove(0);
        access.release();
        if (ok)
            ok = controller.ReadConfiguration() > 0 ? 1 : 0;
    }
    if (!ok)
        ShowErrorCode(controller.error != 0 ? controller.error : drive.error);
    return ok;
}

ClosingScope LogicalAccess(CLogDrive& drive, int whole)
{
    if (!EnterLogicalMaintenance(drive, whole))
        return {};
    return ClosingScope([&drive, whole] { LeaveLogicalMaintenance(drive, whole); });
}

ClosingScope MirrorAccess(CMirrorDrive& mirror, int whole)
{
    if (!EnterMirrorMaintenance(mirror, whole))
        return {};
    return ClosingScope([&mirror, whole] { LeaveMirrorMaintenance(mirror, whole); });
}

ClosingScope ArrayAccess(CArrayDrive& array, int whole)
{
    if (!EnterArrayMaintenance(array, whole))
        return {};
    return ClosingScope([&array, whole] { LeaveArrayMaintenance(array, whole); });
}

ClosingScope ControllerAccess(CController& controller, int number)
{
    if (!controller.EnterDriveMaintenance(number))
        return {};
    return ClosingScope([&controller, number] { controller.LeaveDriveMaintenance(number); });
}

ClosingScope DiskChangeScope(CController& controller)
{
    controller.BeginDiskChange();
    // The close keeps the controller's error word: an error shown after the
    // bracket is the one the work inside it left, not the close's own.
    return ClosingScope([&controller] {
        const uint32_t error = controller.error;
        controller.EndDiskChange();
        controller.error = error;
    });
}

bool NonBuildMode(const CController& controller)
{
    return controller.controllerParam.value != 0 && (controller.controllerParam.flags & 1) != 0;
}
