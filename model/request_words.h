// Fixed words and limits of the requests and records the model exchanges with
// the controller.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kControllerTarget = 0xFFFF;        // target word of the controller as a whole
constexpr uint32_t kAllHostDrives = 0xFFFFFFFF;       // host drive -1; 0xFFFF is the controller as a whole
constexpr uint32_t kFlagRead = 0xFFFFFFFF;            // a flag record that reads
constexpr size_t kMaxRequestSize = 0xFFFF;            // the size field of a request is 16 bits
constexpr int kNoneFree = 0xFFFF;                     // no free drive number
constexpr int kMaxDriveNumber = 254;
constexpr int kCarrierArray = 16;                     // carrier kind of an array's host drives
constexpr uint8_t kClusterDrive = 1;                  // cluster types of a host drive
constexpr uint8_t kClusterPrivate = 2;
constexpr size_t kBoardDetailsReserved = 212;         // u32 reserved area on each disk in bytes
constexpr size_t kPageOwnIds = 16;                    // page A byte 16 + c: the controller's ID on channel c
constexpr uint16_t kNoticeTimeout = 120;              // seconds
constexpr int kPercentDone = 100;
constexpr uint8_t kSurfaceDone = 100;
constexpr uint32_t kSector = 512;
constexpr uint32_t kSectorsPerMb = 2048;
