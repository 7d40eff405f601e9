// Control commands of the fault bus and the enclosure configurations:
//   swaps C CH N    the swap counter of channel CH's fault bus on entry C becomes N
//   enclslots C N   entry C reports N as the slot maximum of its enclosure configurations
//   hostdrive C D N SIZE  logical drive D of entry C carries host drive N of SIZE sectors
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parser of the line above: false when malformed; the action fails when the
// entry or its channel's fault bus does not exist.
bool parseSwaps(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
// Parser of the enclosure slot maximum line; the action fails without the entry.
bool parseEnclosureSlots(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

// Parser of the host drive line; the action fails without the entry or the
// drive, or when the number is taken or the table full.
bool parseHostDrive(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
// `hostcluster C D TYPE OWNER`: the cluster type (0..2) and owner serial of the host drive table of drive D.
bool parseHostCluster(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
