#ifndef ALGORITHMS_C_CALENDAR_ASTRONOMICAL_HPP
#define ALGORITHMS_C_CALENDAR_ASTRONOMICAL_HPP

// The astronomical Jalali calendar, the one in civil use in Iran: a year
// begins on the day, in Iran Standard Time (UTC+3:30, the mean time of the
// meridian 52.5 deg E), in which the March equinox falls before noon, or on
// the next day when it falls at or after noon.  Its months are those of every
// Jalali calendar (jalali_months.hpp); only the days on which the years begin
// differ from the arithmetic calendar's (jalali.hpp).
//
// The first days of the years come from astronomical_years.hpp, a table that
// astronomical/year_starts.py computes from the equinoxes, for the years
// named astronomical_first_year to astronomical_last_year: every day of the
// Gregorian years 1 to 9999 lies in one of them.  Outside them the routines
// refuse, with status::outside_years; they never answer by another rule.
//
// Years are numbered as the arithmetic conversions number them: year 0 is
// another name for year -1, and a day never names year 0.  Inside the table,
// "continuous" years run on without a gap: year -1 is 0, year 1 is 1.
//
// The routines come in two widths.  The exact ones take any 32-bit argument
// and read the table.  The 32-bit ones, which vectorise, are exact inside the
// years astronomical_years::rule_first to rule_last (1178 to 1633, Gregorian
// 1799 to 2255), whose first days follow the 33-year rule, and there compute
// them in closed form instead of reading the table.

#include <array>
#include <cmath>
#include <cstdint>

#include "astronomical_years.hpp"
#include "common.hpp"
#include "gregorian.hpp"
#include "jalali_months.hpp"

