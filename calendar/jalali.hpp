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

#include "common.hpp"

namespace calendar {

// Valid for every 32-bit year.
constexpr bool jalali_is_leap(std::int32_t year) noexcept
{
    const std::int64_t base = year > 0 ? std::int64_t{year} - 474
                                       : std::int64_t{year} - 473;  // [-2^31 - 473, 2^31 - 475]
    const std::int64_t r = mod(base, 2820);                          // [0, 2819]
    const std::int64_t t = (r + 512) * 682;                          // [349184, 2271742]
    return t % 2816 < 682;
}

// Valid for every 32-bit year.
constexpr std::int32_t jalali_days_in_year(std::int32_t year) noexcept
{
    return 365 + jalali_is_leap(year);
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

constexpr std::int64_t floor_div_2820(std::int64_t x) noexcept
{
    return floor_div(x, 2820);
}

// Days of the year before the first day of `month`: the first six months have
// 31 days, the rest 30.  Valid for every 32-bit month; months outside 1 to 12
// run on at 31 days below and 30 days above, within +-2^37.
constexpr std::int64_t jalali_month_offset(std::int64_t month) noexcept
{
    return (month - 1) * 30 + std::min<std::int64_t>(month - 1, 6);  // 31 (month - 1) up to month 7
}

// Days from the day before 1 Farvardin 1 to (year, month, day), so that
// (1, 1, 1) is day 1.  Month and day are not checked: month 13 is the first
// month of the next year, day 0 the last day of the month before.
// Valid for every 32-bit year, month and day; the result lies within +-2^40.
constexpr std::int64_t jalali_day_number(std::int64_t year, std::int64_t month,
                                         std::int64_t day) noexcept
{
    const std::int64_t base = year >= 0 ? year - 474 : year - 473;         // years 0 and -1 coincide
    const std::int64_t cycle_year = mod(base, 2820) + 474;                 // [474, 3293]
    const std::int64_t cycles = floor_div_2820(base);                      // [-761521, 761520]
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
    return static_cast<double>(jalali_day_number(year, month, day)) + 1948319.5;
}

// The Jalali date of the civil day that begins at the julian day
// jd_floor + 0.5.  Valid for |jd_floor| < 2^40: out_of_range when the year
// does not fit in 32 bits; the outputs are written only on ok.
inline status julian_day_floor_to_jalali(std::int64_t jd_floor, std::int32_t &year,
                                         std::int32_t &month, std::int32_t &day) noexcept
{
    const std::int64_t depoch = jd_floor - 2121445;  // days since 1 Farvardin 475, within +-2^40
    // Shifted forward by 2^21 cycles, every depoch here is positive, and the
    // floor division by the cycle becomes a plain unsigned one.
    constexpr std::int64_t shift = std::int64_t{1} << 21;
    const std::uint64_t shifted = static_cast<std::uint64_t>(depoch + shift * 1029983);
    const std::int64_t cycle = static_cast<std::int64_t>(shifted / 1029983) - shift;
    const std::int32_t cyear = static_cast<std::int32_t>(shifted % 1029983);  // [0, 1029982]

    // The year of the cycle.  With aux1 = cyear / 366 and aux2 = cyear % 366,
    //   (2134 * aux1 + 2816 * aux2 + 2815) / 1028522 + aux1 + 1
    // is (2816 * cyear + 2815) / 1028522 + 1, since 2134 = 2816 * 366 - 1028522;
    // only the cycle's last day would come out as 2821.
    const std::int32_t ycycle = static_cast<std::int32_t>(
        std::min<std::int64_t>((2816 * std::int64_t{cyear} + 2815) / 1028522 + 1, 2820));  // [1, 2820]

    const std::int64_t y0 = 2820 * cycle + ycycle + 474;
    const std::int64_t y = y0 - (y0 <= 0);  // a julian day never names year 0
    if (!fits_int32(y))
        return status::out_of_range;

    // The year's first day within the cycle, by the day count of
    // jalali_day_number.  That count names the cycle's last year (ycycle 2820)
    // year 474 of the next cycle instead; the first day comes out the same.
    const std::int32_t cycle_year = ycycle + 474;                                                    // [475, 3294]
    const std::int32_t first = (cycle_year * 682 - 110) / 2816 + (cycle_year - 1) * 365 - 173125;  // [0, 1029617]
    const std::int32_t yday = cyear - first;  // from 0, [0, 365]
    // Six months of 31 days (186 days), then months of 30.  The day of the
    // year is often random, so no branch may depend on it: past is
    // max(yday - 186, 0) by a mask, which the compiler keeps as arithmetic.
    const std::uint32_t past = static_cast<std::uint32_t>(yday - 186) & ~static_cast<std::uint32_t>((yday - 186) >> 31);  // [0, 179]
    const std::int32_t m = static_cast<std::int32_t>((yday - past) / 31 + past / 30 + 1);  // [1, 12]
    year = static_cast<std::int32_t>(y);
    month = m;
    day = yday + 1 - static_cast<std::int32_t>(jalali_month_offset(m));  // [1, 31]
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
