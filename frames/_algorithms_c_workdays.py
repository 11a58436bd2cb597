"""Working days and whole Jalali months on columns of days, for the data-frame adapters: Iran's
official holidays as the ``holidays`` package holds them, with the days that a user adds or
removes; the weekend as a NumPy weekmask; and NumPy's business-day functions over whole columns.

A column comes here as int64 days from 1970-01-01 and a mask of its missing values; only NumPy is
imported, and the ``holidays`` package where the official holidays are asked for.
"""

import datetime
import functools
import warnings
from typing import Dict, Iterable, Optional, Tuple

import numpy as np

import _algorithms_c_frames as _frames

# The weekdays by name, as NumPy's weekmask orders them: Monday first.
WEEKDAYS = ("monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday")
WEEKENDS = {"friday": ("friday",), "thursday-friday": ("thursday", "friday")}
# The holidays package's names of its languages, by ours.
LANGUAGES = {"en": "en_US", "fa": "fa_IR"}
# The name of a day off that a user adds without one.
DAY_OFF = {"en": "Day off", "fa": "تعطیل"}
NAT = np.iinfo(np.int64).min


class HolidaysOutOfRangeWarning(UserWarning):
    """Dates outside the years for which the holidays package holds Iran's official holidays,
    counted as no holiday."""


def weekmask(weekend) -> str:
    """NumPy's weekmask (Monday first, 1 for a working day) of a weekend: "friday",
    "thursday-friday", a weekday's name, or a collection of weekday names (full or of three
    letters, in any case)."""
    if isinstance(weekend, str):
        key = weekend.strip().lower()
        days = WEEKENDS.get(key, (key,))
    else:
        try:
            days = tuple(weekend)
        except TypeError:
            raise ValueError(f'the weekend must be "friday", "thursday-friday" or a collection of weekday names, '
                             f"not {weekend!r}") from None
    off = set()
    for day in days:
        name = day.strip().lower() if isinstance(day, str) else None
        found = [w for w in WEEKDAYS if name is not None and (name == w or (len(name) == 3 and w.startswith(name)))]
        if not found:
            raise ValueError(f'the weekend must be "friday", "thursday-friday" or a collection of weekday names '
                             f"(saturday ... friday), not {weekend!r}: {day!r} names no weekday")
        off.add(found[0])
    if len(off) == 7:
        raise ValueError(f"the weekend {weekend!r} takes all seven days of the week: no day is left to work")
    return "".join("0" if w in off else "1" for w in WEEKDAYS)


def _is_jalali(value) -> bool:
    return isinstance(value, tuple) and len(value) == 3 and all(
        isinstance(v, (int, np.integer)) and not isinstance(v, (bool, np.bool_)) for v in value)


def _day(value, position) -> int:
    """The day from 1970-01-01 of a holiday as a user gives it: a date, a datetime (its own
    date), a NumPy datetime64, or a Jalali (year, month, day) tuple of the astronomical
    calendar."""
    if isinstance(value, datetime.date):
        try:
            return (value.date() if isinstance(value, datetime.datetime) else value).toordinal() - 719163
        except ValueError:  # pandas' NaT, a datetime of no date
            raise ValueError(f"a holiday is a date, not {value!r} (item {position} of the holidays)") from None
    if isinstance(value, np.datetime64) and not np.isnat(value):
        return int(value.astype("datetime64[D]").astype(np.int64))
    if _is_jalali(value):
        parts = [np.array([v], np.int64) for v in value]
        try:
            days, _ = _frames.days_from_jalali(*parts, np.ones(1, bool), "raise", "astronomical")
        except (ValueError, OverflowError) as error:
            raise ValueError(f"the holiday {value!r}, item {position} of the holidays, is not a Jalali date: "
                             f"{error}") from None
        return int(days[0])
    raise ValueError(f"a holiday is a date, a datetime64 or a Jalali (year, month, day) tuple, not {value!r} "
                     f"(item {position} of the holidays)")


