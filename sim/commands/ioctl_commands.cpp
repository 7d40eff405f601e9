#include "ioctl_commands.h"

#include "array_commands.h"
#include "command_words.h"
#include "config_access.h"
#include "device_commands.h"
#include "device_scan.h"
#include "drive_commands.h"
#include "enclosure_commands.h"
#include "fault_bus.h"
#include "flash_commands.h"
#include "host_drive_commands.h"
#include "hot_plug_commands.h"
#include "ioctl_handlers.h"
#include "settings_commands.h"
#include "message_log.h"
#include "statistics_commands.h"

#include <byte_order.h>

#include <algorithm>
#include <iterator>

namespace kzmsim {

namespace {
constexpr uint32_t LOG_TARGET = 0x2FFFF;
constexpr uint32_t OWNER_TARGET = 0xFFFFFFFF;

constexpr Direction R = Direction::Reads;
constexpr Direction W = Direction::Writes;
constexpr Direction BY_RECORD = Direction::ByRecord;
constexpr SizeRule FIXED = SizeRule::Fixed;
constexpr SizeRule CALLER = SizeRule::Caller;
constexpr TargetRule NUMBER = TargetRule::Number;
constexpr TargetRule CTRL = TargetRule::Controller;
constexpr TargetRule LOG = TargetRule::Log;
constexpr TargetRule OWNER = TargetRule::Owner;
constexpr TargetRule CHANNEL = TargetRule::Channel;
constexpr TargetRule DEVICE = TargetRule::Device;

// The controller's commands. Rows without a handler are commands the
// emulated firmware has no behaviour for yet: checked, then answered 0x0009.
constexpr IoctlCommand kCommands[] = {
    // Controller commands; a number target names a drive.
    {0x01, R, FIXED, 4, CTRL, driveCountCmd},
    {0x02, R, CALLER, 0, CTRL, driveListCmd},        // 4 bytes per drive
    {0x03, W, FIXED, 0, CTRL, commitConfigurationCmd},  // commit configuration
    {0x04, R, FIXED, 36, CTRL, cacheInfoCmd},
    {0x05, W, FIXED, 12, CTRL, setCacheConfigCmd},
    {0x06, W, FIXED, 4, NUMBER, renumberDriveCmd},            // new host drive number
    {0x07, R, FIXED, 57, NUMBER, driveInfoCmd},
    {0x08, W, FIXED, 8, NUMBER, setDriveNameCmd},
    {0x09, W, FIXED, 0, NUMBER, removeMissingCmd},   // remove missing mirror components
    {0x0A, W, FIXED, 0, NUMBER, unloadHostDriveCmd},            // unload host drive
    {0x0B, R, FIXED, 1, NUMBER, driveByteCmd},
    {0x0C, W, FIXED, 0, CTRL, lockConfigurationCmd},    // lock configuration
    {0x0D, W, FIXED, 0, CTRL, unlockConfigurationCmd},  // unlock configuration
    {0x0E, W, CALLER, 0, CTRL, createDriveCmd},      // 12 + 8 bytes per member
    {0x0F, W, FIXED, 0, NUMBER, deleteDriveCmd},
    {0x10, W, FIXED, 4, NUMBER, attachComponentCmd},
    {0x11, W, FIXED, 4, NUMBER, takeOutComponentCmd},
    {0x12, W, FIXED, 0, NUMBER, prepareDriveCmd},       // prepare a drive for maintenance
    {0x15, R, FIXED, 4, CTRL, boardFeaturesCmd},
    {0x16, R, FIXED, 1, CTRL, getControllerOptionCmd},
    {0x17, W, FIXED, 1, CTRL, setControllerOptionCmd},
    {0x1E, R, FIXED, 4, NUMBER, usedCapacityCmd},
    {0x1F, W, FIXED, 4, NUMBER, setUsedCapacityCmd},
    {0x20, W, FIXED, 0, CTRL, beginHotPlugCmd},              // begin hot plug
    {0x21, W, FIXED, 0, CTRL, endHotPlugCmd},              // end hot plug
    {0x22, W, FIXED, 0, CTRL, nullptr},
    {0x23, R, FIXED, 172, CTRL, hotPlugInfoCmd},            // hot plug record
    {0x24, W, SizeRule::Rec12U16At4, 0, CTRL, hotPlugNewDriveCmd},
    {0x28, R, FIXED, 84, CTRL, boardInfoCmd},
    {0x29, R, FIXED, 380, CTRL, configPageACmd},
    {0x2A, R, FIXED, 380, CTRL, configPageBCmd},
    {0x2B, W, FIXED, 380, CTRL, setConfigPageCmd},
    {0x2C, W, FIXED, 4, CTRL, commitConfigPageCmd},     // configuration commit steps
    {0x2D, W, FIXED, 4, CTRL, finishConfigPageCmd},
    {0x2E, W, FIXED, 44, CTRL, commitRecordCmd},
    {0x2F, R, FIXED, 4, CTRL, nullptr},
    {0x30, R, CALLER, 0, CTRL, combinedStatisticsCmd},  // statistics of older firmware
    {0x31, R, FIXED, 72, CTRL, getSettingsPageCmd},
    {0x32, W, FIXED, 72, CTRL, setSettingsPageCmd},
    {0x33, W, FIXED, 72, CTRL, resetSettingsPageCmd},
    {0x34, R, FIXED, 16, CTRL, settingsRecordCmd},
    {0x3D, R, CALLER, 0, CTRL, logicalStatisticsCmd},  // 16 + 20 bytes per drive
    {0x3E, R, CALLER, 0, CTRL, statisticsBlockCmd},    // 184 bytes
    {0x3F, R, CALLER, 0, CTRL, hostStatisticsCmd},     // 16 + 20 bytes per drive
    {0x40, R, CALLER, 0, CTRL, readFlashCmd},             // flash steps
    {0x41, W, CALLER, 0, CTRL, writeFlashCmd},
    {0x42, R, CALLER, 0, CTRL, readComponentCmd},
    {0x44, R, FIXED, 4, CTRL, flashHandleCmd},
    {0x45, W, CALLER, 0, CTRL, nullptr},
    {0x46, W, CALLER, 0, CTRL, writeSessionCmd},
    {0x47, W, FIXED, 44, CTRL, openSessionCmd},
    {0x48, W, FIXED, 44, CTRL, closeSessionCmd},
    {0x49, R, FIXED, 8, CTRL, nullptr},
    {0x4C, W, FIXED, 44, CTRL, eraseFlashCmd},
    {0x4D, R, FIXED, 4, CTRL, flashEndCmd},
    {0x4E, R, FIXED, 16, CTRL, flashRecordCmd},
    {0x4F, W, FIXED, 44, CTRL, closeSessionCmd},
    {0x50, R, CALLER, 0, CTRL, faultBusStateCmd},    // fault bus state, 46 bytes
    {0x51, W, CALLER, 0, CTRL, faultBusTestCmd},     // fault bus test, 38 bytes
    {0x52, R, FIXED, 8, CTRL, nullptr},
    {0x5D, R, CALLER, 0, CTRL, channelDescriptionsCmd},  // 12 + 8 bytes per channel
    {0x5F, R, FIXED, 237, CTRL, boardDetailsCmd},
    {0x60, W, CALLER, 0, CTRL, addPoolHotFixCmd},    // pool hot fix drives
    {0x61, W, CALLER, 0, CTRL, removePoolHotFixCmd},
    {0x63, BY_RECORD, FIXED, 4, NUMBER, poolAccessCmd},  // pool access flag of a drive
    {0x6E, BY_RECORD, CALLER, 0, CTRL, controllerParamCmd},  // 10 bytes or more
    {0x6F, R, CALLER, 0, NUMBER, componentDisksCmd},
    {0x70, W, FIXED, 0, CTRL, lockAccessCmd},           // nested host drive lock
    {0x71, W, FIXED, 0, CTRL, unlockAccessCmd},
    {0x72, W, FIXED, 4, NUMBER, lockHostDriveCmd},     // lock one host drive
    {0x73, W, FIXED, 4, NUMBER, unlockHostDriveCmd},
    {0x74, R, FIXED, 4, NUMBER, scanNewDevicesCmd},    // scan for new devices
    {0x75, R, FIXED, 20, CHANNEL, freeTargetMaskCmd},  // free target mask
    {0x7E, W, FIXED, 4, CTRL, setLogStateCmd},
    {0x7F, R, CALLER, 0, CTRL, readMessageLogCmd},   // message log, 2048-byte rounds
    {0x80, R, SizeRule::Rec8U16At6, 0, CTRL, nullptr},
    {0x81, R, FIXED, 8, CTRL, nullptr},

    // Raw device commands.
    {0x80000005, R, CALLER, 0, NUMBER, memberListCmd},  // 8 bytes per member
    {0x8000000F, W, FIXED, 8, NUMBER, setDeviceNameCmd},
    {0xA000000E, R, FIXED, 4, NUMBER, nullptr},

    // Array drive commands; the target is the array drive number.
    {0x10000002, W, SizeRule::Rec5ByteAt3, 0, NUMBER, hotPlugSlotCmd},
    {0x10000003, W, SizeRule::Rec5ByteAt3, 0, NUMBER, hotPlugSlotCmd},
    {0x10000004, W, SizeRule::Rec12U16At4, 0, NUMBER, hotPlugFinishCmd},
    {0x10000009, W, FIXED, 4, NUMBER, arrayOrMirrorStateCmd},
    {0x1000000A, BY_RECORD, FIXED, 4, NUMBER, poolAccessCmd},  // pool access flag of an array
    {0x1000000F, R, CALLER, 0, NUMBER, arrayListCmd},
    {0x10000010, W, FIXED, 324, NUMBER, createArrayCmd},
    {0x10000011, W, FIXED, 0, NUMBER, removeArrayCmd},
    {0x10000012, R, FIXED, 324, NUMBER, arrayInfoCmd},
    {0x10000013, W, FIXED, 8, NUMBER, arrayNameCmd},
    {0x10000014, W, FIXED, 8, NUMBER, nullptr},
    {0x10000015, W, CALLER, 0, NUMBER, addArrayHotFixCmd},
    {0x10000016, W, CALLER, 0, NUMBER, removeArrayHotFixCmd},
    {0x10000018, W, FIXED, 16, NUMBER, replaceComponentCmd},
    {0x10000019, W, FIXED, 4, NUMBER, renumberDriveCmd},
    {0x1000001A, W, FIXED, 4, NUMBER, buildStateCmd},
    {0x1000001B, W, FIXED, 4, NUMBER, rebuildStateCmd},
    {0x1000001C, W, FIXED, 4, NUMBER, parityVerifyCmd},
    {0x10000028, W, FIXED, 324, NUMBER, patchArrayCmd},
    {0x1000002A, W, FIXED, 324, NUMBER, expandArrayCmd},
    {0x1000002B, R, FIXED, 4, NUMBER, expandProgressCmd},
    {0x1000002C, R, FIXED, 4, NUMBER, largestCapacityCmd},
    {0x1000002D, W, FIXED, 4, NUMBER, setArrayCapacityCmd},
    {0x1000002E, W, FIXED, 324, NUMBER, addParityCmd},
    {0x1000002F, W, FIXED, 0, NUMBER, removeRedundancyCmd},
    {0x10000030, W, FIXED, 0, NUMBER, mirrorsToRaid10Cmd},
    {0x10000031, W, FIXED, 0, NUMBER, raid10ToRaid0Cmd},
    {0x10000032, R, CALLER, 0, NUMBER, arrayDisksCmd},
    {0x10000033, W, FIXED, 4, NUMBER, buildStateCmd},
    {0x10000034, R, CALLER, 0, NUMBER, arrayListExtCmd},

    // Host drive commands; the target is a host drive or its carrying drive.
    {0x10010000, W, FIXED, 0, NUMBER, nullptr},
    {0x10010001, R, CALLER, 0, NUMBER, hostDriveTableCmd},  // host drive table
    {0x10010002, R, CALLER, 0, NUMBER, controllerHostTableCmd},
    {0x10010003, W, CALLER, 0, NUMBER, writeHostDriveTableCmd},
    {0x10010004, W, FIXED, 0, NUMBER, releaseHostDrivesCmd},
    {0x10010005, R, FIXED, 1, NUMBER, clusterEnabledCmd},      // cluster enabled
    {0x10010006, R, FIXED, 8, NUMBER, hostDriveRecordCmd},
    {0x10010007, R, FIXED, 16, OWNER, ownershipCmd},      // ownership record of a disk

    // Channel and device commands.
    {0x20000000, R, FIXED, 112, DEVICE, getDeviceInfoCmd},
    {0x20000001, W, FIXED, 112, DEVICE, nullptr},
    {0x20000002, W, FIXED, 112, DEVICE, setDeviceInfoCmd},
    {0x20000005, R, FIXED, 10, CHANNEL, channelInfoCmd},
    {0x20000006, R, CALLER, 0, CHANNEL, channelDeviceListCmd},
    {0x20000008, W, FIXED, 0, DEVICE, deinitialiseCmd},
    {0x2000000D, W, FIXED, 0, DEVICE, unlockCmd},
    {0x2000000E, W, FIXED, 0, DEVICE, lockCmd},
    {0x20000012, W, FIXED, 1, DEVICE, deviceByteCmd},
    {0x20000013, W, FIXED, 0, DEVICE, surfaceStartCmd},
    {0x20000014, R, FIXED, 4, CHANNEL, probeDeviceCmd},  // device probe of older firmware
    {0x20000015, R, FIXED, 8, DEVICE, defectCountCmd},
    {0x20000016, R, CALLER, 0, DEVICE, nullptr},
    {0x20000017, W, FIXED, 0, DEVICE, nullptr},
    {0x20000018, W, FIXED, 0, DEVICE, surfaceAbortCmd},
    {0x20000019, W, FIXED, 0, DEVICE, nullptr},
    {0x20000025, R, FIXED, 4, TargetRule::ChannelOrDevice, presenceCmd},
    {0x20000027, R, CALLER, 0, DEVICE, blockReadCmd},
    {0x2000002E, W, FIXED, 0, LOG, clearMessageLogCmd},  // clears the message log
    {0x2000002F, R, FIXED, 4, LOG, getLogStateCmd},
    {0x20000030, W, FIXED, 12, DEVICE, nullptr},
    {0x20000031, W, FIXED, 12, DEVICE, nullptr},
    {0x20000035, W, FIXED, 1, DEVICE, nullptr},
    {0x20000036, R, FIXED, 1, DEVICE, nullptr},
    {0x2000003E, R, FIXED, 20, CHANNEL, channelRecordCmd},
    {0x2000004B, R, CALLER, 0, CHANNEL, diskStatisticsCmd},  // disk statistics of a channel
    {0x20000050, R, FIXED, 4, CHANNEL, nullptr},
    {0x20000054, R, CALLER, 0, CHANNEL, identifyCmd},
    {0x20000080, R, FIXED, 138, CHANNEL, fcLoopCmd},
    {0x20000081, R, FIXED, 40, CHANNEL, fcPortCmd},
    {0x20000082, R, FIXED, 32, CHANNEL, fcDeviceMapCmd},    // device map

    // Enclosure and I/O processor commands; the record names the enclosure.
    {0x20000, R, FIXED, 51, CTRL, enclosureInfoCmd},
    {0x20001, R, FIXED, 10, CTRL, enclosureLayoutCmd},
    {0x20002, W, CALLER, 0, CTRL, enclosureQueryCmd},
    {0x20010, W, CALLER, 0, CTRL, slotMapOccupiedCmd},
    {0x20011, R, CALLER, 0, CTRL, slotOfDiskCmd},
    {0x20012, W, CALLER, 0, CTRL, slotMapCmd},
    {0x20020, W, CALLER, 0, CTRL, configWriteCmd},
    {0x20021, R, CALLER, 0, CTRL, configListCmd},
    {0x20022, R, FIXED, 8, CTRL, configSizeCmd},
    {0x20023, R, FIXED, 12, CTRL, configCountCmd},
    {0x20024, W, CALLER, 0, CTRL, configReleaseCmd},
    {0x20025, W, FIXED, 1, CTRL, configRemoveCmd},
    {0x20026, W, FIXED, 1, CTRL, beginDiskChangeCmd},  // disk change bracket
    {0x20027, W, FIXED, 1, CTRL, endDiskChangeCmd},
};

// True when the parameter size is one the row allows.
bool sizeFits(const IoctlCommand& row, const std::vector<uint8_t>& p)
{
    const size_t n = p.size();
    switch (row.sizeRule) {
    case SizeRule::Fixed:
        return n == row.size;
    case SizeRule::Caller:
        return true;
    case SizeRule::Rec12U16At4:
        return n >= 6 && n == 12 + 4 * static_cast<size_t>(wire::get16(p.data(), 4));
    case SizeRule::Rec5ByteAt3:
        return n >= 4 && n == 5 + static_cast<size_t>(p[3]);
    case SizeRule::Rec8U16At6:
        return n >= 8 && n == 8 + static_cast<size_t>(wire::get16(p.data(), 6));
    }
    return false;
}

bool isChannelTarget(const ControllerFirmware& fw, uint32_t t)
{
    return (t & 0xFFFF) == 0xFFFF && fw.channelAt(t) != nullptr;
}

// True when the target is one the row allows.
bool targetFits(const ControllerFirmware& fw, const IoctlCommand& row, uint32_t t)
{
    switch (row.target) {
    case TargetRule::Number:
        return true;
    case TargetRule::Controller:
        return t == CONTROLLER_TARGET;
    case TargetRule::Log:
        return t == LOG_TARGET;
    case TargetRule::Owner:
        return t == OWNER_TARGET;
    case TargetRule::Channel:
        return isChannelTarget(fw, t);
    case TargetRule::Device:
        return fw.deviceAt(t) != nullptr;
    case TargetRule::ChannelOrDevice:
        return isChannelTarget(fw, t) || fw.deviceAt(t) != nullptr;
    }
    return false;
}

}  // namespace

std::span<const IoctlCommand> ioctlCommands()
{
    return kCommands;
}

const IoctlCommand* findIoctlCommand(uint32_t key)
{
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [key](const IoctlCommand& c) { return c.key == key; });
    return it == std::end(kCommands) ? nullptr : it;
}

uint32_t runIoctlCommand(ControllerFirmware& fw, IoctlCall& call)
{
    const IoctlCommand* row = findIoctlCommand(call.key);
    if (!row || fw.unanswered(call.key))
        return FW_STATUS_NOT_SUPPORTED;
    if (!sizeFits(*row, call.param))
        return FW_STATUS_BAD_RECORD;
    if (!targetFits(fw, *row, call.target))
        return FW_STATUS_INVALID_TARGET;
    checkConfigurationAccess(fw, *row, call);
    return row->handler ? row->handler(fw, call) : FW_STATUS_NOT_SUPPORTED;
}

}  // namespace kzmsim
