#include "drive_choice.h"

#include <cstring>
#include <string>
#include <vector>

#include "array_drive_parts.h"
#include "byte_order.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "logical_drive_parts.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "model_errors.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr uint32_t oldFormatFirmware = 0x20FFFF;
constexpr uint8_t ownershipLevel = 30;

ListDef candidateList = {3, 5, 0, 1, 70, -1, nullptr, nullptr,
                         " Type   Chn-ID/No  Name                     Capacity  belongs to   ",
                         {" %-6s %-9s  %-24s%7ld MB  %-13s", nullptr}};

// Points the reference at drive `number` of its kind; 0 when it is gone.
int FindRefByNumber(CController& controller, DriveRef& ref, int number)
{
    int k = -1;
    switch (ref.kind) {
    case driveRefArray:
        k = controller.FindArrayDrive(number);
        ref.array = k >= 0 ? &controller.arrayDrives[k] : nullptr;
        break;
    case driveRefMirror:
        k = controller.FindMirrorDrive(number);
        ref.mirror = k >= 0 ? &controller.mirrorDrives[k] : nullptr;
        break;
    case driveRefLogical:
        k = controller.FindLogicalDrive(number);
        ref.logical = k >= 0 ? &controller.logDrives[k] : nullptr;
        break;
    default:
        break;
    }
    return k >= 0 ? 1 : 0;
}

// The candidates of `flags` for a drive of at least `capacity` sectors.
std::vector<DriveCandidate> CollectCandidates(CController& controller, const DriveRef& ref, uint32_t capacity,
                                              int diskFormat, int flags)
{
    std::vector<DriveCandidate> out;
    if (flags & candidateFreeLogical) {
        for (int i = 0; i < controller.logDrives.count; ++i) {
            CLogDrive& d = controller.logDrives[i];
            // The referenced drive itself is never its own new component.
            if (ref.kind == driveRefLogical && ref.logical == &d)
                continue;
            if (d.arrayIndex < 0 && d.mirrorIndex < 0 && (d.GetNumber() & sharedBit) == 0 &&
                d.GetInfo()[LDINFO_USABLE] != 0 && LogicalCapacity(d) >= capacity && !d.IsPoolHotFix())
                out.push_back({candidateFreeLogical, &d, nullptr});
        }
    }
    if (flags & candidateNewDisk) {
        for (int i = 0; i < controller.physDrives.count; ++i) {
            CPhysDrive& d = controller.physDrives[i];
            const uint8_t* info = d.GetInfo();
            // The link of the last configuration read goes first: the
            // device information is only as new as the last scan.
            if (d.DeviceType() != DEVICE_TYPE_DISK || d.logDriveIndex >= 0 ||
                wire::get16(info, DEVINFO_LOG_DRIVE) != noLogicalDrive ||
                !DiskHasCapacity(controller, d, capacity, diskFormat) || info[DEVINFO_READY] == 0)
                continue;
            if (controller.FirmwareLevel() >= ownershipLevel && info[DEVINFO_INITIALISED] != 0 && d.ReadOwnership() &&
                OwnedByOtherController(controller, d))
                continue;
            out.push_back({candidateNewDisk, nullptr, &d});
        }
    }
    if (flags & candidateHotPlug)
        out.push_back({candidateHotPlug, nullptr, nullptr});
    return out;
}

// Shows the chosen line of the candidate list.
void SetCandidateLine(CListBox& list, int line, const CController& controller, const DriveCandidate& c)
{
    if (c.kind == candidateFreeLogical) {
        char number[16];
        tui::strPrintf(number, "No. %3d", c.logical->GetNumber() & (sharedBit - 1));
        const std::string label = LogicalDriveHostLabel(controller, *c.logical);
        list.SetLine(line, "Log", number, DriveName(*c.logical), static_cast<long>(LogicalCapacity(*c.logical) >> 11),
                     label);
    } else if (c.kind == candidateNewDisk) {
        const uint8_t* info = c.disk->GetInfo();
        const int channel = c.disk->GetChannel();
        char place[32];
        tui::strPrintf(place, "%s %s",
                       channel >= 0 && channel < CONTROLLER_MAX_CHANNELS ? controller.channels[channel].name : "",
                       c.disk->GetPosition());
        const uint64_t blocks = wire::get32(info, DEVINFO_CAPACITY);
        const uint64_t blockSize = wire::get16(info, DEVINFO_BLOCK_SIZE);
        list.SetLine(line, "Disk", place, DeviceName(*c.disk), static_cast<long>((blockSize * (blocks / 1024)) >> 10),
                     "---");
    } else {
        list.SetLineText(line, MessageText("M1069"));
    }
}

}  // namespace

