// Array expansions and conversions: the capacity the components allow,
// growing into it, adding drives (with or without a new RAID type) in three
// phases, adding a parity drive to RAID 0, removing the redundancy, and
// RAID 0 of mirrors to RAID 10 and back.
#include "array_commands.h"

#include "array_config.h"
#include "command_words.h"
#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>
#include <set>

namespace kzmsim {

namespace {
constexpr size_t HOST_ENTRY_SIZE_FIELD = 8;
constexpr size_t HOST_ENTRY_START = 16;

// True when the array can change its layout now: ready, no expansion, no verify.
bool canChange(const ArrayDrive& a)
{
    return a.state == ARRAY_READY && (a.flags & AFLAG_EXPANDING) == 0 && a.verifyState != 2;
}

// The end of the last host drive on carrying drive n (0 without any).
uint64_t hostDrivesEnd(const ControllerFirmware& fw, uint32_t n)
{
    uint64_t end = 0;
    const auto t = fw.hostTables.find(n);
    if (t != fw.hostTables.end())
        for (const auto& e : t->second.entries)
            end = std::max<uint64_t>(end, static_cast<uint64_t>(wire::get32(e.data(), HOST_ENTRY_START)) +
                                              wire::get32(e.data(), HOST_ENTRY_SIZE_FIELD));
    return end;
}

// Starts an expansion that ends with type `type` and the drives `added`.
void startExpansion(ControllerFirmware& fw, uint32_t number, uint8_t type, std::vector<uint32_t> added)
{
    ArrayDrive& a = fw.arrays.at(number);
    a.flags |= AFLAG_EXPANDING;
    a.phase = 1;
    a.expandPercent = 0;
    a.expandStartMs = arrayClockMs();
    a.expandType = type;
    a.expandDrives = std::move(added);
    raiseArrayEvent(fw, EVT_EXPAND_STARTED, number, number);
}

// The expansion of array `number` reached its end: the new layout holds.
void finishExpansion(ControllerFirmware& fw, uint32_t number)
{
    ArrayDrive& a = fw.arrays.at(number);
    // New data drives of RAID 4 go before its parity drive.
    auto at = a.type == 4 && !a.slots.empty() ? a.slots.end() - 1 : a.slots.end();
    for (uint32_t n : a.expandDrives)
        at = a.slots.insert(at, ArraySlot{n, false}) + 1;
    a.type = a.expandType;
    a.expandDrives.clear();
    a.flags &= static_cast<uint8_t>(~AFLAG_EXPANDING);
    a.phase = 0;
    a.capacity = std::max(a.capacity, largestCapacity(fw, a));
    raiseArrayEvent(fw, EVT_EXPAND_DONE, number, number);
}

}  // namespace

uint32_t largestCapacityCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    wire::put32(c.param.data(), 0, largestCapacity(fw, *a));
    return ok();
}

uint32_t setArrayCapacityCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const uint32_t sectors = wire::get32(c.param.data(), 0);
    // Never beyond the components, never cutting off a host drive.
    if (sectors == 0 || sectors > largestCapacity(fw, *a) || sectors < hostDrivesEnd(fw, c.target))
        return FW_STATUS_BAD_RECORD;
    if ((a->flags & AFLAG_EXPANDING) != 0)
        return FW_STATUS_IN_USE;
    a->capacity = sectors;
    fw.commitPending = true;
    return ok();
}

uint32_t expandArrayCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t* p = c.param.data();
    const uint8_t type = p[AR_TYPE];
    const size_t count = p[AR_SLOT_COUNT];
    if (!canChange(*a))
        return FW_STATUS_IN_USE;
    // Same type, or RAID 4 and 5 into each other.
    const bool parity = (a->type == 4 || a->type == 5) && (type == 4 || type == 5);
    if ((type != a->type && !parity) || a->type == 10 || count > AR_MAX_SLOTS || (count == 0 && type == a->type))
        return FW_STATUS_BAD_RECORD;
    if (a->slots.size() + a->hotFixes.size() + count > AR_MAX_SLOTS)
        return FW_STATUS_BAD_RECORD;
    std::vector<uint32_t> added;
    std::set<uint32_t> seen;
    const uint32_t needed = memberCapacity(fw, *a, false);
    for (size_t k = 0; k < count; ++k) {
        const uint8_t* s = p + AR_SLOTS + AR_SLOT_SIZE * k;
        const uint32_t n = s[4];
        if (wire::get32(s, 0) != fw.identity.board.serial || !seen.insert(n).second)
            return FW_STATUS_BAD_RECORD;
        if (!freeForArray(fw, n))
            return FW_STATUS_IN_USE;
        if (driveFullCapacity(fw, fw.logicalDrives.at(n)) < needed)
            return FW_STATUS_BAD_RECORD;
        added.push_back(n);
    }
    // Byte 3 lends the firmware a free drive number for the time of the expansion.
    if (count > 0 && (p[AR_NUMBER] > MAX_DRIVE_NUMBER || numberTaken(fw, p[AR_NUMBER])))
        return FW_STATUS_BAD_RECORD;
    startExpansion(fw, c.target, type, std::move(added));
    fw.commitPending = true;
    return ok();
}

