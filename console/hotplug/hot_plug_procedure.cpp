#include "hot_plug_procedure.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "array_drive.h"
#include "array_drive_parts.h"
#include "byte_order.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "drive_maintenance.h"
#include "error_message.h"
#include "log_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"
#include "record_values.h"
#include "str_printf.h"

const char* ChannelNameOf(const CController& controller, int channel)
{
    return channel >= 0 && channel < CONTROLLER_MAX_CHANNELS ? controller.channels[channel].name : "";
}

std::string PositionText(const CController& controller, int channel, int target)
{
    char out[16] = {};
    FormatDrivePosition(out, sizeof out, channel, target, IsSataController(controller) != 0);
    return out;
}

namespace {

constexpr size_t pageClusterChannels = 344;  // configuration page A: the cluster channel mask
constexpr int scsiTargets = 16;
constexpr uint8_t sataTwoPortBus = 65;
constexpr int sataTwoPortTargets = 2;
constexpr int sataTargets = 4;
constexpr size_t maskRecordSize = 20;
constexpr size_t maskAsked = 1;
constexpr size_t maskCount = 2;
constexpr size_t maskBits = 4;

// Free target positions (channel << 8 | ID; ID 0 on a Fibre Channel channel
// stands for any ID), refilled by each collection.
std::vector<uint16_t> freeTargets;

ListDef scsiTargetList = {30, 5, 0, 1, 30, -1, " Select Target ID ", nullptr, " SCSI Coords. of new disk ",
                          {"%s", nullptr}};
ListDef sataTargetList = {30, 5, 0, 1, 13, -1, " Select ID ", nullptr, "New Disk ID", {"%s", nullptr}};

bool IsFibre(const CController& controller, int channel)
{
    return channel >= 0 && channel < CONTROLLER_MAX_CHANNELS && controller.channels[channel].kind == CHANNEL_KIND_FC;
}

void AddTarget(uint16_t position, bool unique)
{
    if (unique)
        for (const uint16_t p : freeTargets)
            if (p == position)
                return;
    freeTargets.push_back(position);
}

uint16_t TargetPosition(const CController& controller, int channel, int target)
{
    const int id = IsFibre(controller, channel) ? 0 : (target & 0xFF);
    return static_cast<uint16_t>((channel & 0xFF) << 8 | id);
}

// How many target IDs the channel offers for a new disk.
int ChannelTargetCount(const CController& controller, int channel)
{
    if (!controller.IsSataChannel(channel))
        return scsiTargets;
    return ChannelBusType(controller, channel) == sataTwoPortBus ? sataTwoPortTargets : sataTargets;
}

// While alive, a begun hot plug is ended on the way out unless a model
// operation that ends it by itself took over.
class HotPlugEnd {
public:
    explicit HotPlugEnd(CController& controller) : controller_(controller) {}
    ~HotPlugEnd()
    {
        if (open_)
            controller_.EndHotPlug();
    }
    HotPlugEnd(const HotPlugEnd&) = delete;
    HotPlugEnd& operator=(const HotPlugEnd&) = delete;
    // The model ends it from here on.
    void Handed() { open_ = false; }
    // Ends it now, keeping the controller's error word.
    void EndNow()
    {
        if (!open_)
            return;
        open_ = false;
        const uint32_t error = controller_.error;
        controller_.EndHotPlug();
        controller_.error = error;
    }

private:
    CController& controller_;
    bool open_ = true;
};

// Prepares the hot plug of channel/target under the wait box (a Fibre
// Channel request for any ID names the slot by ID 0); refused, it ends at
// once with M4054 and false.
bool PrepareUnderWaitBox(CController& controller, HotPlugEnd& end, int channel, int target, int failedIndex,
                         int ownFlagged, int lock)
{
    ClosingScope wait = WaitBoxScope();
    const int prepared = controller.PrepareHotPlug(channel, target < 0 ? 0 : target, failedIndex, ownFlagged, lock);
    wait.release();
    if (!prepared) {
        end.EndNow();
        ShowMessage(MessageText("M4054"), 1, 1);
        return false;
    }
    return true;
}

// The declined way out: end the hot plug and re-read the controller.
void EndAndRefresh(CController& controller, HotPlugEnd& end)
{
    ClosingScope wait = WaitBoxScope();
    end.EndNow();
    const int refreshed = controller.Refresh();
    wait.release();
    if (!refreshed)
        ShowErrorCode(controller.error);
}

// "%s " with the device name of the disk at channel/ID (LUN 0), empty when none.
std::string DiskNameText(const CController& controller, int channel, int target)
{
    const int k = controller.FindPhysDrive(channel, target, 0);
    if (k < 0)
        return "";
    return std::string(DeviceName(controller.physDrives[k])) + " ";
}

// The array drive of the logical drive, or null.
CArrayDrive* ArrayOf(CController& controller, const CLogDrive& drive)
{
    return drive.arrayIndex >= 0 && drive.arrayIndex < controller.arrayDrives.count
               ? &controller.arrayDrives[drive.arrayIndex] : nullptr;
}

// The M5017 test: 1 when another flagged component must be replaced first.
// *ownFlagged tells whether the failed drive's own slot is flagged.
int OtherFailedFirst(CController& controller, CLogDrive& failed, int* ownFlagged)
{
    *ownFlagged = 0;
    CArrayDrive* array = ArrayOf(controller, failed);
    if (array == nullptr)
        return 0;
    int last = -1;
    int own = -1;
    for (int k = 0; k < array->SlotCount(); ++k) {
        if (array->SlotDrive(k) == failed.driveNumber)
            own = k;
        if ((SlotFlags(*array, k) & slotFlagsAny) == 0)
            continue;
        const int ld = controller.FindLogicalDrive(array->SlotDrive(k));
        if (ld < 0 || controller.logDrives[ld].isPrivateHotFix)
            continue;
        last = k;
    }
    *ownFlagged = own >= 0 && (SlotFlags(*array, own) & slotFlagsAny) != 0 ? 1 : 0;
    return !failed.isPrivateHotFix && last >= 0 && last != own ? 1 : 0;
}

uint32_t DriveCapacityOf(const CLogDrive& drive)
{
    return wire::get32(drive.info, LDINFO_CAPACITY);
}

// The hot fix part of a replacement: the new disk as the array's private hot fix drive.
int ReplaceHotFixByNewDisk(CController& controller, CLogDrive& failed, int channel, int target, HotPlugEnd& end)
{
    CArrayDrive* array = ArrayOf(controller, failed);
    const int arrayNumber = array != nullptr ? array->arrayNumber : -1;
    const int format = array != nullptr && array->HasOldFormatMembers() ? oldDiskFormat : newDiskFormat;
    ClosingScope adding = WaitBoxScope();
    int number = -1;
    const int added = controller.AddNewDisk(channel, target, &number, 0, 1, format);
    adding.release();
    if (!added) {
        end.EndNow();
        ShowErrorCode(controller.error);
        return 0;
    }
    end.Handed();
    const int a = controller.FindArrayDrive(arrayNumber);
    const int ld = controller.FindLogicalDrive(number);
    if (a < 0 || ld < 0)
        return 0;
    // A copy: the addition re-reads the list the array lives in.
    CArrayDrive again = controller.arrayDrives[a];
    ClosingScope wait = WaitBoxScope();
    again.AddPendingComponent(ld);
    // Not ArrayAccess: the access is given back through the re-read array object.
    if (!EnterArrayMaintenance(again, 0))
        return 0;
    const int result = again.AddHotFixDrives(0, 1);
    // A failed re-read leaves its error with the controller.
    const uint32_t error = again.error != 0 ? again.error : controller.error;
    // The re-read replaced the array object: find it again to give the access back.
    const int back = controller.FindArrayDrive(arrayNumber);
    if (back >= 0)
        LeaveArrayMaintenance(controller.arrayDrives[back], 0);
    wait.release();
    if (!result)
        ShowErrorCode(error);
    return result;
}

}  // namespace

