"""Inputs that are sure to take the ufuncs' vectorised forms, and the edges of those forms: whole
blocks of ordinary dates with one edge value each, at the starts and ends of blocks; strided,
reversed and partly strided inputs and outputs; refusals in separate stretches of one call; and
integers at and beyond the 32-bit limits. Element by element, the per-call functions are the
oracle; julian days are chosen to be exact in single precision, which the per-call functions read."""

import itertools

import pytest

np = pytest.importorskip("numpy")
an = pytest.importorskip("algorithms_c_numpy")

import algorithms_c as ac
from test_domain import outcome

BLOCK = 256  # the vectorised forms' block, and the largest stretch that one refusal sends the exact way
LONG_BLOCK = 1024  # the same where every column is read and written where it is, with no buffer
N = 2 * LONG_BLOCK + 37  # whole blocks of either, and a short one at the end
POSITIONS = [0, 1, BLOCK - 1, BLOCK, LONG_BLOCK - 1, LONG_BLOCK, 2 * LONG_BLOCK - 1, 2 * LONG_BLOCK, N - 1]
INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1

# Values on both sides of every power of two that bounds a 32-bit box, and of the 32-bit limits.
POWERS = sorted({s * (2**k + d) for k in range(16, 31) for d in (-1, 0, 1) for s in (1, -1)})
INT_EDGES = [INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX, *POWERS, 0, -1, 1]
# The julian days that get_jalali_date_from_julian_day takes the fast way: the two 2820-year cycles
# that meet in the year 475.
JALALI_JD_BOX = (1091462, 3151428)
# julian days exact in single precision: whole and half days, and powers of two and their
# neighbours up to 2^29, and the Jalali box's ends
JD_EDGES = [0.5, 1.0, 1.5, -0.5, -1.0, 2440587.5, *(float(s * (2**k + d * 2**(k - 22))) for k in (26, 27, 28, 29)
                                                   for d in (-1, 0, 1) for s in (1, -1)),
            *(end + d for end in JALALI_JD_BOX for d in (-0.5, 0, 0.5))]


def ordinary(seed=0):
    """N dates of 1900 to 2100, Gregorian and Jalali, and their julian days: all inside every box."""
    rng = np.random.default_rng(seed)
    julian_days = rng.integers(2415021, 2488070, N) + 0.5
    gregorian = an.get_gregorian_date_from_julian_day(julian_days)
    jalali = an.get_jalali_date_from_julian_day(julian_days)
    return gregorian, jalali, julian_days


def per_call(ufunc, *columns):
    """What the per-call function gives for each element: a list of results, or the exception of
    the first refused element as (type, message)."""
    function = getattr(ac, ufunc.__name__)
    results = []
    for args in zip(*(np.atleast_1d(c).tolist() for c in np.broadcast_arrays(*columns))):
        got = outcome(function, *args)
        if isinstance(got, tuple) and isinstance(got[0], type):
            return got
        results.append(got)
    return results


def array_result(ufunc, *columns, **kwargs):
    try:
        got = ufunc(*columns, **kwargs)
    except (ValueError, OverflowError) as error:
        return type(error), str(error)
    got = got if isinstance(got, tuple) else (got,)
    rows = list(zip(*(np.atleast_1d(g).tolist() for g in got)))
    return [row if len(row) > 1 else row[0] for row in rows]


def check(ufunc, *columns, **kwargs):
    wanted = per_call(ufunc, *columns)
    assert array_result(ufunc, *columns, **kwargs) == wanted, (ufunc.__name__, kwargs)


def with_value(column, position, value, dtype=None):
    column = np.array(column, dtype=dtype or np.asarray(column).dtype)
    column[position] = value
    return column


