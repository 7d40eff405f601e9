// The component lists of an array drive: replacing a component, the RAID-1
// components of its components, and " RAID 1/Logical Drive(s) ".
#include "array_drives.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "array_drive.h"
#include "array_drive_parts.h"
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
#include "mirror_drive.h"
#include "mirror_drives.h"
#include "record_values.h"

namespace {

// The replace list stays open while the replacement runs.
std::unique_ptr<CListBox>& ReplaceList()
{
    static std::unique_ptr<CListBox> list;
    return list;
}

// The logical drive (list index) that slot k of the array names, -1 for none.
int SlotLogical(CController& controller, const CArrayDrive& array, int k)
{
    return controller.FindLogicalDrive(array.SlotDrive(k));
}

// The type text of a component line: its RAID-1 drive's for a RAID-1 component.
const char* ComponentTypeText(const CController& controller, const CLogDrive& d)
{
    const CMirrorDrive* mirror = MirrorOf(controller, d);
    return mirror != nullptr ? mirror->typeText : d.kindText;
}

// Fills a list with one line per component slot; "belongs to" ArrayHostLabel.
void FillSlotLines(CController& controller, CListBox& list, const CArrayDrive& array)
{
    const std::string label = ArrayHostLabel(controller, array);
    for (int k = 0; k < ComponentSlotCount(array); ++k) {
        const CLogDrive* d = LogicalAt(controller, SlotLogical(controller, array, k));
        if (d == nullptr)
            continue;
        SetComponentLine(list, k, *d, ' ', SlotStatusText(controller, array, k, d), ComponentTypeText(controller, *d),
                         label);
    }
}

// The role of an array component in " RAID 1/Logical Drive(s) ".
std::string Role(const CLogDrive& d)
{
    if (d.isMaster && d.isParity)
        return "Master/Parity";
    if (d.isMaster)
        return "Master";
    if (d.isParity)
        return "Parity";
    if (d.isPrivateHotFix)
        return MessageText("M1026");
    return "";
}

}  // namespace

int SelectComponentToReplace(CController& controller, CArrayDrive& array, int closeOnly)
{
    ReplaceList().reset();
    if (closeOnly)
        return -1;
    const int lines = ComponentSlotCount(array);
    ReplaceList() = std::make_unique<CListBox>(DriveListDef(), lines, 1);
    CListBox& list = *ReplaceList();
    if (!OpenList(list, MessageText("M1054")))
        return -1;
    FillSlotLines(controller, list, array);
    const int result = RunList(list, 0);
    return result >= 0 ? result : -1;
}

int ReplaceArrayComponent(CController& controller, CArrayDrive& given, int slot)
{
    if (given.State() == ARSTATE_IDLE) {
        ShowMessage(MessageText("M5006"), 0, 1);
        return 0;
    }
    const int number = given.arrayNumber;
    const int oldNumber = given.SlotDrive(slot);
    const int oldIndex = controller.FindLogicalDrive(oldNumber);
    const ClosingScope diskChange = DiskChangeScope(controller);
    DriveRef ref;
    ref.kind = driveRefArray;
    ref.array = &given;
    const bool rebuilding = given.State() == ARSTATE_REBUILD || given.State() == ARSTATE_REBUILD2;
    const int flags = rebuilding ? candidateNewDisk : candidateNewDisk | candidateHotPlug;
    const int added = AddDriveToArray(controller, ref, flags, LogicalAt(controller, oldIndex), 1, hotPlugLine);
    if (added < 0)
        return added == -2 ? 1 : 0;
    CArrayDrive* found = ArrayByNumber(controller, number);
    if (found == nullptr || controller.FindLogicalDrive(oldNumber) < 0)
        return 0;
    CArrayDrive array = *found;  // the refresh below rebuilds the list it lives in
    int ok = 0;
    if (ClosingScope access = ArrayAccess(array, 0)) {
        ClosingScope wait = WaitBoxScope();
        ok = array.ReplaceComponent(slot, added, 0);
        access.release();
        const int refreshed = ok ? controller.Refresh() : 1;
        wait.release();
        ShowChangeError(controller, ok, refreshed, array.error);
        MarkChanged(controller);
    }
    return ok;
}

