// CArrayDrive: construction, copying, reading the array, and the operations
// on its components, hot fix drives, name, pool access and host drives.
#include "array_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "drive_lists.h"
#include "enclosure_release.h"
#include "firmware_levels.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kArrayWorkerSlots = 1;

// Writes slot k of a slot list: {u32 serial, drive, mark, 0, 0}.
void PutSlot(uint8_t* list, int k, uint32_t serial, uint8_t drive, uint8_t mark)
{
    uint8_t* s = list + ARREC_SLOT_SIZE * static_cast<size_t>(k);
    wire::put32(s, 0, serial);
    s[ARREC_SLOT_DRIVE] = drive;
    s[ARREC_SLOT_FAILED] = mark;
}

}  // namespace

CArrayDrive::CArrayDrive() : CDriveObject(kArrayWorkerSlots) {}

CArrayDrive::CArrayDrive(uint16_t controllerNo, int number, CController* owner, int refreshNow)
    : CDriveObject(kArrayWorkerSlots), arrayNumber(static_cast<uint16_t>(number)), controller(owner),
      controllerNumber(controllerNo)
{
    if (refreshNow)
        Refresh();
}

CArrayDrive::CArrayDrive(const CArrayDrive& other) : CDriveObject(other)
{
    CompleteCopy(other);
}

CArrayDrive& CArrayDrive::operator=(const CArrayDrive& other)
{
    return AssignCopy(other);
}

void CArrayDrive::CopyFields(const CArrayDrive& other)
{
    arrayNumber = other.arrayNumber;
    poolHotFixAccess = other.poolHotFixAccess;
    std::memcpy(info, other.info, sizeof info);
    std::memcpy(stateText, other.stateText, sizeof stateText);
    std::memcpy(attributeText, other.attributeText, sizeof attributeText);
    std::memcpy(typeText, other.typeText, sizeof typeText);
    controller = other.controller;
    controllerNumber = other.controllerNumber;
    progress = other.progress;
    if (!CopyIndexList(pending, other.pending) || !CopyIndexList(components, other.components) ||
        !CopyIndexList(hostDrives, other.hostDrives))
        error = MODERR_NO_MEMORY;
}

uint32_t CArrayDrive::Capacity() const
{
    return wire::get32(info, ARREC_CAPACITY);
}

int CArrayDrive::SlotCount() const
{
    const int n = info[ARREC_SLOT_COUNT];
    return n > ARREC_MAX_SLOTS ? ARREC_MAX_SLOTS : n;
}

uint32_t CArrayDrive::ParityCommand(uint8_t code, int* percent)
{
    uint8_t rec[ARCMD_SIZE] = {code, 0, 0, 0};
    const uint32_t rc = ctl_array_parity_cmd(controllerNumber, 0, arrayNumber, rec);
    if (percent != nullptr)
        *percent = rec[ARCMD_PERCENT];
    return rc;
}

int CArrayDrive::Refresh()
{
    uint8_t buf[ARRAY_RECORD_SIZE] = {};
    error = ctl_get_array_info(controllerNumber, 0, arrayNumber, buf);
    if (error != 0)
        return 0;
    std::memcpy(info, buf, sizeof info);
    if (controller != nullptr && controller->FirmwareLevel() >= kLevelCluster && info[ARREC_OFFLINE] != 0)
        std::snprintf(attributeText, sizeof attributeText, "offline");
    else
        std::snprintf(attributeText, sizeof attributeText, "%s%s", info[ARREC_WRITE_PROTECTED] != 0 ? "RO " : "RW ",
                      info[ARREC_REMOVABLE] != 0 ? "RM" : "");
    const uint8_t type = Type();
    std::snprintf(typeText, sizeof typeText, "%s",
                  type == RAID_TYPE_0   ? "RAID-0"
                  : type == RAID_TYPE_4 ? "RAID-4"
                  : type == RAID_TYPE_5 ? "RAID-5"
                                        : "RAID-10");
    const char* state = "error";
    switch (State()) {
    case ARSTATE_IDLE: state = "idle"; break;
    case ARSTATE_BUILD: state = "build"; break;
    case ARSTATE_READY: state = "ready"; break;
    case ARSTATE_FAIL: state = "fail"; break;
    case ARSTATE_REBUILD:
    case ARSTATE_REBUILD2: state = "rebuild"; break;
    default: break;
    }
    const uint8_t flags = info[ARREC_FLAGS];
    const char* suffix = (flags & ARFLAG_EXPANDING) != 0      ? "/expand"
                         : (flags & ARFLAG_PARITY_ERROR) != 0 ? "/p.err"
                         : (flags & ARFLAG_PATCHED) != 0      ? "/patch"
                                                              : "";
    std::snprintf(stateText, sizeof stateText, "%s%s", state, suffix);

    poolHotFixAccess = 0;
    uint8_t flag[4] = {};
    wire::put32(flag, 0, kFlagRead);
    error = ctl_get_array_flag(controllerNumber, 0, arrayNumber, flag);
    if (error != 0)
        return 0;
    poolHotFixAccess = wire::get32(flag, 0) != 0 ? 1 : 0;

    // Parity verify progress.
    uint8_t& verify = info[ARREC_VERIFY];
    auto running = [&verify] { return verify == ARVERIFY_STARTING || verify == ARVERIFY_RUNNING; };
    if (running() && State() != ARSTATE_READY)
        verify = ARVERIFY_STOPPED;
    if (!running() && progress < 0)
        return 1;
    if (State() != ARSTATE_READY) {
        verify = ARVERIFY_STOPPED;
        progress = VERIFY_PROGRESS_FAILED;
        return 1;
    }
    int percent = 0;
    const uint32_t rc = ParityCommand(ARCMD_QUERY, &percent);
    if (rc != 0 || percent > 99) {
        // A verify that ended between the record and the query: the record
        // read before it still says running, so its outcome is read again.
        uint8_t again[ARRAY_RECORD_SIZE] = {};
        if (rc == 0 && running() && ctl_get_array_info(controllerNumber, 0, arrayNumber, again) == 0)
            verify = again[ARREC_VERIFY];
        progress = verify == ARVERIFY_DONE ? VERIFY_PROGRESS_OK : VERIFY_PROGRESS_FAILED;
    } else {
        progress = percent;
    }
    return 1;
}

