// The service's way to the local controllers: every driver request of the
// connection threads and the event thread goes through here, so that the
// requests for one controller never overlap (each write is followed by its
// own reply).
#pragma once

#include <cstdint>

#include "ctl_driver_records.h"
#include "driver_io.h"
#include "ctl_request.h"
#include "ctl_errors.h"

// Carries one request to local controller `controller`, holding that
// controller. With `files`, a controller command's write file is opened
// before the controller is taken, and its read file is left open in `files`
// after it is released: the caller closes it (drvCloseFiles) once it has
// passed the answer on.
CtlResult driver_request(uint16_t controller, CtlRequest* request, DrvFiles* files = nullptr);
// The local controller count (asked through the first controller's file).
CtlResult driver_controller_count(int* count);
// Reads one event through the library's event request, holding the first
// controller, whose file carries every event request.
CtlResult driver_read_event(EventRequest* request);