def _days(days) -> Dict[int, Optional[str]]:
    """The days of holidays as a user gives them (a list, an array of datetime64, one date or
    Jalali tuple, or a dict of them to their names), by day."""
    if _is_jalali(days) or isinstance(days, (datetime.date, np.datetime64)):
        days = [days]
    if isinstance(days, dict):
        named = {}
        for position, (day, name) in enumerate(days.items()):
            if not isinstance(name, str):
                raise ValueError(f"the name of the holiday {day!r} must be a str, not {name!r}")
            named[_day(day, position)] = name
        return named
    if isinstance(days, np.ndarray) and days.dtype.kind == "M":
        values = days.astype("datetime64[D]").reshape(-1)
        if np.isnat(values).any():
            raise ValueError(f"a holiday is a date, not NaT (item {int(np.argmax(np.isnat(values)))} of the holidays)")
        return dict.fromkeys(values.astype(np.int64).tolist())
    if isinstance(days, (str, bytes)) or not hasattr(days, "__iter__"):
        raise ValueError(f"holidays are given as a list of dates or of Jalali (year, month, day) tuples, "
                         f"not {days!r}")
    return {_day(day, position): None for position, day in enumerate(days)}


@functools.lru_cache(maxsize=None)
def _official_year(year: int, language: str) -> Tuple[Tuple[int, str], ...]:
    """Iran's official holidays of a Gregorian year, as the holidays package gives them: each
    day from 1970-01-01 and its name (days of two holidays have both names, joined by "; ";
    lunar holidays not yet observed have " (estimated)" in English, " (تخمینی)" in Persian)."""
    import holidays
    table = holidays.country_holidays("IR", years=year, language=language)
    return tuple(sorted((day.toordinal() - 719163, name) for day, name in table.items()))


def official_years() -> Tuple[int, int]:
    """The Gregorian years for which the holidays package holds Iran's holidays."""
    try:
        from holidays.countries.iran import Iran
    except ImportError as error:
        raise ImportError(f'Iran\'s official holidays come from the holidays package ({error}): '
                          f'pip install "algorithms-c[holidays]"') from error
    import holidays
    if tuple(int(n) for n in holidays.__version__.split(".")[:2]) < (0, 83):
        # older ones hold neither the years they cover nor all of the Persian names
        raise ImportError(f'Iran\'s official holidays need the holidays package 0.83 or later, not '
                          f'{holidays.__version__}: pip install "algorithms-c[holidays]"')
    return Iran.start_year, Iran.end_year


