#include "statistics_commands.h"

#include <byte_order.h>

#include <algorithm>
#include <map>

namespace kzmsim {

namespace {

constexpr uint32_t CLOCK_STEP = 1000000;      // microseconds per statistics block
constexpr uint32_t COUNTED_BLOCK = 512;       // the counters count 512-byte blocks
constexpr uint32_t BUFFER_SECTORS = 128;      // cache buffer size in sectors
constexpr uint32_t STRIPE_BLOCKS = 128;       // stripe size of a RAID-0 drive

// Statistics block (0x3E) and the head of the combined block (0x30).
constexpr size_t STAT_BLOCK_SIZE = 184;
// Per-drive requests (0x3D, 0x3F): header {0, capacity, entries, time}, 20-byte entries.
constexpr size_t DRIVE_HEAD = 16;
constexpr size_t DRIVE_ENTRY = 20;
// Disk request (0x2000004B): header {channel, 0, capacity, entries, time}, 32-byte entries.
constexpr size_t DISK_HEAD = 20;
constexpr size_t DISK_ENTRY = 32;
// Combined block (0x30).
constexpr size_t OLD_HOST_AT = 184;
constexpr size_t OLD_LOGICAL_AT = 884;
constexpr size_t OLD_DRIVES = 35;
constexpr size_t OLD_DEVICES_AT = 1584;
constexpr size_t OLD_CHANNEL = 256;
constexpr size_t OLD_TARGETS = 8;

// Families 36 and 37 let the clock wrap before 2^32.
bool wrapsEarly(const ControllerFirmware& fw)
{
    const uint8_t cls = fw.identity.typeClass;
    const unsigned high = fw.identity.subtype >> 8;
    return cls == 0xFD || (cls == 0xFE && (high == 0x61 || high == 0x62));
}

// Moves the clock on by one statistics block and returns it.
uint32_t advanceClock(ControllerFirmware& fw)
{
    uint64_t next = static_cast<uint64_t>(fw.stats.clock) + CLOCK_STEP;
    const uint32_t w = fw.identity.board.tickDivider;
    if (wrapsEarly(fw) && w != 0) {
        const uint64_t limit = static_cast<uint64_t>(0xFFFFFFFFu / w) * 8;
        if (limit != 0 && next >= limit)
            next %= limit;
    }
    fw.stats.clock = static_cast<uint32_t>(next);
    return fw.stats.clock;
}

// A rate at `percent` per cent (whole numbers, rounded down).
uint32_t scaled(uint32_t rate, uint32_t percent)
{
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{rate} * percent / 100, UINT32_MAX));
}

void addRates(TransferCounters& t, const TransferCounters& r, uint32_t percent)
{
    t.readOps += scaled(r.readOps, percent);
    t.writeOps += scaled(r.writeOps, percent);
    t.blocksRead += scaled(r.blocksRead, percent);
    t.blocksWritten += scaled(r.blocksWritten, percent);
}

void addCacheRates(CacheCounters& c, const CacheCounters& r, uint32_t percent)
{
    c.readRequests += scaled(r.readRequests, percent);
    c.writeRequests += scaled(r.writeRequests, percent);
    c.readHits += scaled(r.readHits, percent);
    c.writeHits += scaled(r.writeHits, percent);
    c.cacheWrites += scaled(r.writeRequests, percent);
}

// One statistics block's growth by the rates (the scenario's load, or what
// `statrate` and `cacherate` set), at the percentage of the load's cycle
// that this block's turn takes.
void growByRates(ControllerFirmware& fw)
{
    StatisticsState& st = fw.stats;
    const StatisticsRates& r = st.rates;
    const uint32_t percent = r.cycle.empty() ? 100 : r.cycle[st.blocks % r.cycle.size()];
    ++st.blocks;
    for (const Channel& ch : fw.channels)
        for (const Device& d : ch.devices)
            if (d.info[48] == 0)
                addRates(st.disks[ch.address | d.entry].transfers, r.drive, percent);
    for (const auto& [number, d] : fw.logicalDrives) {
        addRates(st.logicalDrives[number], r.drive, percent);
        addRates(st.hostDrives[number], r.drive, percent);
    }
    addCacheRates(st.cache, r.cache, percent);
    addCacheRates(st.parityCache, r.cache, percent);
    st.extraUsed += scaled(r.usedBuffers, percent);
    st.extraDirty += scaled(r.dirtyBuffers, percent);
}

