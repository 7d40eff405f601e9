// Channel descriptions, counting and listing, and the channel-addressed commands.
#include "ctl_channels.h"

#include "byte_order.h"
#include "ctl_command_table.h"
#include "ctl_commands.h"

namespace {

// Asks 0x5D with a 12-byte header for `wanted` entries from first to last.
void putDescHeader(uint8_t* h, uint8_t wanted, uint8_t first, uint8_t last, uint32_t tail)
{
    wire::put32(h, 0, 0xFFFFFFFF);
    h[4] = wanted;
    h[5] = first;
    h[6] = last;
    h[7] = 0;
    wire::put32(h, 8, tail);
}

// Channel information of channel number `number` at `target`.
CtlResult channelInfo(uint16_t c, uint32_t target, uint32_t number, uint8_t* info)
{
    wire::put32(info, 0, number);
    return ctl_get_channel_info(c, 0, target, info);
}

// Sends row `id` to the channel whose index is byte `at` of p: that byte
// carries the channel's number during the command (when swap) and the index
// again afterwards, whatever the result.
CtlResult onChannel(CtlCmd id, uint16_t c, void* p, uint16_t size, size_t at, bool swap)
{
    if (p == nullptr)
        return CTLERR_BAD_ARGUMENT;
    auto* rec = static_cast<uint8_t*>(p);
    const uint8_t index = rec[at];
    ChannelDesc d;
    ctl_get_channel_desc(c, index, &d);
    if (swap)
        rec[at] = d.number;
    CtlResult rc = ctl_send_ioctl(id, c, 0, ctl_channel_target(d), p, size);
    rec[at] = index;
    return rc;
}

}  // namespace

CtlResult ctl_get_channel_desc(uint16_t c, uint8_t index, ChannelDesc* out)
{
    uint8_t buf[CHANNEL_DESC_HEADER + CHANNEL_DESC_ENTRY] = {};
    putDescHeader(buf, 1, index, index, CHANNEL_DESC_HEADER);
    ChannelDesc d{CHANNEL_DEFAULT_ADDRESS, index};
    if (ctl_get_channel_descriptions(c, buf, sizeof buf) == CTL_OK) {
        d.address = wire::get32(buf, CHANNEL_DESC_HEADER);
        d.number = buf[CHANNEL_DESC_HEADER + 5];
    }
    if (out != nullptr)
        *out = d;
    return CTL_OK;
}

CtlResult ctl_count_channels(uint16_t c, uint16_t* count)
{
    uint8_t head[CHANNEL_DESC_HEADER] = {};
    putDescHeader(head, 0, 0, 0, 0);
    uint16_t n = 0;
    if (ctl_get_channel_descriptions(c, head, sizeof head) == CTL_OK) {
        n = head[7];
    } else {
        // Firmware without 0x5D: probe channel numbers until one is refused.
        uint8_t info[CHANNEL_INFO_SIZE] = {};
        CtlResult rc = channelInfo(c, CHANNEL_PROBE_TARGET, 0, info);
        if (rc != CTL_OK)
            return rc;
        n = 1;
        while (n < CHANNEL_MAX && channelInfo(c, CHANNEL_PROBE_TARGET, n, info) == CTL_OK)
            ++n;
    }
    if (count != nullptr)
        *count = n;
    return CTL_OK;
}

CtlResult ctl_list_channels(uint16_t c, ChannelEntry* entries, size_t capacity, uint16_t* listed)
{
    if (listed != nullptr)
        *listed = 0;
    uint16_t count = 0;
    CtlResult rc = ctl_count_channels(c, &count);
    if (rc != CTL_OK)
        return rc;
    size_t n = count & 0xFF;
    if (entries == nullptr)
        capacity = 0;
    if (n > capacity)
        n = capacity;  // never past the caller's array
    for (size_t i = 0; i < n; ++i) {
        ChannelDesc d;
        ctl_get_channel_desc(c, static_cast<uint8_t>(i), &d);
        uint8_t info[CHANNEL_INFO_SIZE] = {};
        rc = channelInfo(c, ctl_channel_target(d), d.number, info);
        if (rc != CTL_OK)
            return rc;
        entries[i].devices = static_cast<uint16_t>(wire::get32(info, 4));
        entries[i].info[0] = info[8];
        entries[i].info[1] = info[9];
        if (listed != nullptr)
            *listed = static_cast<uint16_t>(i + 1);
    }
    return CTL_OK;
}

CtlResult ctl_get_interface_level(uint16_t c, uint32_t* level)
{
    uint8_t cache[CACHE_INFO_SIZE] = {};
    CtlResult rc = ctl_get_cache_info(c, 0, CTL_TARGET_CONTROLLER, cache);
    if (rc == CTL_OK && level != nullptr)
        *level = wire::get32(cache, 0);
    return rc;
}

CtlResult ctl_channel_request_54(uint16_t c, void* p, uint16_t s)
{
    if (s < 25)
        return CTLERR_BAD_ARGUMENT;  // the channel index is byte 24 of the record
    return onChannel(CtlCmd::ctl_channel_request_54, c, p, s, 24, false);
}

CtlResult ctl_get_channel_record(uint16_t c, void* p)
{
    return onChannel(CtlCmd::ctl_addr_get_record_3e, c, p, 0, 0, true);
}

CtlResult ctl_probe_device(uint16_t c, void* p)
{
    return onChannel(CtlCmd::ctl_get_device_count_14, c, p, 0, 0, true);
}

CtlResult ctl_get_device_value(uint16_t c, void* p)
{
    return onChannel(CtlCmd::ctl_get_device_value_25, c, p, 0, 0, true);
}

CtlResult ctl_channel_value_50(uint16_t c, void* p)
{
    return onChannel(CtlCmd::ctl_channel_value_50, c, p, 0, 0, true);
}
