// Columns of datetimes to their Jalali fields, the starts of their Jalali
// periods, and their dates some months on, each in one pass of
// column_pass.hpp: the passes' results, and their bindings.

#include "module/columns.hpp"

#include "module/column_pass.hpp"

namespace {

// The fields that a pass can give, each from a block's dates.
enum class field {
    year, month, day, day_of_year, day_of_week, week_of_year, quarter, days_in_month, days_in_year,
    is_leap_year, is_month_start, is_month_end, is_quarter_start, is_quarter_end, is_year_start, is_year_end,
};

template <typename Out, typename Value>
[[gnu::always_inline]] inline void fill(void *to, npy_intp count, Value value) noexcept
{
    Out *out = static_cast<Out *>(to);
    FAST_LOOP
    for (npy_intp i = 0; i < count; ++i)  // column loop
        out[i] = static_cast<Out>(value(i));
}

// Stage three: one field of a block into `to`, the block's place in its column.
[[gnu::always_inline]] inline void block_field(field f, const dates &b, npy_intp count, void *to) noexcept
{
    using calendar::jalali_month_days;
    const auto length = [&b](npy_intp i) { return jalali_month_days(b.month[i], b.leap[i]); };
    switch (f) {
    case field::year: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return b.year[i]; });
    case field::month: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return b.month[i]; });
    case field::day: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return b.day[i]; });
    case field::day_of_year: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return b.yday[i] + 1; });
    case field::day_of_week: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return b.weekday[i]; });
    case field::week_of_year:
        // weeks begin on Saturday, and week 1 holds 1 Farvardin, whose weekday
        // is yday days before this one's
        return fill<std::int32_t>(to, count, [&b](npy_intp i) {
            const std::int32_t first = (b.weekday[i] + 7 * 53 - b.yday[i]) % 7;
            return (b.yday[i] + first) / 7 + 1;
        });
    case field::quarter: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return (b.month[i] + 2) / 3; });
    case field::days_in_month: return fill<std::int32_t>(to, count, length);
    case field::days_in_year: return fill<std::int32_t>(to, count, [&b](npy_intp i) { return 365 + b.leap[i]; });
    case field::is_leap_year: return fill<npy_bool>(to, count, [&b](npy_intp i) { return b.leap[i]; });
    case field::is_month_start: return fill<npy_bool>(to, count, [&b](npy_intp i) { return b.day[i] == 1; });
    case field::is_month_end: return fill<npy_bool>(to, count, [&](npy_intp i) { return b.day[i] == length(i); });
    case field::is_quarter_start:
        return fill<npy_bool>(to, count, [&b](npy_intp i) { return (b.day[i] == 1) & (b.month[i] % 3 == 1); });
    case field::is_quarter_end:
        return fill<npy_bool>(to, count, [&](npy_intp i) { return (b.day[i] == length(i)) & (b.month[i] % 3 == 0); });
    case field::is_year_start: return fill<npy_bool>(to, count, [&b](npy_intp i) { return b.yday[i] == 0; });
    case field::is_year_end:
        return fill<npy_bool>(to, count, [&](npy_intp i) { return (b.month[i] == 12) & (b.day[i] == length(i)); });
    }
}

// The periods whose starts a pass can give.
enum class period { year, quarter, month, week, day };

// What a pass does with each block, after its dates: fields, period starts,
// or a step of months.
struct fields_pass {
    const field *fields;
    int count;
    void *const *out;  // one column a field
};

struct period_pass {
    period of;
    bool ceil;  // the next period's start, unless the value is at a start
    bool next;  // the next period's start, whatever the value
    std::int64_t *out;
    std::int64_t missing;  // written where a value is missing: NaT, or 0 under validity bits
};

struct months_pass {
    const std::int64_t *months;  // one a row, or one for all where `stride` is 0
    npy_intp stride;
    std::int64_t *out;
    std::int64_t missing;  // as in period_pass
};

template <typename C>
[[gnu::always_inline]] inline bool block_result(const fields_pass &p, const column &, npy_intp start, npy_intp count, const dates &b,
                  failure &) noexcept
{
    for (int k = 0; k < p.count; ++k) {
        const bool flag = p.fields[k] >= field::is_leap_year;
        block_field(p.fields[k], b, count,
                    static_cast<char *>(p.out[k]) + start * (flag ? sizeof(npy_bool) : sizeof(std::int32_t)));
    }
    return true;
}

