"""The astronomical Jalali calendar of algorithms_c_numpy.astronomical: against the Calendar Center's
published years, an ephemeris of its own, jdatetime, and the reference formulation over every day
that its table holds; and its vectorised forms, whole blocks of ordinary dates with one edge value
each, against the reference."""

import datetime
import functools
import importlib.util
import itertools
import math
import pickle
import re
from pathlib import Path

import pytest

np = pytest.importorskip("numpy")
an = pytest.importorskip("algorithms_c_numpy")

import reference
from published_years import YEARS as PUBLISHED
from test_fast_paths import BLOCK, LONG_BLOCK, N, POSITIONS, views, with_value

astronomical = an.astronomical

FIRST_YEAR, LAST_YEAR = -622, 9378  # the years that the table holds
RULE_FIRST, RULE_LAST = 1178, 1633  # those that the vectorised forms compute in closed form
INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1

OUTSIDE = "{} is outside the years of the astronomical Jalali calendar, -622 to 9378"


def as_named(julian_day):
    """A julian day as a refusal names it: in the fewest of 15 to 17 significant digits that
    read back as it."""
    return next(text for text in (f"{julian_day:.{d}g}" for d in (15, 16, 17)) if float(text) == julian_day)


BAD_MONTH = "Month must be between 1 and 12"

JALALI_NAMES = ["is_jalali_leap_year", "get_days_in_jalali_year", "get_days_in_jalali_month",
                "get_julian_day_from_jalali_date", "get_jalali_date_from_julian_day",
                "get_jalali_date_from_gregorian_date"]
GREGORIAN_NAMES = ["get_julian_day_from_gregorian_date", "get_gregorian_date_from_julian_day"]

# Julian day numbers (of the noon) of the first day of the first year held, of the day after the
# last, and of the first days of RULE_FIRST and of the year after RULE_LAST.
FIRST_DAY = reference.astronomical_year_start(FIRST_YEAR)
END_DAY = reference.astronomical_year_start(LAST_YEAR) + reference.astronomical_year_days(LAST_YEAR)
RULE_FIRST_DAY = reference.astronomical_year_start(RULE_FIRST)
RULE_END_DAY = reference.astronomical_year_start(RULE_LAST + 1)


def named_years(first=FIRST_YEAR, last=LAST_YEAR):
    return [y for y in range(first, last + 1) if y != 0]


def dates(results):
    """The rows of a ufunc's output columns, as tuples of Python ints."""
    return [tuple(int(v) for v in row) for row in zip(*results)]


def test_the_table_holds_the_gregorian_years_1_to_9999():
    assert (reference.ASTRONOMICAL_FIRST_YEAR, reference.ASTRONOMICAL_LAST_YEAR) == (FIRST_YEAR, LAST_YEAR)
    # 1 Farvardin -622 is 0000-03-21 and 9378 ends on 10000-03-16 (proleptic Gregorian): every day of
    # the Gregorian years 1 to 9999 is held
    assert reference.jd_to_gregorian(FIRST_DAY) == (0, 3, 21)
    assert reference.jd_to_gregorian(END_DAY - 1) == (10000, 3, 16)


# ---------------------------------------------------------------------------------------------
# The Calendar Center's table, 1206 to 1498


def test_the_published_table_is_consistent():
    """Each published Nowruz comes 365 or 366 days after the one before, as the year before is
    common or leap: a slip in the transcription shows here."""
    for (year, gregorian, leap), (_, following, _) in zip(PUBLISHED, PUBLISHED[1:]):
        assert reference.gregorian_to_jd(*following) - reference.gregorian_to_jd(*gregorian) == 365 + leap, year
    assert [y for y, _, _ in PUBLISHED] == list(range(1206, 1499))


def test_the_published_years():
    years = np.array([y for y, _, _ in PUBLISHED], np.int32)
    gy, gm, gd = (np.array(c, np.int32) for c in zip(*(g for _, g, _ in PUBLISHED)))
    leap = np.array([leap for _, _, leap in PUBLISHED])
    nowruz = [g for _, g, _ in PUBLISHED]
    # 1 Farvardin both ways: from its Gregorian date, and to it through its julian day
    assert dates(astronomical.get_jalali_date_from_gregorian_date(gy, gm, gd)) == [(y, 1, 1) for y in years.tolist()]
    julian_days = astronomical.get_julian_day_from_jalali_date(years, 1, 1)
    assert dates(an.get_gregorian_date_from_julian_day(julian_days)) == nowruz
    # the year before each ends the day before: on 29 Esfand, or 30 in a leap year
    before = astronomical.get_jalali_date_from_julian_day(julian_days[1:] - 1)
    assert dates(before) == [(int(y), 12, 29 + int(l)) for y, l in zip(years[:-1], leap[:-1])]
    assert astronomical.is_jalali_leap_year(years).tolist() == leap.tolist()
    assert astronomical.get_days_in_jalali_year(years).tolist() == (365 + leap).tolist()
    assert astronomical.get_days_in_jalali_month(years, 12).tolist() == (29 + leap).tolist()
    assert astronomical.get_julian_day_from_jalali_date(years, 12, 29 + leap).tolist() == (
        julian_days + 365 + leap - 1).tolist()
    # where the arithmetic calendar differs, as in 1403 and 1404: the published years are the
    # astronomical ones, not the arithmetic ones
    assert an.is_jalali_leap_year(1404) and not astronomical.is_jalali_leap_year(1404)


