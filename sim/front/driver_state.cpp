// The driver's own locks and the state file kzmsim/state.
#include "driver.h"

#include "config_access.h"
#include "driver_layout.h"

#include <byte_order.h>

namespace kzmsim {

void Driver::keepDriverLock(int entry, const std::vector<uint8_t>& rec)
{
    const bool lock = rec[REC_LOCK_FLAG] != 0;
    const auto keep = [lock](std::set<uint16_t>& held, uint16_t n) {
        if (lock)
            held.insert(n);
        else
            held.erase(n);
    };
    if (wire::get16(rec.data(), REC_CODE) == DRVREQ_LOCK_CHANNEL) {
        keep(lockedChannels_[entry], rec[REC_LOCK_COUNT]);
        return;
    }
    const size_t count = rec[REC_LOCK_COUNT];
    for (size_t i = 0; i < count && REC_LOCK_LIST + 2 * i + 2 <= REC_DATA; ++i)
        keep(lockedHostDrives_[entry], wire::get16(rec.data(), REC_LOCK_LIST + 2 * i));
}

std::string Driver::stateText() const
{
    std::string text;
    for (const auto& [entry, fw] : controllers_) {
        for (const std::string& line : accessStateLines(entry, fw.access))
            text += line + "\n";
        const std::string e = std::to_string(entry) + " ";
        if (const auto it = lockedHostDrives_.find(entry); it != lockedHostDrives_.end())
            for (uint16_t d : it->second)
                text += e + "driver hostdrive " + std::to_string(d) + "\n";
        if (const auto it = lockedChannels_.find(entry); it != lockedChannels_.end())
            for (uint16_t c : it->second)
                text += e + "driver channel " + std::to_string(c) + "\n";
    }
    return text;
}

}  // namespace kzmsim
