// The " Array Drive " menu of an array drive or a stand-alone RAID-1 drive:
// its items by state, type and firmware, and the actions that are not lists
// of their own (name, removal, pool access, parity recalculation, progress).
#include "array_drives.h"

#include <cstring>
#include <string>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "array_expansion.h"
#include "console_state.h"
#include "controller.h"
#include "controller_screens.h"
#include "dialog_menu.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "host_drive.h"
#include "input_box.h"
#include "key_codes.h"
#include "log_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"
#include "mirror_drives.h"
#include "partition_test.h"

namespace {

enum Item {
    itemName = 0,
    itemExpand = 1,
    itemAddRaid1 = 2,
    itemReplace = 3,
    itemRemoveRaid1 = 4,
    itemRemove = 5,
    itemAddHotFix = 6,
    itemRemoveHotFix = 7,
    itemPoolAccess = 8,
    itemVerify = 9,
    itemRecalculate = 10,
    itemProgress = 11,
    itemPeriodic = 12,
};

MenuDef arrayMenu = {30, 8, 0, " Array Drive ", nullptr,
                     {{"&Change Drive Name", 0},
                      {"E&xpand Array Drive", 1},
                      {"&Add RAID 1 Component", 2},
                      {"R&eplace Array Component", 3},
                      {"Re&move RAID 1 Component", 4},
                      {"&Remove Array Drive", 5},
                      {"\xC4", -1},
                      {"A&dd Hot Fix Drive", 6},
                      {"Rem&ove Hot Fix Drive", 7},
                      {"&Hot Fix Pool Access", 8},
                      {"\xC4", -1},
                      {"Par&ity Verify", 9},
                      {"Periodic Parity &Verify", 12},
                      {"\xC4", -1},
                      {"&Build/Rebuild Progress", 11},
                      {nullptr, 0}}};
MenuDef poolMenu = {30, 10, 0, nullptr, nullptr, {{"Disabled", 0}, {"Enabled", 1}, {nullptr, 0}}};
InputDef arrayNameInput = {20, 12, 0, "Name: ", 7};

// The " Array Drive " menu under RECALCULATE: "&Parity Recalculate" follows
// "Periodic Parity &Verify".
MenuDef WithRecalculate(const MenuDef& menu)
{
    MenuDef result = menu;
    int k = 0;
    while (result.items[k].id != itemPeriodic)
        ++k;
    for (int j = menuDefItems - 1; j > k + 1; --j)
        result.items[j] = result.items[j - 1];
    result.items[k + 1] = {"&Parity Recalculate", itemRecalculate};
    return result;
}

MenuDef recalculateMenu = WithRecalculate(arrayMenu);

// The rules for an array drive, in their order.
void SetArrayItems(CController& controller, CTagMenu& menu, const CArrayDrive& a)
{
    const bool recalculate = Options().recalculate != 0;
    const bool ready = a.State() == ARSTATE_READY;
    const bool expanding = (a.info[ARREC_FLAGS] & ARFLAG_EXPANDING) != 0;
    if (!ready || expanding) {
        DisableAll(menu, {itemExpand, itemVerify});
        if (recalculate)
            menu.DisableItem(itemRecalculate);
    }
    if (!ready && (a.info[317] != 0 || a.info[ARREC_WRITE_PROTECTED] != 0 ||
                   (controller.FirmwareLevel() >= 30 && a.info[ARREC_OFFLINE] != 0)))
        DisableAll(menu, {itemReplace, itemAddHotFix, itemRemoveHotFix, itemPoolAccess});
    if (a.State() == ARSTATE_BUILD || a.State() == ARSTATE_INVALID) {
        menu.DisableItem(itemReplace);
        if (a.Type() == RAID_TYPE_10)
            menu.DisableItem(itemAddRaid1);
    }
    if (a.Type() == RAID_TYPE_10) {
        DisableAll(menu, {itemExpand, itemReplace, itemVerify, itemPeriodic});
        if (recalculate)
            menu.DisableItem(itemRecalculate);
    }
    if (expanding)
        menu.DisableItem(itemReplace);
    if (controller.FirmwareLevel() <= 18)
        menu.DisableItem(itemExpand);
    if (a.Type() == RAID_TYPE_0) {
        DisableAll(menu, {itemReplace, itemAddHotFix, itemRemoveHotFix, itemPoolAccess, itemVerify, itemProgress,
                          itemPeriodic});
        if (recalculate)
            menu.DisableItem(itemRecalculate);
    }
    const CHostDrive* first = FirstArrayHostDrive(controller, a);
    if (first != nullptr && first->IsClusterDrive())
        DisableAll(menu, {itemExpand, itemAddRaid1, itemRemoveRaid1});
}

void SetMirrorItems(CTagMenu& menu, const CMirrorDrive& m)
{
    DisableAll(menu, {itemExpand, itemReplace, itemVerify, itemPeriodic});
    if (Options().recalculate)
        menu.DisableItem(itemRecalculate);
    if (m.buildingCount > 0)
        menu.DisableItem(itemAddRaid1);
}

void ChangeName(CArrayDrive* array, CMirrorDrive* mirror)
{
    CInputBox box(&arrayNameInput);
    if (!box.Open(nullptr, nullptr)) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return;
    }
    char text[9] = {};
    if (array != nullptr)
        std::strncpy(text, DriveNameText(array->GetName()).c_str(), 7);
    else
        mirror->GetName(text);
    text[7] = '\0';
    box.Edit(std::span<char>(text, 8));
    if (box.LastKey() != tui::keyEnter)
        return;
    if (text[0] == '\0' || text[0] == ' ') {
        ShowFormatted("M4050", text, 1);
        return;
    }
    if (array != nullptr ? array->SetName(text) : mirror->SetName(text))
        return;
    ShowErrorCode(array != nullptr ? array->error : mirror->error);
}

