#ifndef ALGORITHMS_C_MODULE_TEXT_HPP
#define ALGORITHMS_C_MODULE_TEXT_HPP

#include "module/python.hpp"

// Adds the functions between columns of datetimes and Jalali text to the
// array module (_jalali_strftime, _jalali_strptime): 0, or -1 with an
// exception set.
int add_text(PyObject *module);

#endif
