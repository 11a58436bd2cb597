"""Holidays, working days and whole months on columns: Iran's holidays against the holidays
package's own list, the working days against NumPy's business-day functions with the same
weekmask and days off, and whole months against a count made with jdatetime's dates, month by
month."""

import datetime

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
pl = pytest.importorskip("polars")
holidays = pytest.importorskip("holidays", minversion="0.83")
jdatetime = pytest.importorskip("jdatetime")
ap = pytest.importorskip("algorithms_c_pandas")
apl = pytest.importorskip("algorithms_c_polars")

ADAPTERS = ["pandas", "polars"]
EVERY_DAY = pd.date_range("2001-01-01", "2030-12-31", freq="D")


def official(years, language="en_US"):
    """The holidays package's own list of Iran's holidays: {date: name}."""
    return dict(holidays.country_holidays("IR", years=years, language=language))


def in_adapter(adapter, stamps, method, *args, **kwargs):
    """A method of the jalali accessor on datetimes, by pandas or by polars, as a list with None
    for a missing value."""
    series = pd.Series(stamps)
    if adapter == "pandas":
        result = getattr(series.jalali, method)
        result = result(*args, **kwargs) if callable(result) else result
        return [None if v is pd.NA or v is pd.NaT else v for v in result.tolist()]
    column = pl.from_pandas(series)
    if method == "is_holiday_in":
        method = "is_holiday"
    result = pl.DataFrame({"d": column}).select(getattr(pl.col("d").jalali, method)(*args, **kwargs))["d"]
    return result.to_list()


@pytest.fixture
def session():
    """The session's calendar, left as it was found."""
    added, removed = ap.holidays.changes()
    yield ap.holidays
    ap.holidays.reset().add(added).remove(removed)


@pytest.mark.parametrize("adapter", ADAPTERS)
@pytest.mark.parametrize("locale", ["en", "fa"])
def test_holidays_of_every_day_of_2001_to_2030_are_the_packages_own(adapter, locale):
    listed = official(range(2001, 2031), {"en": "en_US", "fa": "fa_IR"}[locale])
    expected = [listed.get(day.date()) for day in EVERY_DAY]
    assert in_adapter(adapter, EVERY_DAY, "holiday_name", locale) == expected
    assert in_adapter(adapter, EVERY_DAY, "is_holiday_in") == [name is not None for name in expected]


def test_estimated_lunar_holidays_are_named_as_the_package_marks_them():
    listed = official([2029, 2030])
    estimated = [day for day, name in listed.items() if "(estimated)" in name]
    assert estimated  # the package estimates the lunar holidays of years not yet observed
    days = pd.Series(pd.to_datetime(estimated))
    assert days.jalali.holiday_name().str.contains("(estimated)", regex=False).all()
    assert days.jalali.holiday_name("fa").str.contains("(تخمینی)", regex=False).all()


def random_days(count, seed, first="1985-01-01", last="2095-12-31"):
    rng = np.random.default_rng(seed)
    low, high = (np.datetime64(d, "D").astype(np.int64) for d in (first, last))
    return rng.integers(low, high, count).view("datetime64[D]")


WEEKENDS = [("friday", "1111011"), ("thursday-friday", "1110011"), ({"saturday", "sunday"}, "1111100"),
            (("Fri", "SAT"), "1111001"), (set(), "1111111"), ("monday", "0111111")]
CLOSURES = [None, [datetime.date(2024, 5, 1), (1403, 2, 12)]]


def oracle_days_off(extra=()):
    """Iran's holidays of every year the tests reach, from the package, with `extra` days."""
    days = [np.datetime64(day, "D") for day in official(range(1980, 2101))]
    return np.array(sorted(set(days) | set(extra)), "datetime64[D]")


@pytest.fixture(scope="module")
def days_off():
    return {None: oracle_days_off(),
            1: oracle_days_off([np.datetime64("2024-05-01"), np.datetime64("2024-05-01")])}


