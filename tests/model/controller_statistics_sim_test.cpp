// Controller statistics end to end: block transfers through raw commands
// advance the emulated firmware's counters, a statistics pass hands each
// disk and the cache their samples; the older combined block, the early
// wrap of the clock, the reset form and the background refresh workers.
#include "ctl_commands.h"
#include "phys_drive_sim_test.h"

#include <byte_order.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// Disks at targets 0 and 1 of a SCSI channel, logical drive (and host drive) 0 on the first.
std::string TwoDisks(const std::string& profile, const std::string& extra = "")
{
    return R"({"entry": 0, "profile": ")" + profile + R"(")" + extra +
           R"(, "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]}],
               "logicalDrives": [{"number": 0, "type": 0, "name": "DISK_0", "members": [[0, 0]]}]})";
}

// Cache sample offsets (the statistics display's fields).
constexpr size_t kMs = 4;
constexpr size_t kLayoutFlag = 8;
constexpr size_t kReadRequests = 48;
constexpr size_t kWriteRequests = 52;
constexpr size_t kReadHits = 56;
constexpr size_t kOldReadTotal = 188;
constexpr size_t kOldWriteTotal = 192;
// Disk sample counters: target/LUN word, bytes per block, read and write
// operations, blocks read and written, retries, reassigns.
enum { kBytesPerBlock = 1, kReadOps, kWriteOps, kBlocksRead, kBlocksWritten, kRetries, kReassigns };

uint32_t CacheWord(const CController& c, int sample, size_t at) { return wire::get32(c.CacheSample(sample), at); }

uint32_t CacheDelta(const CController& c, size_t at)
{
    return CacheWord(c, CACHE_SAMPLE_CURRENT, at) - CacheWord(c, CACHE_SAMPLE_PREVIOUS, at);
}

uint32_t DiskDelta(const CPhysDrive& d, int counter)
{
    return d.GetSample(DISK_SAMPLE_CURRENT)->counters[counter] - d.GetSample(DISK_SAMPLE_PREVIOUS)->counters[counter];
}

class ControllerStatisticsTest : public PhysDriveSimTest {
protected:
    // Writes (or reads) `count` blocks of host drive 0 through a raw command.
    static int Transfer(CController& c, uint8_t operation, uint32_t first, uint32_t count)
    {
        std::vector<uint8_t> data(count * 512, 0x5A);
        RawCommand cmd;
        cmd.service = RAW_SERVICE_BLOCKS;
        cmd.operation = operation;
        cmd.blocks.hostDrive = 0;
        cmd.blocks.firstBlock = first;
        cmd.blocks.blockCount = count;
        cmd.blocks.data = data.data();
        cmd.blocks.dataSize = data.size();
        return c.ExecuteRawCommand(&cmd);
    }

    // Asks the controller's per-drive statistics (0x3D or 0x3F) with room for
    // one drive; the drive's read and write operations, blocks read and written.
    static std::vector<uint32_t> DriveCounters(const CController& c, bool host)
    {
        uint8_t p[36] = {};
        wire::put32(p, 4, 1);
        const auto n = static_cast<uint16_t>(c.index);
        const CtlResult rc = host ? ctl_get_statistics_3f(n, sizeof p, p) : ctl_get_statistics_3d(n, sizeof p, p);
        EXPECT_EQ(rc, CTL_OK);
        EXPECT_EQ(wire::get32(p, 8), 1u);
        return {wire::get32(p, 20), wire::get32(p, 24), wire::get32(p, 28), wire::get32(p, 32)};
    }
};

TEST_F(ControllerStatisticsTest, BlocksWrittenToAHostDriveShowAtEveryLevel)
{
    CController* c = Scanned(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    const auto hostBefore = DriveCounters(*c, true);
    const auto logBefore = DriveCounters(*c, false);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 100, 8), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_READ, 100, 8), 1);  // what was written: a cache hit
    ASSERT_EQ(c->UpdateStatistics(0), 1);

    const CPhysDrive& member = c->physDrives[At(*c, 0, 0)];
    EXPECT_EQ(member.GetSample(DISK_SAMPLE_CURRENT)->counters[kBytesPerBlock], 512u);
    EXPECT_EQ(DiskDelta(member, kWriteOps), 1u);
    EXPECT_EQ(DiskDelta(member, kBlocksWritten), 8u);
    EXPECT_EQ(DiskDelta(member, kReadOps), 1u);
    EXPECT_EQ(DiskDelta(member, kBlocksRead), 8u);
    EXPECT_EQ(member.GetSample(DISK_SAMPLE_CURRENT)->milliseconds, 1000u);  // one second per pass
    const CPhysDrive& other = c->physDrives[At(*c, 0, 1)];
    EXPECT_EQ(DiskDelta(other, kBlocksWritten), 0u);

    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, kLayoutFlag), 1u);
    EXPECT_EQ(CacheDelta(*c, kWriteRequests), 1u);
    EXPECT_EQ(CacheDelta(*c, kReadRequests), 1u);
    EXPECT_EQ(CacheDelta(*c, kReadHits), 1u);
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, kMs), 1000u);

    for (bool host : {true, false}) {
        const auto after = DriveCounters(*c, host);
        const auto& before = host ? hostBefore : logBefore;
        EXPECT_EQ(after[1] - before[1], 1u) << host;
        EXPECT_EQ(after[3] - before[3], 8u) << host;
    }
    // The pass asked the block, each channel's disks, the logical and the host drives.
    EXPECT_EQ(Logged(0x3E), 2u);
    EXPECT_EQ(Logged(0x2000004B), 2u);
    EXPECT_EQ(Logged(0x30), 0u);
}

