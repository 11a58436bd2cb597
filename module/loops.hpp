#ifndef ALGORITHMS_C_MODULE_LOOPS_HPP
#define ALGORITHMS_C_MODULE_LOOPS_HPP

// The machinery of the ufuncs' loops, for any ufunc `Fn` of module/kernels.hpp:
// NumPy's strided loop over each input type, which runs the fast form in
// blocks and a block that it gives up the exact way, element by element; the
// clones of the fast form for wider vectors; and the loop tables that NumPy
// is given.  The loops touch no Python object, so NumPy runs them without
// the GIL.  A loop stops at the first element that the per-call function
// would refuse and, after the loop, raises that function's exception for it;
// when NumPy runs a ufunc in stretches, the exception of the first failing
// stretch is the one kept.

#include <algorithm>
#include <array>
#include <cfenv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "calendar/common.hpp"
#include "module/errors.hpp"
#include "module/isa.hpp"
#include "module/kernels.hpp"
#include "module/numpy.hpp"

namespace {

// An input beyond the 32-bit range, as the per-call parser tells it.
enum excess { none, below, above, beyond_long };

// An input element as the per-call parser reads it.  Exact for every input type.
template <typename T, typename In>
constexpr excess narrow(T value, In &to) noexcept
{
    if constexpr (std::is_same_v<In, std::int32_t> && std::is_signed_v<T> && sizeof(T) > 4) {
        if (value > INT32_MAX || value < INT32_MIN)
            return value > 0 ? above : below;
    } else if constexpr (std::is_same_v<In, std::int32_t> && std::is_unsigned_v<T> && sizeof(T) >= 4) {
        if (value > std::uint64_t{INT32_MAX})
            return value > std::uint64_t{INT64_MAX} ? beyond_long : above;
    }
    to = static_cast<In>(value);
    return none;
}

template <typename Fn, typename = void>
constexpr bool gregorian_input = false;
template <typename Fn>
constexpr bool gregorian_input<Fn, decltype(void(Fn::gregorian_input))> = Fn::gregorian_input;

// An element's inputs as a refusal names them: a julian day, a Gregorian
// date, or a Jalali year (the one input of a Jalali date that can be refused).
template <typename Fn>
std::array<char, 64> describe(const typename Fn::in *x) noexcept
{
    std::array<char, 64> text{};
    if constexpr (std::is_floating_point_v<typename Fn::in>) {
        // in the fewest digits that read back as the value, as Python writes it
        for (int digits = 15; digits <= 17; ++digits) {
            std::snprintf(text.data(), text.size(), "the julian day %.*g", digits, x[0]);
            if (std::strtod(text.data() + 15, nullptr) == x[0])
                break;
        }
    } else if constexpr (gregorian_input<Fn>) {
        std::snprintf(text.data(), text.size(), "the Gregorian date %d-%02d-%02d", x[0], x[1], x[2]);
    } else {
        std::snprintf(text.data(), text.size(), "the year %d", x[0]);
    }
    return text;
}

// Sets the exception for the element that stopped a loop: an input beyond
// 32 bits, or else the calendar routine's status `s`.  (This and the loops
// that call it are not noexcept: around calls into Python, that would need
// the C++ runtime, and the wheel depends on nothing beyond glibc.)
template <typename Fn>
void report(excess e, status s, const typename Fn::in *x)
{
    static const char *const overflow[] = {nullptr, "signed integer is less than minimum",
                                           "signed integer is greater than maximum",
                                           "Python int too large to convert to C long"};
    std::feclearexcept(FE_INVALID);  // NumPy would warn of it while the exception is set
    const PyGILState_STATE gil = PyGILState_Ensure();
    if (PyErr_Occurred() == nullptr) {  // else an earlier stretch of the same call failed first
        if (e != none)
            PyErr_SetString(PyExc_OverflowError, overflow[e]);
        else if (s == status::outside_years)
            raise_outside_years(describe<Fn>(x).data());
        else if constexpr (Fn::nin == 3 && std::is_integral_v<typename Fn::in>)
            raise_error(s, x[0], x[2]);  // a date: its year and day may be named
        else
            raise_error(s);
    }
    PyGILState_Release(gil);
}

// The exact loop of the ufunc `Fn` over `count` elements of type T, with any
// strides: false once it has reported an element that it refuses.
template <typename Fn, typename T>
bool exact_loop(char *const *args, npy_intp count, npy_intp const *steps)
{
    constexpr int nin = Fn::nin, nout = Fn::nout;
    typename Fn::in x[nin];
    typename Fn::out y[nout];
    excess e = none;
    status s = status::ok;
    for (npy_intp i = 0; i < count; ++i) {
        for (int k = 0; k < nin && e == none; ++k)
            e = narrow(*reinterpret_cast<const T *>(args[k] + i * steps[k]), x[k]);
        if (e != none || (s = Fn::apply(x, y)) != status::ok)
            break;
        for (int k = 0; k < nout; ++k)
            *reinterpret_cast<typename Fn::out *>(args[nin + k] + i * steps[nin + k]) = y[k];
    }
    if (e == none && s == status::ok)
        return true;
    report<Fn>(e, s, x);
    return false;
}

// The elements that the fast forms take at a time where a column goes
// through a buffer, which stays in the nearest cache ...
constexpr npy_intp buffered_block = 256;
// ... and where every column of the call is read and written where it is, so
// that the loops' set-up is spread over more elements (some 10 % of the time
// of a block of 256).
constexpr npy_intp unbuffered_block = 1024;

// An input element of type T as the fast forms take it: 64-bit integers are
// clamped into 32 bits, so that beyond them they are beyond the box too.
template <typename In, typename T>
constexpr In clamped(T value) noexcept
{
    if constexpr (std::is_same_v<T, In>)
        return value;
    else
        return static_cast<In>(std::min<T>(std::max<T>(value, INT32_MIN), INT32_MAX));
}

// `count` elements of a column into a buffer, every `every`-th element of T.
template <typename In, typename T, npy_intp every>
[[gnu::always_inline]] inline void gather_every(const char *column, npy_intp count, In *to) noexcept
{
    const T *from = reinterpret_cast<const T *>(column);
    for (npy_intp i = 0; i < count * every; i += 64 / sizeof(T))
        __builtin_prefetch(from + i + 2 * buffered_block * every);
    FAST_LOOP
    for (npy_intp i = 0; i < count; ++i)  // gather loop
        to[i] = clamped<In>(from[every * i]);
}

// `count` elements of a column with stride `step` into a buffer: a single
// value (stride 0) repeated; every second or third element, as of a column
// of an (n, 2) or (n, 3) array, in vectors; any other element by element.
template <typename In, typename T>
[[gnu::always_inline]] inline void gather(const char *column, npy_intp step, npy_intp count, In *to) noexcept
{
    if (step == 0)
        std::fill_n(to, count, clamped<In>(*reinterpret_cast<const T *>(column)));
    else if (step == 2 * npy_intp{sizeof(T)})
        gather_every<In, T, 2>(column, count, to);
    else if (step == 3 * npy_intp{sizeof(T)})
        gather_every<In, T, 3>(column, count, to);
    else
        for (npy_intp i = 0; i < count; ++i)
            to[i] = clamped<In>(*reinterpret_cast<const T *>(column + i * step));
}

// The results of a block from its buffer into a column of any stride.
template <typename Out>
[[gnu::always_inline]] inline void scatter(const Out *from, npy_intp count, char *column, npy_intp step) noexcept
{
    if (step == npy_intp{sizeof(Out)})
        std::memcpy(column, from, count * sizeof(Out));
    else
        for (npy_intp i = 0; i < count; ++i)
            *reinterpret_cast<Out *>(column + i * step) = from[i];
}

// Whether the `count` elements of argument `k` share memory with those of
// any of the first `nin` arguments, the inputs.
template <int nin>
bool shares_input(char *const *args, npy_intp count, npy_intp const *steps, int k) noexcept
{
    const auto span = [&](int j) {
        const char *first = args[j], *last = args[j] + (count - 1) * steps[j];
        return std::make_pair(std::min(first, last), std::max(first, last) + 8);  // no element is wider than 8 bytes
    };
    const auto [low, high] = span(k);
    for (int j = 0; j < nin; ++j) {
        const auto [input_low, input_high] = span(j);
        if (low < input_high && input_low < high)
            return true;
    }
    return false;
}

// The stride, in elements, at which the fast form reads its inputs where they
// are: 1 where each is contiguous; 2 or 3 where they are the rows of an
// (n, 2) or (n, 3) array, one column each in order (or a single input of
// every second or third element), which it reads as one; 0 where any goes
// through a buffer.
template <typename Fn, typename T>
npy_intp stride_in_place(char *const *args, npy_intp const *steps) noexcept
{
    if constexpr (!std::is_same_v<T, typename Fn::in>) {
        return 0;
    } else {
        constexpr npy_intp size = sizeof(T);
        if (steps[0] == size) {
            for (int k = 1; k < Fn::nin; ++k)
                if (steps[k] != size)
                    return 0;
            return 1;
        }
        const npy_intp every = steps[0] / size;
        if (steps[0] % size != 0 || every < 2 || every > 3 || (Fn::nin > 1 && every != Fn::nin))
            return 0;
        for (int k = 1; k < Fn::nin; ++k)
            if (steps[k] != steps[0] || args[k] != args[0] + k * size)
                return 0;
        return every;
    }
}

// Whether input k is read where it is, for a fast form that reads inputs in
// place at stride `every` (0: none): a contiguous column of the fast form's
// type.
template <typename Fn, typename T, npy_intp every>
bool read_in_place(npy_intp const *steps, int k) noexcept
{
    if constexpr (every > 1)
        return true;
    else
        return std::is_same_v<T, typename Fn::in> && steps[k] == npy_intp{sizeof(T)};
}

// Whether output k of `count` elements is written where it is: a contiguous
// column that no input shares.
template <typename Fn>
bool written_in_place(char *const *args, npy_intp count, npy_intp const *steps, int k) noexcept
{
    constexpr int nin = Fn::nin;
    return steps[nin + k] == npy_intp{sizeof(typename Fn::out)} && !shares_input<nin>(args, count, steps, nin + k);
}

// The elements that `loop` gives the fast form at a time: an unbuffered block
// where every column of the call is read and written where it is.
template <typename Fn, typename T, npy_intp every>
npy_intp block_for(char *const *args, npy_intp n, npy_intp const *steps) noexcept
{
    if (n == 0)
        return buffered_block;
    for (int k = 0; k < Fn::nin; ++k)
        if (!read_in_place<Fn, T, every>(steps, k))
            return buffered_block;
    for (int k = 0; k < Fn::nout; ++k)
        if (!written_in_place<Fn>(args, n, steps, k))
            return buffered_block;
    return unbuffered_block;
}

template <typename Fn, typename = void>
constexpr bool long_chain = false;
template <typename Fn>
constexpr bool long_chain<Fn, decltype(void(Fn::long_chain))> = Fn::long_chain;

// The fast form of `Fn` over `count` elements of type T, with any strides:
// false if one of them must go the exact way.  At most `buffered_block`
// elements, or `unbuffered_block` where every column is read and written
// where it is.  It reads the inputs where they are at stride `every` (2 or
// 3), or each either where it is or from a buffer (`every` 1), and writes
// buffers or columns that share no memory with the inputs, so that the
// compiler may vectorise it unconditionally.  Built for each instruction set
// (isa.hpp); with GCC's scheduling for register pressure for the ufuncs whose
// fast form is one long chain (Fn::long_chain).
template <typename Fn, typename T, npy_intp every>
struct fast_form {
    // (and so the rows of an (n, 3) array, where without it GCC makes a vector of all ones,
    // for AVX-512, in a register that the loop has just loaded)
    static constexpr bool pressure_scheduled = long_chain<Fn> || every == 3;
    // the rows of an (n, 3) array: in vectors from AVX2 on, where x86-64
    // alone has no shuffle that takes them apart
    static constexpr isa narrowest = every == 3 ? isa::avx2 : isa::plain;

