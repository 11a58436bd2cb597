// Jalali dates as text, both ways, over whole columns: a column of datetimes
// written by a strftime-style format in one pass of column_pass.hpp, and a
// column of text read into datetimes, by the routines of text/.  The text is
// read from Arrow's buffers (offsets and UTF-8 data) where they are, from a
// NumPy array of fixed-width Unicode, or from Python strings; it is written
// once, as Arrow's buffers or as fixed-width byte strings.  Neither loop
// touches a Python object or holds the GIL; a value that cannot be written or
// read stops the loop, and its error is raised after it.

#include "module/text.hpp"

#include <string>
#include <string_view>

#include "module/column_pass.hpp"
#include "text/format.hpp"
#include "text/parse.hpp"

namespace {

// Writing -------------------------------------------------------------------

struct format_pass {
    const text::pattern *pattern;
    bool time;  // whether the format writes the time of day
    text::locale locale;
    bool persian_digits;
    // for values with a time zone: each one's offset from UTC, seconds east,
    // and the index of its zone's name; else null
    const std::int32_t *utc_offsets;
    const std::int32_t *zone_codes;
    const std::string_view *zone_names;
    std::int32_t zone_count;
    std::size_t width;      // the most bytes a row takes
    std::int64_t *offsets;  // where each row begins and ends in `data`, or null: rows in slots of `width`
    char *data;
};

// The moment of value i of a block: its date, and its time of day from its
// ticks and the day number that the block found for it (outside_box where it
// went the exact way, and then found again).
inline text::moment moment_of(const column &c, npy_intp row, const dates &b, npy_intp i, bool time_of_day_too) noexcept
{
    text::moment m;
    m.year = b.year[i];
    m.month = b.month[i];
    m.day = b.day[i];
    m.day_of_year = b.yday[i];
    m.weekday = b.weekday[i];
    if (!c.days && time_of_day_too) {
        const std::int64_t day = b.number[i] != outside_box ? b.number[i] - epoch_number : day_of(c, row);
        const std::int64_t time = time_of_day(c, row, day);  // [0, per_day)
        const std::int64_t per_second = c.per_day / 86400;
        const std::int64_t seconds = time / per_second;
        m.hour = static_cast<std::int32_t>(seconds / 3600);
        m.minute = static_cast<std::int32_t>(seconds / 60 % 60);
        m.second = static_cast<std::int32_t>(seconds % 60);
        m.nanosecond = static_cast<std::int32_t>(time % per_second * (1000000000 / per_second));
    }
    return m;
}

template <typename C>
[[gnu::always_inline]] inline bool block_result(const format_pass &p, const column &c, npy_intp start, npy_intp count,
                                                const dates &b, failure &) noexcept
{
    for (npy_intp i = 0; i < count; ++i) {
        const npy_intp row = start + i;
        char *at = p.offsets != nullptr ? p.data + p.offsets[row] : p.data + row * p.width;
        char *end = at;
        if (!b.missing[i]) {
            text::moment m = moment_of(c, row, b, i, p.time);
            if (p.utc_offsets != nullptr) {
                const std::int32_t code = p.zone_codes[row];
                m.zoned = true;
                m.offset = p.utc_offsets[row];
                m.zone = code >= 0 && code < p.zone_count ? p.zone_names[code] : std::string_view{};
            }
            end = text::write(*p.pattern, m, p.locale, p.persian_digits, at);
        }
        if (p.offsets != nullptr)
            p.offsets[row + 1] = p.offsets[row] + (end - at);
        else
            std::fill(end, at + p.width, '\0');
    }
    return true;
}

// A pattern, and the text of the format that it points into, kept alive.
struct compiled {
    text::pattern pattern;
    owned<> format;  // a bytes object

