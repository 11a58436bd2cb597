#ifndef ALGORITHMS_C_MODULE_COLUMN_PASS_HPP
#define ALGORITHMS_C_MODULE_COLUMN_PASS_HPP

// A pass over a column of datetimes, as data frames hold them, to the Jalali
// dates of its values, which each kind of pass (fields, period starts, month
// steps, text) turns into its result block by block: ticks to days and
// missing values to a mask inside the loop, the date in either calendar by
// the vectorised 32-bit forms where they hold and exactly elsewhere.  No
// Python object is touched inside the loop, which runs without the GIL; a
// value that the calendar refuses stops the pass, and its error is raised
// after the loop.
//
// A column is one-dimensional and contiguous: int64 ticks, `per_day` of them
// a day from 1970-01-01 (NumPy's datetime64 and Arrow's timestamps and
// date64), with NaT as the smallest int64; or int32 days (Arrow's date32).
// Missing values are NaT, or absent from an Arrow validity bitmap.  A
// missing value is read as 1970-01-01, so that every result holds a valid
// date under its mask.
//
// Each kind of pass is a type Pass with a function
//   template <typename C> bool block_result(const Pass &, const column &, npy_intp start, npy_intp count,
//                                           const dates &, failure &)
// in the file that runs it, found by argument-dependent lookup.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

#include "calendar/gregorian.hpp"
#include "calendar/jalali_calendars.hpp"
#include "module/errors.hpp"
#include "module/isa.hpp"
#include "module/kernels.hpp"
#include "module/numpy.hpp"