def cases():
    """(ufunc, columns) for every ufunc: ordinary columns with one value from the edges put in."""
    (gy, gm, gd), (jy, jm, jd), julian_days = ordinary()
    for value, position in itertools.product(INT_EDGES, (0, BLOCK - 1, LONG_BLOCK, N - 1)):
        yield an.is_jalali_leap_year, (with_value(jy, position, value),)
        yield an.get_days_in_jalali_year, (with_value(jy, position, value),)
        yield an.get_days_in_jalali_month, (with_value(jy, position, value), jm)
        for k in range(3):
            gregorian = [gy, gm, gd]
            gregorian[k] = with_value(gregorian[k], position, value if k != 1 else value % 13)
            gregorian[2] = np.where((gregorian[1] == 2) & (gregorian[2] > 28), 28, gregorian[2])
            yield an.get_julian_day_from_gregorian_date, tuple(gregorian)
            yield an.get_jalali_date_from_gregorian_date, tuple(gregorian)
            jalali = [jy, jm, jd]
            jalali[k] = with_value(jalali[k], position, value)
            yield an.get_julian_day_from_jalali_date, tuple(jalali)
    for value, position in itertools.product(JD_EDGES, POSITIONS):
        yield an.get_jalali_date_from_julian_day, (with_value(julian_days, position, value),)
        if value > 0:
            yield an.get_gregorian_date_from_julian_day, (with_value(julian_days, position, value),)


def test_whole_blocks_with_one_edge_value():
    count = 0
    for ufunc, columns in cases():
        for dtype in (np.int32, np.int64) if columns[0].dtype.kind == "i" else (np.float64,):
            check(ufunc, *(c.astype(dtype) for c in columns))
            count += 1
    assert count > 1000


def test_refusals_at_block_starts_and_ends():
    (gy, gm, gd), (jy, jm, _), julian_days = ordinary()
    for position in POSITIONS:
        for year, day in [(2016, 30), (2015, 29), (1900, 29), (2000, 31)]:  # February days beyond the month
            month = with_value(gm, position, 2)
            for ufunc in (an.get_julian_day_from_gregorian_date, an.get_jalali_date_from_gregorian_date):
                check(ufunc, with_value(gy, position, year), month, with_value(gd, position, day))
        for month in (0, 13, -1, INT32_MIN):
            check(an.get_days_in_jalali_month, jy, with_value(jm, position, month))
        for value in (np.nan, np.inf, -np.inf, 0.0, -0.5, 1e30, -1e30):
            check(an.get_jalali_date_from_julian_day, with_value(julian_days, position, value))
            check(an.get_gregorian_date_from_julian_day, with_value(julian_days, position, value))


def test_short_columns_and_single_values():
    """The smallest fast stretches: two elements, and single values among columns (stride 0)."""
    with pytest.raises(ValueError, match="^Invalid day: 30, it must be <= 29$"):
        an.get_julian_day_from_gregorian_date(np.array([2016, 2016], np.int32), 2, np.array([30, 30], np.int32))
    with pytest.raises(ValueError, match="^Invalid Date$"):
        an.get_gregorian_date_from_julian_day(np.array([0.0, 0.0]))
    with pytest.raises(OverflowError):  # never wrapped into 32 bits
        an.get_jalali_date_from_gregorian_date(np.array([2016, 2017]), 3, 2**32 + 20)
    with pytest.raises(OverflowError):
        an.get_julian_day_from_jalali_date(np.array([1395, 1396]), np.int64(2**32 + 1), 1)
    (gy, gm, gd), (jy, jm, jd), _ = ordinary()
    for value in INT_EDGES:
        check(an.get_jalali_date_from_gregorian_date, gy, 3, np.int64(value))
        check(an.get_julian_day_from_jalali_date, np.int64(value), jm, jd)
        check(an.get_days_in_jalali_month, np.int64(value), jm)


def test_integers_at_and_beyond_32_bits():
    (_, _, _), (jy, jm, jd), _ = ordinary()
    for value in (INT32_MAX, INT32_MIN, INT32_MAX + 1, INT32_MIN - 1, 2**32, 2**32 + 1395, 2**63 - 1, -(2**63)):
        for position in (0, BLOCK - 1, N - 1):
            check(an.is_jalali_leap_year, with_value(jy, position, value, np.int64))
            check(an.get_julian_day_from_jalali_date, jy, jm, with_value(jd, position, value, np.int64))
        check(an.get_days_in_jalali_year, np.int64(value))
    for value in (INT32_MAX, INT32_MAX + 1, 2**32 + 1395, 2**63, 2**64 - 1):
        column = with_value(jy.astype(np.uint64), BLOCK, value)
        check(an.is_jalali_leap_year, column)
        check(an.get_jalali_date_from_gregorian_date, column, 3, 20)