DiskParameters NewDiskParameters(const CController& controller, const CPhysDrive& disk, int diskFormat)
{
    const uint8_t bus = ChannelBusType(controller, disk.GetChannel());
    DiskParameters p;
    if (bus >= 8 && bus <= 10) {
        p.transferMode = 49;
        p.transferRate = 160000;
    } else if (bus == 11 || bus == 12) {
        p.transferMode = 49;
        p.transferRate = 320000;
    } else {
        p.transferMode = 17;
        p.transferRate = 80000;
    }
    p.disconnect = 1;
    p.syncTransfer = 1;
    p.cacheBits = controller.FirmwareLevel() <= 18 ? 1 : 20;
    p.taggedQueues = 1;
    p.domainValidation = 0;
    p.diskFormat = static_cast<uint8_t>(diskFormat);
    return p;
}

int EnterDriveRefMaintenance(DriveRef& ref, int flag)
{
    switch (ref.kind) {
    case driveRefArray:
        return ref.array ? EnterArrayMaintenance(*ref.array, flag) : 0;
    case driveRefMirror:
        return ref.mirror ? EnterMirrorMaintenance(*ref.mirror, flag) : 0;
    case driveRefLogical:
        return ref.logical ? EnterLogicalMaintenance(*ref.logical, 1) : 0;
    default:
        return 0;
    }
}

int LeaveDriveRefMaintenance(DriveRef& ref, int flag)
{
    if (ref.kind == driveRefArray && ref.array)
        LeaveArrayMaintenance(*ref.array, flag);
    else if (ref.kind == driveRefMirror && ref.mirror)
        LeaveMirrorMaintenance(*ref.mirror, flag);
    else if (ref.kind == driveRefLogical && ref.logical)
        LeaveLogicalMaintenance(*ref.logical, 1);
    return 1;
}

int DriveRefNumber(const DriveRef& ref)
{
    if (ref.kind == driveRefArray && ref.array)
        return ref.array->arrayNumber;
    if (ref.kind == driveRefMirror && ref.mirror)
        return ref.mirror->mirrorNumber;
    if (ref.kind == driveRefLogical && ref.logical)
        return ref.logical->GetNumber();
    return -1;
}

int DriveRefHasOldFormatMembers(const DriveRef& ref)
{
    if (ref.kind == driveRefArray && ref.array)
        return ref.array->HasOldFormatMembers() ? 1 : 0;
    if (ref.kind == driveRefMirror && ref.mirror)
        return ref.mirror->HasOldFormatMembers() ? 1 : 0;
    if (ref.kind == driveRefLogical && ref.logical)
        return ref.logical->HasOldFormatMembers() ? 1 : 0;
    return 0;
}

int FindDriveRefAgain(CController& controller, DriveRef& ref)
{
    return FindRefByNumber(controller, ref, DriveRefNumber(ref));
}

uint32_t ArrayComponentCapacity(const CArrayDrive& array)
{
    // The data-carrying components, private hot fix drives left out.
    int count = 0;
    const CController* owner = array.controller;
    for (int i = 0; i < array.components.count; ++i) {
        const int k = array.components[i];
        if (owner == nullptr || k < 0 || k >= owner->logDrives.count || !owner->logDrives[k].isPrivateHotFix)
            ++count;
    }
    if (array.Type() == RAID_TYPE_5)
        --count;
    return count > 0 ? array.Capacity() / static_cast<uint32_t>(count) : 0;
}

uint32_t MirrorComponentCapacity(const CController& controller, const CMirrorDrive& mirror)
{
    if (mirror.components.count == 0 || mirror.components[0] < 0 ||
        mirror.components[0] >= controller.logDrives.count)
        return 0;
    return LogicalCapacity(controller.logDrives[mirror.components[0]]);
}

uint32_t DriveCapacity(const CController& controller, const DriveRef& ref)
{
    if (ref.kind == driveRefArray && ref.array)
        return ArrayComponentCapacity(*ref.array);
    if (ref.kind == driveRefMirror && ref.mirror)
        return MirrorComponentCapacity(controller, *ref.mirror);
    if (ref.kind == driveRefLogical && ref.logical)
        return LogicalCapacity(*ref.logical);
    return 0;
}

