"""The Jalali functions in DuckDB's SQL, against the pandas accessor on the same values: every
function, every type of datetime (a TIMESTAMPTZ read in a zone that kept daylight saving time),
both calendars, with NULLs; refused values, registration, and random SQL that must never crash."""

import numpy as np
import pytest

duckdb = pytest.importorskip("duckdb")
pd = pytest.importorskip("pandas")
pytest.importorskip("pyarrow")
algorithms_c_duckdb = pytest.importorskip("algorithms_c_duckdb")
import algorithms_c_pandas  # noqa: E402

CALENDARS = ["astronomical", "arithmetic"]
# Each type, as the values of the table are cast to it. Tehran kept daylight saving time until
# 2022, its clocks going forward at midnight: a zone that skips local midnights.
KINDS = ["DATE", "TIMESTAMP_S", "TIMESTAMP_MS", "TIMESTAMP", "TIMESTAMP_NS", "TIMESTAMPTZ"]
ZONE = "Asia/Tehran"
ROWS = 3000
FIELDS = {"year": "year", "month": "month", "day": "day", "dayofyear": "day_of_year", "dayofweek": "day_of_week",
          "week": "week_of_year", "quarter": "quarter", "days_in_month": "days_in_month",
          "days_in_year": "days_in_year", "is_leap_year": "is_leap_year"}


def random_instants(rows, seed):
    """Random instants of 1900 to 2100 with a tenth missing, and a few at the edges of days and
    of Jalali years, as datetime64[ns]."""
    rng = np.random.default_rng(seed)
    first, last = (np.datetime64(d, "ns").astype(np.int64) for d in ("1900-01-01", "2100-12-31"))
    ticks = rng.integers(first, last, rows)
    edges = np.array(["2021-03-21T23:59:59.999999999", "2021-03-22", "1969-12-31T23:59:59.999999999",
                      "2025-03-20T12:00", "2025-03-21"], "datetime64[ns]").astype(np.int64)
    ticks[:len(edges)] = edges
    ticks[rng.random(rows) < 0.1] = np.iinfo(np.int64).min
    return ticks.view("datetime64[ns]")


def connect(calendar, prefix=""):
    con = duckdb.connect()
    con.execute(f"SET TimeZone = '{ZONE}'")
    con.execute("SET threads = 2")
    algorithms_c_duckdb.register(con, calendar, prefix=prefix)
    frame = pd.DataFrame({"ts": random_instants(ROWS, 7)})
    con.register("frame", frame)
    con.execute("CREATE TABLE v AS SELECT row_number() OVER () AS i, ts FROM frame")
    return con


@pytest.fixture(scope="module", params=CALENDARS)
def con(request):
    con = connect(request.param)
    yield con
    con.close()


def calendar_of(con):
    return con.execute("SELECT jalali_calendar()").fetchall()[0][0]


def accessor(series, calendar):
    return getattr(series.jalali, calendar)


def query(con, kind, select):
    """`select` over x, the values of the table as `kind`, with x itself, as a frame in order;
    for a TIMESTAMPTZ, also its wall-clock time and offset from UTC as DuckDB reads them."""
    if kind == "TIMESTAMPTZ":
        select += ", x::TIMESTAMP AS wall, epoch_us(x::TIMESTAMP) - epoch_us(x) AS east"
    cast = "ts" if kind == "TIMESTAMP_NS" else f"ts::TIMESTAMP::{kind}"  # DuckDB casts no ns to s
    return con.execute(f"SELECT x, {select} FROM (SELECT i, {cast} AS x FROM v) ORDER BY i").df()


def wall(frame):
    """The values whose fields are named: a TIMESTAMPTZ's wall-clock time, as DuckDB reads it in
    its own zone data (as its year() reads it), and any other value itself."""
    return frame["wall"] if "wall" in frame else frame["x"]


def agreeing(frame):
    """The rows where pandas' zone data gives a TIMESTAMPTZ the offset that DuckDB's gives (they
    differ over Tehran's summers of 1978 to 1980, and where a system's zone data predates the end
    of Tehran's daylight saving time in 2022, over every summer since), or every row."""
    if "east" not in frame:
        return frame
    x = frame["x"]
    east = (x.dt.tz_localize(None) - x.dt.tz_convert("UTC").dt.tz_localize(None)).to_numpy()
    east = east.astype("timedelta64[us]").astype(np.int64)
    kept = frame[x.isna().to_numpy() | (east == frame["east"].fillna(0).to_numpy())]
    assert len(kept) > 0.6 * len(frame)
    return kept