def views(column):
    """A column as strided, reversed and partly strided views, each with the same elements."""
    wide = np.repeat(column, 3)
    return {"contiguous": column, "stride 3": wide[::3], "stride 2": np.repeat(column, 2)[1::2],
            "reversed": column[::-1].copy()[::-1], "negative stride": wide[::-3][::-1],
            "2-d column": np.stack([column] * 3, axis=1)[:, 1], "stride 4": np.repeat(column, 4)[3::4]}


def test_strided_and_reversed_inputs_and_outputs():
    (gy, gm, gd), (jy, jm, jd), julian_days = ordinary(3)
    gy = with_value(gy, BLOCK + 5, 2**21)  # a stretch outside the narrow arithmetic
    for (name_a, a), (name_b, b) in itertools.product(views(gy).items(), views(gm).items()):
        check(an.get_jalali_date_from_gregorian_date, a, b, gd)
        check(an.get_julian_day_from_gregorian_date, gy, b, a)
    for value in (2016, 2**32 + 2016):  # never wrapped into 32 bits on the way
        for name, a in views(with_value(gy, BLOCK + 5, value, np.int64)).items():
            check(an.get_jalali_date_from_gregorian_date, a, gm, gd)
    for name, days in views(with_value(julian_days, 3, 2.0**29)).items():
        check(an.get_jalali_date_from_julian_day, days)
        check(an.get_gregorian_date_from_julian_day, days)
    for stride, ufunc, columns in itertools.product((2, -1, -3), [an.is_jalali_leap_year, an.get_days_in_jalali_month,
                                                                  an.get_julian_day_from_jalali_date,
                                                                  an.get_jalali_date_from_julian_day],
                                                    [(jy, jm, jd), (with_value(jy, 7, 2**30 + 1), jm, jd)]):
        args = (julian_days,) if ufunc.nin == 1 and ufunc.types[-1][0] == "d" else columns[:ufunc.nin]
        wanted = ufunc(*args)
        wanted = wanted if isinstance(wanted, tuple) else (wanted,)
        buffers = [np.zeros(len(w) * abs(stride), w.dtype) for w in wanted]
        out = tuple(b[::stride] if stride > 0 else b[::stride][:len(w)] for b, w in zip(buffers, wanted))
        got = ufunc(*args, out=out if len(out) > 1 else out[0])
        for g, o, w, b in zip(got if isinstance(got, tuple) else (got,), out, wanted, buffers):
            assert g is o and np.array_equal(o, w), (ufunc.__name__, stride)
            assert np.count_nonzero(b) == np.count_nonzero(o)  # nothing written between the elements


TABLE_UFUNCS = [an.get_days_in_jalali_month, an.get_julian_day_from_jalali_date, an.get_julian_day_from_gregorian_date,
                an.get_jalali_date_from_gregorian_date]


@pytest.mark.parametrize("ufunc", TABLE_UFUNCS, ids=lambda u: u.__name__)
@pytest.mark.parametrize("position", POSITIONS[1::2])
def test_columns_of_one_table(ufunc, position):
    """The inputs as the columns of one (n, 2) or (n, 3) int32 array, which the fast form reads
    row by row: in order, in another order, with an element outside the box or refused, and with
    the results written over the table itself."""
    (gy, gm, gd), (jy, jm, jd), _ = ordinary()
    dates = (gy, gm, gd) if ufunc.__name__.endswith("gregorian_date") else (jy, jm, jd)
    for edit in (None, (0, 2**21), (1, 13), (0, INT32_MIN)):
        columns = [np.array(c, np.int32) for c in dates[:ufunc.nin]]
        if edit is not None:
            columns[edit[0]][position] = edit[1]
        table = np.stack(columns, axis=1)
        check(ufunc, *(table[:, k] for k in range(ufunc.nin)))
        check(ufunc, *(table[:, k] for k in reversed(range(ufunc.nin))))
        if ufunc.nout == ufunc.nin and edit is None:
            wanted = ufunc(*columns)
            got = ufunc(*(table[:, k] for k in range(ufunc.nin)), out=tuple(table[:, k] for k in range(ufunc.nin)))
            assert all(np.array_equal(g, w) for g, w in zip(got, wanted))
            assert np.array_equal(table, np.stack(wanted, axis=1))


