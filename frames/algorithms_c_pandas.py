"""Jalali dates of pandas and dask datetimes: ``s.jalali.year``, ``s.jalali.floor("month")``,
``s.jalali.add_months(1)``, and the way back, :func:`from_jalali` and :func:`date_range`.

Importing this module registers the ``jalali`` accessor on pandas Series and DatetimeIndex and,
where dask is installed, on dask DataFrame Series, where it runs partition by partition (see
:mod:`algorithms_c_dask`). It takes datetimes of every unit, with or without a time zone (a value
is named by its local wall-clock date, as ``Series.dt.day`` does), NumPy- or Arrow-backed, and
Arrow dates. Dates are named in the astronomical Jalali calendar, the one in civil use in Iran;
``s.jalali.arithmetic`` names them in the arithmetic calendar of algorithms_c. Missing values give
``<NA>``; the index and the name are kept.
"""

import contextlib
import functools
import importlib.util
import re

try:
    import numpy as np
    import pandas as pd
except ImportError as error:  # pragma: no cover - exercised where pandas is missing
    raise ImportError(f'algorithms_c_pandas needs pandas 2.0 or later and NumPy ({error}): '
                      f'pip install "algorithms-c[pandas]"') from error

import _algorithms_c_frames as _frames
import _algorithms_c_workdays as _workdays

__all__ = ["JalaliAccessor", "JalaliIndexAccessor", "from_jalali", "date_range", "to_datetime"]

ACCEPTED = ("datetimes: datetime64[s|ms|us|ns] with or without a time zone, "
            "timestamp[...][pyarrow], date32[pyarrow] or date64[pyarrow]")


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


def _time_zone(dtype):
    """The time zone of a pandas datetime dtype, NumPy- or Arrow-backed, or None."""
    if isinstance(dtype, pd.DatetimeTZDtype):
        return dtype.tz
    arrow = _arrow_type(dtype)
    return getattr(arrow, "tz", None)


_POSITION = re.compile(r"at position (\d+)")


def _name_label(error: Exception, index) -> None:
    """Adds to the message of an error that names a row by its position the row's label in
    `index`, where the labels are not the positions themselves (a RangeIndex from 0 by 1)."""
    if index is None or (isinstance(index, pd.RangeIndex) and index.start == 0 and index.step == 1):
        return
    message = str(error.args[0]) if len(error.args) == 1 and isinstance(error.args[0], str) else None
    found = None if message is None or "(label " in message else _POSITION.search(message)
    if found is None or int(found.group(1)) >= len(index):
        return
    label = index[int(found.group(1))]
    shown = repr(label) if isinstance(label, str) else str(label)
    error.args = (f"{message[:found.end()]} (label {shown}){message[found.end():]}",)


@functools.lru_cache(maxsize=None)
def _value_error(kind: type) -> type:
    """An error of `kind` that is a ValueError too, named as `kind` is."""
    return type(kind.__name__, (kind, ValueError), {"__module__": kind.__module__})


@contextlib.contextmanager
def _labels(index):
    """Errors raised inside that name a row by its position name its label in `index` too."""
    try:
        yield
    except (ValueError, OverflowError) as error:
        _name_label(error, index)
        raise


def _labelled(method):
    """A method of the accessors whose errors name the label of a row as well as its position."""
    @functools.wraps(method)
    def call(self, *args, **kwargs):
        with _labels(self._data.index if isinstance(self._data, pd.Series) else None):
            return method(self, *args, **kwargs)
    return call


