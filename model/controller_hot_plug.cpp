// CController's hot plug: the hot plug state with its driver locks and
// Fibre Channel loop maps, the slot request, finding the newly plugged disk
// and handing it to the controller as a replacement or as a new drive.
#include "controller.h"

#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "ctl_driver_requests.h"
#include "model_errors.h"
#include "request_words.h"

#include <byte_order.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Hot plug state layout.
constexpr size_t kHostCount = 0;
constexpr size_t kHostList = 2;
constexpr int kMaxHostDrives = 255;
constexpr size_t kChannelCount = 512;
constexpr size_t kChannelList = 514;
constexpr int kMaxChannels = 6;          // the flags and maps hold six channels
constexpr size_t kChannelFlags = 528;
constexpr size_t kLoopMaps = 552;
constexpr size_t kLoopMapSize = 16;
constexpr size_t kLockFlag = 648;
constexpr uint32_t kNoDrive = 0xFFFFFFFF;
constexpr uint8_t kNoticeHotPlug = 2;
constexpr uint8_t kNoticeHotPlugEnd = 0x82;
constexpr uint8_t kFirstTargetMaskLevel = 23;
constexpr int kMaskTargets = 128;
constexpr uint32_t kOldFormatVersion = 0x20FFFF;

// Hot plug information record (0x23).
constexpr size_t kInfoSize = 172;
constexpr size_t kInfoFlags[] = {4, 12, 46, 47};
constexpr size_t kInfoCapacity = 52;
constexpr size_t kInfoSectorSize = 56;
constexpr uint32_t kSectorSize = 512;

// Device information bytes.
constexpr size_t kDevCapacity = 40;
constexpr size_t kDevPresent = 46;
constexpr size_t kDevType = 48;
constexpr size_t kDevTargetId = 57;

// Fibre Channel device map request.
constexpr size_t kMapRequestSize = 32;
constexpr uint32_t kMapLoop = 1;
constexpr uint32_t kMapDevices = 2;
constexpr uint32_t kMapRelease = 3;
constexpr size_t kMapLoopBytes = 8;
constexpr size_t kMapData = 16;
constexpr int kMapTries = 20;
constexpr auto kMapWait = std::chrono::milliseconds(500);

constexpr size_t kDiskRecordSize = 16;
constexpr size_t kSlotHead = 4;

// The 16-byte hot plug disk record.
void FillDiskRecord(uint8_t* r, int number, int channel, int targetId, int format)
{
    std::memset(r, 0, kDiskRecordSize);
    wire::put32(r, 0, static_cast<uint32_t>(number));
    wire::put32(r, 4, 1);
    r[12] = static_cast<uint8_t>(channel);
    r[13] = static_cast<uint8_t>(targetId);
    r[15] = static_cast<uint8_t>(format);
}

}  // namespace

int CController::HotPlugHostCount() const
{
    return wire::get16(hotPlugState, kHostCount);
}

int CController::HotPlugChannelCount() const
{
    return wire::get16(hotPlugState, kChannelCount);
}

int CController::HotPlugChannel(int j) const
{
    return wire::get16(hotPlugState, kChannelList + 2 * static_cast<size_t>(j));
}

int CController::HotPlugChannelFlag(int j) const
{
    return static_cast<int32_t>(wire::get32(hotPlugState, kChannelFlags + 4 * static_cast<size_t>(j)));
}

const uint8_t* CController::HotPlugLoopMap(int j) const
{
    return hotPlugState + kLoopMaps + kLoopMapSize * static_cast<size_t>(j);
}

int CController::HotPlugLocked() const
{
    return static_cast<int32_t>(wire::get32(hotPlugState, kLockFlag));
}