@pytest.mark.parametrize("adapter", ADAPTERS)
@pytest.mark.parametrize("weekend, mask", WEEKENDS)
@pytest.mark.parametrize("closures", [0, 1])
def test_working_days_are_numpys_business_days(adapter, weekend, mask, closures, days_off):
    days = random_days(3000, seed=len(mask) + closures)
    extra = CLOSURES[closures]
    off = days_off[None] if extra is None else oracle_days_off([np.datetime64("2024-05-01"),
                                                                np.datetime64("2024-05-01")])
    stamps = days.astype("datetime64[ns]") + np.timedelta64(9, "h")  # at 09:00: the time is kept
    got = in_adapter(adapter, stamps, "is_working_day", weekend, holidays=extra)
    assert got == np.is_busday(days, weekmask=mask, holidays=off).tolist()
    for n in (-31, -1, 0, 1, 5, 250):
        roll = "forward" if n >= 0 else "backward"
        expected = np.busday_offset(days, n, roll=roll, weekmask=mask, holidays=off)
        moved = in_adapter(adapter, stamps, "add_working_days", n, weekend, holidays=extra)
        assert [pd.Timestamp(m) for m in moved] == [pd.Timestamp(e) + pd.Timedelta(9, "h") for e in expected], n


@pytest.mark.parametrize("weekend, mask", WEEKENDS)
def test_working_days_between_are_numpys_business_day_count(weekend, mask, days_off):
    start, end = random_days(3000, seed=1), random_days(3000, seed=2)
    got = ap.working_days(pd.Series(start.astype("datetime64[s]")), end.astype("datetime64[us]") +
                          np.timedelta64(23, "h"), weekend=weekend)
    assert got.tolist() == np.busday_count(start, end, weekmask=mask, holidays=days_off[None]).tolist()


def jalali_month(day):
    """The first day of the Jalali month of a date, and the first of the next, by jdatetime."""
    j = jdatetime.date.fromgregorian(date=day)
    first = jdatetime.date(j.year, j.month, 1)
    following = jdatetime.date(j.year + (j.month == 12), j.month % 12 + 1, 1)
    return first.togregorian(), following.togregorian()


@pytest.mark.parametrize("adapter", ADAPTERS)
@pytest.mark.parametrize("weekend, mask", WEEKENDS[:3])
def test_working_days_in_each_month_are_numpys_count_over_jdatetimes_month(adapter, weekend, mask, days_off):
    days = pd.date_range("2024-03-20", "2026-03-21", freq="D")
    bounds = [jalali_month(d.date()) for d in days]
    expected = np.busday_count([b[0] for b in bounds], [b[1] for b in bounds], weekmask=mask,
                               holidays=days_off[None])
    assert in_adapter(adapter, days, "working_days_in_month", weekend) == expected.tolist()


def reference_months(a, b):
    """Whole Jalali months from date a to date b: the most months that a steps on (the day made
    the last of a shorter month) without passing b; from a later date, minus those back."""
    if b < a:
        return -reference_months(b, a)
    start = jdatetime.date.fromgregorian(date=a)
    n = 0
    while True:
        index = start.year * 12 + start.month - 1 + n + 1
        year, month = divmod(index, 12)
        length = 31 if month < 6 else 30 if month < 11 else (30 if jdatetime.date(year, 1, 1).isleap() else 29)
        if jdatetime.date(year, month + 1, min(start.day, length)).togregorian() > b:
            return n
        n += 1


def month_ends():
    ends = []
    for year in range(1400, 1406):
        for month in range(1, 13):
            first = jdatetime.date(year + (month == 12), month % 12 + 1, 1).togregorian()
            ends.append(first - datetime.timedelta(days=1))
    return ends


def random_pairs(count=1500, seed=5):
    days = random_days(2 * count, seed, "2015-01-01", "2035-12-31")
    return [d.item() for d in days[:count]], [d.item() for d in days[count:]]


