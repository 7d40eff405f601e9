// Control commands of the array firmware:
//   parityerror C A       the next parity verify of array A on entry C finds a parity error
//   expandfail C A PHASE  the running or next expansion of array A fails on reaching PHASE (1..3)
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parsers of the lines above: false when a line is malformed.
bool parseParityError(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseExpandFail(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