TEST_F(ControllerStatisticsTest, ALogicalDriveTakesItsSample)
{
    CController* c = OpenController(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    const int d = c->FindLogicalDrive(0);
    ASSERT_GE(d, 0);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 100, 8), 1);
    ASSERT_EQ(c->UpdateStatistics(0), 1);
    // Words after the time stamps: the number word, read and write operations, blocks read and written.
    const DriveStatSample* now = &c->logDrives[d].samples[DRIVE_SAMPLE_CURRENT];
    const DriveStatSample* before = &c->logDrives[d].samples[DRIVE_SAMPLE_PREVIOUS];
    EXPECT_EQ(now->counters[2] - before->counters[2], 1u);
    EXPECT_EQ(now->counters[4] - before->counters[4], 8u);
    EXPECT_EQ(now->milliseconds, 1000u);
}

TEST_F(ControllerStatisticsTest, AHostDriveTakesItsSample)
{
    CController* c = OpenController(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    const int d = c->FindLogicalDrive(0);
    ASSERT_GE(d, 0);
    ASSERT_EQ(c->logDrives[d].CreateHostDrive(0), 1);
    ASSERT_EQ(c->Refresh(), 1);
    const int h = c->FindHostDrive(0);
    ASSERT_GE(h, 0);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 100, 8), 1);
    ASSERT_EQ(c->UpdateStatistics(0), 1);
    const DriveStatSample& now = c->hostDrives[h].samples[DRIVE_SAMPLE_CURRENT];
    const DriveStatSample& before = c->hostDrives[h].samples[DRIVE_SAMPLE_PREVIOUS];
    EXPECT_EQ(now.counters[2] - before.counters[2], 1u);
    EXPECT_EQ(now.counters[4] - before.counters[4], 8u);
}

TEST_F(ControllerStatisticsTest, OlderFirmwareAnswersTheCombinedBlock)
{
    CController* c = Scanned(TwoDisks("old", R"(, "class": "0x86")"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 0, 4), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 4, 2), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_READ, 0, 3), 1);
    ASSERT_EQ(c->UpdateStatistics(0), 1);

    EXPECT_EQ(Logged(0x30), 2u);
    EXPECT_EQ(Logged(0x3D) + Logged(0x3F) + Logged(0x2000004B), 0u);
    const CPhysDrive& member = c->physDrives[At(*c, 0, 0)];
    EXPECT_EQ(member.GetSample(DISK_SAMPLE_CURRENT)->counters[0], 0u);  // the target ID
    EXPECT_EQ(DiskDelta(member, kWriteOps), 2u);
    EXPECT_EQ(DiskDelta(member, kBlocksWritten), 6u);
    EXPECT_EQ(DiskDelta(member, kBlocksRead), 3u);
    // The older layout: the host drives' read and write operations as the request totals.
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, kLayoutFlag), 0u);
    EXPECT_EQ(CacheDelta(*c, kOldWriteTotal), 2u);
    EXPECT_EQ(CacheDelta(*c, kOldReadTotal), 1u);
}

TEST_F(ControllerStatisticsTest, RetriesAndReassignsOfADisk)
{
    CController* c = Scanned(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("diskerr 0 0 1 7 3"));
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    const DiskStatSample* s = c->physDrives[At(*c, 0, 1)].GetSample(DISK_SAMPLE_CURRENT);
    EXPECT_EQ(s->counters[kRetries], 7u);
    EXPECT_EQ(s->counters[kReassigns], 3u);
}

// The clock wraps at (0xFFFFFFFF / w) x 8 on family 36 and at 2^32 on family 35.
struct WrapCase {
    const char* name;
    const char* profile;
    const char* extra;
    uint64_t wrap;
};

class ClockWrapTest : public ControllerStatisticsTest, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(ClockWrapTest, AClockThatWrappedBetweenTwoSamplesStillCountsOneSecond)
{
    const WrapCase& w = GetParam();
    CController* c = Scanned(TwoDisks(w.profile, w.extra));
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("clock 0 " + std::to_string(w.wrap - 1500000)));
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, 0), w.wrap - 500000);
    ASSERT_EQ(c->UpdateStatistics(0), 1);
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, 0), 500000u);
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, kMs), 1000u);
    EXPECT_EQ(c->physDrives[At(*c, 0, 0)].GetSample(DISK_SAMPLE_CURRENT)->milliseconds, 1000u);
}