void CController::AddHotPlugHostDrives(int logIndex)
{
    // The head's host drives: those of the drive's array, else of its mirror, else its own.
    const CLogDrive& ld = logDrives[logIndex];
    const CArray<int>* carried = &ld.hostDrives;
    if (ld.arrayIndex >= 0 && ld.arrayIndex < arrayDrives.count)
        carried = &arrayDrives[ld.arrayIndex].hostDrives;
    else if (ld.mirrorIndex >= 0 && ld.mirrorIndex < mirrorDrives.count)
        carried = &mirrorDrives[ld.mirrorIndex].hostDrives;
    for (int i = 0; i < carried->count; ++i) {
        const int h = (*carried)[i];
        if (h < 0 || h >= hostDrives.count)
            continue;
        const auto number = static_cast<uint16_t>(hostDrives[h].hostDriveNumber);
        const int n = HotPlugHostCount();
        bool listed = false;
        for (int k = 0; k < n && !listed; ++k)
            listed = wire::get16(hotPlugState, kHostList + 2 * static_cast<size_t>(k)) == number;
        if (listed || n >= kMaxHostDrives)
            continue;
        wire::put16(hotPlugState, kHostList + 2 * static_cast<size_t>(n), number);
        wire::put16(hotPlugState, kHostCount, static_cast<uint16_t>(n + 1));
    }
}

void CController::AddHotPlugChannel(int channel, int flag)
{
    const int n = HotPlugChannelCount();
    for (int j = 0; j < n; ++j)
        if (HotPlugChannel(j) == channel)
            return;
    if (n >= kMaxChannels)
        return;
    wire::put16(hotPlugState, kChannelList + 2 * static_cast<size_t>(n), static_cast<uint16_t>(channel));
    wire::put32(hotPlugState, kChannelFlags + 4 * static_cast<size_t>(n), static_cast<uint32_t>(flag));
    wire::put16(hotPlugState, kChannelCount, static_cast<uint16_t>(n + 1));
}

int CController::AskDeviceMap(int channel, uint32_t kind, uint8_t* request)
{
    std::memset(request, 0, kMapRequestSize);
    wire::put32(request, 0, kind);
    wire::put16(request, 4, 0x20);
    request[6] = channels[channel].number;
    error = ctl_get_fc_device_map(static_cast<uint16_t>(index), channels[channel].address | kControllerTarget, request);
    return error == 0 ? 1 : 0;
}

int CController::CollectHotPlugLocks(int c, int d, int replacement)
{
    const int32_t lockFlag = HotPlugLocked();
    std::memset(hotPlugState, 0, sizeof hotPlugState);
    wire::put32(hotPlugState, kLockFlag, static_cast<uint32_t>(lockFlag));
    for (int i = 0; i < physDrives.count; ++i) {
        const CPhysDrive& p = physDrives[i];
        if (p.GetChannel() == c && p.DeviceType() == 0 && p.logDriveIndex >= 0 && p.logDriveIndex < logDrives.count)
            AddHotPlugHostDrives(p.logDriveIndex);
    }
    const bool memberChannels = d >= 0 && d < logDrives.count && !replacement;
    if (memberChannels)
        AddHotPlugHostDrives(d);
    AddHotPlugChannel(c, 1);
    if (memberChannels)
        for (int k = 0; k < logDrives[d].disks.count; ++k) {
            const int disk = logDrives[d].disks[k];
            if (disk >= 0 && disk < physDrives.count)
                AddHotPlugChannel(physDrives[disk].GetChannel(), 0);
        }
    if (channels[c].kind != CHANNEL_KIND_FC)
        return 1;
    uint8_t request[kMapRequestSize];
    if (!AskDeviceMap(c, kMapLoop, request))
        return 0;
    for (size_t i = 0; i < kMapLoopBytes; ++i) {
        if (request[8 + i] == 0)
            continue;
        for (int k = 0; k < info.channelCount && k < CONTROLLER_MAX_CHANNELS; ++k)
            if (channels[k].kind == CHANNEL_KIND_FC && channels[k].number == i) {
                AddHotPlugChannel(k, 1);
                break;
            }
    }
    for (int j = 0; j < HotPlugChannelCount(); ++j) {
        const int ch = HotPlugChannel(j);
        if (channels[ch].kind != CHANNEL_KIND_FC)
            continue;
        for (int attempt = 1;; ++attempt) {
            if (AskDeviceMap(ch, kMapDevices, request))
                break;
            if (attempt == kMapTries)
                return 0;
            std::this_thread::sleep_for(kMapWait);
        }
        std::memcpy(hotPlugState + kLoopMaps + kLoopMapSize * static_cast<size_t>(j), request + kMapData, kLoopMapSize);
    }
    return 1;
}

