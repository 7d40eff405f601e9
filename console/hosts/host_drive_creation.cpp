// The creation of a new host drive: the choice of free disks and of the
// drive type, and the creation inside the controller's Maintenance Mode.
#include "host_drives.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "array_records.h"
#include "byte_order.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "dialog_menu.h"
#include "disk_lines.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "host_drive_carrier.h"
#include "input_box.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "phys_drive_records.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr int typeCount = 11;
constexpr int highestCreatable = 99;
constexpr size_t pageAClusterChannels = 344;
constexpr uint16_t kindChain = 0x20;
constexpr uint16_t kindRaid0 = 0x10;
constexpr int featureRaid10 = 0x02;
constexpr int featureParity = 0x30;

MenuDef typeMenu = {61, 5, 0, " Choose Type ", nullptr,
                    {{"&Single Disk", 0},
                     {"&Chaining", 1},
                     {"RAID &0", 2},
                     {"RAID &1", 3},
                     {"RAID 1 + &HotFix", 4},
                     {"RAID &4", 5},
                     {"RAID 4 + H&otFix", 6},
                     {"RAID &5", 7},
                     {"RAID 5 + Ho&tFix", 8},
                     {"RAI&D 10", 9},
                     {"RAID 10 + Hot&Fix", 10},
                     {nullptr, 0}}};
MenuDef stripeMenu = {30, 10, 0, "Strip. Size", nullptr,
                      {{"   16 KB   ", 32}, {"   32 KB   ", 64}, {"   64 KB   ", 128}, {"  128 KB   ", 256}, {nullptr, 0}}};
MenuDef buildMenu = {20, 10, 0, " Choose Build Type ", nullptr,
                     {{"&Non-destructive    Build", 0}, {"&Destructive (fast) Build", 1}, {nullptr, 0}}};
InputDef capacityInput = {20, 11, 0, "Used Capacity per Drive (%ld..%ld MB): ", 10};

const int spaceKey[] = {' ', -1};

bool HotFixType(int t)
{
    return t == hostTypeRaid1HotFix || t == hostTypeRaid4HotFix || t == hostTypeRaid5HotFix ||
           t == hostTypeRaid10HotFix;
}

// The RAID code of an array type.
int RaidCode(int t)
{
    switch (t) {
    case hostTypeRaid4:
    case hostTypeRaid4HotFix:
        return RAID_TYPE_4;
    case hostTypeRaid5:
    case hostTypeRaid5HotFix:
        return RAID_TYPE_5;
    case hostTypeRaid10:
    case hostTypeRaid10HotFix:
        return RAID_TYPE_10;
    default:
        return RAID_TYPE_0;
    }
}

int HighestHostDriveNumber(const CController& controller)
{
    int highest = -1;
    for (int i = 0; i < controller.hostDrives.count; ++i)
        highest = std::max(highest, controller.hostDrives[i].hostDriveNumber);
    return highest;
}

// A disk whose private host drive another controller has mounted.
bool MountedElsewhere(CPhysDrive& d)
{
    return d.GetInfo()[DEVINFO_INITIALISED] != 0 && d.ReadOwnership() && d.GetOwnership()[OWNERSHIP_FLAGS] != 0;
}

bool OldFormatInitialised(const CPhysDrive& d)
{
    return d.GetInfo()[DEVINFO_INITIALISED] != 0 && d.GetInfo()[DEVINFO_FORMAT] == oldDiskFormat;
}

// The parameters a new disk is initialised with, by its channel's speed code.
DiskParameters NewDiskParameters(const CController& controller, const CPhysDrive& d)
{
    const uint8_t speed = ChannelBusType(controller, d.GetChannel());
    DiskParameters p;
    if (speed >= 8 && speed <= 10) {
        p.transferMode = 0x31;
        p.transferRate = 160000;
    } else if (speed == 11 || speed == 12) {
        p.transferMode = 0x31;
        p.transferRate = 320000;
    } else {
        p.transferMode = 0x11;
        p.transferRate = 80000;
    }
    p.disconnect = 1;
    p.syncTransfer = 1;
    p.cacheBits = controller.FirmwareLevel() < 19 ? 1 : 0x14;
    p.taggedQueues = 1;
    p.domainValidation = 0;
    p.diskFormat = 2;
    return p;
}

