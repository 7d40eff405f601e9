// The controller information records as the firmware answers them: board
// information and details, configuration pages, channel and Fibre Channel
// records, flash records and the cache parameter sets. Layouts: the firmware
// layout note (docs/firmware-layout.md).
#pragma once

#include "firmware_profile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kzmsim {

struct Channel;

constexpr size_t BOARD_FEATURES_SIZE = 4;      // key 0x15
constexpr size_t BOARD_INFO_SIZE = 84;         // key 0x28
constexpr size_t CONFIG_PAGE_SIZE = 380;       // keys 0x29, 0x2A, 0x2B
constexpr size_t SETTINGS_PAGE_SIZE = 72;      // keys 0x31, 0x32, 0x33
constexpr size_t SETTINGS_RECORD_SIZE = 16;    // key 0x34
constexpr size_t CONTROLLER_RECORD_SIZE = 16;  // key 0x4E
constexpr size_t BOARD_DETAILS_SIZE = 237;     // key 0x5F
constexpr size_t CONTROLLER_PARAM_SIZE = 10;   // key 0x6E
constexpr size_t LOG_STATE_SIZE = 4;           // keys 0x7E, 0x2000002F
constexpr size_t CHANNEL_RECORD_SIZE = 20;     // key 0x2000003E
constexpr size_t FC_LOOP_SIZE = 138;           // key 0x20000080
constexpr size_t FC_PORT_SIZE = 40;            // key 0x20000081
constexpr size_t ENCLOSURE_RECORD_SIZE = 12;   // key 0x20023

constexpr uint32_t CONFIG_PAGE_SIZE_WORD = 380;   // first word of every configuration page
constexpr uint32_t ENCLOSURE_RECORD_QUERY = 0x30000;  // first word of the key 0x20023 request
constexpr uint32_t NON_BUILD_PARAM_KIND = 1;      // key 0x6E record kind of the non-build mode
constexpr uint32_t LARGEST_PARITY_FRACTION = 102; // key 0x34 answer

constexpr uint8_t CHIP_FIBRE_CHANNEL = 0x21;  // HPFC5100B
constexpr uint8_t CHIP_SATA = 0x41;           // SI3112

using ConfigPage = std::array<uint8_t, CONFIG_PAGE_SIZE>;
using SettingsPage = std::array<uint8_t, SETTINGS_PAGE_SIZE>;
using Record = std::vector<uint8_t>;

// The chip a channel of this kind has unless the scenario names one.
uint8_t defaultChip(uint8_t kind, const BoardSpec& board);

Record boardFeatures(const BoardSpec& board);
Record boardInformation(const BoardSpec& board, size_t channelCount);
Record boardDetails(const BoardSpec& board);
// Configuration page A as the controller holds it at start.
ConfigPage initialConfigPageA(const BoardSpec& board, const std::vector<Channel>& channels);
ConfigPage configPageB(const BoardSpec& board);
// Key 0x4E record of kind 1 (flash area 1) or 2 (flash area 2).
Record flashRecord(const BoardSpec& board, uint8_t kind);
// The factory cache parameter set numbered `set`.
SettingsPage defaultCacheSet(uint8_t set);
Record channelRecord(const Channel& channel);
Record fcLoopRecord(const BoardSpec& board, const Channel& channel);
Record fcPortRecord(const Channel& channel);

}  // namespace kzmsim
