// What a scenario gives of its devices beyond their information records:
// the ownership record's size, an enclosure processor's parts, the
// controller's enclosure configurations and how fast its surface checks run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kzmsim {

constexpr size_t OWNERSHIP_SIZE = 16;

// One temperature sensor of an enclosure.
struct SensorSpec {
    int16_t degrees = 25;  // Celsius
    uint8_t state = 0;
};

// The parts of an enclosure processor as a scenario gives them.
struct EnclosureSpec {
    std::vector<uint8_t> slots;          // target ID of the disk each slot takes (same channel)
    std::vector<uint8_t> powerSupplies;  // state byte each
    std::vector<uint8_t> fans;           // state byte each
    std::vector<SensorSpec> sensors;
    uint8_t overall = 0;                 // overall temperature state byte
    bool doorLock = false;
    bool speaker = false;
    bool slotsMapped = true;             // false: no slot holds a disk until its map is written
};

// A controller enclosure configuration: a table tying slots to disks.
struct EnclosureConfigSlot {
    uint8_t channel = 0;
    uint8_t targetId = 0;
    uint8_t slot = 0;
};
struct EnclosureConfig {
    std::string vendor;  // at most 11 characters
    std::string name;    // at most 11 characters
    std::vector<EnclosureConfigSlot> slots;
};

// How the surface check of this controller's disks advances.
struct SurfaceCheckSpec {
    uint32_t step = 10;     // percent per information query (0: only with time)
    uint32_t delay = 0;     // queries before a start or an abort shows
    uint32_t seconds = 0;   // non-zero: the check takes this long in real time
};

}  // namespace kzmsim