// The capacity dialog: the value chosen in MB, the upper bound for ESC.
long AskCapacity(const CController& controller, long upper)
{
    const long lower = controller.FirmwareVersion() < 0x1F0000
                           ? 1
                           : static_cast<long>(wire::get32(controller.boardDetails, boardDetailsReservedArea) >> 20) + 1;
    char prompt[96];
    tui::strPrintf(prompt, capacityInput.prompt, lower, upper);
    for (;;) {
        CInputBox box(&capacityInput);
        if (!box.Open(prompt, nullptr)) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return upper;
        }
        char text[16];
        tui::strPrintf(text, "%ld", upper);
        box.Edit(std::span<char>(text, 11));
        if (box.LastKey() != tui::keyEnter)
            return upper;
        const long value = std::atol(text);
        if (value >= lower && value <= upper)
            return value;
    }
}

// Enables the type items by the disk count and the controller's features.
void EnableTypes(const CController& controller, CTagMenu& menu, int c)
{
    for (int id = 0; id < typeCount; ++id)
        menu.DisableItem(id);
    const int features = controller.info.featureByte;
    if (c >= 1)
        menu.EnableItem(hostTypeSingle);
    if (c >= 2) {
        if (controller.info.chainingValue != 0)
            menu.EnableItem(hostTypeChaining);
        if (controller.info.raid0Value != 0 || (features & featureRaid0))
            menu.EnableItem(hostTypeRaid0);
        if (controller.info.raid1Value != 0) {
            menu.EnableItem(hostTypeRaid1);
            if (c >= 3)
                menu.EnableItem(hostTypeRaid1HotFix);
        }
    }
    if (features & featureParity) {
        if (c >= 3) {
            menu.EnableItem(hostTypeRaid4);
            menu.EnableItem(hostTypeRaid5);
        }
        if (c >= 4) {
            menu.EnableItem(hostTypeRaid4HotFix);
            menu.EnableItem(hostTypeRaid5HotFix);
        }
    }
    if (features & featureRaid10) {
        if (c >= 4 && c % 2 == 0)
            menu.EnableItem(hostTypeRaid10);
        if (c >= 5 && c % 2 == 1)
            menu.EnableItem(hostTypeRaid10HotFix);
    }
}

int DefaultType(int c)
{
    return c >= 4 ? hostTypeRaid5HotFix : c == 3 ? hostTypeRaid5 : c == 2 ? hostTypeRaid1 : hostTypeSingle;
}

// One creation run, with the state its steps share.
class Creation {
public:
    Creation(CController& controller, int count, const int* disks, int type)
        : c_(controller), disks_(disks, disks + count), t_(type)
    {
    }

    int Run();

private:
    // The failure end: the failing code (0: already shown), then leaving
    // Maintenance Mode and re-reading.
    int Fail(uint32_t code);
    bool PrepareDisks();
    // Re-reads the configuration after a step; false with the controller's code.
    bool ReRead();
    bool MakeLogicalDrives();
    bool MakeRedundancy();
    bool MakeArray(CLogDrive& master, int members);
    void FinishHostDrives();
    int Number(int k) const { return numbers_[static_cast<size_t>(k)]; }

    CController& c_;
    std::vector<int> disks_;
    int t_;
    int chosen_ = -1;                 // the chosen free drive number
    std::vector<int> numbers_;        // drive numbers in selection order
    int newNumber_ = -1;
    int clusterAnswer_ = 0;
    uint32_t failure_ = 0;
};

int Creation::Fail(uint32_t code)
{
    CloseWaitBox();
    if (code != 0)
        ShowErrorCode(code);
    ShowWaitBox(MessageText("M2000"), 0);
    c_.LeaveDriveMaintenance(-1);
    const int read = c_.Refresh();
    CloseWaitBox();
    if (!read)
        ShowErrorCode(c_.error);
    return 0;
}

bool Creation::ReRead()
{
    if (c_.ReadConfiguration() == 1)
        return true;
    failure_ = c_.error;
    return false;
}

