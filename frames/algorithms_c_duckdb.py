"""Jalali dates in DuckDB's SQL: ``algorithms_c_duckdb.register(con)`` makes ``jalali_year``,
``jalali_trunc``, ``jalali_strftime``, ``jalali_strptime`` and the rest callable in a connection.

Each function is a DuckDB macro, overloaded on the type and the number of its arguments, over
Arrow functions of fixed signatures: DuckDB hands each batch of rows over as Arrow buffers, which
the native column passes of algorithms_c_numpy read where they are. The functions take DATE,
TIMESTAMP of every precision (TIMESTAMP_S, TIMESTAMP_MS, TIMESTAMP, TIMESTAMP_NS) and
TIMESTAMPTZ, which they read as its wall-clock time in the connection's ``TimeZone``, as DuckDB's
own ``year()`` reads it. NULL in gives NULL out; a value that names no date raises DuckDB's error
naming the function and the value.
"""

import functools
import re
from typing import Callable, List, Optional, Tuple

try:
    import duckdb
    import numpy as np
    import pyarrow as pa
    import pyarrow.compute as pc
except ImportError as error:  # pragma: no cover - exercised where duckdb is missing
    raise ImportError(f'algorithms_c_duckdb needs DuckDB 1.4 or later, pyarrow and NumPy ({error}): '
                      f'pip install "algorithms-c[duckdb]"') from error

import _algorithms_c_frames as _frames

# the macros are overloaded on the types of their parameters, which DuckDB parses from 1.4 on
if tuple(int(part) for part in re.findall(r"\d+", duckdb.__version__)[:2]) < (1, 4):
    raise ImportError(f'algorithms_c_duckdb needs DuckDB 1.4 or later, not {duckdb.__version__}: '
                      f'pip install "algorithms-c[duckdb]"')

__all__ = ["register"]

# The fields, by the names that follow DuckDB's own (year, dayofyear, dayofweek ...), and the
# accessors' names for them.
FIELDS = {
    "year": "year", "month": "month", "day": "day", "dayofyear": "day_of_year", "dayofweek": "day_of_week",
    "week": "week_of_year", "quarter": "quarter", "days_in_month": "days_in_month",
    "days_in_year": "days_in_year", "is_leap_year": "is_leap_year",
}
# The SQL types of datetimes that the functions take, each to a function of its own: a cast
# between precisions rounds, and would move a value across midnight.
KINDS = ("DATE", "TIMESTAMP_S", "TIMESTAMP_MS", "TIMESTAMP", "TIMESTAMP_NS")
# The names that register() creates, without the prefix.
FUNCTIONS = tuple(f"jalali_{name}" for name in FIELDS) + (
    "jalali_trunc", "jalali_add_months", "jalali_add_years", "jalali_strftime", "jalali_strptime",
    "try_jalali_strptime", "make_jalali_date", "jalali_calendar")

ARROW_KINDS = {"DATE": pa.date32(), "TIMESTAMP_S": pa.timestamp("s"), "TIMESTAMP_MS": pa.timestamp("ms"),
               "TIMESTAMP": pa.timestamp("us"), "TIMESTAMP_NS": pa.timestamp("ns")}
NAT = np.iinfo(np.int64).min
INT32 = np.iinfo(np.int32)


# Arrow arrays of the native passes' results.
def _validity(missing) -> Optional["pa.Buffer"]:
    if missing is None:
        return None
    missing = np.asarray(missing)
    if missing.dtype == bool:
        return None if not missing.any() else pa.py_buffer(np.packbits(~missing, bitorder="little"))
    return pa.py_buffer(missing)  # already an Arrow validity bitmap


def _array(values: np.ndarray, missing=None) -> "pa.Array":
    """An int32 or bool array as Arrow's, from its buffers."""
    if values.dtype == bool:
        kind, data = pa.bool_(), pa.py_buffer(np.packbits(values, bitorder="little"))
    else:
        kind, data = pa.from_numpy_dtype(values.dtype), pa.py_buffer(values)
    return pa.Array.from_buffers(kind, len(values), [_validity(missing), data])


