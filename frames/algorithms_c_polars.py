"""Jalali dates of polars Date and Datetime columns: ``pl.col("d").jalali.year()``,
``pl.col("d").jalali.floor("month")``, and the way back, :func:`from_jalali`.

Importing this module registers the ``jalali`` namespace on polars expressions and Series. It
takes Date columns and Datetime columns of every unit and time zone (a value is named by its local
wall-clock date, as ``dt.day()`` does), in eager and lazy frames alike. Dates are named in the
astronomical Jalali calendar, the one in civil use in Iran; ``.jalali.arithmetic`` names them in
the arithmetic calendar of algorithms_c. Results are null where the input is null.
"""

import inspect

try:
    import numpy as np
    import polars as pl
    import pyarrow  # noqa: F401  (polars hands its columns over through Arrow)
except ImportError as error:  # pragma: no cover - exercised where polars is missing
    raise ImportError(f'algorithms_c_polars needs polars 1.0 or later, pyarrow and NumPy ({error}): '
                      f'pip install "algorithms-c[polars]"') from error

import _algorithms_c_frames as _frames
import _algorithms_c_workdays as _workdays

__all__ = ["JalaliExpr", "JalaliSeries", "from_jalali"]

# Older polars (1.8, the last for Python 3.8) takes no is_elementwise in pl.map_batches.
ELEMENTWISE = {"is_elementwise": True} if "is_elementwise" in inspect.signature(pl.map_batches).parameters else {}
PARTS = pl.Struct({"year": pl.Int32, "month": pl.Int32, "day": pl.Int32})


def _wall_clock(series: pl.Series) -> pl.Series:
    """The local wall-clock datetimes of a Date or Datetime column."""
    if isinstance(series.dtype, pl.Datetime):
        return series.dt.replace_time_zone(None) if series.dtype.time_zone is not None else series
    if series.dtype != pl.Date:
        raise TypeError(f"the jalali namespace takes Date or Datetime columns, not {series.dtype}")
    return series


def _column(series: pl.Series) -> _frames.Column:
    return _frames.arrow_column(_wall_clock(series).to_arrow())


def _values(name: str, values: np.ndarray, validity) -> pl.Series:
    """A polars Series of an int32, int64 or bool array, null where the validity bits (from bit
    0, or None) say: handed over as Arrow's buffers, the values' own and the bits."""
    import pyarrow as pa

    validity = None if validity is None else pa.py_buffer(validity)
    if values.dtype == bool:
        kind, data = pa.bool_(), pa.py_buffer(np.packbits(values, bitorder="little"))
    else:
        kind, data = pa.from_numpy_dtype(values.dtype), pa.py_buffer(values)
    return pl.from_arrow(pa.Array.from_buffers(kind, len(values), [validity, data])).alias(name)


def _bits(missing: np.ndarray):
    """The validity bits of a mask of missing values, or None where none is missing."""
    return np.packbits(~missing, bitorder="little") if missing.any() else None


def _ticks(name: str, ticks: np.ndarray) -> pl.Series:
    """An Int64 Series of ticks, null where they hold the missing mark. The values under a null
    are zeroed: older polars reads them when it casts to a datetime, and the mark overflows."""
    missing = ticks == np.iinfo(np.int64).min
    if not missing.any():
        return pl.Series(name, ticks)
    return _values(name, np.where(missing, 0, ticks), _bits(missing))


def _fields(series: pl.Series, calendar: str, names) -> list:
    values, validity = _frames.fields(_column(series), calendar, names, bits=True)
    return [_values(series.name, v, validity) for v in values]


def _localise(naive: pl.Series, zone, earliest: bool) -> pl.Series:
    """Local wall-clock datetimes as datetimes of the zone. With `earliest`, a local time that
    the zone repeats is its earlier instant, and one that it skips is the instant at which the
    skip ends (the first of that local day, for a midnight); else both raise, as polars does."""
    if zone is None:
        return naive
    if not earliest:
        return naive.dt.replace_time_zone(zone)
    local = naive.dt.replace_time_zone(zone, ambiguous="earliest", non_existent="null")
    skipped = local.is_null() & naive.is_not_null()
    if not skipped.any():
        return local
    # the instant at which the skip ends: the wall time less the offset in force before it
    before = naive.dt.offset_by("-1d").dt.replace_time_zone(zone, ambiguous="earliest", non_existent="null")
    offset = before.dt.replace_time_zone(None) - before.dt.convert_time_zone("UTC").dt.replace_time_zone(None)
    ended = (naive - offset).dt.replace_time_zone("UTC").dt.convert_time_zone(zone)
    return local.zip_with(~skipped, ended)


