// CMirrorDrive: construction, copying and the operations on a mirror.
#include "mirror_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_drives.h"
#include "drive_lists.h"
#include "enclosure_release.h"
#include "firmware_levels.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kMirrorWorkerSlots = 1;
constexpr uint8_t kStateQuery = 3;
constexpr size_t kStatePercent = 2;

}  // namespace

CMirrorDrive::CMirrorDrive() : CDriveObject(kMirrorWorkerSlots) {}

CMirrorDrive::CMirrorDrive(uint16_t controllerNo, uint16_t number, int ready, int building, int missing,
                           CController* owner)
    : CDriveObject(kMirrorWorkerSlots), mirrorNumber(number), readyCount(ready), buildingCount(building),
      missingCount(missing), controller(owner), controllerNumber(controllerNo)
{
    Refresh();
}

CMirrorDrive::CMirrorDrive(const CMirrorDrive& other) : CDriveObject(other)
{
    CompleteCopy(other);
}

CMirrorDrive& CMirrorDrive::operator=(const CMirrorDrive& other)
{
    return AssignCopy(other);
}

void CMirrorDrive::CopyFields(const CMirrorDrive& other)
{
    mirrorNumber = other.mirrorNumber;
    readyCount = other.readyCount;
    buildingCount = other.buildingCount;
    missingCount = other.missingCount;
    poolHotFixAccess = other.poolHotFixAccess;
    std::memcpy(stateText, other.stateText, sizeof stateText);
    std::memcpy(typeText, other.typeText, sizeof typeText);
    refreshInterval = other.refreshInterval;
    controller = other.controller;
    arrayIndex = other.arrayIndex;
    controllerNumber = other.controllerNumber;
    if (!CopyIndexList(pending, other.pending) || !CopyIndexList(components, other.components) ||
        !CopyIndexList(hostDrives, other.hostDrives))
        error = MODERR_NO_MEMORY;
}

void CMirrorDrive::SetTexts()
{
    std::snprintf(stateText, sizeof stateText, "%s",
                  missingCount > 0 ? "fail" : buildingCount > 0 ? "build" : "ready");
    std::snprintf(typeText, sizeof typeText, "RAID-1");
}

int CMirrorDrive::Refresh()
{
    poolHotFixAccess = 0;
    SetTexts();
    uint8_t flag[4] = {};
    wire::put32(flag, 0, kFlagRead);
    error = ctl_get_drive_flag(controllerNumber, 0, mirrorNumber, flag);
    if (error != 0) {
        wire::put32(flag, 0, kFlagRead);
        error = ctl_get_array_flag(controllerNumber, 0, mirrorNumber, flag);
        if (error != 0)
            return 0;
    }
    poolHotFixAccess = wire::get32(flag, 0) != 0 ? 1 : 0;
    return 1;
}

bool CMirrorDrive::OnlyMirror() const
{
    return controller->mirrorDrives.count == 1 && controller->arrayDrives.count == 0;
}

uint32_t CMirrorDrive::SettleSplitDrive(uint16_t number, int deleteDrive)
{
    if (deleteDrive)
        return ctl_rec_drive_cmd_0f(controllerNumber, number);
    if (controller->FirmwareLevel() >= kLevelHostTables) {
        CLogDrive drive(controllerNumber, number, 0, 0, 0, controller, 1);
        drive.CreateHostDrive(number);
    }
    return 0;
}

int CMirrorDrive::RemoveComponent(int deleteDrives, int reRead, int position)
{
    CController* owner = controller;
    const bool whole = position == -1;
    if (!whole && (position < 0 || position >= components.count)) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= owner->logDrives.count) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
    }
    if (missingCount > 0 && !RemoveMissingComponents(0))
        return 0;
    const int first = whole ? 1 : position;
    const int last = whole ? components.count - 1 : position;
    int minimum = kNoneFree;
    for (int i = first; i <= last; ++i) {
        // Each component gets a number of its own: never one handed out before.
        const int number = owner->GetFreeDriveNumber(minimum);
        if (number == kNoneFree || (minimum != kNoneFree && number < minimum)) {
            error = MODERR_NO_SPACE;
            return 0;
        }
        const int component = owner->logDrives[components[i]].driveNumber;
        error = ctl_rec_set_drive_param_11(controllerNumber, static_cast<uint16_t>(component),
                                           static_cast<uint16_t>(number));
        if (error != 0)
            return 0;
        error = SettleSplitDrive(static_cast<uint16_t>(number), deleteDrives);
        if (error != 0)
            return 0;
        minimum = number + 1;
    }
    if (whole && deleteDrives && components.count > 0) {
        CLogDrive& master = owner->logDrives[components[0]];
        if (!master.Remove(0)) {
            error = master.error;
            return 0;
        }
    }
    if ((whole || readyCount + buildingCount == 2) && OnlyMirror())
        owner->ReleasePoolHotFixDrives(1);
    error = owner->CommitConfiguration();
    // A re-read replaces this object: nothing of it is touched afterwards.
    return reRead ? owner->ReReadConfiguration() : 1;
}

