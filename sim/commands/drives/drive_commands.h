// Handlers of the logical drive, mirror, hot fix pool and host drive table
// commands (sim/commands/drives/logical_drive_commands.cpp, sim/commands/drives/mirror_commands.cpp), named
// in the command table. Records: docs/firmware-layout.md (Logical drives,
// mirror chains and host drive tables).
#pragma once

#include "controller_firmware.h"

#include <cstdint>
#include <vector>

namespace kzmsim {

// Answers a component disk record (keys 0x6F and 0x10000032): checks its
// size against the room the caller gives, then lists the disks of the
// drives in order, then the `lost` disks ({drive number, device address},
// flagged missing), as many as fit, with the count of them all.
uint32_t answerComponentDisks(const ControllerFirmware& fw, IoctlCall& c, const std::vector<const LogicalDrive*>& drives,
                              const std::vector<std::pair<uint32_t, uint32_t>>& lost = {});

// Logical drives.
uint32_t commitCmd(ControllerFirmware& fw, IoctlCall& c);             // 0x03
uint32_t deleteDriveCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x0F
uint32_t usedCapacityCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x1E
uint32_t setUsedCapacityCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x1F
uint32_t componentDisksCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x6F
uint32_t setDeviceNameCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x8000000F
uint32_t arrayListCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x1000000F
uint32_t arrayListExtCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x10000034
uint32_t hostDriveTableCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x10010001
uint32_t writeHostDriveTableCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10010003
uint32_t releaseHostDrivesCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10010004

// Mirrors and the hot fix pool.
uint32_t removeMissingCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x09
uint32_t attachComponentCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x10
uint32_t takeOutComponentCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x11
uint32_t addPoolHotFixCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x60
uint32_t removePoolHotFixCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x61
uint32_t poolAccessCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x63, 0x1000000A
uint32_t mirrorStateCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x10000009

}  // namespace kzmsim