class HolidayCalendar:
    """Days off besides the weekend: Iran's official holidays, as the ``holidays`` package holds
    them (``official=True``), with days that a user adds (one-off closures, a province's own
    holidays) and removes.

    ``algorithms_c_pandas.holidays`` (the same object as ``algorithms_c_polars.holidays``) is
    the calendar of the session, which every working-day method uses unless given another;
    :meth:`add` and :meth:`remove` change it for the rest of the session. :meth:`changed`
    gives a calendar with changes of its own, for a call or a block, leaving this one as it is.

    Parameters
    ----------
    add : list or dict, optional
        Days off to add: dates (``datetime.date``, ``datetime``, ``Timestamp``,
        ``datetime64``) or Jalali ``(year, month, day)`` tuples of the astronomical calendar; a
        dict gives each its name (else it is named "Day off", or "تعطیل" in Persian).
    remove : list, optional
        Days that are no holiday, given as for `add`.
    official : bool
        Whether Iran's official holidays are among the days off; without them, only the days
        added are, and the holidays package is not needed.

    Examples
    --------
    >>> import datetime
    >>> import algorithms_c_pandas
    >>> closures = algorithms_c_pandas.holidays.changed(add={(1404, 2, 7): "Storm"}, remove=[(1404, 1, 1)])
    >>> s = pd.Series(pd.to_datetime(["2025-03-21", "2025-04-27"]))     # 1 Farvardin, 7 Ordibehesht 1404
    >>> s.jalali.is_holiday_in(closures).tolist(), s.jalali.is_holiday.tolist()
    ([False, True], [True, False])
    """

    def __init__(self, add=(), remove=(), official: bool = True):
        self._official = bool(official)
        self._added: Dict[int, Optional[str]] = {}
        self._removed: set = set()
        self.add(add)
        self.remove(remove)

    @property
    def official(self) -> bool:
        """Whether Iran's official holidays are among the days off.

        Examples
        --------
        >>> HolidayCalendar().official, HolidayCalendar(official=False).official
        (True, False)
        """
        return self._official

    def add(self, days) -> "HolidayCalendar":
        """Add days off to this calendar, for as long as it lives (for the session's own, the
        rest of the session).

        Parameters
        ----------
        days : list or dict
            Dates or Jalali ``(year, month, day)`` tuples; a dict gives each its name.

        Returns
        -------
        HolidayCalendar
            This calendar.

        Examples
        --------
        >>> calendar = HolidayCalendar(official=False).add([datetime.date(2025, 5, 1)])
        >>> pd.Series(pd.to_datetime(["2025-05-01"])).jalali.is_holiday_in(calendar).tolist()
        [True]
        """
        for day, name in _days(days).items():
            self._removed.discard(day)
            self._added[day] = name
        return self

    def remove(self, days) -> "HolidayCalendar":
        """Take days out of this calendar's days off, official or added.

        Parameters
        ----------
        days : list
            Dates or Jalali ``(year, month, day)`` tuples.

        Returns
        -------
        HolidayCalendar
            This calendar.

        Examples
        --------
        >>> calendar = HolidayCalendar().remove([(1404, 1, 13)])
        >>> pd.Series(pd.to_datetime(["2025-04-02"])).jalali.is_holiday_in(calendar).tolist()
        [False]
        """
        for day in _days(days):
            self._added.pop(day, None)
            self._removed.add(day)
        return self

    def reset(self) -> "HolidayCalendar":
        """Undo every day added and removed.

        Returns
        -------
        HolidayCalendar
            This calendar.

        Examples
        --------
        >>> HolidayCalendar(add=[(1404, 2, 7)]).reset().changes()
        ([], [])
        """
        self._added.clear()
        self._removed.clear()
        return self

    def changed(self, add=(), remove=()) -> "HolidayCalendar":
        """A new calendar: this one's days off, and its changes, with `add` and `remove` on top.

        Parameters
        ----------
        add, remove : list or dict, optional
            As for :meth:`add` and :meth:`remove`.

        Returns
        -------
        HolidayCalendar
            A new calendar; this one is left as it is.

        Examples
        --------
        >>> base = HolidayCalendar(official=False)
        >>> base.changed(add=[(1404, 2, 7)]).changes(), base.changes()
        (([datetime.date(2025, 4, 27)], []), ([], []))
        """
        copy = HolidayCalendar(official=self._official)
        copy._added = dict(self._added)
        copy._removed = set(self._removed)
        return copy.add(add).remove(remove)

    def changes(self):
        """The days added and the days removed, each a sorted list of ``datetime.date``.

        Examples
        --------
        >>> HolidayCalendar(add=[(1404, 2, 7)], remove=[datetime.date(2025, 3, 21)]).changes()
        ([datetime.date(2025, 4, 27)], [datetime.date(2025, 3, 21)])
        """
        return ([datetime.date.fromordinal(d + 719163) for d in sorted(self._added)],
                [datetime.date.fromordinal(d + 719163) for d in sorted(self._removed)])

    def __repr__(self) -> str:
        return (f"HolidayCalendar(official={self._official}, {len(self._added)} days added, "
                f"{len(self._removed)} removed)")

    def _table(self, first: int, last: int, locale: Optional[str] = None):
        """The days off from day `first` to day `last` (from 1970-01-01) as a sorted int64 array
        and, with a locale, their names."""
        entries: Dict[int, list] = {}
        if self._official:
            official_years()  # the package is there, or an ImportError says how to install it
            first_year, last_year = (int(np.datetime64(d, "D").astype("datetime64[Y]").astype(int)) + 1970
                                     for d in (first, last))
            start, end = official_years()
            language = LANGUAGES[locale or "en"]
            for year in range(max(first_year, start), min(last_year, end) + 1):
                for day, name in _official_year(year, language):
                    entries[day] = [name]
        for day, name in self._added.items():
            entries.setdefault(day, []).append(name if name is not None else DAY_OFF[locale or "en"])
        for day in self._removed:
            entries.pop(day, None)
        days = np.array(sorted(d for d in entries if first <= d <= last), np.int64)
        if locale is None:
            return days
        return days, ["; ".join(entries[d]) for d in days.tolist()]


SESSION = HolidayCalendar()


def calendar_of(holidays) -> HolidayCalendar:
    """The calendar of a call's `holidays`: the session's for None, a HolidayCalendar as it is,
    and the session's with the days of a list (or dict) added."""
    if holidays is None:
        return SESSION
    if isinstance(holidays, HolidayCalendar):
        return holidays
    return SESSION.changed(add=holidays)


