// The algorithms_c_numpy module: the eight functions of algorithms_c as NumPy
// ufuncs, over the same calendar/ routines.  Each ufunc has one strided loop
// per input type, and a table at the end registers them.  The loops touch no
// Python object, so NumPy runs them without the GIL.  A loop stops at the
// first element that the per-call function would refuse and, after the loop,
// raises that function's exception for it; when NumPy runs a ufunc in
// stretches, the exception of the first failing stretch is the one kept.

#include "module/python.hpp"

#ifdef ALGORITHMS_C_WITHOUT_NUMPY

// Built where NumPy's headers were not to be had: the module only says so.
PyMODINIT_FUNC PyInit_algorithms_c_numpy(void)
{
    PyErr_SetString(PyExc_ImportError,
                    "algorithms_c_numpy was built without NumPy; reinstall algorithms-c "
                    "where NumPy 1.19 or later can be installed (pip install \"algorithms-c[numpy]\")");
    return nullptr;
}

#else

#include <array>
#include <cstdint>
#include <type_traits>

#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>

#include "calendar/gregorian.hpp"
#include "calendar/jalali.hpp"
#include "module/errors.hpp"

namespace {

using calendar::status;

// Each ufunc's work on one element: `nin` inputs of type `in` (the per-call
// function's argument types), `nout` outputs of type `out`, and the status of
// the calendar routine.

struct julian_day_from_gregorian_date {
    static constexpr int nin = 3, nout = 1;
    using in = std::int32_t;
    using out = double;
    static status apply(const in *x, out *y) noexcept { return calendar::gregorian_to_julian_day(x[0], x[1], x[2], y[0]); }
};

struct jalali_leap_year {
    static constexpr int nin = 1, nout = 1;
    using in = std::int32_t;
    using out = npy_bool;
    static status apply(const in *x, out *y) noexcept
    {
        y[0] = calendar::jalali_is_leap(x[0]);
        return status::ok;
    }
};

struct days_in_jalali_year {
    static constexpr int nin = 1, nout = 1;
    using in = std::int32_t;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept
    {
        y[0] = calendar::jalali_days_in_year(x[0]);
        return status::ok;
    }
};

struct days_in_jalali_month {
    static constexpr int nin = 2, nout = 1;
    using in = std::int32_t;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return calendar::jalali_days_in_month(x[0], x[1], y[0]); }
};

struct julian_day_from_jalali_date {
    static constexpr int nin = 3, nout = 1;
    using in = std::int32_t;
    using out = double;
    static status apply(const in *x, out *y) noexcept
    {
        y[0] = calendar::jalali_to_julian_day(x[0], x[1], x[2]);
        return status::ok;
    }
};

struct jalali_date_from_julian_day {
    static constexpr int nin = 1, nout = 3;
    using in = double;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return calendar::julian_day_to_jalali(x[0], y[0], y[1], y[2]); }
};

struct gregorian_date_from_julian_day {
    static constexpr int nin = 1, nout = 3;
    using in = double;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept { return calendar::julian_day_to_gregorian(x[0], y[0], y[1], y[2]); }
};

struct jalali_date_from_gregorian_date {
    static constexpr int nin = 3, nout = 3;
    using in = std::int32_t;
    using out = std::int32_t;
    static status apply(const in *x, out *y) noexcept
    {
        return calendar::gregorian_to_jalali(x[0], x[1], x[2], y[0], y[1], y[2]);
    }
};

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

// Sets the exception for the element that stopped a loop: an input beyond
// 32 bits, or else the calendar routine's status `s`.
template <typename Fn>
void report(excess e, status s, const typename Fn::in *x) noexcept
{
    static const char *const overflow[] = {nullptr, "signed integer is less than minimum",
                                           "signed integer is greater than maximum",
                                           "Python int too large to convert to C long"};
    const PyGILState_STATE gil = PyGILState_Ensure();
    if (PyErr_Occurred() == nullptr) {  // else an earlier stretch of the same call failed first
        if (e != none)
            PyErr_SetString(PyExc_OverflowError, overflow[e]);
        else if constexpr (Fn::nin == 3 && std::is_integral_v<typename Fn::in>)
            raise_error(s, x[0], x[2]);  // a date: its year and day may be named
        else
            raise_error(s);
    }
    PyGILState_Release(gil);
}