    const char *text() const noexcept { return PyBytes_AS_STRING(format.get()); }
};

// The name of an object's type, as Python's type(x).__name__ gives it.
const char *type_name(PyObject *object) noexcept
{
    const char *name = Py_TYPE(object)->tp_name;
    const char *dot = std::strrchr(name, '.');
    return dot != nullptr ? dot + 1 : name;
}

// Reads the format, which must be a str: false with an exception set where
// it is not, or is too long.
bool compile_format(PyObject *format, compiled &out)
{
    if (!PyUnicode_Check(format)) {
        PyErr_Format(PyExc_TypeError, "the format must be a string, not %s", type_name(format));
        return false;
    }
    out.format.reset(PyUnicode_AsUTF8String(format));
    if (!out.format)
        return false;
    const std::string_view text{out.text(), static_cast<std::size_t>(PyBytes_GET_SIZE(out.format.get()))};
    if (!text::compile(text, out.pattern)) {
        PyErr_Format(PyExc_ValueError, "the format is longer than %d bytes", static_cast<int>(text::format_limit));
        return false;
    }
    return true;
}

// Which of `names` an argument is: its index, or -1 with a ValueError that
// names it ("<what> must be <choices>, not <its repr>").
template <std::size_t N>
int choice(PyObject *value, const char *const (&names)[N], const char *what, const char *choices)
{
    if (PyUnicode_Check(value))
        for (std::size_t k = 0; k < N; ++k)
            if (PyUnicode_CompareWithASCIIString(value, names[k]) == 0)
                return static_cast<int>(k);
    if (!PyErr_Occurred())
        PyErr_Format(PyExc_ValueError, "%s must be %s, not %R", what, choices, value);
    return -1;
}

// The locale of its name (English, Persian, Dari or Pashto) and whether
// digits are Persian: false with a ValueError set for a name not known.
bool read_locale(PyObject *locale_name, PyObject *digits_name, text::locale &l, bool &persian)
{
    static const char *const locales[] = {"en", "fa", "fa-AF", "ps"};  // in the order of text::locale
    static const char *const digits[] = {"latin", "persian"};
    const int k = choice(locale_name, locales, "locale", "\"en\", \"fa\", \"fa-AF\" or \"ps\"");
    const int d = k < 0 ? -1 : choice(digits_name, digits, "digits", "\"latin\" or \"persian\"");
    if (d < 0)
        return false;
    l = static_cast<text::locale>(k);
    persian = d == 1;
    return true;
}

// Refuses a format to read by, which compile_format() read into `p`, where it holds a "%"
// that begins no directive or names no year: false with a ValueError set.
bool readable(PyObject *format, const text::pattern &p)
{
    if (p.stray_length != 0) {
        // as a str of its own, not a std::string, which would ask for the C++ runtime
        const std::string_view stray = p.stray();
        const owned<PyObject> text{PyUnicode_DecodeUTF8(stray.data(), static_cast<Py_ssize_t>(stray.size()), "replace")};
        if (text)
            PyErr_Format(PyExc_ValueError, "the format %R holds '%U', which is no directive (a percent sign is '%%%%')",
                         format, text.get());
        return false;
    }
    if (!p.year) {
        PyErr_Format(PyExc_ValueError, "the format %R names no year: it needs %%Y or %%y", format);
        return false;
    }
    return true;
}

PyDoc_STRVAR(format_doc,
             "_jalali_format(format)\n--\n\n"
             "What a strftime-style format holds, as the text routines read it: a dict of time (a time of day), "
             "offset (%z), zone_name (%Z), names (of months, weekdays or halves of the day), year (%Y or %y), "
             "date_separator (the separator of a format that is exactly %Y?%m?%d, or None) and stray (the first "
             "'%' that begins no directive, with what follows it, or None).");

PyObject *jalali_format(PyObject *, PyObject *format)
{
    compiled f;
    if (!compile_format(format, f))
        return nullptr;
    const text::pattern &p = f.pattern;
    owned<> separator(p.date_separator == 0 ? nullptr : PyUnicode_FromStringAndSize(&p.date_separator, 1));
    owned<> stray(p.stray_length == 0 ? nullptr : PyUnicode_DecodeUTF8(p.stray().data(), p.stray_length, "replace"));
    if ((!separator && p.date_separator != 0) || (!stray && p.stray_length != 0))
        return nullptr;
    return Py_BuildValue("{sOsOsOsOsOsOsO}", "time", p.time ? Py_True : Py_False, "offset",
                         p.offset ? Py_True : Py_False, "zone_name", p.zone_name ? Py_True : Py_False, "names",
                         p.names ? Py_True : Py_False, "year", p.year ? Py_True : Py_False, "date_separator",
                         separator ? separator.get() : Py_None, "stray", stray ? stray.get() : Py_None);
}

// The time zones of a column's values, where they have one: each value's
// offset from UTC and the index of its zone's name, and the names (at most
// 256, of at most 64 bytes each, held by the caller's tuple for the call).
struct zones {
    owned<PyArrayObject> offsets, codes;
    std::string_view names[256];
    std::int32_t count = 0;
    std::size_t longest = 0;  // the bytes of the longest name

    // False with an exception set where they do not fit the n values.
    bool read(PyObject *offsets_east, PyObject *codes_object, PyObject *names_tuple, npy_intp n)
    {
        if (offsets_east == Py_None)
            return true;
        const Py_ssize_t given = names_tuple == nullptr ? 0 : PyTuple_GET_SIZE(names_tuple);
        if (!offsets.take(contiguous(offsets_east, NPY_INT32)) || !codes.take(contiguous(codes_object, NPY_INT32))
            || PyArray_DIM(offsets.get(), 0) != n || PyArray_DIM(codes.get(), 0) != n || given > 256) {
            if (!PyErr_Occurred())
                PyErr_SetString(PyExc_ValueError, "one UTC offset and zone code a value, and at most 256 zones");
            return false;
        }
        for (Py_ssize_t k = 0; k < given; ++k) {
            PyObject *name = PyTuple_GET_ITEM(names_tuple, k);
            Py_ssize_t size = 0;
            const char *utf8 = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &size) : nullptr;
            if (utf8 == nullptr || size > 64) {
                if (!PyErr_Occurred())
                    PyErr_SetString(PyExc_ValueError, "zone names are strings of at most 64 bytes");
                return false;
            }
            names[k] = {utf8, static_cast<std::size_t>(size)};
            longest = std::max(longest, static_cast<std::size_t>(size));
        }
        count = static_cast<std::int32_t>(given);
        return true;
    }

