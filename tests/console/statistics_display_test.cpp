// The statistics display classes on the in-memory screen: the axis, the
// bars, the drive bar rates, the cache percentages and averages, the
// sample rate entry and the driver window's log.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "byte_order.h"
#include "cache_bars.h"
#include "controller.h"
#include "dialog_screen.h"
#include "drive_bars.h"
#include "drive_stat_window.h"
#include "driver_stat_window.h"
#include "frame_styles.h"
#include "screen_fixture.h"
#include "stat_axis.h"
#include "stat_bar.h"
#include "statistics_settings.h"
#include "cp437.h"

namespace tui::testing {
namespace {

const frameSpec plain{0, 0x07, 0x07, 0x07, ' '};

// A window's row as UTF-8, trailing blanks cut.
std::string RowOf(const window& w, int y)
{
    std::string out;
    for (int x = 0; x < w.cellsWidth(); ++x)
        appendCp437AsUtf8(out, w.cellAt(x, y).ch);
    return out.erase(out.find_last_not_of(' ') + 1);
}

class statisticsDisplayTest : public screenTest {
protected:
    void SetUp() override
    {
        useScreen(132, 30);
        InitFrameStyles();
        root = std::make_unique<window>(rect(0, 0, 132, 30), &plain);
        root->show();
        root->setAutoRefresh(0);
        SetDialogScreen(root.get(), 132, 30);
        StatSettings() = StatisticsSettings{};
    }
    void TearDown() override
    {
        SetDialogScreen(nullptr, 0, 0);
        root.reset();
        StatSettings() = StatisticsSettings{};
        screenTest::TearDown();
    }