# ---------------------------------------------------------------------------------------------
# An independent ephemeris

YEAR_STARTS_PATH = Path(__file__).resolve().parent.parent / "calendar" / "astronomical" / "year_starts.py"
YEARS_HEADER = Path(__file__).resolve().parent.parent / "calendar" / "astronomical_years.hpp"
DUBLIN_JD = 2415020.0  # PyEphem counts days from 1899 December 31, 12h
NEAR_NOON_S = 120.0

# The years in which the calendar begins on another day than PyEphem's equinox does: none.  A
# year may join them only with an equinox within NEAR_NOON_S of noon by PyEphem's reckoning.
# The nearest calls (PyEphem 4.2, seconds from 12:00 IRST): 265 -3.7, 426 +7.6, 7990 +8.0,
# 5411 +10.3, 7444 +17.0, 1309 -17.4, 5729 -22.5, 3958 -26.9, 6266 -27.0, 1701 +29.1.
EXCUSED = {}


def year_starts():
    """calendar/astronomical/year_starts.py, the calendar's generator, loaded by its path."""
    found = importlib.util.spec_from_file_location("year_starts", YEAR_STARTS_PATH)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


@functools.lru_cache(maxsize=None)
def pyephem_nowruz():
    """{year: (julian day number of Nowruz, seconds of the equinox from noon)} for every year held,
    by PyEphem's March equinox and the calendar's noon rule."""
    ephem = pytest.importorskip("ephem")
    starts = year_starts()
    found = {}
    for year in named_years():
        gregorian_year = year + (621 if year > 0 else 622)
        # PyEphem names dates before 1582 in the Julian calendar: start from a julian day instead
        march_1 = ephem.Date(reference.gregorian_to_jd(gregorian_year, 3, 1) - DUBLIN_JD)
        equinox = ephem.next_equinox(march_1)  # UT, by PyEphem's own Delta T
        terrestrial = float(equinox) + DUBLIN_JD + ephem.delta_t(equinox) / 86400.0
        delta_t = starts.delta_t_seconds(starts.decimal_year(terrestrial))
        _, _, from_noon, nowruz = starts.nowruz_from_equinox(terrestrial, delta_t)
        found[year] = nowruz, from_noon
    return found


def test_nowruz_by_an_independent_ephemeris():
    """Every Nowruz of the table against the March equinox of PyEphem (its own VSOP87 and nutation,
    the Sun's apparent right ascension), in TT by PyEphem's Delta T, then in UT by the generator's,
    and the noon rule at UTC+3:30 by the generator's nowruz_from_equinox.  The Delta T model
    (Espenak and Meeus) is the calendar's stated convention, shared here, while the ephemeris is
    independent: a disagreement can only come from an equinox near noon, where the two ephemerides
    may fall on either side of it."""
    found = pyephem_nowruz()
    years = np.array(list(found), np.int32)
    table = (astronomical.get_julian_day_from_jalali_date(years, 1, 1) + 0.5).tolist()
    differing = {y: found[y][1] for y, nowruz in zip(years.tolist(), table) if found[y][0] != nowruz}
    far = {y: s for y, s in differing.items() if abs(s) >= NEAR_NOON_S}
    assert not far, f"Nowruz differs from PyEphem's with the equinox far from noon (s): {far}"
    assert set(differing) <= set(EXCUSED), f"Nowruz differs from PyEphem's (s from noon): {differing}"


def test_the_near_noon_years_that_the_table_names():
    """The header lists the years whose equinox the generator puts within a minute of noon, with
    its distance: PyEphem puts each of them within 30 s of that, and lists every year that it
    itself puts within 30 s of noon."""
    listed = {int(y): float(s) for y, s in re.findall(r"^//\s+(-?\d+) \(\d+\): ([+-]\d+\.\d) s$",
                                                      YEARS_HEADER.read_text(encoding="utf-8"), re.M)}
    assert len(listed) >= 10
    found = pyephem_nowruz()
    assert {y: round(found[y][1], 1) for y in listed if abs(found[y][1] - listed[y]) >= 30} == {}
    assert {y for y, (_, s) in found.items() if abs(s) < 30} - set(listed) == set()


# ---------------------------------------------------------------------------------------------
# Every day of the table


