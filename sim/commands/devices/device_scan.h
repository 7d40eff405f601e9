// Disks that were inserted (control `insert`) wait outside their channel's
// device list until the controller scans for them: 0x74 (a channel, or one
// address) on newer firmware, the probe 0x20000014 of an address on older
// firmware, or the load of every drive (0x0B, 0x03).
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

// Entry that stands for every waiting disk of a channel.
constexpr uint32_t ALL_UNSCANNED = 0xFFFFFFFF;

// Moves the waiting disk with that entry (target << 8 | LUN), or every one,
// into the channel's device list, in target order.
void joinUnscanned(Channel& ch, uint32_t entry);

uint32_t scanNewDevicesCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x74
uint32_t probeDeviceCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x20000014

}  // namespace kzmsim
