"""Jalali dates as text, both ways: strftime against jdatetime over every day of 1300 to 1450,
round trips through to_datetime in both calendars, messy and refused text in every kind of
column that pandas and polars hold text in, and fuzzing of both directions."""

import re
from importlib.metadata import version as installed

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
pa = pytest.importorskip("pyarrow")
ap = pytest.importorskip("algorithms_c_pandas")

from hypothesis import given, settings, strategies as st

CALENDARS = ["astronomical", "arithmetic"]
UNITS = ["s", "ms", "us", "ns"]
DAY_US = 86_400_000_000
TO_PERSIAN = str.maketrans("0123456789", "۰۱۲۳۴۵۶۷۸۹")


def jalali(y, m, d, *time):
    """The Gregorian datetime of a Jalali date and time, by jdatetime (exact over 1300-1450)."""
    jdatetime = pytest.importorskip("jdatetime")
    return pd.Timestamp(jdatetime.datetime(y, m, d, *time).togregorian())


# jdatetime's strftime and ours -----------------------------------------------------------------

# Every directive that jdatetime writes as we do, in two formats: %j makes the parser read the
# date by the day of the year, so the second leaves it out to read it by month and day (and
# writes the unpadded parts of the time instead); %y comes before %Y, which reads the year last.
WITH_DAY_OF_YEAR = "%y %Y %m %-m %d %-d %j %B %b %A %a %w %H %-H %I %M %S %f %% %p"
WITHOUT_DAY_OF_YEAR = "%y %Y|%-m/%m|%-d.%d %A %a %w %b %B T%H %-H %I %-I %M %-M %S %-S %f%%%p"
# What jdatetime's strptime reads of ours: names, and digits of both scripts.
JDATETIME_READS = "%A %d %B %Y %H:%M:%S.%f"
# Midnight, noon and the microseconds either side, where %I and %p turn.
EDGE_TIMES = [0, 1, DAY_US // 2 - 1, DAY_US // 2, DAY_US // 2 + 1, DAY_US // 24, DAY_US - 1]


def test_every_day_of_1300_to_1450_against_jdatetime():
    jdatetime = pytest.importorskip("jdatetime")
    if tuple(int(p) for p in installed("jdatetime").split(".")[:2]) < (6, 1):
        pytest.skip("jdatetime before 6.1 writes midnight's hour as 00 under %I")
    first = jdatetime.date(1300, 1, 1).togregorian()
    days = (jdatetime.date(1451, 1, 1).togregorian() - first).days
    rng = np.random.default_rng(1300)
    micros = rng.integers(0, DAY_US, days)
    micros[::3] = rng.choice(EDGE_TIMES, len(micros[::3]))
    stamps = (np.datetime64(first, "us") + np.arange(days).astype("timedelta64[D]")
              + micros.astype("timedelta64[us]"))
    series = pd.Series(stamps)
    # each day in one locale and one format, alternating so that every month, weekday and half
    # of the day meets both locales and both formats
    rows = np.arange(days)
    persian, by_day_of_year = rows % 2 == 1, rows // 2 % 2 == 0
    formats = np.where(by_day_of_year, WITH_DAY_OF_YEAR, WITHOUT_DAY_OF_YEAR)
    theirs = np.array([jdatetime.datetime.fromgregorian(datetime=when, locale="fa_IR" if fa else "en_US").strftime(f)
                       for when, fa, f in zip(stamps.astype(object), persian.tolist(), formats.tolist())], object)
    ours = np.empty(days, object)
    for fa in (False, True):
        for f in (WITH_DAY_OF_YEAR, WITHOUT_DAY_OF_YEAR):
            these = (persian == fa) & (formats == f)
            ours[these] = series[these].jalali.strftime(f, "fa" if fa else "en").to_numpy(object)
    wrong = np.flatnonzero(ours != theirs)
    assert not wrong.size, [(str(stamps[k]), ours[k], theirs[k]) for k in wrong[:5]]

    # jdatetime's text read back, by month and day, and by the day of the year
    for f, rows_of in ((WITH_DAY_OF_YEAR, by_day_of_year), (WITHOUT_DAY_OF_YEAR, ~by_day_of_year)):
        read = ap.to_datetime(theirs[rows_of], format=f)
        np.testing.assert_array_equal(read.to_numpy(), stamps[rows_of])

    # ours read by jdatetime: every eleventh day, in English, in Persian, and with Persian digits
    kinds = [("en", "latin"), ("fa", "latin"), ("fa", "persian")]
    written = [series.jalali.strftime(JDATETIME_READS, *kind).to_numpy(object) for kind in kinds]
    wrong = [(written[k % 3][k], str(stamps[k])) for k in rows[::11].tolist()
             if jdatetime.datetime.strptime(written[k % 3][k], JDATETIME_READS).togregorian()
             != stamps[k].astype(object)]
    assert not wrong, wrong[:5]


# Round trips -------------------------------------------------------------------------------------

# Esfand 30 of the leap years 1403 (astronomical) and 1404 (arithmetic), and the days and
# instants around them and around midnight, noon and the epoch; days of 1369 and 1468, the
# first and the last year that %y names.
EDGES = ["2025-03-20", "2025-03-20 23:59:59.999999", "2025-03-21", "2026-03-20 12:00",
         "2026-03-20 23:59:59.999999", "2026-03-21", "2024-03-19 11:59:59.999999", "2024-03-19 12:00",
         "1969-12-31 23:59:59.999999", "1970-01-01", "1900-01-01", "2099-12-31 23:59:59.999999",
         "1990-03-22", "2090-03-19 23:59:59.999999"]


def listed(column):
    """A column of text as a list, None where missing."""
    return [None if pd.isna(v) else v for v in column]


def sample(unit, zone=None, start="1900-01-01", stop="2100-01-01", n=240, seed=7):
    """Datetimes from `start` to `stop` at any time of day, with the edges among them, NaT in the
    first, a middle and the last row; with `zone`, the same instants there."""
    rng = np.random.default_rng(seed)
    low, high = (np.datetime64(d, "ns").astype(np.int64) for d in (start, stop))
    edges = pd.to_datetime(EDGES, format="ISO8601").as_unit("ns").asi8
    ticks = rng.integers(low, high, n)
    ticks[[0, n // 2, n - 1]] = np.iinfo(np.int64).min
    ticks = np.concatenate([ticks[:1], edges[(edges >= low) & (edges < high)], ticks[1:]])
    series = pd.Series(ticks.view("datetime64[ns]"), index=np.arange(len(ticks)) * 3 + 1, name="when")
    series = series.astype(f"datetime64[{unit}]")
    return series if zone is None else series.dt.tz_localize("UTC").dt.tz_convert(zone)


ROUND_TRIPS = [  # id, format, locale, digits, resolution, unit, zone, years
    ("date", "%Y/%m/%d", "en", "latin", "D", "s", None, None),
    ("date-unpadded", "%Y-%-m-%-d", "en", "latin", "D", "ms", None, None),
    ("percent-separated", "%%%Y%%%m%%%d%%", "en", "latin", "D", "us", None, None),
    ("date-time", "%Y-%m-%d %H:%M:%S", "en", "latin", "s", "ns", None, None),
    ("unpadded-time", "%Y/%m/%d %-H:%-M:%-S", "fa", "persian", "s", "us", None, None),
    ("names-en", "%A, %d %B %Y %H:%M", "en", "latin", "min", "us", None, None),
    ("names-fa", "%A %-d %B %Y ساعت %H:%M", "fa", "latin", "min", "us", None, None),
    ("names-fa-persian-digits", "%a %d %b %Y %H:%M:%S", "fa", "persian", "s", "us", None, None),
    ("abbreviations-en", "%a %d %b %Y", "en", "latin", "D", "us", None, None),
    ("day-of-year", "%Y %j", "en", "latin", "D", "s", None, None),
    ("day-of-year-persian", "%j/%Y", "fa", "persian", "D", "us", None, None),
    ("year-of-century", "%y%m%d", "en", "latin", "D", "us", None, ("1990-03-22", "2090-03-20")),
    ("hour-of-12-en", "%Y/%m/%d %I:%M:%S %p", "en", "latin", "s", "us", None, None),
    ("hour-of-12-fa", "%Y/%m/%d %-I:%M %p", "fa", "persian", "min", "ms", None, None),
    ("fraction", "%Y%m%dT%H%M%S.%f", "en", "latin", "us", "ns", None, None),
    ("offset", "%Y-%m-%dT%H:%M:%S%z", "en", "latin", "s", "us", "Asia/Tehran", ("1950-01-01", "2100-01-01")),
    ("offset-persian", "%Y/%m/%d %H:%M %z", "fa", "persian", "min", "s", "America/New_York", None),
    ("zone-name", "%Y-%m-%d %H:%M:%S.%f %Z", "en", "latin", "us", "us", "UTC", None),
]


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("format,locale,digits,resolution,unit,zone,years", [r[1:] for r in ROUND_TRIPS],
                         ids=[r[0] for r in ROUND_TRIPS])
def test_round_trips(calendar, format, locale, digits, resolution, unit, zone, years):
    series = sample(unit, zone, *(years or ()))
    text = getattr(series.jalali, calendar).strftime(format, locale, digits)
    assert text.isna().tolist() == series.isna().tolist()
    read = ap.to_datetime(text, format=format, calendar=calendar, unit=unit)
    expected = series if zone is None else series.dt.tz_convert("UTC")
    pd.testing.assert_series_equal(read, expected.dt.floor(resolution))


# Zones in which one offset went by two names (Moscow's +0400: MSD in the summers to 2010, MSK from
# 2011 to 2014), or of offsets of 45 minutes or half an hour of summer time; every one of them a
# whole number of minutes from 1950 on.
ZONES = ["Europe/Moscow", "Asia/Tehran", "Europe/London", "America/St_Johns", "Asia/Kathmandu", "Pacific/Chatham",
         "Australia/Lord_Howe"]


@pytest.mark.parametrize("format", ["%H:%M:%S.%f %z %Z", "%%Z %z %%z"])
@pytest.mark.parametrize("zone", ZONES)
def test_times_of_day_and_zones_as_pandas_writes_them(zone, format):
    """The time of day and the zone are the same in both calendars: pandas' own strftime says
    what they are."""
    # 1980 to 2037: pytz (pandas' zones on Python 3.8) has no summer time beyond 2037 where
    # polars' zones have, and older tz databases knew other offsets for Tehran in 1977-79
    series = sample("us", zone, "1980-01-01", "2037-01-01")
    expected = listed(series.dt.strftime(format))
    assert listed(series.jalali.strftime(format)) == expected
    arrow = series.astype(pd.ArrowDtype(pa.timestamp("us", zone)))
    assert listed(arrow.jalali.strftime(format)) == expected
    assert listed(pd.DatetimeIndex(series).jalali.strftime(format)) == expected
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    assert pl.from_pandas(series).jalali.strftime(format).to_list() == expected


@pytest.mark.parametrize("format,text,zoned", [
    ("%Y/%m/%d %z", "1402/12/29 +0330", True),
    ("%Y/%m/%d %Z", "1402/12/29 GMT", True),
    ("%Y/%m/%d %%z", "1402/12/29 %z", False),
    ("%Y/%m/%d %%Z", "1402/12/29 %Z", False),
    ("%Y/%m/%d %%-z", "1402/12/29 %-z", False),  # "%-z" itself is refused as no directive
])
def test_utc_exactly_where_the_format_reads_an_offset(format, text, zoned):
    read = ap.to_datetime([text], format=format)
    assert read.dtype == (pd.DatetimeTZDtype("us", "UTC") if zoned else np.dtype("datetime64[us]"))
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    dtype = pl.Datetime("us", "UTC" if zoned else None)
    assert pl.Series("t", [text]).jalali.to_datetime(format).dtype == dtype
    frame = pl.DataFrame({"t": [text]}).lazy().select(pl.col("t").jalali.to_datetime(format))
    assert frame.collect_schema()["t"] == dtype and frame.collect()["t"].dtype == dtype


# Messy text, in every kind of column ------------------------------------------------------------

LONG_SPACE = " " * 1100  # more than a row of NumPy text is read through at once
MESSY = [  # text, the Jalali date and time it names, or None
    ("1402/12/29", (1402, 12, 29)), ("1402-1-5", (1402, 1, 5)), ("14021229", (1402, 12, 29)),
    ("۱۴۰۲/۱۲/۲۹", (1402, 12, 29)), ("١٤٠٢/١٢/٢٩", (1402, 12, 29)), ("۱۴02/١٢/29", (1402, 12, 29)),
    ("1403-۰۱-٠١", (1403, 1, 1)), (" \t\u00a01402/12/29\u00a0\t ", (1402, 12, 29)),
    ("1402/12/29 10:30", (1402, 12, 29, 10, 30)), (" 1402-12-29 07:05:09 ", (1402, 12, 29, 7, 5, 9)),
    ("۱۴۰۲/۱۲/۲۹ ۱۰:۳۰:۵۹", (1402, 12, 29, 10, 30, 59)), ("1403/12/30T23:59", (1403, 12, 30, 23, 59)),
    (LONG_SPACE + "1402/12/29", (1402, 12, 29)), ("", None), ("   ", None), ("\u00a0\t", None), (None, None),
]
FORMATTED = {  # format: [(text, the Jalali date it names)]
    "%d %B %Y": [("29 اسفند 1402", (1402, 12, 29)), ("29 Esfand 1402", (1402, 12, 29)),
                 ("٢٩ esfand ۱۴۰۲", (1402, 12, 29)), (" 1  FARVARDIN 1403 ", (1403, 1, 1)),
                 ("1 فروردين 1403", (1403, 1, 1)), ("31 شهريور 1402", (1402, 6, 31)), ("5 Far 1403", (1403, 1, 5))],
    "%A %d %B %Y": [("سه‌شنبه 29 اسفند 1402", (1402, 12, 29)), ("سهشنبه 29 اسفند 1402", (1402, 12, 29)),
                    ("سه شنبه 29 اسفند 1402", (1402, 12, 29)), ("يكشنبه 27 اسفند 1402", (1402, 12, 27)),
                    ("یک‌شنبه 27 اسفند 1402", (1402, 12, 27)), ("پنجشنبه 24 اسفند 1402", (1402, 12, 24)),
                    ("tuesday 29 esfand 1402", (1402, 12, 29)), ("Tue 29 Esf 1402", (1402, 12, 29)), (None, None)],
}
# Refused in every kind of column: at position 1, after a date.
REFUSED = ["1402/13/01", "1402/12/30", "not a date", "1402/12/29" + LONG_SPACE + "x"]


def arrow_sliced(texts):
    """An Arrow-backed Series of two chunks whose rows begin three into the first."""
    chunks = pa.chunked_array([pa.array(["x", None, "y"] + texts[:1], pa.string()), pa.array(texts[1:], pa.string())])
    return pd.Series(pd.arrays.ArrowExtensionArray(chunks)).iloc[3:]


BACKENDS = {  # how each kind of column is made from texts, None where missing
    "object-none": lambda t: pd.Series(t, dtype=object),
    "object-nan": lambda t: pd.Series([np.nan if v is None else v for v in t], dtype=object),
    "object-na": lambda t: pd.Series([pd.NA if v is None else v for v in t], dtype=object),
    "str": lambda t: pd.Series(t, dtype="str"),
    "string-python": lambda t: pd.Series(t, dtype="string[python]"),
    "string-pyarrow": lambda t: pd.Series(t, dtype="string[pyarrow]"),
    "arrow-string": lambda t: pd.Series(t, dtype=pd.ArrowDtype(pa.string())),
    "arrow-large-string": lambda t: pd.Series(t, dtype=pd.ArrowDtype(pa.large_string())),
    "arrow-string-view": lambda t: pd.Series(t, dtype=pd.ArrowDtype(pa.string_view())),
    "arrow-sliced-chunks": arrow_sliced,
    "numpy-unicode": lambda t: np.array(["" if v is None else v for v in t], dtype=str),
    "numpy-stringdtype": lambda t: np.array(t, dtype=np.dtypes.StringDType(na_object=None)),
    "list": list,
    "index": lambda t: pd.Index(t, dtype=object, name="texts"),
    "named-series": lambda t: pd.Series(t, index=[f"r{i}" for i in range(len(t))], name="texts", dtype=object),
    "polars": None,
    "polars-expression": None,
}
if not hasattr(pa, "string_view"):
    del BACKENDS["arrow-string-view"]
if not hasattr(getattr(np, "dtypes", None), "StringDType"):
    del BACKENDS["numpy-stringdtype"]


def compute_error():
    import polars as pl
    return pl.exceptions.ComputeError


def read_with(backend, texts, **options):
    """to_datetime of `texts` in the column kind `backend`: the datetimes as a list of
    Timestamps and NaT, and the result itself."""
    if backend.startswith("polars"):
        pl = pytest.importorskip("polars")
        pytest.importorskip("algorithms_c_polars")
        strict = {"strict": options.pop("errors", "raise") == "raise"}
        column = pl.Series("texts", texts, dtype=pl.String)
        if backend == "polars":
            result = column.jalali.to_datetime(strict=strict["strict"], **options)
        else:
            result = pl.DataFrame([column]).select(pl.col("texts").jalali.to_datetime(**strict, **options))["texts"]
        assert result.dtype == pl.Datetime("us") and result.name == "texts"
        return [pd.NaT if v is None else pd.Timestamp(v) for v in result.to_list()], result
    result = ap.to_datetime(BACKENDS[backend](texts), **options)
    return list(pd.DatetimeIndex(result)), result


@pytest.mark.parametrize("backend", BACKENDS)
def test_messy_text_in_every_kind_of_column(backend):
    texts, dates = zip(*MESSY)
    got, result = read_with(backend, list(texts))
    assert got == [pd.NaT if d is None else jalali(*d) for d in dates]
    if backend == "named-series":
        assert result.name == "texts" and result.index.tolist() == [f"r{i}" for i in range(len(texts))]
    if backend == "index":
        assert isinstance(result, pd.DatetimeIndex) and result.name == "texts"
    for format, rows in FORMATTED.items():
        texts, dates = zip(*rows)
        got, _ = read_with(backend, list(texts), format=format)
        assert got == [pd.NaT if d is None else jalali(*d) for d in dates], format
    for bad in REFUSED:
        got, _ = read_with(backend, ["1402/12/29", bad, None], errors="coerce")
        assert got == [jalali(1402, 12, 29), pd.NaT, pd.NaT], bad
        # polars before 1.10 or so hands an expression's error on as its own ComputeError
        refusal = ValueError if backend != "polars-expression" else (ValueError, compute_error())
        with pytest.raises(refusal, match="position 1"):
            read_with(backend, ["1402/12/29", bad, None])


# Refused text ------------------------------------------------------------------------------------

# A text read beside each refused one, and the Jalali date it names.
PLAIN = ("1402/12/29", (1402, 12, 29))
REFUSALS = [  # id, the text refused, a text read, the format, calendar, unit, what the message says
    ("month-13", "1402/13/01", PLAIN, None, "astronomical", "us", r"month outside 1 to 12"),
    ("month-0-eight-digits", "14020010", PLAIN, None, "astronomical", "us", r"month outside 1 to 12"),
    ("day-32", "1402/01/32", PLAIN, None, "astronomical", "us", r"day beyond"),
    ("day-31-of-mehr", "1402/07/31", PLAIN, None, "astronomical", "us", r"day beyond"),
    ("esfand-30-common", "1402/12/30", PLAIN, None, "astronomical", "us", r"day beyond"),
    ("esfand-30-1403-arithmetic", "1403/12/30", PLAIN, None, "arithmetic", "us", r"day beyond"),
    ("esfand-30-1404-astronomical", "1404/12/30", PLAIN, None, "astronomical", "us", r"day beyond"),
    ("year-after-9378", "9379/01/01", PLAIN, None, "astronomical", "us", r"-622 to 9378"),
    ("before-ns", "1000/01/01", PLAIN, None, "astronomical", "ns", r"range of datetime64\[ns\]"),
    ("after-ns", "1641/01/22 23:47:17", PLAIN, None, "astronomical", "ns", r"range of datetime64\[ns\]"),
    ("hour-24", "1402/01/01 24:00", PLAIN, None, "astronomical", "s", r"time of day"),
    ("minute-60", "1402/01/01 12:60", PLAIN, None, "astronomical", "us", r"time of day"),
    ("garbage", "hello", PLAIN, None, "astronomical", "ms", r"YYYY/MM/DD"),
    ("no-day", "1402/1/", PLAIN, None, "astronomical", "us", r"YYYY/MM/DD"),
    ("trailing", "1402/01/01x", PLAIN, None, "arithmetic", "us", r"YYYY/MM/DD"),
    ("two-digit-year", "02/01/01", PLAIN, None, "astronomical", "us", r"YYYY/MM/DD"),
    ("dots", "1402.01.01", PLAIN, None, "astronomical", "us", r"YYYY/MM/DD"),
    ("mixed-separators", "1402/12-29", PLAIN, None, "astronomical", "us", r"YYYY/MM/DD"),
    ("not-the-format", "1402/12/29", ("29 Esfand 1402", (1402, 12, 29)), "%d %B %Y", "astronomical", "us",
     r"does not match"),
    ("no-such-month", "29 Esfandx 1402", ("29 Esfand 1402", (1402, 12, 29)), "%d %B %Y", "astronomical", "us",
     r"does not match"),
    ("other-separator", "1402-12-29", PLAIN, "%Y/%m/%d", "astronomical", "us", r"does not match"),
    ("more-than-the-format", "1402/12/29 10:30", PLAIN, "%Y/%m/%d", "astronomical", "us", r"does not match"),
    ("day-366-common", "1402 366", ("1403 366", (1403, 12, 30)), "%Y %j", "astronomical", "us", r"day beyond"),
    ("day-367", "1403 367", ("1403 366", (1403, 12, 30)), "%Y %j", "astronomical", "us", r"day beyond"),
    ("hour-13-of-12", "13:00 PM 1402/01/01", ("12:30 AM 1402/12/29", (1402, 12, 29, 0, 30)), "%I:%M %p %Y/%m/%d",
     "astronomical", "us", r"time of day"),
    ("offset-24-hours", "1402/01/01 +2400", ("1402/12/29 +0330", (1402, 12, 28, 20, 30)), "%Y/%m/%d %z",
     "astronomical", "us", r"offset"),
    ("unknown-zone", "1402/01/01 CET", ("1402/12/29 UTC", (1402, 12, 29)), "%Y/%m/%d %Z", "astronomical", "us",
     r"does not match"),
    ("day-0", "1402/01/00", PLAIN, None, "astronomical", "us", r"day beyond"),
    ("day-0-by-format", "1402/01/00", PLAIN, "%Y/%m/%d", "astronomical", "us", r"day beyond"),
    ("day-0-named", "00 Esfand 1402", ("29 Esfand 1402", (1402, 12, 29)), "%d %B %Y", "astronomical", "us",
     r"day beyond"),
    ("day-of-year-000", "1403 000", ("1403 366", (1403, 12, 30)), "%Y %j", "astronomical", "us", r"day beyond"),
    ("hour-00-of-12", "00:30 AM 1402/01/01", ("12:30 AM 1402/12/29", (1402, 12, 29, 0, 30)), "%I:%M %p %Y/%m/%d",
     "astronomical", "us", r"time of day"),
    ("hour-00-of-12-without-half", "1402/01/01 00:30", ("1402/12/29 12:30", (1402, 12, 29, 0, 30)),
     "%Y/%m/%d %I:%M", "astronomical", "us", r"time of day"),
]


@pytest.mark.parametrize("bad,good,format,calendar,unit,reason", [r[1:] for r in REFUSALS],
                         ids=[r[0] for r in REFUSALS])
def test_refused_text(bad, good, format, calendar, unit, reason):
    good, date = good
    expected = jalali(*date)
    column = [good, None, bad, good]
    options = {"format": format, "calendar": calendar, "unit": unit}
    message = f"position 2, {re.escape(repr(bad))}, .*{reason}"
    with pytest.raises(ValueError, match=message):
        ap.to_datetime(pd.Series(column, dtype=object), **options)
    coerced = ap.to_datetime(pd.Series(column, dtype="string[pyarrow]"), errors="coerce", **options)
    stamps = coerced if coerced.dt.tz is None else coerced.dt.tz_convert(None)
    assert stamps.tolist() == [expected, pd.NaT, pd.NaT, expected]
    if unit != "s":  # polars has no seconds
        pl = pytest.importorskip("polars")
        pytest.importorskip("algorithms_c_polars")
        series = pl.Series("t", column, dtype=pl.String)
        with pytest.raises(ValueError, match=message):
            getattr(series.jalali, calendar).to_datetime(format, strict=True, time_unit=unit)
        lenient = getattr(series.jalali, calendar).to_datetime(format, strict=False, time_unit=unit)
        assert [None if v is None else pd.Timestamp(v).tz_localize(None) for v in lenient.to_list()] == \
            [expected, None, None, expected]


def test_esfand_30_where_the_calendars_differ():
    """1403/12/30 (2025-03-20) is a day of the astronomical calendar only, 1404/12/30 (2026-03-20)
    of the arithmetic one: written and read in each."""
    days = pd.Series(pd.to_datetime(["2025-03-20", "2026-03-20"]))
    assert days.jalali.strftime("%Y/%m/%d").tolist() == ["1403/12/30", "1404/12/29"]
    assert days.jalali.arithmetic.strftime("%Y/%m/%d").tolist() == ["1404/01/01", "1404/12/30"]
    both = ["1403/12/30", "1404/12/30"]
    assert ap.to_datetime(both, errors="coerce").tolist() == [days[0], pd.NaT]
    assert ap.to_datetime(both, errors="coerce", calendar="arithmetic").tolist() == [pd.NaT, days[1]]


# Fuzzing ---------------------------------------------------------------------------------------

DIRECTIVES = ["%Y", "%y", "%m", "%-m", "%d", "%-d", "%j", "%-j", "%B", "%b", "%A", "%a", "%w", "%H", "%-H", "%I",
              "%-I", "%p", "%M", "%-M", "%S", "%-S", "%f", "%z", "%Z", "%%", "%", "%-", "%q"]
PIECES = "0123456789۰۱۲۳۴۵۶۷۸۹٠١٢٣٤٥٦٧٨٩/-:.+ T\t\u00a0\u200cZzيكیکاسفندشنبهEsfandFarMonPMAM"
FORMATS = st.lists(st.one_of(st.sampled_from(DIRECTIVES), st.text(st.sampled_from(" /-:.T،ساعت"), max_size=2)),
                   max_size=8).map("".join)
DIGIT = "[0-9۰-۹٠-٩]"
TEXTS = st.one_of(
    st.none(),
    st.from_regex(f"[ \\t\u00a0]*{DIGIT}{{4}}[/-]{DIGIT}{{1,2}}[/-]{DIGIT}{{1,2}}(?:[ T]{DIGIT}{{1,2}}:{DIGIT}{{2}}"
                  f"(?::{DIGIT}{{2}})?)?[ \\t]*", fullmatch=True),
    st.text(st.one_of(st.characters(codec="utf-8"), st.sampled_from(PIECES)), max_size=30),
    st.tuples(st.binary(max_size=30), st.sampled_from(["surrogateescape", "replace"])).map(
        lambda b: b[0].decode("utf-8", b[1])),
)


# Formats to read by: most name a year, which a format to read by needs.
READ_FORMATS = st.tuples(st.sampled_from(["%Y ", "%y ", "%Y", ""]), FORMATS).map("".join)
# Each directive, as Python's re reads a format from the left; a "%" that begins none is stray.
KNOWN = re.compile(r"%(?:%|-[mdjHIMS]|[YymdjBbAawHIpMSfzZ])|%")


def refused_format(format):
    """Whether a format is refused for reading: it holds a stray "%", or names no year."""
    found = [m.group() for m in KNOWN.finditer(format)]
    return "%" in found or not ({"%Y", "%y"} & set(found))


@settings(max_examples=100)
@given(texts=st.lists(TEXTS, max_size=6), format=st.one_of(st.none(), READ_FORMATS),
       calendar=st.sampled_from(CALENDARS), unit=st.sampled_from(UNITS))
def test_any_text_is_read_or_refused(texts, format, calendar, unit):
    options = {"format": format, "calendar": calendar, "unit": unit}
    if format is not None and refused_format(format):
        for errors in ("raise", "coerce"):
            with pytest.raises(ValueError, match="^the format "):
                ap.to_datetime(texts, errors=errors, **options)
        return
    coerced = ap.to_datetime(texts, errors="coerce", **options)
    zoned = format is not None and re.search("%[zZ]", format.replace("%%", ""))
    assert coerced.dtype == (pd.DatetimeTZDtype(unit, "UTC") if zoned else np.dtype(f"datetime64[{unit}]"))
    assert len(coerced) == len(texts) and all(coerced[k] is pd.NaT for k, t in enumerate(texts) if t is None)
    try:
        raised = ap.to_datetime(texts, errors="raise", **options)
    except ValueError as error:
        named = re.search(r"position (\d+)", str(error))
        assert named, repr(error)
        at = int(named.group(1))
        assert texts[at] is not None and coerced[at] is pd.NaT
    else:
        assert raised.equals(coerced)
    # the same text held as Python objects, by NumPy and by Arrow is read the same
    objects = ap.to_datetime(pd.Series(texts, dtype=object), errors="coerce", **options)
    assert objects.tolist() == coerced.tolist()
    unicode = np.array(["" if t is None else t for t in texts], dtype=str) if texts else np.array([], "U1")
    held = ap.to_datetime(unicode, errors="coerce", **options)
    assert held.tolist() == ap.to_datetime(pd.Series(unicode.tolist(), dtype=object), errors="coerce",
                                           **options).tolist()
    if not any(t is not None and re.search("[\ud800-\udfff]", t) for t in texts):
        arrow = ap.to_datetime(pd.Series(texts, dtype="string[pyarrow]"), errors="coerce", **options)
        assert arrow.tolist() == coerced.tolist()


# Days from 0001-01-01 to 9999-12-31, within the astronomical calendar's years.
FIRST_DAY, LAST_DAY = -719_162, 2_932_896
PER_DAY = {"s": 86_400, "ms": 86_400_000, "us": DAY_US, "ns": DAY_US * 1000}


@st.composite
def datetimes(draw):
    unit = draw(st.sampled_from(UNITS))
    if unit == "ns":
        bounds = (np.iinfo(np.int64).min + 1, np.iinfo(np.int64).max)
    else:
        bounds = (FIRST_DAY * PER_DAY[unit], (LAST_DAY + 1) * PER_DAY[unit] - 1)
    ticks = draw(st.lists(st.one_of(st.none(), st.integers(*bounds)), max_size=6))
    values = np.array([np.iinfo(np.int64).min if t is None else t for t in ticks], np.int64)
    return pd.Series(values.view(f"datetime64[{unit}]"))


@settings(max_examples=100)
@given(series=datetimes(), format=FORMATS, calendar=st.sampled_from(CALENDARS), locale=st.sampled_from(["en", "fa"]),
       zone=st.sampled_from([None, "UTC", "Asia/Tehran", "America/St_Johns"]))
def test_any_datetime_is_written(series, format, calendar, locale, zone):
    if zone is not None:  # within the years that time zone rules reach
        series = series.where((series > pd.Timestamp("1900-01-01")) & (series < pd.Timestamp("2100-01-01")))
        series = series.dt.tz_localize("UTC").dt.tz_convert(zone)
    accessor = getattr(series.jalali, calendar)
    latin = accessor.strftime(format, locale, "latin")
    persian = accessor.strftime(format, locale, "persian")
    assert latin.isna().tolist() == persian.isna().tolist() == series.isna().tolist()
    assert persian.dropna().tolist() == [t.translate(TO_PERSIAN) for t in latin.dropna()]
    assert not any(re.search("[0-9]", t) for t in persian.dropna())


# Types and containers ----------------------------------------------------------------------------

MONTHS = {"en": ["Farvardin", "Ordibehesht", "Khordad", "Tir", "Mordad", "Shahrivar", "Mehr", "Aban", "Azar", "Dey",
                 "Bahman", "Esfand"],
          "fa": ["فروردین", "اردیبهشت", "خرداد", "تیر", "مرداد", "شهریور", "مهر", "آبان", "آذر", "دی", "بهمن",
                 "اسفند"]}
WEEKDAYS = {"en": ["Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"],
            "fa": ["شنبه", "یک\u200cشنبه", "دوشنبه", "سه\u200cشنبه", "چهارشنبه", "پنج\u200cشنبه", "جمعه"]}


def test_strftime_containers_and_names():
    # the first of each month of 1403, then a week from Saturday 1403/01/04, then NaT
    days = [jalali(1403, m, 1) for m in range(1, 13)] + [jalali(1403, 1, 4 + k, 13, 5) for k in range(7)]
    series = pd.Series(days + [pd.NaT], index=range(100, 120), name="when")
    for locale in ("en", "fa"):
        assert series.jalali.month_name(locale).tolist()[:12] == MONTHS[locale]
        assert series.jalali.day_name(locale).tolist()[12:] == WEEKDAYS[locale] + [pd.NA]
    text = series.jalali.strftime("%Y/%m/%d %H:%M")
    assert text.dtype == pd.StringDtype("pyarrow")
    assert text.index.equals(series.index) and text.name == "when" and text.iloc[-1] is pd.NA
    assert text.iloc[12] == "1403/01/04 13:05"
    index = pd.DatetimeIndex(series, name="when").jalali.strftime("%Y/%m/%d %H:%M")
    assert type(index) is pd.Index and index.dtype == text.dtype and index.name == "when"
    assert index.tolist() == text.tolist()

    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    column = pl.from_pandas(series.reset_index(drop=True))
    written = column.jalali.strftime("%Y/%m/%d %H:%M")
    assert written.dtype == pl.String and written.name == "when"
    assert written.to_list() == text.tolist()[:-1] + [None]
    frame = pl.DataFrame([column]).select(pl.col("when").jalali.day_name("fa"),
                                          pl.col("when").jalali.month_name().alias("m"))
    assert frame.schema == {"when": pl.String, "m": pl.String}
    assert frame["when"].to_list()[12:] == WEEKDAYS["fa"] + [None]
    assert frame["m"].to_list()[:12] == MONTHS["en"]

    dd = pytest.importorskip("dask.dataframe")
    dask = pytest.importorskip("dask")
    lazy = dd.from_pandas(series, npartitions=3)
    with dask.config.set(scheduler="sync"):
        for args in (("%A %-d %B %Y", "fa", "persian"), ("%Y/%m/%d %I:%M %p", "en", "latin")):
            pd.testing.assert_series_equal(lazy.jalali.strftime(*args).compute(), series.jalali.strftime(*args))
        pd.testing.assert_series_equal(lazy.jalali.arithmetic.month_name("fa").compute(),
                                       series.jalali.arithmetic.month_name("fa"))


@pytest.mark.parametrize("call,error", [
    (lambda s: s.jalali.strftime("%Y", locale="de"), ValueError),
    (lambda s: s.jalali.strftime("%Y", digits="arabic"), ValueError),
    (lambda s: s.jalali.strftime(b"%Y"), TypeError),
    (lambda s: s.jalali.strftime("%Y" * 300), ValueError),
    (lambda s: ap.to_datetime(["1402/01/01"], errors="ignore"), ValueError),
    (lambda s: ap.to_datetime(["1402/01/01"], unit="D"), ValueError),
    (lambda s: ap.to_datetime(["1402/01/01"], calendar="gregorian"), ValueError),
    (lambda s: ap.to_datetime(["1402/01/01"], format=1), TypeError),
    (lambda s: ap.to_datetime(pd.Series([1.5, 2.5])), TypeError),
    (lambda s: ap.to_datetime(1402), TypeError),
    (lambda s: ap.to_datetime(None), TypeError),
])
def test_arguments_refused(call, error):
    with pytest.raises(error):
        call(pd.Series(pd.to_datetime(["2024-03-19"])))


LOCALE_CHOICES, DIGIT_CHOICES = '"en", "fa", "fa-AF" or "ps"', '"latin" or "persian"'


@pytest.mark.parametrize("call,error,message", [
    (lambda s: s.jalali.strftime("%Y", locale="de"), ValueError, f"locale must be {LOCALE_CHOICES}, not 'de'"),
    (lambda s: s.jalali.month_name(None), ValueError, f"locale must be {LOCALE_CHOICES}, not None"),
    (lambda s: s.jalali.strftime("%Y", "fa", "arabic"), ValueError, f"digits must be {DIGIT_CHOICES}, not 'arabic'"),
    (lambda s: s.jalali.strftime("%Y", digits=2), ValueError, f"digits must be {DIGIT_CHOICES}, not 2"),
    (lambda s: s.jalali.strftime(b"%Y"), TypeError, "the format must be a string, not bytes"),
    (lambda s: ap.to_datetime(["1402/01/01"], errors="ignore"), ValueError,
     "errors must be \"raise\" or \"coerce\", not 'ignore'"),
    (lambda s: ap.to_datetime(["1402/01/01"], errors=None), ValueError,
     "errors must be \"raise\" or \"coerce\", not None"),
    (lambda s: ap.to_datetime(["1402/01/01"], format=1), TypeError, "the format must be a string, not int"),
    (lambda s: ap.to_datetime(np.array(["1402/01/01"]), format=b"%Y"), TypeError,
     "the format must be a string, not bytes"),
    (lambda s: ap.to_datetime(["1402/01/01"], unit="D"), ValueError,
     "unit must be \"s\", \"ms\", \"us\" or \"ns\", not 'D'"),
])
def test_arguments_refused_naming_them(call, error, message):
    """Each refused argument is named with its value, by whichever side checks it."""
    with pytest.raises(error, match=f"^{re.escape(message)}$"):
        call(pd.Series(pd.to_datetime(["2024-03-19"])))


@pytest.mark.parametrize("kind", ["python", "unicode", "arrow"])
@pytest.mark.parametrize("length", [0, 1, 5, 64])
def test_a_mask_of_another_length_is_refused_before_it_is_read(kind, length):
    """The mask of the missing rows must be as long as the strings, and is checked before any row
    is looked at: a short mask whose rows are read past its end would take cells that are not text
    (here, numbers) for rows present or missing by whatever lies beyond it."""
    an = pytest.importorskip("algorithms_c_numpy")
    cells = {"python": np.array(list(range(32)), dtype=object), "unicode": np.array(["1404/13/01"] * 32),
             "arrow": pa.array(["1404/13/01"] * 32)}[kind]
    frames = pytest.importorskip("_algorithms_c_frames")
    strings = frames.text_arguments(cells)[0] if kind == "arrow" else cells
    with pytest.raises(ValueError, match="^the mask must be as long as the strings$"):
        an._jalali_strptime(strings, 86_400, "astronomical", mask=np.ones(length, bool))


REFUSED_AMONG_WIDER = ["1404/01/05 10:30:15", "\u06f1\u06f4\u06f0\u06f4/13/01", "1404/01/06"]


@pytest.mark.parametrize("held", [list, np.array, lambda t: pd.Series(t, dtype="string[pyarrow]"),
                                  lambda t: pd.Series(t, dtype="string[python]")],
                         ids=["python", "unicode", "arrow", "string-python"])
def test_the_refused_row_quoted_from_each_kind_of_column(held):
    """The message quotes the refused row as it was given, whichever kind of column held it: a
    row of fixed-width Unicode without its padding, one of Arrow's as its own bytes decode."""
    reason = "has a month outside 1 to 12"
    quoted = re.escape(repr(REFUSED_AMONG_WIDER[1]))
    with pytest.raises(ValueError, match=f"^the text at position 1, {quoted}, {reason}$"):
        ap.to_datetime(held(REFUSED_AMONG_WIDER))


def test_one_text_gives_one_timestamp():
    assert ap.to_datetime("۱۴۰۴/۰۱/۰۱ 12:30") == pd.Timestamp("2025-03-21 12:30")
    assert ap.to_datetime("1404 +0330", format="%Y %z") == pd.Timestamp("2025-03-20 20:30", tz="UTC")
    assert ap.to_datetime(" ") is pd.NaT and ap.to_datetime("1403/12/30", errors="coerce", calendar="arithmetic") is pd.NaT
    with pytest.raises(ValueError, match="^the text at position 0, '1403/12/30', has a day beyond its month"):
        ap.to_datetime("1403/12/30", calendar="arithmetic")


def test_years_of_any_width_and_the_date_that_text_names_with_its_offset():
    """%Y is written unpadded, as jdatetime writes it, and read back whatever its width or sign;
    polars' to_date gives the date the text names, not the UTC date of its instant."""
    stamps = pd.Series(np.array(["0001-01-01", "0700-05-01", "1620-12-31", "2020-01-01"], "datetime64[s]"))
    for calendar in ("astronomical", "arithmetic"):
        text = getattr(stamps.jalali, calendar).strftime("%Y/%m/%d")
        assert text.tolist()[:2] == (["-622/10/11", "79/02/11"] if calendar == "astronomical" else text.tolist()[:2])
        assert ap.to_datetime(text, format="%Y/%m/%d", unit="s", calendar=calendar).tolist() == stamps.tolist()
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    text = pl.Series(["1404/01/01 01:00 +03:30", "1403/12/30 23:00 -05:00"])
    assert [d.isoformat() for d in text.jalali.to_date("%Y/%m/%d %H:%M %z").to_list()] == ["2025-03-21", "2025-03-20"]
    instants = text.jalali.to_datetime("%Y/%m/%d %H:%M %z").to_list()
    assert [i.isoformat() for i in instants] == ["2025-03-20T21:30:00+00:00", "2025-03-21T04:00:00+00:00"]


# The text reader's rules ----------------------------------------------------------------------

def python_hour_of_12(text):
    """The hour that Python's own strptime reads from "HH:MM" by %I, without %p."""
    import datetime
    return datetime.datetime.strptime(text, "%I:%M").hour


# text, format, the Jalali date and time it names
RULES = [
    ("1404 1", "%Y %-j", (1404, 1, 1)),
    ("1404 005", "%Y %-j", (1404, 1, 5)),
    ("1403 366", "%Y %-j", (1403, 12, 30)),
    *[(f"1404/01/05 {h}:30", "%Y/%m/%d %I:%M", (1404, 1, 5, python_hour_of_12(f"{h}:30"), 30))
      for h in ("1", "05", "11", "12")],
    ("5 \u062f\u0649 1403", "%d %B %Y", (1403, 10, 5)),                      # دى, with the alef maksura
    ("1 \u0641\u0631\u0648\u0631\u062f\u0649\u0646 1404", "%d %B %Y", (1404, 1, 1)),  # فروردىن
    ("\u0661\u0664\u0660\u0662/\u0661\u0662/\u0662\u0660", None, (1402, 12, 20)),     # ending in ٠
    ("\u0661\u0664\u0660\u0662/\u0661\u0662/\u0662\u0660", "%Y/%m/%d", (1402, 12, 20)),
    ("\u06f1\u06f4\u06f0\u06f2/\u06f1\u06f2/\u06f2\u06f0", "%Y/%m/%d", (1402, 12, 20)),
    ("\u0661\u0664\u0660\u0662/\u0661\u0662/\u0662\u0660 \u0661\u0660:\u0663\u0660", None,
     (1402, 12, 20, 10, 30)),
]


@pytest.mark.parametrize("text,format,named", RULES)
def test_rules_of_reading(text, format, named):
    expected = jalali(*named)
    assert ap.to_datetime([text, None], format=format).tolist() == [expected, pd.NaT]
    assert ap.to_datetime(np.array([text]), format=format).tolist() == [expected]
    assert ap.to_datetime(pd.Series([text], dtype="string[pyarrow]"), format=format).tolist() == [expected]


def test_unpadded_day_of_year_and_half_of_day_alone_are_written():
    """%-j writes the day of the year unpadded; %p alone writes AM or PM by the time of day."""
    jdatetime = pytest.importorskip("jdatetime")
    stamps = pd.Series([pd.Timestamp(t) for t in ["2025-03-21 00:00", "2025-03-25 11:59:59", "2025-12-21 12:00",
                                                  "2026-03-20 23:59"]])
    expected_days = [str(int(jdatetime.datetime.fromgregorian(datetime=t).strftime("%j"))) for t in stamps]
    assert stamps.jalali.strftime("%-j").tolist() == expected_days
    assert stamps.jalali.strftime("%p").tolist() == [t.to_pydatetime().strftime("%p") for t in stamps]
    written = stamps.jalali.strftime("%Y %-j %H:%M")
    assert ap.to_datetime(written, format="%Y %-j %H:%M").tolist() == stamps.dt.floor("min").tolist()


@pytest.mark.parametrize("format", [None, "%Y/%m/%d"])
def test_a_row_cut_inside_a_character_is_refused_without_reading_past_it(format):
    """A row ending in the first byte of a Persian digit, followed in Arrow's data by the byte that
    would complete it as ۰: the row is refused, not read as 1404/01/10 (a read past its end, which
    here lands in the next row, is what the fuzzer finds under AddressSanitizer)."""
    frames = pytest.importorskip("_algorithms_c_frames")
    data = "1404/01/1\u06f0".encode()  # 1404/01/1 then DB B0
    for offsets_type in (pa.int32(), pa.int64()):
        offsets = np.array([0, len(data) - 1, len(data)], offsets_type.to_pandas_dtype())
        strings = pa.Array.from_buffers(pa.string() if offsets_type == pa.int32() else pa.large_string(), 2,
                                        [None, pa.py_buffer(offsets), pa.py_buffer(data)])
        ticks, _ = frames.strptime(strings, "astronomical", format, "coerce", "us")
        assert ticks.tolist() == [np.iinfo(np.int64).min] * 2
        with pytest.raises(ValueError, match="^the text at position 0, '1404/01/1\ufffd', "):
            frames.strptime(strings, "astronomical", format, "raise", "us")


HALVES = [  # text of a half of the day, 0 before noon and 1 after
    ("AM", 0), ("pm", 1), ("Pm", 1), ("a.m.", 0), ("P.M.", 1), ("p.m", 1), ("am.", 0),
    ("\u0642\u0628\u0644 \u0627\u0632 \u0638\u0647\u0631", 0),            # قبل از ظهر
    ("\u0628\u0639\u062f \u0627\u0632 \u0638\u0647\u0631", 1),            # بعد از ظهر
    ("\u0642\u0628\u0644\u0627\u0632\u0638\u0647\u0631", 0),              # قبلازظهر
    ("\u0628\u0639\u062f\u0627\u0632\u0638\u0647\u0631", 1),              # بعدازظهر
    ("\u0642\u0628\u0644\u200c\u0627\u0632\u0638\u0647\u0631", 0),        # قبل‌ازظهر
    ("\u0628\u0639\u062f\u200c\u0627\u0632\u200c\u0638\u0647\u0631", 1),  # بعد‌از‌ظهر
    ("\u0642.\u0638", 0), ("\u0628.\u0638", 1),                                # ق.ظ, ب.ظ
    ("\u0642\u0638", 0), ("\u0628\u0638", 1), ("\u0628.\u0638.", 1),         # قظ, بظ, ب.ظ.
]


@pytest.mark.parametrize("half,after_noon", HALVES)
@pytest.mark.parametrize("hour", ["12", "5"])
def test_every_written_form_of_the_half_of_the_day(half, after_noon, hour):
    expected_hour = int(hour) % 12 + 12 * after_noon
    texts = [f"1404/01/05 {hour}:30 {half}", f"{half} {hour}:30 1404/01/05"]
    formats = ["%Y/%m/%d %I:%M %p", "%p %I:%M %Y/%m/%d"]
    for text, format in zip(texts, formats):
        assert ap.to_datetime([text], format=format).tolist() == [jalali(1404, 1, 5, expected_hour, 30)], text
    # a form with more after it is not taken for a shorter one
    assert ap.to_datetime([f"1404/01/05 {hour}:30 {half}x"], format=formats[0], errors="coerce").tolist() == [pd.NaT]


# Every invisible mark of direction that editors of right-to-left text put around a date.
MARKS = ["\u200e", "\u200f", "\u061c", "\u202a", "\u202b", "\u202c", "\u202d", "\u202e", "\u2066", "\u2067",
         "\u2068", "\u2069"]


@pytest.mark.parametrize("mark", MARKS)
def test_marks_of_direction_are_spaces(mark):
    date, time = "\u06f1\u06f4\u06f0\u06f4/\u06f0\u06f1/\u06f0\u06f5", "10:30"
    texts = [mark + date + mark, f"{mark}{mark} {date}{mark} {time}{mark}", f"{date}{mark}{time}", mark + mark]
    expected = [jalali(1404, 1, 5), jalali(1404, 1, 5, 10, 30), jalali(1404, 1, 5, 10, 30), pd.NaT]
    for held in (texts, np.array(texts), pd.Series(texts, dtype="string[pyarrow]")):
        assert ap.to_datetime(held).tolist() == expected
    named = [f"{mark}5 {mark}Farvardin{mark} 1404 {mark}{time}{mark}"]
    assert ap.to_datetime(named, format="%d %B %Y %H:%M").tolist() == [jalali(1404, 1, 5, 10, 30)]
    # where no space may stand, neither may a mark
    assert ap.to_datetime([f"1404/{mark}01/05"], errors="coerce").tolist() == [pd.NaT]


FORMAT_REFUSALS = [  # a format that no text is read by, and what the message says of it
    ("%m/%d", "names no year"), ("%d %B", "names no year"), ("%H:%M", "names no year"), ("", "names no year"),
    ("%j", "names no year"), ("%Y/%m/%d %Q", "holds '%Q', which is no directive"),
    ("%Y/%m/%d %-z", "holds '%-z'"), ("%Y/%m/%d %", "holds '%'"), ("%Y-%-", "holds '%-'"),
    ("%y %\u0633", "holds '%\u0633'"), ("%Y %%%q", "holds '%q'"), ("ISO8601", "ISO8601"),
]


@pytest.mark.parametrize("format,reason", FORMAT_REFUSALS)
def test_formats_refused_whatever_errors_says(format, reason):
    for errors in ("raise", "coerce"):
        with pytest.raises(ValueError, match=re.escape(reason)):
            ap.to_datetime(["1404/01/05", "5 Farvardin"], format=format, errors=errors)
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    for strict in (True, False):
        with pytest.raises((ValueError, compute_error()), match=re.escape(reason)):
            pl.Series("t", ["1404/01/05"]).jalali.to_date(format, strict=strict)


def test_mixed_reads_each_text_by_its_own_form():
    texts = ["1403/12/29", "1404-1-5", "14040105 10:30", "soon"]
    expected = [jalali(1403, 12, 29), jalali(1404, 1, 5), jalali(1404, 1, 5, 10, 30), pd.NaT]
    assert ap.to_datetime(texts, format="mixed", errors="coerce").tolist() == expected
    with pytest.raises(ValueError, match="position 3, 'soon', is not a date YYYY/MM/DD"):
        ap.to_datetime(texts, format="mixed")


CELLS = [5, 3.5, b"1404/01/05", ["1404/01/05"], pd.Timestamp("2025-03-25"), True]


@pytest.mark.parametrize("cell", CELLS, ids=[type(c).__name__ for c in CELLS])
def test_cells_that_are_not_text(cell):
    """A cell that is not text (a number in an object column, as files from spreadsheets hold) is no
    date: NaT where errors="coerce", and the TypeError naming it where errors="raise"."""
    column = pd.Series(["1404/01/05", cell, None, "1404/01/06"], dtype=object, index=list("abcd"))
    coerced = ap.to_datetime(column, errors="coerce")
    assert coerced.tolist() == [jalali(1404, 1, 5), pd.NaT, pd.NaT, jalali(1404, 1, 6)]
    assert coerced.index.tolist() == list("abcd")
    with pytest.raises(TypeError, match=f"^the value at position 1, {re.escape(repr(cell))}, is not text"):
        ap.to_datetime(column)


LONG = "1404/01/05" + "x" * 1_000_000


@pytest.mark.parametrize("held", ["object", "string[pyarrow]", "numpy", "not-text"])
@pytest.mark.parametrize("format", [None, "%Y/%m/%d"])
def test_a_long_cell_is_quoted_cut(held, format):
    """An error quotes at most 60 characters of a cell, and says it cut it."""
    column = {"object": lambda: pd.Series(["1404/01/05", LONG], dtype=object),
              "string[pyarrow]": lambda: pd.Series(["1404/01/05", LONG], dtype="string[pyarrow]"),
              "numpy": lambda: np.array(["1404/01/05", LONG[:2000]]),
              "not-text": lambda: pd.Series(["1404/01/05", list(range(10 ** 5))], dtype=object)}[held]()
    with pytest.raises((ValueError, TypeError)) as error:
        ap.to_datetime(column, format=format)
    message = str(error.value)
    assert len(message) < 250 and "\u2026" in message, message
    if held != "not-text":
        length = 2000 if held == "numpy" else len(LONG)
        assert f"the text at position 1, {LONG[:60]!r}\u2026 ({length} characters), " in message
    # sixty characters are quoted whole
    with pytest.raises(ValueError, match=f"^the text at position 0, {re.escape(repr(LONG[:60]))}, [a-z]"):
        ap.to_datetime([LONG[:60]], format=format)


@pytest.mark.parametrize("dtype", [pd.ArrowDtype(pa.string()), "string[pyarrow]", pd.ArrowDtype(pa.large_string())])
@pytest.mark.parametrize("rows", [slice(1, 3), slice(1, None), slice(3, None), slice(2, 4)])
def test_sliced_arrow_text(dtype, rows):
    texts = ["1404/01/01", "1404/01/02", None, "\u06f1\u06f4\u06f0\u06f4/\u06f0\u06f1/\u06f0\u06f4", "1404/01/05"]
    series = pd.Series(texts, dtype=dtype, index=list("abcde")).iloc[rows]
    read = ap.to_datetime(series)
    assert read.index.tolist() == list("abcde")[rows]
    assert read.tolist() == [pd.NaT if t is None else jalali(1404, 1, int(t[-1].translate(
        str.maketrans("\u06f0\u06f1\u06f2\u06f3\u06f4\u06f5", "012345")))) for t in texts[rows]]


FACT_FORMATS = ["%Y/%m/%d", "%Y-%m-%d", "%Y/%m-%d", "%Y %m %d", "%y/%m/%d", "%%Z %z", "%Z", "%-z %Y", "%p",
                "%d %B %Y %H:%M", "%A %I %p", "%f", "%%%%Y%%", "%Y/%m/%d %Q", "%-d %%H %-S"]


@pytest.mark.parametrize("format", FACT_FORMATS)
def test_what_a_format_holds(format):
    """The facts the native pattern gives the adapters, against Python's own reading of the format."""
    an = pytest.importorskip("algorithms_c_numpy")
    found = [m.group() for m in KNOWN.finditer(format)]
    plain = {f.replace("-", "") for f in found}
    facts = an._jalali_format(format)
    assert facts["time"] == bool(plain & {"%H", "%I", "%p", "%M", "%S", "%f"})
    assert facts["offset"] == ("%z" in plain) and facts["zone_name"] == ("%Z" in plain)
    assert facts["names"] == bool(plain & {"%B", "%b", "%A", "%a", "%p"})
    assert facts["year"] == bool(plain & {"%Y", "%y"})
    assert (facts["stray"] is not None) == ("%" in found)
    shape = re.fullmatch(r"%Y([^ %])%m\1%d", format)
    assert facts["date_separator"] == (shape.group(1) if shape else None)
