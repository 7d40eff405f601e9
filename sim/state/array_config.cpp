#include "array_config.h"

#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>
#include <chrono>

namespace kzmsim {

namespace {
constexpr size_t ENTRY_ARRAY = 0;      // u32 the array's number
constexpr size_t ENTRY_MEMBER = 5;     // the drive belongs to an array
constexpr size_t ENTRY_MASTER = 6;     // it is the array's master
constexpr size_t ENTRY_PARITY = 7;     // it is the RAID-4 parity component
constexpr size_t ENTRY_HOT_FIX = 8;    // it is a private hot fix drive
constexpr uint8_t SLOT_MISSING = 0x02;  // slot flags: the drive is missing

// The capacity drive n counts with in an array (0 for a drive that is gone).
uint32_t componentCapacity(const ControllerFirmware& fw, uint32_t n, bool full)
{
    const auto it = fw.logicalDrives.find(n);
    if (it == fw.logicalDrives.end())
        return 0;
    return full ? driveFullCapacity(fw, it->second) : driveCapacityOf(fw, it->second);
}

// True when every member disk of drive d is there and ready.
bool disksReady(const ControllerFirmware& fw, const LogicalDrive& d)
{
    for (uint32_t address : d.members) {
        const Device* dev = fw.deviceAt(address);
        if (!dev || dev->state.failed || dev->info[DI_READY] == 0)
            return false;
    }
    return true;
}

// True when the hot fix drive is gone or none of its disks is on its channel.
bool hotFixMissing(const ControllerFirmware& fw, uint32_t n)
{
    const auto it = fw.logicalDrives.find(n);
    if (it == fw.logicalDrives.end())
        return true;
    for (uint32_t address : it->second.members)
        if (fw.deviceAt(address))
            return false;
    return true;
}

// Hands the failed slot of array `number` a hot fix drive: a private one
// first, else one from the pool when the array has pool access.
void takeHotFix(ControllerFirmware& fw, uint32_t number, bool announcePool)
{
    ArrayDrive& a = fw.arrays.at(number);
    const auto slot = std::find_if(a.slots.begin(), a.slots.end(), [](const ArraySlot& s) { return s.failed; });
    if (slot == a.slots.end())
        return;
    const uint32_t needed = memberCapacity(fw, a, false);
    int64_t spare = -1;
    for (auto it = a.hotFixes.begin(); it != a.hotFixes.end(); ++it) {
        const LogicalDrive* d = findDrive(fw, *it);
        if (d && !d->failed && driveFullCapacity(fw, *d) >= needed) {
            spare = *it;
            a.hotFixes.erase(it);
            break;
        }
    }
    const LogicalDrive* master = findDrive(fw, number);
    if (spare < 0 && master && master->poolAccess) {
        for (auto& [n, d] : fw.logicalDrives) {
            if (d.poolHotFix && !d.failed && driveFullCapacity(fw, d) >= needed) {
                spare = n;
                d.poolHotFix = false;
                break;
            }
        }
        if (spare < 0) {
            if (!announcePool)
                raiseArrayEvent(fw, EVT_ARRAY_NO_POOL_DRIVE, number, number);
            return;
        }
        if (announcePool)
            raiseArrayEvent(fw, EVT_ARRAY_POOL_DRIVE, number, number);
    }
    if (spare < 0)
        return;
    // The drive that failed leaves the array; its slot is the hot fix drive's now.
    slot->drive = static_cast<uint32_t>(spare);
    raiseArrayEvent(fw, EVT_ARRAY_HOT_FIX, number, static_cast<uint32_t>(spare));
    startRebuild(fw, number);
}

}  // namespace

uint64_t arrayClockMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t advancePercent(const ControllerFirmware& fw, uint32_t percent, uint64_t startMs)
{
    if (fw.progress.msPerPercent > 0)
        return static_cast<uint32_t>(
            std::min<uint64_t>(PERCENT_DONE, (arrayClockMs() - startMs) / fw.progress.msPerPercent));
    return std::min(PERCENT_DONE, percent + fw.progress.step);
}

ArrayDrive* findArray(ControllerFirmware& fw, uint32_t n)
{
    const auto it = fw.arrays.find(n);
    return it == fw.arrays.end() ? nullptr : &it->second;
}

int64_t arrayOfDrive(const ControllerFirmware& fw, uint32_t n)
{
    for (const auto& [number, a] : fw.arrays) {
        for (const ArraySlot& s : a.slots)
            if (s.drive == n)
                return number;
        if (std::find(a.hotFixes.begin(), a.hotFixes.end(), n) != a.hotFixes.end() ||
            std::find(a.expandDrives.begin(), a.expandDrives.end(), n) != a.expandDrives.end())
            return number;
    }
    return -1;
}

bool freeForArray(const ControllerFirmware& fw, uint32_t n, bool tablesTaken)
{
    const auto it = fw.logicalDrives.find(n);
    if (n > MAX_DRIVE_NUMBER || it == fw.logicalDrives.end())
        return false;
    const LogicalDrive& d = it->second;
    return !d.failed && !d.poolHotFix && chainHead(fw, n) < 0 && arrayOfDrive(fw, n) < 0 &&
           (tablesTaken || !fw.hostTables.count(n));
}

uint8_t dataCount(const ArrayDrive& a)
{
    const size_t n = a.slots.size();
    return static_cast<uint8_t>(a.type == 4 && n > 0 ? n - 1 : n);
}

uint32_t memberCapacity(const ControllerFirmware& fw, const ArrayDrive& a, bool full)
{
    uint32_t smallest = UINT32_MAX;
    for (const ArraySlot& s : a.slots) {
        const uint32_t cap = componentCapacity(fw, s.drive, full);
        // A component that is gone does not limit the others.
        if (cap > 0)
            smallest = std::min(smallest, cap);
    }
    return smallest == UINT32_MAX ? 0 : smallest;
}

uint32_t arrayCapacityFor(uint8_t type, size_t count, uint32_t member)
{
    const size_t dataDrives = (type == 4 || type == 5) && count > 0 ? count - 1 : count;
    return static_cast<uint32_t>(std::min<uint64_t>(UINT32_MAX, static_cast<uint64_t>(member) * dataDrives));
}

uint32_t largestCapacity(const ControllerFirmware& fw, const ArrayDrive& a)
{
    return arrayCapacityFor(a.type, a.slots.size(), memberCapacity(fw, a, true));
}

uint32_t carrierCapacity(const ControllerFirmware& fw, uint32_t n)
{
    const auto a = fw.arrays.find(n);
    if (a != fw.arrays.end())
        return a->second.capacity;
    const auto d = fw.logicalDrives.find(n);
    return d == fw.logicalDrives.end() ? 0 : driveCapacityOf(fw, d->second);
}

uint32_t firstFailedSlot(const ArrayDrive& a)
{
    if (a.firstFailed >= 0 && static_cast<size_t>(a.firstFailed) < a.slots.size() &&
        a.slots[static_cast<size_t>(a.firstFailed)].failed)
        return static_cast<uint32_t>(a.firstFailed);
    const auto it = std::find_if(a.slots.begin(), a.slots.end(), [](const ArraySlot& s) { return s.failed; });
    return it == a.slots.end() ? NO_FAILED_SLOT : static_cast<uint32_t>(it - a.slots.begin());
}

void markSlotFailed(ArrayDrive& a, size_t k)
{
    const uint32_t first = firstFailedSlot(a);
    a.firstFailed = first == NO_FAILED_SLOT ? static_cast<int64_t>(k) : static_cast<int64_t>(first);
    a.slots[k].failed = true;
}

void fillArrayRecord(const ControllerFirmware& fw, uint32_t number, uint8_t* p)
{
    const ArrayDrive& a = fw.arrays.at(number);
    std::fill(p, p + ARRAY_RECORD_SIZE, 0);
    p[AR_TYPE] = a.type;
    p[AR_DATA_COUNT] = dataCount(a);
    p[AR_STATE] = a.state;
    p[AR_NUMBER] = static_cast<uint8_t>(number);
    wire::put32(p, AR_SERIAL, fw.identity.board.serial);
    wire::put32(p, AR_CAPACITY, a.capacity);
    wire::put32(p, AR_STRIPE, a.stripe);
    wire::put32(p, AR_FIRST_FAILED, firstFailedSlot(a));
    wire::putBytes(p, AR_NAME, a.name.data(), a.name.size());
    size_t k = 0;
    auto put = [&](uint32_t drive, bool failed) {
        uint8_t* s = p + AR_SLOTS + AR_SLOT_SIZE * k++;
        wire::put32(s, 0, fw.identity.board.serial);
        s[4] = static_cast<uint8_t>(drive);
        s[5] = failed ? 1 : 0;
    };
    for (const ArraySlot& s : a.slots)
        if (k < AR_MAX_SLOTS)
            put(s.drive, s.failed);
    // A private hot fix drive whose disks are all gone shows missing (0x02).
    for (uint32_t h : a.hotFixes)
        if (k < AR_MAX_SLOTS) {
            put(h, false);
            if (hotFixMissing(fw, h))
                p[AR_SLOTS + AR_SLOT_SIZE * (k - 1) + 5] = SLOT_MISSING;
        }
    p[AR_SLOT_COUNT] = static_cast<uint8_t>(k);
    if (k < AR_MAX_SLOTS) {
        uint8_t* end = p + AR_SLOTS + AR_SLOT_SIZE * k;
        end[4] = SLOT_END;
        end[5] = SLOT_END;
    }
    p[AR_VERIFY] = a.verifyState;
    p[AR_FLAGS] = a.flags;
    p[AR_PHASE] = a.phase;
    // Level 30 firmware marks an array that lost more than its redundancy covers.
    p[AR_OFFLINE] = (fw.identity.interfaceLevel & 0xFF) >= LEVEL_OFFLINE_FLAG && a.state == ARRAY_ERROR ? 1 : 0;
}

void fillArrayListEntry(const ControllerFirmware& fw, uint32_t n, uint8_t* e)
{
    std::fill(e, e + 12, 0);
    const int64_t found = arrayOfDrive(fw, n);
    if (found < 0)
        return;
    const ArrayDrive& a = fw.arrays.at(static_cast<uint32_t>(found));
    wire::put32(e, ENTRY_ARRAY, static_cast<uint32_t>(found));
    e[ENTRY_MEMBER] = 1;
    e[ENTRY_MASTER] = n == found ? 1 : 0;
    e[ENTRY_PARITY] = a.type == 4 && !a.slots.empty() && a.slots.back().drive == n ? 1 : 0;
    e[ENTRY_HOT_FIX] = std::find(a.hotFixes.begin(), a.hotFixes.end(), n) != a.hotFixes.end() ? 1 : 0;
}

void raiseArrayEvent(ControllerFirmware& fw, uint16_t event, uint32_t array, uint32_t second)
{
    RaisedEvent e;
    e.service = 9;
    e.number = event;
    e.extra.assign(4, 0);
    wire::put16(e.extra.data(), 0, static_cast<uint16_t>(array));
    wire::put16(e.extra.data(), 2, static_cast<uint16_t>(second));
    fw.raised.push_back(std::move(e));
}

void startRebuild(ControllerFirmware& fw, uint32_t number)
{
    ArrayDrive& a = fw.arrays.at(number);
    a.state = ARRAY_REBUILD;
    a.percent = 0;
    a.startMs = arrayClockMs();
    raiseArrayEvent(fw, EVT_ARRAY_REBUILD_STARTED, number, number);
}

void settleArrays(ControllerFirmware& fw)
{
    for (auto& [number, a] : fw.arrays) {
        // Components that failed since the last look.
        bool lost = false;
        for (size_t k = 0; k < a.slots.size(); ++k) {
            const ArraySlot& s = a.slots[k];
            const LogicalDrive* d = findDrive(fw, s.drive);
            if (s.failed || (d && !d->failed))
                continue;
            markSlotFailed(a, k);
            lost = true;
            raiseArrayEvent(fw, EVT_ARRAY_DRIVE_FAILED, number, s.drive);
        }
        const auto failedSlots =
            static_cast<size_t>(std::count_if(a.slots.begin(), a.slots.end(), [](const ArraySlot& s) { return s.failed; }));
        if (lost) {
            const bool covered = a.type != 0 && failedSlots == 1 && a.state != ARRAY_BUILD && a.state != ARRAY_IDLE;
            if (a.state == ARRAY_BUILD)
                raiseArrayEvent(fw, EVT_ARRAY_BUILD_FAILED, number, number);
            if (a.state == ARRAY_REBUILD)
                raiseArrayEvent(fw, EVT_ARRAY_REBUILD_FAILED, number, number);
            if (covered) {
                a.state = ARRAY_FAIL;
                raiseArrayEvent(fw, EVT_ARRAY_FAIL, number, number);
                takeHotFix(fw, number, false);
            } else if (a.state != ARRAY_ERROR) {
                a.state = ARRAY_ERROR;
                raiseArrayEvent(fw, EVT_ARRAY_ERROR, number, number);
            }
            continue;
        }
        // Disks of an array in the error state that are all back make it invalid.
        if (a.state == ARRAY_ERROR) {
            bool back = true;
            for (const ArraySlot& s : a.slots) {
                const LogicalDrive* d = findDrive(fw, s.drive);
                if (s.failed && (!d || !disksReady(fw, *d)))
                    back = false;
            }
            if (back) {
                for (const ArraySlot& s : a.slots)
                    if (s.failed)
                        fw.logicalDrives.at(s.drive).failed = false;
                a.state = ARRAY_INVALID;
            }
        }
    }
}

void takePoolDrives(ControllerFirmware& fw)
{
    for (auto& [number, a] : fw.arrays)
        if (a.state == ARRAY_FAIL)
            takeHotFix(fw, number, true);
}

}  // namespace kzmsim
