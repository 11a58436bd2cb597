"""Jalali dates on matplotlib's axes: ticks at the starts of Jalali years, quarters, months, weeks
or days, and labels written by a Jalali strftime format, in English, Persian, Dari or Pashto.

>>> import matplotlib
>>> matplotlib.use("Agg")
>>> import matplotlib.pyplot as plt
>>> import numpy as np
>>> import algorithms_c_matplotlib
>>> days = np.arange("2025-03-01", "2025-08-01", dtype="datetime64[D]")
>>> fig, ax = plt.subplots()
>>> lines = ax.plot(days, np.arange(len(days)))
>>> locator, formatter = algorithms_c_matplotlib.jalali_axis(ax)
>>> fig.canvas.draw()
>>> [label.get_text() for label in ax.get_xticklabels()]
['1404', 'Ord', 'Kho', 'Tir', 'Mor']

The ticks are worked out from the axis's view limits each time the figure is drawn, and so
follow zoom and pan. The axis may be one of matplotlib's date axes (drawn from datetime64,
``datetime`` or pandas' Timestamps, with or without a time zone: the ticks fall on the starts of
the periods in the axis's zone), or the period axis that pandas' ``Series.plot()`` draws for a
series of a regular frequency.
"""

import datetime
import functools
from typing import Optional, Sequence, Tuple

try:
    import numpy as np
    import matplotlib.dates as mdates
    import matplotlib.ticker as mticker
except ImportError as error:  # pragma: no cover - exercised where matplotlib is missing
    raise ImportError(f'algorithms_c_matplotlib needs matplotlib and NumPy ({error}): '
                      f'pip install "algorithms-c[plot]"') from error

import _algorithms_c_frames as _frames

__all__ = ["JalaliLocator", "JalaliFormatter", "jalali_axis"]

FREQUENCIES = ("year", "quarter", "month", "week", "day")
# The steps that ticks take at each frequency, and the mean length of a period in days, by which
# the span shown is measured.
_STEPS = {"year": (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000), "quarter": (1, 2), "month": (1, 2),
          "week": (1, 2), "day": (1, 2, 3, 5, 10, 15)}
_LENGTHS = {"year": 365.2422, "quarter": 91.31, "month": 30.44, "week": 7.0, "day": 1.0}
_DAY_US = 86_400_000_000


# The scale of an axis: its numbers to the local wall-clock datetimes they stand for, and back. ----

class _DateScale:
    """matplotlib's date numbers, days from its epoch, in UTC; shown in the zone `tz`."""

    def __init__(self, tz):
        self.tz = tz
        self.epoch = np.datetime64(mdates.get_epoch(), "us")

    def to_local(self, x) -> np.ndarray:
        x = np.atleast_1d(np.asarray(x, dtype=float))
        if self.tz is None:
            return self.epoch + np.round(x * _DAY_US).astype(np.int64).astype("timedelta64[us]")
        return np.array([np.datetime64(mdates.num2date(v, self.tz).replace(tzinfo=None), "us") for v in x])

    def from_local(self, stamps: np.ndarray) -> np.ndarray:
        if self.tz is None:
            return (stamps.astype("datetime64[us]") - self.epoch).astype(np.int64) / _DAY_US
        # a handful of ticks, each placed in the zone: where a day begins in a gap of a change of
        # clocks, the instant of the change, at which the day does begin
        out = []
        for stamp in stamps.astype("datetime64[us]").astype(datetime.datetime):
            localize = getattr(self.tz, "localize", None)  # pytz's zones
            aware = localize(stamp, is_dst=False) if localize is not None else stamp.replace(tzinfo=self.tz)
            out.append(mdates.date2num(aware))
        return np.array(out, dtype=float)


class _PeriodScale:
    """pandas' period axis: numbers are ordinals of periods of `freq`, the fraction between two
    a fraction of the period; wall-clock time without a zone."""

    def __init__(self, freq):
        import pandas as pd

        self.pd = pd
        self.dtype = pd.PeriodDtype(freq)

    def _starts(self, ordinals: np.ndarray) -> np.ndarray:
        periods = self.pd.arrays.PeriodArray(ordinals.astype(np.int64), dtype=self.dtype)
        return np.asarray(periods.to_timestamp(how="start")).astype("datetime64[us]")

    def to_local(self, x) -> np.ndarray:
        x = np.atleast_1d(np.asarray(x, dtype=float))
        base = np.floor(x)
        start, end = self._starts(base), self._starts(base + 1)
        length = (end - start).astype(np.int64)
        return start + np.round((x - base) * length).astype(np.int64).astype("timedelta64[us]")

    def from_local(self, stamps: np.ndarray) -> np.ndarray:
        import pandas as pd

        ordinals = np.asarray(pd.DatetimeIndex(stamps).to_period(self.dtype.freq).asi8)
        start, end = self._starts(ordinals), self._starts(ordinals + 1)
        inside = (stamps.astype("datetime64[us]") - start).astype(np.int64)
        return ordinals + inside / (end - start).astype(np.int64)


