// The firmware's device commands: initialise, de-initialise, lock, defect
// counts, presence, ownership, block reads, the device byte, identify and the
// surface check. Each handler checks its size and target itself.
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

constexpr uint16_t FW_STATUS_NOT_READY = 0x000A;  // the device is not ready (failed or pulled disk)

// Advances the surface check of the device at `address` by one information query.
void advanceSurfaceCheck(ControllerFirmware& fw, uint32_t address);
// Initialises a disk from a written device information record (newest layout).
void initialiseDisk(ControllerFirmware& fw, Device& dev, const DeviceInfoBytes& written);
// Marks a disk initialised by this controller in disk format 1 or 2: used by no drive, owned by the controller.
void markInitialised(ControllerFirmware& fw, Device& dev, uint8_t format);

uint32_t deinitialiseCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20000008
uint32_t unlockCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x2000000D
uint32_t lockCmd(ControllerFirmware& fw, IoctlCall& c);           // 0x2000000E
uint32_t deviceByteCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x20000012
uint32_t surfaceStartCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20000013
uint32_t defectCountCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x20000015
uint32_t surfaceAbortCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20000018
uint32_t presenceCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x20000025
uint32_t blockReadCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x20000027
uint32_t identifyCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x20000054
uint32_t ownershipCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x10010007

}  // namespace kzmsim
