// A calendar date (proleptic Gregorian).
#pragma once

namespace tui {

class date {
public:
    // Stores the values unchecked.
    date(int year = 1, int month = 1, int day = 1) : day_(day), month_(month), year_(year) {}

    // Sets the local date.
    void today();
    int day() const { return day_; }
    int month() const { return month_; }
    int year() const { return year_; }
    // Days counted from a fixed origin; consecutive dates differ by one.
    long dayNumber() const;
    // 0 Sunday .. 6 Saturday.
    int weekday() const;

    // Divisible by 400, or by 4 and not by 100.
    static bool isLeapYear(int year);
    // Year 0-9999, month 1-12, day within the month.
    static bool isValid(int year, int month, int day);
    bool isValid() const { return isValid(year_, month_, day_); }
    // Days in a month of a year.
    static int monthLength(int year, int month);

    date& operator++();
    date operator++(int);
    date& operator--();
    date operator--(int);
    // Moves by n days (back for a negative n).
    date& operator+=(int n);
    bool operator==(const date&) const = default;

private:
    int day_;
    int month_;
    int year_;
};

}  // namespace tui
