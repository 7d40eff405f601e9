// The model's own error codes (class 0x04000000 of the library error code).
// Codes not listed here are never set by the model.
#pragma once

#include <cstdint>

using ModelError = uint32_t;

constexpr ModelError MODERR_CLASS = 0x04000000;
constexpr ModelError MODERR_REPORT = 0x04000000;             // + n: report writer failure n (0..9)
constexpr ModelError MODERR_NO_MEMORY = 0x04000001;          // an allocation failed
constexpr ModelError MODERR_LIB_OPEN = 0x04000002;           // opening the command library failed
constexpr ModelError MODERR_BAD_PARAMETER = 0x04000003;      // invalid parameter or request in this state
constexpr ModelError MODERR_NOT_SUPPORTED = 0x04000004;      // request not supported or not possible
constexpr ModelError MODERR_FILE_OPEN = 0x04000005;          // opening a file failed
constexpr ModelError MODERR_FILE_IO = 0x04000006;            // reading or writing a file failed
constexpr ModelError MODERR_NO_SPACE = 0x04000007;           // no free space (flash, drive numbers, split)
constexpr ModelError MODERR_CHECKSUM = 0x04000008;           // checksum error
constexpr ModelError MODERR_COMPONENT_MISSING = 0x04000009;  // firmware component missing, board data unusable
constexpr ModelError MODERR_ACTIVE_STATE = 0x0400000B;       // operation already active, or not active
constexpr ModelError MODERR_DRIVER_VERSION = 0x0400000C;     // driver reports version 0 or less
constexpr ModelError MODERR_FIRMWARE_VERSION = 0x0400000D;   // firmware level outside the served ranges
constexpr ModelError MODERR_UNKNOWN_FAMILY = 0x0400000E;     // class and subtype name no served family
constexpr ModelError MODERR_EXPANSION_ABORTED = 0x04000014;  // online capacity expansion aborted
constexpr ModelError MODERR_DISK_TOO_SMALL = 0x04000015;     // newly plugged disk's capacity too low
constexpr ModelError MODERR_DISK_NOT_FOUND = 0x04000016;     // newly plugged disk not found
constexpr ModelError MODERR_COMPONENT_ID = 0x04000021;       // firmware file component id unknown

// The report writer's failure n (0..9) as a model error code.
constexpr ModelError ModelReportError(unsigned n) { return MODERR_REPORT + n; }