def _datetimes(series: pl.Series, result, earliest: bool, ambiguous: str = "raise",
               non_existent: str = "raise", months=None) -> pl.Series:
    """Ticks of local wall-clock datetimes in the unit of the column (days for a Date), with
    their validity bits (0 under a null, as older polars needs where it casts them to a
    datetime), as a column of its own dtype and time zone; without `earliest`, a local time that
    the zone repeats or skips is what replace_time_zone's `ambiguous` and `non_existent` make it,
    and where they raise, the error names the first such row, reached `months` months on."""
    ticks, validity = result
    values = _values(series.name, ticks, validity)
    if series.dtype == pl.Date:
        return values.cast(pl.Int32).cast(pl.Date)
    naive = values.cast(pl.Datetime(series.dtype.time_unit))
    zone = series.dtype.time_zone
    if earliest or zone is None:
        return _localise(naive, zone, earliest)
    try:
        return naive.dt.replace_time_zone(zone, ambiguous=ambiguous, non_existent=non_existent)
    except Exception as error:  # polars' ComputeError, or its InvalidOperationError
        # the rows that the zone repeats, and those that it skips
        repeats = naive.dt.replace_time_zone(zone, ambiguous="null", non_existent="null").is_null() & \
            naive.dt.replace_time_zone(zone, ambiguous="earliest", non_existent="null").is_not_null()
        skips = naive.dt.replace_time_zone(zone, ambiguous="earliest", non_existent="null").is_null() & \
            naive.is_not_null()
        refused = (repeats if ambiguous == "raise" else repeats & False) | \
            (skips if non_existent == "raise" else skips & False)
        if not refused.any():
            raise
        row = int(refused.arg_max())
        repeated = bool(repeats[row])
        raise type(error)(
            f"the value at position {row}, {series[row]}, {months} months on is at {naive[row]}, a local time that "
            f"{zone} {'repeats' if repeated else 'skips'}: choose an instant with "
            f"{'ambiguous=' if repeated else 'non_existent='}, as replace_time_zone takes it ({error})") from error


# The work on a Series that each method does, whether called on a Series or in an expression.
def _field(name: str):
    def work(series: pl.Series, calendar: str) -> pl.Series:
        (values,) = _fields(series, calendar, (name,))
        return values
    return work


def _parts(series: pl.Series, calendar: str) -> pl.Series:
    import pyarrow as pa

    names = ("year", "month", "day")
    values, validity = _frames.fields(_column(series), calendar, names, bits=True)
    if validity is None:
        return pl.DataFrame(dict(zip(names, values))).to_struct(series.name)
    # null where the date is: not a struct of nulls
    kind = pa.struct([(n, pa.int32()) for n in names])
    parts = pa.Array.from_buffers(kind, len(series), [pa.py_buffer(validity)],
                                  children=[pa.array(v) for v in values])
    return pl.Series(series.name, pl.from_arrow(parts), dtype=PARTS)


def _floor(series: pl.Series, calendar: str, freq: str) -> pl.Series:
    return _datetimes(series, _frames.period_starts(_column(series), calendar, freq, False, bits=True), True)


def _ceil(series: pl.Series, calendar: str, freq: str) -> pl.Series:
    column = _column(series)
    if not isinstance(series.dtype, pl.Datetime) or series.dtype.time_zone is None:
        return _datetimes(series, _frames.period_starts(column, calendar, freq, True, bits=True), True)
    # with a time zone, a value is at a start when it is the instant at which its period begins,
    # whatever the wall clock says (a skipped or a repeated midnight)
    floor = _datetimes(series, _frames.period_starts(column, calendar, freq, False, bits=True), True)
    following = _datetimes(series, _frames.period_starts(column, calendar, freq, False, next=True, bits=True), True)
    return floor.zip_with((series == floor).fill_null(False), following)


def _add_months(series: pl.Series, calendar: str, n: int, ambiguous: str = "raise",
                non_existent: str = "raise") -> pl.Series:
    return _datetimes(series, _frames.add_months(_column(series), calendar, n, bits=True), False, ambiguous,
                      non_existent, n)


def _add_years(series: pl.Series, calendar: str, n: int, ambiguous: str = "raise",
               non_existent: str = "raise") -> pl.Series:
    if isinstance(n, (bool, np.bool_)) or not isinstance(n, (int, np.integer)):
        raise TypeError(f"the number of years must be an integer, not {type(n).__name__}")
    return _add_months(series, calendar, 12 * int(n), ambiguous, non_existent)


