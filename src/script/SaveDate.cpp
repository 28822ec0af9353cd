#include "script/SaveDate.h"

#include <cmath>

namespace tsukimi {

namespace {

constexpr int64_t MillisecondsPerDay = 86'400'000;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t EpochOffset = -25569;
// 0001-01-01 and 9999-12-31 as day counts of the header.
constexpr double FirstDay = -693593.0;
constexpr double LastDay = 2958466.0;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, TSaveDateTime& out)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    out.Year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    out.Month = static_cast<int>(m);
    out.Day = static_cast<int>(d);
}

} // namespace

double SaveDateFromCivil(const TSaveDateTime& t)
{
    const int64_t days = DaysFromCivil(t.Year, t.Month, t.Day) - EpochOffset;
    const int64_t ms = ((int64_t{t.Hour} * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / MillisecondsPerDay;
}

TSaveDateTime SaveDateToCivil(double days)
{
    TSaveDateTime result;
    if (!std::isfinite(days) || days < FirstDay || days >= LastDay) return result;
    const double whole = std::floor(days);
    int64_t day = static_cast<int64_t>(whole);
    int64_t ms = std::llround((days - whole) * MillisecondsPerDay);
    if (ms >= MillisecondsPerDay) {
        ms -= MillisecondsPerDay;
        ++day;
    }
    CivilFromDays(day + EpochOffset, result);
    result.Hour = static_cast<int>(ms / 3'600'000);
    result.Minute = static_cast<int>(ms / 60'000 % 60);
    result.Second = static_cast<int>(ms / 1000 % 60);
    result.Millisecond = static_cast<int>(ms % 1000);
    return result;
}

} // namespace tsukimi
