#include "message_log_control.h"

#include "message_log.h"
#include "text_util.h"

#include <algorithm>
#include <iterator>

namespace kzmsim {

bool parseLogMsg(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    uint64_t entry, kind;
    if (w.size() < 4 || !parseNumber(w[1], 255, entry) || !parseNumber(w[2], 0xFFFF, kind))
        return false;
    // The text: the words after KIND, joined by single blanks.
    std::string text = w[3];
    for (size_t i = 4; i < w.size(); ++i)
        text += " " + w[i];
    a = [entry, kind, text](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw)
            addLogEntry(*fw, static_cast<uint16_t>(kind), text);
        return fw != nullptr;
    };
    return true;
}

bool parseLogFault(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    static const std::pair<const char*, LogFault> kModes[] = {
        {"none", LogFault::none}, {"size", LogFault::size}, {"count", LogFault::count}, {"stuck", LogFault::stuck}};
    uint64_t entry = 0;
    uint64_t value = 0;
    if (w.size() < 3 || !parseNumber(w[1], 255, entry))
        return false;
    const auto mode = std::find_if(std::begin(kModes), std::end(kModes), [&](const auto& m) { return w[2] == m.first; });
    if (mode == std::end(kModes))
        return false;
    const bool valued = mode->second == LogFault::size || mode->second == LogFault::count;
    if (w.size() != (valued ? 4u : 3u) || (valued && !parseNumber(w[3], UINT32_MAX, value)))
        return false;
    a = [entry, fault = mode->second, value](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, entry);
        if (fw) {
            fw->messageLog.fault = fault;
            fw->messageLog.faultValue = static_cast<uint32_t>(value);
        }
        return fw != nullptr;
    };
    return true;
}

}  // namespace kzmsim
