// Records of logical and mirror drives as the model reads and writes them
// (little endian, read and written with wire:: at these offsets), and the
// in-memory records of their callers.
#pragma once

#include <cstddef>
#include <cstdint>

// Logical drive information in the library's 51-byte layout
// (ctl_read_logical_drive_info).
constexpr size_t LDINFO_SIZE = 51;
constexpr size_t LDINFO_MIRROR_NAME = 0;     // 8 bytes: the mirror's name for a mirror component
constexpr size_t LDINFO_NEXT = 8;            // i32 next drive of the chain, -1 none
constexpr size_t LDINFO_CHAIN_COUNT = 12;    // u32 components the chain should have
constexpr size_t LDINFO_USABLE = 20;
constexpr size_t LDINFO_REMOVABLE = 21;
constexpr size_t LDINFO_WRITE_PROTECTED = 22;
constexpr size_t LDINFO_FLAGS = 23;          // bit 0 failed, bit 1 building, bit 2 pool hot fix
constexpr size_t LDINFO_CAPACITY = 24;       // u32 sectors
constexpr size_t LDINFO_TYPE = 32;           // u16 0 single disk, 16 RAID 0, 32 chain
constexpr size_t LDINFO_NAME = 38;           // 8 characters
constexpr size_t LDINFO_ATTRIBUTES = 50;     // bit 0 pool hot fix drive
constexpr size_t DRIVE_NAME_SIZE = 8;
constexpr uint8_t LDFLAG_FAILED = 0x01;
constexpr uint8_t LDFLAG_BUILDING = 0x02;
constexpr uint8_t LDFLAG_POOL_HOT_FIX = 0x04;

constexpr uint16_t DRIVE_TYPE_SINGLE = 0;
constexpr uint16_t DRIVE_TYPE_RAID0 = 16;
constexpr uint16_t DRIVE_TYPE_CHAIN = 32;

// Logical drive kinds.
constexpr int LDKIND_DISK = 0;
constexpr int LDKIND_RAID0 = 1;
constexpr int LDKIND_CHAIN = 2;
constexpr int LDKIND_MISSING = 3;
constexpr int LDKIND_POOL_HOT_FIX = 4;       // added to the kind

// The array list: a 16-byte header, then a 12-byte entry per drive number.
constexpr size_t ARRAY_LIST_SIZE = 3088;
constexpr size_t ARRAY_LIST_HEAD = 16;
constexpr size_t ARRAY_LIST_ENTRY = 12;
constexpr int ARRAY_LIST_NUMBERS = 256;

// Drive statistics sample: seven 32-bit words.
constexpr int DRIVE_STAT_COUNTERS = 5;
struct DriveStatSample {
    uint32_t time = 0;          // the controller's time stamp in ticks
    uint32_t milliseconds = 0;  // accumulated
    uint32_t counters[DRIVE_STAT_COUNTERS] = {};
};
constexpr int DRIVE_SAMPLE_CURRENT = 0;
constexpr int DRIVE_SAMPLE_PREVIOUS = 1;
constexpr int DRIVE_SAMPLE_BASE = 2;
constexpr int DRIVE_SAMPLES = 3;

// Host drive geometry as CController::ComputeGeometry gives it.
struct DriveGeometry {
    uint32_t cylinders = 0;
    uint8_t heads = 0;
    uint8_t sectors = 0;
};

// The 36-byte record that creates one host drive: the host drive table
// header and one entry.
constexpr size_t HDTABLE_HEAD = 16;
constexpr size_t HDTABLE_COUNT = 0;
constexpr size_t HDTABLE_WORD1 = 4;
constexpr uint32_t HDTABLE_WORD1_VALUE = 16;
constexpr size_t HDTABLE_SECTORS = 8;
constexpr size_t HDTABLE_HEADS = 9;
constexpr size_t HDTABLE_CLUSTER = 11;
constexpr size_t HDTABLE_OWNER = 12;
constexpr size_t HDENTRY_SIZE = 20;
constexpr size_t HDENTRY_NAME = 0;
constexpr size_t HDENTRY_NAME_CHARS = 7;
constexpr size_t HDENTRY_SECTORS = 8;
constexpr size_t HDENTRY_NUMBER = 12;
constexpr size_t HDENTRY_CARRIER = 13;
constexpr size_t HDENTRY_ATTRIBUTES = 15;
constexpr size_t HDENTRY_START = 16;
constexpr size_t HDCREATE_SIZE = HDTABLE_HEAD + HDENTRY_SIZE;
// A whole host drive table: the header and room for 100 entries.
constexpr int HDTABLE_MAX_ENTRIES = 100;
constexpr size_t HDTABLE_SIZE = HDTABLE_HEAD + HDENTRY_SIZE * HDTABLE_MAX_ENTRIES;

// Component disk records (key 0x6F): a 24-byte header whose u16 at 22 counts
// the 12-byte entries the caller has room for.
constexpr size_t COMPDISKS_HEAD = 24;
constexpr size_t COMPDISKS_ROOM = 22;
constexpr size_t COMPDISKS_ENTRY = 12;

// Pool hot fix lists: 8-byte entries {u32 0, u32 drive number}, at most 35,
// ended by {0, 0xFFFF} when fewer.
constexpr size_t POOL_ENTRY_SIZE = 8;
constexpr int POOL_MAX_ENTRIES = 35;
constexpr uint32_t POOL_END = 0xFFFF;
