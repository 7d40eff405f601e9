// CController::Refresh and ReadConfiguration: the drive lists read from the
// controller and linked by index; the look-ups by number, free drive
// numbers, host drive geometry and the release of the hot fix pool.
#include "controller.h"

#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_drives.h"
#include "drive_lists.h"
#include "firmware_levels.h"
#include "model_alloc.h"
#include "model_errors.h"
#include "request_words.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {
constexpr int kDriveNumbers = 255;
constexpr uint32_t kAllNodes = 0xFFFFFFFF;
constexpr uint8_t kLevelArrayListExt = 25;
constexpr size_t kOldArrayListSize = 420;
constexpr uint32_t kArrayListWord3 = 16;
constexpr uint32_t kUpperEntries = 127;
constexpr uint32_t kUpperFirst = 128;
constexpr uint32_t kLowerEntries = 128;
constexpr int kZeroEntry = 255;              // the array list entry no drive has
constexpr int kCarrierMirror = 1;            // carrier kinds of host drives
constexpr size_t kEntryMember = 5;           // array list entry: an array member
constexpr size_t kEntryMaster = 6;           // the array's master
constexpr size_t kEntryHotFix = 8;           // a private hot fix drive
constexpr uint32_t kSmallGeometryLimit = 2099200;
constexpr uint32_t kSmallTrack = 64 * 32;
constexpr uint32_t kLargeTrack = 127 * 63;
constexpr uint32_t kLargestTrack = 255 * 63;
constexpr uint32_t kMaxCylinders = 1024;
constexpr uint16_t kBit15 = 0x8000;
constexpr uint16_t kExOffset = 0x80FF;

// Appends a copy of `item`; false when out of memory.
template <class T>
bool Append(CArray<T>& list, const T& item)
{
    if (!list.SetSize(list.count + 1))
        return false;
    list[list.count - 1] = item;
    return true;
}

// Byte `at` of drive `number`'s array list entry.
uint8_t EntryByte(const uint8_t* arrayList, int number, size_t at)
{
    return arrayList[ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * static_cast<size_t>(number) + at];
}

// The two packed role words of an array list entry (bytes 4-7 and 8-11).
uint32_t EntryWord(const uint8_t* arrayList, int number, size_t at)
{
    return wire::get32(arrayList, ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * static_cast<size_t>(number) + at);
}

}  // namespace

int CController::Refresh()
{
    if (ScanDevices() == 1 && ReadConfiguration() != 0)
        return 1;
    EmptyLists();
    return 0;
}

void CController::EmptyLists()
{
    physDrives.SetSize(0);
    freeDrives.SetSize(0);
    logDrives.SetSize(0);
    mirrorDrives.SetSize(0);
    arrayDrives.SetSize(0);
    hostDrives.SetSize(0);
}

bool CController::ReadArrayList(uint8_t* list)
{
    const auto c = static_cast<uint16_t>(index);
    if (FirmwareLevel() < kLevelArrayListExt) {
        error = ctl_get_array_list(c, kAllNodes, list + ARRAY_LIST_HEAD, static_cast<uint16_t>(kOldArrayListSize));
        return error == 0;
    }
    // Two reads: drives 128 to 254, then 0 to 127, each with its own header.
    const size_t upperSize = ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * kUpperEntries;
    const size_t lowerSize = ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * kLowerEntries;
    uint8_t* buf = static_cast<uint8_t*>(ModelAlloc(lowerSize));
    if (buf == nullptr) {
        error = MODERR_NO_MEMORY;
        return false;
    }
    std::memset(buf, 0, lowerSize);
    wire::put32(buf, 0, kUpperEntries);
    wire::put32(buf, 8, kUpperFirst);
    wire::put32(buf, 12, kArrayListWord3);
    error = ctl_get_array_list_ext(c, kAllNodes, buf, static_cast<uint16_t>(upperSize));
    if (error == 0) {
        std::memcpy(list + ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * kUpperFirst, buf + ARRAY_LIST_HEAD,
                    ARRAY_LIST_ENTRY * kUpperEntries);
        std::memset(buf, 0, lowerSize);
        wire::put32(buf, 0, kLowerEntries);
        wire::put32(buf, 12, kArrayListWord3);
        error = ctl_get_array_list_ext(c, kAllNodes, buf, static_cast<uint16_t>(lowerSize));
        if (error == 0)
            std::memcpy(list + ARRAY_LIST_HEAD, buf + ARRAY_LIST_HEAD, ARRAY_LIST_ENTRY * kLowerEntries);
    }
    ModelFree(buf);
    return error == 0;
}