void addTransfer(TransferCounters& t, uint32_t blocks, bool write)
{
    if (write) {
        ++t.writeOps;
        t.blocksWritten += blocks;
    } else {
        ++t.readOps;
        t.blocksRead += blocks;
    }
}

// Index of the member of drive d that holds block b of the drive.
size_t memberOf(const ControllerFirmware& fw, const LogicalDrive& d, uint64_t b)
{
    const size_t n = d.members.size();
    if (n <= 1)
        return 0;
    if (d.type == 16)
        return static_cast<size_t>((b / STRIPE_BLOCKS) % n);
    if (d.type == 32) {
        uint64_t end = 0;
        for (size_t k = 0; k < n; ++k) {
            const Device* dev = fw.deviceAt(d.members[k]);
            end += dev ? wire::get32(dev->info.data(), 40) : 0;
            if (b < end)
                return k;
        }
        return n - 1;
    }
    return 0;
}

// Writes four transfer counters at p + off.
void putTransfers(uint8_t* p, size_t off, const TransferCounters& t)
{
    wire::put32(p, off, t.readOps);
    wire::put32(p, off + 4, t.writeOps);
    wire::put32(p, off + 8, t.blocksRead);
    wire::put32(p, off + 12, t.blocksWritten);
}

// Writes a disk's 28 data bytes at p + off: block size, transfers, retries, reassigns.
void putDiskData(uint8_t* p, size_t off, const DiskCounters& d)
{
    wire::put32(p, off, COUNTED_BLOCK);
    putTransfers(p, off + 4, d.transfers);
    wire::put32(p, off + 20, d.retries);
    wire::put32(p, off + 24, d.reassigns);
}

template <class Map>
typename Map::mapped_type countersOf(const Map& m, uint32_t key)
{
    const auto it = m.find(key);
    return it == m.end() ? typename Map::mapped_type{} : it->second;
}

// Cache counters from block offset 4 on; `counted` selects the layout that
// carries the request counters (0x3E) over the older one (0x30).
void putCache(const ControllerFirmware& fw, uint8_t* p, bool counted)
{
    const CacheCounters& cc = fw.stats.cache;
    const uint32_t maxBuffers = fw.identity.board.cacheBytes / (BUFFER_SECTORS * 512);
    const uint32_t cachedBlocks = static_cast<uint32_t>(std::min<size_t>(fw.blocks.size(), UINT32_MAX));
    const uint64_t held = (cachedBlocks + uint64_t{BUFFER_SECTORS} - 1) / BUFFER_SECTORS;
    const auto used = static_cast<uint32_t>(std::min<uint64_t>(maxBuffers, held + fw.stats.extraUsed));
    const uint32_t on = wire::get32(fw.cacheParams.data(), 4);
    const uint32_t delayed = wire::get32(fw.cacheParams.data(), 8);
    const uint64_t dirty = (delayed ? held : 0) + fw.stats.extraDirty;
    wire::put32(p, 4, counted ? 1 : 0);
    wire::put32(p, 8, on);
    wire::put32(p, 12, delayed);
    wire::put32(p, 20, BUFFER_SECTORS);
    wire::put32(p, 24, maxBuffers);
    wire::put32(p, 36, used);
    wire::put32(p, 40, static_cast<uint32_t>(std::min<uint64_t>(used, dirty)));
    if (counted) {
        wire::put32(p, 44, cc.readRequests);
        wire::put32(p, 48, cc.writeRequests);
        wire::put32(p, 52, cc.readHits);
        wire::put32(p, 56, cc.writeHits);
        wire::put32(p, 80, cc.cacheWrites);
        // The parity cache: switched and sized as the data cache; only the rates move it.
        const CacheCounters& pc = fw.stats.parityCache;
        wire::put32(p, 96, on);
        wire::put32(p, 100, delayed);
        wire::put32(p, 108, BUFFER_SECTORS);
        wire::put32(p, 112, maxBuffers);
        wire::put32(p, 124, used);
        wire::put32(p, 128, static_cast<uint32_t>(std::min<uint64_t>(used, dirty)));
        wire::put32(p, 132, pc.readRequests);
        wire::put32(p, 136, pc.writeRequests);
        wire::put32(p, 140, pc.readHits);
        wire::put32(p, 144, pc.writeHits);
        wire::put32(p, 168, pc.cacheWrites);
    } else {
        wire::put32(p, 44, cc.readHits);
        wire::put32(p, 48, cc.writeHits);
        wire::put32(p, 60, cc.cacheWrites);
    }
}

