// CLogDrive: construction, copying, reading the drive and its operations
// other than those that make array drives.
#include "log_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "ctl_drives.h"
#include "drive_lists.h"
#include "firmware_levels.h"
#include "model_alloc.h"
#include "model_errors.h"
#include "request_words.h"
#include "stat_samples.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kLogWorkerSlots = 1;
constexpr uint8_t kOldDiskFormat = 1;
constexpr size_t kReadCheckSize = 529;             // one block and the request head
constexpr size_t kDeviceRefSize = 10;
constexpr uint8_t kReadModeOld = 1;
constexpr uint8_t kReadModeNew = 14;

// The number of the role byte of a packed word.
int RoleByte(uint32_t word, int shift) { return static_cast<int>((word >> shift) & 0xFF); }

// Copies text into a fixed text field.
void SetText(char* field, size_t size, const char* text) { std::snprintf(field, size, "%s", text); }

}  // namespace

CLogDrive::CLogDrive() : CDriveObject(kLogWorkerSlots) {}

CLogDrive::CLogDrive(uint16_t controllerNo, int number, uint32_t, uint32_t word1, uint32_t word2, CController* owner,
                     int refreshNow)
    : CDriveObject(kLogWorkerSlots), driveNumber(number), isMaster(RoleByte(word1, 16)), isParity(RoleByte(word1, 24)),
      isPrivateHotFix(RoleByte(word2, 0)), controller(owner), controllerNumber(controllerNo)
{
    SetMissing();
    if (refreshNow)
        Refresh();
}

CLogDrive::CLogDrive(const CLogDrive& other) : CDriveObject(other)
{
    CompleteCopy(other);
}

CLogDrive& CLogDrive::operator=(const CLogDrive& other)
{
    return AssignCopy(other);
}

void CLogDrive::CopyFields(const CLogDrive& other)
{
    driveNumber = other.driveNumber;
    kind = other.kind;
    std::memcpy(info, other.info, sizeof info);
    std::memcpy(stateText, other.stateText, sizeof stateText);
    std::memcpy(attributeText, other.attributeText, sizeof attributeText);
    std::memcpy(kindText, other.kindText, sizeof kindText);
    isMaster = other.isMaster;
    isParity = other.isParity;
    isPrivateHotFix = other.isPrivateHotFix;
    for (int i = 0; i < DRIVE_SAMPLES; ++i)
        samples[i] = other.samples[i];
    refreshInterval = other.refreshInterval;
    controller = other.controller;
    mirrorIndex = other.mirrorIndex;
    arrayIndex = other.arrayIndex;
    controllerNumber = other.controllerNumber;
    if (!CopyIndexList(pending, other.pending) || !CopyIndexList(disks, other.disks) ||
        !CopyIndexList(hostDrives, other.hostDrives))
        error = MODERR_NO_MEMORY;
}

void CLogDrive::SetMissing()
{
    kind = LDKIND_MISSING;
    std::memset(info, 0, sizeof info);
    SetText(kindText, sizeof kindText, "???");
    SetText(stateText, sizeof stateText, "missing");
    attributeText[0] = '\0';
}

int CLogDrive::Refresh()
{
    uint8_t buf[LDINFO_SIZE] = {};
    error = ctl_read_logical_drive_info(controllerNumber, static_cast<uint16_t>(driveNumber), buf);
    if (error != 0)
        return 0;
    std::memcpy(info, buf, sizeof info);
    switch (wire::get16(info, LDINFO_TYPE)) {
    case DRIVE_TYPE_SINGLE:
        kind = LDKIND_DISK;
        SetText(kindText, sizeof kindText, "Disk");
        break;
    case DRIVE_TYPE_RAID0:
        kind = LDKIND_RAID0;
        SetText(kindText, sizeof kindText, "raid-0");
        break;
    case DRIVE_TYPE_CHAIN:
        kind = LDKIND_CHAIN;
        SetText(kindText, sizeof kindText, "Chain");
        break;
    default:
        kind = LDKIND_MISSING;
        SetText(kindText, sizeof kindText, "???");
        SetText(stateText, sizeof stateText, "missing");
        attributeText[0] = '\0';
        return 1;
    }
    SetText(stateText, sizeof stateText, (info[LDINFO_FLAGS] & LDFLAG_FAILED) != 0 ? "fault" : "ready");
    std::snprintf(attributeText, sizeof attributeText, "%s %s", info[LDINFO_WRITE_PROTECTED] != 0 ? "RO" : "RW",
                  info[LDINFO_REMOVABLE] != 0 ? "RM" : "");
    if ((info[LDINFO_ATTRIBUTES] & 1) != 0)
        kind |= LDKIND_POOL_HOT_FIX;
    return 1;
}

int CLogDrive::AddPendingComponent(int index)
{
    const int at = AppendIndex(pending, index);
    if (at < 0)
        error = MODERR_NO_MEMORY;
    return at;
}

