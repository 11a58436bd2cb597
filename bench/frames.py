#!/usr/bin/env python3
"""Cost per date of the data-frame adapters on a column of datetimes with missing values, each
against the data-frame library's own Gregorian counterpart, in turns in one process: every field,
parts(), floor("month"), strftime and parsing text, in pandas and in polars; beside them jdatetime,
persiantools and jalali-pandas per row; and dask on a cluster of one and of two worker processes.

    python3 bench/frames.py           # figures into bench/frames.json, docs/performance.md, docs/images/frames.png, README.md
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
         "jalali-pandas==1.0.0", "jdatetime==6.1.1", "persiantools==6.2.0", "matplotlib", "holidays==0.109"]
BEGIN, END = "<!-- frames:begin -->", "<!-- frames:end -->"
SUMMARY_BEGIN, SUMMARY_END = "<!-- summary:begin -->", "<!-- summary:end -->"
PERFORMANCE = bench.PERFORMANCE
IMAGES = bench.ROOT / "docs" / "images"

# Each field of the accessor, and pandas' own field of the same meaning for Gregorian dates.
PANDAS_FIELDS = {"year": "year", "month": "month", "day": "day", "day_of_year": "day_of_year",
                 "day_of_week": "day_of_week", "quarter": "quarter", "days_in_month": "days_in_month",
                 "is_leap_year": "is_leap_year", "is_month_start": "is_month_start", "is_month_end": "is_month_end",
                 "is_quarter_start": "is_quarter_start", "is_quarter_end": "is_quarter_end",
                 "is_year_start": "is_year_start", "is_year_end": "is_year_end"}
# The same for polars: the namespace's method and polars' own dt method.
POLARS_METHODS = {"year": "year", "month": "month", "day": "day", "day_of_year": "ordinal_day",
                  "day_of_week": "weekday", "week_of_year": "week", "quarter": "quarter",
                  "days_in_month": "days_in_month", "is_leap_year": "is_leap_year"}


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


def pairs(cases, count, repeats):
    """{name: (ours, theirs, ours / theirs)} of (ours, theirs) functions, each pair in turns."""
    result = {}
    for name, (ours, theirs) in cases.items():
        timed = side_by_side({"ours": ours, "theirs": theirs}, count, repeats)
        result[name] = (timed["ours"], timed["theirs"], timed["ours"] / timed["theirs"])
    return result


def measure(quick):
    import pandas as pd
    import polars as pl

    import algorithms_c_pandas as ap
    import algorithms_c_polars  # noqa: F401  (registers the namespace)

    count = 10_000 if quick else 1_000_000
    repeats = 3 if quick else 11
    series = pd.Series(datetimes(count))
    jalali = ap.JalaliAccessor(series)
    frame = pl.DataFrame({"d": pl.from_pandas(series)})
    column = pl.col("d")

    pandas = {f"s.jalali.{name}": (lambda n=name: getattr(jalali, n), lambda o=own: getattr(series.dt, o))
              for name, own in PANDAS_FIELDS.items()}
    pandas["s.jalali.week_of_year"] = (lambda: jalali.week_of_year, lambda: series.dt.isocalendar().week)
    pandas["s.jalali.parts()"] = (jalali.parts, lambda: (series.dt.year, series.dt.month, series.dt.day))
    pandas['s.jalali.floor("month")'] = (lambda: jalali.floor("month"),
                                         lambda: series.dt.to_period("M").dt.start_time)
    pandas["s.jalali.add_months(1)"] = (lambda: jalali.add_months(1), lambda: series + pd.DateOffset(months=1))
    pandas['s.jalali.strftime("%Y/%m/%d")'] = (lambda: jalali.strftime("%Y/%m/%d"),
                                               lambda: series.dt.strftime("%Y/%m/%d"))
    jalali_text = jalali.strftime("%Y/%m/%d")
    gregorian_text = series.dt.strftime("%Y/%m/%d").astype("string[pyarrow]")
    pandas['to_datetime(text), "1402/12/29"'] = (lambda: ap.to_datetime(jalali_text),
                                                 lambda: pd.to_datetime(gregorian_text, format="%Y/%m/%d"))
    polars = {f"pl.col(...).jalali.{name}()": (
        lambda n=name: frame.select(getattr(column.jalali, n)()),
        lambda o=own: frame.select(getattr(column.dt, o)())) for name, own in POLARS_METHODS.items()}
    polars["pl.col(...).jalali.parts()"] = (lambda: frame.select(column.jalali.parts()), lambda: frame.select(
        column.dt.year().alias("y"), column.dt.month().alias("m"), column.dt.day().alias("dd")))
    polars['pl.col(...).jalali.floor("month")'] = (lambda: frame.select(column.jalali.floor("month")),
                                                   lambda: frame.select(column.dt.truncate("1mo")))
    polars['pl.col(...).jalali.strftime("%Y/%m/%d")'] = (lambda: frame.select(column.jalali.strftime("%Y/%m/%d")),
                                                         lambda: frame.select(column.dt.strftime("%Y/%m/%d")))
    text = pl.DataFrame({"s": pl.from_pandas(jalali_text.astype(object))})
    gregorian = frame.select(column.dt.strftime("%Y/%m/%d").alias("s"))
    polars['pl.col(...).jalali.to_date(), "1402/12/29"'] = (
        lambda: text.select(pl.col("s").jalali.to_date()),
        lambda: gregorian.select(pl.col("s").str.to_date("%Y/%m/%d")))
    return {"dates": count, "repeats": repeats, "pandas": pairs(pandas, count, repeats),
            "polars": pairs(polars, count, repeats), "workdays": workdays(count, repeats),
            "peers": peers(series, quick),
            "dask": dask_cluster(10**5 if quick else 10**7, 1 if quick else 5)}


def workdays(count, repeats):
    """Working days and whole months on `count` datetimes of 1981 to 2099 (the years of the
    holidays package, so that none warns) with 0.1 % NaT, against NumPy's business-day
    functions on the same dates already as datetime64[D] (a valid day in place of NaT, which
    they refuse) with the same weekmask and holidays, and against pandas' month difference."""
    import holidays
    import numpy as np
    import pandas as pd

    import algorithms_c_pandas as ap

    rng = np.random.default_rng(3)
    first, last = (np.datetime64(d, "ns").astype(np.int64) for d in ("1981-01-01", "2099-12-31"))
    ticks = rng.integers(first, last, count)
    ticks[rng.choice(count, count // 1000, replace=False)] = np.iinfo(np.int64).min
    a, b = pd.Series(ticks.view("datetime64[ns]")), pd.Series(rng.permutation(ticks).view("datetime64[ns]"))
    days = a.to_numpy().astype("datetime64[D]")
    days[np.isnat(days)] = np.datetime64("2000-01-01")
    table = np.array(sorted(holidays.country_holidays("IR", years=range(1981, 2100))), "datetime64[D]")
    cases = {
        "s.jalali.is_working_day()": (a.jalali.is_working_day,
                                      lambda: np.is_busday(days, weekmask="1111011", holidays=table)),
        "s.jalali.add_working_days(10)": (lambda: a.jalali.add_working_days(10), lambda: np.busday_offset(
            days, 10, roll="forward", weekmask="1111011", holidays=table)),
        "s.jalali.is_holiday": (lambda: a.jalali.is_holiday,
                                lambda: ~np.is_busday(days, weekmask="1111111", holidays=table)),
        "s.jalali.months_between(b)": (lambda: a.jalali.months_between(b),
                                       lambda: a.dt.to_period("M") - b.dt.to_period("M")),
    }
    return pairs(cases, count, repeats)


def peers(series, quick):
    """The accessor and the per-row peers on the same datetimes, without NaT (jalali-pandas'
    to_jalali refuses it): the date's parts, the date written, and text read."""
    import jdatetime
    import persiantools.jdatetime as persiantools
    from jalali_pandas.serie_handler import JalaliSerieAccessor

    import algorithms_c_pandas as ap

    few = 1_000 if quick else 10_000
    small = series.dropna().iloc[:few].reset_index(drop=True)
    dates = [t.date() for t in small]
    ours = ap.JalaliAccessor(small)
    text = ours.strftime("%Y/%m/%d")
    strings = text.tolist()

    def jalali_pandas():
        accessor = JalaliSerieAccessor(JalaliSerieAccessor(small).to_jalali())
        return accessor.year, accessor.month, accessor.day

    rows = {
        "parts: s.jalali.parts()": ours.parts,
        "parts: jalali-pandas accessor (to_jalali, then year, month, day)": jalali_pandas,
        "parts: jdatetime.date.fromgregorian, per row": lambda: [jdatetime.date.fromgregorian(date=d) for d in dates],
        "parts: persiantools JalaliDate, per row": lambda: [persiantools.JalaliDate(d) for d in dates],
        'strftime: s.jalali.strftime("%Y/%m/%d")': lambda: ours.strftime("%Y/%m/%d"),
        "strftime: jdatetime, per row": lambda: [jdatetime.date.fromgregorian(date=d).strftime("%Y/%m/%d")
                                                 for d in dates],
        "strftime: persiantools, per row": lambda: [persiantools.JalaliDate(d).strftime("%Y/%m/%d") for d in dates],
        "to_datetime: algorithms_c_pandas.to_datetime(text)": lambda: ap.to_datetime(text),
        "to_datetime: jdatetime.datetime.strptime, per row": lambda: [
            jdatetime.datetime.strptime(s, "%Y/%m/%d").togregorian() for s in strings],
        "to_datetime: persiantools strptime, per row": lambda: [
            persiantools.JalaliDateTime.strptime(s, "%Y/%m/%d").to_gregorian() for s in strings],
    }
    return {"dates": few, "ns_per_date": side_by_side(rows, few, 3 if quick else 7)}


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


def pair_table(title, rows, theirs):
    lines = [f"| {title} | ns per date | {theirs} ns | × {theirs} |", "|---|---:|---:|---:|"]
    lines += [f"| {name} | {ours:,.2f} | {other:,.2f} | {ratio:.2f} |" for name, (ours, other, ratio) in rows.items()]
    return lines


def table(report):
    count = f"{report['dates']:,}"
    lines = pair_table(f"pandas, on {count} datetime64[ns] with 0.1 % NaT", report["pandas"], "pandas' own")
    lines += [""] + pair_table(f"polars, on the same {count}", report["polars"], "polars' own")
    lines += [""] + pair_table(f"working days and months, on {count} datetime64[ns] of 1981 to 2099 with 0.1 % NaT",
                               report["workdays"], "NumPy's (pandas' for months)")
    p = report["peers"]
    lines += ["", f"| per-row peers, on {p['dates']:,} of the same datetimes, no NaT | ns per date |", "|---|---:|"]
    lines += [f"| {name} | {value:,.2f} |" for name, value in p["ns_per_date"].items()]
    d = report["dask"]
    lines += ["", f"| dask, `parts()` on {d['dates']:,} dates in 8 partitions | ns per date |", "|---|---:|",
              f"| one process, pandas accessor on the whole Series | {d['one_process_ns_per_date']:,.2f} |",
              f"| LocalCluster, 1 worker process | {d['1_workers_ns_per_date']:,.2f} |",
              f"| LocalCluster, 2 worker processes | {d['2_workers_ns_per_date']:,.2f} |"]
    return "\n".join(lines)


# The README's few rows: each a way in, ours against the library's own Gregorian counterpart.
SUMMARY = [("pandas", "s.jalali.year"), ("pandas", "s.jalali.parts()"), ("pandas", 's.jalali.floor("month")'),
           ("pandas", 's.jalali.strftime("%Y/%m/%d")'), ("pandas", 'to_datetime(text), "1402/12/29"'),
           ("polars", "pl.col(...).jalali.year()"), ("polars", 'pl.col(...).jalali.strftime("%Y/%m/%d")'),
           ("polars", 'pl.col(...).jalali.to_date(), "1402/12/29"')]


def summary(report):
    lines = [f"| on {report['dates']:,} datetimes | ns per date | the library's own, Gregorian | × |",
             "|---|---:|---:|---:|"]
    for library, name in SUMMARY:
        ours, theirs, ratio = report[library][name]
        lines.append(f"| {name} | {ours:,.1f} | {theirs:,.1f} | {ratio:.2f} |")
    return "\n".join(lines)


def chart(report, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    names = [name for _, name in SUMMARY]
    ours = [report[library][name][0] for library, name in SUMMARY]
    theirs = [report[library][name][1] for library, name in SUMMARY]
    figure, axes = plt.subplots(figsize=(9, 0.5 * len(names) + 1.5))
    rows = range(len(names))
    axes.barh([r - 0.2 for r in rows], theirs, height=0.4, color="tab:gray", label="the library's own, Gregorian")
    axes.barh([r + 0.2 for r in rows], ours, height=0.4, color="tab:blue", label="algorithms_c, Jalali")
    axes.set_yticks(list(rows), names, fontsize=8)
    axes.invert_yaxis()
    axes.set_xscale("log")
    axes.set_xlabel("ns per date (median, log scale; shorter is faster)")
    axes.legend(fontsize=8)
    info = report["machine"]
    axes.set_title(f"{report['dates']:,} datetimes, Python {info['python']}, {info['cpu']}, {info['date']}", fontsize=9)
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def prepare():
    python = bench.prepare()
    bench.run(python, "-m", "pip", "install", "--quiet", *PEERS)
    return python


def main():
    quick = bench.quick_mode(__doc__, "10^4 dates; write into bench/out/ only", prepare, __file__)
    report = {"machine": bench.machine(), "quick": quick, **measure(quick)}
    print(table(report))
    print(summary(report))
    folder = bench.OUT if quick else bench.ROOT / "bench"
    (folder / "frames.json").write_text(json.dumps(report, indent=2) + "\n")
    chart(report, (bench.OUT if quick else IMAGES) / "frames.png")
    if not quick:
        info = report["machine"]
        stamp = (f"Measured on {info['date']}: {info['cpu']}, {info['cores']} cores, Python {info['python']}; random "
                 f"instants of 1900 to 2100, median of {report['repeats']} runs taken in turns.")
        bench.replace_between(PERFORMANCE, BEGIN, END, f"{stamp}\n\n{table(report)}")
        bench.replace_between(bench.ROOT / "README.md", SUMMARY_BEGIN, SUMMARY_END,
                              f"{stamp}\n\n{summary(report)}\n\n![ns per date](docs/images/frames.png)")


if __name__ == "__main__":
    main()
