"""The Spark functions on a real Spark: every function against the pandas accessor on the same
random values (NULLs, DATE, TIMESTAMP and TIMESTAMP_NTZ, both calendars, Tehran's years of
daylight saving time), in a local session; SQL's names; and the functions on a standalone
master and worker, each in its own JVM with its own Python workers."""

import os
import re
import shutil
import socket
import subprocess
import sys
import time
from pathlib import Path

import pytest

# CI's Spark stage sets ALGORITHMS_C_REQUIRE_SPARK: there, what would skip fails instead
REQUIRED = os.environ.get("ALGORITHMS_C_REQUIRE_SPARK") == "1"


def unavailable(reason):
    if REQUIRED:
        pytest.fail(reason, pytrace=False)
    pytest.skip(reason, allow_module_level=True)


try:
    import pyspark
except ImportError:
    unavailable("pyspark is not installed (the [spark] extra)")
np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
pa = pytest.importorskip("pyarrow")


def java_major():
    """The major version of the `java` on PATH (or under JAVA_HOME), or None."""
    java = Path(os.environ["JAVA_HOME"], "bin", "java") if "JAVA_HOME" in os.environ else shutil.which("java")
    if java is None or not Path(java).exists():
        return None
    run = subprocess.run([str(java), "-version"], capture_output=True, text=True)
    found = re.search(r'version "(\d+)(?:\.(\d+))?', run.stderr)
    if not found:
        return None
    major = int(found.group(1))
    return int(found.group(2)) if major == 1 else major


if tuple(int(p) for p in pyspark.__version__.split(".")[:2]) < (4, 1):
    unavailable(f"pyspark {pyspark.__version__} has no Arrow UDFs (4.1 or later)")
if (java_major() or 0) < 17:
    unavailable(f"Spark needs Java 17 or later; found {java_major()}")

from pyspark.sql import SparkSession  # noqa: E402
from pyspark.sql import functions as F  # noqa: E402

import algorithms_c_pandas  # noqa: E402
import algorithms_c_spark as S  # noqa: E402

pytestmark = [pytest.mark.filterwarnings("ignore:PySpark does not yet fully support pandas"),
              pytest.mark.filterwarnings("ignore::DeprecationWarning"),
              pytest.mark.filterwarnings("ignore::ResourceWarning")]

ZONE = "Asia/Tehran"  # clocks went forward at midnight of 1 or 2 Farvardin until 2022
ROWS = 3000
CALENDARS = ["astronomical", "arithmetic"]
# Microseconds of Tehran's 1978-11-10 to 12-31, which tzdata 2025a (Java 17's) and 2025b
# (Python's here) name differently
DISPUTED = (279_486_000_000_000, 284_000_000_000_000)
PY_ENV = {"PYSPARK_PYTHON": sys.executable, "PYSPARK_DRIVER_PYTHON": sys.executable, "SPARK_LOCAL_IP": "127.0.0.1"}


def builder(master):
    return (SparkSession.builder.master(master).appName("algorithms_c tests")
            .config("spark.ui.enabled", "false").config("spark.sql.shuffle.partitions", "2")
            .config("spark.sql.session.timeZone", ZONE).config("spark.driver.host", "127.0.0.1")
            .config("spark.driver.bindAddress", "127.0.0.1"))


@pytest.fixture(scope="module")
def spark():
    os.environ.update(PY_ENV)
    session = builder("local[2]").getOrCreate()
    session.sparkContext.setLogLevel("ERROR")
    yield session
    session.stop()


def random_micros(rng, n):
    """Microseconds from 1970 in UTC: uniform over 1900-2100, and a third near Tehran's midnights
    of 1 and 2 Farvardin and 30 and 31 Shahrivar, 1978-2022, where the clocks moved."""
    uniform = rng.integers(-2_208_988_800, 4_102_444_800, n, dtype=np.int64) * 1_000_000
    days = pd.to_datetime([f"{y}-{md}" for y in range(1978, 2023) for md in ("03-21", "03-22", "09-21", "09-22")])
    near = (days.to_numpy().astype("datetime64[us]").astype(np.int64)[rng.integers(0, len(days), n)]
            + rng.integers(-5 * 3600, 5 * 3600, n) * 1_000_000 - 12_600_000_000)
    micros = np.where(rng.random(n) < 1 / 3, near, uniform + rng.integers(0, 1_000_000, n))
    # Tehran's 1978-11-10 to 12-31 differs between tzdata 2025a (Java 17's) and 2025b; a year on
    disputed = (micros >= DISPUTED[0]) & (micros < DISPUTED[1])
    return np.where(disputed, micros + 365 * 86_400_000_000, micros)


