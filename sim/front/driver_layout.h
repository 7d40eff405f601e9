// Byte layouts of the driver request record, its reply and the event record,
// as the emulated kzmh driver reads and writes them (little endian).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kzmsim {

constexpr uint32_t DRVREQ_MAGIC = 0xAFFE0004;

constexpr uint16_t DRVREQ_COMMAND = 0x4A00;
constexpr uint16_t DRVREQ_DRIVER_VERSION = 0x4A01;
constexpr uint16_t DRVREQ_CONTROLLER_TYPE = 0x4A02;
constexpr uint16_t DRVREQ_OS_VERSION = 0x4A03;
constexpr uint16_t DRVREQ_CONTROLLER_COUNT = 0x4A05;
constexpr uint16_t DRVREQ_LOCK_HOST_DRIVES = 0x4A06;
constexpr uint16_t DRVREQ_LOCK_CHANNEL = 0x4A07;
constexpr uint16_t DRVREQ_EVENT = 0x4A08;
constexpr uint16_t DRVREQ_RESCAN = 0x4A0B;

// Request record: header and code area.
constexpr size_t REC_SIZE = 528;        // without data and sense areas
constexpr size_t REC_MAGIC = 0;         // u32
constexpr size_t REC_CODE = 4;          // u16
constexpr size_t REC_CONTROLLER = 6;    // u16
constexpr size_t REC_SERVICE = 8;       // u16
constexpr size_t REC_TIMEOUT = 10;      // u16
constexpr size_t REC_AREA = 12;         // code area
constexpr size_t REC_DATA = 524;        // data area, then sense area, of a command

// Command code area: record offset 12 + k holds command offset k.
constexpr size_t REC_NODE = 12;         // u32 board node
constexpr size_t REC_OPCODE = 20;       // u16
constexpr size_t REC_PARAM_SIZE = 22;   // u16 parameter size, or host drive of a block transfer
constexpr size_t REC_KEY = 24;          // u32 key, first block, or raw direction
constexpr size_t REC_TARGET = 28;       // u32 target, or number of blocks
constexpr size_t REC_RAW_DATA_LEN = 40; // u32 raw data length
constexpr size_t REC_RAW_CDB_LEN = 44;  // u32
constexpr size_t REC_RAW_CDB = 48;      // 12 bytes
constexpr size_t REC_RAW_BUS = 60;      // bytes bus, target id, lun, reserved
constexpr size_t REC_RAW_SENSE_LEN = 64; // u32

// Driver-level code areas.
constexpr size_t REC_LOCK_FLAG = 12;    // byte
constexpr size_t REC_LOCK_COUNT = 13;   // byte (host drives) or channel
constexpr size_t REC_LOCK_LIST = 14;    // u16 host drive numbers
constexpr size_t REC_EVENT_CODE = 12;   // u32
constexpr size_t REC_EVENT_HANDLE = 16; // u32
constexpr size_t REC_EVENT_RECORD = 20; // EventRecord
constexpr size_t REC_RESCAN_DRIVE = 12; // u16
constexpr size_t REC_RESCAN_MODE = 14;  // byte

// Reply.
constexpr size_t REPLY_SIZE = 408;      // without data and sense areas
constexpr size_t REPLY_STATUS = 4;      // u32: DETAIL << 16 | STATUS
constexpr size_t REPLY_ANSWER = 8;      // code-specific answer, or data then sense

constexpr uint16_t STATUS_OK = 1;

// Opcodes and services of commands.
constexpr uint16_t OP_BLOCK_READ = 1;
constexpr uint16_t OP_BLOCK_WRITE = 2;
constexpr uint16_t OP_SCSI = 2;
constexpr uint16_t OP_IOCTL = 5;
constexpr uint16_t OP_ACCESS_RESET = 6;
constexpr uint16_t SVC_RAW = 3;
constexpr uint16_t SVC_CACHE = 9;

constexpr size_t BLOCK_SIZE = 512;
constexpr size_t RESCAN_ENTRIES = 100;

// EventRecord, 294 bytes.
constexpr size_t EVENT_SIZE = 294;
constexpr size_t EV_TIME = 0;           // u32
constexpr size_t EV_TIME2 = 4;          // u32
constexpr size_t EV_COUNT = 8;          // u16
constexpr size_t EV_SOURCE = 10;        // u16
constexpr size_t EV_SERVICE = 12;       // u16
constexpr size_t EV_DATA_SIZE = 16;     // u16
constexpr size_t EV_DATA = 18;          // 16 bytes: u16 controller, u16 service, u16 number, ...
constexpr size_t EV_DATA_LEN = 16;
constexpr size_t EV_SEVERITY = 34;      // u32
constexpr size_t EV_TEXT = 38;          // 256 bytes
constexpr size_t EV_TEXT_LEN = 256;

static_assert(REC_DATA + 4 == REC_SIZE);
static_assert(REPLY_ANSWER + 4 + EVENT_SIZE <= REPLY_SIZE);
static_assert(REPLY_ANSWER + 4 * RESCAN_ENTRIES == REPLY_SIZE);
static_assert(EV_TEXT + EV_TEXT_LEN == EVENT_SIZE);
static_assert(REC_EVENT_RECORD + EVENT_SIZE <= REC_DATA);

}  // namespace kzmsim
