// The emulated firmware's statistics, message log and fault bus requests
// say no as a controller would, and keep what they report: hand-built
// request records against a Driver without a mount.
#include "driver.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <string>
#include <vector>

using namespace kzmsim;
using simtest::Bytes;
using simtest::CH0;
using simtest::CH1;
using simtest::control;
using simtest::CTRL;
using simtest::sendIoctl;

namespace {

Scenario statisticsMachine()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [
        {"entry": 0, "profile": "new",
         "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}]},
                      {"kind": 2, "faultBus": true, "devices": [{"target": 2}]}],
         "logicalDrives": [{"number": 0, "type": 16, "name": "STRIPE", "members": [[0, 0], [0, 1]]}]},
        {"entry": 1, "profile": "old"}]})",
                              s, error))
        << error;
    return s;
}

Bytes words(size_t size, std::initializer_list<uint32_t> head)
{
    Bytes p(size, 0);
    size_t off = 0;
    for (uint32_t w : head) {
        wire::put32(p.data(), off, w);
        off += 4;
    }
    return p;
}

// A message log request with the reader's words and the handle.
Bytes logRequest(uint32_t handle)
{
    Bytes p = words(2048, {0x10000, 36, 0x7B3, handle});
    wire::put16(p.data(), 16, 0xFF);
    return p;
}

void writeBlocks(Driver& d, uint32_t first, uint32_t count)
{
    const Bytes rec = simtest::blockRecord(OP_BLOCK_WRITE, 0, first, count, Bytes(count * 512, 1));
    ASSERT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), static_cast<long>(rec.size()));
}

}  // namespace

TEST(StatisticsCommands, RefusedRequests)
{
    struct Case {
        const char* name;
        int entry;
        uint32_t key;
        uint32_t target;
        Bytes param;
        uint32_t status;
    };
    Bytes testBadShape(38, 0);
    testBadShape[0] = 1;
    testBadShape[1] = 1;
    Bytes testNotActive = testBadShape;
    testNotActive[2] = 16;
    testNotActive[3] = 10;
    wire::put16(testNotActive.data(), 4, 250);
    Case cases[] = {
        {"block of another size", 0, 0x3E, CTRL, Bytes(180, 0), FW_STATUS_BAD_RECORD},
        {"old firmware has no block", 1, 0x3E, CTRL, Bytes(184, 0), FW_STATUS_NOT_SUPPORTED},
        {"old firmware has no disk statistics", 1, 0x2000004B, CH0, words(52, {0, 0, 1}), FW_STATUS_NOT_SUPPORTED},
        {"drive header not the capacity", 0, 0x3D, CTRL, words(36, {0, 2}), FW_STATUS_BAD_RECORD},
        {"drive request between entries", 0, 0x3F, CTRL, words(30, {0, 0}), FW_STATUS_BAD_RECORD},
        {"disk statistics of a device", 0, 0x2000004B, 0x20000, words(52, {0, 0, 1}), FW_STATUS_INVALID_TARGET},
        {"disk statistics of the wrong channel number", 0, 0x2000004B, CH1, words(52, {0, 0, 1}),
         FW_STATUS_BAD_RECORD},
        {"combined block too small", 1, 0x30, CTRL, Bytes(1000, 0), FW_STATUS_BAD_RECORD},
        {"combined block between channels", 1, 0x30, CTRL, Bytes(1584 + 100, 0), FW_STATUS_BAD_RECORD},
        {"log of another size", 0, 0x7F, CTRL, Bytes(1024, 0), FW_STATUS_BAD_RECORD},
        {"log without the reader's words", 0, 0x7F, CTRL, Bytes(2048, 0), FW_STATUS_BAD_RECORD},
        {"fault bus state of another size", 0, 0x50, CTRL, Bytes(40, 0), FW_STATUS_BAD_RECORD},
        {"fault bus state of no channel", 0, 0x50, CTRL, Bytes{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                            0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                            0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         FW_STATUS_INVALID_TARGET},
        {"test of another shape", 0, 0x51, CTRL, testBadShape, FW_STATUS_BAD_RECORD},
        {"test of a fault bus not driven", 0, 0x51, CTRL, testNotActive, FW_STATUS_INVALID_TARGET},
        {"test of a channel without fault bus", 0, 0x51, CTRL,
         [&] {
             Bytes p = testNotActive;
             p[1] = 0;
             return p;
         }(),
         FW_STATUS_INVALID_TARGET},
    };
    Driver d(statisticsMachine());
    for (Case& c : cases)
        EXPECT_EQ(sendIoctl(d, c.entry, c.key, c.target, c.param), c.status) << c.name;
}

TEST(StatisticsCommands, AStripeSetsBlocksGoToItsMembersAndTheClockAdvancesPerBlock)
{
    Driver d(statisticsMachine());
    writeBlocks(d, 120, 16);  // 8 blocks on each side of the first stripe boundary
    Bytes block(184, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x3E, CTRL, block), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(block.data(), 0), 1000000u);
    EXPECT_EQ(wire::get32(block.data(), 48), 1u);  // write requests
    Bytes disks = words(20 + 3 * 32, {0, 0, 3});
    ASSERT_EQ(sendIoctl(d, 0, 0x2000004B, CH0, disks), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(disks.data(), 12), 2u);
    EXPECT_EQ(wire::get32(disks.data(), 16), 1000000u);  // the block's time stamp
    for (size_t e = 0; e < 2; ++e) {
        const uint8_t* entry = disks.data() + 20 + 32 * e;
        EXPECT_EQ(entry[0], e);
        EXPECT_EQ(wire::get32(entry, 4), 512u);
        EXPECT_EQ(wire::get32(entry, 12), 1u) << e;   // write operations
        EXPECT_EQ(wire::get32(entry, 20), 8u) << e;   // blocks written
    }
    // A request with room for one disk gets one.
    Bytes one = words(20 + 32, {0, 0, 1});
    ASSERT_EQ(sendIoctl(d, 0, 0x2000004B, CH0, one), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(one.data(), 12), 1u);
    Bytes logical = words(36, {0, 1});
    ASSERT_EQ(sendIoctl(d, 0, 0x3D, CTRL, logical), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(logical.data(), 8), 1u);
    EXPECT_EQ(wire::get16(logical.data(), 16), 0u);
    EXPECT_EQ(wire::get32(logical.data(), 32), 16u);
}