namespace {

using calendar::status;

// Day 0 of a column, 1970-01-01, is the julian day number 2440588.
constexpr std::int64_t epoch_number = 2440588;
// The elements that a pass takes at a time.
constexpr npy_intp pass_block = 1024;
// Day numbers within 2^30 of 0 are taken in 32 bits.
constexpr double number_bound = 1 << 30;

// A column of datetimes, and where its values are missing.
struct column {
    const void *values = nullptr;
    bool days = false;  // int32 days, else int64 ticks
    npy_intp length = 0;
    std::int64_t per_day = 1;
    const std::uint8_t *validity = nullptr;  // Arrow's bits, 1 where present, or null
    npy_intp offset = 0;                     // of the column's first bit in `validity`
};

// The day of value i of the column, from 1970-01-01: exact, for the values
// that the 32-bit way leaves out.
std::int64_t day_of(const column &c, npy_intp i) noexcept
{
    if (c.days)
        return static_cast<const std::int32_t *>(c.values)[i];
    const std::int64_t v = static_cast<const std::int64_t *>(c.values)[i];
    return v / c.per_day - (v % c.per_day < 0);
}

// The dates of a block, as both ways give them.
struct dates {
    std::int32_t number[pass_block];  // julian day numbers, or outside_box
    npy_bool missing[pass_block];
    std::int32_t year[pass_block], month[pass_block], day[pass_block];
    std::int32_t yday[pass_block];     // from 0
    std::int32_t weekday[pass_block];  // 0 = Saturday
    std::uint8_t leap[pass_block];
    bool added;  // whether a value is missing (NaT) that the validity bitmap holds, where there is one
};

// The first value that a pass could not convert.
struct failure {
    npy_intp at = -1;
    status why = status::ok;
    std::int64_t day = 0;     // its day from 1970-01-01
    std::int64_t months = 0;  // the step of months that took it out of range, if one did
};

// The validity bits of a byte as eight bools, one a byte of a word, in the
// order of the rows where words are little-endian.
constexpr std::array<std::uint64_t, 256> spread_bits = [] {
    std::array<std::uint64_t, 256> all{};
    for (unsigned byte = 0; byte < 256; ++byte)
        for (unsigned k = 0; k < 8; ++k)
            all[byte] |= std::uint64_t{byte >> k & 1} << (8 * k);
    return all;
}();

// Marks missing the values of rows [start, start + count) that the column's
// validity bits call absent: whether one that they call present was missing
// already (a NaT).
[[gnu::noinline]] bool add_validity(const column &c, npy_intp start, npy_intp count, npy_bool *missing) noexcept
{
    const npy_intp first = c.offset + start;
    const unsigned shift = static_cast<unsigned>(first & 7);
    const std::uint8_t *bytes = c.validity + (first >> 3);
    std::uint64_t added = 0;
    npy_intp i = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // eight rows at a time: their bits end within the bitmap, and so does the byte after the first
    for (; i + 8 <= count; i += 8) {
        const unsigned low = bytes[i >> 3];
        const unsigned byte = shift == 0 ? low : (low >> shift | unsigned{bytes[(i >> 3) + 1]} << (8 - shift)) & 0xff;
        const std::uint64_t valid = spread_bits[byte];
        std::uint64_t nat = 0;
        std::memcpy(&nat, missing + i, 8);
        added |= nat & valid;
        nat |= valid ^ 0x0101010101010101;
        std::memcpy(missing + i, &nat, 8);
    }
#endif
    for (; i < count; ++i) {
        const npy_intp bit = first + i;
        const unsigned valid = c.validity[bit >> 3] >> (bit & 7) & 1;
        added |= valid & missing[i];
        missing[i] |= valid ^ 1;
    }
    return added != 0;
}

// Stage one: which values are missing, and the day number of every other one
// within 2^30 of day 0 (outside_box beyond), 1970-01-01 for the missing.
template <typename T>
[[gnu::always_inline]] inline void block_days(const column &c, npy_intp start, npy_intp count, dates &b) noexcept
{
    const T *v = static_cast<const T *>(c.values) + start;
    if constexpr (std::is_same_v<T, std::int64_t>) {
        // (64-bit comparisons: from SSE4.1 on, and so in the AVX2 and AVX-512 clones)
        FAST_LOOP
        for (npy_intp i = 0; i < count; ++i)  // column loop: ticks, avx2
            b.missing[i] = v[i] == std::numeric_limits<std::int64_t>::min();
    } else {
        std::fill_n(b.missing, count, npy_bool{0});
    }
    b.added = c.validity != nullptr && add_validity(c, start, count, b.missing);
    if constexpr (std::is_same_v<T, std::int64_t>) {
        // floor(v / per_day) from the quotient in double, which is within one
        // of it (nearer, but for the rounding of v and of its product), mended
        // by the remainder, exact in 64 bits.  (64-bit integers to doubles and
        // their products: in the AVX-512 clone alone.)
        const std::int64_t per_day = c.per_day;
        const double inverse = 1.0 / static_cast<double>(per_day);
        FAST_LOOP
        for (npy_intp i = 0; i < count; ++i) {  // column loop: ticks, avx512
            const std::int64_t value = b.missing[i] ? 0 : v[i];
            const double quotient = static_cast<double>(value) * inverse;
            const bool inside = (quotient > -number_bound) & (quotient < number_bound);
            const std::int32_t q = static_cast<std::int32_t>(inside ? quotient : 0.0);
            // in unsigned arithmetic: near the ends of int64 the product may leave it, and
            // the difference, small, comes out right all the same
            const auto rest = static_cast<std::int64_t>(static_cast<std::uint64_t>(value)
                                                        - static_cast<std::uint64_t>(std::int64_t{q}) * per_day);
            const std::int32_t day = q + (rest >= per_day) - (rest < 0) - (rest < -per_day);
            b.number[i] = inside ? day + static_cast<std::int32_t>(epoch_number) : outside_box;
        }
    } else {
        FAST_LOOP
        for (npy_intp i = 0; i < count; ++i) {  // column loop: days
            const std::int32_t value = v[i];  // read whether missing or not: no branch
            const std::int32_t day = b.missing[i] ? 0 : value;
            const bool inside = (day > -(1 << 30)) & (day < (1 << 30));
            b.number[i] = inside ? day + static_cast<std::int32_t>(epoch_number) : outside_box;
        }
    }
}

// Stage two: the Jalali date of every day of the block in calendar C, and
// its day of the year, weekday and leap year; false, with `failed` set, at a
// value that the calendar refuses.
template <typename C>
[[gnu::always_inline]] inline bool block_dates(const column &c, npy_intp start, npy_intp count, dates &b,
                                               failure &failed) noexcept
{
    std::uint32_t outside = 0;
    FAST_LOOP
    for (npy_intp i = 0; i < count; ++i) {  // column loop
        const std::int32_t n = b.number[i];
        const std::uint32_t inside = static_cast<std::uint32_t>(n) - static_cast<std::uint32_t>(C::full_first)
                                   < static_cast<std::uint32_t>(C::full_end - C::full_first);
        outside |= !inside;
        std::int32_t y = 0, m = 0, d = 0;
        std::uint32_t yday = 0;
        bool leap = false;
        C::fast_date(inside ? n : C::full_first, y, m, d, yday, leap);
        b.year[i] = y;
        b.month[i] = m;
        b.day[i] = d;
        b.yday[i] = static_cast<std::int32_t>(yday);
        b.leap[i] = leap;
        b.weekday[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(n + 2) % 7);  // n > 0 inside
    }
    if (outside == 0)
        return true;
    for (npy_intp i = 0; i < count; ++i) {
        const std::int32_t n = b.number[i];
        if (static_cast<std::uint32_t>(n) - static_cast<std::uint32_t>(C::full_first)
            < static_cast<std::uint32_t>(C::full_end - C::full_first))
            continue;
        const std::int64_t day = b.missing[i] ? 0 : day_of(c, start + i);
        const std::int64_t number = day + epoch_number;
        std::int32_t y = 0, m = 0, d = 0;
        bool leap = false;
        status s = std::abs(day) < (std::int64_t{1} << 40) ? C::from_day_number(number, y, m, d) : status::out_of_range;
        if (s == status::ok)
            s = C::leap(y, leap);
        if (s != status::ok) {
            failed = {start + i, s, day};
            return false;
        }
        b.year[i] = y;
        b.month[i] = m;
        b.day[i] = d;
        b.yday[i] = calendar::jalali_month_offset(m) + d - 1;
        b.leap[i] = leap;
        b.weekday[i] = static_cast<std::int32_t>(((number + 2) % 7 + 7) % 7);
    }
    return true;
}

// The ticks of day `day` from 1970-01-01 at `time` into it, or false where
// they do not fit in 64 bits (or would be NaT).
constexpr bool ticks_of(std::int64_t day, std::int64_t time, std::int64_t per_day, std::int64_t &ticks) noexcept
{
    std::int64_t at = 0;
    return !__builtin_mul_overflow(day, per_day, &at) && !__builtin_add_overflow(at, time, &ticks)
        && ticks != std::numeric_limits<std::int64_t>::min();
}

// The time into its day of value i, in ticks.
std::int64_t time_of_day(const column &c, npy_intp i, std::int64_t day) noexcept
{
    if (c.days)
        return 0;
    // in unsigned arithmetic: the day's first tick may lie below the smallest int64
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(static_cast<const std::int64_t *>(c.values)[i])
                                     - static_cast<std::uint64_t>(day) * static_cast<std::uint64_t>(c.per_day));
}

