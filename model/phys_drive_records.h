// The records of physical devices and enclosure processors as they cross the
// driver interface (little endian, read and written with wire:: at these
// offsets), and the in-memory records of CPhysDrive's callers.
#pragma once

#include <cstddef>
#include <cstdint>

// DeviceInfo: the controller's 112-byte information record of one device.
constexpr size_t DEVINFO_SIZE = 112;
constexpr size_t DEVINFO_VENDOR = 0;          // char[8]
constexpr size_t DEVINFO_VENDOR_SIZE = 8;
constexpr size_t DEVINFO_PRODUCT = 8;         // char[16]
constexpr size_t DEVINFO_PRODUCT_SIZE = 16;
constexpr size_t DEVINFO_RATE = 28;           // u32 current synchronous rate in kB/s
constexpr size_t DEVINFO_RATE_SETTING = 32;   // u32 rate setting in kB/s
constexpr size_t DEVINFO_LOG_DRIVE = 36;      // u16, widened to u32 by Refresh
constexpr size_t DEVINFO_CAPACITY = 40;       // u32 blocks
constexpr size_t DEVINFO_BLOCK_SIZE = 44;     // u16
constexpr size_t DEVINFO_READY = 46;
constexpr size_t DEVINFO_INITIALISED = 47;
constexpr size_t DEVINFO_TYPE = 48;
constexpr size_t DEVINFO_LOCKED = 51;         // 1 while locked (our firmware's byte)
constexpr size_t DEVINFO_TRANSFER_MODE = 52;
constexpr size_t DEVINFO_SYNC = 53;
constexpr size_t DEVINFO_DISCONNECT = 54;
constexpr size_t DEVINFO_TAGGED = 55;
constexpr size_t DEVINFO_CACHE = 56;
constexpr size_t DEVINFO_TARGET = 57;
constexpr size_t DEVINFO_LUN = 58;
constexpr size_t DEVINFO_SURFACE_ERRORS = 64;   // u32
constexpr size_t DEVINFO_SURFACE_SECOND = 68;   // u32
constexpr size_t DEVINFO_SURFACE_PERCENT = 72;  // 100 and above: not running
constexpr size_t DEVINFO_SURFACE_RUNNING = 73;  // 1 while running
constexpr size_t DEVINFO_DOMAIN_VALIDATION = 76;  // u32
constexpr size_t DEVINFO_FORMAT = 103;

constexpr uint8_t DEVICE_TYPE_DISK = 0;
constexpr uint8_t DEVICE_TYPE_PROCESSOR = 3;
constexpr uint8_t DEVICE_TYPE_IO_PROCESSOR = 0x83;
constexpr uint8_t TRANSFER_MODE_PROBE = 17;   // the mode whose outcome Initialize reads back
constexpr uint8_t DISK_CACHE_ON = 21;

// DiskParameters: what Initialize writes into a disk's DeviceInfo.
struct DiskParameters {
    uint8_t transferMode = 0;    // 52
    uint8_t disconnect = 0;      // 54
    uint8_t syncTransfer = 0;    // 53
    uint8_t cacheBits = 0;       // 56
    uint8_t taggedQueues = 0;    // 55
    uint32_t transferRate = 0;   // 32
    uint32_t domainValidation = 0;  // 76
    uint8_t diskFormat = 0;      // 103: 1 old, 2 new; other values become 2
};

// EnclosureInfo (51 bytes, key 0x20000).
constexpr size_t ENCINFO_SIZE = 51;
constexpr size_t ENCINFO_CHANNEL = 0;
constexpr size_t ENCINFO_TARGET = 1;
constexpr size_t ENCINFO_LUN = 2;
constexpr size_t ENCINFO_FOUND = 3;
constexpr size_t ENCINFO_ID = 4;          // u32 enclosure identifier
constexpr size_t ENCINFO_WORD16 = 6;      // u16 identity word
constexpr size_t ENCINFO_WORDS = 12;      // four u32 identity words
constexpr size_t ENCINFO_BYTES = 28;      // 16 identity bytes
constexpr size_t ENCINFO_TAIL = 44;       // 4 bytes, u16, byte

// EnclosureLayout (10 bytes, key 0x20001).
constexpr size_t ENCLAYOUT_SIZE = 10;
constexpr size_t ENCLAYOUT_ID = 0;
constexpr size_t ENCLAYOUT_SLOTS = 4;
constexpr size_t ENCLAYOUT_POWER = 5;
constexpr size_t ENCLAYOUT_FANS = 6;
constexpr size_t ENCLAYOUT_SENSORS = 7;
constexpr size_t ENCLAYOUT_DOOR = 8;
constexpr size_t ENCLAYOUT_SPEAKER = 9;