bool CController::WalkDriveChain(int head, const uint8_t* arrayList, uint8_t* hostTable, const OldDrives& olds,
                                 bool* seen, int& result)
{
    const auto c = static_cast<uint16_t>(index);
    CArray<int> members;
    int plain = 0;
    int flagged = 0;
    bool mirrorChain = false;
    uint32_t chainCount = 0;
    // A chain is walked once; a loop or a chain longer than the drive numbers ends it.
    for (int number = head, walked = 0; number >= 0 && number <= kMaxDriveNumber && !seen[number] &&
                                        walked < kDriveNumbers;
         ++walked) {
        seen[number] = true;
        const int entry = number == head ? number : kZeroEntry;
        CLogDrive drive(c, number, EntryWord(arrayList, entry, 0), EntryWord(arrayList, entry, 4),
                        EntryWord(arrayList, entry, 8), this, 1);
        const CArray<CLogDrive>& old = olds.logDrives;
        for (int k = 0; k < old.count; ++k) {
            if (old[k].driveNumber == number) {
                for (int n = 0; n < DRIVE_SAMPLES; ++n)
                    drive.SetSample(n, old[k].samples[n]);
                break;
            }
        }
        const int next = static_cast<int32_t>(wire::get32(drive.info, LDINFO_NEXT));
        if (number == head) {
            chainCount = wire::get32(drive.info, LDINFO_CHAIN_COUNT);
            mirrorChain = next != -1 || chainCount > 1;
        }
        if ((drive.Flags() & LDFLAG_BUILDING) != 0)
            ++flagged;
        else
            ++plain;
        if (!Append(logDrives, drive)) {
            error = MODERR_NO_MEMORY;
            result = -1;
        } else {
            const int at = logDrives.count - 1;
            if (!LinkLogicalDrive(at, c, number))
                return false;
            const bool member = EntryByte(arrayList, head, kEntryMember) != 0;
            const bool master = EntryByte(arrayList, head, kEntryMaster) != 0;
            if (number == head && member && master)
                AppendArrayDrive(head, olds.arrayDrives, result);
            // The first drive of a walk carries host drives unless it is an
            // array member other than the master, or a pool hot fix drive.
            if (number == head && (master || !member) && (drive.Flags() & LDFLAG_POOL_HOT_FIX) == 0)
                ReadCarrierHostDrives(head, member && master ? kCarrierArray : mirrorChain ? kCarrierMirror : 0,
                                      logDrives[at], hostTable, olds.hostDrives, result);
            if (mirrorChain && AppendIndex(members, at) < 0) {
                error = MODERR_NO_MEMORY;
                result = -1;
            }
        }
        number = next;
    }
    if (!mirrorChain)
        return true;
    const int present = plain + flagged;
    const int missing = chainCount > static_cast<uint32_t>(present) ? static_cast<int>(chainCount) - present : 0;
    if (!Append(mirrorDrives, CMirrorDrive(c, static_cast<uint16_t>(head), plain, flagged, missing, this))) {
        error = MODERR_NO_MEMORY;
        result = -1;
        return true;
    }
    LinkMirrorDrive(mirrorDrives.count - 1, members);
    return true;
}

int CController::ReadConfiguration()
{
    const auto c = static_cast<uint16_t>(index);
    int result = 1;
    // The old drives stay until the end, for the samples the new ones carry over.
    CArray<CLogDrive> oldLogDrives = std::move(logDrives);
    CArray<CArrayDrive> oldArrayDrives = std::move(arrayDrives);
    CArray<CHostDrive> oldHostDrives = std::move(hostDrives);
    freeDrives.SetSize(0);
    mirrorDrives.SetSize(0);
    for (int k = 0; k < physDrives.count; ++k)
        physDrives[k].logDriveIndex = -1;

    std::unique_ptr<uint8_t[]> arrayList(new (std::nothrow) uint8_t[ARRAY_LIST_SIZE]());
    std::unique_ptr<uint32_t[]> drives(new (std::nothrow) uint32_t[kDriveNumbers]());
    std::unique_ptr<uint8_t[]> hostTableBuffer(new (std::nothrow) uint8_t[HDTABLE_SIZE]());
    uint8_t* hostTable = hostTableBuffer.get();
    const OldDrives olds{oldLogDrives, oldArrayDrives, oldHostDrives};
    if (!arrayList || !drives || !hostTable) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    uint32_t count = 0;
    error = ctl_read_drive_count(c, &count);
    if (error != 0)
        return 0;
    if (count > 0) {
        uint32_t listed = 0;
        error = ctl_read_drive_list(c, drives.get(), kDriveNumbers, &listed);
        if (error != 0 || !ReadArrayList(arrayList.get()))
            return 0;
        bool seen[kDriveNumbers + 1] = {};
        for (uint32_t i = 0; i < listed; ++i) {
            const uint32_t number = drives[i];
            if (number > kMaxDriveNumber || seen[number])
                continue;
            if (!WalkDriveChain(static_cast<int>(number), arrayList.get(), hostTable, olds, seen, result))
                return 0;
        }
        CompleteArrays(arrayList.get(), result);
    }
    SortHostDrives();
    for (int h = 0; h < hostDrives.count; ++h)
        LinkHostDrive(h);
    if (FirmwareLevel() >= kLevelHostTables)
        ReadForeignHostDrives(hostTable, oldHostDrives, result);
    // Free numbers: used by neither a logical nor a host drive.
    for (int n = 0; n <= kMaxDriveNumber; ++n) {
        if (FindLogicalDrive(n) >= 0 || FindHostDrive(n) >= 0)
            continue;
        CFreeDrive free(c, static_cast<uint16_t>(n), this);
        if (!Append(freeDrives, free)) {
            error = MODERR_NO_MEMORY;
            result = -1;
        }
    }
    if (result == 1)
        error = 0;
    return result;
}

