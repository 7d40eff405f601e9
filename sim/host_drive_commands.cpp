// Host drive commands: the controller-wide host drive table.
#include "host_drive_commands.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

constexpr uint32_t ALL_HOST_DRIVES = 0xFFFFFFFF;
constexpr size_t TABLE_HEAD = 16;
constexpr uint32_t TABLE_WORD1 = 16;

}  // namespace

uint32_t controllerHostTableCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.target != ALL_HOST_DRIVES)
        return FW_STATUS_INVALID_TARGET;
    if (c.param.size() < TABLE_HEAD || (c.param.size() - TABLE_HEAD) % HOST_ENTRY_SIZE != 0)
        return FW_STATUS_BAD_RECORD;
    const size_t room = std::min<size_t>(wire::get32(c.param.data(), 0), (c.param.size() - TABLE_HEAD) / HOST_ENTRY_SIZE);
    std::fill(c.param.begin(), c.param.end(), 0);
    uint8_t* p = c.param.data();
    wire::put32(p, 4, TABLE_WORD1);
    // Every host drive of every carrying drive, then those of the other cluster node.
    size_t n = 0;
    auto put = [&](const std::array<uint8_t, HOST_ENTRY_SIZE>& e) {
        if (n < room)
            wire::putBytes(p, TABLE_HEAD + HOST_ENTRY_SIZE * n, e.data(), HOST_ENTRY_SIZE);
        ++n;
    };
    for (const auto& [carrier, table] : fw.hostTables)
        for (const auto& e : table.entries)
            put(e);
    for (const auto& e : fw.foreignHostDrives)
        put(e);
    wire::put32(p, 0, static_cast<uint32_t>(std::min(n, room)));
    return FW_STATUS_OK;
}

}  // namespace kzmsim
