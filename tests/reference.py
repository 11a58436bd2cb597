"""Independent formulations of the calendar rules in Python integers.

The Jalali side counts days year by year from the leap rule over one
2820-year cycle, instead of the module's closed formulas; the Gregorian side
counts days from 1 March of year 0.  The astronomical Jalali calendar adds up
the lengths of its years, read from the table of calendar/astronomical_years.hpp,
with no 33-year rule.  Tests hold the module against these.
"""

import re
from bisect import bisect_right
from itertools import accumulate
from pathlib import Path

CYCLE_YEARS = 2820
CYCLE_DAYS = 1029983
JALALI_475 = 2121445  # julian day at noon before 1 Farvardin 475 begins, less one half
GREGORIAN_MONTH_DAYS = (31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31)
INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1


def jalali_leap(year):
    """The 2820-year leap rule; year 0 counts with the negative years."""
    r = (year - 474 if year > 0 else year - 473) % CYCLE_YEARS
    t = (r + 512) * 682
    # leap exactly when the count of multiples of 2816 up to t grows in the last 682 steps
    return t // 2816 - (t - 682) // 2816 == 1


def jalali_month_days(year, month):
    return 31 if month <= 6 else 30 if month <= 11 else 29 + jalali_leap(year)


# Day offsets of the years 475 .. 3294 of a cycle from the cycle's first day.
_CYCLE_STARTS = [0, *accumulate(365 + jalali_leap(y) for y in range(475, 475 + CYCLE_YEARS))]
assert _CYCLE_STARTS[-1] == CYCLE_DAYS


def _continuous(year):
    """Year numbered without a gap at 0: the conversions take years 0 and -1 as one."""
    return year if year >= 0 else year + 1


def _year_start(cont_year):
    """Day count (from the first day of 475) of the first day of a continuous year."""
    cycles, k = divmod(cont_year - 475, CYCLE_YEARS)
    return cycles * CYCLE_DAYS + _CYCLE_STARTS[k]


def jalali_month_offset(month):
    """Days before the month within its year; outside 1..12 the formula runs on."""
    return (month - 1) * 31 if month <= 7 else (month - 1) * 30 + 6


def jalali_to_jd(year, month, day):
    return _year_start(_continuous(year)) + jalali_month_offset(month) + day - 1 + JALALI_475 + 0.5


def jd_to_jalali(jd):
    """The Jalali date of the day that begins at floor(jd) + 0.5."""
    days = int(jd // 1) - JALALI_475  # days since the first day of 475
    cycles, k = divmod(days, CYCLE_DAYS)
    i = bisect_right(_CYCLE_STARTS, k) - 1
    cont = 475 + cycles * CYCLE_YEARS + i
    yday = k - _CYCLE_STARTS[i]  # from 0
    month = yday // 31 + 1 if yday < 186 else (yday - 186) // 30 + 7
    return (cont if cont > 0 else cont - 1, month, yday - jalali_month_offset(month) + 1)


def gregorian_leap(year):
    return year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)


def gregorian_month_days(year, month):
    return 29 if month == 2 and gregorian_leap(year) else GREGORIAN_MONTH_DAYS[month - 1]


# Days before each month in a year that starts on 1 March.
_MARCH_OFFSETS = [0, *accumulate((31, 30, 31, 30, 31, 31, 30, 31, 30, 31, 31))]
_MARCH_1_0 = 1721119  # 1 March of year 0 begins at julian day 1721119.5


def gregorian_to_jd(year, month, day):
    """Julian day at which a valid Gregorian date begins."""
    y = year - (month <= 2)
    days = y * 365 + y // 4 - y // 100 + y // 400 + _MARCH_OFFSETS[(month - 3) % 12] + day - 1
    return days + _MARCH_1_0 + 0.5


