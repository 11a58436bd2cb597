"""The pandas, polars and dask adapters: every field against the per-call functions, applied to
the wall-clock date that pandas' own `.dt` fields name."""

import subprocess
import sys

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
ap = pytest.importorskip("algorithms_c_pandas")

import algorithms_c as ac

UNITS = ["s", "ms", "us", "ns"]
FIELDS = ["year", "month", "day", "is_leap_year", "days_in_month", "days_in_year"]


def sample(n=400, seed=0):
    """Datetimes of 1900 to 2100 at any time of day, NaT in the first, a middle and the last row."""
    rng = np.random.default_rng(seed)
    start, stop = (np.datetime64(d, "s").astype(np.int64) for d in ("1900-01-01", "2100-01-01"))
    stamps = rng.integers(start, stop, n).astype("datetime64[s]").astype(object)
    stamps[[0, n // 2, n - 1]] = None
    return pd.Series(pd.to_datetime(stamps), index=np.arange(n) * 3 + 1, name="when")


def expected(series):
    """What the per-call functions give for each wall-clock date, by pandas' own `.dt` fields."""
    rows = []
    for y, m, d in zip(series.dt.year, series.dt.month, series.dt.day):
        if pd.isna(y):
            rows.append(dict.fromkeys(FIELDS))
            continue
        jy, jm, jd = ac.get_jalali_date_from_gregorian_date(int(y), int(m), int(d))
        rows.append({"year": jy, "month": jm, "day": jd, "is_leap_year": ac.is_jalali_leap_year(jy),
                     "days_in_month": ac.get_days_in_jalali_month(jy, jm),
                     "days_in_year": ac.get_days_in_jalali_year(jy)})
    return {field: [row[field] for row in rows] for field in FIELDS}


def values(column):
    """A pandas Series or DataFrame as lists, with None for every missing value."""
    return column.astype(object).where(column.notna(), None).values.tolist()


def assert_fields(series, wanted, index, name="when"):
    for field in FIELDS:
        got = getattr(series.jalali, field)
        assert str(got.dtype) == ("boolean" if field == "is_leap_year" else "Int32"), field
        assert got.index.equals(index) and got.name == name, field
        assert values(got) == wanted[field], field
    parts = series.jalali.parts()
    assert list(parts.columns) == ["year", "month", "day"] and parts.index.equals(index)
    for field in ("year", "month", "day"):
        assert parts[field].equals(getattr(series.jalali, field).rename(field))


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
def test_every_column_type_against_the_per_call_functions(make):
    naive = sample()  # the wall-clock times, of which a time zone may make some NaT
    column = make(naive)
    assert_fields(column, expected(naive.mask(column.isna().to_numpy(dtype=bool))), column.index)


def test_local_wall_clock_dates_early_and_late_in_the_day():
    """00:30 and 23:30 in Tehran are the 20th and 19th of March in UTC, and 20 March locally."""
    local = pd.Series(pd.to_datetime(["2016-03-20 00:30", "2016-03-20 23:30", "2016-03-19 23:30"]))
    for column in (tehran(local), tehran(local).dt.tz_convert("UTC").dt.tz_convert("Asia/Tehran")):
        assert column.jalali.parts().values.tolist() == [[1395, 1, 1], [1395, 1, 1], [1394, 12, 29]]
    # the same instants held in UTC are named by the UTC date
    assert tehran(local).dt.tz_convert("UTC").jalali.day.tolist() == [29, 1, 29]


def test_before_1970_a_time_of_day_stays_on_its_own_date():
    column = pd.Series(pd.to_datetime(["1969-12-31 23:59:59", "1900-03-01 00:00:01"]))
    for make in COLUMNS.values():
        assert make(column).jalali.parts().values.tolist() == [[1348, 10, 10], [1278, 12, 10]]


@pytest.mark.parametrize("column", [pd.Series([], dtype="datetime64[ns]"), pd.Series([None, None], dtype="datetime64[s]"),
                                    pd.Series(pd.to_datetime(["2016-03-20"] * 3))], ids=["empty", "all NaT", "no NaT"])
def test_columns_without_a_missing_value_or_without_a_date(column):
    assert_fields(column, expected(column), column.index, None)


def test_anything_else_is_refused_with_what_is_accepted():
    for column in (pd.Series([1, 2]), pd.Series(["2016-03-20"]), pd.Series([pd.Timedelta(1)]),
                   pd.Series(pd.period_range("2016-03", periods=2, freq="M"))):
        with pytest.raises(TypeError, match=r"^the jalali accessor takes a Series of datetimes: datetime64"):
            column.jalali


def test_the_way_back_round_trips_every_day_of_1300_to_1500():
    year = np.repeat(np.arange(1300, 1501), 12)
    month = np.tile(np.arange(1, 13), len(year) // 12)
    lengths = np.array([ac.get_days_in_jalali_month(int(y), int(m)) for y, m in zip(year, month)])
    year, month = np.repeat(year, lengths), np.repeat(month, lengths)
    day = np.concatenate([np.arange(1, n + 1) for n in lengths])
    index = pd.RangeIndex(len(day)) * 2
    dates = ap.from_jalali(pd.Series(year, index=index), month, day)
    assert dates.index.equals(index) and str(dates.dtype) == "datetime64[us]"
    assert (np.diff(dates.to_numpy().astype("datetime64[D]").astype(np.int64)) == 1).all()
    first = ac.get_gregorian_date_from_julian_day(ac.get_julian_day_from_jalali_date(1300, 1, 1))
    assert dates.iloc[0] == pd.Timestamp(*first)
    assert dates.jalali.parts().values.tolist() == np.stack([year, month, day], 1).tolist()


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
    with pytest.raises(pd.errors.OutOfBoundsDatetime):
        ap.from_jalali([300_000], [1], [1])
    with pytest.raises(pd.errors.OutOfBoundsDatetime):
        ap.from_jalali([1700], [1], [1], unit="ns")
    with pytest.raises(OverflowError):
        ap.from_jalali([2**31], [1], [1])
    with pytest.raises(TypeError):
        ap.from_jalali([1395.5], [1], [1])
    for huge in (2.0**63, -(2.0**63), 1e300):  # floats beyond int64: our error, not NumPy's cast
        with pytest.raises(OverflowError, match="^a Jalali year is out of range$"):
            ap.from_jalali(pd.Series([huge]), pd.Series([1]), pd.Series([1]))


def test_gregorian_parts_through_pandas_own_check_then_the_accessor():
    parts = pd.DataFrame({"year": [2016, 2016, 2025], "month": [2, 2, 3], "day": [29, 30, 20]})
    dates = pd.to_datetime(parts, errors="coerce")
    assert values(dates.jalali.parts()) == [
        [1394, 12, 10], [None] * 3, [1404, 1, 1]]


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
            for field in FIELDS:
                got = getattr(column.jalali, field)()
                assert got.dtype == (self.pl.Boolean if field == "is_leap_year" else self.pl.Int32)
                assert got.to_list() == values(getattr(wanted.jalali, field)), (name, field)
            struct = column.jalali.parts()
            assert struct.struct.unnest().rows() == [tuple(r) for r in values(wanted.jalali.parts())], name

    def test_lazy_frames_give_what_eager_ones_give(self):
        pl = self.pl
        frame = pl.DataFrame(self.columns())
        exprs = [getattr(pl.col(c).jalali, f)().alias(f"{c} {f}") for c in frame.columns for f in FIELDS + ["parts"]]
        eager = frame.select(exprs)
        assert frame.lazy().select(exprs).collect().equals(eager)
        assert frame.lazy().filter(pl.col("Date").is_not_null()).select(exprs).collect().equals(eager.drop_nulls())
        assert eager["Date year"].to_list() == frame["Date"].jalali.year().to_list()

    def test_the_way_back(self):
        pl = self.pl
        frame = pl.DataFrame({"y": [1395, None, 1404, 1403], "m": [1, 1, 12, 12], "d": [1, 2, 29, 30]})
        # polars hands on the ValueError, or wraps it (a panic, in polars 1.8)
        with pytest.raises(BaseException, match="cannot assemble the Jalali dates: 1403-12-30"):
            frame.select(self.apl.from_jalali("y", "m", "d"))
        dates = frame.lazy().select(self.apl.from_jalali("y", pl.col("m"), "d", errors="coerce")).collect()["y"]
        assert dates.dtype == pl.Date and dates.to_list()[0].isoformat() == "2016-03-20" and dates.null_count() == 2
        series = self.apl.from_jalali(frame["y"].head(3), frame["m"].head(3), frame["d"].head(3))
        assert series.jalali.parts().struct.unnest().rows()[2] == (1404, 12, 29)
        for year in (2**30, -6_000_000):  # beyond pl.Date's days on either side
            with pytest.raises(OverflowError):
                self.apl.from_jalali(pl.Series([year]), pl.Series([1]), pl.Series([1]))

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
        for field in FIELDS:
            assert getattr(column.jalali, field).compute().equals(getattr(series.jalali, field)), field
        assert column.jalali.parts().compute().equals(series.jalali.parts())
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
    assert_fields(column, expected(column), column.index)
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    polars_column = pl.from_pandas(column)
    for field in FIELDS:
        assert getattr(polars_column.jalali, field)().to_list() == values(getattr(column.jalali, field)), field


def test_dask_metas_are_what_the_partitions_give():
    """A dask Series' dtype is told before anything is computed; it must be what computing gives."""
    dd = pytest.importorskip("dask.dataframe")
    column = dd.from_pandas(long_sample(), npartitions=3)
    for field in FIELDS:
        lazy = getattr(column.jalali, field)
        assert lazy.dtype == lazy.compute().dtype, field
    parts = column.jalali.parts()
    assert parts.dtypes.equals(parts.compute().dtypes)
