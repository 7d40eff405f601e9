#include "logical_drives.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "dialog_menu.h"
#include "disk_lines.h"
#include "drive_choice.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "input_box.h"
#include "key_codes.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drives.h"
#include "partition_test.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

MenuDef driveMenu = {30, 11, 0, " Log. Drive ", nullptr,
                     {{"&Change Drive Name", 0},
                      {"&Remove Drive", 1},
                      {"\xC4", -1},
                      {"&Add RAID 1 Component", 3},
                      {"\xC4", -1},
                      {"&Unload Drive", 2},
                      {nullptr, 0}}};
MenuDef logicalTypeMenu = {20, 10, 0, " Choose Type ", nullptr, {{" &Chaining ", 32}, {" RAID &0   ", 16}, {nullptr, 0}}};
InputDef logicalNameInput = {20, 12, 0, "Name: ", 7};

const int screenKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(3), tui::keyF(10), tui::keyF(5), -1};

bool IsMissing(const CLogDrive& d)
{
    return (d.kind & 3) == LDKIND_MISSING;
}

// The number of the controller's first host drive, -1 without one.
int FirstHostDriveNumber(const CController& controller)
{
    return controller.hostDrives.count > 0 ? controller.hostDrives[0].hostDriveNumber : -1;
}

// The controller's host drive at list index h, nullptr for none.
const CHostDrive* HostDriveAt(const CController& controller, int h)
{
    return h >= 0 && h < controller.hostDrives.count ? &controller.hostDrives[h] : nullptr;
}

// The drive's first host drive, nullptr when it carries none.
const CHostDrive* FirstHostDrive(const CController& controller, const CLogDrive& drive)
{
    return drive.hostDrives.count > 0 ? HostDriveAt(controller, drive.hostDrives[0]) : nullptr;
}

// Whether more than one controller accesses the drive's first host drive
// (the shared flag of its cluster record).
int AccessedByOtherControllers(const CController& controller, const CLogDrive& drive)
{
    const CHostDrive* host = FirstHostDrive(controller, drive);
    return host != nullptr && host->GetCluster()->shared != 0 ? 1 : 0;
}

// Unloads each of the drive's host drives in order and re-reads the
// controller. The operating system hears of the change only when every
// unload succeeded; otherwise the first failure is shown.
void UnloadDrive(CController& controller, const CLogDrive& drive)
{
    // The refresh rebuilds every list, this drive's included: take the host drives first.
    std::vector<int> hosts;
    for (int i = 0; i < drive.hostDrives.count; ++i)
        hosts.push_back(drive.hostDrives[i]);
    ShowWaitBox(MessageText("M2000"), 0);
    uint32_t failure = 0;
    for (const int h : hosts) {
        if (h < 0 || h >= controller.hostDrives.count)
            continue;
        CHostDrive& host = controller.hostDrives[h];
        if (!host.Unload(0) && failure == 0)
            failure = host.error;
    }
    const int refreshed = controller.Refresh();
    CloseWaitBox();
    if (failure == 0)
        controller.NotifyOsDriveChange(-1, 0);
    else
        ShowErrorCode(failure);
    if (!refreshed)
        ShowErrorCode(controller.error);
}

// Adds a RAID-1 component to the drive (a copy: adding re-reads the lists
// the drive lives in).
void AddRaid1ComponentOfDrive(CController& controller, CLogDrive& drive)
{
    CLogDrive copy = drive;
    AddRaid1Component(controller, copy, 0);
}

// Firmware up to 0x1EFFFF loads all drives only after every host drive of
// every array drive was unloaded; their results do not stop the load.
void UnloadArrayHostDrives(CController& controller)
{
    for (int a = 0; a < controller.arrayDrives.count; ++a) {
        const CArrayDrive& array = controller.arrayDrives[a];
        for (int k = 0; k < array.hostDrives.count; ++k) {
            const int h = array.hostDrives[k];
            if (h >= 0 && h < controller.hostDrives.count)
                (void)controller.hostDrives[h].Unload(0);
        }
    }
}

// A disk whose private host drive another controller has mounted.
bool MountedByOtherController(const CController& controller, const CPhysDrive& d)
{
    return OwnedByOtherController(controller, d) && d.GetOwnership()[OWNERSHIP_FLAGS] != 0;
}

void ChangeName(CLogDrive& drive)
{
    char text[8] = {};
    if (!AskDriveName(logicalNameInput, DriveName(drive), text))
        return;
    if (!drive.SetName(text))
        ShowErrorCode(drive.error);
}