@pytest.mark.parametrize("adapter", ADAPTERS)
@pytest.mark.parametrize("pairs", ["month ends of 1400-1405", "random"])
def test_months_between_counts_as_the_month_by_month_reference(adapter, pairs):
    if pairs == "random":
        a, b = random_pairs()
    else:
        ends = month_ends()
        a, b = [x for x in ends for _ in ends], [y for _ in ends for y in ends]
    expected = [reference_months(x, y) for x, y in zip(a, b)]
    # at any time of day: the count is between the dates
    first = pd.Series(pd.to_datetime(a)) + pd.Timedelta(23, "h")
    second = pd.Series(pd.to_datetime(b))
    if adapter == "pandas":
        assert first.jalali.months_between(second).tolist() == expected
        assert ap.months_between(first, second).tolist() == expected
    else:
        frame = pl.DataFrame({"a": pl.from_pandas(first), "b": pl.from_pandas(second)})
        assert frame.select(pl.col("a").jalali.months_between("b"))["a"].to_list() == expected
        assert apl.months_between(frame["a"], frame["b"]).to_list() == expected


@pytest.mark.parametrize("a, b, months", [
    ((1403, 6, 31), (1403, 7, 30), 1),    # the last day of the shorter month stands for the 31st
    ((1403, 6, 31), (1403, 7, 29), 0),
    ((1403, 7, 30), (1403, 6, 31), -1),
    ((1403, 12, 30), (1404, 12, 29), 12),  # leap Esfand to a common one
    ((1403, 1, 10), (1403, 1, 9), 0),
    ((1403, 1, 10), (1402, 12, 10), -1),
])
def test_months_between_named_cases(a, b, months):
    assert ap.months_between(a, b) == months


def test_months_between_is_not_the_period_difference():
    a, b = pd.Series(pd.to_datetime(["2024-09-21"])), pd.Series(pd.to_datetime(["2024-09-22"]))  # 31 Shahrivar, 1 Mehr
    assert ap.months_between(a, b).tolist() == [0]
    assert (b.jalali.floor("month") != a.jalali.floor("month")).all()


@pytest.mark.parametrize("adapter", ADAPTERS)
def test_days_added_and_removed_for_a_call_and_for_the_session(adapter, session):
    stamps = pd.to_datetime(["2025-03-21", "2025-04-27", "2025-05-01"])  # Nowruz, 7 Ordibehesht, a Thursday
    assert in_adapter(adapter, stamps, "is_holiday_in") == [True, False, False]
    assert in_adapter(adapter, stamps, "is_holiday_in", [(1404, 2, 7)]) == [True, True, False]
    calendar = ap.holidays.changed(add={datetime.date(2025, 5, 1): "Closed"}, remove=[np.datetime64("2025-03-21")])
    assert in_adapter(adapter, stamps, "holiday_name", holidays=calendar) == [None, None, "Closed"]
    assert in_adapter(adapter, stamps, "is_holiday_in") == [True, False, False]  # the session's unchanged
    session.add([(1404, 2, 7)]).remove([pd.Timestamp("2025-03-21")])
    assert in_adapter(adapter, stamps, "is_holiday_in") == [False, True, False]
    assert in_adapter(adapter, stamps, "holiday_name", "fa") == [None, "تعطیل", None]
    assert in_adapter(adapter, stamps, "is_working_day") == [False, False, True]  # a Friday, a day off


def test_a_day_added_onto_an_official_holiday_has_both_names():
    calendar = ap.HolidayCalendar(add={(1404, 1, 1): "Closed"})
    assert pd.Series(pd.to_datetime(["2025-03-21"])).jalali.holiday_name(holidays=calendar).tolist() == [
        "Nowruz; Closed"]


def test_a_calendar_without_the_official_holidays_needs_no_package_years():
    calendar = ap.HolidayCalendar(official=False)
    days = pd.Series(pd.to_datetime(["1900-01-05", "2200-01-04"]))  # a Friday, a Saturday
    assert days.jalali.is_working_day(holidays=calendar).tolist() == [False, True]


