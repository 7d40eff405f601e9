// Firmware profiles: the board values a controller of a given firmware
// generation answers with, and the commands that generation does not know.
// A scenario names a profile per controller and may override single values.
#pragma once

#include "hardware_values.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kzmsim {

// Everything the controller information records are built from.
struct BoardSpec {
    // Board information (key 0x28)
    uint32_t serial = 0;
    uint32_t typeValue = 0;          // board type word at 8
    uint32_t cacheBytes = 0;         // cache memory in bytes
    uint8_t raidMark = 1;            // non-zero on RAID firmware
    uint32_t firmwareVersion = 0;    // major << 24 | version << 16 | build
    uint32_t firmwareRevision = 0;
    std::string typeName{};          // at most 15 characters
    std::string description{};       // firmware description, at most 15 characters
    uint8_t ramType = 0;             // cache RAM type index (0-5, 5 SDRAM)
    uint8_t ramCheck = 0;            // cache RAM check: 0 none, 1 parity, 2 ECC
    // Board features (key 0x15): chaining, RAID 0, RAID 1, RAID feature bits
    std::array<uint8_t, 4> features{};
    uint8_t scsiChip = 0;            // I/O chip of the SCSI channels
    // Board details (key 0x5F)
    uint8_t enclosureSupport = 0;
    uint8_t clusterBits = 0;
    uint32_t tickDivider = 1000;
    uint32_t secondFlashKb = 0;
    uint32_t boardType = 0;
    uint32_t reservedBytes = 0;      // the controller's reserved area on each disk
    uint32_t firmwareFileRule = 0;   // type byte << 24 | lowest version
    std::string firmwarePattern{};    // at most 15 characters
    uint8_t componentRow = 0xFF;     // 0xFF: none
    // Flash (key 0x4E, kinds 1 and 2)
    uint32_t flashSize = 0;
    uint32_t flashBase1 = 0;
    uint32_t flashBase2 = 0;
    uint32_t bootFlag = 1;
    // Configuration pages, log, enclosures, non-build mode
    uint32_t configVersion = 0;      // version word of the configuration pages
    uint32_t logState = 0;
    uint32_t enclosureConfigs = 0;   // enclosure configuration count (key 0x20023)
    bool nonBuildOffered = false;    // key 0x6E kind 1 value
    // Hardware values of the report (board information and details)
    HardwareSpec hardware{};
};

struct FirmwareProfile {
    std::string name;
    uint32_t levelWord;                  // first word of the cache information
    std::vector<uint8_t> channelKinds;   // channels of a controller that lists none
    std::vector<uint32_t> unansweredKeys;  // IOCTL keys this firmware answers with 0x0009
    BoardSpec board;
};

// The profile of that name, or nullptr.
const FirmwareProfile* findProfile(const std::string& name);
// All profiles, oldest first.
const std::vector<FirmwareProfile>& firmwareProfiles();

// The profile of controllers that name none.
inline constexpr const char* DEFAULT_PROFILE = "new";

}  // namespace kzmsim
