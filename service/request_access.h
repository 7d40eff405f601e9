// Which library requests change a controller or the driver: decided by the
// service from the request itself, never from the flag the client sends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ctl_request.h"

// True when the request (with its command for function 32) may change the
// controller or the driver, so that a read-only connection must refuse it.
bool request_changes_controller(const CtlRequest& request, const CtlCommand* command);
// True when a read-only connection refuses the request: the client marks it
// as changing (flag 0), or the service finds it changing whatever the flag.
bool read_only_refuses(uint8_t clientFlag, const CtlRequest& request, const CtlCommand* command);
// True when an IOCTL of the key with this parameter record may change the
// controller: by the record for keys whose direction it decides, else by the key.
bool ioctl_changes(uint32_t key, const uint8_t* param, size_t size);
// True when the IOCTL key belongs only to reading commands of the library's table.
bool ioctl_key_reads_only(uint32_t key);
// True when the SCSI operation code only reads from the device.
bool scsi_opcode_reads_only(uint8_t opcode);
