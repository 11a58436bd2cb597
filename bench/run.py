#!/usr/bin/env python3
"""Cost per call of algorithms_c, against the floor of its interface and against the
pure-Python calendar libraries.

    python3 bench/run.py           # figures into bench/results.json, docs/images/calls.png, docs/performance.md
    python3 bench/run.py --quick   # a few thousand calls, to see that it runs; into bench/out/ only

It makes its own virtual environment in bench/out/, installs algorithms_c (a release build) and
the peers there, compiles the floor module, and then measures everything in one process, the
contenders of each function taking turns in a fresh order on every repeat.
"""

import argparse
import datetime
import gc
import json
import os
import platform
import random
import statistics
import subprocess
import sys
import sysconfig
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
OUT = ROOT / "bench" / "out"
VENV = OUT / "venv"
PEERS = ["jalali-core==1.0.0", "persiantools==6.2.0", "jdatetime==6.1.1", "convertdate==2.5.1"]
README_BEGIN, README_END = "<!-- bench:begin -->", "<!-- bench:end -->"
PERFORMANCE = ROOT / "docs" / "performance.md"


def run(*command):
    subprocess.run([str(part) for part in command], check=True)


def prepare():
    """The benchmark's environment, with algorithms_c, the peers and the floor module."""
    python = VENV / "bin" / "python"
    if not python.exists():
        run(sys.executable, "-m", "venv", VENV)
    run(python, "-m", "pip", "install", "--quiet", ROOT, *PEERS, "matplotlib")
    include, suffix = subprocess.run(
        [python, "-c", "import sysconfig as s; print(s.get_paths()['include']); print(s.get_config_var('EXT_SUFFIX'))"],
        check=True, capture_output=True, text=True).stdout.split()
    # the flags of the module's release build
    run("g++", "-std=c++17", "-O3", "-DNDEBUG", "-fPIC", "-fvisibility=hidden", "-shared", "-Wall", "-Wextra",
        f"-I{include}", f"-I{ROOT}", ROOT / "bench" / "floor.cpp", "-o", OUT / f"floor{suffix}")
    return python


def inputs(count):
    """A spread of valid dates around the present era, the same for every contender."""
    rng = random.Random(1)
    gregorian = []
    while len(gregorian) < count:
        ordinal = rng.randint(datetime.date(1900, 1, 1).toordinal(), datetime.date(2100, 12, 31).toordinal())
        date = datetime.date.fromordinal(ordinal)
        gregorian.append((date.year, date.month, date.day))
    jalali = [(rng.randint(1300, 1500), rng.randint(1, 12), rng.randint(1, 29)) for _ in range(count)]
    julian_days = [(datetime.date(*date).toordinal() + 1721424.5,) for date in gregorian]
    years = [(year,) for year, _, _ in jalali]
    return gregorian, jalali, julian_days, years


