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
#include "jalali_months.hpp"

namespace calendar {

// The boxes inside which the 32-bit forms of the routines below, which
// vectorise, are exact: |year| for the leap rule and for the day number of a
// date (with |day| as well, and months 1 to 12), |day number| for the date of
// a day number.  The 64-bit forms are exact for every 32-bit argument.
constexpr std::int32_t jalali_fast_leap_bound = 1 << 30;
constexpr std::int32_t jalali_fast_bound = 1 << 20;
constexpr std::int32_t jalali_fast_day_bound = 1 << 28;

// In the unsigned integer type U: std::uint64_t for every 32-bit year, or
// std::uint32_t, which vectorises, for |year| <= jalali_fast_leap_bound.
template <typename U = std::uint64_t>
constexpr bool jalali_is_leap(std::int32_t year) noexcept
{
    // year 0 counts with the negative years; shifted forward by whole cycles
    // to be positive, and so a plain unsigned remainder
    constexpr U shift = sizeof(U) == 8 ? U{761522} : U{jalali_fast_leap_bound / 2820 + 1};
    const U base = static_cast<U>(year) + U{year <= 0} - 474 + shift * 2820;  // 32 bits: [3723, 2147487370]
    const U r = base % 2820;                                                  // [0, 2819]
    // leap when (r + 512) * 682 % 2816 < 682; 682 / 2816 is 31 / 128, and
    // 512 * 31 is a multiple of 128, so the remainder is a mask
    return (static_cast<std::uint32_t>(r) * 31 & 127) < 31;
}

// As jalali_is_leap.
template <typename U = std::uint64_t>
constexpr std::int32_t jalali_days_in_year(std::int32_t year) noexcept
{
    return 365 + jalali_is_leap<U>(year);
}

// The length of `month`, 1 to 12, of `year`, as jalali_is_leap.  The year
// matters only in month 12.
template <typename U = std::uint64_t>
constexpr std::int32_t jalali_month_length(std::int32_t year, std::int32_t month) noexcept
{
    return jalali_month_days(month, jalali_is_leap<U>(year));
}

// Valid for every 32-bit year and month; bad_month unless 1 <= month <= 12,
// and then `days` is left untouched.
constexpr status jalali_days_in_month(std::int32_t year, std::int32_t month,
                                      std::int32_t &days) noexcept
{
    if (static_cast<std::uint32_t>(month) - 1 >= 12)  // also every negative month
        return status::bad_month;
    days = jalali_month_length(year, month);
    return status::ok;
}

// The 2820-year cycle, counted from 1 Farvardin 475, the first day of a cycle,
// whose julian day number (that of its noon) is jalali_epoch.  Year k of a
// cycle (k from 0) begins on its day floor(46751 k / 128) for k up to 2819:
// 46751 / 128 (1028522 / 2816) is the mean year of 365 + 683 / 2820 days,
// taken with the leap rule's own rounding.  Only the cycle's last year is
// longer, by a day.
constexpr std::int64_t jalali_epoch = 2121446;
constexpr std::uint32_t jalali_cycle_days = 1029983;

// The first day of year k of the cycle, from 0, for k in [0, 2819].
template <typename U>
constexpr U jalali_year_start_in_cycle(U k) noexcept
{
    return U{46751} * k >> 7;  // [0, 1029617]
}

// Whole cycles and years before a Jalali year, the years 0 and -1 taken as
// one, counted from the cycle that begins in year 475 and shifted forward by
// `shift` cycles so that the count is never negative, in the unsigned type U.
// The year of the cycle, k, is in [0, 2819].
template <typename U>
constexpr void jalali_cycle_of_year(std::int32_t year, U shift, U &cycles, U &k) noexcept
{
    const U base = static_cast<U>(year) + U{year < 0} - 475 + shift * 2820;  // from year 475, shifted
    cycles = base / 2820;
    k = base % 2820;
}

// The julian day number (that of the day's noon; the day begins half a day
// earlier) of the Jalali (year, month, day).  Month and day are not checked:
// months run on at 30 days past the sixth (month 13 begins 366 days after
// month 1), and day 0 is the last day of the month before.  In the signed integer type I, std::int64_t for every 32-bit
// year, month and day (the result lies within +-2^40); or std::int32_t, which
// vectorises, inside the box of jalali_fast_bound.
template <typename I>
constexpr I jalali_day_number(std::int32_t year, I month, I day) noexcept
{
    using U = std::make_unsigned_t<I>;
    // enough whole cycles for every year of I's range to count from a positive base
    constexpr U shift = sizeof(I) == 8 ? U{761522} : U{(jalali_fast_bound + 475) / 2820 + 1};
    U cycles = 0, k = 0;
    jalali_cycle_of_year<U>(year, shift, cycles, k);
    const U start = jalali_year_start_in_cycle(k) + cycles * jalali_cycle_days;  // from the shifted epoch
    const I epoch = static_cast<I>(jalali_epoch - static_cast<std::int64_t>(shift) * jalali_cycle_days);
    // in U, so that a year outside the box gives some value of I, not an overflow
    return static_cast<I>(start + static_cast<U>(epoch + jalali_month_offset(month) + day - 1));
}

// The julian day at which (year, month, day) begins: always n + 0.5.
// Valid for every 32-bit year, month and day, and exact.
constexpr double jalali_to_julian_day(std::int32_t year, std::int32_t month, std::int32_t day) noexcept
{
    return static_cast<double>(jalali_day_number<std::int64_t>(year, month, day)) - 0.5;
}

// The Jalali date of day n, from 0, of the 2820-year cycle whose first year
// is `first` (475 and every 2820 years before and after), in the signed
// integer type I, with the day of the year from 0 and whether the year is a
// leap year.  The year is counted without a gap at 0, as `first` is: the
// years named 0 and -1 are one, 0 here, which a julian day names -1.  For n
// in [0, 1029982]; any other n gives some date.
template <typename I>
constexpr void jalali_date_in_cycle(I first, std::uint32_t n, I &continuous_year, std::int32_t &month,
                                    std::int32_t &day, std::uint32_t &day_of_year, bool &leap) noexcept
{
    // The year of the cycle by one division, the inverse of
    // jalali_year_start_in_cycle, and the day of the year from that year's
    // start.  Only the cycle's last day comes out as in year 2820: it is day
    // 365 of year 2819, the one year longer than the rule.
    const std::uint32_t k = std::min<std::uint32_t>((128 * n + 127) / 46751, 2819);  // [0, 2819]
    const std::uint32_t yday = n - jalali_year_start_in_cycle(k);                    // [0, 365]
    continuous_year = first + static_cast<I>(k);
    jalali_month_day(yday, month, day);
    day_of_year = yday;
    // of 366 days by the rule's starts, or the cycle's last year
    leap = (jalali_year_start_in_cycle(k + 1) - jalali_year_start_in_cycle(k) == 366) | (k == 2819);
}

// The same, with the year as a julian day names it, never 0.
template <typename I>
constexpr void jalali_date_in_cycle(I first, std::uint32_t n, I &year, std::int32_t &month, std::int32_t &day) noexcept
{
    I y = 0;
    std::uint32_t yday = 0;
    bool leap = false;
    jalali_date_in_cycle(first, n, y, month, day, yday, leap);
    year = y - (y <= 0);  // a julian day never names year 0
}

// The Jalali date of the day whose julian day number is `number`, in the
// signed integer type I: std::int64_t for every |number| < 2^40, or
// std::int32_t, which vectorises, for |number| <= jalali_fast_day_bound.  The
// year may be any value of I; month and day are in their ranges.
template <typename I>
constexpr void jalali_date_from_day_number(I number, I &year, std::int32_t &month, std::int32_t &day) noexcept
{
    using U = std::make_unsigned_t<I>;
    // Shifted forward by whole cycles, every day count here is positive.
    constexpr U shift = sizeof(I) == 8 ? U{1} << 21 : U{jalali_fast_day_bound / jalali_cycle_days + 3};
    const U shifted = static_cast<U>(number) - static_cast<U>(jalali_epoch) + shift * jalali_cycle_days;
    const U cycle = shifted / jalali_cycle_days;
    const std::uint32_t n = static_cast<std::uint32_t>(shifted % jalali_cycle_days);  // [0, 1029982]
    jalali_date_in_cycle(static_cast<I>(cycle * 2820) - static_cast<I>(shift * 2820) + 475, n, year, month, day);
}

// The day numbers of the cycle that begins in year 475 and of the one before
// it: the years named -2346 to 3294, julian day numbers from
// jalali_near_first up to jalali_near_end.  Inside them the cycle is found by
// one comparison, in place of a division.
constexpr std::int32_t jalali_near_first = static_cast<std::int32_t>(jalali_epoch - jalali_cycle_days);  // 1091463
constexpr std::int32_t jalali_near_end = static_cast<std::int32_t>(jalali_epoch + jalali_cycle_days);    // 3151429

// As jalali_date_from_day_number, in 32 bits, for day numbers in
// [jalali_near_first, jalali_near_end); any other gives some date.
constexpr void jalali_date_from_near_day_number(std::int32_t number, std::int32_t &year, std::int32_t &month,
                                                std::int32_t &day) noexcept
{
    const std::uint32_t shifted = static_cast<std::uint32_t>(number) - static_cast<std::uint32_t>(jalali_near_first);
    const bool later = shifted >= jalali_cycle_days;  // of the cycle from year 475; shifted is below twice that
    jalali_date_in_cycle(later ? 475 : 475 - 2820, shifted - (later ? jalali_cycle_days : 0), year, month, day);
}

// The day number of 1 Farvardin 1: from it to jalali_near_end, the years of
// the two cycles are positive, and so named as they are counted.
constexpr std::int32_t jalali_year_one_first = jalali_day_number<std::int32_t>(1, 1, 1);  // 1948321

// The same, for day numbers in [jalali_year_one_first, jalali_near_end), with
// the day of the year from 0 and whether the year is a leap year; any other
// gives some date.  (No year to be named here is 0 or below, so that none is
// moved: moving it takes a vector of all ones, see is_month.)
constexpr void jalali_date_from_positive_day_number(std::int32_t number, std::int32_t &year, std::int32_t &month,
                                                    std::int32_t &day, std::uint32_t &day_of_year, bool &leap) noexcept
{
    const std::uint32_t shifted = static_cast<std::uint32_t>(number) - static_cast<std::uint32_t>(jalali_near_first);
    const bool later = shifted >= jalali_cycle_days;
    jalali_date_in_cycle(later ? 475 : 475 - 2820, shifted - (later ? jalali_cycle_days : 0), year, month, day,
                         day_of_year, leap);
}

// The Jalali date of the day whose julian day number is `number`.  Valid for
// |number| < 2^40: out_of_range when the year does not fit in 32 bits; the
// outputs are written only on ok.
inline status jalali_from_day_number(std::int64_t number, std::int32_t &year, std::int32_t &month,
                                     std::int32_t &day) noexcept
{
    std::int64_t y;
    std::int32_t m, d;
    jalali_date_from_day_number(number, y, m, d);
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
    return jalali_from_day_number(floor_to_int64(jd) + 1, year, month, day);  // the day that begins at floor(jd) + 0.5
}

// Whether the 32-bit form of the date of `number`, near (that of
// jalali_date_from_near_day_number) or not, gives the date of the 64-bit one.
constexpr bool jalali_widths_agree(std::int32_t number, bool near) noexcept
{
    std::int32_t year = 0, month = 0, day = 0;
    std::int64_t wide_year = 0;
    std::int32_t wide_month = 0, wide_day = 0;
    if (near)
        jalali_date_from_near_day_number(number, year, month, day);
    else
        jalali_date_from_day_number(number, year, month, day);
    jalali_date_from_day_number(std::int64_t{number}, wide_year, wide_month, wide_day);
    return year == wide_year && month == wide_month && day == wide_day;
}

// The two widths agree at the corners of the boxes.
static_assert([] {
    for (const std::int32_t year : {-jalali_fast_leap_bound, -1, 0, 1, jalali_fast_leap_bound})
        if (jalali_is_leap<std::uint32_t>(year) != jalali_is_leap<std::uint64_t>(year))
            return false;
    for (const std::int32_t year : {-jalali_fast_bound, -1, 0, jalali_fast_bound})
        for (const std::int32_t month : {1, 12})
            for (const std::int32_t day : {-jalali_fast_bound, 1, jalali_fast_bound})
                if (jalali_day_number<std::int32_t>(year, month, day) != jalali_day_number<std::int64_t>(year, month, day))
                    return false;
    for (const std::int32_t number : {-jalali_fast_day_bound, 0, 2121446, jalali_fast_day_bound})
        if (!jalali_widths_agree(number, false))
            return false;
    for (const std::int32_t number : {jalali_near_first, 2121445, 2121446, jalali_near_end - 1})
        if (!jalali_widths_agree(number, true))
            return false;
    return true;
}(), "the 32-bit Jalali forms agree with the exact ones at the box's corners");

}  // namespace calendar

#endif
