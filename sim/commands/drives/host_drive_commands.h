// Handlers of the host drive commands beyond the per-carrier tables
// (sim/commands/drives/host_drive_commands.cpp), named in the command table. Records:
// docs/firmware-layout.md (Host drive tables).
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

uint32_t controllerHostTableCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10010002
uint32_t clusterEnabledCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x10010005
uint32_t unloadHostDriveCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x0A
uint32_t renumberDriveCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x06, 0x10000019

}  // namespace kzmsim
