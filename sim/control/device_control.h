// Control commands that change the devices of a controller:
//   pull C CH ID                        the device leaves its channel's list
//   insert C CH ID [CAPACITY [SECTORSIZE]]  a new, uninitialised disk joins it at the next scan
//   fail C CH ID / restore C CH ID      the disk becomes not ready / ready again
//   surface C CH ID ERRORS [SECOND]     the counters the disk's surface check ends with
//   sensor C CH ID N DEGREES            temperature of sensor N of an enclosure processor
// C is the controller entry, CH the channel index, ID the target ID (LUN 0).
#pragma once

#include "control_line.h"

#include <string>
#include <vector>

namespace kzmsim {

// Parsers of the lines above: false when a line is malformed; the action
// they give fails when the device it names cannot take the change.
bool parsePull(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseInsert(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseFail(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseRestore(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseSurface(const std::vector<std::string>& w, const std::string& text, ControlAction& a);
bool parseSensor(const std::vector<std::string>& w, const std::string& text, ControlAction& a);

}  // namespace kzmsim
