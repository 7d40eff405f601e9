// Layout of an enclosure configuration record (configuration ids from
// kConfigIdBase on): head (identifier, vendor, name, slot count), 8-byte
// slot entries, tail.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kConfigIdBase = 0x30000;
constexpr size_t kConfigSizeRecord = 8;
constexpr size_t kConfigVendor = 4;
constexpr size_t kConfigName = 16;
constexpr size_t kConfigHead = 32;
constexpr size_t kConfigSlotCount = 28;
constexpr size_t kConfigTail = 8;
constexpr size_t kConfigEntry = 8;