def assert_same(ours, theirs):
    """Row for row, the missing ones alike."""
    ours, theirs = pd.Series(ours).reset_index(drop=True), pd.Series(theirs).reset_index(drop=True)
    assert (ours.isna() == theirs.isna()).all()
    known = ours.notna()
    mismatched = ours[known].to_numpy() != theirs[known].to_numpy()
    assert not mismatched.any(), (ours[known][mismatched].head(), theirs[known][mismatched].head())


@pytest.mark.parametrize("kind", KINDS)
def test_every_field_is_the_accessors(con, kind):
    calendar = calendar_of(con)
    frame = query(con, kind, ", ".join(f"jalali_{name}(x) AS {name}" for name in FIELDS)
                  + ", year(x) AS g_year, month(x) AS g_month, day(x) AS g_day")
    jalali = accessor(wall(frame), calendar)
    for name, field in FIELDS.items():
        assert_same(frame[name], getattr(jalali, field))
    # a TIMESTAMPTZ names the date that DuckDB's own fields name (whose year() of a TIMESTAMP_NS
    # rounds to microseconds first, and so names 1970 for the last nanosecond of 1969)
    for name in ("year", "month", "day") if kind == "TIMESTAMPTZ" else ():
        assert_same(frame[f"g_{name}"], getattr(wall(frame).dt, name))


@pytest.mark.parametrize("kind", KINDS)
def test_trunc_is_the_accessors_floor_and_keeps_the_type(con, kind):
    calendar = calendar_of(con)
    parts = ("year", "quarter", "month", "week")
    # a TIMESTAMPTZ's start as its wall-clock time: zone data of before 1946 give offsets of
    # seconds, which some conversions to pandas round to minutes
    zoned = "::TIMESTAMP" if kind == "TIMESTAMPTZ" else ""
    frame = query(con, kind, ", ".join(f"jalali_trunc('{p}', x){zoned} AS {p}" for p in parts))
    types = con.execute(f"SELECT typeof(jalali_trunc('month', NULL::{kind}))").fetchall()[0][0]
    assert types == ("TIMESTAMP WITH TIME ZONE" if kind == "TIMESTAMPTZ" else kind)
    frame = agreeing(frame)
    for part in parts:
        floor = accessor(frame["x"], calendar).floor(part)
        assert_same(frame[part], floor.dt.tz_localize(None) if zoned else floor)


@pytest.mark.parametrize("part, value", [("week", "2014-03-24 12:00"), ("week", "2014-03-27 23:00"),
                                         ("month", "2021-04-01 00:30"), ("year", "2021-09-22 12:00")])
def test_trunc_where_the_zone_skips_midnight_is_the_accessors(con, part, value):
    # Saturday 22 March 2014, 2 Farvardin 1393, began at 01:00 in Tehran
    calendar = calendar_of(con)
    got = con.execute(f"SELECT jalali_trunc('{part}', TIMESTAMP '{value}'::TIMESTAMPTZ)").df().iloc[:, 0]
    given = pd.Series(pd.to_datetime([value])).dt.tz_localize(ZONE)
    assert_same(got, accessor(given, calendar).floor(part))


@pytest.mark.parametrize("kind", KINDS)
def test_month_and_year_steps_are_the_accessors(con, kind):
    calendar = calendar_of(con)
    steps = (-25, -1, 0, 1, 11, 100)
    frame = query(con, kind, ", ".join(f"jalali_add_months(x, {n}) AS m{i}, jalali_add_years(x, {n}) AS y{i}"
                                       for i, n in enumerate(steps)))
    jalali = accessor(frame["x"], calendar)
    for i, n in enumerate(steps):
        if kind == "TIMESTAMPTZ":  # where pandas refuses a skipped local time, DuckDB moves it on
            continue
        assert_same(frame[f"m{i}"], jalali.add_months(n))
        assert_same(frame[f"y{i}"], jalali.add_years(n))


def test_a_column_of_steps_steps_each_row_by_its_own(con):
    calendar = calendar_of(con)
    frame = con.execute("SELECT ts AS x, (i % 7 - 3) * 5 AS n, jalali_add_months(ts, (i % 7 - 3) * 5) AS m "
                        "FROM v ORDER BY i").df()
    expected = pd.Series(pd.NaT, index=frame.index, dtype=frame["x"].dtype)
    for n in frame["n"].unique():
        rows = frame["n"] == n
        expected[rows] = accessor(frame["x"][rows], calendar).add_months(int(n))
    assert_same(frame["m"], expected)


