"""The ufuncs of algorithms_c_numpy: element by element what the per-call functions give."""

import random
import threading

import pytest
from hypothesis import given, settings, strategies as st

np = pytest.importorskip("numpy")
an = pytest.importorskip("algorithms_c_numpy")

import algorithms_c as ac
from test_domain import DOMAIN, as_float32, outcome
from test_memory import SANITIZED, resident_bytes

DRAWS = 20_000
CHUNK = 8  # elements a call, so that most calls meet no failure and some meet one


def columns(args, per_call):
    """The drawn arguments as arrays: julian days in single precision, as the per-call functions read them."""
    if per_call in (ac.get_jalali_date_from_julian_day, ac.get_gregorian_date_from_julian_day):
        return [np.array([as_float32(a) for (a,) in args], dtype=np.float32)]
    return [np.array(column, dtype=np.int32) for column in zip(*args)]


def array_outcome(ufunc, arrays, **kwargs):
    try:
        result = ufunc(*arrays, **kwargs)
    except (ValueError, OverflowError) as error:
        return type(error), str(error)
    return [tuple(part.tolist() for part in result)] if isinstance(result, tuple) else [result.tolist()]


@pytest.mark.parametrize("per_call, draw", [(f, d) for f, d, _ in DOMAIN], ids=[f.__name__ for f, _, _ in DOMAIN])
def test_arrays_give_what_the_per_call_functions_give(per_call, draw):
    ufunc = getattr(an, per_call.__name__)
    rng = random.Random(per_call.__name__)
    args = [draw(rng) for _ in range(DRAWS)]
    wanted = [outcome(per_call, *a) for a in args]
    arrays = columns(args, per_call)
    for start in range(0, DRAWS, CHUNK):
        part = wanted[start:start + CHUNK]
        first_failure = next((w for w in part if isinstance(w, tuple) and isinstance(w[0], type)), None)
        got = array_outcome(ufunc, [a[start:start + CHUNK] for a in arrays])
        if first_failure is not None:
            assert got == first_failure, (args[start:start + CHUNK], got)
        else:
            values = [list(zip(*got[0]))] if isinstance(got[0], tuple) else got
            assert values == [part], args[start:start + CHUNK]


def test_whole_columns_give_what_single_elements_give():
    """Long columns go a vectorised way of their own, exact inside a box of years, days and julian
    days, contiguous or strided alike."""
    rng = np.random.default_rng(7)
    n = 200_000
    edges = np.array([-(2**30) - 1, -(2**30), -(2**20) - 1, -(2**20), -(2**19) - 1, -(2**19), -1, 0, 1,
                      2**19, 2**19 + 1, 2**20, 2**20 + 1, 2**30, 2**30 + 1])
    year = np.concatenate([rng.integers(-(2**20) - 9, 2**20 + 9, n), np.tile(edges, 12), rng.integers(1, 3000, n)])
    month = np.concatenate([rng.integers(1, 13, n), np.repeat(np.arange(1, 13), len(edges)), rng.integers(0, 14, n)])
    day = np.concatenate([rng.integers(1, 32, n), np.tile(edges, 12), rng.integers(-(2**20) - 9, 2**20 + 9, n)])
    day[(month == 2) & (day > 28)] = 28  # no February day to refuse
    bound = 2.0**28
    jd = np.concatenate([rng.uniform(-bound - 9, bound + 9, n), [-bound, -bound + 0.5, -0.5, 0, 0.25, 2**27, bound],
                         rng.integers(-2000, 2000, n) + rng.choice([0, 0.25, 0.5, 0.75], n)])
    for name, args in [("is_jalali_leap_year", (year,)), ("get_days_in_jalali_year", (year,)),
                       ("get_julian_day_from_gregorian_date", (year, month, day)),
                       ("get_julian_day_from_jalali_date", (year, month, day)),
                       ("get_jalali_date_from_gregorian_date", (year, month, day)),
                       ("get_jalali_date_from_julian_day", (jd,)), ("get_gregorian_date_from_julian_day", (np.abs(jd) + 1,))]:
        ufunc = getattr(an, name)
        one_by_one = ufunc(*(np.repeat(a, 2)[::2] for a in args))
        for dtype in {np.int32, np.int64} if args[0].dtype.kind == "i" else {np.float64}:
            fast = ufunc(*(a.astype(dtype) for a in args))
            for f, o in zip(*(r if isinstance(r, tuple) else (r,) for r in (fast, one_by_one))):
                assert np.array_equal(f, o), (name, dtype)
    broadcast = an.get_jalali_date_from_gregorian_date(year.astype(np.int32), 3, 20)  # single values among columns
    for f, o in zip(broadcast, an.get_jalali_date_from_gregorian_date(np.repeat(year, 2)[::2], [3], [20])):
        assert np.array_equal(f, o)