def _zones(series: pl.Series, format: str):
    """The UTC offsets and zone names of a Datetime column with a time zone, where the format
    writes them (%z, %Z); else None."""
    if not isinstance(series.dtype, pl.Datetime) or series.dtype.time_zone is None or not _frames.writes_zone(format):
        return None
    wall = series.dt.replace_time_zone(None)
    utc = series.dt.convert_time_zone("UTC").dt.replace_time_zone(None)
    east = (wall - utc).dt.total_seconds().fill_null(0).cast(pl.Int32).to_numpy()
    names = series.dt.strftime("%Z").fill_null("")
    unique, codes = np.unique(names.to_numpy().astype(str), return_inverse=True)
    return _frames.Zones(east, codes.reshape(-1).astype(np.int32), tuple(unique.tolist()))


def _strftime(series: pl.Series, calendar: str, format: str, locale: str, digits: str) -> pl.Series:
    array, _ = _frames.strftime(_column(series), calendar, format, locale, digits, _zones(series, format))
    return pl.Series(series.name, pl.from_arrow(array), dtype=pl.String)


def _text(series: pl.Series):
    if series.dtype != pl.String:
        raise TypeError(f"to_date and to_datetime take String columns, not {series.dtype}")
    return series.to_arrow()


def _to_datetime(series: pl.Series, calendar: str, format, strict: bool, time_unit: str,
                 local: bool = False) -> pl.Series:
    ticks, zoned = _frames.strptime(_text(series), calendar, format, "raise" if strict else "coerce", time_unit,
                                    local=local)
    result = _ticks(series.name, ticks).cast(pl.Datetime(time_unit))
    return result.dt.replace_time_zone("UTC") if zoned else result


def _to_date(series: pl.Series, calendar: str, format, strict: bool) -> pl.Series:
    # the date the text names, whatever offset from UTC it gives
    return _to_datetime(series, calendar, format, strict, "us", local=True).cast(pl.Date)