class _Jalali:
    """What the Series and the Index accessors share: the fields, periods and month steps of
    the Jalali dates of datetimes, in one calendar."""

    def __init__(self, data, calendar: str = "astronomical"):
        if not _accepts(data.dtype):
            raise TypeError(f"the jalali accessor takes {ACCEPTED}, not {data.dtype}")
        self._data = data
        self._calendar = _frames.check_calendar(calendar)

    @property
    def calendar(self) -> str:
        """The Jalali calendar in which this accessor names dates: "astronomical" or
        "arithmetic".

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20"]))
        >>> s.jalali.calendar, s.jalali.arithmetic.calendar
        ('astronomical', 'arithmetic')
        """
        return self._calendar

    @property
    def astronomical(self):
        """The accessor in the astronomical Jalali calendar, the one in civil use in Iran: the
        same as ``.jalali`` itself.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20"]))
        >>> s.jalali.astronomical.parts().values.tolist()
        [[1403, 12, 30]]
        """
        return type(self)(self._data, "astronomical")

    @property
    def arithmetic(self):
        """The accessor in the arithmetic Jalali calendar, whose leap years follow a fixed
        2820-year cycle: that of algorithms_c's functions.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20"]))
        >>> s.jalali.arithmetic.parts().values.tolist()
        [[1404, 1, 1]]
        """
        return type(self)(self._data, "arithmetic")

    # What the Series and the Index accessors do differently.
    def _series(self) -> pd.Series:
        raise NotImplementedError

    def _wrap(self, values) -> "pd.Series | pd.Index":
        raise NotImplementedError

    def _column(self) -> _frames.Column:
        """The local wall-clock datetimes, as the native passes read them."""
        series = self._series()
        arrow = _arrow_type(series.dtype)
        if arrow is not None and getattr(arrow, "tz", None) is not None:
            # pandas' own time zone rules, those of Series.dt.day, on a NumPy copy
            series = series.astype(pd.DatetimeTZDtype(arrow.unit, arrow.tz))
            arrow = None
        if arrow is not None:
            return _frames.arrow_column(series.array.__arrow_array__())
        if isinstance(series.dtype, pd.DatetimeTZDtype):
            series = series.dt.tz_localize(None)  # the wall-clock time where each value is
        return _frames.numpy_column(series.to_numpy())

    @_labelled
    def _fields(self, names):
        values, missing = _frames.fields(self._column(), self._calendar, names)
        missing = np.zeros(len(self._data), bool) if missing is None else missing
        return [(pd.arrays.BooleanArray if v.dtype == bool else pd.arrays.IntegerArray)(v, missing) for v in values]

    def _datetimes(self, ticks: np.ndarray, column: _frames.Column, shift, nonexistent="raise", months=None):
        """Ticks of local wall-clock datetimes in the column's unit, as datetimes of the data's
        own dtype and time zone. `shift` says what to do with a local time that a time zone
        repeats: "earliest" takes the earliest instant of the local day that holds it, and of
        one that the zone skips too (for the starts of periods); else it is tz_localize's
        `ambiguous`, with `nonexistent` for a skipped time, and where they raise, the error
        names the first such row, reached `months` months on."""
        dtype = self._data.dtype
        unit = {v: k for k, v in _frames.TICKS_PER_DAY.items()}[column.per_day]
        result = pd.Series(ticks.view(f"datetime64[{unit}]"), copy=False)
        zone = _time_zone(dtype)
        if zone is not None:
            if isinstance(shift, str) and shift == "earliest":
                result = result.dt.tz_localize(zone, ambiguous=np.ones(len(result), bool), nonexistent="shift_forward")
            else:
                try:
                    result = result.dt.tz_localize(zone, ambiguous=shift, nonexistent=nonexistent)
                except Exception as error:  # ValueError with zoneinfo, pytz's own errors with pytz
                    self._raise_local_time(result, zone, shift, nonexistent, months, error)
        if result.dtype != dtype:
            result = result.astype(dtype)
        return self._wrap(result.array)

    def parts(self):
        """The Jalali year, month and day of each datetime, from one conversion.

        Returns
        -------
        DataFrame
            Columns ``year``, ``month`` and ``day`` of nullable ``Int32``, ``<NA>`` where the
            datetime is missing, with the index of the data; as ``Series.dt.isocalendar()``
            gives its parts.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20", None, "2025-03-21"]))
        >>> s.jalali.parts()
           year  month   day
        0  1403     12    30
        1  <NA>   <NA>  <NA>
        2  1404      1     1
        """
        columns = dict(zip(("year", "month", "day"), self._fields(("year", "month", "day"))))
        # indexed as the Series is, or by the index itself, as isocalendar() does
        index = self._data.index if isinstance(self._data, pd.Series) else self._data
        return pd.DataFrame(columns, index=index, copy=False)

    @_labelled
    def floor(self, freq: str):
        """The start of the Jalali period that holds each datetime: local midnight of its first
        day.

        Parameters
        ----------
        freq : {"year", "quarter", "month", "week", "day"}
            The period: a Jalali year, a quarter of three months, a month, a week from
            Saturday, or a day (``.dt.floor("D")``, but for a zone's skipped midnights).

        Returns
        -------
        Series or DatetimeIndex
            Of the data's own dtype and time zone, NaT where the datetime is missing. Where a
            time zone skips local midnight, the period begins at the first instant of that day.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20 10:30", "2025-04-05 00:00"]))
        >>> s.jalali.floor("month").tolist()
        [Timestamp('2025-02-19 00:00:00'), Timestamp('2025-03-21 00:00:00')]
        """
        column = self._column()
        return self._datetimes(_frames.period_starts(column, self._calendar, freq, False), column, "earliest")

    @_labelled
    def ceil(self, freq: str):
        """The start of the next Jalali period, unless the datetime is at the start of one.

        Parameters
        ----------
        freq : {"year", "quarter", "month", "week", "day"}
            The period, as for :meth:`floor`.

        Returns
        -------
        Series or DatetimeIndex
            Of the data's own dtype and time zone, NaT where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20 10:30", "2025-03-21 00:00"]))
        >>> s.jalali.ceil("year").tolist()
        [Timestamp('2025-03-21 00:00:00'), Timestamp('2025-03-21 00:00:00')]
        """
        column = self._column()
        if _time_zone(self._data.dtype) is None:
            return self._datetimes(_frames.period_starts(column, self._calendar, freq, True), column, "earliest")
        # with a time zone, a value is at a start when it is the instant at which its period
        # begins, whatever the wall clock says (a skipped or a repeated midnight)
        floor = self._datetimes(_frames.period_starts(column, self._calendar, freq, False), column, "earliest")
        following = self._datetimes(_frames.period_starts(column, self._calendar, freq, False, next=True), column,
                                    "earliest")
        at_start = np.asarray(self._data == floor, dtype=bool)
        return floor.where(at_start, following)

    def _raise_local_time(self, local: pd.Series, zone, ambiguous, nonexistent, months, error: Exception):
        """Raises `error`, of tz_localize, again, naming the first row whose local time the
        zone skips or repeats and the argument that decides it."""
        known = local.notna().to_numpy()
        # the rows that the zone repeats, and those that it skips
        repeats = local.dt.tz_localize(zone, ambiguous="NaT", nonexistent="shift_forward").isna().to_numpy() & known
        skips = local.dt.tz_localize(zone, ambiguous=np.ones(len(local), bool), nonexistent="NaT").isna().to_numpy() \
            & known
        raising = lambda choice: isinstance(choice, str) and choice == "raise"  # noqa: E731
        refused = (repeats if raising(ambiguous) else False) | (skips if raising(nonexistent) else False)
        if not np.any(refused):  # "infer", say, which asks for the whole column
            raise error
        row = int(np.argmax(refused))
        repeated = bool(repeats[row])
        step = "" if months is None else f" {months} months on"
        # a ValueError, as pandas 3 raises it; pandas 2 raises pytz's errors, which are not
        # ValueErrors: the error raised is then one of both kinds
        kind = type(error) if isinstance(error, ValueError) else _value_error(type(error))
        raise kind(
            f"the value at position {row}, {self._series().iloc[row]},{step} is at {local.iloc[row]}, a local time "
            f"that {zone} {'repeats' if repeated else 'skips'}: choose an instant with "
            f"{'ambiguous=' if repeated else 'nonexistent='}, as tz_localize takes it ({error})") from error

    @_labelled
    def add_months(self, n: int, ambiguous="raise", nonexistent="raise"):
        """Each datetime `n` Jalali months on (back, for a negative `n`), at the same time of
        day; a day beyond the target month's length becomes its last day, as pandas'
        ``DateOffset(months=n)`` clamps Gregorian months.

        Parameters
        ----------
        n : int
            The number of months.
        ambiguous : "raise", "NaT", bool or array of bool
            With a time zone, what a local time that the zone repeats gives, as
            ``Series.dt.tz_localize`` takes it: True the earlier instant (daylight saving
            time), False the later. "raise" raises a ValueError naming the first such row.
        nonexistent : "raise", "shift_forward", "shift_backward", "NaT" or timedelta
            With a time zone, what a local time that the zone skips gives, as
            ``Series.dt.tz_localize`` takes it. "raise" raises a ValueError naming the first
            such row.

        Returns
        -------
        Series or DatetimeIndex
            Of the data's own dtype and time zone, NaT where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2024-09-21 08:00"]))   # 31 Shahrivar 1403
        >>> s.jalali.add_months(1).tolist()                        # 30 Mehr: Mehr has 30 days
        [Timestamp('2024-10-21 08:00:00')]
        """
        column = self._column()
        return self._datetimes(_frames.add_months(column, self._calendar, n), column, ambiguous, nonexistent, n)

    def _zones(self, format: str):
        """The UTC offsets and zone names of the values, where they have a time zone and the
        format writes them (%z, %Z); else None."""
        series = self._series()
        zone = _time_zone(series.dtype)
        if zone is None or not _frames.writes_zone(format):
            return None
        if not isinstance(series.dtype, pd.DatetimeTZDtype):
            series = series.astype(pd.DatetimeTZDtype(_arrow_type(series.dtype).unit, zone))
        known = series.notna().to_numpy()
        east = (series.dt.tz_localize(None) - series.dt.tz_convert("UTC").dt.tz_localize(None)).to_numpy()
        east = np.where(known, east.astype("timedelta64[s]").astype(np.int64), 0).astype(np.int32)
        if not _frames.format_facts(format)["zone_name"]:
            return _frames.Zones(east, np.zeros(len(series), np.int32), ())
        # a zone's name is not a function of its offset (Moscow was MSD and then MSK at +0400):
        # each value's own, as pandas writes it, only where the format asks for it
        names, codes = np.unique(series.dt.strftime("%Z").fillna("").to_numpy(dtype=str), return_inverse=True)
        return _frames.Zones(east, codes.reshape(-1).astype(np.int32), tuple(names.tolist()))

    @_labelled
    def strftime(self, format: str, locale: str = "en", digits: str = "latin"):
        """The Jalali date and time of each datetime written by a format, as jdatetime's
        ``strftime`` writes them, for the whole column at once.

        Parameters
        ----------
        format : str
            Text with the directives ``%Y`` (year), ``%y`` (year of the century), ``%m`` and
            ``%-m`` (month), ``%d`` and ``%-d`` (day), ``%j`` (day of the year), ``%B`` and
            ``%b`` (month name, short), ``%A`` and ``%a`` (weekday name, short), ``%w`` (weekday,
            0 = Saturday), ``%H``, ``%-H``, ``%I`` (hour, of 12), ``%M``, ``%S``, ``%f``
            (microseconds), ``%p`` (before or after noon), ``%z`` (UTC offset), ``%Z`` (zone name)
            and ``%%``; ``-`` leaves a number unpadded. A value without a time zone writes
            nothing for ``%z`` and ``%Z``.
        locale : {"en", "fa", "fa-AF", "ps"}
            English names (Farvardin, Saturday, AM), Persian ones (فروردین, شنبه, قبل از ظهر), or
            Afghanistan's, as CLDR spells them: Dari (``"fa-AF"``: حمل, شنبه, ق.ظ.) or Pashto
            (``"ps"``: وری, اونۍ, غ.م.).
        digits : {"latin", "persian"}
            Digits as 0-9, or every digit written as ۰-۹.

        Returns
        -------
        Series or Index
            pandas' string dtype (``string[pyarrow]`` where pyarrow is installed), ``<NA>`` where
            the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2024-03-19 14:30", None]))
        >>> s.jalali.strftime("%Y/%m/%d %H:%M").tolist()
        ['1402/12/29 14:30', <NA>]
        >>> s.jalali.strftime("%-d %B %Y", locale="fa", digits="persian").tolist()
        ['۲۹ اسفند ۱۴۰۲', <NA>]
        """
        array, missing = _frames.strftime(self._column(), self._calendar, format, locale, digits,
                                          self._zones(format))
        return self._wrap(_string_array(array, missing))

    def month_name(self, locale: str = "en"):
        """The name of each date's Jalali month.

        Parameters
        ----------
        locale : {"en", "fa", "fa-AF", "ps"}
            Farvardin ... Esfand, فروردین ... اسفند, in Dari حمل ... حوت, in Pashto وری ... کب.

        Returns
        -------
        Series or Index
            pandas' string dtype, ``<NA>`` where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20", "2025-03-21"]))
        >>> s.jalali.month_name().tolist(), s.jalali.month_name("fa").tolist()
        (['Esfand', 'Farvardin'], ['اسفند', 'فروردین'])
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
        Series or Index
            pandas' string dtype, ``<NA>`` where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20", "2025-03-21"]))
        >>> s.jalali.day_name().tolist()
        ['Thursday', 'Friday']
        """
        return self.strftime("%A", locale)

    def add_years(self, n: int, ambiguous="raise", nonexistent="raise"):
        """Each datetime `n` Jalali years on, at the same time of day; 30 Esfand of a leap
        year becomes 29 Esfand of a common one.

        Parameters
        ----------
        n : int
            The number of years.
        ambiguous, nonexistent
            As for :meth:`add_months`.

        Returns
        -------
        Series or DatetimeIndex
            As :meth:`add_months` gives them.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-20"]))         # 30 Esfand 1403
        >>> s.jalali.add_years(1).jalali.parts().values.tolist()
        [[1404, 12, 29]]
        """
        if isinstance(n, (bool, np.bool_)) or not isinstance(n, (int, np.integer)):
            raise TypeError(f"the number of years must be an integer, not {type(n).__name__}")
        return self.add_months(12 * int(n), ambiguous, nonexistent)

    # Holidays, working days and whole months, on the days of the column: the work is in
    # _algorithms_c_workdays, by NumPy's business-day functions.
    def _flags(self, values: np.ndarray, missing: np.ndarray):
        return self._wrap(pd.arrays.BooleanArray(values, missing.copy()))

    @property
    def is_holiday(self):
        """Whether the date is one of Iran's official holidays, as the ``holidays`` package
        holds them (with the days that the session's calendar, ``algorithms_c_pandas.holidays``,
        adds or removes). Dates outside the package's years (1980 to 2100 in holidays 0.109)
        warn once, with ``HolidaysOutOfRangeWarning``, and count as no holiday;
        :meth:`is_holiday_in` takes another calendar, and ``errors="raise"``.

        Returns
        -------
        Series or Index
            Nullable ``boolean``, ``<NA>`` where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-21", "2025-03-25", None]))
        >>> s.jalali.is_holiday.tolist()
        [True, False, <NA>]
        """
        return self.is_holiday_in()

    @_labelled
    def is_holiday_in(self, holidays=None, errors: str = "warn"):
        """Whether the date is a day off of a holiday calendar: :attr:`is_holiday` with the
        calendar of the call.

        Parameters
        ----------
        holidays : HolidayCalendar, list or dict, optional
            The session's calendar, ``algorithms_c_pandas.holidays``, where None; a
            :class:`HolidayCalendar`; or days (dates or Jalali ``(year, month, day)`` tuples)
            added to the session's calendar for this call.
        errors : {"warn", "raise"}
            What a date outside the years of the ``holidays`` package does: warn once and
            count as no holiday, or raise a ValueError naming the years and the first such
            date.

        Returns
        -------
        Series or Index
            Nullable ``boolean``, ``<NA>`` where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-25", "2025-03-26"]))
        >>> s.jalali.is_holiday_in([(1404, 1, 5)]).tolist()
        [True, False]
        """
        days, missing = _workdays.column_days(self._column())
        calendar = _workdays.calendar_of(holidays)
        return self._flags(_workdays.is_holiday(days, missing, calendar, errors), missing)

    @_labelled
    def holiday_name(self, locale: str = "en", holidays=None, errors: str = "warn"):
        """The name of the holiday on each date, as the ``holidays`` package names Iran's
        official ones: those of two holidays on one day joined by "; "; a lunar holiday that
        the package only estimates (one not yet observed) marked " (estimated)", or
        " (تخمینی)" in Persian. A day added without a name is "Day off" ("تعطیل").

        Parameters
        ----------
        locale : {"en", "fa"}
            English names, or Persian ones.
        holidays : HolidayCalendar, list or dict, optional
            As for :meth:`is_holiday_in`.
        errors : {"warn", "raise"}
            As for :meth:`is_holiday_in`.

        Returns
        -------
        Series or Index
            pandas' string dtype, ``<NA>`` where the date is no holiday or the datetime is
            missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-21", "2025-03-25", "2025-04-01"]))
        >>> s.jalali.holiday_name().tolist()
        ['Nowruz', <NA>, 'Eid al-Fitr Holiday; Islamic Republic Day']
        >>> s.jalali.holiday_name("fa").tolist()[0]
        'جشن نوروز'
        """
        days, missing = _workdays.column_days(self._column())
        names, which = _workdays.holiday_names(days, missing, _workdays.calendar_of(holidays), locale, errors)
        return self._wrap(_names(names, which))

    @_labelled
    def is_working_day(self, weekend="friday", holidays=None, errors: str = "warn"):
        """Whether the date is a working day: not in the weekend, and no day off of the holiday
        calendar; as ``numpy.is_busday`` with the weekend's weekmask and the calendar's days.

        Parameters
        ----------
        weekend : str or collection of str
            "friday" (Iran's weekend), "thursday-friday" (that of many offices), a weekday's
            name, or a collection of them, such as ``{"friday", "saturday"}``.
        holidays : HolidayCalendar, list or dict, optional
            As for :meth:`is_holiday_in`; ``HolidayCalendar(official=False)`` counts the
            weekend alone.
        errors : {"warn", "raise"}
            As for :meth:`is_holiday_in`.

        Returns
        -------
        Series or Index
            Nullable ``boolean``, ``<NA>`` where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-04-02", "2025-04-03", "2025-04-04"]))  # 13-15 Farvardin
        >>> s.jalali.is_working_day().tolist(), s.jalali.is_working_day("thursday-friday").tolist()
        ([False, True, False], [False, False, False])
        """
        days, missing = _workdays.column_days(self._column())
        calendar = _workdays.calendar_of(holidays)
        return self._flags(_workdays.is_working_day(days, missing, weekend, calendar, errors) & ~missing, missing)

    @_labelled
    def add_working_days(self, n, weekend="friday", holidays=None, errors: str = "warn", ambiguous="raise",
                         nonexistent="raise"):
        """Each datetime `n` working days on (back, for a negative `n`), at the same time of
        day, as ``numpy.busday_offset`` steps: from a day off, the count begins at the next
        working day (for a negative `n`, at the one before), so that ``add_working_days(0)``
        rolls a day off to the next working day.

        Parameters
        ----------
        n : int or array-like of int
            The number of working days, one for all or one a row.
        weekend, holidays, errors
            As for :meth:`is_working_day`.
        ambiguous, nonexistent
            With a time zone, what a local time that the zone repeats or skips on the day
            reached gives, as for :meth:`add_months`.

        Returns
        -------
        Series or DatetimeIndex
            Of the data's own dtype and time zone, NaT where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-19 09:30"]))   # 29 Esfand 1403, a Wednesday
        >>> s.jalali.add_working_days(1).tolist()                 # past Nowruz, to 6 Farvardin
        [Timestamp('2025-03-26 09:30:00')]
        """
        column = self._column()
        days, missing = _workdays.column_days(column)
        steps = n if isinstance(n, (int, np.integer)) else np.asarray(n)
        result = _workdays.add_working_days(days, missing, steps, weekend, _workdays.calendar_of(holidays), errors)
        return self._datetimes(_workdays.moved(column, days, missing, result), column, ambiguous, nonexistent)

    @_labelled
    def working_days_in_month(self, weekend="friday", holidays=None, errors: str = "warn"):
        """The number of working days in the Jalali month of each date, as
        ``numpy.busday_count`` counts them from its first day to the next month's.

        Parameters
        ----------
        weekend, holidays, errors
            As for :meth:`is_working_day`.

        Returns
        -------
        Series or Index
            Nullable ``Int64``, ``<NA>`` where the datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2025-03-21", "2025-04-21"]))   # Farvardin, Ordibehesht 1404
        >>> s.jalali.working_days_in_month().tolist()
        [20, 26]
        """
        column = self._column()
        days, missing = _workdays.column_days(column)
        first = _workdays.ticks_to_days(_frames.period_starts(column, self._calendar, "month", False), column, missing)
        following = _workdays.ticks_to_days(_frames.period_starts(column, self._calendar, "month", False, next=True),
                                            column, missing)
        counts = _workdays.working_days(first, following, missing, weekend, _workdays.calendar_of(holidays), errors)
        return self._wrap(pd.arrays.IntegerArray(counts, missing.copy()))

    @_labelled
    def months_between(self, other):
        """The number of whole Jalali months from each date to `other`, negative where `other`
        is earlier: :func:`months_between` of these dates and `other`, in this accessor's
        calendar.

        Parameters
        ----------
        other : Series, Index, array-like, datetime-like or tuple
            The dates to count to, by position (a Series of another index raises), or one date
            for every row (a Jalali date as a tuple ``(year, month, day)``).

        Returns
        -------
        Series or Index
            Nullable ``Int64``, ``<NA>`` where either datetime is missing.

        Examples
        --------
        >>> s = pd.Series(pd.to_datetime(["2024-09-21", "2024-09-21"]))   # 31 Shahrivar 1403
        >>> s.jalali.months_between(pd.to_datetime(["2024-10-21", "2024-10-20"])).tolist()
        [1, 0]
        """
        if isinstance(other, pd.Series) and isinstance(self._data, pd.Series) and not other.index.equals(
                self._data.index):
            raise ValueError("months_between counts by position: the other Series has another index; align them "
                             "first")
        months, missing = _months_between(self, _accessor(other, self._calendar)[0])
        return self._wrap(pd.arrays.IntegerArray(months, missing))


