#!/usr/bin/env python3
"""Cost per date of algorithms_c_numpy on a column of random dates, against the per-call loop,
pyerfa, pandas and jalali-pandas, and against the arithmetic's own limit, a plain C++ loop.

    python3 bench/arrays.py           # figures into bench/arrays.json, docs/images/arrays.png, docs/performance.md
    python3 bench/arrays.py --quick   # 10^4 dates, to see that it runs; into bench/out/ only

It works in the environment of run.py (bench/out/venv), with pyerfa, pandas and jalali-pandas
added, and measures every contender in one process on the same dates of 1900 to 2100.
"""

import ctypes
import importlib.util
import json
import os
import shutil
import statistics
import subprocess
import sys
import threading
import time
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import run as bench  # noqa: E402

PEERS = ["pyerfa==2.0.1.5", "pandas==3.1.2", "jalali-pandas==1.0.0"]
BEGIN, END = "<!-- arrays:begin -->", "<!-- arrays:end -->"
ASTRONOMICAL_BEGIN, ASTRONOMICAL_END = "<!-- astronomical:begin -->", "<!-- astronomical:end -->"


# Other builds of the array module, each timed beside the default one: the build
# type that distributions and `-C cmake.build-type=` give, and clang.
BUILDS = {"RelWithDebInfo (-O2) build": ["-C", "cmake.build-type=RelWithDebInfo"],
          "clang build": ["-C", "cmake.define.CMAKE_CXX_COMPILER=clang++"]}


def prepare():
    python = bench.prepare()
    bench.run(python, "-m", "pip", "install", "--quiet", *PEERS)
    flags = ["-std=c++17", "-Wall", "-Wextra", f"-I{bench.ROOT}", bench.ROOT / "bench" / "loop.cpp"]
    bench.run("g++", "-O2", *flags, "-o", bench.OUT / "loop")
    bench.run("g++", "-O3", "-shared", "-fPIC", "-DMATCHED_FLOORS", *flags, "-o", bench.OUT / "floors.so")
    for name, options in BUILDS.items():
        folder = bench.OUT / "builds" / name.split()[0]
        if shutil.which("clang++") is None and "clang" in name:
            print(f"skipped: the {name}, clang++ is not installed")
            continue
        bench.run(python, "-m", "pip", "wheel", "--quiet", "--no-deps", *options, "-w", folder, bench.ROOT)
        wheel = max(folder.glob("*.whl"), key=lambda w: w.stat().st_mtime)
        with zipfile.ZipFile(wheel) as archive:
            member = next(n for n in archive.namelist() if n.startswith("algorithms_c_numpy."))
            (folder / "algorithms_c_numpy.so").write_bytes(archive.read(member))
    return python


def columns(count):
    """`count` random days of 1900 to 2100: Gregorian and Jalali int32 columns, julian days, datetime64."""
    import numpy as np
    import algorithms_c_numpy as an

    rng = np.random.default_rng(1)
    first, last = (np.datetime64(d, "D").astype(np.int64) for d in ("1900-01-01", "2100-12-31"))
    days = rng.integers(first, last + 1, count)
    datetimes = days.astype("datetime64[D]")
    julian_days = days + 2440587.5
    gregorian = an.get_gregorian_date_from_julian_day(julian_days)
    jalali = an.get_jalali_date_from_julian_day(julian_days)
    return gregorian, jalali, julian_days, datetimes


def ns_per_date(function, count, repeats):
    """The median over `repeats` calls of `function` of the time per date."""
    times = []
    for _ in range(repeats):
        start = time.perf_counter_ns()
        function()
        times.append((time.perf_counter_ns() - start) / count)
    return statistics.median(times)