@functools.lru_cache(maxsize=None)
def every_day():
    """The day numbers of every day held, and their dates by the reference, assembled year by year
    from its year starts and month lengths."""
    years = named_years()
    lengths = [reference.astronomical_year_days(y) for y in years]
    starts = [reference.astronomical_year_start(y) for y in years]
    numbers = np.arange(FIRST_DAY, END_DAY)
    assert starts[0] == FIRST_DAY and starts[-1] + lengths[-1] == END_DAY
    year = np.repeat(np.array(years, np.int32), lengths)
    day_of_year = numbers - np.repeat(starts, lengths)
    # (month, day) of each day of the year, in a common year (1404) and in a leap year (1403)
    month_day = np.zeros((2, 366, 2), np.int32)
    for leap, sample in ((0, 1404), (1, 1403)):
        rows = [(m, d) for m in range(1, 13) for d in range(1, reference.astronomical_month_days(sample, m) + 1)]
        month_day[leap, :len(rows)] = rows
    leap = np.repeat(np.array(lengths) == 366, lengths).astype(np.intp)
    return numbers, (year, month_day[leap, day_of_year, 0], month_day[leap, day_of_year, 1])


def assert_same(got, wanted, inputs, what):
    """Columns equal element by element; else the first element that differs, with its inputs."""
    got = got if isinstance(got, tuple) else (got,)
    differs = np.zeros(len(got[0]), bool)
    for g, w in zip(got, wanted):
        differs |= np.asarray(g) != np.asarray(w)
    if differs.any():
        i = int(np.flatnonzero(differs)[0])
        pytest.fail(f"{what}: {int(differs.sum())} differ, the first at {[c[i] for c in inputs]}: "
                    f"{[g[i] for g in got]}, not {[w[i] for w in wanted]}")


def test_every_day_to_its_date_and_back():
    numbers, wanted = every_day()
    # a julian day names the day that begins at floor(jd) + 0.5: any time of day number n - 1
    for offset in (-1.0, -0.5, -2.0**-20):
        julian_days = numbers + offset
        assert_same(astronomical.get_jalali_date_from_julian_day(julian_days), wanted, [julian_days],
                    "get_jalali_date_from_julian_day")
    assert_same(astronomical.get_julian_day_from_jalali_date(*wanted), [numbers - 0.5], wanted,
                "get_julian_day_from_jalali_date")
    gregorian = an.get_gregorian_date_from_julian_day(numbers - 0.5)
    assert_same(astronomical.get_jalali_date_from_gregorian_date(*gregorian), wanted, gregorian,
                "get_jalali_date_from_gregorian_date")


def test_every_day_follows_the_one_before():
    """Consecutive days: the next day of the month, or the first of the next month, or 1 Farvardin
    of the next year; no year 0."""
    numbers, _ = every_day()
    year, month, day = astronomical.get_jalali_date_from_julian_day(numbers - 0.5)
    y, m, d = year[:-1], month[:-1], day[:-1]
    y1, m1, d1 = year[1:], month[1:], day[1:]
    next_day = (y1 == y) & (m1 == m) & (d1 == d + 1)
    next_month = (y1 == y) & (m1 == m + 1) & (d1 == 1)
    next_year = (y1 == np.where(y == -1, 1, y + 1)) & (m == 12) & (m1 == 1) & (d1 == 1)
    steps = next_day | next_month | next_year
    assert steps.all(), [(y[i], m[i], d[i], y1[i], m1[i], d1[i]) for i in np.flatnonzero(~steps)[:5]]
    assert (year[0], month[0], day[0]) == (FIRST_YEAR, 1, 1) and year[-1] == LAST_YEAR and month[-1] == 12
    assert not (year == 0).any()
    # months end on their last day: 31 days for the first six, 30 for the next five, 29 or 30
    ends = np.flatnonzero(next_month | next_year)
    assert set(zip(m[ends].tolist(), d[ends].tolist())) == {
        *((k, 31) for k in range(1, 7)), *((k, 30) for k in range(7, 12)), (12, 29), (12, 30)}


def test_every_year():
    years = np.array(named_years(), np.int32)
    leap = [reference.astronomical_leap(y) for y in years.tolist()]
    assert astronomical.is_jalali_leap_year(years).tolist() == leap
    assert astronomical.get_days_in_jalali_year(years).tolist() == [365 + x for x in leap]
    months = np.arange(1, 13, dtype=np.int32)
    got = astronomical.get_days_in_jalali_month(years[:, None], months[None, :])
    wanted = [[reference.astronomical_month_days(y, m) for m in range(1, 13)] for y in years.tolist()]
    assert got.tolist() == wanted
    # year 0 is year -1, in every function of a year or a date
    for ufunc, args in [(astronomical.is_jalali_leap_year, ()), (astronomical.get_days_in_jalali_year, ()),
                        (astronomical.get_days_in_jalali_month, (12,)),
                        (astronomical.get_julian_day_from_jalali_date, (12, 30))]:
        assert ufunc(0, *args) == ufunc(-1, *args) == ufunc(np.full(N, 0), *args)[-1], ufunc.__name__
    assert astronomical.get_days_in_jalali_year(0) == reference.astronomical_year_days(-1)


