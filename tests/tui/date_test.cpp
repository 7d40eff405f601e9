// Dates, times of day and their combination.
#include <gtest/gtest.h>

#include "date_time.h"

namespace tui {
namespace {

TEST(dateTest, LeapYearsValidityAndWeekdays)
{
    EXPECT_TRUE(date::isLeapYear(2000));
    EXPECT_FALSE(date::isLeapYear(1900));
    EXPECT_TRUE(date::isLeapYear(2004));
    EXPECT_FALSE(date::isValid(1900, 2, 29));
    EXPECT_TRUE(date::isValid(2000, 2, 29));
    EXPECT_FALSE(date::isValid(-1, 1, 1));
    EXPECT_FALSE(date::isValid(10000, 1, 1));
    EXPECT_FALSE(date::isValid(2003, 13, 1));
    EXPECT_FALSE(date::isValid(2003, 4, 31));
    EXPECT_EQ(date(2000, 1, 1).weekday(), 6);  // Saturday
    EXPECT_EQ(date(2024, 3, 31).weekday(), 0);  // Sunday
    EXPECT_EQ(date(2000, 3, 1).dayNumber() - date(2000, 2, 28).dayNumber(), 2);
    EXPECT_EQ(date(2001, 1, 1).dayNumber() - date(2000, 1, 1).dayNumber(), 366);
}

TEST(dateTest, StepsByOneDay)
{
    const struct {
        date from;
        date next;
    } cases[] = {
        {{1999, 12, 31}, {2000, 1, 1}}, {{2004, 2, 28}, {2004, 2, 29}}, {{2004, 2, 29}, {2004, 3, 1}},
        {{2003, 2, 28}, {2003, 3, 1}},  {{2003, 4, 30}, {2003, 5, 1}},  {{1900, 2, 28}, {1900, 3, 1}},
    };
    for (const auto& c : cases) {
        date d = c.from;
        ++d;
        EXPECT_EQ(d, c.next) << c.from.year() << "-" << c.from.month() << "-" << c.from.day();
        --d;
        EXPECT_EQ(d, c.from);
    }
    date d(2004, 3, 1);
    EXPECT_EQ(d--, date(2004, 3, 1));
    EXPECT_EQ(d, date(2004, 2, 29));
}

TEST(dateTest, AddsAnyNumberOfDays)
{
    const struct {
        date from;
        int days;
        date want;
    } cases[] = {
        {{2003, 1, 1}, 366, {2004, 1, 2}},     {{2003, 1, 1}, -1, {2002, 12, 31}},
        {{2004, 2, 28}, 1, {2004, 2, 29}},     {{2004, 1, 31}, 30, {2004, 3, 1}},
        {{2003, 1, 31}, 30, {2003, 3, 2}},     {{2000, 3, 1}, -1, {2000, 2, 29}},
        {{2024, 3, 30}, 2, {2024, 4, 1}},      {{2000, 1, 1}, 3652425, {12000, 1, 1}},
        {{9999, 12, 31}, -3652424, {0, 1, 1}}, {{2010, 6, 15}, 0, {2010, 6, 15}},
    };
    for (const auto& c : cases) {
        date d = c.from;
        d += c.days;
        EXPECT_EQ(d, c.want) << c.days;
        EXPECT_EQ(d.dayNumber() - c.from.dayNumber(), c.days);
    }
}

TEST(dayTimeTest, NormalisesThroughTheTotal)
{
    const struct {
        dayTime t;
        int h, m, s;
    } cases[] = {
        {{0, 0, 3725}, 1, 2, 5}, {{0, 90, 0}, 1, 30, 0}, {{25, 61, 61}, 26, 2, 1}, {{1, -1, 0}, 0, 59, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.t.hour(), c.h);
        EXPECT_EQ(c.t.minute(), c.m);
        EXPECT_EQ(c.t.second(), c.s);
    }
    dayTime t;
    t.setSeconds(100000);
    EXPECT_EQ(t, dayTime(27, 46, 40));
    EXPECT_EQ(dayTime(1, 0, 0) - dayTime(0, 0, 1), dayTime(0, 59, 59));
    t -= dayTime(3, 0, 0);
    EXPECT_EQ(t.seconds(), 100000 - 10800);
}

TEST(dateTimeTest, NormalisesAcrossDaysMonthsAndYears)
{
    dateTime a(2002, 12, 31, 25, 0, 0);
    EXPECT_EQ(a.day(), date(2003, 1, 1));
    EXPECT_EQ(a.time(), dayTime(1, 0, 0));
    dateTime b(2004, 3, 1, -1, 0, 0);
    EXPECT_EQ(b.day(), date(2004, 2, 29));
    EXPECT_EQ(b.time(), dayTime(23, 0, 0));
    dateTime c(2003, 1, 1, 0, 0, 0);
    c += dayTime(24 * 400, 0, 0);
    EXPECT_EQ(c.day(), date(2004, 2, 5));
}

TEST(dateTimeTest, CalendarArithmeticIgnoresDaylightSavingChanges)
{
    // Civil times: a day across a clock change is still 24 hours of the clock.
    dateTime spring(2024, 3, 31, 1, 30, 0);
    EXPECT_EQ((spring + dayTime(24, 0, 0)), dateTime(2024, 4, 1, 1, 30, 0));
    dateTime autumn(2024, 10, 27, 2, 30, 0);
    EXPECT_EQ((autumn - dayTime(3, 0, 0)), dateTime(2024, 10, 26, 23, 30, 0));
}

TEST(dateTimeTest, ComparesDayFirstThenTime)
{
    dateTime early(2003, 5, 1, 23, 0, 0);
    dateTime late(2003, 5, 2, 1, 0, 0);
    EXPECT_LT(early, late);
    EXPECT_LE(early, late);
    EXPECT_GT(late, early);
    EXPECT_GE(late, late);
    EXPECT_NE(early, late);
    EXPECT_EQ(early, dateTime(2003, 4, 30, 47, 0, 0));
}

}  // namespace
}  // namespace tui
