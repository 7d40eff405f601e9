// The library request and the controller command, in memory and on the wire.
//
// In memory both hold real pointers; on the wire (driver records, remote
// packets) their address fields are 32 bits wide and travel as 0: the
// receiver sets them to its own buffers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t CTL_REQUEST_WIRE_SIZE = 24;
constexpr size_t CTL_COMMAND_WIRE_SIZE = 64;

constexpr uint16_t CTLFN_COMMAND = 32;  // controller command

constexpr uint8_t CTLSVC_RAW = 3;     // passes SCSI commands to devices
constexpr uint8_t CTLSVC_CACHE = 9;   // IOCTL commands, block transfers, host drive commands
constexpr uint8_t CTLSVC_SCREEN = 11; // known to the event texts only

constexpr uint16_t CTLOP_BLOCK_READ = 1;
constexpr uint16_t CTLOP_BLOCK_WRITE = 2;  // service 9
constexpr uint16_t CTLOP_SCSI = 2;         // service 3
constexpr uint16_t CTLOP_IOCTL = 5;
constexpr uint16_t CTLOP_ACCESS_RESET = 6;

constexpr uint32_t CTL_TARGET_CONTROLLER = 0xFFFF;

// Library request (24 bytes on the wire).
struct CtlRequest {
    uint16_t function = 0;   // 0: 32 = controller command, 1..24 = driver-level requests
    uint8_t readOnly = 0;    // 2: 1 when the request only reads
    uint8_t service = 0;     // 3: controller service, or a function-specific byte
    uint32_t info = 0;       // 4: function-specific argument and result
    uint16_t length = 0;     // 12: length of the buffer (64 for function 32)
    void* buffer = nullptr;  // 16: the CtlCommand for function 32, else the function's record
};

// Controller command (64 bytes on the wire). The fields at 10..20 serve the
// IOCTL, block transfer and access reset layouts; the raw SCSI layout uses
// key (direction) and the fields from 24 on.
struct CtlCommand {
    uint32_t boardNode = 0;     // 0
    uint32_t commandIndex = 0;  // 4, reserved
    uint16_t opcode = 0;        // 8
    uint16_t size = 0;          // 10: parameter size, or host drive of a block transfer or reset
    uint32_t key = 0;           // 12: key, first block, or raw direction
    uint32_t target = 0;        // 16: target, or number of blocks
    void* param = nullptr;      // 20: parameter record, or block data
    // raw SCSI layout
    void* data = nullptr;       // 24
    uint32_t dataLength = 0;    // 28
    uint32_t cdbLength = 0;     // 32
    uint8_t cdb[12] = {};       // 36
    uint8_t bus = 0;            // 48
    uint8_t targetId = 0;       // 49
    uint8_t lun = 0;            // 50
    uint32_t senseLength = 0;   // 52
    void* sense = nullptr;      // 56
};

// Encodes a request into 24 wire bytes; the buffer address travels as 0.
// False when outSize is too small.
bool ctlEncodeRequest(const CtlRequest& r, uint8_t* out, size_t outSize);
// Decodes 24 wire bytes; the buffer pointer is left as the caller set it.
bool ctlDecodeRequest(const uint8_t* in, size_t inSize, CtlRequest& r);
// Encodes a command into 64 wire bytes; address fields travel as 0.
// False when outSize is too small.
bool ctlEncodeCommand(const CtlCommand& c, uint8_t* out, size_t outSize);
// Decodes 64 wire bytes; the pointer fields are left as the caller set them.
bool ctlDecodeCommand(const uint8_t* in, size_t inSize, CtlCommand& c);