int CMirrorDrive::AddComponents(int reRead)
{
    CController* owner = controller;
    for (int i = 0; i < pending.count; ++i) {
        if (pending[i] < 0 || pending[i] >= owner->logDrives.count) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
    }
    for (int i = 0; i < pending.count; ++i) {
        const int number = owner->logDrives[pending[i]].driveNumber;
        owner->ReleaseHostDrive(number);
        error = ctl_rec_set_drive_param_10(controllerNumber, static_cast<uint16_t>(number), mirrorNumber);
        if (error != 0)
            return 0;
    }
    error = owner->CommitConfiguration();
    return reRead ? owner->ReReadConfiguration() : 1;
}

int CMirrorDrive::RemoveMissingComponents(int reRead)
{
    CController* owner = controller;
    error = ctl_rec_remove_missing_mirror_components(controllerNumber, mirrorNumber);
    if (error != 0)
        return 0;
    if (OnlyMirror())
        owner->ReleasePoolHotFixDrives(0);
    error = owner->CommitConfiguration();
    return reRead ? owner->ReReadConfiguration() : 1;
}

int CMirrorDrive::GetName(char* out9) const
{
    if (out9 == nullptr || components.count == 0 || components[0] < 0 || components[0] >= controller->logDrives.count)
        return 0;
    std::memcpy(out9, controller->logDrives[components[0]].info + LDINFO_MIRROR_NAME, DRIVE_NAME_SIZE);
    out9[DRIVE_NAME_SIZE] = '\0';
    return 1;
}

int CMirrorDrive::SetName(const char* text)
{
    if (text == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    error = ctl_rec_set_drive_name(controllerNumber, mirrorNumber, text);
    if (error != 0)
        return 0;
    error = controller->CommitConfiguration();
    if (components.count > 0 && components[0] >= 0 && components[0] < controller->logDrives.count)
        controller->logDrives[components[0]].Refresh();
    return 1;
}

uint32_t CMirrorDrive::SendPoolAccess(int on)
{
    uint32_t rc = on ? ctl_drive_flag_on(controllerNumber, 0, mirrorNumber)
                     : ctl_drive_flag_off(controllerNumber, 0, mirrorNumber);
    if (rc != 0)
        rc = on ? ctl_array_flag_on(controllerNumber, 0, mirrorNumber)
                : ctl_array_flag_off(controllerNumber, 0, mirrorNumber);
    return rc;
}

int CMirrorDrive::SetPoolHotFixAccess(int on)
{
    error = SendPoolAccess(on);
    if (error != 0)
        return 0;
    return Refresh();
}

int CMirrorDrive::AddPendingComponent(int index)
{
    const int at = AppendIndex(pending, index);
    if (at < 0)
        error = MODERR_NO_MEMORY;
    return at;
}

int CMirrorDrive::RemovePendingComponent(int position)
{
    return RemoveIndexAt(pending, position, error);
}

int CMirrorDrive::AddHotFixDrives(int refresh)
{
    CController* owner = controller;
    // The request holds 35 entries; more cannot be added in one.
    if (pending.count > POOL_MAX_ENTRIES) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    for (int i = 0; i < pending.count; ++i) {
        if (pending[i] < 0 || pending[i] >= owner->logDrives.count) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
    }
    uint8_t rec[POOL_MAX_ENTRIES * POOL_ENTRY_SIZE] = {};
    int entries = 0;
    for (int i = 0; i < pending.count; ++i) {
        const int number = owner->logDrives[pending[i]].driveNumber;
        owner->ReleaseHostDrive(number);
        wire::put32(rec, POOL_ENTRY_SIZE * entries++ + 4, static_cast<uint32_t>(number));
    }
    if (entries < POOL_MAX_ENTRIES)
        wire::put32(rec, POOL_ENTRY_SIZE * entries++ + 4, POOL_END);
    error = ctl_add_pool_hot_fix(controllerNumber, rec, static_cast<uint16_t>(POOL_ENTRY_SIZE * entries));
    if (error != 0)
        return 0;
    if (!SetPoolHotFixAccess(1))
        return 0;
    error = owner->CommitConfiguration();
    return refresh ? owner->Refresh() : 1;
}

int CMirrorDrive::RemoveHotFixDrive(int logIndex, int deleteDrive, int refresh)
{
    CController* owner = controller;
    if (logIndex < 0 || logIndex >= owner->logDrives.count) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    CLogDrive& drive = owner->logDrives[logIndex];
    uint8_t rec[2 * POOL_ENTRY_SIZE] = {};
    wire::put32(rec, 4, static_cast<uint32_t>(drive.driveNumber));
    wire::put32(rec, POOL_ENTRY_SIZE + 4, POOL_END);
    error = ctl_remove_pool_hot_fix(controllerNumber, rec, static_cast<uint16_t>(sizeof rec));
    if (error != 0)
        return 0;
    if (deleteDrive) {
        if (!drive.Remove(0)) {
            error = drive.error;
            return 0;
        }
    } else if (owner->FirmwareLevel() >= kLevelHostTables) {
        drive.arrayIndex = -1;
        if (owner->freeDrives.count > 0)
            drive.CreateHostDrive(drive.driveNumber);
    }
    return refresh ? owner->Refresh() : 1;
}

int CMirrorDrive::GetBuildProgress(ProgressRequest* r)
{
    if (r == nullptr || r->operation != PROGRESS_QUERY) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    if (buildingCount == 0) {
        error = MODERR_ACTIVE_STATE;
        return 0;
    }
    uint8_t rec[4] = {kStateQuery, 0, 0, 0};
    error = ctl_array_state_cmd_09(controllerNumber, 0, mirrorNumber, rec);
    if (error != 0)
        return 0;
    r->state = 0;
    r->percent = rec[kStatePercent];
    r->value = 0;
    return r->percent < kPercentDone ? 1 : 0;
}

bool CMirrorDrive::Identify()
{
    bool all = true;
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= controller->logDrives.count) {
            all = false;
            continue;
        }
        CLogDrive& drive = controller->logDrives[components[i]];
        if (!drive.Identify()) {
            error = drive.error;
            all = false;
        }
    }
    return all;
}

