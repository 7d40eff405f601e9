// Control command that sets how the firmware's progress advances:
//   progress step N    N percent per query (1..100; the default is 10)
//   progress time MS   one percent every MS milliseconds instead
// It applies to every controller: mirror builds and disk surface checks.
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parser of the line above: false when it is malformed.
bool parseProgress(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
