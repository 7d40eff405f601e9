// Host drive commands: the controller-wide host drive table.
#include "host_drive_commands.h"

#include "array_config.h"
#include "command_words.h"
#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

uint32_t controllerHostTableCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.target != ALL_HOST_DRIVES)
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() < HOST_TABLE_HEAD || (c.param.size() - HOST_TABLE_HEAD) % HOST_ENTRY_SIZE != 0)
        return FW_STATUS_BAD_RECORD;
    const size_t room = std::min<size_t>(wire::get32(c.param.data(), 0), (c.param.size() - HOST_TABLE_HEAD) / HOST_ENTRY_SIZE);
    std::fill(c.param.begin(), c.param.end(), 0);
    uint8_t* p = c.param.data();
    wire::put32(p, 4, HOST_TABLE_WORD1);
    // The host drives of the other cluster node, which no local drive carries.
    size_t n = 0;
    for (const auto& e : fw.foreignHostDrives) {
        if (n < room)
            wire::putBytes(p, HOST_TABLE_HEAD + HOST_ENTRY_SIZE * n, e.data(), HOST_ENTRY_SIZE);
        ++n;
    }
    wire::put32(p, 0, static_cast<uint32_t>(std::min(n, room)));
    return FW_STATUS_OK;
}

namespace {

// True when some table holds host drive n.
bool hostDriveExists(const ControllerFirmware& fw, uint32_t n)
{
    for (const auto& [carrier, table] : fw.hostTables)
        for (const auto& e : table.entries)
            if (e[HOST_ENTRY_NUMBER] == n)
                return true;
    return false;
}

// Drive number a becomes b and b becomes a in everything keyed by it: the
// logical drives, mirror chains, arrays and host drive tables (the host
// drive numbers inside the entries stay).
void exchangeDriveNumbers(ControllerFirmware& fw, uint32_t a, uint32_t b)
{
    auto swap = [a, b](uint32_t& n) { n = n == a ? b : n == b ? a : n; };
    auto rekey = [a, b](auto& map) {
        auto na = map.extract(a);
        auto nb = map.extract(b);
        if (!na.empty()) {
            na.key() = b;
            map.insert(std::move(na));
        }
        if (!nb.empty()) {
            nb.key() = a;
            map.insert(std::move(nb));
        }
    };
    rekey(fw.logicalDrives);
    for (auto& [n, d] : fw.logicalDrives)
        d.number = n;
    rekey(fw.mirrors);
    for (auto& [n, m] : fw.mirrors)
        for (uint32_t& c : m.components)
            swap(c);
    rekey(fw.arrays);
    for (auto& [n, ar] : fw.arrays) {
        for (ArraySlot& s : ar.slots)
            swap(s.drive);
        for (uint32_t& h : ar.hotFixes)
            swap(h);
        for (uint32_t& h : ar.expandDrives)
            swap(h);
    }
    rekey(fw.hostTables);
    std::map<std::pair<uint32_t, uint64_t>, std::array<uint8_t, 512>> moved;
    for (auto& [key, block] : fw.carrierBlocks) {
        uint32_t carrier = key.first;
        swap(carrier);
        moved[{carrier, key.second}] = block;
    }
    fw.carrierBlocks = std::move(moved);
}

}  // namespace

uint32_t clusterEnabledCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!hostDriveExists(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    c.param[0] = fw.identity.clusterEnabled ? 1 : 0;
    return FW_STATUS_OK;
}

uint32_t unloadHostDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // The firmware forgets the drive's cached state; the configuration stays.
    return hostDriveExists(fw, c.target) ? FW_STATUS_OK : FW_STATUS_INVALID_TARGET;
}

uint32_t renumberDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.target > MAX_DRIVE_NUMBER || !findDrive(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    const uint32_t n = wire::get32(c.param.data(), 0);
    if (n > MAX_DRIVE_NUMBER || n == c.target)
        return FW_STATUS_BAD_RECORD;
    // 0x10000019 renumbers within arrays, 0x06 outside them.
    const bool arrays = arrayOfDrive(fw, c.target) >= 0 || arrayOfDrive(fw, n) >= 0;
    if (arrays != (c.key == 0x10000019))
        return FW_STATUS_BAD_RECORD;
    exchangeDriveNumbers(fw, c.target, n);
    fw.commitPending = true;
    return FW_STATUS_OK;
}

}  // namespace kzmsim