@pytest.fixture(scope="module")
def data(spark):
    """ROWS random values as pandas (instants, in Tehran) and as a Spark frame with the same
    values as TIMESTAMP, DATE and TIMESTAMP_NTZ; every tenth missing."""
    rng = np.random.default_rng(31)
    micros = random_micros(rng, ROWS)
    missing = np.arange(ROWS) % 10 == 3
    months = rng.integers(-40, 40, ROWS)
    months_missing = np.arange(ROWS) % 17 == 5
    frame = pd.DataFrame({
        "id": np.arange(ROWS),
        "micros": pd.array(np.where(missing, 0, micros), dtype="Int64"),
        "n": pd.array(months, dtype="Int64"),
    })
    frame.loc[missing, "micros"] = pd.NA
    frame.loc[months_missing, "n"] = pd.NA
    instants = pd.Series(pd.to_datetime(frame["micros"].astype("float64"), unit="us", utc=True)
                         .astype("datetime64[us, UTC]")).dt.tz_convert(ZONE)
    instants[missing] = pd.NaT
    df = (spark.createDataFrame(frame.astype(object).where(frame.notna(), None))
          .select("id", F.timestamp_micros("micros").alias("ts"), "n")
          .withColumn("d", F.col("ts").cast("date")).withColumn("ntz", F.col("ts").cast("timestamp_ntz"))
          .cache())
    df.count()
    return instants, frame["n"], df


def collect(df, *columns):
    """Columns by id, as pandas: a TIMESTAMP as the microseconds of its instant, a TIMESTAMP_NTZ as
    those of its wall clock, a DATE as days, from 1970."""
    converted = []
    for c in columns:
        kind = df.schema[c].dataType.typeName()
        if kind == "timestamp":
            converted.append(F.unix_micros(c).alias(c))
        elif kind == "timestamp_ntz":
            # the wall clock's microseconds, read with no zone (date_format would read a zone's)
            converted.append(F.expr(f"timestampdiff(MICROSECOND, TIMESTAMP_NTZ'1970-01-01 00:00:00', {c})").alias(c))
        elif kind == "date":
            converted.append(F.unix_date(c).alias(c))
        else:
            converted.append(F.col(c))
    return df.select("id", *converted).orderBy("id").toPandas().set_index("id")


def same(got: pd.Series, expected, what):
    expected = pd.Series(expected).reset_index(drop=True)
    got = got.reset_index(drop=True)
    differ = ~((got.isna() & expected.isna()) | (got.astype(object) == expected.astype(object)).fillna(False))
    assert not differ.any(), f"{what}: {int(differ.sum())} rows differ, first {got[differ].head(3).tolist()} " \
                             f"for {expected[differ].head(3).tolist()}"


def micros_of(stamps: pd.Series) -> pd.Series:
    out = pd.Series(stamps.dt.tz_convert("UTC").dt.tz_localize(None).to_numpy().astype("datetime64[us]")
                    .astype(np.int64), dtype="Int64")
    out[stamps.isna().to_numpy()] = pd.NA
    return out


def days_of(stamps: pd.Series) -> pd.Series:
    walls = stamps.dt.tz_localize(None) if stamps.dt.tz is not None else stamps
    out = pd.Series(walls.to_numpy().astype("datetime64[D]").astype(np.int64), dtype="Int64")
    out[stamps.isna().to_numpy()] = pd.NA
    return out