int CArrayDrive::RefreshController(int refresh)
{
    // A refresh replaces this object: nothing of it is touched afterwards.
    return refresh ? controller->Refresh() : 1;
}

bool CArrayDrive::PendingValid() const
{
    for (int i = 0; i < pending.count; ++i)
        if (pending[i] < 0 || pending[i] >= controller->logDrives.count)
            return false;
    return true;
}

int CArrayDrive::Remove(int freeComponents, int reRead)
{
    CController* owner = controller;
    owner->ReleaseHostDrive(arrayNumber);
    error = ctl_remove_array(controllerNumber, 0, arrayNumber);
    if (error != 0)
        return 0;
    CArray<int> parts;
    if (!CopyIndexList(parts, components)) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    if (owner->FirmwareLevel() >= kLevelHostTables) {
        for (int i = 0; i < parts.count; ++i) {
            if (parts[i] < 0 || parts[i] >= owner->logDrives.count)
                continue;
            CLogDrive& drive = owner->logDrives[parts[i]];
            drive.arrayIndex = -1;
            if ((drive.kind & ~LDKIND_POOL_HOT_FIX) != LDKIND_MISSING)
                drive.CreateHostDrive(drive.driveNumber);
        }
    }
    if (freeComponents) {
        for (int i = 0; i < parts.count; ++i) {
            if (parts[i] < 0 || parts[i] >= owner->logDrives.count)
                continue;
            CLogDrive& drive = owner->logDrives[parts[i]];
            if ((drive.kind & ~LDKIND_POOL_HOT_FIX) == LDKIND_MISSING)
                continue;
            const int mirror = drive.mirrorIndex;
            if (mirror >= 0 && mirror < owner->mirrorDrives.count)
                owner->mirrorDrives[mirror].RemoveComponent(1, 0, -1);
            else
                drive.Remove(0);
        }
    }
    if (owner->mirrorDrives.count == 0 && owner->arrayDrives.count == 1)
        owner->ReleasePoolHotFixDrives(freeComponents);
    // A re-read replaces this object: nothing of it is touched afterwards.
    return reRead ? owner->ReReadConfiguration() : 1;
}

