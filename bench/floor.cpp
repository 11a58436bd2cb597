// The floor of the interface: for each argument format and result kind of
// algorithms_c, a function that parses and answers exactly as algorithms_c
// does, with no calendar arithmetic.  What algorithms_c costs above these is
// its own.  Built by bench/run.py only; never installed.

#include "module/date_tuple.hpp"

static PyObject *iii_float(PyObject *, PyObject *args)
{
    int year, month, day;
    if (!PyArg_ParseTuple(args, "iii", &year, &month, &day))
        return nullptr;
    return PyFloat_FromDouble(year);
}

static PyObject *i_bool(PyObject *, PyObject *args)
{
    int year;
    if (!PyArg_ParseTuple(args, "i", &year))
        return nullptr;
    return PyBool_FromLong(year & 1);
}

static PyObject *i_int(PyObject *, PyObject *args)
{
    int year;
    if (!PyArg_ParseTuple(args, "i", &year))
        return nullptr;
    return PyLong_FromLong(year);
}

static PyObject *ii_int(PyObject *, PyObject *args)
{
    int year, month;
    if (!PyArg_ParseTuple(args, "ii", &year, &month))
        return nullptr;
    return PyLong_FromLong(month);
}

static PyObject *f_tuple(PyObject *, PyObject *args)
{
    float jd;
    if (!PyArg_ParseTuple(args, "f", &jd))
        return nullptr;
    return make_date_tuple(static_cast<int>(jd), 1, 1);
}

static PyObject *iii_tuple(PyObject *, PyObject *args)
{
    int year, month, day;
    if (!PyArg_ParseTuple(args, "iii", &year, &month, &day))
        return nullptr;
    return make_date_tuple(year, month, day);
}

static PyMethodDef floor_methods[] = {
    {"iii_float", iii_float, METH_VARARGS, nullptr},
    {"i_bool", i_bool, METH_VARARGS, nullptr},
    {"i_int", i_int, METH_VARARGS, nullptr},
    {"ii_int", ii_int, METH_VARARGS, nullptr},
    {"f_tuple", f_tuple, METH_VARARGS, nullptr},
    {"iii_tuple", iii_tuple, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

static PyModuleDef floor_definition = {
    PyModuleDef_HEAD_INIT, "floor", nullptr, -1, floor_methods, nullptr, nullptr, nullptr, nullptr,
};

PyMODINIT_FUNC PyInit_floor(void)
{
    return PyModule_Create2(&floor_definition, PYTHON_API_VERSION);
}