def _zone(tz):
    if isinstance(tz, str):
        from dateutil import tz as zones  # matplotlib's own dependency

        found = zones.gettz(tz)
        if found is None:
            raise ValueError(f"no time zone is named {tz!r}")
        return found
    return tz


def _scale(axis, tz) -> "_DateScale | _PeriodScale":
    """The scale of `axis` (None: matplotlib's date numbers), in the zone `tz` or, where that is
    None, the zone of the axis's units."""
    freq = getattr(axis, "freq", None) if axis is not None else None
    if freq is not None:  # pandas' period axis
        return _PeriodScale(freq)
    if tz is None and axis is not None:
        units = axis.get_units()
        tz = units if isinstance(units, datetime.tzinfo) else None
    return _DateScale(_zone(tz))


@functools.lru_cache(maxsize=None)
def _calendar_days(calendar: str) -> Tuple[int, int]:
    """The first and last days (from 1970-01-01) on which ticks of the calendar may fall."""
    space = _frames.ufuncs(calendar)
    if calendar != "astronomical":
        return -_frames.US_DAYS, _frames.US_DAYS
    first, _ = _frames.days_from_jalali(np.array([space.first_year]), np.array([1]), np.array([1]),
                                        np.array([True]), "raise", calendar)
    last, _ = _frames.days_from_jalali(np.array([space.last_year]), np.array([12]), np.array([29]),
                                       np.array([True]), "raise", calendar)
    return max(int(first[0]), -_frames.US_DAYS), min(int(last[0]), _frames.US_DAYS)


def _fields(days: np.ndarray, calendar: str, names: Sequence[str]):
    return _frames.fields(_frames.Column(days.astype(np.int64), 1), calendar, tuple(names))[0]


# Ticks -------------------------------------------------------------------------------------------

