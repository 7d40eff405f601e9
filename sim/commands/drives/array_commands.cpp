// Array drive commands: creation, removal, the record, names, private hot
// fix drives, component replacement, build, rebuild and parity verify
// queries and the state patch.
#include "array_commands.h"

#include "array_config.h"
#include "command_words.h"
#include "drive_commands.h"
#include "drive_config.h"

#include <byte_order.h>

#include <algorithm>
#include <set>

namespace kzmsim {

namespace {

constexpr uint8_t CODE_START = 0;
constexpr uint8_t CODE_ABORT = 2;
constexpr size_t SLOT_LIST_SIZE = AR_MAX_SLOTS * AR_SLOT_SIZE;  // 280
constexpr size_t REPLACE_SIZE = 16;

// The drive numbers of a slot list (8-byte slots {u32 serial, drive, 0, 0, 0})
// up to the slot that ends it or the 35th; false for a wrong serial.
bool slotDrives(const ControllerFirmware& fw, const uint8_t* p, size_t slots, std::vector<uint32_t>& out)
{
    for (size_t k = 0; k < slots && k < AR_MAX_SLOTS; ++k) {
        const uint8_t* s = p + AR_SLOT_SIZE * k;
        if (s[4] == SLOT_END)
            return true;
        if (wire::get32(s, 0) != fw.identity.board.serial)
            return false;
        out.push_back(s[4]);
    }
    return true;
}

// Writes the query answer: byte 2 the percent, the rest zero but the code.
uint32_t answerPercent(IoctlCall& c, uint32_t percent)
{
    std::fill(c.param.begin() + 1, c.param.end(), 0);
    c.param[STATE_PERCENT] = static_cast<uint8_t>(percent);
    return ok();
}

// Moves the build of array `number` on by one query.
void advanceBuild(ControllerFirmware& fw, uint32_t number)
{
    ArrayDrive& a = fw.arrays.at(number);
    if (a.state != ARRAY_BUILD)
        return;
    a.percent = advancePercent(fw, a.percent, a.startMs);
    if (a.percent >= PERCENT_DONE) {
        a.state = ARRAY_READY;
        a.flags &= static_cast<uint8_t>(~AFLAG_PATCHED);
        raiseArrayEvent(fw, EVT_ARRAY_BUILD_DONE, number, number);
    }
}

// Starts a build (or a parity recalculation) of array `number`.
void startBuild(ControllerFirmware& fw, uint32_t number)
{
    ArrayDrive& a = fw.arrays.at(number);
    a.state = ARRAY_BUILD;
    a.percent = 0;
    a.startMs = arrayClockMs();
    raiseArrayEvent(fw, EVT_ARRAY_BUILD_STARTED, number, number);
}

}  // namespace

ArrayDrive* targetArray(ControllerFirmware& fw, const IoctlCall& c)
{
    return c.target <= MAX_DRIVE_NUMBER ? findArray(fw, c.target) : nullptr;
}

uint32_t createArrayCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const uint8_t* p = c.param.data();
    const uint8_t type = p[AR_TYPE];
    const size_t count = p[AR_SLOT_COUNT];
    if (c.target > MAX_DRIVE_NUMBER || fw.arrays.count(c.target) || !findDrive(fw, c.target))
        return FW_STATUS_INVALID_TARGET;
    if ((type != 0 && type != 4 && type != 5 && type != 10) || p[AR_NUMBER] != c.target ||
        wire::get32(p, AR_SERIAL) != fw.identity.board.serial || count > AR_MAX_SLOTS)
        return FW_STATUS_BAD_RECORD;
    std::vector<uint32_t> drives;
    if (!slotDrives(fw, p + AR_SLOTS, count, drives) || drives.size() != count || drives.empty() ||
        drives.front() != c.target)
        return FW_STATUS_BAD_RECORD;
    // RAID 0 and 10 take two components at least, RAID 4 and 5 three.
    const size_t least = type == 4 || type == 5 ? 3 : 2;
    const size_t data = type == 4 ? count - 1 : count;
    if (count < least || p[AR_DATA_COUNT] != data)
        return FW_STATUS_BAD_RECORD;
    std::set<uint32_t> seen;
    for (uint32_t n : drives) {
        if (!seen.insert(n).second)
            return FW_STATUS_BAD_RECORD;
        // RAID 10 is made of mirrors (their heads), every other type of plain drives.
        const bool head = fw.mirrors.count(n) != 0;
        const LogicalDrive* d = findDrive(fw, n);
        if (!d)
            return FW_STATUS_INVALID_TARGET;
        if ((type == 10) != head)
            return FW_STATUS_BAD_RECORD;
        if (d->failed || d->poolHotFix || (!head && chainHead(fw, n) >= 0) || arrayOfDrive(fw, n) >= 0 ||
            fw.hostTables.count(n))
            return FW_STATUS_IN_USE;
    }
    ArrayDrive a;
    a.type = type;
    a.stripe = wire::get32(p, AR_STRIPE);
    std::copy_n(p + AR_NAME, a.name.size(), a.name.begin());
    for (uint32_t n : drives)
        a.slots.push_back({n, false});
    a.flags = p[AR_FLAGS] & AFLAG_DESTRUCTIVE;
    fw.arrays[c.target] = std::move(a);
    ArrayDrive& made = fw.arrays.at(c.target);
    made.capacity = arrayCapacityFor(type, count, memberCapacity(fw, made, false));
    // RAID 0 has nothing to build.
    if (type == 0)
        made.state = ARRAY_READY;
    else
        startBuild(fw, c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t removeArrayCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    if (a->state == ARRAY_BUILD)
        raiseArrayEvent(fw, EVT_ARRAY_BUILD_ABORTED, c.target, c.target);
    else if (a->state == ARRAY_REBUILD)
        raiseArrayEvent(fw, EVT_ARRAY_REBUILD_ABORTED, c.target, c.target);
    fw.arrays.erase(c.target);
    fw.hostTables.erase(c.target);
    dropCarrierData(fw, c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t arrayInfoCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!targetArray(fw, c))
        return FW_STATUS_INVALID_TARGET;
    fillArrayRecord(fw, c.target, c.param.data());
    return ok();
}

uint32_t arrayNameCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    std::copy_n(c.param.begin(), a->name.size(), a->name.begin());
    fw.commitPending = true;
    return ok();
}