FORMATS = [("%Y/%m/%d", "en", "latin"), ("%A %-d %B %Y %H:%M:%S.%f", "en", "latin"),
           ("%a %d %b %y %I %p %j %w", "fa", "latin"), ("%Y-%m-%d %H:%M", "fa", "persian")]


@pytest.mark.parametrize("kind", KINDS)
def test_strftime_is_the_accessors(con, kind):
    calendar = calendar_of(con)
    calls = [f"jalali_strftime(x, '{f}', '{l}', '{d}') AS f{i}" for i, (f, l, d) in enumerate(FORMATS)]
    frame = agreeing(query(con, kind, ", ".join(calls + ["jalali_strftime(x, '%Y %B') AS short",
                                                         "jalali_strftime(x, '%B', 'fa') AS named"])))
    jalali = accessor(frame["x"], calendar)
    for i, (format, locale, digits) in enumerate(FORMATS):
        assert_same(frame[f"f{i}"], jalali.strftime(format, locale, digits))
    assert_same(frame["short"], jalali.strftime("%Y %B"))
    assert_same(frame["named"], jalali.strftime("%B", "fa"))


def test_strftime_writes_the_offset_and_zone_in_force_at_each_instant(con):
    calendar = calendar_of(con)
    every = query(con, "TIMESTAMPTZ", "jalali_strftime(x, '%Y/%m/%d %H:%M %z %Z') AS s")
    # Tehran's names are its offsets (+0330, +04): on every row, whatever zone data name it, the
    # name agrees with the offset written beside it
    words = every["s"].dropna().str.split(" ")
    offset, name = words.str[-2], words.str[-1]
    numeric = name.str.startswith("+")
    assert numeric.sum() > 0.5 * len(name)
    assert_same([o.startswith(n) for o, n in zip(offset[numeric], name[numeric])], [True] * numeric.sum())
    frame = agreeing(every)
    assert_same(frame["s"], accessor(frame["x"], calendar).strftime("%Y/%m/%d %H:%M %z %Z"))
    # the summers before 2022 at +0430, and the winters at +0330
    assert set(frame["s"].dropna().str[-11:-6]) >= {"+0330", "+0430"}


def test_a_format_of_each_row_writes_each_row_by_its_own(con):
    calendar = calendar_of(con)
    frame = con.execute("SELECT ts AS x, ['%Y/%m/%d', '%d %B %Y', NULL][i % 3 + 1] AS f, "
                        "jalali_strftime(ts, ['%Y/%m/%d', '%d %B %Y', NULL][i % 3 + 1]) AS s FROM v ORDER BY i").df()
    expected = pd.Series([None] * len(frame), dtype=object)
    for format in ("%Y/%m/%d", "%d %B %Y"):
        rows = frame["f"] == format
        expected[rows] = accessor(frame["x"][rows], calendar).strftime(format).astype(object)
    assert_same(frame["s"], expected)


def test_a_format_of_each_row_of_a_timestamptz_writes_zones_where_it_asks(con):
    # the rows of each format as that format, given as a constant, writes them
    formats = ["%Y/%m/%d %H:%M", "%Y/%m/%d %H:%M %z", "%Z %B"]
    each = f"{formats}[i % 3 + 1]".replace('"', "'")
    rows = con.execute(f"SELECT i % 3 AS k, jalali_strftime(x, {each}) AS s, "
                       + ", ".join(f"jalali_strftime(x, '{f}') AS f{n}" for n, f in enumerate(formats))
                       + " FROM (SELECT i, ts::TIMESTAMP::TIMESTAMPTZ AS x FROM v) ORDER BY i").df()
    for k in range(3):
        assert_same(rows["s"][rows["k"] == k], rows[f"f{k}"][rows["k"] == k])
    assert rows["f1"].str.contains("+0430", regex=False).any()


TEXT_FORMATS = [None, "%Y/%m/%d %H:%M:%S", "%d %B %Y", "%Y-%m-%d"]


