// Control commands of the fault bus:
//   swaps C CH N    the swap counter of channel CH's fault bus on entry C becomes N
#pragma once

#include "control_commands.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parser of the line above: false when malformed; the action fails when the
// entry or its channel's fault bus does not exist.
bool parseSwaps(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
