// The " Host Drive " menu: its rules, its checks, and the actions but
// removal and creation (name, swap, hot fix drives, merge, master boot code,
// cluster type, transaction tracking, write-back cache, write protection).
#include "host_drives.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "array_drives.h"
#include "array_records.h"
#include "byte_order.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_menu.h"
#include "disk_lines.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "host_drive_carrier.h"
#include "input_box.h"
#include "key_codes.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drives.h"
#include "str_printf.h"

namespace {

constexpr size_t pageAWord = 4;
constexpr uint32_t clusterPageFloor = 0x5FFFF;
constexpr int writeBackOffBit = 0x01;
constexpr int writeProtectBit = 0x02;
constexpr int trackingOffBit = 0x04;

MenuDef hostAdvancedMenu = {30, 10, 0, " Host Drive ", nullptr,
                        {{"&Change Drive Name", 0},
                         {"&Swap Host Drives", 1},
                         {"&Remove Host Drive", 2},
                         {"\xC4", -1},
                         {"Mer&ge Host Drives", 6},
                         {"\xC4", -1},
                         {"&Partition Drive", 7},
                         {"&Overwr. Master Boot Code", 8},
                         {"\xC4", -1},
                         {"Cl&uster Type (%s)", 10},
                         {"&Transaction Tracking (%s)", 11},
                         {"&Write Back Cache (%s)", 12},
                         {nullptr, 0}}};
MenuDef hostExpressMenu = {30, 10, 0, " Host Drive ", nullptr,
                       {{"&Change Drive Name", 0},
                        {"&Swap Host Drives", 1},
                        {"&Remove Host Drive", 2},
                        {"\xC4", -1},
                        {"&Add Hot Fix Drive", 3},
                        {"Re&move Hot Fix Drive", 4},
                        {"\xC4", -1},
                        {"&Overwr. Master Boot Code", 8},
                        {"\xC4", -1},
                        {"Cl&uster Type (%s)", 10},
                        {nullptr, 0}}};
MenuDef hostOnOffMenu = {30, 10, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};
MenuDef hostClusterMenu = {20, 10, 0, nullptr, nullptr,
                       {{"&Not configured", 0}, {"&Private local", 2}, {"&Cluster", 1}, {nullptr, 0}}};
InputDef nameInput = {20, 12, 0, "Name: ", 7};
InputDef numberInput = {30, 11, 0, "New Drive No. (0..%d): ", 3};

const int hostMenuKeys[] = {tui::keyF(9), -1};

// The index of an item id in a menu record, -1 for none.
int ItemIndex(const MenuDef& def, int id)
{
    for (int i = 0; def.items[i].text != nullptr; ++i)
        if (def.items[i].id == id)
            return i;
    return -1;
}

const char* ClusterTypeName(const CHostDrive& drive)
{
    switch (drive.cluster.type) {
    case 0:
        return "Not configured";
    case 1:
        return "Cluster";
    case 2:
        return drive.cluster.owner == 0 ? "Priv./local" : "Priv./remote";
    default:
        return "---";
    }
}

// Shows the error of a failed call.
void ShowFailure(uint32_t code)
{
    ShowErrorCode(code);
}

// The host drive `number` again after a re-read, or null.
CHostDrive* Again(CController& controller, int number)
{
    const int h = controller.FindHostDrive(number);
    return h < 0 ? nullptr : &controller.hostDrives[h];
}

// Runs a change of the host drive under a wait box, then, when it
// succeeded and `reRead` is set, re-reads the configuration (which replaces
// the drive object). Either failure is shown; 1 when the change succeeded.
template <class Change>
int ChangeHostDrive(CController& controller, CHostDrive& drive, int reRead, Change change)
{
    ClosingScope wait = WaitBoxScope();
    if (!change(drive)) {
        const uint32_t code = drive.error;
        wait.release();
        ShowFailure(code);
        return 0;
    }
    const int read = reRead ? controller.ReadConfiguration() : 1;
    wait.release();
    if (read != 1)
        ShowFailure(controller.error);
    return 1;
}

// Sets attribute bits of the host drive, re-reading when asked.
int SetAttributeBits(CController& controller, CHostDrive& drive, int mask, int values, int reRead)
{
    return ChangeHostDrive(controller, drive, reRead,
                           [mask, values](CHostDrive& d) { return d.SetAttributes(mask, values, 0); });
}

// Disables and hides the items by the rules, in their order.
void SetMenuRules(CController& controller, CTagMenu& menu, const CHostDrive& drive, const CarrierRef& carrier)
{
    const int level = controller.FirmwareLevel();
    const int type = drive.cluster.type;
    const bool trackingOn = (drive.entry.attributes & trackingOffBit) == 0;
    if (drive.hostDriveCount < 2)
        menu.DisableItem(6);
    if (level >= 30) {
        if (type == 1) {
            menu.DisableItem(6);
            if (trackingOn)
                menu.DisableItem(12);
        } else {
            menu.HideItem(11);
            menu.HideItem(12);
            if (type == 2 && drive.cluster.owner != 0)
                menu.DisableItem(2);
        }
    }
    bool noHotFix = carrier.array == nullptr && carrier.mirror == nullptr;
    if (carrier.array != nullptr) {
        const uint8_t* info = carrier.array->info;
        const uint8_t raid = info[ARREC_TYPE];
        if (raid == 0 ||
            (raid != 4 && (info[ARREC_WRITE_PROTECTED] != 0 || info[317] != 0 ||
                           (level >= 30 && info[ARREC_OFFLINE] != 0))))
            noHotFix = true;
    }
    if (noHotFix) {
        menu.DisableItem(3);
        menu.DisableItem(4);
    }
    if (level < 19)
        menu.DisableItem(6);
    menu.DisableItem(7);
    if (controller.IsClusterEnabled() && wire::get32(controller.configPageA, pageAWord) > clusterPageFloor) {
        if (type == 1)
            menu.DisableItem(6);
        if (level < 30 || drive.carrierWord == carrierMirrorBit) {
            menu.DisableItem(11);
            menu.DisableItem(12);
        }
    } else {
        menu.DisableItem(10);
        menu.HideItem(11);
        menu.HideItem(12);
    }
}

void ChangeName(CController& controller, CHostDrive& drive)
{
    char text[8] = {};
    if (!AskDriveName(nameInput, std::string(drive.entry.name, strnlen(drive.entry.name, 7)), text))
        return;
    ChangeHostDrive(controller, drive, 1, [&text](CHostDrive& d) { return d.SetName(text); });
}

void AddHotFix(CController& controller, const CarrierRef& carrier)
{
    if (carrier.array != nullptr)
        AddArrayHotFix(controller, *carrier.array, 2);
    else if (carrier.logical != nullptr)
        AddRaid1Component(controller, *carrier.logical, 1);
}

void RemoveHotFix(CController& controller, const CarrierRef& carrier)
{
    if (carrier.array != nullptr)
        RemoveArrayHotFix(controller, *carrier.array);
    else if (carrier.mirror != nullptr)
        RemoveMirrorHotFix(controller, *carrier.mirror, 1);
}

void OverwriteMasterBootCode(CController& controller, CHostDrive& drive)
{
    if (!AskYesNo(MessageText("M3023"), 0))
        return;
    const int number = drive.hostDriveNumber;
    ShowWaitBox(MessageText("M2000"), 0);
    if (!drive.WriteMasterBootCode()) {
        controller.ReadConfiguration();
        CHostDrive* again = Again(controller, number);
        if (again != nullptr && !again->WriteMasterBootCode()) {
            CloseWaitBox();
            ShowFailure(again->error);
        }
    }
    CloseWaitBox();
    controller.AddFlags(2);
}

// The on/off menu from the current state; the choice or -1.
int AskOnOff(int on)
{
    return RunChoiceMenu(&hostOnOffMenu, 1, on ? 1 : 0);
}

void TransactionTracking(CController& controller, CHostDrive& drive)
{
    if (AccessedByOthers(controller, drive, false)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return;
    }
    const int choice = AskOnOff((drive.entry.attributes & trackingOffBit) == 0);
    if (choice == 0) {
        if (drive.carrierWord & (carrierMirrorBit | carrierArrayBit))
            ShowMessage(MessageText("M5065"), 1, 1);
        SetAttributeBits(controller, drive, trackingOffBit, trackingOffBit, 1);
    } else if (choice == 1) {
        if (SetAttributeBits(controller, drive, trackingOffBit, 0, 0))
            SetAttributeBits(controller, drive, writeBackOffBit, writeBackOffBit, 1);
    }
}

void WriteBackCache(CController& controller, CHostDrive& drive)
{
    if (AccessedByOthers(controller, drive, false)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return;
    }
    const int choice = AskOnOff((drive.entry.attributes & writeBackOffBit) == 0);
    if (choice == 0)
        SetAttributeBits(controller, drive, writeBackOffBit, writeBackOffBit, 1);
    else if (choice == 1 && AskYesNo(MessageText("M3114"), 1))
        SetAttributeBits(controller, drive, writeBackOffBit, 0, 1);
}

void WriteProtection(CController& controller, CHostDrive& drive)
{
    const bool protectedNow = (drive.entry.attributes & writeProtectBit) != 0;
    if (!AskYesNo(MessageText(protectedNow ? "M3068" : "M3067"), 0))
        return;
    SetAttributeBits(controller, drive, writeProtectBit, protectedNow ? 0 : writeProtectBit, 1);
}

}  // namespace

