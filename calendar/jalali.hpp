#ifndef ALGORITHMS_C_CALENDAR_JALALI_HPP
#define ALGORITHMS_C_CALENDAR_JALALI_HPP

// The arithmetic Jalali calendar: leap years follow a fixed rule that repeats
// every 2820 years (683 of them leap years, 1029983 days), and a date converts
// to and from its julian day by closed formulas over that cycle.
//
// Years are astronomical numbers.  The leap rule counts year 0 with the
// negative years; the conversions count it with the positive ones, so that
// years 0 and -1 name the same days and a julian day never names year 0.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "common.hpp"

namespace calendar {

// In the signed integer type I: std::int64_t for every 32-bit year, or
// std::int32_t, which vectorises, for |year| below 2^30.
template <typename I = std::int64_t>
constexpr bool jalali_is_leap(std::int32_t year) noexcept
{
    const I base = I{year} - 474 + (year <= 0);  // year 0 counts with the negative years; [-2^31 - 473, 2^31 - 475]
    const I r = mod(base, 2820);                 // [0, 2819]
    const I t = (r + 512) * 682;                 // [349184, 2271742]
    return t % 2816 < 682;
}

// As jalali_is_leap.
template <typename I = std::int64_t>
constexpr std::int32_t jalali_days_in_year(std::int32_t year) noexcept
{
    return 365 + jalali_is_leap<I>(year);
}

// Valid for every 32-bit year and month; bad_month unless 1 <= month <= 12,
// and then `days` is left untouched.  The year matters only in month 12.
constexpr status jalali_days_in_month(std::int32_t year, std::int32_t month,
                                      std::int32_t &days) noexcept
{
    const std::uint32_t m = static_cast<std::uint32_t>(month);
    if (m - 1 >= 12)  // also every negative month
        return status::bad_month;
    // without branches on the month, which callers often vary at random
    const bool short_twelfth = m == 12 && !jalali_is_leap(year);
    days = 31 - (m > 6) - short_twelfth;
    return status::ok;
}

template <typename I>
constexpr I floor_div_2820(I x) noexcept
{
    return floor_div(x, 2820);
}

// Days of the year before the first day of `month`: the first six months have
// 31 days, the rest 30.  In the signed integer type I: std::int64_t for every
// 32-bit month (months outside 1 to 12 run on at 31 days below and 30 days
// above, within +-2^37), std::int32_t for months 1 to 12.
template <typename I>
constexpr I jalali_month_offset(I month) noexcept
{
    return (month - 1) * 30 + std::min<I>(month - 1, 6);  // 31 (month - 1) up to month 7
}

// Days from the day before 1 Farvardin 1 to (year, month, day), so that
// (1, 1, 1) is day 1.  Month and day are not checked: month 13 is the first
// month of the next year, day 0 the last day of the month before.
// In the signed integer type I: std::int64_t for every 32-bit year, month and
// day (the result lies within +-2^40), or std::int32_t, which vectorises, for
// |year| and |day| below 2^19 and months 1 to 12.
template <typename I>
constexpr I jalali_day_number(I year, I month, I day) noexcept
{
    const I base = year - 474 + (year < 0);     // years 0 and -1 coincide
    const I cycle_year = mod(base, 2820) + 474;  // [474, 3293]
    const I cycles = floor_div_2820(base);       // [-761521, 761520]
    return day + jalali_month_offset(month)
         + (cycle_year * 682 - 110) / 2816   // leap days before cycle_year, [114, 797]
         + (cycle_year - 1) * 365
         + cycles * 1029983;
}

// The julian day at which (year, month, day) begins: always n + 0.5.
// Valid for every 32-bit year, month and day, and exact.
constexpr double jalali_to_julian_day(std::int32_t year, std::int32_t month,
                                      std::int32_t day) noexcept
{
    return static_cast<double>(jalali_day_number<std::int64_t>(year, month, day)) + 1948319.5;
}

// The Jalali date of the civil day that begins at the julian day
// jd_floor + 0.5, in the signed integer type I: std::int64_t for every
// |jd_floor| < 2^40, or std::int32_t, which vectorises, for |jd_floor| < 2^28.
// The year may be any value of I; month and day are in their ranges.
template <typename I>
constexpr void jalali_date_from_day(I jd_floor, I &year, std::int32_t &month, std::int32_t &day) noexcept
{
    using U = std::make_unsigned_t<I>;
    // Shifted forward by whole cycles, every day count here is positive, and
    // the floor division by the cycle becomes a plain unsigned one.
    constexpr I shift = sizeof(I) == 8 ? I{1} << 21 : 300;
    const U shifted = static_cast<U>(jd_floor - 2121445 + shift * 1029983);  // from 1 Farvardin 475, shifted
    const I cycle = static_cast<I>(shifted / 1029983) - shift;
    const std::uint32_t cyear = static_cast<std::uint32_t>(shifted % 1029983);  // [0, 1029982]

    // The year of the cycle.  With aux1 = cyear / 366 and aux2 = cyear % 366,
    //   (2134 * aux1 + 2816 * aux2 + 2815) / 1028522 + aux1 + 1
    // is (2816 * cyear + 2815) / 1028522 + 1, since 2134 = 2816 * 366 - 1028522;
    // only the cycle's last day would come out as 2821.
    const std::uint32_t ycycle = std::min<std::uint32_t>((2816 * cyear + 2815) / 1028522 + 1, 2820);  // [1, 2820]
    const I y = 2820 * cycle + static_cast<I>(ycycle) + 474;
    year = y - (y <= 0);  // a julian day never names year 0

    // The year's first day within the cycle, by the day count of
    // jalali_day_number.  That count names the cycle's last year (ycycle 2820)
    // year 474 of the next cycle instead; the first day comes out the same.
    const std::uint32_t cycle_year = ycycle + 474;                                                   // [475, 3294]
    const std::uint32_t first = (cycle_year * 682 - 110) / 2816 + (cycle_year - 1) * 365 - 173125;  // [0, 1029617]
    const std::int32_t yday = static_cast<std::int32_t>(cyear - first);  // from 0, [0, 365]
    // Six months of 31 days (186 days), then months of 30.  The day of the
    // year is often random, so no branch may depend on it: past is
    // max(yday - 186, 0) by a mask, which the compiler keeps as arithmetic.
    const std::int32_t past = (yday - 186) & ~((yday - 186) >> 31);  // [0, 179]
    month = (yday - past) / 31 + past / 30 + 1;                       // [1, 12]
    day = yday + 1 - jalali_month_offset(month);  // [1, 31]
}

// The Jalali date of the civil day that begins at the julian day
// jd_floor + 0.5.  Valid for |jd_floor| < 2^40: out_of_range when the year
// does not fit in 32 bits; the outputs are written only on ok.
inline status julian_day_floor_to_jalali(std::int64_t jd_floor, std::int32_t &year,
                                         std::int32_t &month, std::int32_t &day) noexcept
{
    std::int64_t y;
    std::int32_t m, d;
    jalali_date_from_day(jd_floor, y, m, d);
    if (!fits_int32(y))
        return status::out_of_range;
    year = static_cast<std::int32_t>(y);
    month = m;
    day = d;
    return status::ok;
}

// The Jalali date of the civil day that begins at floor(jd) + 0.5: every jd
// from n up to n + 1 names the day that begins at n + 0.5.
// Valid for every double: bad_julian_day when jd is not finite, out_of_range
// when the year does not fit in 32 bits; the outputs are written only on ok.
inline status julian_day_to_jalali(double jd, std::int32_t &year,
                                   std::int32_t &month, std::int32_t &day) noexcept
{
    if (!std::isfinite(jd))
        return status::bad_julian_day;
    if (std::fabs(jd) >= julian_day_limit)
        return status::out_of_range;
    return julian_day_floor_to_jalali(floor_to_int64(jd), year, month, day);
}

}  // namespace calendar

#endif
