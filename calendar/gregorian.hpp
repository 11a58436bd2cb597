#ifndef ALGORITHMS_C_CALENDAR_GREGORIAN_HPP
#define ALGORITHMS_C_CALENDAR_GREGORIAN_HPP

// The proleptic Gregorian calendar and julian days, in the classic month-shift
// formulation (30.6001, 365.25, 36524.25).  The century correction applies to
// every date: there is no switch to the Julian calendar for early dates.
// Years are astronomical: year 0 is the year before year 1, and a leap year.

#include <cmath>
#include <cstdint>

#include "common.hpp"

namespace calendar {

// Divisible by 4, and by 400 if by 100; tested on quotients, which are exact
// for every 32-bit year.
inline bool gregorian_is_leap(double year) noexcept
{
    const double by4 = year * 0.25, by100 = year / 100, by400 = year / 400;
    return by4 == std::round(by4) && (by100 != std::round(by100) || by400 == std::round(by400));
}

inline std::int32_t gregorian_days_in_february(std::int32_t year) noexcept
{
    return 28 + gregorian_is_leap(year);
}

// The julian day at which (year, month, day) begins: always n + 0.5.
// Only a February day beyond the month's length is refused (bad_day, `jd`
// untouched); other days and months outside their ranges extend the formula.
// Valid for every 32-bit year, month and day: the shifted year and month are
// held in doubles, and every term is a whole number below 2^40.
inline status gregorian_to_julian_day(std::int32_t year, std::int32_t month,
                                      std::int32_t day, double &jd) noexcept
{
    double y = year, m = month;
    if (month == 2) {
        if (day > gregorian_days_in_february(year))
            return status::bad_day;
        m = 14;
        y -= 1;
    } else if (month < 2) {
        m += 12;
        y -= 1;
    }
    const double a = std::floor(y / 100);  // centuries
    jd = std::floor((m + 1) * 30.6001) + std::floor((y + 4716) * 365.25) + day
       + (std::floor(a * 0.25) + (2 - a)) - 1524.5;
    return status::ok;
}

// The Gregorian date of the civil day that contains jd: the day that runs
// from n - 0.5 to n + 0.5 for a whole n.
// Valid for every double: bad_julian_day unless 0 < jd < infinity,
// out_of_range when the year does not fit in 32 bits; the outputs are
// written only on ok.
inline status julian_day_to_gregorian(double jd, std::int32_t &year,
                                      std::int32_t &month, std::int32_t &day) noexcept
{
    if (!(jd > 0) || std::isinf(jd))
        return status::bad_julian_day;
    if (jd >= julian_day_limit)
        return status::out_of_range;

    const double f = jd + 0.5, z = std::floor(f);                  // z in [0, 2^40]
    const double a = std::floor((z - 1867216.25) / 36524.25);      // Gregorian centuries since 1600
    const double b = z + 1 + a - std::floor(a * 0.25) + 1524;
    const double c = std::floor((b - 122.1) / 365.25);
    const double d = std::floor(c * 365.25);
    const double e = std::floor((b - d) / 30.6001);                // [4, 15]
    const double dayv = b - d - std::floor(e * 30.6001) + (f - z);  // [1, 32)
    const double m = e < 14 ? e - 1 : e - 13;                      // [1, 12]
    const double y = m > 2 ? c - 4716 : c - 4715;                  // at least -4713
    if (y > INT32_MAX)
        return status::out_of_range;

    year = static_cast<std::int32_t>(y);
    month = static_cast<std::int32_t>(m);
    day = static_cast<std::int32_t>(dayv);
    return status::ok;
}

}  // namespace calendar

#endif
