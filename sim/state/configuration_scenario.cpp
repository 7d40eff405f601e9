#include "configuration_scenario.h"

#include "array_config.h"
#include "controller_firmware.h"
#include "drive_config.h"

#include <algorithm>
#include <string>

namespace kzmsim {

void setUpConfiguration(ControllerFirmware& fw, const ControllerSpec& desc)
{
    setUpDriveConfig(fw, desc);
    for (const MirrorSpec& m : desc.mirrors) {
        if (!m.building)
            continue;
        for (size_t k = 1; k < m.drives.size(); ++k) {
            LogicalDrive& d = fw.logicalDrives.at(m.drives[k]);
            d.building = true;
            d.buildPercent = 0;
            d.buildStartMs = arrayClockMs();
        }
    }
    for (const ArraySpec& s : desc.arrays) {
        const uint32_t number = s.drives.front();
        ArrayDrive a;
        a.type = s.type;
        a.state = s.state;
        a.stripe = 256;
        const std::string name = s.name.empty() ? "RAID" + std::to_string(s.type) : s.name;
        std::fill(a.name.begin(), a.name.end(), ' ');
        std::copy_n(name.begin(), std::min<size_t>(name.size(), a.name.size()), a.name.begin());
        for (const uint32_t n : s.drives)
            a.slots.push_back({n, false});
        a.hotFixes = s.hotFixes;
        a.verifyState = s.verifyState;
        if (s.destructive)
            a.flags |= AFLAG_DESTRUCTIVE;
        if (s.state == ARRAY_BUILD || s.state == ARRAY_REBUILD) {
            a.percent = 0;
            a.startMs = arrayClockMs();
        }
        for (const uint32_t k : s.failedSlots) {
            a.slots[k].failed = true;
            fw.logicalDrives.at(s.drives[k]).failed = true;
        }
        fw.arrays[number] = std::move(a);
        ArrayDrive& made = fw.arrays.at(number);
        made.capacity = arrayCapacityFor(made.type, made.slots.size(), memberCapacity(fw, made, false));
        fw.logicalDrives.at(number).poolAccess = s.poolAccess;
        // A missing component: its drive is gone, its slot keeps the number.
        for (const uint32_t k : s.missingSlots) {
            made.slots[k].failed = true;
            fw.logicalDrives.erase(s.drives[k]);
        }
    }
}

}  // namespace kzmsim