// Answers a per-drive request with the given drives' counters.
uint32_t answerDrives(const ControllerFirmware& fw, IoctlCall& c,
                      const std::vector<std::pair<uint32_t, TransferCounters>>& drives)
{
    std::vector<uint8_t>& q = c.param;
    if (q.size() < DRIVE_HEAD || (q.size() - DRIVE_HEAD) % DRIVE_ENTRY != 0)
        return FW_STATUS_BAD_RECORD;
    const size_t capacity = (q.size() - DRIVE_HEAD) / DRIVE_ENTRY;
    if (wire::get32(q.data(), 0) != 0 || wire::get32(q.data(), 4) != capacity)
        return FW_STATUS_BAD_RECORD;
    std::fill(q.begin() + 8, q.end(), 0);
    const size_t n = std::min(capacity, drives.size());
    wire::put32(q.data(), 8, fw.identity.reportedStatisticsEntries.value_or(static_cast<uint32_t>(n)));
    wire::put32(q.data(), 12, fw.stats.clock);
    for (size_t k = 0; k < n; ++k) {
        const size_t off = DRIVE_HEAD + k * DRIVE_ENTRY;
        wire::put16(q.data(), off, static_cast<uint16_t>(drives[k].first));
        putTransfers(q.data(), off + 4, drives[k].second);
    }
    return FW_STATUS_OK;
}

}  // namespace

const LogicalDrive* hostDriveCarrier(const ControllerFirmware& fw, uint32_t h)
{
    // Until the emulator keeps host drive tables, host drive n lies on logical drive n.
    const auto it = fw.logicalDrives.find(h);
    return it == fw.logicalDrives.end() ? nullptr : &it->second;
}

void countBlockTransfer(ControllerFirmware& fw, uint16_t hostDrive, uint64_t first, size_t count, bool write,
                        bool hit)
{
    CacheCounters& cc = fw.stats.cache;
    if (write) {
        ++cc.writeRequests;
        ++cc.cacheWrites;
        cc.writeHits += hit ? 1 : 0;
    } else {
        ++cc.readRequests;
        cc.readHits += hit ? 1 : 0;
    }
    const LogicalDrive* d = hostDriveCarrier(fw, hostDrive);
    if (!d)
        return;
    const auto blocks = static_cast<uint32_t>(count);
    addTransfer(fw.stats.hostDrives[hostDrive], blocks, write);
    addTransfer(fw.stats.logicalDrives[d->number], blocks, write);
    std::map<size_t, uint32_t> perMember;
    for (size_t i = 0; i < count; ++i)
        ++perMember[memberOf(fw, *d, first + i)];
    for (const auto& [member, n] : perMember) {
        if (member < d->members.size() && fw.deviceAt(d->members[member]))
            addTransfer(fw.stats.disks[d->members[member]].transfers, n, write);
    }
}

uint32_t statisticsBlockCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (c.param.size() != STAT_BLOCK_SIZE)
        return FW_STATUS_BAD_RECORD;
    std::fill(c.param.begin(), c.param.end(), 0);
    growByRates(fw);
    wire::put32(c.param.data(), 0, advanceClock(fw));
    putCache(fw, c.param.data(), true);
    return FW_STATUS_OK;
}