class JalaliLocator(mticker.Locator):
    """Ticks at the starts of Jalali periods.

    Parameters
    ----------
    freq : {"year", "quarter", "month", "week", "day"} or None
        The periods whose starts are ticked. None (the default) chooses them by the span shown,
        as matplotlib's ``AutoDateLocator`` chooses: the longest periods of which at least
        `minticks` fit, every `interval`-th of them so that at most `maxticks` are shown; below
        `minticks` days, the hours and minutes of ``AutoDateLocator`` itself.
    interval : int or None
        Tick every `interval`-th period (with `freq`; None chooses it by the span). Years are
        ticked at multiples of `interval`, months and quarters from Farvardin, weeks (which begin
        on Saturday) from 1970's, and days from the first of each month.
    calendar : {"astronomical", "arithmetic"}
    tz : tzinfo, str or None
        The zone whose wall-clock days the periods begin in. None: the axis's own (the zone of
        the datetimes plotted), or none.
    minticks, maxticks : int
    """

    def __init__(self, freq: Optional[str] = None, interval: Optional[int] = None,
                 calendar: str = "astronomical", tz=None, minticks: int = 5, maxticks: int = 12):
        if freq is not None and freq not in FREQUENCIES:
            raise ValueError(f'freq must be "year", "quarter", "month", "week", "day" or None, not {freq!r}')
        if interval is not None and (not isinstance(interval, (int, np.integer)) or interval < 1):
            raise ValueError(f"interval must be a positive integer, not {interval!r}")
        if not 1 <= minticks <= maxticks:
            raise ValueError(f"minticks and maxticks must be 1 <= minticks <= maxticks, not {minticks}, {maxticks}")
        self.freq, self.interval = freq, interval
        self.calendar = _frames.check_calendar(calendar)
        self.tz = _zone(tz)
        self.minticks, self.maxticks = minticks, maxticks
        self.chosen: Tuple[str, int] = (freq or "month", interval or 1)  # what the last call ticked

    def __call__(self):
        vmin, vmax = self.axis.get_view_interval()
        return self.tick_values(vmin, vmax)

    def _choose(self, span_days: float) -> Tuple[str, int]:
        if self.freq is not None:
            freqs = [self.freq]
        else:
            freqs = [f for f in FREQUENCIES if span_days / _LENGTHS[f] >= self.minticks] or ["day"]
        freq = freqs[0]
        if self.interval is not None:
            return freq, int(self.interval)
        count = span_days / _LENGTHS[freq]
        for step in _STEPS[freq]:
            if count / step <= self.maxticks:
                return freq, step
        return freq, int(10 ** np.ceil(np.log10(count / self.maxticks)))

    def tick_values(self, vmin, vmax):
        if vmax < vmin:
            vmin, vmax = vmax, vmin
        scale = _scale(self.axis, self.tz)
        low, high = scale.to_local([vmin, vmax])
        span_days = float((high - low).astype(np.int64)) / _DAY_US
        if self.freq is None and span_days < self.minticks:
            self.chosen = ("time", 1)  # hours and minutes are the same in any calendar
            if isinstance(scale, _DateScale):
                auto = mdates.AutoDateLocator(tz=scale.tz, minticks=3, maxticks=self.maxticks)
                # which, like its own locators, takes the limits as datetimes
                return auto.tick_values(mdates.num2date(vmin, scale.tz), mdates.num2date(vmax, scale.tz))
            # on pandas' period axis: matplotlib's ticks of the wall-clock times, placed by the periods
            auto = mdates.AutoDateLocator(minticks=3, maxticks=self.maxticks)
            local = auto.tick_values(low.astype(datetime.datetime), high.astype(datetime.datetime))
            ticks = scale.from_local(_DateScale(None).to_local(local)) if len(local) else np.array([])
            return ticks[(ticks >= vmin) & (ticks <= vmax)]
        freq, step = self.chosen = self._choose(span_days)
        first_allowed, last_allowed = _calendar_days(self.calendar)
        first = int(np.floor(low.astype("datetime64[D]").astype(np.int64)))
        last = int(high.astype("datetime64[D]").astype(np.int64))
        first, last = max(first, first_allowed), min(last, last_allowed)
        if first > last:
            return np.array([])
        if freq == "day":
            days = self._days(first, last, step)
        else:
            # every period that begins in view, then every step-th of them, counted from a fixed
            # point (Farvardin, the year 0, a week of 1970) so that a pan keeps the same ones
            base = "month" if freq == "quarter" else freq
            days = _frames.period_range(first, last, None, base, self.calendar)
            if freq == "week":
                days = days[((days - 2) // 7) % step == 0]  # 1970-01-03 was a Saturday
            else:
                year, month = _fields(days, self.calendar, ("year", "month"))
                months = {"year": 12, "quarter": 3 * step, "month": step}[freq]
                keep = (month - 1) % months == 0
                if freq == "year":
                    keep &= year % step == 0
                days = days[keep]
        stamps = days.astype("datetime64[D]").astype("datetime64[us]")
        ticks = scale.from_local(self.raise_if_exceeds(stamps))  # warns, as matplotlib's do, of too many
        return ticks[(ticks >= vmin) & (ticks <= vmax)] if len(ticks) else ticks

    def _days(self, first: int, last: int, step: int) -> np.ndarray:
        """Every `step`-th day of each month from its first, none within half a step of the next
        month's first."""
        days = np.arange(first, last + 1, dtype=np.int64)
        if step == 1:
            return days
        starts = _frames.period_range(first - 31, last + 31, None, "month", self.calendar)
        which = np.searchsorted(starts, days, side="right") - 1
        into, left = days - starts[which], starts[np.minimum(which + 1, len(starts) - 1)] - days
        return days[(into % step == 0) & (left * 2 >= step)]

    def nonsingular(self, vmin, vmax):
        return mdates.AutoDateLocator(tz=self.tz).nonsingular(vmin, vmax) if getattr(
            self.axis, "freq", None) is None else super().nonsingular(vmin, vmax)


# Labels ------------------------------------------------------------------------------------------

def _shaper():
    """What makes a label of Arabic script ready for matplotlib: nothing where matplotlib lays
    text out with libraqm (3.11 on), which joins the letters and orders the text right to left
    itself; else arabic-reshaper and python-bidi."""
    from matplotlib import ft2font

    if hasattr(ft2font, "__libraqm_version__"):
        return None
    try:
        import arabic_reshaper
        from bidi.algorithm import get_display
    except ImportError as error:
        raise ImportError("labels in Persian, Dari or Pashto need matplotlib 3.11 or later, or arabic-reshaper and "
                          'python-bidi: pip install "algorithms-c[plot]"') from error
    return lambda text: get_display(arabic_reshaper.reshape(text))


class JalaliFormatter(mticker.Formatter):
    """Labels of the Jalali dates of ticks.

    Parameters
    ----------
    fmt : str or None
        A strftime format of ``algorithms_c_pandas.JalaliAccessor.strftime`` for every label.
        None (the default) writes concise labels, in the manner of matplotlib's
        ``ConciseDateFormatter``: each tick with the least that tells it from its neighbours (the
        year for years; the month's name for months and quarters, and the year in its place
        where a year begins; the day for days and weeks, and the month's name where a month
        begins; the time of day below a day), and the rest once, in the axis's offset text.
    locale : {"en", "fa", "fa-AF", "ps"}
    digits : {"latin", "persian"}
    calendar : {"astronomical", "arithmetic"}
    tz : tzinfo, str or None
        The zone the dates are written in; None, the axis's own.
    """

    def __init__(self, fmt: Optional[str] = None, locale: str = "en", digits: str = "latin",
                 calendar: str = "astronomical", tz=None):
        if locale not in _frames.LOCALES:
            raise ValueError(f'locale must be "en", "fa", "fa-AF" or "ps", not {locale!r}')
        if digits not in _frames.DIGITS:
            raise ValueError(f'digits must be "latin" or "persian", not {digits!r}')
        if fmt is not None and not isinstance(fmt, str):
            raise TypeError(f"the format must be a string, not {type(fmt).__name__}")
        self.fmt, self.locale, self.digits = fmt, locale, digits
        self.calendar = _frames.check_calendar(calendar)
        self.tz = _zone(tz)
        self.shape = _shaper() if locale != "en" or digits != "latin" else None
        self.offset = ""
        self.labels: dict = {}

    def _write(self, stamps: np.ndarray, fmt: str) -> list:
        array, _ = _frames.strftime(_frames.numpy_column(stamps), self.calendar, fmt, self.locale, self.digits)
        return [str(s) for s in (array.to_pylist() if hasattr(array, "to_pylist") else array.tolist())]

    def _concise(self, stamps: np.ndarray) -> Tuple[list, str]:
        month = "%b" if self.locale == "en" else "%B"
        days = stamps.astype("datetime64[D]")
        midnight = stamps == days
        year, month_number, day = _fields(days.astype(np.int64), self.calendar, ("year", "month", "day"))
        if not midnight.all():
            formats = ("%H:%M", f"%-d {month}", f"%-d %B %Y")
            first = midnight
        elif (day == 1).all() and (month_number == 1).all():
            formats, first = ("%Y", "%Y", ""), np.zeros(len(stamps), bool)
        elif (day == 1).all():
            formats, first = (month, "%Y", "%Y"), month_number == 1
        else:
            formats, first = ("%-d", month, "%B %Y"), day == 1
        labels = np.array(self._write(stamps, formats[0]), dtype=object)
        if first.any():
            labels[first] = np.array(self._write(stamps[first], formats[1]), dtype=object)
        offset = self._write(stamps[-1:], formats[2])[0] if formats[2] else ""
        return list(labels), offset

    def _labels(self, values: np.ndarray) -> Tuple[list, str]:
        stamps = _scale(self.axis, self.tz).to_local(values)
        labels, offset = (self._write(stamps, self.fmt), "") if self.fmt is not None else self._concise(stamps)
        if self.shape is not None:
            labels, offset = [self.shape(label) for label in labels], self.shape(offset)
        return labels, offset

    def format_ticks(self, values):
        values = np.asarray(values, dtype=float)
        labels, self.offset = self._labels(values) if len(values) else ([], "")
        self.labels = dict(zip(values.tolist(), labels))
        return labels

    def __call__(self, x, pos=None):
        if x in self.labels:  # a tick of the last format_ticks, labelled among its neighbours
            return self.labels[x]
        return self._labels(np.array([x], dtype=float))[0][0]

    def get_offset(self):
        return self.offset

    def format_data_short(self, value):
        stamp = _scale(self.axis, self.tz).to_local([value])
        text = self._write(stamp, "%Y/%m/%d %H:%M:%S")[0]
        return self.shape(text) if self.shape is not None else text


def jalali_axis(ax, axis: str = "x", locale: str = "en", digits: str = "latin", calendar: str = "astronomical",
                fmt: Optional[str] = None, freq: Optional[str] = None, interval: Optional[int] = None, tz=None):
    """Jalali ticks and labels on one axis of `ax`: a JalaliLocator and a JalaliFormatter as its
    major locator and formatter, and no minor labels (pandas' period axis writes Gregorian ones).

    Call it after plotting: pandas sets its own locators on the axes it plots on.

    Returns
    -------
    (JalaliLocator, JalaliFormatter)
    """
    if axis not in ("x", "y"):
        raise ValueError(f'axis must be "x" or "y", not {axis!r}')
    target = ax.xaxis if axis == "x" else ax.yaxis
    locator = JalaliLocator(freq, interval, calendar, tz)
    formatter = JalaliFormatter(fmt, locale, digits, calendar, tz)
    target.set_major_locator(locator)
    target.set_major_formatter(formatter)
    target.set_minor_formatter(mticker.NullFormatter())
    if getattr(target, "freq", None) is not None:
        target.set_minor_locator(mticker.NullLocator())
    return locator, formatter
