// The built-in scenario as a rehearsal, run by the programs against the
// mounted emulator: every disk of the first controller can be used for a
// host drive, the console's statistics windows show the load rising and
// falling, and the disk information window what the load leaves alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "text_file.h"
#include "tool_process.h"

namespace tui::testing {
namespace {

// Each free disk of controller 0 becomes a host drive of its own.
TEST(DefaultScenario, EveryFreeDiskCanCarryAHostDrive)
{
    for (const char* disk : {"SCSI-A-1", "FCAL-B-1", "SATA-C-1"}) {
        SCOPED_TRACE(disk);
        SimMount sim;
        ASSERT_TRUE(sim.ok());
        const ToolResult created = RunTool({"-c", "-CTR:0", "-RAID:S", std::string("-DISKS:") + disk}, sim.root());
        EXPECT_EQ(created.exitCode, 0);
        EXPECT_EQ(created.out, "");
        EXPECT_EQ(created.err, "INFO: Creating Host Drive. Processing command......\nINFO: Destructive build set.\n"
                               "INFO: Host Drive #1  created.\n");
        const ToolResult status = RunTool({"-s", "-CTR:0"}, sim.root());
        EXPECT_NE(status.out.find(std::string(disk) + "\t0\tDrive "), std::string::npos) << status.out;
    }
}

class defaultScenarioConsoleTest : public mirvaneSession {
protected:
    // The console in administrator mode in controller 0's statistics menu,
    // sampling every tenth of a second, the windows writing their logs.
    void openStatistics()
    {
        ASSERT_NO_FATAL_FAILURE(start("-QUENTRAX"));
        ASSERT_NO_FATAL_FAILURE(toList());
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Express Setup ", configurationReadMs)) << tmux->capture();
        tmux->sendKeys("t");
        ASSERT_TRUE(tmux->waitFor(" View Statistics ")) << tmux->capture();
        tmux->sendKeys("s");
        ASSERT_TRUE(tmux->waitFor("New Sample Rate (in 1/10s): ")) << tmux->capture();
        tmux->sendKeys({"-N 3 Delete", "-l 1", "Enter"});
        ASSERT_TRUE(waitGone("New Sample Rate")) << tmux->capture();
        tmux->sendKeys("o");
        ASSERT_TRUE(tmux->waitFor("│On │")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(waitGone("│On │")) << tmux->capture();
    }
    // Runs the window of `key` with its log until it has taken `samples`
    // samples, then closes it; the log's rows (its numbers each).
    std::vector<std::vector<unsigned long>> logRows(const std::string& key, const std::string& logName, int samples)
    {
        std::vector<std::vector<unsigned long>> rows;
        tmux->sendKeys(key);
        EXPECT_TRUE(tmux->waitFor("Logfile: " + logName)) << tmux->capture();
        tmux->sendKeys("Enter");
        std::string pane;
        const auto taken = [&] {
            const size_t at = (pane = tmux->capture()).find("Samples: ");
            return at != std::string::npos && std::atoi(pane.c_str() + at + 9) >= samples;
        };
        EXPECT_TRUE(kzmtest::waitUntil(taken, redrawMs)) << pane;
        tmux->sendKeys("Escape");
        EXPECT_TRUE(waitGone("Samples:")) << tmux->capture();
        EXPECT_TRUE(tmux->waitFor(" View Statistics ")) << tmux->capture();
        const std::string log = ReadAll(dir + "/" + logName);
        const size_t header = log.find("\n Time [ms]");
        EXPECT_NE(header, std::string::npos) << log;
        if (header == std::string::npos)
            return rows;
        std::istringstream lines(log.substr(log.find('\n', header + 1) + 1));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            rows.emplace_back();
            for (unsigned long x; fields >> x;)
                rows.back().push_back(x);
        }
        return rows;
    }
};

// No control line sets a rate: the scenario's own load shows on each of the
// four disks and on the logical drive, per emulated second (one sample) 625
// blocks (320 KB) read and 250 blocks (128 KB) written, taken at 100, 120,
// 140, 120, 100, 80, 60 and 80 per cent in turn: reads move between 192 and
// 448 KB/s, writes between 76 and 179 KB/s, from one sample to the next.
TEST_F(defaultScenarioConsoleTest, DriveStatisticsMoveWithTheLoad)
{
    ASSERT_NO_FATAL_FAILURE(openStatistics());
    const std::set<unsigned long> reads{192, 256, 320, 384, 448};
    const std::set<unsigned long> writes{76, 102, 128, 153, 179};
    const struct {
        const char* key;
        const char* log;
        size_t drives;
    } windows[] = {{"p", "physstat.log", 4}, {"l", "logstat.log", 1}};
    for (const auto& w : windows) {
        SCOPED_TRACE(w.log);
        // Nine samples take every step of the cycle.
        const auto rows = logRows(w.key, w.log, 9);
        ASSERT_GE(rows.size(), 9u);
        std::set<unsigned long> seen;
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::vector<unsigned long>& r = rows[i];
            // The interval, each drive's read and write KB/s, the sums.
            ASSERT_EQ(r.size(), 3 + 2 * w.drives) << i;
            EXPECT_EQ(r[0], 1000u) << i;
            for (size_t d = 0; d < w.drives; ++d) {
                EXPECT_EQ(r[1 + 2 * d], r[1]) << "every drive alike, row " << i;
                EXPECT_EQ(r[2 + 2 * d], r[2]) << "row " << i;
            }
            EXPECT_TRUE(reads.count(r[1])) << r[1] << ", row " << i;
            EXPECT_TRUE(writes.count(r[2])) << r[2] << ", row " << i;
            EXPECT_EQ(r[r.size() - 2], r[1] * w.drives) << "row " << i;
            if (i > 0) {
                EXPECT_NE(r[1], rows[i - 1][1]) << "the rate moves, row " << i;
            }
            seen.insert(r[1]);
        }
        EXPECT_EQ(seen, reads);
    }
}

// The cache window counts the load: its hit counts and cache writes grow
// by the cycle's amounts, while 15 of every 20 reads and 5 of every 10
// writes hit, so the hit rates stay at 75 and 50 per cent.
TEST_F(defaultScenarioConsoleTest, CacheStatisticsCountTheLoad)
{
    ASSERT_NO_FATAL_FAILURE(openStatistics());
    const auto rows = logRows("c", "cachstat.log", 5);
    ASSERT_GE(rows.size(), 5u);
    // Administrator mode: the data and parity halves' read hit, write hit
    // and dirty percentages, then replacements, flush writes, cache writes
    // since the window opened, which each sample raises by 6 to 14.
    std::set<unsigned long> steps;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<unsigned long>& r = rows[i];
        ASSERT_EQ(r.size(), 10u) << i;
        EXPECT_EQ(std::vector<unsigned long>(r.begin() + 1, r.begin() + 9),
                  (std::vector<unsigned long>{75, 50, 0, 75, 50, 0, 0, 0}))
            << "row " << i;
        if (i == 0)
            continue;
        const unsigned long step = r[9] - rows[i - 1][9];
        EXPECT_TRUE(step == 6 || step == 8 || step == 10 || step == 12 || step == 14) << step << ", row " << i;
        steps.insert(step);
    }
    EXPECT_GE(steps.size(), 2u) << "the amounts move";
}

