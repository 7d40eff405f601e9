#include "device_commands.h"
#include "command_words.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

constexpr uint8_t BLOCK_READ_MODE_NEW = 14;  // the read mode level-30 firmware also takes


// Device information offsets (newest layout) this file changes.
constexpr size_t DI_TYPE = 48;
constexpr size_t DI_LOCKED = 51;
constexpr size_t DI_MODE = 52;
constexpr size_t DI_DEVICE_BYTE = 59;
constexpr size_t DI_SURFACE_ERRORS = 64;
constexpr size_t DI_SURFACE_SECOND = 68;
constexpr size_t DI_SURFACE_PERCENT = 72;
constexpr size_t DI_SURFACE_RUNNING = 73;
constexpr size_t DI_FORMAT = 103;

constexpr uint8_t TYPE_DISK = 0;
constexpr uint8_t MODE_ASKED_SETTLES = 17;
constexpr size_t DEFECT_RECORD_SIZE = 8;
constexpr uint8_t PAGE_GROWN = 8;
constexpr uint8_t PAGE_PRIMARY = 16;
constexpr size_t PRESENCE_SIZE = 4;
constexpr uint32_t OWNERSHIP_TARGET = 0xFFFFFFFF;
constexpr size_t BLOCK_READ_HEAD = 17;
constexpr size_t BLOCK = 512;
constexpr size_t IDENTIFY_HEAD = 24;
constexpr size_t IDENTIFY_ENTRY = 8;
constexpr uint32_t IDENTIFY_WORD = 10;

// The device a device-addressed command names; status 0x0006 for none.
Device* addressed(ControllerFirmware& fw, const IoctlCall& c, uint32_t& status)
{
    Device* d = (c.target & 0xFFFF) == 0xFFFF ? nullptr : fw.device(c.target);
    status = d ? FW_STATUS_OK : FW_STATUS_INVALID_TARGET;
    return d;
}

// The disk a disk command of parameter size `size` names, checked in the
// order a controller checks: size, device, device type; status otherwise.
Device* addressedDisk(ControllerFirmware& fw, const IoctlCall& c, size_t size, uint32_t& status)
{
    if (c.param.size() != size) {
        status = FW_STATUS_BAD_RECORD;
        return nullptr;
    }
    Device* d = addressed(fw, c, status);
    if (d && d->info[DI_TYPE] != TYPE_DISK) {
        status = FW_STATUS_INVALID_TARGET;
        return nullptr;
    }
    return d;
}

// The channel a channel-addressed command names (its address with the low half 0xFFFF).
Channel* addressedChannel(ControllerFirmware& fw, const IoctlCall& c)
{
    return (c.target & 0xFFFF) == 0xFFFF ? fw.channelOf(c.target) : nullptr;
}

// Shows a started check: running flag on, percent from 0.
void showStarted(Device& d)
{
    d.state.surface.started = std::time(nullptr);
    d.info[DI_SURFACE_RUNNING] = 1;
    d.info[DI_SURFACE_PERCENT] = 0;
}

// Ends the check; a finished one reports what it found, an aborted one nothing.
void endCheck(Device& d, bool finished)
{
    SurfaceCheck& s = d.state.surface;
    s.running = false;
    s.aborting = false;
    s.percent = 100;
    d.info[DI_SURFACE_RUNNING] = 0;
    d.info[DI_SURFACE_PERCENT] = 100;
    wire::put32(d.info.data(), DI_SURFACE_ERRORS, finished ? s.found : 0);
    wire::put32(d.info.data(), DI_SURFACE_SECOND, finished ? s.foundSecond : 0);
}

}  // namespace

void advanceSurfaceCheck(ControllerFirmware& fw, uint32_t address)
{
    Device* d = fw.device(address);
    if (!d || !d->state.surface.running)
        return;
    SurfaceCheck& s = d->state.surface;
    if (s.delay > 0) {
        if (--s.delay > 0)
            return;
        if (s.aborting)
            endCheck(*d, false);
        else
            showStarted(*d);
        return;
    }
    if (s.aborting) {
        endCheck(*d, false);
        return;
    }
    const SurfaceCheckSpec& wanted = fw.identity.surfaceCheck;
    if (wanted.seconds > 0) {
        const auto elapsed = static_cast<uint64_t>(std::max<std::time_t>(0, std::time(nullptr) - s.started));
        s.percent = static_cast<uint32_t>(std::min<uint64_t>(100, elapsed * 100 / wanted.seconds));
    } else {
        s.percent = std::min<uint32_t>(100, s.percent + wanted.step);
    }
    if (s.percent >= 100)
        endCheck(*d, true);
    else
        d->info[DI_SURFACE_PERCENT] = static_cast<uint8_t>(s.percent);
}

