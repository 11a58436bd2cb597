#ifndef ALGORITHMS_C_CALENDAR_GREGORIAN_HPP
#define ALGORITHMS_C_CALENDAR_GREGORIAN_HPP

// The proleptic Gregorian calendar and julian days, in the classic month-shift
// formulation (30.6001, 365.25, 36524.25).  The century correction applies to
// every date: there is no switch to the Julian calendar for early dates.
// Years are astronomical: year 0 is the year before year 1, and a leap year.

#include <cmath>
#include <cstdint>

#include "common.hpp"
#include "jalali.hpp"

namespace calendar {

// Divisible by 4, and by 400 if by 100.  Divisible by 400 is divisible by 100
// and by 16; the operators are bitwise so that no branch depends on the year.
// Valid for every 32-bit year.
constexpr bool gregorian_is_leap(std::int32_t year) noexcept
{
    return ((year & 3) == 0) & ((year % 100 != 0) | ((year & 15) == 0));
}

constexpr std::int32_t gregorian_days_in_february(std::int32_t year) noexcept
{
    return 28 + gregorian_is_leap(year);
}

// floor(jd) for the julian day jd at which (year, month, day) begins, with
// no check: other days and months outside their ranges extend the formula.
//
// The formula is the classic one in doubles,
//   floor((m + 1) * 30.6001) + floor((y + 4716) * 365.25) + day
//     + floor(A * 0.25) + 2 - A - 1524.5,   A = floor(y / 100),
// where months below 3 count as months 12 later in the year before.
// Each floor is taken here on the exact rational instead (30.6001 = 306001 /
// 10000, 365.25 = 1461 / 4).  For every 32-bit argument the two agree: the
// double products and quotients land within 1e-5 of the exact values, whose
// fractions are whole or at least 1e-4 from a whole number.
// In the signed integer type I: std::int64_t for every 32-bit year, month and
// day (every term lies within +-2^40), or std::int32_t, which vectorises, for
// |year| and |day| below 2^20 and months 1 to 12.
template <typename I>
constexpr I gregorian_day(I year, I month, I day) noexcept
{
    const I shift = month <= 2;      // January, February and below
    const I y = year - shift;
    const I m = month + 12 * shift;  // from 3
    const I a = floor_div(y, 100);   // centuries
    return floor_div((m + 1) * 306001, 10000) + floor_div((y + 4716) * 1461, 4) + day
         + (floor_div(a, 4) + (2 - a)) - 1525;
}

// Whether (year, month, day) is a February day beyond the month's length,
// the one date that is refused.
constexpr bool gregorian_bad_day(std::int32_t year, std::int32_t month, std::int32_t day) noexcept
{
    return (month == 2) & (day > gregorian_days_in_february(year));
}

// floor(jd) for the julian day jd at which (year, month, day) begins.
// Valid for every 32-bit year, month and day: bad_day for a February day
// beyond the month's length, and `jd_floor` untouched.
inline status gregorian_to_julian_day_floor(std::int32_t year, std::int32_t month,
                                            std::int32_t day, std::int64_t &jd_floor) noexcept
{
    // The month first: one branch, mostly not taken, spares the leap year
    // test; gregorian_bad_day alone is for vectorised loops, branch-free.
    if (month == 2 && gregorian_bad_day(year, month, day))
        return status::bad_day;
    jd_floor = gregorian_day<std::int64_t>(year, month, day);
    return status::ok;
}

// The julian day at which (year, month, day) begins: always n + 0.5.
inline status gregorian_to_julian_day(std::int32_t year, std::int32_t month,
                                      std::int32_t day, double &jd) noexcept
{
    std::int64_t jd_floor;
    const status s = gregorian_to_julian_day_floor(year, month, day, jd_floor);
    if (s == status::ok)
        jd = static_cast<double>(jd_floor) + 0.5;
    return s;
}

// The Gregorian date of the civil day z - 0.5 to z + 0.5, for z >= 0, in the
// unsigned integer type U: std::uint64_t for z below 2^40, or std::uint32_t,
// which vectorises, for z below 2^27.  The year may be any value of U's
// signed counterpart, at least -4713.
//
// The classic steps in doubles, with each floor taken on the exact rational
// as above (36524.25 = 146097 / 4, 122.1 = 1221 / 10); for every julian day
// below 2^40 the quotients in doubles land at least 1e-6 from a whole number
// unless exact, so the floors agree:
//   z = floor(jd + 0.5),  a = floor((z - 1867216.25) / 36524.25),
//   b = z + 1 + a - floor(a * 0.25) + 1524,  c = floor((b - 122.1) / 365.25),
//   d = floor(c * 365.25),  e = floor((b - d) / 30.6001),
//   day = b - d - floor(e * 30.6001),  month = e - 1 or e - 13,
//   year = c - 4716, or c - 4715 in January and February.
template <typename U>
constexpr void gregorian_date_from_day(U z, std::make_signed_t<U> &year, std::int32_t &month,
                                       std::int32_t &day) noexcept
{
    // a = floor((4z - 7468865) / 146097) is at least -52 and is carried as
    // a + 52, with 52 * 146097 added to the dividend: every quantity is then
    // positive and every division unsigned.
    const U a52 = (4 * z + 128179) / 146097;  // [0, 3.1e7]
    const U b = z + a52 - a52 / 4 + 1486;     // z + 1 + a - floor(a / 4) + 1524
    const U c = (20 * b - 2442) / 7305;       // [3, 3.1e9]
    const U d = 1461 * c / 4;
    const U e = 10000 * (b - d) / 306001;     // [4, 15]
    const U early = (e + 2) >> 4;             // January or February, e >= 14, as arithmetic: no branch on the month
    year = static_cast<std::make_signed_t<U>>(c + early) - 4716;
    month = static_cast<std::int32_t>(e - 1 - 12 * early);             // [1, 12]
    day = static_cast<std::int32_t>(b - d - 306001 * e / 10000);       // [1, 31]
}

// The Gregorian date of the civil day that contains jd: the day that runs
// from n - 0.5 to n + 0.5 for a whole n.  Valid for every double:
// bad_julian_day unless 0 < jd < infinity, out_of_range when the year does
// not fit in 32 bits; the outputs are written only on ok.
inline status julian_day_to_gregorian(double jd, std::int32_t &year,
                                      std::int32_t &month, std::int32_t &day) noexcept
{
    if (!std::isgreater(jd, 0.0) || std::isinf(jd))  // quiet comparisons: a NaN raises no flag
        return status::bad_julian_day;
    if (jd >= julian_day_limit)
        return status::out_of_range;
    // floor(jd + 0.5), without the rounding of jd + 0.5 that would carry the
    // largest doubles below a half day into the next day
    const double whole = std::floor(jd);
    const std::uint64_t z = static_cast<std::uint64_t>(whole) + (jd - whole >= 0.5);  // jd - whole is exact
    std::int64_t y;
    std::int32_t m, d;
    gregorian_date_from_day(z, y, m, d);
    if (y > INT32_MAX)
        return status::out_of_range;
    year = static_cast<std::int32_t>(y);
    month = m;
    day = d;
    return status::ok;
}

// The Jalali date of the civil day that the Gregorian (year, month, day)
// names.  Valid for every 32-bit year, month and day: bad_day as
// gregorian_to_julian_day_floor, out_of_range when the Jalali year does not
// fit in 32 bits; the outputs are written only on ok.
inline status gregorian_to_jalali(std::int32_t year, std::int32_t month, std::int32_t day,
                                  std::int32_t &jalali_year, std::int32_t &jalali_month,
                                  std::int32_t &jalali_day) noexcept
{
    std::int64_t jd_floor;  // the date begins at the julian day jd_floor + 0.5
    const status s = gregorian_to_julian_day_floor(year, month, day, jd_floor);
    return s == status::ok ? julian_day_floor_to_jalali(jd_floor, jalali_year, jalali_month, jalali_day) : s;
}

}  // namespace calendar

#endif
