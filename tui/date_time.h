// A date and a time of day, the time kept within 0 .. 86399 seconds.
#pragma once

#include "date.h"
#include "day_time.h"

namespace tui {

class dateTime {
public:
    // Stores and normalises.
    dateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    dateTime(const date& d, const dayTime& t);

    const date& day() const { return date_; }
    const dayTime& time() const { return time_; }

    bool operator<(const dateTime& o) const { return compare(o) < 0; }
    bool operator<=(const dateTime& o) const { return compare(o) <= 0; }
    bool operator==(const dateTime& o) const { return compare(o) == 0; }
    bool operator!=(const dateTime& o) const { return compare(o) != 0; }
    bool operator>=(const dateTime& o) const { return compare(o) >= 0; }
    bool operator>(const dateTime& o) const { return compare(o) > 0; }

    dateTime operator+(const dayTime& t) const;
    dateTime operator-(const dayTime& t) const;
    dateTime& operator+=(const dayTime& t);
    dateTime& operator-=(const dayTime& t);

private:
    // Moves whole days from the time into the date.
    void normalise();
    // Day numbers first, then seconds of the day: -1, 0 or 1.
    int compare(const dateTime& o) const;

    dayTime time_;
    date date_;
};

}  // namespace tui