# Two dates of each field's example: 30 Esfand 1403, a Thursday at the end of a leap year, and
# 1 Farvardin 1404, the Friday after; and a missing value.
_EXAMPLES = {
    "year": "[1403, 1404, <NA>]", "month": "[12, 1, <NA>]", "day": "[30, 1, <NA>]",
    "day_of_year": "[366, 1, <NA>]", "day_of_week": "[5, 6, <NA>]", "week_of_year": "[53, 1, <NA>]",
    "quarter": "[4, 1, <NA>]", "days_in_month": "[30, 31, <NA>]", "days_in_year": "[366, 365, <NA>]",
    "is_leap_year": "[True, False, <NA>]", "is_month_start": "[False, True, <NA>]",
    "is_month_end": "[True, False, <NA>]", "is_quarter_start": "[False, True, <NA>]",
    "is_quarter_end": "[True, False, <NA>]", "is_year_start": "[False, True, <NA>]",
    "is_year_end": "[True, False, <NA>]",
}

# the dask accessor's example of is_holiday, on the dates of the others
_EXAMPLES["is_holiday"] = "[True, True, <NA>]"

def _field_property(name: str):
    kind = "boolean" if name.startswith("is_") else "Int32"

    def get(self):
        (values,) = self._fields((name,))
        return self._wrap(values)

    get.__name__ = name
    get.__doc__ = f"""{_frames.FIELD_DOCS[name]}

    Returns
    -------
    Series or Index
        Nullable ``{kind}``, ``<NA>`` where the datetime is missing; the index and the name kept.

    Examples
    --------
    >>> s = pd.Series(pd.to_datetime(["2025-03-20", "2025-03-21", None]))
    >>> s.jalali.{name}.tolist()
    {_EXAMPLES[name]}
    """
    return property(get)


