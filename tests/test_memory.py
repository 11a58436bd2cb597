"""A million calls of each function, on every path, leave memory where it was."""

import math
import os
import resource
import tracemalloc
from collections import deque
from itertools import repeat, starmap

import pytest

import algorithms_c as ac

CALLS = 1_000_000
LIMIT = 64 * 1024
# The resident size moves in the allocator's steps (a pool of pages, an arena
# of up to 1 MiB), which an interpreter may take once on any call; a leak of
# even the smallest block, 16 B, on every call would grow it by 16 MB.
RESIDENT_LIMIT = 1024 * 1024
INT32_MIN = -(2**31)
# AddressSanitizer holds freed blocks back in quarantine: under it the resident
# size says nothing about our calls, while the traced allocations still do.
SANITIZED = "libasan" in os.environ.get("LD_PRELOAD", "")

# function: its calls on every path, success first
PATHS = {
    ac.get_julian_day_from_gregorian_date: [(2016, 3, 20), (2016, 2, 30)],
    ac.is_jalali_leap_year: [(1395,)],
    ac.get_days_in_jalali_year: [(1395,)],
    ac.get_days_in_jalali_month: [(1395, 12), (1395, 13)],
    ac.get_julian_day_from_jalali_date: [(1395, 1, 1)],
    ac.get_jalali_date_from_julian_day: [(2457467.5,), (math.nan,), (3e38,)],
    ac.get_gregorian_date_from_julian_day: [(2457467.5,), (0.0,), (math.inf,), (3e38,)],
    ac.get_jalali_date_from_gregorian_date: [(2016, 3, 20), (2016, 2, 30), (INT32_MIN, 1, 1)],
}


def run(f, args, times):
    try:
        deque(starmap(f, repeat(args, times)), maxlen=0)
        return
    except (ValueError, OverflowError):
        pass
    for _ in range(times):
        try:
            f(*args)
        except (ValueError, OverflowError):
            pass


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * resource.getpagesize()


@pytest.fixture
def traced():
    tracemalloc.start()
    yield
    tracemalloc.stop()


@pytest.mark.parametrize("f", PATHS, ids=[f.__name__ for f in PATHS])
def test_calls_leave_memory_where_it_was(f, traced, record_property):
    paths = PATHS[f]
    for args in paths:  # warm-up
        run(f, args, 10_000)
    traced_before, rss_before = tracemalloc.get_traced_memory()[0], resident_bytes()
    for args in paths:
        run(f, args, CALLS // len(paths))
    traced_growth = tracemalloc.get_traced_memory()[0] - traced_before
    rss_growth = resident_bytes() - rss_before
    record_property("traced_growth", traced_growth)
    record_property("rss_growth", rss_growth)
    print(f"\n{f.__name__}: traced {traced_growth:+d} B, resident {rss_growth:+d} B")
    assert abs(traced_growth) < LIMIT
    assert SANITIZED or rss_growth < RESIDENT_LIMIT
