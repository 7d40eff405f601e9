// The configuration access the emulated controller keeps: Maintenance Mode,
// the nested host drive access, the per-host-drive locks and holds, the disk
// change bracket, the configuration page steps and strict mode's faults. The
// keys that change it are in config_access.h.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kzmsim {

constexpr uint16_t FW_STATUS_LOCKED = 0x000C;      // the configuration or host drive is held elsewhere
constexpr uint32_t WHOLE_CONFIGURATION = 0xFFFFFFFF;   // host drive -1: the whole configuration

// Where a configuration page write stands (0x2B, 0x2C, 0x2D).
enum class PageStep : uint8_t { None, Written, Committed };

struct AccessState {
    bool maintenance = false;              // 0x0C until 0x0D
    uint32_t nesting = 0;                  // 0x70 adds one, 0x71 takes one
    std::set<uint32_t> locks;              // host drives locked with 0x72; WHOLE_CONFIGURATION the whole configuration
    std::set<uint32_t> holds;              // held outside the program; WHOLE_CONFIGURATION every host drive
    bool diskChange = false;               // 0x20026 until 0x20027
    PageStep page = PageStep::None;
    uint32_t pageFlashHandle = 0xFFFFFFFF;  // handle the commit record (0x2E) named, until its session closes
    bool pageFlashed = false;              // the written page went through a flash session
    bool loadAll = false;                  // 0x0B on the controller until 0x03
    std::set<uint32_t> prepared;           // logical drives prepared with 0x12, until the access ends
    std::vector<std::string> faults;       // strict mode: changes sent without access
};

}  // namespace kzmsim
