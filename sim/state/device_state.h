// The state the emulated firmware keeps for a device beyond its information
// record: lock, defect counts, ownership, surface check, the enclosure
// processor's parts and slot maps; and the controller's enclosure
// configurations. Layouts: docs/firmware-layout.md (Physical devices).
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kzmsim {

constexpr size_t OWNERSHIP_SIZE = 16;
constexpr size_t SLOT_MAP_SIZE = 56;

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

// A running or finished surface check.
struct SurfaceCheck {
    bool running = false;      // started (the running flag shows once `delay` is used up)
    bool aborting = false;
    uint32_t delay = 0;        // queries left before the start or abort shows
    uint32_t percent = 100;
    uint32_t found = 0;        // errors the check finds (control command "surface")
    uint32_t foundSecond = 0;
    std::time_t started = 0;
};

// The live state of an enclosure processor.
struct EnclosureState {
    EnclosureSpec parts;
    uint32_t identifier = 0;
    std::array<uint32_t, 4> identityWords{};  // the identity words at bytes 12, 16, 20, 24
    uint8_t speakerOn = 0;
    uint8_t doorLocked = 0;
    std::map<uint8_t, std::array<uint8_t, SLOT_MAP_SIZE>> slotMaps;  // last slot map per slot
};

// What a device keeps besides its information record.
struct DeviceState {
    bool locked = false;
    bool failed = false;         // not ready; reads fail (control "fail")
    uint8_t readyAtStart = 1;    // the ready flag "restore" brings back
    uint32_t grownDefects = 0;
    uint32_t primaryDefects = 0;
    std::array<uint8_t, OWNERSHIP_SIZE> ownership{};
    std::optional<uint8_t> modeFor17;  // the transfer mode a disk settles on when 17 is asked
    uint32_t identifyCount = 0;
    SurfaceCheck surface;
    std::optional<EnclosureState> enclosure;
};

}  // namespace kzmsim