def check_locale(locale: str) -> str:
    if locale not in LANGUAGES:
        raise ValueError(f'locale must be "en" or "fa", not {locale!r}')
    return locale


def check_errors(errors: str) -> str:
    if errors not in ("warn", "raise"):
        raise ValueError(f'errors must be "warn" or "raise", not {errors!r}')
    return errors


def column_days(column: "_frames.Column") -> Tuple[np.ndarray, np.ndarray]:
    """The days from 1970-01-01 (int64, 0 where missing) of a column's values, and the mask of
    its missing values."""
    values = column.values
    if values.dtype == np.int32:
        missing = np.zeros(len(values), bool)
        days = values.astype(np.int64)
    else:
        missing = values == NAT
        days = values // column.per_day if column.per_day != 1 else values.copy()
    if column.validity is not None:
        bits = np.unpackbits(column.validity, bitorder="little")[column.offset:column.offset + len(values)]
        missing |= bits == 0
    if missing.any():
        days[missing] = 0
    return days, missing


def check_covered(calendar: HolidayCalendar, days: np.ndarray, missing: np.ndarray, errors: str,
                  extra: Iterable[np.ndarray] = ()) -> None:
    """Warn (or raise, with errors="raise") where a known day lies outside the years for which
    the holidays package holds Iran's official holidays, which would count as no holiday."""
    check_errors(errors)
    if not calendar.official:
        return
    start, end = official_years()
    low, high = (np.datetime64(f"{start}-01-01", "D").astype(np.int64),
                 np.datetime64(f"{end + 1}-01-01", "D").astype(np.int64))
    outside = ~missing & ((days < low) | (days >= high))
    for more in extra:
        outside |= ~missing & ((more < low) | (more >= high))
    if not outside.any():
        return
    row = int(np.argmax(outside))
    message = (f"the holidays package holds Iran's official holidays for {start} to {end}: "
               f"{int(outside.sum())} dates lie outside those years (the first, {np.datetime64(int(days[row]), 'D')}, "
               f"at position {row}) and count as no holiday")
    if errors == "raise":
        raise ValueError(message)
    warnings.warn(message, HolidaysOutOfRangeWarning, stacklevel=4)


def _span(days: np.ndarray, missing: np.ndarray) -> Tuple[int, int]:
    known = days[~missing]
    return (int(known.min()), int(known.max())) if known.size else (0, 0)


def is_holiday(days, missing, calendar: HolidayCalendar, errors: str) -> np.ndarray:
    """Whether each day is a day off of the calendar (False where missing), by NumPy's
    is_busday with no weekend."""
    check_covered(calendar, days, missing, errors)
    first, last = _span(days, missing)
    table = calendar._table(first, last)
    return ~np.is_busday(days.view("datetime64[D]"), weekmask="1111111", holidays=table.view("datetime64[D]"))


def holiday_names(days, missing, calendar: HolidayCalendar, locale: str, errors: str):
    """The names of the holidays (a list) and, for each day, the index of its name, or -1 where
    the day is none or is missing."""
    check_locale(locale)
    check_covered(calendar, days, missing, errors)
    first, last = _span(days, missing)
    table, names = calendar._table(first, last, locale)
    where = np.searchsorted(table, days)
    found = where < len(table)
    found[found] &= table[where[found]] == days[found]
    found &= ~missing
    return names, np.where(found, where, -1)


def is_working_day(days, missing, weekend, calendar: HolidayCalendar, errors: str) -> np.ndarray:
    """Whether each day is a working day: neither in the weekend nor a day off (False where
    missing), by NumPy's is_busday."""
    mask = weekmask(weekend)
    check_covered(calendar, days, missing, errors)
    first, last = _span(days, missing)
    table = calendar._table(first, last).view("datetime64[D]")
    return np.is_busday(days.view("datetime64[D]"), weekmask=mask, holidays=table)