int CLogDrive::RemovePendingComponent(int position)
{
    return RemoveIndexAt(pending, position, error);
}

int CLogDrive::MakeMirror(int reRead)
{
    CController* owner = controller;
    for (int i = 0; i < pending.count; ++i) {
        if (pending[i] < 0 || pending[i] >= owner->logDrives.count) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
    }
    char name[DRIVE_NAME_SIZE + 1] = {};
    std::memcpy(name, info + LDINFO_NAME, DRIVE_NAME_SIZE);
    for (int i = 0; i < pending.count; ++i) {
        const int other = owner->logDrives[pending[i]].driveNumber;
        owner->ReleaseHostDrive(other);
        error = ctl_rec_set_drive_param_10(controllerNumber, static_cast<uint16_t>(other),
                                           static_cast<uint16_t>(driveNumber));
        if (error != 0)
            return 0;
        // The mirror takes the master's own name.
        if (i == 0) {
            error = ctl_rec_set_drive_name(controllerNumber, static_cast<uint16_t>(driveNumber), name);
            if (error != 0)
                return 0;
        }
    }
    error = owner->CommitConfiguration();
    // A re-read replaces this object: nothing of it is touched afterwards,
    // and a failure is in the controller's error word.
    return reRead ? owner->ReReadConfiguration() : 1;
}

bool CLogDrive::HasOldFormatMembers() const
{
    if (controller == nullptr || controller->FirmwareLevel() < kLevelCluster)
        return true;
    if (controller->FirmwareVersion() <= kVersionDiskFormat)
        return false;
    for (int i = 0; i < disks.count; ++i) {
        const int k = disks[i];
        if (k >= 0 && k < controller->physDrives.count &&
            controller->physDrives[k].info[DEVINFO_FORMAT] == kOldDiskFormat)
            return true;
    }
    return false;
}

int CLogDrive::CreateHostDrive(int hostNumber)
{
    uint32_t reserve = 0;
    if (controller->FirmwareVersion() > kVersionReserved)
        reserve = wire::get32(controller->boardDetails, kBoardDetailsReserved) / kSector;
    if (controller->FirmwareVersion() > kVersionDiskFormat && HasOldFormatMembers())
        reserve = 0;
    const uint32_t capacity = wire::get32(info, LDINFO_CAPACITY);
    // A drive no larger than the reserved area has no room for a host drive.
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
    if (controller->FirmwareLevel() >= kLevelCluster && controller->IsClusterEnabled())
        rec[HDTABLE_CLUSTER] = kClusterPrivate;
    uint8_t* e = rec + HDTABLE_HEAD;
    // A mirror component's host drive takes the mirror's name.
    const bool inMirror = mirrorIndex >= 0 || static_cast<int32_t>(wire::get32(info, LDINFO_NEXT)) != -1 ||
                          wire::get32(info, LDINFO_CHAIN_COUNT) > 1;
    const uint8_t* name = info + (inMirror ? LDINFO_MIRROR_NAME : LDINFO_NAME);
    for (size_t i = 0; i < HDENTRY_NAME_CHARS && name[i] != 0; ++i)
        e[HDENTRY_NAME + i] = name[i];
    wire::put32(e, HDENTRY_SECTORS, capacity - reserve);
    e[HDENTRY_NUMBER] = static_cast<uint8_t>(hostNumber);
    e[HDENTRY_CARRIER] = static_cast<uint8_t>(driveNumber);
    wire::put32(e, HDENTRY_START, reserve);
    error = ctl_write_host_drive_table(controllerNumber, 0, static_cast<uint32_t>(driveNumber), rec,
                                       static_cast<uint16_t>(HDCREATE_SIZE));
    return error == 0 ? 1 : 0;
}

