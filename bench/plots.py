#!/usr/bin/env python3
"""The cost of Jalali axes: a figure of ten years of daily data drawn into a PNG with
algorithms_c_matplotlib.jalali_axis, and the same figure with matplotlib's own AutoDateLocator
(and its ConciseDateFormatter), in turns in one process.

    PYTHONPATH=<build>:frames python3 bench/plots.py           # figures into bench/plots.json
    PYTHONPATH=<build>:frames python3 bench/plots.py --quick   # a few turns, to see that it runs; into bench/out/

It runs in the environment it is started in (matplotlib, NumPy, the built modules on the path).
"""

import argparse
import io
import json
import platform
import statistics
import time
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.dates as mdates  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import algorithms_c_matplotlib  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent


def processor() -> str:
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or platform.machine()


def figure(days, values, axes: str):
    """One figure of the data, with Jalali axes or matplotlib's own, drawn into a PNG in memory."""
    fig, ax = plt.subplots(figsize=(8, 3))
    ax.plot(days, values, lw=0.6)
    if axes == "jalali":
        algorithms_c_matplotlib.jalali_axis(ax)
    else:
        locator = mdates.AutoDateLocator()
        ax.xaxis.set_major_locator(locator)
        ax.xaxis.set_major_formatter(mdates.ConciseDateFormatter(locator))
    buffer = io.BytesIO()
    fig.savefig(buffer, format="png", dpi=80)
    plt.close(fig)
    return buffer


def axis_work(days, values, repeats: int) -> dict:
    """The axis's own work alone, ticks then labels from the view limits, per call."""
    fig, ax = plt.subplots(figsize=(8, 3))
    ax.plot(days, values, lw=0.6)
    fig.canvas.draw()
    auto = mdates.AutoDateLocator()
    auto.set_axis(ax.xaxis)
    concise = mdates.ConciseDateFormatter(auto)
    concise.set_axis(ax.xaxis)
    locator, formatter = algorithms_c_matplotlib.jalali_axis(ax)
    pairs = {"jalali": (locator, formatter), "matplotlib": (auto, concise)}
    times = {name: [] for name in pairs}
    for _ in range(repeats):
        for name, (ticks, labels) in pairs.items():
            start = time.perf_counter()
            labels.format_ticks(ticks())
            times[name].append(time.perf_counter() - start)
    plt.close(fig)
    return {name: statistics.median(t) for name, t in times.items()}


def measure(turns: int) -> dict:
    rng = np.random.default_rng(10)
    days = np.arange("2015-03-21", "2025-03-21", dtype="datetime64[D]")
    values = np.cumsum(rng.normal(0, 1, len(days)))
    for axes in ("jalali", "matplotlib"):  # each drawn once first: fonts and caches warmed
        figure(days, values, axes)
    times = {"jalali": [], "matplotlib": []}
    for turn in range(turns):
        order = ("jalali", "matplotlib") if turn % 2 == 0 else ("matplotlib", "jalali")
        for axes in order:
            start = time.perf_counter()
            figure(days, values, axes)
            times[axes].append(time.perf_counter() - start)
    medians = {axes: statistics.median(t) for axes, t in times.items()}
    # the ratio of each turn's pair, whose machine load the two shared
    ratios = [j / m for j, m in zip(times["jalali"], times["matplotlib"])]
    return {"rows": int(len(days)), "turns": turns, "median_seconds": medians,
            "axis_seconds": axis_work(days, values, 10 * turns),
            "median_ratio": statistics.median(ratios), "ratio_quartiles": statistics.quantiles(ratios, n=4)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="a few turns; write into bench/out/ only")
    quick = parser.parse_args().quick
    report = {"processor": processor(), "matplotlib": matplotlib.__version__, "quick": quick,
              **measure(4 if quick else 41)}
    folder = ROOT / "bench" / "out" if quick else ROOT / "bench"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "plots.json").write_text(json.dumps(report, indent=2) + "\n")
    print(f"ten years of daily data ({report['rows']} rows) drawn into a PNG, {report['turns']} turns, on "
          f"{report['processor']}: jalali_axis {report['median_seconds']['jalali'] * 1e3:.1f} ms, AutoDateLocator "
          f"{report['median_seconds']['matplotlib'] * 1e3:.1f} ms; ratio {report['median_ratio']:.3f} "
          f"(quartiles {report['ratio_quartiles'][0]:.3f} to {report['ratio_quartiles'][2]:.3f}); the axis's own work "
          f"(ticks and labels) {report['axis_seconds']['jalali'] * 1e3:.2f} ms against "
          f"{report['axis_seconds']['matplotlib'] * 1e3:.2f} ms")


if __name__ == "__main__":
    main()
