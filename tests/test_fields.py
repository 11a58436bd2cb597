"""The Jalali fields, period starts, month steps and period ranges of the pandas, polars and dask
adapters, against jdatetime, whose 33-year rule names the same days as the astronomical calendar
over 1300-1450, and against the per-call functions of algorithms_c for the arithmetic calendar;
Gregorian days and weekdays from datetime, local times from pandas' own tz_localize."""

import datetime
import functools
import re

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
jdatetime = pytest.importorskip("jdatetime")
ap = pytest.importorskip("algorithms_c_pandas")

import algorithms_c as ac

CALENDARS = ("astronomical", "arithmetic")
FREQS = ("year", "quarter", "month", "week", "day")
FIELDS = ("year", "month", "day", "day_of_year", "day_of_week", "week_of_year", "quarter", "days_in_month",
          "days_in_year", "is_leap_year", "is_month_start", "is_month_end", "is_quarter_start", "is_quarter_end",
          "is_year_start", "is_year_end")
DAY = datetime.timedelta(days=1)


def _gregorian_of_julian_day(jd):
    return datetime.date.fromordinal(int(jd - 1721424.5))  # 0001-01-01 begins at julian day 1721425.5


# The two calendars as their references name them: Gregorian date to Jalali, and back.
TO_JALALI = {
    "astronomical": lambda g: (lambda j: (j.year, j.month, j.day))(jdatetime.date.fromgregorian(date=g)),
    "arithmetic": lambda g: ac.get_jalali_date_from_gregorian_date(g.year, g.month, g.day),
}
TO_GREGORIAN = {
    "astronomical": lambda y, m, d: jdatetime.date(y, m, d).togregorian(),
    "arithmetic": lambda y, m, d: _gregorian_of_julian_day(ac.get_julian_day_from_jalali_date(y, m, d)),
}


