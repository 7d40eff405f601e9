// Array drives and building mirrors a scenario sets up at start
// (docs/emulator.md, `arrays` and the mirrors' `building`).
#pragma once

namespace kzmsim {

struct ControllerFirmware;
struct ControllerSpec;

// Makes the scenario's arrays of the controller and starts the builds of its
// building mirrors, after its logical drives and mirrors.
void setUpArrays(ControllerFirmware& fw, const ControllerSpec& desc);

}  // namespace kzmsim
