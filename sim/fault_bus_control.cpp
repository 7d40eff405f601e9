#include "fault_bus_control.h"

#include "driver.h"
#include "text_util.h"

namespace kzmsim {

bool parseSwaps(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, channel, count;
    if (w.size() != 4 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], FAULT_BUS_CHANNELS - 1, channel) ||
        !parseNumber(w[3], 0xFFFFFFFFu, count))
        return false;
    a = [entry, channel, count](Driver& d) {
        ControllerFirmware* fw = d.firmware(static_cast<int>(entry));
        if (!fw || channel >= fw->channels.size() || !fw->faultBus.present[channel])
            return false;
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
        ControllerFirmware* fw = d.firmware(static_cast<int>(entry));
        if (!fw)
            return false;
        fw->enclosureSlotMax = static_cast<uint32_t>(count);
        return true;
    };
    return true;
}

}  // namespace kzmsim