int CArrayDrive::ReleaseEnclosureSlots()
{
    CArray<int> all;     // every disk, through the mirrors
    CArray<int> plain;   // disks of components in no mirror, not yet released
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= controller->logDrives.count)
            continue;
        const CLogDrive& drive = controller->logDrives[components[i]];
        const int mirror = drive.mirrorIndex;
        CArray<int> own;
        if (mirror >= 0 && mirror < controller->mirrorDrives.count) {
            const CMirrorDrive& m = controller->mirrorDrives[mirror];
            for (int k = 0; k < m.components.count; ++k)
                if (m.components[k] >= 0 && m.components[k] < controller->logDrives.count)
                    for (int d = 0; d < controller->logDrives[m.components[k]].disks.count; ++d)
                        if (AppendIndex(own, controller->logDrives[m.components[k]].disks[d]) < 0)
                            error = MODERR_NO_MEMORY;
        } else {
            for (int d = 0; d < drive.disks.count; ++d)
                if (AppendIndex(own, drive.disks[d]) < 0 || AppendIndex(plain, drive.disks[d]) < 0)
                    error = MODERR_NO_MEMORY;
        }
        for (int d = 0; d < own.count; ++d)
            if (AppendIndex(all, own[d]) < 0)
                error = MODERR_NO_MEMORY;
    }
    if (error == MODERR_NO_MEMORY)
        return 0;
    if (!ReleaseEnclosureProcessorSlots(*controller, all, error))
        return 0;
    // Controller enclosure configurations: a mirrored component writes back
    // what is pending, then releases its mirror's disks.
    CArray<int> batch;
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= controller->logDrives.count)
            continue;
        const CLogDrive& drive = controller->logDrives[components[i]];
        const int mirror = drive.mirrorIndex;
        if (mirror < 0 || mirror >= controller->mirrorDrives.count) {
            for (int d = 0; d < drive.disks.count; ++d)
                if (AppendIndex(batch, drive.disks[d]) < 0) {
                    error = MODERR_NO_MEMORY;
                    return 0;
                }
            continue;
        }
        if (batch.count > 0 && !ReleaseEnclosureConfigSlots(*controller, batch, error))
            return 0;
        batch.SetSize(0);
        CArray<int> mirrored;
        const CMirrorDrive& m = controller->mirrorDrives[mirror];
        for (int k = 0; k < m.components.count; ++k)
            if (m.components[k] >= 0 && m.components[k] < controller->logDrives.count)
                for (int d = 0; d < controller->logDrives[m.components[k]].disks.count; ++d)
                    if (AppendIndex(mirrored, controller->logDrives[m.components[k]].disks[d]) < 0) {
                        error = MODERR_NO_MEMORY;
                        return 0;
                    }
        if (!ReleaseEnclosureConfigSlots(*controller, mirrored, error))
            return 0;
    }
    return batch.count == 0 || ReleaseEnclosureConfigSlots(*controller, batch, error) ? 1 : 0;
}

