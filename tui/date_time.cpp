#include "date_time.h"

namespace tui {

namespace {
constexpr long secondsPerDay = 86400;
}

dateTime::dateTime(int year, int month, int day, int hour, int minute, int second)
    : time_(hour, minute, second), date_(year, month, day)
{
    normalise();
}

dateTime::dateTime(const date& d, const dayTime& t) : time_(t), date_(d)
{
    normalise();
}

void dateTime::normalise()
{
    long s = time_.seconds();
    long days = s / secondsPerDay;
    s %= secondsPerDay;
    if (s < 0) {
        s += secondsPerDay;
        --days;
    }
    if (days != 0)
        date_ += static_cast<int>(days);
    time_.setSeconds(s);
}

int dateTime::compare(const dateTime& o) const
{
    long a = date_.dayNumber();
    long b = o.date_.dayNumber();
    if (a != b)
        return a < b ? -1 : 1;
    long s = time_.seconds();
    long t = o.time_.seconds();
    return s < t ? -1 : s > t ? 1 : 0;
}

dateTime dateTime::operator+(const dayTime& t) const
{
    dateTime r = *this;
    return r += t;
}

dateTime dateTime::operator-(const dayTime& t) const
{
    dateTime r = *this;
    return r -= t;
}

dateTime& dateTime::operator+=(const dayTime& t)
{
    time_ += t;
    normalise();
    return *this;
}

dateTime& dateTime::operator-=(const dayTime& t)
{
    time_ -= t;
    normalise();
    return *this;
}

}  // namespace tui
