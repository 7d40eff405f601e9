// Control commands of the controller's message log:
//   logmsg C KIND TEXT                     adds an entry of KIND to the log of entry C
//   logfault C none|size N|count N|stuck   how entry C misreports its log rounds
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

bool parseLogMsg(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseLogFault(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
