"""Typed use of the module; checked with mypy --strict."""

from __future__ import annotations

import algorithms_c


def nowruz(gregorian_year: int) -> tuple[int, int, int]:
    """The Gregorian date of 1 Farvardin in the given Gregorian year."""
    jalali_year = gregorian_year - 621
    jd: float = algorithms_c.get_julian_day_from_jalali_date(jalali_year, 1, 1)
    return algorithms_c.get_gregorian_date_from_julian_day(jd)


leap: bool = algorithms_c.is_jalali_leap_year(1399)
days: int = algorithms_c.get_days_in_jalali_month(1399, 12) + algorithms_c.get_days_in_jalali_year(1399)
date: tuple[int, int, int] = algorithms_c.get_jalali_date_from_gregorian_date(*nowruz(2016))
gregorian_jd: float = algorithms_c.get_julian_day_from_gregorian_date(2016, 3, 20)
jalali: tuple[int, int, int] = algorithms_c.get_jalali_date_from_julian_day(gregorian_jd)