int CollectFreeTargets(CController& controller, int channel, int target, int clusterChannelsOnly)
{
    freeTargets.clear();
    const int channelCount = std::min<int>(controller.info.channelCount, CONTROLLER_MAX_CHANNELS);
    if (channel >= 0 && channel < channelCount)
        AddTarget(TargetPosition(controller, channel, target), false);
    for (int i = 0; i < controller.physDrives.count; ++i) {
        const CPhysDrive& d = controller.physDrives[i];
        // The device's own word says whether a logical drive holds it (a
        // device scan alone does not link the drives).
        if (d.DeviceType() != 0 || d.logDriveIndex >= 0 || wire::get16(d.GetInfo(), DEVINFO_LOG_DRIVE) != noLogicalDrive)
            continue;
        AddTarget(TargetPosition(controller, d.GetChannel(), d.GetTargetId()), true);
    }
    const uint8_t clusterMask = controller.configPageA[pageClusterChannels];
    for (int c = 0; c < channelCount; ++c) {
        if (clusterChannelsOnly && (clusterMask & (1u << c)) == 0)
            continue;
        if (IsFibre(controller, c)) {
            AddTarget(TargetPosition(controller, c, 0), true);
            continue;
        }
        const int n = ChannelTargetCount(controller, c);
        uint8_t record[maskRecordSize] = {};
        record[0] = static_cast<uint8_t>(c);
        record[maskAsked] = static_cast<uint8_t>(n);
        controller.GetFreeTargetMask(record);
        const int considered = std::min<int>(n, record[maskCount]);
        for (int j = 0; j < considered; ++j)
            if (record[maskBits + j / 8] & (1u << (j % 8)))
                AddTarget(static_cast<uint16_t>(c << 8 | j), false);
    }
    return 1;
}

