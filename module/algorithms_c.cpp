// The algorithms_c module: the calendar arithmetic of calendar/, callable
// from Python.  Every function parses its positional arguments, calls the
// calendar routines and wraps their result in a new Python object; a failed
// routine becomes the exception raised here.  Each docstring opens with the
// function's signature, which Python shows apart from the sentence.

#include "module/python.hpp"

#include "calendar/gregorian.hpp"
#include "calendar/jalali.hpp"
#include "module/date_tuple.hpp"
#include "module/errors.hpp"

using calendar::status;

PyDoc_STRVAR(get_julian_day_from_gregorian_date_doc,
             "get_julian_day_from_gregorian_date($module, year, month, day, /)\n--\n\n"
             "Gets julian day from gregorian date.");

static PyObject *get_julian_day_from_gregorian_date(PyObject *, PyObject *args)
{
    int year, month, day;
    double jd;
    if (!PyArg_ParseTuple(args, "iii", &year, &month, &day))
        return nullptr;
    if (const status s = calendar::gregorian_to_julian_day(year, month, day, jd); s != status::ok)
        return raise_error(s, year, day);
    return PyFloat_FromDouble(jd);
}

PyDoc_STRVAR(is_jalali_leap_year_doc,
             "is_jalali_leap_year($module, year, /)\n--\n\n"
             "Determines the jalali year is leap or not.");

static PyObject *is_jalali_leap_year(PyObject *, PyObject *args)
{
    int year;
    if (!PyArg_ParseTuple(args, "i", &year))
        return nullptr;
    return PyBool_FromLong(calendar::jalali_is_leap(year));
}

PyDoc_STRVAR(get_days_in_jalali_year_doc,
             "get_days_in_jalali_year($module, year, /)\n--\n\n"
             "Determines the number of days in jalali year.");

static PyObject *get_days_in_jalali_year(PyObject *, PyObject *args)
{
    int year;
    if (!PyArg_ParseTuple(args, "i", &year))
        return nullptr;
    return PyLong_FromLong(calendar::jalali_days_in_year(year));
}

PyDoc_STRVAR(get_days_in_jalali_month_doc,
             "get_days_in_jalali_month($module, year, month, /)\n--\n\n"
             "Determines the number of days in jalali month.");

static PyObject *get_days_in_jalali_month(PyObject *, PyObject *args)
{
    int year, month, days;
    if (!PyArg_ParseTuple(args, "ii", &year, &month))
        return nullptr;
    if (const status s = calendar::jalali_days_in_month(year, month, days); s != status::ok)
        return raise_error(s);
    return PyLong_FromLong(days);
}

PyDoc_STRVAR(get_julian_day_from_jalali_date_doc,
             "get_julian_day_from_jalali_date($module, year, month, day, /)\n--\n\n"
             "Gets julian day from jalali date.");

static PyObject *get_julian_day_from_jalali_date(PyObject *, PyObject *args)
{
    int year, month, day;
    if (!PyArg_ParseTuple(args, "iii", &year, &month, &day))
        return nullptr;
    return PyFloat_FromDouble(calendar::jalali_to_julian_day(year, month, day));
}

PyDoc_STRVAR(get_jalali_date_from_julian_day_doc,
             "get_jalali_date_from_julian_day($module, julian_day, /)\n--\n\n"
             "Gets jalali date from julian day.");

static PyObject *get_jalali_date_from_julian_day(PyObject *, PyObject *args)
{
    float jd;
    int year, month, day;
    if (!PyArg_ParseTuple(args, "f", &jd))
        return nullptr;
    if (const status s = calendar::julian_day_to_jalali(jd, year, month, day); s != status::ok)
        return raise_error(s);
    return make_date_tuple(year, month, day);
}

PyDoc_STRVAR(get_gregorian_date_from_julian_day_doc,
             "get_gregorian_date_from_julian_day($module, julian_day, /)\n--\n\n"
             "Gets gregorian date from julian day.");

static PyObject *get_gregorian_date_from_julian_day(PyObject *, PyObject *args)
{
    float jd;
    int year, month, day;
    if (!PyArg_ParseTuple(args, "f", &jd))
        return nullptr;
    if (const status s = calendar::julian_day_to_gregorian(jd, year, month, day); s != status::ok)
        return raise_error(s);
    return make_date_tuple(year, month, day);
}

PyDoc_STRVAR(get_jalali_date_from_gregorian_date_doc,
             "get_jalali_date_from_gregorian_date($module, year, month, day, /)\n--\n\n"
             "Gets jalali date from gregorian date.");

static PyObject *get_jalali_date_from_gregorian_date(PyObject *, PyObject *args)
{
    int year, month, day, jalali_year, jalali_month, jalali_day;
    if (!PyArg_ParseTuple(args, "iii", &year, &month, &day))
        return nullptr;
    if (const status s = calendar::gregorian_to_jalali(year, month, day, jalali_year, jalali_month, jalali_day);
        s != status::ok)
        return raise_error(s, year, day);
    return make_date_tuple(jalali_year, jalali_month, jalali_day);
}

#define METHOD(name) {#name, name, METH_VARARGS, name##_doc}

static PyMethodDef module_methods[] = {
    METHOD(get_julian_day_from_gregorian_date),
    METHOD(is_jalali_leap_year),
    METHOD(get_days_in_jalali_year),
    METHOD(get_days_in_jalali_month),
    METHOD(get_julian_day_from_jalali_date),
    METHOD(get_jalali_date_from_julian_day),
    METHOD(get_gregorian_date_from_julian_day),
    METHOD(get_jalali_date_from_gregorian_date),
    {nullptr, nullptr, 0, nullptr},
};

static PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "algorithms_c",
    "Zorvash algorithms C implementation.",
    -1,
    module_methods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

PyMODINIT_FUNC PyInit_algorithms_c(void)
{
    return without_gil(PyModule_Create2(&module_definition, PYTHON_API_VERSION));
}
