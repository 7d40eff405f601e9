// The commands of the file kzmsim/control, one per line:
//   busy N                          the next N request writes fail with EBUSY
//   status C KEY STATUS [DETAIL] [after N]   the next (Nth) command with KEY on entry C answers DETAIL<<16 | STATUS
//   badsum C                        the next flash read of entry C answers a wrong byte sum
//   reboot C                        entry C restarts and loads the firmware of its flash;
//                                   page B takes over page A's fault bus and cluster bytes
//   count N                         the driver's controller count
//   event C SOURCE SERVICE NUMBER SEVERITY DATA [TEXT]   adds an event to the store
//   eventfail N                     the next N event requests fail with EIO
//
// and the commands of the other files of this folder (device, access, array,
// progress, hot plug, fault bus, statistics and message log lines). A write
// that holds a line that is unknown, malformed or cannot be carried out
// changes nothing; the file kzmsim/refused then names the line and why.
#pragma once

#include "driver.h"
#include "event_store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kzmsim {

// Runs one write to kzmsim/control: all of its lines, or none when one is
// unknown, malformed or cannot be carried out; the write then answers
// -EINVAL and the driver notes the line and the reason for kzmsim/refused.
// Returns the bytes taken or -EINVAL.
long writeControl(Driver& d, const char* data, size_t size);
// The words of every control command as the user writes them, one per command.
std::vector<std::string> controlCommandUsages();
// Builds the event of an "event" line from its words and its text; false when malformed.
bool buildEvent(const std::vector<std::string>& words, const std::string& text, EventBytes& event);

}  // namespace kzmsim