void CController::AppendArrayDrive(int number, const CArray<CArrayDrive>& oldArrays, int& result)
{
    CArrayDrive array(static_cast<uint16_t>(index), number, this, 0);
    for (int k = 0; k < oldArrays.count; ++k)
        if (oldArrays[k].arrayNumber == static_cast<uint16_t>(number))
            array.refreshInterval = oldArrays[k].refreshInterval;
    array.Refresh();
    if (!Append(arrayDrives, array)) {
        error = MODERR_NO_MEMORY;
        result = -1;
    }
}

void CController::CompleteArrays(uint8_t* arrayList, int& result)
{
    const auto c = static_cast<uint16_t>(index);
    // A slot whose drive the controller no longer lists shows as a missing drive.
    for (int a = 0; a < arrayDrives.count; ++a) {
        const CArrayDrive& array = arrayDrives[a];
        const int data = array.info[ARREC_DATA_COUNT];
        for (int k = 0; k < array.SlotCount(); ++k) {
            const int number = array.SlotDrive(k);
            if (number > kMaxDriveNumber || FindLogicalDrive(number) >= 0)
                continue;
            arrayList[ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * static_cast<size_t>(number) + kEntryHotFix] =
                k < data || (k == data && array.Type() == RAID_TYPE_4) ? 0 : 1;
            const CLogDrive missing(c, number, EntryWord(arrayList, number, 0), EntryWord(arrayList, number, 4),
                                    EntryWord(arrayList, number, 8), this, 0);
            if (!Append(logDrives, missing)) {
                error = MODERR_NO_MEMORY;
                result = -1;
            }
        }
    }
    for (int a = 0; a < arrayDrives.count; ++a)
        LinkArrayDrive(a);
}

void CController::LinkArrayDrive(int at)
{
    CArrayDrive& array = arrayDrives[at];
    for (int k = 0; k < array.SlotCount(); ++k) {
        const int number = array.SlotDrive(k);
        for (int i = 0; i < logDrives.count; ++i) {
            if (logDrives[i].driveNumber != number)
                continue;
            if (AppendIndex(array.components, i) < 0)
                error = MODERR_NO_MEMORY;
            logDrives[i].arrayIndex = at;
        }
        for (int m = 0; m < mirrorDrives.count; ++m)
            if (mirrorDrives[m].mirrorNumber == number)
                mirrorDrives[m].arrayIndex = at;
    }
    // The master component first.
    for (int k = 0; k < array.SlotCount() && k < array.components.count; ++k) {
        if (array.SlotDrive(k) == array.info[ARREC_NUMBER]) {
            const int t = array.components[0];
            array.components[0] = array.components[k];
            array.components[k] = t;
        }
    }
}

int CController::LinkLogicalDrive(int at, uint16_t controllerNumber, int number)
{
    CLogDrive& drive = logDrives[at];
    if ((drive.kind & ~LDKIND_POOL_HOT_FIX) == LDKIND_MISSING)
        return 1;
    DriveMember members[DRIVE_MAX_MEMBERS];
    uint16_t listed = 0;
    error = ctl_read_drive_members(controllerNumber, static_cast<uint16_t>(number), members, DRIVE_MAX_MEMBERS, &listed);
    if (error != 0)
        return 0;
    for (int m = 0; m < listed; ++m) {
        for (int k = 0; k < physDrives.count; ++k) {
            CPhysDrive& disk = physDrives[k];
            if (disk.DeviceType() == DEVICE_TYPE_DISK && disk.channel == members[m].channelIndex &&
                disk.deviceIndex == members[m].deviceIndex) {
                if (AppendIndex(drive.disks, k) < 0) {
                    error = MODERR_NO_MEMORY;
                    return 0;
                }
                disk.logDriveIndex = at;
            }
        }
    }
    return 1;
}

void CController::LinkMirrorDrive(int at, const CArray<int>& members)
{
    CMirrorDrive& mirror = mirrorDrives[at];
    for (int i = 0; i < members.count; ++i) {
        if (AppendIndex(mirror.components, members[i]) < 0) {
            error = MODERR_NO_MEMORY;
            return;
        }
        logDrives[members[i]].mirrorIndex = at;
    }
}