bool Creation::PrepareDisks()
{
    const bool reformat = c_.FirmwareVersion() > 0x20FFFF && !NonBuildMode(c_);
    for (const int i : disks_) {
        CPhysDrive& d = c_.physDrives[i];
        if (reformat && OldFormatInitialised(d)) {
            if (!d.Deinitialize()) {
                failure_ = d.error;
                return false;
            }
            d.Refresh();
        }
        if (d.GetInfo()[DEVINFO_INITIALISED] != 0)
            continue;
        DiskParameters p = NewDiskParameters(c_, d);
        if (!d.Initialize(&p)) {
            CloseWaitBox();
            const int channel = d.GetChannel();
            tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText("M4052"), DeviceName(d),
                           channel >= 0 && channel < CONTROLLER_MAX_CHANNELS ? c_.channels[channel].name : "",
                           d.GetPosition());
            ShowMessage(SharedText(), 1, 1);
            failure_ = 0;
            return false;
        }
    }
    return true;
}

bool Creation::MakeLogicalDrives()
{
    const int count = static_cast<int>(disks_.size());
    const int chosenEntry = FreeEntryIndex(c_, chosen_);
    if (t_ == hostTypeChaining || (t_ == hostTypeRaid0 && !(c_.info.featureByte & featureRaid0))) {
        CFreeDrive entry = c_.freeDrives[chosenEntry];
        for (const int i : disks_)
            entry.AddDisk(i);
        if (!entry.Create(t_ == hostTypeChaining ? kindChain : kindRaid0, 1)) {
            failure_ = entry.error;
            return false;
        }
        newNumber_ = chosen_;
        numbers_.assign(1, chosen_);
        return true;
    }
    // The smallest disk takes the chosen number, the others the next free ones.
    int smallest = 0;
    for (int k = 1; k < count; ++k)
        if (wire::get32(c_.physDrives[disks_[static_cast<size_t>(k)]].GetInfo(), DEVINFO_CAPACITY) <
            wire::get32(c_.physDrives[disks_[static_cast<size_t>(smallest)]].GetInfo(), DEVINFO_CAPACITY))
            smallest = k;
    std::vector<CFreeDrive> entries;
    numbers_.assign(static_cast<size_t>(count), -1);
    int next = 0;
    for (int k = 0; k < count; ++k) {
        int e = chosenEntry;
        if (k != smallest) {
            if (next == chosenEntry)
                ++next;
            e = next++;
        }
        entries.push_back(c_.freeDrives[e]);
        numbers_[static_cast<size_t>(k)] = entries.back().driveNumber;
    }
    for (int k = 0; k < count; ++k)
        entries[static_cast<size_t>(k)].AddDisk(disks_[static_cast<size_t>(k)]);
    const bool mirror = t_ == hostTypeRaid1 || t_ == hostTypeRaid1HotFix;
    bool asked = false;
    for (int k = 0; k < count; ++k) {
        CFreeDrive& entry = entries[static_cast<size_t>(k)];
        const int last = k == count - 1 ? 1 : 0;
        int ok;
        if (mirror && k == smallest) {
            ShowWaitBox(MessageText("M2000"), 0);
            ok = entry.CreateLogicalDrive(0);
            uint32_t capacity = 0;
            if (ok)
                ok = entry.GetCapacity(&capacity);
            if (ok) {
                const long upper = static_cast<long>(capacity >> 11);
                CloseWaitBox();
                const long value = AskCapacity(c_, upper);
                if (value != upper)
                    ok = entry.SetUsedCapacity(static_cast<uint32_t>(value) << 11);
            }
            ShowWaitBox(MessageText("M2000"), 0);
            if (ok)
                ok = entry.Commit(last);
        } else {
            ok = entry.Create(0, last);
        }
        if (!ok) {
            failure_ = entry.error != 0 ? entry.error : c_.error;
            return false;
        }
        if (t_ == hostTypeSingle && !asked) {
            asked = true;
            clusterAnswer_ = AskClusterDriveType(c_, count, disks_.data(), 0);
        }
    }
    return true;
}

