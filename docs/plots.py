"""Draws the pictures of the guide's page on plots (docs/guide/plots.md) into docs/images/: a year
of daily sales, ten years of monthly data and a zoomed week, each with Jalali axes in English and
in Persian.

    PYTHONPATH=<build>:frames python3 docs/plots.py [--out FOLDER]

The data are made up here, from a seeded generator: the same pictures every run.
"""

import argparse
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import pandas as pd  # noqa: E402

import algorithms_c_matplotlib  # noqa: E402

IMAGES = Path(__file__).resolve().parent / "images"


def sales(days: pd.DatetimeIndex, rng) -> np.ndarray:
    """Daily sales: a weekly rhythm (Fridays quiet), a yearly swell around Nowruz, and noise."""
    weekday = np.asarray(days.day_of_week)  # Monday = 0; Friday = 4
    season = 1 + 0.4 * np.exp(-(((np.asarray(days.day_of_year) - 80 + 182) % 365 - 182) / 12.0) ** 2)
    return np.round((100 + 30 * np.sin(np.arange(len(days)) / 58.0)) * season * np.where(weekday == 4, 0.5, 1.0)
                    + rng.normal(0, 8, len(days)))


def figure(draw, title: str, path: Path):
    """Two panels, English above and Persian below, each drawn by `draw(ax)`."""
    fig, axes = plt.subplots(2, 1, figsize=(9, 5.2), constrained_layout=True)
    for ax, (locale, digits) in zip(axes, [("en", "latin"), ("fa", "persian")]):
        draw(ax)
        algorithms_c_matplotlib.jalali_axis(ax, locale=locale, digits=digits)
        ax.grid(True, alpha=0.3)
    axes[0].set_title(title)
    fig.savefig(path, dpi=80, bbox_inches="tight")
    plt.close(fig)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=Path, default=IMAGES)
    out = parser.parse_args().out
    out.mkdir(parents=True, exist_ok=True)
    rng = np.random.default_rng(1404)

    year = pd.date_range("2024-09-22", "2025-09-22", freq="D")  # 1 Mehr 1403 to 31 Shahrivar 1404
    daily = pd.Series(sales(year, rng), index=year)
    figure(lambda ax: ax.plot(daily.index, daily.to_numpy(), lw=0.8), "A year of daily sales",
           out / "plots-year.png")

    months = pd.date_range("2015-03-21", periods=120, freq="MS")
    monthly = pd.Series(np.cumsum(rng.normal(1, 4, len(months))) + 50, index=months)
    figure(lambda ax: monthly.plot(ax=ax), "Ten years of monthly data, drawn by Series.plot()",
           out / "plots-decade.png")

    week = pd.date_range("2025-03-17", "2025-03-25", freq="h", tz="Asia/Tehran")  # Nowruz 1404
    visits = pd.Series(50 + 40 * np.sin(np.arange(len(week)) * np.pi / 12) ** 2 + rng.normal(0, 5, len(week)),
                       index=week)
    figure(lambda ax: ax.plot(visits.index, visits.to_numpy(), lw=0.8), "A week of hourly visits, in Tehran's time",
           out / "plots-week.png")
    print(f"wrote the pictures into {out}")


if __name__ == "__main__":
    main()
