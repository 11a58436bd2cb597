"""Writes the rows of text/names.hpp for Afghanistan's locales, Dari ("fa-AF") and Pashto ("ps"),
from CLDR's data for the Persian calendar as ICU ships it (PyICU: `pip install icukit-pyicu`, or
`pyicu` against the system's ICU 72 or later).

    python3 text/names.py            # rewrites the marked rows of text/names.hpp
    python3 text/names.py --check    # tells whether they are what ICU's data gives (of any version)

Each row is written between the lines "// cldr <table> begin" and "// cldr <table> end" of
names.hpp, with the CLDR version it came from; the rest of the file is left as it is. The
names are CLDR's format-context forms: wide for %B and %A, abbreviated for %b and %a (which CLDR
gives the same as the wide ones in both locales), and the day periods "am" and "pm" for %p.
"""

import pathlib
import sys

HEADER = pathlib.Path(__file__).with_name("names.hpp")
LOCALES = (("fa_AF", "Dari"), ("ps", "Pashto"))


def names(locale: str):
    """The tables of one locale: month names and short names, weekday names and short names from
    Saturday, and the halves of the day."""
    import icu

    symbols = icu.DateFormatSymbols(icu.Locale(locale), "persian")
    context = icu.DateFormatSymbols.FORMAT
    wide, short = icu.DateFormatSymbols.WIDE, icu.DateFormatSymbols.ABBREVIATED

    def from_saturday(days):  # ICU's are indexed from 1 = Sunday
        return [days[7]] + list(days[1:7])

    return {
        "month_names": list(symbols.getMonths(context, wide)),
        "month_abbreviations": list(symbols.getMonths(context, short)),
        "weekday_names": from_saturday(symbols.getWeekdays(context, wide)),
        "weekday_abbreviations": from_saturday(symbols.getWeekdays(context, short)),
        "meridiem_names": list(symbols.getAmPmStrings()),
    }


def escaped(name: str) -> str:
    """A C++ string literal of `name`, every non-ASCII letter as a universal character name."""
    return '"' + "".join(c if ord(c) < 0x80 else f"\\u{ord(c):04X}" for c in name) + '"'


def rows() -> dict:
    """The text between each table's markers."""
    import icu

    # ICU names no CLDR version; from ICU 67 (CLDR 37) on, each major release ships CLDR's of
    # the number 30 below its own
    major = int(icu.ICU_VERSION.split(".")[0])
    version = f"CLDR {major - 30}"
    written = {}
    for table in ("month_names", "month_abbreviations", "weekday_names", "weekday_abbreviations", "meridiem_names"):
        lines = [f"    // from {version} (ICU {icu.ICU_VERSION}), by text/names.py"]
        for locale, language in LOCALES:
            entries = names(locale)[table]
            lines.append(f"    {{  // {language}")
            lines += [f"     {escaped(e)},  // {e}" for e in entries]
            lines.append("    },")
        written[table] = "\n".join(lines)
    return written


def rewritten(text: str) -> str:
    for table, body in rows().items():
        begin, end = f"// cldr {table} begin", f"// cldr {table} end"
        head, rest = text.split(begin, 1)
        _, tail = rest.split(end, 1)
        indent = head[head.rfind("\n") + 1:]
        text = f"{head}{begin}\n{body}\n{indent}{end}{tail}"
    return text


def main() -> int:
    text = HEADER.read_text(encoding="utf-8")
    new = rewritten(text)
    if "--check" in sys.argv[1:]:
        def names_only(header):  # the version that wrote them aside
            return [line for line in header.splitlines() if not line.startswith("    // from CLDR")]

        if names_only(new) != names_only(text):
            print("text/names.hpp differs from what ICU's CLDR data gives: run python3 text/names.py")
            return 1
        print("text/names.hpp holds what ICU's CLDR data gives")
        return 0
    HEADER.write_text(new, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