bool Creation::MakeArray(CLogDrive& master, int members)
{
    int code = RaidCode(t_);
    int stripe = c_.FirmwareLevel() < 24 ? 64 : 256;
    CloseWaitBox();  // the choices below come first
    if (SetupMode() == advancedSetup) {
        const int picked = RunChoiceMenu(&stripeMenu, 1, stripe);
        if (picked > 0)
            stripe = picked;
    }
    int spans = 0;
    int arrayNumber = -1;
    if (c_.FirmwareLevel() < 19) {
        ShowWaitBox(MessageText("M2000"), 0);
        if (!master.CreateArrayWithHostDrive(code, &spans, &arrayNumber, static_cast<uint32_t>(stripe), 0)) {
            failure_ = master.error;
            return false;
        }
        newNumber_ = arrayNumber >= 0 ? arrayNumber : chosen_;
        return ReRead();
    }
    clusterAnswer_ = AskClusterDriveType(c_, static_cast<int>(disks_.size()), disks_.data(), code);
    if (code != RAID_TYPE_10 && !clusterAnswer_ && Options().destructive && c_.FirmwareVersion() > 0x180002 &&
        t_ >= hostTypeRaid4 && t_ <= hostTypeRaid5HotFix && !NonBuildMode(c_)) {
        if (RunChoiceMenu(&buildMenu, 1, 1) == 1) {
            code |= RAID_DESTRUCTIVE;
            ShowMessage(MessageText("M5041"), 0, 1);
        }
    }
    ShowWaitBox(MessageText("M2000"), 0);
    if (!master.CreateArray(code, &spans, &arrayNumber, static_cast<uint32_t>(stripe))) {
        failure_ = master.error;
        return false;
    }
    uint32_t largest = 0;
    uint32_t capacity = 0;
    if (!master.GetArrayCapacity(&largest, &capacity)) {
        failure_ = master.error;
        return false;
    }
    const int raid = code & ~RAID_DESTRUCTIVE;
    int divisor = raid == RAID_TYPE_0 ? members : raid == RAID_TYPE_10 ? members / 2 : members - 1;
    divisor = std::max(divisor, 1);
    const long upper = static_cast<long>(largest >> 11) / divisor;
    CloseWaitBox();
    const long value = AskCapacity(c_, upper);
    if (value != upper)
        master.SetArrayCapacity(static_cast<uint32_t>(value * divisor) << 11);
    ShowWaitBox(MessageText("M2000"), 0);
    newNumber_ = arrayNumber >= 0 ? arrayNumber : chosen_;
    master.CreateArrayHostDrive(0);
    return ReRead();
}

bool Creation::MakeRedundancy()
{
    const int count = static_cast<int>(disks_.size());
    int hotFix = -1;
    if (HotFixType(t_)) {
        hotFix = Number(count - 1);
        if (hotFix == chosen_ && count >= 2)
            hotFix = Number(count - 2);
    }
    int m = c_.FindLogicalDrive(chosen_);
    if (m < 0) {
        failure_ = c_.error;
        return false;
    }
    CLogDrive& master = c_.logDrives[m];
    int members = 1;
    for (int k = 0; k < count; ++k) {
        const int n = Number(k);
        if (n == chosen_ || n == hotFix)
            continue;
        const int i = c_.FindLogicalDrive(n);
        if (i < 0) {
            failure_ = c_.error;
            return false;
        }
        master.AddPendingComponent(i);
        ++members;
    }
    if (t_ == hostTypeRaid1 || t_ == hostTypeRaid1HotFix) {
        ShowWaitBox(MessageText("M2000"), 0);
        if (!master.MakeMirror(0)) {
            failure_ = master.error;
            return false;
        }
        newNumber_ = chosen_;
        if (!ReRead())
            return false;
        if (t_ == hostTypeRaid1HotFix) {
            const int mi = c_.FindMirrorDrive(chosen_);
            const int hi = c_.FindLogicalDrive(hotFix);
            if (mi < 0 || hi < 0) {
                failure_ = c_.error;
                return false;
            }
            CMirrorDrive& mirror = c_.mirrorDrives[mi];
            mirror.AddPendingComponent(hi);
            if (!mirror.AddHotFixDrives(0)) {
                failure_ = mirror.error;
                return false;
            }
        }
        return true;
    }
    if (!MakeArray(master, members))
        return false;
    if (hotFix >= 0) {
        const int ai = c_.FindArrayDrive(newNumber_);
        const int hi = c_.FindLogicalDrive(hotFix);
        if (ai < 0 || hi < 0) {
            failure_ = c_.error;
            return false;
        }
        CArrayDrive& array = c_.arrayDrives[ai];
        array.AddPendingComponent(hi);
        if (!array.AddHotFixDrives(0, 0)) {
            failure_ = array.error;
            return false;
        }
    }
    return true;
}