void RemoveDrive(CController& controller, CLogDrive& drive)
{
    if (controller.FirmwareLevel() >= 30 && AccessedByOtherControllers(controller, drive)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return;
    }
    const int number = drive.GetNumber();
    bool asked = false;
    if (DriveHasUsedPartitions(controller, number)) {
        if (!Options().administrator) {
            ShowMessage(MessageText("M4042"), 1, 1);
            return;
        }
        if (!AskYesNo(MessageText("M3072"), 1))
            return;
        asked = true;
    }
    if (number == FirstHostDriveNumber(controller)) {
        if (!AskYesNo(MessageText("M3073"), 1))
            return;
        asked = true;
    }
    if (!asked && !AskYesNo(MessageText("M3007"), 1))
        return;
    ShowWaitBox(MessageText("M2000"), 0);
    CLogDrive copy = drive;  // Remove re-reads the lists the drive lives in
    const int ok = copy.Remove(1);
    CloseWaitBox();
    if (ok)
        controller.NotifyOsDriveChange(-1, 0);
    else
        ShowErrorCode(copy.error);
    controller.AddFlags(1);
}

// The menu's rules, in their order.
void SetMenuItems(CController& controller, CTagMenu& menu, CLogDrive& drive)
{
    const uint8_t* info = drive.GetInfo();
    if (!info[LDINFO_REMOVABLE])
        menu.DisableItem(2);
    if (info[LDINFO_WRITE_PROTECTED]) {
        menu.DisableItem(0);
        menu.DisableItem(1);
    } else if (drive.IsPoolHotFix() || drive.arrayIndex >= 0 || drive.mirrorIndex >= 0) {
        menu.DisableItem(1);
        menu.DisableItem(2);
    }
    if (drive.isPrivateHotFix || drive.IsPoolHotFix())
        menu.DisableItem(3);
    // From firmware level 30 the cluster type of the first host drive of the
    // drive's array drive (or else of the drive itself) rules items 3 and 2.
    if (controller.FirmwareLevel() >= 30) {
        const CHostDrive* ruling = FirstHostDrive(controller, drive);
        if (drive.arrayIndex >= 0 && drive.arrayIndex < controller.arrayDrives.count) {
            const CArrayDrive& array = controller.arrayDrives[drive.arrayIndex];
            ruling = array.hostDrives.count > 0 ? HostDriveAt(controller, array.hostDrives[0]) : nullptr;
        }
        if (ruling != nullptr && ruling->GetCluster()->type == 1)
            menu.DisableItem(3);
        if (ruling != nullptr && ruling->GetCluster()->type == 2 && ruling->GetCluster()->owner != 0)
            menu.EnableItem(2);
    }
    if (drive.mirrorIndex >= 0 && drive.mirrorIndex < controller.mirrorDrives.count) {
        CMirrorDrive& mirror = controller.mirrorDrives[drive.mirrorIndex];
        mirror.Refresh();
        if (mirror.buildingCount > 0)
            menu.DisableItem(3);
    }
    if (Options().administrator)
        menu.EnableItem(2);
}

}  // namespace