def refusal(ufunc, args):
    with pytest.raises(ValueError) as raised:
        ufunc(*args)
    return str(raised.value)


# (ufunc, arguments, the exception's message): the dates, years and julian days just outside the
# table, and the limits of 32 bits
JUST_OUTSIDE = [
    *((getattr(astronomical, name), (year, *rest), OUTSIDE.format(f"the year {year}"))
      for year in (FIRST_YEAR - 1, LAST_YEAR + 1, INT32_MAX, INT32_MIN, 2**20 + 1)
      for name, rest in (("is_jalali_leap_year", ()), ("get_days_in_jalali_year", ()),
                         ("get_days_in_jalali_month", (1,)), ("get_days_in_jalali_month", (12,)),
                         ("get_julian_day_from_jalali_date", (1, 1)),
                         ("get_julian_day_from_jalali_date", (12, 29)))),
    # a bad month first, in a year held or not
    (astronomical.get_days_in_jalali_month, (FIRST_YEAR - 1, 13), BAD_MONTH),
    (astronomical.get_days_in_jalali_month, (LAST_YEAR, 0), BAD_MONTH),
    # julian days of the day before the first and of the day after the last
    *((astronomical.get_jalali_date_from_julian_day, (jd,), OUTSIDE.format(f"the julian day {as_named(jd)}"))
      for jd in (FIRST_DAY - 1.5, FIRST_DAY - 2.0, END_DAY - 1.0, END_DAY - 0.5, END_DAY + 1e6,
                 -(2.0**40), 2.0**40, 1e300)),
    (astronomical.get_jalali_date_from_julian_day, (float("nan"),), "Invalid Date"),
    (astronomical.get_jalali_date_from_julian_day, (float("inf"),), "Invalid Date"),
    # Gregorian dates: the days before 1 Farvardin -622 and after the last day of 9378
    *((astronomical.get_jalali_date_from_gregorian_date, date, OUTSIDE.format("the Gregorian date %d-%02d-%02d" % date))
      for date in ((0, 3, 20), (-1, 12, 31), (10000, 3, 17), (10000, 3, 21), (INT32_MAX, 1, 1), (INT32_MIN, 12, 31),
                   (0, 2, -100))),
    (astronomical.get_jalali_date_from_gregorian_date, (0, 2, 30), "Invalid day: 30, it must be <= 29"),
    (astronomical.get_jalali_date_from_gregorian_date, (10000, 2, 30), "Invalid day: 30, it must be <= 29"),
]

# (ufunc, arguments, result) at the ends of the table
JUST_INSIDE = [
    (astronomical.get_jalali_date_from_julian_day, (FIRST_DAY - 1.0,), (FIRST_YEAR, 1, 1)),
    (astronomical.get_jalali_date_from_julian_day, (float(np.nextafter(END_DAY - 1.0, 0)),), (LAST_YEAR, 12, 29)),
    (astronomical.get_jalali_date_from_gregorian_date, (0, 3, 21), (FIRST_YEAR, 1, 1)),
    (astronomical.get_jalali_date_from_gregorian_date, (10000, 3, 16), (LAST_YEAR, 12, 29)),
    (astronomical.get_jalali_date_from_gregorian_date, (9999, 12, 31), None),
    (astronomical.get_jalali_date_from_gregorian_date, (1, 1, 1), None),
    # months and days run on, even to a day outside the table, when the year is held
    (astronomical.get_julian_day_from_jalali_date, (FIRST_YEAR, 1, 0), FIRST_DAY - 1.5),
    (astronomical.get_julian_day_from_jalali_date, (LAST_YEAR, 13, 1), None),
    (astronomical.get_julian_day_from_jalali_date, (1, 1, -400), None),
]


@pytest.mark.parametrize("ufunc, args, message", JUST_OUTSIDE,
                         ids=[f"{u.__name__}{a}" for u, a, _ in JUST_OUTSIDE])
def test_just_outside_the_table(ufunc, args, message):
    assert refusal(ufunc, args) == message
    column = [np.full(N, a) for a in args]  # the same in a whole column, where the vectorised forms run
    assert refusal(ufunc, column) == message


def test_just_inside_the_table():
    for ufunc, args, result in JUST_INSIDE:
        got = ufunc(*args)
        got = tuple(int(g) for g in got) if isinstance(got, tuple) else float(got)
        assert got == expected(ufunc, args), (ufunc.__name__, args)
        assert result is None or got == result, (ufunc.__name__, args)