int CController::LockForHotPlug(int on)
{
    const auto c = static_cast<uint16_t>(index);
    const auto flagByte = static_cast<uint8_t>(on ? 1 : 0);
    uint16_t drives[kMaxHostDrives] = {};
    const int n = HotPlugHostCount();
    for (int k = 0; k < n; ++k)
        drives[k] = wire::get16(hotPlugState, kHostList + 2 * static_cast<size_t>(k));
    const CtlResult r = ctl_lock_host_drives(c, flagByte, static_cast<uint16_t>(n), drives);
    if (on && r != 0) {
        error = r;
        return 0;
    }
    for (int j = 0; j < HotPlugChannelCount(); ++j) {
        const CtlResult rc = ctl_lock_channel(c, flagByte, static_cast<uint16_t>(HotPlugChannel(j)));
        if (on && rc != 0) {
            error = rc;
            return 0;
        }
    }
    return 1;
}

int CController::BeginHotPlug(int c, int d, int replacement, int lock)
{
    if (c < 0 || c >= info.channelCount || c >= CONTROLLER_MAX_CHANNELS) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const auto ci = static_cast<uint16_t>(index);
    wire::put32(hotPlugState, kLockFlag, static_cast<uint32_t>(lock ? 1 : 0));
    if (lock) {
        (void)ctl_notify_maintenance(ci, kNoticeHotPlug, kNoticeTimeout, 0);
        if (!CollectHotPlugLocks(c, d, replacement))
            return 0;
        if (!LockForHotPlug(1)) {
            const uint32_t failure = error;
            LockForHotPlug(0);
            error = failure;
            return 0;
        }
    }
    error = ctl_begin_hot_plug(ci, 0);
    if (error != 0) {
        (void)ctl_end_hot_plug(ci, 0);
        error = ctl_begin_hot_plug(ci, 0);
    }
    if (error == 0)
        return 1;
    if (lock) {
        const uint32_t failure = error;
        LockForHotPlug(0);
        error = failure;
    }
    return 0;
}

int CController::EndHotPlug()
{
    const auto c = static_cast<uint16_t>(index);
    (void)ctl_end_hot_plug(c, 0);
    if (HotPlugLocked()) {
        LockForHotPlug(0);
        (void)ctl_notify_maintenance(c, kNoticeHotPlugEnd, kNoticeTimeout, 0);
    }
    return 1;
}

int CController::PrepareHotPlug(int c, int t, int d, int replacement, int lock)
{
    if (d >= logDrives.count || t < 0 || t >= kMaskTargets) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    if (!BeginHotPlug(c, d, replacement, lock))
        return 0;
    // The library sends the record with one byte more than its list: 5 + n zeroed bytes.
    const int n = HotPlugHostCount();
    std::vector<uint8_t> record(kSlotHead + static_cast<size_t>(n) + 1, 0);
    record[0] = static_cast<uint8_t>(c);
    record[1] = static_cast<uint8_t>(t);
    record[3] = static_cast<uint8_t>(n);
    for (int k = 0; k < n; ++k)
        record[kSlotHead + static_cast<size_t>(k)] =
            static_cast<uint8_t>(wire::get16(hotPlugState, kHostList + 2 * static_cast<size_t>(k)));
    const auto ci = static_cast<uint16_t>(index);
    if (d < 0)
        error = ctl_hot_plug_replace_02(ci, 0, kNoDrive, record.data());
    else
        error = ctl_hot_plug_replace_03(ci, 0, static_cast<uint32_t>(logDrives[d].driveNumber), record.data());
    if (error == 0)
        return 1;
    const uint32_t failure = error;
    EndHotPlug();
    error = failure;
    return 0;
}

