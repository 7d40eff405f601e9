// The hardware values of a controller that only the Save Information report
// reads: RAM speed and banks in the board information, hardware level,
// installed options, bus widths and speeds, processor, battery module and
// SDRAM parameters in the board details. Offsets: docs/firmware-layout.md
// (Hardware values of the report); the emulator keeps its own copy of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kzmsim {

struct HardwareSpec {
    uint8_t ramSpeed = 0;            // ns, 0 unknown
    uint8_t ramBanks = 1;
    bool levelValid = false;         // the hardware level byte is meaningful
    uint8_t level = 0;
    uint8_t options = 0;             // 0x01 duplexing, 0x02 3-channel, 0x04 RAM expansion, 0x08 XOR, 0x10 ECC/parity
    uint8_t acpi = 0;
    uint8_t memoryBus64 = 0;
    std::array<uint8_t, 2> pci64{};  // primary, secondary: non-zero 64 bit
    std::array<uint8_t, 2> pciSpeed{};  // 0 33 MHz, 1 66 MHz
    uint8_t batteryState = 0;
    std::string batteryModule{};     // at most 15 characters; empty: none
    uint32_t processorType = 0;
    std::array<uint32_t, 2> processorId{};
    uint8_t sdramSeed = 0;           // SDRAM parameter byte i is seed + i (0: all zero)
};

// Fills the hardware bytes of an 84-byte board information record.
void putHardwareBoardInfo(uint8_t* record, const HardwareSpec& h);
// Fills the hardware bytes of a 237-byte board details record.
void putHardwareDetails(uint8_t* record, const HardwareSpec& h);

}  // namespace kzmsim
