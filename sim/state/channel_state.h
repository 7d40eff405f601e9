// A controller's channels and the devices on them as the firmware keeps
// them: each device's information record and its further state.
// Layouts: docs/firmware-layout.md (Physical devices).
#pragma once

#include "device_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kzmsim {

constexpr size_t DEVICE_INFO_SIZE = 112;
constexpr size_t DI_CAPACITY = 40;                // device information offsets
constexpr size_t DI_READY = 46;
constexpr size_t DI_INITIALISED = 47;

using DeviceInfoBytes = std::array<uint8_t, DEVICE_INFO_SIZE>;

struct Device {
    uint16_t entry = 0;     // entry in the channel device list: target << 8 | lun
    DeviceInfoBytes info{}; // newest layout, without the logical drive field
    DeviceState state;      // lock, defects, ownership, surface check, enclosure
};

struct Channel {
    uint32_t address = 0;   // high 16 bits; low 16 bits 0
    uint16_t number = 0;    // records with a byte for it reach channels 0..255 only
    uint8_t kind = 2;
    uint8_t ownId = 7;
    uint8_t infoByte = 0;
    uint8_t chip = 0;       // I/O chip id, first byte of the channel record after the number
    std::optional<uint8_t> busType;  // channel record byte 5 when the scenario gives it
    std::vector<Device> devices;
    std::vector<Device> unscanned;  // inserted disks the controller has not scanned for yet
    std::optional<uint32_t> reportedDevices;  // misreported device count, else the real one

    uint32_t deviceCount() const { return reportedDevices.value_or(static_cast<uint32_t>(devices.size())); }
};

}  // namespace kzmsim