bool CMirrorDrive::QueryComponentDisks(void* record)
{
    if (record == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return false;
    }
    const size_t size =
        COMPDISKS_HEAD + COMPDISKS_ENTRY * static_cast<size_t>(wire::get16(static_cast<uint8_t*>(record), COMPDISKS_ROOM));
    if (size > kMaxRequestSize) {
        error = MODERR_BAD_PARAMETER;
        return false;
    }
    error = ctl_get_drive_param_6f(controllerNumber, mirrorNumber, record, static_cast<uint16_t>(size));
    return error == 0;
}

bool CMirrorDrive::HasConfigAccess() const
{
    const ClusterInfo* c = FirstHostCluster(controller, hostDrives);
    return c == nullptr || !(c->type == 1 && c->hasAccess == 0);
}

bool CMirrorDrive::IsSharedWithOtherNodes() const
{
    const ClusterInfo* c = FirstHostCluster(controller, hostDrives);
    return c != nullptr && c->type == 1 && c->shared != 0;
}

bool CMirrorDrive::IsClusterDrive() const
{
    return hostDrives.count > 0 && hostDrives[0] >= 0 && hostDrives[0] < controller->hostDrives.count &&
           controller->hostDrives[hostDrives[0]].cluster.type == 1;
}

bool CMirrorDrive::HasOldFormatMembers() const
{
    if (controller->FirmwareLevel() < kLevelCluster)
        return true;
    if (controller->FirmwareVersion() <= kVersionDiskFormat)
        return false;
    for (int i = 0; i < components.count; ++i)
        if (components[i] >= 0 && components[i] < controller->logDrives.count &&
            controller->logDrives[components[i]].HasOldFormatMembers())
            return true;
    return false;
}

int CMirrorDrive::ReleaseEnclosureSlots()
{
    CArray<int> disks;
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= controller->logDrives.count)
            continue;
        const CArray<int>& own = controller->logDrives[components[i]].disks;
        for (int k = 0; k < own.count; ++k) {
            if (AppendIndex(disks, own[k]) < 0) {
                error = MODERR_NO_MEMORY;
                return 0;
            }
        }
    }
    if (!ReleaseEnclosureProcessorSlots(*controller, disks, error))
        return 0;
    return ReleaseEnclosureConfigSlots(*controller, disks, error) ? 1 : 0;
}

void CMirrorDrive::ThreadProc1(CThreadEntry& slot)
{
    RunRefreshWorker(slot);
}

int CMirrorDrive::SetAutoRefresh(int seconds)
{
    return SwitchAutoRefresh(seconds);
}