// Whether the partition test finds used partitions on any host drive of the list.
bool AnyUsedPartitions(CController& controller, const CArray<int>& hostDrives)
{
    for (int i = 0; i < hostDrives.count; ++i) {
        const int h = hostDrives[i];
        if (h >= 0 && h < controller.hostDrives.count &&
            DriveHasUsedPartitions(controller, controller.hostDrives[h].hostDriveNumber))
            return true;
    }
    return false;
}

// Remove Array Drive for an array or a RAID-1 drive; 1 when removed.
int RemoveDrive(CController& controller, CArrayDrive* array, CMirrorDrive* mirror)
{
    const CHostDrive* first = array != nullptr ? FirstArrayHostDrive(controller, *array)
                                               : FirstMirrorHostDrive(controller, *mirror);
    if (AccessedByOtherControllers(controller, first)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    const int number = array != nullptr ? array->arrayNumber : mirror->mirrorNumber;
    const bool admin = Options().administrator != 0;
    if (DriveHasUsedPartitions(controller, number)) {
        if (!admin) {
            ShowMessage(MessageText("M4041"), 1, 1);
            return 0;
        }
        if (!AskYesNo(MessageText("M3072"), 1))
            return 0;
    } else {
        const CLogDrive* component =
            array != nullptr ? (array->components.count > 0 ? LogicalAt(controller, array->components[0]) : nullptr)
                             : MirrorMaster(controller, *mirror);
        const CArray<int>* hosts = nullptr;
        if (component != nullptr && component->hostDrives.count > 1)
            hosts = &component->hostDrives;
        else if (array != nullptr && array->hostDrives.count > 1)
            hosts = &array->hostDrives;
        if (hosts != nullptr && AnyUsedPartitions(controller, *hosts)) {
            if (!admin) {
                ShowMessage(MessageText("M4044"), 1, 1);
                return 0;
            }
            if (!AskYesNo(MessageText("M3078"), 1))
                return 0;
        }
        if (!AskYesNo(MessageText("M3007"), 1))
            return 0;
    }
    int ok = 0;
    bool refused = false;
    uint32_t error = 0;
    {
        const ClosingScope wait = WaitBoxScope();
        if (array != nullptr) {
            CArrayDrive a = *array;  // the re-read below rebuilds the list it lives in
            if (const ClosingScope access = ArrayAccess(a, 0)) {
                a.ReleaseEnclosureSlots();
                ok = a.Remove(0, 0);
                error = a.error;
            } else {
                refused = true;
            }
        } else {
            CMirrorDrive m = *mirror;
            if (const ClosingScope access = MirrorAccess(m, 1)) {
                m.ReleaseEnclosureSlots();
                ok = m.RemoveComponent(0, 0, -1);
                error = m.error;
            } else {
                refused = true;
            }
        }
        if (ok) {
            controller.ReadConfiguration();
            controller.NotifyOsDriveChange(-1, 0);
        }
    }
    if (!ok && !refused)
        ShowErrorCode(error);
    MarkChanged(controller);
    return ok;
}

void PoolAccess(CController& controller, CArrayDrive* array, CMirrorDrive* mirror)
{
    if (array != nullptr ? array->IsSharedWithOtherNodes() : mirror->IsSharedWithOtherNodes())
        ShowMessage(MessageText("M4053"), 0, 1);
    const int current = array != nullptr ? array->GetPoolHotFixAccess() : mirror->GetPoolHotFixAccess();
    int value = current;
    if (!PickValue(&poolMenu, &value) || value == current)
        return;
    const bool old = array != nullptr ? array->HasOldFormatMembers() : mirror->HasOldFormatMembers();
    if (value == 1 && controller.FirmwareVersion() > 0x20FFFF && old) {
        ShowFormatted("M4057", array != nullptr ? "Array" : "RAID-1", 1);
        return;
    }
    if (array != nullptr ? array->SetPoolHotFixAccess(value) : mirror->SetPoolHotFixAccess(value))
        return;
    ShowErrorCode(array != nullptr ? array->error : mirror->error);
}

// Parity Recalculate; 1 when done.
int Recalculate(CArrayDrive& array)
{
    if (!AskYesNo(MessageText("M3009"), 0))
        return 0;
    ProgressRequest r;
    r.operation = PROGRESS_START;
    WaitBox();
    const int ok = array.RecalculateParity(&r);
    CloseWaitBox();
    if (!ok) {
        ShowErrorCode(array.error);
        return 0;
    }
    array.Refresh();
    int kind = 0;
    ShowBuildProgress(array, &kind);
    return 1;
}

// Add RAID 1 Component of an array drive; 1 when done.
int AddRaid1ToArray(CController& controller, CArrayDrive& given)
{
    const int number = given.arrayNumber;
    if (AddRaid1ComponentToArrayDone(controller, given))
        controller.NotifyOsDriveChange(-1, 0);
    CArrayDrive* found = ArrayByNumber(controller, number);
    if (found == nullptr || !CanConvertToRaid10(controller, *found) || !AskYesNo(MessageText("M3030"), 0))
        return 0;
    CArrayDrive array = *found;
    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.percent = RAID_TYPE_10;
    if (array.ExpandConvert(&r))
        return 1;
    ShowErrorCode(array.error);
    return 0;
}

void PeriodicVerify(CController& controller)
{
    int parity = 0;
    for (int i = 0; i < controller.arrayDrives.count; ++i)
        if (controller.arrayDrives[i].Type() == RAID_TYPE_4 || controller.arrayDrives[i].Type() == RAID_TYPE_5)
            ++parity;
    if (parity > 0)
        ShowMessage(MessageText("M5068"), 0, 1);
    PeriodicParityVerify(controller);
}

// Runs one item; 1 when it reports "done".
int RunItem(CController& controller, int item, CArrayDrive* array, CMirrorDrive* mirror)
{
    CLogDrive* master = mirror != nullptr ? MirrorMaster(controller, *mirror) : nullptr;
    switch (item) {
    case itemName:
        ChangeName(array, mirror);
        return 0;
    case itemExpand:
        return array != nullptr && ExpandArrayDrive(controller, *array) ? 1 : 0;
    case itemAddRaid1:
        if (array != nullptr)
            return AddRaid1ToArray(controller, *array);
        if (master != nullptr) {
            CLogDrive drive = *master;
            if (AddRaid1Component(controller, drive, 0)) {
                controller.NotifyOsDriveChange(-1, 0);
                return 1;
            }
        }
        return 0;
    case itemReplace:
        if (array != nullptr && ReplaceArrayDrive(controller, *array)) {
            controller.NotifyOsDriveChange(-1, 0);
            return 1;
        }
        return 0;
    case itemRemoveRaid1:
        return array != nullptr ? RemoveRaid1ComponentFromArray(controller, *array)
                                : RemoveRaid1Component(controller, *mirror);
    case itemRemove:
        return RemoveDrive(controller, array, mirror);
    case itemAddHotFix:
        if (array != nullptr)
            return AddArrayHotFix(controller, *array, 0);
        if (master != nullptr) {
            CLogDrive drive = *master;
            return AddRaid1Component(controller, drive, 1);
        }
        return 0;
    case itemRemoveHotFix:
        return array != nullptr ? RemoveArrayHotFix(controller, *array, 1) : RemoveMirrorHotFix(controller, *mirror, 1);
    case itemPoolAccess:
        PoolAccess(controller, array, mirror);
        return 0;
    case itemVerify:
        if (array != nullptr)
            ParityVerify(*array);
        return 0;
    case itemRecalculate:
        return array != nullptr ? Recalculate(*array) : 0;
    case itemProgress: {
        int kind = 0;
        if (array != nullptr) {
            array->Refresh();
            return ShowBuildProgress(*array, &kind);
        }
        return ShowArrayBuildProgress(controller, *mirror, &kind);
    }
    case itemPeriodic:
        PeriodicVerify(controller);
        return 0;
    default:
        return 0;
    }
}

}  // namespace

