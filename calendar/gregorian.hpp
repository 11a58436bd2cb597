#ifndef ALGORITHMS_C_CALENDAR_GREGORIAN_HPP
#define ALGORITHMS_C_CALENDAR_GREGORIAN_HPP

// The proleptic Gregorian calendar and julian day numbers: a date to its day
// number in the classic month-shift formulation (30.6001, 365.25), which
// defines what months and days outside their ranges mean, and in 32 bits for
// the vectorised loops; a day number to its date in the manner of Neri and
// Schneider, through the same day's Julian count, in either width.  The
// century correction applies to every date:
// there is no switch to the Julian calendar for early dates.
// Years are astronomical: year 0 is the year before year 1, and a leap year.

#include <cmath>
#include <cstdint>

#include "common.hpp"
#include "jalali.hpp"

namespace calendar {

// Divisible by 4, and by 400 if by 100.  Divisible by 400 is divisible by 100
// and by 16; the remainder by 100 is taken on |year|, unsigned, and the
// operators are bitwise, so that no branch depends on the year and the
// compiler vectorises it.  Valid for every 32-bit year.
constexpr bool gregorian_is_leap(std::int32_t year) noexcept
{
    const std::uint32_t u = static_cast<std::uint32_t>(year);
    const std::uint32_t magnitude = year < 0 ? 0 - u : u;  // divisible by 100 as year is
    return ((u & 3) == 0) & ((magnitude % 100 != 0) | ((u & 15) == 0));
}

constexpr std::int32_t gregorian_days_in_february(std::int32_t year) noexcept
{
    return 28 + gregorian_is_leap(year);
}

// The box inside which the 32-bit forms below, which vectorise, are exact:
// |year| and |day| for the day number of a date (months 1 to 12), and the day
// numbers from 1 to gregorian_fast_day_bound for the date of a day number.
constexpr std::int32_t gregorian_fast_bound = 1 << 20;
constexpr std::int32_t gregorian_fast_day_bound = 1 << 29;
// |year| and |day| whose day numbers lie inside the box of
// jalali_date_from_day_number, for Gregorian to Jalali in 32 bits.
constexpr std::int32_t gregorian_to_jalali_fast_bound = 1 << 19;

// The julian day number (that of the day's noon; the day begins half a day
// earlier) of (year, month, day), with no check: other days and months
// outside their ranges extend the formula.
//
// The formula is the classic one in doubles,
//   floor((m + 1) * 30.6001) + floor((y + 4716) * 365.25) + day
//     + floor(A * 0.25) + 2 - A - 1524,   A = floor(y / 100),
// where months below 3 count as months 12 later in the year before.
// Each floor is taken here on the exact rational instead (30.6001 = 306001 /
// 10000, 365.25 = 1461 / 4).  For every 32-bit argument the two agree: the
// double products and quotients land within 1e-5 of the exact values, whose
// fractions are whole or at least 1e-4 from a whole number.
// Valid for every 32-bit year, month and day: every term lies within +-2^40.
constexpr std::int64_t gregorian_day_number(std::int32_t year, std::int32_t month, std::int32_t day) noexcept
{
    const std::int64_t shift = month <= 2;  // January, February and below
    const std::int64_t y = year - shift;
    const std::int64_t m = month + 12 * shift;  // from 3
    const std::int64_t a = floor_div(y, 100);   // centuries
    return floor_div((m + 1) * 306001, 10000) + floor_div((y + 4716) * 1461, 4) + day
         + (floor_div(a, 4) + (2 - a)) - 1524;
}

// The same for months 1 to 12, in the manner of Neri and Schneider's
// Euclidean affine functions: the year begins in March, is shifted forward by
// whole 400-year cycles to be positive, and every division is unsigned, by a
// constant.  In 32 bits, which vectorises, it is exact for |year| and |day| up
// to gregorian_fast_bound; any other 32-bit argument gives some int32.
//
// `beyond_february` tells, as gregorian_bad_day does, whether the date is a
// February day beyond the month's length, from the same centuries: February
// ends the shifted year y, and belongs to the calendar year y + 1.
constexpr std::int32_t gregorian_day_number_fast(std::int32_t year, std::int32_t month, std::int32_t day,
                                                 bool &beyond_february) noexcept
{
    constexpr std::uint32_t cycles = gregorian_fast_bound / 400 + 1;  // of 400 years, 146097 days
    const std::uint32_t early = static_cast<std::uint32_t>(month) < 3;  // January and February: the year before
    const std::uint32_t y = static_cast<std::uint32_t>(year) + 400 * cycles - early;  // [0, 2097600]
    const std::uint32_t m = static_cast<std::uint32_t>(month) + 12 * early;           // [3, 14]
    const std::uint32_t centuries = y / 100;
    const std::uint32_t days = 1461 * y / 4 - centuries + centuries / 4  // before 1 March of y
                             + (979 * m - 2919) / 32;                  // then before the month
    // y + 1 is a leap year: divisible by 4, and then by 16 if by 25 (by 400 if
    // by 100); divisible by 25 when its product with the inverse of 25 modulo
    // 2^32 is at most (2^32 - 1) / 25, one multiplication
    const std::uint32_t next = y + 1;
    const bool by_25 = next * 0xc28f5c29u <= 0x0a3d70a3u;
    const bool leap = ((next & 3) == 0) & (!by_25 | ((next & 15) == 0));
    beyond_february = (month == 2) & (day > 28 + leap);
    // 1 March of the shifted year 0 is julian day number 1721120 - 146097 cycles
    return static_cast<std::int32_t>(days + static_cast<std::uint32_t>(day) - 1 + 1721120 - 146097 * cycles);
}

constexpr std::int32_t gregorian_day_number_fast(std::int32_t year, std::int32_t month, std::int32_t day) noexcept
{
    bool beyond_february = false;
    return gregorian_day_number_fast(year, month, day, beyond_february);
}

// Whether (year, month, day) is a February day beyond the month's length,
// the one date that is refused.
constexpr bool gregorian_bad_day(std::int32_t year, std::int32_t month, std::int32_t day) noexcept
{
    return (month == 2) & (day > gregorian_days_in_february(year));
}

// The julian day at which (year, month, day) begins: always n + 0.5.
// Valid for every 32-bit year, month and day: bad_day for a February day
// beyond the month's length, and `jd` untouched.
inline status gregorian_to_julian_day(std::int32_t year, std::int32_t month,
                                      std::int32_t day, double &jd) noexcept
{
    // The month first: one branch, mostly not taken, spares the leap year
    // test; gregorian_bad_day alone is branch-free.
    if (month == 2 && gregorian_bad_day(year, month, day))
        return status::bad_day;
    jd = static_cast<double>(gregorian_day_number(year, month, day)) - 0.5;
    return status::ok;
}

// The Gregorian date of the day whose julian day number is `number`, for
// number >= 0, in the manner of Neri and Schneider: from 1 March of a year
// shifted back by whole 400-year cycles, every quantity is positive and every
// division unsigned, by a constant.  The day's century gives back the leap
// days that the Gregorian calendar drops in three centuries of four, so that
// the day is counted as in the Julian calendar, whose year and day of the year
// take one division.  In the unsigned type U: std::uint64_t for every number
// below 2^40, or std::uint32_t, which vectorises, up to
// gregorian_fast_day_bound.  The year may be any value of U's signed
// counterpart, at least -4713.
template <typename U>
constexpr void gregorian_date_from_day_number(U number, std::make_signed_t<U> &year, std::int32_t &month,
                                              std::int32_t &day) noexcept
{
    using I = std::make_signed_t<U>;
    constexpr U cycles = 12;                                  // 1752 days before day number 0 and more
    const U n = number - 1721120 + 146097 * cycles;           // days from 1 March of the shifted year 0
    const U centuries = (4 * n + 3) / 146097;                 // of the day's year: its hundreds; 4 n + 3 < 2^32
    const U julian = n + centuries - centuries / 4;           // the same day in the Julian count
    const U e = 4 * julian + 3;                               // 32 bits: below 2^32
    const U years = e / 1461;                                 // from the shifted year 0
    const std::uint32_t yday = static_cast<std::uint32_t>(e % 1461 / 4);  // from 1 March, [0, 365]
    const std::uint32_t n3 = 2141 * yday + 197913;            // months of 2141 / 65536 days over 153 days
    const std::uint32_t m = n3 >> 16;                         // [3, 14]
    const std::uint32_t january = yday >= 306;                // January and February end the year
    year = static_cast<I>(years + january) - static_cast<I>(400 * cycles);
    month = static_cast<std::int32_t>(m - 12 * january);                     // [1, 12]
    day = static_cast<std::int32_t>(small_quotient<2141, 26>(n3 & 0xffff)) + 1;  // [1, 31]
}
static_assert(small_quotient_exact<2141, 26>(65536), "exact for every 16-bit fraction of a month");
static_assert(25 * 0xc28f5c29u == 1 && 0x0a3d70a3u == 0xffffffffu / 25, "the inverse of 25 modulo 2^32");

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
    // The day number floor(jd + 0.5), without the rounding of jd + 0.5 that
    // would carry the largest doubles below a half day into the next day.
    const double whole = std::floor(jd);
    const std::uint64_t number = static_cast<std::uint64_t>(whole) + (jd - whole >= 0.5);  // jd - whole is exact
    std::int64_t y;
    std::int32_t m, d;
    gregorian_date_from_day_number(number, y, m, d);
    if (y > INT32_MAX)
        return status::out_of_range;
    year = static_cast<std::int32_t>(y);
    month = m;
    day = d;
    return status::ok;
}

