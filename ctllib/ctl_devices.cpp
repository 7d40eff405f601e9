// Device resolution and device-addressed commands.
#include "ctl_devices.h"

#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_command_table.h"
#include "ctl_commands.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// The device entries of one channel as the controller lists them.
struct DeviceList {
    ChannelDesc desc;
    uint32_t count = 0;
    std::unique_ptr<uint8_t[]> raw;
    size_t first = 0;  // byte offset of entry 0 (4 old layout, 8 newer)
    uint32_t entry(size_t i) const { return wire::get32(raw.get(), first + 4 * i); }
};

// Reads the description and the device count of channel `index`.
CtlResult channelDevices(uint16_t c, uint8_t index, DeviceList& l)
{
    ctl_get_channel_desc(c, index, &l.desc);
    uint8_t info[CHANNEL_INFO_SIZE] = {};
    wire::put32(info, 0, l.desc.number);
    CtlResult rc = ctl_get_channel_info(c, 0, ctl_channel_target(l.desc), info);
    if (rc != CTL_OK)
        return rc;
    l.count = wire::get32(info, 4);
    if (l.count > CHANNEL_MAX_DEVICES)
        return CTLERR_BAD_ARGUMENT;  // no channel holds that many devices
    return CTL_OK;
}

// Reads the channel's device list (count already known) in the level's layout.
CtlResult readList(uint16_t c, uint32_t level, DeviceList& l)
{
    const size_t size = 4 * size_t{l.count} + 8;
    l.raw.reset(new (std::nothrow) uint8_t[size]());
    if (!l.raw)
        return CTLERR_LIB_NO_MEMORY;
    wire::put32(l.raw.get(), 0, l.desc.number);
    l.first = 4;
    if (level != LEVEL_OLD_LISTS) {
        wire::put32(l.raw.get(), 4, l.count);
        l.first = 8;
    }
    return ctl_get_channel_device_list(c, 0, ctl_channel_target(l.desc), static_cast<uint16_t>(size),
                                       l.raw.get());
}

// Resolves a reference to its device address.
CtlResult addressOf(const DeviceRef& d, uint32_t* address)
{
    DriveAddress a;
    a.controller = d.controller;
    a.channelIndex = static_cast<uint8_t>(d.channelIndex);
    a.deviceIndex = d.deviceIndex;
    CtlResult rc = ctl_resolve_device(&a);
    if (rc == CTL_OK)
        *address = a.deviceAddress();
    return rc;
}

// Sends row `id` to the resolved device.
CtlResult onDevice(CtlCmd id, const DeviceRef& d, uint32_t node, void* p, uint16_t size)
{
    uint32_t address = 0;
    CtlResult rc = addressOf(d, &address);
    if (rc != CTL_OK)
        return rc;
    return ctl_send_ioctl(id, d.controller, node, address, p, size);
}

// Where the fields of the 263/512 device layout sit in the caller's 112-byte record.
struct DeviceField {
    uint8_t caller, controller, size;
};
constexpr DeviceField kLayout263[] = {{0, 0, 52}, {60, 52, 4}, {64, 56, 4}, {72, 60, 1}, {73, 61, 1}};

// The device's address and its controller's interface level, which decides the record layout.
CtlResult addressAndLevel(const DeviceRef& d, uint32_t* address, uint32_t* level)
{
    CtlResult rc = addressOf(d, address);
    return rc == CTL_OK ? ctl_get_interface_level(d.controller, level) : rc;
}

}  // namespace

CtlResult ctl_resolve_device(DriveAddress* a)
{
    if (a == nullptr)
        return CTLERR_BAD_ARGUMENT;
    DeviceList l;
    CtlResult rc = channelDevices(a->controller, a->channelIndex, l);
    if (rc != CTL_OK)
        return rc;
    uint32_t level = 0;
    rc = ctl_get_interface_level(a->controller, &level);
    if (rc != CTL_OK)
        return rc;
    if (a->deviceIndex >= l.count)
        return CTLERR_NOT_AVAILABLE;
    rc = readList(a->controller, level, l);
    if (rc != CTL_OK)
        return rc;
    a->channelAddress = l.desc.address;
    a->deviceEntry = l.entry(a->deviceIndex);
    return CTL_OK;
}

CtlResult ctl_find_device(uint16_t c, uint32_t address, uint16_t* channelIndex, uint16_t* deviceIndex)
{
    uint16_t channels = 0;
    CtlResult rc = ctl_count_channels(c, &channels);
    if (rc != CTL_OK)
        return rc;
    uint32_t level = 0;
    rc = ctl_get_interface_level(c, &level);
    if (rc != CTL_OK)
        return rc;
    for (uint16_t ch = 0; ch < channels && ch <= 0xFF; ++ch) {
        DeviceList l;
        rc = channelDevices(c, static_cast<uint8_t>(ch), l);
        if (rc == CTL_OK)
            rc = readList(c, level, l);
        if (rc != CTL_OK)
            return rc;
        if (l.desc.address != (address & 0xFFFF0000))
            continue;
        for (uint32_t i = 0; i < l.count; ++i) {
            if (l.entry(i) == (address & 0xFFFF)) {
                if (channelIndex != nullptr)
                    *channelIndex = ch;
                if (deviceIndex != nullptr)
                    *deviceIndex = static_cast<uint16_t>(i);
                return CTL_OK;
            }
        }
    }
    return CTLERR_NOT_AVAILABLE;
}