int ReplaceArrayDrive(CController& controller, CArrayDrive& array)
{
    const int slot = SelectComponentToReplace(controller, array, 0);
    int ok = 0;
    if (slot >= 0) {
        ok = ReplaceArrayComponent(controller, array, slot);
        int alarm = 0;
        if (ok && controller.GetAlarm(&alarm) && alarm)
            controller.SetAlarm(0);
    }
    SelectComponentToReplace(controller, array, 1);
    return ok;
}

int AddRaid1ComponentToArray(CController& controller, CArrayDrive& array)
{
    AddRaid1ComponentToArrayDone(controller, array);
    return 1;
}

int AddRaid1ComponentToArrayDone(CController& controller, CArrayDrive& array)
{
    const int lines = ComponentSlotCount(array);
    CListBox list(DriveListDef(), lines, 1);
    if (!OpenList(list, MessageText("M1057")))
        return 0;
    FillSlotLines(controller, list, array);
    const int result = RunList(list, 0);
    if (result < 0)
        return 0;
    if (SlotFlags(array, result) & slotMissing) {
        ShowMessage(MessageText("M4024"), 0, 1);
        return 0;
    }
    CLogDrive* d = LogicalAt(controller, SlotLogical(controller, array, result));
    if (d == nullptr)
        return 0;
    CLogDrive drive = *d;  // adding re-reads the lists the drive lives in
    return AddRaid1Component(controller, drive, 0);
}

int RemoveRaid1ComponentFromArray(CController& controller, CArrayDrive& array)
{
    std::vector<int> mirrors;
    for (int k = 0; k < ComponentSlotCount(array); ++k) {
        const CLogDrive* d = LogicalAt(controller, SlotLogical(controller, array, k));
        if (d != nullptr && MirrorOf(controller, *d) != nullptr)
            mirrors.push_back(d->mirrorIndex);
    }
    if (mirrors.empty()) {
        ShowMessage(MessageText("M5006"), 0, 1);
        return 0;
    }
    CListBox list(DriveListDef(), static_cast<int>(mirrors.size()), 1);
    if (!OpenList(list, MessageText("M1057")))
        return 1;
    for (size_t k = 0; k < mirrors.size(); ++k) {
        const CMirrorDrive& m = controller.mirrorDrives[mirrors[k]];
        const CLogDrive* d = MirrorMaster(controller, m);
        if (d == nullptr)
            continue;
        const std::string label = LogicalDriveHostLabel(controller, *d);
        SetComponentLine(list, static_cast<int>(k), *d, ' ', d->stateText, m.typeText, label);
    }
    const int result = RunList(list, 0);
    if (result < 0)
        return 1;
    CMirrorDrive mirror = controller.mirrorDrives[mirrors[static_cast<size_t>(result)]];
    RemoveRaid1Component(controller, mirror);
    return 1;
}

int ShowArrayComponents(CController& controller, CArrayDrive& array)
{
    std::vector<int> drives;
    for (int k = 0; k < array.components.count; ++k)
        drives.push_back(array.components[k]);
    for (const int i : PrivateHotFixDrives(controller, array))
        if (std::find(drives.begin(), drives.end(), i) == drives.end())
            drives.push_back(i);
    const size_t own = drives.size();
    if (array.GetPoolHotFixAccess())
        for (const int i : PoolHotFixDrives(controller))
            drives.push_back(i);
    CListBox list(DriveListDef(), static_cast<int>(drives.size()), 1);
    if (!OpenList(list, MessageText("M1029"), MessageText("M1021")))
        return 1;
    for (size_t k = 0; k < drives.size(); ++k) {
        const CLogDrive* d = LogicalAt(controller, drives[k]);
        if (d == nullptr)
            continue;
        const int slot = k < own ? array.FindComponentSlot(static_cast<int>(k)) : -1;
        const std::string status = slot >= 0 ? SlotStatusText(controller, array, slot, d) : d->stateText;
        SetComponentLine(list, static_cast<int>(k), *d, ' ', status, ComponentTypeText(controller, *d),
                         k < own ? Role(*d) : std::string(MessageText("M1027")));
    }
    RunComponentList(controller, list, drives, 1);
    return 1;
}
