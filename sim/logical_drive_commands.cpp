// Logical drive commands beyond creation and reading: commit, delete, names,
// used capacity, component disks, the array list and the host drive tables.
#include "drive_commands.h"

#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>

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
constexpr size_t TABLE_HEAD = 16;
constexpr uint32_t TABLE_WORD1 = 16;
constexpr size_t TABLE_CREATE_SIZE = TABLE_HEAD + HOST_ENTRY_SIZE;
constexpr size_t ENTRY_SIZE_FIELD = 8;
constexpr size_t ENTRY_NUMBER = 12;
constexpr size_t ENTRY_CARRIER = 13;
constexpr size_t ENTRY_START = 16;
constexpr size_t DI_CAPACITY = 40;
constexpr size_t DI_READY = 46;

uint32_t ok() { return FW_STATUS_OK; }

// The drive a number target names, or nullptr.
LogicalDrive* targetDrive(ControllerFirmware& fw, const IoctlCall& c)
{
    return c.target <= MAX_DRIVE_NUMBER ? findDrive(fw, c.target) : nullptr;
}

// Appends the 12-byte component disk entries of drive d while there is room.
void putDisks(const ControllerFirmware& fw, const LogicalDrive& d, std::vector<uint8_t>& p, size_t room, size_t& n)
{
    for (uint32_t address : d.members) {
        if (n < room) {
            uint8_t* e = p.data() + DISKS_HEAD + DISKS_ENTRY * n;
            const Device* dev = fw.deviceAt(address);
            const Channel* ch = fw.channelAt(address);
            wire::put32(e, 0, address);
            wire::put32(e, 4, dev ? wire::get32(dev->info.data(), DI_CAPACITY) : 0);
            e[8] = ch ? static_cast<uint8_t>(ch->number) : 0xFF;
            e[9] = static_cast<uint8_t>(address >> 8);
            e[10] = static_cast<uint8_t>(address);
            e[11] = dev && dev->info[DI_READY] != 0 ? 0 : 1;
        }
        ++n;
    }
}

}  // namespace

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
    // A mirror component or a pool drive must leave its mirror or the pool first.
    if (chainHead(fw, c.target) >= 0 || d->poolHotFix)
        return FW_STATUS_IN_USE;
    fw.hostTables.erase(c.target);
    fw.logicalDrives.erase(c.target);
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
    if (c.param.size() < DISKS_HEAD)
        return FW_STATUS_BAD_RECORD;
    const size_t room = wire::get16(c.param.data(), DISKS_ROOM);
    if (c.param.size() != DISKS_HEAD + DISKS_ENTRY * room)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin(), c.param.end(), 0);
    wire::put32(c.param.data(), 0, c.target);
    wire::put16(c.param.data(), DISKS_ROOM, static_cast<uint16_t>(room));
    size_t n = 0;
    // A mirror answers the disks of every present component, head first.
    const auto m = fw.mirrors.find(c.target);
    if (m != fw.mirrors.end()) {
        for (uint32_t component : m->second.components)
            putDisks(fw, fw.logicalDrives.at(component), c.param, room, n);
    } else {
        putDisks(fw, *d, c.param, room, n);
    }
    wire::put16(c.param.data(), DISKS_COUNT_OUT, static_cast<uint16_t>(std::min<size_t>(n, 0xFFFF)));
    return ok();
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

uint32_t arrayListCmd(ControllerFirmware&, IoctlCall& c)
{
    if (c.target != ALL_NODES)
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() != ARRAY_LIST_OLD_SIZE)
        return FW_STATUS_BAD_RECORD;
    // No array drives: every entry is zero.
    std::fill(c.param.begin(), c.param.end(), 0);
    return ok();
}

uint32_t arrayListExtCmd(ControllerFirmware&, IoctlCall& c)
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
    std::fill(c.param.begin() + ARRAY_LIST_HEAD, c.param.end(), 0);
    return ok();
}

uint32_t hostDriveTableCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!targetDrive(fw, c))
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() < TABLE_HEAD || (c.param.size() - TABLE_HEAD) % HOST_ENTRY_SIZE != 0)
        return FW_STATUS_BAD_RECORD;
    const size_t room = std::min<size_t>(wire::get32(c.param.data(), 0), (c.param.size() - TABLE_HEAD) / HOST_ENTRY_SIZE);
    std::fill(c.param.begin(), c.param.end(), 0);
    uint8_t* p = c.param.data();
    wire::put32(p, 4, TABLE_WORD1);
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
        wire::putBytes(p, TABLE_HEAD + HOST_ENTRY_SIZE * i, t.entries[i].data(), HOST_ENTRY_SIZE);
    return ok();
}

uint32_t writeHostDriveTableCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const LogicalDrive* d = targetDrive(fw, c);
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    // The record that creates one host drive: a table of one entry.
    const uint8_t* p = c.param.data();
    if (c.param.size() != TABLE_CREATE_SIZE || wire::get32(p, 0) != 1 || wire::get32(p, 4) != TABLE_WORD1)
        return FW_STATUS_BAD_RECORD;
    const uint8_t* e = p + TABLE_HEAD;
    const uint64_t size = wire::get32(e, ENTRY_SIZE_FIELD);
    const uint64_t start = wire::get32(e, ENTRY_START);
    if (e[ENTRY_CARRIER] != c.target || size == 0 || start + size > driveCapacityOf(fw, *d))
        return FW_STATUS_BAD_RECORD;
    const int64_t head = chainHead(fw, c.target);
    if ((head >= 0 && head != c.target) || d->poolHotFix || d->failed)
        return FW_STATUS_IN_USE;
    for (const auto& [carrier, table] : fw.hostTables)
        for (const auto& other : table.entries)
            if (other[ENTRY_NUMBER] == e[ENTRY_NUMBER])
                return FW_STATUS_IN_USE;
    HostDriveTable& t = fw.hostTables[c.target];
    t.sectors = p[8];
    t.heads = p[9];
    t.clusterType = p[11];
    t.owner = wire::get32(p, 12);
    std::array<uint8_t, HOST_ENTRY_SIZE> entry{};
    std::copy_n(e, HOST_ENTRY_SIZE, entry.begin());
    t.entries.push_back(entry);
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
