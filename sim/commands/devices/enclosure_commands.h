// The firmware's enclosure commands: enclosure processors (identity, layout,
// queries, slot maps, the slot of a disk) and the controller's enclosure
// configurations. Each handler checks its size and target itself.
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

uint32_t enclosureInfoCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x20000
uint32_t enclosureLayoutCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20001
uint32_t enclosureQueryCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x20002
uint32_t slotMapOccupiedCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20010
uint32_t slotOfDiskCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20011
uint32_t slotMapCmd(ControllerFirmware& fw, IoctlCall& c);           // 0x20012
uint32_t configWriteCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x20020
uint32_t configListCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20021
uint32_t configSizeCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20022
uint32_t configCountCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x20023
uint32_t configReleaseCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x20024
uint32_t configRemoveCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x20025

}  // namespace kzmsim