int AskFreeTarget(CController& controller, int* channel, int* target, int clusterChannelsOnly)
{
    CollectFreeTargets(controller, channel ? *channel : -1, target ? *target : -1, clusterChannelsOnly);
    if (freeTargets.empty()) {
        ShowMessage("No free SCSI Targets!", 1, 1);
        return 0;
    }
    const bool sata = IsSataController(controller) != 0;
    const int count = static_cast<int>(freeTargets.size());
    CListBox list(sata ? &sataTargetList : &scsiTargetList, count, 1);
    if (!list.IsOk() || !list.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        const int c = freeTargets[static_cast<size_t>(i)] >> 8;
        const int id = freeTargets[static_cast<size_t>(i)] & 0xFF;
        const std::string idText = IsFibre(controller, c) ? std::string("* (any)") : std::to_string(id);
        const std::string line = sata ? tui::formatText("%c:%s", static_cast<char>('A' + c), idText)
                                      : tui::formatText("Channel: %s  ID: %s", ChannelNameOf(controller, c), idText);
        list.SetLine(i, line);
    }
    const int result = list.Run(0);
    if (result == -3) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    if (result < 0 || result >= count)
        return 0;
    const int c = freeTargets[static_cast<size_t>(result)] >> 8;
    if (channel)
        *channel = c;
    if (target)
        *target = IsFibre(controller, c) ? -1 : (freeTargets[static_cast<size_t>(result)] & 0xFF);
    return 1;
}

int HotPlugDisk(CController& controller, int makeLogical, int* number, int channel, int target)
{
    if (number)
        *number = -1;
    if (channel == -1 && !AskFreeTarget(controller, &channel, &target, 0))
        return 0;
    const int lock = Options().lock;
    const bool fibre = IsFibre(controller, channel);
    HotPlugEnd end(controller);
    if (!PrepareUnderWaitBox(controller, end, channel, target, -1, 0, lock))
        return 0;
    const std::string question =
        fibre ? tui::formatText(MessageText(lock ? "M2011" : "M2016"), ChannelNameOf(controller, channel))
              : tui::formatText(MessageText(lock ? "M2010" : "M2015"), ChannelNameOf(controller, channel),
                                PositionText(controller, channel, target));
    if (!AskYesNo(question.c_str(), 1))
        return 0;  // the guard ends the hot plug
    int found = target;
    ClosingScope finding = WaitBoxScope();
    const int located = controller.FindNewDisk(channel, &found, 0, newDiskFormat);
    finding.release();
    if (!located) {
        end.EndNow();
        ShowErrorCode(controller.error);
        return 0;
    }
    controller.ScanDevices();
    const std::string use = tui::formatText(MessageText("M2026"), DiskNameText(controller, channel, found),
                                            PositionText(controller, channel, found),
                                            ChannelNameOf(controller, channel));
    if (!AskYesNo(use.c_str(), 0)) {
        EndAndRefresh(controller, end);
        return 0;
    }
    ClosingScope making = WaitBoxScope();
    int newNumber = -1;
    end.Handed();
    const int made = controller.InitializeNewDisk(channel, found, &newNumber, makeLogical ? 0 : 1, 1, newDiskFormat);
    making.release();
    if (!made) {
        ShowErrorCode(controller.error);
        return 0;
    }
    if (makeLogical) {
        const ClosingScope naming = WaitBoxScope();
        controller.ReadConfiguration();
        const int ld = controller.FindLogicalDrive(newNumber);
        if (ld >= 0) {
            // Named after the place the disk was found (on Fibre Channel the asked ID is -1).
            const std::string name = tui::formatText("PD_%c%03d", static_cast<char>('A' + channel), found);
            controller.logDrives[ld].SetName(name.c_str());
        }
    }
    if (number)
        *number = newNumber;
    return 1;
}

