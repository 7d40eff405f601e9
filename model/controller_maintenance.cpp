// CController's configuration access: Maintenance Mode for the whole
// controller, the per-host-drive lock of newer firmware, the nested host
// drive access, the preparation of drives for maintenance and the disk
// change bracket. Leaving, unlocking and releasing ignore their results.
#include "controller.h"

#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_driver_requests.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstdint>

namespace {
constexpr uint8_t kFirstHostDriveLockLevel = 23;  // from here a host drive lock replaces Maintenance Mode
constexpr uint32_t kDiskChangeFirstVersion = 0x200001;  // the bracket needs firmware above 0x200000

// Maintenance notices (library function 24).
constexpr uint8_t kNoticeMaintenance = 1;
constexpr uint8_t kNoticeHostDrive = 3;
constexpr uint8_t kNoticeEnd = 0x80;              // ORed into the notice it ends

// Host drive n as the controller counts it: -1 (all) is 0xFFFFFFFF.
uint32_t HostDriveWord(int n)
{
    return static_cast<uint32_t>(n);
}

}  // namespace

int CController::EnterMaintenanceMode()
{
    const auto c = static_cast<uint16_t>(index);
    (void)ctl_notify_maintenance(c, kNoticeMaintenance, kNoticeTimeout, 0);
    error = ctl_lock_configuration(c, 0, kControllerTarget);
    maintenance = 1;
    return error == 0 ? 1 : 0;
}

int CController::LeaveMaintenanceMode()
{
    const auto c = static_cast<uint16_t>(index);
    (void)ctl_notify_maintenance(c, kNoticeEnd | kNoticeMaintenance, 0, 0);
    (void)ctl_unlock_configuration(c, 0, kControllerTarget);
    maintenance = 0;
    return 1;
}

int CController::LockHostDrive(int n)
{
    const auto c = static_cast<uint16_t>(index);
    (void)ctl_notify_maintenance(c, kNoticeHostDrive, kNoticeTimeout, static_cast<uint16_t>(n));
    uint8_t drive[4];
    wire::put32(drive, 0, HostDriveWord(n));
    error = ctl_lock_one_host_drive(c, HostDriveWord(n), drive);
    return error == 0 ? 1 : 0;
}

int CController::UnlockHostDrive(int n)
{
    const auto c = static_cast<uint16_t>(index);
    (void)ctl_notify_maintenance(c, kNoticeEnd | kNoticeHostDrive, 0, static_cast<uint16_t>(n));
    uint8_t drive[4];
    wire::put32(drive, 0, HostDriveWord(n));
    (void)ctl_unlock_one_host_drive(c, HostDriveWord(n), drive);
    return 1;
}

int CController::EnterDriveMaintenance(int n)
{
    if (FirmwareLevel() >= kFirstHostDriveLockLevel)
        return LockHostDrive(n);
    if (!EnterMaintenanceMode())
        return 0;
    // The drives' failures reach the error word but not the result.
    PrepareDrivesForMaintenance();
    return 1;
}

int CController::LeaveDriveMaintenance(int n)
{
    if (FirmwareLevel() >= kFirstHostDriveLockLevel)
        return UnlockHostDrive(n);
    return LeaveMaintenanceMode();
}

int CController::AcquireAccess()
{
    if (accessNesting == 0)
        error = ctl_lock_host_drive_access(static_cast<uint16_t>(index), kControllerTarget);
    ++accessNesting;
    return error == 0 ? 1 : 0;
}

int CController::ReleaseAccess()
{
    // A release without an acquire has nothing to give back; the count never goes below 0.
    if (accessNesting <= 0) {
        accessNesting = 0;
        return 1;
    }
    if (--accessNesting == 0)
        (void)ctl_unlock_host_drive_access(static_cast<uint16_t>(index), kControllerTarget);
    return 1;
}

int CController::RestartMaintenanceMode()
{
    LeaveMaintenanceMode();
    return EnterMaintenanceMode();
}

int CController::PrepareDrivesForMaintenance()
{
    for (int i = 0; i < logDrives.count; ++i)
        if (LogDriveCarriesHostDrive(i))
            SendDriveCommand12(i);
    return 1;
}

int CController::PrepareHostDriveForMaintenance(int hostDrive)
{
    const int carrier = HostDriveCarrier(hostDrive);
    if (carrier < 0)
        return 0;
    if (const int a = ArrayOfLogDrive(carrier); a >= 0)
        return PrepareArrayForMaintenance(a);
    if (const int m = MirrorOfLogDrive(carrier); m >= 0)
        return PrepareMirrorForMaintenance(m);
    SendDriveCommand12(carrier);
    return 1;
}

int CController::PrepareArrayForMaintenance(int array)
{
    for (int k = 0, component; (component = ArrayComponent(array, k)) >= 0; ++k) {
        const int m = MirrorOfLogDrive(component);
        if (m >= 0)
            PrepareMirrorForMaintenance(m);
        else
            SendDriveCommand12(component);
    }
    return 1;
}

int CController::PrepareMirrorForMaintenance(int mirror)
{
    for (int k = 0, component; (component = MirrorComponent(mirror, k)) >= 0; ++k)
        SendDriveCommand12(component);
    return 1;
}

int CController::PrepareLogicalDriveForMaintenance(int logDrive)
{
    if (logDrive < 0 || logDrive >= logDrives.count) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    SendDriveCommand12(logDrive);
    return error == 0 ? 1 : 0;
}

void CController::SendDriveCommand12(int i)
{
    if (i < 0 || i >= logDrives.count)
        return;
    error = ctl_drive_cmd_12(static_cast<uint16_t>(index), 0, static_cast<uint32_t>(logDrives[i].driveNumber));
}

int CController::BeginDiskChange()
{
    if (FirmwareVersion() < kDiskChangeFirstVersion) {
        error = MODERR_FIRMWARE_VERSION;
        return 0;
    }
    uint8_t zero = 0;
    error = ctl_set_controller_byte_26(static_cast<uint16_t>(index), &zero);
    return error == 0 ? 1 : 0;
}

int CController::EndDiskChange()
{
    if (FirmwareVersion() < kDiskChangeFirstVersion) {
        error = MODERR_FIRMWARE_VERSION;
        return 0;
    }
    uint8_t zero = 0;
    error = ctl_set_controller_byte_27(static_cast<uint16_t>(index), &zero);
    return error == 0 ? 1 : 0;
}
