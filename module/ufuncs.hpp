#ifndef ALGORITHMS_C_MODULE_UFUNCS_HPP
#define ALGORITHMS_C_MODULE_UFUNCS_HPP

#include "module/python.hpp"

// Adds the ufuncs to the array module: 0, or -1 with an exception set.
int add_ufuncs(PyObject *module);

#endif