// The first day of the period of each date, or of the next period where
// `ceil` and the value is not at a start.
template <typename C>
[[gnu::always_inline]] inline bool block_result(const period_pass &p, const column &c, npy_intp start, npy_intp count, const dates &b,
                  failure &failed) noexcept
{
    const std::int64_t missing = p.missing;  // kept in a register: the results' stores might be it
    for (npy_intp i = 0; i < count; ++i) {
        if (b.missing[i]) {
            p.out[start + i] = missing;
            continue;
        }
        const std::int64_t day = day_of(c, start + i);
        const std::int32_t m = b.month[i], first_month = m - (m - 1) % 3;
        std::int32_t into = 0, length = 0;  // days into the period, and its days
        switch (p.of) {
        case period::year: into = b.yday[i], length = 365 + b.leap[i]; break;
        case period::quarter:
            into = b.yday[i] - calendar::jalali_month_offset(first_month);
            length = calendar::jalali_month_offset(first_month + 3) - calendar::jalali_month_offset(first_month)
                   - (first_month == 10 && !b.leap[i]);
            break;
        case period::month: into = b.day[i] - 1, length = calendar::jalali_month_days(m, b.leap[i]); break;
        case period::week:
        case period::day: {  // a day is a period of its own, as a week is of seven
            const bool week = p.of == period::week;
            into = week ? b.weekday[i] : 0, length = week ? 7 : 1;
            break;
        }
        }
        const bool at_start = into == 0 && time_of_day(c, start + i, day) == 0;
        const std::int64_t first = day - into + ((p.ceil && !at_start) || p.next ? length : 0);
        if (!ticks_of(first, 0, c.per_day, p.out[start + i])) {
            failed = {start + i, status::out_of_range, day};
            return false;
        }
    }
    return true;
}

// The same time of day `months` months on, the day kept but for the last days
// of a longer month, which become the last of the shorter.
template <typename C>
[[gnu::always_inline]] inline bool block_result(const months_pass &p, const column &c, npy_intp start, npy_intp count, const dates &b,
                  failure &failed) noexcept
{
    const std::int64_t missing = p.missing;  // kept in a register: the results' stores might be it
    for (npy_intp i = 0; i < count; ++i) {
        if (b.missing[i]) {
            p.out[start + i] = missing;
            continue;
        }
        const std::int64_t day = day_of(c, start + i);
        const std::int64_t months = p.months[(start + i) * p.stride];
        // months counted from those of the continuous year 0 (years 0 and -1 being one)
        const std::int64_t from = calendar::continuous_jalali_year(b.year[i]) * 12 + b.month[i] - 1;
        std::int64_t to = 0, number = 0;
        status s = __builtin_add_overflow(from, months, &to) ? status::out_of_range : status::ok;
        const std::int64_t continuous = calendar::floor_div<std::int64_t>(to, 12);
        const std::int64_t named = calendar::named_jalali_year(continuous);
        const auto year = static_cast<std::int32_t>(named);
        const auto month = static_cast<std::int32_t>(to - continuous * 12 + 1);
        std::int32_t length = 0;
        if (s == status::ok)
            s = calendar::fits_int32(named) ? C::days_in_month(year, month, length) : status::out_of_range;
        if (s == status::ok)
            s = C::day_number(year, month, std::min(b.day[i], length), number);
        if (s == status::ok && !ticks_of(number - epoch_number, time_of_day(c, start + i, day), c.per_day,
                                         p.out[start + i]))
            s = status::out_of_range;
        if (s != status::ok) {
            failed = {start + i, s, day, months};
            return false;
        }
    }
    return true;
}

// The fields by name, and which are bools.
struct field_name {
    const char *name;
    field f;
};

const field_name field_names[] = {
    {"year", field::year},
    {"month", field::month},
    {"day", field::day},
    {"day_of_year", field::day_of_year},
    {"day_of_week", field::day_of_week},
    {"week_of_year", field::week_of_year},
    {"quarter", field::quarter},
    {"days_in_month", field::days_in_month},
    {"days_in_year", field::days_in_year},
    {"is_leap_year", field::is_leap_year},
    {"is_month_start", field::is_month_start},
    {"is_month_end", field::is_month_end},
    {"is_quarter_start", field::is_quarter_start},
    {"is_quarter_end", field::is_quarter_end},
    {"is_year_start", field::is_year_start},
    {"is_year_end", field::is_year_end},
};

struct named_period {
    const char *name;
    period of;
};

const named_period period_names[] = {
    {"year", period::year},
    {"quarter", period::quarter},
    {"month", period::month},
    {"week", period::week},
    {"day", period::day},
};

// "bits" or not: how a pass hands back its missing values.
missing_as missing_form(int bits) noexcept
{
    return bits != 0 ? missing_as::bits : missing_as::mask;
}