int CController::FindLogicalDrive(int number) const
{
    for (int k = 0; k < logDrives.count; ++k)
        if (static_cast<int16_t>(logDrives[k].driveNumber) == static_cast<int16_t>(number))
            return k;
    return -1;
}

int CController::FindLogicalDriveEx(int number) const
{
    for (int k = 0; k < logDrives.count; ++k) {
        auto stored = static_cast<uint16_t>(logDrives[k].driveNumber);
        if ((stored & kBit15) != 0)
            stored = static_cast<uint16_t>(stored + kExOffset);
        if (static_cast<int16_t>(stored) == static_cast<int16_t>(number))
            return k;
    }
    return -1;
}

int CController::FindHostDrive(int number) const
{
    for (int k = 0; k < hostDrives.count; ++k)
        if (static_cast<int16_t>(hostDrives[k].hostDriveNumber) == static_cast<int16_t>(number))
            return k;
    return -1;
}

int CController::FindMirrorDrive(int number) const
{
    for (int k = 0; k < mirrorDrives.count; ++k)
        if (mirrorDrives[k].mirrorNumber == static_cast<uint16_t>(number))
            return k;
    return -1;
}

int CController::FindArrayDrive(int number) const
{
    for (int k = 0; k < arrayDrives.count; ++k)
        if (static_cast<uint16_t>(arrayDrives[k].arrayNumber) == static_cast<uint16_t>(number))
            return k;
    return -1;
}

int CController::GetFreeDriveNumber(int minimum) const
{
    const int n = freeDrives.count;
    if (n == 0)
        return kNoneFree;
    if (minimum != kNoneFree && minimum != -1) {
        for (int k = 0; k < n; ++k)
            if (freeDrives[k].driveNumber >= minimum)
                return freeDrives[k].driveNumber;
        return freeDrives[n - 1].driveNumber;
    }
    // The first number of the last run of consecutive free numbers.
    int k = n - 1;
    while (k > 0 && freeDrives[k - 1].driveNumber + 1 == freeDrives[k].driveNumber)
        --k;
    return freeDrives[k].driveNumber;
}

void CController::ComputeGeometry(uint32_t sectors, DriveGeometry* g)
{
    if (g == nullptr)
        return;
    const bool small = sectors < kSmallGeometryLimit;
    const uint32_t cylinders = sectors / (small ? kSmallTrack : kLargeTrack);
    if (cylinders <= kMaxCylinders) {
        g->cylinders = cylinders;
        g->heads = small ? 64 : 127;
        g->sectors = small ? 32 : 63;
    } else {
        g->cylinders = sectors / kLargestTrack;
        g->heads = 255;
        g->sectors = 63;
    }
}

int CController::ReleasePoolHotFixDrives(int deleteDrives)
{
    int pool[POOL_MAX_ENTRIES];
    int n = 0;
    for (int k = 0; k < logDrives.count; ++k) {
        if ((logDrives[k].Flags() & LDFLAG_POOL_HOT_FIX) == 0)
            continue;
        // The request holds 35 entries; more cannot be released in one.
        if (n == POOL_MAX_ENTRIES) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
        pool[n++] = k;
    }
    uint8_t rec[(POOL_MAX_ENTRIES + 1) * POOL_ENTRY_SIZE] = {};
    for (int i = 0; i < n; ++i)
        wire::put32(rec, POOL_ENTRY_SIZE * i + 4, static_cast<uint32_t>(logDrives[pool[i]].driveNumber));
    int entries = n;
    if (n < POOL_MAX_ENTRIES)
        wire::put32(rec, POOL_ENTRY_SIZE * entries++ + 4, POOL_END);
    error = ctl_remove_pool_hot_fix(static_cast<uint16_t>(index), rec,
                                    static_cast<uint16_t>(POOL_ENTRY_SIZE * static_cast<size_t>(entries) + POOL_ENTRY_SIZE));
    if (error != 0)
        return 0;
    if (deleteDrives)
        for (int i = 0; i < n; ++i)
            logDrives[pool[i]].Remove(0);
    return 1;
}

int CController::ReReadConfiguration()
{
    const int r = ReadConfiguration();
    if (r == -1)
        error = MODERR_NO_MEMORY;
    return r == 1 ? 1 : 0;
}

uint32_t CController::CommitConfiguration()
{
    return ctl_commit_configuration(static_cast<uint16_t>(index), 0, kControllerTarget);
}

uint32_t CController::ReleaseHostDrive(int drive)
{
    if (FirmwareLevel() < kLevelHostTables)
        return 0;
    return ctl_release_host_drive(static_cast<uint16_t>(index), 0, static_cast<uint32_t>(drive));
}