uint32_t addArrayHotFixCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    std::vector<uint32_t> drives;
    if (c.param.size() != SLOT_LIST_SIZE || !slotDrives(fw, c.param.data(), AR_MAX_SLOTS, drives) || drives.empty())
        return FW_STATUS_BAD_RECORD;
    if (a->type == 0 || a->slots.size() + a->hotFixes.size() + drives.size() > AR_MAX_SLOTS)
        return FW_STATUS_BAD_RECORD;
    const uint32_t needed = memberCapacity(fw, *a, false);
    std::set<uint32_t> seen;
    for (uint32_t n : drives) {
        if (!seen.insert(n).second || !freeForArray(fw, n))
            return FW_STATUS_IN_USE;
        // A hot fix drive must be able to stand for any component.
        if (driveFullCapacity(fw, fw.logicalDrives.at(n)) < needed)
            return FW_STATUS_BAD_RECORD;
    }
    a->hotFixes.insert(a->hotFixes.end(), drives.begin(), drives.end());
    fw.commitPending = true;
    takePoolDrives(fw);
    return ok();
}

uint32_t removeArrayHotFixCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    std::vector<uint32_t> drives;
    if (c.param.size() != SLOT_LIST_SIZE || !slotDrives(fw, c.param.data(), AR_MAX_SLOTS, drives) || drives.empty())
        return FW_STATUS_BAD_RECORD;
    for (uint32_t n : drives)
        if (std::find(a->hotFixes.begin(), a->hotFixes.end(), n) == a->hotFixes.end())
            return FW_STATUS_INVALID_TARGET;
    for (uint32_t n : drives)
        std::erase(a->hotFixes, n);
    fw.commitPending = true;
    return ok();
}

