// The emulated firmware's command table: one row per IOCTL key with its
// direction, the size its parameter record must have, what its target must
// address, and the handler that gives the key its behaviour.
//
// A command runs as the firmware would check it:
//   1. a key without a row, or one the controller's profile does not know,
//      answers 0x0009 (invalid command);
//   2. a parameter size the row's size rule refuses answers 0x0007;
//   3. a target the row's target rule refuses answers 0x0006;
//   4. the handler runs; a row without a handler (a command this emulator has
//      no behaviour for yet) answers 0x0009 after the checks.
// Handlers may live in any file; they are declared in headers such as
// ioctl_handlers.h and named in the table (ioctl_commands.cpp).
#pragma once

#include "command_row.h"
#include "controller_firmware.h"

#include <cstdint>
#include <span>

namespace kzmsim {

// The row of a key, or nullptr for a key the controller does not know.
const IoctlCommand* findIoctlCommand(uint32_t key);
// Every row of the table.
std::span<const IoctlCommand> ioctlCommands();
// Checks and runs one IOCTL command; returns the status word.
uint32_t runIoctlCommand(ControllerFirmware& fw, IoctlCall& call);

}  // namespace kzmsim
