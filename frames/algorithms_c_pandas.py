"""Jalali dates of pandas and dask Series of datetimes: ``s.jalali.year``, ``s.jalali.parts()``,
and the way back, ``from_jalali(year, month, day)``.

Importing this module registers the ``jalali`` accessor on pandas Series and, where dask is
installed, on dask DataFrame Series, where it runs partition by partition. It takes datetimes of
every unit, with or without a time zone (a value is named by its local wall-clock date, as
``Series.dt.day`` does), NumPy- or Arrow-backed, and Arrow dates. Missing values give ``<NA>``; the
index and the name are kept. Every value comes from the ufuncs of algorithms_c_numpy.
"""

import importlib.util

import numpy as np
import pandas as pd

import _algorithms_c_frames as _frames

__all__ = ["JalaliAccessor", "from_jalali"]

ACCEPTED = ("a Series of datetimes: datetime64[s|ms|us|ns] with or without a time zone, "
            "timestamp[...][pyarrow] or date32[pyarrow]")


def _arrow_type(dtype):
    """The Arrow type behind a pandas dtype, or None."""
    return dtype.pyarrow_dtype if isinstance(dtype, pd.ArrowDtype) else None


def _accepts(dtype) -> bool:
    if isinstance(dtype, pd.DatetimeTZDtype) or (isinstance(dtype, np.dtype) and dtype.kind == "M"):
        return True
    arrow = _arrow_type(dtype)
    if arrow is None:
        return False
    import pyarrow as pa  # only where pandas holds Arrow data, and so pyarrow is installed
    return pa.types.is_timestamp(arrow) or pa.types.is_date32(arrow) or pa.types.is_date64(arrow)


