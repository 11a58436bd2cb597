"""What the data-frame adapters share: columns of datetimes as the native passes of
algorithms_c_numpy read them, the names of the fields and periods, and the way back from Jalali
dates to days, every value from algorithms_c_numpy.

Only NumPy is imported here (and pyarrow, where a column is held by Arrow); each adapter brings
its own library.
"""

from typing import NamedTuple, Optional, Tuple

import numpy as np

import algorithms_c_numpy as _an

CALENDARS = ("astronomical", "arithmetic")
# The fields of a date, as pandas' .dt names them: int32, then bool.
INTEGER_FIELDS = ("year", "month", "day", "day_of_year", "day_of_week", "week_of_year", "quarter", "days_in_month",
                  "days_in_year")
FLAG_FIELDS = ("is_leap_year", "is_month_start", "is_month_end", "is_quarter_start", "is_quarter_end",
               "is_year_start", "is_year_end")
FIELDS = INTEGER_FIELDS + FLAG_FIELDS
FREQUENCIES = ("year", "quarter", "month", "week", "day")
TICKS_PER_DAY = {"D": 1, "s": 86_400, "ms": 86_400_000, "us": 86_400_000_000, "ns": 86_400_000_000_000}

# What each field is, for the accessors' documentation.
FIELD_DOCS = {
    "year": "The Jalali year.",
    "month": "The Jalali month, 1 (Farvardin) to 12 (Esfand).",
    "day": "The day of the Jalali month, 1 to 31.",
    "day_of_year": "The day of the Jalali year, 1 to 366.",
    "day_of_week": "The day of the week, 0 = Saturday to 6 = Friday, as the week runs in Iran (pandas' own "
                   "``dt.day_of_week`` counts from Monday).",
    "week_of_year": "The week of the Jalali year: weeks begin on Saturday, and week 1 is the one that holds "
                    "1 Farvardin, whole or not; 1 to 54.",
    "quarter": "The quarter of the Jalali year, 1 to 4, of three months each.",
    "days_in_month": "The number of days in the Jalali month: 31, 30, or 29 or 30 for Esfand.",
    "days_in_year": "The number of days in the Jalali year: 365 or 366.",
    "is_leap_year": "Whether the Jalali year is a leap year, of 366 days.",
    "is_month_start": "Whether the date is the first day of its Jalali month.",
    "is_month_end": "Whether the date is the last day of its Jalali month.",
    "is_quarter_start": "Whether the date is the first day of its Jalali quarter.",
    "is_quarter_end": "Whether the date is the last day of its Jalali quarter.",
    "is_year_start": "Whether the date is 1 Farvardin, the first day of its Jalali year.",
    "is_year_end": "Whether the date is the last day of Esfand, the last day of its Jalali year.",
}


def check_calendar(calendar: str) -> str:
    if calendar not in CALENDARS:
        raise ValueError(f'calendar must be "astronomical" or "arithmetic", not {calendar!r}')
    return calendar


def check_frequency(freq: str) -> str:
    if freq not in FREQUENCIES:
        raise ValueError(f'freq must be "year", "quarter", "month", "week" or "day", not {freq!r}')
    return freq


class Column(NamedTuple):
    """A column of datetimes as the native passes read it: int64 ticks, `per_day` of them a day
    from 1970-01-01, NaT as the smallest int64, or int32 days; and where values are missing, as
    an Arrow validity bitmap with the offset of the column's first bit."""

    values: np.ndarray
    per_day: int
    validity: Optional[np.ndarray] = None
    offset: int = 0

    def arguments(self) -> dict:
        return {"validity": self.validity, "offset": self.offset}


def numpy_column(stamps: np.ndarray) -> Column:
    """A column of NumPy datetime64 values of any unit, read where they are."""
    unit = np.datetime_data(stamps.dtype)[0]
    return Column(np.ascontiguousarray(stamps).view(np.int64), TICKS_PER_DAY[unit])


def one_array(array):
    """`array` as one Arrow array: a chunked array's one chunk as it is, or its chunks joined."""
    import pyarrow as pa

    if isinstance(array, pa.ChunkedArray):
        return array.chunk(0) if array.num_chunks == 1 else array.combine_chunks()
    return array


