// Control commands of the Fibre Channel loops:
//   fcloop C CH MASK    channel CH's loop is shared by the channels whose numbers are the bits of MASK (0..255)
//   settle C CH N       the next N device map requests of channel CH fail while the loop settles
// C is the controller entry, CH the channel index.
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parsers of the lines above: false when a line is malformed; the action
// fails when the entry or channel does not exist.
bool parseFcLoop(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseSettle(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