def test_outputs_over_their_own_inputs():
    """out= the input arrays themselves: a block that goes the exact way still reads its inputs as
    they were, not the fast form's results written over them."""
    (gy, gm, gd), (jy, jm, _), _ = ordinary()
    for position in POSITIONS[::2]:
        gregorian = [with_value(gy, position, 2**20), gm.copy(), gd.copy()]  # that block goes the exact way
        wanted = an.get_jalali_date_from_gregorian_date(*gregorian)
        assert all(o is g for o, g in zip(an.get_jalali_date_from_gregorian_date(*gregorian, out=tuple(gregorian)),
                                          gregorian))
        assert all(np.array_equal(g, w) for g, w in zip(gregorian, wanted)), position
        years = with_value(jy, position, 2**30 + 1)
        for ufunc, columns in ((an.get_days_in_jalali_year, (years,)), (an.get_days_in_jalali_month, (years, jm))):
            wanted = ufunc(*columns)
            columns = tuple(c.copy() for c in columns)
            assert np.array_equal(ufunc(*columns, out=columns[0]), wanted), (ufunc.__name__, position)


def test_the_first_refusal_of_two_stretches_is_the_one_reported():
    """NumPy runs a call in stretches where it casts (in buffers) or masks (where=); the first
    refused element of the whole call is reported, not that of a later stretch."""
    (gy, gm, gd), _, _ = ordinary()
    big = 3 * 8192 + 11
    year, month, day = (np.resize(c, big) for c in (gy, gm, gd))
    month[[100, 20000]], day[[100, 20000]] = 2, [30, 31]
    year[[100, 20000]] = 2016
    for cast in (np.int16, np.int32, np.int64):
        for ufunc in (an.get_julian_day_from_gregorian_date, an.get_jalali_date_from_gregorian_date):
            with pytest.raises(ValueError, match="^Invalid day: 30, it must be <= 29$"):
                ufunc(year.astype(cast), month.astype(cast), day.astype(cast))
            where = np.ones(big, bool)
            where[[50, 150, 10000]] = False  # the call runs in four stretches
            out = tuple(np.zeros(big, np.int32) for _ in range(ufunc.nout)) if ufunc.nout > 1 else np.zeros(big)
            with pytest.raises(ValueError, match="^Invalid day: 30, it must be <= 29$"):
                ufunc(year.astype(cast), month.astype(cast), day.astype(cast), where=where, out=out)
            where[100] = False
            with pytest.raises(ValueError, match="^Invalid day: 31, it must be <= 29$"):
                ufunc(year.astype(cast), month.astype(cast), day.astype(cast), where=where, out=out)


def test_no_floating_point_flag_escapes():
    """NaN, infinities and julian days far outside any box raise only the functions' own errors,
    and columns that give dates raise nothing, with every floating-point error made an exception."""
    _, _, julian_days = ordinary()
    far = [np.nan, -np.nan, np.inf, -np.inf, 1e30, -1e30, 2.0**40, -(2.0**40), 2.0**63, 2.0**31, -(2.0**31)]
    with np.errstate(all="raise"):
        for value, position in itertools.product(far, (0, BLOCK - 1, N - 1)):
            column = with_value(julian_days, position, value)
            for ufunc in (an.get_jalali_date_from_julian_day, an.get_gregorian_date_from_julian_day):
                check(ufunc, column)
        for value in (2.0**29, -(2.0**29), 2.0**31, 2.0**39):  # outside the boxes, still dates
            column = with_value(julian_days, BLOCK, value)
            check(an.get_jalali_date_from_julian_day, column)
            check(an.get_gregorian_date_from_julian_day, np.abs(column))


def test_the_day_that_contains_a_julian_day_just_below_a_half():
    """jd + 0.5 rounds up in double precision for the largest doubles below a half day; the day
    that contains such a jd is that of jd - 0.25."""
    for half in (0.5, 1.5, 2457467.5, 2.0**26 + 0.5):
        below = np.nextafter(half, 0)
        wanted = an.get_gregorian_date_from_julian_day(np.full(N, below - 0.25))
        for column in (np.full(N, below), np.full(2 * N, below)[::2], np.array([below])):
            got = an.get_gregorian_date_from_julian_day(column)
            assert [g[0] for g in got] == [w[0] for w in wanted], half
    assert an.get_gregorian_date_from_julian_day(np.array([np.nextafter(0.5, 0)])) == (-4713, 11, 24)


