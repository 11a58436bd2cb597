"""Gregorian dates to julian days and back, and on to Jalali dates."""

import datetime

import pytest

import algorithms_c as ac
import reference

to_jd = ac.get_julian_day_from_gregorian_date
from_jd = ac.get_gregorian_date_from_julian_day
to_jalali = ac.get_jalali_date_from_gregorian_date
ORDINAL_TO_JD = 1721424.5  # datetime's day 1 (1 January of year 1) begins at this julian day


def test_every_day_of_years_1_to_9999_against_datetime():
    for ordinal in range(1, datetime.date.max.toordinal() + 1):
        date = datetime.date.fromordinal(ordinal)
        ymd = (date.year, date.month, date.day)
        jd = to_jd(*ymd)
        assert jd == ordinal + ORDINAL_TO_JD, ymd
        assert from_jd(jd) == ymd


@pytest.mark.parametrize(
    "date, message",
    [((2016, 2, 30), "Invalid day: 30, it must be <= 29"),
     ((2015, 2, 29), "Invalid day: 29, it must be <= 28"),
     ((1900, 2, 29), "Invalid day: 29, it must be <= 28"),
     ((2016, 2, 100), "Invalid day: 100, it must be <= 29"),
     ((-4, 2, 2**31 - 1), "Invalid day: 2147483647, it must be <= 29")],
)
def test_a_february_day_beyond_the_month(date, message):
    for f in (to_jd, to_jalali):
        with pytest.raises(ValueError) as caught:
            f(*date)
        assert str(caught.value) == message


@pytest.mark.parametrize("jd", [0, -5, -0.0, 0.0, -1e30])
def test_a_julian_day_not_above_0_is_refused(jd):
    with pytest.raises(ValueError, match=r"^Invalid Date$"):
        from_jd(jd)


@pytest.mark.parametrize(
    "date, jd",
    [((2000, 1, 1), 2451544.5), ((2000, 2, 29), 2451603.5), ((0, 2, 29), 1721118.5),
     ((-4713, 11, 25), 0.5)],
)
def test_known_dates(date, jd):
    assert to_jd(*date) == jd
    assert from_jd(jd) == date


def test_a_julian_day_names_the_day_that_contains_it():
    assert from_jd(0.25) == (-4713, 11, 24)  # no switch to the Julian calendar
    assert from_jd(2457467.25) == (2016, 3, 19)
    assert ac.get_jalali_date_from_julian_day(2457467.25) == (1395, 1, 1)  # 20 March
    for jd in (2457467.5, 2457467.75):
        assert from_jd(jd) == (2016, 3, 20)
        assert ac.get_jalali_date_from_julian_day(jd) == (1395, 1, 1)


def test_unchecked_dates_extend_the_formula():
    assert to_jd(2016, 4, 31) == to_jd(2016, 5, 1)
    assert to_jd(2016, 13, 1) == to_jd(2017, 1, 1)
    assert to_jd(2016, 0, 1) == to_jd(2015, 12, 1)
    assert to_jd(2016, 2, 0) == to_jd(2016, 1, 31)
    assert to_jd(2016, 3, -1) == to_jd(2016, 2, 28)


def test_every_day_of_years_minus_3000_to_6000():
    for year in range(-3000, 6001):
        for month in range(1, 13):
            for day in range(1, reference.gregorian_month_days(year, month) + 1):
                jd = to_jd(year, month, day)
                assert jd == reference.gregorian_to_jd(year, month, day)
                assert to_jalali(year, month, day) == reference.jd_to_jalali(jd)
                if jd > 0:
                    assert from_jd(jd) == (year, month, day)


def test_gregorian_to_jalali():
    assert to_jalali(2016, 3, 20) == (1395, 1, 1)
    assert to_jalali(2016, 3, 19) == (1394, 12, 29)
    assert to_jalali(622, 3, 22) == (1, 1, 1)
    assert to_jalali(622, 3, 21) == (-1, 12, 30)