# ---------------------------------------------------------------------------------------------
# jdatetime, whose 33-year cycle is the calendar over these years


def test_jdatetime_from_1300_to_1450():
    jdatetime = pytest.importorskip("jdatetime")
    numbers = range(reference.astronomical_year_start(1300), reference.astronomical_year_start(1451))
    gregorian = [datetime.date.fromordinal(n - 1721425) for n in numbers]  # ordinal 1 is 0001-01-01
    wanted = []
    for date in gregorian:
        j = jdatetime.date.fromgregorian(date=date)
        wanted.append((j.year, j.month, j.day))
    columns = [np.array(c, np.int32) for c in zip(*((d.year, d.month, d.day) for d in gregorian))]
    assert dates(astronomical.get_jalali_date_from_gregorian_date(*columns)) == wanted
    years = list(range(1300, 1451))
    assert astronomical.is_jalali_leap_year(years).tolist() == [jdatetime.date(y, 1, 1).isleap() for y in years]


# ---------------------------------------------------------------------------------------------
# The vectorised forms


class Refused(Exception):
    """An element that the ufunc refuses: Refused(exception type, message)."""


def expected(ufunc, args):
    """What an astronomical ufunc gives for one element, by the reference: a value or a tuple of
    values; raises Refused for an element that it refuses."""
    name = ufunc.__name__
    year = args[0]
    if name in ("is_jalali_leap_year", "get_days_in_jalali_year", "get_days_in_jalali_month",
                "get_julian_day_from_jalali_date"):
        if name == "get_days_in_jalali_month" and not 1 <= args[1] <= 12:
            raise Refused(ValueError, BAD_MONTH)
        if not reference.astronomical_holds(year):
            raise Refused(ValueError, OUTSIDE.format(f"the year {year}"))
        if name == "is_jalali_leap_year":
            return reference.astronomical_leap(year)
        if name == "get_days_in_jalali_year":
            return reference.astronomical_year_days(year)
        if name == "get_days_in_jalali_month":
            return reference.astronomical_month_days(*args)
        return reference.astronomical_to_jd(*args)
    if name == "get_jalali_date_from_julian_day":
        julian_day = args[0]
        if not math.isfinite(julian_day):
            raise Refused(ValueError, "Invalid Date")
        try:
            return reference.jd_to_astronomical(julian_day)
        except reference.OutsideTable:
            raise Refused(ValueError, OUTSIDE.format(f"the julian day {as_named(julian_day)}")) from None
    assert name == "get_jalali_date_from_gregorian_date"
    _, month, day = args
    february = reference.gregorian_month_days(year, 2)
    if month == 2 and day > february:
        raise Refused(ValueError, f"Invalid day: {day:02d}, it must be <= {february:02d}")
    # months 0 and 13 are December before and January after: the same day numbers
    assert -1 <= month <= 14
    carry, month = divmod(month - 1, 12)
    try:
        return reference.jd_to_astronomical(reference.gregorian_to_jd(year + carry, month + 1, day))
    except reference.OutsideTable:
        raise Refused(ValueError, OUTSIDE.format("the Gregorian date %d-%02d-%02d" % tuple(args))) from None


@functools.lru_cache(maxsize=None)
def ordinary():
    """N dates of 1900 to 2100, inside every box: (Gregorian columns, Jalali columns, julian days),
    by the reference."""
    rng = np.random.default_rng(7)
    numbers = rng.integers(2415021, 2488070, N).tolist()
    gregorian = [np.array(c, np.int32) for c in zip(*(reference.jd_to_gregorian(n) for n in numbers))]
    jalali = [np.array(c, np.int32) for c in zip(*(reference.jd_to_astronomical(n - 0.5) for n in numbers))]
    return gregorian, jalali, np.array(numbers) - 0.5


@functools.lru_cache(maxsize=None)
def ordinary_results(name):
    ufunc = getattr(astronomical, name)
    columns = ordinary_columns(ufunc)
    rows = [expected(ufunc, args) for args in zip(*(c.tolist() for c in columns))]
    return [np.array(c) for c in (zip(*rows) if isinstance(rows[0], tuple) else [rows])]


def ordinary_columns(ufunc):
    gregorian, jalali, julian_days = ordinary()
    if ufunc.__name__ == "get_jalali_date_from_julian_day":
        return [julian_days]
    if ufunc.__name__ == "get_jalali_date_from_gregorian_date":
        return gregorian
    return jalali[:ufunc.nin]


