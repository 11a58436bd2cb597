#ifndef ALGORITHMS_C_MODULE_KERNELS_HPP
#define ALGORITHMS_C_MODULE_KERNELS_HPP

// Each ufunc's work on one element, over the calendar/ routines, as the loops
// of module/loops.hpp take it: `nin` inputs of type `in` (the per-call
// function's argument types), `nout` outputs of type `out`, and the status of
// the calendar routine.
//
// Every ufunc has besides a fast form, in 32-bit unsigned offset arithmetic
// that the compiler vectorises and that is exact for elements inside a box
// (the bounds of calendar/): `fast` answers whether the element is outside
// the box or refused, and so must go the exact way.  Outside the box it may
// compute garbage, in unsigned arithmetic, never undefined behaviour: signed
// steps and conversions from double take stand-in values there.  For a julian
// day the fast form comes in two steps, each a loop of its own: `fast_day` to
// the day number, `fast_date` on.

#include <cstdint>
#include <type_traits>
#include <utility>

#include "calendar/gregorian.hpp"
#include "calendar/jalali_calendars.hpp"
#include "module/numpy.hpp"

namespace {

using calendar::is_month;
using calendar::status;
using calendar::within;

// A day number that no box holds: the one that a kernel's `fast_day` gives
// for a julian day outside its box, and that a column pass gives for a value
// beyond 32 bits; that element goes the exact way.
constexpr std::int32_t outside_box = INT32_MIN;

struct julian_day_from_gregorian_date {
    static constexpr int nin = 3, nout = 1;
    using in = std::int32_t;
    using out = double;
    static status apply(const in *x, out *y) noexcept { return calendar::gregorian_to_julian_day(x[0], x[1], x[2], y[0]); }
    [[gnu::always_inline]] static bool fast(const in *x, out *y) noexcept
    {
        constexpr std::int32_t bound = calendar::gregorian_fast_bound;
        const bool inside = within(x[0], bound) & is_month(x[1]) & within(x[2], bound);
        bool refused = false;
        y[0] = calendar::gregorian_day_number_fast(x[0], x[1], x[2], refused) - 0.5;
        return !inside | refused;
    }
};

struct gregorian_date_from_julian_day {
    static constexpr int nin = 1, nout = 3;
    using in = double;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return calendar::julian_day_to_gregorian(x[0], y[0], y[1], y[2]); }
    // of the day that contains jd: floor(jd + 0.5).  From jd = 0.5 on, rounding
    // jd + 0.5 never carries it up to a whole number (below, 0.49999999999999994
    // + 0.5 rounds to 1), so that the conversion's truncation is its floor.
    [[gnu::always_inline]] static std::int32_t fast_day(double jd) noexcept
    {
        const bool inside = (jd >= 0.5) & (jd < calendar::gregorian_fast_day_bound - 1);
        return static_cast<std::int32_t>(inside ? jd + 0.5 : outside_box);
    }
    [[gnu::always_inline]] static void fast_date(std::int32_t number, out *y) noexcept
    {
        calendar::gregorian_date_from_day_number(static_cast<std::uint32_t>(number), y[0], y[1], y[2]);
    }
};

// The Jalali ufuncs, in calendar C: calendar::arithmetic_calendar or
// calendar::astronomical_calendar.

template <typename C>
struct jalali_leap_year {
    static constexpr int nin = 1, nout = 1;
    using in = std::int32_t;
    using out = npy_bool;
    static status apply(const in *x, out *y) noexcept
    {
        bool leap = false;
        const status s = C::leap(x[0], leap);
        y[0] = leap;
        return s;
    }
    [[gnu::always_inline]] static bool fast(const in *x, out *y) noexcept
    {
        bool leap = false;
        const std::uint32_t inside = C::fast_leap(x[0], leap);
        y[0] = leap;
        return !inside;
    }
};

template <typename C>
struct days_in_jalali_year {
    static constexpr int nin = 1, nout = 1;
    using in = std::int32_t;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept
    {
        bool leap = false;
        const status s = C::leap(x[0], leap);
        y[0] = 365 + leap;
        return s;
    }
    [[gnu::always_inline]] static bool fast(const in *x, out *y) noexcept
    {
        bool leap = false;
        const std::uint32_t inside = C::fast_leap(x[0], leap);
        y[0] = 365 + leap;
        return !inside;
    }
};

template <typename C>
struct days_in_jalali_month {
    static constexpr int nin = 2, nout = 1;
    using in = std::int32_t;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return C::days_in_month(x[0], x[1], y[0]); }
    [[gnu::always_inline]] static bool fast(const in *x, out *y) noexcept
    {
        bool leap = false;
        const std::uint32_t inside = C::fast_leap(x[0], leap);
        y[0] = calendar::jalali_month_days(x[1], leap);
        return !(inside & is_month(x[1]));  // a bad month is refused
    }
};

template <typename C>
struct julian_day_from_jalali_date {
    static constexpr int nin = 3, nout = 1;
    using in = std::int32_t;
    using out = double;
    static status apply(const in *x, out *y) noexcept { return C::to_julian_day(x[0], x[1], x[2], y[0]); }
    [[gnu::always_inline]] static bool fast(const in *x, out *y) noexcept
    {
        std::int32_t number = 0;
        const std::uint32_t inside = C::fast_day_number(x[0], x[1], x[2], number);
        y[0] = number - 0.5;
        return !inside;
    }
};

template <typename C>
struct jalali_date_from_julian_day {
    static constexpr int nin = 1, nout = 3;
    using in = double;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return C::from_julian_day(x[0], y[0], y[1], y[2]); }
    // of the day that begins at floor(jd) + 0.5, for the day numbers that
    // C::fast_date takes.  There floor(jd) is the conversion's truncation
    // (jd + 1 would not do: 1.9999999999999998 + 1 rounds to 3).
    [[gnu::always_inline]] static std::int32_t fast_day(double jd) noexcept
    {
        const bool inside = (jd >= C::date_first - 1) & (jd < C::date_end - 1);
        const std::int32_t whole = static_cast<std::int32_t>(inside ? jd : outside_box);
        return inside ? whole + 1 : whole;
    }
    [[gnu::always_inline]] static void fast_date(std::int32_t number, out *y) noexcept
    {
        C::fast_date(number, y[0], y[1], y[2]);
    }
};

template <typename C>
struct jalali_date_from_gregorian_date {
    static constexpr int nin = 3, nout = 3;
    static constexpr bool long_chain = true;
    static constexpr bool gregorian_input = true;
    using in = std::int32_t;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return C::from_gregorian(x[0], x[1], x[2], y[0], y[1], y[2]); }
    [[gnu::always_inline]] static bool fast(const in *x, out *y) noexcept
    {
        bool refused = false;
        const std::uint32_t inside = C::fast_from_gregorian(x[0], x[1], x[2], y[0], y[1], y[2], refused);
        return !inside | refused;
    }
};

// Whether the vectorised loops of a ufunc or of the column passes are built
// at all.  The check that every fast loop vectorises builds the module with
// one alone, ALGORITHMS_C_ONLY naming its key (std::pair<Fn, T> for the fast
// form of ufunc Fn over inputs of type T, std::pair<C, T> for the column
// passes of calendar C over values of type T), so that the compiler's report
// of each loop is that of this one.  (Here, where every name that a key
// holds is declared.)
#ifdef ALGORITHMS_C_ONLY
template <typename Key>
constexpr bool kept = std::is_same_v<Key, ALGORITHMS_C_ONLY>;
#else
template <typename Key>
constexpr bool kept = true;
#endif

}  // namespace

#endif
