// The 32-bit forms of the calendar routines, which the array module runs
// vectorised, against the exact 64-bit ones over the whole of their boxes:
// every year (and month) of a box, every day number of a box; the day of a
// date enters both by addition, so its bounds alone are checked.  The
// astronomical calendar's 32-bit forms, over the years of its 33-year rule,
// against its table, and outside those years they must say so.  Prints one
// line a routine and exits non-zero at the first difference.
//
//   g++ -std=c++17 -O2 -I. tests/box.cpp -o box && ./box

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "calendar/astronomical.hpp"
#include "calendar/gregorian.hpp"
#include "calendar/jalali.hpp"
#include "calendar/jalali_calendars.hpp"

using namespace calendar;

namespace {

int differences = 0;

void differ(const char *what, std::int64_t at)
{
    std::printf("DIFFERENT: %s at %lld\n", what, static_cast<long long>(at));
    if (++differences >= 10)
        std::exit(1);
}

void leap_years()
{
    for (std::int64_t year = -jalali_fast_leap_bound; year <= jalali_fast_leap_bound; ++year) {
        const auto y = static_cast<std::int32_t>(year);
        if (jalali_is_leap<std::uint32_t>(y) != jalali_is_leap<std::uint64_t>(y))
            differ("jalali_is_leap", year);
    }
    std::printf("jalali_is_leap: every year of [-2^30, 2^30]\n");
}

void gregorian_dates()
{
    constexpr std::int32_t bound = gregorian_fast_bound;
    for (std::int32_t year = -bound; year <= bound; ++year)
        for (std::int32_t month = 1; month <= 12; ++month)
            for (const std::int32_t day : {-bound, 1, bound})
                if (gregorian_day_number_fast(year, month, day) != gregorian_day_number(year, month, day))
                    differ("gregorian_day_number_fast", year);
    for (std::int32_t year = -bound; year <= bound; ++year)
        for (const std::int32_t day : {-bound, 28, 29, 30, bound}) {
            bool beyond = false;
            gregorian_day_number_fast(year, 2, day, beyond);
            if (beyond != gregorian_bad_day(year, 2, day))
                differ("gregorian_day_number_fast, February", year);
        }
    std::printf("gregorian_day_number_fast: every year of [-2^20, 2^20], every month, days -2^20, 1 and 2^20, "
                "and the February refusal of days -2^20, 28 to 30 and 2^20\n");
}

void jalali_dates()
{
    constexpr std::int32_t bound = jalali_fast_bound;
    for (std::int32_t year = -bound; year <= bound; ++year)
        for (std::int32_t month = 1; month <= 12; ++month)
            for (const std::int32_t day : {-bound, 1, bound})
                if (jalali_day_number<std::int32_t>(year, month, day) != jalali_day_number<std::int64_t>(year, month, day))
                    differ("jalali_day_number", year);
    std::printf("jalali_day_number: every year of [-2^20, 2^20], every month, days -2^20, 1 and 2^20\n");
}

void gregorian_day_numbers()
{
    for (std::uint32_t number = 0; number <= std::uint32_t{gregorian_fast_day_bound}; ++number) {
        std::int32_t y, m, d;
        std::int64_t wide_y;
        std::int32_t wide_m, wide_d;
        gregorian_date_from_day_number(number, y, m, d);
        gregorian_date_from_day_number(std::uint64_t{number}, wide_y, wide_m, wide_d);
        if (y != wide_y || m != wide_m || d != wide_d)
            differ("gregorian_date_from_day_number", number);
    }
    std::printf("gregorian_date_from_day_number: every day number of [0, 2^29]\n");
}

void jalali_day_numbers()
{
    for (std::int64_t number = -jalali_fast_day_bound; number <= jalali_fast_day_bound; ++number)
        if (!jalali_widths_agree(static_cast<std::int32_t>(number), false))
            differ("jalali_date_from_day_number", number);
    std::printf("jalali_date_from_day_number: every day number of [-2^28, 2^28]\n");
    for (std::int32_t number = jalali_near_first; number < jalali_near_end; ++number)
        if (!jalali_widths_agree(number, true))
            differ("jalali_date_from_near_day_number", number);
    std::printf("jalali_date_from_near_day_number: every day number of [%d, %d)\n", jalali_near_first, jalali_near_end);
}

// The astronomical calendar's 32-bit forms, exact over the years rule_first
// to rule_last, whose days are the day numbers [rule_first_day, rule_end_day).
using astronomical = astronomical_calendar;
constexpr std::int32_t rule_first = astronomical_years::rule_first, rule_last = astronomical_years::rule_last;
constexpr std::int32_t rule_first_day = astronomical_rule::first_day, rule_end_day = astronomical_rule::end_day;

bool in_rule_years(std::int64_t year)
{
    return year >= rule_first && year <= rule_last;
}

// Years and days beside every edge: the 32-bit limits, and values about the
// powers of two up to 2^30 and their negatives.
std::int32_t edge(int i)
{
    static const std::int32_t limits[] = {INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX, 0, -1, 1};
    if (i < 7)
        return limits[i];
    const int power = 16 + (i - 7) / 6 % 15, sign = (i - 7) / 3 % 2 ? -1 : 1, offset = (i - 7) % 3 - 1;
    return sign * ((std::int32_t{1} << power) + offset);
}
constexpr int edges = 7 + 6 * 15;

void astronomical_leap_years()
{
    bool leap = false;
    for (std::int32_t year = rule_first; year <= rule_last; ++year)
        if (astronomical::fast_leap(year, leap) != 1 || leap != astronomical_is_leap(year))
            differ("astronomical fast_leap", year);
    // every year of the table and beyond it, and the edges of 32 bits: inside exactly in the rule's years
    for (std::int64_t year = -(std::int64_t{1} << 20); year <= std::int64_t{1} << 20; ++year)
        if (astronomical::fast_leap(static_cast<std::int32_t>(year), leap) != in_rule_years(year))
            differ("astronomical fast_leap, outside", year);
    for (int i = 0; i < edges; ++i)
        if (astronomical::fast_leap(edge(i), leap) != in_rule_years(edge(i)))
            differ("astronomical fast_leap, outside", edge(i));
    std::printf("astronomical fast_leap: every year of [%d, %d]; outside them, every year of [-2^20, 2^20] "
                "and the 32-bit edges\n", rule_first, rule_last);
}

void astronomical_dates()
{
    constexpr std::int32_t bound = jalali_fast_bound;
    std::int32_t number = 0;
    std::int64_t wide = 0;
    for (std::int32_t year = rule_first; year <= rule_last; ++year)
        for (std::int32_t month = 1; month <= 12; ++month)
            for (const std::int32_t day : {-bound, 0, 1, 29, 30, 31, 32, bound}) {
                const std::uint32_t inside = astronomical::fast_day_number(year, month, day, number);
                if (inside != 1 || astronomical_day_number(year, month, day, wide) != status::ok || number != wide)
                    differ("astronomical fast_day_number", year);
            }
    // outside: the years next to the rule's and the table's, months 0 and 13, days beyond the bound
    for (const std::int32_t year : {rule_first - 1, rule_last + 1, astronomical_first_year, astronomical_last_year})
        for (std::int32_t month = 1; month <= 12; ++month)
            for (const std::int32_t day : {-bound, 1, bound})
                if (astronomical::fast_day_number(year, month, day, number) != 0)
                    differ("astronomical fast_day_number, outside", year);
    for (std::int32_t year = rule_first; year <= rule_last; ++year)
        for (int i = 0; i < edges; ++i) {
            const std::int32_t value = edge(i);
            if (astronomical::fast_day_number(year, value, 1, number) != (value >= 1 && value <= 12)
                || astronomical::fast_day_number(year, 12, value, number) != (value >= -bound && value <= bound)
                || astronomical::fast_day_number(value, 1, 1, number) != in_rule_years(value))
                differ("astronomical fast_day_number, outside", year);
        }
    std::printf("astronomical fast_day_number: every year of [%d, %d], every month, days -2^20, 0, 1, 29 to 32 and "
                "2^20; outside them, other years, months and days\n", rule_first, rule_last);
}

void astronomical_day_numbers()
{
    if (astronomical::date_first != rule_first_day || astronomical::date_end != rule_end_day
        || rule_first_day != astronomical_year_start(rule_first)
        || rule_end_day != astronomical_year_start(rule_last + 1))
        differ("astronomical fast_date, its box", rule_first_day);
    for (std::int32_t number = rule_first_day; number < rule_end_day; ++number) {
        std::int32_t y = 0, m = 0, d = 0, wide_y = 0, wide_m = 0, wide_d = 0;
        astronomical::fast_date(number, y, m, d);
        if (astronomical_from_day_number(number, wide_y, wide_m, wide_d) != status::ok || y != wide_y || m != wide_m
            || d != wide_d)
            differ("astronomical_rule_date", number);
    }
    std::printf("astronomical_rule_date (fast_date): every day number of [%d, %d), the years %d to %d\n",
                rule_first_day, rule_end_day, rule_first, rule_last);
}

void astronomical_gregorian_dates()
{
    std::int32_t y = 0, m = 0, d = 0, wide_y = 0, wide_m = 0, wide_d = 0;
    bool refused = false;
    // every Gregorian date whose day is in the rule's years, and the days just before and after them
    for (std::int32_t number = rule_first_day - 1; number <= rule_end_day; ++number) {
        std::int64_t year = 0;
        std::int32_t month = 0, day = 0;
        gregorian_date_from_day_number(static_cast<std::uint64_t>(number), year, month, day);
        const auto g = static_cast<std::int32_t>(year);
        const std::uint32_t inside = astronomical::fast_from_gregorian(g, month, day, y, m, d, refused);
        if (inside != (number >= rule_first_day && number < rule_end_day) || refused)
            differ("astronomical fast_from_gregorian, inside", number);
        else if (inside
                 && (gregorian_to_astronomical(g, month, day, wide_y, wide_m, wide_d) != status::ok || y != wide_y
                     || m != wide_m || d != wide_d))
            differ("astronomical fast_from_gregorian", number);
    }
    // February days: refused beyond the month, in every year of the rule's
    for (std::int32_t year = 1790; year <= 2260; ++year)
        for (const std::int32_t day : {27, 28, 29, 30, 31, 400}) {
            const std::uint32_t inside = astronomical::fast_from_gregorian(year, 2, day, y, m, d, refused);
            const status exact = gregorian_to_astronomical(year, 2, day, wide_y, wide_m, wide_d);
            if (refused != (exact == status::bad_day)
                || (inside && !refused && (exact != status::ok || y != wide_y || m != wide_m || d != wide_d)))
                differ("astronomical fast_from_gregorian, February", year);
        }
    // outside: months and days beyond the box, with any year
    constexpr std::int32_t bound = gregorian_fast_bound;
    for (std::int32_t year = 1790; year <= 2260; ++year)
        for (int i = 0; i < edges; ++i) {
            const std::int32_t value = edge(i);
            const bool month = value >= 1 && value <= 12, day = value >= -bound && value <= bound;
            const bool year_near = value >= 1799 && value <= 2255;  // the Gregorian years of the rule's years
            if ((astronomical::fast_from_gregorian(year, value, 1, y, m, d, refused) && !month)
                || (astronomical::fast_from_gregorian(year, 3, value, y, m, d, refused) && !day)
                || (astronomical::fast_from_gregorian(value, 3, 21, y, m, d, refused) && !year_near))
                differ("astronomical fast_from_gregorian, outside", year);
        }
    std::printf("astronomical fast_from_gregorian: every Gregorian date of day numbers [%d, %d) and the day on either "
                "side; February days 27 to 31 and 400 of 1790 to 2260; outside them, other months, days and years\n",
                rule_first_day, rule_end_day);
}

// The dates with their day of the year and leap year, as the passes over
// columns take them, against the exact date, the year's first day number and
// the leap rule, over every day number of their box.
template <typename C>
void full_dates(const char *name)
{
    for (std::int32_t number = C::full_first; number < C::full_end; ++number) {
        std::int32_t y = 0, m = 0, d = 0, wide_y = 0, wide_m = 0, wide_d = 0;
        std::uint32_t yday = 0;
        bool leap = false, wide_leap = false;
        C::fast_date(number, y, m, d, yday, leap);
        std::int64_t first = 0;
        if (C::from_day_number(number, wide_y, wide_m, wide_d) != status::ok || y != wide_y || m != wide_m
            || d != wide_d || C::leap(y, wide_leap) != status::ok || leap != wide_leap
            || C::day_number(y, 1, 1, first) != status::ok || yday != number - first)
            differ(name, number);
    }
    std::printf("%s: every day number of [%d, %d), with its day of the year and leap year\n", name, C::full_first,
                C::full_end);
}

}  // namespace

int main()
{
    leap_years();
    gregorian_dates();
    jalali_dates();
    gregorian_day_numbers();
    jalali_day_numbers();
    astronomical_leap_years();
    astronomical_dates();
    astronomical_day_numbers();
    astronomical_gregorian_dates();
    full_dates<arithmetic_calendar>("arithmetic fast_date with the day of the year");
    full_dates<astronomical_calendar>("astronomical fast_date with the day of the year");
    std::printf(differences == 0 ? "no difference\n" : "%d differences\n", differences);
    return differences != 0;
}