for _name in _frames.FIELDS:
    setattr(_Jalali, _name, _field_property(_name))


@pd.api.extensions.register_series_accessor("jalali")
class JalaliAccessor(_Jalali):
    """The Jalali dates of a Series of datetimes, ``s.jalali``, as ``Series.dt`` gives the
    Gregorian ones: in the astronomical calendar, or in the arithmetic one by
    ``s.jalali.arithmetic``.

    Examples
    --------
    >>> s = pd.Series(pd.to_datetime(["2025-03-20 23:30", None]), name="when")
    >>> s.jalali.year
    0    1403
    1    <NA>
    Name: when, dtype: Int32
    >>> s.jalali.arithmetic.year.tolist()
    [1404, <NA>]
    """

    def _series(self) -> pd.Series:
        return self._data

    def _wrap(self, values) -> pd.Series:
        return pd.Series(values, index=self._data.index, name=self._data.name, copy=False)


@pd.api.extensions.register_index_accessor("jalali")
class JalaliIndexAccessor(_Jalali):
    """The Jalali dates of a DatetimeIndex, ``index.jalali``, with the properties and methods
    of the Series accessor, giving Index objects as ``DatetimeIndex.month`` does (a
    DatetimeIndex for the periods and steps).

    Examples
    --------
    >>> index = pd.DatetimeIndex(["2025-03-20", "2025-03-21"], name="day")
    >>> index.jalali.month
    Index([12, 1], dtype='Int32', name='day')
    >>> index.jalali.floor("year").strftime("%Y-%m-%d").tolist()
    ['2024-03-20', '2025-03-21']
    """

    def _series(self) -> pd.Series:
        return pd.Series(self._data, copy=False)

    def _wrap(self, values) -> pd.Index:
        return pd.Index(values, name=self._data.name, copy=False)


