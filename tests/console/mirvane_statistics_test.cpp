// The statistics menu and windows of mirvane in a real terminal (tmux)
// against the mounted emulator, whose statistics grow by set rates per
// statistics pass.
#include <dirent.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "text_file.h"

namespace tui::testing {
namespace {

// Six disks on one SCSI channel: more than the four rows of a 25-line screen.
const std::string manyDisks = R"({"controllers": [{"entry": 0, "typeName": "KZM8530RZ", "channels": [{"kind": 2,
  "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3}, {"target": 4}, {"target": 5}]}]}]})";
// A controller with a channel and nothing on it.
const std::string noDisks = R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "devices": []}]}]})";

class mirvaneStatisticsTest : public mirvaneSession {
protected:
    // The console (in the test's own directory) on a scenario, its controller `entry` open in
    // the statistics menu.
    void open(const std::string& args, const std::string& scenario = "", int entry = 0)
    {
        ASSERT_NO_FATAL_FAILURE(start(args, scenario));
        ASSERT_NO_FATAL_FAILURE(toMainMenu(entry));
        ASSERT_TRUE(tmux->waitFor(" Express Setup ")) << tmux->capture();
        tmux->sendKeys("t");
        ASSERT_TRUE(tmux->waitFor(" View Statistics ")) << tmux->capture();
    }
    // Administrator mode's sample period in tenths.
    void setPeriod(const std::string& tenths)
    {
        tmux->sendKeys("s");
        ASSERT_TRUE(tmux->waitFor("New Sample Rate (in 1/10s): ")) << tmux->capture();
        tmux->sendKeys({"-N 3 Delete", "-l " + tenths, "Enter"});
        ASSERT_TRUE(waitGone("New Sample Rate")) << tmux->capture();
    }
    void loggingOn()
    {
        tmux->sendKeys("o");
        ASSERT_TRUE(tmux->waitFor("│On │")) << tmux->capture();
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(waitGone("│On │")) << tmux->capture();
    }
    // The sample count the pane's status line shows; -1 when it shows none.
    static int samplesIn(const std::string& pane)
    {
        const size_t at = pane.find("Samples: ");
        return at == std::string::npos ? -1 : std::atoi(pane.c_str() + at + 9);
    }
    // Waits until the window has taken at least `count` samples (at a tenth of
    // a second each, one count shows too briefly to be caught); the pane then.
    std::string waitSamples(int count)
    {
        std::string pane;
        EXPECT_TRUE(kzmtest::waitUntil([&] { return samplesIn(pane = tmux->capture()) >= count; }, redrawMs)) << pane;
        return pane;
    }
    // ESC out of a window; the menu is back.
    void closeWindow()
    {
        tmux->sendKeys("Escape");
        ASSERT_TRUE(waitGone("Samples:")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(" View Statistics ")) << tmux->capture();
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        if (DIR* d = opendir(dir.c_str())) {
            while (const dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    out.emplace_back(e->d_name);
            closedir(d);
        }
        return out;
    }
    std::string Read(const std::string& name) const { return ReadAll(dir + "/" + name); }
    // The log's lines after its column header line.
    static std::vector<std::string> Rows(const std::string& log, const std::string& header)
    {
        std::vector<std::string> rows;
        size_t at = log.find(header);
        if (at == std::string::npos)
            return rows;
        at += header.size();
        for (size_t end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
            rows.push_back(log.substr(at, end - at));
        return rows;
    }

};

TEST_F(mirvaneStatisticsTest, MenuItemsFollowTheModeAndTheController)
{
    const struct {
        const char* args;
        const std::string* scenario;
        std::vector<std::string> shown;
        std::vector<std::string> hidden;
    } cases[] = {
        {"", nullptr, {"│Logical Drives", "│Physical Drives", "│Cache statistics", "│Sample rate", "│Logging On/Off"},
         {"│Host Drives", "│Driver statistics"}},
        {"-QUENTRAX", nullptr, {"│Logical Drives", "│Physical Drives", "│Driver statistics"}, {"│Host Drives"}},
        {"-QUENTRAX", &noDisks, {"│Cache statistics", "│Driver statistics"},
         {"│Host Drives", "│Logical Drives", "│Physical Drives"}},
    };
    for (const auto& c : cases) {
        open(c.args, c.scenario ? *c.scenario : "");
        const std::string pane = stillPane();
        for (const std::string& item : c.shown)
            EXPECT_NE(pane.find(item), std::string::npos) << c.args << item << pane;
        for (const std::string& item : c.hidden)
            EXPECT_EQ(pane.find(item), std::string::npos) << c.args << item << pane;
    }
}

TEST_F(mirvaneStatisticsTest, SampleRateIsAskedWithinItsBounds)
{
    open("");
    tmux->sendKeys("s");
    ASSERT_TRUE(tmux->waitFor("New Sample Rate (in sec.): 2 ")) << tmux->capture();
    for (const char* wrong : {"11", "0", "x"}) {
        tmux->sendKeys({"-N 3 Delete", std::string("-l ") + wrong, "Enter"});
        ASSERT_TRUE(tmux->waitFor("Sample rate must be between 1 and 10 !")) << wrong << tmux->capture();
        tmux->sendKeys("x");
        ASSERT_TRUE(waitGone("Sample rate must be")) << tmux->capture();
    }
    tmux->sendKeys({"-N 3 Delete", "-l 5", "Enter"});
    ASSERT_TRUE(waitGone("New Sample Rate")) << tmux->capture();
    tmux->sendKeys("s");
    ASSERT_TRUE(tmux->waitFor("New Sample Rate (in sec.): 5 ")) << "50 tenths shown as 5" << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone("New Sample Rate")) << tmux->capture();

    open("-QUENTRAX");
    tmux->sendKeys("s");
    ASSERT_TRUE(tmux->waitFor("New Sample Rate (in 1/10s): ")) << tmux->capture();
    tmux->sendKeys({"-N 3 Delete", "-l 101", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Sample rate must be between 1 and 100 !")) << tmux->capture();
    tmux->sendKeys({"x", "-N 3 Delete", "-l 100", "Enter"});
    ASSERT_TRUE(waitGone("New Sample Rate")) << tmux->capture();
}

TEST_F(mirvaneStatisticsTest, DriveWindowShowsRatesTotalAndStatusLine)
{
    controls = {"statrate 0 2 3 100 50"};
    open("-QUENTRAX");
    setPeriod("1");
    tmux->sendKeys("p");
    const std::string pane = waitSamples(2);
    EXPECT_EQ(paneLine(pane, 4).find("Physical Drive Statistics"), 27u) << pane;
    // Four disks at 100 blocks of 512 bytes and 2 and 3 operations per second.
    for (int row : {7, 10, 13, 16}) {
        EXPECT_EQ(paneLine(pane, row), "Read:       51     2") << row << pane;
        EXPECT_EQ(paneLine(pane, row + 1), "Write:      25     3") << row << pane;
    }
    EXPECT_NE(paneLine(pane, 9).find("          SCSI-A ID:0   KZM     VIRTUAL DISK"), std::string::npos) << pane;
    EXPECT_EQ(paneLine(pane, 21), "Read:      204     8 ██") << pane;
    EXPECT_EQ(paneLine(pane, 22), "Write:     100    12 █") << pane;
    EXPECT_EQ(paneLine(pane, 23), "          TOTAL");
    EXPECT_EQ(paneLine(pane, 24).find(" Ctr: KZM8530RZ on Local_Sys; Samples: "), 0u) << pane;
    EXPECT_NE(paneLine(pane, 24).find(", Log: Off, ↑↓←→: Scroll/Scale"), std::string::npos) << pane;
    closeWindow();
    EXPECT_TRUE(rowStarts(24, "[PCI 2/1]: KZM8530RZ on Loca..")) << tmux->capture();
}

TEST_F(mirvaneStatisticsTest, ScrollMarksPagesAndScaleKeys)
{
    open("-QUENTRAX", manyDisks);
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor("Samples: 0,")) << tmux->capture();
    // Each row is waited for until it starts as expected: the marks are
    // drawn after the lines they mark.
    EXPECT_TRUE(rowStarts(6, "  ")) << tmux->capture();
    EXPECT_TRUE(rowStarts(20, " ↓")) << tmux->capture();
    EXPECT_NE(waitRow(9, "ID:0 ").find("ID:0 "), std::string::npos) << tmux->capture();
    tmux->sendKeys("PageDown");
    ASSERT_TRUE(tmux->waitFor("ID:5 ")) << tmux->capture();
    EXPECT_NE(waitRow(9, "ID:2 ").find("ID:2 "), std::string::npos) << "a page moves only to the last disk"
                                                                   << tmux->capture();
    EXPECT_NE(waitRow(18, "ID:5 ").find("ID:5 "), std::string::npos) << tmux->capture();
    EXPECT_TRUE(rowStarts(20, "  ")) << tmux->capture();
    tmux->sendKeys("Up");
    EXPECT_NE(waitRow(9, "ID:1 ").find("ID:1 "), std::string::npos) << tmux->capture();
    EXPECT_TRUE(rowStarts(6, " ↑")) << tmux->capture();
    EXPECT_TRUE(rowStarts(20, " ↓")) << tmux->capture();

    // Scale 4 to 10 and no further; then down to 0 and no further.
    const std::string top10 = " 0   50   100  150  200  250  300  350  400  450  500 MB/s";
    tmux->repeatKey("Right", 8);
    EXPECT_NE(waitRow(19, top10).find(top10), std::string::npos) << "both axes" << tmux->capture();
    EXPECT_NE(waitRow(5, top10).find(top10), std::string::npos) << tmux->capture();
    EXPECT_NE(paneLine(stillPane(), 5).find(top10), std::string::npos) << "it stays at 10" << tmux->capture();
    const std::string top0 = "  0   20   40   60   80   100  120  140  160  180  200 KB/s";
    tmux->repeatKey("Left", 12);
    EXPECT_NE(waitRow(19, top0).find(top0), std::string::npos) << "both axes" << tmux->capture();
    EXPECT_NE(waitRow(5, top0).find(top0), std::string::npos) << tmux->capture();
    EXPECT_NE(paneLine(stillPane(), 5).find(top0), std::string::npos) << "it stays at 0" << tmux->capture();
    EXPECT_EQ(waitRow(6, " ↑").substr(0, 4), " ↑") << "the marks stay after a new scale" << tmux->capture();
    EXPECT_EQ(waitRow(20, " ↓").substr(0, 4), " ↓") << tmux->capture();
    closeWindow();
}

TEST_F(mirvaneStatisticsTest, EscapeAfterQueuedKeysEndsTheWindowAfterThem)
{
    open("-QUENTRAX");
    setPeriod("30");
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor("Samples: 0,")) << tmux->capture();
    tmux->sendKeys("Right Right Escape");
    ASSERT_TRUE(waitGone("Samples:")) << tmux->capture();
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor("Samples: 0,")) << tmux->capture();
    EXPECT_NE(waitRow(5, "0.0  2.0  4.0").find("0.0  2.0  4.0"), std::string::npos)
        << "both keys before ESC moved the scale" << tmux->capture();
    closeWindow();
}

