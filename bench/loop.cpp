// The arithmetic's own limit: calendar/ routines in a plain loop over the
// benchmark's dates, with no Python in the way.  The same dates in random and
// in ascending order tell what mispredicted branches cost.  Prints JSON:
// ns per date for each routine and order.  Built and run by bench/arrays.py.
//
// Built as a shared library (-DMATCHED_FLOORS), it holds instead the matched
// floor of each ufunc signature: a loop that reads the same input columns and
// writes the same output columns with next to no work, which bench/arrays.py
// calls through ctypes beside the ufuncs, in the same process.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "calendar/gregorian.hpp"
#include "calendar/jalali.hpp"

#ifdef MATCHED_FLOORS

using i32 = std::int32_t;

extern "C" {
// three int32 columns in, one float64 out: the julian day of a date
void floor_3i_1d(const i32 *a, const i32 *b, const i32 *c, double *out, std::int64_t n)
{
    for (std::int64_t i = 0; i < n; ++i)
        out[i] = a[i] + b[i] + c[i];
}
// one int32 column in, one bool out: the leap year
void floor_1i_1b(const i32 *a, bool *out, std::int64_t n)
{
    for (std::int64_t i = 0; i < n; ++i)
        out[i] = a[i] & 1;
}
// one or two int32 columns in, one int32 out: the lengths of years and months
void floor_1i_1i(const i32 *a, i32 *out, std::int64_t n)
{
    for (std::int64_t i = 0; i < n; ++i)
        out[i] = a[i] + 365;
}
void floor_2i_1i(const i32 *a, const i32 *b, i32 *out, std::int64_t n)
{
    for (std::int64_t i = 0; i < n; ++i)
        out[i] = a[i] + b[i];
}
// one float64 column in, three int32 out: a date from a julian day
void floor_1d_3i(const double *a, i32 *y, i32 *m, i32 *d, std::int64_t n)
{
    for (std::int64_t i = 0; i < n; ++i) {
        const i32 x = static_cast<i32>(a[i]);
        y[i] = x;
        m[i] = x + 1;
        d[i] = x + 2;
    }
}
// three int32 columns in, three int32 out: Gregorian to Jalali
void floor_3i_3i(const i32 *a, const i32 *b, const i32 *c, i32 *y, i32 *m, i32 *d, std::int64_t n)
{
    for (std::int64_t i = 0; i < n; ++i) {
        y[i] = a[i] + 1;
        m[i] = b[i] + 1;
        d[i] = c[i] + 1;
    }
}
}

#else

namespace {

struct date {
    std::int32_t year, month, day;
};

volatile std::int64_t sink;  // keeps the results alive

template <typename F>
double ns_per_date(const std::vector<date> &dates, F convert)
{
    double best = 1e300;
    for (int repeat = 0; repeat < 7; ++repeat) {
        const auto start = std::chrono::steady_clock::now();
        std::int64_t sum = 0;
        for (const date &d : dates)
            sum += convert(d);
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        sink = sum;
        best = std::min(best, took.count() / dates.size());
    }
    return best;
}

}  // namespace

int main()
{
    // 10^6 days of 1900 to 2100, as the Python benchmark draws them
    const std::int64_t first = 2415021, last = 2488434;  // julian days at noon of 1900-01-01 and 2100-12-31
    std::mt19937_64 rng(1);
    std::uniform_int_distribution<std::int64_t> pick(first, last);
    std::vector<std::int64_t> days(1000000);
    for (auto &day : days)
        day = pick(rng);

    std::printf("{");
    for (const bool sorted : {false, true}) {
        if (sorted)
            std::sort(days.begin(), days.end());
        std::vector<date> dates;
        for (const std::int64_t day : days) {
            date d;
            calendar::julian_day_to_gregorian(static_cast<double>(day), d.year, d.month, d.day);
            dates.push_back(d);
        }
        const auto jalali = ns_per_date(dates, [](const date &d) {
            std::int32_t y = 0, m = 0, j = 0;
            calendar::gregorian_to_jalali(d.year, d.month, d.day, y, m, j);
            return y + m + j;
        });
        const auto julian = ns_per_date(dates, [](const date &d) {
            double jd = 0;
            calendar::gregorian_to_julian_day(d.year, d.month, d.day, jd);
            return static_cast<std::int64_t>(jd);
        });
        const auto back = ns_per_date(dates, [](const date &d) {
            std::int32_t y = 0, m = 0, j = 0;
            calendar::julian_day_to_gregorian(d.year * 365.25 + d.month * 30.6 + d.day + 1721058.5, y, m, j);
            return y + m + j;
        });
        const char *order = sorted ? "sorted" : "random";
        std::printf("%s\"gregorian_to_jalali %s\": %.2f, \"gregorian_to_julian_day %s\": %.2f, "
                    "\"julian_day_to_gregorian %s\": %.2f",
                    sorted ? ", " : "", order, jalali, order, julian, order, back);
    }
    std::printf("}\n");
}

#endif
