// Values and offsets of the controller's drive and device records that
// several screens read.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t nameSize = 8;                     // a drive name field; not always ended by a zero
constexpr int sharedBit = 0x8000;                  // drive number: the drive is shared
constexpr int numberMask = 0x7FFF;                 // drive number without its flag
constexpr uint16_t noLogicalDrive = 0xFFFF;        // a disk's logical drive word when it has none
constexpr uint8_t slotMissing = 0x02;              // array slot flags
constexpr uint8_t slotFlagsAny = 0x07;             // failed, missing, invalid
constexpr size_t boardDetailsReservedArea = 212;   // u32 reserved area on each disk in bytes
constexpr int featureRaid0 = 0x01;                 // feature byte: RAID 0 served
constexpr int newLevel = 19;                       // firmware level of the newer disk records
constexpr uint32_t dvValidation = 0x0C;            // domain validation word: bits 2 and 3

// Disk format byte of the device information.
constexpr int oldDiskFormat = 1;
constexpr int newDiskFormat = 2;

// Device information offsets.
constexpr size_t infoRemovable = 49;
constexpr size_t infoWriteProtected = 50;
constexpr size_t infoLastStatus = 60;
constexpr size_t infoFcSecondLoop = 80;
constexpr size_t infoFcExtended = 88;