def _string_array(strings, missing):
    """Strings from the native writer as pandas' string array: Arrow-backed where pyarrow is
    installed, else Python-backed, <NA> where `missing`."""
    if not isinstance(strings, np.ndarray):
        try:
            return pd.arrays.ArrowStringArray(strings)
        except ValueError:  # pandas before 2.1 holds Arrow's 32-bit offsets only
            import pyarrow as pa
            return pd.arrays.ArrowStringArray(strings.cast(pa.string()))
    array = pd.array(strings.astype(object), dtype=pd.StringDtype("python"))
    if missing is not None:
        array[missing] = pd.NA
    return array


def _text(arg):
    """A column of text as the native reader takes it, with the mask of its missing values
    (None, NaN, NA) where it is not held by Arrow."""
    if isinstance(arg, np.ndarray) and arg.dtype.kind == "U":
        return arg, None
    # Python strings kept as objects: pandas would make them Arrow's, which no lone surrogate is
    series = arg if isinstance(arg, pd.Series) else (
        pd.Series(arg) if isinstance(arg, (pd.Index, pd.api.extensions.ExtensionArray))
        else pd.Series(np.asarray(arg, dtype=object), dtype=object))
    arrow = _arrow_type(series.dtype)
    if arrow is not None or (isinstance(series.dtype, pd.StringDtype) and series.dtype.storage == "pyarrow"):
        return series.array.__arrow_array__(), None
    if not (series.dtype == object or isinstance(series.dtype, pd.StringDtype)):
        raise TypeError(f"to_datetime takes text, not {series.dtype}")
    return series.to_numpy(dtype=object, na_value=None), series.isna().to_numpy()