def check(ufunc, columns, **kwargs):
    """A call against the reference: columns that are ordinary but at a few positions. Returns
    what was checked, the results or the refusal."""
    base = ordinary_columns(ufunc)
    wanted = [w.copy() for w in ordinary_results(ufunc.__name__)]
    for i in np.flatnonzero(np.any([np.asarray(c) != b for c, b in zip(columns, base)], axis=0)):
        try:
            value = expected(ufunc, [c[i].item() for c in columns])
        except Refused as refused:
            with pytest.raises(refused.args[0]) as raised:
                ufunc(*columns, **kwargs)
            assert str(raised.value) == refused.args[1], (ufunc.__name__, [c[i] for c in columns])
            return refused
        for w, v in zip(wanted, value if isinstance(value, tuple) else (value,)):
            w[i] = v
    got = ufunc(*columns, **kwargs)
    assert_same(got, wanted, columns, ufunc.__name__)
    return got


def day_edges(number):
    """Julian days on both sides of the ends of [number - 1, number), those that name day `number`."""
    below, above = float(number - 1), float(number)
    return [float(np.nextafter(below, -np.inf)), below, below + 0.5, float(np.nextafter(above, 0)), above]


BOUNDARY_DAYS = [RULE_FIRST_DAY, RULE_END_DAY, FIRST_DAY, END_DAY]
# the first days of the years next to those about the closed form's ends: 1634 begins as the rule
# has it, and 1635 a day earlier, so that a box drawn a year too wide shows only there
FURTHER_DAYS = [reference.astronomical_year_start(y) for y in (RULE_FIRST - 2, RULE_FIRST - 1, RULE_LAST + 2,
                                                               RULE_LAST + 3)]
YEAR_EDGES = [RULE_FIRST - 1, RULE_FIRST, RULE_FIRST + 1, RULE_LAST - 1, RULE_LAST, RULE_LAST + 1,
              FIRST_YEAR - 1, FIRST_YEAR, FIRST_YEAR + 1, LAST_YEAR - 1, LAST_YEAR, LAST_YEAR + 1, 0, -1, 1,
              INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX, 2**16 + RULE_FIRST, 2**20 + 1, -(2**20) - 1]
MONTH_EDGES = [0, 13, -1, 14, 1, 12, INT32_MIN, INT32_MAX, 2**20 + 1]
DAY_EDGES = [0, -1, 32, 400, 2**20, 2**20 + 1, -(2**20), -(2**20) - 1, INT32_MIN, INT32_MAX]
# the first and last days of the years about the closed form's and the table's ends
JALALI_DATE_EDGES = [
    *(reference.jd_to_astronomical(n - 0.5)
      for n in (RULE_FIRST_DAY - 1, RULE_FIRST_DAY, RULE_END_DAY - 1, RULE_END_DAY, FIRST_DAY, END_DAY - 1)),
    *(reference.jd_to_astronomical(n + d) for n in FURTHER_DAYS for d in (-1.5, -0.5)),
    (FIRST_YEAR - 1, 12, 29), (LAST_YEAR + 1, 1, 1), (RULE_FIRST - 1, 12, 31), (RULE_LAST + 1, 1, 0)]
GREGORIAN_DATE_EDGES = [
    *(reference.jd_to_gregorian(n + d) for n in BOUNDARY_DAYS + FURTHER_DAYS for d in (-2, -1, 0, 1)),
    (1900, 2, 29), (2100, 2, 29), (2016, 2, 30), (2000, 2, 30), (2023, 2, 29), (2000, 2, 29), (2016, 2, 29),
    (1799, 2, 29), (2256, 2, 29), (2015, 0, 31), (2015, 13, 1), (2015, 13, 0), (2015, 0, 0)]
GREGORIAN_COLUMN_EDGES = [[0, -1, 1, INT32_MIN, INT32_MAX, 2**20, 2**20 + 1, -(2**20), 10000, 1799, 2256],
                          [0, 13], [0, -1, 2**20, 2**20 + 1, -(2**20) - 1, INT32_MAX, 400, -400]]
JULIAN_DAY_EDGES = [
    *(v for n in BOUNDARY_DAYS for v in day_edges(n)), *(n + d for n in FURTHER_DAYS for d in (-1.5, -0.5)),
    math.nan, math.inf, -math.inf, 0.0, -0.5, 1e30, -1e30, 2.0**31, -(2.0**31), 2.0**40]