def arrow_column(array) -> Column:
    """A column of an Arrow timestamp, date32 or date64 array (or chunked array), read from its
    buffers without a copy (but for joining the chunks of a chunked array)."""
    import pyarrow as pa  # only where a column is held by Arrow, and so pyarrow is installed

    array = one_array(array)
    kind = array.type
    if pa.types.is_timestamp(kind):
        per_day, width = TICKS_PER_DAY[kind.unit], np.int64
    elif pa.types.is_date32(kind):
        per_day, width = 1, np.int32
    else:
        per_day, width = TICKS_PER_DAY["ms"], np.int64
    validity, data = array.buffers()[:2]
    values = (np.frombuffer(data, width, len(array), array.offset * np.dtype(width).itemsize) if len(array)
              else np.empty(0, width))
    if validity is None or array.null_count == 0:
        return Column(values, per_day)
    return Column(values, per_day, validity=np.frombuffer(validity, np.uint8), offset=array.offset)


def fields(column: Column, calendar: str, names: Tuple[str, ...], bits: bool = False):
    """The Jalali fields `names` of a column, each an int32 or a bool array, and the mask of its
    missing values, or None where none is; with `bits`, their Arrow validity bits in its place
    (uint8, from bit 0; the column's own where no NaT adds to them), or None. A missing value
    holds the fields of 1970-01-01."""
    return _an._jalali_fields(column.values, column.per_day, calendar, names, bits=bits, **column.arguments())


def period_starts(column: Column, calendar: str, freq: str, ceil: bool, next: bool = False, bits: bool = False):
    """The int64 ticks, in the column's unit, of the start of each value's Jalali period (the
    next one's, for `ceil`, unless the value is at a start, and for `next` whatever it is); NaT
    where missing. With `bits`, the ticks (0 where missing) and their validity bits, as
    fields gives them."""
    return _an._jalali_period_starts(column.values, column.per_day, calendar, check_frequency(freq), ceil,
                                     next=next, bits=bits, **column.arguments())


def add_months(column: Column, calendar: str, months, bits: bool = False):
    """The int64 ticks of each value `months` Jalali months on (an integer, or an int64 array of
    one a value), at the same time of day, the day clamped to the month's length; NaT where
    missing. With `bits`, the ticks (0 where missing) and their validity bits, as fields gives
    them."""
    if isinstance(months, np.ndarray):
        return _an._jalali_add_months(column.values, column.per_day, calendar, months, bits=bits,
                                      **column.arguments())
    if isinstance(months, (bool, np.bool_)) or not isinstance(months, (int, np.integer)):
        raise TypeError(f"the number of months must be an integer, not {type(months).__name__}")
    if not -2**63 <= months < 2**63:  # more months than any datetime's years hold
        raise OverflowError(f"{months} months on from any date gives a date out of range")
    return _an._jalali_add_months(column.values, column.per_day, calendar, int(months), bits=bits,
                                  **column.arguments())


def ufuncs(calendar: str):
    """The namespace of algorithms_c_numpy's ufuncs in the calendar."""
    return getattr(_an, check_calendar(calendar))


def days_from_jalali(year: np.ndarray, month: np.ndarray, day: np.ndarray, known: np.ndarray, errors: str,
                     calendar: str) -> Tuple[np.ndarray, np.ndarray]:
    """Days from 1970-01-01 (int64) of Jalali dates given as integer arrays, and where they are
    known: `known` less the rows that name no date (a month outside 1 to 12, a day outside its
    month, or in the astronomical calendar a year outside its table), which raise a ValueError
    naming the first of them when `errors` is "raise" and are left out when it is "coerce".
    Years outside 32 bits raise OverflowError either way."""
    if errors not in ("raise", "coerce"):
        raise ValueError(f'errors must be "raise" or "coerce", not {errors!r}')
    space = ufuncs(calendar)
    valid = known.copy()
    if calendar == "astronomical":
        held = (year >= space.first_year) & (year <= space.last_year)
        if errors == "raise" and not held[known].all():
            row = int(np.argmax(known & ~held))
            raise ValueError(f"cannot assemble the Jalali dates: {year[row]}-{month[row]}-{day[row]} at position {row} "
                             f"is outside the years of the astronomical Jalali calendar, {space.first_year} to "
                             f"{space.last_year}: leave it out as missing, or use the arithmetic calendar "
                             f'(calendar="arithmetic")')
        valid &= held
    valid &= (month >= 1) & (month <= 12)
    valid &= (day >= 1) & (day <= space.get_days_in_jalali_month(year, month, out=np.full(len(year), 31, np.int32),
                                                                  where=valid))
    if errors == "raise" and not np.array_equal(valid, known):
        row = int(np.argmax(known & ~valid))
        raise ValueError(f"cannot assemble the Jalali dates: {year[row]}-{month[row]}-{day[row]} at position "
                         f"{row} is not a date (months run from 1 to 12, days from 1 to the month's length)")
    julian_day = space.get_julian_day_from_jalali_date(year, month, day, out=np.full(len(year), UNIX_EPOCH),
                                                       where=valid)
    return (julian_day - UNIX_EPOCH).astype(np.int64), valid


