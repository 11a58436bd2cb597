"""Independent formulations of the calendar rules in Python integers.

The Jalali side counts days year by year from the leap rule over one
2820-year cycle, instead of the module's closed formulas; the Gregorian side
counts days from 1 March of year 0.  Tests hold the module against these.
"""

from bisect import bisect_right
from itertools import accumulate

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