    const std::int32_t *offsets_data() const noexcept
    {
        return offsets ? static_cast<const std::int32_t *>(PyArray_DATA(offsets.get())) : nullptr;
    }
    const std::int32_t *codes_data() const noexcept
    {
        return codes ? static_cast<const std::int32_t *>(PyArray_DATA(codes.get())) : nullptr;
    }
};

// The arrays that n rows of at most `width` bytes are written into: Arrow's
// offsets and data, or (fixed) data alone, a slot of `width` bytes a row.
struct written_text {
    owned<> offsets, data;

    // False with an exception set where they cannot be had.
    bool make(npy_intp n, std::size_t width, bool fixed)
    {
        if (width != 0 && n > NPY_MAX_INTP / static_cast<npy_intp>(width)) {
            PyErr_NoMemory();
            return false;
        }
        npy_intp bytes = n * static_cast<npy_intp>(width), count = n + 1;
        if (!fixed) {
            if (!offsets.take(PyArray_SimpleNew(1, &count, NPY_INT64)))
                return false;
            starts()[0] = 0;
        }
        return data.take(PyArray_SimpleNew(1, &bytes, NPY_UINT8));
    }

    std::int64_t *starts() const noexcept
    {
        return offsets ? static_cast<std::int64_t *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(offsets.get())))
                       : nullptr;
    }
    char *bytes() const noexcept
    {
        return static_cast<char *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(data.get())));
    }
};

PyDoc_STRVAR(strftime_doc,
             "_jalali_strftime(values, per_day, calendar, format, locale, digits, validity=None, offset=0, "
             "utc_offsets=None, zone_codes=None, zone_names=(), fixed=False)\n--\n\n"
             "The Jalali dates and times of a column of datetimes written by a strftime-style format: "
             "(offsets, data, mask), Arrow's int64 offsets and UTF-8 data of the strings (data up to offsets[-1]), "
             "and the mask of the missing values (None where none is), whose strings are empty; or, with fixed, (None, data, mask, "
             "width), every string in a slot of width bytes, NUL-padded.");

PyObject *jalali_strftime(PyObject *, PyObject *args, PyObject *kwargs)
{
    static const char *keywords[] = {"values",   "per_day",     "calendar",   "format",     "locale",
                                     "digits",   "validity",    "offset",     "utc_offsets", "zone_codes",
                                     "zone_names", "fixed",     nullptr};
    PyObject *values, *format, *locale_name, *digits_name, *validity = Py_None, *offsets_east = Py_None;
    PyObject *codes = Py_None, *names = nullptr;
    long long per_day;
    const char *calendar_name;
    Py_ssize_t offset = 0;
    int fixed = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OLsOOO|OnOOO!p", const_cast<char **>(keywords), &values, &per_day,
                                     &calendar_name, &format, &locale_name, &digits_name, &validity, &offset,
                                     &offsets_east, &codes, &PyTuple_Type, &names, &fixed))
        return nullptr;
    const int astronomical = read_calendar(calendar_name);
    text::locale l = text::locale::en;
    bool persian = false;
    column_arguments a;
    compiled f;
    zones z;
    if (astronomical < 0 || !read_locale(locale_name, digits_name, l, persian)
        || !read_column(values, per_day, validity, offset, a) || !compile_format(format, f)
        || !z.read(offsets_east, codes, names, a.c.length))
        return nullptr;
    const std::size_t width = text::longest(f.pattern, l, persian, z.longest);
    written_text out;
    if (!out.make(a.c.length, width, fixed))
        return nullptr;
    const format_pass pass{&f.pattern,     f.pattern.time, l,       persian,     z.offsets_data(), z.codes_data(),
                           z.names,        z.count,        width,   out.starts(), out.bytes()};
    PyObject *missing = run_without_gil(a.c, astronomical, pass);
    if (missing == nullptr)
        return nullptr;
    if (fixed)
        return Py_BuildValue("(ONNn)", Py_None, out.data.release(), missing, static_cast<Py_ssize_t>(width));
    // the data as it is, longer than what was written (up to offsets[n]): shrinking it might copy it
    return Py_BuildValue("(NNN)", out.offsets.release(), out.data.release(), missing);
}

