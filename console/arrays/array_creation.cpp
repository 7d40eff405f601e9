// Creating an array drive or RAID-1 drive from the logical drives chosen in
// " Select Drives ": type, stripe size, build type, the question, the
// release of the chosen drives, the creation and its capacity dialog.
#include "array_drives.h"

#include <vector>

#include "array_drive_parts.h"
#include "array_records.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_menu.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "host_drive.h"
#include "log_drive.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

constexpr int raid1 = 1;

MenuDef arrayTypeMenu = {20, 10, 0, " Choose Type ", nullptr,
                    {{"  RAID &0  ", 0},
                     {"  RAID &1  ", 1},
                     {"  RAID &4  ", 4},
                     {"  RAID &5  ", 5},
                     {"  RAI&D 10  ", 10},
                     {nullptr, 0}}};
MenuDef arrayStripeMenu = {30, 10, 0, "Strip. Size", nullptr,
                      {{"   16 KB   ", 32}, {"   32 KB   ", 64}, {"   64 KB   ", 128}, {"  128 KB   ", 256}, {nullptr, 0}}};
MenuDef arrayBuildMenu = {20, 10, 0, " Choose Build Type ", nullptr,
                     {{"&Non-destructive    Build", 0}, {"&Destructive (fast) Build", 1}, {nullptr, 0}}};

// The types the chosen drives allow, by the rules of the type menu.
struct TypeRules {
    bool raid0, raid1, raid4, raid5, raid10;
};

TypeRules AllowedTypes(const CController& controller, int count, int mirrored)
{
    const uint8_t f = controller.info.featureByte;
    TypeRules r{};
    r.raid5 = (f & 0x20) != 0 && count > 2;
    r.raid4 = (f & 0x10) != 0 && count > 2;
    r.raid0 = (f & 0x01) != 0;
    r.raid10 = (f & 0x02) != 0 && !(mirrored == 0 && count <= 3) && !(mirrored == 1 && count <= 2) && count % 2 == 0;
    r.raid1 = controller.info.raid1Value != 0 && mirrored == 0;
    return r;
}

// The type chosen in " Choose Type ", or -1.
int ChooseType(const TypeRules& r)
{
    if (!r.raid0 && !r.raid1 && !r.raid4 && !r.raid5 && !r.raid10) {
        ShowMessage(MessageText("M5026"), 0, 1);
        return -1;
    }
    CTagMenu menu(&arrayTypeMenu, 1);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return -1;
    }
    const struct {
        bool allowed;
        int id;
    } items[] = {{r.raid0, 0}, {r.raid1, 1}, {r.raid4, 4}, {r.raid5, 5}, {r.raid10, 10}};
    for (const auto& i : items)
        if (!i.allowed)
            menu.DisableItem(i.id);
    const int chosen = menu.Run(5);
    if (chosen == -3)
        ShowMessage(MessageText("M4000"), 0, 1);
    return chosen;
}

// Gives each chosen drive but the master to the master's pending list and
// releases its host drives under its own access; 0 when a step failed.
int ReleaseChosen(CController& controller, CLogDrive& master, const std::vector<int>& others)
{
    int ok = 1;
    {
        const ClosingScope wait = WaitBoxScope();
        for (const int i : others) {
            const int number = controller.logDrives[i].GetNumber();
            master.AddPendingComponent(i);
            const ClosingScope access = ControllerAccess(controller, number);
            if (!access || controller.ReleaseHostDrive(number) != 0) {
                ok = 0;
                break;
            }
        }
    }
    if (!ok)
        ShowMessage(MessageText("M5042"), 0, 1);
    return ok;
}

int CreateMirror(CController& controller, CLogDrive& master)
{
    ClosingScope wait = WaitBoxScope();
    CLogDrive drive = master;  // MakeMirror re-reads the lists the master lives in
    ClosingScope access = LogicalAccess(drive, 0);
    if (!access)
        return 0;
    const int ok = drive.MakeMirror(0);
    access.release();
    if (ok)
        controller.ReadConfiguration();
    wait.release();
    if (!ok)
        ShowErrorCode(drive.error);
    return ok;
}

// The size dialog after the array was made; stores a changed size.
void ArraySizeDialog(CController& controller, CLogDrive& master)
{
    uint32_t largest = 0;
    uint32_t current = 0;
    if (!master.GetArrayCapacity(&largest, &current)) {
        ShowErrorCode(master.error);
        return;
    }
    const long now = static_cast<long>(current >> 11);
    const long size = AskDriveSize(controller, static_cast<long>(largest >> 11), now);
    if (size < 0) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return;
    }
    if (size != now) {
        master.SetArrayCapacity(static_cast<uint32_t>(size) << 11);
        if (master.error != 0)
            ShowErrorCode(master.error);
    }
}

