// The controller's hot plug: its state, the slot requests, the new disk's
// record and turning the new disk into a logical drive. Records:
// docs/firmware-layout.md (Hot plug).
#pragma once

#include <cstdint>
#include <optional>

namespace kzmsim {

class ControllerFirmware;
struct IoctlCall;

// What the firmware keeps between the begin and the end of a hot plug.
struct HotPlugState {
    bool active = false;
    std::optional<uint8_t> slotChannel;  // the slot the last slot request named
    uint8_t slotTarget = 0;
};

uint32_t beginHotPlugCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20
uint32_t endHotPlugCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x21
uint32_t hotPlugInfoCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x23
uint32_t hotPlugNewDriveCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x24
uint32_t hotPlugFinishCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10000004
uint32_t hotPlugSlotCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x10000002, 0x10000003

}  // namespace kzmsim
