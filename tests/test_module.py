"""The module frame: docstrings, argument parsing, results and failed allocations."""

import inspect

import pytest

import algorithms_c as ac

DOCSTRINGS = {
    "is_jalali_leap_year": "Determines the jalali year is leap or not.",
    "get_days_in_jalali_year": "Determines the number of days in jalali year.",
    "get_days_in_jalali_month": "Determines the number of days in jalali month.",
}
ARITY = {"is_jalali_leap_year": 1, "get_days_in_jalali_year": 1, "get_days_in_jalali_month": 2}


def test_docstrings_and_order():
    assert ac.__doc__ == "Zorvash algorithms C implementation."
    functions = [name for name, value in vars(ac).items() if inspect.isbuiltin(value)]
    assert functions == list(DOCSTRINGS)
    for name, doc in DOCSTRINGS.items():
        assert getattr(ac, name).__doc__ == doc


@pytest.mark.parametrize("name", ARITY)
def test_arguments_the_parser_refuses(name):
    f, n = getattr(ac, name), ARITY[name]
    good = (1395, 12)[:n]
    with pytest.raises(TypeError):
        f(*good[:-1])
    with pytest.raises(TypeError):
        f(*good, 1)
    with pytest.raises(TypeError):
        f(*good[:-1], month=good[-1]) if n > 1 else f(year=1395)
    with pytest.raises(TypeError):
        f(*good[:-1], "12")
    with pytest.raises(TypeError):
        f(*good[:-1], 12.0)
    with pytest.raises(OverflowError):
        f(*good[:-1], 2**31)
    with pytest.raises(OverflowError):
        f(*good[:-1], -(2**31) - 1)