def measure(quick):
    import numpy as np
    import pandas as pd
    import erfa
    from jalali_pandas.core.conversion import datetime64_to_jalali

    import algorithms_c as ac
    import algorithms_c_numpy as an

    count = 10_000 if quick else 1_000_000
    repeats = 3 if quick else 15
    (gy, gm, gd), (jy, jm, jd), julian_days, datetimes = columns(count)
    series = pd.Series(datetimes.astype("datetime64[ns]"))
    as_lists = [a.tolist() for a in (gy, gm, gd)]
    ufuncs = {
        "get_julian_day_from_gregorian_date": (gy, gm, gd),
        "is_jalali_leap_year": (jy,),
        "get_days_in_jalali_year": (jy,),
        "get_days_in_jalali_month": (jy, jm),
        "get_julian_day_from_jalali_date": (jy, jm, jd),
        "get_jalali_date_from_julian_day": (julian_days,),
        "get_gregorian_date_from_julian_day": (julian_days,),
        "get_jalali_date_from_gregorian_date": (gy, gm, gd),
    }
    rows = {f"algorithms_c_numpy.{name}": ns_per_date(lambda: getattr(an, name)(*args), count, repeats)
            for name, args in ufuncs.items()}
    rows["per-call loop, get_jalali_date_from_gregorian_date"] = ns_per_date(
        lambda: [ac.get_jalali_date_from_gregorian_date(*date) for date in zip(*as_lists)], count, max(3, repeats // 5))
    rows["pyerfa cal2jd (Gregorian to julian day)"] = ns_per_date(lambda: erfa.cal2jd(gy, gm, gd), count, repeats)
    rows["pyerfa jd2cal (julian day to Gregorian)"] = ns_per_date(lambda: erfa.jd2cal(julian_days, 0.0), count, repeats)
    rows["pandas .dt.year, .dt.month, .dt.day"] = ns_per_date(
        lambda: (series.dt.year, series.dt.month, series.dt.day), count, repeats)
    rows["jalali-pandas datetime64_to_jalali"] = ns_per_date(lambda: datetime64_to_jalali(datetimes), count, 3)
    loop = json.loads(subprocess.run([str(bench.OUT / "loop")], check=True, capture_output=True, text=True).stdout)
    rows.update({f"C++ loop, {name}": value for name, value in loop.items()})
    return {"dates": count, "repeats": repeats, "ns_per_date": rows, "astronomical": astronomical(count, repeats),
            "matched_floor": matched_floor(quick), "threads": threads(10**5 if quick else 10**7),
            "memory": memory(10 if quick else 1000, count)}


def astronomical(count, repeats):
    """Each Jalali ufunc of the astronomical calendar against the arithmetic one, in turns, on
    the same random dates of 1900 to 2100 (the Jalali dates in the astronomical calendar)."""
    import numpy as np
    import algorithms_c_numpy as an

    (gy, gm, gd), _, julian_days, _ = columns(count)
    jy, jm, jd = an.astronomical.get_jalali_date_from_julian_day(julian_days)
    cases = {"is_jalali_leap_year": (jy,), "get_days_in_jalali_year": (jy,), "get_days_in_jalali_month": (jy, jm),
             "get_julian_day_from_jalali_date": (jy, jm, jd), "get_jalali_date_from_julian_day": (julian_days,),
             "get_jalali_date_from_gregorian_date": (gy, gm, gd)}
    result = {}
    for name, args in cases.items():
        ours, theirs = getattr(an.astronomical, name), getattr(an.arithmetic, name)
        ns, arithmetic_ns, ratio = paired(lambda: ours(*args), lambda: theirs(*args), count, repeats)
        result[name] = {"ns_per_date": ns, "arithmetic_ns_per_date": arithmetic_ns, "ratio": ratio}
    return result


def paired(first, second, count, repeats):
    """Median ns per date of each, and the median of their ratios, timed in turns."""
    a, b = [], []
    for _ in range(repeats):
        for times, function in ((a, first), (b, second)):
            start = time.perf_counter_ns()
            function()
            times.append((time.perf_counter_ns() - start) / count)
    return statistics.median(a), statistics.median(b), statistics.median(x / y for x, y in zip(a, b))


def other_builds():
    """The array module of each other build, loaded beside the default one."""
    modules = {}
    for name in BUILDS:
        path = bench.OUT / "builds" / name.split()[0] / "algorithms_c_numpy.so"
        if path.exists():
            found = importlib.util.spec_from_file_location("algorithms_c_numpy", path)
            module = importlib.util.module_from_spec(found)
            found.loader.exec_module(module)
            modules[name] = module
    return modules


def matched_floor(quick):
    """Each ufunc at 10^4 and 10^6 dates against the matched floor of its signature, on the same
    columns; strided columns against contiguous ones; the other builds against the default."""
    import numpy as np
    import algorithms_c_numpy as an

    floors = ctypes.CDLL(str(bench.OUT / "floors.so"))
    pointer = lambda a: ctypes.c_void_p(a.ctypes.data)  # noqa: E731
    result = {}
    builds = other_builds()
    for count in (10_000,) if quick else (10_000, 1_000_000):
        repeats = 5 if quick else (41 if count < 10**6 else 15)
        rounds = max(1, 200_000 // count)  # calls a timing, so that one lasts long enough to time
        (gy, gm, gd), (jy, jm, jd), julian_days, _ = columns(count)
        outputs = {t: [np.empty(count, t) for _ in range(3)] for t in (np.int32, np.float64, np.bool_)}
        i32, f64, b = outputs[np.int32], outputs[np.float64], outputs[np.bool_]
        cases = {
            "get_julian_day_from_gregorian_date": ((gy, gm, gd), (f64[0],), "floor_3i_1d"),
            "is_jalali_leap_year": ((jy,), (b[0],), "floor_1i_1b"),
            "get_days_in_jalali_year": ((jy,), (i32[0],), "floor_1i_1i"),
            "get_days_in_jalali_month": ((jy, jm), (i32[0],), "floor_2i_1i"),
            "get_julian_day_from_jalali_date": ((jy, jm, jd), (f64[0],), "floor_3i_1d"),
            "get_jalali_date_from_julian_day": ((julian_days,), tuple(i32), "floor_1d_3i"),
            "get_gregorian_date_from_julian_day": ((julian_days,), tuple(i32), "floor_1d_3i"),
            "get_jalali_date_from_gregorian_date": ((gy, gm, gd), tuple(i32), "floor_3i_3i"),
        }
        for name, (args, out, floor_name) in cases.items():
            ufunc, floor = getattr(an, name), getattr(floors, floor_name)
            floor_args = [pointer(a) for a in (*args, *out)] + [ctypes.c_int64(count)]
            out_arg = out if len(out) > 1 else out[0]

            def call(u=ufunc):
                for _ in range(rounds):
                    u(*args, out=out_arg)

            def floor_call():
                for _ in range(rounds):
                    floor(*floor_args)

            ns, floor_ns, ratio = paired(call, floor_call, count * rounds, repeats)
            row = {"ns_per_date": ns, "floor_ns_per_date": floor_ns, "ratio_to_floor": ratio}
            for build, module in builds.items():
                row[build] = paired(lambda u=getattr(module, name): [u(*args, out=out_arg) for _ in range(rounds)],
                                    call, count * rounds, repeats)[2]
            result[f"{name} at {count:,}"] = row
        # strided paths: each column of an (n, 3) array, and every other julian day
        table = np.stack([gy, gm, gd], axis=1)
        strided = {
            "get_jalali_date_from_gregorian_date, columns of an (n, 3) array": (
                an.get_jalali_date_from_gregorian_date, (table[:, 0], table[:, 1], table[:, 2]), (gy, gm, gd)),
            "get_gregorian_date_from_julian_day, stride 2": (
                an.get_gregorian_date_from_julian_day, (np.repeat(julian_days, 2)[::2],), (julian_days,)),
            "get_jalali_date_from_julian_day, stride 2": (
                an.get_jalali_date_from_julian_day, (np.repeat(julian_days, 2)[::2],), (julian_days,)),
        }
        for name, (ufunc, views, contiguous) in strided.items():
            ns, contiguous_ns, ratio = paired(lambda: [ufunc(*views) for _ in range(rounds)],
                                              lambda: [ufunc(*contiguous) for _ in range(rounds)], count * rounds, repeats)
            result[f"{name} at {count:,}"] = {"ns_per_date": ns, "contiguous_ns_per_date": contiguous_ns,
                                              "ratio_to_contiguous": ratio}
    return result


def threads(count):
    """Gregorian to Jalali on `count` dates: one thread on the whole, two threads on the halves."""
    import numpy as np
    import algorithms_c_numpy as an

    (gy, gm, gd), *_ = columns(count)
    convert = an.get_jalali_date_from_gregorian_date
    half = count // 2

    def two():
        workers = [threading.Thread(target=convert, args=(gy[s], gm[s], gd[s]))
                   for s in (slice(0, half), slice(half, None))]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()

    one_ns = ns_per_date(lambda: convert(gy, gm, gd), count, 5)
    two_ns = ns_per_date(two, count, 5)
    assert np.array_equal(convert(gy[:half], gm[:half], gd[:half])[0], convert(gy, gm, gd)[0][:half])
    return {"dates": count, "one_thread_ns_per_date": one_ns, "two_threads_ns_per_date": two_ns,
            "speedup": one_ns / two_ns}


def memory(calls, count):
    """The resident size after `calls` conversions of `count` dates, beyond what it was after a few."""
    import algorithms_c_numpy as an

    (gy, gm, gd), *_ = columns(count)
    for _ in range(10):
        an.get_jalali_date_from_gregorian_date(gy, gm, gd)
    before = resident_bytes()
    for _ in range(calls):
        an.get_jalali_date_from_gregorian_date(gy, gm, gd)
    return {"calls": calls, "dates": count, "resident_growth_bytes": resident_bytes() - before}


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def table(report):
    rows = report["ns_per_date"]
    lines = ["| how | ns per date |", "|---|---:|"]
    lines += [f"| {name} | {value:,.2f} |" for name, value in rows.items()]
    t = report["threads"]
    lines.append(f"| two threads on two halves of {t['dates']:,} dates, against one thread "
                 f"| {t['two_threads_ns_per_date']:.2f} ({t['speedup']:.2f}x) |")
    lines += ["", "| ufunc, against the matched floor | ns per date | floor ns | × floor |"
              + "".join(f" {b}, × default |" for b in BUILDS), "|---|---:|---:|---:|" + "---:|" * len(BUILDS)]
    for name, row in report["matched_floor"].items():
        if "ratio_to_floor" in row:
            lines.append(f"| {name} | {row['ns_per_date']:.2f} | {row['floor_ns_per_date']:.2f} | "
                         f"{row['ratio_to_floor']:.2f} |" + "".join(f" {row[b]:.2f} |" if b in row else " - |" for b in BUILDS))
    lines += ["", f"| astronomical ufunc, against the arithmetic one, on {report['dates']:,} dates | ns per date | "
              "arithmetic ns | × arithmetic |", "|---|---:|---:|---:|"]
    lines += [f"| astronomical.{name} | {row['ns_per_date']:.2f} | {row['arithmetic_ns_per_date']:.2f} | "
              f"{row['ratio']:.2f} |" for name, row in report["astronomical"].items()]
    lines += ["", "| strided columns | ns per date | contiguous ns | × contiguous |", "|---|---:|---:|---:|"]
    for name, row in report["matched_floor"].items():
        if "ratio_to_contiguous" in row:
            lines.append(f"| {name} | {row['ns_per_date']:.2f} | {row['contiguous_ns_per_date']:.2f} | "
                         f"{row['ratio_to_contiguous']:.2f} |")
    return "\n".join(lines)


def chart(report, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    rows = report["ns_per_date"]
    names = list(rows)
    figure, axes = plt.subplots(figsize=(10, 0.35 * len(names) + 1.5))
    colours = ["tab:blue" if n.startswith("algorithms_c") else "tab:gray" if n.startswith("C++") else "tab:orange"
               for n in names]
    axes.barh(range(len(names)), [rows[n] for n in names], color=colours)
    axes.set_yticks(range(len(names)), names, fontsize=8)
    axes.invert_yaxis()
    axes.set_xscale("log")
    axes.set_xlabel("ns per date (median, log scale; shorter is faster)")
    info = report["machine"]
    axes.set_title(f"{report['dates']:,} random dates, Python {info['python']}, {info['cpu']}, {info['date']}",
                   fontsize=9)
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def main():
    quick = bench.quick_mode(__doc__, "10^4 dates; write into bench/out/ only", prepare, __file__)
    report = {"machine": bench.machine(), "quick": quick, **measure(quick)}
    print(table(report))
    print("resident growth:", report["memory"])
    folder = bench.OUT if quick else bench.ROOT / "bench"
    (folder / "arrays.json").write_text(json.dumps(report, indent=2) + "\n")
    chart(report, (bench.OUT if quick else bench.ROOT / "docs" / "images") / "arrays.png")
    if not quick:
        publish(report)


def publish(report):
    """The tables into docs/performance.md, and the astronomical ufuncs' cost into the README."""
    info = report["machine"]
    bench.replace_between(bench.PERFORMANCE, BEGIN, END, f"Measured on {info['date']}: {info['cpu']}, {info['cores']} cores, Python "
                            f"{info['python']}; {report['dates']:,} random dates of 1900 to 2100 as int32 columns "
                            f"(julian days as float64), median of {report['repeats']} runs. "
                            f"{report['memory']['calls']:,} conversions of the column moved the resident size by "
                            f"{report['memory']['resident_growth_bytes']:,} bytes.\n\n{table(report)}\n\n"
                            f"![ns per date](images/arrays.png)")
    ratios = [row["ratio"] for row in report["astronomical"].values()]
    bench.replace_between(bench.ROOT / "README.md", ASTRONOMICAL_BEGIN, ASTRONOMICAL_END,
                          f"On {report['dates']:,} random dates of 1900 to 2100, each astronomical ufunc costs "
                          f"{min(ratios):.2f} to {max(ratios):.2f} times its arithmetic twin (`bench/arrays.py`, "
                          f"{info['cpu']}, {info['date']}).")


if __name__ == "__main__":
    main()
