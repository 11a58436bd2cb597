"""Jalali dates in Spark: ``jalali_year(col)``, ``jalali_trunc("month", col)``,
``jalali_strftime(col, "%Y/%m/%d")``, ... as functions of columns, and by :func:`register` the
same names in ``spark.sql``.

Each function is an Arrow UDF over the pandas accessor (``algorithms_c_pandas``): Spark hands
the executors' Python workers Arrow batches, which the accessor reads where they are, a batch
at a time, with no Python per row. Timestamps are read in the session time zone
(``spark.sql.session.timeZone``), as Spark's own ``year()`` reads them; DATE, TIMESTAMP and
TIMESTAMP_NTZ are taken alike. Dates are named in the astronomical Jalali calendar, the one in
civil use in Iran, or in the arithmetic one by ``calendar="arithmetic"``.

The UDFs are built on first use, so that this module imports before a session exists. Each
one names this module, which the Python workers import, and with it the pandas accessor: a
UDF of one's own that uses ``.jalali`` finds it by :func:`jalali`, or by importing
``algorithms_c_pandas`` inside the function.
"""

import functools
import inspect

try:
    import numpy as np
    import pandas as pd
    import pyarrow as pa
    from pyspark.sql import Column
    from pyspark.sql import functions as F
except ImportError as error:  # pragma: no cover - exercised where pyspark is missing
    raise ImportError(f'algorithms_c_spark needs pyspark 4.1 or later, pandas and pyarrow ({error}): '
                      f'pip install "algorithms-c[spark]"') from error

import _algorithms_c_frames as _frames
import algorithms_c_pandas as _pandas

# The fields, by the name of their function and the accessor's property, and the Spark type
# of each.
FIELDS = {
    "jalali_year": "year", "jalali_month": "month", "jalali_day": "day", "jalali_dayofyear": "day_of_year",
    "jalali_dayofweek": "day_of_week", "jalali_week": "week_of_year", "jalali_quarter": "quarter",
    "jalali_days_in_month": "days_in_month", "jalali_days_in_year": "days_in_year",
    "jalali_is_leap_year": "is_leap_year",
}
FUNCTIONS = (*FIELDS, "jalali_trunc", "jalali_add_months", "jalali_add_years", "jalali_strftime",
             "jalali_strptime", "try_jalali_strptime", "make_jalali_date")

__all__ = [*FUNCTIONS, "register", "jalali"]


def jalali(series: pd.Series, calendar: str = "astronomical"):
    """The ``.jalali`` accessor of a pandas Series, for a pandas or Arrow UDF of one's own:
    naming it brings this module, and the accessor with it, to the Python workers.

    Parameters
    ----------
    series : pandas.Series
        Datetimes, as the pandas accessor takes them.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar.

    Returns
    -------
    algorithms_c_pandas.JalaliAccessor

    Examples
    --------
    >>> jalali(pd.Series(pd.to_datetime(["2025-03-21"]))).year.tolist()
    [1404]
    """
    return _pandas.JalaliAccessor(series, calendar)


# -- what the Python workers run, a batch at a time: module-level functions, which the UDFs name
# -- and the workers import from here

def _series(array) -> pd.Series:
    """An Arrow array as a pandas Series over the same buffers."""
    return pd.Series(pd.arrays.ArrowExtensionArray(array), copy=False)


def _arrow(values, kind=None):
    """A pandas Series (or array) as one Arrow array, of `kind` where given."""
    array = values.array if isinstance(values, pd.Series) else values
    result = _frames.one_array(array.__arrow_array__() if hasattr(array, "__arrow_array__")
                               else pa.array(array, from_pandas=True))
    return result if kind is None or result.type == kind else result.cast(kind)


def _by_value(dates, parameters, step, kind):
    """`step(series, *values)` over the rows of each distinct row of `parameters` (literals,
    almost always: one call for the batch), put back in place; NULL where a parameter is."""
    if not parameters:
        return _arrow(step(_series(dates)), kind)
    table = pa.table({str(i): p for i, p in enumerate(parameters)})
    distinct = table.group_by(table.column_names).aggregate([]).to_pylist()
    if len(distinct) == 1 and None not in distinct[0].values():
        return _arrow(step(_series(dates), *distinct[0].values()), kind)
    rows, parts = [], []
    for row in distinct:
        if None in row.values():
            continue
        chosen = np.ones(len(dates), bool)
        for column, value in zip(table.columns, row.values()):
            chosen &= column.to_numpy(zero_copy_only=False) == value
        where = np.flatnonzero(chosen)
        rows.append(where)
        parts.append(_arrow(step(_series(dates.take(pa.array(where))), *row.values()), kind))
    placed = np.concatenate(rows) if rows else np.empty(0, np.int64)
    missing = np.setdiff1d(np.arange(len(dates)), placed)
    everything = pa.concat_arrays([*parts, pa.nulls(len(missing), kind)])
    return everything.take(pa.array(np.argsort(np.concatenate([placed, missing]), kind="stable")))


