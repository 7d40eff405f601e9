// CController statistics: one pass over the controller's statistics
// requests, handing each device its sample and keeping the cache samples.
// Newer firmware answers the statistics block (0x3E) and the per-channel and
// per-drive requests; older firmware one combined block (0x30).
#include "controller.h"
#include "elapsed_ticks.h"

#include "byte_order.h"
#include "cbuffer.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_request.h"
#include "model_errors.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t STAT_BLOCK_SIZE = 184;
// Cache sample: time stamp, milliseconds, counters (block bytes 4..183), two host drive totals.
constexpr size_t CACHE_SAMPLE_TIME = 0;
constexpr size_t CACHE_SAMPLE_MS = 4;
constexpr size_t CACHE_SAMPLE_COUNTERS = 8;
constexpr size_t CACHE_BLOCK_COUNTERS = 4;
constexpr size_t CACHE_SAMPLE_READ_TOTAL = 188;
constexpr size_t CACHE_SAMPLE_WRITE_TOTAL = 192;
static_assert(CACHE_SAMPLE_COUNTERS + STAT_BLOCK_SIZE - CACHE_BLOCK_COUNTERS == CACHE_SAMPLE_READ_TOTAL);
// Disk statistics of a channel (0x2000004B): header {channel, 0, capacity, entries, time}.
constexpr size_t DISK_HEAD = 20;
constexpr size_t DISK_ENTRY = 32;
constexpr size_t DISK_ENTRIES = 12;
constexpr size_t DISK_TIME = 16;
// Logical and host drive statistics (0x3D, 0x3F): header {0, capacity, entries, time}.
constexpr size_t DRIVE_HEAD = 16;
constexpr size_t DRIVE_ENTRY = 20;
constexpr size_t DRIVE_ENTRIES = 8;
constexpr size_t DRIVE_TIME = 12;
constexpr int DRIVE_SAMPLE_WORDS = 7;
// The combined block of older firmware (0x30).
constexpr size_t OLD_HOST_AT = 184;
constexpr size_t OLD_LOGICAL_AT = 884;
constexpr uint32_t OLD_DRIVES = 35;
constexpr size_t OLD_DEVICES_AT = 1584;
constexpr size_t OLD_CHANNEL = 256;
constexpr int OLD_TARGETS = 8;
constexpr size_t OLD_DATA = 4;           // an entry's data follow its first four bytes
constexpr size_t OLD_DEVICE_DATA = 28;
constexpr size_t OLD_DRIVE_DATA = 16;
// A request's size travels in 16 bits.
constexpr size_t MAX_REQUEST = 0xFFFF;

// Entries that fit a request of `head` + n x `entry` bytes.
size_t Fitting(size_t wanted, size_t head, size_t entry)
{
    return std::min(wanted, (MAX_REQUEST - head) / entry);
}

// A sample of `words` 32-bit words: the time stamp, 0, then the words of `entry`.
void SampleFrom(uint32_t* out, uint32_t time, const uint8_t* entry, int words)
{
    out[0] = time;
    out[1] = 0;
    for (int k = 2; k < words; ++k)
        out[k] = wire::get32(entry, 4 * static_cast<size_t>(k - 2));
}

}  // namespace

uint32_t ElapsedTicks(const CController* controller, uint32_t newer, uint32_t older)
{
    return controller != nullptr ? controller->ElapsedTicks(newer, older) : newer - older;
}

uint32_t CController::ElapsedTicks(uint32_t newer, uint32_t older) const
{
    uint32_t delta = newer - older;
    const int family = GetFamily(FAMILY_MODE_FAMILY);
    if ((family == 36 || family == 37) && newer < older) {
        // The counter wrapped early; without a tick divider there is nothing to correct by.
        const uint32_t divider = wire::get32(boardDetails, BOARD_DETAILS_TICK_DIVIDER);
        if (divider != 0)
            delta = newer + (0xFFFFFFFFu / divider) * 8 - older;
    }
    return delta;
}

void CController::UpdateCacheStatistics(uint8_t* sample, int reset)
{
    if (sample == nullptr)
        return;
    uint8_t* current = cacheStats[CACHE_SAMPLE_CURRENT];
    if (reset) {
        wire::put32(sample, CACHE_SAMPLE_MS, 0);
        for (auto& s : cacheStats)
            std::memcpy(s, sample, CACHE_STAT_SAMPLE_SIZE);
        return;
    }
    const uint32_t delta = ElapsedTicks(wire::get32(sample, CACHE_SAMPLE_TIME), wire::get32(current, CACHE_SAMPLE_TIME));
    wire::put32(sample, CACHE_SAMPLE_MS, delta / 1000 + wire::get32(current, CACHE_SAMPLE_MS));
    std::memcpy(cacheStats[CACHE_SAMPLE_PREVIOUS], current, CACHE_STAT_SAMPLE_SIZE);
    std::memcpy(current, sample, CACHE_STAT_SAMPLE_SIZE);
}