def cases():
    """(ufunc, columns): ordinary columns, with one edge value put in, or one edge date."""
    gregorian, jalali, julian_days = ordinary()
    for position in POSITIONS:
        for value in YEAR_EDGES:
            for name in ("is_jalali_leap_year", "get_days_in_jalali_year", "get_days_in_jalali_month",
                         "get_julian_day_from_jalali_date"):
                ufunc = getattr(astronomical, name)
                yield ufunc, [with_value(jalali[0], position, value), *jalali[1:ufunc.nin]]
        for value in MONTH_EDGES:
            yield astronomical.get_days_in_jalali_month, [jalali[0], with_value(jalali[1], position, value)]
            yield astronomical.get_julian_day_from_jalali_date, [jalali[0], with_value(jalali[1], position, value),
                                                                 jalali[2]]
        for value in DAY_EDGES:
            yield astronomical.get_julian_day_from_jalali_date, [*jalali[:2], with_value(jalali[2], position, value)]
        for date in JALALI_DATE_EDGES:
            columns = [with_value(c, position, v) for c, v in zip(jalali, date)]
            yield astronomical.get_julian_day_from_jalali_date, columns
            yield astronomical.get_days_in_jalali_month, columns[:2]
        for date in GREGORIAN_DATE_EDGES:
            yield astronomical.get_jalali_date_from_gregorian_date, [with_value(c, position, v)
                                                                     for c, v in zip(gregorian, date)]
        for k, values in enumerate(GREGORIAN_COLUMN_EDGES):
            for value in values:
                columns = list(gregorian)
                columns[k] = with_value(columns[k], position, value)
                if k == 0 and columns[1][position] == 2:  # 29 February in another year
                    columns[2] = with_value(columns[2], position, min(columns[2][position], 28))
                yield astronomical.get_jalali_date_from_gregorian_date, columns
        for value in JULIAN_DAY_EDGES:
            yield astronomical.get_jalali_date_from_julian_day, [with_value(julian_days, position, value)]


def test_whole_blocks_with_one_edge_value():
    count = refused = 0
    for ufunc, columns in cases():
        for dtype in (np.int32, np.int64) if columns[0].dtype.kind == "i" else (np.float64,):
            refused += isinstance(check(ufunc, [c.astype(dtype) for c in columns]), Refused)
            count += 1
    assert count > 3000 and 1000 < refused < count - 1000, (count, refused)


def test_the_first_of_two_refusals_is_the_one_reported():
    _, jalali, julian_days = ordinary()
    for first, second in itertools.combinations([0, BLOCK - 1, LONG_BLOCK, N - 1], 2):
        years = with_value(with_value(jalali[0], first, LAST_YEAR + 1), second, FIRST_YEAR - 1)
        assert refusal(astronomical.get_days_in_jalali_year, [years]) == OUTSIDE.format(f"the year {LAST_YEAR + 1}")
        months = with_value(jalali[1], second, 13)
        assert refusal(astronomical.get_days_in_jalali_month, [years, months]) == OUTSIDE.format(
            f"the year {LAST_YEAR + 1}")
        days = with_value(with_value(julian_days, first, END_DAY - 1.0), second, math.nan)
        assert refusal(astronomical.get_jalali_date_from_julian_day, [days]) == OUTSIDE.format(
            f"the julian day {END_DAY - 1}")


def test_integers_beyond_32_bits_as_the_arithmetic_ufuncs_refuse_them():
    """An input beyond 32 bits is refused before its year is looked at, with the arithmetic ufuncs'
    OverflowError, in whichever column and block it is."""
    gregorian, jalali, _ = ordinary()
    for name, position, value in itertools.product(
            ["is_jalali_leap_year", "get_days_in_jalali_year", "get_days_in_jalali_month",
             "get_julian_day_from_jalali_date", "get_jalali_date_from_gregorian_date"],
            (0, BLOCK - 1, N - 1), (2**31, -(2**31) - 1, 2**63 - 1, -(2**63), 2**64 - 1)):
        ufunc = getattr(astronomical, name)
        base = gregorian if name == "get_jalali_date_from_gregorian_date" else jalali[:ufunc.nin]
        for k in range(ufunc.nin):
            dtype = np.uint64 if value >= 2**63 else np.int64
            columns = [c.astype(dtype) for c in base]
            columns[k][position] = value
            with pytest.raises(OverflowError) as raised:
                ufunc(*columns)
            with pytest.raises(OverflowError) as arithmetic:
                getattr(an, name)(*columns)
            assert str(raised.value) == str(arithmetic.value), (name, k, position, value)


def outside_the_closed_form(wanted_differs):
    """A year that the table holds and the closed form does not, for which wanted_differs(year) is
    true: a year whose answer from the table differs from the one that a read of the fast form's
    output, written over the input, would give."""
    for year in itertools.chain(range(RULE_FIRST - 1, FIRST_YEAR, -1), range(RULE_LAST + 1, LAST_YEAR)):
        if wanted_differs(year):
            return year
    raise AssertionError("no such year")


