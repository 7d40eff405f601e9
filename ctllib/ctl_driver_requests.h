// Driver-level requests: driver, operating system and controller type
// information, host drive and channel locks, events, rescans, notices and
// the controller count (library functions other than 32).
#pragma once

#include "ctl_driver_records.h"
#include "ctl_errors.h"

#include <cstdint>

// Function 1: driver version (high byte major, low byte minor).
CtlResult ctl_get_driver_version(uint16_t c, uint16_t* version);
// The same request under its second name.
CtlResult ctl_get_driver_version_2(uint16_t c, uint16_t* version);
// Function 1 for controller 0.
CtlResult ctl_get_driver_version_word(uint16_t* version);
// Function 2: operating system version; the name is NUL-terminated.
CtlResult ctl_get_os_version(OsVersionInfo* out);
// Function 3: host system record into out (room: 8 + 6 x max(n, 1) bytes).
CtlResult ctl_get_system_info(uint8_t* out, uint8_t n);
// Function 4: driver capability; out := bit 1 of the driver's byte.
CtlResult ctl_get_driver_capability(uint8_t* out);
// Function 5: the 24-byte version text record {size 24, value, text}.
CtlResult ctl_get_driver_version_text(uint16_t c, uint8_t* record24);
// Function 16: controller type of the controller named in info.controller.
CtlResult ctl_get_controller_type(CtlTypeInfo* info);
// Function 17: locks (flag 1) or unlocks (0) up to 255 host drives.
CtlResult ctl_lock_host_drives(uint16_t c, uint8_t flag, uint16_t count, const uint16_t* drives);
// Function 18: locks (flag 1) or unlocks (0) a channel.
CtlResult ctl_lock_channel(uint16_t c, uint8_t flag, uint16_t channel);
// Function 19: record {u32 in, 4 bytes out}.
CtlResult ctl_driver_request_19(uint16_t c, uint8_t* record8);
// Function 20: 22-byte statistics record {kind, args, ..., 16 bytes out at 6}.
CtlResult ctl_get_driver_statistics(uint16_t c, uint8_t* record22);
// Function 21: one event request; on success the record and handle are updated.
CtlResult ctl_read_event(uint16_t c, EventRequest* request);
// Function 22: 28-byte record, nothing copied back.
CtlResult ctl_driver_request_22(uint16_t c, const uint8_t* record28);
// Function 23: rescans host drive `drive`; mode 1 adds it to, 2 removes it from the system.
CtlResult ctl_rescan_host_drive(uint16_t c, uint16_t drive, uint8_t mode);
// Function 24: maintenance notice.
CtlResult ctl_notify_maintenance(uint16_t c, uint8_t code, uint16_t timeout, uint16_t drive);
// Number of controllers of the current interface, cut to 16 bits.
CtlResult ctl_get_controller_count(uint16_t* count);
