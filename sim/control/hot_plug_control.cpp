#include "hot_plug_control.h"

#include "controller_firmware.h"
#include "driver.h"
#include "text_util.h"

namespace kzmsim {

namespace {

// Parses "NAME C CH VALUE" and gives an action that runs `change` on the channel's index.
template <typename Change>
bool channelValue(const std::vector<std::string>& w, uint64_t max, ControlAction& a, Change change)
{
    uint64_t entry, channel, value;
    if (w.size() != 4 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 0xFFFD, channel) ||
        !parseNumber(w[3], max, value))
        return false;
    a = [=](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (!fw)
            return false;
        if (channel >= fw->channels.size())
            return d.refuse("entry " + std::to_string(entry) + " has no channel index " + std::to_string(channel));
        change(*fw, static_cast<size_t>(channel), value);
        return true;
    };
    return true;
}

}  // namespace

bool parseFcLoop(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    return channelValue(w, 0xFF, a, [](ControllerFirmware& fw, size_t ch, uint64_t mask) {
        fw.fcLoops.loops[ch] = static_cast<uint8_t>(mask);
    });
}

bool parseSettle(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    return channelValue(w, UINT32_MAX, a, [](ControllerFirmware& fw, size_t ch, uint64_t n) {
        fw.fcLoops.unsettled[ch] = static_cast<uint32_t>(n);
    });
}

}  // namespace kzmsim