def _datetimes(ticks: np.ndarray, kind: "pa.DataType") -> "pa.Array":
    """Ticks of the column's unit (days for a DATE), NaT where missing, as an array of `kind`."""
    missing = ticks == NAT
    if missing.any():
        ticks = np.where(missing, 0, ticks)
    else:
        missing = None
    if kind == pa.date32():
        if len(ticks) and (ticks.min() < INT32.min or ticks.max() > INT32.max):
            row = int(np.argmax((ticks < INT32.min) | (ticks > INT32.max)))
            raise OverflowError(f"{ticks[row]} days from 1970-01-01 is outside the range of DATE")
        ticks = ticks.astype(np.int32)
    return pa.Array.from_buffers(kind, len(ticks), [_validity(missing), pa.py_buffer(ticks)])


def _one(array) -> "pa.Array":
    return _frames.one_array(array)


def _constant(column) -> bool:
    """Whether every row of a column of one batch holds one value, as each does that is a
    constant of the query (which DuckDB hands over repeated): from the buffers, without the cost
    of a hash of every row."""
    if len(column) < 2:
        return True
    if column.null_count:
        return column.null_count == len(column)
    kind = column.type
    if pa.types.is_integer(kind):
        values = column.to_numpy()
        return bool(values.min() == values.max())
    if not (pa.types.is_string(kind) or pa.types.is_large_string(kind)):
        return len(pc.unique(column)) == 1
    _, offsets, data = column.buffers()
    offsets = np.frombuffer(offsets, np.int64 if pa.types.is_large_string(kind) else np.int32, len(column) + 1,
                            column.offset * (8 if pa.types.is_large_string(kind) else 4))
    first, width = int(offsets[0]), int(offsets[1] - offsets[0])
    if offsets[-1] - first != width * len(column):
        return False
    if not np.array_equal(offsets, first + width * np.arange(len(offsets), dtype=offsets.dtype)):
        return False
    if width == 0:
        return True
    # the bytes of every row against those of the first, repeated: one comparison of memory
    text = np.frombuffer(data, np.uint8, width * len(column), first).tobytes()
    return text == text[:width] * len(column)


def _constant_groups(*columns) -> List[Tuple[tuple, Optional[np.ndarray]]]:
    """The distinct rows of some columns of one batch (formats, options), each with the
    positions that hold it, or None where one row is every row, as it is where each column is a
    constant of the query."""
    columns = [_one(c) for c in columns]
    if all(_constant(c) for c in columns):
        return [(tuple(c[0].as_py() for c in columns), None)] if len(columns[0]) else []
    # each row's values numbered within their column (0 for NULL), and the numbers of a row made
    # one: a batch holds 2,048 rows, and so each column fewer than 2,049 values
    combined = np.zeros(len(columns[0]), np.int64)
    for column in columns:
        encoded = pc.dictionary_encode(column)
        numbers = pc.fill_null(encoded.indices, -1).to_numpy(zero_copy_only=False).astype(np.int64) + 1
        combined = combined * (len(encoded.dictionary) + 1) + numbers
    _, first, inverse, counts = np.unique(combined, return_index=True, return_inverse=True, return_counts=True)
    order = np.argsort(inverse.reshape(-1), kind="stable")
    rows = np.split(order, np.cumsum(counts)[:-1])
    return [(tuple(c[int(f)].as_py() for c in columns), r) for f, r in zip(first, rows)]


def _by_groups(length: int, groups, work: Callable, kind: "pa.DataType") -> "pa.Array":
    """`work(key, rows)` for each group of rows, put back in the order of the rows."""
    if len(groups) == 1 and groups[0][1] is None:
        return work(groups[0][0], None)
    if not groups:
        return pa.array([], kind)
    parts = [work(key, rows) for key, rows in groups]
    order = np.concatenate([rows for _, rows in groups])
    inverse = np.empty(length, np.int64)
    inverse[order] = np.arange(length)
    return pa.concat_arrays(parts).take(pa.array(inverse))


