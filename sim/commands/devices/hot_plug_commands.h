// The controller's hot plug: the slot requests, the new disk's
// record and turning the new disk into a logical drive. Records:
// docs/firmware-layout.md (Hot plug).
#pragma once

#include "hot_plug_state.h"

#include <cstdint>

namespace kzmsim {

class ControllerFirmware;
struct IoctlCall;

uint32_t beginHotPlugCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20
uint32_t endHotPlugCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x21
uint32_t hotPlugInfoCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x23
uint32_t hotPlugNewDriveCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x24
uint32_t hotPlugFinishCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10000004
uint32_t fcDeviceMapCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x20000082
uint32_t freeTargetMaskCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x75
uint32_t hotPlugSlotCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x10000002, 0x10000003

}  // namespace kzmsim