// The ticks of a pass that hands back no mask: as they are, or with the
// validity bits where asked.
PyObject *ticks_result(PyObject *out, PyObject *missing, missing_as as)
{
    if (as == missing_as::bits)
        return Py_BuildValue("(NN)", out, missing);
    Py_DECREF(missing);
    return out;
}

PyDoc_STRVAR(fields_doc,
             "_jalali_fields(values, per_day, calendar, names, validity=None, offset=0, bits=False)\n--\n\n"
             "The Jalali fields `names` of a column of datetimes: a tuple of arrays (int32, or bool for the is_ "
             "fields), and the mask of the missing values, or None where none is; with bits, their validity bits "
             "(uint8, Arrow's, from bit 0) in place of the mask: the column's own, where no NaT adds to them.");

PyObject *jalali_fields(PyObject *, PyObject *args, PyObject *kwargs)
{
    static const char *keywords[] = {"values", "per_day", "calendar", "names", "validity", "offset", "bits", nullptr};
    PyObject *values, *names, *validity = Py_None;
    long long per_day;
    const char *calendar_name;
    Py_ssize_t offset = 0;
    int bits = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OLsO!|Onp", const_cast<char **>(keywords), &values, &per_day,
                                     &calendar_name, &PyTuple_Type, &names, &validity, &offset, &bits))
        return nullptr;
    const int astronomical = read_calendar(calendar_name);
    column_arguments a;
    if (astronomical < 0 || !read_column(values, per_day, validity, offset, a))
        return nullptr;
    const Py_ssize_t count = PyTuple_GET_SIZE(names);
    if (count > 16) {
        PyErr_SetString(PyExc_ValueError, "at most 16 fields a pass");
        return nullptr;
    }
    field fields[16];
    void *columns[16];
    PyObject *results = PyTuple_New(count);
    if (results == nullptr)
        return nullptr;
    for (Py_ssize_t k = 0; k < count; ++k) {
        const char *name = PyUnicode_Check(PyTuple_GET_ITEM(names, k)) ? PyUnicode_AsUTF8(PyTuple_GET_ITEM(names, k))
                                                                        : nullptr;
        const field_name *found = nullptr;
        for (const field_name &f : field_names)
            if (name != nullptr && std::strcmp(name, f.name) == 0)
                found = &f;
        if (found == nullptr) {
            if (!PyErr_Occurred())
                PyErr_Format(PyExc_ValueError, "no Jalali field %R", PyTuple_GET_ITEM(names, k));
            Py_DECREF(results);
            return nullptr;
        }
        fields[k] = found->f;
        npy_intp length = a.c.length;
        PyObject *column = PyArray_SimpleNew(1, &length, found->f >= field::is_leap_year ? NPY_BOOL : NPY_INT32);
        if (column == nullptr) {
            Py_DECREF(results);
            return nullptr;
        }
        PyTuple_SET_ITEM(results, k, column);
        columns[k] = PyArray_DATA(reinterpret_cast<PyArrayObject *>(column));
    }
    PyObject *missing =
        run_without_gil(a, astronomical, fields_pass{fields, static_cast<int>(count), columns}, missing_form(bits));
    if (missing == nullptr) {
        Py_DECREF(results);
        return nullptr;
    }
    return Py_BuildValue("(NN)", results, missing);
}

// A new int64 array of the column's length, and its data.
PyObject *new_ticks(const column &c, std::int64_t *&data)
{
    npy_intp length = c.length;
    PyObject *out = PyArray_SimpleNew(1, &length, NPY_INT64);
    if (out != nullptr)
        data = static_cast<std::int64_t *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(out)));
    return out;
}

PyDoc_STRVAR(period_starts_doc,
             "_jalali_period_starts(values, per_day, calendar, period, ceil=False, validity=None, offset=0, "
             "next=False, bits=False)\n--\n\n"
             "The ticks (int64, NaT where missing) at which the Jalali period (\"year\", \"quarter\", \"month\", "
             "\"week\" or \"day\") of each datetime begins; with ceil, the next one's unless the value is at a start; "
             "with next, the next one's.  With bits, the ticks (0 where missing) and their validity bits, as "
             "_jalali_fields gives them.");

