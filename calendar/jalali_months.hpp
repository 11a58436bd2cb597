#ifndef ALGORITHMS_C_CALENDAR_JALALI_MONTHS_HPP
#define ALGORITHMS_C_CALENDAR_JALALI_MONTHS_HPP

// The months of a Jalali year, the same in both Jalali calendars: six of 31
// days, five of 30, and Esfand of 29 days, or of 30 in a leap year.  The
// calendars differ only in the days on which their years begin
// (jalali.hpp, astronomical.hpp); these routines are the rest of every date.

#include <algorithm>
#include <cstdint>

#include "common.hpp"

namespace calendar {

// Days of the year before the first day of `month`: the first six months have
// 31 days, the rest 30.  In the signed integer type I: std::int64_t for every
// 32-bit month (months outside 1 to 12 run on at 31 days below and 30 days
// above, within +-2^37), std::int32_t for months 1 to 12.
template <typename I>
constexpr I jalali_month_offset(I month) noexcept
{
    return (month - 1) * 30 + std::min<I>(month - 1, 6);  // 31 (month - 1) up to month 7
}

// The length of `month`, 1 to 12, in a year that is a leap year or not;
// without branches on the month, which callers often vary at random.
constexpr std::int32_t jalali_month_days(std::int32_t month, bool leap) noexcept
{
    return 31 - (month > 6) - ((month == 12) & !leap);
}

static_assert(small_quotient_exact<31>(366) && small_quotient_exact<30>(366), "exact for every day of a year");

// The month and day of day `yday` of a year, counted from 0, in [0, 365]:
// the inverse of jalali_month_offset.  Six months of 31 days (186 days), then
// months of 30: from day 186 on, the day of the year less 6 counts months of
// 30 from the year's start.  One quotient, by 31 or by 30, with no branch on
// the day of the year, which is often random.
constexpr void jalali_month_day(std::uint32_t yday, std::int32_t &month, std::int32_t &day) noexcept
{
    const std::uint32_t late = yday >= 186;         // months 7 to 12
    const std::uint32_t counted = yday - 6 * late;  // [0, 359]
    const std::uint32_t length = 31 - late;         // of every month before the last
    const std::uint32_t m = counted * (late ? small_reciprocal<30> : small_reciprocal<31>) >> 16;  // [0, 11]
    month = static_cast<std::int32_t>(m) + 1;
    day = static_cast<std::int32_t>(counted - m * length) + 1;  // [1, 31]
}

}  // namespace calendar

#endif
