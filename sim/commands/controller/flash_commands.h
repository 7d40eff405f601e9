// The flash commands of the emulated firmware (keys 0x40 to 0x4F) and the
// restart that loads the firmware image from the flash. Records:
// docs/firmware-layout.md, "Flash requests".
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

uint32_t readFlashCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x40
uint32_t writeFlashCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x41
uint32_t readComponentCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x42
uint32_t flashHandleCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x44
uint32_t writeSessionCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x46
uint32_t openSessionCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x47
uint32_t closeSessionCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x48, 0x4F
uint32_t eraseFlashCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x4C
uint32_t flashEndCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x4D

// Restarts the controller's firmware: a complete image in area 1 becomes the
// running firmware (board information reports its version); false, and the
// old version stays, when the image is incomplete.
bool rebootFirmware(ControllerFirmware& fw);

}  // namespace kzmsim
