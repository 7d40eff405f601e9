// One line of the emulator's request log (kzmsim/log) read into its fields:
// entry, code, controller, service, opcode, key, target, data and sense
// lengths, status word and the whole request record in hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SimRecord {
    // Where the data area begins in a request record.
    static constexpr size_t dataOffset = 524;

    int entry = -1;      // the controller's driver entry
    std::string code;    // request code, "0x0009"
    int controller = 0;
    int service = 0;
    int opcode = 0;      // 5 for an IOCTL command
    std::string key;     // IOCTL key, "0x0000002B"
    std::string target;  // "0x0000FFFF"
    size_t dataLength = 0;
    size_t senseLength = 0;
    std::string status;  // status word, "0x00000000"
    std::string hex;     // the request record, two lowercase hex digits a byte

    // Reads a log line; nothing when it has fewer than 11 fields.
    static std::optional<SimRecord> parse(const std::string& line);
    // `size` bytes of the record from `offset`; empty when the record is shorter.
    std::vector<uint8_t> bytes(size_t offset, size_t size) const;
    // The first `size` bytes of the data area; empty when the record is shorter.
    std::vector<uint8_t> data(size_t size) const { return bytes(dataOffset, size); }
    // The record's length in bytes.
    size_t length() const { return hex.size() / 2; }
};

// The little-endian 32-bit word at `offset` of `bytes`.
uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset);
