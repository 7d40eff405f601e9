#include "day_time.h"

#include <ctime>

namespace tui {

dayTime::dayTime(int hour, int minute, int second)
{
    setSeconds(static_cast<long>(hour) * 3600 + static_cast<long>(minute) * 60 + second);
}

void dayTime::setSeconds(long s)
{
    hour_ = static_cast<int>(s / 3600);
    minute_ = static_cast<int>((s % 3600) / 60);
    second_ = static_cast<int>(s % 60);
}

void dayTime::now()
{
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    setSeconds(static_cast<long>(local.tm_hour) * 3600 + local.tm_min * 60 + local.tm_sec);
}

dayTime dayTime::operator+(const dayTime& o) const
{
    dayTime t;
    t.setSeconds(seconds() + o.seconds());
    return t;
}

dayTime dayTime::operator-(const dayTime& o) const
{
    dayTime t;
    t.setSeconds(seconds() - o.seconds());
    return t;
}

dayTime& dayTime::operator+=(const dayTime& o)
{
    return *this = *this + o;
}

dayTime& dayTime::operator-=(const dayTime& o)
{
    return *this = *this - o;
}

}  // namespace tui