TEST(StatisticsCommands, MessageLogRoundsEventsAndClearing)
{
    Driver d(statisticsMachine());
    const std::string text(100, 'x');
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += "logmsg 0 1 " + text + "\n";
    ASSERT_GT(control(d, lines), 0);
    d.raiseEvent(0, 9, 21, {3, 0});
    uint32_t handle = 0;
    uint32_t total = 0;
    int rounds = 0;
    Bytes p;
    do {
        p = logRequest(handle);
        ASSERT_EQ(sendIoctl(d, 0, 0x7F, CTRL, p), FW_STATUS_OK);
        total += wire::get32(p.data(), 32);
        handle = wire::get32(p.data(), 12);
        ++rounds;
    } while (p[19] != 0 && rounds < 10);
    EXPECT_EQ(total, 41u);
    EXPECT_GT(rounds, 1);
    // The last entry is the event's: kind 3, its number, the text at 44.
    size_t off = 36;
    for (uint32_t k = 1; k < wire::get32(p.data(), 32); ++k)
        off += wire::get32(p.data(), off);
    EXPECT_EQ(wire::get16(p.data(), off + 4), 3);
    EXPECT_EQ(wire::get16(p.data(), off + 40), 21);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data() + off + 44)), "service 9, async. event 21");
    // Reading on from the returned handle finds nothing new.
    p = logRequest(handle);
    ASSERT_EQ(sendIoctl(d, 0, 0x7F, CTRL, p), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(p.data(), 32), 0u);

    Bytes none;
    EXPECT_EQ(sendIoctl(d, 0, 0x2000002E, 0x2FFFF, none), FW_STATUS_OK);
    p = logRequest(0);
    ASSERT_EQ(sendIoctl(d, 0, 0x7F, CTRL, p), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(p.data(), 32), 0u);
    EXPECT_EQ(p[19], 0);
}