class _Jalali:
    """The Jalali dates of a Date or Datetime Series or expression, in one calendar."""

    def __init__(self, data, calendar: str = "astronomical"):
        self._data = data
        self._calendar = _frames.check_calendar(calendar)

    @property
    def calendar(self) -> str:
        """The Jalali calendar in which this namespace names dates: "astronomical" or
        "arithmetic".

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20"]).str.to_date()
        >>> s.jalali.calendar, s.jalali.arithmetic.calendar
        ('astronomical', 'arithmetic')
        """
        return self._calendar

    @property
    def astronomical(self):
        """The namespace in the astronomical Jalali calendar, the one in civil use in Iran: the
        same as ``.jalali`` itself.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20"]).str.to_date()
        >>> s.jalali.astronomical.parts().to_list()
        [{'year': 1403, 'month': 12, 'day': 30}]
        """
        return type(self)(self._data, "astronomical")

    @property
    def arithmetic(self):
        """The namespace in the arithmetic Jalali calendar, whose leap years follow a fixed
        2820-year cycle: that of algorithms_c's functions.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20"]).str.to_date()
        >>> s.jalali.arithmetic.parts().to_list()
        [{'year': 1404, 'month': 1, 'day': 1}]
        """
        return type(self)(self._data, "arithmetic")

    def _apply(self, work, dtype, *args):
        """`work(series, calendar, *args)` on a Series, or in an expression on each batch."""
        if isinstance(self._data, pl.Series):
            return work(self._data, self._calendar, *args)
        calendar = self._calendar
        return self._data.map_batches(lambda series: work(series, calendar, *args), return_dtype=dtype,
                                      is_elementwise=True)

    def _same_dtype(self):
        """The dtype of the data, where it is known without running it: the result dtype of the
        period and month methods."""
        if isinstance(self._data, pl.Series):
            return self._data.dtype
        return pl.dtype_of(self._data) if hasattr(pl, "dtype_of") else None

    def parts(self):
        """The Jalali year, month and day of each date, from one conversion.

        Returns
        -------
        Series or Expr
            A struct of three ``Int32`` fields, ``year``, ``month`` and ``day``; null where the
            date is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20", None]).str.to_date()
        >>> s.jalali.parts().to_list()
        [{'year': 1403, 'month': 12, 'day': 30}, None]
        """
        return self._apply(_parts, PARTS)

    def floor(self, freq: str):
        """The start of the Jalali period that holds each date: local midnight of its first day.

        Parameters
        ----------
        freq : {"year", "quarter", "month", "week", "day"}
            The period: a Jalali year, a quarter of three months, a month, a week from
            Saturday, or a day.

        Returns
        -------
        Series or Expr
            Of the data's own dtype and time zone, null where it is null. Where a time zone
            skips local midnight, the period begins at the first instant of that day.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20", "2025-04-05"]).str.to_date()
        >>> s.jalali.floor("month").to_list()
        [datetime.date(2025, 2, 19), datetime.date(2025, 3, 21)]
        """
        _frames.check_frequency(freq)
        return self._apply(_floor, self._same_dtype(), freq)

    def ceil(self, freq: str):
        """The start of the next Jalali period, unless the date is at the start of one.

        Parameters
        ----------
        freq : {"year", "quarter", "month", "week", "day"}
            The period, as for :meth:`floor`.

        Returns
        -------
        Series or Expr
            Of the data's own dtype and time zone, null where it is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20", "2025-03-21"]).str.to_date()
        >>> s.jalali.ceil("year").to_list()
        [datetime.date(2025, 3, 21), datetime.date(2025, 3, 21)]
        """
        _frames.check_frequency(freq)
        return self._apply(_ceil, self._same_dtype(), freq)

    def add_months(self, n: int, ambiguous: str = "raise", non_existent: str = "raise"):
        """Each date `n` Jalali months on (back, for a negative `n`), at the same time of day;
        a day beyond the target month's length becomes its last day.

        Parameters
        ----------
        n : int
            The number of months.
        ambiguous : {"raise", "earliest", "latest", "null"}
            With a time zone, what a local time that the zone repeats gives, as
            ``dt.replace_time_zone`` takes it; "raise" raises, naming the first such row.
        non_existent : {"raise", "null"}
            With a time zone, what a local time that the zone skips gives, as
            ``dt.replace_time_zone`` takes it; "raise" raises, naming the first such row.

        Returns
        -------
        Series or Expr
            Of the data's own dtype and time zone, null where it is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2024-09-21"]).str.to_date()   # 31 Shahrivar 1403
        >>> s.jalali.add_months(1).to_list()          # 30 Mehr: Mehr has 30 days
        [datetime.date(2024, 10, 21)]
        """
        return self._apply(_add_months, self._same_dtype(), n, ambiguous, non_existent)

    def strftime(self, format: str, locale: str = "en", digits: str = "latin"):
        """The Jalali date and time of each value written by a format, as jdatetime's
        ``strftime`` writes them, for the whole column at once.

        Parameters
        ----------
        format : str
            Text with the directives of ``algorithms_c_pandas.JalaliAccessor.strftime``:
            ``%Y %y %m %-m %d %-d %j %B %b %A %a %w %H %-H %I %M %S %f %p %z %Z %%``.
        locale : {"en", "fa", "fa-AF", "ps"}
            English names, Persian ones, or Afghanistan's: Dari (``"fa-AF"``) or Pashto (``"ps"``).
        digits : {"latin", "persian"}
            Digits as 0-9, or every digit written as ۰-۹.

        Returns
        -------
        Series or Expr
            ``pl.String``, null where the value is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2024-03-19", None]).str.to_date()
        >>> s.jalali.strftime("%A %-d %B %Y").to_list()
        ['Tuesday 29 Esfand 1402', None]
        """
        return self._apply(_strftime, pl.String, format, locale, digits)

    def month_name(self, locale: str = "en"):
        """The name of each date's Jalali month.

        Parameters
        ----------
        locale : {"en", "fa", "fa-AF", "ps"}
            Farvardin ... Esfand, فروردین ... اسفند, in Dari حمل ... حوت, in Pashto وری ... کب.

        Returns
        -------
        Series or Expr
            ``pl.String``, null where the date is null.

        Examples
        --------
        >>> pl.Series("d", ["2025-03-21"]).str.to_date().jalali.month_name("fa").to_list()
        ['فروردین']
        """
        return self.strftime("%B", locale)

    def day_name(self, locale: str = "en"):
        """The name of each date's weekday.

        Parameters
        ----------
        locale : {"en", "fa", "fa-AF", "ps"}
            Saturday ... Friday, or شنبه ... جمعه (with the zero-width non-joiner of یک‌شنبه,
            سه‌شنبه and پنج‌شنبه); in Dari CLDR's شنبه ... جمعه, in Pashto اونۍ ... جمعه.

        Returns
        -------
        Series or Expr
            ``pl.String``, null where the date is null.

        Examples
        --------
        >>> pl.Series("d", ["2025-03-21"]).str.to_date().jalali.day_name().to_list()
        ['Friday']
        """
        return self.strftime("%A", locale)

    def to_date(self, format=None, strict: bool = True):
        """A String column of Jalali dates read into ``pl.Date``, as ``str.to_date`` reads
        Gregorian ones.

        Parameters
        ----------
        format : str, optional
            As for ``algorithms_c_pandas.to_datetime``: without one, ``YYYY/MM/DD``,
            ``YYYY-MM-DD`` or ``YYYYMMDD``, with or without a time; digits in any of three
            scripts.
        strict : bool
            Whether a text that names no date raises a ValueError naming its position and its
            text, or gives null.

        Examples
        --------
        >>> pl.Series("s", ["1402/12/29", "۱۴۰۳-۱-۵", None]).jalali.to_date().to_list()
        [datetime.date(2024, 3, 19), datetime.date(2024, 3, 24), None]
        """
        return self._apply(_to_date, pl.Date, format, strict)

    def to_datetime(self, format=None, strict: bool = True, time_unit: str = "us"):
        """A String column of Jalali dates and times read into ``pl.Datetime(time_unit)`` (in
        UTC where the format reads an offset or a zone), as ``str.to_datetime`` reads Gregorian
        ones.

        Parameters
        ----------
        format : str, optional
            As for :meth:`to_date`.
        strict : bool
            As for :meth:`to_date`.
        time_unit : {"ms", "us", "ns"}
            The unit of the datetimes.

        Examples
        --------
        >>> pl.Series("s", ["1402/12/29 10:30"]).jalali.to_datetime().to_list()
        [datetime.datetime(2024, 3, 19, 10, 30)]
        """
        dtype = pl.Datetime(time_unit, "UTC" if _frames.writes_zone(format) else None)
        return self._apply(_to_datetime, dtype, format, strict, time_unit)

    def add_years(self, n: int, ambiguous: str = "raise", non_existent: str = "raise"):
        """Each date `n` Jalali years on; 30 Esfand of a leap year becomes 29 Esfand of a common
        one.

        Parameters
        ----------
        n : int
            The number of years.
        ambiguous, non_existent
            As for :meth:`add_months`.

        Returns
        -------
        Series or Expr
            As :meth:`add_months` gives them.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-20"]).str.to_date()   # 30 Esfand 1403
        >>> s.jalali.add_years(1).to_list()           # 29 Esfand 1404
        [datetime.date(2026, 3, 20)]
        """
        return self._apply(_add_years, self._same_dtype(), n, ambiguous, non_existent)

    # Holidays, working days and whole months: the work is in _algorithms_c_workdays, by
    # NumPy's business-day functions.
    def is_holiday(self, holidays=None, errors: str = "warn"):
        """Whether the date is one of Iran's official holidays, as the ``holidays`` package
        holds them, with the days that the session's calendar (``algorithms_c_polars.holidays``)
        adds or removes.

        Parameters
        ----------
        holidays : HolidayCalendar, list or dict, optional
            The session's calendar where None; a :class:`HolidayCalendar`; or days (dates or
            Jalali ``(year, month, day)`` tuples) added to the session's calendar for this call.
        errors : {"warn", "raise"}
            What a date outside the years of the ``holidays`` package (1980 to 2100 in holidays
            0.109) does: warn once (``HolidaysOutOfRangeWarning``) and count as no holiday, or
            raise a ValueError naming the years and the first such date.

        Returns
        -------
        Series or Expr
            ``Boolean``, null where the date is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-21", "2025-03-25", None]).str.to_date()
        >>> s.jalali.is_holiday().to_list()
        [True, False, None]
        """
        _workdays.check_errors(errors)
        return self._apply(_is_holiday, pl.Boolean, _workdays.calendar_of(holidays), errors)

    def holiday_name(self, locale: str = "en", holidays=None, errors: str = "warn"):
        """The name of the holiday on each date, as the ``holidays`` package names Iran's
        official ones: those of two holidays on one day joined by "; "; a lunar holiday that
        the package only estimates marked " (estimated)", or " (تخمینی)" in Persian.

        Parameters
        ----------
        locale : {"en", "fa"}
            English names, or Persian ones.
        holidays, errors
            As for :meth:`is_holiday`.

        Returns
        -------
        Series or Expr
            ``String``, null where the date is no holiday or is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-21", "2025-03-25"]).str.to_date()
        >>> s.jalali.holiday_name().to_list()
        ['Nowruz', None]
        """
        _workdays.check_locale(locale)
        return self._apply(_holiday_name, pl.String, locale, _workdays.calendar_of(holidays), errors)

    def is_working_day(self, weekend="friday", holidays=None, errors: str = "warn"):
        """Whether the date is a working day: not in the weekend, and no day off of the holiday
        calendar; as ``numpy.is_busday`` with the weekend's weekmask and the calendar's days.

        Parameters
        ----------
        weekend : str or collection of str
            "friday" (Iran's weekend), "thursday-friday", a weekday's name, or a collection of
            them.
        holidays, errors
            As for :meth:`is_holiday`.

        Returns
        -------
        Series or Expr
            ``Boolean``, null where the date is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-04-02", "2025-04-03"]).str.to_date()
        >>> s.jalali.is_working_day().to_list()
        [False, True]
        """
        _workdays.weekmask(weekend)
        return self._apply(_is_working_day, pl.Boolean, weekend, _workdays.calendar_of(holidays), errors)

    def add_working_days(self, n: int, weekend="friday", holidays=None, errors: str = "warn",
                         ambiguous: str = "raise", non_existent: str = "raise"):
        """Each date `n` working days on (back, for a negative `n`), at the same time of day,
        as ``numpy.busday_offset`` steps: from a day off, the count begins at the next working
        day (for a negative `n`, at the one before).

        Parameters
        ----------
        n : int
            The number of working days.
        weekend, holidays, errors
            As for :meth:`is_working_day`.
        ambiguous, non_existent
            With a time zone, what a local time that the zone repeats or skips on the day
            reached gives, as for :meth:`add_months`.

        Returns
        -------
        Series or Expr
            Of the data's own dtype and time zone, null where it is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-19"]).str.to_date()
        >>> s.jalali.add_working_days(1).to_list()
        [datetime.date(2025, 3, 26)]
        """
        _workdays.weekmask(weekend)
        return self._apply(_add_working_days, self._same_dtype(), n, weekend, _workdays.calendar_of(holidays),
                           errors, ambiguous, non_existent)

    def working_days_in_month(self, weekend="friday", holidays=None, errors: str = "warn"):
        """The number of working days in the Jalali month of each date.

        Parameters
        ----------
        weekend, holidays, errors
            As for :meth:`is_working_day`.

        Returns
        -------
        Series or Expr
            ``Int64``, null where the date is null.

        Examples
        --------
        >>> s = pl.Series("d", ["2025-03-21", "2025-04-21"]).str.to_date()
        >>> s.jalali.working_days_in_month().to_list()
        [20, 26]
        """
        _workdays.weekmask(weekend)
        return self._apply(_working_days_in_month, pl.Int64, weekend, _workdays.calendar_of(holidays), errors)

    def months_between(self, other):
        """The number of whole Jalali months from each date to the date of `other` beside it,
        negative where `other` is earlier: as ``algorithms_c_pandas.months_between`` counts
        them (31 Shahrivar to 30 Mehr is one month; the time of day is left out), which differs
        from polars' difference of ``dt.month()`` and ``dt.year()`` in counting whole months,
        not month boundaries.

        Parameters
        ----------
        other : Series, Expr or str
            A Date or Datetime column (a str names one), of the same length.

        Returns
        -------
        Series or Expr
            ``Int64``, null where either date is null.

        Examples
        --------
        >>> frame = pl.DataFrame({"a": ["2024-09-21", "2024-09-21"], "b": ["2024-10-21", "2024-10-20"]})
        >>> frame = frame.with_columns(pl.all().str.to_date())
        >>> frame.select(pl.col("a").jalali.months_between("b"))["a"].to_list()
        [1, 0]
        """
        calendar = self._calendar
        if isinstance(self._data, pl.Series) and isinstance(other, pl.Series):
            return _months_between(self._data, other, calendar)
        other = pl.col(other) if isinstance(other, str) else other
        return pl.map_batches([self._data, other], lambda c: _months_between(c[0], c[1], calendar),
                              return_dtype=pl.Int64, **ELEMENTWISE)


