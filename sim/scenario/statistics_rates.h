// The transfer and cache counters of the emulated firmware's statistics, and
// the rates by which a scenario's `load` (or the control lines `statrate`
// and `cacherate`) makes them grow per statistics block.
#pragma once

#include <cstdint>
#include <vector>

namespace kzmsim {

// Transfer counters of a drive or disk.
struct TransferCounters {
    uint32_t readOps = 0;
    uint32_t writeOps = 0;
    uint32_t blocksRead = 0;
    uint32_t blocksWritten = 0;
};

// The data cache's counters.
struct CacheCounters {
    uint32_t readRequests = 0;
    uint32_t writeRequests = 0;
    uint32_t readHits = 0;
    uint32_t writeHits = 0;
    uint32_t cacheWrites = 0;
};

// Growth per statistics block: the scenario's `load`, or what `statrate`
// and `cacherate` set (all 0 without either).
struct StatisticsRates {
    TransferCounters drive;      // every disk, logical drive and host drive
    CacheCounters cache;         // both cache halves (cache writes follow the write requests)
    uint32_t usedBuffers = 0;    // buffers that become used, and dirty
    uint32_t dirtyBuffers = 0;
    // Percentages of the rates that the statistics blocks add, one block
    // after the other, in turn (the load's `cycle`); empty: 100 for every block.
    std::vector<uint32_t> cycle;
};

}  // namespace kzmsim