def jd_to_gregorian(jd):
    """The Gregorian date of the day that contains jd (from n - 0.5 to n + 0.5)."""
    days = int((jd + 0.5) // 1) - 1 - _MARCH_1_0  # days since 1 March of year 0
    era, doe = divmod(days, 146097)
    yoe = (doe - doe // 1460 + doe // 36524 - doe // 146096) // 365
    doy = doe - (365 * yoe + yoe // 4 - yoe // 100)
    i = bisect_right(_MARCH_OFFSETS, doy) - 1
    month = (i + 2) % 12 + 1
    return (era * 400 + yoe + (month <= 2), month, doy - _MARCH_OFFSETS[i] + 1)


# The astronomical Jalali calendar: the leap years of its table and the julian
# day number (of the noon) of its first year's 1 Farvardin, read from the text
# of the header that the C++ routines compile; every later year starts that
# many days on.

ASTRONOMICAL_HEADER = Path(__file__).resolve().parent.parent / "calendar" / "astronomical_years.hpp"


def _read_astronomical_table(path=ASTRONOMICAL_HEADER):
    """(first, last, starts): the continuous years that the header holds, and the julian day
    numbers of 1 Farvardin of each of them and of the year after the last."""
    text = path.read_text(encoding="utf-8")

    def constant(name):
        return int(re.search(r"constexpr std::int(?:32|64)_t %s = (-?\d+);" % name, text).group(1))

    first, last, first_start = constant("first"), constant("last"), constant("first_start")
    size, body = re.search(r"leap_words\[(\d+)\] = \{([^}]*)\};", text).groups()
    words = [int(w, 16) for w in re.findall(r"0x([0-9a-f]{16})u,", body)]
    count = last - first + 1
    assert len(words) == int(size) == (count + 63) // 64, "a leap word is missing"
    leaps = [words[i // 64] >> (i % 64) & 1 for i in range(count)]
    assert words[-1] >> (count % 64 or 64) == 0, "bits beyond the last year"
    return first, last, list(accumulate((365 + leap for leap in leaps), initial=first_start))


_ASTRONOMICAL_FIRST, _ASTRONOMICAL_LAST, _ASTRONOMICAL_STARTS = _read_astronomical_table()
# The years as they are named: the first is -622 (continuous -621), and no year 0.
ASTRONOMICAL_FIRST_YEAR = _ASTRONOMICAL_FIRST - (_ASTRONOMICAL_FIRST <= 0)
ASTRONOMICAL_LAST_YEAR = _ASTRONOMICAL_LAST


class OutsideTable(ValueError):
    """A date of a year, or a day, that the astronomical calendar's table does not hold."""


def astronomical_holds(year):
    return _ASTRONOMICAL_FIRST <= _continuous(year) <= _ASTRONOMICAL_LAST


def astronomical_year_start(year):
    """The julian day number (of the noon) of 1 Farvardin of a year; year 0 is year -1."""
    if not astronomical_holds(year):
        raise OutsideTable(year)
    return _ASTRONOMICAL_STARTS[_continuous(year) - _ASTRONOMICAL_FIRST]


def astronomical_year_days(year):
    if not astronomical_holds(year):
        raise OutsideTable(year)
    i = _continuous(year) - _ASTRONOMICAL_FIRST
    return _ASTRONOMICAL_STARTS[i + 1] - _ASTRONOMICAL_STARTS[i]


def astronomical_leap(year):
    return astronomical_year_days(year) == 366


def astronomical_month_days(year, month):
    """Of a month 1 to 12: six of 31 days, five of 30, and Esfand of 29, or 30 in a leap year."""
    return 31 if month <= 6 else 30 if month <= 11 else 29 + astronomical_leap(year)


def astronomical_to_jd(year, month, day):
    """The julian day at which a date begins; month and day unchecked, running on."""
    return astronomical_year_start(year) + jalali_month_offset(month) + day - 1 - 0.5


def jd_to_astronomical(jd):
    """The date of the day that begins at floor(jd) + 0.5."""
    number = int(jd // 1) + 1  # the day's noon
    if not _ASTRONOMICAL_STARTS[0] <= number < _ASTRONOMICAL_STARTS[-1]:
        raise OutsideTable(jd)
    i = bisect_right(_ASTRONOMICAL_STARTS, number) - 1
    cont = _ASTRONOMICAL_FIRST + i
    year = cont if cont > 0 else cont - 1
    yday = number - _ASTRONOMICAL_STARTS[i]
    month = 1
    while yday >= astronomical_month_days(year, month):
        yday -= astronomical_month_days(year, month)
        month += 1
    return (year, month, yday + 1)
