// Control commands of the transfer statistics:
//   clock C VALUE             sets the statistics clock of entry C
//   diskerr C CH T R A        sets the retry and reassign counters of a disk
//   statrate C RO WO BR BW    growth per statistics block of every disk, logical and host drive
//   cacherate C RR WR RH WH U D  growth per statistics block of both cache halves
// A rate line replaces the scenario's load with steady rates. Layouts:
// docs/firmware-layout.md (Statistics rates).
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

bool parseClock(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseStatRate(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseCacheRate(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseDiskErr(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
