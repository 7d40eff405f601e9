// What the parsers of the control lines share: the change a line makes
// (ControlAction, of the driver) and the controller a line names.
#pragma once

#include "driver.h"

#include <cstdint>

namespace kzmsim {

// The firmware of entry `entry`; nullptr, with the reason given to the
// driver, when it has no such entry.
ControllerFirmware* controllerOf(Driver& d, uint64_t entry);

}  // namespace kzmsim
