#ifndef ALGORITHMS_C_MODULE_COLUMNS_HPP
#define ALGORITHMS_C_MODULE_COLUMNS_HPP

#include "module/python.hpp"

// Adds the functions over columns of datetimes to the array module
// (_jalali_fields, _jalali_period_starts, _jalali_add_months): 0, or -1 with an
// exception set.
int add_columns(PyObject *module);

#endif
