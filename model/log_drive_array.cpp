// CLogDrive's array operations: creating an array drive (with the RAID-1
// pairs of RAID 10), its capacity and its host drive.
#include "log_drive.h"

#include "array_drive.h"
#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_drives.h"
#include "drive_lists.h"
#include "firmware_levels.h"
#include "model_errors.h"

#include <cstdio>
#include <cstring>
#include <set>

namespace {
constexpr int kChannelBuckets = 19;   // channels 0 to 18

// A pair of logical drive indices: master and partner.
struct DrivePair {
    int master = -1;
    int partner = -1;
};

// The channels of every disk of logical drive i.
std::set<int> ChannelsOf(const CController& c, int i)
{
    std::set<int> out;
    const CLogDrive& d = c.logDrives[i];
    for (int k = 0; k < d.disks.count; ++k)
        if (d.disks[k] >= 0 && d.disks[k] < c.physDrives.count)
            out.insert(c.physDrives[d.disks[k]].channel);
    return out;
}

// True when the components of mirror m all have a channel in common.
bool MirrorSharesChannel(const CController& c, int m)
{
    if (m < 0 || m >= c.mirrorDrives.count)
        return false;
    const CMirrorDrive& mirror = c.mirrorDrives[m];
    std::set<int> common;
    bool first = true;
    for (int k = 0; k < mirror.components.count; ++k) {
        const int i = mirror.components[k];
        if (i < 0 || i >= c.logDrives.count)
            continue;
        const std::set<int> own = ChannelsOf(c, i);
        if (first) {
            common = own;
            first = false;
            continue;
        }
        std::set<int> both;
        for (int ch : own)
            if (common.count(ch))
                both.insert(ch);
        common = both;
    }
    return !first && !common.empty();
}

// The fullest bucket other than `except` (ties: the lowest channel), -1 when all are empty.
int Fullest(const CArray<int> (&buckets)[kChannelBuckets], const int (&taken)[kChannelBuckets], int except)
{
    int best = -1;
    for (int ch = 0; ch < kChannelBuckets; ++ch) {
        if (ch == except || buckets[ch].count - taken[ch] <= 0)
            continue;
        if (best < 0 || buckets[ch].count - taken[ch] > buckets[best].count - taken[best])
            best = ch;
    }
    return best;
}

// Step 1 of PairForRaid10: the plain drives (`drive` first when plain) and
// the mirrored ones; a mirrored drive stands for its mirror once, by its
// master, and the drive's own mirror is left out. 0 or the error code.
uint32_t SortPairCandidates(const CController& owner, const CLogDrive& drive, int self, CArray<int>& plain,
                            CArray<int>& mirrored, int& spans)
{
    if (drive.mirrorIndex < 0 && AppendIndex(plain, self) < 0)
        return MODERR_NO_MEMORY;
    std::set<int> mirrorsSeen;
    for (int i = 0; i < drive.pending.count; ++i) {
        const CLogDrive& d = owner.logDrives[drive.pending[i]];
        if (d.mirrorIndex < 0) {
            if (AppendIndex(plain, drive.pending[i]) < 0)
                return MODERR_NO_MEMORY;
            continue;
        }
        if (MirrorSharesChannel(owner, d.mirrorIndex))
            spans = 0;
        if (d.mirrorIndex == drive.mirrorIndex || !mirrorsSeen.insert(d.mirrorIndex).second)
            continue;
        const CMirrorDrive& m = owner.mirrorDrives[d.mirrorIndex];
        const int master = m.components.count > 0 ? m.components[0] : drive.pending[i];
        if (AppendIndex(mirrored, master) < 0)
            return MODERR_NO_MEMORY;
    }
    return 0;
}

// Steps 3 to 5 of PairForRaid10: the plain drives in buckets by the channel
// of their first disk, paired across channels where possible, the pair of
// drive index `self` first. 0 or the error code.
uint32_t PairAcrossChannels(const CController& owner, int self, const CArray<int>& plain, CArray<DrivePair>& pairs,
                            int& spans)
{
    CArray<int> buckets[kChannelBuckets];
    int taken[kChannelBuckets] = {};
    for (int i = 0; i < plain.count; ++i) {
        const CLogDrive& d = owner.logDrives[plain[i]];
        const int disk = d.disks.count > 0 ? d.disks[0] : -1;
        const int ch = disk >= 0 && disk < owner.physDrives.count ? owner.physDrives[disk].channel : -1;
        if (ch < 0 || ch >= kChannelBuckets)
            return MODERR_BAD_PARAMETER;
        if (AppendIndex(buckets[ch], plain[i]) < 0)
            return MODERR_NO_MEMORY;
    }
    int ownPair = -1;
    for (;;) {
        const int a = Fullest(buckets, taken, -1);
        if (a < 0)
            break;
        DrivePair p;
        p.master = buckets[a][taken[a]++];
        int b = Fullest(buckets, taken, a);
        if (b < 0) {
            spans = 0;
            if (buckets[a].count - taken[a] <= 0)
                return MODERR_BAD_PARAMETER;  // an odd number of plain drives
            b = a;
        }
        p.partner = buckets[b][taken[b]++];
        if (!pairs.SetSize(pairs.count + 1))
            return MODERR_NO_MEMORY;
        pairs[pairs.count - 1] = p;
        if (p.master == self || p.partner == self)
            ownPair = pairs.count - 1;
    }
    if (ownPair > 0) {
        const DrivePair t = pairs[0];
        pairs[0] = pairs[ownPair];
        pairs[ownPair] = t;
    }
    return 0;
}

// Step 6 of PairForRaid10: the smaller drive of each pair becomes its master,
// the partner joins it and the master is named LD_nnn. 0 or the error code.
uint32_t WritePairs(CController& owner, uint16_t controllerNumber, CArray<DrivePair>& pairs)
{
    for (int k = 0; k < pairs.count; ++k) {
        DrivePair& p = pairs[k];
        if (wire::get32(owner.logDrives[p.partner].info, LDINFO_CAPACITY) <
            wire::get32(owner.logDrives[p.master].info, LDINFO_CAPACITY)) {
            const int t = p.master;
            p.master = p.partner;
            p.partner = t;
        }
        const int masterNumber = owner.logDrives[p.master].driveNumber;
        const int partnerNumber = owner.logDrives[p.partner].driveNumber;
        owner.ReleaseHostDrive(partnerNumber);
        uint32_t rc = ctl_rec_set_drive_param_10(controllerNumber, static_cast<uint16_t>(partnerNumber),
                                                 static_cast<uint16_t>(masterNumber));
        if (rc != 0)
            return rc;
        char name[DRIVE_NAME_SIZE + 1] = {};
        std::snprintf(name, sizeof name, "LD_%03d", k % 1000);
        rc = ctl_rec_set_drive_name(controllerNumber, static_cast<uint16_t>(masterNumber), name);
        if (rc != 0)
            return rc;
    }
    return 0;
}

}  // namespace

