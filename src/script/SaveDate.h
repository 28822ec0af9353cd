#pragma once
// The date of a save header: days since 1899-12-30 00:00 as a double, the
// fraction being the time of day (local time of saving).
#include <cstdint>

namespace tsukimi {

struct TSaveDateTime
{
    int Year = 1899, Month = 12, Day = 30; // Month 1-12, Day 1-31
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Days since 1899-12-30 of that civil (proleptic Gregorian) date and time.
double SaveDateFromCivil(const TSaveDateTime& time);
// The civil date and time of a day count, the time rounded to the nearest
// millisecond. NaN, infinities and values outside years 1 .. 9999 give the
// zero date (1899-12-30 00:00).
TSaveDateTime SaveDateToCivil(double days);

} // namespace tsukimi