uint32_t replaceComponentCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t* p = c.param.data();
    const uint32_t serial = fw.identity.board.serial;
    if (wire::get32(p, 0) != serial || wire::get32(p, 8) != serial)
        return FW_STATUS_BAD_RECORD;
    const auto slot = std::find_if(a->slots.begin(), a->slots.end(), [&](const ArraySlot& s) { return s.drive == p[4]; });
    if (slot == a->slots.end() || (a->flags & AFLAG_EXPANDING) != 0 || a->type == 0 || a->type == 10)
        return FW_STATUS_BAD_RECORD;
    const uint32_t added = p[12];
    LogicalDrive* d = added <= MAX_DRIVE_NUMBER ? findDrive(fw, added) : nullptr;
    if (!d)
        return FW_STATUS_INVALID_TARGET;
    const bool ownHotFix = std::find(a->hotFixes.begin(), a->hotFixes.end(), added) != a->hotFixes.end();
    // The new drive may come from the pool or from this array's hot fix drives.
    if (!ownHotFix && !(d->poolHotFix && !d->failed && chainHead(fw, added) < 0) && !freeForArray(fw, added, true))
        return FW_STATUS_IN_USE;
    if (driveFullCapacity(fw, *d) < memberCapacity(fw, *a, false))
        return FW_STATUS_BAD_RECORD;
    // More than one component lost: nothing to rebuild from.
    const auto failed = std::count_if(a->slots.begin(), a->slots.end(), [](const ArraySlot& s) { return s.failed; });
    if (failed > 1 || (failed == 1 && !slot->failed))
        return FW_STATUS_IN_USE;
    std::erase(a->hotFixes, added);
    d->poolHotFix = false;
    fw.hostTables.erase(added);
    dropCarrierData(fw, added);
    slot->drive = added;
    slot->failed = true;
    raiseArrayEvent(fw, EVT_ARRAY_REPLACED, c.target, added);
    startRebuild(fw, c.target);
    fw.commitPending = true;
    return ok();
}

uint32_t buildStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t code = c.param[0];
    // Code 0 of 0x1A recalculates the parity of an idle array.
    if (code == CODE_START && c.key == 0x1000001A) {
        if (a->state != ARRAY_IDLE || a->type == 0)
            return FW_STATUS_IN_USE;
        startBuild(fw, c.target);
        return answerPercent(c, a->percent);
    }
    if (code != CODE_QUERY)
        return FW_STATUS_BAD_RECORD;
    advanceBuild(fw, c.target);
    return answerPercent(c, a->state == ARRAY_BUILD ? a->percent : PERCENT_DONE);
}

uint32_t arrayOrMirrorStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a || a->type != 10)
        return mirrorStateCmd(fw, c);
    if (c.param[0] != CODE_QUERY)
        return FW_STATUS_BAD_RECORD;
    // A RAID-10 array builds with its mirrors.
    uint32_t percent = PERCENT_DONE;
    for (const ArraySlot& s : a->slots) {
        advanceBuilds(fw, s.drive);
        const auto m = fw.mirrors.find(s.drive);
        if (m == fw.mirrors.end())
            continue;
        for (uint32_t n : m->second.components) {
            const LogicalDrive& d = fw.logicalDrives.at(n);
            if (d.building)
                percent = std::min(percent, d.buildPercent);
        }
    }
    advanceBuild(fw, c.target);
    if (a->state == ARRAY_BUILD)
        percent = std::min(percent, a->percent);
    return answerPercent(c, percent);
}

uint32_t rebuildStateCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    if (c.param[0] != CODE_QUERY)
        return FW_STATUS_BAD_RECORD;
    if (a->state != ARRAY_REBUILD)
        return answerPercent(c, PERCENT_DONE);
    a->percent = advancePercent(fw, a->percent, a->startMs);
    if (a->percent >= PERCENT_DONE) {
        a->state = ARRAY_READY;
        for (ArraySlot& s : a->slots)
            s.failed = false;
        a->firstFailed = -1;
        raiseArrayEvent(fw, EVT_ARRAY_REBUILD_DONE, c.target, c.target);
    }
    return answerPercent(c, a->percent);
}