// Reading -------------------------------------------------------------------

// The rows of a column of text, each as UTF-8 bytes, or missing.
struct utf8_rows {
    const void *offsets;  // int32 or int64, n + 1 of them
    bool wide;            // int64 offsets
    const char *data;
    std::size_t data_size;
    const npy_bool *mask;  // true where missing, or null
    const std::uint8_t *validity;
    npy_intp bit_offset;

    // Row i: false where it is missing or its offsets are not within the data.
    bool row(npy_intp i, const char *&text, std::size_t &length) const noexcept
    {
        if ((mask != nullptr && mask[i]) || (validity != nullptr && !(validity[(bit_offset + i) >> 3] >> ((bit_offset + i) & 7) & 1)))
            return false;
        const std::int64_t first = wide ? static_cast<const std::int64_t *>(offsets)[i] : static_cast<const std::int32_t *>(offsets)[i];
        const std::int64_t last = wide ? static_cast<const std::int64_t *>(offsets)[i + 1] : static_cast<const std::int32_t *>(offsets)[i + 1];
        if (first < 0 || last < first || static_cast<std::uint64_t>(last) > data_size)
            return false;
        text = data + first;
        length = static_cast<std::size_t>(last - first);
        return true;
    }
};

// The rows of a NumPy array of fixed-width Unicode (UCS4), each turned into
// UTF-8 in a buffer of the reader's own, one at a time.
struct ucs4_rows {
    const std::uint32_t *data;
    npy_intp width;  // code points a row
    const npy_bool *mask;
    mutable char buffer[4 * 256];

    bool row(npy_intp i, const char *&text, std::size_t &length) const noexcept
    {
        if (mask != nullptr && mask[i])
            return false;
        const std::uint32_t *at = data + i * width;
        npy_intp first = 0, end = width;
        // the readers' spaces taken off here as well, so that padding counts for nothing against the buffer
        while (end > 0 && (at[end - 1] == 0 || text::is_space(at[end - 1])))
            --end;
        while (first < end && text::is_space(at[first]))
            ++first;
        char *out = buffer;
        for (npy_intp k = first; k < end; ++k) {
            if (out + 4 > buffer + sizeof buffer) {  // longer than any date: refused as such
                text = "\xFF";
                length = 1;
                return true;
            }
            const std::uint32_t u = at[k];
            if (u < 0x80) {
                *out++ = static_cast<char>(u);
            } else if (u < 0x800) {
                *out++ = static_cast<char>(0xC0 | u >> 6);
                *out++ = static_cast<char>(0x80 | (u & 0x3F));
            } else if (u < 0x10000) {
                *out++ = static_cast<char>(0xE0 | u >> 12);
                *out++ = static_cast<char>(0x80 | (u >> 6 & 0x3F));
                *out++ = static_cast<char>(0x80 | (u & 0x3F));
            } else {
                const std::uint32_t v = u < 0x110000 ? u : 0xFFFD;
                *out++ = static_cast<char>(0xF0 | v >> 18);
                *out++ = static_cast<char>(0x80 | (v >> 12 & 0x3F));
                *out++ = static_cast<char>(0x80 | (v >> 6 & 0x3F));
                *out++ = static_cast<char>(0x80 | (v & 0x3F));
            }
        }
        text = buffer;
        length = static_cast<std::size_t>(out - buffer);
        return true;
    }
};

struct read_failure {
    npy_intp at = -1;
    text::verdict verdict = text::verdict::ok;
    status calendar = status::ok;
    bool range = false;  // outside the unit's range
};

// The ticks of the unit that a column of text is read into, worked out once
// for the column: a division a row would take as long as reading the row.
struct unit {
    std::int64_t per_day, per_second, nanoseconds_per_tick;
    explicit unit(std::int64_t per_day_) noexcept
        : per_day(per_day_), per_second(per_day_ / 86400), nanoseconds_per_tick(1000000000 / per_second)
    {
    }
};

// The ticks of what a row says, in calendar C.
template <typename C>
bool ticks_of_reading(const text::reading &r, const unit &u, bool local, std::int64_t &ticks,
                      read_failure &why) noexcept
{
    std::int64_t first = 0;
    bool leap = false;
    const status s = calendar::fits_int32(r.year) ? C::year(static_cast<std::int32_t>(r.year), first, leap)
                                                  : status::out_of_range;
    if (s != status::ok) {
        why.calendar = s;
        return false;
    }
    const bool by_month = r.day_of_year == 0;
    if (by_month ? r.day > calendar::jalali_month_days(r.month, leap) : r.day_of_year > 365 + leap) {
        why.verdict = text::verdict::bad_day;
        return false;
    }
    const std::int64_t number = first + (by_month ? calendar::jalali_month_offset(r.month) + r.day : r.day_of_year) - 1;
    const std::int64_t seconds = r.hour * 3600 + r.minute * 60 + r.second - (r.zoned && !local ? r.offset : 0);
    const std::int64_t time = seconds * u.per_second + (r.nanosecond != 0 ? r.nanosecond / u.nanoseconds_per_tick : 0);
    if (!ticks_of(number - epoch_number, time, u.per_day, ticks)) {
        why.range = true;
        return false;
    }
    return true;
}

