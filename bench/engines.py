#!/usr/bin/env python3
"""Cost per row of the Jalali functions in SQL engines, each query against the engine's own
Gregorian counterpart in turns in one process, and against a per-row Python function over
jdatetime: in DuckDB, every field, trunc, the month step, strftime and strptime over a table of
10^7 timestamps, on two threads; in Spark, the same over 4*10^6 cached timestamps on local[2],
for two sizes of Arrow batch (Spark needs Java 17 or later, else its part says so).

    python3 bench/engines.py           # figures into bench/engines.json and docs/performance.md
    python3 bench/engines.py --quick   # 10^5 rows, to see that it runs; into bench/out/ only

It works in the environment of run.py (bench/out/venv), with the engines added. Each engine has
a function of its own, measure_<engine>(quick), which gives its rows of the table.
"""

import json
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import run as bench  # noqa: E402

PEERS = ["duckdb==2.0.1", "pyarrow==26.0.1", "jdatetime==6.1.1", "pandas==3.1.2", "pyspark==4.3.0"]
BEGIN, END = "<!-- engines:begin -->", "<!-- engines:end -->"
THREADS = 2


def best_of(contenders, repeats):
    """The shortest time of each contender, in seconds, timed in turns within each repeat so
    that the machine's drift is shared. The best rather than the median: the machine is shared,
    and the least disturbed run is the one nearest the work itself."""
    times = {name: [] for name in contenders}
    for _ in range(repeats):
        for name, function in contenders.items():
            start = time.perf_counter()
            function()
            times[name].append(time.perf_counter() - start)
    return {name: min(t) for name, t in times.items()}


# Each DuckDB query: ours, and DuckDB's own of the same kind, each aggregated to one row so that
# the cost is the function's and not that of handing rows to Python.
DUCKDB_FIELDS = {"year": "year", "month": "month", "day": "day", "dayofyear": "dayofyear",
                 "dayofweek": "dayofweek", "week": "week", "quarter": "quarter", "days_in_month": None,
                 "days_in_year": None, "is_leap_year": None}


def duckdb_queries():
    queries = {}
    for name, theirs in DUCKDB_FIELDS.items():
        aggregate = "count_if" if name.startswith("is_") else "sum"
        # where DuckDB has no counterpart, against its year()
        queries[f"jalali_{name}(ts)"] = (f"SELECT {aggregate}(jalali_{name}(ts)) FROM t",
                                          f"SELECT sum({theirs or 'year'}(ts)) FROM t")
    # the floor of any Arrow function: DuckDB's hand-over of each batch to Python and back
    queries["hand-over alone"] = ("SELECT sum(handed_over(ts)) FROM t", "SELECT sum(year(ts)) FROM t")
    queries["jalali_trunc('month', ts)"] = ("SELECT max(jalali_trunc('month', ts)) FROM t",
                                            "SELECT max(date_trunc('month', ts)) FROM t")
    queries["jalali_add_months(ts, 1)"] = ("SELECT max(jalali_add_months(ts, 1)) FROM t",
                                           "SELECT max(ts + INTERVAL 1 MONTH) FROM t")
    queries["jalali_strftime(ts, '%Y/%m/%d')"] = ("SELECT max(jalali_strftime(ts, '%Y/%m/%d')) FROM t",
                                                  "SELECT max(strftime(ts, '%Y/%m/%d')) FROM t")
    queries["jalali_strptime(text, '%Y/%m/%d')"] = ("SELECT max(jalali_strptime(jalali, '%Y/%m/%d')) FROM t",
                                                    "SELECT max(strptime(gregorian, '%Y/%m/%d')) FROM t")
    return queries


