#include "firmware_profile.h"

namespace kzmsim {

// A function-local table: controller specs may be built during static start-up.
const std::vector<FirmwareProfile>& firmwareProfiles()
{
    // Keys added by later firmware: the per-host-drive lock and device scan
    // (level 23), the enclosure configuration record and the non-build mode,
    // the cluster host drive record (level 30), the disk change bracket, and
    // the statistics requests that replaced the combined block 0x30.
    static const std::vector<uint32_t> kUnknownToLevel22 = {0x72, 0x73, 0x74, 0x6E, 0x20023, 0x10010006, 0x20026, 0x20027,
                                                            0x3D, 0x3E, 0x3F, 0x2000004B};
    static const std::vector<uint32_t> kUnknownToLevel23 = {0x10010006, 0x20026, 0x20027};

    static const std::vector<FirmwareProfile> kProfiles = {
        {"old", 0x216, {2, 2}, kUnknownToLevel22,
         {.serial = 0x00101234,
          .typeValue = 0x24,
          .cacheBytes = 4u << 20,
          .firmwareVersion = 0x02160012,  // 2.22.18
          .firmwareRevision = 0x030,
          .typeName = "KZM6117RD",
          .description = "RAID-0/1/4/5",
          .ramType = 3,                   // EDO
          .ramCheck = 1,                  // parity
          .features = {1, 1, 1, 0x01},
          .scsiChip = 0x07,               // 53C895
          .tickDivider = 100,
          .boardType = 0x104,
          .flashSize = 0x80000,
          .flashBase1 = 0xFFF80000,
          .configVersion = 0x50001,
          .logState = 0x00000010,
          .hardware = {.ramSpeed = 60,
                       .ramBanks = 2,
                       .level = 2,  // not valid: reported as 0
                       .options = 0x11,
                       .processorType = 1,
                       .processorId = {0x00010203, 0x00000001}}}},
        {"middle", 0x217, {2, 2, 2}, kUnknownToLevel23,
         {.serial = 0x00205678,
          .typeValue = 0x25,
          .cacheBytes = 16u << 20,
          .firmwareVersion = 0x021C0006,  // 2.28.06
          .firmwareRevision = 0x04A,
          .typeName = "KZM6528RS",
          .description = "RAID-0/1/4/5/10",
          .ramType = 5,                   // SDRAM
          .ramCheck = 0,
          .features = {1, 1, 1, 0x33},
          .scsiChip = 0x0A,               // AIC7899
          .enclosureSupport = 1,
          .boardType = 0x202,
          .reservedBytes = 1200 * 512,
          .flashSize = 0x100000,
          .flashBase1 = 0xFFF00000,
          .configVersion = 0x50003,
          .logState = 0x00000020,
          .hardware = {.ramSpeed = 0,
                       .ramBanks = 1,
                       .levelValid = true,
                       .level = 3,
                       .options = 0x0C,
                       .pciSpeed = {0, 1},
                       .processorType = 2,
                       .processorId = {0x00020304, 0x00000002},
                       .sdramSeed = 0x10}}},
        {"new", 0x21E, {2, 3, 4}, {},
         {.serial = 0x00309ABC,
          .typeValue = 0x28,
          .cacheBytes = 64u << 20,
          .firmwareVersion = 0x0221000C,  // 2.33.12
          .firmwareRevision = 0x0A1,
          .typeName = "KZM8530RZ",
          .description = "RAID-0/1/4/5/10",
          .ramType = 5,                   // SDRAM
          .ramCheck = 2,                  // ECC
          .features = {1, 1, 1, 0x33},
          .scsiChip = 0x0C,               // 53C1030
          .enclosureSupport = 1,
          .clusterBits = 0x0D,
          .secondFlashKb = 1024,
          .boardType = 0x205,
          .reservedBytes = 1200 * 512,
          .firmwareFileRule = 0x021F0000,
          .firmwarePattern = "KZM_RPFW.*",
          .componentRow = 10,
          .flashSize = 0x200000,
          .flashBase1 = 0xFFE00000,
          .flashBase2 = 0xFFD00000,
          .configVersion = 0x60001,
          .logState = 0x00000030,
          .nonBuildOffered = true,
          .hardware = {.ramSpeed = 10,
                       .ramBanks = 2,
                       .levelValid = true,
                       .level = 5,
                       .options = 0x1F,
                       .acpi = 1,
                       .memoryBus64 = 1,
                       .pci64 = {1, 0},
                       .pciSpeed = {1, 2},
                       .batteryState = 0x86,
                       .batteryModule = "BBU-64",
                       .processorType = 3,
                       .processorId = {0x69054118, 0x00000003},
                       .sdramSeed = 0x40}}},
    };
    return kProfiles;
}

const FirmwareProfile* findProfile(const std::string& name)
{
    for (const FirmwareProfile& p : firmwareProfiles())
        if (p.name == name)
            return &p;
    return nullptr;
}

}  // namespace kzmsim
