// Channels by position: descriptions, counting, listing, the interface
// level and the channel-addressed commands.
#pragma once

#include "ctl_errors.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t CHANNEL_DEFAULT_ADDRESS = 0x20000;  // when 0x5D is not answered
constexpr uint32_t CHANNEL_PROBE_TARGET = 0x2FFFF;
constexpr uint16_t CHANNEL_MAX = 255;                 // the probe stops here
constexpr uint32_t LEVEL_OLD_LISTS = 262;             // older list layouts
constexpr size_t CHANNEL_DESC_HEADER = 12;            // 0x5D header
constexpr size_t CHANNEL_DESC_ENTRY = 8;              // one ChannelDesc
constexpr size_t CHANNEL_INFO_SIZE = 10;              // key 0x20000005
constexpr size_t CACHE_INFO_SIZE = 36;                // key 0x04

// One channel description (8 bytes on the wire: u32 address, reserved, number, u16).
struct ChannelDesc {
    uint32_t address = 0;
    uint8_t number = 0;
};

// One entry of ctl_list_channels.
struct ChannelEntry {
    uint16_t devices = 0;
    uint8_t info[2] = {};
};

// The description of channel `index`; the default {0x20000, index} when the
// controller does not answer. Always 0.
CtlResult ctl_get_channel_desc(uint16_t c, uint8_t index, ChannelDesc* out);
// Number of channels: key 0x5D, else probing key 0x20000005 (at most 255).
CtlResult ctl_count_channels(uint16_t c, uint16_t* count);
// One entry per channel, at most `capacity`; *listed receives how many were written.
CtlResult ctl_list_channels(uint16_t c, ChannelEntry* entries, size_t capacity, uint16_t* listed);
// The interface level: the first word of the cache information.
CtlResult ctl_get_interface_level(uint16_t c, uint32_t* level);
// Target of a channel as a whole: its address with the low 16 bits 0xFFFF.
inline uint32_t ctl_channel_target(const ChannelDesc& d) { return d.address | 0xFFFF; }

// Channel-addressed commands: the channel index is in the caller's record
// (byte 24 for 0x54, else byte 0) and stays there after the call.
// 0x20000054 with the caller's size s (at least 25).
CtlResult ctl_channel_request_54(uint16_t c, void* p, uint16_t s);
// 0x2000003E: 20-byte channel record.
CtlResult ctl_get_channel_record(uint16_t c, void* p);
// 0x20000014: 4-byte device probe of old firmware.
CtlResult ctl_probe_device(uint16_t c, void* p);
// 0x20000025: 4-byte disk attribute query.
CtlResult ctl_get_device_value(uint16_t c, void* p);
// 0x20000050: 4-byte channel value.
CtlResult ctl_channel_value_50(uint16_t c, void* p);