@pytest.mark.parametrize("format", TEXT_FORMATS)
def test_strptime_is_to_datetime(con, format):
    calendar = calendar_of(con)
    written = format or "%Y/%m/%d %H:%M"
    frame = con.execute(f"SELECT jalali_strftime(ts::TIMESTAMP, '{written}') AS text FROM v ORDER BY i").df()
    # and some texts that name no date
    text = frame["text"].astype(object).copy()
    text[1::97] = "1403/13/01"
    text[2::97] = "not a date"
    con.register("texts", pd.DataFrame({"j": np.arange(len(text)), "text": text}))
    call = "text" if format is None else f"text, '{format}'"
    got = con.execute(f"SELECT try_jalali_strptime({call}) AS t FROM texts ORDER BY j").df()["t"]
    assert_same(got, algorithms_c_pandas.to_datetime(text, format, errors="coerce", calendar=calendar))
    valid = con.execute(f"SELECT jalali_strptime({call}) AS t FROM texts WHERE j % 97 NOT IN (1, 2) ORDER BY j")
    kept = text[(np.arange(len(text)) % 97 != 1) & (np.arange(len(text)) % 97 != 2)]
    assert_same(valid.df()["t"], algorithms_c_pandas.to_datetime(kept, format, calendar=calendar))


def test_a_format_of_each_row_reads_each_row_by_its_own(con):
    calendar = calendar_of(con)
    formats = ["%Y/%m/%d", "%d %B %Y", "%Y-%m-%d %H:%M"]
    frame = con.execute(f"SELECT i % 3 AS k, jalali_strftime(ts::TIMESTAMP, {formats}[i % 3 + 1]) AS text, "
                        f"try_jalali_strptime(jalali_strftime(ts::TIMESTAMP, {formats}[i % 3 + 1]), "
                        f"{formats}[i % 3 + 1]) AS t FROM v ORDER BY i".replace('"', "'")).df()
    for k, format in enumerate(formats):
        rows = frame["k"] == k
        assert_same(frame["t"][rows], algorithms_c_pandas.to_datetime(frame["text"][rows], format, calendar=calendar))


def test_strptime_of_an_offset_gives_the_utc_time_that_to_datetime_gives(con):
    calendar = calendar_of(con)
    text = ["1403/01/01 10:00 +0330", "1402/12/29 23:59 -0130", "1403/06/31 00:00 +0000", None,
            "1403/07/01 01:00 +1400"]
    con.register("offsets", pd.DataFrame({"j": range(len(text)), "text": text}))
    got = con.execute("SELECT jalali_strptime(text, '%Y/%m/%d %H:%M %z') AS t FROM offsets ORDER BY j").df()["t"]
    expected = algorithms_c_pandas.to_datetime(pd.Series(text), "%Y/%m/%d %H:%M %z", calendar=calendar)
    assert_same(got, expected.dt.tz_localize(None))


def test_make_jalali_date_is_from_jalali(con):
    calendar = calendar_of(con)
    rng = np.random.default_rng(3)
    parts = pd.DataFrame({"y": rng.integers(1279, 1480, ROWS), "m": rng.integers(1, 13, ROWS),
                          "d": rng.integers(1, 30, ROWS)}).astype("Int64")
    parts.loc[::13, "y"] = pd.NA
    con.register("parts", parts.assign(j=np.arange(ROWS)))
    got = con.execute("SELECT make_jalali_date(y, m, d) AS day FROM parts ORDER BY j").df()["day"]
    assert_same(got, algorithms_c_pandas.from_jalali(parts["y"], parts["m"], parts["d"], calendar=calendar))


# A refused value: DuckDB's error names the function and the value.
REFUSED = [
    ("jalali_strptime('1403/13/01')", "jalali_strptime", "1403/13/01"),
    ("jalali_strptime('1403/01/01', '%Y/%m')", "jalali_strptime", "1403/01/01"),
    ("make_jalali_date(1403, 12, 31)", "make_jalali_date", "1403-12-31"),
    ("jalali_trunc('decade', DATE '2020-01-01')", "jalali_trunc", "decade"),
    ("jalali_strftime(DATE '2020-01-01', '%Y', 'de')", "jalali_strftime", "de"),
    ("jalali_add_years(DATE '2020-01-01', 9223372036854775807)", "jalali_add_years", "9223372036854775807"),
    ("make_jalali_date(9223372036854775807, 1, 1)", "make_jalali_date", "9223372036854775807"),
    ("jalali_add_months(TIMESTAMP_NS '2262-04-11', 1)", "jalali_add_months", "2262-04-11"),
]


@pytest.mark.parametrize("call, function, value", REFUSED)
def test_a_refused_value_raises_naming_the_function_and_the_value(con, call, function, value):
    with pytest.raises(duckdb.Error) as raised:
        con.execute(f"SELECT {call}").fetchall()
    assert function in str(raised.value) and value in str(raised.value)
    assert " at position " not in str(raised.value)  # a batch's position says nothing in SQL