int CreateArray(CController& controller, CLogDrive& chosenMaster, int type, uint32_t stripe)
{
    CLogDrive master = chosenMaster;  // the creation may renumber and re-read
    const int masterNumber = master.GetNumber();
    if (controller.FirmwareLevel() <= 18) {
        int ok = 0;
        {
            const ClosingScope wait = WaitBoxScope();
            const ClosingScope access = LogicalAccess(master, 1);
            if (!access)
                return 0;
            ok = master.CreateArrayWithHostDrive(type, nullptr, nullptr, stripe, 1);
        }
        if (!ok)
            ShowErrorCode(master.error);
        return ok;
    }
    // Held by number: the creation may renumber the master.
    ClosingScope access;
    {
        const ClosingScope wait = WaitBoxScope();
        access = ControllerAccess(controller, masterNumber);
        if (!access)
            ShowMessage(MessageText("M5042"), 1, 1);
    }
    if (!access)
        return 0;
    int arrayNumber = -1;
    int ok = 0;
    bool privateCluster = false;
    if ((type & ~RAID_DESTRUCTIVE) == RAID_TYPE_10) {
        WaitBox();
        ok = master.CreateArrayWithHostDrive(RAID_TYPE_10, nullptr, &arrayNumber, stripe, 0);
        CloseWaitBox();
        if (!ok)
            ShowErrorCode(master.error);
    } else {
        WaitBox();
        ok = master.CreateArray(type, nullptr, &arrayNumber, stripe);
        CloseWaitBox();
        if (!ok) {
            ShowErrorCode(master.error);
        } else {
            ArraySizeDialog(controller, master);
            WaitBox();
            ok = master.CreateArrayHostDrive(0);
            CloseWaitBox();
            if (!ok)
                ShowErrorCode(master.error);
            else if (type & RAID_DESTRUCTIVE)
                privateCluster = true;
        }
    }
    access.release();
    if (privateCluster && controller.FirmwareLevel() < 30) {
        WaitBox();
        controller.ReadConfiguration();
        CloseWaitBox();
        const int h = controller.FindHostDrive(arrayNumber);
        if (h >= 0 && h < controller.hostDrives.count) {
            CHostDrive host = controller.hostDrives[h];
            if (!host.SetClusterType(2, 1))
                ShowErrorCode(host.error);
        }
    }
    WaitBox();
    controller.ReadConfiguration();
    CloseWaitBox();
    return ok;
}

}  // namespace

int CreateArrayDrive(CController& controller, int count, const int* drives, int masterPosition)
{
    if (count < 2) {
        ShowMessage(MessageText("M5008"), 0, 1);
        return 0;
    }
    if (masterPosition < 0 || masterPosition >= count) {
        ShowMessage(MessageText("M5013"), 0, 1);
        return 0;
    }
    uint32_t smallest = UINT32_MAX;
    int mirrored = 0;
    for (int k = 0; k < count; ++k) {
        const CLogDrive& d = controller.logDrives[drives[k]];
        if (LogicalCapacity(d) < smallest)
            smallest = LogicalCapacity(d);
        if (d.mirrorIndex >= 0)
            ++mirrored;
    }
    const int type = ChooseType(AllowedTypes(controller, count, mirrored));
    if (type < 0)
        return 0;
    CLogDrive& master = controller.logDrives[drives[masterPosition]];
    uint32_t stripe = controller.FirmwareLevel() < 24 ? 64 : 256;
    int buildType = type;
    if (type == raid1) {
        if (smallest < LogicalCapacity(master)) {
            ShowMessage(MessageText("M5014"), 0, 1);
            return 0;
        }
    } else {
        int value = static_cast<int>(stripe);
        PickValue(&arrayStripeMenu, &value);
        stripe = static_cast<uint32_t>(value);
        if (Options().destructive && (type == RAID_TYPE_4 || type == RAID_TYPE_5) &&
            controller.FirmwareVersion() > 0x180002 && !NonBuildMode(controller)) {
            int build = 0;
            PickValue(&arrayBuildMenu, &build);
            if (build == 1) {
                buildType |= RAID_DESTRUCTIVE;
                ShowMessage(MessageText("M5041"), 0, 1);
            }
        }
    }
    const char* question = type == raid1 ? "M3012" : NonBuildMode(controller) ? "M3040" : "M3011";
    if (!AskYesNo(MessageText(question), 1))
        return 0;
    std::vector<int> others;
    for (int k = 0; k < count; ++k)
        if (k != masterPosition)
            others.push_back(drives[k]);
    if (!ReleaseChosen(controller, master, others))
        return 0;
    MarkChanged(controller);
    return type == raid1 ? CreateMirror(controller, master) : CreateArray(controller, master, buildType, stripe);
}
