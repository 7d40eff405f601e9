#include "settings_commands.h"

#include "command_words.h"
#include "config_access.h"
#include "device_scan.h"
#include "drive_commands.h"
#include "flash_memory.h"

#include <byte_order.h>

namespace kzmsim {

namespace {
constexpr uint16_t STATUS_PAGE_TO_FLASH = 0xFFF4;  // write the page through a flash session first
constexpr size_t COMMIT_RECORD_SIZE = 44;

bool zeroWord(const IoctlCall& c)
{
    return wire::get32(c.param.data(), 0) == 0;
}

}  // namespace

uint32_t commitConfigPageCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!zeroWord(c) || fw.access.page != PageStep::Written)
        return FW_STATUS_BAD_RECORD;
    if (fw.identity.pagesToFlash && !fw.access.pageFlashed)
        return STATUS_PAGE_TO_FLASH;
    fw.access.page = PageStep::Committed;
    return FW_STATUS_OK;
}

uint32_t commitRecordCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // {u32 44, u32 1, the log state word at 8, the session handle at 24}, while
    // a written page waits for its flash round.
    const uint8_t* r = c.param.data();
    if (wire::get32(r, 0) != COMMIT_RECORD_SIZE || wire::get32(r, 4) != 1 || wire::get32(r, 8) != fw.logState ||
        fw.access.page != PageStep::Written || !fw.identity.pagesToFlash)
        return FW_STATUS_BAD_RECORD;
    const uint32_t handle = wire::get32(r, 24);
    if (handle == NO_FLASH_HANDLE || handle != fw.flash.handle)
        return FW_STATUS_BAD_RECORD;
    for (size_t i = 12; i < COMMIT_RECORD_SIZE; ++i)
        if (i < 24 || i >= 28)
            if (r[i] != 0)
                return FW_STATUS_BAD_RECORD;
    fw.access.pageFlashHandle = handle;
    return FW_STATUS_OK;
}

void noteFlashSessionClosed(ControllerFirmware& fw, uint32_t handle)
{
    if (fw.access.pageFlashHandle == handle && fw.flash.sessionOpen)
        fw.access.pageFlashed = true;
    fw.access.pageFlashHandle = NO_FLASH_HANDLE;
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

uint32_t commitConfigurationCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // After 0x0B the controller reads every disk again: disks inserted
    // since the last scan join their channels.
    if (fw.access.loadAll) {
        for (Channel& ch : fw.channels)
            joinUnscanned(ch, ALL_UNSCANNED);
        fw.access.loadAll = false;
    }
    return commitCmd(fw, c);  // the drive configuration's commit
}

}  // namespace kzmsim