def test_a_year_outside_the_astronomical_table_raises_and_the_arithmetic_calendar_names_it():
    astronomical, arithmetic = connect("astronomical"), connect("arithmetic")
    far = "TIMESTAMP '20000-06-01'"  # Jalali 19379, from Nowruz in March
    with pytest.raises(duckdb.Error, match="jalali_year.*astronomical"):
        astronomical.execute(f"SELECT jalali_year({far})").fetchall()
    assert arithmetic.execute(f"SELECT jalali_year({far})").fetchall()[0][0] == 19379


@pytest.mark.parametrize("call", ["jalali_add_months(DATE '2020-01-01', 1.5)",
                                  "jalali_add_years(DATE '2020-01-01', '1')", "make_jalali_date(1403.5, 1, 1)",
                                  "jalali_add_months(DATE '2020-01-01', 2::HUGEINT << 70)", "jalali_year(42)",
                                  "jalali_trunc('month', 'text')"])
def test_what_is_not_an_integer_or_a_date_is_refused_not_rounded(con, call):
    with pytest.raises(duckdb.BinderException):
        con.execute(f"SELECT {call}").fetchall()


@pytest.mark.parametrize("call", ["jalali_year(NULL::DATE)", "jalali_trunc('month', NULL::TIMESTAMP)",
                                  "jalali_trunc(NULL, DATE '2020-01-01')", "jalali_add_months(NULL::DATE, 1)",
                                  "jalali_add_months(DATE '2020-01-01', NULL)",
                                  "jalali_strftime(NULL::TIMESTAMPTZ, '%Y')",
                                  "jalali_strftime(DATE '2020-01-01', NULL)", "jalali_strptime(NULL)",
                                  "try_jalali_strptime('1403/01/01', NULL)", "make_jalali_date(1403, NULL, 1)",
                                  "jalali_strptime('  ')", "jalali_strptime('', '%Y')"])
def test_null_in_gives_null_out(con, call):
    assert con.execute(f"SELECT {call}").fetchall()[0] == (None,)


def test_registering_again_in_the_same_calendar_changes_nothing():
    con = connect("astronomical")
    algorithms_c_duckdb.register(con, "astronomical")
    assert con.execute("SELECT jalali_year(DATE '2025-03-20')").fetchall()[0] == (1403,)


def test_a_second_calendar_needs_a_prefix_and_lives_beside_the_first():
    con = connect("astronomical")
    with pytest.raises(ValueError, match="astronomical calendar.*prefix"):
        algorithms_c_duckdb.register(con, "arithmetic")
    algorithms_c_duckdb.register(con, "arithmetic", prefix="arithmetic_")
    assert con.execute("SELECT jalali_year(DATE '2025-03-20'), arithmetic_jalali_year(DATE '2025-03-20'), "
                       "arithmetic_jalali_strftime(DATE '2025-03-20', '%Y/%m/%d')").fetchall()[0] == (
                           1403, 1404, "1404/01/01")


def test_a_function_of_the_users_own_by_one_of_the_names_is_left_alone():
    con = duckdb.connect()
    con.execute("CREATE MACRO jalali_year(x) AS 42")
    with pytest.raises(ValueError, match="jalali_year"):
        algorithms_c_duckdb.register(con)
    assert con.execute("SELECT jalali_year(1)").fetchall()[0] == (42,)


def test_a_registration_that_fails_half_way_leaves_nothing_behind():
    con = duckdb.connect()
    con.execute("CREATE MACRO _jalali_strftime__date(x) AS 0")  # in the way of one of its functions
    with pytest.raises(duckdb.Error):
        algorithms_c_duckdb.register(con)
    left = con.execute("SELECT count(*) FROM duckdb_functions() WHERE function_name LIKE '%jalali%'").fetchall()
    assert left == [(1,)]  # the user's own
    con.execute("DROP MACRO _jalali_strftime__date")
    algorithms_c_duckdb.register(con)
    assert con.execute("SELECT jalali_year(DATE '2025-03-20')").fetchall() == [(1403,)]


