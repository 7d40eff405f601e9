// Array drives a scenario sets up at start (docs/emulator.md, `arrays`).
#pragma once

namespace kzmsim {

struct ControllerFirmware;
struct ControllerSpec;

// Makes the scenario's arrays of the controller, after its logical drives
// and mirrors.
void setUpArrays(ControllerFirmware& fw, const ControllerSpec& desc);

}  // namespace kzmsim
