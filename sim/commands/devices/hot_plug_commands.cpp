#include "hot_plug_commands.h"

#include "controller_firmware.h"
#include "array_config.h"
#include "device_commands.h"
#include "device_scan.h"
#include "drive_config.h"
#include "ioctl_handlers.h"

#include <byte_order.h>

#include <algorithm>

namespace kzmsim {

namespace {

constexpr uint32_t NO_DRIVE = 0xFFFFFFFF;  // slot request 0x10000002 names no drive
constexpr uint32_t LAST_DRIVE_NUMBER = 254;
constexpr size_t SLOT_HEAD = 4;            // channel, target ID, LUN, host drive count
constexpr size_t DISK_RECORD_SIZE = 16;
constexpr size_t INFO_PRESENT = 4;         // 0x23 reply bytes
constexpr size_t INFO_DISK = 12;
constexpr size_t INFO_READY = 46;
constexpr size_t INFO_FREE = 47;
constexpr size_t HOT_PLUG_INFO_CAPACITY = 52;
constexpr size_t INFO_SECTOR_SIZE = 56;
// Fibre Channel device map request (0x20000082).
constexpr uint8_t FC_KIND = 3;
constexpr size_t FC_SIZE_WORD = 4;
constexpr uint16_t FC_SIZE_VALUE = 0x20;
constexpr size_t FC_CHANNEL = 6;
constexpr uint32_t FC_LOOP = 1;
constexpr uint32_t FC_MAP = 2;
constexpr uint32_t FC_RELEASE = 3;
constexpr size_t FC_LOOP_AT = 8;
constexpr size_t FC_LOOP_BYTES = 8;
constexpr size_t FC_MAP_AT = 16;
constexpr size_t FC_MAP_SIZE = 16;
// Free target mask (0x75).
constexpr size_t MASK_ASKED = 1;
constexpr size_t MASK_COUNT = 2;
constexpr size_t MASK_BITS = 4;
constexpr uint8_t MASK_TARGETS = 128;

// The disk at (channel number, target ID, LUN), scanned or only inserted.
const Device* diskAt(ControllerFirmware& fw, uint8_t channel, uint8_t target, uint8_t lun)
{
    const Channel* ch = fw.channelByNumber(channel);
    if (!ch)
        return nullptr;
    const uint32_t address = ch->address | static_cast<uint32_t>(target) << 8 | lun;
    const Device* d = fw.deviceAt(address);
    if (!d)
        d = fw.unscannedAt(address);
    return d && d->info[48] == 0 ? d : nullptr;
}

}  // namespace

uint32_t beginHotPlugCmd(ControllerFirmware& fw, IoctlCall&)
{
    if (fw.hotPlug.active)
        return FW_STATUS_IN_USE;
    fw.hotPlug = HotPlugState{};
    fw.hotPlug.active = true;
    return FW_STATUS_OK;
}

uint32_t endHotPlugCmd(ControllerFirmware& fw, IoctlCall&)
{
    fw.hotPlug = HotPlugState{};
    return FW_STATUS_OK;
}

uint32_t hotPlugSlotCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!fw.hotPlug.active)
        return FW_STATUS_BAD_RECORD;
    if (c.key == 0x10000002 ? c.target != NO_DRIVE : !findDrive(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    const uint8_t* p = c.param.data();
    if (!fw.channelByNumber(p[0]) || p[2] != 0 || c.param[SLOT_HEAD + p[3]] != 0)
        return FW_STATUS_BAD_RECORD;
    fw.hotPlug.slotChannel = p[0];
    fw.hotPlug.slotTarget = p[1];
    return FW_STATUS_OK;
}

uint32_t hotPlugInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!fw.hotPlug.active)
        return FW_STATUS_BAD_RECORD;
    uint8_t* p = c.param.data();
    std::fill(c.param.begin() + SLOT_HEAD, c.param.end(), 0);
    if (!fw.channelByNumber(p[0]))
        return FW_STATUS_INVALID_TARGET;
    const Device* d = diskAt(fw, p[0], p[1], p[2]);
    if (!d)
        return FW_STATUS_OK;  // nothing plugged in: the flags stay 0
    const Channel* ch = fw.channelByNumber(p[0]);
    const uint32_t address = ch->address | d->entry;
    p[INFO_PRESENT] = 1;
    p[INFO_DISK] = 1;
    p[INFO_READY] = d->info[46] != 0 ? 1 : 0;
    // A disk no scan has found yet is new even where a failed drive lost its disk.
    p[INFO_FREE] = fw.unscannedAt(address) || fw.driveOfDevice(address) < 0 ? 1 : 0;
    wire::put32(p, HOT_PLUG_INFO_CAPACITY, wire::get32(d->info.data(), 40));
    wire::put32(p, INFO_SECTOR_SIZE, wire::get16(d->info.data(), 44));
    // Having read the disk at the slot, the controller knows it: it joins the list.
    if (fw.unscannedAt(address))
        joinUnscanned(*fw.channelByNumber(p[0]), d->entry);
    return FW_STATUS_OK;
}

