// Records of the controller settings: the offsets of configuration page A
// that the settings use, the settings record the front ends edit, and the
// cache parameter set record. Page and cache records cross the driver
// interface and are read and written at these offsets with wire::.
#pragma once

#include <cstddef>
#include <cstdint>

// Configuration page A (CONFIG_PAGE_SIZE bytes): the bytes the settings use.
constexpr size_t PAGE_A_CLEARED = 9;             // bytes 9, 10, 11: cleared by SetSettings
constexpr size_t PAGE_A_CLEARED_COUNT = 3;
constexpr size_t PAGE_A_BIOS_MODE = 12;          // 1 enabled, 3 disabled, 0 removed
constexpr size_t PAGE_A_BIOS_WARNING = 14;       // 0 all messages, 1 fatal errors only
constexpr size_t PAGE_A_BIOS_DRIVES = 15;        // 0 two, 1 seven
constexpr size_t PAGE_A_CHANNEL = 16;            // + c: bits 0-2 own ID, bit 6 domain validation, bit 7 termination
constexpr size_t PAGE_A_TERM_SETTABLE = 36;      // + c: non-zero when software sets the termination
constexpr uint8_t PAGE_A_ID_MASK = 0x07;
constexpr uint8_t PAGE_A_DOMAIN_VALIDATION = 0x40;
constexpr uint8_t PAGE_A_TERMINATION = 0x80;
constexpr size_t PAGE_A_MEMORY_TEST = 100;       // 0 none, 1 standard, 2 double scan, 3 intensive
constexpr uint8_t PAGE_A_MEMORY_TEST_MAX = 3;
constexpr size_t PAGE_A_BOOT_COUNT = 101;        // boot option count
constexpr size_t PAGE_A_BOOT_OPTIONS = 102;      // 15 boot option bytes
constexpr size_t PAGE_A_OPTION_COUNT2 = 364;     // second option count
constexpr size_t PAGE_A_OPTIONS2 = 365;          // 15 second option bytes
constexpr size_t PAGE_A_OPTION_BYTES = 15;
constexpr int PAGE_A_SETTINGS_CHANNELS = 6;      // channels 0..5 have settings bytes
constexpr uint32_t PAGE_A_OPTIONS2_FIRST_VERSION = 0x1C0000;  // firmware below it has no second options

// SettingsRecord (132 bytes): filled by CController::GetSettings, written by
// CController::SetSettings and CController::SetBootOptions.
constexpr size_t SETTINGS_RECORD_SIZE = 132;
constexpr size_t SETREC_CHANNEL = 0;             // + 16c: channel entry c, c = 0..5
constexpr size_t SETREC_CHANNEL_SIZE = 16;
constexpr size_t SETREC_CH_ID = 0;               // byte: the controller's SCSI ID on the channel
constexpr size_t SETREC_CH_TERM_SETTABLE = 4;    // i32: input of SetSettings only
constexpr size_t SETREC_CH_TERMINATION = 8;      // i32: 0 off, 1 on, 2 cannot be set by software
constexpr size_t SETREC_CH_DOMAIN_VALIDATION = 12;  // i32
constexpr int32_t SETREC_TERM_NOT_SETTABLE = 2;
constexpr size_t SETREC_BIOS_MODE = 96;
constexpr size_t SETREC_BIOS_WARNING = 97;
constexpr size_t SETREC_BIOS_DRIVES = 98;
constexpr size_t SETREC_MEMORY_TEST = 99;
constexpr size_t SETREC_BOOT_COUNT = 100;
constexpr size_t SETREC_BOOT_OPTIONS = 101;      // 15 bytes
constexpr size_t SETREC_OPTION_COUNT2 = 116;
constexpr size_t SETREC_OPTIONS2 = 117;          // 15 bytes

// The controller's settings as the front ends edit them.
struct SettingsRecord {
    uint8_t bytes[SETTINGS_RECORD_SIZE] = {};
};

// Cache parameter set record (72 bytes, the size of the settings page).
constexpr size_t CACHE_PARAM_RECORD_SIZE = 72;
constexpr size_t CACHE_PARAM_SET_FIELD = 0;      // byte: the set an activation makes active
constexpr size_t CACHE_PARAM_SET = 4;            // byte: the set number (+ 50 with a feature byte)
constexpr size_t CACHE_PARAM_CACHE_ON = 6;       // byte: the cache switch, on a write
constexpr size_t CACHE_PARAM_DELAYED_WRITE = 7;  // byte: the delayed-write switch, on a write
constexpr size_t CACHE_PARAM_NUM_SETS = 12;      // u32 words the limits record carries
constexpr size_t CACHE_PARAM_BLOCK_SIZE = 16;
constexpr size_t CACHE_PARAM_PARITY_FRACTION = 20;
constexpr int CACHE_PARAM_MAX_SET = 199;         // the set number must fit its byte with 50 added

// Limits record of key 0x34 (16 bytes): NUM_SETS, BLOCK_SIZE, PARITY_FRACTION;
// the controller answers the largest PARITY_FRACTION in the third word.
constexpr size_t CACHE_LIMITS_SIZE = 16;
constexpr size_t CACHE_LIMITS_NUM_SETS = 0;
constexpr size_t CACHE_LIMITS_BLOCK_SIZE = 4;
constexpr size_t CACHE_LIMITS_PARITY_FRACTION = 8;

// Commit record of key 0x2E (44 bytes), sent in a flash round of a commit.
constexpr size_t COMMIT_RECORD_SIZE = 44;
constexpr size_t COMMIT_RECORD_KIND = 4;         // u32 1
constexpr size_t COMMIT_RECORD_LOG_STATE = 8;    // u32 the controller's log state word
constexpr size_t COMMIT_RECORD_HANDLE = 24;      // u32 the flash session's handle
