#include "device_scan.h"

#include "command_words.h"
#include "ioctl_handlers.h"

#include <algorithm>

namespace kzmsim {

namespace {
constexpr uint8_t WHOLE_CHANNEL = 255;
constexpr size_t SCAN_SIZE = 4;

}  // namespace

void joinUnscanned(Channel& ch, uint32_t entry)
{
    for (auto it = ch.unscanned.begin(); it != ch.unscanned.end();) {
        if (entry != ALL_UNSCANNED && it->entry != entry) {
            ++it;
            continue;
        }
        const auto pos = std::find_if(ch.devices.begin(), ch.devices.end(),
                                      [&](const Device& other) { return other.entry > it->entry; });
        ch.devices.insert(pos, std::move(*it));
        it = ch.unscanned.erase(it);
    }
}

uint32_t scanNewDevicesCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.target != CONTROLLER_TARGET)
        return FW_STATUS_INVALID_TARGET;
    Channel* ch = fw.channelByNumber(c.param[0]);
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t target = c.param[1];
    joinUnscanned(*ch, target == WHOLE_CHANNEL ? ALL_UNSCANNED : static_cast<uint32_t>(target) << 8 | c.param[2]);
    return FW_STATUS_OK;
}

uint32_t probeDeviceCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != SCAN_SIZE)
        return FW_STATUS_BAD_RECORD;
    const Channel* named = addressedChannel(fw, c, c.param[0]);
    if (!named)
        return FW_STATUS_INVALID_TARGET;
    Channel& ch = *fw.channelByNumber(named->number);
    const uint16_t entry = static_cast<uint16_t>(c.param[1] << 8 | c.param[2]);
    joinUnscanned(ch, entry);
    c.param[3] = fw.deviceAt(ch.address | entry) ? 1 : 0;
    return FW_STATUS_OK;
}

}  // namespace kzmsim