uint32_t addParityCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t* p = c.param.data();
    if (!canChange(*a))
        return FW_STATUS_IN_USE;
    if (a->type != 0 || p[AR_TYPE] != 4 || p[AR_SLOT_COUNT] != 1 || wire::get32(p, AR_SLOTS) != fw.identity.board.serial)
        return FW_STATUS_BAD_RECORD;
    const uint32_t n = p[AR_SLOTS + 4];
    const LogicalDrive* d = n <= MAX_DRIVE_NUMBER ? findDrive(fw, n) : nullptr;
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    // The firmware takes the drive over, host drives and all.
    if (d->failed || d->poolHotFix || chainHead(fw, n) >= 0 || arrayOfDrive(fw, n) >= 0)
        return FW_STATUS_IN_USE;
    if (driveFullCapacity(fw, *d) < memberCapacity(fw, *a, false))
        return FW_STATUS_BAD_RECORD;
    fw.hostTables.erase(n);
    // RAID 0 turns into RAID 4 with the new drive as its parity drive.
    startExpansion(fw, c.target, 4, {n});
    fw.commitPending = true;
    return ok();
}

uint32_t expandProgressCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    if (c.param[0] != CODE_QUERY)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin() + 1, c.param.end(), 0);
    if ((a->flags & AFLAG_EXPANDING) == 0 || a->phase == 0) {
        c.param[STATE_PERCENT] = static_cast<uint8_t>(PERCENT_DONE);
        return ok();
    }
    a->expandPercent = advancePercent(fw, a->expandPercent, a->expandStartMs);
    a->phase = static_cast<uint8_t>(std::min<uint32_t>(LAST_PHASE, 1 + a->expandPercent * LAST_PHASE / PERCENT_DONE));
    if (a->failPhase != 0 && a->phase >= a->failPhase) {
        // The expansion stops: the drives it would have added go back, the flag stays.
        a->failPhase = 0;
        a->phase = 0;
        a->expandDrives.clear();
        raiseArrayEvent(fw, EVT_EXPAND_FAILED, c.target, c.target);
        c.param[STATE_PERCENT] = static_cast<uint8_t>(a->expandPercent);
        return ok();
    }
    c.param[STATE_PERCENT] = static_cast<uint8_t>(a->expandPercent);
    if (a->expandPercent >= PERCENT_DONE)
        finishExpansion(fw, c.target);
    return ok();
}

uint32_t removeRedundancyCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    if (!canChange(*a))
        return FW_STATUS_IN_USE;
    if (a->type != 4 && a->type != 5)
        return FW_STATUS_BAD_RECORD;
    // RAID 4 frees its parity drive, RAID 5 its last component; the hot fix drives go too.
    a->slots.pop_back();
    a->hotFixes.clear();
    a->type = 0;
    fw.commitPending = true;
    return ok();
}

uint32_t mirrorsToRaid10Cmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    if (!canChange(*a))
        return FW_STATUS_IN_USE;
    if (a->type != 0)
        return FW_STATUS_BAD_RECORD;
    for (const ArraySlot& s : a->slots)
        if (!fw.mirrors.count(s.drive))
            return FW_STATUS_BAD_RECORD;
    a->type = 10;
    fw.commitPending = true;
    return ok();
}

uint32_t raid10ToRaid0Cmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    if (!canChange(*a))
        return FW_STATUS_IN_USE;
    if (a->type != 10)
        return FW_STATUS_BAD_RECORD;
    // Each mirror keeps its head; the other components go on as drives of their own.
    for (const ArraySlot& s : a->slots) {
        const auto m = fw.mirrors.find(s.drive);
        if (m == fw.mirrors.end())
            continue;
        const std::vector<uint32_t> others(m->second.components.begin() + 1, m->second.components.end());
        for (uint32_t n : others)
            detachComponent(fw, n);
        if (fw.mirrors.count(s.drive))
            dropMissing(fw, s.drive);
    }
    a->type = 0;
    fw.commitPending = true;
    return ok();
}

}  // namespace kzmsim