TEST(StatisticsCommands, ControlLinesThatCannotBeCarriedOut)
{
    Driver d(statisticsMachine());
    for (const char* line : {"clock 0", "clock 7 5", "clock 0 0x100000000", "diskerr 0 0 0 1", "diskerr 0 0 9 1 1",
                             "diskerr 0 5 0 1 1", "logmsg 0 1", "logmsg 9 1 text", "logmsg 0 0x10000 text",
                             "statrate 0 1 2 3", "statrate 7 1 2 3 4", "statrate 0 1 2 3 x",
                             "statrate 0 1 2 3 0x100000000", "cacherate 0 1 2 3 4 5", "cacherate 9 1 2 3 4 5 6"})
        EXPECT_EQ(control(d, line), -EINVAL) << line;
    EXPECT_GT(control(d, "clock 0 5\ndiskerr 0 0 0 1 2\nlogmsg 0 1 two words"), 0);
}

// The rates come from the control lines or from the scenario's steady load.
TEST(StatisticsCommands, RatesGrowEveryCounterPerStatisticsBlock)
{
    Scenario loaded = statisticsMachine();
    loaded.controllers[0].load.drive = TransferCounters{2, 3, 100, 50};
    loaded.controllers[0].load.cache = CacheCounters{10, 4, 5, 2, 0};
    loaded.controllers[0].load.usedBuffers = 1;
    loaded.controllers[0].load.dirtyBuffers = 1;
    for (const bool byScenario : {false, true}) {
        SCOPED_TRACE(byScenario ? "scenario load" : "control lines");
        Driver d(byScenario ? loaded : statisticsMachine());
        if (!byScenario) {
            ASSERT_GT(control(d, "statrate 0 2 3 100 50\ncacherate 0 10 4 5 2 1 1"), 0);
        }
        Bytes block(184, 0);
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(sendIoctl(d, 0, 0x3E, CTRL, block), FW_STATUS_OK);
        // Data cache, then the parity cache: requests, hits, cache writes; used and dirty buffers.
        const struct {
            size_t at;
            uint32_t value;
        } cache[] = {{44, 20}, {48, 8}, {52, 10}, {56, 4}, {80, 8}, {36, 2}, {40, 2},
                     {132, 20}, {136, 8}, {140, 10}, {144, 4}, {168, 8}, {124, 2}, {128, 2}};
        for (const auto& c : cache)
            EXPECT_EQ(wire::get32(block.data(), c.at), c.value) << c.at;
        Bytes drives = words(16 + 20, {0, 1});
        ASSERT_EQ(sendIoctl(d, 0, 0x3D, CTRL, drives), FW_STATUS_OK);
        EXPECT_EQ(wire::get32(drives.data(), 16 + 4), 4u);
        EXPECT_EQ(wire::get32(drives.data(), 16 + 8), 6u);
        EXPECT_EQ(wire::get32(drives.data(), 16 + 12), 200u);
        EXPECT_EQ(wire::get32(drives.data(), 16 + 16), 100u);
        Bytes disks = words(20 + 2 * 32, {0, 0, 2});
        ASSERT_EQ(sendIoctl(d, 0, 0x2000004B, CH0, disks), FW_STATUS_OK);
        for (size_t e = 0; e < 2; ++e) {
            EXPECT_EQ(wire::get32(disks.data(), 20 + 32 * e + 8), 4u) << e;
            EXPECT_EQ(wire::get32(disks.data(), 20 + 32 * e + 20), 100u) << e;
        }
    }
}

