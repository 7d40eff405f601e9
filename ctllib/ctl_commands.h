// Request builders: one function per controller command. The IOCTL builders
// are generated from the command list (ctl_command_list.h, which documents
// each); the builders of other layouts are declared below.
#pragma once

#include "ctl_builder_shapes.h"
#include "ctl_errors.h"

#include <cstddef>
#include <cstdint>

#define X(name, key, ro, rule, size, target, args) CTL_SIG_##args(name);
#include "ctl_command_list.h"
#undef X

// 0x81: sends the 8-byte record {u16 8, byte a, byte b, u32 v}.
CtlResult ctl_controller_record_81(uint16_t c, uint8_t a, uint8_t b, uint32_t v);

// A block transfer of a host drive; data holds blockCount x 512 bytes.
struct BlockIoRecord {
    uint16_t controller = 0;
    uint16_t hostDrive = 0;
    uint32_t firstBlock = 0;
    uint32_t blockCount = 0;
    void* data = nullptr;
    size_t dataSize = 0;  // room at data; a transfer larger than it is refused
};

// A SCSI pass-through to bus, target and lun.
struct RawScsiRecord {
    uint16_t controller = 0;
    uint16_t direction = 0;  // 0: data from the device (sent as 0x01000000)
    uint32_t dataLength = 0;
    uint8_t bus = 0;
    uint8_t targetId = 0;
    uint8_t lun = 0;
    uint8_t cdbLength = 0;   // at most 12
    uint8_t cdb[12] = {};
    uint32_t info = 0;       // out: the request's info word
    uint8_t sense[18] = {};  // out
    void* data = nullptr;    // dataLength bytes
};

constexpr uint32_t RAW_SENSE_LENGTH = 18;
constexpr uint32_t RAW_DIRECTION_IN = 0x01000000;

// Opcode 1: reads blockCount blocks into r.data.
CtlResult ctl_read_blocks(BlockIoRecord& r);
// Opcode 2: writes blockCount blocks from r.data.
CtlResult ctl_write_blocks(BlockIoRecord& r);
// Opcode 6: resets the access of host drive d (changes the controller: RO 0).
CtlResult ctl_host_drive_opcode6(uint16_t c, uint32_t n, uint16_t d);
// SCSI pass-through on the raw service; r.info receives the request's info.
CtlResult ctl_raw_scsi_command(RawScsiRecord& r);