def _rows(column: _frames.Column, rows: Optional[np.ndarray]) -> _frames.Column:
    if rows is None:
        return column
    return _frames.Column(column.values[rows], column.per_day)


# What each Arrow function does with one batch of rows. DuckDB leaves NULLs out before it calls
# them (the default handling of NULLs), so every value handed over is known.
def _field_work(name: str, calendar: str):
    names = (name,)

    def work(x):
        (values,), missing = _frames.fields(_frames.arrow_column(x), calendar, names)
        return _array(values, missing)
    return work


PARTS = ("year", "quarter", "month", "week")


def _part_code(public: str) -> str:
    """SQL giving the index in PARTS of a part's name, any case, or DuckDB's error naming it: a
    constant part is folded into one integer, which is cheaper to hand over than text."""
    names = ", ".join(f"''{p}''" for p in PARTS)
    cases = " ".join(f"WHEN lower(part) = '{p}' THEN {i}" for i, p in enumerate(PARTS))
    quote = "''"  # a quote within an SQL string
    return (f"CASE WHEN part IS NULL THEN NULL::TINYINT {cases} "
            f"ELSE error('{public}: the part must be {names}, not {quote}' || part || '{quote}') END")


def _trunc_work(kind: str, calendar: str):
    arrow_kind = ARROW_KINDS[kind]

    def work(part, x):
        column = _frames.arrow_column(x)

        def one(key, rows):
            return _datetimes(_frames.period_starts(_rows(column, rows), calendar, PARTS[key[0]], False), arrow_kind)
        return _by_groups(len(column.values), _constant_groups(part), one, arrow_kind)
    return work


def _add_months_work(kind: str, calendar: str, per: int):
    arrow_kind = ARROW_KINDS[kind]

    def work(x, n):
        months = np.asarray(_one(n).to_numpy(zero_copy_only=False), np.int64)
        if per != 1:
            too_far = np.abs(months) > np.iinfo(np.int64).max // per
            if too_far.any():
                raise OverflowError(f"{months[np.argmax(too_far)]} years on from any date gives a date out of range")
            months = months * per
        return _datetimes(_frames.add_months(_frames.arrow_column(x), calendar, months), arrow_kind)
    return work


def _offset_name(seconds: int) -> str:
    """+HHMM, or +HHMMSS where the offset has seconds, for an offset in seconds east of UTC."""
    hours, rest = divmod(abs(seconds), 3600)
    name = f"{'-' if seconds < 0 else '+'}{hours:02d}{rest // 60:02d}"
    return name + f"{rest % 60:02d}" if rest % 60 else name


def _strftime_work(calendar: str, zoned: bool):
    def write(column, key, zones):
        format, locale, digits = key
        array, _ = _frames.strftime(column, calendar, format, locale, digits, zones)
        return array

    if not zoned:
        def work(x, format, locale, digits):
            column = _frames.arrow_column(x)
            return _by_groups(len(column.values), _constant_groups(format, locale, digits),
                              lambda key, rows: write(_rows(column, rows), key, None), pa.large_string())

        def work_english(x, format):  # the options' defaults: two columns fewer to hand over
            column = _frames.arrow_column(x)
            return _by_groups(len(column.values), _constant_groups(format),
                              lambda key, rows: write(_rows(column, rows), key + ("en", "latin"), None),
                              pa.large_string())
        return work, work_english

    def work_zoned(x, offset, zone, format, locale, digits):
        column = _frames.arrow_column(x)
        east = np.asarray(_one(offset).to_numpy(zero_copy_only=False), np.int32)

        def one(key, rows):
            if not _frames.writes_zone(key[0]):
                return write(_rows(column, rows), key, None)
            picked = slice(None) if rows is None else rows
            codes, names = np.zeros(len(east[picked]), np.int32), ()
            if _frames.format_facts(key[0])["zone_name"]:  # each value's own name, as its zone gives it at that instant
                instants = column.values[picked] - east[picked].astype(np.int64) * 1_000_000
                stamps = pa.array(instants, pa.timestamp("us", tz=_one(zone)[0].as_py()))
                written = pc.strftime(stamps, format="%Z")
                unique = pc.unique(written)
                codes = pc.index_in(written, value_set=unique).to_numpy().astype(np.int32)
                names = tuple(unique.to_pylist())
                # Arrow names the zone from its own zone data; where they give that instant another
                # offset than DuckDB's (older or newer data), the name would contradict %z: name the
                # offset itself there, as zone data do for a zone without abbreviations
                local = pc.local_timestamp(stamps).cast(pa.int64()).to_numpy(zero_copy_only=False)
                astray = local - instants != east[picked].astype(np.int64) * 1_000_000
                if astray.any():
                    offsets, which = np.unique(east[picked][astray], return_inverse=True)
                    codes[astray] = len(names) + which.astype(np.int32)
                    names += tuple(_offset_name(int(seconds)) for seconds in offsets)
            return write(_rows(column, rows), key, _frames.Zones(east[picked], codes, names))
        return _by_groups(len(column.values), _constant_groups(format, locale, digits), one, pa.large_string())
    return work_zoned


