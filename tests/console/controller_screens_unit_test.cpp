// The controller screens' conversions without a terminal: the restart day
// count of the periodic parity verify and the cache parameter view.
#include <gtest/gtest.h>

#include <cstdint>

#include "byte_order.h"
#include "controller_screens.h"
#include "controller_settings.h"

namespace {

TEST(PeriodicVerifyDays, EveryThreeDaysCountsDownToTheRestart)
{
    const struct {
        long long day;
        int interval;
        int left;
    } rows[] = {
        {20001, 3, 2}, {20002, 3, 1}, {20003, 3, 0}, {20004, 1, 0}, {20005, 7, 7 - 20005 % 7 - 1},
    };
    for (const auto& row : rows) {
        for (long long second : {0LL, 86399LL})
            EXPECT_EQ(ParityVerifyDaysLeft(static_cast<std::time_t>(row.day * 86400 + second), row.interval), row.left)
                << row.day << " " << row.interval;
    }
}

TEST(CacheParameterView, SecondsShownMicrosecondsKept)
{
    uint8_t record[CACHE_PARAM_RECORD_SIZE] = {};
    record[4] = 51;  // the set byte stays as it is
    record[8] = 1;
    record[11] = 7;
    wire::put32(record, 12, 4);
    wire::put32(record, 48, 5000000);
    wire::put32(record, 52, 5000000);
    wire::put32(record, 68, 25);
    wire::put32(record, 64, 8);
    int view[cacheViewCount] = {};
    CacheParamsToView(record, view);
    EXPECT_EQ(view[0], 1);
    EXPECT_EQ(view[1], 0);
    EXPECT_EQ(view[3], 1);
    EXPECT_EQ(view[4], 4);
    EXPECT_EQ(view[13], 5);
    EXPECT_EQ(view[14], 5);
    EXPECT_EQ(view[15], 25);
    EXPECT_EQ(view[18], 8);
    uint8_t back[CACHE_PARAM_RECORD_SIZE] = {};
    back[4] = 51;
    CacheParamsFromView(view, back);
    EXPECT_EQ(wire::get32(back, 52), 5000000u);
    EXPECT_EQ(wire::get32(back, 68), 25u);
    EXPECT_EQ(back[4], 51);
    EXPECT_EQ(back[11], 1);
}

TEST(CacheParameterView, LimitsKeepTheRecordWordWhole)
{
    // Seconds times 1000000 must fit 32 bits; the largest that does is 4294.
    EXPECT_EQ(CacheParameterLimit(13), 4294);
    EXPECT_EQ(CacheParameterLimit(14), 4294);
    EXPECT_LE(CacheParameterLimit(14) * 1000000, INT64_C(0xFFFFFFFF));
    EXPECT_GT((CacheParameterLimit(14) + 1) * 1000000, INT64_C(0xFFFFFFFF));
    EXPECT_EQ(CacheParameterLimit(4), INT32_MAX);
}

}  // namespace
