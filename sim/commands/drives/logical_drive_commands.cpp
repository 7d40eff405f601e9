// Logical drive commands beyond creation and reading: commit, delete, names,
// used capacity, component disks, the array list and the host drive tables.
#include "drive_commands.h"

#include "array_config.h"
#include "command_words.h"
#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace kzmsim {

namespace {

constexpr uint32_t ALL_NODES = 0xFFFFFFFF;       // target of the array list reads
constexpr size_t ARRAY_LIST_OLD_SIZE = 420;      // 35 entries of 12 bytes
constexpr size_t ARRAY_LIST_HEAD = 16;
constexpr size_t ARRAY_LIST_ENTRY = 12;
constexpr uint32_t ARRAY_LIST_WORD3 = 16;
constexpr uint32_t ARRAY_LIST_NUMBERS = 256;
constexpr size_t DISKS_HEAD = 24;
constexpr size_t DISKS_COUNT_OUT = 20;           // u16 the drive's disk count
constexpr size_t DISKS_ROOM = 22;                // u16 entries the caller has room for
constexpr size_t DISKS_ENTRY = 12;
constexpr size_t ENTRY_SIZE_FIELD = 8;
constexpr size_t ENTRY_CARRIER = 13;
constexpr size_t ENTRY_START = 16;

constexpr uint32_t MAX_TABLE_ENTRIES = 100;
constexpr uint16_t EVT_HOST_DRIVE_CREATED = 56;

// Raises event 56: u32 at data offset 6 the new host drive.
void raiseHostDriveCreated(ControllerFirmware& fw, uint32_t number)
{
    RaisedEvent e;
    e.service = 9;
    e.number = EVT_HOST_DRIVE_CREATED;
    e.extra.assign(4, 0);
    wire::put32(e.extra.data(), 0, number);
    fw.raised.push_back(std::move(e));
}

// The drive a number target names, or nullptr.
LogicalDrive* targetDrive(ControllerFirmware& fw, const IoctlCall& c)
{
    return c.target <= MAX_DRIVE_NUMBER ? findDrive(fw, c.target) : nullptr;
}

}  // namespace

namespace {

// Appends the 12-byte component disk entries of drive d while there is room.
void putDisks(const ControllerFirmware& fw, const LogicalDrive& d, std::vector<uint8_t>& p, size_t room, size_t& n)
{
    for (uint32_t address : d.members) {
        if (n < room) {
            uint8_t* e = p.data() + DISKS_HEAD + DISKS_ENTRY * n;
            const Device* dev = fw.deviceAt(address);
            const Channel* ch = fw.channelAt(address);
            // A disk no longer on its channel is not seen: channel 255.
            wire::put32(e, 0, address);
            e[4] = ch && dev ? static_cast<uint8_t>(ch->number) : 0xFF;
            e[5] = static_cast<uint8_t>(address >> 8);
            e[6] = static_cast<uint8_t>(address);
            wire::put16(e, 8, static_cast<uint16_t>(d.number));
            e[10] = dev && dev->info[DI_READY] != 0 ? 0 : 1;
        }
        ++n;
    }
}

}  // namespace

uint32_t answerComponentDisks(const ControllerFirmware& fw, IoctlCall& c, const std::vector<const LogicalDrive*>& drives,
                              const std::vector<std::pair<uint32_t, uint32_t>>& lost)
{
    if (c.param.size() < DISKS_HEAD)
        return FW_STATUS_BAD_RECORD;
    const size_t room = wire::get16(c.param.data(), DISKS_ROOM);
    if (c.param.size() != DISKS_HEAD + DISKS_ENTRY * room)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin(), c.param.end(), 0);
    wire::put32(c.param.data(), 0, c.target);
    wire::put16(c.param.data(), DISKS_ROOM, static_cast<uint16_t>(room));
    size_t n = 0;
    for (const LogicalDrive* d : drives)
        putDisks(fw, *d, c.param, room, n);
    // The disks of components that failed out of a mirror: missing.
    for (const auto& [number, address] : lost) {
        if (n < room) {
            uint8_t* e = c.param.data() + DISKS_HEAD + DISKS_ENTRY * n;
            const Channel* ch = fw.channelAt(address);
            wire::put32(e, 0, address);
            e[4] = ch && fw.deviceAt(address) ? static_cast<uint8_t>(ch->number) : 0xFF;
            e[5] = static_cast<uint8_t>(address >> 8);
            e[6] = static_cast<uint8_t>(address);
            wire::put16(e, 8, static_cast<uint16_t>(number));
            e[10] = 1;
        }
        ++n;
    }
    wire::put16(c.param.data(), DISKS_COUNT_OUT, static_cast<uint16_t>(std::min<size_t>(n, 0xFFFF)));
    return ok();
}