int CArrayDrive::CreateHostDrive(int n)
{
    uint32_t reserve = 0;
    if (controller->FirmwareVersion() > kVersionReserved)
        reserve = wire::get32(controller->boardDetails, kBoardDetailsReserved) / kSector;
    if (controller->FirmwareVersion() > kVersionDiskFormat && HasOldFormatMembers())
        reserve = 0;
    const uint32_t capacity = Capacity();
    // An array no larger than the reserved area has no room for a host drive.
    if (capacity <= reserve) {
        error = MODERR_NO_SPACE;
        return 0;
    }
    DriveGeometry g;
    CController::ComputeGeometry(capacity, &g);
    uint8_t rec[HDCREATE_SIZE] = {};
    wire::put32(rec, HDTABLE_COUNT, 1);
    wire::put32(rec, HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
    rec[HDTABLE_SECTORS] = g.sectors;
    rec[HDTABLE_HEADS] = g.heads;
    const uint8_t clusterType =
        controller->FirmwareLevel() >= kLevelCluster && controller->IsClusterEnabled() ? kClusterPrivate : 0;
    rec[HDTABLE_CLUSTER] = clusterType;
    uint8_t* e = rec + HDTABLE_HEAD;
    HostDriveEntry entry;
    for (size_t i = 0; i < HDENTRY_NAME_CHARS && info[ARREC_NAME + i] != 0; ++i)
        e[HDENTRY_NAME + i] = static_cast<uint8_t>(entry.name[i] = static_cast<char>(info[ARREC_NAME + i]));
    entry.sectors = capacity - reserve;
    entry.number = static_cast<uint8_t>(n);
    entry.carrier = static_cast<uint8_t>(arrayNumber);
    entry.start = reserve;
    wire::put32(e, HDENTRY_SECTORS, entry.sectors);
    e[HDENTRY_NUMBER] = entry.number;
    e[HDENTRY_CARRIER] = entry.carrier;
    wire::put32(e, HDENTRY_START, entry.start);
    error = ctl_write_host_drive_table(controllerNumber, 0, arrayNumber, rec, static_cast<uint16_t>(HDCREATE_SIZE));
    if (error != 0)
        return 0;
    ClusterInfo cluster;
    cluster.type = clusterType;
    const CHostDrive made(controllerNumber, entry, g, cluster, kCarrierArray, controller);
    CArray<CHostDrive>& list = controller->hostDrives;
    if (list.SetSize(list.count + 1))
        list[list.count - 1] = made;
    return 1;
}

int CArrayDrive::SetName(const char* text)
{
    if (text == nullptr || std::strlen(text) > DRIVE_NAME_SIZE) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    char name[DRIVE_NAME_SIZE] = {};
    std::memcpy(name, text, std::strlen(text));
    error = ctl_set_array_name(controllerNumber, 0, arrayNumber, name);
    if (error != 0)
        return 0;
    return Refresh();
}

int CArrayDrive::SetPoolHotFixAccess(int on)
{
    error = on ? ctl_array_flag_on(controllerNumber, 0, arrayNumber) : ctl_array_flag_off(controllerNumber, 0, arrayNumber);
    if (error != 0)
        return 0;
    return Refresh();
}

int CArrayDrive::AddPendingComponent(int index)
{
    const int at = AppendIndex(pending, index);
    if (at < 0)
        error = MODERR_NO_MEMORY;
    return at;
}

int CArrayDrive::RemovePendingComponent(int position)
{
    return RemoveIndexAt(pending, position, error);
}

int CArrayDrive::AddHotFixDrives(int pool, int refresh)
{
    CController* owner = controller;
    // The request holds 35 entries; more cannot be added in one.
    if (pending.count > ARREC_MAX_SLOTS || !PendingValid()) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const int members = info[ARREC_DATA_COUNT] - (Type() == RAID_TYPE_5 ? 1 : 0);
    if (members <= 0) {
        error = MODERR_NOT_SUPPORTED;
        return 0;
    }
    const uint32_t memberSize = Capacity() / static_cast<uint32_t>(members);
    const uint32_t serial = owner->SerialNumber();
    int entries = 0;
    if (pool) {
        uint8_t rec[(POOL_MAX_ENTRIES + 1) * POOL_ENTRY_SIZE] = {};
        for (int i = 0; i < pending.count; ++i) {
            const int number = owner->logDrives[pending[i]].driveNumber;
            owner->ReleaseHostDrive(number);
            wire::put32(rec, POOL_ENTRY_SIZE * static_cast<size_t>(entries++) + 4, static_cast<uint32_t>(number));
        }
        if (entries < POOL_MAX_ENTRIES)
            wire::put32(rec, POOL_ENTRY_SIZE * static_cast<size_t>(entries++) + 4, POOL_END);
        error = ctl_add_pool_hot_fix(controllerNumber, rec, static_cast<uint16_t>(POOL_ENTRY_SIZE * static_cast<size_t>(entries)));
        if (error == 0)
            error = ctl_array_flag_on(controllerNumber, 0, arrayNumber);
    } else {
        uint8_t rec[ARREC_SLOT_LIST_SIZE] = {};
        for (int i = 0; i < pending.count; ++i) {
            const CLogDrive& drive = owner->logDrives[pending[i]];
            // A drive smaller than a component cannot stand for one.
            if (wire::get32(drive.info, LDINFO_CAPACITY) < memberSize)
                continue;
            owner->ReleaseHostDrive(drive.driveNumber);
            PutSlot(rec, entries++, serial, static_cast<uint8_t>(drive.driveNumber), 0);
        }
        if (entries < ARREC_MAX_SLOTS)
            PutSlot(rec, entries, 0, ARREC_SLOT_END, ARREC_SLOT_END);
        error = ctl_add_array_components(controllerNumber, arrayNumber, rec, static_cast<uint16_t>(sizeof rec));
    }
    if (error != 0)
        return 0;
    return RefreshController(refresh);
}

int CArrayDrive::RemoveHotFixDrive(int logIndex, int deleteDrive, int refresh)
{
    CController* owner = controller;
    if (logIndex < 0 || logIndex >= owner->logDrives.count) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    CLogDrive& drive = owner->logDrives[logIndex];
    if (drive.IsPoolHotFix()) {
        uint8_t rec[2 * POOL_ENTRY_SIZE] = {};
        wire::put32(rec, 4, static_cast<uint32_t>(drive.driveNumber));
        wire::put32(rec, POOL_ENTRY_SIZE + 4, POOL_END);
        error = ctl_remove_pool_hot_fix(controllerNumber, rec, static_cast<uint16_t>(sizeof rec));
    } else {
        uint8_t rec[ARREC_SLOT_LIST_SIZE] = {};
        PutSlot(rec, 0, owner->SerialNumber(), static_cast<uint8_t>(drive.driveNumber), 0);
        for (int k = 1; k < ARREC_MAX_SLOTS; ++k)
            PutSlot(rec, k, 0, ARREC_SLOT_END, ARREC_SLOT_END);
        error = ctl_remove_array_component(controllerNumber, arrayNumber, rec, static_cast<uint16_t>(sizeof rec));
    }
    if (error != 0)
        return 0;
    if (deleteDrive) {
        if (!drive.Remove(0)) {
            error = drive.error;
            return 0;
        }
    } else if (owner->FirmwareLevel() >= kLevelHostTables) {
        drive.arrayIndex = -1;
        const int number = owner->GetFreeDriveNumber(kNoneFree);
        if (number != kNoneFree)
            drive.CreateHostDrive(number);
    }
    return RefreshController(refresh);
}

int CArrayDrive::ReplaceComponent(int slot, int logIndex, int refresh)
{
    CController* owner = controller;
    // Only a filled slot can be replaced.
    if (slot < 0 || slot >= SlotCount() || logIndex < 0 || logIndex >= owner->logDrives.count) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    CLogDrive& drive = owner->logDrives[logIndex];
    const uint32_t serial = owner->SerialNumber();
    uint8_t rec[ARREPLACE_SIZE] = {};
    const uint8_t* s = info + ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(slot);
    wire::put32(rec, 0, serial);
    rec[4] = s[ARREC_SLOT_DRIVE];
    rec[5] = s[ARREC_SLOT_FAILED];
    wire::put32(rec, 8, serial);
    rec[12] = static_cast<uint8_t>(drive.driveNumber);
    error = ctl_replace_array_component(controllerNumber, 0, arrayNumber, rec);
    if (error != 0)
        return 0;
    if (!drive.IsPoolHotFix() && !drive.isPrivateHotFix)
        owner->ReleaseHostDrive(drive.driveNumber);
    return RefreshController(refresh);
}

bool CArrayDrive::QueryComponentDisks(void* record)
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
    error = ctl_get_array_param_32(controllerNumber, arrayNumber, record, static_cast<uint16_t>(size));
    return error == 0;
}