// The Jalali date of the civil day that the Gregorian (year, month, day)
// names.  Valid for every 32-bit year, month and day: bad_day as
// gregorian_to_julian_day, out_of_range when the Jalali year does not
// fit in 32 bits; the outputs are written only on ok.
inline status gregorian_to_jalali(std::int32_t year, std::int32_t month, std::int32_t day,
                                  std::int32_t &jalali_year, std::int32_t &jalali_month,
                                  std::int32_t &jalali_day) noexcept
{
    if (month == 2 && gregorian_bad_day(year, month, day))
        return status::bad_day;
    return jalali_from_day_number(gregorian_day_number(year, month, day), jalali_year, jalali_month, jalali_day);
}

// The two widths agree at the corners of the boxes.
static_assert([] {
    for (const std::int32_t year : {-gregorian_fast_bound, gregorian_fast_bound})
        for (const std::int32_t month : {1, 2, 3, 12})
            for (const std::int32_t day : {-gregorian_fast_bound, 1, gregorian_fast_bound})
                if (gregorian_day_number_fast(year, month, day) != gregorian_day_number(year, month, day))
                    return false;
    for (const std::uint32_t number : {0u, 1u, 2299161u, std::uint32_t{gregorian_fast_day_bound}}) {
        std::int32_t year = 0, month = 0, day = 0;
        std::int64_t wide_year = 0;
        std::int32_t wide_month = 0, wide_day = 0;
        gregorian_date_from_day_number(number, year, month, day);
        gregorian_date_from_day_number(std::uint64_t{number}, wide_year, wide_month, wide_day);
        if (year != wide_year || month != wide_month || day != wide_day)
            return false;
    }
    const std::int64_t far = gregorian_day_number(gregorian_to_jalali_fast_bound, 12, gregorian_to_jalali_fast_bound);
    const std::int64_t near = gregorian_day_number(-gregorian_to_jalali_fast_bound, 1, -gregorian_to_jalali_fast_bound);
    return far < jalali_fast_day_bound && near > -jalali_fast_day_bound;
}(), "the 32-bit Gregorian forms agree with the exact ones at the box's corners");

}  // namespace calendar

#endif
