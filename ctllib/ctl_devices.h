// Devices by position: resolving (channel index, device index) to a device
// address and back, and the commands on resolved devices.
#pragma once

#include "ctl_errors.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t CHANNEL_MAX_DEVICES = 1024;  // more is taken as a controller fault
constexpr size_t DEVICE_INFO_SIZE = 112;

// In: controller, channel index, device index. Out: the device entry and the
// channel address; the device address is their OR.
struct DriveAddress {
    uint16_t controller = 0;
    uint8_t channelIndex = 0;
    uint16_t deviceIndex = 0;
    uint32_t deviceEntry = 0;
    uint32_t channelAddress = 0;
    uint32_t deviceAddress() const { return deviceEntry | channelAddress; }
};

// A device by position, with the board node its commands carry.
struct DeviceRef {
    uint16_t controller = 0;
    uint16_t node = 0;
    uint16_t channelIndex = 0;
    uint16_t deviceIndex = 0;
};

// Resolves a position to its address; CTLERR_NOT_AVAILABLE for a device
// index not below the channel's device count.
CtlResult ctl_resolve_device(DriveAddress* a);
// Finds the position of a device address; CTLERR_NOT_AVAILABLE when no
// channel lists it.
CtlResult ctl_find_device(uint16_t c, uint32_t address, uint16_t* channelIndex, uint16_t* deviceIndex);

// 0x20000017 on the device (the reference's node).
CtlResult ctl_device_cmd_17(const DeviceRef& d);
// 0x20000018: disk surface check or initialise.
CtlResult ctl_device_cmd_18(const DeviceRef& d);
// 0x20000015: 8-byte defect list parameter in and out.
CtlResult ctl_get_defect_count(const DeviceRef& d, uint8_t* param8);
// 0x20000016: device read of `size` bytes.
CtlResult ctl_device_read_16(const DeviceRef& d, void* param, uint16_t size);
// 0x2000000E with node 0 (defect list operation).
CtlResult ctl_device_cmd_0e(const DeviceRef& d);
// 0x2000000D with node 0 (defect list operation).
CtlResult ctl_device_cmd_0d(const DeviceRef& d);
// 0x20000008: de-initialises a disk.
CtlResult ctl_device_cmd_08(const DeviceRef& d);
// 0x20000013 on the device.
CtlResult ctl_device_cmd_13(const DeviceRef& d);
// 0x20000027 with the caller's size.
CtlResult ctl_get_device_record_27(const DeviceRef& d, void* param, uint16_t size);
// 0x20000012 with node 0: writes one byte.
CtlResult ctl_set_device_byte_12(const DeviceRef& d, uint8_t* byte);
// 0x20000000: the device information in the newest 112-byte layout.
CtlResult ctl_get_device_info(const DeviceRef& d, uint8_t* info112);
// 0x20000002: writes the device information given in the newest layout.
CtlResult ctl_set_device_info(const DeviceRef& d, const uint8_t* info112);
// Key 0x10010007 on the resolved disk: its 16-byte host drive ownership record.
CtlResult ctl_get_disk_ownership(uint16_t c, uint8_t channelIndex, uint16_t deviceIndex, void* p);

// Device information conversion between the newest layout and the
// controller's layout of interface level `level`.
void ctl_device_info_to_controller(uint32_t level, const uint8_t* caller, uint8_t* controller);
void ctl_device_info_from_controller(uint32_t level, const uint8_t* controller, uint8_t* caller);