// Reads every row into `out` (ticks, NaT where missing or, coerced, refused):
// false, with `failed` set, at the first row refused where not coerced.
// `zoned` tells whether the rows gave offsets from UTC.
template <typename C, typename Rows>
bool read_rows(const Rows &rows, npy_intp n, const text::pattern *p, std::int64_t per_day, bool local, bool coerce,
               std::int64_t *out, read_failure &failed) noexcept
{
    constexpr std::int64_t nat = std::numeric_limits<std::int64_t>::min();
    const unit u(per_day);
    text::reading r;  // each reader sets every field
    for (npy_intp i = 0; i < n; ++i) {
        const char *bytes = nullptr;
        std::size_t length = 0;
        out[i] = nat;
        if (!rows.row(i, bytes, length))
            continue;
        read_failure why;
        why.verdict = p == nullptr ? text::read_default(bytes, length, r) : text::read_formatted(*p, bytes, length, r);
        if (why.verdict == text::verdict::empty)
            continue;
        if (why.verdict == text::verdict::ok && ticks_of_reading<C>(r, u, local, out[i], why))
            continue;
        out[i] = nat;
        if (!coerce) {
            why.at = i;
            failed = why;
            return false;
        }
    }
    return true;
}

template <typename Rows>
bool read_all(const Rows &rows, npy_intp n, bool astronomical, const text::pattern *p, std::int64_t per_day,
              bool local, bool coerce, std::int64_t *out, read_failure &failed) noexcept
{
    return astronomical ? read_rows<calendar::astronomical_calendar>(rows, n, p, per_day, local, coerce, out, failed)
                        : read_rows<calendar::arithmetic_calendar>(rows, n, p, per_day, local, coerce, out, failed);
}

// How an error message quotes a value: its repr, cut after 60 characters (for text, the repr of
// its first 60, then "…" and its length), so that a long cell makes a message one can read.
PyObject *quoted(PyObject *value)
{
    constexpr Py_ssize_t most = 60;
    if (PyUnicode_Check(value) && PyUnicode_GET_LENGTH(value) > most) {
        PyObject *head = PyUnicode_Substring(value, 0, most);
        PyObject *shown = head == nullptr ? nullptr
                                          : PyUnicode_FromFormat("%R%s (%zd characters)", head, "\u2026",
                                                                               PyUnicode_GET_LENGTH(value));
        Py_XDECREF(head);
        return shown;
    }
    PyObject *repr = PyObject_Repr(value);
    if (repr == nullptr || PyUnicode_Check(value) || PyUnicode_GET_LENGTH(repr) <= most)
        return repr;
    PyObject *head = PyUnicode_Substring(repr, 0, most);
    Py_DECREF(repr);
    PyObject *shown = head == nullptr ? nullptr : PyUnicode_FromFormat("%U%s", head, "\u2026");
    Py_XDECREF(head);
    return shown;
}

// "the <what> at position <at>, <value quoted>, ": the beginning of every message about one row.
PyObject *naming_row(const char *what, npy_intp at, PyObject *value)
{
    PyObject *shown = quoted(value);
    if (shown == nullptr)
        return nullptr;
    PyObject *named = PyUnicode_FromFormat("the %s at position %zd, %U, ", what, static_cast<Py_ssize_t>(at), shown);
    Py_DECREF(shown);
    return named;
}

// Raises the ValueError of a refused row, naming its position and its text.
PyObject *raise_refusal(const read_failure &f, PyObject *row_text, const char *format, std::int64_t per_day)
{
    using text::verdict;
    const char *unit = per_day == 86400 ? "s" : per_day == 86400000 ? "ms" : per_day == 86400000000 ? "us" : "ns";
    char reason[64 + text::format_limit];
    if (f.range)
        std::snprintf(reason, sizeof reason, "is outside the range of datetime64[%s]", unit);
    else if (f.calendar == status::outside_years)
        std::snprintf(reason, sizeof reason, "is of a year outside the years of the astronomical Jalali calendar, %d to %d",
                      calendar::astronomical_first_year, calendar::astronomical_last_year);
    else if (f.calendar != status::ok)
        std::snprintf(reason, sizeof reason, "is of a year out of range");
    else if (f.verdict == verdict::bad_month)
        std::snprintf(reason, sizeof reason, "has a month outside 1 to 12");
    else if (f.verdict == verdict::bad_day)
        std::snprintf(reason, sizeof reason, "has a day beyond its month or year");
    else if (f.verdict == verdict::bad_time)
        std::snprintf(reason, sizeof reason, "has a time of day or an offset out of range");
    else if (format != nullptr)
        std::snprintf(reason, sizeof reason, "does not match the format '%s'", format);
    else
        std::snprintf(reason, sizeof reason, "is not a date YYYY/MM/DD, YYYY-MM-DD or YYYYMMDD (with a time HH:MM[:SS])");
    PyObject *named = naming_row("text", f.at, row_text);
    if (named != nullptr)
        PyErr_Format(PyExc_ValueError, "%U%s", named, reason);
    Py_XDECREF(named);
    return nullptr;
}

