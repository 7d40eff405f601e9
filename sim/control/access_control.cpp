#include "access_control.h"

#include "config_access.h"
#include "driver.h"
#include "text_util.h"

namespace kzmsim {

namespace {

// Entry and host drive ("all": every host drive) of a hold line.
bool parseHoldWords(const std::vector<std::string>& w, int& entry, uint32_t& drive)
{
    uint64_t e = 0, d = 0;
    if (w.size() != 3 || !parseNumber(w[1], 255, e))
        return false;
    if (w[2] == "all")
        d = WHOLE_CONFIGURATION;
    else if (!parseNumber(w[2], WHOLE_CONFIGURATION - 1, d))
        return false;
    entry = static_cast<int>(e);
    drive = static_cast<uint32_t>(d);
    return true;
}

// What a hold line names, for the reasons of refused lines.
std::string heldText(uint32_t drive)
{
    return drive == WHOLE_CONFIGURATION ? std::string("every host drive") : "host drive " + std::to_string(drive);
}

}  // namespace

bool parseHold(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    int entry = 0;
    uint32_t drive = 0;
    if (!parseHoldWords(w, entry, drive))
        return false;
    a = [entry, drive](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, static_cast<uint64_t>(entry));
        if (!fw)
            return false;
        return fw->access.holds.insert(drive).second || d.refuse(heldText(drive) + " is held already");
    };
    return true;
}

bool parseRelease(const std::vector<std::string>& w, const std::string&, ControlAction& a)
{
    int entry = 0;
    uint32_t drive = 0;
    if (!parseHoldWords(w, entry, drive))
        return false;
    a = [entry, drive](Driver& d) {
        ControllerFirmware* fw = controllerOf(d, static_cast<uint64_t>(entry));
        if (!fw)
            return false;
        if (fw->access.holds.empty())
            return d.refuse("nothing is held");
        if (drive == WHOLE_CONFIGURATION) {
            fw->access.holds.clear();
            return true;
        }
        return fw->access.holds.erase(drive) == 1 || d.refuse(heldText(drive) + " is not held");
    };
    return true;
}

}  // namespace kzmsim