def month_days(calendar, y, m):
    return (TO_GREGORIAN[calendar](y + m // 12, m % 12 + 1, 1) - TO_GREGORIAN[calendar](y, m, 1)).days


def expected_fields(calendar, g):
    """Every field of the Gregorian date g, from the calendar's reference and Python's weekdays."""
    y, m, d = TO_JALALI[calendar](g)
    nowruz = TO_GREGORIAN[calendar](y, 1, 1)
    day_of_year, year_days, length = (g - nowruz).days + 1, (TO_GREGORIAN[calendar](y + 1, 1, 1) - nowruz).days, \
        month_days(calendar, y, m)
    return {"year": y, "month": m, "day": d, "day_of_year": day_of_year, "day_of_week": (g.weekday() + 2) % 7,
            "week_of_year": (day_of_year + (nowruz.weekday() + 2) % 7 - 1) // 7 + 1, "quarter": (m + 2) // 3,
            "days_in_month": length, "days_in_year": year_days, "is_leap_year": year_days == 366,
            "is_month_start": d == 1, "is_month_end": d == length, "is_quarter_start": d == 1 and m % 3 == 1,
            "is_quarter_end": d == length and m % 3 == 0, "is_year_start": day_of_year == 1,
            "is_year_end": day_of_year == year_days}


def values(column):
    return column.astype(object).where(column.notna(), None).tolist()


def test_every_day_of_1300_to_1450_against_jdatetime():
    first = jdatetime.date(1300, 1, 1).togregorian()
    count = (jdatetime.date(1451, 1, 1).togregorian() - first).days
    wanted = {f: [] for f in ("year", "month", "day", "day_of_year", "day_of_week", "week_of_year", "days_in_month",
                              "is_leap_year", "quarter")}
    for i in range(count):
        j = jdatetime.date.fromgregorian(date=first + i * DAY)
        leap = j.isleap()
        for field, value in zip(wanted, (j.year, j.month, j.day, j.yday(), j.weekday(), j.weeknumber(),
                                         jdatetime.j_days_in_month[j.month - 1] + (j.month == 12 and leap), leap,
                                         (j.month - 1) // 3 + 1)):
            wanted[field].append(value)
    # a time of day on each, which must not move the date
    seconds = np.arange(count, dtype=np.int64) * 86_400 + np.arange(count) * 7919 % 86_400
    column = pd.Series((seconds + (first - datetime.date(1970, 1, 1)).days * 86_400).astype("datetime64[s]"))
    for field, expected in wanted.items():
        assert getattr(column.jalali, field).tolist() == expected, field
    assert wanted["year"][0] == 1300 and wanted["year"][-1] == 1450 and max(wanted["week_of_year"]) == 54
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    through_polars = pl.from_pandas(column)
    for field, expected in wanted.items():
        assert getattr(through_polars.jalali, field)().to_list() == expected, field


# Edges written out: Gregorian date, calendar, then year, month, day, day of the year, weekday,
# week, quarter, days in the month and in the year, and which is_ fields hold.
EDGES = [
    ("2025-03-20", "astronomical", (1403, 12, 30, 366, 5, 53, 4, 30, 366), "leap_year month_end quarter_end year_end"),
    ("2025-03-21", "astronomical", (1404, 1, 1, 1, 6, 1, 1, 31, 365), "month_start quarter_start year_start"),
    ("2025-03-22", "astronomical", (1404, 1, 2, 2, 0, 2, 1, 31, 365), ""),
    ("2024-09-21", "astronomical", (1403, 6, 31, 186, 0, 28, 2, 31, 366), "leap_year month_end quarter_end"),
    ("2024-09-22", "astronomical", (1403, 7, 1, 187, 1, 28, 3, 30, 366), "leap_year month_start quarter_start"),
    ("2024-12-20", "astronomical", (1403, 9, 30, 276, 6, 40, 3, 30, 366), "leap_year month_end quarter_end"),
    ("2024-12-21", "astronomical", (1403, 10, 1, 277, 0, 41, 4, 30, 366), "leap_year month_start quarter_start"),
    ("2026-03-20", "astronomical", (1404, 12, 29, 365, 6, 53, 4, 29, 365), "month_end quarter_end year_end"),
    ("2021-03-20", "astronomical", (1399, 12, 30, 366, 0, 54, 4, 30, 366), "leap_year month_end quarter_end year_end"),
    ("2025-03-19", "arithmetic", (1403, 12, 29, 365, 4, 53, 4, 29, 365), "month_end quarter_end year_end"),
    ("2025-03-20", "arithmetic", (1404, 1, 1, 1, 5, 1, 1, 31, 366), "leap_year month_start quarter_start year_start"),
    ("2025-03-22", "arithmetic", (1404, 1, 3, 3, 0, 2, 1, 31, 366), "leap_year"),
    ("2026-03-20", "arithmetic", (1404, 12, 30, 366, 6, 53, 4, 30, 366), "leap_year month_end quarter_end year_end"),
    ("2026-03-21", "arithmetic", (1405, 1, 1, 1, 0, 1, 1, 31, 365), "month_start quarter_start year_start"),
]


def edge_days(calendar, years):
    """The first and last day of every month of the years, and the week either side of each 1 Farvardin."""
    days = set()
    for y in years:
        for m in range(1, 13):
            start = TO_GREGORIAN[calendar](y, m, 1)
            days |= {start, start + (month_days(calendar, y, m) - 1) * DAY}
        days |= {TO_GREGORIAN[calendar](y, 1, 1) + k * DAY for k in range(-8, 9)}
    return sorted(days)


@pytest.mark.parametrize("calendar", CALENDARS)
def test_every_field_on_the_edges_of_months_quarters_years_and_weeks(calendar):
    for gregorian, _, numbers, flags in (e for e in EDGES if e[1] == calendar):
        stamp = pd.Series(pd.to_datetime([gregorian + " 23:59:59", None]))
        got = {f: getattr(getattr(stamp.jalali, calendar), f).tolist() for f in FIELDS}
        wanted = {**dict(zip(FIELDS, numbers)), **{f: f[3:] in flags.split() for f in FIELDS[9:]}}
        assert got == {f: [v, pd.NA] for f, v in wanted.items()}, gregorian
    days = edge_days(calendar, range(1370, 1411))
    column = pd.Series(pd.to_datetime(days) + pd.Timedelta(hours=12))
    rows = [expected_fields(calendar, g) for g in days]
    # the edges must hold what they are meant to: 1 Farvardin on every weekday, 30 Esfand, week 54
    assert {r["day_of_week"] for r in rows if r["is_year_start"]} == set(range(7))
    assert any(r["day"] == 30 and r["month"] == 12 for r in rows) and max(r["week_of_year"] for r in rows) == 54
    accessor = getattr(column.jalali, calendar)
    for field in FIELDS:
        assert getattr(accessor, field).tolist() == [r[field] for r in rows], field


@functools.lru_cache(maxsize=None)
def period_days(calendar, day, freq):
    """The first day of the Jalali period `freq` that holds `day`, and that of the next one."""
    if freq == "day":
        return day, day + DAY
    if freq == "week":
        first = day - (day.weekday() + 2) % 7 * DAY
        return first, first + 7 * DAY
    y, m, _ = TO_JALALI[calendar](day)
    m = {"year": 1, "quarter": m - (m - 1) % 3, "month": m}[freq]
    after = m - 1 + {"year": 12, "quarter": 3, "month": 1}[freq]
    return TO_GREGORIAN[calendar](y, m, 1), TO_GREGORIAN[calendar](y + after // 12, after % 12 + 1, 1)


def local_midnight(day, zone):
    """Midnight of `day` as an instant of the zone: where it is skipped, the instant at which the
    skip ends (pandas' shift_forward); where it comes twice, the earlier of the two."""
    return min(pd.Timestamp(day).tz_localize(zone, ambiguous=dst, nonexistent="shift_forward") for dst in (True, False))


def expected_period(calendar, stamp, freq, ceil, zone=None):
    if stamp is pd.NaT:
        return pd.NaT
    wall = stamp.tz_localize(None) if zone else stamp
    first, following = (local_midnight(d, zone) if zone else pd.Timestamp(d)
                        for d in period_days(calendar, wall.date(), freq))
    return (stamp if stamp == first else following) if ceil else first


def sample(n=240, seed=1):
    """Wall-clock datetimes of 1935 to 2055 to the nanosecond, some exactly at midnights that begin a
    Jalali period (before 1970 too) and some a nanosecond after; NaT first, in the middle and last."""
    rng = np.random.default_rng(seed)
    stamps = list(pd.to_datetime(rng.integers(pd.Timestamp("1935-01-01").value, pd.Timestamp("2055-01-01").value, n)))
    starts = [pd.Timestamp(TO_GREGORIAN[c](y, m, 1)) for c in CALENDARS for y, m in ((1404, 1), (1403, 7), (1348, 10))]
    starts += [pd.Timestamp("2025-03-22"), pd.Timestamp("1969-12-27")]  # Saturdays
    stamps[3:3 + 2 * len(starts)] = starts + [s + pd.Timedelta(1) for s in starts]
    for i in (0, n // 2, n - 1):
        stamps[i] = pd.NaT
    return pd.Series(stamps, dtype="datetime64[ns]", name="when")


def tehran_sample():
    """Local times at 00:30 and 23:30 in Tehran, and local midnights that begin periods."""
    naive = sample().dt.normalize() + pd.to_timedelta(np.arange(240) % 2 * 23 * 3600 + 1800, unit="s")
    naive[3:9] = pd.to_datetime(["2025-03-21", "2024-09-22", "2025-03-20", "2025-03-22", "2024-12-21", "2023-03-21"])
    return naive.dt.tz_localize("Asia/Tehran", nonexistent="shift_forward", ambiguous="NaT").rename("when")


# Each kind of column: how it is made from the nanosecond sample, and its time zone.
KINDS = {
    **{f"datetime64[{u}]": (lambda s, u=u: s.astype(f"datetime64[{u}]"), None) for u in ("s", "ms", "us", "ns")},
    "timestamp[us][pyarrow]": (lambda s: s.astype("datetime64[us]").astype("timestamp[us][pyarrow]"), None),
    "date32[pyarrow]": (lambda s: s.astype("date32[pyarrow]"), None),
    "Asia/Tehran": (lambda s: tehran_sample(), "Asia/Tehran"),
}


@pytest.mark.parametrize("kind", KINDS)
def test_floor_and_ceil_of_every_column_kind_against_the_calendars(kind):
    make, zone = KINDS[kind]
    column = make(sample())
    stamps = column.tolist() if zone else column.astype("datetime64[ns]").tolist()
    for calendar in CALENDARS:
        accessor = getattr(column.jalali, calendar)
        for freq in FREQS:
            for ceil in (False, True):
                got = accessor.ceil(freq) if ceil else accessor.floor(freq)
                assert got.dtype == column.dtype and got.name == "when"
                got = got.tolist() if zone else got.astype("datetime64[ns]").tolist()
                assert got == [expected_period(calendar, s, freq, ceil, zone) for s in stamps], (calendar, freq, ceil)
    assert column.jalali.floor("month").equals(column.jalali.astronomical.floor("month"))


# Where a time zone skips local midnight, or has it twice, on the day that a period begins.
DST = [  # zone, instant, freq, floor, ceil
    ("Asia/Tehran", "1980-03-20 23:30+03:30", "year", "1979-03-21 00:00+03:30", "1980-03-21 01:00+04:30"),
    ("Asia/Tehran", "1980-03-21 12:00+04:30", "month", "1980-03-21 01:00+04:30", "1980-04-21 00:00+04:30"),
    ("Asia/Tehran", "1980-03-21 01:00+04:30", "year", "1980-03-21 01:00+04:30", "1980-03-21 01:00+04:30"),
    ("Asia/Tehran", "2020-03-20 23:30+03:30", "week", "2020-03-14 00:00+03:30", "2020-03-21 01:00+04:30"),
    ("Asia/Tehran", "2020-03-21 01:30+04:30", "week", "2020-03-21 01:00+04:30", "2020-03-28 00:00+04:30"),
    ("America/Santiago", "1942-07-31 23:30-05:00", "week", "1942-07-25 00:00-05:00", "1942-08-01 01:00-04:00"),
    ("America/Santiago", "1942-08-01 10:00-04:00", "week", "1942-08-01 01:00-04:00", "1942-08-08 00:00-04:00"),
    ("Asia/Jerusalem", "2004-09-21 23:30+03:00", "quarter", "2004-06-21 00:00+03:00", "2004-09-22 00:00+03:00"),
    ("Asia/Jerusalem", "2004-09-22 00:00+03:00", "quarter", "2004-09-22 00:00+03:00", "2004-09-22 00:00+03:00"),
    ("Asia/Jerusalem", "2004-09-22 00:00+02:00", "quarter", "2004-09-22 00:00+03:00", "2004-12-21 00:00+02:00"),
    ("Asia/Gaza", "2016-10-29 00:30+02:00", "week", "2016-10-29 00:00+03:00", "2016-11-05 00:00+02:00"),
    ("Asia/Tehran", "1980-03-20 23:30+03:30", "day", "1980-03-20 00:00+03:30", "1980-03-21 01:00+04:30"),
    ("Asia/Tehran", "1980-03-21 12:00+04:30", "day", "1980-03-21 01:00+04:30", "1980-03-22 00:00+04:30"),
    ("Asia/Jerusalem", "2004-09-22 00:00+02:00", "day", "2004-09-22 00:00+03:00", "2004-09-23 00:00+02:00"),
]


@pytest.mark.parametrize("library", ["pandas", "polars"])
@pytest.mark.parametrize("zone, instant, freq, floor, ceil", DST, ids=[f"{r[0]} {r[1]} {r[2]}" for r in DST])
def test_periods_where_a_zone_skips_or_repeats_midnight(library, zone, instant, freq, floor, ceil):
    stamp = pd.Timestamp(instant).tz_convert(zone)
    column = pd.Series([stamp, pd.NaT])
    if library == "pandas":
        # the range of periods begins with the first period that begins at or after the instant
        got = {"floor": column.jalali.floor(freq).tolist(), "ceil": column.jalali.ceil(freq).tolist(),
               "date_range": ap.date_range(stamp, periods=1, freq=freq).tolist() + [pd.NaT]}
    else:
        pl = pytest.importorskip("polars")
        pytest.importorskip("algorithms_c_polars")
        series = pl.from_pandas(column)
        got = {"floor": series.jalali.floor(freq).to_pandas().tolist(),
               "ceil": series.jalali.ceil(freq).to_pandas().tolist()}
    wanted = {"floor": [pd.Timestamp(floor), pd.NaT], "ceil": [pd.Timestamp(ceil), pd.NaT],
              "date_range": [pd.Timestamp(ceil), pd.NaT]}
    # the same instants, shown at the same offsets
    assert {k: [(v, v.utcoffset()) for v in g[:1]] + g[1:] for k, g in got.items()} == {
        k: [(v, v.utcoffset()) for v in wanted[k][:1]] + wanted[k][1:] for k in got}


def stepped(calendar, stamp, n):
    """`stamp` n Jalali months on, the day clamped to the target month, the time of day kept."""
    if stamp is pd.NaT:
        return pd.NaT
    y, m, d = TO_JALALI[calendar](stamp.date())
    y, m = divmod(y * 12 + m - 1 + n, 12)
    return pd.Timestamp(TO_GREGORIAN[calendar](y, m + 1, min(d, month_days(calendar, y, m + 1)))) + (
        stamp - stamp.normalize())


# In Jalali dates: calendar, date, months, date that they give.
STEPS = [
    ("astronomical", (1403, 6, 31), 1, (1403, 7, 30)),  # Mehr has 30 days
    ("astronomical", (1403, 12, 30), 12, (1404, 12, 29)),  # a leap year's 30 Esfand, a common year's 29
    ("astronomical", (1403, 12, 30), -12, (1402, 12, 29)),
    ("astronomical", (1403, 2, 31), -3, (1402, 11, 30)),
    ("astronomical", (1399, 12, 30), 48, (1403, 12, 30)),
    ("arithmetic", (1404, 12, 30), 12, (1405, 12, 29)),
    ("arithmetic", (1404, 1, 31), 11, (1404, 12, 30)),
    ("arithmetic", (-1, 12, 15), 1, (1, 1, 15)),  # there is no year 0
    ("arithmetic", (1, 2, 31), -2, (-1, 12, 30)),
]


def test_month_and_year_steps_clamp_the_day_and_keep_the_time():
    for calendar, date, n, wanted in STEPS:
        time = pd.Timedelta("13:45:01.5").as_unit("ms")  # year 622 is out of nanoseconds' reach
        stamp = pd.Timestamp(TO_GREGORIAN[calendar](*date)) + time
        column = pd.Series(np.array(["NaT", stamp.to_datetime64()], "datetime64[ms]"))
        got = getattr(column.jalali, calendar).add_months(n)
        assert got.tolist() == [pd.NaT, pd.Timestamp(TO_GREGORIAN[calendar](*wanted)) + time]
        if n % 12 == 0:
            assert getattr(column.jalali, calendar).add_years(n // 12).equals(got)
    column = sample()
    for kind in ("datetime64[s]", "datetime64[ns]", "date32[pyarrow]"):
        held = KINDS[kind][0](column)
        stamps = held.astype("datetime64[ns]").tolist()
        for calendar in CALENDARS:
            accessor = getattr(held.jalali, calendar)
            for n in (-100, -13, -1, 0, 1, 11, 12, 100):
                got = accessor.add_months(n)
                assert got.dtype == held.dtype and got.astype("datetime64[ns]").tolist() == [
                    stepped(calendar, s, n) for s in stamps], (kind, calendar, n)
            assert accessor.add_months(0).equals(held) and accessor.add_years(-3).equals(accessor.add_months(-36))
    noon = pd.Series(pd.to_datetime(["2024-09-21 12:00", None, "1999-03-20 12:00"])).dt.tz_localize("Asia/Tehran")
    assert noon.jalali.add_months(1).tolist() == [
        stepped("astronomical", s.tz_localize(None), 1).tz_localize("Asia/Tehran") if s is not pd.NaT else s
        for s in noon]
    # a local result that the zone skips or repeats raises what pandas' DateOffset raises there
    for zone, local, days in [("Asia/Tehran", "1980-02-20 00:30", 30), ("Asia/Jerusalem", "2004-08-22 00:30", 31)]:
        column = pd.Series([pd.Timestamp(local)]).dt.tz_localize(zone)
        with pytest.raises(Exception) as theirs:  # ValueError with zoneinfo, pytz's own error with pytz
            column + pd.DateOffset(days=days)
        with pytest.raises(type(theirs.value), match=re.escape(str(theirs.value))):
            column.jalali.add_months(1)


def test_polars_periods_and_steps_are_the_pandas_ones_eager_and_lazy():
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    naive = sample()
    tokyo = naive.dt.tz_localize("Asia/Tokyo", nonexistent="shift_forward", ambiguous="NaT")
    frame = pl.DataFrame({"date": pl.from_pandas(naive).cast(pl.Date), "ns": pl.from_pandas(naive),
                          "tokyo": pl.from_pandas(tokyo).dt.cast_time_unit("ms")})
    exprs, wanted = [], []
    for name in frame.columns:
        pandas_column = frame[name].to_pandas()
        if name == "date":
            pandas_column = pandas_column.astype("datetime64[ns]")
        for calendar in CALENDARS:
            expr, here = getattr(pl.col(name).jalali, calendar), getattr(pandas_column.jalali, calendar)
            for method, argument in [("floor", f) for f in FREQS] + [("ceil", f) for f in FREQS] + [
                    ("add_months", -7), ("add_years", 2)]:
                exprs.append(getattr(expr, method)(argument).alias(f"{name} {calendar} {method} {argument}"))
                wanted.append(getattr(here, method)(argument))
    eager = frame.select(exprs)
    assert frame.lazy().select(exprs).collect().equals(eager)
    for column, expected in zip(eager.columns, wanted):
        assert eager[column].dtype == frame[column.split()[0]].dtype, column
        got = eager[column].to_pandas()
        assert (got.astype("datetime64[ns]") if column.startswith("date") else got).tolist() == expected.tolist(), column


@pytest.mark.parametrize("unit, text, stamp, gregorian", [("s", "10000-06-01", "10000-06-01T08:00", (10000, 6, 1)),
                                                           ("s", "0000-01-15", "0000-01-15", (0, 1, 15)),
                                                           ("ms", "-0005-07-01", "-0005-07-01", (-5, 7, 1))])
def test_datetimes_outside_the_astronomical_years(unit, text, stamp, gregorian):
    column = pd.Series(np.array(["NaT", "2020-01-01", stamp], f"datetime64[{unit}]"))
    message = (rf"^the value at position 2, {text}, is outside the years of the astronomical Jalali calendar, -622 "
               r"to 9378: leave it out as missing, or use the arithmetic calendar \(\.jalali\.arithmetic\)$")
    for call in (lambda j: j.year, lambda j: j.parts(), lambda j: j.floor("week"), lambda j: j.ceil("year"),
                 lambda j: j.add_months(1)):
        with pytest.raises(ValueError, match=message):
            call(column.jalali)
    year, month, day = ac.get_jalali_date_from_gregorian_date(*gregorian)
    assert column.jalali.arithmetic.parts().values.tolist()[2] == [year, month, day]
    first = ac.get_julian_day_from_jalali_date(year, month, 1) - 2440587.5  # days from 1970-01-01
    assert column.jalali.arithmetic.floor("month").to_numpy()[2] == np.datetime64(int(first), "D")


def test_steps_and_periods_beyond_the_years_or_the_unit():
    column = pd.Series(pd.to_datetime([None, "2025-03-20 10:00"])).astype("datetime64[us]")
    for years in (7976, -2026):  # 1403 + 7976 = 9379; 1403 - 2026 = -623
        with pytest.raises(ValueError, match=rf"^the value at position 1, 2025-03-20, {12 * years} months on is outside "
                                             r"the years of the astronomical Jalali calendar, -622 to 9378"):
            column.jalali.add_years(years)
    assert column.jalali.add_years(7975).jalali.parts().values.tolist()[1] == [9378, 12, 29]
    in_seconds = column.astype("datetime64[s]").jalali.arithmetic.add_years(9000).to_numpy()[1]  # 1 Farvardin 1404
    assert in_seconds == np.datetime64(int(ac.get_julian_day_from_jalali_date(10404, 1, 1) - 2440587.5), "D") + \
        np.timedelta64(10, "h")
    with pytest.raises(OverflowError, match="^the value at position 1, 2025-03-20, 3600 months on gives a date out of "
                                            "range$"):
        column.astype("datetime64[ns]").jalali.arithmetic.add_years(300)
    for months in (2**63, -2**63 - 1, 10**30):  # beyond 64 bits
        with pytest.raises(OverflowError, match=f"^{months} months on from any date gives a date out of range$"):
            column.astype("datetime64[s]").jalali.arithmetic.add_months(months)
    with pytest.raises(OverflowError, match="^the value at position 1, 2025-03-20, -9223372036854775808 months on"):
        column.astype("datetime64[s]").jalali.arithmetic.add_months(-2**63)
    edges = pd.Series([pd.Timestamp("2000-01-01"), pd.NaT, pd.Timestamp.min + pd.Timedelta("1h"), pd.Timestamp.max],
                      dtype="datetime64[ns]")
    for freq in FREQS:
        with pytest.raises(OverflowError, match="^the value at position 2, 1677-09-21, gives a date out of range$"):
            edges.jalali.floor(freq)
        with pytest.raises(OverflowError, match=r"^the value at position 2 \(label 3\), 2262-04-11, gives a date out "
                                                r"of range$"):  # the labels that remain are 0, 1 and 3
            edges.drop(2).jalali.ceil(freq)


@pytest.mark.parametrize("calendar", CALENDARS)
def test_date_range(calendar):
    g = functools.partial(lambda c, *date: pd.Timestamp(TO_GREGORIAN[c](*date)), calendar)
    nowruz = g(1404, 1, 1)
    cases = [  # arguments, the Jalali dates of the starts
        ((nowruz - pd.Timedelta("1s"),), {"periods": 3}, [(1404, 1, 1), (1404, 2, 1), (1404, 3, 1)]),
        ((nowruz,), {"periods": 2, "freq": "year"}, [(1404, 1, 1), (1405, 1, 1)]),
        ((nowruz + pd.Timedelta(1),), {"periods": 1, "freq": "year"}, [(1405, 1, 1)]),
        (((1403, 11, 5),), {"periods": 2}, [(1403, 12, 1), (1404, 1, 1)]),
        (((1403, 1, 1), (1404, 1, 1)), {"freq": "quarter"}, [(1403, m, 1) for m in (1, 4, 7, 10)] + [(1404, 1, 1)]),
        (((1403, 1, 1), nowruz - pd.Timedelta(1)), {"freq": "quarter"}, [(1403, m, 1) for m in (1, 4, 7, 10)]),
        ((nowruz, g(1404, 3, 1)), {}, [(1404, 1, 1), (1404, 2, 1), (1404, 3, 1)]),
        ((nowruz, nowruz - pd.Timedelta(1)), {}, []),
    ]
    if calendar == "arithmetic":  # no year 0 between -1 and 1
        cases.append((((-1, 11, 1),), {"periods": 4}, [(-1, 11, 1), (-1, 12, 1), (1, 1, 1), (1, 2, 1)]))
    for args, kwargs, dates in cases:
        got = ap.date_range(*args, **kwargs, calendar=calendar, name="start")
        assert isinstance(got, pd.DatetimeIndex) and got.dtype == "datetime64[us]" and got.name == "start"
        assert got.tolist() == [g(*d) for d in dates], (args, kwargs)
    saturday = nowruz + (5 - nowruz.weekday()) % 7 * pd.Timedelta("1D")  # the first at or after it
    assert ap.date_range(nowruz, periods=3, freq="week", calendar=calendar).tolist() == [
        saturday + k * pd.Timedelta("7D") for k in (0, 1, 2)]
    local = ap.date_range(nowruz.tz_localize("Asia/Tehran") + pd.Timedelta("1h"), periods=2, freq="year",
                          calendar=calendar)
    assert str(local.tz) == "Asia/Tehran" and local.tolist() == [g(1405, 1, 1).tz_localize("Asia/Tehran"),
                                                                 g(1406, 1, 1).tz_localize("Asia/Tehran")]
    # the starts are the distinct floors of every day from the start on, in order
    days = pd.Series(pd.date_range("2023-07-09", periods=1500, freq="D")) + pd.Timedelta("6h")
    for freq in FREQS:
        floors = getattr(days.jalali, calendar).floor(freq)
        starts = floors[floors >= days[0]].unique().tolist()
        assert ap.date_range(days[0], periods=len(starts), freq=freq, calendar=calendar).tolist() == starts, freq
        assert ap.date_range(days[0], days.iloc[-1], freq=freq, calendar=calendar).tolist() == starts, freq
    for bad in ({}, {"end": "2030-01-01", "periods": 2}):
        with pytest.raises(ValueError, match="^give exactly one of end and periods$"):
            ap.date_range("2025-01-01", calendar=calendar, **bad)
    if calendar == "astronomical":
        with pytest.raises(ValueError, match="^the periods run beyond the years of the astronomical Jalali calendar, "
                                             "-622 to 9378"):
            ap.date_range((9377, 1, 1), periods=3, freq="year", calendar=calendar)
    else:  # the arithmetic years run on past the microseconds' days, which end on 294247-01-10
        last = ap.date_range(pd.Timestamp("2020-01-01"), periods=272_000, freq="year", calendar=calendar)[-1]
        assert last.year == 274018 and (last.month, last.day) == (12, 29)
        beyond = "^the periods run beyond the days that datetime64\\[us\\] holds, -290308-12-22 to 294247-01-10"
        for args, kwargs in [((pd.Timestamp("2020-01-01"),), {"periods": 300_000, "freq": "year"}),
                             ((pd.Timestamp("2020-01-01"),), {"periods": 16_000_000, "freq": "week"}),
                             (((1, 1, 1), (300_000, 1, 1)), {"freq": "year"}),
                             (((-300_000, 1, 1),), {"periods": 1})]:
            with pytest.raises(ValueError, match=beyond):
                ap.date_range(*args, **kwargs, calendar=calendar)


def test_datetime_index_and_dask_series_and_grouping_by_month():
    column = sample()
    index = pd.DatetimeIndex(column, name="when")
    for calendar in CALENDARS:
        on_index, on_series = getattr(index.jalali, calendar), getattr(column.jalali, calendar)
        for field in FIELDS:
            got = getattr(on_index, field)
            assert type(got) is pd.Index and got.name == "when" and got.dtype == getattr(on_series, field).dtype
            assert values(pd.Series(got)) == values(getattr(on_series, field)), field
        for method, argument in [("floor", "month"), ("ceil", "week"), ("add_months", 5), ("add_years", -1)]:
            got = getattr(on_index, method)(argument)
            assert isinstance(got, pd.DatetimeIndex) and got.name == "when" and got.dtype == index.dtype
            assert got.tolist() == getattr(on_series, method)(argument).tolist(), method
    tehran = pd.DatetimeIndex(tehran_sample(), name="t")
    assert tehran.jalali.floor("year").tz == tehran.tz and tehran.jalali.floor("year").tolist() == \
        tehran_sample().jalali.floor("year").tolist()

    dd = pytest.importorskip("dask.dataframe")
    lazy = dd.from_pandas(tehran_sample(), npartitions=3)
    for calendar in CALENDARS:
        here, there = getattr(tehran_sample().jalali, calendar), getattr(lazy.jalali, calendar)
        results = [there.floor(f) for f in FREQS] + [there.ceil(f) for f in FREQS] + [there.add_years(1)]
        for got, wanted in zip(dd.compute(*results, scheduler="sync"),
                               [here.floor(f) for f in FREQS] + [here.ceil(f) for f in FREQS] + [here.add_years(1)]):
            assert got.equals(wanted)

    # sales grouped by Jalali month, every month present, empty ones as 0
    rng = np.random.default_rng(3)
    days = pd.to_datetime("2023-01-01") + pd.to_timedelta(np.sort(rng.choice(1000, 120, replace=False)), unit="D")
    days = days[(days < pd.Timestamp("2023-09-01")) | (days > pd.Timestamp("2024-02-01"))]  # some empty months
    sales = pd.DataFrame({"amount": rng.integers(1, 100, len(days))}, index=pd.DatetimeIndex(days, name="day"))
    by_start = sales.groupby(sales.index.jalali.floor("month"))["amount"].sum()
    by_parts = sales.groupby([sales.index.jalali.year, sales.index.jalali.month])["amount"].sum()
    assert by_start.tolist() == by_parts.tolist() and by_start.index.jalali.parts().values.tolist() == [
        [y, m, 1] for y, m in by_parts.index]
    months = ap.date_range(sales.index.jalali.floor("month").min(), sales.index.max(), freq="month")
    every = by_start.reindex(months, fill_value=0)
    totals = {}
    for day, amount in zip(days.date, sales["amount"]):
        y, m, _ = TO_JALALI["astronomical"](day)
        totals[y * 12 + m - 1] = totals.get(y * 12 + m - 1, 0) + amount
    first, last = min(totals), max(totals)
    assert every.tolist() == [totals.get(k, 0) for k in range(first, last + 1)] and 0 in every.tolist()


# Julian day numbers beyond the 32-bit closed forms and on their edges: in the arithmetic calendar
# those of the years 1 to 3294 (622 to 3915 CE), in the astronomical one those of 1178 to 1633
# (1799 to 2255 CE); and before 4713 BCE, where the day numbers are negative.
BOX = {"arithmetic": (1948321, 3151429), "astronomical": (2378211, 2544761)}
FAR = {"arithmetic": [-1_000_000, -100_000, -1, 0, 1, 1_000_000, 1_721_426, 3_500_000, 20_000_000],
       "astronomical": [1_721_426, 2_000_000, 2_300_000, 2_600_000, 4_000_000, 5_100_000]}


def outside_box_numbers(calendar):
    first, end = BOX[calendar]
    numbers = {n + k for n in (first, end) for k in range(-40, 41)}  # the edges, and the months about them
    numbers |= {n + k for n in FAR[calendar] for k in range(0, 800, 3)}  # two years and more, every weekday
    return np.array(sorted(numbers), np.int64)


@pytest.mark.parametrize("calendar", CALENDARS)
def test_fields_periods_and_text_beyond_the_closed_forms_against_the_per_element_functions(calendar):
    numbers = outside_box_numbers(calendar)
    space = getattr(__import__("algorithms_c_numpy"), calendar)
    y, m, d = space.get_jalali_date_from_julian_day(numbers - 0.5)
    nowruz = space.get_julian_day_from_jalali_date(y, np.ones_like(m), np.ones_like(d)) + 0.5
    following = space.get_julian_day_from_jalali_date(y + 1 + (y == -1), np.ones_like(m), np.ones_like(d)) + 0.5
    length, leap = space.get_days_in_jalali_month(y, m), space.is_jalali_leap_year(y)
    day_of_year = (numbers - nowruz).astype(np.int64) + 1
    weekday = [(int(n) + 2) % 7 for n in numbers]  # Python's remainder: 0 = Saturday before 4713 BCE too
    wanted = {"year": y.tolist(), "month": m.tolist(), "day": d.tolist(), "day_of_year": day_of_year.tolist(),
              "day_of_week": weekday, "days_in_month": length.tolist(), "days_in_year": (following - nowruz).tolist(),
              "is_leap_year": leap.tolist(), "is_year_start": (day_of_year == 1).tolist(),
              "is_year_end": (numbers == following - 1).tolist(), "is_month_end": (d == length).tolist(),
              "week_of_year": [(k + (w - k + 1) % 7 - 1) // 7 + 1 for k, w in zip(day_of_year.tolist(), weekday)]}
    # noon of each day, in seconds (a time of day that must not move the date)
    seconds = (numbers - 2440588) * 86_400 + 43_200
    column = pd.Series(seconds.view("datetime64[s]"))
    accessor = getattr(column.jalali, calendar)
    for field, expected in wanted.items():
        assert getattr(accessor, field).tolist() == [v if isinstance(v, bool) else int(v) for v in expected], field
    days = lambda stamps: (stamps.to_numpy().view(np.int64) // 86_400 + 2440588).tolist()  # noqa: E731
    assert days(accessor.floor("year")) == nowruz.astype(np.int64).tolist()
    assert days(accessor.ceil("year")) == following.astype(np.int64).tolist()
    assert days(accessor.floor("week")) == [int(n) - w for n, w in zip(numbers, weekday)]
    names = ["Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"]
    assert accessor.strftime("%j %A %w").tolist() == [f"{k:03} {names[w]} {w}" for k, w in
                                                      zip(day_of_year.tolist(), weekday)]


@functools.lru_cache(maxsize=None)
def jalali_starts(first, last, freq):
    """Every day from the Jalali date `first` to `last`, inclusive, on which a period `freq` begins,
    by jdatetime's own dates and weekdays (0 = Saturday)."""
    day, end, starts = jdatetime.date(*first), jdatetime.date(*last), []
    begins = {"year": lambda j: j.month == 1 and j.day == 1, "quarter": lambda j: j.day == 1 and j.month % 3 == 1,
              "month": lambda j: j.day == 1, "week": lambda j: j.weekday() == 0, "day": lambda j: True}[freq]
    while day <= end:
        if begins(day):
            starts.append(pd.Timestamp(day.togregorian()))
        day += datetime.timedelta(days=1)
    return tuple(starts)


def gregorian(*jalali):
    return jdatetime.date(*jalali).togregorian()


# Bounds of a range as Jalali text, tuples and Gregorian datetimes, and the Jalali days they name.
BOUNDS = [
    ((1300, 1, 1), (1400, 1, 1), (1300, 1, 1), (1400, 1, 1)),
    ("1300/01/01", "1400/01/01", (1300, 1, 1), (1400, 1, 1)),
    ("۱۳۹۸-۰۱-۰۱", " 14001229 ", (1398, 1, 1), (1400, 12, 29)),
    ((1377, 6, 15), "1380/12/29 10:00", (1377, 6, 15), (1380, 12, 29)),
    (pd.Timestamp(gregorian(1377, 6, 15)), datetime.date(*gregorian(1380, 12, 29).timetuple()[:3]),
     (1377, 6, 15), (1380, 12, 29)),
    (np.datetime64(gregorian(1390, 1, 2)), datetime.datetime(*gregorian(1392, 1, 1).timetuple()[:3], 12),
     (1390, 1, 2), (1392, 1, 1)),
]


@pytest.mark.parametrize("freq", FREQS)
@pytest.mark.parametrize("start, end, first, last", BOUNDS, ids=[f"{type(b[0]).__name__} {b[0]}" for b in BOUNDS])
def test_date_range_reads_text_bounds_as_jalali_dates(start, end, first, last, freq):
    wanted = list(jalali_starts(first, last, freq))
    got = ap.date_range(start, end, freq=freq)
    assert got.tolist() == wanted
    assert ap.date_range(start, periods=len(wanted), freq=freq).tolist() == wanted
    if first == (1300, 1, 1) and freq == "quarter":  # every quarter of a hundred years, and the first of the next
        assert len(got) == 401


@pytest.mark.parametrize("bound, message", [
    ((1403, 1), r"^a Jalali date as a tuple is \(year, month, day\), of three integers, not \(1403, 1\)$"),
    ((1403, 1, 1, 0), r"^a Jalali date as a tuple is \(year, month, day\), of three integers, not \(1403, 1, 1, 0\)$"),
    ((1403.0, 1, 1), r"^a Jalali date as a tuple is \(year, month, day\), of three integers, not \(1403\.0, 1, 1\)$"),
    (("1403", "1", "1"), r"^a Jalali date as a tuple is \(year, month, day\), of three integers"),
    ("1403/13/01", r"^date_range reads text as a Jalali date, as to_datetime does, and '1403/13/01' is not one \(.*\): "
                   r"give a Jalali date as text \(\"1404/01/01\"\) or as a tuple \(1404, 1, 1\), or a Gregorian one as "
                   r"a Timestamp, datetime or datetime64$"),
    ("March 2025", r"^date_range reads text as a Jalali date, as to_datetime does, and 'March 2025' is not one"),
    ("  ", r"^date_range reads text as a Jalali date, and '  ' names none$"),
    (pd.NaT, r"^date_range takes a date for start and end, not NaT$"),
])
def test_date_range_refuses_bounds_that_name_no_date_in_its_own_words(bound, message):
    for args in ((bound,), ((1400, 1, 1), bound)):
        with pytest.raises(ValueError, match=message):
            ap.date_range(*args, **({"periods": 2} if len(args) == 1 else {}))


@pytest.mark.parametrize("calendar, freq, periods, end", [
    ("astronomical", "year", 10**7, None),
    ("astronomical", "month", 10**8, None),
    ("astronomical", "quarter", 10**8, None),
    ("astronomical", "year", None, (9378, 12, 29)),
    ("arithmetic", "year", 10**8, None),
    ("arithmetic", "month", 10**7, None),
    ("arithmetic", "week", 10**8, None),
    ("arithmetic", "day", 10**12, None),
    ("arithmetic", "year", 10**30, None),
])
def test_date_range_refuses_too_many_periods_before_making_them(calendar, freq, periods, end):
    """The last period's start tells whether the range can be; nothing of its length is made."""
    import tracemalloc

    tracemalloc.start()
    try:
        if end is None:
            with pytest.raises(ValueError, match="^the periods run beyond the (years|days)"):
                ap.date_range((1404, 1, 1), periods=periods, freq=freq, calendar=calendar)
        else:  # an end on the calendar's last day: no period is looked for beyond it
            assert len(ap.date_range((9377, 1, 1), end, freq=freq, calendar=calendar)) == 2
        assert tracemalloc.get_traced_memory()[1] < 1 << 20
    finally:
        tracemalloc.stop()


# A local time 1 month on that the zone skips (Tehran, 00:30 on 1 Farvardin 1359; Santiago, 00:30
# on 1 August 1942) or repeats (Jerusalem, 00:30 on 22 September 2004), and tz_localize's choices.
SKIPPED = [("Asia/Tehran", "1980-02-20 00:30", "skips", "nonexistent"),
           ("America/Santiago", "1942-07-01 00:30", "skips", "nonexistent"),
           ("Asia/Jerusalem", "2004-08-22 00:30", "repeats", "ambiguous")]


@pytest.mark.parametrize("zone, local, what, argument", SKIPPED, ids=[s[0] for s in SKIPPED])
def test_month_steps_onto_a_local_time_that_the_zone_skips_or_repeats(zone, local, what, argument):
    column = pd.Series(pd.to_datetime(["2001-06-01 12:00", None, local]), index=["a", "b", "c"]).dt.tz_localize(zone)
    wall = pd.Series([stepped("astronomical", s.tz_localize(None), 1) if s is not pd.NaT else s for s in column])
    choices = {"nonexistent": ["shift_forward", "shift_backward", "NaT", pd.Timedelta("1h")],
               "ambiguous": [True, False, "NaT", np.array([True, True, False])]}[argument]
    for choice in choices:
        wanted = wall.dt.tz_localize(zone, **{argument: choice}).tolist()
        assert column.jalali.add_months(1, **{argument: choice}).tolist() == wanted, choice
        assert column.jalali.add_years(0, **{argument: choice}).equals(column)
    with pytest.raises(ValueError, match=rf"^the value at position 2 \(label 'c'\), {re.escape(str(column['c']))}, 1 "
                                         rf"months on is at {re.escape(str(wall[2]))}, a local time that {zone} {what}: "
                                         rf"choose an instant with {argument}=, as tz_localize takes it \(.+\)$"):
        column.jalali.add_months(1)
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    series = pl.from_pandas(column.reset_index(drop=True))
    polars_argument = {"nonexistent": "non_existent", "ambiguous": "ambiguous"}[argument]
    with pytest.raises(Exception, match=rf"^the value at position 2, .*, 1 months on is at .*, a local time that {zone} "
                                        rf"{what}: choose an instant with {polars_argument}="):
        series.jalali.add_months(1)
    choice = "earliest" if argument == "ambiguous" else "null"
    wanted = pl.from_pandas(wall).dt.replace_time_zone(zone, **{polars_argument: choice}).dt.cast_time_unit("ns")
    got = series.jalali.add_months(1, **{polars_argument: choice}).dt.cast_time_unit("ns")
    assert got.to_list() == wanted.to_list()
    frame = pl.DataFrame({"t": series})
    assert frame.select(pl.col("t").jalali.add_months(1, **{polars_argument: choice})).to_series().dt.cast_time_unit(
        "ns").to_list() == wanted.to_list()


# One row stepped onto a skipped time (7 April 2004 in Jerusalem), one onto a repeated one; the
# choice made for one kind leaves the other raising, for its own row.
MIXED = [("pandas", {"nonexistent": "NaT"}, 1, "repeats"), ("pandas", {"ambiguous": "NaT"}, 0, "skips"),
         ("pandas", {}, 0, "skips"), ("polars", {"non_existent": "null"}, 1, "repeats"),
         ("polars", {"ambiguous": "latest"}, 0, "skips")]


@pytest.mark.parametrize("library, choice, row, what", MIXED)
def test_a_choice_for_skipped_times_leaves_repeated_ones_raising_for_their_own_row(library, choice, row, what):
    column = pd.Series(pd.to_datetime(["2004-03-09 01:30", "2004-08-22 00:30"])).dt.tz_localize("Asia/Jerusalem")
    if library == "polars":
        pl = pytest.importorskip("polars")
        pytest.importorskip("algorithms_c_polars")
        column = pl.from_pandas(column)
    with pytest.raises(Exception, match=rf"^the value at position {row}, .* a local time that Asia/Jerusalem {what}:"):
        column.jalali.add_months(1, **choice)