def _field(name, calendar, dates: pa.Array) -> pa.Array:
    return _by_value(dates, [], lambda s: getattr(_pandas.JalaliAccessor(s, calendar), name),
                     pa.bool_() if name.startswith("is_") else pa.int32())


def _trunc(calendar, parts: pa.Array, walls: pa.Array) -> pa.Array:
    """The wall-clock midnight that begins each wall-clock time's Jalali period."""
    def step(s, part):
        return _pandas.JalaliAccessor(s, calendar).floor(part)
    return _by_value(walls, [parts], step, walls.type)


def _add_months(calendar, per, dates: pa.Array, months: pa.Array) -> pa.Array:
    def step(s, n):
        return _pandas.JalaliAccessor(s, calendar).add_months(per * int(n))
    return _by_value(dates, [months.cast(pa.int64())], step, pa.date32())


def _strftime(calendar, stamps: pa.Array, formats: pa.Array, locales: pa.Array, digits: pa.Array) -> pa.Array:
    def step(s, format, locale, digit):
        return _pandas.JalaliAccessor(s, calendar).strftime(format, locale, digit)
    return _by_value(stamps, [formats, locales, digits], step, pa.string())


def _strptime(calendar, errors, texts: pa.Array, formats: pa.Array, zones: pa.Array) -> pa.Array:
    """TIMESTAMP: the wall-clock time that the text names, in the session's zone (`zones`, the
    one value of current_timezone()), or the instant where the format reads an offset."""
    zone = zones[0].as_py() if len(zones) else "UTC"

    def step(s, *format):
        stamps = _pandas.to_datetime(s, format[0] if format else None, errors, calendar)
        if stamps.dt.tz is None:
            stamps = _instants(stamps, zone)
        return stamps.dt.tz_convert("UTC").astype(pd.ArrowDtype(pa.timestamp("us", "UTC")))
    return _by_value(texts, [] if formats is None else [formats], step, pa.timestamp("us", "UTC"))


def _instants(walls: pd.Series, zone: str) -> pd.Series:
    """Wall-clock times in `zone` as instants, as Spark's own casts take them (those of Java's
    time): a repeated time at its earlier instant, a skipped one read with the offset before the
    gap (00:30 in a gap from 00:00 to 01:00 is 01:30)."""
    before = walls.dt.tz_localize(zone, ambiguous=np.ones(len(walls), bool), nonexistent="shift_backward")
    offsets = before.dt.tz_localize(None) - before.dt.tz_convert("UTC").dt.tz_localize(None)
    return (walls - offsets).dt.tz_localize("UTC")


def _strptime_default(calendar, errors, texts: pa.Array, zones: pa.Array) -> pa.Array:
    return _strptime(calendar, errors, texts, None, zones)


def _make_date(calendar, years: pa.Array, months: pa.Array, days: pa.Array) -> pa.Array:
    stamps = _pandas.from_jalali(*(_series(a.cast(pa.int64())) for a in (years, months, days)), calendar=calendar)
    return _arrow(stamps, pa.date32())


# -- the UDFs, built on first use

def _udf(function, return_type: str, *arguments):
    """The Arrow UDF of a worker's function with its leading arguments, built on first use in
    each SparkContext: pyspark builds a UDF only with a session, and ties it to that session's
    context, so one built before a context was stopped is not used in the next."""
    from pyspark import SparkContext

    key = (id(SparkContext._active_spark_context), function, return_type, arguments)
    if key not in _UDFS:
        work = functools.partial(globals()[function], *arguments)
        work.__name__ = function.lstrip("_")
        # what the worker is given and gives, for pyspark to read, as it reads a function's hints
        work.__annotations__ = {**{p: pa.Array for p in inspect.signature(work).parameters}, "return": pa.Array}
        _UDFS[key] = F.arrow_udf(work, return_type)
    return _UDFS[key]


_UDFS: dict = {}