void Creation::FinishHostDrives()
{
    const std::vector<int> created = t_ == hostTypeSingle ? numbers_ : std::vector<int>{newNumber_};
    for (const int n : created) {
        const int h = c_.FindHostDrive(n);
        if (h < 0)
            continue;
        int enabled = 0;
        CHostDrive& drive = c_.hostDrives[h];
        if (drive.IsClusterEnabled(&enabled) && enabled)
            drive.SetWriteBackCache(0);
    }
    if (t_ > hostTypeRaid0) {
        CloseWaitBox();
        SetupEnclosureSlots(c_, static_cast<int>(disks_.size()), disks_.data());
    }
    if (clusterAnswer_)
        for (const int n : created)
            MakeClusterHostDrive(c_, n);
}

int Creation::Run()
{
    const int count = static_cast<int>(disks_.size());
    const int highest = HighestHostDriveNumber(c_);
    const bool stripeInOne = t_ == hostTypeChaining || (t_ == hostTypeRaid0 && !(c_.info.featureByte & featureRaid0));
    const int needed = stripeInOne ? 1 : count;
    if (c_.freeDrives.count == 0 || c_.freeDrives.count < needed) {
        ShowMessage(MessageText("M4035"), 1, 1);
        return 0;
    }
    char question[512];
    if (NonBuildMode(c_) && t_ >= hostTypeRaid4 && t_ <= hostTypeRaid5HotFix)
        tui::strPrintf(question, "%s", MessageText("M3041"));
    else
        tui::strPrintf(question, MessageText("M3006"), "Host");
    if (!AskYesNo(question, 1))
        return 0;
    for (int k = 0; k < c_.freeDrives.count && chosen_ < 0; ++k)
        if (c_.freeDrives[k].driveNumber > highest)
            chosen_ = c_.freeDrives[k].driveNumber;
    if (chosen_ < 0) {
        ShowMessage(MessageText("M4035"), 1, 1);
        return 0;
    }
    if (!c_.EnterDriveMaintenance(-1)) {
        c_.LeaveDriveMaintenance(-1);
        if (!c_.EnterDriveMaintenance(-1)) {
            ShowMessage(MessageText("M5042"), 1, 1);
            return Fail(0);
        }
    }
    ShowWaitBox(MessageText("M2000"), 0);
    if (!PrepareDisks())
        return Fail(failure_);
    c_.AddFlags(1);
    if (!MakeLogicalDrives())
        return Fail(failure_);
    if (t_ != hostTypeSingle) {
        if (newNumber_ < 0 && !MakeRedundancy())
            return Fail(failure_);
    }
    FinishHostDrives();
    ShowWaitBox(MessageText("M2000"), 0);
    const int read = c_.Refresh();
    if (!read) {
        CloseWaitBox();
        ShowErrorCode(c_.error);
        ShowWaitBox(MessageText("M2000"), 0);
    }
    c_.LeaveDriveMaintenance(-1);
    c_.NotifyOsDriveChange(t_ == hostTypeSingle && !numbers_.empty() ? numbers_.front() : newNumber_, 0);
    CloseWaitBox();
    return 1;
}

// The disk list's lines with their marks.
void FillDiskLines(CListBox& list, const CController& controller, const std::vector<int>& candidates,
                   const std::vector<bool>& marked)
{
    for (size_t k = 0; k < candidates.size(); ++k)
        list.SetLine(static_cast<int>(k), marked[k] ? '*' : ' ',
                     DiskLineText(controller, controller.physDrives[candidates[k]]));
}

}  // namespace

int FreeEntryIndex(const CController& controller, int number)
{
    for (int k = 0; k < controller.freeDrives.count; ++k)
        if (controller.freeDrives[k].driveNumber == number)
            return k;
    return -1;
}

int BuildNewHostDrive(CController& controller, int count, const int* disks, int type)
{
    if (count <= 0 || disks == nullptr)
        return 0;
    Creation creation(controller, count, disks, type);
    return creation.Run();
}

