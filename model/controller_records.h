// Sizes and field offsets of the controller records that CController keeps
// as the controller returns them. They cross the driver interface, so they
// are kept as bytes and read with wire:: at the offsets below.
#pragma once

#include "ctl_channels.h"
#include "ctl_drives.h"

#include <cstddef>
#include <cstdint>

// Board information (84 bytes).
constexpr size_t BOARD_INFO_SIZE = 84;
constexpr size_t BOARD_INFO_SERIAL = 0;           // u32 serial number
constexpr size_t BOARD_INFO_TYPE_WORD = 8;        // u32 board type value
constexpr size_t BOARD_INFO_CACHE_SIZE = 12;      // u32 cache memory in bytes
constexpr size_t BOARD_INFO_CHANNELS = 18;        // byte channel count
constexpr size_t BOARD_INFO_RAID_MARK = 19;       // byte, non-zero on RAID firmware
constexpr size_t BOARD_INFO_FW_VERSION = 24;      // u32 firmware version word
constexpr size_t BOARD_INFO_FW_REVISION = 28;     // u32 firmware revision
constexpr size_t BOARD_INFO_TYPE_NAME = 32;       // type name text
constexpr size_t BOARD_INFO_TYPE_NAME_SIZE = 16;

// Parameter part of the cache information: the first CACHE_PARAMS_SIZE of
// its CACHE_INFO_SIZE bytes.
constexpr size_t CACHE_INFO_LEVEL = 0;            // u16 firmware level word
constexpr size_t CACHE_INFO_CACHE_ON = 4;         // u16 cache switch
constexpr size_t CACHE_INFO_DELAYED_WRITE = 8;    // u16 delayed-write switch

// Board details (237 bytes).
constexpr size_t BOARD_DETAILS_SIZE = 237;
constexpr size_t BOARD_DETAILS_CLEARED_OLD = 40;   // cleared on firmware level 18 and below
constexpr size_t BOARD_DETAILS_ENCLOSURES = 4;     // bit 0: enclosure support
constexpr size_t BOARD_DETAILS_CLUSTER = 20;       // byte cluster bits
constexpr size_t BOARD_DETAILS_TICK_DIVIDER = 36;  // u32 ticks of the statistics time stamps
constexpr size_t BOARD_DETAILS_PRESET_104 = 104;   // u32 512 before the request
constexpr size_t BOARD_DETAILS_BOARD_TYPE = 184;   // u32, -1 before the request
constexpr size_t BOARD_DETAILS_ROW = 236;          // component table row, 0xFF before the request
constexpr uint8_t CLUSTER_ENABLED_BITS = 0x0D;

// Configuration pages A and B (380 bytes each).
constexpr size_t CONFIG_PAGE_SIZE = 380;
constexpr size_t CONFIG_PAGE_VERSION = 4;          // u32, -1 before a read
constexpr size_t CONFIG_PAGE_OPTION_COUNT2 = 364;  // second option count
constexpr uint8_t CONFIG_PAGE_OPTION_COUNT2_NEW = 15;
constexpr uint32_t CONFIG_PAGE_OPTIONS2_VERSION = 0x1BFFFF;  // above it the count is preset

// Controller records of key 0x4E (16 bytes; kind byte at 0).
constexpr size_t CONTROLLER_RECORD_SIZE = 16;
constexpr size_t CONTROLLER_RECORD_KIND = 0;

// Settings page (72 bytes; the active cache parameter set).
constexpr size_t SETTINGS_PAGE_SIZE = 72;
constexpr size_t SETTINGS_PAGE_SET = 4;            // set number, + 50 with a feature byte
constexpr uint8_t SETTINGS_SET_FEATURE_BASE = 50;

// Controller parameter record of key 0x6E (10 bytes).
constexpr size_t CONTROLLER_PARAM_SIZE = 10;
constexpr size_t CONTROLLER_PARAM_KIND = 0;        // u32
constexpr size_t CONTROLLER_PARAM_VALUE = 4;       // u32
constexpr size_t CONTROLLER_PARAM_WRITE = 8;       // byte, 1 on a write
constexpr size_t CONTROLLER_PARAM_FLAGS = 9;       // byte
constexpr uint32_t CONTROLLER_PARAM_NON_BUILD = 1; // kind of the non-build mode

// Enclosure record of key 0x20023 (12 bytes: three u32 words).
constexpr size_t ENCLOSURE_RECORD_23_SIZE = 12;
constexpr uint32_t ENCLOSURE_RECORD_23_QUERY = 0x30000;

// Log state word (4 bytes).
constexpr size_t LOG_STATE_SIZE = 4;

// Driver version text record of library function 5 (24 bytes).
constexpr size_t DRIVER_TEXT_RECORD_SIZE = 24;
constexpr size_t DRIVER_TEXT_RECORD_VALUE = 4;     // i32
constexpr size_t DRIVER_TEXT_RECORD_TEXT = 8;      // 16-byte text

// Board feature bytes (key 0x15).
constexpr size_t BOARD_FEATURES_SIZE = 4;

// Channel records.
constexpr int CONTROLLER_MAX_CHANNELS = 6;
constexpr size_t CHANNEL_RECORD_SIZE = 20;         // key 0x2000003E; byte 0 channel, byte 1 speed code
constexpr size_t FC_LOOP_RECORD_SIZE = 138;
constexpr size_t FC_PORT_RECORD_SIZE = 40;
constexpr uint16_t CHANNEL_DESC_DEFAULT_TAIL = 0x806F;

// In-memory sizes of controller state that other operations fill.
constexpr size_t CACHE_STAT_SAMPLE_SIZE = 196;
constexpr size_t HOT_PLUG_STATE_SIZE = 652;
constexpr int FAULT_BUS_PATTERNS = 7;