def walls_text(stamps: pd.Series) -> pd.Series:
    """Wall-clock times as microseconds from 1970, as `collect` gives a TIMESTAMP_NTZ."""
    out = pd.Series(stamps.to_numpy().astype("datetime64[us]").astype(np.int64), dtype="Int64")
    out[stamps.isna().to_numpy()] = pd.NA
    return out


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("column", ["ts", "d", "ntz"])
def test_each_field_is_the_accessors(data, calendar, column):
    instants, _, df = data
    got = collect(df.select("id", *(getattr(S, name)(column, calendar=calendar).alias(name) for name in S.FIELDS)),
                  *S.FIELDS)
    accessor = algorithms_c_pandas.JalaliAccessor(instants, calendar)
    for name, field in S.FIELDS.items():
        same(got[name], getattr(accessor, field), f"{name} of {column}")


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("part", ["year", "quarter", "month", "week"])
def test_trunc_is_the_accessors_floor_in_the_type_of_its_argument(data, calendar, part):
    instants, _, df = data
    got = df.select("id", *(S.jalali_trunc(part, c, calendar).alias(c) for c in ("ts", "d", "ntz")))
    assert [f.dataType.typeName() for f in got.schema.fields[1:]] == ["timestamp", "date", "timestamp_ntz"]
    got = collect(got, "ts", "d", "ntz")
    floor = algorithms_c_pandas.JalaliAccessor(instants, calendar).floor(part)  # a skipped midnight: 01:00
    # a start in Tehran's disputed late 1978 is read by the JVM's zone data, not Python's
    undisputed = ~micros_of(floor).between(*DISPUTED).fillna(False).to_numpy()
    same(got["ts"][undisputed], micros_of(floor)[undisputed], "TIMESTAMP")
    same(got["d"], days_of(floor), "DATE")
    walls = algorithms_c_pandas.JalaliAccessor(instants.dt.tz_localize(None), calendar).floor(part)
    # Spark adds an interval to a TIMESTAMP_NTZ through the session's zone: a midnight that the
    # zone skips comes out as the hour after it
    same(got["ntz"], walls_text(shifted_walls(walls)), "TIMESTAMP_NTZ")


def shifted_walls(walls: pd.Series) -> pd.Series:
    """Wall-clock times as Spark's interval arithmetic leaves them in Tehran: one that the zone
    skips moves on by the gap, an hour."""
    skipped = walls.notna() & walls.dt.tz_localize(ZONE, ambiguous="NaT", nonexistent="NaT").isna() & \
        walls.dt.tz_localize(ZONE, ambiguous=np.ones(len(walls), bool), nonexistent="NaT").isna()
    return walls.where(~skipped, walls + pd.Timedelta(hours=1))


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("years", [False, True])
def test_month_and_year_steps_are_the_accessors_by_row(data, calendar, years):
    """Steps of a column of counts (NULLs among them), each row against the accessor's step by
    its own count, on the local wall clock."""
    instants, counts, df = data
    function = S.jalali_add_years if years else S.jalali_add_months
    got = df.select("id", *(function(c, F.col("n"), calendar).alias(c) for c in ("ts", "d", "ntz")),
                    function("ts", 7, calendar).alias("literal"))
    assert [f.dataType.typeName() for f in got.schema.fields[1:]] == ["timestamp", "date", "timestamp_ntz",
                                                                      "timestamp"]
    got = collect(got.withColumn("ts", F.col("ts").cast("timestamp_ntz"))
                  .withColumn("literal", F.col("literal").cast("timestamp_ntz")), "ts", "d", "ntz", "literal")
    walls = instants.dt.tz_localize(None)
    expected = pd.Series(pd.NaT, index=walls.index, dtype="datetime64[us]")
    for n in counts.dropna().unique():
        rows = (counts == n).fillna(False).to_numpy()
        step = algorithms_c_pandas.JalaliAccessor(walls[rows], calendar)
        expected[rows] = (step.add_years(int(n)) if years else step.add_months(int(n))).to_numpy()
    seven = algorithms_c_pandas.JalaliAccessor(walls, calendar)
    seven = seven.add_years(7) if years else seven.add_months(7)
    same(got["ntz"], walls_text(shifted_walls(expected)), "TIMESTAMP_NTZ, as Spark adds days to one")
    same(got["ts"], walls_text(shifted_walls(expected)), "TIMESTAMP, on the wall clock")
    same(got["d"], days_of(expected), "DATE")
    same(got["literal"], walls_text(shifted_walls(seven)), "a literal count")