// The disk information window shows each disk's negotiated transfer rate and
// its error counters: the load leaves them as they are; `diskerr` sets the
// counters, and F10 shows them.
TEST_F(defaultScenarioConsoleTest, DiskInformationShowsWhatTheLoadLeavesAlone)
{
    ASSERT_NO_FATAL_FAILURE(start(""));
    ASSERT_NO_FATAL_FAILURE(toMainMenu());
    tmux->sendKeys("d");
    ASSERT_TRUE(tmux->waitFor(" F10: Refresh ")) << tmux->capture();
    const char* const lines[] = {
        " SCSI-A 0   KZM     VIRTUAL DISK A    80MB      0/0          0  0x00000000",
        " SCSI-A 1   KZM     VIRTUAL DISK B    80MB      0/0          0  0x00000000",
        " FCAL-B 1   KZM     VIRTUAL FC DISK   80MB      0/0          0  0x00000000",
        " SATA   C:1 KZM     VIRTUAL SATA 1    80MB      0/0          0  0x00000000",
    };
    for (int pass = 0; pass < 3; ++pass) {
        const std::string pane = stillPane();
        for (const char* line : lines)
            EXPECT_NE(pane.find(line), std::string::npos) << pass << ": " << line << "\n" << pane;
        tmux->sendKeys("F10");  // another statistics pass under the load
    }
    ASSERT_TRUE(sim->control("diskerr 0 2 1 4 1"));
    tmux->sendKeys("F10");
    EXPECT_TRUE(tmux->waitFor(" SATA   C:1 KZM     VIRTUAL SATA 1    80MB      4/1          0  0x00000000"))
        << tmux->capture();
}

}  // namespace
}  // namespace tui::testing
