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

// A new reference, released when the handle goes (null where it holds none).
template <typename T = PyObject>
class owned {
public:
    owned() noexcept = default;
    explicit owned(T *object) noexcept : object_(object) {}
    owned(owned &&other) noexcept : object_(other.release()) {}
    owned &operator=(owned &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    owned(const owned &) = delete;
    owned &operator=(const owned &) = delete;
    ~owned() { Py_XDECREF(object_); }

    T *get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }
    // The reference, handed on: the handle holds none after.
    T *release() noexcept
    {
        T *object = object_;
        object_ = nullptr;
        return object;
    }
    void reset(T *object = nullptr) noexcept
    {
        T *old = object_;
        object_ = object;
        Py_XDECREF(old);
    }
    // Holds `object`, a new reference or null (a call that failed): whether it holds one.
    bool take(T *object) noexcept
    {
        reset(object);
        return object != nullptr;
    }

private:
    T *object_ = nullptr;
};

// A new module, or null, declared to run without the GIL on free-threaded
// builds: the modules keep no state, so calls from many threads at once
// need no lock.  Elsewhere the module is returned as it is.
inline PyObject *without_gil(PyObject *module)
{
#ifdef Py_GIL_DISABLED
    if (module != nullptr && PyUnstable_Module_SetGIL(module, Py_MOD_GIL_NOT_USED) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
#endif
    return module;
}

#endif
