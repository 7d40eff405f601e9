// Mirror commands: attaching and taking out components, dropping missing
// ones, the build query, pool access and the hot fix pool.
#include "drive_commands.h"

#include "array_config.h"
#include "command_words.h"
#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>
#include <set>

namespace kzmsim {

namespace {

constexpr uint32_t FLAG_READ = 0xFFFFFFFF;   // a flag record that reads
constexpr uint8_t STATE_QUERY = 3;           // code of the build progress query
constexpr size_t POOL_ENTRY = 8;
constexpr size_t POOL_MAX_ENTRIES = 35;
constexpr uint32_t POOL_END = 0xFFFF;

// The drive numbers of a pool record: entries {u32 0, u32 drive} up to the
// end entry {0, 0xFFFF} or the 35th; false for a record of the wrong shape.
bool poolEntries(const std::vector<uint8_t>& p, std::vector<uint32_t>& out)
{
    if (p.empty() || p.size() % POOL_ENTRY != 0 || p.size() > (POOL_MAX_ENTRIES + 1) * POOL_ENTRY)
        return false;
    for (size_t i = 0; i < p.size() / POOL_ENTRY && i < POOL_MAX_ENTRIES; ++i) {
        const uint32_t drive = wire::get32(p.data(), POOL_ENTRY * i + 4);
        if (drive == POOL_END)
            return true;
        out.push_back(drive);
    }
    return out.size() == POOL_MAX_ENTRIES;
}

}  // namespace

uint32_t removeMissingCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!fw.mirrors.count(c.target))
        return FW_STATUS_INVALID_TARGET;
    dropMissing(fw, c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t attachComponentCmd(ControllerFirmware& fw, IoctlCall& c)
{
    LogicalDrive* added = c.target <= MAX_DRIVE_NUMBER ? findDrive(fw, c.target) : nullptr;
    if (!added)
        return FW_STATUS_INVALID_TARGET;
    const uint32_t head = wire::get32(c.param.data(), 0);
    const LogicalDrive* master = head <= MAX_DRIVE_NUMBER ? findDrive(fw, head) : nullptr;
    // The value names the mirror: its head, or a plain drive that becomes one.
    if (!master || head == c.target || !listedDrive(fw, head) || master->failed || master->poolHotFix)
        return FW_STATUS_BAD_RECORD;
    // The drive to add must be free: no chain, no pool, no host drives left.
    if (chainHead(fw, c.target) >= 0 || added->poolHotFix || added->failed || fw.hostTables.count(c.target) ||
        arrayOfDrive(fw, c.target) >= 0)
        return FW_STATUS_IN_USE;
    if (driveFullCapacity(fw, *added) < driveCapacityOf(fw, *master))
        return FW_STATUS_BAD_RECORD;
    attachComponent(fw, head, c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t takeOutComponentCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const int64_t head = c.target <= MAX_DRIVE_NUMBER ? chainHead(fw, c.target) : -1;
    if (head < 0)
        return FW_STATUS_INVALID_TARGET;
    const uint32_t number = wire::get32(c.param.data(), 0);
    if (head == c.target || number > MAX_DRIVE_NUMBER)
        return FW_STATUS_BAD_RECORD;
    if (numberTaken(fw, number))
        return FW_STATUS_IN_USE;
    detachComponent(fw, c.target);
    // The component goes on as a drive of its own under the new number.
    auto node = fw.logicalDrives.extract(c.target);
    node.key() = number;
    node.mapped().number = number;
    fw.logicalDrives.insert(std::move(node));
    fw.hostTables.erase(c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t addPoolHotFixCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<uint32_t> drives;
    if (!poolEntries(c.param, drives))
        return FW_STATUS_BAD_RECORD;
    std::set<uint32_t> seen;
    for (uint32_t n : drives) {
        const LogicalDrive* d = n <= MAX_DRIVE_NUMBER ? findDrive(fw, n) : nullptr;
        if (!d)
            return FW_STATUS_INVALID_TARGET;
        if (!seen.insert(n).second || d->poolHotFix || d->failed || chainHead(fw, n) >= 0 || fw.hostTables.count(n) ||
            arrayOfDrive(fw, n) >= 0)
            return FW_STATUS_IN_USE;
    }
    for (uint32_t n : drives)
        fw.logicalDrives.at(n).poolHotFix = true;
    fw.commitPending = true;
    // A failed array with pool access takes a new pool drive at once.
    takePoolDrives(fw);
    return ok();
}

uint32_t removePoolHotFixCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<uint32_t> drives;
    if (!poolEntries(c.param, drives))
        return FW_STATUS_BAD_RECORD;
    for (uint32_t n : drives) {
        const LogicalDrive* d = n <= MAX_DRIVE_NUMBER ? findDrive(fw, n) : nullptr;
        if (!d || !d->poolHotFix)
            return FW_STATUS_INVALID_TARGET;
    }
    for (uint32_t n : drives)
        fw.logicalDrives.at(n).poolHotFix = false;
    fw.commitPending = true;
    return ok();
}

uint32_t poolAccessCmd(ControllerFirmware& fw, IoctlCall& c)
{
    LogicalDrive* d = c.target <= MAX_DRIVE_NUMBER ? findDrive(fw, c.target) : nullptr;
    if (!d || !listedDrive(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    const uint32_t value = wire::get32(c.param.data(), 0);
    if (value == FLAG_READ) {
        wire::put32(c.param.data(), 0, d->poolAccess ? 1 : 0);
        return ok();
    }
    if (value > 1)
        return FW_STATUS_BAD_RECORD;
    d->poolAccess = value == 1;
    fw.commitPending = true;
    return ok();
}

uint32_t mirrorStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const auto it = fw.mirrors.find(c.target);
    if (it == fw.mirrors.end())
        return FW_STATUS_INVALID_TARGET;
    if (c.param[0] != STATE_QUERY)
        return FW_STATUS_BAD_RECORD;
    advanceBuilds(fw, c.target);
    // The component furthest behind tells the mirror's progress.
    uint32_t percent = PERCENT_DONE;
    for (uint32_t n : fw.mirrors.at(c.target).components) {
        const LogicalDrive& d = fw.logicalDrives.at(n);
        if (d.building)
            percent = std::min(percent, d.buildPercent);
    }
    std::fill(c.param.begin() + 1, c.param.end(), 0);
    c.param[STATE_PERCENT] = static_cast<uint8_t>(percent);
    return ok();
}

}  // namespace kzmsim
