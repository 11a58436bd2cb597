#!/usr/bin/env python3
"""The Jalali years 1200 to 1600 whose leap years differ between the two calendars: the arithmetic
one (the 2820-year rule, of algorithms_c and the top-level ufuncs) and the astronomical one (the
calendar in civil use, of algorithms_c_numpy.astronomical and the data-frame adapters).

    python3 bench/leap_years.py   # prints the table and writes it into docs/guide/calendars.md
"""

import datetime
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PAGE = ROOT / "docs" / "guide" / "calendars.md"
BEGIN, END = "<!-- leap-years:begin -->", "<!-- leap-years:end -->"


def rows(first=1200, last=1600):
    import numpy as np
    import algorithms_c_numpy as an

    years = np.arange(first, last + 2)
    starts = {name: getattr(an, name).get_julian_day_from_jalali_date(years, 1, 1) for name in ("arithmetic",
                                                                                              "astronomical")}
    leap = {name: np.diff(days) == 366 for name, days in starts.items()}

    def day(julian_day):
        return datetime.date.fromordinal(int(julian_day - 1721424.5))

    kind = {True: "leap", False: "common"}
    lines = ["| Jalali years | arithmetic | astronomical | Gregorian days named differently |", "|---|---|---|---|"]
    for i, year in enumerate(years[:-2].tolist()):
        if leap["arithmetic"][i] != leap["astronomical"][i] and (
                i == 0 or leap["arithmetic"][i - 1] == leap["astronomical"][i - 1]):
            # the two calendars part at the next 1 Farvardin and meet again a year later
            start = min(day(s[i + 1]) for s in starts.values())
            end = max(day(s[i + 2]) for s in starts.values()) - datetime.timedelta(days=1)
            lines.append(f"| {year}, {year + 1} | {kind[leap['arithmetic'][i]]}, {kind[leap['arithmetic'][i + 1]]} "
                         f"| {kind[leap['astronomical'][i]]}, {kind[leap['astronomical'][i + 1]]} | {start} to {end} |")
    return "\n".join(lines)


def main():
    table = rows()
    print(table)
    text = PAGE.read_text()
    begin, end = text.index(BEGIN) + len(BEGIN), text.index(END)
    PAGE.write_text(text[:begin] + "\n" + table + "\n" + text[end:])


if __name__ == "__main__":
    sys.exit(main())