int CreateLogicalDrive(CController& controller, const std::vector<int>& disks)
{
    if (disks.empty())
        return 0;
    int type = DRIVE_TYPE_SINGLE;
    if (disks.size() > 1) {
        type = DRIVE_TYPE_CHAIN;
        if (controller.info.chainingValue != 0 && controller.info.raid0Value != 0)
            PickValue(&logicalTypeMenu, &type);
    }
    for (const int i : disks) {
        CPhysDrive& d = controller.physDrives[i];
        if (d.GetInfo()[DEVINFO_INITIALISED])
            continue;
        DiskParameters p = NewDiskParameters(controller, d, 2);
        ShowWaitBox(MessageText("M2000"), 0);
        const int ok = d.Initialize(&p);
        CloseWaitBox();
        if (!ok) {
            tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText("M5071"), DeviceName(d),
                           controller.channels[d.GetChannel()].name, d.GetPosition());
            ShowMessage(SharedText(), 1, 1);
            return 0;
        }
    }
    char question[256];
    tui::strPrintf(question, MessageText("M3006"),
                   type == DRIVE_TYPE_SINGLE ? "SINGLE" : type == DRIVE_TYPE_CHAIN ? "CHAINING" : "STRIPING");
    if (!AskYesNo(question, 1))
        return 0;
    const ClosingScope access = ControllerAccess(controller, -1);
    if (!access) {
        ShowMessage(MessageText("M5042"), 1, 1);
        return 0;
    }
    if (controller.freeDrives.count == 0)
        return 1;
    CFreeDrive entry = controller.freeDrives[0];  // creating re-reads the free list
    for (const int i : disks)
        entry.AddDisk(i);
    controller.AddFlags(1);
    if (controller.FirmwareLevel() <= 18) {
        ShowWaitBox(MessageText("M2000"), 0);
        const int ok = entry.Create(static_cast<uint16_t>(type), 1);
        CloseWaitBox();
        if (!ok)
            ShowErrorCode(entry.error);
    } else {
        ShowWaitBox(MessageText("M2000"), 0);
        int ok = entry.CreateLogicalDrive(static_cast<uint16_t>(type));
        CloseWaitBox();
        if (!ok) {
            ShowErrorCode(entry.error);
        } else {
            uint32_t capacity = 0;
            if (!entry.GetCapacity(&capacity))
                ShowErrorCode(entry.error);
            const long largest = static_cast<long>(capacity >> 11);
            const long size = AskDriveSize(controller, largest, largest);
            if (size < 0) {
                ShowMessage(MessageText("M4000"), 0, 1);
                return 0;
            }
            if (size != largest && !entry.SetUsedCapacity(static_cast<uint32_t>(size) << 11))
                ShowErrorCode(entry.error);
            ShowWaitBox(MessageText("M2000"), 0);
            ok = entry.Commit(1);
            CloseWaitBox();
            if (!ok)
                ShowErrorCode(entry.error);
        }
    }
    return 1;
}

int CreateNewLogicalDrive(CController& controller)
{
    std::vector<int> candidates;
    for (int i = 0; i < controller.physDrives.count; ++i) {
        CPhysDrive& d = controller.physDrives[i];
        if (!IsFreeDisk(controller, d))
            continue;
        if (controller.FirmwareLevel() >= 30 && d.ReadOwnership() && MountedByOtherController(controller, d))
            continue;
        candidates.push_back(i);
    }
    if (candidates.empty()) {
        ShowMessage(MessageText("M5003"), 0, 1);
        return 1;
    }
    std::vector<int> chosen;
    int line = 0;
    while (ChooseDisks(controller, candidates, chosen, line)) {
        std::vector<int> ordered;
        for (const int i : candidates)
            if (std::find(chosen.begin(), chosen.end(), i) != chosen.end())
                ordered.push_back(i);
        if (CreateLogicalDrive(controller, ordered)) {
            controller.NotifyOsDriveChange(-1, 0);
            return 1;
        }
    }
    return 1;
}

int LogicalDriveMenu(CController& controller, CLogDrive& drive)
{
    CTagMenu menu(&driveMenu, 1);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 1;
    }
    SetMenuItems(controller, menu, drive);
    const int chosen = menu.Run(0);
    if (chosen == -3)
        ShowMessage(MessageText("M4000"), 0, 1);
    switch (chosen) {
    case 0:
        ChangeName(drive);
        break;
    case 1:
    case 2: {
        const ClosingScope access = ControllerAccess(controller, -1);
        if (!access) {
            ShowMessage(MessageText("M5042"), 1, 1);
            break;
        }
        if (chosen == 1)
            RemoveDrive(controller, drive);
        else
            UnloadDrive(controller, drive);
        break;
    }
    case 3:
        AddRaid1ComponentOfDrive(controller, drive);
        break;
    default:
        break;
    }
    return 1;
}