def to_datetime(arg, format=None, errors: str = "raise", calendar: str = "astronomical", unit: str = "us"):
    """Jalali dates (and times) as text, read into datetimes: the Jalali counterpart of
    ``pd.to_datetime`` on strings, for the whole column at once.

    Parameters
    ----------
    arg : str, or Series, Index, array or list of str
        Text held as Python strings (object, ``str``, ``string[python]``), by Arrow
        (``string[pyarrow]``, Arrow-backed columns), or as a NumPy Unicode array. None, NaN,
        ``<NA>``, and text of spaces alone are missing values.
    format : str, optional
        Without one, the text is a date ``YYYY/MM/DD``, ``YYYY-MM-DD`` or ``YYYYMMDD``, the month
        and day with or without a leading zero, then optionally a time ``HH:MM[:SS[.fraction]]``
        after spaces or a ``T``. With one,
        the directives of :meth:`JalaliAccessor.strftime` (``%y`` reads 00-68 as 1400-1468 and
        69-99 as 1369-1399, as jdatetime does); month and weekday names in English or Persian
        (with or without the zero-width non-joiner, with the Arabic or the Persian yeh and kaf), a
        space for any run of spaces. Either way digits may be Latin, Persian (۰-۹) or Arabic-Indic
        (٠-٩), in one column, and spaces around the text are ignored. ``"mixed"`` is the same
        as no format: each row is read by its own form. A format must name the year (``%Y`` or
        ``%y``) and hold no ``%`` that begins no directive; ``"ISO8601"`` is refused by name.
        These mistakes raise a ValueError whatever `errors` says.
    errors : {"raise", "coerce"}
        What a text that names no date does (a month or a day out of range, a year outside the
        calendar's years or the unit's range, anything else): "raise" raises a ValueError
        naming its position (and its label, in a Series with an index of its own) and its
        text, cut after 60 characters; "coerce" gives NaT. A cell that is not text (a number
        in an object column, as spreadsheets export them) raises a TypeError, or is NaT with
        "coerce".
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the text.
    unit : {"s", "ms", "us", "ns"}
        The unit of the datetimes.

    Returns
    -------
    Timestamp, Series or DatetimeIndex
        A Timestamp (or NaT) for a str, a Series (the index and the name kept) for a Series,
        else a DatetimeIndex, as ``pd.to_datetime`` gives them; ``datetime64[unit]``, or
        ``datetime64[unit, UTC]`` where the format reads an offset (``%z``) or a zone (``%Z``:
        UTC or GMT).

    Examples
    --------
    >>> to_datetime(pd.Series(["1402/12/29", "۱۴۰۳-۱-۵", " 14030105 10:30 ", "", None]))
    0   2024-03-19 00:00:00
    1   2024-03-24 00:00:00
    2   2024-03-24 10:30:00
    3                   NaT
    4                   NaT
    dtype: datetime64[us]
    >>> to_datetime(["29 اسفند 1402", "5 Farvardin 1403"], format="%d %B %Y").strftime("%Y-%m-%d").tolist()
    ['2024-03-19', '2024-03-24']
    >>> to_datetime(["1402/13/01", "1403/12/30"], errors="coerce").tolist()
    [NaT, Timestamp('2025-03-20 00:00:00')]
    >>> to_datetime("1404/01/01 12:30")
    Timestamp('2025-03-21 12:30:00')
    """
    if isinstance(arg, str):  # one text, one Timestamp (or NaT), as pd.to_datetime gives
        return to_datetime([arg], format, errors, calendar, unit)[0]
    if type(arg).__module__.startswith("dask") and hasattr(arg, "map_partitions"):
        # lazily, partition by partition, each a pandas Series with its own index
        meta = to_datetime(arg._meta, format, errors, calendar, unit)
        if _frames.writes_zone(format) and meta.dt.tz is None:  # an empty partition reads no offset
            meta = meta.dt.tz_localize("UTC")
        return arg.map_partitions(to_datetime, format, errors, calendar, unit, meta=meta)
    if np.ndim(arg) == 0:
        raise TypeError(f"to_datetime reads text: a str, or a Series, array or list of them, not {type(arg).__name__}")
    strings, mask = _text(arg)
    with _labels(arg.index if isinstance(arg, pd.Series) else None):
        ticks, zoned = _frames.strptime(strings, calendar, format, errors, unit, mask)
    stamps = ticks.view(f"datetime64[{unit}]")
    if isinstance(arg, pd.Series):
        result = pd.Series(stamps, index=arg.index, name=arg.name, copy=False)
        return result.dt.tz_localize("UTC") if zoned else result
    index = pd.DatetimeIndex(stamps, name=getattr(arg, "name", None))
    return index.tz_localize("UTC") if zoned else index


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


def _aligned(parts):
    """The Series among the parts aligned on their labels, as pandas arithmetic aligns them: on
    the union of their indexes, a part missing where its Series has no such label. Anything
    else is taken by position."""
    series = [p for p in parts if isinstance(p, pd.Series)]
    if all(s.index.equals(series[0].index) for s in series[1:]):
        return parts
    if any(not s.index.is_unique for s in series):
        raise ValueError("the Series of Jalali years, months and days have different indexes, with a label that "
                         "repeats: align them first, or give them the same index")
    index = functools.reduce(lambda a, b: a.union(b), (s.index for s in series[1:]), series[0].index)
    # NumPy integers made nullable first, so that a label one Series lacks is <NA>, not a float NaN
    return [(p.astype(f"{'U' if p.dtype.kind == 'u' else ''}Int{8 * p.dtype.itemsize}")
             if isinstance(p.dtype, np.dtype) and p.dtype.kind in "iu" else p).reindex(index)
            if isinstance(p, pd.Series) else p for p in parts]


def from_jalali(year, month, day, *, errors: str = "raise", unit: str = "us", calendar: str = "astronomical"):
    """The datetimes at midnight of Jalali year, month and day columns, as
    ``pd.to_datetime(df[["year", "month", "day"]])`` gives those of Gregorian ones.

    Parameters
    ----------
    year, month, day : Series or array-like of integers
        Plain or nullable integers, or floats holding whole numbers; of one length. Series
        with different indexes are aligned on their labels, as pandas arithmetic aligns them
        (a part is missing where its Series lacks the label); an array-like goes by position.
    errors : {"raise", "coerce"}
        What a row that names no date does: a month outside 1 to 12, a day outside its month,
        or, in the astronomical calendar, a year outside its table. "raise" raises a ValueError
        naming the first such row; "coerce" gives NaT.
    unit : {"s", "ms", "us", "ns"}
        The unit of the datetimes; a date outside its range raises pandas'
        ``OutOfBoundsDatetime``.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the dates.

    Returns
    -------
    Series
        ``datetime64[unit]``, NaT where a part is missing, with the index of the Series among
        the arguments (their union, where they differ).

    Examples
    --------
    >>> from_jalali(pd.Series([1403, 1404, None], dtype="Int64"), [12, 1, 1], [30, 1, 1])
    0   2025-03-20
    1   2025-03-21
    2          NaT
    dtype: datetime64[us]
    >>> from_jalali([1404], [1], [1], calendar="arithmetic").tolist()
    [Timestamp('2025-03-20 00:00:00')]
    """
    parts = _aligned((year, month, day))
    columns = [_integers(c, what) for c, what in zip(parts, ("year", "month", "day"))]
    if len({len(values) for values, _ in columns}) != 1:
        raise ValueError("the Jalali years, months and days must be of one length")
    (y, known), (m, known_month), (d, known_day) = columns
    index = next((c.index for c in parts if isinstance(c, pd.Series)), None)
    with _labels(index):
        days, valid = _frames.days_from_jalali(y, m, d, known & known_month & known_day, errors, calendar)
    stamps = days.view("datetime64[D]")
    stamps[~valid] = np.datetime64("NaT", "D")
    # pandas holds days as seconds, and checks the range of the unit asked for
    return pd.Series(stamps, index=index, copy=False).astype(f"datetime64[{unit}]")


