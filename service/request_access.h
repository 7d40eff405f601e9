// Which library requests change a controller or the driver: decided by the
// service from the request itself, never from the flag the client sends.
#pragma once

#include <cstdint>

#include "ctl_request.h"

// True when the request (with its command for function 32) may change the
// controller or the driver, so that a read-only connection must refuse it.
bool request_changes_controller(const CtlRequest& request, const CtlCommand* command);
// True when the IOCTL key belongs only to reading commands of the library's table.
bool ioctl_key_reads_only(uint32_t key);
// True when the SCSI operation code only reads from the device.
bool scsi_opcode_reads_only(uint8_t opcode);
