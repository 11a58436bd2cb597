#ifndef ALGORITHMS_C_CALENDAR_JALALI_HPP
#define ALGORITHMS_C_CALENDAR_JALALI_HPP

// The arithmetic Jalali calendar: leap years follow a fixed rule that repeats
// every 2820 years (683 of them leap years, 1029983 days), and a date converts
// to and from its julian day by closed formulas over that cycle.
//
// Years are astronomical numbers.  The leap rule counts year 0 with the
// negative years; the conversions count it with the positive ones, so that
// years 0 and -1 name the same days and a julian day never names year 0.

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
    if (m - 1 < 6)
        days = 31;
    else if (m - 7 < 5)
        days = 30;
    else if (m == 12)
        days = 29 + jalali_is_leap(year);
    else
        return status::bad_month;
    return status::ok;
}

}  // namespace calendar

#endif