# Each field's example: 30 Esfand 1403, a Thursday at the end of a leap year, and 1 Farvardin
# 1404, the Friday after; and a null.
_EXAMPLES = {
    "year": "[1403, 1404, None]", "month": "[12, 1, None]", "day": "[30, 1, None]",
    "day_of_year": "[366, 1, None]", "day_of_week": "[5, 6, None]", "week_of_year": "[53, 1, None]",
    "quarter": "[4, 1, None]", "days_in_month": "[30, 31, None]", "days_in_year": "[366, 365, None]",
    "is_leap_year": "[True, False, None]", "is_month_start": "[False, True, None]",
    "is_month_end": "[True, False, None]", "is_quarter_start": "[False, True, None]",
    "is_quarter_end": "[True, False, None]", "is_year_start": "[False, True, None]",
    "is_year_end": "[True, False, None]",
}


def _field_method(name: str):
    dtype = pl.Boolean if name.startswith("is_") else pl.Int32
    work = _field(name)

    def method(self):
        return self._apply(work, dtype)

    method.__name__ = name
    method.__doc__ = f"""{_frames.FIELD_DOCS[name]}

    Returns
    -------
    Series or Expr
        ``{dtype}``, null where the date is null.

    Examples
    --------
    >>> s = pl.Series("d", ["2025-03-20", "2025-03-21", None]).str.to_date()
    >>> s.jalali.{name}().to_list()
    {_EXAMPLES[name]}
    """
    return method


