// A time of day held as hours, minutes and seconds of one total; hours are
// not limited to 23.
#pragma once

namespace tui {

class dayTime {
public:
    // Stores and normalises through the total of seconds.
    dayTime(int hour = 0, int minute = 0, int second = 0);

    // Sets the total of seconds.
    void setSeconds(long s);
    // The total of seconds.
    long seconds() const { return static_cast<long>(hour_) * 3600 + minute_ * 60 + second_; }
    // Sets the local time of day.
    void now();
    int hour() const { return hour_; }
    int minute() const { return minute_; }
    int second() const { return second_; }

    dayTime operator+(const dayTime& o) const;
    dayTime operator-(const dayTime& o) const;
    dayTime& operator+=(const dayTime& o);
    dayTime& operator-=(const dayTime& o);
    bool operator==(const dayTime&) const = default;

private:
    int second_ = 0;
    int minute_ = 0;
    int hour_ = 0;
};

}  // namespace tui
