// The state the emulated firmware keeps for a device beyond its information
// record: lock, defect counts, ownership, surface check, the enclosure
// processor's parts and slot maps (what the scenario gives of them is in
// scenario/device_spec.h). Layouts: docs/firmware-layout.md (Physical devices).
#pragma once

#include "device_spec.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kzmsim {

constexpr size_t SLOT_MAP_SIZE = 56;

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
