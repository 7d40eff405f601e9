// Reading a driver request record: its full length from the header, and the
// fields of a controller command.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kzmsim {

// Largest record the driver takes (a block transfer of 32768 blocks).
constexpr size_t MAX_RECORD_SIZE = 528 + 32768 * 512;

enum class RecordCheck { NeedMore, Complete, Invalid };

// What the first bytes of a record tell about it.
struct RecordShape {
    RecordCheck check = RecordCheck::NeedMore;
    size_t length = 0;      // full record length, once known
    size_t dataLength = 0;  // D
    size_t senseLength = 0; // S
};

// True for the request codes the driver answers.
bool isKnownRequestCode(uint16_t code);
// Works out the record's full length from its first `have` bytes.
RecordShape recordShape(const uint8_t* p, size_t have);

// The fields of a DRVREQ_COMMAND record.
struct CommandFields {
    uint16_t service = 0;
    uint32_t node = 0;
    uint16_t opcode = 0;
    uint16_t paramSize = 0;  // parameter size, or host drive of a block transfer or reset
    uint32_t key = 0;        // key, first block, or raw direction
    uint32_t target = 0;     // target, or number of blocks
    size_t dataLength = 0;
    size_t senseLength = 0;
};

// Reads the command fields of a complete command record.
CommandFields commandFields(const uint8_t* record, size_t dataLength, size_t senseLength);

}  // namespace kzmsim
