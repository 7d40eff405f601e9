#include "config_access.h"

#include "command_row.h"
#include "command_words.h"
#include "controller_firmware.h"
#include "drive_config.h"

#include <byte_order.h>

#include <cstdio>

namespace kzmsim {

namespace {

// True while someone outside the program holds host drive d (or every host drive).
bool heldElsewhere(const AccessState& a, uint32_t d)
{
    if (d == WHOLE_CONFIGURATION)
        return !a.holds.empty();
    return a.holds.count(d) != 0 || a.holds.count(WHOLE_CONFIGURATION) != 0;
}

// The host drive of a lock record: u32 0, which must be the target as well.
bool lockedDrive(const IoctlCall& c, uint32_t& d)
{
    d = wire::get32(c.param.data(), 0);
    return d == c.target;
}

// Access keys and the bracket: they take access, they change no configuration.
bool isAccessKey(uint32_t key)
{
    switch (key) {
    case 0x0C: case 0x0D: case 0x70: case 0x71: case 0x72: case 0x73:
        return true;
    default:
        return false;
    }
}

// Configuration changes: writes that name a drive, array or host drive, the
// drive creation and the pool hot fix commands.
bool changesConfiguration(const IoctlCommand& row)
{
    if (row.direction != Direction::Writes || isAccessKey(row.key))
        return false;
    return row.target == TargetRule::Number || row.key == 0x0E || row.key == 0x60 || row.key == 0x61;
}

bool isHostDriveCommand(uint32_t key)
{
    return (key & 0xFFFF0000) == 0x10010000;
}

std::string hex32(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "0x%08X", v);
    return b;
}

// Drives stay prepared for maintenance only while the controller is in
// Maintenance Mode or holds a host drive lock.
void dropPreparedWhenFree(AccessState& a)
{
    if (!a.maintenance && a.locks.empty())
        a.prepared.clear();
}

std::string driveWord(uint32_t d)
{
    return d == WHOLE_CONFIGURATION ? "all" : std::to_string(d);
}

}  // namespace

uint32_t lockConfigurationCmd(ControllerFirmware& fw, IoctlCall&)
{
    if (!fw.access.holds.empty())
        return FW_STATUS_LOCKED;
    fw.access.maintenance = true;
    return ok();
}

uint32_t unlockConfigurationCmd(ControllerFirmware& fw, IoctlCall&)
{
    if (!fw.access.maintenance)
        return FW_STATUS_BAD_RECORD;
    fw.access.maintenance = false;
    dropPreparedWhenFree(fw.access);
    return ok();
}

uint32_t lockAccessCmd(ControllerFirmware& fw, IoctlCall&)
{
    if (fw.access.nesting == 0 && !fw.access.holds.empty())
        return FW_STATUS_LOCKED;
    ++fw.access.nesting;
    return ok();
}

uint32_t unlockAccessCmd(ControllerFirmware& fw, IoctlCall&)
{
    if (fw.access.nesting == 0)
        return FW_STATUS_BAD_RECORD;
    --fw.access.nesting;
    return ok();
}

uint32_t lockHostDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t d = 0;
    if (!lockedDrive(c, d))
        return FW_STATUS_BAD_RECORD;
    if (heldElsewhere(fw.access, d))
        return FW_STATUS_LOCKED;
    fw.access.locks.insert(d);
    return ok();
}

uint32_t unlockHostDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t d = 0;
    if (!lockedDrive(c, d))
        return FW_STATUS_BAD_RECORD;
    if (d == WHOLE_CONFIGURATION) {
        // Unlocking the whole configuration gives back every lock.
        if (fw.access.locks.empty())
            return FW_STATUS_BAD_RECORD;
        fw.access.locks.clear();
        dropPreparedWhenFree(fw.access);
        return ok();
    }
    if (fw.access.locks.erase(d) != 1)
        return FW_STATUS_BAD_RECORD;
    dropPreparedWhenFree(fw.access);
    return ok();
}

uint32_t prepareDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // A logical drive, prepared only inside Maintenance Mode or a host drive lock.
    if (c.target > MAX_DRIVE_NUMBER || !findDrive(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    if (!fw.access.maintenance && fw.access.locks.empty())
        return FW_STATUS_BAD_RECORD;
    fw.access.prepared.insert(c.target);
    return ok();
}

uint32_t beginDiskChangeCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param[0] != 0 || fw.access.diskChange)
        return FW_STATUS_BAD_RECORD;
    fw.access.diskChange = true;
    return ok();
}

uint32_t endDiskChangeCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param[0] != 0 || !fw.access.diskChange)
        return FW_STATUS_BAD_RECORD;
    fw.access.diskChange = false;
    return ok();
}

void resetHostDriveAccess(AccessState& a, uint16_t d)
{
    if (d == 0xFFFF)
        a.holds.clear();
    else
        a.holds.erase(d);
}

void checkConfigurationAccess(ControllerFirmware& fw, const IoctlCommand& row, const IoctlCall& c)
{
    if (!fw.identity.strict || !changesConfiguration(row))
        return;
    const AccessState& a = fw.access;
    bool allowed = a.maintenance || a.locks.count(WHOLE_CONFIGURATION) != 0;
    if (isHostDriveCommand(row.key))
        allowed = allowed || a.locks.count(c.target) != 0;
    else
        allowed = allowed || !a.locks.empty() || a.nesting > 0;
    if (!allowed)
        fw.access.faults.push_back("fault " + hex32(row.key) + " " + hex32(c.target));
}

std::vector<std::string> accessStateLines(int entry, const AccessState& a)
{
    std::vector<std::string> lines;
    const std::string e = std::to_string(entry) + " ";
    if (a.maintenance)
        lines.push_back(e + "maintenance");
    if (a.nesting > 0)
        lines.push_back(e + "access " + std::to_string(a.nesting));
    for (uint32_t d : a.locks)
        lines.push_back(e + "lock " + driveWord(d));
    for (uint32_t d : a.holds)
        lines.push_back(e + "hold " + driveWord(d));
    for (uint32_t d : a.prepared)
        lines.push_back(e + "prepared " + std::to_string(d));
    if (a.diskChange)
        lines.push_back(e + "diskchange");
    if (a.page == PageStep::Written)
        lines.push_back(e + "page written");
    else if (a.page == PageStep::Committed)
        lines.push_back(e + "page committed");
    if (a.loadAll)
        lines.push_back(e + "loadall");
    for (const std::string& f : a.faults)
        lines.push_back(e + f);
    return lines;
}

}  // namespace kzmsim
