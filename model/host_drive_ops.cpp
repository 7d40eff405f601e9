// CHostDrive's operations: table edits (name, attributes, cluster type,
// size, split, merge), renumbering, removal of the carrying drive, unload,
// and the answers it takes from its carrying drive.
#include "host_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_drives.h"
#include "firmware_levels.h"
#include "model_alloc.h"
#include "model_errors.h"
#include "request_words.h"
#include "stat_samples.h"

#include <cstring>
#include <memory>
#include <new>

namespace {
constexpr uint8_t kLevelClusterFlag = 23;

uint8_t* Entry(uint8_t* table, int k)
{
    return table + HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(k);
}

int Count(const uint8_t* table)
{
    const uint32_t n = wire::get32(table, HDTABLE_COUNT);
    return static_cast<int>(n > HDTABLE_MAX_ENTRIES ? HDTABLE_MAX_ENTRIES : n);
}

// The entry numbered n, -1 when none.
int FindEntry(uint8_t* table, int n)
{
    for (int k = 0; k < Count(table); ++k)
        if (Entry(table, k)[HDENTRY_NUMBER] == n)
            return k;
    return -1;
}

uint32_t Start(uint8_t* table, int k) { return wire::get32(Entry(table, k), HDENTRY_START); }
uint32_t Size(uint8_t* table, int k) { return wire::get32(Entry(table, k), HDENTRY_SECTORS); }

// The start of the first entry that begins after `after` (none: `none`).
uint64_t NextStart(uint8_t* table, uint64_t after, uint64_t none)
{
    uint64_t next = none;
    for (int k = 0; k < Count(table); ++k)
        if (Start(table, k) > after && Start(table, k) < next)
            next = Start(table, k);
    return next;
}

}  // namespace

bool CHostDrive::ReadTable(uint8_t* table)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::memset(table, 0, HDTABLE_SIZE);
        wire::put32(table, HDTABLE_COUNT, HDTABLE_MAX_ENTRIES);
        wire::put32(table, HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
        error = ctl_get_host_drive_table(controllerNumber, 0, entry.carrier, table, static_cast<uint16_t>(HDTABLE_SIZE));
        if (error == 0) {
            wire::put32(table, HDTABLE_COUNT, static_cast<uint32_t>(Count(table)));
            return true;
        }
    }
    return false;
}

bool CHostDrive::WriteTable(uint8_t* table, int target)
{
    wire::put32(table, HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
    const size_t size = HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(Count(table));
    error = ctl_write_host_drive_table(controllerNumber, 0, static_cast<uint32_t>(target), table, static_cast<uint16_t>(size));
    return error == 0;
}

template <class Change>
int CHostDrive::EditTable(int reRead, Change change)
{
    CController* owner = controller;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[HDTABLE_SIZE]);
    if (!buffer) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    uint8_t* table = buffer.get();
    if (!ReadTable(table))
        return 0;
    const int own = FindEntry(table, hostDriveNumber);
    // Without its own entry there is nothing to change.
    if (own < 0) {
        error = MODERR_NOT_SUPPORTED;
        return 0;
    }
    if (!change(table, own) || !WriteTable(table, entry.carrier))
        return 0;
    // A re-read replaces this object: nothing of it is touched afterwards.
    return reRead ? owner->ReReadConfiguration() : 1;
}

uint64_t CHostDrive::CarrierCapacity() const
{
    const int a = controller->FindArrayDrive(entry.carrier);
    if (a >= 0)
        return controller->arrayDrives[a].Capacity();
    if (carrierIndex >= 0 && carrierIndex < controller->logDrives.count)
        return wire::get32(controller->logDrives[carrierIndex].info, LDINFO_CAPACITY);
    return 0;
}

