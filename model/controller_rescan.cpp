// CController's controller-wide operations: announcing host drive changes to
// the operating system, probing channels for new devices and loading every
// drive's configuration.
#include "controller.h"

#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_driver_requests.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstdint>

namespace {
constexpr uint8_t kFirstScanLevel = 23;   // from here the controller scans (0x74); below it is probed
constexpr int kMaxTargetId = 127;
constexpr int kLunsPerTarget = 8;
constexpr uint8_t kWholeChannel = 255;    // target ID of a scan of the whole channel
constexpr uint8_t kOwnIdMask = 0x07;
constexpr uint16_t kMaxHostDrive = 0xFFFF;

// Rescan modes of library function 23.
constexpr uint8_t kRescanAll = 0;
constexpr uint8_t kRescanAdd = 1;
constexpr uint8_t kRescanRemove = 2;

}  // namespace

int CController::NotifyOsDriveChange(int n, int remove)
{
    if (n < -1 || n > kMaxHostDrive) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const auto c = static_cast<uint16_t>(index);
    if (n == -1)
        error = ctl_rescan_host_drive(c, 0, kRescanAll);
    else
        error = ctl_rescan_host_drive(c, static_cast<uint16_t>(n), remove ? kRescanRemove : kRescanAdd);
    return error == 0 ? 1 : 0;
}

int CController::RescanChannel(int channel, int refresh)
{
    if (channel < 0 || channel >= info.channelCount) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    if (FirmwareLevel() < kFirstScanLevel) {
        const int ownId = configPageA[kPageOwnIds + channel] & kOwnIdMask;
        for (int t = 0; t <= kMaxTargetId; ++t)
            if (t != ownId)
                RescanTarget(channel, t, 0);
    } else {
        uint8_t where[4] = {static_cast<uint8_t>(channel), kWholeChannel, 0, 0};
        (void)ctl_scan_new_devices(static_cast<uint16_t>(index), kControllerTarget, where);
    }
    return refresh ? Refresh() : 1;
}

int CController::RescanTarget(int channel, int targetId, int refresh)
{
    if (channel < 0 || channel >= info.channelCount || targetId < 0 || targetId > kMaxTargetId) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const auto c = static_cast<uint16_t>(index);
    const bool probes = FirmwareLevel() < kFirstScanLevel;
    for (int lun = 0; lun < kLunsPerTarget; ++lun) {
        if (FindPhysDrive(channel, targetId, lun) >= 0)
            continue;
        uint8_t where[4] = {static_cast<uint8_t>(channel), static_cast<uint8_t>(targetId), static_cast<uint8_t>(lun), 0};
        if (probes)
            (void)ctl_probe_device(c, where);
        else
            (void)ctl_scan_new_devices(c, kControllerTarget, where);
    }
    return refresh ? Refresh() : 1;
}

int CController::LoadAll(int refresh)
{
    const auto c = static_cast<uint16_t>(index);
    uint8_t zero = 0;
    error = ctl_get_drive_byte_0b(c, 0, kControllerTarget, &zero);
    error = ctl_commit_configuration(c, 0, kControllerTarget);
    return refresh ? Refresh() : 1;
}

