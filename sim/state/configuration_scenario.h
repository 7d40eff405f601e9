// The drive configuration a scenario sets up at start: its chains, pool and
// foreign host drives, then its array drives and the builds of its building
// mirrors (docs/emulator.md, `mirrors` and `arrays`).
#pragma once

namespace kzmsim {

struct ControllerFirmware;
struct ControllerSpec;

// Sets up the scenario's drive configuration of the controller, after its
// logical drives: chains and pool, array drives, building mirrors.
void setUpConfiguration(ControllerFirmware& fw, const ControllerSpec& desc);

}  // namespace kzmsim