uint32_t commitCmd(ControllerFirmware& fw, IoctlCall&)
{
    fw.commitPending = false;
    ++fw.commits;
    return ok();
}

uint32_t deleteDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    // A mirror component or a pool drive must leave its mirror or the pool
    // first; of an array's components only a failed one may go (its slot
    // then shows it missing).
    const int64_t array = arrayOfDrive(fw, c.target);
    if (chainHead(fw, c.target) >= 0 || d->poolHotFix || (array >= 0 && !d->failed) || fw.arrays.count(c.target))
        return FW_STATUS_IN_USE;
    leaveFragments(fw, *d);
    fw.hostTables.erase(c.target);
    fw.logicalDrives.erase(c.target);
    dropCarrierData(fw, c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t usedCapacityCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    wire::put32(c.param.data(), 0, driveCapacityOf(fw, *d));
    return ok();
}

uint32_t setUsedCapacityCmd(ControllerFirmware& fw, IoctlCall& c)
{
    LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    const uint32_t sectors = wire::get32(c.param.data(), 0);
    if (sectors == 0 || sectors > driveFullCapacity(fw, *d))
        return FW_STATUS_BAD_RECORD;
    d->usedCapacity = sectors;
    fw.commitPending = true;
    return ok();
}

uint32_t componentDisksCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    // A mirror answers the disks of every present component, head first.
    std::vector<const LogicalDrive*> drives;
    const auto m = fw.mirrors.find(c.target);
    if (m != fw.mirrors.end()) {
        for (uint32_t component : m->second.components)
            drives.push_back(&fw.logicalDrives.at(component));
        return answerComponentDisks(fw, c, drives, m->second.lostDisks);
    }
    drives.push_back(d);
    return answerComponentDisks(fw, c, drives);
}

uint32_t setDeviceNameCmd(ControllerFirmware& fw, IoctlCall& c)
{
    LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    std::copy_n(c.param.begin(), d->name.size(), d->name.begin());
    fw.commitPending = true;
    return ok();
}

uint32_t arrayListCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.target != ALL_NODES)
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() != ARRAY_LIST_OLD_SIZE)
        return FW_STATUS_BAD_RECORD;
    // The entries of drives 0 to 34.
    for (uint32_t n = 0; n < ARRAY_LIST_OLD_SIZE / ARRAY_LIST_ENTRY; ++n)
        fillArrayListEntry(fw, n, c.param.data() + ARRAY_LIST_ENTRY * n);
    return ok();
}

uint32_t arrayListExtCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.target != ALL_NODES)
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() < ARRAY_LIST_HEAD)
        return FW_STATUS_BAD_RECORD;
    const uint32_t entries = wire::get32(c.param.data(), 0);
    const uint32_t first = wire::get32(c.param.data(), 8);
    if (wire::get32(c.param.data(), 12) != ARRAY_LIST_WORD3 || entries > ARRAY_LIST_NUMBERS ||
        first > ARRAY_LIST_NUMBERS - entries || c.param.size() != ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * entries)
        return FW_STATUS_BAD_RECORD;
    for (uint32_t i = 0; i < entries; ++i)
        fillArrayListEntry(fw, first + i, c.param.data() + ARRAY_LIST_HEAD + ARRAY_LIST_ENTRY * i);
    return ok();
}

