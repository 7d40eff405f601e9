// The controller's message log: the entries the firmware writes (one per
// event it raises, and those of the control command `logmsg C KIND TEXT`),
// read in 2048-byte rounds with key 0x7F and emptied with key 0x2000002E.
// Layouts: docs/firmware-layout.md (Message log).
#pragma once

#include "controller_firmware.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kzmsim {

constexpr uint16_t LOG_KIND_EVENT = 3;          // an asynchronous event
constexpr size_t MESSAGE_LOG_LIMIT = 256;       // oldest entries drop out beyond this
constexpr size_t MESSAGE_TEXT_MAX = 200;        // longer texts are cut

// Adds an entry stamped with the current time.
void addLogEntry(ControllerFirmware& fw, uint16_t kind, const std::string& text, uint16_t number = 0,
                 uint16_t service = 0);
// Adds the entry of an asynchronous event the firmware raised.
void logFirmwareEvent(ControllerFirmware& fw, uint16_t service, uint16_t number);

uint32_t readMessageLogCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x7F
uint32_t clearMessageLogCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x2000002E

}  // namespace kzmsim