// The sources of a column's rows, one for each kind of column: each holds
// what it reads, and gives the view of its rows that the reading loop takes
// without the GIL, their count, and the text of row i as a Python string,
// for a message.  Each opens from the arguments of the reading (false with an
// exception set where they do not fit).
struct read_arguments;

// Arrow's buffers of a string or large_string array: a tuple (offsets, data,
// validity or None, offset of the first bit), read where they are.
class arrow_text {
public:
    bool open(const read_arguments &a);
    npy_intp length() const noexcept { return n_; }
    const utf8_rows &rows() const noexcept { return rows_; }
    PyObject *text_of(npy_intp i) const
    {
        const char *bytes = "";
        std::size_t size = 0;
        rows_.row(i, bytes, size);  // a row refused is one that was read
        return PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(size), "replace");
    }

private:
    owned<PyArrayObject> offsets_, data_, validity_;
    npy_intp n_ = 0;
    utf8_rows rows_{};
};

// A NumPy array of fixed-width Unicode, read where it is.
class unicode_text {
public:
    bool open(const read_arguments &a);
    npy_intp length() const noexcept { return n_; }
    const ucs4_rows &rows() const noexcept { return rows_; }
    PyObject *text_of(npy_intp i) const
    {
        const std::uint32_t *at = rows_.data + i * rows_.width;
        npy_intp count = rows_.width;
        while (count > 0 && at[count - 1] == 0)
            --count;
        return PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, at, count);
    }

private:
    owned<PyArrayObject> array_;
    npy_intp n_ = 0;
    ucs4_rows rows_{};
};

// Python strings, made into Arrow's buffers here, under the GIL: their sizes,
// then their bytes.  A cell that is not text is refused, or with coerce read
// as an empty row (NaT); a lone surrogate is a byte that no text holds.
class python_text {
public:
    bool open(const read_arguments &a);
    npy_intp length() const noexcept { return n_; }
    const utf8_rows &rows() const noexcept { return rows_; }
    PyObject *text_of(npy_intp i) const
    {
        PyObject *item = items()[i];
        Py_INCREF(item);
        return item;
    }

private:
    PyObject *const *items() const noexcept { return static_cast<PyObject *const *>(PyArray_DATA(items_.get())); }
    bool measure(const npy_bool *gone, bool coerce, std::int64_t *starts, npy_intp &total) const;
    void copy(const npy_bool *gone, const std::int64_t *starts, char *bytes) const;

    owned<PyArrayObject> items_;
    owned<> offsets_, data_;
    npy_intp n_ = 0;
    utf8_rows rows_{};
};

// The arguments of a reading, checked.
struct read_arguments {
    PyObject *strings = nullptr;  // borrowed
    std::int64_t per_day = 0;
    bool astronomical = false, coerce = false, local = false;
    bool formatted = false;  // else each text read by the default forms
    compiled format;
    owned<PyArrayObject> mask;  // true where a row is missing, or none

    const text::pattern *pattern() const noexcept { return formatted ? &format.pattern : nullptr; }
    const char *format_text() const noexcept { return formatted ? format.text() : nullptr; }
    // The mask, where it is as long as the n rows: null where none is given,
    // or, with a ValueError set, `refused`.
    const npy_bool *mask_of(npy_intp n, bool &refused) const
    {
        refused = mask && PyArray_DIM(mask.get(), 0) != n;
        if (refused)
            PyErr_SetString(PyExc_ValueError, "the mask must be as long as the strings");
        return mask && !refused ? static_cast<const npy_bool *>(PyArray_DATA(mask.get())) : nullptr;
    }
};