def test_julian_days_just_below_whole_and_half_days():
    """Rounding or truncating a julian day in double precision can carry the largest doubles below
    a whole or a half day into the next day (1.9999999999999998 + 1 rounds to 3). Whole blocks of
    them, on both sides of powers of two, against the day of a whole julian day found exactly; the
    Jalali ones inside its box, so that they go the fast way, and all of them negated."""
    from fractions import Fraction
    from math import floor

    wholes = sorted({2**e + d for e in range(24) for d in (-1, 0, 1)} - {0} | {2457467})  # exact in single precision
    values = [v for k in wholes for v in (np.nextafter(k, 0), k, np.nextafter(k + 0.5, 0), k + 0.5)]
    gregorian = np.array(values * 2)
    jalali = np.resize([v for v in values if JALALI_JD_BOX[0] <= v < JALALI_JD_BOX[1]], 2 * BLOCK)
    for ufunc, day_of, columns in ((an.get_jalali_date_from_julian_day, floor, (jalali, -gregorian)),
                                   (an.get_gregorian_date_from_julian_day, lambda v: floor(Fraction(v) + Fraction(1, 2)),
                                    (gregorian,))):
        function = getattr(ac, ufunc.__name__)
        for column in columns:
            wanted = [function(float(day_of(v))) for v in column.tolist()]
            for view in (column, column[::-1]):
                assert list(zip(*(g.tolist() for g in ufunc(view)))) == (wanted if view is column else wanted[::-1])


def test_julian_days_at_every_box_edge_in_double_precision():
    """Julian days on both sides of each edge of the boxes that the julian-day loops take the fast
    way, and of twice and half each edge, in whole blocks, against the exact formulations: a box
    drawn too wide gives a wrong date there, one drawn too narrow only a slower one."""
    import reference

    edges = [0.5, 2.0**29 - 1, *JALALI_JD_BOX]
    centres = sorted({e * f for e in edges for f in (0.5, 1, 2)} | {2.0**k for k in range(29, 33)})
    values = [c + d for c in centres for d in (-2.5, -2, -1.5, -1, -0.5, 0, 0.5, 1, 1.5, 2)]
    _, _, julian_days = ordinary()
    for value in values:
        column = with_value(julian_days, BLOCK // 2, value)
        if value > 0:
            got = an.get_gregorian_date_from_julian_day(column)
            assert tuple(int(g[BLOCK // 2]) for g in got) == reference.jd_to_gregorian(value), value
        got = an.get_jalali_date_from_julian_day(column)
        assert tuple(int(g[BLOCK // 2]) for g in got) == reference.jd_to_jalali(value), value


def test_an_output_over_its_input_where_only_some_elements_are_written():
    """With where=, NumPy hands the loop one element at a time; an output that is the input itself
    then spans a single element, which must still count as shared, so that the exact way reads
    the input and not the fast form's result written over it."""
    beyond = 2**30 + 1  # outside the fast leap rule's box
    for ufunc in (an.is_jalali_leap_year, an.get_days_in_jalali_year):
        function = getattr(ac, ufunc.__name__)
        for dtype in (np.int32, np.int64):
            years = np.full(4, beyond, dtype)
            out = years if ufunc.types[0][-1] != "?" else years.view(bool)[::years.itemsize]
            ufunc(years, out=out, where=[True, False, True, False])
            assert out[[0, 2]].tolist() == [function(beyond)] * 2, (ufunc.__name__, dtype)
    months = np.full(4, 12, np.int32)
    years = np.full(4, beyond, np.int32)
    an.get_days_in_jalali_month(years, months, out=months, where=[False, True, True, False])
    assert months.tolist() == [12, ac.get_days_in_jalali_month(beyond, 12), ac.get_days_in_jalali_month(beyond, 12), 12]


def test_century_february_29ths_in_whole_blocks():
    """The fast form's leap rule for the years 1800, 2100, 2200 and 2300, which are not leap years
    though divisible by 8, and for 1600 and 2400, which are."""
    (gy, gm, gd), _, _ = ordinary()
    for position in POSITIONS:
        month = with_value(gm, position, 2)
        for year in (1600, 1800, 2000, 2100, 2200, 2300, 2400, -100, -400):
            for ufunc in (an.get_julian_day_from_gregorian_date, an.get_jalali_date_from_gregorian_date):
                check(ufunc, with_value(gy, position, year), month, with_value(gd, position, 29))
    with pytest.raises(ValueError, match="^Invalid day: 29, it must be <= 28$"):
        an.get_julian_day_from_gregorian_date(np.full(N, 1800), 2, 29)