CtlResult ctl_device_cmd_17(const DeviceRef& d)
{
    return onDevice(CtlCmd::ctl_addr_cmd_17, d, d.node, nullptr, 0);
}

CtlResult ctl_device_cmd_18(const DeviceRef& d)
{
    return onDevice(CtlCmd::ctl_addr_cmd_18, d, d.node, nullptr, 0);
}

CtlResult ctl_get_defect_count(const DeviceRef& d, uint8_t* param8)
{
    return onDevice(CtlCmd::ctl_addr_read_15, d, d.node, param8, 0);
}

CtlResult ctl_device_read_16(const DeviceRef& d, void* param, uint16_t size)
{
    return onDevice(CtlCmd::ctl_addr_read_16, d, d.node, param, size);
}

CtlResult ctl_device_cmd_0e(const DeviceRef& d)
{
    return onDevice(CtlCmd::ctl_addr_cmd_0e, d, 0, nullptr, 0);
}

CtlResult ctl_device_cmd_0d(const DeviceRef& d)
{
    return onDevice(CtlCmd::ctl_addr_cmd_0d, d, 0, nullptr, 0);
}

CtlResult ctl_device_cmd_08(const DeviceRef& d)
{
    return onDevice(CtlCmd::ctl_addr_cmd_08, d, d.node, nullptr, 0);
}

CtlResult ctl_device_cmd_13(const DeviceRef& d)
{
    return onDevice(CtlCmd::ctl_addr_cmd_13, d, d.node, nullptr, 0);
}

CtlResult ctl_get_device_record_27(const DeviceRef& d, void* param, uint16_t size)
{
    return onDevice(CtlCmd::ctl_addr_read_27, d, d.node, param, size);
}

CtlResult ctl_set_device_byte_12(const DeviceRef& d, uint8_t* byte)
{
    return onDevice(CtlCmd::ctl_addr_set_byte_12, d, 0, byte, 0);
}

void ctl_device_info_to_controller(uint32_t level, const uint8_t* caller, uint8_t* controller)
{
    std::memset(controller, 0, DEVICE_INFO_SIZE);
    if (level == LEVEL_OLD_LISTS) {
        std::memcpy(controller, caller, 51);
    } else if (level == 263 || level == 512) {
        for (const DeviceField& f : kLayout263)
            std::memcpy(controller + f.controller, caller + f.caller, f.size);
    } else {
        std::memcpy(controller, caller, DEVICE_INFO_SIZE);
    }
}

void ctl_device_info_from_controller(uint32_t level, const uint8_t* controller, uint8_t* caller)
{
    if (level == LEVEL_OLD_LISTS) {
        std::memcpy(caller, controller, 51);
    } else if (level == 263 || level == 512) {
        for (const DeviceField& f : kLayout263)
            std::memcpy(caller + f.caller, controller + f.controller, f.size);
    } else {
        std::memcpy(caller, controller, DEVICE_INFO_SIZE);
        if ((level & 0xFF) <= 18) {
            wire::put32(caller, 76, 0);
            caller[80] = 0;
        }
    }
}

CtlResult ctl_get_device_info(const DeviceRef& d, uint8_t* info112)
{
    if (info112 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint32_t address = 0;
    uint32_t level = 0;
    CtlResult rc = addressAndLevel(d, &address, &level);
    if (rc != CTL_OK)
        return rc;
    uint8_t buf[DEVICE_INFO_SIZE] = {};
    rc = ctl_addr_get_device_info(d.controller, d.node, address, buf);
    if (rc != CTL_OK)
        return rc;
    ctl_device_info_from_controller(level, buf, info112);
    return CTL_OK;
}

CtlResult ctl_set_device_info(const DeviceRef& d, const uint8_t* info112)
{
    if (info112 == nullptr)
        return CTLERR_BAD_ARGUMENT;
    uint32_t address = 0;
    uint32_t level = 0;
    CtlResult rc = addressAndLevel(d, &address, &level);
    if (rc != CTL_OK)
        return rc;
    uint8_t buf[DEVICE_INFO_SIZE];
    ctl_device_info_to_controller(level, info112, buf);
    return ctl_addr_set_device_info(d.controller, d.node, address, buf);
}

CtlResult ctl_get_disk_ownership(uint16_t c, uint8_t channelIndex, uint16_t deviceIndex, void* p)
{
    if (p == nullptr)
        return CTLERR_BAD_ARGUMENT;
    DriveAddress a;
    a.controller = c;
    a.channelIndex = channelIndex;
    a.deviceIndex = deviceIndex;
    CtlResult rc = ctl_resolve_device(&a);
    if (rc != CTL_OK)
        return rc;
    wire::put32(static_cast<uint8_t*>(p), 0, a.deviceAddress());
    return ctl_send_ioctl(CtlCmd::ctl_get_disk_ownership, c, 0, 0, p, 0);
}
