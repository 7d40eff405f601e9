// Handlers of the array drive commands (sim/commands/drives/array_commands.cpp,
// sim/commands/drives/array_expand_commands.cpp), named in the command table. Records:
// docs/firmware-layout.md (Array drives).
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

// The array a number target names, or nullptr.
ArrayDrive* targetArray(ControllerFirmware& fw, const IoctlCall& c);

uint32_t arrayOrMirrorStateCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10000009
uint32_t createArrayCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x10000010
uint32_t removeArrayCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x10000011
uint32_t arrayInfoCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x10000012
uint32_t arrayNameCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x10000013
uint32_t addArrayHotFixCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x10000015
uint32_t removeArrayHotFixCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10000016
uint32_t replaceComponentCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x10000018
uint32_t buildStateCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x1000001A, 0x10000033
uint32_t rebuildStateCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x1000001B
uint32_t parityVerifyCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x1000001C
uint32_t patchArrayCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x10000028
uint32_t arrayDisksCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x10000032

// Expansions and conversions (sim/commands/drives/array_expand_commands.cpp).
uint32_t expandArrayCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x1000002A
uint32_t expandProgressCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x1000002B
uint32_t largestCapacityCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x1000002C
uint32_t setArrayCapacityCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x1000002D
uint32_t addParityCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x1000002E
uint32_t removeRedundancyCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x1000002F
uint32_t mirrorsToRaid10Cmd(ControllerFirmware& fw, IoctlCall& c);    // 0x10000030
uint32_t raid10ToRaid0Cmd(ControllerFirmware& fw, IoctlCall& c);      // 0x10000031

}  // namespace kzmsim
