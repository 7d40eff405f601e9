// Drives by position: the drive list, logical drive information in the
// caller's layout, members, creation, cache information and record forms of
// a few controller commands.
#pragma once

#include "ctl_errors.h"

#include <cstddef>
#include <cstdint>

constexpr size_t LOGICAL_DRIVE_INFO_SIZE = 51;  // caller's layout
constexpr size_t DRIVE_INFO_SIZE = 57;          // key 0x07
constexpr size_t CACHE_PARAMS_SIZE = 12;
constexpr uint32_t DRIVE_MAX_MEMBERS = 255;     // more is taken as a controller fault

// One member of a drive by position.
struct DriveMember {
    uint16_t notFound = 0;  // 1: no channel lists the member's address (indices 0xFFFF)
    uint16_t channelIndex = 0;
    uint16_t deviceIndex = 0;
};

// One member of a drive to create.
struct CreateMember {
    uint16_t firstWord = 0;
    uint16_t channelIndex = 0;
    uint16_t deviceIndex = 0;
};

// Key 0x01 with target 0xFFFF: number of drives.
CtlResult ctl_read_drive_count(uint16_t c, uint32_t* count);
// The drive numbers, at most `capacity`; *listed receives how many were read.
CtlResult ctl_read_drive_list(uint16_t c, uint32_t* drives, size_t capacity, uint32_t* listed);
// The 51-byte logical drive information of `drive` in the caller's layout.
CtlResult ctl_read_logical_drive_info(uint16_t c, uint16_t drive, uint8_t* out51);
// The members of `drive` by position, at most `capacity`; *listed receives
// how many were written.
CtlResult ctl_read_drive_members(uint16_t c, uint16_t drive, DriveMember* members, size_t capacity,
                                 uint16_t* listed);
// Creates drive `drive` of `type` from n members by position (key 0x0E).
CtlResult ctl_create_drive(uint16_t c, uint16_t drive, uint16_t type, uint16_t n,
                           const CreateMember* members);
// The 36-byte cache information (key 0x04).
CtlResult ctl_read_cache_info(uint16_t c, uint8_t* out36);
// Writes the 12-byte cache parameters (key 0x05).
CtlResult ctl_write_cache_config(uint16_t c, const uint8_t* params12);

// Maps the controller's 57-byte drive information to the caller's 51 bytes.
void ctl_map_logical_drive_info(uint32_t level, const uint8_t* info57, uint8_t* out51);

// Record forms of controller commands (node 0).
// 0x06: gives drive `drive` host drive number `number`.
CtlResult ctl_rec_set_host_drive_number(uint16_t c, uint16_t drive, uint16_t number);
// 0x8000000F: 8-character name of raw disk `target`.
CtlResult ctl_rec_set_device_name(uint16_t c, uint16_t target, const char* name8);
// 0x08: 8-character name of logical drive `target`.
CtlResult ctl_rec_set_drive_name(uint16_t c, uint16_t target, const char* name8);
// 0x0F on drive `drive`.
CtlResult ctl_rec_drive_cmd_0f(uint16_t c, uint16_t drive);
// 0x12 on drive `drive`.
CtlResult ctl_rec_drive_cmd_12(uint16_t c, uint16_t drive);
// 0x09 on drive `drive`.
CtlResult ctl_rec_remove_missing_mirror_components(uint16_t c, uint16_t drive);
// 0x10 with `value` as a u32.
CtlResult ctl_rec_set_drive_param_10(uint16_t c, uint16_t drive, uint16_t value);
// 0x11 with `value` as a u32.
CtlResult ctl_rec_set_drive_param_11(uint16_t c, uint16_t drive, uint16_t value);