@pytest.mark.parametrize("adapter", ADAPTERS)
@pytest.mark.parametrize("method, args", [("is_holiday_in", ()), ("holiday_name", ()), ("is_working_day", ()),
                                          ("add_working_days", (3,)), ("working_days_in_month", ())])
def test_dates_beyond_the_packages_years_warn_or_raise(adapter, method, args):
    stamps = pd.to_datetime(["2025-03-21", "1975-03-21", "2150-01-01"])
    with pytest.warns(ap.HolidaysOutOfRangeWarning, match="1980 to 2100.*2 dates"):
        in_adapter(adapter, stamps, method, *args)
    with pytest.raises(ValueError, match="1980 to 2100.*1975-03-21.*position 1"):
        in_adapter(adapter, stamps, method, *args, errors="raise")


def test_is_holiday_property_warns_beyond_the_packages_years():
    with pytest.warns(ap.HolidaysOutOfRangeWarning, match="1980 to 2100"):
        assert pd.Series(pd.to_datetime(["1975-03-21"])).jalali.is_holiday.tolist() == [False]


@pytest.mark.parametrize("weekend, words", [("saturday-sunday", "'saturday-sunday'"),
                                            (["friday", "funday"], "'funday'"),
                                            (5, "5"), (list(("mon", "tue", "wed", "thu", "fri", "sat", "sun")),
                                                       "all seven days")])
def test_a_bad_weekend_is_named(weekend, words):
    s = pd.Series(pd.to_datetime(["2025-03-21"]))
    with pytest.raises(ValueError, match=words):
        s.jalali.is_working_day(weekend)
    with pytest.raises(ValueError, match=words):
        pl.from_pandas(s).jalali.is_working_day(weekend)


@pytest.mark.parametrize("days, words", [("2025-03-21", "'2025-03-21'"),
                                         ([datetime.date(2025, 1, 1), "x"], "'x'.*item 1"),
                                         ([(1404, 13, 1)], r"\(1404, 13, 1\).*not a Jalali date"),
                                         ([np.datetime64("NaT", "D")], "NaT"), ([pd.NaT], "NaT.*item 0"), (3, "3")])
def test_a_holiday_list_that_is_not_dates_is_named(days, words):
    with pytest.raises(ValueError, match=words):
        pd.Series(pd.to_datetime(["2025-03-21"])).jalali.is_working_day(holidays=days)


@pytest.mark.parametrize("adapter", ADAPTERS)
@pytest.mark.parametrize("method, args", [("is_holiday_in", ()), ("holiday_name", ()), ("is_working_day", ()),
                                          ("add_working_days", (-2,)), ("working_days_in_month", ())])
def test_a_missing_date_gives_a_missing_result(adapter, method, args):
    got = in_adapter(adapter, pd.to_datetime(["2025-03-22", None]), method, *args)
    assert got[1] is None and got[0] is not None


def test_missing_dates_in_the_functions():
    both = ap.months_between(pd.Series(pd.to_datetime([None, "2025-01-01"])), pd.to_datetime(["2025-01-01", None]))
    assert both.isna().tolist() == [True, True]
    assert ap.working_days(pd.NaT, "2025-01-01") is pd.NA


def test_a_time_zone_counts_the_local_date():
    # 20:31 UTC on 20 March 2025 is past midnight in Tehran: 1 Farvardin 1404, Nowruz
    s = pd.Series(pd.to_datetime(["2025-03-20 20:31", "2025-03-20 20:29"])).dt.tz_localize("UTC")
    local = s.dt.tz_convert("Asia/Tehran")
    assert local.jalali.holiday_name().tolist() == ["Nowruz", "Last Day of Year"]
    moved = local.jalali.add_working_days(0)
    assert moved.dt.tz is not None
    assert moved.dt.strftime("%Y-%m-%d %H:%M").tolist() == ["2025-03-25 00:01", "2025-03-25 23:59"]