def add_working_days(days, missing, n, weekend, calendar: HolidayCalendar, errors: str) -> np.ndarray:
    """Each day `n` working days on (an integer, or an int64 array of one a day), by NumPy's
    busday_offset: a day off rolls forward to the next working day for n >= 0, back to the one
    before for n < 0; 0 where missing."""
    if isinstance(n, np.ndarray) and n.ndim == 0:
        n = n.item()
    if isinstance(n, np.ndarray):
        if n.dtype.kind not in "iu":
            raise TypeError(f"the number of working days must be integers, not {n.dtype}")
        steps = n.astype(np.int64)
        if len(steps) != len(days):
            raise ValueError(f"the numbers of working days must be as many as the dates, {len(days)}, "
                             f"not {len(steps)}")
    elif isinstance(n, (bool, np.bool_)) or not isinstance(n, (int, np.integer)):
        raise TypeError(f"the number of working days must be an integer, not {type(n).__name__}")
    else:
        steps = np.int64(n)
    mask = weekmask(weekend)
    first, last = _span(days, missing)
    # the days that n working days may reach: a week holds at least one, and a year some
    # thirty holidays; the loop below widens the span where that was too few
    reach = int(np.abs(steps).max(initial=0)) * 7 // mask.count("1") * 3 // 2 + 60
    first, last = first - reach, last + reach
    while True:  # until the holidays held cover every result
        table = calendar._table(first, last).view("datetime64[D]")
        if steps.ndim == 0:
            roll = "forward" if steps >= 0 else "backward"
            result = np.busday_offset(days.view("datetime64[D]"), steps, roll=roll, weekmask=mask,
                                      holidays=table).view(np.int64)
        else:
            forward = np.busday_offset(days.view("datetime64[D]"), steps, roll="forward", weekmask=mask,
                                       holidays=table)
            backward = np.busday_offset(days.view("datetime64[D]"), steps, roll="backward", weekmask=mask,
                                        holidays=table) if np.any(steps < 0) else forward
            result = np.where(steps >= 0, forward, backward).view(np.int64)
        low, high = _span(result, missing)
        if first <= low and high <= last:
            break
        first, last = min(first, low - 366), max(last, high + 366)
    check_covered(calendar, days, missing, errors, (result,))
    return np.where(missing, 0, result)


def working_days(start, end, missing, weekend, calendar: HolidayCalendar, errors: str) -> np.ndarray:
    """The working days in [start, end) of each pair of days, negative where end is earlier, by
    NumPy's busday_count; 0 where missing."""
    mask = weekmask(weekend)
    check_covered(calendar, start, missing, errors, (end,))
    first = min(_span(start, missing)[0], _span(end, missing)[0])
    last = max(_span(start, missing)[1], _span(end, missing)[1])
    table = calendar._table(first, last).view("datetime64[D]")
    counts = np.busday_count(np.where(missing, 0, start).view("datetime64[D]"),
                             np.where(missing, 0, end).view("datetime64[D]"), weekmask=mask, holidays=table)
    return counts.astype(np.int64)


def months_between(a: Tuple[np.ndarray, ...], b: Tuple[np.ndarray, ...]) -> np.ndarray:
    """Whole Jalali months from dates a to dates b, each given as (day from 1970-01-01, year,
    month, day of the month, days in the month): for b on or after a, the most months that a
    can be stepped on (the day clamped to a shorter month's last) without passing b; for b
    before a, minus those from b to a."""
    days_a, year_a, month_a, day_a, length_a = a
    days_b, year_b, month_b, day_b, length_b = b
    months = (year_b.astype(np.int64) * 12 + month_b) - (year_a.astype(np.int64) * 12 + month_a)
    forward = months - (day_b < np.minimum(day_a, length_b))
    backward = months + (day_a < np.minimum(day_b, length_a))
    return np.where(days_b >= days_a, forward, backward)


def ticks_to_days(ticks: np.ndarray, column: "_frames.Column", missing: np.ndarray) -> np.ndarray:
    """Days from 1970-01-01 of ticks in a column's unit, 0 where missing."""
    return np.where(missing, 0, ticks // column.per_day)


def moved(column: "_frames.Column", days: np.ndarray, missing: np.ndarray, to: np.ndarray) -> np.ndarray:
    """The int64 ticks of each value of a column moved from its day to day `to`, at the same
    time of day; NaT where missing. A day beyond the unit's range raises OverflowError."""
    per_day = column.per_day
    limit = np.iinfo(np.int64).max // per_day - 1
    beyond = ~missing & (np.abs(to) > limit)
    if beyond.any():
        row = int(np.argmax(beyond))
        raise OverflowError(f"the date at position {row}, {np.datetime64(int(days[row]), 'D')}, moves to "
                            f"{np.datetime64(int(to[row]), 'D')}, beyond the range of its unit")
    values = column.values.astype(np.int64)
    ticks = to * per_day + (values - days * per_day)
    return np.where(missing, NAT, ticks)
