// The array record (324 bytes, little endian, read and written with wire::
// at these offsets) and the small requests of the array commands.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t ARRAY_RECORD_SIZE = 324;
constexpr size_t ARREC_TYPE = 0;          // 0, 4, 5 or 10
constexpr size_t ARREC_DATA_COUNT = 1;    // components holding data (RAID 4: one less)
constexpr size_t ARREC_STATE = 2;
constexpr size_t ARREC_NUMBER = 3;        // array number; in an expansion a free drive number
constexpr size_t ARREC_SERIAL = 4;        // u32 owning controller's serial
constexpr size_t ARREC_CAPACITY = 8;      // u32 sectors
constexpr size_t ARREC_STRIPE = 12;       // u32
constexpr size_t ARREC_NAME = 24;         // 8 characters
constexpr size_t ARREC_REMOVABLE = 33;
constexpr size_t ARREC_WRITE_PROTECTED = 34;
constexpr size_t ARREC_SLOTS = 36;        // 35 slots {u32 serial, drive, failure mark, 0, 0}
constexpr size_t ARREC_SLOT_SIZE = 8;
constexpr size_t ARREC_SLOT_DRIVE = 4;    // within a slot
constexpr size_t ARREC_SLOT_FAILED = 5;
constexpr int ARREC_MAX_SLOTS = 35;
constexpr uint8_t ARREC_SLOT_END = 0xFF;  // drive and mark byte of the slot ending a shorter list
constexpr size_t ARREC_SLOT_COUNT = 316;
constexpr size_t ARREC_VERIFY = 318;      // 1, 2 running; 3 done; 4 parity error; 5 stopped
constexpr size_t ARREC_FLAGS = 319;
constexpr size_t ARREC_PHASE = 320;       // expansion phase 1..3
constexpr size_t ARREC_OFFLINE = 321;
constexpr size_t ARREC_SLOT_LIST_SIZE = ARREC_SLOT_SIZE * ARREC_MAX_SLOTS;  // 280

// Array states.
constexpr uint8_t ARSTATE_IDLE = 0;
constexpr uint8_t ARSTATE_BUILD = 2;
constexpr uint8_t ARSTATE_READY = 4;
constexpr uint8_t ARSTATE_FAIL = 6;
constexpr uint8_t ARSTATE_REBUILD = 8;
constexpr uint8_t ARSTATE_REBUILD2 = 10;
constexpr uint8_t ARSTATE_INVALID = 0x80;

// Record byte 319.
constexpr uint8_t ARFLAG_PATCHED = 0x01;
constexpr uint8_t ARFLAG_PARITY_ERROR = 0x08;
constexpr uint8_t ARFLAG_EXPANDING = 0x10;
constexpr uint8_t ARFLAG_DESTRUCTIVE = 0x20;

// Parity verify states (byte 318).
constexpr uint8_t ARVERIFY_STARTING = 1;
constexpr uint8_t ARVERIFY_RUNNING = 2;
constexpr uint8_t ARVERIFY_DONE = 3;
constexpr uint8_t ARVERIFY_STOPPED = 5;

// The 4-byte state and parity requests: byte 0 the code, byte 2 the percent out.
constexpr size_t ARCMD_SIZE = 4;
constexpr uint8_t ARCMD_START = 0;
constexpr uint8_t ARCMD_ABORT = 2;
constexpr uint8_t ARCMD_QUERY = 3;
constexpr size_t ARCMD_PERCENT = 2;

// The 16-byte replacement request.
constexpr size_t ARREPLACE_SIZE = 16;

// RAID types and the creation flag.
constexpr int RAID_TYPE_0 = 0;
constexpr int RAID_TYPE_4 = 4;
constexpr int RAID_TYPE_5 = 5;
constexpr int RAID_TYPE_10 = 10;
constexpr int RAID_DESTRUCTIVE = 0x80;   // added to the type: build destructively