def test_the_index_accessor_gives_an_index():
    index = pd.DatetimeIndex(["2025-03-21", "2025-03-22"], name="day")
    names = index.jalali.holiday_name()
    assert isinstance(names, pd.Index) and names.name == "day"
    assert isinstance(index.jalali.add_working_days(1), pd.DatetimeIndex)


def test_a_series_of_another_index_is_refused():
    a = pd.Series(pd.to_datetime(["2025-01-01", "2025-02-01"]), index=[0, 1])
    with pytest.raises(ValueError, match="another index"):
        a.jalali.months_between(a.set_axis([1, 0]))


def test_dask_gives_the_pandas_accessors_holidays():
    dd = pytest.importorskip("dask.dataframe")
    s = pd.Series(pd.to_datetime(["2025-03-21", "2025-03-25", None]))
    lazy = dd.from_pandas(s, npartitions=2)
    assert lazy.jalali.is_holiday.compute().tolist() == s.jalali.is_holiday.tolist()
    assert lazy.jalali.holiday_name("fa").compute().tolist() == s.jalali.holiday_name("fa").tolist()
    assert lazy.jalali.is_working_day("thursday-friday").compute().tolist() == [False, True, pd.NA]
    assert lazy.jalali.add_working_days(2).compute().tolist() == s.jalali.add_working_days(2).tolist()


def test_the_examples_of_the_holiday_calendar():
    import doctest

    import _algorithms_c_workdays as workdays

    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)
    tests = doctest.DocTestFinder().find(workdays, globs={"pd": pd, "np": np, "datetime": datetime,
                                                          "HolidayCalendar": ap.HolidayCalendar})
    assert sum(len(t.examples) for t in tests) >= 8
    for test in tests:
        runner.run(test)
    assert runner.failures == 0


def test_working_days_added_one_a_row_are_numpys(days_off):
    days = random_days(2000, seed=9)
    steps = np.random.default_rng(9).integers(-40, 40, len(days))
    expected = np.where(steps >= 0,
                        np.busday_offset(days, steps, roll="forward", weekmask="1111011", holidays=days_off[None]),
                        np.busday_offset(days, steps, roll="backward", weekmask="1111011", holidays=days_off[None]))
    got = pd.Series(days.astype("datetime64[s]")).jalali.add_working_days(steps)
    assert got.to_numpy().astype("datetime64[D]").tolist() == expected.tolist()
    with pytest.raises(TypeError, match="must be an integer, not float"):
        pd.Series(days).jalali.add_working_days(1.5)


def test_a_local_time_that_the_zone_skips_on_the_day_reached_is_named_or_shifted():
    # 02:30 on Saturday 8 March 2025 in New York, one working day on: 02:30 on the 9th, which
    # the zone skips
    s = pd.Series([pd.Timestamp("2025-03-08 02:30", tz="America/New_York")], index=[10])
    with pytest.raises(ValueError, match=r"position 0 \(label 10\).*skips"):
        s.jalali.add_working_days(1)
    assert s.jalali.add_working_days(1, nonexistent="shift_forward").tolist() == [
        pd.Timestamp("2025-03-09 03:00", tz="America/New_York")]
    p = pl.from_pandas(s)
    with pytest.raises(Exception, match="skips|non-existent|nonexistent"):
        p.jalali.add_working_days(1)
    assert p.jalali.add_working_days(1, non_existent="null").to_list() == [None]


def test_dask_counts_whole_months_partition_by_partition():
    dd = pytest.importorskip("dask.dataframe")
    a, b = (pd.Series(pd.to_datetime(d)) for d in random_pairs(200, seed=11))
    expected = a.jalali.months_between(b)
    lazy_a, lazy_b = dd.from_pandas(a, npartitions=3), dd.from_pandas(b, npartitions=3)
    assert lazy_a.jalali.months_between(lazy_b).compute().tolist() == expected.tolist()
    assert lazy_a.jalali.months_between((1400, 1, 1)).compute().tolist() == a.jalali.months_between(
        (1400, 1, 1)).tolist()
