#ifndef ALGORITHMS_C_MODULE_ERRORS_HPP
#define ALGORITHMS_C_MODULE_ERRORS_HPP

// The exceptions that the calendar routines' failures become, the same from
// every module.  Each sets the exception and returns null for the caller to
// hand on.

#include "module/python.hpp"

#include <cstdio>

#include "calendar/astronomical.hpp"
#include "calendar/common.hpp"
#include "calendar/gregorian.hpp"

// The ValueError for a February day beyond the month's length.
inline PyObject *raise_invalid_day(int year, int day)
{
    static const char format[] = "Invalid day: %02d, it must be <= %02d";
    const int limit = calendar::gregorian_days_in_february(year);
    const size_t size = sizeof format + 2 * 11;  // each number takes at most 11 characters
    char *message = static_cast<char *>(PyMem_Malloc(size));
    if (message == nullptr)
        return PyErr_NoMemory();
    std::snprintf(message, size, format, day, limit);
    PyErr_SetString(PyExc_ValueError, message);
    PyMem_Free(message);
    return nullptr;
}

// The ValueError for a date of a year that the astronomical calendar's table
// does not hold; `what` names the date as it was given ("the year 9500").
inline PyObject *raise_outside_years(const char *what)
{
    PyErr_Format(PyExc_ValueError, "%s is outside the years of the astronomical Jalali calendar, %d to %d", what,
                 calendar::astronomical_first_year, calendar::astronomical_last_year);
    return nullptr;
}

// The exception for a failed calendar routine.  For bad_day, year and day
// are those of the Gregorian date given, which the message names.
inline PyObject *raise_error(calendar::status failure, int year = 0, int day = 0)
{
    using calendar::status;
    switch (failure) {
    case status::bad_month:
        PyErr_SetString(PyExc_ValueError, "Month must be between 1 and 12");
        break;
    case status::bad_day:
        return raise_invalid_day(year, day);
    case status::bad_julian_day:
        PyErr_SetString(PyExc_ValueError, "Invalid Date");
        break;
    case status::out_of_range:
        PyErr_SetString(PyExc_OverflowError, "date value out of range");
        break;
    case status::outside_years:
        return raise_outside_years("a date");
    case status::ok:
        PyErr_SetString(PyExc_SystemError, "unexpected calendar status");
        break;
    }
    return nullptr;
}

#endif
