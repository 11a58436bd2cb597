// The ufuncs of algorithms_c_numpy: the table of their names, docstrings and
// loops, and the module attributes made from it.

#include "module/loops.hpp"
#include "module/numpy.hpp"
#include "module/ufuncs.hpp"

namespace {

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

using arithmetic = calendar::arithmetic_calendar;
using astronomical = calendar::astronomical_calendar;

// The eight of algorithms_c, in its order: the arithmetic calendar.  These
// are the module's own attributes, and those of algorithms_c_numpy.arithmetic.
const ufunc_entry arithmetic_ufuncs[] = {
    UFUNC(integer_loops, julian_day_from_gregorian_date, "get_julian_day_from_gregorian_date",
          "Gets julian day from gregorian date."),
    UFUNC(integer_loops, jalali_leap_year<arithmetic>, "is_jalali_leap_year", "Determines the jalali year is leap or not."),
    UFUNC(integer_loops, days_in_jalali_year<arithmetic>, "get_days_in_jalali_year",
          "Determines the number of days in jalali year."),
    UFUNC(integer_loops, days_in_jalali_month<arithmetic>, "get_days_in_jalali_month",
          "Determines the number of days in jalali month."),
    UFUNC(integer_loops, julian_day_from_jalali_date<arithmetic>, "get_julian_day_from_jalali_date",
          "Gets julian day from jalali date."),
    UFUNC(julian_day_loops, jalali_date_from_julian_day<arithmetic>, "get_jalali_date_from_julian_day",
          "Gets jalali date from julian day."),
    UFUNC(julian_day_loops, gregorian_date_from_julian_day, "get_gregorian_date_from_julian_day",
          "Gets gregorian date from julian day."),
    UFUNC(integer_loops, jalali_date_from_gregorian_date<arithmetic>, "get_jalali_date_from_gregorian_date",
          "Gets jalali date from gregorian date."),
};

// The Jalali six in the astronomical calendar, for algorithms_c_numpy.astronomical,
// which holds the two Gregorian ones of the arithmetic table as they are.
const ufunc_entry astronomical_ufuncs[] = {
    UFUNC(integer_loops, jalali_leap_year<astronomical>, "is_jalali_leap_year",
          "Determines the jalali year is leap or not, in the astronomical Jalali calendar."),
    UFUNC(integer_loops, days_in_jalali_year<astronomical>, "get_days_in_jalali_year",
          "Determines the number of days in jalali year, in the astronomical Jalali calendar."),
    UFUNC(integer_loops, days_in_jalali_month<astronomical>, "get_days_in_jalali_month",
          "Determines the number of days in jalali month, in the astronomical Jalali calendar."),
    UFUNC(integer_loops, julian_day_from_jalali_date<astronomical>, "get_julian_day_from_jalali_date",
          "Gets julian day from jalali date, in the astronomical Jalali calendar."),
    UFUNC(julian_day_loops, jalali_date_from_julian_day<astronomical>, "get_jalali_date_from_julian_day",
          "Gets jalali date from julian day, in the astronomical Jalali calendar."),
    UFUNC(integer_loops, jalali_date_from_gregorian_date<astronomical>, "get_jalali_date_from_gregorian_date",
          "Gets jalali date from gregorian date, in the astronomical Jalali calendar."),
};

const char *const gregorian_names[] = {"get_julian_day_from_gregorian_date", "get_gregorian_date_from_julian_day"};

// A new reference to the ufunc of an entry.
PyObject *make_ufunc(const ufunc_entry &u)
{
    return PyUFunc_FromFuncAndData(u.functions, u.data, u.types, u.count, u.nin, u.nout, PyUFunc_None, u.name,
                                   u.doc, 0);
}

// Adds `value` (a borrowed reference) to the module under `name`: 0, or -1
// with an exception set.
int add(PyObject *module, const char *name, PyObject *value)
{
    Py_INCREF(value);
    if (PyModule_AddObject(module, name, value) < 0) {
        Py_DECREF(value);
        return -1;
    }
    return 0;
}

// A new namespace module, `parent.name`, added to the parent and to
// sys.modules (so that `import algorithms_c_numpy.astronomical` finds it, and
// pickle the ufuncs that only it holds): a borrowed reference, or null.
PyObject *add_namespace(PyObject *parent, const char *name, const char *doc)
{
    PyObject *full = PyUnicode_FromFormat("%s.%s", PyModule_GetName(parent), name);
    if (full == nullptr)
        return nullptr;
    PyObject *space = PyModule_NewObject(full);
    const bool added = space != nullptr && PyModule_AddStringConstant(space, "__doc__", doc) == 0
                    && PyDict_SetItem(PyImport_GetModuleDict(), full, space) == 0
                    && PyModule_AddObject(parent, name, space) == 0;  // steals the reference
    Py_DECREF(full);
    if (!added) {
        Py_XDECREF(space);
        return nullptr;
    }
    return space;
}

}  // namespace

int add_ufuncs(PyObject *module)
{
    PyObject *arithmetic_space = add_namespace(module, "arithmetic",
                                               "The ufuncs in the arithmetic Jalali calendar: those of the module itself.");
    PyObject *astronomical_space = add_namespace(
        module, "astronomical",
        "The ufuncs in the astronomical Jalali calendar, the one in civil use in Iran, which holds the years "
        "first_year to last_year; the Gregorian two are those of the module itself.");
    if (arithmetic_space == nullptr || astronomical_space == nullptr
        || PyModule_AddIntConstant(astronomical_space, "first_year", calendar::astronomical_first_year) < 0
        || PyModule_AddIntConstant(astronomical_space, "last_year", calendar::astronomical_last_year) < 0)
        return -1;
    for (const ufunc_entry &u : arithmetic_ufuncs) {
        PyObject *ufunc = make_ufunc(u);
        if (ufunc == nullptr)
            return -1;
        const bool failed = add(module, u.name, ufunc) < 0 || add(arithmetic_space, u.name, ufunc) < 0;
        Py_DECREF(ufunc);
        if (failed)
            return -1;
    }
    for (const ufunc_entry &u : astronomical_ufuncs) {
        PyObject *ufunc = make_ufunc(u);
        if (ufunc == nullptr)
            return -1;
        const bool failed = add(astronomical_space, u.name, ufunc) < 0;
        Py_DECREF(ufunc);
        if (failed)
            return -1;
    }
    for (const char *name : gregorian_names) {
        PyObject *ufunc = PyObject_GetAttrString(arithmetic_space, name);
        const bool failed = ufunc == nullptr || add(astronomical_space, name, ufunc) < 0;
        Py_XDECREF(ufunc);
        if (failed)
            return -1;
    }
    return 0;
}
