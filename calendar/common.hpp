#ifndef ALGORITHMS_C_CALENDAR_COMMON_HPP
#define ALGORITHMS_C_CALENDAR_COMMON_HPP

#include <cstdint>
#include <type_traits>

namespace calendar {

// How a calendar routine that can fail ended.  The routines know nothing of
// Python; the module turns each failure into the exception the caller sees.
enum class status {
    ok,
    bad_month,       // a month outside 1 to 12 where one is required
    bad_day,         // a February day beyond the month's length
    bad_julian_day,  // a julian day that names no date: not finite, or not positive where that is required
    out_of_range,    // a date whose year does not fit in 32 bits
    outside_years,   // a date of a year that the astronomical calendar's table does not hold
};

// floor(a / n) for n > 0, rounding toward negative infinity, in the signed
// integer type of a.
template <typename I>
constexpr I floor_div(I a, std::common_type_t<I> n) noexcept
{
    const I q = a / n;  // rounded toward zero
    return q - (a % n < 0);
}

// `x / D` for small x by one multiplication and a shift in 32 bits, which
// vectorises as such where a division by a constant needs a multiply-high:
// with M = ceil(2^S / D) it is exact for every x below `below` while
// x (M D - 2^S) < 2^S, as small_quotient_exact checks for each use, and
// x M does not overflow.
template <std::uint32_t D, unsigned S = 16>
constexpr std::uint32_t small_reciprocal = static_cast<std::uint32_t>(((std::uint64_t{1} << S) + D - 1) / D);

template <std::uint32_t D, unsigned S = 16>
constexpr std::uint32_t small_quotient(std::uint32_t x) noexcept
{
    return (x * small_reciprocal<D, S>) >> S;
}

template <std::uint32_t D, unsigned S = 16>
constexpr bool small_quotient_exact(std::uint64_t below) noexcept
{
    const std::uint64_t one = std::uint64_t{1} << S, m = (one + D - 1) / D;
    return (below - 1) * (m * D - one) < one && (below - 1) * m < (std::uint64_t{1} << 32);
}

// floor(x) as an integer, for |x| < 2^62.
constexpr std::int64_t floor_to_int64(double x) noexcept
{
    const std::int64_t t = static_cast<std::int64_t>(x);  // rounded toward zero
    return static_cast<double>(t) > x ? t - 1 : t;
}

// Whether |value| <= bound, as one unsigned comparison: 1 or 0, which the
// 32-bit forms combine with bitwise operators, without branches.
constexpr std::uint32_t within(std::int32_t value, std::int32_t bound) noexcept
{
    const std::uint32_t b = static_cast<std::uint32_t>(bound);
    return static_cast<std::uint32_t>(value) + b <= 2 * b;
}

// 12 - month rather than month - 1, which needs a vector of all ones: GCC
// makes that one with vpternlogd in AVX-512 code, whose result waits for the
// register's previous value, and where the register is reused in the loop
// every pass waits for the one before (Gregorian to julian day took twice
// as long).
constexpr std::uint32_t is_month(std::int32_t month) noexcept
{
    return 12 - static_cast<std::uint32_t>(month) < 12;
}

constexpr bool fits_int32(std::int64_t x) noexcept
{
    return x >= INT32_MIN && x <= INT32_MAX;
}

// Every date whose year fits in 32 bits has a julian day of smaller magnitude
// (2^31 years are about 7.8e11 days; 2^40 is about 1.1e12).  Checking this
// first keeps every later step inside exact double and 64-bit arithmetic.
constexpr double julian_day_limit = 1099511627776.0;  // 2^40

}  // namespace calendar

#endif