int ReplaceFailedArrayDisk(CController& controller, CLogDrive& failed, int channel, int target)
{
    int ownFlagged = 0;
    if (OtherFailedFirst(controller, failed, &ownFlagged)) {
        ShowMessage(MessageText("M5017"), 1, 1);
        return 0;
    }
    const bool hotFix = failed.isPrivateHotFix != 0;
    const int failedNumber = failed.driveNumber;
    const uint32_t capacity = DriveCapacityOf(failed);
    const int failedIndex = controller.FindLogicalDrive(failedNumber);
    const int lock = Options().lock;
    const bool fibre = IsFibre(controller, channel);
    HotPlugEnd end(controller);
    if (!PrepareUnderWaitBox(controller, end, channel, target, hotFix ? -1 : failedIndex, ownFlagged, lock))
        return 0;
    const std::string name = DiskNameText(controller, channel, target);
    const std::string prompt =
        fibre ? tui::formatText(MessageText("M2024"), name, ChannelNameOf(controller, channel), target)
              : tui::formatText(MessageText("M2023"), name, ChannelNameOf(controller, channel),
                                PositionText(controller, channel, target));
    ShowMessage(prompt.c_str(), 1, 1);
    if (hotFix)
        return ReplaceHotFixByNewDisk(controller, failed, channel, target, end);
    int found = target;
    ClosingScope finding = WaitBoxScope();
    const int located = controller.FindNewDisk(channel, &found, capacity, newDiskFormat);
    finding.release();
    if (!located) {
        ShowErrorCode(controller.error);
        EndAndRefresh(controller, end);
        return 0;
    }
    controller.ScanDevices();
    if (ownFlagged) {
        const std::string question =
            tui::formatText(MessageText(found == target ? "M2025" : "M2027"), DiskNameText(controller, channel, found),
                            PositionText(controller, channel, found), ChannelNameOf(controller, channel));
        if (!AskYesNo(question.c_str(), 0)) {
            EndAndRefresh(controller, end);
            return 0;
        }
    }
    const int index = controller.FindLogicalDrive(failedNumber);
    ClosingScope replacing = WaitBoxScope();
    end.Handed();
    const int replaced = controller.ReplaceWithNewDisk(channel, found, index, 1);
    replacing.release();
    if (!replaced)
        ShowErrorCode(controller.error);
    return replaced;
}

int HotReplaceDisk(CController& controller, CLogDrive& failed)
{
    int ownFlagged = 0;
    if (OtherFailedFirst(controller, failed, &ownFlagged)) {
        ShowMessage(MessageText("M5017"), 1, 1);
        return 0;
    }
    int channel = -1;
    int target = -1;
    if (failed.disks.count > 0 && failed.disks[0] >= 0 && failed.disks[0] < controller.physDrives.count) {
        const CPhysDrive& disk = controller.physDrives[failed.disks[0]];
        channel = disk.GetChannel();
        target = disk.GetTargetId();
    }
    if (!IsFibre(controller, channel)) {
        const CArrayDrive* array = ArrayOf(controller, failed);
        const int clusterOnly = array != nullptr && array->IsClusterDrive() ? 1 : 0;
        if (!AskFreeTarget(controller, &channel, &target, clusterOnly))
            return 0;
    }
    return ReplaceFailedArrayDisk(controller, failed, channel, target);
}

int ReplaceMissingMirrorDisk(CMirrorDrive& mirror, int channel, int target)
{
    CController& controller = *mirror.controller;
    if (mirror.components.count < 1 || mirror.components[0] < 0 ||
        mirror.components[0] >= controller.logDrives.count)
        return 0;
    const int masterNumber = controller.logDrives[mirror.components[0]].driveNumber;
    const uint32_t masterCapacity = DriveCapacityOf(controller.logDrives[mirror.components[0]]);
    int newNumber = -1;
    for (;;) {
        bool ok = HotPlugDisk(controller, 1, &newNumber, channel, target) != 0;
        if (ok) {
            const int ld = controller.FindLogicalDrive(newNumber);
            if (ld < 0 || DriveCapacityOf(controller.logDrives[ld]) < masterCapacity) {
                ShowMessage(MessageText("M5025"), 0, 1);
                if (ld >= 0)
                    DeleteLogicalDrive(controller, ld);
                ok = false;
            }
        }
        if (ok)
            break;
        if (!AskYesNo(MessageText("M3112"), 0))
            return 0;
    }
    const int master = controller.FindLogicalDrive(masterNumber);
    const int added = controller.FindLogicalDrive(newNumber);
    if (master < 0 || added < 0)
        return 0;
    CLogDrive& head = controller.logDrives[master];
    ClosingScope access = LogicalAccess(head, 1);
    if (!access)
        return 0;
    ClosingScope wait = WaitBoxScope();
    int result = 0;
    uint32_t error = 0;
    const int m = head.mirrorIndex;
    if (m < 0 || m >= controller.mirrorDrives.count) {
        head.AddPendingComponent(added);
        result = head.MakeMirror(0);
        error = head.error;
    } else {
        CMirrorDrive& owner = controller.mirrorDrives[m];
        owner.AddPendingComponent(added);
        result = owner.AddComponents(0);
        error = owner.error;
    }
    access.release();
    wait.release();
    if (!result)
        ShowErrorCode(error);
    return result;
}
