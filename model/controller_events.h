// Records of the controller's event list and raw commands (CController::
// ReadEvent, GetEventText, ExecuteRawCommand). In-memory records of the
// model; the library encodes what crosses the driver interface.
#pragma once

#include "ctl_commands.h"
#include "ctl_driver_records.h"

#include <cstddef>
#include <cstdint>

// Event severities.
constexpr uint32_t EVENT_CRITICAL = 0;
constexpr uint32_t EVENT_WARNING = 1;
constexpr uint32_t EVENT_INFORMATIONAL = 2;
// Request codes of ReadEvent.
constexpr uint32_t EVENT_CODE_BY_HANDLE = 0;   // the event after the given handle
constexpr uint32_t EVENT_CODE_CLEAR = 254;     // empties the controller's event store
constexpr uint32_t EVENT_HANDLE_FIRST = 0xFFFFFFFF;
// Room for an event text.
constexpr size_t EVENT_TEXT_BUFFER_SIZE = 256;

// One event of the event list: in, the request code (low byte sent) and the
// handle; out, the severity in `word`, the next handle and the event.
struct ControllerEvent {
    uint32_t word = 0;      // in: request code; out: severity
    uint32_t handle = 0;    // in and out
    EventRecord record;
};

// A raw request: service 9 with operation 1 (read blocks) or 2 (write
// blocks) uses `blocks`, service 3 uses `scsi`.
constexpr uint8_t RAW_SERVICE_BLOCKS = 9;
constexpr uint8_t RAW_SERVICE_SCSI = 3;
constexpr uint8_t RAW_OPERATION_READ = 1;
constexpr uint8_t RAW_OPERATION_WRITE = 2;
struct RawCommand {
    uint8_t service = 0;
    uint8_t operation = 0;
    BlockIoRecord blocks;
    RawScsiRecord scsi;
};