uint32_t parityVerifyCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const bool running = a->verifyState == VERIFY_RUNNING;
    switch (c.param[0]) {
    case CODE_START:
        if (running || a->state != ARRAY_READY || (a->type != 4 && a->type != 5))
            return FW_STATUS_IN_USE;
        a->verifyState = VERIFY_RUNNING;
        a->verifyPercent = 0;
        a->verifyStartMs = arrayClockMs();
        a->flags &= static_cast<uint8_t>(~AFLAG_PARITY_ERROR);
        raiseArrayEvent(fw, EVT_VERIFY_STARTED, c.target, c.target);
        return answerPercent(c, 0);
    case CODE_ABORT:
        if (!running)
            return FW_STATUS_IN_USE;
        a->verifyState = VERIFY_STOPPED;
        raiseArrayEvent(fw, EVT_VERIFY_ABORTED, c.target, c.target);
        return answerPercent(c, a->verifyPercent);
    case CODE_QUERY:
        if (!running)
            return answerPercent(c, PERCENT_DONE);
        a->verifyPercent = advancePercent(fw, a->verifyPercent, a->verifyStartMs);
        if (a->verifyPercent >= PERCENT_DONE) {
            if (a->parityError) {
                a->parityError = false;
                a->verifyState = VERIFY_PARITY_ERROR;
                a->flags |= AFLAG_PARITY_ERROR;
                raiseArrayEvent(fw, EVT_PARITY_ERROR, c.target, c.target);
                raiseArrayEvent(fw, EVT_VERIFY_FAILED, c.target, c.target);
            } else {
                a->verifyState = VERIFY_DONE;
                raiseArrayEvent(fw, EVT_VERIFY_DONE, c.target, c.target);
            }
        }
        return answerPercent(c, a->verifyPercent);
    default:
        return FW_STATUS_BAD_RECORD;
    }
}

uint32_t patchArrayCmd(ControllerFirmware& fw, IoctlCall& c)
{
    ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    const uint8_t* p = c.param.data();
    const uint8_t state = p[AR_STATE];
    const size_t filled = a->slots.size() + a->hotFixes.size();
    if (p[AR_TYPE] != a->type || p[AR_NUMBER] != c.target || p[AR_SLOT_COUNT] != filled ||
        (a->flags & AFLAG_EXPANDING) != 0)
        return FW_STATUS_BAD_RECORD;
    for (size_t k = 0; k < a->slots.size(); ++k)
        if (p[AR_SLOTS + AR_SLOT_SIZE * k + 4] != a->slots[k].drive)
            return FW_STATUS_BAD_RECORD;
    if (state != ARRAY_IDLE && state != ARRAY_READY && state != ARRAY_FAIL && state != ARRAY_REBUILD)
        return FW_STATUS_BAD_RECORD;
    for (size_t k = 0; k < a->slots.size(); ++k)
        a->slots[k].failed = p[AR_SLOTS + AR_SLOT_SIZE * k + 5] != 0;
    a->flags |= AFLAG_PATCHED;
    if (state == ARRAY_REBUILD)
        startRebuild(fw, c.target);
    else
        a->state = state;
    fw.commitPending = true;
    return ok();
}

uint32_t arrayDisksCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const ArrayDrive* a = targetArray(fw, c);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    // Each slot's drive, or every component of the mirror it heads.
    std::vector<const LogicalDrive*> drives;
    for (const ArraySlot& s : a->slots) {
        const auto m = fw.mirrors.find(s.drive);
        const std::vector<uint32_t> numbers = m != fw.mirrors.end() ? m->second.components : std::vector<uint32_t>{s.drive};
        for (uint32_t d : numbers)
            if (const LogicalDrive* ld = findDrive(fw, d))
                drives.push_back(ld);
    }
    return answerComponentDisks(fw, c, drives);
}

}  // namespace kzmsim