for _name in _frames.FIELDS:
    setattr(_Jalali, _name, _field_method(_name))


@pl.api.register_expr_namespace("jalali")
class JalaliExpr(_Jalali):
    """The Jalali dates of a Date or Datetime expression, ``pl.col("d").jalali``, in the
    astronomical calendar, or in the arithmetic one by ``pl.col("d").jalali.arithmetic``.

    Examples
    --------
    >>> frame = pl.DataFrame({"d": ["2025-03-20", None]}).with_columns(pl.col("d").str.to_date())
    >>> frame.select(pl.col("d").jalali.year(), pl.col("d").jalali.arithmetic.year().alias("a")).rows()
    [(1403, 1404), (None, None)]
    """


@pl.api.register_series_namespace("jalali")
class JalaliSeries(_Jalali):
    """The Jalali dates of a Date or Datetime Series, ``s.jalali``, with the methods of the
    expression namespace, giving Series.

    Examples
    --------
    >>> s = pl.Series("d", ["2025-03-20", None]).str.to_date()
    >>> s.jalali.month_name().to_list(), s.jalali.arithmetic.month_name().to_list()
    (['Esfand', None], ['Farvardin', None])
    """


def _integers(series: pl.Series, what: str):
    if not series.dtype.is_integer():
        raise TypeError(f"the Jalali {what}s must be integers, not {series.dtype}")
    return series.cast(pl.Int64).fill_null(0).to_numpy(), series.is_not_null().to_numpy()


