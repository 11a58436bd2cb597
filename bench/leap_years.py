#!/usr/bin/env python3
"""The Jalali years 1200 to 1600 whose leap years differ between algorithms_c (the
2820-year rule) and jalali-core (a 33-year arithmetic close to the civil calendar).

    python3 bench/leap_years.py   # prints the table and writes it into README.md

Like run.py it works in the benchmark's own environment, bench/out/venv.
"""

import datetime
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import run as bench  # noqa: E402

PEER = "jalali-core==1.0.0"
BEGIN, END = "<!-- leap-years:begin -->", "<!-- leap-years:end -->"


def rows(first=1200, last=1600):
    import algorithms_c as ac
    from jalali_core import JalaliToGregorian

    def ours(year):
        jd = ac.get_julian_day_from_jalali_date(year, 1, 1)
        return datetime.date.fromordinal(int(jd - 1721424.5))

    def peers(year):
        return datetime.date(*JalaliToGregorian(year, 1, 1).getGregorianList())

    def leap(first_day, year):
        return (first_day(year + 1) - first_day(year)).days == 366

    lines = ["| Jalali year | here | jalali-core | Gregorian days named differently |", "|---|---|---|---|"]
    for year in range(first, last + 1):
        if leap(ours, year) != leap(peers, year) and leap(ours, year - 1) == leap(peers, year - 1):
            # the two calendars part at the next 1 Farvardin and meet again a year later
            start = min(ours(year + 1), peers(year + 1))
            end = max(ours(year + 2), peers(year + 2)) - datetime.timedelta(days=1)
            kind = {True: "leap", False: "common"}
            lines.append(f"| {year}, {year + 1} | {kind[leap(ours, year)]}, {kind[leap(ours, year + 1)]} "
                         f"| {kind[leap(peers, year)]}, {kind[leap(peers, year + 1)]} | {start} to {end} |")
    return "\n".join(lines)


def main():
    if "--inside" not in sys.argv:
        bench.OUT.mkdir(parents=True, exist_ok=True)
        if not (bench.VENV / "bin" / "python").exists():
            bench.run(sys.executable, "-m", "venv", bench.VENV)
        python = str(bench.VENV / "bin" / "python")
        bench.run(python, "-m", "pip", "install", "--quiet", bench.ROOT, PEER)
        os.execv(python, [python, __file__, "--inside"])
    table = rows()
    print(table)
    readme = bench.ROOT / "README.md"
    text = readme.read_text()
    begin, end = text.index(BEGIN) + len(BEGIN), text.index(END)
    readme.write_text(text[:begin] + "\n" + table + "\n" + text[end:])


if __name__ == "__main__":
    main()