// Named here, for the passes' own overloads, which argument-dependent
// lookup finds where run_pass is instantiated.
template <typename C>
void block_result();

// Where a pass says which values are missing: a mask of bools, true where
// missing, or validity bits (Arrow's, 1 where present, from bit 0), or
// neither.  Bits are written only from the first block that makes a value
// missing that the column's own validity holds (a NaT), and then for every
// row; until then the column's validity stands as it came.
struct missing_values {
    npy_bool *mask = nullptr;
    std::uint8_t *bits = nullptr;
    bool any = false;      // whether a value is missing (with bits)
    bool written = false;  // whether `bits` were written
};

// The column's own validity bits of rows [0, end) into `bits`, from bit 0
// (all present where it has none).
inline void copy_validity(const column &c, npy_intp end, std::uint8_t *bits) noexcept
{
    std::fill_n(bits, (end + 7) / 8, std::uint8_t{0});
    for (npy_intp i = 0; i < end; ++i) {
        const npy_intp bit = c.offset + i;
        const bool valid = c.validity == nullptr || (c.validity[bit >> 3] >> (bit & 7) & 1);
        bits[i >> 3] |= static_cast<std::uint8_t>(valid << (i & 7));
    }
}

// A block's missing values into the bits, from the first block that makes a
// value missing that the column's validity holds.
[[gnu::noinline]] void write_bits(const column &c, npy_intp start, npy_intp count, const dates &b,
                                  missing_values &m) noexcept
{
    if (!m.written)
        copy_validity(c, start, m.bits);  // start is a whole number of bytes
    m.written = true;
    std::uint8_t *to = m.bits + start / 8;
    for (npy_intp j = 0; j < (count + 7) / 8; ++j) {
        std::uint8_t byte = 0;
        for (npy_intp k = 0; k < 8 && 8 * j + k < count; ++k)
            byte |= static_cast<std::uint8_t>((b.missing[8 * j + k] == 0) << k);
        to[j] = byte;
    }
}

