// Block reads and writes of host drives (service 9, opcodes 1 and 2): the
// sectors of a host drive that a table holds are those of its carrying
// drive; any other host drive number keeps a store of its own. Every
// transfer is counted in the statistics.
#pragma once

#include "controller_firmware.h"

#include <cstdint>
#include <vector>

namespace kzmsim {

// Reads (write false) or writes the blocks of `data` (whole 512-byte blocks)
// of host drive `hostDrive` from block `first` on; returns the status word.
uint32_t transferBlocks(ControllerFirmware& fw, uint16_t hostDrive, uint64_t first, std::vector<uint8_t>& data,
                        bool write);

}  // namespace kzmsim