    [[gnu::always_inline]] static bool run(char *const *args, npy_intp count, npy_intp const *steps) noexcept
    {
        constexpr int nin = Fn::nin, nout = Fn::nout;
        using in = typename Fn::in;
        in buffers[nin][every == 1 ? buffered_block : 1];
        const in *input[nin];
        for (int k = 0; k < nin; ++k) {
            if (read_in_place<Fn, T, every>(steps, k)) {
                input[k] = reinterpret_cast<const in *>(args[k]);
            } else if constexpr (every == 1) {
                gather<in, T>(args[k], steps[k], count, buffers[k]);
                input[k] = buffers[k];
            }
        }
        using out_type = typename Fn::out;
        out_type buffers_out[nout][buffered_block];
        out_type *out[nout];
        for (int k = 0; k < nout; ++k)
            out[k] = written_in_place<Fn>(args, count, steps, k) ? reinterpret_cast<out_type *>(args[nin + k])
                                                                  : buffers_out[k];
        unsigned exact = 0;
        if constexpr (std::is_floating_point_v<T>) {
            std::int32_t days[unbuffered_block];
            FAST_LOOP
            for (npy_intp i = 0; i < count; ++i)  // fast loop
                days[i] = Fn::fast_day(input[0][every * i]);
            FAST_LOOP
            for (npy_intp i = 0; i < count; ++i) {  // fast loop
                exact |= days[i] == outside_box;
                typename Fn::out y[nout];
                Fn::fast_date(days[i], y);
                for (int k = 0; k < nout; ++k)
                    out[k][i] = y[k];
            }
        } else {
            const auto element = [&](npy_intp i) __attribute__((always_inline)) {
                in x[nin];
                typename Fn::out y[nout];
                for (int k = 0; k < nin; ++k)
                    x[k] = every == 1 ? input[k][i] : input[0][every * i + k];  // the rows of a table
                const bool refused = Fn::fast(x, y);
                for (int k = 0; k < nout; ++k)
                    out[k][i] = y[k];
                return refused;
            };
            if constexpr (std::is_same_v<typename Fn::out, double>) {
                TO_DOUBLES_FAST_LOOP
                for (npy_intp i = 0; i < count; ++i)  // fast loop
                    exact |= element(i);
            } else {
                FAST_LOOP
                for (npy_intp i = 0; i < count; ++i)  // fast loop
                    exact |= element(i);
            }
        }
        if (exact != 0)
            return false;
        for (int k = 0; k < nout; ++k)
            if (out[k] == buffers_out[k])
                scatter(out[k], count, args[nin + k], steps[nin + k]);
        return true;
    }
};

// Whether `Fn` has a fast form for inputs of type T (and is built, isa.hpp).
template <typename Fn, typename T, typename = void>
constexpr bool has_fast = false;
template <typename Fn, typename T>
constexpr bool has_fast<Fn, T, decltype(void(&Fn::fast))> =
    (std::is_same_v<T, typename Fn::in> || std::is_same_v<T, npy_int64>) && kept<std::pair<Fn, T>>;
template <typename Fn, typename T>
constexpr bool has_fast<Fn, T, decltype(void(&Fn::fast_day))> = std::is_same_v<T, typename Fn::in> && kept<std::pair<Fn, T>>;

// Whether the fast form reads inputs of type T where they are, as the rows of
// an (n, every) array: one input at any of the strides, or `every` of them.
template <typename Fn, typename T, npy_intp every>
constexpr bool reads_rows = std::is_same_v<T, typename Fn::in> && (Fn::nin == 1 || Fn::nin == every);

// The fast form over `n` elements in blocks, reading its inputs where they
// are at stride `every` (1: or from buffers); a block with an element
// outside the fast form's box, or one refused, goes the exact way.
template <typename Fn, typename T, npy_intp every>
void blocks(char *const *args, npy_intp n, npy_intp const *steps, std::fexcept_t &flags)
{
    constexpr int nin = Fn::nin, nout = Fn::nout;
    if constexpr (every > 1 && !reads_rows<Fn, T, every>) {
        return;  // never called: the inputs go through buffers
    } else {
        const npy_intp size = block_for<Fn, T, every>(args, n, steps);
        for (npy_intp start = 0; start < n; start += size) {
            const npy_intp count = std::min(size, n - start);
            char *at[nin + nout];
            for (int k = 0; k < nin + nout; ++k)
                at[k] = args[k] + start * steps[k];
            if (widest_clone<fast_form<Fn, T, every>>(at, count, steps))
                continue;
            std::fesetexceptflag(&flags, FE_INVALID);
            if (!exact_loop<Fn, T>(at, count, steps))
                return;
            std::fegetexceptflag(&flags, FE_INVALID);  // the exact loop's own flags are kept
        }
    }
}

// The strided loop of the ufunc `Fn` for inputs of type T: the fast way
// where `Fn` has one, in blocks, whatever the strides; a block with an
// element outside the fast form's box, or one refused, goes the exact way.
template <typename Fn, typename T>
void loop(char **args, npy_intp const *dimensions, npy_intp const *steps, void *)
{
    const npy_intp n = dimensions[0];
    if constexpr (has_fast<Fn, T>) {
        // The fast form's work on stand-ins, in a block that it gives up, may
        // raise the invalid flag: it is undone with that work.  A block that
        // it completes raises none.  (Once a call: once a block, saving the
        // flag took some 6 % of the time of a block of julian days.)
        std::fexcept_t flags;
        std::fegetexceptflag(&flags, FE_INVALID);
        const npy_intp every = stride_in_place<Fn, T>(args, steps);
        if (every == 2 && reads_rows<Fn, T, 2>)
            blocks<Fn, T, 2>(args, n, steps, flags);
        else if (every == 3 && reads_rows<Fn, T, 3> && has_clone<fast_form<Fn, T, 3>>())
            blocks<Fn, T, 3>(args, n, steps, flags);
        else
            blocks<Fn, T, 1>(args, n, steps, flags);
    } else {
        exact_loop<Fn, T>(args, n, steps);
    }
}

template <typename T>
constexpr char type_number() noexcept
{
    if constexpr (std::is_same_v<T, npy_bool>)
        return NPY_BOOL;
    else if constexpr (std::is_same_v<T, npy_int32>)
        return NPY_INT32;
    else if constexpr (std::is_same_v<T, npy_int64>)
        return NPY_INT64;
    else if constexpr (std::is_same_v<T, npy_uint64>)
        return NPY_UINT64;
    else
        return NPY_DOUBLE;
}

// One ufunc's loops, one for each input type T, and the type signature of
// each: NumPy takes the first loop to which the arguments cast safely.
template <typename Fn, typename... T>
struct loops {
    static constexpr int count = sizeof...(T);
    static inline PyUFuncGenericFunction functions[count] = {&loop<Fn, T>...};
    static inline void *data[count] = {};
    static inline std::array<char, count * (Fn::nin + Fn::nout)> types = [] {
        std::array<char, count * (Fn::nin + Fn::nout)> all{};
        int i = 0;
        for (const char input : {type_number<T>()...}) {
            for (int k = 0; k < Fn::nin; ++k)
                all[i++] = input;
            for (int k = 0; k < Fn::nout; ++k)
                all[i++] = type_number<typename Fn::out>();
        }
        return all;
    }();
};

// Integers of 32 bits come in as they are; any other integer type casts
// safely to one of 64 bits, signed or not, whose loop checks the range.
template <typename Fn>
using integer_loops = loops<Fn, npy_int32, npy_int64, npy_uint64>;

// A julian day is read in double precision: single precision widens to it
// exactly, and integers cast to it.
template <typename Fn>
using julian_day_loops = loops<Fn, double>;

}  // namespace

#endif