int CController::GetFreeTargetMask(void* record)
{
    auto* r = static_cast<uint8_t*>(record);
    const int c = r[0];
    std::memset(r + 4, 0xFF, kMaskTargets / 8);
    r[2] = static_cast<uint8_t>(r[1] > kMaskTargets ? kMaskTargets : r[1]);
    if (FirmwareLevel() >= kFirstTargetMaskLevel && c < info.channelCount && c < CONTROLLER_MAX_CHANNELS) {
        (void)ctl_get_target_mask(static_cast<uint16_t>(index), channels[c].address | kControllerTarget, r);
        if (r[2] > kMaskTargets)
            r[2] = kMaskTargets;  // the controller's count is clamped to the mask
    }
    for (int t = 0; t < r[2]; ++t) {
        const int k = FindPhysDrive(c, t, 0);
        uint8_t& byte = r[4 + t / 8];
        const auto bit = static_cast<uint8_t>(1u << (t % 8));
        int present = 0;
        if (k >= 0 && (byte & bit) && physDrives[k].IsPresent(&present) && present)
            byte = static_cast<uint8_t>(byte & ~bit);
    }
    return 1;
}

int CController::SearchNewDisk(int c, int* t, uint32_t minimum)
{
    RescanChannel(c, 0);
    std::vector<ChannelEntry> list(static_cast<size_t>(info.channelCount > 0 ? info.channelCount : 1));
    uint16_t listed = 0;
    error = ctl_list_channels(static_cast<uint16_t>(index), list.data(), list.size(), &listed);
    if (error != 0)
        return 0;
    if (c >= listed) {
        error = MODERR_DISK_NOT_FOUND;
        return 1;
    }
    // The controller's count is clamped to what the list can address.
    const int n = list[static_cast<size_t>(c)].devices > CHANNEL_MAX_DEVICES
                      ? static_cast<int>(CHANNEL_MAX_DEVICES) : list[static_cast<size_t>(c)].devices;
    for (int k = n - 1; k >= 0; --k) {
        uint8_t dev[DEVICE_INFO_SIZE] = {};
        DeviceRef ref;
        ref.controller = static_cast<uint16_t>(index);
        ref.channelIndex = static_cast<uint16_t>(c);
        ref.deviceIndex = static_cast<uint16_t>(k);
        error = ctl_get_device_info(ref, dev);
        if (error != 0)
            return 0;
        if (dev[kDevType] != 0 || dev[kDevPresent] == 0)
            continue;
        // A disk whose target ID a present disk of the list already has is not
        // new: on a shared loop the same disk shows on several channels.
        // The last disk of the list with that target ID decides.
        bool known = false;
        for (int i = physDrives.count - 1; i >= 0; --i) {
            const CPhysDrive& p = physDrives[i];
            if (p.DeviceType() == 0 && p.GetTargetId() == dev[kDevTargetId]) {
                known = p.GetInfo()[kDevPresent] != 0;
                break;
            }
        }
        if (known)
            continue;
        *t = dev[kDevTargetId];
        const uint32_t capacity = wire::get32(dev, kDevCapacity);
        error = minimum != 0 && capacity != 0 && capacity < minimum ? MODERR_DISK_TOO_SMALL : 0;
        return 1;
    }
    error = MODERR_DISK_NOT_FOUND;
    return 1;
}

int CController::FindNewDisk(int c, int* t, uint32_t minimum, int format)
{
    if (c < 0 || c >= info.channelCount || c >= CONTROLLER_MAX_CHANNELS || !t) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    error = 0;
    const bool fc = channels[c].kind == CHANNEL_KIND_FC;
    if (!fc || *t != -1) {
        uint8_t r[kInfoSize] = {};
        r[0] = static_cast<uint8_t>(c);
        r[1] = static_cast<uint8_t>(*t);
        r[3] = static_cast<uint8_t>(format);
        error = ctl_get_hot_plug_info(static_cast<uint16_t>(index), 0, r);
        if (error == 0) {
            bool missing = false;
            for (size_t at : kInfoFlags)
                missing = missing || r[at] == 0;
            if (missing)
                error = MODERR_DISK_NOT_FOUND;
            else if (wire::get32(r, kInfoSectorSize) != kSectorSize ||
                     (minimum != 0 && wire::get32(r, kInfoCapacity) < minimum))
                error = MODERR_DISK_TOO_SMALL;
        }
    }
    if (fc && (error == MODERR_DISK_NOT_FOUND || *t == -1)) {
        if (!SearchNewDisk(c, t, minimum))
            return 0;  // early failures leave the hot plug to the caller
    }
    if (error != 0) {
        const uint32_t failure = error;
        EndHotPlug();
        error = failure;
        return 0;
    }
    return 1;
}