def _strptime_work(calendar: str, errors: str, formatted: bool):
    kind = pa.timestamp("us")

    def read(text, format):
        ticks, _ = _frames.strptime(text, calendar, format, errors, "us")
        return _datetimes(ticks, kind)

    if not formatted:
        return lambda text: read(_one(text), None)

    def one(text, format):
        if format is None:  # a NULL format, where the function sees NULLs itself
            return pa.nulls(len(text), kind)
        return read(text, format)

    def work(text, format):
        text = _one(text)
        return _by_groups(len(text), _constant_groups(format),
                          lambda key, rows: one(text if rows is None else text.take(pa.array(rows)), key[0]), kind)
    return work


def _make_date_work(calendar: str):
    def work(year, month, day):
        parts = [np.asarray(_one(p).to_numpy(zero_copy_only=False), np.int64) for p in (year, month, day)]
        beyond = (parts[0] < INT32.min) | (parts[0] > INT32.max)
        if beyond.any():  # no calendar holds such a year
            raise OverflowError(f"the Jalali year {parts[0][np.argmax(beyond)]} is out of range")
        days, _ = _frames.days_from_jalali(*parts, np.ones(len(parts[0]), bool), "raise", calendar)
        return _datetimes(days, pa.date32())
    return work


# A refused value: DuckDB's error names the function, then what the native pass says of the
# value. Its position is one within a batch of rows, which says nothing to SQL: left out.
POSITION = re.compile(r" at (?:position|row) \d+")


def _named(public: str, work: Callable) -> Callable:
    @functools.wraps(work)  # DuckDB counts the parameters of the function it is given
    def udf(*arguments):
        try:
            return work(*arguments)
        except (ValueError, OverflowError, TypeError) as error:
            words = POSITION.sub("", str(error)).replace("(.jalali.arithmetic)", "(register(con, 'arithmetic'))")
            raise type(error)(f"{public}: {words}") from None
    return udf


def _suffix(kind: str) -> str:
    return kind.lower()