def measure_duckdb(quick):
    import duckdb
    import jdatetime
    import numpy as np
    import pyarrow as pa

    import algorithms_c_duckdb

    rows = 10**5 if quick else 10**7
    repeats = 2 if quick else 5
    con = duckdb.connect()
    con.execute(f"SET threads = {THREADS}")
    algorithms_c_duckdb.register(con)
    # random instants of 1900 to 2100, and their dates as Jalali and as Gregorian text
    con.execute(f"""CREATE TABLE t AS SELECT ts, jalali_strftime(ts, '%Y/%m/%d') AS jalali,
                    strftime(ts, '%Y/%m/%d') AS gregorian
                    FROM (SELECT TIMESTAMP '1900-01-01' + to_microseconds((random() * 6.343e15)::BIGINT) AS ts
                          FROM range({rows}))""")
    # a per-row Python function over jdatetime, the way open to an analyst without this module
    con.create_function("jdatetime_year", lambda ts: jdatetime.date.fromgregorian(date=ts).year, ["TIMESTAMP"],
                        "INTEGER")
    ready = pa.array(np.zeros(2048, np.int32))  # DuckDB's batches are of 2,048 rows, the last fewer
    con.create_function("handed_over", lambda ts: ready if len(ts) == len(ready) else ready[:len(ts)],
                        ["TIMESTAMP"], "INTEGER", type="arrow")
    # the per-row function over a thousandth of the rows, in the same turns as each pair
    few = rows // 1000
    per_row_query = f"SELECT sum(jdatetime_year(ts)) FROM (SELECT ts FROM t LIMIT {few})"
    results, per_row = [], []
    for name, (ours, theirs) in duckdb_queries().items():
        timed = best_of({"ours": lambda: con.execute(ours).fetchall(),
                         "theirs": lambda: con.execute(theirs).fetchall(),
                         "per_row": lambda: con.execute(per_row_query).fetchall()}, repeats)
        per_row.append(timed["per_row"] / few)
        results.append({"function": name, "ours_ns": 1e9 * timed["ours"] / rows,
                        "theirs_ns": 1e9 * timed["theirs"] / rows, "ratio": timed["ours"] / timed["theirs"],
                        "per_row_speedup": per_row[-1] / (timed["ours"] / rows)})
    return {"rows": rows, "repeats": repeats, "threads": THREADS, "per_row_ns": 1e9 * min(per_row),
            "duckdb": duckdb.__version__, "results": results}


# Each Spark query: ours, and Spark's own of the same kind, each aggregated to one row.
SPARK_FIELDS = ["year", "month", "day", "dayofyear", "dayofweek", "week", "quarter", "days_in_month",
                "days_in_year", "is_leap_year"]
SPARK_BATCHES = [10_000, 100_000]  # spark.sql.execution.arrow.maxRecordsPerBatch: Spark's default, and more


def spark_queries(S, F):
    queries = {}
    for name in SPARK_FIELDS:
        ours = getattr(S, f"jalali_{name}")("ts")
        queries[f"jalali_{name}(ts)"] = (F.count_if(ours) if name.startswith("is_") else F.sum(ours),
                                         F.sum(F.year("ts")), "year(ts)")
    queries["jalali_trunc('month', ts)"] = (F.max(S.jalali_trunc("month", "ts")), F.max(F.date_trunc("month", "ts")),
                                            "date_trunc('month', ts)")
    queries["jalali_add_months(ts, 1)"] = (F.max(S.jalali_add_months("ts", 1)), F.max(F.add_months("ts", 1)),
                                           "add_months(ts, 1)")
    queries["jalali_strftime(ts, '%Y/%m/%d')"] = (F.max(S.jalali_strftime("ts", "%Y/%m/%d")),
                                                  F.max(F.date_format("ts", "yyyy/MM/dd")),
                                                  "date_format(ts, 'yyyy/MM/dd')")
    queries["jalali_strptime(text)"] = (F.max(S.jalali_strptime("jalali")),
                                        F.max(F.to_timestamp("gregorian", "yyyy/MM/dd")),
                                        "to_timestamp(text, 'yyyy/MM/dd')")
    return queries


def java_version():
    import re
    import subprocess

    try:
        text = subprocess.run(["java", "-version"], capture_output=True, text=True).stderr
    except OSError:
        return 0
    found = re.search(r'version "(?:1\.)?(\d+)', text)
    return int(found.group(1)) if found else 0