def contenders(count):
    """Per function: our call, the floor's call and the peers' calls of the same operation."""
    import algorithms_c as ac
    import convertdate.gregorian
    import convertdate.persian
    import floor
    import jalali_core
    import jdatetime
    from persiantools.jdatetime import JalaliDate

    gregorian, jalali, julian_days, years = inputs(count)
    months = [(year, month) for year, month, _ in jalali]
    jdatetime_years = [(jdatetime.date(year, 1, 1),) for (year,) in years]
    return [
        ("get_julian_day_from_gregorian_date", gregorian, ac.get_julian_day_from_gregorian_date, floor.iii_float,
         {"convertdate": (convertdate.gregorian.to_jd, gregorian)}),
        ("is_jalali_leap_year", years, ac.is_jalali_leap_year, floor.i_bool,
         {"persiantools": (JalaliDate.is_leap, years),
          "jdatetime": (jdatetime.date.isleap, jdatetime_years),
          "convertdate": (convertdate.persian.leap, years)}),
        ("get_days_in_jalali_year", years, ac.get_days_in_jalali_year, floor.i_int, {}),
        ("get_days_in_jalali_month", months, ac.get_days_in_jalali_month, floor.ii_int,
         {"persiantools": (JalaliDate.days_in_month, [(month, year) for year, month in months])}),
        ("get_julian_day_from_jalali_date", jalali, ac.get_julian_day_from_jalali_date, floor.iii_float,
         {"convertdate": (convertdate.persian.to_jd, jalali)}),
        ("get_jalali_date_from_julian_day", julian_days, ac.get_jalali_date_from_julian_day, floor.f_tuple,
         {"convertdate": (convertdate.persian.from_jd, julian_days)}),
        ("get_gregorian_date_from_julian_day", julian_days, ac.get_gregorian_date_from_julian_day, floor.f_tuple,
         {"convertdate": (convertdate.gregorian.from_jd, julian_days)}),
        ("get_jalali_date_from_gregorian_date", gregorian, ac.get_jalali_date_from_gregorian_date, floor.iii_tuple,
         {"jalali-core": (jalali_core.GregorianToJalali, gregorian),
          "persiantools": (JalaliDate.to_jalali, gregorian),
          "jdatetime": (lambda y, m, d: jdatetime.date.fromgregorian(year=y, month=m, day=d), gregorian)}),
        # not one function of ours but two calls, as a caller converts Jalali to Gregorian
        ("Jalali to Gregorian (two calls)", jalali,
         lambda y, m, d: ac.get_gregorian_date_from_julian_day(ac.get_julian_day_from_jalali_date(y, m, d)),
         lambda y, m, d: floor.f_tuple(floor.iii_float(y, m, d)),
         {"jalali-core": (jalali_core.JalaliToGregorian, jalali),
          "persiantools": (lambda y, m, d: JalaliDate(y, m, d).to_gregorian(), jalali),
          "jdatetime": (lambda y, m, d: jdatetime.date(y, m, d).togregorian(), jalali)}),
    ]


def ns_per_call(function, arguments, calls):
    """Time `calls` calls over the spread of arguments, from its start and round again."""
    batch = (arguments * (calls // len(arguments) + 1))[:calls]
    start = time.perf_counter_ns()
    for args in batch:
        function(*args)
    return (time.perf_counter_ns() - start) / calls


def calls_for(function, arguments, most, budget_ns=20_000_000):
    """As many calls as fit in the time budget, at most `most`; slow peers get fewer."""
    probe = min(len(arguments), 20)
    return max(1, min(most, int(budget_ns / ns_per_call(function, arguments, probe))))


def measure(quick):
    count, rounds, repeats = (500, 2, 3) if quick else (1000, 50, 41)
    rng = random.Random(2)
    results = []
    for name, arguments, ours, floor, peers in contenders(count):
        runners = {"algorithms_c": (ours, arguments), "floor": (floor, arguments), **peers}
        calls = {who: calls_for(*runners[who], count * rounds) for who in runners}
        times = {who: [] for who in runners}
        gc.disable()  # as timeit does: collections would land on whoever is timed
        for _ in range(repeats):
            order = list(runners)
            rng.shuffle(order)
            for who in order:
                times[who].append(ns_per_call(*runners[who], calls[who]))
        gc.enable()
        median = {who: statistics.median(values) for who, values in times.items()}
        results.append({
            "function": name,
            "ns_per_call": median["algorithms_c"],
            "floor_ns_per_call": median["floor"],
            # paired: each repeat times both in turn, so drifts of the machine cancel
            "ratio_to_floor": statistics.median(o / f for o, f in zip(times["algorithms_c"], times["floor"])),
            "calls_per_timing": calls,
            "peers": {who: {"ns_per_call": median[who], "speedup": median[who] / median["algorithms_c"]}
                      for who in peers},
        })
    return {"calls_per_timing": count * rounds, "repeats": repeats, "results": results}


def machine():
    model = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                  if line.startswith("model name")), platform.processor())
    return {"cpu": model, "cores": os.cpu_count(), "system": platform.platform(),
            "python": platform.python_version(), "date": datetime.date.today().isoformat()}