int RunChoiceMenu(MenuDef* def, int useRecordPosition, int startId, const int* disabled)
{
    CTagMenu menu(def, useRecordPosition);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return -1;
    }
    for (int i = 0; disabled != nullptr && disabled[i] >= 0; ++i)
        menu.DisableItem(disabled[i]);
    const int chosen = menu.Run(startId);
    if (chosen == -3)
        ShowMessage(MessageText("M4000"), 0, 1);
    return chosen < 0 ? -1 : chosen;
}

bool AccessedByOthers(const CController& controller, const CHostDrive& drive, bool fromLevel30)
{
    if (fromLevel30 && controller.FirmwareLevel() < 30)
        return false;
    return drive.cluster.shared != 0;
}

int SwapHostDrives(CController& controller, CHostDrive& drive)
{
    if (AccessedByOthers(controller, drive, true)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    if (!AskYesNo(MessageText("M3037"), 1))
        return 0;
    const int highest = controller.FirmwareLevel() < 25 ? 34 : 254;
    char prompt[64];
    tui::strPrintf(prompt, numberInput.prompt, highest);
    int target = -1;
    while (target < 0) {
        CInputBox box(&numberInput);
        if (!box.Open(prompt, nullptr)) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        char text[8] = {};
        box.Edit(std::span<char>(text, 4));
        if (box.LastKey() != tui::keyEnter)
            return 0;
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (text[0] >= '0' && text[0] <= '9' && end != nullptr && *end == '\0' && n >= 0 && n <= highest)
            target = static_cast<int>(n);
    }
    const int other = controller.FindHostDrive(target);
    if (other >= 0 && controller.hostDrives[other].cluster.type == 1) {
        tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText("M5073"), target);
        ShowMessage(SharedText(), 1, 1);
        return 0;
    }
    const ClosingScope access = ControllerAccess(controller, -1);
    if (!access) {
        ShowMessage(MessageText("M5042"), 1, 1);
        return 0;
    }
    const int ok = ChangeHostDrive(controller, drive, 1, [target](CHostDrive& d) { return d.SwapNumbers(target, 0); });
    controller.AddFlags(1);
    return ok;
}

