#include "control_line.h"

#include <climits>
#include <string>

namespace kzmsim {

ControllerFirmware* controllerOf(Driver& d, uint64_t entry)
{
    ControllerFirmware* fw = entry <= INT_MAX ? d.firmware(static_cast<int>(entry)) : nullptr;
    if (fw == nullptr)
        d.refuse("no controller entry " + std::to_string(entry));
    return fw;
}

}  // namespace kzmsim
