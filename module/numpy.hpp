#ifndef ALGORITHMS_C_MODULE_NUMPY_HPP
#define ALGORITHMS_C_MODULE_NUMPY_HPP

// NumPy's C API as the array module's files include it: one table of NumPy's
// functions for the whole module, filled at import by the file that defines
// ALGORITHMS_C_NUMPY_API_OWNER (the module's initialisation) and found by
// the others.

#include "module/python.hpp"

// memcpy, which the block copies call, by its symbol of glibc 2.2.5 rather
// than by that of 2.14, so that the wheel installs on glibc 2.5 and later
// (manylinux_2_5).  The two differ only for overlapping copies, and these
// never overlap.
#if defined(__x86_64__) && defined(__GLIBC__)
__asm__(".symver memcpy, memcpy@GLIBC_2.2.5");
#endif

#define PY_ARRAY_UNIQUE_SYMBOL algorithms_c_numpy_array_api
#define PY_UFUNC_UNIQUE_SYMBOL algorithms_c_numpy_ufunc_api
#ifndef ALGORITHMS_C_NUMPY_API_OWNER
#define NO_IMPORT_ARRAY
#define NO_IMPORT_UFUNC
#endif
#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>

#endif
