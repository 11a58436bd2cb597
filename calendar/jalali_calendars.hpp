#ifndef ALGORITHMS_C_CALENDAR_JALALI_CALENDARS_HPP
#define ALGORITHMS_C_CALENDAR_JALALI_CALENDARS_HPP

// The two Jalali calendars behind one set of names, for the code that works in
// either: the arithmetic one (jalali.hpp) and the astronomical one
// (astronomical.hpp).  Each gives its routines in two widths:
//
// - exact, for every 32-bit argument, with a status: the arithmetic calendar
//   refuses only bad months and julian days that name no date, the
//   astronomical one besides every date of a year that its table does not
//   hold (outside_years);
// - 32-bit, which vectorise, each answering 1 for an argument inside the box
//   where it is exact and 0 outside, where it computes some value in unsigned
//   arithmetic, never undefined behaviour.  A caller takes the exact way for
//   an argument outside.
//
// The months are the same in both (jalali_months.hpp); the calendars differ in
// the days on which their years begin.

#include <cstdint>

#include "astronomical.hpp"
#include "common.hpp"
#include "gregorian.hpp"
#include "jalali.hpp"
#include "jalali_months.hpp"

namespace calendar {

struct arithmetic_calendar {
    static status leap(std::int32_t year, bool &leap) noexcept
    {
        leap = jalali_is_leap(year);
        return status::ok;
    }
    static status days_in_month(std::int32_t year, std::int32_t month, std::int32_t &days) noexcept
    {
        return jalali_days_in_month(year, month, days);
    }
    // The day number of a date; month and day unchecked, running on.
    static status day_number(std::int32_t year, std::int32_t month, std::int32_t day, std::int64_t &number) noexcept
    {
        number = jalali_day_number<std::int64_t>(year, month, day);
        return status::ok;
    }
    static status to_julian_day(std::int32_t year, std::int32_t month, std::int32_t day, double &jd) noexcept
    {
        jd = jalali_to_julian_day(year, month, day);
        return status::ok;
    }
    // The day number of 1 Farvardin of `year`, and whether the year is a leap year.
    static status year(std::int32_t year, std::int64_t &first, bool &leap) noexcept
    {
        first = jalali_day_number<std::int64_t>(year, 1, 1);
        leap = jalali_is_leap(year);
        return status::ok;
    }
    static status from_day_number(std::int64_t number, std::int32_t &year, std::int32_t &month,
                                  std::int32_t &day) noexcept
    {
        return jalali_from_day_number(number, year, month, day);
    }
    static status from_julian_day(double jd, std::int32_t &year, std::int32_t &month, std::int32_t &day) noexcept
    {
        return julian_day_to_jalali(jd, year, month, day);
    }
    static status from_gregorian(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t &jalali_year,
                                 std::int32_t &jalali_month, std::int32_t &jalali_day) noexcept
    {
        return gregorian_to_jalali(year, month, day, jalali_year, jalali_month, jalali_day);
    }