def table(report):
    lines = ["| function | ns per call | floor ns | ratio to floor | peers: ns per call (our speedup) |",
             "|---|---:|---:|---:|---|"]
    for row in report["results"]:
        peers = ", ".join(f"{who} {p['ns_per_call']:,.0f} ({p['speedup']:,.1f}x)" for who, p in row["peers"].items())
        lines.append(f"| `{row['function']}` | {row['ns_per_call']:,.0f} | {row['floor_ns_per_call']:,.0f} "
                     f"| {row['ratio_to_floor']:.2f} | {peers or '-'} |")
    return "\n".join(lines)


def chart(report, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    rows = report["results"]
    who_all = ["algorithms_c", "floor", "jalali-core", "persiantools", "jdatetime", "convertdate"]
    height = 0.8 / len(who_all)
    figure, axes = plt.subplots(figsize=(10, 0.9 * len(rows) + 1.5))
    for k, who in enumerate(who_all):
        positions, values = [], []
        for i, row in enumerate(rows):
            value = {"algorithms_c": row["ns_per_call"], "floor": row["floor_ns_per_call"]}.get(who)
            value = value if value is not None else row["peers"].get(who, {}).get("ns_per_call")
            if value is not None:
                positions.append(i + k * height)
                values.append(value)
        axes.barh(positions, values, height=height, label=who)
    axes.set_yticks([i + 0.4 - height / 2 for i in range(len(rows))], [row["function"] for row in rows])
    axes.invert_yaxis()
    axes.set_xscale("log")
    axes.set_xlabel("ns per call (median, log scale; shorter is faster)")
    info = report["machine"]
    axes.set_title(f"algorithms_c per call, Python {info['python']}, {info['cpu']}, {info['date']}", fontsize=9)
    axes.legend(fontsize=8, loc="lower right")
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def write(report, folder, images):
    (folder / "results.json").write_text(json.dumps(report, indent=2) + "\n")
    chart(report, images / "calls.png")


def replace_between(path, begin, end, body):
    """The text of the file between the markers `begin` and `end` made `body`."""
    text = path.read_text()
    path.write_text(text[:text.index(begin)] + f"{begin}\n{body}\n{end}" + text[text.index(end) + len(end):])


def update_performance(report):
    info = report["machine"]
    replace_between(PERFORMANCE, README_BEGIN, README_END,
                      f"Measured on {info['date']}: {info['cpu']}, {info['cores']} cores, "
                      f"{info['system']}, Python {info['python']}. Median of {report['repeats']} timings of up to "
                      f"{report['calls_per_timing']:,} calls each over a spread of dates (the slowest peers make fewer "
                      f"calls, within 20 ms a timing); the ratio to the floor is the median of the ratios within a "
                      f"repeat.\n\n{table(report)}\n\n![ns per call](images/calls.png)")


def quick_mode(doc, quick_help, environment, script):
    """Whether the benchmark `script` runs in quick mode, from its arguments. Started outside its
    environment, it makes the environment with `environment()`, which gives the environment's
    Python, and runs again there."""
    parser = argparse.ArgumentParser(description=doc.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true", help=quick_help)
    parser.add_argument("--measure", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if not args.measure:
        OUT.mkdir(parents=True, exist_ok=True)
        python = environment()
        os.execv(python, [str(python), script, "--measure", *(["--quick"] if args.quick else [])])
    return args.quick


def main():
    quick = quick_mode(__doc__, "a few thousand calls; write into bench/out/ only", prepare, __file__)
    sys.path.insert(0, str(OUT))
    report = {"machine": machine(), "quick": quick, **measure(quick)}
    print(table(report))
    write(report, OUT if quick else ROOT / "bench", OUT if quick else ROOT / "docs" / "images")
    if not quick:
        update_performance(report)


if __name__ == "__main__":
    main()
