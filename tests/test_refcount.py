"""Exact reference counts, on a debug interpreter: calls on every path leave the total as it was.

A reference taken twice, or released twice on an object that goes back to a
free list, escapes the memory measurements; the debug interpreter counts it.
The ufuncs of algorithms_c_numpy are not counted here: NumPy's wheels are built
for the release interpreter and move the total on their own (numpy.add by one
a call), and the ufuncs' loops hold no reference of their own to count.
"""

import sys

import pytest

from test_memory import PATHS

pytestmark = pytest.mark.skipif(not hasattr(sys, "gettotalrefcount"), reason="needs a debug interpreter")
CALLS = 10_000


def call(f, args, times):
    for _ in range(times):
        try:
            f(*args)
        except (ValueError, OverflowError):
            pass


@pytest.mark.parametrize("f", PATHS, ids=[f.__name__ for f in PATHS])
def test_every_path_leaves_the_reference_count_as_it_was(f):
    for args in PATHS[f]:
        call(f, args, 100)
        before = sys.gettotalrefcount()
        call(f, args, CALLS)
        assert abs(sys.gettotalrefcount() - before) < 100, args  # a reference a call would be 10,000