int CLogDrive::SetName(const char* text)
{
    if (text == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    error = ctl_rec_set_device_name(controllerNumber, static_cast<uint16_t>(driveNumber), text);
    if (error != 0)
        return 0;
    error = controller->CommitConfiguration();
    return Refresh();
}

bool CLogDrive::CheckDisksReadable()
{
    auto* buf = static_cast<uint8_t*>(ModelAlloc(kDeviceRefSize + kReadCheckSize));
    if (buf == nullptr) {
        error = MODERR_NO_MEMORY;
        return false;
    }
    uint8_t* req = buf + kDeviceRefSize;
    bool readable = true;
    for (int i = 0; i < disks.count && readable; ++i) {
        const int k = disks[i];
        if (k < 0 || k >= controller->physDrives.count) {
            readable = false;
            break;
        }
        const CPhysDrive& disk = controller->physDrives[k];
        std::memset(req, 0, kReadCheckSize);
        wire::put32(req, BLOCKREAD_CONTROLLER, controllerNumber);
        wire::put32(req, BLOCKREAD_FIRST, 0);
        wire::put32(req, BLOCKREAD_COUNT, 1);
        req[BLOCKREAD_FLAGS] = controller->FirmwareLevel() >= kLevelCluster ? kReadModeNew : kReadModeOld;
        DeviceRef ref;
        ref.controller = controllerNumber;
        ref.channelIndex = static_cast<uint16_t>(disk.channel);
        ref.deviceIndex = disk.deviceIndex;
        if (ctl_get_device_record_27(ref, req, static_cast<uint16_t>(kReadCheckSize)) != 0)
            readable = false;
    }
    ModelFree(buf);
    // An unreadable disk is an answer, not a failure of the check.
    error = 0;
    return readable;
}

int CLogDrive::Identify()
{
    const size_t size = IDENTIFY_ENTRY + 8 * static_cast<size_t>(disks.count);
    if (size > kMaxRequestSize) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    auto* rec = static_cast<uint8_t*>(ModelAlloc(size));
    if (rec == nullptr) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    std::memset(rec, 0, size);
    rec[0] = 1;
    rec[2] = 1;
    rec[3] = 1;
    wire::put32(rec, IDENTIFY_COUNT, static_cast<uint32_t>(disks.count));
    wire::put32(rec, IDENTIFY_WORD, IDENTIFY_WORD_VALUE);
    for (int i = 0; i < disks.count; ++i) {
        const int k = disks[i];
        if (k < 0 || k >= controller->physDrives.count)
            continue;
        const CPhysDrive& disk = controller->physDrives[k];
        uint8_t* entry = rec + IDENTIFY_ENTRY + 8 * static_cast<size_t>(i);
        entry[0] = static_cast<uint8_t>(disk.channel);
        entry[1] = static_cast<uint8_t>(disk.targetId);
        entry[2] = static_cast<uint8_t>(disk.lun);
    }
    error = ctl_channel_request_54(controllerNumber, rec, static_cast<uint16_t>(size));
    ModelFree(rec);
    return error == 0 ? 1 : 0;
}

int CLogDrive::Remove(int refresh)
{
    CController* owner = controller;
    owner->ReleaseHostDrive(driveNumber);
    error = ctl_rec_drive_cmd_0f(controllerNumber, static_cast<uint16_t>(driveNumber));
    if (error != 0)
        return 0;
    error = owner->CommitConfiguration();
    // A refresh replaces this object: nothing of it is touched afterwards.
    return refresh ? owner->Refresh() : 1;
}

void CLogDrive::UpdateStatistics(DriveStatSample* x, int first)
{
    if (x != nullptr)
        StoreSample(samples, x, first, controller);
}

bool CLogDrive::HasConfigAccess() const
{
    const ClusterInfo* c = FirstHostCluster(controller, hostDrives);
    return c == nullptr || !(c->type == 1 && c->hasAccess == 0);
}

bool CLogDrive::IsSharedWithOtherNodes() const
{
    const ClusterInfo* c = FirstHostCluster(controller, hostDrives);
    return c != nullptr && c->type == 1 && c->shared != 0;
}

bool CLogDrive::QueryComponentDisks(void* record)
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
    error = ctl_get_drive_param_6f(controllerNumber, static_cast<uint32_t>(driveNumber), record,
                                   static_cast<uint16_t>(size));
    return error == 0;
}

int CLogDrive::CountSharedChannelPairs(const uint8_t* pairs, int pairCount, const CArray<int>& indexList) const
{
    if (pairs == nullptr || pairCount <= 0)
        return 0;
    for (int i = 0; i < indexList.count; ++i) {
        int uses = 0;
        for (int p = 0; p < pairCount; ++p)
            uses += (pairs[2 * p] == indexList[i]) + (pairs[2 * p + 1] == indexList[i]);
        if (uses > 1)
            return -1;
    }
    // Two drives share a channel when any disk of one sits on a channel of the other.
    auto channelShared = [this](int a, int b) {
        const CArray<CLogDrive>& drives = controller->logDrives;
        if (a >= drives.count || b >= drives.count)
            return false;
        for (int i = 0; i < drives[a].disks.count; ++i)
            for (int j = 0; j < drives[b].disks.count; ++j) {
                const int da = drives[a].disks[i];
                const int db = drives[b].disks[j];
                if (da < controller->physDrives.count && db < controller->physDrives.count &&
                    controller->physDrives[da].channel == controller->physDrives[db].channel)
                    return true;
            }
        return false;
    };
    int shared = 0;
    for (int p = 0; p < pairCount; ++p)
        if (channelShared(pairs[2 * p], pairs[2 * p + 1]))
            ++shared;
    return shared;
}

void CLogDrive::ThreadProc1(CThreadEntry& slot)
{
    RunRefreshWorker(slot);
}

int CLogDrive::SetAutoRefresh(int seconds)
{
    return SwitchAutoRefresh(seconds);
}
