// CFreeDrive: choosing disks and making a logical drive under a free number.
#include "free_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_drives.h"
#include "drive_lists.h"
#include "firmware_levels.h"
#include "model_alloc.h"
#include "model_errors.h"

#include <cstdio>

CFreeDrive::CFreeDrive(uint16_t controllerNo, uint16_t number, CController* owner)
    : driveNumber(number), controller(owner), controllerNumber(controllerNo)
{
}

CFreeDrive::CFreeDrive(const CFreeDrive& other)
    : CAbstrBase(other), driveNumber(other.driveNumber), controller(other.controller),
      controllerNumber(other.controllerNumber)
{
    if (!CopyIndexList(disks, other.disks))
        error = MODERR_NO_MEMORY;
}

CFreeDrive& CFreeDrive::operator=(const CFreeDrive& other)
{
    if (this != &other) {
        CAbstrBase::operator=(other);
        driveNumber = other.driveNumber;
        controller = other.controller;
        controllerNumber = other.controllerNumber;
        if (!CopyIndexList(disks, other.disks))
            error = MODERR_NO_MEMORY;
    }
    return *this;
}

int CFreeDrive::AddDisk(int physIndex)
{
    const int at = AppendIndex(disks, physIndex);
    if (at < 0)
        error = MODERR_NO_MEMORY;
    return at;
}

int CFreeDrive::RemoveDiskAt(int position)
{
    return RemoveIndexAt(disks, position, error);
}

int CFreeDrive::CreateLogicalDrive(uint16_t type)
{
    for (int i = 0; i < disks.count; ++i) {
        if (disks[i] < 0 || disks[i] >= controller->physDrives.count) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
    }
    auto* members = static_cast<CreateMember*>(ModelAlloc(sizeof(CreateMember) * static_cast<size_t>(disks.count) + 1));
    if (members == nullptr) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    for (int i = 0; i < disks.count; ++i) {
        const CPhysDrive& d = controller->physDrives[disks[i]];
        members[i] = CreateMember{0, static_cast<uint16_t>(d.channel), d.deviceIndex};
    }
    error = disks.count > 0xFFFF ? MODERR_BAD_PARAMETER
                                 : ctl_create_drive(controllerNumber, driveNumber, type,
                                                    static_cast<uint16_t>(disks.count), members);
    ModelFree(members);
    return error == 0 ? 1 : 0;
}

int CFreeDrive::GetCapacity(uint32_t* out)
{
    uint8_t buf[4] = {};
    error = ctl_get_drive_param_1e(controllerNumber, 0, driveNumber, buf);
    if (error != 0)
        return 0;
    if (out != nullptr)
        *out = wire::get32(buf, 0);
    return 1;
}

int CFreeDrive::SetUsedCapacity(uint32_t sectors)
{
    uint8_t buf[4] = {};
    wire::put32(buf, 0, sectors);
    error = ctl_set_drive_param_1f(controllerNumber, 0, driveNumber, buf);
    return error == 0 ? 1 : 0;
}

int CFreeDrive::Commit(int refresh)
{
    CController* owner = controller;
    // The name tells the first disk; without a disk there is nothing to name it after.
    if (disks.count > 0 && disks[0] >= 0 && disks[0] < owner->physDrives.count) {
        const CPhysDrive& first = owner->physDrives[disks[0]];
        char name[16] = {};
        std::snprintf(name, sizeof name, "PD_%c%03d", static_cast<char>('A' + first.channel), first.targetId);
        error = ctl_rec_set_device_name(controllerNumber, driveNumber, name);
    }
    error = owner->CommitConfiguration();
    if (owner->FirmwareLevel() >= kLevelHostTables) {
        CLogDrive drive(controllerNumber, driveNumber, 0, 0, 0, owner, 1);
        drive.CreateHostDrive(driveNumber);
    }
    // A refresh replaces this object: nothing of it is touched afterwards.
    return refresh ? owner->Refresh() : 1;
}

int CFreeDrive::Create(uint16_t type, int refresh)
{
    if (!CreateLogicalDrive(type))
        return 0;
    return Commit(refresh);
}