int CLogDrive::PairForRaid10(int* spansChannels)
{
    CController* owner = controller;
    const int self = owner->FindLogicalDrive(driveNumber);
    if (self < 0) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    int spans = 1;
    // 1. Plain and mirrored drives.
    CArray<int> plain;
    CArray<int> mirrored;
    if ((error = SortPairCandidates(*owner, *this, self, plain, mirrored, spans)) != 0)
        return 0;
    // 2. Nothing to pair.
    if (plain.count == 0) {
        if (spansChannels != nullptr)
            *spansChannels = spans;
        return 1;
    }
    // 3. to 5. Pairs across channels, this drive's first.
    CArray<DrivePair> pairs;
    if ((error = PairAcrossChannels(*owner, self, plain, pairs, spans)) != 0)
        return 0;
    // 6. Each pair joined under its smaller drive.
    if ((error = WritePairs(*owner, controllerNumber, pairs)) != 0)
        return 0;
    // 7. Commit.
    error = owner->CommitConfiguration();
    // 8. The new components: this drive's mirror, the pairs' masters, the other mirrors.
    CArray<int> rebuilt;
    bool ok = true;
    if (mirrorIndex >= 0) {
        ok = AppendIndex(rebuilt, self) >= 0;
        if (MirrorSharesChannel(*owner, mirrorIndex))
            spans = 0;
    }
    for (int k = 0; k < pairs.count && ok; ++k)
        ok = AppendIndex(rebuilt, pairs[k].master) >= 0;
    for (int k = 0; k < mirrored.count && ok; ++k)
        ok = AppendIndex(rebuilt, mirrored[k]) >= 0;
    if (!ok) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    pending = std::move(rebuilt);
    if (spansChannels != nullptr)
        *spansChannels = spans;
    return 1;
}

