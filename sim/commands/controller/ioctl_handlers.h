// Handlers of the controller, drive and channel commands: the behaviour the
// command table (ioctl_commands.cpp) gives their keys. Each returns the
// status word; the table has checked the key, the size rule and the target
// rule before a handler runs. Records: docs/firmware-layout.md.
#pragma once

#include "controller_firmware.h"

#include <cstdint>

namespace kzmsim {

// Reading partner of a store-and-read-back pair: answers the record kept under
// (key, target), zero padded (a scenario `records` entry presets it), else zeros.
uint32_t readKeptRecord(ControllerFirmware& fw, IoctlCall& c, uint32_t key);
// Writing partner: keeps the parameter record under (key, target) for the reader.
uint32_t keepRecord(ControllerFirmware& fw, IoctlCall& c, uint32_t key);

// The channel a channel-addressed request names by its number, when the
// target addresses that channel; nullptr otherwise (status 0x0006).
const Channel* addressedChannel(ControllerFirmware& fw, const IoctlCall& c, uint32_t number);

// Controller commands (keys 0x01 to 0x81, 0x80000005).
uint32_t driveCountCmd(ControllerFirmware& fw, IoctlCall& c);           // 0x01
uint32_t driveListCmd(ControllerFirmware& fw, IoctlCall& c);            // 0x02
uint32_t cacheInfoCmd(ControllerFirmware& fw, IoctlCall& c);            // 0x04
uint32_t setCacheConfigCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x05
uint32_t driveInfoCmd(ControllerFirmware& fw, IoctlCall& c);            // 0x07
uint32_t setDriveNameCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x08
uint32_t createDriveCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x0E
uint32_t boardFeaturesCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x15
uint32_t getControllerOptionCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x16
uint32_t setControllerOptionCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x17
uint32_t boardInfoCmd(ControllerFirmware& fw, IoctlCall& c);            // 0x28
uint32_t configPageACmd(ControllerFirmware& fw, IoctlCall& c);          // 0x29
uint32_t configPageBCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x2A
uint32_t setConfigPageCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x2B
uint32_t getSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x31
uint32_t setSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x32
uint32_t resetSettingsPageCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x33
uint32_t settingsRecordCmd(ControllerFirmware& fw, IoctlCall& c);       // 0x34
uint32_t flashRecordCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x4E
uint32_t channelDescriptionsCmd(ControllerFirmware& fw, IoctlCall& c);  // 0x5D
uint32_t boardDetailsCmd(ControllerFirmware& fw, IoctlCall& c);         // 0x5F
uint32_t controllerParamCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x6E
uint32_t setLogStateCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x7E
uint32_t memberListCmd(ControllerFirmware& fw, IoctlCall& c);           // 0x80000005

// Host drive commands.
uint32_t hostDriveRecordCmd(ControllerFirmware& fw, IoctlCall& c);      // 0x10010006

// Channel and device commands (keys 0x2000xxxx), enclosure record.
uint32_t getDeviceInfoCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20000000
uint32_t setDeviceInfoCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x20000002
uint32_t channelInfoCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x20000005
uint32_t channelDeviceListCmd(ControllerFirmware& fw, IoctlCall& c);    // 0x20000006
uint32_t getLogStateCmd(ControllerFirmware& fw, IoctlCall& c);          // 0x2000002F
uint32_t channelRecordCmd(ControllerFirmware& fw, IoctlCall& c);        // 0x2000003E
uint32_t fcLoopCmd(ControllerFirmware& fw, IoctlCall& c);               // 0x20000080
uint32_t fcPortCmd(ControllerFirmware& fw, IoctlCall& c);               // 0x20000081

}  // namespace kzmsim
