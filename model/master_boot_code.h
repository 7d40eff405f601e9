// Our master boot loader: the bytes that go into bytes 0-439 of a host
// drive's sector 0 (source: boot/master_boot_code.asm).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t MASTER_BOOT_CODE_SIZE = 440;

extern const uint8_t MasterBootCode[MASTER_BOOT_CODE_SIZE];