FORMATS = [("%Y/%m/%d %H:%M:%S", "en", "latin"), ("%A %-d %B %Y, %I:%M %p", "fa", "persian"),
           ("%j %w %y %b %a %f", "en", "latin"), ("%Y-%m-%d %z %Z", "en", "latin")]


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("format, locale, digits", FORMATS)
def test_strftime_is_the_accessors(data, calendar, format, locale, digits):
    instants, _, df = data
    got = collect(df.select("id", S.jalali_strftime("ts", format, locale, digits, calendar).alias("ts"),
                            S.jalali_strftime("d", format, locale, digits, calendar).alias("d")), "ts", "d")
    accessor = algorithms_c_pandas.JalaliAccessor(instants, calendar)
    same(got["ts"], accessor.strftime(format, locale, digits), "TIMESTAMP")
    midnights = algorithms_c_pandas.JalaliAccessor(instants.dt.tz_localize(None).dt.normalize(), calendar)
    if "%z" not in format:  # a DATE has no zone
        same(got["d"], midnights.strftime(format, locale, digits), "DATE")


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("format", [None, "%Y/%m/%d %H:%M:%S.%f", "%d %B %Y %H:%M"])
def test_strptime_reads_what_strftime_wrote(spark, data, calendar, format):
    """Text written by the accessor, with junk and NULLs among it: strptime gives the instants
    of the wall-clock times in the session's zone (a skipped time read with the offset before
    the gap, as Spark's casts read it); try_ gives NULL for junk, and strptime fails on it."""
    instants, _, df = data
    written = format or "%Y/%m/%d %H:%M:%S.%f"
    walls = instants.dt.tz_localize(None)
    text = algorithms_c_pandas.JalaliAccessor(walls, calendar).strftime(written).astype(object)
    text = text.where(text.notna(), None)
    junk = np.arange(ROWS) % 13 == 7
    text[junk] = "1402/13/45 25:00"
    frame = spark.createDataFrame(pd.DataFrame({"id": np.arange(ROWS), "t": text}))
    got = frame.select("id", S.try_jalali_strptime("t", format, calendar).cast("timestamp_ntz").alias("t"))
    expected = algorithms_c_pandas.to_datetime(pd.Series(text), format, "coerce", calendar)
    if format == "%d %B %Y %H:%M":
        expected = expected.dt.floor("min")
    same(collect(got, "t")["t"], walls_text(shifted_walls(expected)), "try_jalali_strptime")
    with pytest.raises(Exception, match="1402/13/45"):
        frame.select(S.jalali_strptime("t", format, calendar)).collect()


@pytest.mark.parametrize("calendar", CALENDARS)
def test_make_date_is_from_jalali(spark, calendar):
    rng = np.random.default_rng(7)
    parts = pd.DataFrame({"id": np.arange(ROWS), "y": rng.integers(1200, 1600, ROWS),
                          "m": rng.integers(1, 13, ROWS), "d": rng.integers(1, 30, ROWS)}).astype(object)
    parts.loc[parts.index % 11 == 4, "m"] = None
    df = spark.createDataFrame(parts)
    got = collect(df.select("id", S.make_jalali_date("y", "m", "d", calendar).alias("date")), "date")["date"]
    expected = algorithms_c_pandas.from_jalali(parts["y"].astype("Int64"), parts["m"].astype("Int64"),
                                               parts["d"].astype("Int64"), calendar=calendar)
    same(got, days_of(expected), "make_jalali_date")
    with pytest.raises(Exception, match="1403-13-1"):
        spark.range(1).select(S.make_jalali_date(1403, 13, 1, calendar)).collect()