uint32_t logicalStatisticsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<std::pair<uint32_t, TransferCounters>> drives;
    for (const auto& [number, d] : fw.logicalDrives)
        drives.emplace_back(number, countersOf(fw.stats.logicalDrives, number));
    return answerDrives(fw, c, drives);
}

uint32_t hostStatisticsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<std::pair<uint32_t, TransferCounters>> drives;
    for (const auto& [number, d] : fw.logicalDrives)
        if (hostDriveCarrier(fw, number))
            drives.emplace_back(number, countersOf(fw.stats.hostDrives, number));
    return answerDrives(fw, c, drives);
}

uint32_t diskStatisticsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    const Channel* ch = fw.channelAt(c.target);
    std::vector<uint8_t>& q = c.param;
    if (!ch)
        return FW_STATUS_INVALID_TARGET;
    if (q.size() < DISK_HEAD || (q.size() - DISK_HEAD) % DISK_ENTRY != 0 || wire::get32(q.data(), 0) != ch->number ||
        wire::get32(q.data(), 4) != 0)
        return FW_STATUS_BAD_RECORD;
    const size_t capacity = std::min<size_t>((q.size() - DISK_HEAD) / DISK_ENTRY, wire::get32(q.data(), 8));
    std::fill(q.begin() + 12, q.end(), 0);
    size_t n = 0;
    for (const Device& d : ch->devices) {
        if (d.info[48] != 0 || n == capacity)
            continue;
        const size_t off = DISK_HEAD + n * DISK_ENTRY;
        q[off] = static_cast<uint8_t>(d.entry >> 8);
        q[off + 1] = static_cast<uint8_t>(d.entry & 0xFF);
        putDiskData(q.data(), off + 4, countersOf(fw.stats.disks, ch->address | d.entry));
        ++n;
    }
    wire::put32(q.data(), 12, fw.identity.reportedStatisticsEntries.value_or(static_cast<uint32_t>(n)));
    wire::put32(q.data(), 16, fw.stats.clock);
    return FW_STATUS_OK;
}

uint32_t combinedStatisticsCmd(ControllerFirmware& fw, IoctlCall& c)
{
    std::vector<uint8_t>& q = c.param;
    if (q.size() < OLD_DEVICES_AT || (q.size() - OLD_DEVICES_AT) % OLD_CHANNEL != 0)
        return FW_STATUS_BAD_RECORD;
    std::fill(q.begin(), q.end(), 0);
    uint8_t* p = q.data();
    growByRates(fw);
    wire::put32(p, 0, advanceClock(fw));
    putCache(fw, p, false);
    for (const auto& [number, d] : fw.logicalDrives) {
        if (number >= OLD_DRIVES)
            continue;
        const size_t logical = OLD_LOGICAL_AT + number * DRIVE_ENTRY;
        p[logical] = 1;
        putTransfers(p, logical + 4, countersOf(fw.stats.logicalDrives, number));
        if (hostDriveCarrier(fw, number)) {
            const size_t host = OLD_HOST_AT + number * DRIVE_ENTRY;
            p[host] = 1;
            putTransfers(p, host + 4, countersOf(fw.stats.hostDrives, number));
        }
    }
    const size_t channels = std::min((q.size() - OLD_DEVICES_AT) / OLD_CHANNEL, fw.channels.size());
    for (size_t ch = 0; ch < channels; ++ch) {
        for (const Device& d : fw.channels[ch].devices) {
            const unsigned target = d.entry >> 8;
            if (d.info[48] != 0 || (d.entry & 0xFF) != 0 || target >= OLD_TARGETS)
                continue;
            const size_t off = OLD_DEVICES_AT + ch * OLD_CHANNEL + target * DISK_ENTRY;
            p[off] = 1;
            p[off + 1] = static_cast<uint8_t>(target);
            putDiskData(p, off + 4, countersOf(fw.stats.disks, fw.channels[ch].address | d.entry));
        }
    }
    return FW_STATUS_OK;
}

}  // namespace kzmsim