// A block's missing values into its place in the mask (whether any is
// missing is found after the pass), or the bits.
[[gnu::always_inline]] inline void record_missing(const column &c, npy_intp start, npy_intp count, const dates &b,
                                                  missing_values &m) noexcept
{
    if (m.mask != nullptr) {
        std::copy_n(b.missing, count, m.mask + start);
    } else if (m.bits != nullptr) {
        const bool added = c.validity != nullptr ? b.added
                                                 : std::find(b.missing, b.missing + count, npy_bool{1}) != b.missing + count;
        m.any |= c.validity != nullptr || added;
        if (m.written || added)
            write_bits(c, start, count, b, m);
    }
}

// A pass of calendar C over a column of T, in blocks: false, with `failed`
// set, at the first value that it cannot convert.  Built for each
// instruction set (isa.hpp).
template <typename C, typename T, typename Pass>
struct column_pass {
    [[gnu::always_inline]] static bool run(const column &c, const Pass &p, failure &failed,
                                           missing_values &m) noexcept
    {
        dates b;
        for (npy_intp start = 0; start < c.length; start += pass_block) {
            const npy_intp count = std::min(pass_block, c.length - start);
            block_days<T>(c, start, count, b);
            record_missing(c, start, count, b, m);
            if (!block_dates<C>(c, start, count, b, failed) || !block_result<C>(p, c, start, count, b, failed))
                return false;
        }
        return true;
    }
};

// The pass in the calendar and for the values of the column, in the widest
// clone; false, with no failure named, where this build holds none (isa.hpp).
template <typename C, typename T, typename Pass>
bool run_widest(const column &c, const Pass &p, failure &failed, missing_values &m) noexcept
{
    if constexpr (!kept<std::pair<C, T>>)
        return false;
    else
        return widest_clone<column_pass<C, T, Pass>>(c, p, failed, m);
}

template <typename Pass>
bool run(const column &c, bool astronomical, const Pass &p, failure &failed, missing_values &m) noexcept
{
    using arithmetic = calendar::arithmetic_calendar;
    using astronomical_calendar = calendar::astronomical_calendar;
    if (c.days)
        return astronomical ? run_widest<astronomical_calendar, std::int32_t>(c, p, failed, m)
                            : run_widest<arithmetic, std::int32_t>(c, p, failed, m);
    return astronomical ? run_widest<astronomical_calendar, std::int64_t>(c, p, failed, m)
                        : run_widest<arithmetic, std::int64_t>(c, p, failed, m);
}

// The Gregorian date of a day from 1970-01-01, for a message.
std::array<char, 48> gregorian_text(std::int64_t day) noexcept
{
    std::array<char, 48> text{};
    const std::int64_t number = day + epoch_number;
    if (number >= 0 && number < (std::int64_t{1} << 40)) {
        std::int64_t y = 0;
        std::int32_t m = 0, d = 0;
        calendar::gregorian_date_from_day_number(static_cast<std::uint64_t>(number), y, m, d);
        // the year in four digits at least, as Python writes dates
        std::snprintf(text.data(), text.size(), "%s%04lld-%02d-%02d", y < 0 ? "-" : "",
                      static_cast<long long>(y < 0 ? -y : y), m, d);
    } else {
        std::snprintf(text.data(), text.size(), "day %lld from 1970-01-01", static_cast<long long>(day));
    }
    return text;
}

// The exception for the value that stopped a pass.
PyObject *raise_failure(const failure &failed)
{
    const auto date = gregorian_text(failed.day);
    char step[64] = "";
    if (failed.months != 0)
        std::snprintf(step, sizeof step, " %lld months on", static_cast<long long>(failed.months));
    if (failed.why == status::outside_years)
        PyErr_Format(PyExc_ValueError,
                     "the value at position %zd, %s,%s is outside the years of the astronomical Jalali calendar, %d "
                     "to %d: leave it out as missing, or use the arithmetic calendar (.jalali.arithmetic)",
                     failed.at, date.data(), step, calendar::astronomical_first_year, calendar::astronomical_last_year);
    else
        PyErr_Format(PyExc_OverflowError, "the value at position %zd, %s,%s gives a date out of range", failed.at,
                     date.data(), step);
    return nullptr;
}

// The column of the arguments common to every pass: values, ticks a day,
// and an Arrow validity bitmap (uint8, with the offset of the first bit);
// new references to the arrays it reads, which the caller releases.  False
// with an exception set on bad arguments.
struct column_arguments {
    PyArrayObject *values = nullptr, *validity = nullptr;
    column c;
    ~column_arguments()
    {
        Py_XDECREF(values);
        Py_XDECREF(validity);
    }
};

