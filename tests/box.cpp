// The 32-bit forms of the calendar routines, which the array module runs
// vectorised, against the exact 64-bit ones over the whole of their boxes:
// every year (and month) of a box, every day number of a box; the day of a
// date enters both by addition, so its bounds alone are checked.  Prints one
// line a routine and exits non-zero at the first difference.
//
//   g++ -std=c++17 -O2 -I. tests/box.cpp -o box && ./box

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "calendar/gregorian.hpp"
#include "calendar/jalali.hpp"

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

}  // namespace

int main()
{
    leap_years();
    gregorian_dates();
    jalali_dates();
    gregorian_day_numbers();
    jalali_day_numbers();
    std::printf(differences == 0 ? "no difference\n" : "%d differences\n", differences);
    return differences != 0;
}
