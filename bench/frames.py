#!/usr/bin/env python3
"""Cost per date of the data-frame adapters on a column of datetimes with missing values, against
pandas' and polars' own Gregorian fields, jalali-pandas and jdatetime; and dask on a cluster of one
and of two worker processes against the same work in one process.

    python3 bench/frames.py           # figures into bench/frames.json and README.md
    python3 bench/frames.py --quick   # 10^4 dates, to see that it runs; into bench/out/ only

It works in the environment of run.py (bench/out/venv), with the data-frame libraries added.
"""

import json
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import run as bench  # noqa: E402
from arrays import ns_per_date  # noqa: E402

PEERS = ["pandas==3.1.2", "polars==2.2.0", "pyarrow==26.0.1", "dask[dataframe,distributed]==2026.11.0",
         "jalali-pandas==1.0.0", "jdatetime==6.1.1"]
BEGIN, END = "<!-- frames:begin -->", "<!-- frames:end -->"


def datetimes(count, seed=1):
    """`count` random instants of 1900 to 2100 as datetime64[ns], one in a thousand NaT."""
    import numpy as np

    rng = np.random.default_rng(seed)
    first, last = (np.datetime64(d, "ns").astype(np.int64) for d in ("1900-01-01", "2100-12-31"))
    ticks = rng.integers(first, last, count)
    ticks[rng.choice(count, count // 1000, replace=False)] = np.iinfo(np.int64).min
    return ticks.view("datetime64[ns]")


def side_by_side(contenders, count, repeats):
    """Every contender timed in turns within each repeat, so that the machine's drift is shared."""
    times = {name: [] for name in contenders}
    for _ in range(repeats):
        for name, function in contenders.items():
            start = time.perf_counter_ns()
            function()
            times[name].append((time.perf_counter_ns() - start) / count)
    return {name: statistics.median(t) for name, t in times.items()}


def measure(quick):
    import numpy as np
    import pandas as pd
    import polars as pl
    import jdatetime
    from jalali_pandas.serie_handler import JalaliSerieAccessor

    import algorithms_c_numpy as an
    import algorithms_c_pandas
    import algorithms_c_polars  # noqa: F401  (registers the namespace)

    count = 10_000 if quick else 1_000_000
    repeats = 3 if quick else 15
    series = pd.Series(datetimes(count))
    jalali = algorithms_c_pandas.JalaliAccessor(series)
    frame = pl.DataFrame({"d": pl.from_pandas(series)})

    def recipe():  # the README's former six lines
        known = series.notna().to_numpy()
        jd = series.to_numpy("datetime64[D]").astype(np.int64) + 2440587.5
        out = tuple(np.zeros(len(series), dtype=np.int32) for _ in range(3))
        parts = an.get_jalali_date_from_julian_day(jd, where=known, out=out)
        return [pd.arrays.IntegerArray(part, ~known) for part in parts]

    rows = side_by_side({
        "pandas .dt.year, .dt.month, .dt.day": lambda: (series.dt.year, series.dt.month, series.dt.day),
        "s.jalali.parts()": jalali.parts,
        "s.jalali.year": lambda: jalali.year,
        "the former six-line recipe": recipe,
        "polars dt.year(), dt.month(), dt.day()": lambda: frame.select(
            pl.col("d").dt.year().alias("y"), pl.col("d").dt.month().alias("m"), pl.col("d").dt.day().alias("dd")),
        "polars pl.col(...).jalali.parts()": lambda: frame.select(pl.col("d").jalali.parts()),
    }, count, repeats)

    few = 10_000 if not quick else 1_000
    small = series.dropna().iloc[:few]  # jalali-pandas' to_jalali fails on NaT
    stamps = [t.to_pydatetime() for t in small]

    def jalali_pandas():
        converted = JalaliSerieAccessor(small).to_jalali()
        accessor = JalaliSerieAccessor(converted)
        return accessor.year, accessor.month, accessor.day

    def jdatetime_loop():
        return [jdatetime.date.fromgregorian(date=t) for t in stamps]

    peers = side_by_side({"s.jalali.parts()": algorithms_c_pandas.JalaliAccessor(small).parts,
                          "jalali-pandas accessor (to_jalali, then year, month, day)": jalali_pandas,
                          "jdatetime.date.fromgregorian, per row": jdatetime_loop}, few, 3 if quick else 7)
    return {"dates": count, "repeats": repeats, "ns_per_date": rows, "peer_dates": few, "peers_ns_per_date": peers,
            "dask": dask_cluster(10**5 if quick else 10**7, 1 if quick else 5)}


def dask_cluster(count, repeats):
    """`parts()` on `count` dates held by a cluster of one and of two worker processes, against
    the accessor on the same Series in this process."""
    import dask.dataframe as dd
    import distributed
    import pandas as pd

    import algorithms_c_pandas

    series = pd.Series(datetimes(count, seed=2))
    result = {"dates": count, "one_process_ns_per_date": ns_per_date(
        lambda: algorithms_c_pandas.JalaliAccessor(series).parts(), count, repeats)}
    for workers in (1, 2):
        with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                      dashboard_address=":0") as cluster, distributed.Client(cluster) as client:
            column = dd.from_pandas(series, npartitions=8).persist()
            distributed.wait(column)
            client.run(lambda: __import__("algorithms_c_pandas"))  # the import is not part of the work

            def work():
                parts = column.jalali.parts().persist()
                distributed.wait(parts)
                del parts

            work()
            result[f"{workers}_workers_ns_per_date"] = ns_per_date(work, count, repeats)
    return result


def table(report):
    rows, peers, d = report["ns_per_date"], report["peers_ns_per_date"], report["dask"]
    pandas_own = rows["pandas .dt.year, .dt.month, .dt.day"]
    polars_own = rows["polars dt.year(), dt.month(), dt.day()"]
    lines = [f"| how, on {report['dates']:,} datetime64[ns] with 0.1 % NaT | ns per date | against the library's own fields |",
             "|---|---:|---:|"]
    for name, value in rows.items():
        own = polars_own if name.startswith("polars") else pandas_own
        lines.append(f"| {name} | {value:,.2f} | {value / own:.2f} |")
    lines += ["", f"| how, on {report['peer_dates']:,} of the same datetimes, no NaT | ns per date | against `s.jalali.parts()` |",
              "|---|---:|---:|"]
    ours = peers["s.jalali.parts()"]
    lines += [f"| {name} | {value:,.2f} | {value / ours:,.1f} |" for name, value in peers.items()]
    lines += ["", f"| dask, `parts()` on {d['dates']:,} dates in 8 partitions | ns per date |", "|---|---:|",
              f"| one process, pandas accessor on the whole Series | {d['one_process_ns_per_date']:,.2f} |",
              f"| LocalCluster, 1 worker process | {d['1_workers_ns_per_date']:,.2f} |",
              f"| LocalCluster, 2 worker processes | {d['2_workers_ns_per_date']:,.2f} |"]
    return "\n".join(lines)


def prepare():
    python = bench.prepare()
    bench.run(python, "-m", "pip", "install", "--quiet", *PEERS)
    return python


def main():
    quick = bench.quick_mode(__doc__, "10^4 dates; write into bench/out/ only", prepare, __file__)
    report = {"machine": bench.machine(), "quick": quick, **measure(quick)}
    print(table(report))
    folder = bench.OUT if quick else bench.ROOT / "bench"
    (folder / "frames.json").write_text(json.dumps(report, indent=2) + "\n")
    if not quick:
        info = report["machine"]
        bench.replace_in_readme(BEGIN, END, f"Measured on {info['date']}: {info['cpu']}, {info['cores']} cores, Python "
                                f"{info['python']}; random instants of 1900 to 2100, median of {report['repeats']} runs "
                                f"taken in turns.\n\n{table(report)}")


if __name__ == "__main__":
    main()