PyArrayObject *contiguous(PyObject *object, int type)
{
    return reinterpret_cast<PyArrayObject *>(
        PyArray_FromAny(object, PyArray_DescrFromType(type), 1, 1, NPY_ARRAY_CARRAY_RO, nullptr));
}

bool read_column(PyObject *values, long long per_day, PyObject *validity, Py_ssize_t offset, column_arguments &a)
{
    if (per_day < 1) {
        PyErr_SetString(PyExc_ValueError, "per_day must be positive");
        return false;
    }
    const bool days = PyArray_Check(values) && PyArray_TYPE(reinterpret_cast<PyArrayObject *>(values)) == NPY_INT32;
    a.values = contiguous(values, days ? NPY_INT32 : NPY_INT64);
    if (a.values == nullptr)
        return false;
    a.c.values = PyArray_DATA(a.values);
    a.c.days = days;
    a.c.length = PyArray_DIM(a.values, 0);
    a.c.per_day = days ? 1 : per_day;
    if (validity != Py_None) {
        if ((a.validity = contiguous(validity, NPY_UINT8)) == nullptr)
            return false;
        if (offset < 0 || (offset + a.c.length + 7) / 8 > PyArray_DIM(a.validity, 0)) {
            PyErr_SetString(PyExc_ValueError, "the validity bitmap is too short for the values");
            return false;
        }
        a.c.validity = static_cast<const std::uint8_t *>(PyArray_DATA(a.validity));
        a.c.offset = offset;
    }
    return true;
}

// "astronomical" or "arithmetic": 1 or 0, or -1 with an exception set.
int read_calendar(const char *name)
{
    if (std::strcmp(name, "astronomical") == 0)
        return 1;
    if (std::strcmp(name, "arithmetic") == 0)
        return 0;
    PyErr_Format(PyExc_ValueError, "calendar must be \"astronomical\" or \"arithmetic\", not \"%s\"", name);
    return -1;
}

// What a pass hands back of its missing values.
enum class missing_as {
    mask,  // a mask of bools, true where missing, or None where none is
    bits,  // validity bits from bit 0, or None where none is missing: the column's own where the pass
           // makes no value missing that they hold and they begin at a whole byte, else written anew
};

// Runs a pass without the GIL: its missing values as asked, or null with
// the exception of the value that stopped it.
template <typename Pass>
PyObject *run_without_gil(const column_arguments &a, bool astronomical, const Pass &p, missing_as as)
{
    const column &c = a.c;
    npy_intp length = as == missing_as::mask ? c.length : (c.length + 7) / 8;
    PyObject *out = PyArray_SimpleNew(1, &length, as == missing_as::mask ? NPY_BOOL : NPY_UINT8);
    if (out == nullptr)
        return nullptr;
    missing_values m;
    void *data = PyArray_DATA(reinterpret_cast<PyArrayObject *>(out));
    if (as == missing_as::mask)
        m.mask = static_cast<npy_bool *>(data);
    else
        m.bits = static_cast<std::uint8_t *>(data);
    failure failed;
    bool ok = false;
    Py_BEGIN_ALLOW_THREADS
    ok = run(c, astronomical, p, failed, m);
    Py_END_ALLOW_THREADS
    if (!ok) {
        Py_DECREF(out);
        if (failed.at < 0)
            PyErr_SetString(PyExc_SystemError, "this build holds no pass for the column");
        return failed.at < 0 ? nullptr : raise_failure(failed);
    }
    if (as == missing_as::mask)
        m.any = std::find(m.mask, m.mask + c.length, npy_bool{1}) != m.mask + c.length;
    if (m.any && (as == missing_as::mask || m.written))
        return out;
    Py_DECREF(out);
    if (!m.any)
        Py_RETURN_NONE;
    if (c.offset % 8 != 0) {  // the column's own bits, moved to bit 0
        if ((out = PyArray_SimpleNew(1, &length, NPY_UINT8)) != nullptr)
            copy_validity(c, c.length, static_cast<std::uint8_t *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(out))));
        return out;
    }
    // the column's own bits, from the byte of its first row: a view, not a copy
    return PySequence_GetSlice(reinterpret_cast<PyObject *>(a.validity), c.offset / 8, c.offset / 8 + length);
}

// The same, with the mask of the missing values.
template <typename Pass>
PyObject *run_without_gil(const column &c, bool astronomical, const Pass &p)
{
    column_arguments a;
    a.c = c;
    return run_without_gil(a, astronomical, p, missing_as::mask);
}

}  // namespace

#endif