int CLogDrive::CreateArray(int type, int* spansChannels, int* arrayNumber, uint32_t stripeSize)
{
    CController* owner = controller;
    const int raid = type & ~RAID_DESTRUCTIVE;
    if (spansChannels != nullptr)
        *spansChannels = 1;
    // Every component takes a slot; the record has 35.
    if ((raid != RAID_TYPE_0 && raid != RAID_TYPE_4 && raid != RAID_TYPE_5 && raid != RAID_TYPE_10) ||
        pending.count + 1 > ARREC_MAX_SLOTS) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    for (int i = 0; i < pending.count; ++i) {
        if (pending[i] < 0 || pending[i] >= owner->logDrives.count) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
    }
    const uint32_t serial = owner->SerialNumber();
    uint8_t rec[ARRAY_RECORD_SIZE] = {};
    rec[ARREC_TYPE] = static_cast<uint8_t>(raid);
    if ((type & RAID_DESTRUCTIVE) != 0)
        rec[ARREC_FLAGS] = ARFLAG_DESTRUCTIVE;
    wire::put32(rec, ARREC_STRIPE, stripeSize);
    char name[DRIVE_NAME_SIZE + 1] = {};
    std::snprintf(name, sizeof name, "RAID%d", raid);
    std::memcpy(rec + ARREC_NAME, name, DRIVE_NAME_SIZE);
    wire::put32(rec, ARREC_SERIAL, serial);
    auto slot = [&rec](int k) { return rec + ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(k); };
    for (int k = 0; k < ARREC_MAX_SLOTS; ++k) {
        wire::put32(slot(k), 0, serial);
        slot(k)[ARREC_SLOT_DRIVE] = static_cast<uint8_t>(driveNumber);
    }
    int count = 0;
    if (raid == RAID_TYPE_10) {
        if (!PairForRaid10(spansChannels))
            return 0;
        if (pending.count == 0 || pending.count > ARREC_MAX_SLOTS) {
            error = MODERR_BAD_PARAMETER;
            return 0;
        }
        for (int i = 0; i < pending.count; ++i)
            slot(i)[ARREC_SLOT_DRIVE] = static_cast<uint8_t>(owner->logDrives[pending[i]].driveNumber);
        count = pending.count;
        // The first pair's master numbers the array.
        driveNumber = owner->logDrives[pending[0]].driveNumber;
    } else {
        for (int i = 0; i < pending.count; ++i)
            slot(i + 1)[ARREC_SLOT_DRIVE] = static_cast<uint8_t>(owner->logDrives[pending[i]].driveNumber);
        count = pending.count + 1;
    }
    rec[ARREC_NUMBER] = static_cast<uint8_t>(driveNumber);
    rec[ARREC_DATA_COUNT] = static_cast<uint8_t>(raid == RAID_TYPE_4 ? count - 1 : count);
    rec[ARREC_SLOT_COUNT] = static_cast<uint8_t>(count);
    if (count < ARREC_MAX_SLOTS) {
        wire::put32(slot(count), 0, 0);
        slot(count)[ARREC_SLOT_DRIVE] = ARREC_SLOT_END;
        slot(count)[ARREC_SLOT_FAILED] = ARREC_SLOT_END;
    }
    if (arrayNumber != nullptr)
        *arrayNumber = driveNumber;
    if (owner->FirmwareLevel() >= kLevelHostTables)
        for (int k = 0; k < count; ++k)
            owner->ReleaseHostDrive(slot(k)[ARREC_SLOT_DRIVE]);
    error = ctl_create_array(controllerNumber, static_cast<uint32_t>(driveNumber), rec);
    return error == 0 ? 1 : 0;
}

int CLogDrive::GetArrayCapacity(uint32_t* largest, uint32_t* capacity)
{
    CArrayDrive array(controllerNumber, driveNumber, controller, 1);
    if (capacity != nullptr)
        *capacity = array.Capacity();
    uint8_t rec[4] = {};
    error = ctl_get_array_param_2c(controllerNumber, 0, static_cast<uint32_t>(driveNumber), rec);
    if (error != 0)
        return 0;
    if (largest != nullptr)
        *largest = wire::get32(rec, 0);
    return 1;
}

int CLogDrive::SetArrayCapacity(uint32_t sectors)
{
    if (sectors != 0) {
        uint8_t rec[4] = {};
        wire::put32(rec, 0, sectors);
        error = ctl_set_array_param_2d(controllerNumber, 0, static_cast<uint32_t>(driveNumber), rec);
    }
    return 1;
}

int CLogDrive::CreateArrayHostDrive(int reRead)
{
    CController* owner = controller;
    if (owner->FirmwareLevel() >= kLevelHostTables) {
        CArrayDrive array(controllerNumber, driveNumber, owner, 1);
        array.CreateHostDrive(driveNumber);
    }
    // A re-read replaces this object: nothing of it is touched afterwards.
    return reRead ? owner->ReReadConfiguration() : 1;
}

int CLogDrive::CreateArrayWithHostDrive(int type, int* spansChannels, int* arrayNumber, uint32_t stripeSize, int reRead)
{
    if (!CreateArray(type, spansChannels, arrayNumber, stripeSize))
        return 0;
    return CreateArrayHostDrive(reRead);
}