int CController::UpdateStatistics(int reset)
{
    CBuffer<uint8_t> block;
    if (!block.SetSize(STAT_BLOCK_SIZE)) {
        error = MODERR_NO_MEMORY;
        return 0;
    }
    const bool done = ctl_get_statistics_3e(static_cast<uint16_t>(index), STAT_BLOCK_SIZE, block.At(0)) == CTL_OK
                          ? UpdateNewStatistics(block.At(0), reset)
                          : UpdateOldStatistics(reset);
    return done ? 1 : 0;
}

bool CController::UpdateNewStatistics(const uint8_t* block, int reset)
{
    if (!UpdateDiskStatistics(reset) || !UpdateDriveStatistics(false, reset) || !UpdateDriveStatistics(true, reset))
        return false;
    uint8_t sample[CACHE_STAT_SAMPLE_SIZE] = {};
    wire::put32(sample, CACHE_SAMPLE_TIME, wire::get32(block, 0));
    std::memcpy(sample + CACHE_SAMPLE_COUNTERS, block + CACHE_BLOCK_COUNTERS, STAT_BLOCK_SIZE - CACHE_BLOCK_COUNTERS);
    UpdateCacheStatistics(sample, reset);
    return true;
}

bool CController::UpdateDiskStatistics(int reset)
{
    const size_t capacity = Fitting(static_cast<size_t>(physDrives.count), DISK_HEAD, DISK_ENTRY);
    const size_t size = DISK_HEAD + DISK_ENTRY * capacity;
    CBuffer<uint8_t> buf;
    if (!buf.SetSize(static_cast<uint32_t>(size))) {
        error = MODERR_NO_MEMORY;
        return false;
    }
    uint8_t* p = buf.At(0);
    for (int c = 0; c < info.channelCount; ++c) {
        ChannelDesc desc;
        ctl_get_channel_desc(static_cast<uint16_t>(index), static_cast<uint8_t>(c), &desc);
        std::memset(p, 0, size);
        wire::put32(p, 0, desc.number);
        wire::put32(p, 8, static_cast<uint32_t>(capacity));
        const CtlResult rc = ctl_get_disk_statistics(static_cast<uint16_t>(index), ctl_channel_target(desc),
                                                     static_cast<uint16_t>(size), p);
        if (rc != CTL_OK) {
            error = rc;
            return false;
        }
        // The controller's count is believed only as far as the buffer reaches.
        const size_t n = std::min<size_t>(wire::get32(p, DISK_ENTRIES), capacity);
        const uint32_t time = wire::get32(p, DISK_TIME);
        for (size_t e = 0; e < n; ++e) {
            const uint8_t* entry = p + DISK_HEAD + e * DISK_ENTRY;
            const int k = FindPhysDrive(c, entry[0], entry[1]);
            if (k < 0)
                continue;
            DiskStatSample s;
            s.time = time;
            for (int w = 0; w < DISK_STAT_COUNTERS; ++w)
                s.counters[w] = wire::get32(entry, 4 * static_cast<size_t>(w));
            physDrives[k].UpdateStatistics(&s, reset);
        }
    }
    return true;
}

bool CController::UpdateDriveStatistics(bool host, int reset)
{
    const size_t capacity = Fitting(static_cast<size_t>(host ? hostDrives.count : logDrives.count), DRIVE_HEAD,
                                    DRIVE_ENTRY);
    const size_t size = DRIVE_HEAD + DRIVE_ENTRY * capacity;
    CBuffer<uint8_t> buf;
    if (!buf.SetSize(static_cast<uint32_t>(size))) {
        error = MODERR_NO_MEMORY;
        return false;
    }
    uint8_t* p = buf.At(0);
    wire::put32(p, 4, static_cast<uint32_t>(capacity));
    const auto c = static_cast<uint16_t>(index);
    const CtlResult rc = host ? ctl_get_statistics_3f(c, static_cast<uint16_t>(size), p)
                              : ctl_get_statistics_3d(c, static_cast<uint16_t>(size), p);
    if (rc != CTL_OK) {
        error = rc;
        return false;
    }
    const size_t n = std::min<size_t>(wire::get32(p, DRIVE_ENTRIES), capacity);
    const uint32_t time = wire::get32(p, DRIVE_TIME);
    for (size_t e = 0; e < n; ++e) {
        const uint8_t* entry = p + DRIVE_HEAD + e * DRIVE_ENTRY;
        uint32_t sample[DRIVE_SAMPLE_WORDS];
        SampleFrom(sample, time, entry, DRIVE_SAMPLE_WORDS);
        const uint32_t number = wire::get16(entry, 0);
        if (host)
            HandHostDriveSample(number, sample, reset);
        else
            HandLogDriveSample(number, sample, reset);
    }
    return true;
}