def test_sql_names_give_what_the_functions_give(spark, data):
    _, _, df = data
    names = S.register(spark)
    assert sorted(names) == sorted(S.FUNCTIONS)
    S.register(spark, calendar="arithmetic", prefix="arithmetic_")  # both calendars in one session
    S.register(spark)  # again: replaced, not refused
    df.createOrReplaceTempView("stamps")
    fields = ", ".join(f"{n}(ts) AS {n}, arithmetic_{n}(d) AS arithmetic_{n}" for n in S.FIELDS)
    sql = spark.sql(f"""SELECT id, {fields},
        jalali_trunc('MONTH', ts) AS trunc, jalali_add_months(ts, n) AS months, jalali_add_years(ts, -2) AS years,
        jalali_strftime(ts, '%Y/%m/%d %H:%M') AS text, jalali_strftime(ts, '%B', 'fa', 'persian') AS persian,
        jalali_strptime(jalali_strftime(ts, '%Y/%m/%d %H:%M:%S.%f')) AS back,
        try_jalali_strptime('1403/12/30 x', '%Y/%m/%d') AS junk,
        make_jalali_date(1403, 12, 30) AS made FROM stamps""")
    columns = [c for c in sql.columns if c != "id"]
    api = df.select("id", *(getattr(S, n)("ts").alias(n) for n in S.FIELDS),
                    *(getattr(S, n)("d", "arithmetic").alias(f"arithmetic_{n}") for n in S.FIELDS),
                    S.jalali_trunc("month", "ts").alias("trunc"), S.jalali_add_months("ts", F.col("n")).alias("months"),
                    S.jalali_add_years("ts", -2).alias("years"), S.jalali_strftime("ts", "%Y/%m/%d %H:%M").alias("text"),
                    S.jalali_strftime("ts", "%B", "fa", "persian").alias("persian"), F.col("ts").alias("back"),
                    F.lit(None).cast("timestamp").alias("junk"), F.lit("2025-03-20").cast("date").alias("made"))
    pd.testing.assert_frame_equal(collect(sql, *columns), collect(api, *columns))


def test_names_are_checked_before_any_query():
    with pytest.raises(ValueError, match="calendar"):
        S.jalali_year("ts", calendar="gregorian")
    with pytest.raises(ValueError, match="freq"):
        S.jalali_trunc("decade", "ts")
    with pytest.raises(TypeError, match="integer"):
        S.jalali_add_months("ts", 1.5)


def test_import_needs_no_session():
    """The module imports and builds its columns' functions before any session exists."""
    code = ("import algorithms_c_spark as S; from pyspark.sql import SparkSession; "
            "assert SparkSession.getActiveSession() is None; print(sorted(S.__all__)[0])")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=os.environ)
    assert run.returncode == 0, run.stderr[-2000:]


def test_a_new_session_after_a_stopped_one():
    """The functions used in one session, which is stopped, work in the next: their UDFs are
    built again for its context."""
    code = ("import os, sys; os.environ['PYSPARK_PYTHON'] = sys.executable\n"
            "import algorithms_c_spark as S\nfrom pyspark.sql import SparkSession\n"
            "for _ in range(2):\n"
            "    s = SparkSession.builder.master('local[1]').config('spark.ui.enabled', 'false').getOrCreate()\n"
            "    print(s.sql(\"SELECT date'2025-03-21' AS d\").select(S.jalali_year('d')).collect()[0][0])\n"
            "    s.stop()\n")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                         env={**os.environ, **PY_ENV})
    assert run.returncode == 0, run.stderr[-3000:]
    assert run.stdout.split() == ["1404", "1404"]


def test_a_udf_of_ones_own_finds_the_accessor(spark):
    """A pandas UDF that names algorithms_c_spark.jalali, and nothing else of this package, runs
    on the workers, which import the accessor with it."""
    @F.pandas_udf("int")
    def year(s: pd.Series) -> pd.Series:
        return S.jalali(s).year

    got = spark.sql("SELECT timestamp_ntz'2025-03-21 00:00:00' AS t").select(year("t")).collect()
    assert got[0][0] == 1404


# -- a standalone master and worker, each in its own JVM

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return
        time.sleep(0.5)
    raise TimeoutError(what)


