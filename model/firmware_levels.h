// Firmware levels and version words from which the controller's records and
// behaviour change, as the model's drive and flash code tests them.
#pragma once

#include <cstdint>

constexpr uint8_t kLevelHostTables = 19;              // host drive tables replace the old records
constexpr uint8_t kLevelCluster = 30;                 // host drives carry cluster records
constexpr uint32_t kVersionReserved = 0x1EFFFF;       // above: disks keep a reserved area
constexpr uint32_t kVersionDiskFormat = 0x20FFFF;     // above: the disk format decides
constexpr uint32_t kSecondAreaImageVersion = 0x170000;
constexpr uint32_t kSmallFlash = 0x80000;             // flash size of the small boards
