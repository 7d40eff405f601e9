// What the emulated controller keeps for hot plug and its Fibre Channel
// loops. The keys that change it are in hot_plug_commands.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

namespace kzmsim {

// What the firmware keeps between the begin and the end of a hot plug.
struct HotPlugState {
    bool active = false;
    std::optional<uint8_t> slotChannel;  // the slot the last slot request named
    uint8_t slotTarget = 0;
};

// The Fibre Channel loops: which channel numbers share each channel's loop
// (control `fcloop`; by default a channel is alone on its loop) and how many
// device map requests still fail while the loop settles (control `settle`).
// Both by channel index.
struct FcLoopState {
    std::map<size_t, uint8_t> loops;
    std::map<size_t, uint32_t> unsettled;
};

}  // namespace kzmsim
