#ifndef ALGORITHMS_C_MODULE_DATE_TUPLE_HPP
#define ALGORITHMS_C_MODULE_DATE_TUPLE_HPP

#include "module/python.hpp"

// A new tuple (year, month, day) of three ints; null with MemoryError set,
// and nothing left behind, when an object cannot be allocated.
inline PyObject *make_date_tuple(int year, int month, int day)
{
    PyObject *tuple = PyTuple_New(3);
    if (tuple == nullptr)
        return nullptr;
    const int parts[3] = {year, month, day};
    for (Py_ssize_t i = 0; i < 3; ++i) {
        PyObject *item = PyLong_FromLong(parts[i]);
        if (item == nullptr) {
            Py_DECREF(tuple);
            return nullptr;
        }
        PyTuple_SetItem(tuple, i, item);  // takes over the item's reference
    }
    return tuple;
}

#endif
