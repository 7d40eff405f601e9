// The driver request command of a remote packet: checks every size and
// offset against the received packet, rebuilds the carried controller
// command, refuses changing requests on read-only connections and hands the
// request to the local controllers.
#pragma once

#include <cstdint>

#include "driver_io.h"

// Largest controller number the service serves, plus one.
constexpr unsigned REMOTE_CONTROLLER_LIMIT = 20;

// Serves the driver request in the packet of `length` received bytes in
// place; writes the library result at offset 8. Returns the packet status
// (0, or 5 for a changing request on a read-only connection). With `files`,
// the driver's read file may be left open there for the caller to close
// once the reply is sent (driver_request).
uint16_t serve_driver_request(unsigned char access, uint8_t* packet, uint32_t length,
                              DrvFiles* files = nullptr);
