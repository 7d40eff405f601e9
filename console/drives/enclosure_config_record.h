// A controller's enclosure configuration record: identifier, vendor, name,
// slot count, then 8-byte slots.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t configIdBase = 0x30000;
constexpr size_t recVendor = 4;
constexpr size_t recName = 16;
constexpr size_t recCount = 28;
constexpr size_t recSlots = 32;
constexpr size_t recSlotSize = 8;
