// Transfer statistics of the emulated firmware: the counting of block
// transfers and the statistics requests (keys 0x30, 0x3D, 0x3E, 0x3F,
// 0x2000004B); control/statistics_control.h sets their clock, rates and
// error counters. Layouts: docs/firmware-layout.md (Statistics).
#pragma once

#include "controller_firmware.h"

#include <cstdint>
#include <vector>

namespace kzmsim {

// Counts one block transfer of `count` 512-byte blocks from `first` on host
// drive `hostDrive`; `hit` when the cache held the data already.
void countBlockTransfer(ControllerFirmware& fw, uint16_t hostDrive, uint64_t first, size_t count, bool write,
                        bool hit);
// The logical drive that carries host drive h, or nullptr.
const LogicalDrive* hostDriveCarrier(const ControllerFirmware& fw, uint32_t h);

uint32_t combinedStatisticsCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x30
uint32_t logicalStatisticsCmd(ControllerFirmware& fw, IoctlCall& c);   // 0x3D
uint32_t statisticsBlockCmd(ControllerFirmware& fw, IoctlCall& c);     // 0x3E
uint32_t hostStatisticsCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x3F
uint32_t diskStatisticsCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x2000004B

}  // namespace kzmsim