def _column(x) -> Column:
    return x if isinstance(x, Column) else F.col(x)


def _literal(x) -> Column:
    return x if isinstance(x, Column) else F.lit(x)


def _date(x) -> Column:
    """The local date of a DATE, TIMESTAMP (in the session's zone) or TIMESTAMP_NTZ column."""
    return _column(x).cast("date")


def _check(calendar: str) -> str:
    return _frames.check_calendar(calendar)


def _make_field(name: str, field: str):
    kind = "boolean" if field.startswith("is_") else "int"

    def function(x, calendar: str = "astronomical") -> Column:
        return _udf("_field", kind, field, _check(calendar))(_date(x))

    function.__name__ = name
    function.__doc__ = f"""{_frames.FIELD_DOCS[field]}

    Parameters
    ----------
    x : Column or str
        DATE, TIMESTAMP (read in the session time zone) or TIMESTAMP_NTZ.
    calendar : {{"astronomical", "arithmetic"}}
        The Jalali calendar.

    Returns
    -------
    Column
        {kind.upper()}, NULL where `x` is NULL.

    Examples
    --------
    >>> {name}("ordered")   # doctest: +SKIP
    """
    return function


for _name, _field_name in FIELDS.items():
    globals()[_name] = _make_field(_name, _field_name)


def jalali_trunc(part, x, calendar: str = "astronomical") -> Column:
    """The start of the Jalali period that holds each value: local midnight of its first day.

    Parameters
    ----------
    part : {"year", "quarter", "month", "week"} or Column
        The period: a year, a quarter of three months, a month, or a week from Saturday.
    x : Column or str
        DATE, TIMESTAMP or TIMESTAMP_NTZ.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar.

    Returns
    -------
    Column
        Of the type of `x`, NULL where `x` is NULL.

    Examples
    --------
    >>> jalali_trunc("month", "ordered")   # doctest: +SKIP
    """
    if isinstance(part, str):
        _frames.check_frequency(part)
    x = _column(x)
    start = _udf("_trunc", "timestamp_ntz", _check(calendar))(F.lower(_literal(part)), _wall_clock(x))
    return _moved(x, start)


def _moved(x: Column, wall: Column) -> Column:
    """`x` moved to the wall-clock time `wall` of the session's zone, its type kept: Spark adds
    an interval of whole days to a DATE, and exact microseconds to a TIMESTAMP (to the instant
    that Spark's own cast gives the wall-clock time: where the zone skips it, as many on as the
    skip) and to a TIMESTAMP_NTZ. typeof() is known when the query is planned, so one branch
    runs."""
    kind = F.typeof(x)
    days = F.when(kind == "date", F.datediff(wall.cast("date"), x.cast("date"))).otherwise(F.lit(0))
    micros = (F.when(kind == "date", F.lit(0))
              .when(kind == "timestamp", F.unix_micros(wall.cast("timestamp")) - F.unix_micros(x.cast("timestamp")))
              .otherwise(F.timestamp_diff("MICROSECOND", x.cast("timestamp_ntz"), wall)))
    seconds = (micros.cast("decimal(24,0)") / 1_000_000).cast("decimal(18,6)")
    return x + F.make_interval(F.lit(0), F.lit(0), F.lit(0), days, F.lit(0), F.lit(0), seconds)


def _step(x, months: Column, per: int, calendar: str) -> Column:
    """`x` moved on by the days between its local date and that date's Jalali months on: the days
    added on the wall clock, as Spark adds an interval of days, so the time of day is kept."""
    target = _udf("_add_months", "date", _check(calendar), per)(_date(x), months)
    days = F.datediff(target, _date(x))
    return _column(x) + F.make_interval(F.lit(0), F.lit(0), F.lit(0), days)


def _count(n, what: str) -> Column:
    if isinstance(n, Column):
        return n
    if isinstance(n, (bool, np.bool_)) or not isinstance(n, (int, np.integer)):
        raise TypeError(f"the number of {what} must be an integer, not {type(n).__name__}")
    return F.lit(int(n)).cast("bigint")


def jalali_add_months(x, n, calendar: str = "astronomical") -> Column:
    """Each value `n` Jalali months on (back, for a negative `n`), at the same time of day; a day
    beyond the target month's length becomes its last day.

    Parameters
    ----------
    x : Column or str
        DATE, TIMESTAMP or TIMESTAMP_NTZ.
    n : int or Column
        The number of months.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar.

    Returns
    -------
    Column
        Of the type of `x`, NULL where `x` or `n` is NULL.

    Examples
    --------
    >>> jalali_add_months("ordered", 1)   # doctest: +SKIP
    """
    return _step(x, _count(n, "months"), 1, calendar)


