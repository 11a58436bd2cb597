"""Jalali leap years, year lengths and month lengths."""

import pytest
from hypothesis import given, strategies as st

import algorithms_c as ac
import reference

INT32_MIN, INT32_MAX = reference.INT32_MIN, reference.INT32_MAX
int32 = st.integers(INT32_MIN, INT32_MAX)


@pytest.mark.parametrize(
    "year, leap",
    [(1395, True), (1399, True), (1403, False), (1404, True), (0, False), (-1, True), (1, False),
     (475, False), (3294, True)],
)
def test_known_years(year, leap):
    assert ac.is_jalali_leap_year(year) is leap
    assert ac.get_days_in_jalali_year(year) == 365 + leap


@pytest.mark.parametrize("first", [475, 1, -2819])
def test_a_cycle_holds_683_leap_years(first):
    assert sum(ac.is_jalali_leap_year(y) for y in range(first, first + 2820)) == 683


def test_rule_over_ten_cycles_and_the_32_bit_ends():
    ends = [*range(INT32_MIN, INT32_MIN + 3000), *range(INT32_MAX - 3000, INT32_MAX + 1)]
    for year in [*range(-14100, 14100), *ends]:
        assert ac.is_jalali_leap_year(year) == reference.jalali_leap(year), year


def test_rule_repeats_every_2820_years_on_each_side_of_zero():
    for year in range(1, 2821):
        assert ac.is_jalali_leap_year(year) == ac.is_jalali_leap_year(year + 2820 * 761000)
        assert ac.is_jalali_leap_year(-year) == ac.is_jalali_leap_year(-year - 2820 * 761000)


@given(int32)
def test_any_year(year):
    leap = reference.jalali_leap(year)
    assert ac.is_jalali_leap_year(year) is leap
    assert ac.get_days_in_jalali_year(year) == 365 + leap
    assert ac.get_days_in_jalali_month(year, 12) == 29 + leap


@given(int32, st.integers(1, 12))
def test_month_lengths_add_up_to_the_year(year, month):
    lengths = [ac.get_days_in_jalali_month(year, m) for m in range(1, 13)]
    assert lengths[:11] == [31] * 6 + [30] * 5
    assert sum(lengths) == ac.get_days_in_jalali_year(year)


@pytest.mark.parametrize("month", [0, 13, -1, -7, INT32_MIN, INT32_MAX])
@pytest.mark.parametrize("year", [1395, 0, INT32_MIN, INT32_MAX])
def test_month_outside_1_to_12(year, month):
    with pytest.raises(ValueError, match=r"^Month must be between 1 and 12$"):
        ac.get_days_in_jalali_month(year, month)