INSTANTIATE_TEST_SUITE_P(Families, ClockWrapTest,
                         ::testing::Values(WrapCase{"family36", "new", "", uint64_t{0xFFFFFFFFu / 1000} * 8},
                                           WrapCase{"family35", "old", R"(, "class": "0x86")", uint64_t{1} << 32}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControllerStatisticsTest, WithoutATickDividerTheDifferenceIsPlain)
{
    CController* c = OpenController(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    wire::put32(c->boardDetails, BOARD_DETAILS_TICK_DIVIDER, 0);
    uint8_t sample[CACHE_STAT_SAMPLE_SIZE] = {};
    wire::put32(sample, 0, 0xFFFFFF00);
    c->UpdateCacheStatistics(sample, 1);
    wire::put32(sample, 0, 2000 - 0x100);  // 2000 ticks later, modulo 2^32
    c->UpdateCacheStatistics(sample, 0);
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, kMs), 2u);
}

TEST_F(ControllerStatisticsTest, ResetMakesThreeEqualSamples)
{
    CController* c = Scanned(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 0, 2), 1);
    ASSERT_EQ(c->UpdateStatistics(0), 1);
    ASSERT_EQ(c->UpdateStatistics(0), 1);
    ASSERT_NE(std::memcmp(c->CacheSample(CACHE_SAMPLE_CURRENT), c->CacheSample(CACHE_SAMPLE_BASE),
                          CACHE_STAT_SAMPLE_SIZE), 0);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    for (int i : {CACHE_SAMPLE_PREVIOUS, CACHE_SAMPLE_BASE})
        EXPECT_EQ(std::memcmp(c->CacheSample(CACHE_SAMPLE_CURRENT), c->CacheSample(i), CACHE_STAT_SAMPLE_SIZE), 0) << i;
    EXPECT_EQ(CacheWord(*c, CACHE_SAMPLE_CURRENT, kMs), 0u);
    const CPhysDrive& d = c->physDrives[At(*c, 0, 0)];
    for (int i : {DISK_SAMPLE_PREVIOUS, DISK_SAMPLE_BASE})
        EXPECT_EQ(std::memcmp(d.GetSample(DISK_SAMPLE_CURRENT), d.GetSample(i), sizeof(DiskStatSample)), 0) << i;
    EXPECT_EQ(d.GetSample(DISK_SAMPLE_CURRENT)->milliseconds, 0u);
}

TEST_F(ControllerStatisticsTest, EntryCountsBeyondTheBufferAreNotBelieved)
{
    // The controller claims 100000 entries in every answer; only what the buffers hold is read.
    CController* c = Scanned(TwoDisks("new", R"(, "reportedStatisticsEntries": 100000)"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->UpdateStatistics(1), 1);
    ASSERT_EQ(Transfer(*c, RAW_OPERATION_WRITE, 0, 4), 1);
    ASSERT_EQ(c->UpdateStatistics(0), 1);
    EXPECT_EQ(DiskDelta(c->physDrives[At(*c, 0, 1)], kBlocksWritten), 0u);
}

TEST_F(ControllerStatisticsTest, AFailingDiskRequestFailsThePass)
{
    CController* c = Scanned(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("status 0 0x2000004B 0x000A"));
    EXPECT_EQ(c->UpdateStatistics(0), 0);
    EXPECT_EQ(c->error, 0x0100000Au);
}

// The refresh workers: each asks the controller once a second until stopped,
// and a stopped worker leaves no process behind.
struct WorkerCase {
    const char* name;
    int (CController::*set)(int);
    uint32_t key;  // a request of the worker's pass
};

TEST_F(ControllerStatisticsTest, RefreshWorkersRunEachSecondUntilStopped)
{
    const WorkerCase cases[] = {
        {"statistics", &CController::SetStatisticsRefresh, 0x3E},
        {"information", &CController::SetInfoRefresh, 0x28},
    };
    CController* c = Scanned(TwoDisks("new"));
    ASSERT_NE(c, nullptr);
    for (const WorkerCase& w : cases) {
        SCOPED_TRACE(w.name);
        EXPECT_EQ((c->*w.set)(0), 1);  // nothing to stop
        const size_t before = Logged(w.key);
        ASSERT_EQ((c->*w.set)(1), 1);
        ASSERT_EQ((c->*w.set)(2), 1);  // a new interval only
        pid_t pid = -1;
        for (int i = 0; i < c->threads.count; ++i)
            if (c->threads[i].running)
                pid = c->threads[i].pid;
        ASSERT_GT(pid, 0);
        for (int i = 0; i < 80 && Logged(w.key) < before + 2; ++i)
            ModelPauseMs(100);
        EXPECT_GE(Logged(w.key), before + 2);
        EXPECT_EQ((c->*w.set)(0), 1);
        for (int i = 0; i < c->threads.count; ++i)
            EXPECT_EQ(c->threads[i].running, 0);
        // Collected: not even a zombie answers.
        EXPECT_EQ(kill(pid, 0), -1);
        EXPECT_EQ(errno, ESRCH);
        const size_t stopped = Logged(w.key);
        ModelPauseMs(1500);
        EXPECT_EQ(Logged(w.key), stopped);
    }
}

}  // namespace