namespace calendar {

// The named years that the table holds.
constexpr std::int32_t astronomical_first_year = astronomical_years::first - (astronomical_years::first <= 0);
constexpr std::int32_t astronomical_last_year = astronomical_years::last;

// The continuous number of a year: years 0 and -1 are one.
constexpr std::int64_t continuous_jalali_year(std::int32_t year) noexcept
{
    return std::int64_t{year} + (year < 0);
}

// The year that a continuous year names: never year 0.
constexpr std::int64_t named_jalali_year(std::int64_t continuous) noexcept
{
    return continuous - (continuous <= 0);
}

namespace astronomical_years {

constexpr std::int32_t count = last - first + 1;

// The julian day number of 1 Farvardin of continuous year first + i, for i in
// [0, count]: the last is the day after the table's last year.
constexpr std::array<std::int32_t, count + 1> starts = [] {
    std::array<std::int32_t, count + 1> days{};
    std::int64_t day = first_start;
    for (std::int32_t i = 0; i <= count; ++i) {
        days[i] = static_cast<std::int32_t>(day);
        day += 365 + (i < count && (leap_words[i / 64] >> (i % 64) & 1));
    }
    return days;
}();

// The julian day numbers that the table holds: [first_day, end_day).
constexpr std::int64_t first_day = starts[0];
constexpr std::int64_t end_day = starts[count];

// The index of the year that holds day number n, for n in [first_day,
// end_day): the last start at or before n.  By the mean year of the
// arithmetic calendar, 46751 / 128 days, from which the table's years never
// part by more than a few days, the estimate is off by at most one year.
constexpr std::int32_t index_of_day(std::int64_t n) noexcept
{
    std::int64_t i = (n - first_day) * 128 / 46751;
    i = i < count - 1 ? i : count - 1;
    i -= starts[i] > n;
    i += starts[i + 1] <= n;
    return static_cast<std::int32_t>(i);
}

}  // namespace astronomical_years

// Whether the table holds `year`.
constexpr bool astronomical_holds(std::int32_t year) noexcept
{
    const std::int64_t c = continuous_jalali_year(year);
    return c >= astronomical_years::first && c <= astronomical_years::last;
}

// The julian day number of 1 Farvardin of a year that the table holds.
constexpr std::int64_t astronomical_year_start(std::int32_t year) noexcept
{
    return astronomical_years::starts[continuous_jalali_year(year) - astronomical_years::first];
}

// Of a year that the table holds.
constexpr bool astronomical_is_leap(std::int32_t year) noexcept
{
    const std::int64_t i = continuous_jalali_year(year) - astronomical_years::first;
    return astronomical_years::starts[i + 1] - astronomical_years::starts[i] == 366;
}

// The julian day number of 1 Farvardin of `year`, and whether it is a leap
// year, from one look into the table: outside_years where the table does not
// hold it, and then both are left untouched.
constexpr status astronomical_year(std::int32_t year, std::int64_t &first, bool &leap) noexcept
{
    // unsigned: a year before the table's wraps to beyond its count
    const auto i = static_cast<std::uint64_t>(continuous_jalali_year(year) - astronomical_years::first);
    if (i >= static_cast<std::uint64_t>(astronomical_years::count))
        return status::outside_years;
    first = astronomical_years::starts[i];
    leap = astronomical_years::starts[i + 1] - first == 366;
    return status::ok;
}

// Whether `year` is a leap year: outside_years where the table does not hold
// it, and then `leap` is left untouched.
constexpr status astronomical_leap(std::int32_t year, bool &leap) noexcept
{
    if (!astronomical_holds(year))
        return status::outside_years;
    leap = astronomical_is_leap(year);
    return status::ok;
}

// Valid for every 32-bit year and month: bad_month unless 1 <= month <= 12,
// then outside_years where the table does not hold the year; `days` is
// written only on ok.
constexpr status astronomical_days_in_month(std::int32_t year, std::int32_t month, std::int32_t &days) noexcept
{
    if (static_cast<std::uint32_t>(month) - 1 >= 12)
        return status::bad_month;
    if (!astronomical_holds(year))
        return status::outside_years;
    days = jalali_month_days(month, astronomical_is_leap(year));
    return status::ok;
}

// The julian day number of (year, month, day).  Month and day are not
// checked, as in the arithmetic calendar: months run on at 30 days past the
// sixth (month 13 begins 366 days after month 1), and day 0 is the last day
// of the month before.  Valid for every 32-bit
// month and day (within +-2^38 of the year's start); outside_years where the
// table does not hold the year, and `number` untouched.
constexpr status astronomical_day_number(std::int32_t year, std::int32_t month, std::int32_t day,
                                         std::int64_t &number) noexcept
{
    if (!astronomical_holds(year))
        return status::outside_years;
    number = astronomical_year_start(year) + jalali_month_offset<std::int64_t>(month) + day - 1;
    return status::ok;
}

// The julian day at which (year, month, day) begins: always n + 0.5.
inline status astronomical_to_julian_day(std::int32_t year, std::int32_t month, std::int32_t day,
                                         double &jd) noexcept
{
    std::int64_t number = 0;
    const status s = astronomical_day_number(year, month, day, number);
    if (s == status::ok)
        jd = static_cast<double>(number) - 0.5;
    return s;
}

// The date of the day whose julian day number is `number`: outside_years
// unless the table holds it; the outputs are written only on ok.
constexpr status astronomical_from_day_number(std::int64_t number, std::int32_t &year, std::int32_t &month,
                                              std::int32_t &day) noexcept
{
    if (number < astronomical_years::first_day || number >= astronomical_years::end_day)
        return status::outside_years;
    const std::int32_t i = astronomical_years::index_of_day(number);
    year = static_cast<std::int32_t>(named_jalali_year(astronomical_years::first + std::int64_t{i}));
    jalali_month_day(static_cast<std::uint32_t>(number - astronomical_years::starts[i]), month, day);
    return status::ok;
}

// The date of the civil day that begins at floor(jd) + 0.5, as
// julian_day_to_jalali: bad_julian_day when jd is not finite, outside_years
// when the table does not hold the day.
inline status julian_day_to_astronomical(double jd, std::int32_t &year, std::int32_t &month,
                                         std::int32_t &day) noexcept
{
    if (!std::isfinite(jd))
        return status::bad_julian_day;
    if (std::fabs(jd) >= julian_day_limit)
        return status::outside_years;
    return astronomical_from_day_number(floor_to_int64(jd) + 1, year, month, day);
}

// The date of the civil day that the Gregorian (year, month, day) names:
// bad_day as gregorian_to_julian_day, outside_years when the table does not
// hold it.
inline status gregorian_to_astronomical(std::int32_t year, std::int32_t month, std::int32_t day,
                                        std::int32_t &jalali_year, std::int32_t &jalali_month,
                                        std::int32_t &jalali_day) noexcept
{
    if (month == 2 && gregorian_bad_day(year, month, day))
        return status::bad_day;
    return astronomical_from_day_number(gregorian_day_number(year, month, day), jalali_year, jalali_month,
                                        jalali_day);
}

// The 32-bit forms, in closed form over the years of the 33-year rule:
// year rule_first + k begins rule_days(k) days after year rule_first.
namespace astronomical_rule {

using astronomical_years::rule_first;
using astronomical_years::rule_last;
using astronomical_years::rule_phase;

constexpr std::uint32_t years = rule_last - rule_first + 1;
constexpr std::int32_t first_day = astronomical_years::starts[rule_first - astronomical_years::first];
constexpr std::int32_t end_day = astronomical_years::starts[rule_last + 1 - astronomical_years::first];

// Days from the first day of year rule_first to that of year rule_first + k,
// for k in [0, years]: 12053 days in 33 years.
constexpr std::uint32_t days_before(std::uint32_t k) noexcept
{
    return (12053 * k + rule_phase) / 33;  // 12053 k < 2^23
}

// Whether year rule_first + k, k in [0, years), is a leap year: the next
// quotient of days_before grows by 366 (the remainder of 8 k + rule_phase by
// 33 is 25 or more).
constexpr std::uint32_t is_leap(std::uint32_t k) noexcept
{
    return (8 * k + rule_phase) % 33 >= 25;
}

// The inverse of days_before: the k of the year that holds day m of the
// stretch, for m in [0, end_day - first_day).
constexpr std::uint32_t year_of_day(std::uint32_t m) noexcept
{
    return (33 * m + 32 - rule_phase) / 12053;  // 33 m < 2^23
}

}  // namespace astronomical_rule

// Whether `year` is one of the stretch of the rule, in 32 bits: 1 or 0; k is
// then its index in the stretch, year - rule_first.
constexpr std::uint32_t astronomical_rule_year(std::int32_t year, std::uint32_t &k) noexcept
{
    k = static_cast<std::uint32_t>(year) - static_cast<std::uint32_t>(astronomical_years::rule_first);
    return k < astronomical_rule::years;  // every year of the stretch is positive
}

// The date of day `number` of the stretch, for number in
// [astronomical_rule::first_day, astronomical_rule::end_day), with the day of
// the year from 0 and whether the year is a leap year; any other gives some
// date.
constexpr void astronomical_rule_date(std::int32_t number, std::int32_t &year, std::int32_t &month,
                                      std::int32_t &day, std::uint32_t &day_of_year, bool &leap) noexcept
{
    const std::uint32_t m = static_cast<std::uint32_t>(number) - static_cast<std::uint32_t>(astronomical_rule::first_day);
    const std::uint32_t k = astronomical_rule::year_of_day(m);
    year = astronomical_years::rule_first + static_cast<std::int32_t>(k);
    day_of_year = m - astronomical_rule::days_before(k);
    leap = astronomical_rule::is_leap(k);
    jalali_month_day(day_of_year, month, day);
}

constexpr void astronomical_rule_date(std::int32_t number, std::int32_t &year, std::int32_t &month,
                                      std::int32_t &day) noexcept
{
    std::uint32_t yday = 0;
    bool leap = false;
    astronomical_rule_date(number, year, month, day, yday, leap);
}

// The closed form is the table over the whole stretch.
static_assert([] {
    using namespace astronomical_rule;
    for (std::uint32_t k = 0; k <= years; ++k)
        if (first_day + static_cast<std::int32_t>(days_before(k))
            != astronomical_years::starts[rule_first - astronomical_years::first + k])
            return false;
    for (std::uint32_t k = 0; k < years; ++k)
        if (is_leap(k) != (days_before(k + 1) - days_before(k) == 366))
            return false;
    // year_of_day is the inverse of days_before: both are monotone, so it is
    // enough that the first and the last day of every year come back to it
    // (tests/box.cpp walks every day)
    for (std::uint32_t k = 0; k < years; ++k)
        if (year_of_day(days_before(k)) != k || year_of_day(days_before(k + 1) - 1) != k)
            return false;
    return true;
}(), "the 33-year rule gives the table's first days over its stretch");

// The table's years begin within a few days of the mean year's, so that
// index_of_day mends its estimate with a comparison on either side; and its
// days are in 32 bits.
static_assert([] {
    using namespace astronomical_years;
    for (std::int32_t i = 0; i <= count; ++i) {
        const std::int64_t mean = first_day + std::int64_t{i} * 46751 / 128;
        if (starts[i] - mean > 100 || mean - starts[i] > 100)
            return false;
    }
    return end_day < INT32_MAX;
}(), "the table's years stay near the mean year");

}  // namespace calendar

#endif
