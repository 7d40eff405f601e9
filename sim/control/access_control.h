// Control commands that play a holder of configuration access outside the program:
//   hold C HD|all       host drive HD (or every host drive) is held: locks answer status 12
//   release C HD|all    the hold ends (also the host drive's access reset, opcode 6, ends it)
// C is the controller entry. Holding what is held, or releasing what is not, fails the write.
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

bool parseHold(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseRelease(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