bool arrow_text::open(const read_arguments &a)
{
    PyObject *offsets_object, *data_object, *validity_object;
    Py_ssize_t bit_offset = 0;
    if (!PyArg_ParseTuple(a.strings, "OOOn", &offsets_object, &data_object, &validity_object, &bit_offset))
        return false;
    const bool wide = PyArray_Check(offsets_object)
                   && PyArray_TYPE(reinterpret_cast<PyArrayObject *>(offsets_object)) == NPY_INT64;
    if (!offsets_.take(contiguous(offsets_object, wide ? NPY_INT64 : NPY_INT32))
        || !data_.take(contiguous(data_object, NPY_UINT8))
        || (validity_object != Py_None && !validity_.take(contiguous(validity_object, NPY_UINT8))))
        return false;
    n_ = PyArray_DIM(offsets_.get(), 0) - 1;
    if (n_ < 0 || bit_offset < 0 || (validity_ && (bit_offset + n_ + 7) / 8 > PyArray_DIM(validity_.get(), 0))) {
        PyErr_SetString(PyExc_ValueError, "the offsets or the validity bitmap do not fit the strings");
        return false;
    }
    bool refused = false;
    const npy_bool *mask = a.mask_of(n_, refused);
    rows_ = {PyArray_DATA(offsets_.get()), wide, static_cast<const char *>(PyArray_DATA(data_.get())),
             static_cast<std::size_t>(PyArray_DIM(data_.get(), 0)), mask,
             validity_ ? static_cast<const std::uint8_t *>(PyArray_DATA(validity_.get())) : nullptr, bit_offset};
    return !refused;
}

bool unicode_text::open(const read_arguments &a)
{
    if (!array_.take(reinterpret_cast<PyArrayObject *>(
            PyArray_FromAny(a.strings, nullptr, 1, 1, NPY_ARRAY_CARRAY_RO | NPY_ARRAY_NOTSWAPPED, nullptr))))
        return false;
    n_ = PyArray_DIM(array_.get(), 0);
    bool refused = false;
    rows_.data = static_cast<const std::uint32_t *>(PyArray_DATA(array_.get()));
    rows_.width = PyArray_ITEMSIZE(array_.get()) / 4;
    rows_.mask = a.mask_of(n_, refused);
    return !refused;
}

// The offsets of the rows' UTF-8 bytes, from 0 (starts[n] is for the caller
// to set to `total`): false with a TypeError set at a cell that is not text.
bool python_text::measure(const npy_bool *gone, bool coerce, std::int64_t *starts, npy_intp &total) const
{
    total = 0;
    for (npy_intp i = 0; i < n_; ++i) {
        starts[i] = total;
        if (gone != nullptr && gone[i])
            continue;
        PyObject *item = items()[i];
        if (!PyUnicode_Check(item)) {
            if (coerce)  // no date, as text that names none: an empty row, read as NaT
                continue;
            if (owned<> named{naming_row("value", i, item)})
                PyErr_Format(PyExc_TypeError, "%Uis not text", named.get());
            return false;
        }
        Py_ssize_t size = 0;
        if (PyUnicode_AsUTF8AndSize(item, &size) == nullptr) {  // a lone surrogate: no date
            PyErr_Clear();
            size = 1;
        }
        total += size;
    }
    return true;
}

void python_text::copy(const npy_bool *gone, const std::int64_t *starts, char *bytes) const
{
    for (npy_intp i = 0; i < n_; ++i) {
        PyObject *item = items()[i];
        if ((gone != nullptr && gone[i]) || !PyUnicode_Check(item))
            continue;
        Py_ssize_t size = 0;
        const char *utf8 = PyUnicode_AsUTF8AndSize(item, &size);  // cached by measure()
        if (utf8 == nullptr) {
            PyErr_Clear();
            utf8 = "\xFF";  // what measure() counted, refused as no text is
            size = 1;
        }
        std::memcpy(bytes + starts[i], utf8, static_cast<std::size_t>(size));
    }
}

bool python_text::open(const read_arguments &a)
{
    if (!items_.take(reinterpret_cast<PyArrayObject *>(
            PyArray_FromAny(a.strings, PyArray_DescrFromType(NPY_OBJECT), 1, 1, NPY_ARRAY_CARRAY_RO, nullptr))))
        return false;
    n_ = PyArray_DIM(items_.get(), 0);
    bool refused = false;
    const npy_bool *gone = a.mask_of(n_, refused);
    npy_intp count = n_ + 1, total = 0;
    if (refused || !offsets_.take(PyArray_SimpleNew(1, &count, NPY_INT64)))
        return false;
    auto *starts = static_cast<std::int64_t *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(offsets_.get())));
    if (!measure(gone, a.coerce, starts, total) || !data_.take(PyArray_SimpleNew(1, &total, NPY_UINT8)))
        return false;
    starts[n_] = total;
    char *bytes = static_cast<char *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(data_.get())));
    copy(gone, starts, bytes);
    rows_ = {starts, true, bytes, static_cast<std::size_t>(total), gone, nullptr, 0};
    return true;
}