PyObject *jalali_period_starts(PyObject *, PyObject *args, PyObject *kwargs)
{
    static const char *keywords[] = {"values", "per_day", "calendar", "period", "ceil", "validity", "offset",
                                     "next", "bits", nullptr};
    PyObject *values, *validity = Py_None;
    long long per_day;
    const char *calendar_name, *period_name;
    int ceil = 0, next = 0, bits = 0;
    Py_ssize_t offset = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OLss|pOnpp", const_cast<char **>(keywords), &values, &per_day,
                                     &calendar_name, &period_name, &ceil, &validity, &offset, &next, &bits))
        return nullptr;
    const int astronomical = read_calendar(calendar_name);
    column_arguments a;
    if (astronomical < 0 || !read_column(values, per_day, validity, offset, a))
        return nullptr;
    const named_period *found = nullptr;
    for (const named_period &n : period_names)
        if (std::strcmp(period_name, n.name) == 0)
            found = &n;
    if (found == nullptr) {
        PyErr_Format(PyExc_ValueError, "the period must be \"year\", \"quarter\", \"month\", \"week\" or \"day\", not \"%s\"",
                     period_name);
        return nullptr;
    }
    std::int64_t *data = nullptr;
    PyObject *out = new_ticks(a.c, data);
    if (out == nullptr)
        return nullptr;
    const missing_as as = missing_form(bits);
    const std::int64_t missing_tick = as == missing_as::bits ? 0 : std::numeric_limits<std::int64_t>::min();
    PyObject *missing =
        run_without_gil(a, astronomical, period_pass{found->of, ceil != 0, next != 0, data, missing_tick}, as);
    if (missing == nullptr) {
        Py_DECREF(out);
        return nullptr;
    }
    return ticks_result(out, missing, as);
}

PyDoc_STRVAR(add_months_doc,
             "_jalali_add_months(values, per_day, calendar, months, validity=None, offset=0, bits=False)\n--\n\n"
             "The ticks (int64, NaT where missing) of each datetime `months` Jalali months on (an integer, or an "
             "int64 array of one a value), at the same time of day, the day kept but for the last days of a longer "
             "month, which become the last of the shorter.  With bits, the ticks (0 where missing) and their validity "
             "bits, as _jalali_fields gives them.");

PyObject *jalali_add_months(PyObject *, PyObject *args, PyObject *kwargs)
{
    static const char *keywords[] = {"values", "per_day", "calendar", "months", "validity", "offset", "bits", nullptr};
    PyObject *values, *months_object, *validity = Py_None;
    long long per_day;
    const char *calendar_name;
    Py_ssize_t offset = 0;
    int bits = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OLsO|Onp", const_cast<char **>(keywords), &values, &per_day,
                                     &calendar_name, &months_object, &validity, &offset, &bits))
        return nullptr;
    const int astronomical = read_calendar(calendar_name);
    column_arguments a;
    if (astronomical < 0 || !read_column(values, per_day, validity, offset, a))
        return nullptr;
    // one step for every value, or one a value
    std::int64_t step = 0;
    PyArrayObject *months = nullptr;
    if (PyArray_Check(months_object)) {
        if ((months = contiguous(months_object, NPY_INT64)) == nullptr)
            return nullptr;
        if (PyArray_DIM(months, 0) != a.c.length) {
            Py_DECREF(months);
            PyErr_SetString(PyExc_ValueError, "the months must be as many as the values");
            return nullptr;
        }
    } else if ((step = PyLong_AsLongLong(months_object)) == -1 && PyErr_Occurred()) {
        return nullptr;
    }
    const std::int64_t *steps = months != nullptr ? static_cast<const std::int64_t *>(PyArray_DATA(months)) : &step;
    std::int64_t *data = nullptr;
    PyObject *out = new_ticks(a.c, data);
    const missing_as as = missing_form(bits);
    const std::int64_t missing_tick = as == missing_as::bits ? 0 : std::numeric_limits<std::int64_t>::min();
    PyObject *missing = out == nullptr ? nullptr
                                       : run_without_gil(a, astronomical,
                                                         months_pass{steps, months != nullptr, data, missing_tick}, as);
    Py_XDECREF(months);
    if (missing == nullptr) {
        Py_XDECREF(out);
        return nullptr;
    }
    return ticks_result(out, missing, as);
}

PyMethodDef column_methods[] = {
    {"_jalali_fields", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(jalali_fields)),
     METH_VARARGS | METH_KEYWORDS, fields_doc},
    {"_jalali_period_starts", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(jalali_period_starts)),
     METH_VARARGS | METH_KEYWORDS, period_starts_doc},
    {"_jalali_add_months", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(jalali_add_months)),
     METH_VARARGS | METH_KEYWORDS, add_months_doc},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_columns(PyObject *module)
{
    return PyModule_AddFunctions(module, column_methods);
}