    std::unique_ptr<window> root;
};

const std::string ticks80 = "          KB/s  IO/s ├────┬────┬────┬────┬────┼────┬────┬────┬────┬────┼────";
const std::string ticks132 = ticks80 + "┬────┬────┬────┬────┼────┬────┬────┬────┬────┼────";

TEST_F(statisticsDisplayTest, AxisLabelsUnitsAndTicksByScale)
{
    const struct {
        int index;
        int width;
        const char* labels;
    } cases[] = {
        {0, 80, "                     0   20   40   60   80   100  120  140  160  180  200 KB/s"},
        {0, 132, "                     0   20   40   60   80   100  120  140  160  180  200  220  240  260  280  300  320"
                 "  340  360  380  400 KB/s"},
        {2, 80, "                    0.0  0.1  0.2  0.3  0.4  0.5  0.6  0.7  0.8  0.9  1.0 MB/s"},
        {2, 132, "                    0.0  0.1  0.2  0.3  0.4  0.5  0.6  0.7  0.8  0.9  1.0  1.1  1.2  1.3  1.4  1.5  1.6"
                 "  1.7  1.8  1.9  2.0 MB/s"},
        {4, 80, "                    0.0  0.5  1.0  1.5  2.0  2.5  3.0  3.5  4.0  4.5  5.0 MB/s"},
        {4, 132, "                    0.0  0.5  1.0  1.5  2.0  2.5  3.0  3.5  4.0  4.5  5.0  5.5  6.0  6.5  7.0  7.5  8.0"
                 "  8.5  9.0  9.5 10.0 MB/s"},
        {8, 80, "                     0   10   20   30   40   50   60   70   80   90   100 MB/s"},
        {8, 132, "                     0   10   20   30   40   50   60   70   80   90   100  110  120  130  140  150  160"
                 "  170  180  190  200 MB/s"},
        {11, 80, "                    0.0  0.1  0.2  0.3  0.4  0.5  0.6  0.7  0.8  0.9  1.0 GB/s"},
        {11, 132, "                    0.0  0.1  0.2  0.3  0.4  0.5  0.6  0.7  0.8  0.9  1.0  1.1  1.2  1.3  1.4  1.5  1.6"
                  "  1.7  1.8  1.9  2.0 GB/s"},
    };
    for (const auto& c : cases) {
        CStatAxis axis(rect(0, 0, c.width, 2), &plain, root.get());
        axis.SetScale(c.index);
        EXPECT_EQ(RowOf(axis, 0), c.labels) << c.index << " at " << c.width;
        EXPECT_EQ(RowOf(axis, 1), c.width == 80 ? ticks80 : ticks132) << c.index << " at " << c.width;
        EXPECT_EQ(StatSettings().scaleIndex, c.index) << "the axis's scale is the one new bars take";
    }
}

TEST_F(statisticsDisplayTest, BarFillsValueAndPeakAsSharesOfTheRange)
{
    const struct {
        uint32_t range;
        uint32_t values[3];
        const char* cells;
    } cases[] = {
        {100, {50, 30, 30}, "███▒▒"},          // the peak stays at the largest value seen
        {100, {0, 0, 0}, ""},
        {100, {150, 0, 0}, "▒▒▒▒▒▒▒▒▒▒"},     // a peak above the range fills all
        {100, {0, 0, 250}, "██████████"},     // so does a value
        {0, {0, 0, 1}, "██████████"},         // range 0 counts as 1
        {40, {8, 8, 4}, "█▒"},
    };
    for (const auto& c : cases) {
        CBar bar(rect(0, 0, 10, 1), &plain, root.get());
        bar.SetRange(c.range);
        for (uint32_t v : c.values)
            bar.SetValue(v);
        bar.paint();
        EXPECT_EQ(RowOf(bar, 0), c.cells) << c.range << " " << c.values[2];
    }
    CBar bar(rect(0, 0, 10, 1), &plain, root.get());
    bar.SetRange(0);
    EXPECT_EQ(bar.Range(), 1u);
}

TEST(driveRatesTest, RatesFromSamplePairsInUnsigned32BitArithmetic)
{
    const struct {
        uint32_t d;
        uint32_t multiplier;
        DriveCounters now;
        DriveCounters before;
        bool taken;
        DriveRates rates;
    } cases[] = {
        {1000, 512, {12, 23, 300, 150}, {10, 20, 200, 100}, true, {51, 25, 2, 3}},
        {500, 512, {12, 23, 300, 150}, {10, 20, 200, 100}, true, {102, 51, 4, 6}},
        {0, 512, {12, 23, 300, 150}, {10, 20, 200, 100}, false, {0, 0, 0, 0}},
        // Counters that wrapped count on.
        {1000, 512, {3, 0, 5, 0}, {0xFFFFFFFF, 0, 0xFFFFFFFB, 0}, true, {5, 0, 4, 0}},
        // The product wraps at 32 bits: 2^24 blocks x 512 is 2^33.
        {1, 512, {0, 0, 0x01000000, 1}, {0, 0, 0, 0}, true, {0, 512, 0, 0}},
        {3, 4096, {0, 0, 1, 0}, {0, 0, 0, 0}, true, {1365, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        DriveRates r{};
        EXPECT_EQ(ComputeDriveRates(c.d, c.multiplier, c.now, c.before, r), c.taken);
        EXPECT_EQ(r.readKb, c.rates.readKb) << c.d;
        EXPECT_EQ(r.writeKb, c.rates.writeKb) << c.d;
        EXPECT_EQ(r.readOps, c.rates.readOps) << c.d;
        EXPECT_EQ(r.writeOps, c.rates.writeOps) << c.d;
    }
}

TEST(driveRatesTest, LogicalNumbersWithBit15AndSizes)
{
    EXPECT_EQ(ShownLogicalNumber(3), 3u);
    EXPECT_EQ(ShownLogicalNumber(0x8003), 258u);
    EXPECT_EQ(ShownLogicalNumber(0x8000), 255u);
    EXPECT_EQ(SizeInMb(2097152, 512), 1024ul);
    EXPECT_EQ(SizeInMb(1023, 512), 0ul);
    EXPECT_EQ(SizeInMb(4096, 4096), 16ul);
}

// A logical drive with the given number, name and capacity in sectors.
CLogDrive LogicalDrive(int number, const char* name, uint32_t sectors)
{
    CLogDrive d;
    d.driveNumber = number;
    std::memcpy(d.info + LDINFO_NAME, name, std::min<size_t>(std::strlen(name), DRIVE_NAME_SIZE));
    wire::put32(d.info, LDINFO_CAPACITY, sectors);
    return d;
}

DriveStatSample DriveSample(uint32_t ms, uint32_t readOps, uint32_t writeOps, uint32_t read, uint32_t written)
{
    DriveStatSample s;
    s.milliseconds = ms;
    s.counters[1] = readOps;
    s.counters[2] = writeOps;
    s.counters[3] = read;
    s.counters[4] = written;
    return s;
}

TEST_F(statisticsDisplayTest, LogicalDriveBarShowsRatesAndKeepsThemWhenNoTimePassed)
{
    CLogDrive drive = LogicalDrive(0x8003, "DATA", 4194304);
    CLogBar bar(rect(0, 0, 80, 3), &plain, root.get(), drive);
    bar.show();
    bar.Attach();
    EXPECT_STREQ(bar.Label(), "Log. Drive: 258 Name: DATA      Size:   2048 MB");
    drive.SetSample(DRIVE_SAMPLE_PREVIOUS, DriveSample(0, 10, 20, 1000, 500));
    drive.SetSample(DRIVE_SAMPLE_CURRENT, DriveSample(2000, 30, 24, 3000, 900));
    bar.Sample();
    EXPECT_EQ(RowOf(bar, 0).substr(0, 20), "Read:      512    10");
    EXPECT_EQ(RowOf(bar, 1).substr(0, 20), "Write:     102     2");
    EXPECT_EQ(RowOf(bar, 2), "          Log. Drive: 258 Name: DATA      Size:   2048 MB");
    // At scale 4 a 58-cell bar holds 58 x 500 / 5 = 5800 KB/s: 512 takes 5 cells.
    EXPECT_EQ(bar.Bar1()->Range(), 5800u);
    EXPECT_EQ(RowOf(bar, 0).substr(20), " █████");
    // The same milliseconds again: nothing changes.
    drive.SetSample(DRIVE_SAMPLE_PREVIOUS, drive.GetSample(DRIVE_SAMPLE_CURRENT)[0]);
    drive.SetSample(DRIVE_SAMPLE_CURRENT, DriveSample(2000, 99, 99, 9999, 9999));
    bar.Sample();
    EXPECT_EQ(bar.ReadRate(), 512u);
    EXPECT_EQ(bar.WriteRate(), 102u);
    EXPECT_EQ(bar.ReadOps(), 10u);
    EXPECT_EQ(bar.LastTime(), 2000u);

    CSumDrvBar total(rect(0, 3, 80, 3), &plain, root.get());
    total.Add(&bar);
    total.Add(&bar);
    total.Sample();
    EXPECT_EQ(RowOf(total, 0).substr(0, 20), "Read:     1024    20");
    EXPECT_EQ(RowOf(total, 2), "          TOTAL");
}

// A cache sample with the layout flag, the data half's read requests and
// hits (at the layout's places) and the parity half's.
void PutCacheSample(CController& c, int which, uint32_t ms, int counted, uint32_t requests, uint32_t hits,
                    uint32_t parityRequests, uint32_t parityHits)
{
    uint8_t* s = c.cacheStats[which];
    wire::put32(s, 4, ms);
    wire::put32(s, 8, counted ? 1 : 0);
    wire::put32(s, counted ? 48 : 188, requests);
    wire::put32(s, counted ? 56 : 48, hits);
    wire::put32(s, 136, parityRequests);
    wire::put32(s, 144, parityHits);
}

TEST_F(statisticsDisplayTest, ReadCacheBarPercentagesAveragesAndCounters)
{
    for (int counted = 0; counted < 2; ++counted) {
        CController c;
        for (int k = 0; k < CACHE_SAMPLES; ++k)
            PutCacheSample(c, k, 0, counted, 100, 40, 10, 1);
        CReadCacheBar data(rect(0, 0, 80, 2), &plain, root.get());
        CReadCacheBar parity(rect(0, 2, 80, 2), &plain, root.get());
        parity.SetParity(1);
        data.Bind(&c);
        parity.Bind(&c);
        const struct {
            uint32_t requests, hits, parityRequests, parityHits;
            uint32_t percent, average, shown;
        } steps[] = {
            {200, 90, 20, 6, 50, 50, 0},      // data: previous - base; parity: current - base
            {300, 190, 30, 16, 100, 75, 50},
            {300, 190, 30, 16, 0, 75, 150},   // no requests: 0 %, the average stays
            {310, 191, 40, 16, 10, 53, 150},
        };
        uint32_t previous[4] = {100, 40, 10, 1};
        uint32_t ms = 0;
        for (const auto& s : steps) {
            ms += 1000;
            PutCacheSample(c, CACHE_SAMPLE_PREVIOUS, ms - 1000, counted, previous[0], previous[1], previous[2],
                           previous[3]);
            PutCacheSample(c, CACHE_SAMPLE_CURRENT, ms, counted, s.requests, s.hits, s.parityRequests, s.parityHits);
            data.Sample();
            parity.Sample();
            EXPECT_EQ(data.Bar1()->Value(), s.percent) << counted << " " << s.requests;
            EXPECT_EQ(data.Bar2()->Value(), s.average) << counted << " " << s.requests;
            EXPECT_EQ(data.ShownCount(), s.shown) << counted << " " << s.requests;
            EXPECT_EQ(parity.ShownCount(), s.parityHits - 1) << counted;
            EXPECT_EQ(data.LastTime(), ms);
            previous[0] = s.requests;
            previous[1] = s.hits;
            previous[2] = s.parityRequests;
            previous[3] = s.parityHits;
        }
        EXPECT_EQ(RowOf(data, 0).substr(0, 21), "Read  Hits:       150");
        EXPECT_EQ(RowOf(data, 0).substr(RowOf(data, 0).size() - 3), "10%");
        EXPECT_EQ(RowOf(data, 1).substr(0, 21), "Read  Hits: (average)");
        EXPECT_EQ(RowOf(data, 1).substr(RowOf(data, 1).size() - 3), "53%");
    }
}

TEST_F(statisticsDisplayTest, DirtyBarWithoutUsedBuffersShowsNothingDirty)
{
    CController c;
    const struct {
        uint32_t used, dirty, percent;
    } cases[] = {{0, 0, 0}, {8, 2, 25}, {8, 8, 100}};
    for (const auto& k : cases) {
        wire::put32(c.cacheStats[CACHE_SAMPLE_CURRENT], 40, k.used);
        wire::put32(c.cacheStats[CACHE_SAMPLE_CURRENT], 44, k.dirty);
        CDirtyCacheBar bar(rect(0, 0, 80, 1), &plain, root.get());
        bar.Bind(&c);
        EXPECT_EQ(bar.Bar1()->Value(), k.percent) << k.used;
        EXPECT_EQ(bar.ShownCount(), k.dirty);
        EXPECT_EQ(bar.Bar2(), nullptr) << "one row: no average";
    }
}

TEST(cacheHalfTest, CountersComeFromTheLayoutAndHalf)
{
    uint8_t s[CACHE_STAT_SAMPLE_SIZE] = {};
    for (size_t at = 12; at + 4 <= sizeof s; at += 4)
        wire::put32(s, at, static_cast<uint32_t>(at));
    wire::put32(s, 8, 1);
    CacheHalfValues v = CacheHalf(s, 0);
    EXPECT_EQ(v.readRequests, 48u);
    EXPECT_EQ(v.writeHits, 60u);
    EXPECT_EQ(v.flushWrites, 88u);
    wire::put32(s, 8, 0);
    v = CacheHalf(s, 0);
    EXPECT_EQ(v.readRequests, 188u);
    EXPECT_EQ(v.writeRequests, 192u);
    EXPECT_EQ(v.readHits, 48u);
    EXPECT_EQ(v.cacheWrites, 64u);
    v = CacheHalf(s, 1);
    EXPECT_EQ(v.cacheOn, 100u);
    EXPECT_EQ(v.usedBuffers, 128u);
    EXPECT_EQ(v.readRequests, 136u);
    EXPECT_EQ(v.flushWrites, 176u);
}

TEST(sampleRateTest, EntriesOutsideTheBoundsOrNotNumbersAreRefused)
{
    const struct {
        const char* text;
        int limit;
        int value;  // 0: refused
    } cases[] = {
        {"5", 10, 5},  {"10", 10, 10}, {"1", 100, 1},   {"100", 100, 100}, {"11", 10, 0},
        {"0", 10, 0},  {"-1", 10, 0},  {"", 10, 0},     {"abc", 10, 0},    {"5x", 10, 0},
        {"99999999999999999999", 100, 0}, {"4294967301", 100, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(ParseSampleRate(c.text, c.limit, &value), c.value != 0 ? 1 : 0) << c.text;
        if (c.value != 0) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(scaleValueTest, TicksByIndex)
{
    const uint32_t expected[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ScaleValue(i), expected[i]);
    EXPECT_EQ(ScaleValue(-1), 0u);
    EXPECT_EQ(ScaleValue(12), 0u);
}

// The driver window with its log file opened on a temporary file.
class loggedDriverWindow : public CDriverStatWin {
public:
    using CDriverStatWin::CDriverStatWin;
    std::string Log(int rows)
    {
        log_ = std::tmpfile();
        WriteLogHeader();
        for (int i = 0; i < rows; ++i) {
            ++samples_;
            WriteLogRow();
        }
        std::rewind(log_);
        std::string text;
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, log_)) > 0)
            text.append(buf, n);
        return text;
    }
};

TEST_F(statisticsDisplayTest, DriverWindowShowsAndLogsAllEightCounters)
{
    CController c;
    std::snprintf(c.info.typeName, sizeof c.info.typeName, "%s", "KZM8530RZ");
    loggedDriverWindow w(rect(0, 4, 80, 20), &plain, root.get());
    ASSERT_EQ(w.Setup(c, statDriver, 1), 1);
    uint8_t record[driverRecordSize] = {};
    for (int i = 0; i < driverCounterCount; ++i)
        wire::put16(record, driverCountersAt + 2 * static_cast<size_t>(i), static_cast<uint16_t>(11 * (i + 1)));
    w.SetRecord(record);
    w.show();
    w.paint();
    EXPECT_EQ(RowOf(w, 0), "                               Driver statistics");
    EXPECT_EQ(RowOf(w, 3), "  Current io count:                11");
    EXPECT_EQ(RowOf(w, 4), "  Maximal io count:                22");
    EXPECT_EQ(RowOf(w, 9), "  Current cmd indexes busy:        55");
    EXPECT_EQ(RowOf(w, 13), "  Maximal scatter/gather count:    88");
    const std::string log = w.Log(2);
    const std::string head = "Driver statistics\n\nController: KZM8530RZ on \nTime:       ";
    EXPECT_EQ(log.substr(0, head.size()), head);
    const std::string tail =
        "SCG cur  = Current sc./g. count;    SCG max  = Max. sc./g. count\n"
        "\n Time [ms]    IO cur    IO max   Req cur   Req max   Cmd cur   Cmd max   SCG cur   SCG max\n"
        "      1000        11        22        33        44        55        66        77        88\n"
        "      2000        11        22        33        44        55        66        77        88\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    w.hide();
}

TEST_F(statisticsDisplayTest, MoreDrivesThanBarSlotsGetBarsForTheFirst256)
{
    CController c;
    ASSERT_TRUE(c.logDrives.SetSize(300));
    ASSERT_TRUE(c.physDrives.SetSize(300));
    for (int k = 0; k < 300; ++k)
        c.logDrives[k].driveNumber = k;
    for (int kind : {statLogical, statPhysical}) {
        CDrvStatWin w(rect(0, 4, 80, 20), &plain, root.get());
        ASSERT_EQ(w.Setup(c, kind, 1), 1);
        EXPECT_EQ(w.BarCount(), statBarSlots) << kind;
        EXPECT_EQ(w.VisibleRows(), 4);
        if (kind == statLogical) {
            EXPECT_STREQ(w.Bar(statBarSlots - 1)->Label(), "Log. Drive: 255 Name:           Size:      0 MB");
        }
    }
}

}  // namespace
}  // namespace tui::testing