// The built-in scenario's load rises and falls: statistics block n adds the
// rates at the cycle's percentage n (100, 120, 140, 120, 100, 80, 60, 80, and
// again), on every disk, drive and the cache, through the newest firmware's
// requests and the combined block of the older one; the same blocks always
// read the same numbers. A rate line makes every rate steady.
TEST(StatisticsCommands, DefaultScenarioLoadRisesAndFallsInACycle)
{
    Driver d(defaultScenario());
    const std::vector<uint32_t> cycle{100, 120, 140, 120, 100, 80, 60, 80};
    ASSERT_EQ(defaultScenario().controllers[0].load.cycle, cycle);
    // What one block adds at each percentage: SATA disk reads and blocks
    // written, host drive 0 blocks read, cache read requests and hits.
    const struct {
        uint32_t percent, reads, blocksRead, blocksWritten, cacheReads, readHits;
    } grows[] = {{100, 20, 625, 250, 20, 15}, {120, 24, 750, 300, 24, 18}, {140, 28, 875, 350, 28, 21},
                 {80, 16, 500, 200, 16, 12},  {60, 12, 375, 150, 12, 9}};
    uint32_t reads = 0, blocksRead = 0, blocksWritten = 0, cacheReads = 0, readHits = 0;
    std::vector<uint32_t> kbPerSecond;
    for (size_t n = 0; n < 2 * cycle.size(); ++n) {
        SCOPED_TRACE(n);
        const auto* g = std::find_if(std::begin(grows), std::end(grows),
                                     [&](const auto& x) { return x.percent == cycle[n % cycle.size()]; });
        ASSERT_NE(g, std::end(grows));
        reads += g->reads;
        blocksRead += g->blocksRead;
        blocksWritten += g->blocksWritten;
        cacheReads += g->cacheReads;
        readHits += g->readHits;
        Bytes block(184, 0);
        ASSERT_EQ(sendIoctl(d, 0, 0x3E, CTRL, block), FW_STATUS_OK);
        EXPECT_EQ(wire::get32(block.data(), 44), cacheReads);
        EXPECT_EQ(wire::get32(block.data(), 52), readHits);
        Bytes disks = words(20 + 32, {2, 0, 1});  // the SATA channel (number 2)
        ASSERT_EQ(sendIoctl(d, 0, 0x2000004B, 0x4FFFF, disks), FW_STATUS_OK);
        ASSERT_EQ(wire::get32(disks.data(), 12), 1u);
        EXPECT_EQ(disks[20], 1) << "the SATA disk's ID";
        EXPECT_EQ(wire::get32(disks.data(), 20 + 8), reads);
        EXPECT_EQ(wire::get32(disks.data(), 20 + 16), blocksRead);
        EXPECT_EQ(wire::get32(disks.data(), 20 + 20), blocksWritten);
        Bytes drives = words(16 + 20, {0, 1});
        ASSERT_EQ(sendIoctl(d, 0, 0x3F, CTRL, drives), FW_STATUS_OK);
        EXPECT_EQ(wire::get32(drives.data(), 16 + 12), blocksRead) << "host drive 0";
        kbPerSecond.push_back(g->blocksRead * 512 / 1000);
    }
    // A disk reads between 192 and 448 KB per emulated second, and the
    // numbers move from one block to the next.
    EXPECT_EQ(*std::min_element(kbPerSecond.begin(), kbPerSecond.end()), 192u);
    EXPECT_EQ(*std::max_element(kbPerSecond.begin(), kbPerSecond.end()), 448u);
    for (size_t n = 1; n < kbPerSecond.size(); ++n)
        EXPECT_NE(kbPerSecond[n], kbPerSecond[n - 1]) << n;

    // The older firmware: its combined block, disk 0 of channel 0, at 100 and 120 per cent.
    Bytes combined(1584 + 256, 0);
    for (int pass = 0; pass < 2; ++pass)
        ASSERT_EQ(sendIoctl(d, 1, 0x30, CTRL, combined), FW_STATUS_OK);
    EXPECT_EQ(combined[1584], 1);
    EXPECT_EQ(wire::get32(combined.data(), 1584 + 4 + 12), 625u + 750u);

    // After a rate line every block adds the same, the cache's rates as well.
    ASSERT_GT(control(d, "statrate 0 1 1 10 10"), 0);
    Bytes first(184, 0), second(184, 0);
    ASSERT_EQ(sendIoctl(d, 0, 0x3E, CTRL, first), FW_STATUS_OK);
    ASSERT_EQ(sendIoctl(d, 0, 0x3E, CTRL, second), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(second.data(), 44) - wire::get32(first.data(), 44), 20u);
}