uint32_t hostDriveTableCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!targetDrive(fw, c))
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() < HOST_TABLE_HEAD || (c.param.size() - HOST_TABLE_HEAD) % HOST_ENTRY_SIZE != 0)
        return FW_STATUS_BAD_RECORD;
    const size_t room = std::min<size_t>(wire::get32(c.param.data(), 0), (c.param.size() - HOST_TABLE_HEAD) / HOST_ENTRY_SIZE);
    std::fill(c.param.begin(), c.param.end(), 0);
    uint8_t* p = c.param.data();
    wire::put32(p, 4, HOST_TABLE_WORD1);
    const auto it = fw.hostTables.find(c.target);
    if (it == fw.hostTables.end())
        return ok();
    const HostDriveTable& t = it->second;
    wire::put32(p, 0, static_cast<uint32_t>(t.entries.size()));
    p[8] = t.sectors;
    p[9] = t.heads;
    p[11] = t.clusterType;
    wire::put32(p, 12, t.owner);
    for (size_t i = 0; i < t.entries.size() && i < room; ++i)
        wire::putBytes(p, HOST_TABLE_HEAD + HOST_ENTRY_SIZE * i, t.entries[i].data(), HOST_ENTRY_SIZE);
    return ok();
}

uint32_t writeHostDriveTableCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    // The whole table of the carrier: header, then `count` entries; the
    // 36-byte record of one entry creates the first host drive.
    const uint8_t* p = c.param.data();
    if (c.param.size() < HOST_TABLE_HEAD || wire::get32(p, 4) != HOST_TABLE_WORD1)
        return FW_STATUS_BAD_RECORD;
    const uint32_t count = wire::get32(p, 0);
    if (count > MAX_TABLE_ENTRIES || c.param.size() != HOST_TABLE_HEAD + HOST_ENTRY_SIZE * static_cast<size_t>(count))
        return FW_STATUS_BAD_RECORD;
    // An array's host drives lie on the array, under its number; its other drives carry none.
    const int64_t head = chainHead(fw, c.target);
    const int64_t array = arrayOfDrive(fw, c.target);
    if ((head >= 0 && head != c.target) || d->poolHotFix || d->failed || (array >= 0 && array != c.target))
        return FW_STATUS_IN_USE;
    // Entries inside the carrier, numbers unique in the table, no overlap
    // (the gap rule: each drive starts at least the base drive's start
    // behind the end of the one before it).
    const uint64_t capacity = carrierCapacity(fw, c.target);
    std::vector<std::pair<uint64_t, uint64_t>> spans;  // start, end
    std::set<uint8_t> numbers;
    uint64_t gap = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = p + HOST_TABLE_HEAD + HOST_ENTRY_SIZE * i;
        const uint64_t size = wire::get32(e, ENTRY_SIZE_FIELD);
        const uint64_t start = wire::get32(e, ENTRY_START);
        if (e[ENTRY_CARRIER] != c.target || size == 0 || start + size > capacity || !numbers.insert(e[HOST_ENTRY_NUMBER]).second)
            return FW_STATUS_BAD_RECORD;
        if (e[HOST_ENTRY_NUMBER] == c.target)
            gap = start;
        spans.emplace_back(start, start + size);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second + gap)
            return FW_STATUS_BAD_RECORD;
    const auto old = fw.hostTables.find(c.target);
    std::set<uint8_t> before;
    if (old != fw.hostTables.end())
        for (const auto& e : old->second.entries)
            before.insert(e[HOST_ENTRY_NUMBER]);
    // A new host drive takes a number no table holds.
    if (before.empty())
        for (const auto& [carrier, table] : fw.hostTables)
            for (const auto& other : table.entries)
                if (numbers.count(other[HOST_ENTRY_NUMBER]))
                    return FW_STATUS_IN_USE;
    if (count == 0) {
        fw.hostTables.erase(c.target);
        fw.commitPending = true;
        return ok();
    }
    HostDriveTable t;
    t.sectors = p[8];
    t.heads = p[9];
    t.clusterType = p[11];
    t.owner = wire::get32(p, 12);
    for (uint32_t i = 0; i < count; ++i) {
        std::array<uint8_t, HOST_ENTRY_SIZE> entry{};
        std::copy_n(p + HOST_TABLE_HEAD + HOST_ENTRY_SIZE * i, HOST_ENTRY_SIZE, entry.begin());
        t.entries.push_back(entry);
        if (!before.count(entry[HOST_ENTRY_NUMBER]))
            raiseHostDriveCreated(fw, entry[HOST_ENTRY_NUMBER]);
    }
    fw.hostTables[c.target] = std::move(t);
    fw.commitPending = true;
    return ok();
}

uint32_t releaseHostDrivesCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!targetDrive(fw, c))
        return FW_STATUS_INVALID_TARGET;
    fw.hostTables.erase(c.target);
    return ok();
}

}  // namespace kzmsim
