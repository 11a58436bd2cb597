#ifndef ALGORITHMS_C_MODULE_PYTHON_HPP
#define ALGORITHMS_C_MODULE_PYTHON_HPP

// Python.h as the modules here include it.  The build hides every symbol not
// marked for export, and the module's init function must stay visible:
// Python 3.9's headers and later mark it so, 3.8's do not, and it is marked here.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#if PY_VERSION_HEX < 0x03090000 && defined(__GNUC__)
#undef PyMODINIT_FUNC
#define PyMODINIT_FUNC extern "C" __attribute__((visibility("default"))) PyObject *
#endif

#endif
