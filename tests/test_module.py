"""The module frame: docstrings, argument parsing, results and failed allocations."""

import inspect
import sys

import pytest

import algorithms_c as ac

# name, docstring and a valid call, in the order of the method table
FUNCTIONS = [
    ("get_julian_day_from_gregorian_date", "Gets julian day from gregorian date.", (2016, 3, 20)),
    ("is_jalali_leap_year", "Determines the jalali year is leap or not.", (1395,)),
    ("get_days_in_jalali_year", "Determines the number of days in jalali year.", (1395,)),
    ("get_days_in_jalali_month", "Determines the number of days in jalali month.", (1395, 12)),
    ("get_julian_day_from_jalali_date", "Gets julian day from jalali date.", (1395, 1, 1)),
    ("get_jalali_date_from_julian_day", "Gets jalali date from julian day.", (2457467.5,)),
    ("get_gregorian_date_from_julian_day", "Gets gregorian date from julian day.", (2457467.5,)),
    ("get_jalali_date_from_gregorian_date", "Gets jalali date from gregorian date.", (2016, 3, 20)),
]
NAMES = [name for name, _, _ in FUNCTIONS]
CALLS = {name: args for name, _, args in FUNCTIONS}
DATE_FUNCTIONS = [name for name in NAMES if "_date_from_" in name]


def test_docstrings_and_order():
    assert ac.__doc__ == "Zorvash algorithms C implementation."
    assert [name for name, value in vars(ac).items() if inspect.isbuiltin(value)] == NAMES
    for name, doc, _ in FUNCTIONS:
        assert getattr(ac, name).__doc__ == doc


@pytest.mark.parametrize("name", NAMES)
def test_arguments_the_parser_refuses(name):
    f, args = getattr(ac, name), CALLS[name]
    head, last = args[:-1], args[-1]
    with pytest.raises(TypeError):
        f(*head)
    with pytest.raises(TypeError):
        f(*args, 1)
    with pytest.raises(TypeError):
        f(*head, x=last)
    with pytest.raises(TypeError):
        f(*head, str(last))
    if isinstance(last, int):
        with pytest.raises(TypeError):
            f(*head, float(last))
        with pytest.raises(OverflowError):
            f(*head, 2**31)
        with pytest.raises(OverflowError):
            f(*head, -(2**31) - 1)


@pytest.mark.parametrize("name", DATE_FUNCTIONS)
def test_dates_come_back_as_a_tuple_of_three_ints(name):
    result = getattr(ac, name)(*CALLS[name])
    assert type(result) is tuple and [type(part) for part in result] == [int] * 3


@pytest.mark.parametrize("name", [n for n in NAMES if CALLS[n] == (2457467.5,)])
def test_a_julian_day_may_be_an_int(name):
    f = getattr(ac, name)
    assert f(2457467) == f(2457467.0) != f(2457468.0)


def fail_each_allocation(f, args, count=8):
    """The outcomes of f(*args) with each of the first `count` allocations failing in turn."""
    testcapi = pytest.importorskip("_testcapi")
    outcomes = set()
    for start in range(count):
        # With no 3-tuple on the interpreter's free list, the date tuple comes from the allocator too.
        held = [(i, i, i) for i in range(2500)]
        testcapi.set_nomemory(start, start + 1)
        try:
            result = f(*args)
        except BaseException as error:  # anything but the exception asked for fails below
            result = type(error), str(error)
        finally:
            testcapi.remove_mem_hooks()
        del held
        outcomes.add(result)
    return outcomes


def interpreter_failures():
    """How the interpreter's own functions fail when an allocation fails: MemoryError, and on
    some builds (most before 3.11) ValueError('') where the raise itself could not allocate."""
    return fail_each_allocation(chr, (-1,)) - {(ValueError, "chr() arg not in range(0x110000)")}


ALLOCATION_CASES = [
    *((name, CALLS[name]) for name in DATE_FUNCTIONS),
    ("get_julian_day_from_gregorian_date", (2016, 2, 30)),  # the message buffer
    ("get_jalali_date_from_gregorian_date", (2016, 2, 30)),
]


@pytest.mark.parametrize("name, args", ALLOCATION_CASES)
def test_a_failed_allocation_raises_memory_error(name, args):
    f = getattr(ac, name)
    try:
        expected = f(*args)
    except ValueError as error:
        expected = ValueError, str(error)
    failures = fail_each_allocation(f, args) - {expected}
    assert failures and failures <= interpreter_failures()


@pytest.mark.parametrize("name", DATE_FUNCTIONS)
def test_a_date_tuple_that_cannot_be_made_leaves_nothing_behind(name):
    f, args = getattr(ac, name), CALLS[name]
    fail_each_allocation(f, args)
    before = sys.getallocatedblocks()
    for _ in range(100):
        fail_each_allocation(f, args)
    assert sys.getallocatedblocks() - before < 50  # a tuple left behind on each round would add 100