namespace {

// Checks the hot plug disk record and makes a single-disk logical drive of
// its disk under its number; the status word. The disk may still be listed
// as the member of the drive it replaces.
uint32_t makeNewDrive(ControllerFirmware& fw, IoctlCall& c, uint32_t& number, int64_t replacing = -1)
{
    if (!fw.hotPlug.active || c.param.size() != DISK_RECORD_SIZE)
        return FW_STATUS_BAD_RECORD;
    const uint8_t* p = c.param.data();
    number = wire::get32(p, 0);
    if (wire::get32(p, 4) != 1 || wire::get32(p, 8) != 0 || (p[15] != 1 && p[15] != 2))
        return FW_STATUS_BAD_RECORD;
    if (number > LAST_DRIVE_NUMBER)
        return FW_STATUS_INVALID_TARGET;
    if (numberTaken(fw, number))
        return FW_STATUS_IN_USE;
    const Device* d = diskAt(fw, p[12], p[13], p[14]);
    if (!d || d->info[46] == 0)
        return FW_STATUS_INVALID_TARGET;
    Channel* ch = fw.channelByNumber(p[12]);
    const uint16_t entry = d->entry;
    const uint32_t address = ch->address | entry;
    // A failed drive whose disk was swapped for a new, uninitialised one
    // only remembers the place; the new disk is free.
    const int64_t owner = fw.driveOfDevice(address);
    const bool swapped = owner >= 0 && fw.logicalDrives.at(static_cast<uint32_t>(owner)).failed && d->info[47] == 0;
    if (owner >= 0 && owner != replacing && !swapped)
        return FW_STATUS_IN_USE;
    joinUnscanned(*ch, entry);  // the controller takes the new disk into its list
    // and initialises it in the record's disk format, as for a disk of any new drive.
    markInitialised(fw, *fw.device(address), p[15]);
    LogicalDrive drive;
    drive.number = number;
    drive.firstWords.push_back(0);
    drive.members.push_back(address);
    fw.logicalDrives[number] = std::move(drive);
    fw.commitPending = true;
    return FW_STATUS_OK;
}

}  // namespace

uint32_t hotPlugNewDriveCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint32_t number = 0;
    return makeNewDrive(fw, c, number);
}