def date_range(start, end=None, periods=None, freq: str = "month", calendar: str = "astronomical", name=None):
    """The datetimes at which the Jalali periods begin, from the first that begins at or after
    `start`, as ``pd.date_range(start, end, periods, freq="MS")`` gives the starts of Gregorian
    months.

    Parameters
    ----------
    start : str, datetime-like or tuple
        A Jalali date: text, read as :func:`to_datetime` reads it (``"1404/01/01"``), or a
        tuple ``(year, month, day)``; or a Gregorian datetime as a ``Timestamp``, a
        ``datetime`` or a ``datetime64``. A time zone, if any, is that of the result.
    end : datetime-like or tuple, optional
        The last datetime that the result may hold, as `start` is given. Give `end` or
        `periods`.
    periods : int, optional
        The number of periods.
    freq : {"year", "quarter", "month", "week", "day"}
        The period.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the periods (and of tuples given for `start` and `end`).
    name : hashable, optional
        The name of the result.

    Returns
    -------
    DatetimeIndex
        Local midnights, ``datetime64[us]`` (with the time zone of `start`).

    Raises
    ------
    ValueError
        Where the periods run beyond the years of the astronomical calendar, or beyond the
        days that ``datetime64[us]`` holds (-290308-12-22 to 294247-01-10).

    Examples
    --------
    >>> date_range((1403, 11, 1), periods=3).strftime("%Y-%m-%d").tolist()
    ['2025-01-20', '2025-02-19', '2025-03-21']
    >>> date_range("1403/12/30", "1404/01/16", freq="week").strftime("%a %d").tolist()
    ['Sat 22', 'Sat 29', 'Sat 05']
    >>> date_range(pd.Timestamp("2025-03-20"), periods=2, freq="year").strftime("%Y-%m-%d").tolist()
    ['2025-03-21', '2026-03-21']
    """
    zone = None

    def day_of(value, later: bool) -> int:
        """The day from 1970-01-01 of a Jalali tuple, or of a datetime's midnight: for the
        start (`later`), the day on which the first period that begins at or after it begins."""
        nonlocal zone
        if isinstance(value, tuple):
            if len(value) != 3 or not all(isinstance(v, (int, np.integer)) and not isinstance(v, (bool, np.bool_))
                                          for v in value):
                raise ValueError(f"a Jalali date as a tuple is (year, month, day), of three integers, not {value!r}")
            days, _ = _frames.days_from_jalali(*(np.array([v], np.int64) for v in value), np.ones(1, bool), "raise",
                                               calendar)
            return int(days[0])
        if isinstance(value, str):  # Jalali text, as to_datetime reads it
            try:
                stamp = to_datetime(value, calendar=calendar)
            except ValueError as error:
                raise ValueError(f"date_range reads text as a Jalali date, as to_datetime does, and {value!r} is "
                                 f"not one ({error}): give a Jalali date as text (\"1404/01/01\") or as a tuple "
                                 f"(1404, 1, 1), or a Gregorian one as a Timestamp, datetime or datetime64") from None
            if stamp is pd.NaT:
                raise ValueError(f"date_range reads text as a Jalali date, and {value!r} names none")
        else:
            stamp = pd.Timestamp(value)
            if stamp is pd.NaT:
                raise ValueError("date_range takes a date for start and end, not NaT")
        if stamp.tz is not None:
            zone = zone or stamp.tz
            if later:  # the first period's start, an instant, with the zone's skipped or repeated midnights
                stamp = JalaliAccessor(pd.Series([stamp]), calendar).ceil(freq).iloc[0]
                later = False
            stamp = stamp.tz_localize(None)
        day = int(np.datetime64(stamp.normalize().to_datetime64(), "D").astype(np.int64))
        return day + (later and stamp != stamp.normalize())

    first = day_of(start, True)
    last = None if end is None else day_of(end, False)
    days = _frames.period_range(first, last, periods, freq, _frames.check_calendar(calendar))
    index = pd.DatetimeIndex((days * _frames.TICKS_PER_DAY["us"]).view("datetime64[us]"), name=name)
    if zone is not None:
        index = index.tz_localize(zone, ambiguous=np.ones(len(index), bool), nonexistent="shift_forward")
    return index


# Holidays, working days and whole months between columns of dates.
HolidayCalendar = _workdays.HolidayCalendar
HolidaysOutOfRangeWarning = _workdays.HolidaysOutOfRangeWarning
# The session's calendar of days off, which every working-day method uses unless given another.
holidays = _workdays.SESSION
__all__ += ["HolidayCalendar", "working_days", "months_between"]


def _names(names, which: np.ndarray):
    """The names of holidays, `which` of them a row (-1 for none), as pandas' string array."""
    try:
        import pyarrow as pa
    except ImportError:
        table = np.array(names + [None], dtype=object)
        return pd.array(table[which], dtype=pd.StringDtype("python"))
    indices = pa.array(which, mask=which < 0, type=pa.int64())
    return _string_array(pa.array(names, pa.large_string()).take(indices), None)


def _accessor(value, calendar: str):
    """The accessor of a column of dates, or of one date (a datetime-like, or a Jalali
    (year, month, day) tuple in `calendar`), and whether it was one date."""
    if isinstance(value, (pd.Series, pd.Index)) and _accepts(value.dtype):
        series = value if isinstance(value, pd.Series) else pd.Series(value, copy=False)
        return JalaliAccessor(series, calendar), False
    if isinstance(value, tuple):
        return JalaliAccessor(from_jalali([value[0]], [value[1]], [value[2]], calendar=calendar), calendar), True
    if np.ndim(value) == 0:
        return JalaliAccessor(pd.Series([pd.Timestamp(value)], dtype="datetime64[us]"), calendar), True
    return JalaliAccessor(pd.Series(pd.to_datetime(value)), calendar), False