bool CArrayDrive::Identify()
{
    bool all = true;
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= controller->logDrives.count) {
            all = false;
            continue;
        }
        CLogDrive& drive = controller->logDrives[components[i]];
        const int mirror = drive.mirrorIndex;
        const bool ok = mirror >= 0 && mirror < controller->mirrorDrives.count
                            ? controller->mirrorDrives[mirror].Identify()
                            : drive.Identify() != 0;
        if (!ok) {
            error = mirror >= 0 && mirror < controller->mirrorDrives.count ? controller->mirrorDrives[mirror].error
                                                                             : drive.error;
            all = false;
        }
    }
    return all;
}

int CArrayDrive::FindComponentSlot(int position) const
{
    if (position < 0 || position >= components.count || components[position] < 0 ||
        components[position] >= controller->logDrives.count)
        return -1;
    const int number = controller->logDrives[components[position]].driveNumber;
    for (int k = 0; k < SlotCount(); ++k)
        if (SlotDrive(k) == number)
            return k;
    return -1;
}

bool CArrayDrive::HasConfigAccess() const
{
    const ClusterInfo* c = FirstHostCluster(controller, hostDrives);
    return c == nullptr || !(c->type == 1 && c->hasAccess == 0);
}

bool CArrayDrive::IsSharedWithOtherNodes() const
{
    const ClusterInfo* c = FirstHostCluster(controller, hostDrives);
    return c != nullptr && c->type == 1 && c->shared != 0;
}

bool CArrayDrive::IsClusterDrive() const
{
    return hostDrives.count > 0 && hostDrives[0] >= 0 && hostDrives[0] < controller->hostDrives.count &&
           controller->hostDrives[hostDrives[0]].cluster.type == 1;
}

bool CArrayDrive::HasOldFormatMembers() const
{
    if (controller->FirmwareLevel() < kLevelCluster)
        return true;
    if (controller->FirmwareVersion() <= kVersionDiskFormat)
        return false;
    for (int k = 0; k < SlotCount(); ++k) {
        const int i = controller->FindLogicalDrive(SlotDrive(k));
        if (i >= 0 && controller->logDrives[i].HasOldFormatMembers())
            return true;
    }
    return false;
}

bool CArrayDrive::HasMirroredComponents() const
{
    for (int i = 0; i < components.count; ++i)
        if (components[i] >= 0 && components[i] < controller->logDrives.count &&
            controller->logDrives[components[i]].mirrorIndex >= 0)
            return true;
    return false;
}

void CArrayDrive::ThreadProc1(CThreadEntry& slot)
{
    RunRefreshWorker(slot);
}

int CArrayDrive::SetAutoRefresh(int seconds)
{
    return SwitchAutoRefresh(seconds);
}
