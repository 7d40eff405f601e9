#include "date.h"

#include <ctime>

namespace tui {

namespace {

constexpr int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int daysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Days since 1 January 1970 of a civil date; months outside 1-12 carry.
long long civilDays(long long y, long long m, long long d)
{
    y += (m > 0 ? m - 1 : m - 12) / 12;
    m = ((m - 1) % 12 + 12) % 12 + 1;
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The civil date of a count of days since 1 January 1970.
void civilFromDays(long long z, long long& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

}  // namespace

void date::today()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    day_ = local.tm_mday;
    month_ = local.tm_mon + 1;
    year_ = local.tm_year + 1900;
}

bool date::isLeapYear(int year)
{
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int date::monthLength(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : monthDays[month - 1];
}

bool date::isValid(int year, int month, int day)
{
    return static_cast<unsigned>(year) <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= monthLength(year, month);
}

long date::dayNumber() const
{
    int m = month_;
    long y = year_;
    if (m < 1 || m > 12) {  // carry an out-of-range month into the year
        y += (m > 0 ? m - 1 : m - 12) / 12;
        m = ((m - 1) % 12 + 12) % 12 + 1;
    }
    long n = daysBefore[m - 1] + day_ + 365 * y + y / 4 - y / 100 + y / 400;
    if (m <= 2 && isLeapYear(static_cast<int>(y)))
        --n;
    return n;
}

int date::weekday() const
{
    long w = (dayNumber() + 6) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

date& date::operator++()
{
    ++day_;
    if (!isValid()) {
        day_ = 1;
        ++month_;
        if (!isValid()) {
            month_ = 1;
            ++year_;
        }
    }
    return *this;
}

date date::operator++(int)
{
    date before = *this;
    ++*this;
    return before;
}

date& date::operator--()
{
    if (day_ >= 2) {
        --day_;
    } else if (month_ > 1) {
        --month_;
        day_ = monthLength(year_, month_);
    } else {
        --year_;
        month_ = 12;
        day_ = 31;
    }
    return *this;
}

date date::operator--(int)
{
    date before = *this;
    --*this;
    return before;
}

date& date::operator+=(int n)
{
    long long y;
    civilFromDays(civilDays(year_, month_, day_) + n, y, month_, day_);
    year_ = static_cast<int>(y);
    return *this;
}

}  // namespace tui