def _broadcast(*columns):
    """Arrays of one row made as long as the others; columns of different lengths raise."""
    lengths = {len(c) for c in columns} - {1}
    if len(lengths) > 1:
        raise ValueError(f"the columns must be of one length, not {sorted(lengths)}")
    length = lengths.pop() if lengths else 1
    return [np.broadcast_to(c, length) if len(c) != length else c for c in columns]


def _months_between(a: "_Jalali", b: "_Jalali"):
    """Whole Jalali months from the dates of accessor a to those of b, and the mask of the rows
    where either is missing."""
    parts = []
    for accessor in (a, b):
        column = accessor._column()
        days, missing = _workdays.column_days(column)
        fields, _ = _frames.fields(column, a._calendar, ("year", "month", "day", "days_in_month"))
        parts.append((days, missing, *fields))
    (days_a, missing_a, *fields_a), (days_b, missing_b, *fields_b) = parts
    broadcast = _broadcast(days_a, missing_a, *fields_a, days_b, missing_b, *fields_b)
    days_a, missing_a, *fields_a = broadcast[:6]
    days_b, missing_b, *fields_b = broadcast[6:]
    months = _workdays.months_between((days_a, *fields_a), (days_b, *fields_b))
    return months, missing_a | missing_b


def _result(values: np.ndarray, missing: np.ndarray, arguments, one: bool):
    """Counts as a nullable Int64 Series, with the index of the first Series among the
    arguments, or a single count (or <NA>) where every argument was one date."""
    if one:
        return pd.NA if missing[0] else int(values[0])
    index = next((a.index for a in arguments if isinstance(a, pd.Series) and len(a) == len(values)), None)
    return pd.Series(pd.arrays.IntegerArray(values.astype(np.int64), missing.copy()), index=index, copy=False)


def months_between(a, b, calendar: str = "astronomical"):
    """The number of whole Jalali months from each date of `a` to the date of `b` beside it,
    negative where `b` is earlier.

    A month is whole when the day of the month is reached: from 10 Mehr, 10 Aban is one month
    on, 9 Aban none. Where the month reached is shorter, its last day stands for the days it
    lacks: 31 Shahrivar to 30 Mehr is one month, as ``add_months(1)`` steps 31 Shahrivar to 30
    Mehr. From a later date to an earlier one the count is that from the earlier to the later,
    negated. The time of day is left out: the count is between the (local wall-clock) dates.

    This differs from pandas' period difference, ``b.dt.to_period("M") - a.dt.to_period("M")``,
    besides its calendar: that counts the month boundaries between the two dates, so that
    31 Shahrivar to 1 Mehr, one day, is one month there and none here.

    Parameters
    ----------
    a, b : Series, Index, array-like, datetime-like or tuple
        Columns of datetimes of one length (by position), or one date for every row: a
        datetime, or a Jalali date as a tuple ``(year, month, day)``.
    calendar : {"astronomical", "arithmetic"}
        The Jalali calendar of the months, and of the tuples.

    Returns
    -------
    Series or int
        Nullable ``Int64`` (with the index of the first Series among `a` and `b`), ``<NA>``
        where either date is missing; an int (or ``<NA>``) where both are one date.

    Examples
    --------
    >>> months_between((1403, 6, 31), (1403, 7, 30)), months_between((1403, 7, 30), (1403, 6, 31))
    (1, -1)
    >>> a = pd.Series(pd.to_datetime(["2025-03-21", "2025-03-21", None]))
    >>> months_between(a, pd.to_datetime(["2026-03-20", "2026-03-21", "2026-03-21"])).tolist()
    [11, 12, <NA>]
    """
    _frames.check_calendar(calendar)
    (first, one_a), (second, one_b) = _accessor(a, calendar), _accessor(b, calendar)
    months, missing = _months_between(first, second)
    return _result(months, missing, (a, b), one_a and one_b)


def working_days(start, end, weekend="friday", holidays=None, errors: str = "warn"):
    """The number of working days from each date of `start` to the date of `end` beside it,
    `start` counted and `end` not, as ``numpy.busday_count`` counts them (negative where `end`
    is earlier); the time of day is left out.

    Parameters
    ----------
    start, end : Series, Index, array-like, datetime-like or tuple
        Columns of datetimes of one length (by position), or one date for every row: a
        datetime, or a Jalali date of the astronomical calendar as a tuple
        ``(year, month, day)``.
    weekend : str or collection of str
        As for :meth:`JalaliAccessor.is_working_day`: "friday", "thursday-friday", or weekday
        names.
    holidays : HolidayCalendar, list or dict, optional
        The session's calendar, ``algorithms_c_pandas.holidays``, where None; a
        :class:`HolidayCalendar`; or days added to the session's calendar for this call.
    errors : {"warn", "raise"}
        What a date outside the years of the ``holidays`` package does: warn once, or raise.

    Returns
    -------
    Series or int
        Nullable ``Int64`` (with the index of the first Series among `start` and `end`),
        ``<NA>`` where either date is missing; an int (or ``<NA>``) where both are one date.

    Examples
    --------
    >>> working_days((1404, 1, 1), (1405, 1, 1))        # the working days of 1404
    284
    >>> working_days("2025-03-22", "2025-03-29", weekend="thursday-friday", holidays=HolidayCalendar(official=False))
    5
    """
    (first, one_a), (second, one_b) = _accessor(start, "astronomical"), _accessor(end, "astronomical")
    days_a, missing_a = _workdays.column_days(first._column())
    days_b, missing_b = _workdays.column_days(second._column())
    days_a, missing_a, days_b, missing_b = _broadcast(days_a, missing_a, days_b, missing_b)
    missing = missing_a | missing_b
    counts = _workdays.working_days(days_a, days_b, missing, weekend, _workdays.calendar_of(holidays), errors)
    return _result(counts, missing, (start, end), one_a and one_b)


# Where dask is installed, its Series get the accessor too: algorithms_c_dask registers it.
if importlib.util.find_spec("dask") is not None and importlib.util.find_spec("dask.dataframe") is not None:
    try:
        import algorithms_c_dask as _dask  # noqa: F401
    except ImportError:  # dask without its DataFrame extras
        pass


def __getattr__(name: str):
    # The dask accessor, still reached here where it was defined before it had a module of its
    # own; looked up when asked for, as algorithms_c_dask may be importing this module.
    if name == "DaskJalaliAccessor":
        try:
            import algorithms_c_dask
        except ImportError:
            pass
        else:
            return algorithms_c_dask.DaskJalaliAccessor
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