    // 32 bits.  The leap rule for |year| <= jalali_fast_leap_bound.
    static std::uint32_t fast_leap(std::int32_t year, bool &leap) noexcept
    {
        leap = jalali_is_leap<std::uint32_t>(year);
        return within(year, jalali_fast_leap_bound);
    }
    // The day number of a date with |year| and |day| <= jalali_fast_bound and
    // a month of 1 to 12.
    static std::uint32_t fast_day_number(std::int32_t year, std::int32_t month, std::int32_t day,
                                         std::int32_t &number) noexcept
    {
        constexpr std::int32_t bound = jalali_fast_bound;
        const std::uint32_t month_inside = is_month(month), day_inside = within(day, bound);
        // month and day enter by signed addition: stand-ins outside the box
        number = jalali_day_number<std::int32_t>(year, month_inside ? month : 1, day_inside ? day : 0);
        return within(year, bound) & month_inside & day_inside;
    }
    // The date of a day number in [date_first, date_end): the two 2820-year
    // cycles that meet in the year 475.
    static constexpr std::int32_t date_first = jalali_near_first, date_end = jalali_near_end;
    static void fast_date(std::int32_t number, std::int32_t &year, std::int32_t &month, std::int32_t &day) noexcept
    {
        jalali_date_from_near_day_number(number, year, month, day);
    }
    // With the day of the year, from 0, and whether the year is a leap year,
    // for the day numbers in [full_first, full_end): the years 1 to 3294.
    static constexpr std::int32_t full_first = jalali_year_one_first, full_end = jalali_near_end;
    static void fast_date(std::int32_t number, std::int32_t &year, std::int32_t &month, std::int32_t &day,
                          std::uint32_t &day_of_year, bool &leap) noexcept
    {
        jalali_date_from_positive_day_number(number, year, month, day, day_of_year, leap);
    }
    // The Jalali date of a Gregorian one with |year| and |day| <=
    // gregorian_to_jalali_fast_bound and a month of 1 to 12; `refused` for a
    // February day beyond the month.
    static std::uint32_t fast_from_gregorian(std::int32_t year, std::int32_t month, std::int32_t day,
                                             std::int32_t &jalali_year, std::int32_t &jalali_month,
                                             std::int32_t &jalali_day, bool &refused) noexcept
    {
        constexpr std::int32_t bound = gregorian_to_jalali_fast_bound;
        const std::uint32_t inside = within(year, bound) & is_month(month) & within(day, bound);
        jalali_date_from_day_number(gregorian_day_number_fast(year, month, day, refused), jalali_year, jalali_month,
                                    jalali_day);
        return inside;
    }
};

struct astronomical_calendar {
    static status leap(std::int32_t year, bool &leap) noexcept { return astronomical_leap(year, leap); }
    static status days_in_month(std::int32_t year, std::int32_t month, std::int32_t &days) noexcept
    {
        return astronomical_days_in_month(year, month, days);
    }
    static status day_number(std::int32_t year, std::int32_t month, std::int32_t day, std::int64_t &number) noexcept
    {
        return astronomical_day_number(year, month, day, number);
    }
    static status to_julian_day(std::int32_t year, std::int32_t month, std::int32_t day, double &jd) noexcept
    {
        return astronomical_to_julian_day(year, month, day, jd);
    }
    static status year(std::int32_t year, std::int64_t &first, bool &leap) noexcept
    {
        return astronomical_year(year, first, leap);
    }
    static status from_day_number(std::int64_t number, std::int32_t &year, std::int32_t &month,
                                  std::int32_t &day) noexcept
    {
        return astronomical_from_day_number(number, year, month, day);
    }
    static status from_julian_day(double jd, std::int32_t &year, std::int32_t &month, std::int32_t &day) noexcept
    {
        return julian_day_to_astronomical(jd, year, month, day);
    }
    static status from_gregorian(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t &jalali_year,
                                 std::int32_t &jalali_month, std::int32_t &jalali_day) noexcept
    {
        return gregorian_to_astronomical(year, month, day, jalali_year, jalali_month, jalali_day);
    }

    // 32 bits, over the years of the 33-year rule (astronomical_rule).
    static std::uint32_t fast_leap(std::int32_t year, bool &leap) noexcept
    {
        std::uint32_t k = 0;
        const std::uint32_t inside = astronomical_rule_year(year, k);
        leap = astronomical_rule::is_leap(k);
        return inside;
    }
    // With |day| <= jalali_fast_bound and a month of 1 to 12.
    static std::uint32_t fast_day_number(std::int32_t year, std::int32_t month, std::int32_t day,
                                         std::int32_t &number) noexcept
    {
        std::uint32_t k = 0;
        const std::uint32_t year_inside = astronomical_rule_year(year, k);
        const std::uint32_t month_inside = is_month(month), day_inside = within(day, jalali_fast_bound);
        // in unsigned arithmetic, which wraps where the stand-ins outside the box take it
        const std::uint32_t offset = static_cast<std::uint32_t>(jalali_month_offset<std::int32_t>(month_inside ? month : 1));
        number = static_cast<std::int32_t>(static_cast<std::uint32_t>(astronomical_rule::first_day)
                                           + astronomical_rule::days_before(k) + offset
                                           + static_cast<std::uint32_t>(day_inside ? day : 0) - 1);
        return year_inside & month_inside & day_inside;
    }
    static constexpr std::int32_t date_first = astronomical_rule::first_day, date_end = astronomical_rule::end_day;
    static void fast_date(std::int32_t number, std::int32_t &year, std::int32_t &month, std::int32_t &day) noexcept
    {
        astronomical_rule_date(number, year, month, day);
    }
    static constexpr std::int32_t full_first = date_first, full_end = date_end;
    static void fast_date(std::int32_t number, std::int32_t &year, std::int32_t &month, std::int32_t &day,
                          std::uint32_t &day_of_year, bool &leap) noexcept
    {
        astronomical_rule_date(number, year, month, day, day_of_year, leap);
    }
    static std::uint32_t fast_from_gregorian(std::int32_t year, std::int32_t month, std::int32_t day,
                                             std::int32_t &jalali_year, std::int32_t &jalali_month,
                                             std::int32_t &jalali_day, bool &refused) noexcept
    {
        constexpr std::int32_t bound = gregorian_fast_bound;
        const std::int32_t number = gregorian_day_number_fast(year, month, day, refused);
        const std::uint32_t inside = within(year, bound) & is_month(month) & within(day, bound)
                                   & (static_cast<std::uint32_t>(number) - static_cast<std::uint32_t>(date_first)
                                      < static_cast<std::uint32_t>(date_end - date_first));
        fast_date(number, jalali_year, jalali_month, jalali_day);
        return inside;
    }
};

}  // namespace calendar

#endif
