#include "fault_bus_control.h"

#include "driver.h"
#include "text_util.h"

#include <byte_order.h>

#include <algorithm>
#include <array>
#include <string>

namespace kzmsim {

bool parseSwaps(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, channel, count;
    if (w.size() != 4 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], FAULT_BUS_CHANNELS - 1, channel) ||
        !parseNumber(w[3], 0xFFFFFFFFu, count))
        return false;
    a = [entry, channel, count](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        if (channel >= fw->channels.size() || !fw->faultBus.present[channel])
            return d.refuse("channel index " + std::to_string(channel) + " of entry " + std::to_string(entry) +
                            " has no fault bus");
        fw->faultBus.swaps[channel] = static_cast<uint32_t>(count);
        return true;
    };
    return true;
}

bool parseEnclosureSlots(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, count;
    if (w.size() != 3 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 255, count))
        return false;
    a = [entry, count](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        fw->enclosureSlotMax = static_cast<uint32_t>(count);
        return true;
    };
    return true;
}

bool parseHostDrive(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, drive, number, size;
    if (w.size() != 5 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 254, drive) ||
        !parseNumber(w[3], 254, number) || !parseNumber(w[4], 0xFFFFFFFFu, size) || size == 0)
        return false;
    a = [entry, drive, number, size](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        if (!fw->logicalDrives.count(static_cast<uint32_t>(drive)))
            return d.refuse("entry " + std::to_string(entry) + " has no logical drive " + std::to_string(drive));
        for (const auto& [carrier, table] : fw->hostTables)
            for (const auto& e : table.entries)
                if (e[12] == number)
                    return d.refuse("host drive " + std::to_string(number) + " is in a table already");
        HostDriveTable& table = fw->hostTables[static_cast<uint32_t>(drive)];
        if (table.entries.size() >= 100)
            return d.refuse("the host drive table of logical drive " + std::to_string(drive) + " is full");
        // Behind the entries already there.
        uint32_t start = 0;
        for (const auto& e : table.entries)
            start = std::max(start, wire::get32(e.data(), 16) + wire::get32(e.data(), 8));
        std::array<uint8_t, HOST_ENTRY_SIZE> e{};
        const std::string name = "HOST_" + std::to_string(number);
        std::copy_n(name.begin(), std::min<size_t>(name.size(), 8), e.begin());
        wire::put32(e.data(), 8, static_cast<uint32_t>(size));
        e[12] = static_cast<uint8_t>(number);
        e[13] = static_cast<uint8_t>(drive);
        wire::put32(e.data(), 16, start);
        table.entries.push_back(e);
        return true;
    };
    return true;
}

bool parseHostCluster(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, drive, type, owner;
    if (w.size() != 5 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 254, drive) ||
        !parseNumber(w[3], 2, type) || !parseNumber(w[4], 0xFFFFFFFFu, owner))
        return false;
    a = [entry, drive, type, owner](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        const auto it = fw->hostTables.find(static_cast<uint32_t>(drive));
        if (it == fw->hostTables.end())
            return d.refuse("logical drive " + std::to_string(drive) + " of entry " + std::to_string(entry) +
                            " has no host drive table");
        it->second.clusterType = static_cast<uint8_t>(type);
        it->second.owner = static_cast<uint32_t>(owner);
        return true;
    };
    return true;
}

}  // namespace kzmsim