void initialiseDisk(ControllerFirmware& fw, Device& dev, const DeviceInfoBytes& written)
{
    if (dev.info[DI_TYPE] != TYPE_DISK)
        return;
    if (written[DI_MODE] == MODE_ASKED_SETTLES && dev.state.modeFor17)
        dev.info[DI_MODE] = *dev.state.modeFor17;
    markInitialised(fw, dev, dev.info[DI_FORMAT] == 1 || dev.info[DI_FORMAT] == 2 ? dev.info[DI_FORMAT] : 2);
}

void markInitialised(ControllerFirmware& fw, Device& dev, uint8_t format)
{
    dev.info[DI_INITIALISED] = 1;
    dev.info[DI_DEVICE_BYTE] = 0;
    dev.info[DI_FORMAT] = format;
    wire::put32(dev.state.ownership.data(), 0, fw.identity.board.serial);
}

uint32_t deinitialiseCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t status;
    Device* d = addressedDisk(fw, c, 0, status);
    if (!d)
        return status;
    if (fw.driveOfDevice(c.target) >= 0)
        return FW_STATUS_IN_USE;
    if (d->state.failed)
        return FW_STATUS_NOT_READY;
    d->info[DI_INITIALISED] = 0;
    d->info[DI_DEVICE_BYTE] = 0;
    d->state.ownership.fill(0);
    return ok();
}

uint32_t lockCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t status;
    Device* d = addressedDisk(fw, c, 0, status);
    if (!d)
        return status;
    if (d->state.locked)
        return FW_STATUS_IN_USE;
    d->state.locked = true;
    d->info[DI_LOCKED] = 1;
    return ok();
}

uint32_t unlockCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t status;
    Device* d = addressedDisk(fw, c, 0, status);
    if (!d)
        return status;
    if (!d->state.locked)
        return FW_STATUS_BAD_RECORD;
    d->state.locked = false;
    d->info[DI_LOCKED] = 0;
    return ok();
}

uint32_t deviceByteCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != 1)
        return FW_STATUS_BAD_RECORD;
    uint32_t status;
    Device* d = addressed(fw, c, status);
    if (!d)
        return status;
    d->info[DI_DEVICE_BYTE] = c.param[0];
    return ok();
}

uint32_t surfaceStartCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t status;
    Device* d = addressedDisk(fw, c, 0, status);
    if (!d)
        return status;
    if (d->state.failed)
        return FW_STATUS_NOT_READY;
    if (fw.driveOfDevice(c.target) >= 0 || d->state.surface.running)
        return FW_STATUS_IN_USE;
    SurfaceCheck& s = d->state.surface;
    s.running = true;
    s.aborting = false;
    s.percent = 0;
    s.delay = fw.identity.surfaceCheck.delay;
    wire::put32(d->info.data(), DI_SURFACE_ERRORS, 0);
    wire::put32(d->info.data(), DI_SURFACE_SECOND, 0);
    if (s.delay == 0)
        showStarted(*d);
    return ok();
}

uint32_t surfaceAbortCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t status;
    Device* d = addressedDisk(fw, c, 0, status);
    if (!d)
        return status;
    SurfaceCheck& s = d->state.surface;
    if (!s.running || s.aborting)
        return FW_STATUS_BAD_RECORD;
    s.aborting = true;
    s.delay = fw.identity.surfaceCheck.delay;
    if (s.delay == 0)
        endCheck(*d, false);
    return ok();
}