def measure_spark(quick):
    if java_version() < 17:
        return {"skipped": "Spark needs Java 17 or later, which this machine lacks"}
    import os

    import jdatetime
    import pyspark
    from pyspark.sql import SparkSession
    from pyspark.sql import functions as F

    import algorithms_c_spark as S

    os.environ.setdefault("PYSPARK_PYTHON", sys.executable)
    os.environ.setdefault("SPARK_LOCAL_IP", "127.0.0.1")
    rows = 10**5 if quick else 4 * 10**6
    repeats = 1 if quick else 3
    spark = (SparkSession.builder.master(f"local[{THREADS}]").config("spark.ui.enabled", "false")
             .config("spark.driver.memory", "2g").config("spark.sql.session.timeZone", "Asia/Tehran")
             .config("spark.sql.shuffle.partitions", str(THREADS)).getOrCreate())
    spark.sparkContext.setLogLevel("ERROR")
    first, last = -2_208_988_800, 4_102_444_800  # 1900 to 2100
    df = (spark.range(rows, numPartitions=THREADS)
          .select(F.timestamp_seconds((F.rand(1) * (last - first) + first).cast("bigint")).alias("ts"))
          .withColumn("gregorian", F.date_format("ts", "yyyy/MM/dd")))
    df = df.withColumn("jalali", S.jalali_strftime("ts", "%Y/%m/%d")).cache()
    df.count()

    def run(column):
        return lambda: df.select(column).collect()

    @F.udf("int")
    def per_row_year(stamp):
        return None if stamp is None else jdatetime.datetime.fromgregorian(datetime=stamp).year

    sample = df.limit(rows // 10).cache()
    sample.count()
    per_row = best_of({"per row": lambda: sample.select(F.sum(per_row_year("ts"))).collect()}, repeats)
    per_row_ns = 1e9 * per_row["per row"] / (rows // 10)
    batches = {}
    results = []
    for batch in SPARK_BATCHES[:1] if quick else SPARK_BATCHES:
        spark.conf.set("spark.sql.execution.arrow.maxRecordsPerBatch", str(batch))
        for name, (ours, theirs, theirs_name) in spark_queries(S, F).items():
            timed = best_of({"ours": run(ours), "theirs": run(theirs)}, repeats)
            results.append({"function": name, "batch": batch, "theirs": theirs_name,
                            "ours_ns": 1e9 * timed["ours"] / rows, "theirs_ns": 1e9 * timed["theirs"] / rows,
                            "ratio": timed["ours"] / timed["theirs"],
                            "per_row_speedup": per_row_ns / (1e9 * timed["ours"] / rows)})
        batches[batch] = sum(r["ours_ns"] for r in results if r["batch"] == batch)
    spark.stop()
    return {"rows": rows, "repeats": repeats, "threads": THREADS, "per_row_ns": per_row_ns,
            "spark": pyspark.__version__, "best_batch": min(batches, key=batches.get), "results": results}


ENGINES = {"duckdb": measure_duckdb, "spark": measure_spark}


def theirs_name(query):
    """DuckDB's own function of a query: the call inside its aggregate."""
    inner = query.split("(", 1)[1]
    return inner.rsplit(" FROM", 1)[0][:-1]


def duckdb_table(report):
    lines = [f"DuckDB {report['duckdb']}, a table of {report['rows']:,} timestamps, {report['threads']} threads; "
             f"a per-row Python function over jdatetime costs {report['per_row_ns']:,.0f} ns a row.", "",
             "| function | ns per row | DuckDB's own | its ns per row | ratio | faster than per row |",
             "|---|---:|---|---:|---:|---:|"]
    queries = duckdb_queries()
    for row in report["results"]:
        theirs = theirs_name(queries[row["function"]][1])
        name = row["function"] if row["function"].startswith("hand") else f"`{row['function']}`"
        lines.append(f"| {name} | {row['ours_ns']:.1f} | `{theirs}` | {row['theirs_ns']:.1f} "
                     f"| {row['ratio']:.1f} | {row['per_row_speedup']:,.0f}x |")
    return "\n".join(lines)


def spark_table(report):
    if "skipped" in report:
        return f"Spark: skipped, {report['skipped']}."
    lines = [f"Spark {report['spark']}, {report['rows']:,} cached timestamps, local[{report['threads']}], the "
             f"session in Asia/Tehran; a per-row Python UDF over jdatetime costs {report['per_row_ns']:,.0f} ns a "
             f"row. By the size of Arrow batch (`spark.sql.execution.arrow.maxRecordsPerBatch`):", "",
             "| function | batch | ns per row | Spark's own | its ns per row | ratio | faster than per row |",
             "|---|---:|---:|---|---:|---:|---:|"]
    for row in report["results"]:
        lines.append(f"| `{row['function']}` | {row['batch']:,} | {row['ours_ns']:.0f} | `{row['theirs']}` "
                     f"| {row['theirs_ns']:.0f} | {row['ratio']:.1f} | {row['per_row_speedup']:,.0f}x |")
    return "\n".join(lines)


TABLES = {"duckdb": duckdb_table, "spark": spark_table}


def prepare():
    python = bench.prepare()
    bench.run(python, "-m", "pip", "install", "--quiet", *PEERS)
    return python


def main():
    quick = bench.quick_mode(__doc__, "10^5 rows; write into bench/out/ only", prepare, __file__)
    report = {"machine": bench.machine(), "quick": quick,
              **{engine: measure(quick) for engine, measure in ENGINES.items()}}
    text = "\n\n".join(TABLES[engine](report[engine]) for engine in ENGINES)
    print(text)
    folder = bench.OUT if quick else bench.ROOT / "bench"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "engines.json").write_text(json.dumps(report, indent=2) + "\n")
    if not quick:
        info = report["machine"]
        stamp = (f"Measured on {info['date']}: {info['cpu']}, {info['cores']} cores, Python {info['python']}; the "
                 f"best of several runs taken in turns, on a machine shared with other work.")
        bench.replace_between(bench.PERFORMANCE, BEGIN, END, f"{stamp}\n\n{text}")


if __name__ == "__main__":
    main()
