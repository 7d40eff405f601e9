// Builds driver request records for the emulator tests, field by field as
// the local driver module lays them out.
#pragma once

#include "controller_firmware.h"
#include "driver_layout.h"
#include "ioctl_commands.h"

#include <byte_order.h>

#include <cstdint>
#include <vector>

namespace simtest {

using Bytes = std::vector<uint8_t>;

// Request targets: the controller as a whole, channels 0 and 1 as a whole.
inline constexpr uint32_t CTRL = 0xFFFF;
inline constexpr uint32_t CH0 = 0x2FFFF;
inline constexpr uint32_t CH1 = 0x3FFFF;

// A parameter record of `size` bytes that starts with the word w.
inline Bytes word(uint32_t w, size_t size = 4)
{
    Bytes p(size, 0);
    wire::put32(p.data(), 0, w);
    return p;
}

// Runs one IOCTL command on a firmware model; returns the status word.
inline uint32_t runIoctl(kzmsim::ControllerFirmware& fw, uint32_t key, uint32_t target, Bytes& param)
{
    kzmsim::IoctlCall call{key, target, 0, param};
    return kzmsim::runIoctlCommand(fw, call);
}

// A driver-level record (528 bytes) with its header filled.
inline Bytes driverRecord(uint16_t code, uint16_t controller = 0)
{
    Bytes r(kzmsim::REC_SIZE, 0);
    wire::put32(r.data(), kzmsim::REC_MAGIC, kzmsim::DRVREQ_MAGIC);
    wire::put16(r.data(), kzmsim::REC_CODE, code);
    wire::put16(r.data(), kzmsim::REC_CONTROLLER, controller);
    wire::put16(r.data(), kzmsim::REC_TIMEOUT, 30);
    return r;
}

// An IOCTL command record with its parameter record as the data area.
inline Bytes ioctlRecord(uint32_t key, uint32_t target, const Bytes& param, uint16_t controller = 0)
{
    Bytes r = driverRecord(kzmsim::DRVREQ_COMMAND, controller);
    wire::put16(r.data(), kzmsim::REC_SERVICE, kzmsim::SVC_CACHE);
    wire::put16(r.data(), kzmsim::REC_OPCODE, kzmsim::OP_IOCTL);
    wire::put16(r.data(), kzmsim::REC_PARAM_SIZE, static_cast<uint16_t>(param.size()));
    wire::put32(r.data(), kzmsim::REC_KEY, key);
    wire::put32(r.data(), kzmsim::REC_TARGET, target);
    r.insert(r.begin() + kzmsim::REC_DATA, param.begin(), param.end());
    return r;
}

// A block transfer record (opcode 1 read, 2 write) of count blocks.
inline Bytes blockRecord(uint16_t opcode, uint16_t hostDrive, uint32_t first, uint32_t count, const Bytes& data)
{
    Bytes r = driverRecord(kzmsim::DRVREQ_COMMAND);
    wire::put16(r.data(), kzmsim::REC_SERVICE, kzmsim::SVC_CACHE);
    wire::put16(r.data(), kzmsim::REC_OPCODE, opcode);
    wire::put16(r.data(), kzmsim::REC_PARAM_SIZE, hostDrive);
    wire::put32(r.data(), kzmsim::REC_KEY, first);
    wire::put32(r.data(), kzmsim::REC_TARGET, count);
    Bytes area = data;
    area.resize(count * kzmsim::BLOCK_SIZE, 0);
    r.insert(r.begin() + kzmsim::REC_DATA, area.begin(), area.end());
    return r;
}

// A raw SCSI record with d data bytes (filled with `fill`) and s sense bytes.
inline Bytes rawRecord(uint32_t d, uint32_t s, uint8_t fill)
{
    Bytes r = driverRecord(kzmsim::DRVREQ_COMMAND);
    wire::put16(r.data(), kzmsim::REC_SERVICE, kzmsim::SVC_RAW);
    wire::put16(r.data(), kzmsim::REC_OPCODE, kzmsim::OP_SCSI);
    wire::put32(r.data(), kzmsim::REC_KEY, 0x01000000);
    wire::put32(r.data(), kzmsim::REC_RAW_DATA_LEN, d);
    wire::put32(r.data(), kzmsim::REC_RAW_CDB_LEN, 6);
    wire::put32(r.data(), kzmsim::REC_RAW_SENSE_LEN, s);
    r.insert(r.begin() + kzmsim::REC_DATA, d + s, fill);
    return r;
}

}  // namespace simtest
