"""The pandas, polars and dask adapters: every field in both calendars, applied to the wall-clock
date that pandas' own `.dt` fields name, against the per-call functions for the arithmetic
calendar and the astronomical ufuncs for the astronomical one."""

import datetime
import subprocess
import sys

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
ap = pytest.importorskip("algorithms_c_pandas")

import algorithms_c as ac
import algorithms_c_numpy as an

UNITS = ["s", "ms", "us", "ns"]
FIELDS = ["year", "month", "day", "day_of_year", "day_of_week", "week_of_year", "quarter", "days_in_month",
          "days_in_year", "is_leap_year", "is_month_start", "is_month_end", "is_quarter_start", "is_quarter_end",
          "is_year_start", "is_year_end"]
CALENDARS = ["astronomical", "arithmetic"]


def sample(n=400, seed=0):
    """Datetimes of 1900 to 2100 at any time of day, NaT in the first, a middle and the last row."""
    rng = np.random.default_rng(seed)
    start, stop = (np.datetime64(d, "s").astype(np.int64) for d in ("1900-01-01", "2100-01-01"))
    stamps = rng.integers(start, stop, n).astype("datetime64[s]").astype(object)
    stamps[[0, n // 2, n - 1]] = None
    return pd.Series(pd.to_datetime(stamps), index=np.arange(n) * 3 + 1, name="when")


def scalar(ufunc):
    """A ufunc of algorithms_c_numpy.astronomical as a function of Python ints."""
    def call(*args):
        got = ufunc(*args)
        return tuple(int(g) for g in got) if isinstance(got, tuple) else got.item()
    return call


# Per calendar: Gregorian date to Jalali, Jalali date to julian day, month lengths, leap years.
ORACLES = {
    "arithmetic": (ac.get_jalali_date_from_gregorian_date, ac.get_julian_day_from_jalali_date,
                   ac.get_days_in_jalali_month, ac.is_jalali_leap_year),
    "astronomical": tuple(scalar(getattr(an.astronomical, name)) for name in (
        "get_jalali_date_from_gregorian_date", "get_julian_day_from_jalali_date", "get_days_in_jalali_month",
        "is_jalali_leap_year")),
}


def reference_fields(gregorian, calendar):
    """Every field of the Jalali date of a Gregorian (year, month, day), from the calendar's
    conversions: the day of the year from the julian days of the date and of 1 Farvardin, the
    weekdays from Python's datetime (Saturday first), week 1 the one holding 1 Farvardin."""
    to_jalali, to_julian_day, month_days, leap = ORACLES[calendar]
    y, m, d = to_jalali(*gregorian)
    nowruz = to_julian_day(y, 1, 1)
    day_of_year = int(to_julian_day(y, m, d) - nowruz) + 1
    weekday = (datetime.date(*gregorian).weekday() + 2) % 7
    first_weekday = (weekday - (day_of_year - 1)) % 7
    length = month_days(y, m)
    return {"year": y, "month": m, "day": d, "day_of_year": day_of_year, "day_of_week": weekday,
            "week_of_year": (day_of_year + first_weekday - 1) // 7 + 1, "quarter": (m - 1) // 3 + 1,
            "days_in_month": length, "days_in_year": 365 + leap(y), "is_leap_year": leap(y),
            "is_month_start": d == 1, "is_month_end": d == length, "is_quarter_start": d == 1 and m % 3 == 1,
            "is_quarter_end": d == length and m % 3 == 0, "is_year_start": m == 1 and d == 1,
            "is_year_end": m == 12 and d == length}


def expected(series, calendar="arithmetic"):
    """What the calendar's conversions give for each wall-clock date, by pandas' own `.dt` fields."""
    rows = [dict.fromkeys(FIELDS) if pd.isna(y) else reference_fields((int(y), int(m), int(d)), calendar)
            for y, m, d in zip(series.dt.year, series.dt.month, series.dt.day)]
    return {field: [row[field] for row in rows] for field in FIELDS}


def values(column):
    """A pandas Series or DataFrame as lists, with None for every missing value."""
    return column.astype(object).where(column.notna(), None).values.tolist()


def assert_fields(accessor, wanted, index, name="when"):
    for field in FIELDS:
        got = getattr(accessor, field)
        assert str(got.dtype) == ("boolean" if field.startswith("is_") else "Int32"), field
        assert got.index.equals(index) and got.name == name, field
        assert values(got) == wanted[field], field
        # under the mask, a valid date: 1970-01-01's fields, which a later ufunc refuses nothing of
        assert (got.array._data[got.isna().to_numpy()] == getattr(pd.Series(pd.to_datetime(["1970-01-01"])).jalali,
                                                                  field).array._data[0]).all(), field
    parts = accessor.parts()
    assert list(parts.columns) == ["year", "month", "day"] and parts.index.equals(index)
    for field in ("year", "month", "day"):
        assert parts[field].equals(getattr(accessor, field).rename(field))


def assert_both_calendars(series, naive, index, name="when"):
    """`series.jalali` in both calendars against `naive`, the wall-clock datetimes, and bare
    `.jalali` the astronomical one."""
    for calendar in CALENDARS:
        assert_fields(getattr(series.jalali, calendar), expected(naive, calendar), index, name)
    assert series.jalali.calendar == "astronomical"
    assert series.jalali.year.equals(series.jalali.astronomical.year)


def arrow(series, type_):
    pytest.importorskip("pyarrow")
    return series.astype(f"{type_}[pyarrow]")


def tehran(series):
    return series.dt.tz_localize("Asia/Tehran", ambiguous="NaT", nonexistent="NaT")


# Each way a pandas user holds a column of datetimes, and the naive datetimes it must agree with.
COLUMNS = {
    **{f"datetime64[{u}]": (lambda s, u=u: s.astype(f"datetime64[{u}]")) for u in UNITS},
    "Asia/Tehran": tehran,
    "America/Los_Angeles, in ms": lambda s: s.dt.tz_localize("America/Los_Angeles", ambiguous="NaT",
                                                              nonexistent="NaT").astype("datetime64[ms, America/Los_Angeles]"),
    **{f"timestamp[{u}][pyarrow]": (lambda s, u=u: arrow(s, f"timestamp[{u}]")) for u in UNITS},
    "timestamp[ns, tz=Asia/Tehran][pyarrow]": lambda s: arrow(tehran(s), "timestamp[ns, tz=Asia/Tehran]"),
    "date32[pyarrow]": lambda s: arrow(s, "date32"),
    "date64[pyarrow]": lambda s: arrow(s, "date64"),
}


@pytest.mark.parametrize("make", COLUMNS.values(), ids=COLUMNS.keys())
def test_every_column_type_in_both_calendars(make):
    naive = sample()  # the wall-clock times, of which a time zone may make some NaT
    column = make(naive)
    assert_both_calendars(column, naive.mask(column.isna().to_numpy(dtype=bool)), column.index)


def test_local_wall_clock_dates_early_and_late_in_the_day():
    """00:30 and 23:30 in Tehran are the 20th and 19th of March in UTC, and 20 March locally."""
    local = pd.Series(pd.to_datetime(["2016-03-20 00:30", "2016-03-20 23:30", "2016-03-19 23:30"]))
    for column in (tehran(local), tehran(local).dt.tz_convert("UTC").dt.tz_convert("Asia/Tehran")):
        assert column.jalali.parts().values.tolist() == [[1395, 1, 1], [1395, 1, 1], [1394, 12, 29]]
        assert column.jalali.arithmetic.parts().values.tolist() == [[1395, 1, 1], [1395, 1, 1], [1394, 12, 29]]
    # the same instants held in UTC are named by the UTC date
    assert tehran(local).dt.tz_convert("UTC").jalali.day.tolist() == [29, 1, 29]
    # 2025-03-20 is 30 Esfand 1403 in the calendar in civil use, 1 Farvardin 1404 in the arithmetic one
    nowruz = tehran(pd.Series(pd.to_datetime(["2025-03-20 00:30", "2025-03-20 23:30"])))
    assert nowruz.jalali.parts().values.tolist() == [[1403, 12, 30]] * 2
    assert nowruz.jalali.arithmetic.parts().values.tolist() == [[1404, 1, 1]] * 2


def test_before_1970_a_time_of_day_stays_on_its_own_date():
    column = pd.Series(pd.to_datetime(["1969-12-31 23:59:59", "1900-03-01 00:00:01"]))
    for make in COLUMNS.values():
        for calendar in CALENDARS:
            assert getattr(make(column).jalali, calendar).parts().values.tolist() == [[1348, 10, 10], [1278, 12, 10]]


@pytest.mark.parametrize("column", [pd.Series([], dtype="datetime64[ns]"), pd.Series([None, None], dtype="datetime64[s]"),
                                    pd.Series(pd.to_datetime(["2016-03-20"] * 3))], ids=["empty", "all NaT", "no NaT"])
def test_columns_without_a_missing_value_or_without_a_date(column):
    assert_both_calendars(column, column, column.index, None)


def test_anything_else_is_refused_with_what_is_accepted():
    for column in (pd.Series([1, 2]), pd.Series(["2016-03-20"]), pd.Series([pd.Timedelta(1)]),
                   pd.Series(pd.period_range("2016-03", periods=2, freq="M")), pd.Index([1, 2]),
                   pd.Index(["2016-03-20"])):
        with pytest.raises(TypeError, match=r"^the jalali accessor takes datetimes: datetime64"):
            column.jalali
    with pytest.raises(ValueError, match='^calendar must be "astronomical" or "arithmetic"'):
        ap.JalaliAccessor(sample(), "gregorian")


@pytest.mark.parametrize("calendar", CALENDARS)
def test_the_way_back_round_trips_every_day_of_1300_to_1500(calendar):
    _, to_julian_day, month_days, _ = ORACLES[calendar]
    year = np.repeat(np.arange(1300, 1501), 12)
    month = np.tile(np.arange(1, 13), len(year) // 12)
    lengths = np.array([month_days(int(y), int(m)) for y, m in zip(year, month)])
    year, month = np.repeat(year, lengths), np.repeat(month, lengths)
    day = np.concatenate([np.arange(1, n + 1) for n in lengths])
    index = pd.RangeIndex(len(day)) * 2
    dates = ap.from_jalali(pd.Series(year, index=index), month, day, calendar=calendar)
    assert dates.index.equals(index) and str(dates.dtype) == "datetime64[us]"
    assert (np.diff(dates.to_numpy().astype("datetime64[D]").astype(np.int64)) == 1).all()
    first = ac.get_gregorian_date_from_julian_day(to_julian_day(1300, 1, 1))
    assert dates.iloc[0] == pd.Timestamp(*first)
    assert getattr(dates.jalali, calendar).parts().values.tolist() == np.stack([year, month, day], 1).tolist()


def test_the_way_back_with_missing_parts_bad_dates_and_dates_out_of_range():
    year = pd.Series([1395, None, 1404, 1403], dtype="Int64", index=list("abcd"))
    got = ap.from_jalali(year, [1, 1, 12, 12], pd.array([1, 2, None, 29], dtype="Int16"))
    assert got.index.tolist() == list("abcd")
    assert got.tolist()[0] == pd.Timestamp("2016-03-20") and got.isna().tolist() == [False, True, True, False]
    assert ap.from_jalali([1395.0, np.nan], [1, 1], [1, 1]).notna().tolist() == [True, False]
    for month, day in [(12, 31), (0, 1), (13, 1), (1, 0), (1, 32), (7, 31)]:
        with pytest.raises(ValueError, match="^cannot assemble the Jalali dates: 1395-"):
            ap.from_jalali([1396, 1395], [1, month], [1, day])
        assert ap.from_jalali([1396, 1395], [1, month], [1, day], errors="coerce").isna().tolist() == [False, True]
    assert ap.from_jalali([1395], [12], [30]).dt.day.tolist() == [20]  # 1395 is a leap year
    # 1403 is a leap year in the calendar in civil use, 1404 in the arithmetic one
    assert ap.from_jalali([1403], [12], [30]).tolist() == [pd.Timestamp("2025-03-20")]
    with pytest.raises(ValueError, match="^cannot assemble the Jalali dates: 1403-12-30 at position 0 is not a date"):
        ap.from_jalali([1403], [12], [30], calendar="arithmetic")
    with pytest.raises(pd.errors.OutOfBoundsDatetime):
        ap.from_jalali([300_000], [1], [1], calendar="arithmetic")
    with pytest.raises(pd.errors.OutOfBoundsDatetime):
        ap.from_jalali([1700], [1], [1], unit="ns")
    with pytest.raises(OverflowError):
        ap.from_jalali([2**31], [1], [1], calendar="arithmetic")
    # outside the astronomical calendar's years: its row, its date, the years, and what to do
    for year in (9379, -623, 2**31, 300_000):
        with pytest.raises(ValueError, match=rf"^cannot assemble the Jalali dates: {year}-1-1 at position 1 is outside "
                                             r"the years of the astronomical Jalali calendar, -622 to 9378: leave it out "
                                             r'as missing, or use the arithmetic calendar \(calendar="arithmetic"\)$'):
            ap.from_jalali([1403, year], [1, 1], [1, 1])
        assert ap.from_jalali([1403, year], [1, 1], [1, 1], errors="coerce").isna().tolist() == [False, True]
    edges = ap.from_jalali([9378, -622, 0, -1], [10, 10, 1, 1], [13, 11, 1, 1])
    assert edges.tolist()[:2] == [pd.Timestamp("9999-12-31"), pd.Timestamp("0001-01-01")]
    assert edges.iloc[2] == edges.iloc[3]  # year 0 is another name for year -1
    with pytest.raises(TypeError):
        ap.from_jalali([1395.5], [1], [1])
    for huge in (2.0**63, -(2.0**63), 1e300):  # floats beyond int64: our error, not NumPy's cast
        with pytest.raises(OverflowError, match="^a Jalali year is out of range$"):
            ap.from_jalali(pd.Series([huge]), pd.Series([1]), pd.Series([1]))


def test_gregorian_parts_through_pandas_own_check_then_the_accessor():
    parts = pd.DataFrame({"year": [2016, 2016, 2025], "month": [2, 2, 3], "day": [29, 30, 20]})
    dates = pd.to_datetime(parts, errors="coerce")
    assert values(dates.jalali.arithmetic.parts()) == [[1394, 12, 10], [None] * 3, [1404, 1, 1]]
    assert values(dates.jalali.parts()) == [[1394, 12, 10], [None] * 3, [1403, 12, 30]]


def test_importing_the_modules_imports_no_data_frame_library():
    code = ("import sys, algorithms_c, algorithms_c_numpy; "
            "print(sorted({'pandas', 'polars', 'dask', 'pyarrow'} & set(sys.modules)))")
    assert subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout == "[]\n"
    code = "import sys, algorithms_c_polars; print('pandas' in sys.modules, 'dask' in sys.modules)"
    if subprocess.run([sys.executable, "-c", "import polars"]).returncode == 0:
        assert subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout == "False False\n"


class TestPolars:
    pl = pytest.importorskip("polars")
    apl = pytest.importorskip("algorithms_c_polars")

    def columns(self):
        pl = self.pl
        naive = sample()
        frame = pl.from_pandas(pd.DataFrame({"s": naive}))
        out = {"Date": frame["s"].cast(pl.Date)}
        for unit in ("ms", "us", "ns"):
            out[f"Datetime({unit})"] = frame["s"].cast(pl.Datetime(unit))
        out["Datetime(us, Asia/Tehran)"] = pl.from_pandas(tehran(naive))
        return out

    def test_every_column_type_against_pandas(self):
        for name, column in self.columns().items():
            wanted = pd.Series(column.to_pandas()).rename("when")
            wanted = pd.to_datetime(wanted) if name == "Date" else wanted
            for calendar in CALENDARS:
                space, pandas = getattr(column.jalali, calendar), getattr(wanted.jalali, calendar)
                for field in FIELDS:
                    got = getattr(space, field)()
                    assert got.dtype == (self.pl.Boolean if field.startswith("is_") else self.pl.Int32)
                    assert got.to_list() == values(getattr(pandas, field)), (name, calendar, field)
                struct = space.parts()
                assert struct.to_list() == [None if any(v is None for v in r) else dict(zip(("year", "month", "day"), r))
                                            for r in values(pandas.parts())], (name, calendar)
            assert column.jalali.year().equals(column.jalali.astronomical.year())

    def test_lazy_frames_give_what_eager_ones_give(self):
        pl = self.pl
        frame = pl.DataFrame(self.columns())
        exprs = [getattr(getattr(pl.col(c).jalali, k), f)().alias(f"{c} {k} {f}")
                 for c in frame.columns for k in CALENDARS for f in FIELDS + ["parts"]]
        eager = frame.select(exprs)
        assert frame.lazy().select(exprs).collect().equals(eager)
        assert frame.lazy().filter(pl.col("Date").is_not_null()).select(exprs).collect().equals(eager.drop_nulls())
        assert eager["Date astronomical year"].to_list() == frame["Date"].jalali.year().to_list()

    def test_the_way_back(self):
        pl = self.pl
        frame = pl.DataFrame({"y": [1395, None, 1404, 1403], "m": [1, 1, 12, 12], "d": [1, 2, 29, 30]})
        # polars hands on the ValueError, or wraps it (a panic, in polars 1.8)
        with pytest.raises(BaseException, match="cannot assemble the Jalali dates: 1403-12-30"):
            frame.select(self.apl.from_jalali("y", "m", "d", calendar="arithmetic"))
        assert frame.select(self.apl.from_jalali("y", "m", "d"))["y"].to_list()[3].isoformat() == "2025-03-20"
        with pytest.raises(BaseException, match="cannot assemble the Jalali dates: 1404-12-30"):
            frame.select(self.apl.from_jalali(pl.lit(1404), "m", "d"))
        dates = frame.lazy().select(self.apl.from_jalali("y", pl.col("m"), "d", errors="coerce",
                                                         calendar="arithmetic")).collect()["y"]
        assert dates.dtype == pl.Date and dates.to_list()[0].isoformat() == "2016-03-20" and dates.null_count() == 2
        series = self.apl.from_jalali(frame["y"].head(3), frame["m"].head(3), frame["d"].head(3))
        assert series.jalali.parts().struct.unnest().rows()[2] == (1404, 12, 29)
        with pytest.raises(ValueError, match="outside the years of the astronomical Jalali calendar"):
            self.apl.from_jalali(pl.Series([9400]), pl.Series([1]), pl.Series([1]))
        for year in (2**30, -6_000_000):  # beyond pl.Date's days on either side
            with pytest.raises(OverflowError):
                self.apl.from_jalali(pl.Series([year]), pl.Series([1]), pl.Series([1]), calendar="arithmetic")

    def test_anything_else_is_refused(self):
        with pytest.raises(TypeError, match="^the jalali namespace takes Date or Datetime columns"):
            self.pl.Series([1, 2]).jalali.year()


def test_dask_on_a_cluster_of_two_worker_processes():
    """Dask DataFrame Series through the accessor, dask arrays through apply_gufunc and xarray
    through apply_ufunc, on two worker processes to which the functions travel by pickling."""
    dd = pytest.importorskip("dask.dataframe")
    da = pytest.importorskip("dask.array")
    distributed = pytest.importorskip("distributed")
    an = pytest.importorskip("algorithms_c_numpy")
    series = tehran(sample(2000))
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0") as cluster, \
            distributed.Client(cluster) as client:
        column = dd.from_pandas(series, npartitions=4)
        lazy, eager = [], []  # computed together: one round of tasks on the cluster
        for calendar in CALENDARS:
            on_cluster, here = getattr(column.jalali, calendar), getattr(series.jalali, calendar)
            lazy += [getattr(on_cluster, f) for f in FIELDS] + [on_cluster.parts(), on_cluster.floor("month"),
                                                                 on_cluster.add_months(-5)]
            eager += [getattr(here, f) for f in FIELDS] + [here.parts(), here.floor("month"), here.add_months(-5)]
        for got, wanted in zip(dd.compute(*lazy), eager):
            assert got.equals(wanted)
        assert len(client.scheduler_info()["workers"]) == 2

        julian_days = np.arange(2457467.5, 2457467.5 + 1000)
        days = da.from_array(julian_days, chunks=250)
        wanted = an.get_jalali_date_from_julian_day(julian_days)
        got = da.apply_gufunc(an.get_jalali_date_from_julian_day, "()->(),(),()", days, output_dtypes=(np.int32,) * 3)
        for g, w in zip(da.compute(*got), wanted):
            assert np.array_equal(g, w)
        gregorian = [da.from_array(part, chunks=250) for part in an.get_gregorian_date_from_julian_day(julian_days)]
        got = da.apply_gufunc(an.get_jalali_date_from_gregorian_date, "(),(),()->(),(),()", *gregorian,
                              output_dtypes=(np.int32,) * 3)
        for g, w in zip(da.compute(*got), wanted):
            assert np.array_equal(g, w)
        year, month, _ = wanted
        lengths = da.apply_gufunc(an.get_days_in_jalali_month, "(),()->()", da.from_array(year, chunks=250),
                                  da.from_array(month, chunks=250), output_dtypes=np.int32)
        assert np.array_equal(lengths.compute(), an.get_days_in_jalali_month(year, month))
        xr = pytest.importorskip("xarray")
        parts = xr.apply_ufunc(an.get_jalali_date_from_julian_day, xr.DataArray(days, dims="t"),
                               output_core_dims=[[], [], []], dask="parallelized", output_dtypes=[np.int32] * 3)
        for g, w in zip(parts, wanted):
            assert np.array_equal(g.compute().values, w)


# Rows at which the adapters' work may be split into blocks; a column longer than one block with
# missing values at its edges.
BLOCK_EDGES = [0, 1023, 1024, 16383, 16384, 16385, 20_000 - 1]


def long_sample():
    column = sample(20_000, seed=5)
    return column.mask(np.isin(np.arange(len(column)), BLOCK_EDGES))


def test_columns_longer_than_a_block_with_missing_values_at_its_edges():
    column = long_sample()
    assert_both_calendars(column, column, column.index)
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    polars_column = pl.from_pandas(column)
    for calendar in CALENDARS:
        for field in FIELDS:
            assert (getattr(getattr(polars_column.jalali, calendar), field)().to_list()
                    == values(getattr(getattr(column.jalali, calendar), field))), field


def test_dask_metas_are_what_the_partitions_give():
    """A dask Series' dtype is told before anything is computed; it must be what computing gives."""
    dd = pytest.importorskip("dask.dataframe")
    column = dd.from_pandas(long_sample(), npartitions=3)
    for field in FIELDS:
        lazy = getattr(column.jalali, field)
        assert lazy.dtype == lazy.compute().dtype, field
    parts = column.jalali.parts()
    assert parts.dtypes.equals(parts.compute().dtypes)
    for lazy in (column.jalali.floor("week"), column.jalali.ceil("year"), column.jalali.add_years(1)):
        assert lazy.dtype == lazy.compute().dtype


@pytest.mark.parametrize("first", ["algorithms_c_pandas", "algorithms_c_dask"])
def test_either_module_imported_first_registers_the_dask_accessor(first):
    """The two modules import each other; whichever comes first, in a fresh interpreter, dask
    Series get the accessor and both modules name the same class."""
    pytest.importorskip("dask.dataframe")
    code = (f"import {first}, pandas as pd, dask.dataframe as dd\n"
            "lazy = dd.from_pandas(pd.Series(pd.to_datetime(['2025-03-21', None])), npartitions=1)\n"
            "import algorithms_c_pandas, algorithms_c_dask\n"
            "assert type(lazy.jalali) is algorithms_c_dask.DaskJalaliAccessor\n"
            "assert algorithms_c_pandas.DaskJalaliAccessor is algorithms_c_dask.DaskJalaliAccessor\n"
            "print(lazy.jalali.year.compute().tolist())")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert done.stdout == "[1404, <NA>]\n"


def test_the_dask_accessor_forwards_every_public_name_of_the_pandas_one():
    """A property or method added to the pandas accessor and not to the forwarded lists fails
    here; each method keeps the pandas one's signature."""
    pytest.importorskip("dask.dataframe")
    import inspect

    adk = pytest.importorskip("algorithms_c_dask")
    wanted = {n for n in dir(ap.JalaliAccessor) if not n.startswith("_")}
    assert wanted <= {n for n in dir(adk.DaskJalaliAccessor) if not n.startswith("_")}
    for name in adk.METHODS:
        assert inspect.signature(getattr(adk.DaskJalaliAccessor, name)) == \
            inspect.signature(getattr(ap.JalaliAccessor, name)), name


# Each forwarded method with arguments by position, by keyword and left to their defaults.
DASK_CALLS = [("floor", ("quarter",), {}), ("floor", (), {"freq": "week"}), ("ceil", (), {"freq": "month"}),
              ("add_months", (), {"n": -13}), ("add_years", (3,), {}), ("parts", (), {}),
              ("strftime", ("%A %d %B %Y",), {"digits": "persian"}),
              ("strftime", (), {"format": "%B", "locale": "fa"}), ("month_name", (), {"locale": "fa"}),
              ("day_name", ("fa",), {}), ("day_name", (), {}),
              ("add_months", (6,), {"ambiguous": "NaT", "nonexistent": "shift_forward"}),
              ("add_months", (1, "NaT", "NaT"), {})]


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("name, args, kwargs", DASK_CALLS, ids=[f"{c[0]}-{i}" for i, c in enumerate(DASK_CALLS)])
def test_the_dask_accessor_passes_arguments_as_the_pandas_one_takes_them(name, args, kwargs, calendar):
    dd = pytest.importorskip("dask.dataframe")
    dask = pytest.importorskip("dask")
    series = sample(120)
    if "nonexistent" in kwargs or "NaT" in args:
        # Tehran's clocks moved until 2022: six months on, a local time that it skipped; a month
        # on, ones that it skipped and repeated, which the defaults refuse
        edges = pd.Series(pd.to_datetime(["2018-09-24 00:30", "2018-02-21 00:30", "2018-08-21 23:30"]),
                          index=[1000, 1001, 1002], name="when")
        series = tehran(pd.concat([series, edges]))
        with pytest.raises(Exception):
            getattr(series.jalali, calendar).add_months(*args[:1], **{k: v for k, v in kwargs.items() if k == "n"})
    lazy = getattr(getattr(dd.from_pandas(series, npartitions=3).jalali, calendar), name)(*args, **kwargs)
    with dask.config.set(scheduler="sync"):
        got = lazy.compute()
    assert got.equals(getattr(getattr(series.jalali, calendar), name)(*args, **kwargs))


def test_the_dask_accessor_refuses_bad_arguments_before_computing():
    dd = pytest.importorskip("dask.dataframe")
    import inspect

    adk = pytest.importorskip("algorithms_c_dask")
    lazy = dd.from_pandas(sample(10), npartitions=2).jalali
    with pytest.raises(TypeError, match="freq"):
        lazy.floor()
    for name in adk.METHODS:  # one argument more than the pandas method takes
        extra = ["x"] * len(inspect.signature(getattr(ap.JalaliAccessor, name)).parameters)
        with pytest.raises(TypeError, match="too many positional arguments"):
            getattr(lazy, name)(*extra)
    with pytest.raises(ValueError, match="freq must be"):
        lazy.ceil(freq="fortnight")


def test_another_packages_jalali_accessor_leaves_ours_working():
    """jalali-pandas registers a "jalali" accessor of its own; imported after ours, it takes the
    name (pandas warns), and the accessor class still works, as do the dask accessor and
    date_range, which never go through the name."""
    import warnings

    class Other:
        def __init__(self, series):
            self.series = series

    original = pd.Series.__dict__["jalali"]
    try:
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            pd.api.extensions.register_series_accessor("jalali")(Other)
        assert any("overriding a preexisting attribute" in str(w.message) for w in caught)
        column = sample(50)
        assert isinstance(column.jalali, Other)
        assert ap.JalaliAccessor(column).year.equals(ap.JalaliAccessor(column, "astronomical").year)
        dd = pytest.importorskip("dask.dataframe")
        lazy = dd.from_pandas(column, npartitions=2)
        assert lazy.jalali.year.compute().equals(ap.JalaliAccessor(column).year)
        tehran_start = pd.Timestamp("2025-03-20 10:00", tz="Asia/Tehran")
        assert ap.date_range(tehran_start, periods=1, freq="year")[0] == pd.Timestamp("2025-03-21", tz="Asia/Tehran")
    finally:
        setattr(pd.Series, "jalali", original)
    assert isinstance(sample(3).jalali, ap.JalaliAccessor)


def test_the_ends_of_every_unit():
    """The first and last datetimes of each unit that pandas names the fields of: their dates
    and times of day, where a day's first tick lies below the smallest int64."""
    for unit in ("ms", "us", "ns"):
        column = pd.Series(np.array([np.iinfo(np.int64).min + 1, np.iinfo(np.int64).max]).view(f"datetime64[{unit}]"))
        wanted = [list(ac.get_jalali_date_from_gregorian_date(int(y), int(m), int(d)))
                  for y, m, d in zip(column.dt.year, column.dt.month, column.dt.day)]
        assert values(column.jalali.arithmetic.parts()) == wanted, unit
        times = [f"{t.hour:02}:{t.minute:02}:{t.second:02}.{t.microsecond:06}" for t in column]
        assert column.jalali.arithmetic.strftime("%H:%M:%S.%f").tolist() == times


def test_arrow_columns_that_begin_partway_into_their_buffers():
    """A slice of an Arrow-backed column is read where it is: from its offset into the buffers,
    values and validity bits alike."""
    column = arrow(sample(300), "timestamp[us]")
    for start in (1, 7, 8, 9, 150):
        part = column.iloc[start:]
        assert values(part.jalali.parts()) == values(column.jalali.parts().iloc[start:]), start
    text = column.jalali.strftime("%Y/%m/%d %H:%M:%S")
    for start in (1, 7, 8, 150):
        assert ap.to_datetime(text.iloc[start:]).tolist() == ap.to_datetime(text).iloc[start:].tolist(), start


# Each call that names a refused row, on a Series labelled "2024-03-01-A", "-B", ...: the call, and
# the Series it is made on, whose row 2 is refused.
def labelled(values, dtype=None):
    return pd.Series(values, dtype=dtype, index=[f"2024-03-01-{c}" for c in "ABCD"[:len(values)]])


OUTSIDE = np.array(["2020-01-01", "NaT", "10000-06-01", "2020-01-02"], "datetime64[s]")
REFUSALS = {
    "field": (lambda s: s.jalali.day_of_year, OUTSIDE),
    "parts": (lambda s: s.jalali.parts(), OUTSIDE),
    "floor": (lambda s: s.jalali.floor("month"), OUTSIDE),
    "ceil": (lambda s: s.jalali.ceil("day"), OUTSIDE),
    "add_months": (lambda s: s.jalali.add_months(1), OUTSIDE),
    "add_years beyond the years": (lambda s: s.jalali.add_years(7000), np.array(
        ["2020-01-01", "NaT", "3000-06-01", "2020-01-02"], "datetime64[s]")),
    "strftime": (lambda s: s.jalali.strftime("%Y"), OUTSIDE),
    "to_datetime": (lambda s: ap.to_datetime(s), ["1402/01/01", None, "1402/13/01", "1402/01/02"]),
    "from_jalali": (lambda s: ap.from_jalali(s, [1, 1, 13, 1], [1, 1, 1, 1]), [1402, 1402, 1402, 1402]),
    "from_jalali, years": (lambda s: ap.from_jalali(s, [1, 1, 1, 1], [1, 1, 1, 1]), [1402, 1402, 9999, 1402]),
}


@pytest.mark.parametrize("call, data", REFUSALS.values(), ids=REFUSALS.keys())
def test_an_error_naming_a_row_names_its_label_too(call, data):
    with pytest.raises(ValueError) as unlabelled:
        call(pd.Series(data))
    assert "position 2," in str(unlabelled.value) or "position 2 " in str(unlabelled.value)
    assert "label" not in str(unlabelled.value)  # 0, 1, 2 ...: the label is the position
    with pytest.raises(ValueError) as error:
        call(labelled(data))
    assert str(error.value) == str(unlabelled.value).replace("position 2", "position 2 (label '2024-03-01-C')", 1)
    shifted = pd.Series(data, index=pd.RangeIndex(10, 14))  # a RangeIndex of its own is labels too
    with pytest.raises(ValueError, match=r"position 2 \(label 12\)"):
        call(shifted)


# Rows at and past the first block's end, where a pass takes its second and later blocks.
PAST_THE_BLOCK = [0, 1023, 1024, 1025, 2047, 2048, 3071]


@pytest.mark.parametrize("row", PAST_THE_BLOCK)
def test_a_refused_value_is_named_by_its_position_in_the_column_not_in_its_block(row):
    stamps = np.array(["2020-01-01"], "datetime64[s]").repeat(3072) + np.arange(3072).astype("timedelta64[h]")
    stamps[row] = np.datetime64("10000-06-01", "s")
    column = pd.Series(stamps)
    for call in (lambda s: s.jalali.year, lambda s: s.jalali.floor("week"), lambda s: s.jalali.add_months(2),
                 lambda s: s.jalali.strftime("%Y/%m/%d"), lambda s: s.jalali.ceil("year")):
        with pytest.raises(ValueError, match=rf"^the value at position {row}, 10000-06-01, "):
            call(column)
    text = column.jalali.arithmetic.strftime("%Y/%m/%d").to_numpy(dtype=object)
    text[row] = "1402/12/31"  # 1402 is a common year
    with pytest.raises(ValueError, match=rf"position {row}\b"):
        ap.to_datetime(text)
    years = np.full(3072, 1402)
    years[row] = 10_000
    with pytest.raises(ValueError, match=rf"^cannot assemble the Jalali dates: 10000-1-1 at position {row} "):
        ap.from_jalali(years, np.ones(3072, int), np.ones(3072, int))


def test_an_arrow_null_and_the_nat_value_are_both_missing():
    """Arrow holds -2**63 as a valid timestamp; it is NaT to NumPy and pandas, and so missing here,
    beside the nulls of the validity bitmap, in every result, across blocks and offsets alike."""
    pa = pytest.importorskip("pyarrow")
    n = 2100
    ticks = (np.arange(n, dtype=np.int64) * 86_400 + 1_700_000_000) * 1_000_000
    valid = np.ones(n, bool)
    nulls, nats = [1, 1030, 2099], [2, 1029, 2098]
    valid[nulls] = False
    ticks[nats] = np.iinfo(np.int64).min
    array = pa.Array.from_buffers(pa.timestamp("us"), n, [pa.py_buffer(np.packbits(valid, bitorder="little")),
                                                          pa.py_buffer(ticks)])
    missing = np.isin(np.arange(n), nulls + nats)
    plain = pd.Series(np.where(missing, np.iinfo(np.int64).min, ticks).view("datetime64[us]"))
    for start in (0, 3):
        column = pd.Series(pd.arrays.ArrowExtensionArray(array)).iloc[start:]
        wanted = plain.iloc[start:]
        for calendar in CALENDARS:
            here, there = getattr(column.jalali, calendar), getattr(wanted.jalali, calendar)
            assert values(here.parts()) == values(there.parts())
            assert here.is_leap_year.isna().tolist() == missing[start:].tolist()
            assert here.floor("month").isna().tolist() == missing[start:].tolist()
            assert here.add_months(1).isna().tolist() == missing[start:].tolist()
            assert here.strftime("%Y/%m/%d").isna().tolist() == missing[start:].tolist()
            assert values(here.ceil("week")) == values(there.ceil("week").astype(here.ceil("week").dtype))


# Year, month and day Series with indexes that differ, and lists, which go by position.
ALIGNMENTS = {
    "reordered": ([1403, 1404, 1405], list("abc"), [1, 2, 3], list("cab"), [5, 6, 7], list("bca")),
    "overlapping": ([1403, 1404, 1405], list("abc"), [1, 2, 3], list("bcd"), [5, 6, 7], list("abc")),
    "integers": ([1403, 1404], [3, 1], [1, 12], [1, 2], [29, 30], [2, 1]),
    "dates": ([1403, 1404], pd.to_datetime(["2024-01-01", "2024-01-02"]), [12, 6], pd.to_datetime(["2024-01-02",
              "2024-01-03"]), [30, 29], pd.to_datetime(["2024-01-01", "2024-01-02"])),
}


@pytest.mark.parametrize("case", ALIGNMENTS.values(), ids=ALIGNMENTS.keys())
def test_from_jalali_aligns_series_on_their_labels_as_pandas_arithmetic_does(case):
    year, month, day = (pd.Series(case[k], index=case[k + 1]) for k in (0, 2, 4))
    arithmetic = year + month + day  # pandas' own alignment: its index, and where a part is missing
    to_julian_day = ORACLES["astronomical"][1]
    wanted = [pd.NaT if any(pd.isna(s.get(label)) for s in (year, month, day)) else pd.Timestamp(
              *ac.get_gregorian_date_from_julian_day(to_julian_day(int(year[label]), int(month[label]), int(day[label]))))
              for label in arithmetic.index]
    got = ap.from_jalali(year, month, day)
    assert got.index.equals(arithmetic.index) and got.tolist() == wanted
    assert ap.from_jalali(year.astype("Int16"), month.astype("float64"), day.astype("uint8")).tolist() == wanted


@pytest.mark.parametrize("which", range(3))
def test_from_jalali_keeps_the_index_of_the_series_given_among_lists(which):
    parts = [[1403, 1403, 1404], [12, 12, 1], [29, 30, 1]]
    index = pd.Index(["x", "y", "z"], name="row")
    parts[which] = pd.Series(parts[which], index=index)
    got = ap.from_jalali(*parts)
    assert got.index.equals(index) and got.tolist() == [pd.Timestamp(d) for d in ("2025-03-19", "2025-03-20",
                                                                                  "2025-03-21")]
    with pytest.raises(ValueError, match="at position 1 \\(label 'y'\\)"):
        ap.from_jalali(*parts, calendar="arithmetic")  # 1403 is a common year in the arithmetic calendar
    repeated = pd.Series([1403, 1404], index=["a", "a"])
    with pytest.raises(ValueError, match="^the Series of Jalali years, months and days have different indexes, "):
        ap.from_jalali(repeated, pd.Series([1, 1], index=["a", "b"]), [1, 1])


def test_to_datetime_of_a_dask_series_is_lazy_and_keeps_its_index():
    dd = pytest.importorskip("dask.dataframe")
    text = pd.Series(["1402/12/29", None, "1403/01/05 10:30", "", "1404/01/01"], index=[10, 20, 30, 40, 50],
                     name="when")
    lazy = dd.from_pandas(text, npartitions=3)
    calls = []
    original = ap._frames.strptime
    try:
        ap._frames.strptime = lambda *args, **kwargs: calls.append(len(args[0])) or original(*args, **kwargs)
        read = ap.to_datetime(lazy)
        assert calls == [0]  # the meta alone, until computed
    finally:
        ap._frames.strptime = original
    assert isinstance(read, dd.Series) and read.dtype == "datetime64[us]" and read.npartitions == 3
    assert read.compute().equals(ap.to_datetime(text))
    zoned = ap.to_datetime(dd.from_pandas(pd.Series(["1402/12/29 10:00 +0330"]), npartitions=1),
                           format="%Y/%m/%d %H:%M %z")
    assert str(zoned.dtype) == "datetime64[us, UTC]" and zoned.compute().dtype == zoned.dtype
    with pytest.raises(ValueError, match=r"position 1 \(label 'b'\)"):
        ap.to_datetime(dd.from_pandas(pd.Series(["1402/01/01", "x"], index=["a", "b"]), npartitions=1)).compute()