def listening(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


@pytest.fixture
def cluster(tmp_path):
    """A master and a worker started from pyspark's own jars on 127.0.0.1, stopped after the
    test."""
    home = Path(pyspark.__file__).parent
    classpath = str(home / "jars" / "*")
    java = str(Path(os.environ["JAVA_HOME"], "bin", "java")) if "JAVA_HOME" in os.environ else shutil.which("java")
    # the worker builds each executor's command as spark-class would: from SPARK_HOME's jars, for
    # the Scala version that the scripts would have named
    scala = next(home.glob("jars/spark-core_*.jar")).name.split("_")[1].split("-")[0]
    env = {**os.environ, **PY_ENV, "SPARK_HOME": str(home), "SPARK_SCALA_VERSION": scala,
           "SPARK_WORKER_DIR": str(tmp_path / "work")}
    port, web, worker_web = free_port(), free_port(), free_port()
    processes = []
    try:
        processes.append(subprocess.Popen(
            [java, "-Xmx256m", "-cp", classpath, "org.apache.spark.deploy.master.Master", "--host", "127.0.0.1",
             "--port", str(port), "--webui-port", str(web)],
            env=env, stdout=open(tmp_path / "master.log", "w"), stderr=subprocess.STDOUT))
        wait_for(lambda: listening(port), 90, "the master did not listen")
        processes.append(subprocess.Popen(
            [java, "-Xmx256m", "-cp", classpath, "org.apache.spark.deploy.worker.Worker", "--host", "127.0.0.1",
             "--cores", "2", "--memory", "1g", "--webui-port", str(worker_web), f"spark://127.0.0.1:{port}"],
            env=env, stdout=open(tmp_path / "worker.log", "w"), stderr=subprocess.STDOUT))
        wait_for(lambda: "Successfully registered with master" in (tmp_path / "worker.log").read_text(), 90,
                 "the worker did not register")
        yield f"spark://127.0.0.1:{port}", env, tmp_path
    finally:
        for process in reversed(processes):
            process.terminate()
        for process in processes:
            try:
                process.wait(30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


# The driver, in a process of its own (this one may hold the local session): the functions' UDFs
# and a pandas UDF of one's own that uses the accessor through the helper, on 400 days; it prints
# the rows, and the ids of the processes that ran the UDFs.
DRIVER = """
import os, sys, json
import pandas as pd
from pyspark.sql import SparkSession, functions as F
import algorithms_c_spark as S
session = (SparkSession.builder.master(sys.argv[1]).config("spark.ui.enabled", "false")
           .config("spark.sql.session.timeZone", "Asia/Tehran").config("spark.driver.host", "127.0.0.1")
           .config("spark.driver.bindAddress", "127.0.0.1").config("spark.executor.memory", "512m")
           .config("spark.cores.max", "2").getOrCreate())
session.sparkContext.setLogLevel("ERROR")
S.register(session)
session.range(0, 400).select(F.timestamp_seconds(F.col("id") * 86_400 * 29 + 631_152_000).alias("ts")) \
    .createOrReplaceTempView("days")

@F.pandas_udf("int")
def pid(s: pd.Series) -> pd.Series:
    return pd.Series(os.getpid(), index=s.index, dtype="int32")

@F.pandas_udf("string")
def own(s: pd.Series) -> pd.Series:
    return S.jalali(s).strftime("%Y/%m/%d")

rows = session.sql("SELECT unix_micros(ts) AS micros, jalali_year(ts) AS y, jalali_strftime(ts, '%Y/%m/%d') AS t "
                   "FROM days").withColumn("own", own(F.timestamp_micros("micros")
                   .cast("timestamp_ntz"))).withColumn("pid", pid("micros")).toPandas()
print(json.dumps({"master": session.sparkContext.master, "driver": os.getpid(), "rows": rows.to_dict("list")}))
session.stop()
"""


def test_on_a_standalone_cluster(cluster):
    """Run by an executor that the worker started, with its own Python workers: the same
    results as the accessor's."""
    master, env, folder = cluster
    run = subprocess.run([sys.executable, "-c", DRIVER, master], capture_output=True, text=True, env=env,
                         timeout=600)
    assert run.returncode == 0, run.stderr[-6000:]
    import json
    result = json.loads(run.stdout.strip().splitlines()[-1])
    assert result["master"] == master
    rows = pd.DataFrame(result["rows"])
    instants = pd.Series(pd.to_datetime(rows["micros"], unit="us", utc=True)).dt.tz_convert(ZONE)
    accessor = algorithms_c_pandas.JalaliAccessor(instants)
    assert rows["y"].tolist() == accessor.year.tolist()
    assert rows["t"].tolist() == accessor.strftime("%Y/%m/%d").tolist() == rows["own"].tolist()
    assert result["driver"] not in set(rows["pid"])  # the UDFs ran in the executor's workers
    assert list((folder / "work").glob("app-*/*/stderr")), "the worker started no executor"
