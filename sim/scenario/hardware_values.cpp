#include "hardware_values.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

// Board information.
constexpr size_t kRamSpeed = 66;
constexpr size_t kRamBanks = 67;
// Board details.
constexpr size_t kLevelValid = 5;
constexpr size_t kLevel = 6;
constexpr size_t kOptions = 7;
constexpr size_t kAcpi = 8;
constexpr size_t kMemoryBus64 = 9;
constexpr size_t kPci64 = 10;
constexpr size_t kPciSpeed = 21;
constexpr size_t kBatteryState = 23;
constexpr size_t kProcessorType = 44;
constexpr size_t kProcessorId = 48;
constexpr size_t kSdram = 112;
constexpr size_t kSdramSize = 64;
constexpr size_t kBatteryText = 188;
constexpr size_t kBatteryTextSize = 16;

}  // namespace

void putHardwareBoardInfo(uint8_t* record, const HardwareSpec& h)
{
    record[kRamSpeed] = h.ramSpeed;
    record[kRamBanks] = h.ramBanks;
}

void putHardwareDetails(uint8_t* record, const HardwareSpec& h)
{
    record[kLevelValid] = h.levelValid ? 1 : 0;
    record[kLevel] = h.level;
    record[kOptions] = h.options;
    record[kAcpi] = h.acpi;
    record[kMemoryBus64] = h.memoryBus64;
    record[kPci64] = h.pci64[0];
    record[kPci64 + 1] = h.pci64[1];
    record[kPciSpeed] = h.pciSpeed[0];
    record[kPciSpeed + 1] = h.pciSpeed[1];
    record[kBatteryState] = h.batteryState;
    wire::put32(record, kProcessorType, h.processorType);
    wire::put32(record, kProcessorId, h.processorId[0]);
    wire::put32(record, kProcessorId + 4, h.processorId[1]);
    for (size_t i = 0; i < kSdramSize; ++i)
        record[kSdram + i] = h.sdramSeed == 0 ? 0 : static_cast<uint8_t>(h.sdramSeed + i);
    std::fill(record + kBatteryText, record + kBatteryText + kBatteryTextSize, 0);
    std::copy_n(h.batteryModule.begin(), std::min(h.batteryModule.size(), kBatteryTextSize - 1), record + kBatteryText);
}

}  // namespace kzmsim
