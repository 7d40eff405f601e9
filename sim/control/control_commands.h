// The commands of the file kzmsim/control, one per line:
//   busy N                          the next N request writes fail with EBUSY
//   status C KEY STATUS [DETAIL] [after N]   the next (Nth) command with KEY on entry C answers DETAIL<<16 | STATUS
//   badsum C                        the next flash read of entry C answers a wrong byte sum
//   reboot C                        entry C restarts and loads the firmware of its flash;
//                                   page B takes over page A's fault bus and cluster bytes
//   clock C VALUE, diskerr C CH T R A   statistics (statistics_commands.h)
//   logmsg C KIND TEXT              adds a message log entry (message_log.h)
//   count N                         the driver's controller count
//   event C SOURCE SERVICE NUMBER SEVERITY DATA [TEXT]   adds an event to the store
//   eventfail N                     the next N event requests fail with EIO
//
// and the device commands of device_control.h and the access commands of access_control.h.
#pragma once

#include "event_store.h"

#include <functional>
#include <string>
#include <vector>

namespace kzmsim {

class Driver;
// One parsed line; false when it cannot be carried out (the whole write is then undone).
using ControlAction = std::function<bool(Driver&)>;

// Parses every line of a control write; false when any line is unknown or malformed.
bool parseControl(const std::string& text, std::vector<ControlAction>& actions);
// Builds the event of an "event" line from its words and its text; false when malformed.
bool buildEvent(const std::vector<std::string>& words, const std::string& text, EventBytes& event);

}  // namespace kzmsim