def test_the_functions_are_not_written_into_a_database_file(tmp_path):
    path = str(tmp_path / "file.duckdb")
    con = duckdb.connect(path)
    algorithms_c_duckdb.register(con)
    con.execute("CREATE TABLE t AS SELECT jalali_year(DATE '2025-03-20') AS y")
    con.close()
    again = duckdb.connect(path)
    assert again.execute("SELECT y FROM t").fetchall() == [(1403,)]
    algorithms_c_duckdb.register(again)  # nothing of the first connection's left to clash with
    assert again.execute("SELECT jalali_month(DATE '2025-03-20')").fetchall()[0] == (12,)


@pytest.mark.parametrize("connection, calendar, prefix, error", [
    (True, "persian", "", ValueError), (False, "astronomical", "", TypeError),
    (True, "astronomical", "a b; DROP TABLE t", ValueError)])
def test_register_refuses_what_is_not_a_connection_a_calendar_or_a_name(connection, calendar, prefix, error):
    with pytest.raises(error):
        algorithms_c_duckdb.register(duckdb.connect() if connection else "not a connection", calendar, prefix=prefix)


# Random SQL: any value of any type, to any function, gives a result or DuckDB's error.
def test_random_calls_give_a_result_or_an_error_and_never_crash(con):
    hypothesis = pytest.importorskip("hypothesis")
    st = pytest.importorskip("hypothesis.strategies")
    values = st.one_of(
        st.just("NULL"),
        st.integers(-2**70, 2**70).map(str),
        st.integers(-300000, 300000).map(lambda y: f"make_date({y}, 1, 1)"),
        st.sampled_from(["DATE '2025-03-20'", "TIMESTAMP '294247-01-09 04:00:54'", "TIMESTAMP_NS '2262-04-11'",
                         "TIMESTAMPTZ '2021-03-22 00:30'", "'infinity'::DATE", "'-infinity'::TIMESTAMP",
                         "TIMESTAMP_S '290308-12-22 (BC) 00:00:00'", "DATE '5877642-06-25'", "1.5", "true",
                         "INTERVAL 1 DAY", "[1, 2]", "'%Y%m%d'", "'year'", "'fa'", "'persian'"]),
        st.text(max_size=12).map(lambda s: "'" + s.replace("'", "''").replace("\x00", "") + "'"),
    )
    # and columns, which reach the functions batch by batch rather than folded as constants
    con.execute("""CREATE OR REPLACE TEMP TABLE fuzz AS SELECT * FROM (VALUES
        (DATE '2025-03-20', TIMESTAMP '2025-03-20 12:00', TIMESTAMP_NS '2262-04-11', 1, '1403/12/30'),
        ('infinity'::DATE, '-infinity'::TIMESTAMP, TIMESTAMP_NS '1677-09-22', 9223372036854775807, 'year'),
        (DATE '5877642-06-25', TIMESTAMP '294247-01-09 04:00:54', NULL, -9223372036854775808, '%Y%m%d'),
        (DATE '5877641-06-25 (BC)', TIMESTAMP '290308-12-22 (BC) 00:00:00', TIMESTAMP_NS '1970-01-01', NULL, NULL),
        (NULL, NULL, TIMESTAMP_NS '1969-12-31 23:59:59.999999999', 0, ''))
        v(d, ts, ns, n, s)""")
    values = st.one_of(values, st.sampled_from(["d", "ts", "ns", "n", "s", "ts::TIMESTAMPTZ", "d::TIMESTAMP_S"]))
    functions = [f"jalali_{n}" for n in FIELDS] + ["jalali_trunc", "jalali_add_months", "jalali_add_years",
                                                    "jalali_strftime", "jalali_strptime", "try_jalali_strptime",
                                                    "make_jalali_date"]

    @hypothesis.settings(max_examples=150, deadline=None, database=None)
    @hypothesis.given(st.sampled_from(functions), st.lists(values, min_size=1, max_size=4))
    def call(function, arguments):
        try:
            con.execute(f"SELECT {function}({', '.join(arguments)}) FROM fuzz").fetchall()
        except duckdb.Error:
            pass

    call()
    # and the connection still answers
    assert con.execute("SELECT jalali_year(DATE '2025-03-21')").fetchall()[0] == (1404,)


def test_an_older_duckdb_is_refused_at_import_naming_the_version(monkeypatch):
    # DuckDB 1.2 parses no types of a macro's parameters: register would fail half-way
    import importlib

    monkeypatch.setattr(duckdb, "__version__", "1.2.2")
    with pytest.raises(ImportError, match="DuckDB 1.4 or later, not 1.2.2"):
        importlib.reload(algorithms_c_duckdb)
    monkeypatch.undo()
    importlib.reload(algorithms_c_duckdb)