def test_an_output_over_its_input_where_only_some_elements_are_written():
    """With where=, NumPy hands the loop one element at a time, and an output that is the input
    itself spans that element: the exact way must read the input, not what the fast form wrote over
    it.  Each year is chosen so that reading the fast form's output would give another answer."""
    where = [True, False, True, False]
    for dtype in (np.int32, np.int64):
        # a leap flag written over the lowest byte of the year
        year = outside_the_closed_form(lambda y: all(
            reference.astronomical_leap(y) != reference.astronomical_leap(y & ~0xFF | flag)
            for flag in (0, 1) if reference.astronomical_holds(y & ~0xFF | flag)))
        years = np.full(4, year, dtype)
        out = years.view(bool)[::years.itemsize]
        astronomical.is_jalali_leap_year(years, out=out, where=where)
        assert out[[0, 2]].tolist() == [reference.astronomical_leap(year)] * 2, dtype
        # a year's length written over the year
        year = outside_the_closed_form(lambda y: all(
            reference.astronomical_year_days(y) != reference.astronomical_year_days(length) for length in (365, 366)))
        years = np.full(4, year, dtype)
        astronomical.get_days_in_jalali_year(years, out=years, where=where)
        assert years.tolist() == [reference.astronomical_year_days(year), year] * 2, dtype
    # a month's length written over the month: no month at all
    year = RULE_FIRST - 1
    months = np.full(4, 12, np.int32)
    astronomical.get_days_in_jalali_month(np.full(4, year, np.int32), months, out=months,
                                          where=[False, True, True, False])
    assert months.tolist() == [12, *[reference.astronomical_month_days(year, 12)] * 2, 12]
    # a Jalali date written over the Gregorian one
    date = reference.jd_to_gregorian(RULE_FIRST_DAY - 100)
    gregorian = [np.full(4, v, np.int32) for v in date]
    astronomical.get_jalali_date_from_gregorian_date(*gregorian, out=tuple(gregorian), where=where)
    assert dates(gregorian) == [reference.jd_to_astronomical(RULE_FIRST_DAY - 100.5), date] * 2


def test_strided_and_reversed_inputs():
    gregorian, jalali, julian_days = ordinary()
    position = BLOCK + 5  # a block that goes the exact way
    for value in (RULE_FIRST - 1, RULE_LAST + 1, LAST_YEAR + 1):
        for name, view in views(with_value(jalali[0], position, value)).items():
            for ufunc in (astronomical.is_jalali_leap_year, astronomical.get_days_in_jalali_year):
                check(ufunc, [view])
            check(astronomical.get_days_in_jalali_month, [view, views(jalali[1])[name]])
            check(astronomical.get_julian_day_from_jalali_date, [view, jalali[1], views(jalali[2])[name]])
    for day in (RULE_FIRST_DAY - 1, RULE_END_DAY, FIRST_DAY - 1):
        for name, view in views(with_value(julian_days, position, day - 0.5)).items():
            check(astronomical.get_jalali_date_from_julian_day, [view])
        date = reference.jd_to_gregorian(day)
        for (_, a), (_, b) in itertools.product(views(with_value(gregorian[0], position, date[0])).items(),
                                                views(with_value(gregorian[2], position, date[2])).items()):
            check(astronomical.get_jalali_date_from_gregorian_date, [a, with_value(gregorian[1], position, date[1]), b])


def test_strided_and_reversed_outputs():
    gregorian, jalali, julian_days = ordinary()
    years = with_value(jalali[0], 7, RULE_LAST + 1)
    calls = [(astronomical.is_jalali_leap_year, [years]), (astronomical.get_days_in_jalali_month, [years, jalali[1]]),
             (astronomical.get_julian_day_from_jalali_date, [years, *jalali[1:]]),
             (astronomical.get_jalali_date_from_julian_day, [with_value(julian_days, 7, RULE_END_DAY - 0.5)]),
             (astronomical.get_jalali_date_from_gregorian_date, gregorian)]
    for stride, (ufunc, columns) in itertools.product((2, -1, -3), calls):
        wanted = check(ufunc, columns)
        wanted = wanted if isinstance(wanted, tuple) else (wanted,)
        buffers = [np.zeros(len(w) * abs(stride), w.dtype) for w in wanted]
        out = tuple(b[::stride] if stride > 0 else b[::stride][:len(w)] for b, w in zip(buffers, wanted))
        got = ufunc(*columns, out=out if len(out) > 1 else out[0])
        for g, o, w, b in zip(got if isinstance(got, tuple) else (got,), out, wanted, buffers):
            assert g is o and np.array_equal(o, w), (ufunc.__name__, stride)
            assert np.count_nonzero(b) == np.count_nonzero(o)  # nothing written between the elements


# ---------------------------------------------------------------------------------------------
# The namespace


def test_the_namespace_its_import_and_pickling():
    import algorithms_c_numpy.astronomical as imported
    import algorithms_c_numpy.arithmetic as arithmetic

    assert imported is astronomical
    for name in JALALI_NAMES:
        ufunc = getattr(astronomical, name)
        assert ufunc is not getattr(an, name) and ufunc.types == getattr(an, name).types, name
        assert getattr(arithmetic, name) is getattr(an, name)
        assert pickle.loads(pickle.dumps(ufunc)) is ufunc
        assert pickle.loads(pickle.dumps(getattr(arithmetic, name))) is getattr(an, name)
    for name in GREGORIAN_NAMES:
        assert getattr(astronomical, name) is getattr(an, name) is getattr(arithmetic, name)
