// Configuration access as the emulated controller keeps it: Maintenance Mode
// (0x0C/0x0D), the nested host drive access (0x70/0x71), the per-host-drive
// locks (0x72/0x73), holders outside the program (control `hold`/`release`,
// ended also by the host drive's access reset, opcode 6), the disk change
// bracket (0x20026/0x20027), and the protocol faults of strict mode.
#pragma once

#include "access_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kzmsim {

class ControllerFirmware;
struct IoctlCall;
struct IoctlCommand;

// Handlers of the access keys.
uint32_t lockConfigurationCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x0C
uint32_t unlockConfigurationCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x0D
uint32_t lockAccessCmd(ControllerFirmware& fw, IoctlCall& c);           // 0x70
uint32_t unlockAccessCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x71
uint32_t lockHostDriveCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x72
uint32_t unlockHostDriveCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x73
uint32_t prepareDriveCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x12
uint32_t beginDiskChangeCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x20026
uint32_t endDiskChangeCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20027

// The access reset (opcode 6) of host drive d: ends a hold of d; d 0xFFFF ends every hold.
void resetHostDriveAccess(AccessState& a, uint16_t d);

// Strict mode: notes a protocol fault when the command changes the
// configuration without Maintenance Mode or the host drive's lock.
void checkConfigurationAccess(ControllerFirmware& fw, const IoctlCommand& row, const IoctlCall& c);

// The lines of the state file for controller `entry` (empty when nothing is held).
std::vector<std::string> accessStateLines(int entry, const AccessState& a);

}  // namespace kzmsim
