// Layout of an enclosure configuration record (configuration ids from
// kConfigIdBase on): head, slot entries, tail.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kConfigIdBase = 0x30000;
constexpr size_t kConfigSizeRecord = 8;
constexpr size_t kConfigHead = 32;
constexpr size_t kConfigSlotCount = 28;
constexpr size_t kConfigTail = 8;
constexpr size_t kConfigEntry = 8;
