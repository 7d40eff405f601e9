// Records of the driver-level requests (library functions other than 32):
// their wire sizes and offsets, and the native forms callers use.
#pragma once

#include <cstddef>
#include <cstdint>

// Library functions.
constexpr uint16_t CTLFN_DRIVER_VERSION = 1;
constexpr uint16_t CTLFN_OS_VERSION = 2;
constexpr uint16_t CTLFN_SYSTEM_INFO = 3;
constexpr uint16_t CTLFN_DRIVER_CAPABILITY = 4;
constexpr uint16_t CTLFN_DRIVER_VERSION_TEXT = 5;
constexpr uint16_t CTLFN_CONTROLLER_TYPE = 16;
constexpr uint16_t CTLFN_LOCK_HOST_DRIVES = 17;
constexpr uint16_t CTLFN_LOCK_CHANNEL = 18;
constexpr uint16_t CTLFN_DRIVER_REQUEST_19 = 19;
constexpr uint16_t CTLFN_DRIVER_STATISTICS = 20;
constexpr uint16_t CTLFN_EVENT = 21;
constexpr uint16_t CTLFN_DRIVER_REQUEST_22 = 22;
constexpr uint16_t CTLFN_RESCAN = 23;
constexpr uint16_t CTLFN_MAINTENANCE = 24;

// OsVersionInfo on the wire: code 0, major 1, minor 2, u16 revision 3, name 5.
constexpr size_t OS_VERSION_WIRE_SIZE = 69;
constexpr size_t OS_NAME_SIZE = 64;
constexpr uint8_t OS_CODE_LINUX = 8;
// CtlTypeInfo on the wire: u16 ident 0, u16 class 2, u32 bus/slot 4,
// 2 zero bytes 8, u16 subtype 10, u16 ident 12, u16 ident 14.
constexpr size_t CTL_TYPE_WIRE_SIZE = 16;
// Host system record: 8-byte head, 7-byte entries (6 bytes in the caller's copy).
constexpr size_t SYSINFO_HEAD_SIZE = 8;
constexpr size_t SYSINFO_WIRE_ENTRY = 7;
constexpr size_t SYSINFO_CALLER_ENTRY = 6;
// EventRecord on the wire.
constexpr size_t EVENT_RECORD_WIRE_SIZE = 294;
constexpr size_t EVENT_DATA_SIZE = 16;
constexpr size_t EVENT_TEXT_SIZE = 256;
// Host drive numbers a lock request can carry (its count is one byte in a
// 512-byte code area).
constexpr size_t LOCK_MAX_DRIVES = 255;
// Host drives of a rescan reply (4-byte entries).
constexpr size_t RESCAN_MAX_DRIVE = 99;

// Event request codes.
constexpr uint8_t EVENT_NEXT_AFTER = 0;  // the event after the given handle
constexpr uint8_t EVENT_NEXT_NEW = 2;    // the next event not yet reported
constexpr uint8_t EVENT_CLEAR = 254;     // clears the event store
constexpr uint32_t EVENT_HANDLE_NONE = 0xFFFFFFFF;

// Operating system version (function 2).
struct OsVersionInfo {
    uint8_t systemCode = 0;  // 8 = Linux
    uint8_t major = 0;
    uint8_t minor = 0;
    uint16_t revision = 0;
    char name[OS_NAME_SIZE + 1] = {};  // always NUL-terminated
};

// Caller record of ctl_get_controller_type.
struct CtlTypeInfo {
    uint16_t controller = 0;  // in
    uint8_t controllerClass = 0;
    uint16_t busSlot = 0;     // bus in bits 8..15, device in bits 3..7
    uint16_t ident = 0;
    uint8_t untouched[4] = {};
    uint16_t subtype = 0;
    uint16_t ident2 = 0;
    uint16_t ident3 = 0;
};

// One controller event (294 bytes on the wire).
struct EventRecord {
    uint32_t time = 0;
    uint32_t time2 = 0;
    uint16_t count = 0;
    uint16_t source = 0;   // 1 async, 2 driver, 3 test, 4 sync; 0 = none
    uint16_t service = 0;  // or index for driver and test events
    uint16_t dataSize = 0;
    uint8_t data[EVENT_DATA_SIZE] = {};  // u16 controller, u16 service, u16 status, ...
    uint32_t severity = 0;               // 0 critical, 1 warning, 2 informational
    char text[EVENT_TEXT_SIZE + 1] = {}; // always NUL-terminated
};

// Caller record of ctl_read_event.
struct EventRequest {
    uint8_t code = 0;
    uint32_t handle = 0;
    EventRecord record;
};

// Encodes an event into 294 wire bytes.
void eventEncode(const EventRecord& e, uint8_t* out);
// Decodes 294 wire bytes; the text is cut at its field and NUL-terminated.
void eventDecode(const uint8_t* in, EventRecord& e);
