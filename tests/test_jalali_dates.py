"""Jalali dates to julian days and back."""

import pytest
from hypothesis import given, strategies as st

import algorithms_c as ac
import reference

to_jd = ac.get_julian_day_from_jalali_date
from_jd = ac.get_jalali_date_from_julian_day


@pytest.mark.parametrize(
    "date, jd",
    [((475, 1, 1), 2121445.5), ((1, 1, 1), 1948320.5), ((-1, 12, 30), 1948319.5),
     ((1395, 1, 1), 2457467.5), ((1395, 12, 30), 2457832.5), ((1396, 1, 1), 2457833.5),
     ((3294, 12, 30), 3151427.5), ((3295, 1, 1), 3151428.5)],
)
def test_known_dates(date, jd):
    assert to_jd(*date) == jd
    assert from_jd(jd) == date


@pytest.mark.parametrize(
    "jd, date",
    [(2457467.0, (1395, 1, 1)), (2457467.25, (1395, 1, 1)), (2457467.75, (1395, 1, 1)),
     (2457466.75, (1394, 12, 29)), (2457467, (1395, 1, 1)),
     # single precision: 2457466.9 arrives as 2457467.0, 2457467.6 as 2457467.5
     (2457466.9, (1395, 1, 1)), (2457467.6, (1395, 1, 1))],
)
def test_a_julian_day_names_the_day_that_begins_at_its_floor_plus_a_half(jd, date):
    assert from_jd(jd) == date


def test_unchecked_months_and_days_extend_the_formula():
    assert to_jd(1396, 13, 1) == to_jd(1397, 1, 2)  # 1396 is a common year
    assert to_jd(1395, 1, 0) == 2457466.5
    assert to_jd(1395, 0, 1) == to_jd(1395, 1, 1) - 31
    assert to_jd(1395, 7, 0) == to_jd(1395, 6, 31)


def test_year_0_names_the_days_of_year_minus_1():
    for month in range(-1, 15):
        for day in range(-1, 33):
            assert to_jd(0, month, day) == to_jd(-1, month, day)


def test_every_date_of_years_minus_3000_to_6000():
    years = [y for y in range(-3000, 6001) if y != 0]
    for year in years:
        first = to_jd(year, 1, 1)
        assert to_jd(year + 1 if year != -1 else 1, 1, 1) - first == ac.get_days_in_jalali_year(year)
        jd = first
        for month in range(1, 13):
            for day in range(1, ac.get_days_in_jalali_month(year, month) + 1):
                assert to_jd(year, month, day) == jd
                assert from_jd(jd) == (year, month, day)
                jd += 1


@given(st.integers(reference.INT32_MIN, reference.INT32_MAX), st.integers(1, 12), st.data())
def test_any_32_bit_year_against_the_reference(year, month, data):
    day = data.draw(st.integers(1, reference.jalali_month_days(year, month)))
    assert to_jd(year, month, day) == reference.jalali_to_jd(year, month, day)