def _days(series: pd.Series):
    """The local wall-clock day of each value, counted from 1970-01-01, and which are known
    (None when all are)."""
    arrow = _arrow_type(series.dtype)
    if arrow is not None and getattr(arrow, "tz", None) is not None:
        # pandas' own time zone rules, those of Series.dt.day, on a NumPy copy
        series = series.astype(pd.DatetimeTZDtype(arrow.unit, arrow.tz))
        arrow = None
    if arrow is not None:
        import pyarrow as pa
        values = series.array.__arrow_array__()
        if pa.types.is_timestamp(arrow):
            unit = arrow.unit
        else:
            unit = "D" if pa.types.is_date32(arrow) else "ms"
        known = None if values.null_count == 0 else values.is_valid().to_numpy(zero_copy_only=False)
        width = pa.int32() if pa.types.is_date32(arrow) else pa.int64()
        ticks = values.cast(width).fill_null(0).to_numpy()
    else:
        if isinstance(series.dtype, pd.DatetimeTZDtype):
            series = series.dt.tz_localize(None)  # the wall-clock time where each value is
        stamps = series.to_numpy()
        unit = np.datetime_data(stamps.dtype)[0]
        ticks = stamps.view(np.int64)
        known = ~np.isnat(stamps)
        if known.all():
            known = None
    per_day = int(np.timedelta64(1, "D") // np.timedelta64(1, unit))
    return _frames.days_from_ticks(ticks, per_day), known


def _missing(known, count: int) -> np.ndarray:
    """The mask of missing values of a masked array, from which values are known (None: all)."""
    return np.zeros(count, bool) if known is None else ~known


@pd.api.extensions.register_series_accessor("jalali")
class JalaliAccessor:
    """The Jalali date of each datetime in the Series, as ``Series.dt`` gives the Gregorian one."""

    def __init__(self, series: pd.Series):
        if not _accepts(series.dtype):
            raise TypeError(f"the jalali accessor takes {ACCEPTED}, not {series.dtype}")
        self._series = series

    def _parts(self):
        days, known = _days(self._series)
        return _frames.jalali_parts(days, known), known

    def _wrap(self, values: np.ndarray, known, kind=pd.arrays.IntegerArray) -> pd.Series:
        return pd.Series(kind(values, _missing(known, len(values))), index=self._series.index,
                         name=self._series.name, copy=False)

    def parts(self) -> pd.DataFrame:
        """Jalali year, month and day, as a DataFrame of three nullable Int32 columns, from one
        conversion."""
        (year, month, day), known = self._parts()
        missing = _missing(known, len(year))
        columns = {name: pd.arrays.IntegerArray(part, missing) for name, part in
                   zip(("year", "month", "day"), (year, month, day))}
        return pd.DataFrame(columns, index=self._series.index, copy=False)

    @property
    def year(self) -> pd.Series:
        (year, _, _), known = self._parts()
        return self._wrap(year, known)

    @property
    def month(self) -> pd.Series:
        (_, month, _), known = self._parts()
        return self._wrap(month, known)

    @property
    def day(self) -> pd.Series:
        (_, _, day), known = self._parts()
        return self._wrap(day, known)

    @property
    def is_leap_year(self) -> pd.Series:
        """Whether the Jalali year is a leap year, as a nullable boolean Series."""
        (year, _, _), known = self._parts()
        return self._wrap(_frames.leap_years(year, known), known, pd.arrays.BooleanArray)

    @property
    def days_in_month(self) -> pd.Series:
        (year, month, _), known = self._parts()
        return self._wrap(_frames.days_in_months(year, month, known), known)

    @property
    def days_in_year(self) -> pd.Series:
        (year, _, _), known = self._parts()
        return self._wrap(_frames.days_in_years(year, known), known)


def _integers(column, what: str):
    """An integer column (plain or nullable ints, or floats holding whole numbers) as int64
    values and where they are known."""
    series = column if isinstance(column, pd.Series) else pd.Series(column)
    if not (pd.api.types.is_integer_dtype(series.dtype) or pd.api.types.is_float_dtype(series.dtype)):
        raise TypeError(f"the Jalali {what}s must be integers, not {series.dtype}")
    known = series.notna().to_numpy(dtype=bool)
    values = series.to_numpy(dtype=np.float64 if series.dtype.kind == "f" else np.int64, na_value=0)
    if values.dtype.kind == "f":
        if not np.array_equal(values, np.trunc(values)):  # NaN was made 0; infinities fail here too
            raise TypeError(f"the Jalali {what}s must be integers, not fractions")
        if np.abs(values).max(initial=0) >= 2**63:
            raise OverflowError(f"a Jalali {what} is out of range")
        values = values.astype(np.int64)
    return values, known


def from_jalali(year, month, day, *, errors: str = "raise", unit: str = "us") -> pd.Series:
    """The datetimes (at midnight, ``datetime64[unit]``) of Jalali year, month and day columns, as
    ``pd.to_datetime(df[["year", "month", "day"]])`` gives those of Gregorian ones.

    A missing part gives NaT. A month outside 1 to 12 or a day outside the month raises a
    ValueError, or gives NaT with ``errors="coerce"``. A date outside the unit's range raises
    pandas' OutOfBoundsDatetime. The index is that of the first Series among the arguments.
    """
    columns = [_integers(c, what) for c, what in ((year, "year"), (month, "month"), (day, "day"))]
    if len({len(values) for values, _ in columns}) != 1:
        raise ValueError("the Jalali years, months and days must be of one length")
    (y, known), (m, known_month), (d, known_day) = columns
    days, valid = _frames.days_from_jalali(y, m, d, known & known_month & known_day, errors)
    stamps = days.view("datetime64[D]")
    stamps[~valid] = np.datetime64("NaT", "D")
    index = next((c.index for c in (year, month, day) if isinstance(c, pd.Series)), None)
    # pandas holds days as seconds, and checks the range of the unit asked for
    return pd.Series(stamps, index=index, copy=False).astype(f"datetime64[{unit}]")


def _field(partition: pd.Series, name: str) -> pd.Series:
    return getattr(partition.jalali, name)


def _parts(partition: pd.Series) -> pd.DataFrame:
    return partition.jalali.parts()


def _register_dask():
    import dask.dataframe as dd

    @dd.extensions.register_series_accessor("jalali")
    class DaskJalaliAccessor:
        """The Jalali accessor of a dask Series of datetimes, run on each partition."""

        def __init__(self, series):
            if not _accepts(series.dtype):
                raise TypeError(f"the jalali accessor takes {ACCEPTED}, not {series.dtype}")
            self._series = series

        def _map(self, name: str, dtype: str):
            meta = pd.Series(pd.array([], dtype=dtype), name=self._series.name)
            return self._series.map_partitions(_field, name, meta=meta)

        def parts(self):
            meta = pd.DataFrame({n: pd.array([], dtype="Int32") for n in ("year", "month", "day")})
            return self._series.map_partitions(_parts, meta=meta)

        year = property(lambda self: self._map("year", "Int32"))
        month = property(lambda self: self._map("month", "Int32"))
        day = property(lambda self: self._map("day", "Int32"))
        is_leap_year = property(lambda self: self._map("is_leap_year", "boolean"))
        days_in_month = property(lambda self: self._map("days_in_month", "Int32"))
        days_in_year = property(lambda self: self._map("days_in_year", "Int32"))

    return DaskJalaliAccessor


if importlib.util.find_spec("dask") is not None and importlib.util.find_spec("dask.dataframe") is not None:
    try:
        _register_dask()
    except ImportError:  # dask without its DataFrame extras
        pass
