// CArrayDrive's long operations: parity verify and recalculation, the state
// repair, build and rebuild progress, and expansion and conversion.
#include "array_drive.h"

#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "firmware_levels.h"
#include "model_errors.h"
#include "pause.h"
#include "request_words.h"

#include <cstring>

namespace {

constexpr int kPollPauseMs = 50;
constexpr int kPollRounds = 400;          // 20 seconds of polls at most
constexpr int kMaxHostEntries = 100;

bool VerifyRunning(uint8_t v)
{
    return v == ARVERIFY_STARTING || v == ARVERIFY_RUNNING;
}

}  // namespace

int CArrayDrive::ParityVerify(ProgressRequest* r)
{
    if (r == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    int percent = 0;
    int result = 1;
    switch (r->operation) {
    case PROGRESS_START: {
        if (VerifyRunning(info[ARREC_VERIFY])) {
            error = MODERR_ACTIVE_STATE;
            return 0;
        }
        error = ParityCommand(ARCMD_START, &percent);
        if (error != 0)
            return 0;
        // Wait until the controller shows the verify running (or already done).
        int round = 0;
        for (;; ++round) {
            error = ParityCommand(ARCMD_QUERY, &percent);
            if (error != 0 || !Refresh())
                return 0;
            if (VerifyRunning(info[ARREC_VERIFY]) || percent > 99)
                break;
            if (round == kPollRounds) {
                error = MODERR_ACTIVE_STATE;
                return 0;
            }
            ModelPauseMs(kPollPauseMs);
        }
        progress = 0;
        break;
    }
    case PROGRESS_QUERY: {
        const uint32_t rc = ParityCommand(ARCMD_QUERY, &percent);
        const int refreshed = Refresh();
        if (rc != 0) {
            error = rc;
            result = 0;
        } else if (!refreshed || percent >= kPercentDone || !VerifyRunning(info[ARREC_VERIFY])) {
            result = 0;
        }
        break;
    }
    case PROGRESS_ABORT: {
        if (info[ARREC_VERIFY] != ARVERIFY_RUNNING) {
            error = MODERR_ACTIVE_STATE;
            return 0;
        }
        error = ParityCommand(ARCMD_ABORT, &percent);
        if (error != 0)
            return 0;
        for (int round = 0;; ++round) {
            if (!Refresh())
                return 0;
            if (info[ARREC_VERIFY] != ARVERIFY_RUNNING)
                break;
            if (round == kPollRounds) {
                error = MODERR_ACTIVE_STATE;
                return 0;
            }
            ModelPauseMs(kPollPauseMs);
        }
        progress = VERIFY_PROGRESS_ABORTED;
        break;
    }
    default:
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    r->state = info[ARREC_VERIFY];
    r->percent = percent;
    r->value = 0;
    return result;
}

int CArrayDrive::RecalculateParity(ProgressRequest* r)
{
    if (r == nullptr || r->operation != PROGRESS_START) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    info[ARREC_STATE] = ARSTATE_IDLE;
    for (int k = 0; k < info[ARREC_DATA_COUNT] && k < ARREC_MAX_SLOTS; ++k)
        info[ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(k) + ARREC_SLOT_FAILED] = 0;
    error = ctl_patch_array_state(controllerNumber, 0, arrayNumber, info);
    if (error != 0)
        return 0;
    uint8_t rec[ARCMD_SIZE] = {};
    error = ctl_array_state_cmd_1a(controllerNumber, 0, arrayNumber, rec);
    if (error != 0)
        return 0;
    for (int round = 0;; ++round) {
        if (!Refresh())
            return 0;
        if (State() != ARSTATE_READY)
            break;
        if (round == kPollRounds) {
            error = MODERR_ACTIVE_STATE;
            return 0;
        }
        ModelPauseMs(kPollPauseMs);
    }
    r->state = State();
    r->percent = rec[ARCMD_PERCENT];
    r->value = 0;
    return 1;
}

int CArrayDrive::PatchState(ProgressRequest* r)
{
    if (r == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    uint8_t copy[ARRAY_RECORD_SIZE];
    std::memcpy(copy, info, sizeof copy);
    // 1. The bad components and the last of them.
    int bad = 0;
    int lastBad = -1;
    auto judge = [&](CLogDrive& d) {
        if ((d.kind & ~LDKIND_POOL_HOT_FIX) == LDKIND_MISSING || !d.CheckDisksReadable()) {
            ++bad;
            lastBad = d.driveNumber;
        }
    };
    for (int i = 0; i < components.count; ++i) {
        if (components[i] < 0 || components[i] >= controller->logDrives.count)
            continue;
        CLogDrive& drive = controller->logDrives[components[i]];
        if (drive.isPrivateHotFix)
            continue;
        const int mirror = drive.mirrorIndex;
        if (mirror >= 0 && mirror < controller->mirrorDrives.count) {
            const CMirrorDrive& m = controller->mirrorDrives[mirror];
            for (int k = 0; k < m.components.count; ++k)
                if (m.components[k] >= 0 && m.components[k] < controller->logDrives.count)
                    judge(controller->logDrives[m.components[k]]);
        } else {
            judge(drive);
        }
    }
    // 2. The data slots' failure marks.
    const bool checkOnly = (r->operation & PROGRESS_CHECK_ONLY) != 0;
    const int type = copy[ARREC_TYPE];
    const int last = copy[ARREC_DATA_COUNT] - (type == RAID_TYPE_4 ? 0 : 1);
    bool marked = false;
    for (int k = 0; k <= last && k < SlotCount(); ++k) {
        uint8_t* s = copy + ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(k);
        marked = marked || s[ARREC_SLOT_FAILED] != 0;
        if (!checkOnly && s[ARREC_SLOT_DRIVE] != lastBad)
            s[ARREC_SLOT_FAILED] = 0;
    }
    // 3. The operation.
    if (!checkOnly && r->operation != PROGRESS_START) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    // 4. The changes allowed.
    const int state = copy[ARREC_STATE];
    const int wanted = r->percent;
    bool allowed = false;
    if (type != RAID_TYPE_0) {
        allowed = (bad == 1 && state == ARSTATE_INVALID && wanted == ARSTATE_FAIL) ||
                  (bad == 0 && state == ARSTATE_FAIL && wanted == ARSTATE_REBUILD) ||
                  (bad == 0 && state == ARSTATE_INVALID && wanted == ARSTATE_IDLE) ||
                  (bad == 0 && state == ARSTATE_IDLE && wanted == ARSTATE_IDLE && marked);
    } else {
        allowed = bad == 0 && state == ARSTATE_INVALID && wanted == ARSTATE_READY;
    }
    if (!allowed) {
        error = MODERR_NOT_SUPPORTED;
        return 0;
    }
    r->state = state;
    // 5. Send.
    if (checkOnly)
        return 1;
    copy[ARREC_STATE] = static_cast<uint8_t>(wanted);
    error = ctl_patch_array_state(controllerNumber, 0, arrayNumber, copy);
    if (error != 0)
        return 0;
    if (!Refresh())
        return 0;
    r->state = State();
    return 1;
}

int CArrayDrive::QueryState(ProgressRequest* r, bool rebuild)
{
    if (r == nullptr || r->operation != PROGRESS_QUERY) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const uint8_t state = State();
    const bool right = rebuild ? state == ARSTATE_REBUILD || state == ARSTATE_REBUILD2
                               : state == ARSTATE_BUILD || state == ARSTATE_IDLE;
    if (!right) {
        error = MODERR_ACTIVE_STATE;
        return 0;
    }
    uint8_t rec[ARCMD_SIZE] = {ARCMD_QUERY, 0, 0, 0};
    uint32_t rc = 0;
    if (rebuild)
        rc = ctl_array_state_cmd_1b(controllerNumber, 0, arrayNumber, rec);
    else if (Type() == RAID_TYPE_10)
        rc = ctl_array_state_cmd_09(controllerNumber, 0, arrayNumber, rec);
    else if ((info[ARREC_FLAGS] & ARFLAG_DESTRUCTIVE) != 0)
        rc = ctl_array_state_cmd_33(controllerNumber, 0, arrayNumber, rec);
    else
        rc = ctl_array_state_cmd_1a(controllerNumber, 0, arrayNumber, rec);
    // A query that fails counts as finished.
    if (rc != 0)
        rec[ARCMD_PERCENT] = kPercentDone;
    const int result = Refresh();
    r->state = State();
    r->percent = rec[ARCMD_PERCENT];
    r->value = 0;
    return result;
}

int CArrayDrive::GetBuildProgress(ProgressRequest* r)
{
    return QueryState(r, false);
}

int CArrayDrive::GetRebuildProgress(ProgressRequest* r)
{
    return QueryState(r, true);
}

int CArrayDrive::ExpandConvert(ProgressRequest* r)
{
    if (r == nullptr) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const bool checkOnly = (r->operation & PROGRESS_CHECK_ONLY) != 0;
    r->operation &= ~PROGRESS_CHECK_ONLY;
    if (r->operation == PROGRESS_QUERY)
        return ExpandProgress(r);
    if (r->operation != PROGRESS_START) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const bool sameType = r->percent == Type();
    if (checkOnly) {
        if (!sameType || pending.count > 0)
            return 1;
        uint8_t rec[4] = {};
        error = ctl_get_array_param_2c(controllerNumber, 0, arrayNumber, rec);
        if (error != 0)
            return 0;
        r->value = wire::get32(rec, 0);
        // Whole megabytes are compared.
        return r->value / kSectorsPerMb > Capacity() / kSectorsPerMb ? 1 : 0;
    }
    if (!CheckExpansion(r))
        return 0;
    if (sameType && pending.count == 0)
        return GrowIntoFreeSpace(r);
    if (Type() == RAID_TYPE_0 && r->percent != RAID_TYPE_0)
        return ConvertRaid0(r);
    if (r->percent == RAID_TYPE_0 && Type() != RAID_TYPE_0)
        return RemoveRedundancy(r);
    return AddDrives(r);
}

bool CArrayDrive::CheckExpansion(const ProgressRequest* r)
{
    if (pending.count > ARREC_MAX_SLOTS || !PendingValid()) {
        error = MODERR_BAD_PARAMETER;
        return false;
    }
    const bool sameType = r->percent == Type();
    if (sameType && pending.count == 0) {
        // Growing: a host drive to copy, room for one more, a number for it,
        // and a new capacity that leaves room for it.
        if (hostDrives.count == 0 || hostDrives[0] < 0 || hostDrives[0] >= controller->hostDrives.count ||
            hostDrives.count >= kMaxHostEntries || controller->GetFreeDriveNumber(kNoneFree) == kNoneFree) {
            error = MODERR_NO_SPACE;
            return false;
        }
        const uint64_t start = controller->hostDrives[hostDrives[0]].entry.start;
        if (r->value <= static_cast<uint64_t>(Capacity()) + start) {
            error = MODERR_NO_SPACE;
            return false;
        }
        return true;
    }
    if (Type() == RAID_TYPE_0 && r->percent != RAID_TYPE_0 && r->percent != RAID_TYPE_10 && pending.count == 0) {
        error = MODERR_BAD_PARAMETER;
        return false;
    }
    if (r->percent != RAID_TYPE_0 && pending.count > 0 && controller->GetFreeDriveNumber(kNoneFree) == kNoneFree) {
        error = MODERR_NO_SPACE;
        return false;
    }
    return true;
}

int CArrayDrive::ExpandProgress(ProgressRequest* r)
{
    if (controller->FirmwareLevel() < kLevelHostTables || (info[ARREC_FLAGS] & ARFLAG_EXPANDING) == 0) {
        error = MODERR_ACTIVE_STATE;
        return 0;
    }
    const uint8_t phase = info[ARREC_PHASE];
    if (phase < 1 || phase > 3) {
        error = MODERR_EXPANSION_ABORTED;
        return 0;
    }
    uint8_t rec[ARCMD_SIZE] = {ARCMD_QUERY, 0, 0, 0};
    const uint32_t rc = ctl_get_array_expand_progress(controllerNumber, 0, arrayNumber, rec);
    r->state = State();
    r->percent = rc != 0 ? kPercentDone : rec[ARCMD_PERCENT];
    r->value = 0;
    return Refresh();
}

int CArrayDrive::GrowIntoFreeSpace(ProgressRequest* r)
{
    const uint32_t old = Capacity();
    uint8_t value[4] = {};
    wire::put32(value, 0, r->value);
    error = ctl_set_array_param_2d(controllerNumber, 0, arrayNumber, value);
    if (error != 0)
        return 0;
    const int number = controller->GetFreeDriveNumber(kNoneFree);
    const int n = hostDrives.count;
    const size_t size = HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(n + 1);
    uint8_t table[HDTABLE_HEAD + HDENTRY_SIZE * kMaxHostEntries] = {};
    DriveGeometry g;
    CController::ComputeGeometry(old, &g);
    wire::put32(table, HDTABLE_COUNT, static_cast<uint32_t>(n + 1));
    wire::put32(table, HDTABLE_WORD1, HDTABLE_WORD1_VALUE);
    table[HDTABLE_SECTORS] = g.sectors;
    table[HDTABLE_HEADS] = g.heads;
    auto put = [&table](int k, const HostDriveEntry& e) {
        uint8_t* p = table + HDTABLE_HEAD + HDENTRY_SIZE * static_cast<size_t>(k);
        std::memcpy(p + HDENTRY_NAME, e.name, sizeof e.name);
        wire::put32(p, HDENTRY_SECTORS, e.sectors);
        p[HDENTRY_NUMBER] = e.number;
        p[HDENTRY_CARRIER] = e.carrier;
        p[HDENTRY_ATTRIBUTES] = e.attributes;
        wire::put32(p, HDENTRY_START, e.start);
    };
    for (int k = 0; k < n; ++k) {
        const CHostDrive& h = controller->hostDrives[hostDrives[k]];
        put(k, h.entry);
        table[HDTABLE_CLUSTER] = h.cluster.type;
        wire::put32(table, HDTABLE_OWNER, h.cluster.owner);
    }
    HostDriveEntry added = controller->hostDrives[hostDrives[0]].entry;
    added.number = static_cast<uint8_t>(number);
    added.sectors = r->value - old - added.start;
    added.attributes = 0;
    added.start = added.start + old;
    put(n, added);
    error = ctl_write_host_drive_table(controllerNumber, 0, arrayNumber, table, static_cast<uint16_t>(size));
    if (error != 0)
        return 0;
    r->percent = kPercentDone;
    return Refresh();
}

int CArrayDrive::ConvertRaid0(ProgressRequest* r)
{
    if (r->percent == RAID_TYPE_10) {
        error = ctl_array_cmd_30(controllerNumber, arrayNumber);
        if (error != 0)
            return 0;
    } else {
        // A RAID-4 record with the parity drive in its one slot.
        const int number = controller->logDrives[pending[0]].driveNumber;
        uint8_t rec[ARRAY_RECORD_SIZE] = {};
        rec[ARREC_TYPE] = RAID_TYPE_4;
        wire::put32(rec, ARREC_SLOTS, controller->SerialNumber());
        rec[ARREC_SLOTS + ARREC_SLOT_DRIVE] = static_cast<uint8_t>(number);
        rec[ARREC_SLOT_COUNT] = 1;
        error = ctl_write_array_record_2e(controllerNumber, 0, arrayNumber, rec);
        if (error != 0)
            return 0;
        controller->ReleaseHostDrive(number);
    }
    r->percent = 0;
    return Refresh();
}

int CArrayDrive::RemoveRedundancy(ProgressRequest* r)
{
    CController* owner = controller;
    if (Type() == RAID_TYPE_10) {
        error = ctl_array_cmd_31(controllerNumber, arrayNumber);
        if (error != 0)
            return 0;
    } else {
        error = ctl_array_cmd_2f(controllerNumber, 0, arrayNumber);
        if (error != 0)
            return 0;
        // The freed component (RAID 4 its parity drive, else the last data
        // component) and the private hot fix drives are deleted.
        int freed = -1;
        for (int i = 0; i < components.count; ++i) {
            if (components[i] < 0 || components[i] >= owner->logDrives.count)
                continue;
            const CLogDrive& d = owner->logDrives[components[i]];
            if (d.isParity)
                freed = components[i];
            else if (!d.isPrivateHotFix && (freed < 0 || !owner->logDrives[freed].isParity))
                freed = components[i];
        }
        for (int i = 0; i < components.count; ++i)
            if (components[i] >= 0 && components[i] < owner->logDrives.count &&
                owner->logDrives[components[i]].isPrivateHotFix)
                owner->logDrives[components[i]].Remove(0);
        if (freed >= 0)
            owner->logDrives[freed].Remove(0);
    }
    if (owner->mirrorDrives.count == 0 && owner->arrayDrives.count == 1)
        owner->ReleasePoolHotFixDrives(0);
    r->percent = kPercentDone;
    return Refresh();
}

int CArrayDrive::AddDrives(ProgressRequest* r)
{
    uint8_t rec[ARRAY_RECORD_SIZE] = {};
    rec[ARREC_TYPE] = static_cast<uint8_t>(r->percent);
    rec[ARREC_SLOT_COUNT] = static_cast<uint8_t>(pending.count);
    const uint32_t serial = controller->SerialNumber();
    for (int i = 0; i < pending.count; ++i) {
        const int number = controller->logDrives[pending[i]].driveNumber;
        uint8_t* s = rec + ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(i);
        wire::put32(s, 0, serial);
        s[ARREC_SLOT_DRIVE] = static_cast<uint8_t>(number);
        controller->ReleaseHostDrive(number);
    }
    if (pending.count > 0)
        rec[ARREC_NUMBER] = static_cast<uint8_t>(controller->GetFreeDriveNumber(kNoneFree));
    std::memcpy(rec + ARREC_NAME, info + ARREC_NAME, DRIVE_NAME_SIZE);
    error = ctl_start_array_expand(controllerNumber, 0, arrayNumber, rec);
    if (error != 0)
        return 0;
    r->percent = 0;
    return Refresh();
}