def jalali_add_years(x, n, calendar: str = "astronomical") -> Column:
    """Each value `n` Jalali years on; 30 Esfand of a leap year becomes 29 Esfand of a common one.

    Parameters
    ----------
    x : Column or str
        DATE, TIMESTAMP or TIMESTAMP_NTZ.
    n : int or Column
        The number of years.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar.

    Returns
    -------
    Column
        Of the type of `x`, NULL where `x` or `n` is NULL.

    Examples
    --------
    >>> jalali_add_years("ordered", -1)   # doctest: +SKIP
    """
    return _step(x, _count(n, "years"), 12, calendar)


def jalali_strftime(x, format, locale="en", digits="latin", calendar: str = "astronomical") -> Column:
    """The Jalali date and time of each value written by a format, as
    ``JalaliAccessor.strftime`` writes them.

    Parameters
    ----------
    x : Column or str
        DATE, TIMESTAMP (its wall-clock time in the session time zone) or TIMESTAMP_NTZ.
    format, locale, digits : str or Column
        As for ``JalaliAccessor.strftime``. A format that writes the zone (``%z``, ``%Z``) reads
        a TIMESTAMP by the Python workers' time zone database; any other, by Spark's.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar.

    Returns
    -------
    Column
        STRING, NULL where `x` is NULL.

    Examples
    --------
    >>> jalali_strftime("ordered", "%Y/%m/%d")   # doctest: +SKIP
    """
    udf = _udf("_strftime", "string", _check(calendar))
    x = _column(x)
    if isinstance(format, str) and not _frames.writes_zone(format):
        x = _wall_clock(x)
    return udf(x, _literal(format), _literal(locale), _literal(digits))


def _wall_clock(x: Column) -> Column:
    """The wall-clock time of a value in the session's zone, as Spark's own date_format and
    year() read it: by the JVM's time zone rules, which are not always those of the Python
    workers' database (Tehran's late 1978 differs between tzdata 2025a and 2025b)."""
    return x.cast("timestamp_ntz")


def _parse(text, format, calendar: str, errors: str) -> Column:
    zone = F.current_timezone()
    if format is None:
        return _udf("_strptime_default", "timestamp", _check(calendar), errors)(_column(text), zone)
    return _udf("_strptime", "timestamp", _check(calendar), errors)(_column(text), _literal(format), zone)


def jalali_strptime(text, format=None, calendar: str = "astronomical") -> Column:
    """Jalali dates (and times) as text, read as ``algorithms_c_pandas.to_datetime`` reads them:
    the wall-clock time in the session time zone, or the instant where the format reads an
    offset (``%z``).

    Parameters
    ----------
    text : Column or str
        STRING.
    format : str or Column, optional
        As for ``to_datetime``; without one, ``YYYY/MM/DD``, ``YYYY-MM-DD`` or ``YYYYMMDD`` and
        an optional time.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the text.

    Returns
    -------
    Column
        TIMESTAMP, NULL where the text is NULL or spaces; a text that names no date fails the
        query, naming it.

    Examples
    --------
    >>> jalali_strptime("text", "%Y/%m/%d")   # doctest: +SKIP
    """
    return _parse(text, format, calendar, "raise")


def try_jalali_strptime(text, format=None, calendar: str = "astronomical") -> Column:
    """As :func:`jalali_strptime`, NULL where the text names no date.

    Parameters
    ----------
    text : Column or str
        STRING.
    format : str or Column, optional
        As for :func:`jalali_strptime`.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the text.

    Returns
    -------
    Column
        TIMESTAMP.

    Examples
    --------
    >>> try_jalali_strptime("text")   # doctest: +SKIP
    """
    return _parse(text, format, calendar, "coerce")


def make_jalali_date(year, month, day, calendar: str = "astronomical") -> Column:
    """The DATE of a Jalali year, month and day.

    Parameters
    ----------
    year, month, day : Column, str or int
        Integers.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar.

    Returns
    -------
    Column
        DATE, NULL where a part is NULL; a row that names no date fails the query, naming it.

    Examples
    --------
    >>> make_jalali_date("y", "m", "d")   # doctest: +SKIP
    """
    parts = [F.lit(p) if isinstance(p, int) else _column(p) for p in (year, month, day)]
    return _udf("_make_date", "date", _check(calendar))(*(p.cast("bigint") for p in parts))


