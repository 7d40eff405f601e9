// The table of IOCTL keys the firmware knows: whether a key writes, and the
// handler of keys with behaviour of their own. Keys without a handler use the
// generic record store.
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

using IoctlHandler = uint32_t (*)(ControllerFirmware&, IoctlCall&);

struct IoctlCommand {
    uint32_t key;
    bool writes;            // stores its parameter record in the generic store
    IoctlHandler handler;   // nullptr: generic store
};

// The table row of a key, or nullptr for keys the table does not know (read as generic).
const IoctlCommand* findIoctlCommand(uint32_t key);
// Runs a key through its handler or the generic store; returns the status word.
uint32_t runIoctlCommand(ControllerFirmware& fw, IoctlCall& call);

}  // namespace kzmsim