uint32_t hotPlugFinishCmd(ControllerFirmware& fw, IoctlCall& c)
{
    // The target is the failed member; its array's slot takes the new disk.
    ArrayDrive* array = nullptr;
    ArraySlot* slot = nullptr;
    uint32_t arrayNumber = 0;
    for (auto& [n, a] : fw.arrays)
        for (ArraySlot& s : a.slots)
            if (s.drive == c.target) {
                array = &a;
                slot = &s;
                arrayNumber = n;
            }
    if (!findDrive(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    if (!array || !slot->failed || (array->flags & AFLAG_EXPANDING) != 0)
        return FW_STATUS_BAD_RECORD;
    if (c.param.size() == DISK_RECORD_SIZE) {
        const Device* d = diskAt(fw, c.param[12], c.param[13], c.param[14]);
        if (d && wire::get32(d->info.data(), 40) < memberCapacity(fw, *array, false))
            return FW_STATUS_BAD_RECORD;
    }
    uint32_t number = 0;
    if (const uint32_t status = makeNewDrive(fw, c, number, c.target); status != FW_STATUS_OK)
        return status;
    // The failed member gives way to the new drive.
    dropCarrierData(fw, c.target);
    fw.logicalDrives.erase(c.target);
    slot->drive = number;
    slot->failed = true;  // until the rebuild ends
    raiseArrayEvent(fw, EVT_ARRAY_REPLACED, arrayNumber, number);
    startRebuild(fw, arrayNumber);
    return FW_STATUS_OK;
}

uint32_t fcDeviceMapCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint8_t* p = c.param.data();
    const Channel* ch = addressedChannel(fw, c, p[FC_CHANNEL]);
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    if (ch->kind != FC_KIND || wire::get16(p, FC_SIZE_WORD) != FC_SIZE_VALUE)
        return FW_STATUS_BAD_RECORD;
    const auto index = static_cast<size_t>(ch - fw.channels.data());
    switch (wire::get32(p, 0)) {
    case FC_LOOP: {
        const auto it = fw.fcLoops.loops.find(index);
        const uint8_t mask = it != fw.fcLoops.loops.end() ? it->second
                             : ch->number < FC_LOOP_BYTES ? static_cast<uint8_t>(1u << ch->number) : 0;
        for (size_t i = 0; i < FC_LOOP_BYTES; ++i)
            p[FC_LOOP_AT + i] = (mask >> i) & 1;
        return FW_STATUS_OK;
    }
    case FC_MAP: {
        if (uint32_t& left = fw.fcLoops.unsettled[index]; left > 0) {
            --left;
            return FW_STATUS_IN_USE;  // the loop has not settled yet
        }
        std::fill(p + FC_MAP_AT, p + FC_MAP_AT + FC_MAP_SIZE, 0);
        for (const Device& d : ch->devices)
            if (d.info[46] != 0 && (d.entry >> 8) < FC_MAP_SIZE * 8)
                p[FC_MAP_AT + (d.entry >> 8) / 8] |= static_cast<uint8_t>(1u << ((d.entry >> 8) % 8));
        return FW_STATUS_OK;
    }
    case FC_RELEASE: {
        // Exactly one target is released.
        int bits = 0;
        for (size_t i = 0; i < FC_MAP_SIZE; ++i)
            for (uint8_t b = p[FC_MAP_AT + i]; b; b &= static_cast<uint8_t>(b - 1))
                ++bits;
        return bits == 1 ? FW_STATUS_OK : FW_STATUS_BAD_RECORD;
    }
    default:
        return FW_STATUS_BAD_RECORD;
    }
}

uint32_t freeTargetMaskCmd(ControllerFirmware& fw, IoctlCall& c)
{
    uint8_t* p = c.param.data();
    const Channel* ch = addressedChannel(fw, c, p[0]);
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t count = std::min(p[MASK_ASKED], MASK_TARGETS);
    p[MASK_COUNT] = count;
    p[3] = 0;
    std::fill(p + MASK_BITS, p + MASK_BITS + MASK_TARGETS / 8, 0);
    // Free: no device the controller has found sits at the ID (any LUN), and
    // it is not the controller's own ID. A disk no scan has found yet is not known.
    for (uint32_t t = 0; t < count; ++t) {
        bool taken = t == ch->ownId;
        for (const Device& d : ch->devices)
            taken = taken || (d.entry >> 8) == t;
        if (!taken)
            p[MASK_BITS + t / 8] |= static_cast<uint8_t>(1u << (t % 8));
    }
    return FW_STATUS_OK;
}

}  // namespace kzmsim