@settings(max_examples=30)
@given(st.lists(st.tuples(st.integers(-(2**20), 2**20), st.integers(1, 12), st.integers(-40, 40)), min_size=1,
                max_size=700))
def test_columns_against_the_per_call_functions(dates):
    """Columns long enough for whole blocks of the vectorised way, element by element per call."""
    year, month, day = (np.array(column, dtype=np.int32) for column in zip(*dates))
    day[(month == 2) & (day > 28)] = 28
    for ufunc, per_call in [(an.get_jalali_date_from_gregorian_date, ac.get_jalali_date_from_gregorian_date),
                            (an.get_julian_day_from_jalali_date, ac.get_julian_day_from_jalali_date)]:
        got = ufunc(year, month, day)
        got = list(zip(*(g.tolist() for g in got))) if isinstance(got, tuple) else got.tolist()
        assert got == [per_call(*d) for d in zip(year.tolist(), month.tolist(), day.tolist())]
    jd = an.get_julian_day_from_gregorian_date(year, month, day)
    got = list(zip(*(g.tolist() for g in an.get_jalali_date_from_julian_day(jd.astype(np.float32)))))
    assert got == [ac.get_jalali_date_from_julian_day(x) for x in jd.tolist()]


def test_the_first_refused_element_of_a_long_column_is_the_one_reported():
    year = np.full(3000, 2016, dtype=np.int32)
    day = np.full(3000, 20, dtype=np.int32)
    month = np.full(3000, 3, dtype=np.int32)
    month[[700, 2900]], day[[700, 2900]] = 2, [30, 31]  # in the third block, and in a later one
    year[1500] = 2**31 - 1  # an element outside the vectorised way, between them
    with pytest.raises(ValueError, match="^Invalid day: 30, it must be <= 29$"):
        an.get_jalali_date_from_gregorian_date(year, month, day)
    with pytest.raises(OverflowError, match="^date value out of range$"):
        an.get_jalali_date_from_gregorian_date(year[800:], month[800:], day[800:])
    with pytest.raises(ValueError, match="^Invalid day: 31, it must be <= 29$"):
        an.get_jalali_date_from_gregorian_date(year[1501:], month[1501:], day[1501:])
    assert an.get_jalali_date_from_gregorian_date(year[:700], month[:700], day[:700])[0].tolist() == [1395] * 700


def test_integers_outside_32_bits_raise_as_the_per_call_parser_does():
    for value in (2**31, -(2**31) - 1, 2**32 + 1395, 2**63):
        dtype = np.uint64 if value >= 2**63 else np.int64
        with pytest.raises(OverflowError) as per_call:
            ac.is_jalali_leap_year(value)
        with pytest.raises(OverflowError, match=f"^{per_call.value}$"):  # never wrapped into range
            an.is_jalali_leap_year(np.array([1395, value], dtype=dtype))
    with pytest.raises(OverflowError):
        an.get_days_in_jalali_month([1395, 2**31], 1)
    for dtype in (np.int16, np.uint16, np.int64, np.uint32, np.uint64):
        assert an.get_days_in_jalali_month(np.array([1395, 1396], dtype=dtype), 12).tolist() == [30, 29]
    with pytest.raises(TypeError):
        an.get_days_in_jalali_month(np.array([1395.0]), 12)