// The strided loop of the ufunc `Fn` for inputs of type T.
template <typename Fn, typename T>
void loop(char **args, npy_intp const *dimensions, npy_intp const *steps, void *) noexcept
{
    constexpr int nin = Fn::nin, nout = Fn::nout;
    typename Fn::in x[nin];
    typename Fn::out y[nout];
    excess e = none;
    status s = status::ok;
    for (npy_intp i = 0; i < dimensions[0]; ++i) {
        for (int k = 0; k < nin && e == none; ++k)
            e = narrow(*reinterpret_cast<const T *>(args[k] + i * steps[k]), x[k]);
        if (e != none || (s = Fn::apply(x, y)) != status::ok)
            break;
        for (int k = 0; k < nout; ++k)
            *reinterpret_cast<typename Fn::out *>(args[nin + k] + i * steps[nin + k]) = y[k];
    }
    if (e != none || s != status::ok)
        report<Fn>(e, s, x);
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

struct ufunc_entry {
    const char *name, *doc;
    PyUFuncGenericFunction *functions;
    void **data;
    char *types;
    int count, nin, nout;
};

template <typename L, typename Fn>
constexpr ufunc_entry entry(const char *name, const char *doc) noexcept
{
    return {name, doc, L::functions, L::data, L::types.data(), L::count, Fn::nin, Fn::nout};
}

#define UFUNC(loop_kind, fn, name, doc) entry<loop_kind<fn>, fn>(name, doc)

const ufunc_entry ufuncs[] = {
    UFUNC(integer_loops, julian_day_from_gregorian_date, "get_julian_day_from_gregorian_date",
          "Gets julian day from gregorian date."),
    UFUNC(integer_loops, jalali_leap_year, "is_jalali_leap_year", "Determines the jalali year is leap or not."),
    UFUNC(integer_loops, days_in_jalali_year, "get_days_in_jalali_year", "Determines the number of days in jalali year."),
    UFUNC(integer_loops, days_in_jalali_month, "get_days_in_jalali_month",
          "Determines the number of days in jalali month."),
    UFUNC(integer_loops, julian_day_from_jalali_date, "get_julian_day_from_jalali_date", "Gets julian day from jalali date."),
    UFUNC(julian_day_loops, jalali_date_from_julian_day, "get_jalali_date_from_julian_day", "Gets jalali date from julian day."),
    UFUNC(julian_day_loops, gregorian_date_from_julian_day, "get_gregorian_date_from_julian_day",
          "Gets gregorian date from julian day."),
    UFUNC(integer_loops, jalali_date_from_gregorian_date, "get_jalali_date_from_gregorian_date",
          "Gets jalali date from gregorian date."),
};

// NumPy's C API, or an ImportError that says what this module needs, caused
// by NumPy's own error.
int import_numpy()
{
    if (_import_array() >= 0 && _import_umath() >= 0)
        return 0;
    PyObject *type, *cause, *traceback;
    PyErr_Fetch(&type, &cause, &traceback);
    PyErr_NormalizeException(&type, &cause, &traceback);
    PyErr_Format(PyExc_ImportError, "algorithms_c_numpy needs NumPy 1.19 or later (pip install numpy): %S", cause);
    PyObject *error_type, *error, *error_traceback;
    PyErr_Fetch(&error_type, &error, &error_traceback);
    PyErr_NormalizeException(&error_type, &error, &error_traceback);
    if (error != nullptr)
        PyException_SetCause(error, cause);  // takes the reference
    else
        Py_XDECREF(cause);
    Py_XDECREF(type);
    Py_XDECREF(traceback);
    PyErr_Restore(error_type, error, error_traceback);
    return -1;
}

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "algorithms_c_numpy",
    "The functions of algorithms_c as NumPy ufuncs.",
    -1,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit_algorithms_c_numpy(void)
{
    if (import_numpy() < 0)
        return nullptr;
    PyObject *module = PyModule_Create(&module_definition);
    if (module == nullptr)
        return nullptr;
    for (const ufunc_entry &u : ufuncs) {
        PyObject *ufunc = PyUFunc_FromFuncAndData(u.functions, u.data, u.types, u.count, u.nin, u.nout,
                                                  PyUFunc_None, u.name, u.doc, 0);
        if (ufunc == nullptr || PyModule_AddObject(module, u.name, ufunc) < 0) {
            Py_XDECREF(ufunc);
            Py_DECREF(module);
            return nullptr;
        }
    }
    return module;
}

#endif