// The format to read by: none for pandas' "mixed" (each text by its own
// form, as without a format); refused for "ISO8601", which names no form of
// Jalali text, and where it holds a stray "%" or names no year.
bool read_format(PyObject *format, read_arguments &a)
{
    if (format != Py_None && PyUnicode_Check(format) && PyUnicode_CompareWithASCIIString(format, "mixed") == 0)
        format = Py_None;
    if (format != Py_None && PyUnicode_Check(format) && PyUnicode_CompareWithASCIIString(format, "ISO8601") == 0) {
        PyErr_SetString(PyExc_ValueError,
                        "format='ISO8601' names no form of Jalali text: without a format, YYYY-MM-DD is read "
                        "with a time HH:MM[:SS[.fraction]] after a space or a T; for an offset, give a format "
                        "such as '%Y-%m-%dT%H:%M:%S%z'");
        return false;
    }
    a.formatted = format != Py_None;
    return !a.formatted || (compile_format(format, a.format) && readable(format, a.format.pattern));
}

bool parse_read_arguments(PyObject *args, PyObject *kwargs, read_arguments &a)
{
    static const char *keywords[] = {"strings", "per_day", "calendar", "format", "errors", "mask", "local", nullptr};
    static const char *const errors_names[] = {"raise", "coerce"};
    PyObject *format = Py_None, *errors = nullptr, *mask = Py_None;
    long long per_day;
    const char *calendar_name;
    int local = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OLs|OOOp", const_cast<char **>(keywords), &a.strings, &per_day,
                                     &calendar_name, &format, &errors, &mask, &local))
        return false;
    const int astronomical = read_calendar(calendar_name);
    if (astronomical < 0)
        return false;
    if (per_day != 86400 && per_day != 86400000 && per_day != 86400000000 && per_day != 86400000000000) {
        PyErr_SetString(PyExc_ValueError, "the unit must be s, ms, us or ns");
        return false;
    }
    const int coerce = errors == nullptr ? 0 : choice(errors, errors_names, "errors", "\"raise\" or \"coerce\"");
    if (coerce < 0 || !read_format(format, a))
        return false;
    if (mask != Py_None && !a.mask.take(contiguous(mask, NPY_BOOL)))
        return false;
    a.per_day = per_day;
    a.astronomical = astronomical != 0;
    a.coerce = coerce == 1;
    a.local = local != 0;
    return true;
}

// Reads every row of a source into datetimes: (ticks, zoned), or null with
// the exception of the first row refused.
template <typename Source>
PyObject *read_text(const read_arguments &a)
{
    Source source;
    if (!source.open(a))
        return nullptr;
    npy_intp n = source.length();
    owned<> ticks(PyArray_SimpleNew(1, &n, NPY_INT64));
    if (!ticks)
        return nullptr;
    std::int64_t *out = static_cast<std::int64_t *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(ticks.get())));
    read_failure failed;
    bool ok = false;
    Py_BEGIN_ALLOW_THREADS
    ok = read_all(source.rows(), n, a.astronomical, a.pattern(), a.per_day, a.local, a.coerce, out, failed);
    Py_END_ALLOW_THREADS
    if (!ok) {
        const owned<> row_text(source.text_of(failed.at));
        return row_text ? raise_refusal(failed, row_text.get(), a.format_text(), a.per_day) : nullptr;
    }
    const text::pattern *p = a.pattern();
    const bool zoned = !a.local && p != nullptr && (p->offset || p->zone_name);
    return Py_BuildValue("(NO)", ticks.release(), zoned ? Py_True : Py_False);
}

PyDoc_STRVAR(strptime_doc,
             "_jalali_strptime(strings, per_day, calendar, format=None, errors='raise', mask=None, local=False)\n--\n\n"
             "The datetimes (int64 ticks, per_day a day, NaT where missing) of a column of Jalali dates as text: "
             "strings is a tuple (offsets, data, validity, offset) of Arrow's buffers, a NumPy array of fixed-width "
             "Unicode, or one of Python strings (with mask, true where a value is missing).  Returns the ticks and "
             "whether the text gave offsets from UTC, in which case the ticks are UTC (with local, the text's own "
             "wall-clock time, its offset left aside).");

PyObject *jalali_strptime(PyObject *, PyObject *args, PyObject *kwargs)
{
    read_arguments a;
    if (!parse_read_arguments(args, kwargs, a))
        return nullptr;
    if (PyTuple_Check(a.strings))
        return read_text<arrow_text>(a);
    if (PyArray_Check(a.strings) && PyArray_TYPE(reinterpret_cast<PyArrayObject *>(a.strings)) == NPY_UNICODE)
        return read_text<unicode_text>(a);
    return read_text<python_text>(a);
}

PyMethodDef text_methods[] = {
    {"_jalali_strftime", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(jalali_strftime)),
     METH_VARARGS | METH_KEYWORDS, strftime_doc},
    {"_jalali_format", jalali_format, METH_O, format_doc},
    {"_jalali_strptime", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(jalali_strptime)),
     METH_VARARGS | METH_KEYWORDS, strptime_doc},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

int add_text(PyObject *module)
{
    return PyModule_AddFunctions(module, text_methods);
}