TEST_F(mirvaneStatisticsTest, DriveLogOfTwoDisksOnOlderFirmware)
{
    controls = {"statrate 1 2 3 100 50"};
    open("-QUENTRAX", "", 1);
    setPeriod("1");
    loggingOn();
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor("Logfile: physstat.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    waitSamples(3);
    EXPECT_TRUE(tmux->waitFor("Log: On,"));
    closeWindow();
    const std::string log = Read("physstat.log");
    EXPECT_EQ(log.find("Physical Drive Statistics\n\nController: KZM6117RD on Local_Sys\nTime:       "), 0u) << log;
    const std::string legend =
        "Transfer rates in KB/s.\nRead = Read Transfer Rate; Wrt = Write Transfer Rate.\nTime = Time interval\n";
    EXPECT_NE(log.find("\n\nD1:\tSCSI-A ID:0   "), std::string::npos) << log;
    EXPECT_NE(log.find("\nD2:\tSCSI-A ID:1   "), std::string::npos) << log;
    EXPECT_NE(log.find(legend), std::string::npos) << log;
    const std::vector<std::string> rows =
        Rows(log, "\n Time [ms]   D1 Read    D1 Wrt   D2 Read    D2 Wrt  Sum Read   Sum Wrt\n");
    ASSERT_GE(rows.size(), 3u) << log;
    for (const std::string& row : rows)
        EXPECT_EQ(row, "      1000        51        25        51        25       102        50") << log;
}

TEST_F(mirvaneStatisticsTest, LogicalCacheAndDriverLogs)
{
    controls = {"statrate 0 2 3 100 50", "cacherate 0 10 4 5 2 1 1"};
    open("-QUENTRAX");
    setPeriod("1");
    loggingOn();
    tmux->sendKeys("l");
    ASSERT_TRUE(tmux->waitFor("Logfile: logstat.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    waitSamples(2);
    EXPECT_TRUE(tmux->waitFor("Log. Drive: 0   Name: DISK_0")) << tmux->capture();
    closeWindow();
    const std::string logical = Read("logstat.log");
    EXPECT_EQ(logical.find("Logical Drive Statistics\n\n"), 0u) << logical;
    EXPECT_NE(logical.find("\nD1:\tLog. Drive: 0   Name: DISK_0    Size:   2048 MB\n"), std::string::npos) << logical;
    std::vector<std::string> rows = Rows(logical, "\n Time [ms]   D1 Read    D1 Wrt  Sum Read   Sum Wrt\n");
    ASSERT_GE(rows.size(), 2u) << logical;
    EXPECT_EQ(rows[0], "      1000        51        25        51        25") << logical;

    tmux->sendKeys("c");
    ASSERT_TRUE(tmux->waitFor("Logfile: cachstat.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    std::string pane = waitSamples(2);
    EXPECT_EQ(paneLine(pane, 6).find("Data      Cache:  on     Delayed Write:  on"), 0u) << pane;
    EXPECT_EQ(paneLine(pane, 15).find("Parity    Cache:  on     Delayed Write:  on"), 0u) << pane;
    EXPECT_EQ(paneLine(pane, 24),
              " Ctr: KZM8530RZ on Local_Sys,  Samples: " + std::to_string(samplesIn(pane)) + ",  Log: ON")
        << pane;
    closeWindow();
    const std::string cache = Read("cachstat.log");
    EXPECT_EQ(cache.find("Cache statistics\n\n"), 0u) << cache;
    EXPECT_NE(cache.find("Cache Wr = Cache Writes\n"), std::string::npos) << cache;
    rows = Rows(cache, "\n Time [ms]    Rd Hit   Wrt Hit  Drty Buf      Repl  Flush Wr  Cache Wr\n");
    ASSERT_GE(rows.size(), 2u) << cache;
    // Data and parity: 5 of 10 reads and 2 of 4 writes hit, every used buffer is dirty.
    EXPECT_EQ(rows[0], "      1000        50        50       100        50        50       100         0         0         0")
        << cache;
    EXPECT_EQ(rows[1], "      1000        50        50       100        50        50       100         0         0         4")
        << cache;

    // The local driver module does not serve the driver statistics: the
    // window says so once and closes; its log has the header only.
    tmux->sendKeys("d");
    ASSERT_TRUE(tmux->waitFor("Logfile: drvrstat.log")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("Driver statistics", 2000)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("Error: Return code = 0x80000003 !")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" View Statistics ")) << tmux->capture();
    const std::string driver = Read("drvrstat.log");
    EXPECT_EQ(driver.find("Driver statistics\n\n"), 0u) << driver;
    const std::string header =
        "\n Time [ms]    IO cur    IO max   Req cur   Req max   Cmd cur   Cmd max   SCG cur   SCG max\n";
    ASSERT_GE(driver.size(), header.size());
    EXPECT_EQ(driver.substr(driver.size() - header.size()), header) << driver;
}

TEST_F(mirvaneStatisticsTest, AnEmptyLogFileNameRunsWithoutLogging)
{
    open("-QUENTRAX");
    loggingOn();
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor("Logfile: physstat.log")) << tmux->capture();
    tmux->sendKeys({"-N 12 Delete", "Enter"});
    ASSERT_TRUE(tmux->waitFor("Log: Off,")) << tmux->capture();
    closeWindow();
    EXPECT_TRUE(Files().empty()) << Files().front();
}

}  // namespace
}  // namespace tui::testing