int CHostDrive::SetName(const char* text)
{
    if (controller->FirmwareLevel() < kLevelHostTables)
        return 1;
    if (text == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    return EditTable(0, [text](uint8_t* table, int own) {
        uint8_t* e = Entry(table, own);
        std::memset(e + HDENTRY_NAME, 0, DRIVE_NAME_SIZE);
        for (size_t i = 0; i < HDENTRY_NAME_CHARS && text[i] != '\0'; ++i)
            e[HDENTRY_NAME + i] = static_cast<uint8_t>(text[i]);
        return true;
    });
}

int CHostDrive::SetClusterType(int type, int reRead)
{
    if (controller->FirmwareLevel() < kLevelHostTables)
        return 1;
    return EditTable(reRead, [type](uint8_t* table, int) {
        table[HDTABLE_CLUSTER] = static_cast<uint8_t>(type);
        return true;
    });
}

int CHostDrive::SetAttributes(int mask, int values, int reRead)
{
    if (controller->FirmwareLevel() < kLevelHostTables)
        return 1;
    return EditTable(reRead, [mask, values](uint8_t* table, int own) {
        uint8_t& a = Entry(table, own)[HDENTRY_ATTRIBUTES];
        a = static_cast<uint8_t>((a & ~mask) | (mask & values));
        return true;
    });
}

int CHostDrive::SetSize(uint32_t sectors, int reRead)
{
    const uint64_t capacity = CarrierCapacity();
    return EditTable(reRead, [this, sectors, capacity](uint8_t* table, int own) {
        const int base = FindEntry(table, entry.carrier);
        const uint64_t gap = base >= 0 ? Start(table, base) : 0;
        const uint64_t end = static_cast<uint64_t>(Start(table, own)) + sectors;
        // Inside the carrier and in front of the next host drive.
        if (sectors == 0 || end > capacity || end + gap > NextStart(table, Start(table, own), UINT64_MAX - gap)) {
            error = MODERR_NO_SPACE;
            return false;
        }
        wire::put32(Entry(table, own), HDENTRY_SECTORS, sectors);
        return true;
    });
}

int CHostDrive::Split(uint32_t size, int reRead, int inSectors, int newDriveSize)
{
    const uint64_t capacity = CarrierCapacity();
    const uint64_t a = inSectors ? size : static_cast<uint64_t>(size) * kSectorsPerMb;
    return EditTable(reRead, [this, a, capacity, newDriveSize](uint8_t* table, int own) {
        const int count = Count(table);
        const int number = controller->GetFreeDriveNumber(kNoneFree);
        const int base = FindEntry(table, entry.carrier);
        // Without a base host drive the gap is 0.
        const uint64_t gap = base >= 0 ? Start(table, base) : 0;
        const uint64_t start = Start(table, own);
        const uint64_t previous = Size(table, own);
        const uint64_t ownSize = newDriveSize ? previous : a;
        const uint64_t newStart = start + ownSize + gap;
        const uint64_t newSize = newDriveSize ? a : previous - (a + gap <= previous ? a + gap : previous);
        const uint64_t next = NextStart(table, start, UINT64_MAX - gap);
        // Room in the table, a number, both parts non-empty, inside the
        // carrier and in front of the next host drive.
        if (count >= HDTABLE_MAX_ENTRIES || number == kNoneFree || a == 0 || newSize == 0 ||
            (!newDriveSize && a + gap >= previous) || newStart + newSize > capacity || newStart + newSize + gap > next ||
            newStart + newSize > UINT32_MAX) {
            error = MODERR_NO_SPACE;
            return false;
        }
        std::memmove(Entry(table, own + 2), Entry(table, own + 1), HDENTRY_SIZE * static_cast<size_t>(count - own - 1));
        std::memcpy(Entry(table, own + 1), Entry(table, own), HDENTRY_SIZE);
        wire::put32(Entry(table, own), HDENTRY_SECTORS, static_cast<uint32_t>(ownSize));
        uint8_t* added = Entry(table, own + 1);
        added[HDENTRY_NUMBER] = static_cast<uint8_t>(number);
        wire::put32(added, HDENTRY_SECTORS, static_cast<uint32_t>(newSize));
        wire::put32(added, HDENTRY_START, static_cast<uint32_t>(newStart));
        wire::put32(table, HDTABLE_COUNT, static_cast<uint32_t>(count + 1));
        return true;
    });
}

int CHostDrive::Merge(int reRead)
{
    return EditTable(reRead, [this](uint8_t* table, int own) {
        const int count = Count(table);
        int base = FindEntry(table, entry.carrier);
        if (base < 0)
            base = 0;
        const uint64_t gap = Start(table, base);
        const uint64_t ownStart = Start(table, own);
        const uint64_t ownEnd = ownStart + Size(table, own);
        int survivor = -1;
        int other = -1;
        for (int i = 1; i < count && other < 0; ++i) {
            const int k = (own + i) % count;
            if (Start(table, k) == ownEnd + gap) {
                survivor = own;
                other = k;
            }
        }
        for (int i = 1; i < count && other < 0; ++i) {
            const int k = (own + i) % count;
            if (ownStart == static_cast<uint64_t>(Start(table, k)) + Size(table, k) + gap) {
                survivor = k;
                other = own;
            }
        }
        if (other < 0) {
            error = MODERR_NOT_SUPPORTED;
            return false;
        }
        wire::put32(Entry(table, survivor), HDENTRY_SECTORS,
                    static_cast<uint32_t>(Size(table, survivor) + gap + Size(table, other)));
        std::memmove(Entry(table, other), Entry(table, other + 1), HDENTRY_SIZE * static_cast<size_t>(count - other - 1));
        wire::put32(table, HDTABLE_COUNT, static_cast<uint32_t>(count - 1));
        return true;
    });
}

int CHostDrive::SwapNumbers(int n, int refresh)
{
    CController* owner = controller;
    if (carrierIndex < 0)
        return 0;
    if (n < 0 || n > kMaxDriveNumber) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const int m = hostDriveNumber;
    if (n == m)
        return 1;
    const int carrier = entry.carrier;
    // 2. This drive's number as a logical drive.
    const int mLog = owner->FindLogicalDrive(m);
    const bool mArray = mLog >= 0 && owner->logDrives[mLog].arrayIndex >= 0;
    const bool thisBase = mLog >= 0 && (!mArray || m == carrier);
    // 3. The other host drive and number n as a logical drive.
    const int otherHost = owner->FindHostDrive(n);
    const int d = otherHost >= 0 ? owner->hostDrives[otherHost].entry.carrier : -1;
    const int nLog = owner->FindLogicalDrive(n);
    const bool nArray = nLog >= 0 && owner->logDrives[nLog].arrayIndex >= 0;
    const bool otherBase = nLog >= 0 && (!nArray || n == d);
    int e = -1;
    if (nLog >= 0 && nArray && !otherBase)
        e = owner->arrayDrives[owner->logDrives[nLog].arrayIndex].arrayNumber;
    const bool hostTables = owner->FirmwareLevel() >= kLevelHostTables;
    // 4. Read and release the tables.
    std::unique_ptr<uint8_t[]> first(new (std::nothrow) uint8_t[HDTABLE_SIZE]);
    std::unique_ptr<uint8_t[]> second(new (std::nothrow) uint8_t[HDTABLE_SIZE]);
    if (!first || !second) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    const bool two = (d >= 0 && d != carrier) || e >= 0;
    const int secondCarrier = e >= 0 ? e : d;
    if (hostTables) {
        if (!ReadTable(first.get()))
            return 0;
        error = owner->ReleaseHostDrive(carrier);
        if (error != 0)
            return 0;
        if (two) {
            const uint8_t saved = entry.carrier;
            entry.carrier = static_cast<uint8_t>(secondCarrier);
            const bool read = ReadTable(second.get());
            entry.carrier = saved;
            if (!read)
                return 0;
            error = owner->ReleaseHostDrive(secondCarrier);
            if (error != 0)
                return 0;
        }
    }
    // 5. Renumber the logical drives behind the numbers.
    if (mArray || nArray) {
        uint8_t value[4] = {};
        wire::put32(value, 0, static_cast<uint32_t>(mArray ? n : m));
        error = ctl_array_swap_host_drive(controllerNumber, 0, static_cast<uint32_t>(mArray ? m : n), value);
        if (error != 0)
            return 0;
    } else if (mLog >= 0 || nLog >= 0) {
        error = ctl_rec_set_host_drive_number(controllerNumber, static_cast<uint16_t>(mLog >= 0 ? m : n),
                                              static_cast<uint16_t>(mLog >= 0 ? n : m));
        if (error != 0)
            return 0;
        error = owner->CommitConfiguration();
    }
    // 6. The tables go back under their new numbers.
    if (hostTables) {
        auto exchange = [m, n](uint8_t* table, int target, bool swap) {
            for (int k = 0; k < Count(table); ++k) {
                uint8_t* p = Entry(table, k);
                p[HDENTRY_CARRIER] = static_cast<uint8_t>(target);
                if (swap && p[HDENTRY_NUMBER] == m)
                    p[HDENTRY_NUMBER] = static_cast<uint8_t>(n);
                else if (swap && p[HDENTRY_NUMBER] == n)
                    p[HDENTRY_NUMBER] = static_cast<uint8_t>(m);
            }
        };
        auto write = [this, &exchange](uint8_t* table, int target, bool swap) {
            exchange(table, target, swap);
            return Count(table) == 0 || WriteTable(table, target);
        };
        if (d == carrier) {
            const int target = thisBase ? n : otherBase ? m : carrier;
            if (!write(first.get(), target, true))
                return 0;
        } else {
            if (!write(first.get(), thisBase ? n : carrier, true))
                return 0;
            if (two && d < 0 && e >= 0) {
                if (!write(second.get(), e, false))
                    return 0;
            } else if (d >= 0) {
                if (!write(second.get(), otherBase ? m : d, true))
                    return 0;
            }
        }
    }
    // A refresh replaces this object: nothing of it is touched afterwards.
    return refresh ? owner->Refresh() : 1;
}

int CHostDrive::Remove(int refresh, int releaseEnclosureSlots)
{
    CController* owner = controller;
    if (carrierIndex < 0 || carrierIndex >= owner->logDrives.count)
        return 0;
    CLogDrive& drive = owner->logDrives[carrierIndex];
    int result = 0;
    if (drive.arrayIndex >= 0 && drive.arrayIndex < owner->arrayDrives.count) {
        CArrayDrive& array = owner->arrayDrives[drive.arrayIndex];
        result = !releaseEnclosureSlots || array.ReleaseEnclosureSlots() ? array.Remove(1, 0) : 0;
        error = array.error;
    } else if (drive.mirrorIndex >= 0 && drive.mirrorIndex < owner->mirrorDrives.count) {
        CMirrorDrive& mirror = owner->mirrorDrives[drive.mirrorIndex];
        result = !releaseEnclosureSlots || mirror.ReleaseEnclosureSlots() ? mirror.RemoveComponent(1, 0, -1) : 0;
        error = mirror.error;
    } else {
        result = drive.Remove(0);
        error = drive.error;
    }
    // A refresh replaces this object: nothing of it is touched afterwards.
    if (result && refresh)
        owner->Refresh();
    return result;
}

int CHostDrive::Unload(int refresh)
{
    CController* owner = controller;
    error = ctl_unload_host_drive(controllerNumber, 0, static_cast<uint32_t>(hostDriveNumber));
    if (error != 0)
        return 0;
    error = owner->CommitConfiguration();
    return refresh ? owner->Refresh() : 1;
}

int CHostDrive::IsClusterEnabled(int* out)
{
    if (out == nullptr)
        return 1;
    *out = 0;
    if (controller->FirmwareLevel() >= kLevelClusterFlag) {
        uint8_t byte = 0;
        if (ctl_get_cluster_enabled(controllerNumber, static_cast<uint32_t>(hostDriveNumber), &byte) == 0 && byte != 0)
            *out = 1;
    }
    return 1;
}

bool CHostDrive::Identify()
{
    if (carrierIndex < 0 || carrierIndex >= controller->logDrives.count)
        return false;
    CLogDrive& drive = controller->logDrives[carrierIndex];
    if (drive.arrayIndex >= 0 && drive.arrayIndex < controller->arrayDrives.count)
        return controller->arrayDrives[drive.arrayIndex].Identify();
    if (drive.mirrorIndex >= 0 && drive.mirrorIndex < controller->mirrorDrives.count)
        return controller->mirrorDrives[drive.mirrorIndex].Identify();
    return drive.Identify() != 0;
}

bool CHostDrive::SharesCarrier() const
{
    return carrierIndex >= 0 && carrierIndex < controller->logDrives.count &&
           controller->logDrives[carrierIndex].hostDrives.count > 1;
}

bool CHostDrive::HasOldFormatMembers() const
{
    if (carrierIndex < 0 || carrierIndex >= controller->logDrives.count)
        return false;
    const CLogDrive& drive = controller->logDrives[carrierIndex];
    if (drive.arrayIndex >= 0 && drive.arrayIndex < controller->arrayDrives.count)
        return controller->arrayDrives[drive.arrayIndex].HasOldFormatMembers();
    if (drive.mirrorIndex >= 0 && drive.mirrorIndex < controller->mirrorDrives.count)
        return controller->mirrorDrives[drive.mirrorIndex].HasOldFormatMembers();
    return drive.HasOldFormatMembers();
}

void CHostDrive::UpdateStatistics(DriveStatSample* x, int first)
{
    if (x != nullptr)
        StoreSample(samples, x, first, controller);
}

int CHostDrive::ResetAccess()
{
    error = ctl_host_drive_opcode6(controllerNumber, 0, static_cast<uint16_t>(hostDriveNumber));
    return error == 0 ? 1 : 0;
}

void CHostDrive::ThreadProc1(CThreadEntry& slot)
{
    RunRefreshWorker(slot);
}

int CHostDrive::SetAutoRefresh(int seconds)
{
    return SwitchAutoRefresh(seconds);
}