def test_julian_days_in_single_and_double_precision():
    jd = [2457467.4, 2457467.5]
    assert an.get_gregorian_date_from_julian_day(np.array(jd, dtype=np.float32))[2].tolist() == [20, 20]
    assert an.get_gregorian_date_from_julian_day(np.array(jd))[2].tolist() == [19, 20]  # no rounding to single
    assert [ac.get_gregorian_date_from_julian_day(x)[2] for x in jd] == [20, 20]
    assert an.get_jalali_date_from_julian_day(np.array([2457467], dtype=np.int64))[0].tolist() == [1395]
    with pytest.raises(OverflowError, match="^date value out of range$"):
        an.get_jalali_date_from_julian_day(np.array([1e39]))  # an infinity in single precision


def test_outputs_where_views_broadcasting_and_shapes():
    year = np.array([2016, 2016, 0, 2025, 2016, 2016], dtype=np.int64)[::2]  # a strided view: 2016, 0, 2016
    out = tuple(np.full(3, -1, dtype=np.int32) for _ in range(3))
    where = np.array([True, False, True])  # the middle date is missing
    result = an.get_jalali_date_from_gregorian_date(year, 3, 20, out=out, where=where)
    assert all(r is o for r, o in zip(result, out))
    assert [o.tolist() for o in out] == [[1395, -1, 1395], [1, -1, 1], [1, -1, 1]]
    # a missing February 30 raises nothing when where= leaves it out
    assert an.get_julian_day_from_gregorian_date([2016, 2016], 2, [29, 30], where=[True, False], out=np.zeros(2))[0] == 2457447.5
    lengths = an.get_days_in_jalali_month(np.array([[1395], [1396]]), np.arange(1, 13))
    assert lengths.shape == (2, 12) and lengths.dtype == np.int32 and lengths[:, 11].tolist() == [30, 29]
    years = np.array([[1395, 1396], [1397, 1398]], dtype=np.int16).T  # not contiguous, and cast
    assert an.get_days_in_jalali_year(years).tolist() == [[ac.get_days_in_jalali_year(y) for y in row] for row in years.tolist()]
    empty = an.get_jalali_date_from_julian_day(np.array([]))
    assert [(e.shape, e.dtype) for e in empty] == [((0,), np.int32)] * 3
    assert an.is_jalali_leap_year(1399) is np.True_ and an.get_julian_day_from_jalali_date(1395, 1, 1) == 2457467.5


def test_pandas_columns():
    pd = pytest.importorskip("pandas")
    dates = pd.Series(pd.to_datetime(["2016-03-20", None, "2025-03-20"]))
    days = dates.to_numpy("datetime64[D]").astype(np.int64)
    year, month, day = an.get_jalali_date_from_julian_day(days + 2440587.5, where=dates.notna().to_numpy(),
                                                          out=tuple(np.zeros(3, np.int32) for _ in range(3)))
    assert (year.tolist(), month[[0, 2]].tolist()) == ([1395, 0, 1404], [1, 1])
    series = an.get_days_in_jalali_year(pd.Series([1403, 1404]))
    assert isinstance(series, pd.Series) and series.tolist() == [365, 366]


def test_threads_converting_halves_give_the_whole():
    days = np.arange(2415021, 2415021 + 400_000, dtype=np.float64)
    whole = an.get_gregorian_date_from_julian_day(days)
    halves = [None, None]

    def convert(i):
        halves[i] = an.get_gregorian_date_from_julian_day(days[i * 200_000:(i + 1) * 200_000])

    threads = [threading.Thread(target=convert, args=(i,)) for i in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for k in range(3):
        assert np.array_equal(np.concatenate([halves[0][k], halves[1][k]]), whole[k])


def test_calls_leave_memory_where_it_was():
    rng = np.random.default_rng(0)
    dates = [rng.integers(1900, 2100, 100_000), rng.integers(1, 13, 100_000), rng.integers(1, 29, 100_000)]
    jd = an.get_julian_day_from_gregorian_date(*dates)
    calls = [(u, dates[:u.nin]) for u in vars(an).values() if isinstance(u, np.ufunc) and "from_julian" not in u.__name__]
    calls += [(an.get_jalali_date_from_julian_day, [jd]), (an.get_gregorian_date_from_julian_day, [jd])]
    for ufunc, args in calls * 5:  # warm-up
        ufunc(*args)
    before = resident_bytes()
    for ufunc, args in calls * 100:
        ufunc(*args)
    assert SANITIZED or resident_bytes() - before < 1 << 20
