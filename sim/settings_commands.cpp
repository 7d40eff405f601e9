#include "settings_commands.h"

#include "config_access.h"
#include "device_scan.h"

#include <byte_order.h>

namespace kzmsim {

namespace {

constexpr uint32_t CONTROLLER_TARGET = 0xFFFF;

bool zeroWord(const IoctlCall& c)
{
    return wire::get32(c.param.data(), 0) == 0;
}

}  // namespace

uint32_t commitConfigPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!zeroWord(c) || fw.access.page != PageStep::Written)
        return FW_STATUS_BAD_RECORD;
    fw.access.page = PageStep::Committed;
    return FW_STATUS_OK;
}

uint32_t finishConfigPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!zeroWord(c) || fw.access.page != PageStep::Committed)
        return FW_STATUS_BAD_RECORD;
    fw.access.page = PageStep::None;
    return FW_STATUS_OK;
}

uint32_t driveByteCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // Only the controller's own value is known: byte 0 = 0 prepares loading every drive.
    if (c.target != CONTROLLER_TARGET)
        return FW_STATUS_INVALID_TARGET;
    if (c.param[0] != 0)
        return FW_STATUS_BAD_RECORD;
    fw.access.loadAll = true;
    return FW_STATUS_OK;
}

uint32_t commitConfigurationCmd(ControllerFirmware& fw, IoctlCall&)
{
    // After 0x0B the controller reads every disk again: disks inserted
    // since the last scan join their channels.
    if (fw.access.loadAll) {
        for (Channel& ch : fw.channels)
            joinUnscanned(ch, ALL_UNSCANNED);
        fw.access.loadAll = false;
    }
    return FW_STATUS_OK;
}

}  // namespace kzmsim
