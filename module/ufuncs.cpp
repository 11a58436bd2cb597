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


}  // namespace

int add_ufuncs(PyObject *module)
{
    for (const ufunc_entry &u : ufuncs) {
        PyObject *ufunc = PyUFunc_FromFuncAndData(u.functions, u.data, u.types, u.count, u.nin, u.nout,
                                                  PyUFunc_None, u.name, u.doc, 0);
        if (ufunc == nullptr || PyModule_AddObject(module, u.name, ufunc) < 0) {
            Py_XDECREF(ufunc);
            return -1;
        }
    }
    return 0;
}
