// What the emulated firmware counts for its transfer statistics: the
// statistics clock, and per disk, logical drive, host drive and cache the
// counters that block transfers advance. Layouts: docs/firmware-layout.md
// (Statistics, message log and fault bus).
#pragma once

#include "statistics_rates.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace kzmsim {

// A disk's counters: transfers, and the error counters `diskerr` sets.
struct DiskCounters {
    TransferCounters transfers;
    uint32_t retries = 0;
    uint32_t reassigns = 0;
};

struct StatisticsState {
    uint32_t clock = 0;                          // time stamp of the last statistics block
    uint64_t blocks = 0;                         // statistics blocks answered, for the rates' cycle
    std::map<uint32_t, DiskCounters> disks;      // by device address
    std::map<uint32_t, TransferCounters> logicalDrives;  // by drive number
    std::map<uint32_t, TransferCounters> hostDrives;     // by host drive number
    CacheCounters cache;
    CacheCounters parityCache;                   // only the rates move it
    uint32_t extraUsed = 0;                      // buffers the rates made used and dirty
    uint32_t extraDirty = 0;
    StatisticsRates rates;
};

// The controller's message log, read with key 0x7F and emptied with 0x2000002E.
struct MessageLogEntry {
    uint32_t id = 0;        // from 1, in order of arrival
    uint16_t kind = 0;      // 3: an asynchronous event
    uint16_t number = 0;    // kind 3: the event number
    uint16_t service = 0;   // kind 3: the event's service
    uint32_t time = 0;      // seconds since the epoch
    std::string text;
};
// Misreported log rounds (control `logfault`).
enum class LogFault : uint8_t { none, size, count, stuck };
struct MessageLog {
    std::deque<MessageLogEntry> entries;
    uint32_t nextId = 1;
    LogFault fault = LogFault::none;  // applied to every round until `logfault C none`
    uint32_t faultValue = 0;
};

// The fault bus of the channels (at most eight: board details 12..19).
constexpr size_t FAULT_BUS_CHANNELS = 8;
constexpr size_t FAULT_BUS_SLOTS = 16;
struct FaultBusState {
    std::array<uint8_t, FAULT_BUS_CHANNELS> present{};  // board details 12 + c
    std::array<uint32_t, FAULT_BUS_CHANNELS> swaps{};   // inserts and pulls seen on the channel
    std::array<bool, FAULT_BUS_CHANNELS> testing{};     // a test pattern holds the slot signals
    std::array<std::array<uint16_t, FAULT_BUS_SLOTS>, FAULT_BUS_CHANNELS> pattern{};
};

}  // namespace kzmsim