# The julian day at which 1970-01-01 begins: day n from then begins at n + UNIX_EPOCH.
UNIX_EPOCH = 2440587.5


def period_range(first: int, last: Optional[int], periods: Optional[int], freq: str, calendar: str) -> np.ndarray:
    """The days from 1970-01-01 (int64) on which the Jalali periods `freq` begin, from the first
    that begins on or after day `first`: `periods` of them, or those up to day `last`. Every day
    is one that datetime64[us] holds, or a ValueError says that the periods run beyond them; that
    is known from the last period's start alone, before anything of the range's length is made."""
    check_frequency(freq)
    if (last is None) == (periods is None):
        raise ValueError("give exactly one of end and periods")
    if periods is not None:
        if isinstance(periods, (float, np.floating)) and float(periods).is_integer():
            periods = int(periods)
        if isinstance(periods, (bool, np.bool_)) or not isinstance(periods, (int, np.integer)):
            raise TypeError(f"periods must be an integer, not {periods!r}")
        if periods < 0:
            raise ValueError(f"periods must not be negative, not {periods}")
        periods = int(periods)
    start = int(period_starts(Column(np.array([first], np.int64), 1), calendar, freq, True)[0])
    if not -US_DAYS <= start <= US_DAYS:  # and so no step below overflows
        raise_beyond_us_days()
    if periods is None:
        if calendar == "astronomical" and freq in PERIOD_MONTHS:  # the end must be a day of the calendar
            try:
                period_starts(Column(np.array([last], np.int64), 1), calendar, freq, False)
            except ValueError as error:
                raise_beyond_years(error)
        # the periods that begin by `last`: the most that could, then the last of them that does
        # (the shortest periods are days, weeks, months of 29 days, quarters of 89 and years of 365)
        shortest = {"day": 1, "week": 7, "month": 29, "quarter": 89, "year": 365}[freq]
        low, high = -1, max(-1, (last - start) // shortest + 1)  # step `low` begins by `last`, `high + 1` not
        while low < high:
            middle = (low + high + 1) // 2
            if period_step(start, middle, freq, calendar, last) <= last:
                low = middle
            else:
                high = middle - 1
        periods = low + 1
    if periods and period_step(start, periods - 1, freq, calendar) > US_DAYS:
        raise_beyond_us_days()
    steps = np.arange(periods, dtype=np.int64)
    if freq in PERIOD_DAYS:
        return start + PERIOD_DAYS[freq] * steps
    # the first period's start, 0, 1, 2 ... periods on
    return add_months(Column(np.full(periods, start, np.int64), 1), calendar, PERIOD_MONTHS[freq] * steps)


# The length of each period in days, or in months.
PERIOD_DAYS = {"day": 1, "week": 7}
PERIOD_MONTHS = {"month": 1, "quarter": 3, "year": 12}


def period_step(start: int, steps: int, freq: str, calendar: str, last: Optional[int] = None) -> int:
    """The day on which the period `steps` periods after the one that begins on day `start`
    begins; a day past `last`, if given, where the calendar's years end before it."""
    if freq in PERIOD_DAYS:
        return start + PERIOD_DAYS[freq] * steps
    try:
        return int(add_months(Column(np.array([start], np.int64), 1), calendar, PERIOD_MONTHS[freq] * steps)[0])
    except (ValueError, OverflowError) as error:  # its words are of a column's rows
        if last is not None:
            return last + 1
        if calendar != "astronomical" or isinstance(error, OverflowError):
            raise_beyond_us_days()
        raise_beyond_years(error)


def raise_beyond_years(error: Exception):
    space = ufuncs("astronomical")
    raise ValueError(f"the periods run beyond the years of the astronomical Jalali calendar, "
                     f"{space.first_year} to {space.last_year}: ask for fewer, or for the arithmetic "
                     f'calendar (calendar="arithmetic")') from error


# The days from 1970-01-01 whose midnights datetime64[us] holds run from -US_DAYS to US_DAYS.
US_DAYS = np.iinfo(np.int64).max // TICKS_PER_DAY["us"]


def raise_beyond_us_days():
    lowest, highest = (np.datetime64(day, "D") for day in (-US_DAYS, US_DAYS))
    raise ValueError(f"the periods run beyond the days that datetime64[us] holds, {lowest} to {highest}: "
                     f"ask for fewer")


LOCALES = ("en", "fa", "fa-AF", "ps")
DIGITS = ("latin", "persian")


def _has_pyarrow() -> bool:
    try:
        import pyarrow  # noqa: F401
    except ImportError:
        return False
    return True


class Zones(NamedTuple):
    """Where the values of a column have a time zone: each one's offset from UTC in seconds east
    (int32), the index of its zone's name (int32), and the names."""

    offsets: np.ndarray
    codes: np.ndarray
    names: Tuple[str, ...]


def format_facts(format: str) -> dict:
    """What a format holds, as the native pattern reads it: time, offset (%z), zone_name (%Z),
    names, year (%Y or %y), date_separator and stray (a "%" that begins no directive)."""
    return _an._jalali_format(format)


def writes_zone(format: Optional[str]) -> bool:
    """Whether a format holds %z or %Z."""
    if not isinstance(format, str):
        return False
    facts = format_facts(format)
    return facts["offset"] or facts["zone_name"]


def strftime(column: Column, calendar: str, format: str, locale: str = "en", digits: str = "latin",
             zones: Optional[Zones] = None):
    """The Jalali dates and times of a column written by `format`: a pyarrow large_string array
    where pyarrow is installed, else a NumPy array of str (NumPy's StringDType from NumPy 2 on,
    fixed-width Unicode before), with the mask of the missing values (None where none is)."""
    # the locale, the digits and the format are checked by the native side, whose messages name them
    zoned = {} if zones is None else {"utc_offsets": zones.offsets, "zone_codes": zones.codes,
                                      "zone_names": tuple(zones.names)}
    arrow = _has_pyarrow()
    offsets, data, missing, *width = _an._jalali_strftime(column.values, column.per_day, check_calendar(calendar),
                                                          format, locale, digits, fixed=not arrow,
                                                          **column.arguments(), **zoned)
    if arrow:
        import pyarrow as pa
        validity = None if missing is None else pa.py_buffer(np.packbits(~missing, bitorder="little"))
        array = pa.Array.from_buffers(pa.large_string(), len(offsets) - 1,
                                      [validity, pa.py_buffer(offsets), pa.py_buffer(data[:offsets[-1]])])
        return array, missing
    strings = np.char.decode(data.view(f"S{max(width[0], 1)}"), "utf-8")
    string_type = getattr(np.dtypes, "StringDType", None) if hasattr(np, "dtypes") else None
    return (strings.astype(string_type()) if string_type is not None else strings), missing


def text_arguments(strings, mask: Optional[np.ndarray] = None):
    """A column of text as the native reader takes it: Arrow's buffers of a pyarrow string
    array (or chunked array), a NumPy array of fixed-width Unicode, or one of Python strings,
    with `mask` true where a value is missing (for the last two)."""
    if isinstance(strings, np.ndarray):
        return (strings if strings.dtype.kind == "U" else strings.astype(object)), mask
    import pyarrow as pa  # anything else is Arrow's

    strings = one_array(strings)
    if not (pa.types.is_large_string(strings.type) or pa.types.is_string(strings.type)):
        try:
            strings = strings.cast(pa.large_string())
        except pa.ArrowNotImplementedError:  # older pyarrow casts no string_view: Python's strings
            return text_arguments(np.asarray(strings.to_pylist(), dtype=object),
                                  strings.is_null().to_numpy(zero_copy_only=False))
    validity, offsets, data = strings.buffers()
    wide = pa.types.is_large_string(strings.type)
    offsets = np.frombuffer(offsets, np.int64 if wide else np.int32, len(strings) + 1,
                            strings.offset * (8 if wide else 4))
    data = np.frombuffer(data, np.uint8) if data is not None else np.empty(0, np.uint8)
    validity = None if validity is None or strings.null_count == 0 else np.frombuffer(validity, np.uint8)
    return (offsets, data, validity, strings.offset), None


def strptime(strings, calendar: str, format: Optional[str], errors: str, unit: str, mask=None,
             local: bool = False):
    """The datetimes of a column of Jalali text, as int64 ticks of `unit` (NaT where missing or,
    with errors="coerce", refused), and whether the text gave offsets from UTC (the ticks are then
    UTC; with `local`, the text's own wall-clock times)."""
    if unit not in ("s", "ms", "us", "ns"):
        raise ValueError(f'unit must be "s", "ms", "us" or "ns", not {unit!r}')
    # the unit is checked here, as the native side is given ticks a day; errors and the format there
    arguments, mask = text_arguments(strings, mask)
    return _an._jalali_strptime(arguments, TICKS_PER_DAY[unit], check_calendar(calendar), format, errors, mask,
                                local=local)