int MergeHostDrives(CController& controller, CHostDrive& drive)
{
    if (AccessedByOthers(controller, drive, true)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    if (!AskYesNo(MessageText("M3111"), 1))
        return 1;
    if (ChangeHostDrive(controller, drive, 1, [](CHostDrive& d) { return d.Merge(0); }))
        controller.AddFlags(1);
    return 1;
}

int SetHostDriveClusterType(CController& controller, CHostDrive& drive)
{
    int enabled = 0;
    if (!drive.IsClusterEnabled(&enabled)) {
        ShowFailure(drive.error);
        return 0;
    }
    if (AccessedByOthers(controller, drive, true)) {
        ShowMessage(MessageText("M5066"), 1, 1);
        return 0;
    }
    const CarrierRef carrier = FindCarrier(controller, drive);
    if (carrier.array != nullptr && (carrier.array->info[ARREC_FLAGS] & 0x20) != 0) {
        ShowMessage(MessageText("M5072"), 0, 1);
        return 0;
    }
    int disabled[3] = {-1, -1, -1};
    int n = 0;
    if (enabled) {
        disabled[n++] = 0;
    } else {
        ShowMessage(MessageText("M4036"), 0, 1);
        disabled[n++] = 1;
    }
    if (enabled && controller.FirmwareLevel() >= 30) {
        const bool noCluster =
            drive.carrierWord == carrierMirrorBit || drive.SharesCarrier() ||
            (carrier.array != nullptr &&
             (carrier.array->info[ARREC_TYPE] == 4 || carrier.array->HasMirroredComponents())) ||
            (carrier.array == nullptr && carrier.mirror == nullptr && carrier.logical != nullptr &&
             (carrier.logical->kind & 3) != LDKIND_DISK);
        if (noCluster)
            disabled[n++] = 1;
    }
    const int type = RunChoiceMenu(&hostClusterMenu, 0, drive.cluster.type, disabled);
    if (type < 0)
        return 1;
    ClosingScope wait = WaitBoxScope();
    int ok = drive.SetClusterType(type, 0);
    if (ok && type == 1) {
        const int tracking = AskYesNo(MessageText("M3113"), 0);
        if (tracking)
            ok = drive.SetAttributes(writeBackOffBit, writeBackOffBit, 0);
        if (ok)
            ok = drive.SetAttributes(trackingOffBit, tracking ? 0 : trackingOffBit, 0);
    }
    if (!ok) {
        wait.release();
        ShowFailure(drive.error);
        return 1;
    }
    const int read = controller.ReadConfiguration();
    wait.release();
    if (!read)
        ShowFailure(controller.error);
    return 1;
}

int HostDriveMenu(CController& controller, CHostDrive& drive)
{
    if (drive.cluster.type == 2 && drive.cluster.owner != 0) {
        tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText("M5035"),
                       static_cast<unsigned long>(drive.cluster.owner));
        ShowMessage(SharedText(), 0, 1);
    }
    if (drive.cluster.type == 1 && drive.cluster.owner != 0) {
        ShowMessage(MessageText("M5036"), 0, 1);
        return 0;
    }
    const CarrierRef carrier = FindCarrier(controller, drive);
    if (carrier.logical == nullptr) {
        ShowMessage(MessageText("M5063"), 0, 1);
        return 0;
    }
    MenuDef* def = SetupMode() == advancedSetup ? &hostAdvancedMenu : &hostExpressMenu;
    int chosen;
    int key = 0;
    {
        CTagMenu menu(def, 1);
        if (!menu.IsOk()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        const int clusterItem = ItemIndex(*def, 10);
        menu.SetItemText(clusterItem, ClusterTypeName(drive));
        const int trackingItem = ItemIndex(*def, 11);
        if (trackingItem >= 0)
            menu.SetItemText(trackingItem, (drive.entry.attributes & trackingOffBit) ? "Off" : "On");
        const int cacheItem = ItemIndex(*def, 12);
        if (cacheItem >= 0)
            menu.SetItemText(cacheItem, (drive.entry.attributes & writeBackOffBit) ? "Off" : "On");
        if (!menu.Open()) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        SetMenuRules(controller, menu, drive, carrier);
        chosen = menu.Run(0, hostMenuKeys, &key);
        if (chosen == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        if (chosen < 0 && key == 0)
            return 1;
        if (controller.FirmwareLevel() >= 30 && drive.cluster.type == 1 && drive.cluster.hasAccess == 0) {
            ShowMessage(MessageText("M4045"), 1, 1);
            return 1;
        }
    }
    if (key == tui::keyF(9)) {
        WriteProtection(controller, drive);
        return 1;
    }
    switch (chosen) {
    case 0:
        ChangeName(controller, drive);
        break;
    case 1:
        SwapHostDrives(controller, drive);
        break;
    case 2:
        RemoveHostDrive(controller, drive);
        break;
    case 3:
        AddHotFix(controller, carrier);
        break;
    case 4:
        RemoveHotFix(controller, carrier);
        break;
    case 6:
        MergeHostDrives(controller, drive);
        break;
    case 8:
        OverwriteMasterBootCode(controller, drive);
        break;
    case 10:
        SetHostDriveClusterType(controller, drive);
        break;
    case 11:
        TransactionTracking(controller, drive);
        break;
    case 12:
        WriteBackCache(controller, drive);
        break;
    default:
        break;
    }
    return 1;
}