int AskClusterDriveType(CController& controller, int count, const int* disks, int raidCode)
{
    const int raid = raidCode & ~RAID_DESTRUCTIVE;
    if (!controller.IsClusterEnabled() || (controller.FirmwareLevel() >= 30 && raid != 0 && raid != 5))
        return 0;
    const uint32_t mask = controller.configPageA[pageAClusterChannels];
    for (int k = 0; k < count; ++k) {
        const int channel = controller.physDrives[disks[k]].GetChannel();
        if (channel < 0 || channel >= controller.info.channelCount || channel >= 8 || !(mask & (1u << channel)))
            return 0;
    }
    WaitBoxPause pause;
    return AskYesNo(MessageText("M3105"), 0);
}

int MakeClusterHostDrive(CController& controller, int number)
{
    const int h = controller.FindHostDrive(number);
    if (h < 0)
        return 0;
    ClosingScope wait = WaitBoxScope();
    CHostDrive& drive = controller.hostDrives[h];
    if (!drive.SetClusterType(controller.FirmwareLevel() < 30 ? 2 : 1, 0)) {
        const uint32_t code = drive.error;
        wait.release();
        ShowErrorCode(code);
        return 0;
    }
    const int read = controller.ReadConfiguration();
    wait.release();
    if (read != 1)
        ShowErrorCode(controller.error);
    return 1;
}

int CreateNewHostDrive(CController& controller)
{
    if (HighestHostDriveNumber(controller) >= highestCreatable) {
        tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText("M5060"), highestCreatable);
        ShowMessage(SharedText(), 1, 1);
        return 0;
    }
    std::vector<int> candidates;
    for (int i = 0; i < controller.physDrives.count; ++i) {
        CPhysDrive& d = controller.physDrives[i];
        if (!IsFreeDisk(controller, d))
            continue;
        if (controller.FirmwareLevel() >= 30 && MountedElsewhere(d))
            continue;
        candidates.push_back(i);
    }
    if (candidates.empty()) {
        ShowMessage(MessageText("M5003"), 0, 1);
        return 0;
    }
    std::vector<bool> marked(candidates.size(), false);
    const bool askFormat = controller.FirmwareVersion() > 0x20FFFF && SetupMode() == advancedSetup &&
                           !NonBuildMode(controller);
    CListBox list(DiskListDef(controller), static_cast<int>(candidates.size()), 1);
    if (!list.IsOk() || !list.Open(nullptr, MessageText("M1005"))) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 1;
    }
    // Shown before the type menu opens beside it, so that its saved
    // background holds what lies under both.
    FillDiskLines(list, controller, candidates, marked);
    list.Show();
    CTagMenu types(&typeMenu, 1);
    if (!types.IsOk() || !types.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 1;
    }
    int line = 0;
    for (;;) {
        FillDiskLines(list, controller, candidates, marked);
        const int selected = static_cast<int>(std::count(marked.begin(), marked.end(), true));
        EnableTypes(controller, types, selected);
        types.SetShowSelection(0);
        types.SetFrameAttr(types.InactiveFrameAttr());
        types.Show();
        list.SetShowSelection(1);
        int key = 0;
        const int result = list.Run(line, spaceKey, &key);
        if (result < 0) {
            if (result == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        line = result;
        if (key == ' ') {
            const size_t k = static_cast<size_t>(result);
            if (!marked[k] && askFormat && OldFormatInitialised(controller.physDrives[candidates[k]]) &&
                !AskYesNo(MessageText("M3109"), 1))
                continue;
            marked[k] = !marked[k];
            continue;
        }
        std::vector<int> disks;
        for (size_t k = 0; k < candidates.size(); ++k)
            if (marked[k])
                disks.push_back(candidates[k]);
        if (disks.empty())
            continue;
        list.SetShowSelection(0);
        list.SetFrameAttr(list.InactiveFrameAttr());
        list.Show();
        types.SetShowSelection(1);
        const int type = types.Run(DefaultType(static_cast<int>(disks.size())));
        if (type == -3)
            ShowMessage(MessageText("M4000"), 0, 1);
        if (type < 0)
            continue;
        if (BuildNewHostDrive(controller, static_cast<int>(disks.size()), disks.data(), type) == 1)
            return 1;
    }
}