uint32_t defectCountCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t status;
    Device* d = addressedDisk(fw, c, DEFECT_RECORD_SIZE, status);
    if (!d)
        return status;
    if (d->state.failed || d->info[DI_READY] == 0)
        return FW_STATUS_NOT_READY;
    const uint8_t page = c.param[0];
    if (page != PAGE_GROWN && page != PAGE_PRIMARY)
        return FW_STATUS_BAD_RECORD;
    wire::put32(c.param.data(), 4, page == PAGE_GROWN ? d->state.grownDefects : d->state.primaryDefects);
    return ok();
}

uint32_t presenceCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != PRESENCE_SIZE)
        return FW_STATUS_BAD_RECORD;
    const Channel* ch = addressedChannel(fw, c);
    if (!ch || ch->number != c.param[0])
        return FW_STATUS_INVALID_TARGET;
    const uint32_t address = ch->address | static_cast<uint32_t>(c.param[1]) << 8 | c.param[2];
    // The bus answers for a disk that no scan has found yet as well.
    c.param[3] = fw.deviceAt(address) || fw.unscannedAt(address) ? 1 : 0;
    return ok();
}

uint32_t ownershipCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != OWNERSHIP_SIZE)
        return FW_STATUS_BAD_RECORD;
    if (c.target != OWNERSHIP_TARGET)
        return FW_STATUS_INVALID_TARGET;
    const uint32_t address = wire::get32(c.param.data(), 0);
    const Device* d = (address & 0xFFFF) == 0xFFFF ? nullptr : fw.deviceAt(address);
    if (!d || d->info[DI_TYPE] != TYPE_DISK)
        return FW_STATUS_INVALID_TARGET;
    std::copy(d->state.ownership.begin(), d->state.ownership.end(), c.param.begin());
    return ok();
}

uint32_t blockReadCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint8_t* p = c.param.data();
    if (c.param.size() < BLOCK_READ_HEAD + BLOCK)
        return FW_STATUS_BAD_RECORD;
    const uint32_t first = wire::get32(p, 4);
    const uint32_t count = wire::get32(p, 8);
    if (count == 0 || c.param.size() != BLOCK_READ_HEAD + static_cast<uint64_t>(count) * BLOCK ||
        (p[12] != 1 && !(p[12] == BLOCK_READ_MODE_NEW && (fw.identity.interfaceLevel & 0xFF) >= 30)) || p[13] != 0 ||
        p[14] != 0)
        return FW_STATUS_BAD_RECORD;
    uint32_t status;
    Device* d = addressedDisk(fw, c, c.param.size(), status);
    if (!d)
        return status;
    if (d->state.failed || d->info[DI_READY] == 0)
        return FW_STATUS_NOT_READY;
    if (static_cast<uint64_t>(first) + count > wire::get32(d->info.data(), DI_CAPACITY))
        return FW_STATUS_BAD_RECORD;
    // A disk's blocks read as zeros with the block number and the device address in front.
    std::fill(c.param.begin() + BLOCK_READ_HEAD, c.param.end(), 0);
    for (uint32_t i = 0; i < count; ++i) {
        wire::put32(p, BLOCK_READ_HEAD + i * BLOCK, first + i);
        wire::put32(p, BLOCK_READ_HEAD + i * BLOCK + 4, c.target);
    }
    return ok();
}

uint32_t identifyCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const uint8_t* p = c.param.data();
    if (c.param.size() < IDENTIFY_HEAD + IDENTIFY_ENTRY)
        return FW_STATUS_BAD_RECORD;
    const uint32_t count = wire::get32(p, 8);
    if (count == 0 || c.param.size() != IDENTIFY_HEAD + static_cast<uint64_t>(count) * IDENTIFY_ENTRY ||
        p[0] != 1 || p[2] != 1 || p[3] != 1 || wire::get32(p, 12) != IDENTIFY_WORD)
        return FW_STATUS_BAD_RECORD;
    const Channel* ch = addressedChannel(fw, c);
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    std::vector<Device*> named;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t e = IDENTIFY_HEAD + i * IDENTIFY_ENTRY;
        Device* d = p[e] == ch->number ? fw.device(ch->address | static_cast<uint32_t>(p[e + 1]) << 8 | p[e + 2])
                                       : nullptr;
        if (!d)
            return FW_STATUS_INVALID_TARGET;
        named.push_back(d);
    }
    for (Device* d : named)
        ++d->state.identifyCount;
    return ok();
}

}  // namespace kzmsim
