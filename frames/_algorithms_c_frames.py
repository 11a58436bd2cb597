"""What the data-frame adapters share: days counted from 1970-01-01 to Jalali dates and back,
every value from the ufuncs of algorithms_c_numpy, with the rows that hold no date left out.

Only NumPy is imported here; each adapter brings its own library.
"""

import numpy as np

import algorithms_c_numpy as _an

# The julian day at which 1970-01-01 begins: day n from then begins at n + UNIX_EPOCH.
UNIX_EPOCH = 2440587.5


def days_from_ticks(ticks: np.ndarray, per_day: int) -> np.ndarray:
    """Whole days from 1970-01-01 of int64 ticks, `per_day` of them a day: floored, so that an
    instant before 1970 falls on the day that holds it."""
    return ticks if per_day == 1 else np.floor_divide(ticks, per_day)


# Elements converted at a time: the julian days of a block stay in the cache between the step
# that makes them and the ufunc that reads them, instead of going through memory as a whole column.
BLOCK = 1 << 14


def jalali_parts(days: np.ndarray, known: "np.ndarray | None") -> "tuple[np.ndarray, np.ndarray, np.ndarray]":
    """Jalali year, month and day (int32) of each day counted from 1970-01-01; 0 where `known`
    (a bool array, or None for all) is false."""
    parts = tuple(np.zeros(len(days), np.int32) for _ in range(3))
    julian_days = np.empty(min(len(days), BLOCK))
    for start in range(0, len(days), BLOCK):
        block = slice(start, start + BLOCK)
        julian_day = np.add(days[block], UNIX_EPOCH, out=julian_days[:len(days[block])])
        _an.get_jalali_date_from_julian_day(julian_day, out=tuple(p[block] for p in parts),
                                            where=True if known is None else known[block])
    return parts


def leap_years(year: np.ndarray, known: "np.ndarray | None") -> np.ndarray:
    where = True if known is None else known
    return _an.is_jalali_leap_year(year, out=np.zeros(len(year), bool), where=where)


def days_in_years(year: np.ndarray, known: "np.ndarray | None") -> np.ndarray:
    where = True if known is None else known
    return _an.get_days_in_jalali_year(year, out=np.zeros(len(year), np.int32), where=where)


def days_in_months(year: np.ndarray, month: np.ndarray, known: "np.ndarray | None") -> np.ndarray:
    where = True if known is None else known
    return _an.get_days_in_jalali_month(year, month, out=np.zeros(len(year), np.int32), where=where)


def days_from_jalali(year: np.ndarray, month: np.ndarray, day: np.ndarray, known: np.ndarray,
                     errors: str) -> "tuple[np.ndarray, np.ndarray]":
    """Days from 1970-01-01 (int64) of Jalali dates given as integer arrays, and where they are
    known: `known` less the rows whose month or day is outside its range, which raise a
    ValueError naming the first of them when `errors` is "raise" and are left out when it is
    "coerce". Years outside 32 bits raise OverflowError either way."""
    if errors not in ("raise", "coerce"):
        raise ValueError(f'errors must be "raise" or "coerce", not {errors!r}')
    valid = known & (month >= 1) & (month <= 12)
    valid &= (day >= 1) & (day <= days_in_months(year, month, valid))
    if errors == "raise" and not np.array_equal(valid, known):
        row = int(np.argmax(known & ~valid))
        raise ValueError(f"cannot assemble the Jalali dates: {year[row]}-{month[row]}-{day[row]} at position "
                         f"{row} is not a date (months run from 1 to 12, days from 1 to the month's length)")
    julian_day = _an.get_julian_day_from_jalali_date(year, month, day, out=np.full(len(year), UNIX_EPOCH),
                                                     where=valid)
    return (julian_day - UNIX_EPOCH).astype(np.int64), valid
