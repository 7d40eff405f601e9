// The controller's hot plug: its state, the slot requests, the new disk's
// record and turning the new disk into a logical drive. Records:
// docs/firmware-layout.md (Hot plug).
#pragma once

#include <cstdint>
#include <map>
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

// The Fibre Channel loops: which channel numbers share each channel's loop
// (control `fcloop`; by default a channel is alone on its loop) and how many
// device map requests still fail while the loop settles (control `settle`).
// Both by channel index.
struct FcLoopState {
    std::map<size_t, uint8_t> loops;
    std::map<size_t, uint32_t> unsettled;
};

uint32_t beginHotPlugCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x20
uint32_t endHotPlugCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x21
uint32_t hotPlugInfoCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x23
uint32_t hotPlugNewDriveCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x24
uint32_t hotPlugFinishCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x10000004
uint32_t fcDeviceMapCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x20000082
uint32_t freeTargetMaskCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x75
uint32_t hotPlugSlotCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x10000002, 0x10000003

}  // namespace kzmsim