int SelectReplacementDrive(CController& controller, const DriveRef& ref, DriveCandidate* chosen, int flags)
{
    const uint32_t capacity = DriveCapacity(controller, ref);
    const int format = DriveRefHasOldFormatMembers(ref) ? 1 : 2;
    const std::vector<DriveCandidate> candidates = CollectCandidates(controller, ref, capacity, format, flags);
    if (candidates.empty()) {
        ShowMessage(MessageText("M5006"), 0, 1);
        return 0;
    }
    CListBox list(&candidateList, static_cast<int>(candidates.size()), 1);
    if (!list.IsOk() || !list.Open(MessageText("M1019"))) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    for (size_t k = 0; k < candidates.size(); ++k)
        SetCandidateLine(list, static_cast<int>(k), controller, candidates[k]);
    const int line = list.Run(0);
    if (line == -3)
        ShowMessage(MessageText("M4000"), 0, 1);
    if (line < 0 || line >= static_cast<int>(candidates.size()))
        return 0;
    *chosen = candidates[static_cast<size_t>(line)];
    return 1;
}

int AddDriveToArray(CController& controller, DriveRef& ref, int flags, CLogDrive* replace, int ask,
                    const HotPlugStep& hotPlug)
{
    DriveCandidate chosen;
    if (!SelectReplacementDrive(controller, ref, &chosen, flags))
        return -1;
    if (chosen.kind == candidateFreeLogical) {
        if (ask && !AskYesNo(MessageText("M3008"), 0))
            return -1;
        return controller.FindLogicalDrive(chosen.logical->GetNumber());
    }
    if (chosen.kind == candidateNewDisk) {
        if (ask && !AskYesNo(MessageText("M3008"), 0))
            return -1;
        const int format = DriveRefHasOldFormatMembers(ref) ? 1 : 2;
        const int refNumber = DriveRefNumber(ref);
        if (!EnterDriveRefMaintenance(ref, 0))
            return -1;
        // Given back through the reference as it stands then.
        ClosingScope access([&ref] { LeaveDriveRefMaintenance(ref, 0); });
        int number = -1;
        int result = -1;
        if (InitializeNewLogicalDrive(controller, *chosen.disk, &number, 1, 0, format))
            result = controller.FindLogicalDrive(number);
        // The logical drive list grew: the reference's object may have moved.
        FindRefByNumber(controller, ref, refNumber);
        const ClosingScope wait = WaitBoxScope();
        access.release();
        return result;
    }
    if (ask && !AskYesNo(MessageText("M3039"), 0))
        return -1;
    if (replace == nullptr) {
        int number = -1;
        if (!hotPlug.plugDisk(controller, 1, &number, -1, -1) || number < 0)
            return -1;
        return controller.FindLogicalDrive(number);
    }
    return hotPlug.replaceDisk(controller, *replace) ? -2 : -1;
}

int InitializeNewLogicalDrive(CController& controller, CPhysDrive& disk, int* number, int reread, int freePosition,
                              int diskFormat)
{
    if (number)
        *number = -1;
    if (controller.FirmwareVersion() > oldFormatFirmware && disk.GetInfo()[DEVINFO_INITIALISED] != 0 &&
        disk.GetInfo()[DEVINFO_FORMAT] != diskFormat) {
        disk.Deinitialize();
        disk.Refresh();
    }
    if (disk.GetInfo()[DEVINFO_INITIALISED] == 0) {
        DiskParameters p = NewDiskParameters(controller, disk, diskFormat);
        ShowWaitBox(MessageText("M2000"), 0);
        const int ok = disk.Initialize(&p);
        CloseWaitBox();
        if (!ok) {
            ShowErrorCode(disk.error);
            return 0;
        }
    }
    if (freePosition < 0 || freePosition >= controller.freeDrives.count) {
        // No drive number left for a new logical drive.
        ShowErrorCode(MODERR_NO_SPACE);
        return 0;
    }
    // A copy: the creation may re-read the list the entry lives in.
    CFreeDrive entry = controller.freeDrives[freePosition];
    controller.AddFlags(1);
    const int diskIndex = controller.FindPhysDrive(disk.GetChannel(), disk.GetTargetId(), disk.GetLun());
    entry.AddDisk(diskIndex);
    ShowWaitBox(MessageText("M2000"), 0);
    const int created = entry.Create(DRIVE_TYPE_SINGLE, 0);
    CloseWaitBox();
    if (!created) {
        ShowErrorCode(entry.error);
        return 0;
    }
    const int at = controller.logDrives.count;
    if (!controller.logDrives.SetSize(at + 1)) {
        ShowMessage(MessageText("M4005"), 1, 1);
        return 0;
    }
    controller.logDrives[at] = CLogDrive(entry.controllerNumber, entry.driveNumber, 0, 0, 0, &controller, reread);
    if (number)
        *number = entry.driveNumber;
    return 1;
}