class _Registrar:
    """What one call of register() creates in a connection: Arrow functions of fixed
    signatures, named _<public name>__<type>, and the macros that choose among them."""

    def __init__(self, con, calendar: str, prefix: str):
        self.con, self.calendar, self.prefix = con, calendar, prefix
        self.created: List[str] = []
        self.macros: List[str] = []

    def public(self, name: str) -> str:
        return f"{self.prefix}{name}"

    def function(self, public: str, suffix: str, work: Callable, parameters, result: str,
                 nulls: str = "default") -> str:
        name = f"_{public}__{suffix}"
        self.con.create_function(name, _named(public, work), list(parameters), result, type="arrow",
                                 null_handling=nulls, side_effects=False)
        self.created.append(name)
        return name

    def macro(self, public: str, overloads: List[str]):
        self.con.execute(f"CREATE TEMP MACRO {public}" + ", ".join(overloads))
        self.macros.append(public)

    def undo(self):
        """Take away what this registration created: no half registration is left behind."""
        for name in self.macros:
            self.con.execute(f"DROP MACRO IF EXISTS temp.{name}")
        for name in self.created:
            try:
                self.con.remove_function(name)
            except duckdb.Error:  # pragma: no cover - the function went with the failure
                pass

    def register(self):
        calendar = self.calendar
        for name, field in FIELDS.items():
            public = self.public(f"jalali_{name}")
            result = "BOOLEAN" if field.startswith("is_") else "INTEGER"
            functions = {k: self.function(public, _suffix(k), _field_work(field, calendar), [k], result)
                         for k in KINDS}
            self.macro(public, [f"(x {k}) AS {functions[k]}(x)" for k in KINDS]
                       + [f"(x TIMESTAMPTZ) AS {functions['TIMESTAMP']}(x::TIMESTAMP)"])

        public = self.public("jalali_trunc")
        functions = {k: self.function(public, _suffix(k), _trunc_work(k, calendar), ["TINYINT", k], k) for k in KINDS}
        code = _part_code(public)
        # the local midnight of the period's first day; where the zone skips it, the first
        # instant of that day, as DuckDB casts a skipped wall-clock time
        self.macro(public, [f"(part, x {k}) AS {functions[k]}({code}, x)" for k in KINDS]
                   + [f"(part, x TIMESTAMPTZ) AS {functions['TIMESTAMP']}({code}, x::TIMESTAMP)::TIMESTAMPTZ"])

        for step, per in (("months", 1), ("years", 12)):
            public = self.public(f"jalali_add_{step}")
            functions = {k: self.function(public, _suffix(k), _add_months_work(k, calendar, per), [k, "BIGINT"], k)
                         for k in KINDS}
            # an integer step, as DuckDB's own make_date takes integers: a fraction is refused
            # by DuckDB's binder, not rounded
            self.macro(public, [f"(x {k}, n BIGINT) AS {functions[k]}(x, n)" for k in KINDS]
                       + [f"(x TIMESTAMPTZ, n BIGINT) AS {functions['TIMESTAMP']}(x::TIMESTAMP, n)::TIMESTAMPTZ"])

        public = self.public("jalali_strftime")
        text = ["VARCHAR"] * 3
        functions = {k: self.function(public, _suffix(k), _strftime_work(calendar, False)[0], [k] + text, "VARCHAR")
                     for k in KINDS}
        english = {k: self.function(public, f"{_suffix(k)}_en", _strftime_work(calendar, False)[1], [k, "VARCHAR"],
                                    "VARCHAR") for k in KINDS}
        zoned = self.function(public, "timestamptz", _strftime_work(calendar, True),
                              ["TIMESTAMP", "INTEGER", "VARCHAR"] + text, "VARCHAR")
        overloads = []
        for arguments, given in (("format", "format, 'en', 'latin'"), ("format, locale", "format, locale, 'latin'"),
                                 ("format, locale, digits", "format, locale, digits")):
            overloads += [f"(x {k}, format) AS {english[k]}(x, format)" if arguments == "format" else
                          f"(x {k}, {arguments}) AS {functions[k]}(x, {given})" for k in KINDS]
            # the offset from UTC in seconds east, and the zone, where the format writes them
            # (%z, %Z: a constant format folds the choice away); else the wall-clock time alone
            plain = (f"{english['TIMESTAMP']}(x::TIMESTAMP, format)" if arguments == "format" else
                     f"{functions['TIMESTAMP']}(x::TIMESTAMP, {given})")
            overloads.append(f"(x TIMESTAMPTZ, {arguments}) AS CASE WHEN contains(format, '%z') OR "
                             f"contains(format, '%Z') THEN {zoned}(x::TIMESTAMP, "
                             f"((epoch_us(x::TIMESTAMP) - epoch_us(x)) // 1000000)::INTEGER, "
                             f"current_setting('TimeZone'), {given}) ELSE {plain} END")
        self.macro(public, overloads)

        for public, errors in ((self.public("jalali_strptime"), "raise"),
                               (self.public("try_jalali_strptime"), "coerce")):
            # it sees NULLs itself: a text of spaces alone is NULL too, as to_datetime reads it,
            # and try_ gives NULL where the text names no date
            nulls = "special"
            formatted = self.function(public, "format", _strptime_work(calendar, errors, True),
                                      ["VARCHAR", "VARCHAR"], "TIMESTAMP", nulls)
            default = self.function(public, "default", _strptime_work(calendar, errors, False), ["VARCHAR"],
                                    "TIMESTAMP", nulls)
            self.macro(public, [f"(text) AS {default}(text::VARCHAR)",
                                f"(text, format) AS {formatted}(text::VARCHAR, format::VARCHAR)"])

        public = self.public("make_jalali_date")
        made = self.function(public, "parts", _make_date_work(calendar), ["BIGINT"] * 3, "DATE")
        self.macro(public, ["(year BIGINT, month BIGINT, day BIGINT) AS " + f"{made}(year, month, day)"])
        # the mark of the registration: which calendar the functions of this prefix name dates in
        self.macro(self.public("jalali_calendar"), [f"() AS '{calendar}'"])


