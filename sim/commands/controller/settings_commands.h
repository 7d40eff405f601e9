// Handlers of the configuration page steps and the load of every drive's
// configuration: 0x2C commits a written page (0x2B), 0x2D finishes a
// committed one; 0x0B on the controller prepares the load, which the
// configuration commit 0x03 carries out. A controller whose pages go to
// flash answers 0x2C with 0xFFF4 until the page has been through a flash
// session: 0x2E names the session's handle, 0x47 opens it, 0x48 closes it.
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

uint32_t commitConfigPageCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x2C
uint32_t finishConfigPageCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x2D
uint32_t commitRecordCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x2E
// A flash session closed (0x48): the page whose commit record named it has been through the flash.
void noteFlashSessionClosed(ControllerFirmware& fw, uint32_t handle);
uint32_t driveByteCmd(ControllerFirmware& fw, IoctlCall& c);            // 0x0B
uint32_t commitConfigurationCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x03

}  // namespace kzmsim
