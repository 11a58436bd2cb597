"""Zorvash algorithms C implementation."""

def get_julian_day_from_gregorian_date(year: int, month: int, day: int, /) -> float:
    """Gets julian day from gregorian date."""

def is_jalali_leap_year(year: int, /) -> bool:
    """Determines the jalali year is leap or not."""

def get_days_in_jalali_year(year: int, /) -> int:
    """Determines the number of days in jalali year."""

def get_days_in_jalali_month(year: int, month: int, /) -> int:
    """Determines the number of days in jalali month."""

def get_julian_day_from_jalali_date(year: int, month: int, day: int, /) -> float:
    """Gets julian day from jalali date."""

def get_jalali_date_from_julian_day(julian_day: float, /) -> tuple[int, int, int]:
    """Gets jalali date from julian day."""

def get_gregorian_date_from_julian_day(julian_day: float, /) -> tuple[int, int, int]:
    """Gets gregorian date from julian day."""

def get_jalali_date_from_gregorian_date(year: int, month: int, day: int, /) -> tuple[int, int, int]:
    """Gets jalali date from gregorian date."""