# -- SQL

# Each name's SQL function: its parameters and the expression over the UDFs; one signature a
# name, so DATE and TIMESTAMP_NTZ arguments are taken as TIMESTAMP where the result is one.
_SQL = {
    "jalali_trunc": ("part STRING, x TIMESTAMP", "TIMESTAMP",
                     "CAST({trunc}(lower(part), CAST(x AS TIMESTAMP_NTZ)) AS TIMESTAMP)"),
    "jalali_add_months": ("x TIMESTAMP, n BIGINT", "TIMESTAMP",
                          "x + make_interval(0, 0, 0, datediff({months}(CAST(x AS DATE), n), CAST(x AS DATE)))"),
    "jalali_add_years": ("x TIMESTAMP, n BIGINT", "TIMESTAMP",
                         "x + make_interval(0, 0, 0, datediff({years}(CAST(x AS DATE), n), CAST(x AS DATE)))"),
    "jalali_strftime": ("x TIMESTAMP, format STRING, locale STRING DEFAULT 'en', digits STRING DEFAULT 'latin'",
                        "STRING", "CASE WHEN format RLIKE '(^|[^%])(%%)*%[zZ]' THEN {strftime}(x, format, locale, digits) "
                        "ELSE {strftime}(CAST(x AS TIMESTAMP_NTZ), format, locale, digits) END"),
    "jalali_strptime": ("text STRING, format STRING DEFAULT NULL", "TIMESTAMP",
                        "CASE WHEN format IS NULL THEN {parse}(text, current_timezone()) "
                        "ELSE {parse_format}(text, format, current_timezone()) END"),
    "try_jalali_strptime": ("text STRING, format STRING DEFAULT NULL", "TIMESTAMP",
                            "CASE WHEN format IS NULL THEN {try_parse}(text, current_timezone()) "
                            "ELSE {try_parse_format}(text, format, current_timezone()) END"),
    "make_jalali_date": ("y BIGINT, m BIGINT, d BIGINT", "DATE", "{make_date}(y, m, d)"),
}


def register(spark, calendar: str = "astronomical", prefix: str = ""):
    """Make the functions callable in `spark`'s SQL, as temporary functions of the session:
    ``spark.sql("SELECT jalali_year(ordered) FROM orders")``.

    Parameters
    ----------
    spark : SparkSession
        The session.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the functions.
    prefix : str
        Put before each name, to register both calendars in one session: ``register(spark,
        calendar="arithmetic", prefix="arithmetic_")`` gives ``arithmetic_jalali_year``.
        Registering a name again replaces it.

    Returns
    -------
    list of str
        The names registered.

    Examples
    --------
    >>> register(spark)   # doctest: +SKIP
    """
    _check(calendar)
    if not (prefix == "" or prefix.replace("_", "a").isalnum()):
        raise ValueError(f"the prefix must be letters, digits and underscores, not {prefix!r}")
    names = []

    def helper(name, udf):
        full = f"_{prefix}{name}_{calendar}"
        spark.udf.register(full, udf)
        return full

    for name, field in FIELDS.items():
        kind = "boolean" if field.startswith("is_") else "int"
        spark.udf.register(prefix + name, _udf("_field", kind, field, calendar))
        names.append(prefix + name)
    helpers = {
        "trunc": helper("trunc", _udf("_trunc", "timestamp_ntz", calendar)),
        "months": helper("months", _udf("_add_months", "date", calendar, 1)),
        "years": helper("years", _udf("_add_months", "date", calendar, 12)),
        "strftime": helper("strftime", _udf("_strftime", "string", calendar)),
        "parse": helper("parse", _udf("_strptime_default", "timestamp", calendar, "raise")),
        "parse_format": helper("parse_format", _udf("_strptime", "timestamp", calendar, "raise")),
        "try_parse": helper("try_parse", _udf("_strptime_default", "timestamp", calendar, "coerce")),
        "try_parse_format": helper("try_parse_format", _udf("_strptime", "timestamp", calendar, "coerce")),
        "make_date": helper("make_date", _udf("_make_date", "date", calendar)),
    }
    for name, (parameters, returns, body) in _SQL.items():
        spark.sql(f"CREATE OR REPLACE TEMPORARY FUNCTION {prefix}{name}({parameters}) RETURNS {returns} "
                  f"RETURN {body.format(**helpers)}")
        names.append(prefix + name)
    return names
