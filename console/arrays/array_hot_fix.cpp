// Hot fix drives of an array drive: adding a private or pool hot fix drive
// and removing one.
#include "array_drives.h"

#include <vector>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "drive_choice.h"
#include "drive_host_labels.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "hot_plug_procedure.h"
#include "list_choice.h"
#include "log_drive.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

MenuDef hotFixTypeMenu = {20, 10, 0, " Choose Type ", nullptr,
                          {{" P&rivate Hot Fix ", 0}, {" P&ool Hot Fix ", 1}, {nullptr, 0}}};

// The pool value of the new hot fix drive (1 pool, 0 private), or -1 for ESC.
int PoolValue(CController& controller, const CArrayDrive& array, int type)
{
    if (controller.FirmwareVersion() > 0x20FFFF && array.HasOldFormatMembers())
        type = 1;
    if (type == 1)
        return 0;
    if (type == 2)
        return 1;
    int value = -1;
    if (!PickValue(&hotFixTypeMenu, &value))
        return -1;
    return value;
}

int AddHotFix(CController& controller, CArrayDrive& given, int type)
{
    const int number = given.arrayNumber;
    DriveRef ref;
    ref.kind = driveRefArray;
    ref.array = &given;
    const uint32_t capacity = DriveCapacity(controller, ref);
    const int added = AddDriveToArray(controller, ref, candidateFlags, nullptr, 1, hotPlugLine);
    if (added < 0)
        return 0;
    const CLogDrive* made = LogicalAt(controller, added);
    CArrayDrive* found = ArrayByNumber(controller, number);
    if (made == nullptr || found == nullptr)
        return 0;
    if (LogicalCapacity(*made) < capacity) {
        ShowMessage(MessageText("M5025"), 0, 1);
        DeleteLogicalDrive(controller, added);
        return 0;
    }
    const int pool = PoolValue(controller, *found, type);
    if (pool < 0) {
        DeleteLogicalDrive(controller, added);
        return 0;
    }
    found = ArrayByNumber(controller, number);
    if (found == nullptr)
        return 0;
    CArrayDrive array = *found;  // the re-read below rebuilds the list it lives in
    array.AddPendingComponent(added);
    int ok = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        ClosingScope access = ArrayAccess(array, 0);
        if (!access)
            return 0;
        ok = array.AddHotFixDrives(pool, 0);
        access.release();
        if (ok)
            controller.ReadConfiguration();
    }
    if (!ok)
        ShowErrorCode(array.error);
    MarkChanged(controller);
    return ok;
}

}  // namespace

int AddArrayHotFix(CController& controller, CArrayDrive& array, int type)
{
    const ClosingScope change = DiskChangeScope(controller);
    return AddHotFix(controller, array, type);
}

int RemoveArrayHotFix(CController& controller, CArrayDrive& array)
{
    return RemoveArrayHotFix(controller, array, 1);
}

int RemoveArrayHotFix(CController& controller, CArrayDrive& given, int freeDrive)
{
    std::vector<int> candidates = PrivateHotFixDrives(controller, given);
    const std::vector<int> pool = PoolHotFixDrives(controller);
    candidates.insert(candidates.end(), pool.begin(), pool.end());
    if (candidates.empty()) {
        ShowMessage(MessageText("M5007"), 0, 1);
        return 0;
    }
    if (!pool.empty() && controller.FirmwareLevel() >= 30 && given.IsClusterDrive() && given.IsSharedWithOtherNodes()) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    CArrayDrive array = given;  // the refresh below rebuilds the list it lives in
    CListBox list(DriveListDef(), static_cast<int>(candidates.size()), 1);
    if (!OpenList(list, MessageText("M1015")))
        return 1;
    for (size_t k = 0; k < candidates.size(); ++k) {
        const CLogDrive& d = controller.logDrives[candidates[k]];
        const std::string label = ArrayHostLabel(controller, array);
        SetComponentLine(list, static_cast<int>(k), d, ' ', d.stateText, d.kindText, label);
    }
    const int result = RunList(list, 0);
    if (result < 0)
        return 1;
    if (!AskYesNo(MessageText("M3007"), 1))
        return 1;
    int ok = 0;
    int refreshed = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        const ClosingScope change = DiskChangeScope(controller);
        ClosingScope access = ArrayAccess(array, 0);
        if (!access)
            return 1;
        ok = array.RemoveHotFixDrive(candidates[static_cast<size_t>(result)], freeDrive, 0);
        access.release();
        refreshed = controller.Refresh();
    }
    ShowChangeError(controller, ok, refreshed, array.error);
    MarkChanged(controller);
    return 1;
}
