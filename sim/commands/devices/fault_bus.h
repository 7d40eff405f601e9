// The fault bus of the emulated firmware: per channel a bus that drives the
// slot signals of a disk enclosure. Key 0x50 reads a channel's state (present
// flag, swap counter, SHELF byte, 16 slot signal words from the disks'
// states), key 0x51 starts a test pattern that holds until stopped. Whether a
// channel has a fault bus comes from the scenario (board details 12 + c);
// whether the running firmware drives it, from configuration page B
// (60 + c), which a restart takes over from page A.
// Layouts: docs/firmware-layout.md (Fault bus).
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

// Slot signal words.
constexpr uint16_t SLOT_SIGNAL_OK = 0;
constexpr uint16_t SLOT_SIGNAL_REMOVE = 0x0FFF;
constexpr uint16_t SLOT_SIGNAL_BUILD = 0x41;
constexpr uint16_t SLOT_SIGNAL_IDLE = 0x555;

uint32_t faultBusStateCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x50
uint32_t faultBusTestCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x51

// A device left or joined channel `channel` at `address`: the channel's
// swap counter counts it, and a disk there starts with fresh counters.
void noteDeviceChange(ControllerFirmware& fw, size_t channel, uint32_t address);
// On a restart: page B takes over page A's fault bus and cluster bytes.
void takeOverFaultBusAndCluster(ControllerFirmware& fw);

}  // namespace kzmsim
