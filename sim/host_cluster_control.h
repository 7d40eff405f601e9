// Control command of a carrying drive's cluster fields:
//   hostcluster C D TYPE OWNER  the host drive table of carrying drive D on
//                               entry C gets cluster type TYPE and owner serial OWNER
#pragma once

#include "control_commands.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parser of the line above: false when malformed; the action fails without
// the entry or without a table of the carrying drive.
bool parseHostCluster(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
