"""Jalali dates of polars Date and Datetime columns: ``pl.col("d").jalali.year()``,
``series.jalali.parts()``, and the way back, ``from_jalali(year, month, day)``.

Importing this module registers the ``jalali`` namespace on polars expressions and Series. It
takes Date columns and Datetime columns of every unit and time zone (a value is named by its local
wall-clock date, as ``dt.day()`` does), in eager and lazy frames alike. Results are ``Int32``
(``Boolean`` for ``is_leap_year``) with null where the input is null. Every value comes from the
ufuncs of algorithms_c_numpy.
"""

import inspect

import numpy as np
import polars as pl

import _algorithms_c_frames as _frames

__all__ = ["JalaliExpr", "JalaliSeries", "from_jalali"]

# Older polars (1.8, the last for Python 3.8) takes no is_elementwise here.
ELEMENTWISE = {"is_elementwise": True} if "is_elementwise" in inspect.signature(pl.map_batches).parameters else {}
PARTS = pl.Struct({"year": pl.Int32, "month": pl.Int32, "day": pl.Int32})


def _days(series: pl.Series):
    """The local wall-clock day of each value, counted from 1970-01-01, and which are known
    (None when all are)."""
    if isinstance(series.dtype, pl.Datetime):
        if series.dtype.time_zone is not None:
            series = series.dt.replace_time_zone(None)  # the wall-clock time where each value is
        series = series.cast(pl.Date)  # floored to the day
    elif series.dtype != pl.Date:
        raise TypeError(f"the jalali namespace takes Date or Datetime columns, not {series.dtype}")
    known = None if series.null_count() == 0 else series.is_not_null().to_numpy()
    return series.to_physical().fill_null(0).to_numpy(), known


def _column(name: str, values: np.ndarray, known, dtype=pl.Int32) -> pl.Series:
    result = pl.Series(name, values, dtype=dtype)
    return result if known is None else result.set(pl.Series(~known), None)


def _parts(series: pl.Series):
    days, known = _days(series)
    return _frames.jalali_parts(days, known), known


def year(series: pl.Series) -> pl.Series:
    (year, _, _), known = _parts(series)
    return _column(series.name, year, known)


def month(series: pl.Series) -> pl.Series:
    (_, month, _), known = _parts(series)
    return _column(series.name, month, known)


def day(series: pl.Series) -> pl.Series:
    (_, _, day), known = _parts(series)
    return _column(series.name, day, known)


def is_leap_year(series: pl.Series) -> pl.Series:
    (year, _, _), known = _parts(series)
    return _column(series.name, _frames.leap_years(year, known), known, pl.Boolean)


def days_in_month(series: pl.Series) -> pl.Series:
    (year, month, _), known = _parts(series)
    return _column(series.name, _frames.days_in_months(year, month, known), known)


def days_in_year(series: pl.Series) -> pl.Series:
    (year, _, _), known = _parts(series)
    return _column(series.name, _frames.days_in_years(year, known), known)


def parts(series: pl.Series) -> pl.Series:
    """Jalali year, month and day as a struct of three Int32 fields, from one conversion."""
    values, known = _parts(series)
    fields = [_column(name, part, known) for name, part in zip(("year", "month", "day"), values)]
    return pl.DataFrame(fields).to_struct(series.name)


FIELDS = {"year": pl.Int32, "month": pl.Int32, "day": pl.Int32, "is_leap_year": pl.Boolean,
          "days_in_month": pl.Int32, "days_in_year": pl.Int32, "parts": PARTS}


def _method(function, dtype, on_expr: bool):
    if on_expr:
        def method(self) -> pl.Expr:
            return self._data.map_batches(function, return_dtype=dtype, is_elementwise=True)
    else:
        def method(self) -> pl.Series:
            return function(self._data)
    method.__name__ = function.__name__
    method.__doc__ = function.__doc__
    return method


@pl.api.register_expr_namespace("jalali")
class JalaliExpr:
    """The Jalali date of each Date or Datetime value of the expression."""

    def __init__(self, expr: pl.Expr):
        self._data = expr


@pl.api.register_series_namespace("jalali")
class JalaliSeries:
    """The Jalali date of each Date or Datetime value of the Series."""

    def __init__(self, series: pl.Series):
        self._data = series


for _name, _dtype in FIELDS.items():
    setattr(JalaliExpr, _name, _method(globals()[_name], _dtype, on_expr=True))
    setattr(JalaliSeries, _name, _method(globals()[_name], _dtype, on_expr=False))


def _integers(series: pl.Series, what: str):
    if not series.dtype.is_integer():
        raise TypeError(f"the Jalali {what} must be integers, not {series.dtype}")
    return series.cast(pl.Int64).fill_null(0).to_numpy(), series.is_not_null().to_numpy()


def _dates(columns, errors: str) -> pl.Series:
    (y, known), (m, known_month), (d, known_day) = (
        _integers(c, what) for c, what in zip(columns, ("years", "months", "days")))
    days, valid = _frames.days_from_jalali(y, m, d, known & known_month & known_day, errors)
    limit = np.iinfo(np.int32)
    if days[valid].size and not (limit.min <= days[valid].min() and days[valid].max() <= limit.max):
        raise OverflowError("a Jalali date lies outside the range of pl.Date")
    days[~valid] = 0
    return _column(columns[0].name, days.astype(np.int32), valid, pl.Int32).cast(pl.Date)


def from_jalali(year, month, day, *, errors: str = "raise"):
    """The ``pl.Date`` of Jalali year, month and day: three integer Series give a Series,
    anything else (expressions, column names) an expression.

    A null part gives null. A month outside 1 to 12 or a day outside the month raises a
    ValueError, or gives null with ``errors="coerce"``; a date outside ``pl.Date``'s range raises
    OverflowError.
    """
    parts = (year, month, day)
    if all(isinstance(p, pl.Series) for p in parts):
        return _dates(parts, errors)
    exprs = [pl.col(p) if isinstance(p, str) else p for p in parts]
    return pl.map_batches(exprs, lambda columns: _dates(columns, errors), return_dtype=pl.Date, **ELEMENTWISE)