def _dates(columns, errors: str, calendar: str) -> pl.Series:
    # a literal, of one row, goes with every row of the others
    length = max(len(c) for c in columns)
    if any(len(c) not in (1, length) for c in columns):
        raise ValueError("the Jalali years, months and days must be of one length")
    columns = [c if len(c) == length else c.extend_constant(c[0], length - 1) for c in columns]
    (y, known), (m, known_month), (d, known_day) = (
        _integers(c, what) for c, what in zip(columns, ("year", "month", "day")))
    days, valid = _frames.days_from_jalali(y, m, d, known & known_month & known_day, errors, calendar)
    limit = np.iinfo(np.int32)
    if days[valid].size and not (limit.min <= days[valid].min() and days[valid].max() <= limit.max):
        raise OverflowError("a Jalali date lies outside the range of pl.Date")
    days[~valid] = 0
    return _values(columns[0].name, days.astype(np.int32), np.packbits(valid, bitorder="little")).cast(pl.Date)


def from_jalali(year, month, day, *, errors: str = "raise", calendar: str = "astronomical"):
    """The ``pl.Date`` of Jalali year, month and day columns.

    Parameters
    ----------
    year, month, day : Series, Expr or str
        Integer columns: three Series give a Series; anything else (expressions, column names)
        an expression.
    errors : {"raise", "coerce"}
        What a row that names no date does: a month outside 1 to 12, a day outside its month,
        or, in the astronomical calendar, a year outside its table. "raise" raises a ValueError
        naming the first such row; "coerce" gives null.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the dates.

    Returns
    -------
    Series or Expr
        ``pl.Date``, null where a part is null; a date outside ``pl.Date``'s range raises
        OverflowError.

    Examples
    --------
    >>> from_jalali(pl.Series([1403, 1404]), pl.Series([12, 1]), pl.Series([30, 1])).to_list()
    [datetime.date(2025, 3, 20), datetime.date(2025, 3, 21)]
    """
    _frames.check_calendar(calendar)
    parts = (year, month, day)
    if all(isinstance(p, pl.Series) for p in parts):
        return _dates(parts, errors, calendar)
    exprs = [pl.col(p) if isinstance(p, str) else p for p in parts]
    return pl.map_batches(exprs, lambda columns: _dates(columns, errors, calendar), return_dtype=pl.Date,
                          **ELEMENTWISE)