bool CController::UpdateOldStatistics(int reset)
{
    const int channelCount = std::clamp(info.channelCount, 0, CONTROLLER_MAX_CHANNELS);
    const size_t size = OLD_DEVICES_AT + OLD_CHANNEL * static_cast<size_t>(channelCount);
    CBuffer<uint8_t> buf;
    if (!buf.SetSize(static_cast<uint32_t>(size))) {
        error = MODERR_NO_MEMORY;
        return false;
    }
    uint8_t* p = buf.At(0);
    const CtlResult rc = ctl_get_statistics_30(static_cast<uint16_t>(index), 0, CTL_TARGET_CONTROLLER,
                                               static_cast<uint16_t>(size), p);
    if (rc != CTL_OK) {
        error = rc;
        return false;
    }
    const uint32_t time = wire::get32(p, 0);
    for (int k = 0; k < physDrives.count; ++k) {
        CPhysDrive& d = physDrives[k];
        if (d.channel < 0 || d.channel >= channelCount || d.targetId < 0 || d.targetId >= OLD_TARGETS)
            continue;
        const uint8_t* entry = p + OLD_DEVICES_AT + OLD_CHANNEL * static_cast<size_t>(d.channel) +
                               DISK_ENTRY * static_cast<size_t>(d.targetId);
        if (entry[0] == 0)
            continue;
        DiskStatSample s;
        s.time = time;
        s.counters[0] = static_cast<uint32_t>(d.targetId);
        for (size_t w = 0; w < OLD_DEVICE_DATA / 4; ++w)
            s.counters[1 + w] = wire::get32(entry, OLD_DATA + 4 * w);
        d.UpdateStatistics(&s, reset);
    }
    // Host drive and logical drive entries of drive numbers 0..34; the cache
    // sample totals the host drives' read and write operations.
    uint32_t readTotal = 0;
    uint32_t writeTotal = 0;
    for (uint32_t n = 0; n < OLD_DRIVES; ++n) {
        const uint8_t* hostEntry = p + OLD_HOST_AT + DRIVE_ENTRY * n;
        const uint8_t* logEntry = p + OLD_LOGICAL_AT + DRIVE_ENTRY * n;
        uint32_t sample[DRIVE_SAMPLE_WORDS];
        if (hostEntry[0] != 0) {
            readTotal += wire::get32(hostEntry, OLD_DATA);
            writeTotal += wire::get32(hostEntry, OLD_DATA + 4);
            SampleFrom(sample, time, hostEntry + OLD_DATA - 4, DRIVE_SAMPLE_WORDS);
            sample[2] = n;
            HandHostDriveSample(n, sample, reset);
        }
        if (logEntry[0] != 0) {
            SampleFrom(sample, time, logEntry + OLD_DATA - 4, DRIVE_SAMPLE_WORDS);
            sample[2] = n;
            HandLogDriveSample(n, sample, reset);
        }
    }
    static_assert(OLD_DRIVE_DATA == 4 * (DRIVE_SAMPLE_WORDS - 3));
    uint8_t sample[CACHE_STAT_SAMPLE_SIZE] = {};
    wire::put32(sample, CACHE_SAMPLE_TIME, time);
    std::memcpy(sample + CACHE_SAMPLE_COUNTERS, p + CACHE_BLOCK_COUNTERS, STAT_BLOCK_SIZE - CACHE_BLOCK_COUNTERS);
    wire::put32(sample, CACHE_SAMPLE_READ_TOTAL, readTotal);
    wire::put32(sample, CACHE_SAMPLE_WRITE_TOTAL, writeTotal);
    UpdateCacheStatistics(sample, reset);
    return true;
}

namespace {

// A drive statistics sample from its seven words: time stamp, milliseconds, then the counters.
DriveStatSample SampleOf(const uint32_t* sample)
{
    static_assert(DRIVE_SAMPLE_WORDS == 2 + DRIVE_STAT_COUNTERS);
    DriveStatSample x;
    x.time = sample[0];
    x.milliseconds = sample[1];
    std::copy_n(sample + 2, DRIVE_STAT_COUNTERS, x.counters);
    return x;
}

}  // namespace

void CController::HandLogDriveSample(uint32_t number, const uint32_t* sample, int reset)
{
    const int i = FindLogicalDrive(static_cast<int>(number));
    if (i < 0)
        return;
    DriveStatSample x = SampleOf(sample);
    logDrives[i].UpdateStatistics(&x, reset);
}

void CController::HandHostDriveSample(uint32_t number, const uint32_t* sample, int reset)
{
    const int i = FindHostDrive(static_cast<int>(number));
    if (i < 0)
        return;
    DriveStatSample x = SampleOf(sample);
    hostDrives[i].UpdateStatistics(&x, reset);
}

void CController::ThreadProc2(CThreadEntry& slot)
{
    RefreshLoop(slot, statsRefreshInterval, [this] { UpdateStatistics(0); });
}

int CController::SetStatisticsRefresh(int seconds)
{
    const int old = statsRefreshInterval;
    statsRefreshInterval = seconds;
    if (old == 0 && seconds != 0) {
        statsRefreshWorker = StartThread(CONTROLLER_STATS_WORKER, 0, 0);
        if (statsRefreshWorker < 0)
            statsRefreshInterval = 0;  // nothing runs: a later stop must not stop the other worker
        return statsRefreshWorker >= 0 ? 1 : 0;
    }
    if (old != 0 && seconds == 0)
        return StopThread(statsRefreshWorker, 1);
    return 1;
}