def _existing(con, names) -> List[str]:
    listed = ", ".join(f"'{n}'" for n in names)
    rows = con.execute(f"SELECT DISTINCT function_name FROM duckdb_functions() WHERE function_name IN ({listed})")
    return sorted(r[0] for r in rows.fetchall())


def register(con, calendar: str = "astronomical", prefix: str = "") -> None:
    """Make the Jalali functions callable in the SQL of a DuckDB connection.

    Parameters
    ----------
    con : duckdb.DuckDBPyConnection
        The connection. The functions live as long as it does, and in it alone (they are
        temporary: none is written into a database file).
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar in which the functions name dates.
    prefix : str
        Put before every name, so that both calendars can live in one connection:
        ``register(con, "arithmetic", prefix="arithmetic_")`` gives ``arithmetic_jalali_year``.

    Raises
    ------
    ValueError
        Where the connection already has these names from another calendar, or a function of
        its own by one of them. Registering again in the same calendar does nothing.

    Examples
    --------
    >>> import duckdb
    >>> con = duckdb.connect()
    >>> register(con)
    >>> con.sql("SELECT jalali_year(DATE '2025-03-20'), jalali_strftime(DATE '2025-03-21', '%Y/%m/%d')").fetchall()
    [(1403, '1404/01/01')]
    >>> register(con, "arithmetic", prefix="arithmetic_")
    >>> con.sql("SELECT arithmetic_jalali_year(DATE '2025-03-20')").fetchall()
    [(1404,)]
    """
    _frames.check_calendar(calendar)
    if not isinstance(prefix, str) or not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*|", prefix):
        raise ValueError(f"the prefix must be letters, digits and underscores, not {prefix!r}")
    if not isinstance(con, duckdb.DuckDBPyConnection):
        raise TypeError(f"register takes a DuckDB connection, not {type(con).__name__}")
    names = [prefix + n for n in FUNCTIONS]
    present = _existing(con, names)
    if present:
        mark = prefix + "jalali_calendar"
        if mark in present:
            ((registered,),) = con.execute(f"SELECT {mark}()").fetchall()
            if registered == calendar and present == sorted(names):
                return  # already there, in the same calendar
            if registered != calendar:
                of_prefix = f" of prefix {prefix!r}" if prefix else ""
                raise ValueError(f"this connection already has the Jalali functions{of_prefix} in the {registered} "
                                 f"calendar: give the {calendar} ones a prefix of their own, "
                                 f"as register(con, {calendar!r}, prefix={calendar + '_'!r})")
        raise ValueError(f"this connection already has functions named {', '.join(present)}: give the Jalali ones a "
                         f"prefix, as register(con, prefix='j_')")
    registrar = _Registrar(con, calendar, prefix)
    try:
        registrar.register()
    except Exception:
        registrar.undo()
        raise