int SelectLogicalDrives(CController& controller, int, uint32_t minimum, std::vector<int>& chosen,
                        int* masterPosition)
{
    std::vector<int> candidates;
    for (int i = 0; i < controller.logDrives.count; ++i) {
        const CLogDrive& d = controller.logDrives[i];
        if (!d.IsPoolHotFix() && d.arrayIndex < 0 && (d.GetNumber() & sharedBit) == 0 &&
            d.GetInfo()[LDINFO_USABLE] != 0 && wire::get32(d.GetInfo(), LDINFO_CAPACITY) >= minimum)
            candidates.push_back(i);
    }
    if (candidates.size() < 2) {
        ShowMessage(MessageText("M5006"), 0, 1);
        return 0;
    }
    const bool formatRule = controller.FirmwareVersion() > 0x20FFFF &&
                            !(controller.controllerParam.value != 0 && (controller.controllerParam.flags & 1));
    std::vector<int> picked;
    int master = -1;
    int line = 0;
    const int keys[] = {' ', tui::keyF(2), tui::keyF(4), -1};
    CListBox list(DriveListDef(), static_cast<int>(candidates.size()), 1);
    if (!list.IsOk() || !list.Open(MessageText("M1016"), MessageText("M1017"))) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    for (;;) {
        for (size_t k = 0; k < candidates.size(); ++k) {
            const int i = candidates[k];
            const bool in = std::find(picked.begin(), picked.end(), i) != picked.end();
            SetLogicalDriveLine(list, static_cast<int>(k), controller, controller.logDrives[i],
                                i == master ? 'M' : in ? '*' : ' ');
        }
        int key = 0;
        const int result = list.Run(line, keys, &key);
        if (result < 0) {
            if (result == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        line = result;
        const int i = candidates[static_cast<size_t>(result)];
        const auto at = std::find(picked.begin(), picked.end(), i);
        if (key == 0) {
            chosen.clear();
            *masterPosition = -1;
            for (const int c : candidates)
                if (std::find(picked.begin(), picked.end(), c) != picked.end()) {
                    if (c == master)
                        *masterPosition = static_cast<int>(chosen.size());
                    chosen.push_back(c);
                }
            return 1;
        }
        if (key != ' ') {
            if (at != picked.end())
                master = i;
            continue;
        }
        if (at != picked.end()) {
            picked.erase(at);
            if (master == i)
                master = -1;
            continue;
        }
        CLogDrive& d = controller.logDrives[i];
        if (formatRule) {
            const bool old = d.HasOldFormatMembers();
            if (std::any_of(picked.begin(), picked.end(),
                            [&](int p) { return controller.logDrives[p].HasOldFormatMembers() != old; })) {
                ShowMessage(MessageText("M4058"), 1, 1);
                continue;
            }
        }
        if (d.GetNumber() == FirstHostDriveNumber(controller) && !AskYesNo(MessageText("M3070"), 1))
            continue;
        if (DriveHasUsedPartitions(controller, d.GetNumber()) && !AskYesNo(MessageText("M3069"), 1))
            continue;
        picked.push_back(i);
        if (master < 0)
            master = i;
    }
}

int ConfigureLogicalDrives(CController& controller)
{
    ShowWaitBox(MessageText("M2000"), 0);
    controller.ReadConfiguration();
    CloseWaitBox();
    int line = 0;
    for (;;) {
        const int count = controller.logDrives.count;
        const bool createLine = controller.freeDrives.count > 0;
        const int lines = count + (createLine ? 1 : 0);
        CListBox list(DriveListDef(), lines, 1);
        if (!list.IsOk() || !list.Open(MessageText("M1013"), MessageText("M1055"))) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        for (int i = 0; i < count; ++i)
            SetLogicalDriveLine(list, i, controller, controller.logDrives[i], ' ');
        if (createLine)
            list.SetLineText(count, MessageText("M1009"));
        if (line >= lines)
            line = 0;
        int key = 0;
        const int result = list.Run(line, screenKeys, &key);
        if (result < 0) {
            if (result == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        line = result;
        CLogDrive* drive = result < count ? &controller.logDrives[result] : nullptr;
        if (key == tui::keyF(10)) {
            ShowWaitBox(MessageText("M2000"), 0);
            controller.ReadConfiguration();
            CloseWaitBox();
        } else if (key == tui::keyF(3)) {
            if (controller.FirmwareLevel() >= 30 && controller.IsClusterEnabled() && controller.IsMultiNode()) {
                ShowMessage(MessageText("M5074"), 0, 1);
                continue;
            }
            ShowWaitBox(MessageText("M2000"), 0);
            if (controller.FirmwareVersion() <= 0x1EFFFF)
                UnloadArrayHostDrives(controller);
            const int ok = controller.LoadAll(1);
            CloseWaitBox();
            if (!ok)
                ShowErrorCode(controller.error);
        } else if (drive != nullptr && IsMissing(*drive)) {
            // A missing drive can be neither opened, identified nor shown.
        } else if (drive != nullptr && key == tui::keyF(5)) {
            drive->Identify();
        } else if (drive != nullptr && (key == tui::keyF(2) || key == tui::keyF(4))) {
            ShowLogicalDriveDisks(controller, *drive);
        } else if (drive != nullptr && key == 0) {
            LogicalDriveMenu(controller, *drive);
        } else if (drive == nullptr && key == 0) {
            if (controller.FirmwareLevel() >= 30 && controller.IsMultiNode()) {
                ShowMessage(MessageText("M5059"), 0, 1);
                return 1;
            }
            CreateNewLogicalDrive(controller);
        }
    }
}