# Holidays, working days and whole months, on the days of a column.
HolidayCalendar = _workdays.HolidayCalendar
HolidaysOutOfRangeWarning = _workdays.HolidaysOutOfRangeWarning
# The session's calendar of days off: the same object as algorithms_c_pandas.holidays.
holidays = _workdays.SESSION
__all__ += ["HolidayCalendar", "months_between"]


def _days(series: pl.Series):
    column = _column(series)
    return (column, *_workdays.column_days(column))


def _is_holiday(series: pl.Series, calendar: str, holidays, errors: str) -> pl.Series:
    _, days, missing = _days(series)
    return _values(series.name, _workdays.is_holiday(days, missing, holidays, errors), _bits(missing))


def _holiday_name(series: pl.Series, calendar: str, locale: str, holidays, errors: str) -> pl.Series:
    import pyarrow as pa

    _, days, missing = _days(series)
    names, which = _workdays.holiday_names(days, missing, holidays, locale, errors)
    indices = pa.array(which, mask=which < 0, type=pa.int64())
    return pl.Series(series.name, pl.from_arrow(pa.array(names, pa.large_string()).take(indices)), dtype=pl.String)


def _is_working_day(series: pl.Series, calendar: str, weekend, holidays, errors: str) -> pl.Series:
    _, days, missing = _days(series)
    working = _workdays.is_working_day(days, missing, weekend, holidays, errors)
    return _values(series.name, working, _bits(missing))


def _add_working_days(series: pl.Series, calendar: str, n: int, weekend, holidays, errors: str, ambiguous: str,
                      non_existent: str) -> pl.Series:
    column, days, missing = _days(series)
    to = _workdays.add_working_days(days, missing, n, weekend, holidays, errors)
    ticks = np.where(missing, 0, _workdays.moved(column, days, missing, to))  # 0 under a null, as _datetimes asks
    return _datetimes(series, (ticks, _bits(missing)), False, ambiguous, non_existent)


def _working_days_in_month(series: pl.Series, calendar: str, weekend, holidays, errors: str) -> pl.Series:
    column, days, missing = _days(series)
    first, following = (_workdays.ticks_to_days(_frames.period_starts(column, calendar, "month", False, next=n),
                                                column, missing) for n in (False, True))
    counts = _workdays.working_days(first, following, missing, weekend, holidays, errors)
    return _values(series.name, counts, _bits(missing))


def _month_parts(series: pl.Series, calendar: str):
    column, days, missing = _days(series)
    fields, _ = _frames.fields(column, calendar, ("year", "month", "day", "days_in_month"))
    return (days, *fields), missing


def _months_between(a: pl.Series, b: pl.Series, calendar: str) -> pl.Series:
    if len(a) != len(b):
        raise ValueError(f"months_between takes columns of one length, not {len(a)} and {len(b)}")
    (parts_a, missing_a), (parts_b, missing_b) = _month_parts(a, calendar), _month_parts(b, calendar)
    missing = missing_a | missing_b
    return _values(a.name, _workdays.months_between(parts_a, parts_b), _bits(missing))


def months_between(a, b, calendar: str = "astronomical"):
    """The number of whole Jalali months from each date of `a` to the date of `b` beside it,
    negative where `b` is earlier, as ``algorithms_c_pandas.months_between`` counts them: a
    month is whole when the day of the month is reached, the last day of a shorter month
    standing for the days it lacks (31 Shahrivar to 30 Mehr is one month); the time of day is
    left out.

    Parameters
    ----------
    a, b : Series, Expr or str
        Date or Datetime columns of one length; two Series give a Series, anything else
        (expressions, column names) an expression.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the months.

    Returns
    -------
    Series or Expr
        ``Int64``, null where either date is null.

    Examples
    --------
    >>> a = pl.Series("a", ["2025-03-21", "2025-03-21"]).str.to_date()
    >>> months_between(a, pl.Series("b", ["2026-03-20", "2026-03-21"]).str.to_date()).to_list()
    [11, 12]
    """
    _frames.check_calendar(calendar)
    if isinstance(a, pl.Series) and isinstance(b, pl.Series):
        return _months_between(a, b, calendar)
    columns = [pl.col(c) if isinstance(c, str) else c for c in (a, b)]
    return pl.map_batches(columns, lambda c: _months_between(c[0], c[1], calendar), return_dtype=pl.Int64,
                          **ELEMENTWISE)
