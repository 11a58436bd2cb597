// The algorithms_c_numpy module: the eight functions of algorithms_c as NumPy
// ufuncs, over the same calendar/ routines.  Its initialisation is here; the
// ufuncs' element work is in kernels.hpp, their loops in loops.hpp, and their
// table in ufuncs.cpp.

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

#define ALGORITHMS_C_NUMPY_API_OWNER
#include "module/numpy.hpp"
#include "module/columns.hpp"
#include "module/text.hpp"
#include "module/ufuncs.hpp"

namespace {

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
    if (add_ufuncs(module) < 0 || add_columns(module) < 0 || add_text(module) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
    return without_gil(module);
}

#endif