// EnclosureQuery (key 0x20002): header, then data from byte 12.
constexpr size_t ENCQUERY_ID = 0;
constexpr size_t ENCQUERY_COUNT = 4;
constexpr size_t ENCQUERY_SELECTOR = 8;
constexpr size_t ENCQUERY_DATA_OFFSET = 9;  // byte 12
constexpr size_t ENCQUERY_DATA = 12;
constexpr uint8_t ENCSEL_SPEAKER = 0;
constexpr uint8_t ENCSEL_DOOR = 1;
constexpr uint8_t ENCSEL_SLOT_IDS = 2;
constexpr uint8_t ENCSEL_SLOT_STATES = 3;
constexpr uint8_t ENCSEL_POWER = 4;
constexpr uint8_t ENCSEL_FANS = 5;
constexpr uint8_t ENCSEL_TEMPERATURES = 6;
constexpr uint8_t ENCSEL_SET_SPEAKER = 16;
constexpr uint8_t ENCSEL_SET_DOOR = 17;

// One slot of the slot table operations.
struct EnclosureSlot {
    int occupied = 0;     // 0/1
    int drive = -1;       // index in the controller's physical device list, -1 none
    uint8_t targetId = 0; // the slot's target ID
};

// SlotMapRecord (56 bytes, keys 0x20010, 0x20011, 0x20012).
constexpr size_t SLOTMAP_SIZE = 56;
constexpr size_t SLOTMAP_TIME = 0;
constexpr size_t SLOTMAP_ADDRESS = 4;
constexpr size_t SLOTMAP_WORDS = 8;       // bytes 8-23: the identity words
constexpr size_t SLOTMAP_BYTES = 24;      // bytes 24-39: the identity bytes
constexpr size_t SLOTMAP_SLOT = 40;
constexpr size_t SLOTMAP_CHANNEL = 41;    // then target ID, LUN
constexpr size_t SLOTMAP_WORD16_LOW = 44;
constexpr size_t SLOTMAP_ONE = 45;
constexpr size_t SLOTMAP_KIND = 46;       // u16 48 (0x30)
constexpr size_t SLOTMAP_TAIL = 48;       // 7 bytes
constexpr uint16_t SLOTMAP_KIND_VALUE = 0x30;
constexpr uint32_t SLOTMAP_EMPTY = 0xFFFFFFFF;

// IdentifyRequest (32 bytes, key 0x20000054).
constexpr size_t IDENTIFY_SIZE = 32;
constexpr size_t IDENTIFY_COUNT = 8;
constexpr size_t IDENTIFY_WORD = 12;
constexpr uint32_t IDENTIFY_WORD_VALUE = 10;
constexpr size_t IDENTIFY_ENTRY = 24;

// DiskOwnership (16 bytes, key 0x10010007).
constexpr size_t OWNERSHIP_SIZE = 16;
constexpr size_t OWNERSHIP_SERIAL = 0;
constexpr size_t OWNERSHIP_FLAGS = 4;     // three flag bytes
constexpr size_t OWNERSHIP_VALUE1 = 8;
constexpr size_t OWNERSHIP_VALUE2 = 12;

// Defect count parameter (8 bytes, key 0x20000015) and presence record (4 bytes, key 0x20000025).
constexpr size_t DEFECT_PARAM_SIZE = 8;
constexpr size_t DEFECT_PAGE = 0;
constexpr size_t DEFECT_COUNT = 4;
constexpr uint8_t DEFECT_PAGE_GROWN = 8;
constexpr uint8_t DEFECT_PAGE_PRIMARY = 16;
constexpr size_t PRESENCE_SIZE = 4;
constexpr size_t PRESENCE_ANSWER = 3;

// Block read request of key 0x20000027: 17 bytes, then the blocks.
constexpr size_t BLOCKREAD_REF = 10;      // the device reference ahead of the request
constexpr size_t BLOCKREAD_HEAD = 17;
constexpr size_t BLOCKREAD_CONTROLLER = 0;
constexpr size_t BLOCKREAD_FIRST = 4;
constexpr size_t BLOCKREAD_COUNT = 8;
constexpr size_t BLOCKREAD_FLAGS = 12;    // bytes 1, 0, 0
constexpr size_t DISK_BLOCK = 512;

// DiskStatSample: one statistics sample of a device (ten 32-bit words).
constexpr int DISK_STAT_COUNTERS = 8;
struct DiskStatSample {
    uint32_t time = 0;          // the controller's time stamp in ticks
    uint32_t milliseconds = 0;  // accumulated
    uint32_t counters[DISK_STAT_COUNTERS] = {};
};
constexpr int DISK_SAMPLE_CURRENT = 0;
constexpr int DISK_SAMPLE_PREVIOUS = 1;
constexpr int DISK_SAMPLE_BASE = 2;
constexpr int DISK_SAMPLES = 3;