int ArrayDriveMenu(CController& controller, CArrayDrive* givenArray, CMirrorDrive* givenMirror)
{
    if ((givenArray == nullptr) == (givenMirror == nullptr))
        return 1;
    const bool isArray = givenArray != nullptr;
    const int number = isArray ? givenArray->arrayNumber : givenMirror->mirrorNumber;
    int last = 0;
    for (;;) {
        // Work on a copy: the actions re-read the lists the drive lives in.
        CArrayDrive* a = isArray ? ArrayByNumber(controller, number) : nullptr;
        CMirrorDrive* m = isArray ? nullptr : MirrorByNumber(controller, number);
        if (a == nullptr && m == nullptr)
            return 1;
        std::unique_ptr<CArrayDrive> array = a != nullptr ? std::make_unique<CArrayDrive>(*a) : nullptr;
        std::unique_ptr<CMirrorDrive> mirror = m != nullptr ? std::make_unique<CMirrorDrive>(*m) : nullptr;
        CTagMenu menu(Options().recalculate ? &recalculateMenu : &arrayMenu, 1);
        if (!menu.IsOk() || !menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        if (array != nullptr)
            SetArrayItems(controller, menu, *array);
        else
            SetMirrorItems(menu, *mirror);
        if (controller.info.raid1Value == 0)
            menu.DisableItem(itemAddRaid1);
        if (controller.FirmwareVersion() <= 0x1EFFFF)
            menu.DisableItem(itemPeriodic);
        const int item = menu.Run(last);
        if (item < 0) {
            if (item == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        last = item;
        if (RunItem(controller, item, array.get(), mirror.get()))
            return 1;
    }
}