int CController::NewDiskFormat(int d) const
{
    if (FirmwareVersion() <= kOldFormatVersion || d < 0 || d >= logDrives.count)
        return 2;
    const CLogDrive& ld = logDrives[d];
    bool old;
    if (ld.arrayIndex >= 0 && ld.arrayIndex < arrayDrives.count)
        old = arrayDrives[ld.arrayIndex].HasOldFormatMembers();
    else if (ld.mirrorIndex >= 0 && ld.mirrorIndex < mirrorDrives.count)
        old = mirrorDrives[ld.mirrorIndex].HasOldFormatMembers();
    else
        old = ld.HasOldFormatMembers();
    return old ? 1 : 2;
}

int CController::ReplaceWithNewDisk(int c, int t, int d, int refresh)
{
    if (d < 0 || d >= logDrives.count) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const int format = NewDiskFormat(d);
    const int number = GetFreeDriveNumber(0);
    uint32_t result;
    if (number == 0xFFFF) {
        result = MODERR_NO_SPACE;
    } else {
        uint8_t r[kDiskRecordSize];
        FillDiskRecord(r, number, c, t, format);
        result = ctl_hot_plug_finish(static_cast<uint16_t>(index), 0, static_cast<uint32_t>(logDrives[d].driveNumber), r);
    }
    EndHotPlug();
    if (refresh)
        Refresh();
    error = result;
    return error == 0 ? 1 : 0;
}

int CController::InitializeNewDisk(int c, int t, int* out, int maintenanceFlag, int refresh, int format)
{
    const auto ci = static_cast<uint16_t>(index);
    const int number = GetFreeDriveNumber(0);
    uint32_t result;
    if (number == 0xFFFF) {
        result = MODERR_NO_SPACE;
    } else {
        uint8_t r[kDiskRecordSize];
        FillDiskRecord(r, number, c, t, format);
        result = ctl_hot_plug_cmd_24(ci, 0, r);
    }
    EndHotPlug();
    if (result == 0) {
        if (!maintenanceFlag) {
            if (out)
                *out = number;
        } else {
            if (!EnterDriveMaintenance(number))
                return 0;
            (void)ctl_drive_cmd_0f(ci, 0, static_cast<uint32_t>(number));
            (void)ctl_commit_configuration(ci, 0, kControllerTarget);
            LeaveDriveMaintenance(number);
        }
    }
    if (refresh)
        Refresh();
    error = result;
    return error == 0 ? 1 : 0;
}

int CController::AddNewDisk(int c, int t, int* out, int maintenanceFlag, int refresh, int format)
{
    int target = t;
    if (!FindNewDisk(c, &target, 0, format))
        return 0;
    return InitializeNewDisk(c, target, out, maintenanceFlag, refresh, format);
}

int CController::ReplaceFailedDisk(int c, int t, int d, uint32_t minimum, int refresh)
{
    int target = t;
    if (!FindNewDisk(c, &target, minimum, NewDiskFormat(d)))
        return 0;
    return ReplaceWithNewDisk(c, target, d, refresh);
}

int CController::ReleaseHotPlugTarget(int c, int t)
{
    if (c < 0 || c >= info.channelCount || c >= CONTROLLER_MAX_CHANNELS || t < 0 || t >= kMaskTargets) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    uint32_t result = 0;
    if (channels[c].kind == CHANNEL_KIND_FC) {
        uint8_t request[kMapRequestSize] = {};
        wire::put32(request, 0, kMapRelease);
        wire::put16(request, 4, 0x20);
        request[6] = channels[c].number;
        request[kMapData + static_cast<size_t>(t) / 8] = static_cast<uint8_t>(1u << (t % 8));
        result = ctl_get_fc_device_map(static_cast<uint16_t>(index), channels[c].address | kControllerTarget, request);
    }
    EndHotPlug();
    Refresh();
    error = result;
    return result == 0 ? 1 : 0;
}
