"""Every argument the interpreter lets through: exact results or the documented errors.

The domain test draws over a million calls from the whole domain of every
function, with the 32-bit extremes, the range limits and the special floats
drawn far more often than their share, and holds each answer against the
reference formulations of reference.py.
"""

import math
import random
import struct

import pytest

import algorithms_c as ac
import reference
from reference import INT32_MAX, INT32_MIN

CALLS_PER_FUNCTION = 130_000
INVALID_DATE = (ValueError, "Invalid Date")
OUT_OF_RANGE = (OverflowError, "date value out of range")


def to_float32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def as_float32(x):
    """What an "f" argument arrives as: the nearest single, or an infinity beyond them."""
    try:
        return to_float32(x)
    except OverflowError:
        return math.copysign(math.inf, x)


def float32_step(x, steps):
    """The single-precision value `steps` representable values above x (x > 0)."""
    bits = struct.unpack("<I", struct.pack("<f", x))[0]
    return struct.unpack("<f", struct.pack("<I", bits + steps))[0]


def float32_below(x):
    """The largest single-precision value below x > 0."""
    near = to_float32(x)
    return near if near < x else float32_step(near, -1)


# The first julian day of each calendar's 32-bit range and the first one past it.
JALALI_LOW = reference.jalali_to_jd(INT32_MIN, 1, 1) - 0.5
JALALI_HIGH = reference.jalali_to_jd(INT32_MAX + 1, 1, 1) - 0.5
GREGORIAN_HIGH = reference.gregorian_to_jd(INT32_MAX + 1, 1, 1)


def float_edges(x):
    """The single-precision values on both sides of the limit x."""
    near = to_float32(x)
    return [float32_step(abs(near), k) * math.copysign(1, x) for k in (-2, -1, 0, 1, 2)]


SPECIAL_FLOATS = [
    math.nan, math.inf, -math.inf, 0.0, -0.0, 1e-45, -1e-45, 1.1754943508222875e-38,
    3.4028234663852886e38, -3.4028234663852886e38, 0.5, 0.25, 1e39,
    2.0**21, 2.0**22, 2.0**23, 2.0**24, 2.0**40, -(2.0**40), 2457467.5, 1948319.5, 3151427.5,
    *float_edges(JALALI_LOW), *float_edges(JALALI_HIGH), *float_edges(GREGORIAN_HIGH),
]
SPECIAL_INTS = [
    *range(INT32_MIN, INT32_MIN + 8), *range(INT32_MAX - 7, INT32_MAX + 1), *range(-16, 17),
    -475, -474, -473, 473, 474, 475, 2820, -2820, 4716, -4716, 2**30, -(2**30),
]


def draw_int(rng):
    pick = rng.random()
    if pick < 0.5:
        return rng.randint(INT32_MIN, INT32_MAX)
    if pick < 0.8:
        return rng.choice(SPECIAL_INTS)
    return rng.randint(-10_000, 10_000)


def draw_month(rng):
    return rng.randint(1, 12) if rng.random() < 0.6 else draw_int(rng)


def draw_day(rng, month_days):
    return rng.randint(1, month_days) if rng.random() < 0.6 else draw_int(rng)


def draw_float(rng):
    pick = rng.random()
    if pick < 0.4:  # any bit pattern: every magnitude, subnormals, NaNs and infinities
        return struct.unpack("<f", struct.pack("<I", rng.getrandbits(32)))[0]
    if pick < 0.6:
        return rng.choice(SPECIAL_FLOATS)
    if pick < 0.8:  # julian days whose years fit, and a little beyond
        return to_float32(rng.uniform(-1.2 * JALALI_HIGH, 1.2 * JALALI_HIGH))
    return to_float32(rng.uniform(-10_000, 5_000_000))


def outcome(f, *args):
    try:
        return f(*args)
    except (ValueError, OverflowError) as error:
        return type(error), str(error)


def in_range(date):
    return date if INT32_MIN <= date[0] <= INT32_MAX else OUT_OF_RANGE


def gregorian_formula(year, month, day):
    """The julian day formula run in doubles, which defines it beyond valid dates."""
    y, m = float(year), float(month)
    if month <= 2:
        y, m = y - 1, m + 12
    a = math.floor(y / 100)
    return (math.floor((m + 1) * 30.6001) + math.floor((y + 4716) * 365.25) + day
            + (math.floor(a * 0.25) + (2 - a)) - 1524.5)


def expected_gregorian_jd(year, month, day):
    if month == 2 and day > 28 + reference.gregorian_leap(year):
        limit = 28 + reference.gregorian_leap(year)
        return ValueError, f"Invalid day: {day:02d}, it must be <= {limit:02d}"
    if 1 <= month <= 12 and 1 <= day <= reference.gregorian_month_days(year, month):
        return reference.gregorian_to_jd(year, month, day)
    return gregorian_formula(year, month, day)


def expected_jalali_from_jd(jd):
    return in_range(reference.jd_to_jalali(jd)) if math.isfinite(jd) else INVALID_DATE


def expected_gregorian_from_jd(jd):
    return in_range(reference.jd_to_gregorian(jd)) if 0 < jd < math.inf else INVALID_DATE


def expected_jalali_from_gregorian(year, month, day):
    jd = expected_gregorian_jd(year, month, day)
    return jd if isinstance(jd, tuple) else expected_jalali_from_jd(jd)


def expected_days_in_month(year, month):
    if 1 <= month <= 12:
        return reference.jalali_month_days(year, month)
    return ValueError, "Month must be between 1 and 12"


def gregorian_date(rng):
    year, month = draw_int(rng), draw_month(rng)
    return year, month, draw_day(rng, reference.gregorian_month_days(year, month) if 1 <= month <= 12 else 31)


def jalali_date(rng):
    year, month = draw_int(rng), draw_month(rng)
    return year, month, draw_day(rng, reference.jalali_month_days(year, month) if 1 <= month <= 12 else 31)


# function, how its arguments are drawn, what it must give
DOMAIN = [
    (ac.get_julian_day_from_gregorian_date, gregorian_date, expected_gregorian_jd),
    (ac.is_jalali_leap_year, lambda rng: (draw_int(rng),), reference.jalali_leap),
    (ac.get_days_in_jalali_year, lambda rng: (draw_int(rng),), lambda y: 365 + reference.jalali_leap(y)),
    (ac.get_days_in_jalali_month, lambda rng: (draw_int(rng), draw_month(rng)), expected_days_in_month),
    (ac.get_julian_day_from_jalali_date, jalali_date, reference.jalali_to_jd),
    (ac.get_jalali_date_from_julian_day, lambda rng: (draw_float(rng),),
     lambda jd: expected_jalali_from_jd(as_float32(jd))),
    (ac.get_gregorian_date_from_julian_day, lambda rng: (draw_float(rng),),
     lambda jd: expected_gregorian_from_jd(as_float32(jd))),
    (ac.get_jalali_date_from_gregorian_date, gregorian_date, expected_jalali_from_gregorian),
]


@pytest.mark.parametrize("f, draw, expect", DOMAIN, ids=[f.__name__ for f, _, _ in DOMAIN])
def test_whole_domain(f, draw, expect):
    rng = random.Random(f.__name__)
    for _ in range(CALLS_PER_FUNCTION):
        args = draw(rng)
        got, wanted = outcome(f, *args), expect(*args)
        assert got == wanted and type(got) is type(wanted), (args, got, wanted)


def test_the_domain_is_drawn_widely():
    rng = random.Random(0)
    floats = [draw_float(rng) for _ in range(20_000)]
    jalali = [expected_jalali_from_jd(as_float32(x)) for x in floats]
    assert sum(math.isnan(x) for x in floats) > 10 and sum(math.isinf(x) for x in floats) > 100
    assert jalali.count(OUT_OF_RANGE) > 1000 and jalali.count(INVALID_DATE) > 300
    assert sum(isinstance(r, tuple) and len(r) == 3 and type(r[0]) is int for r in jalali) > 5000


# The limits themselves.

def test_julian_days_at_the_ends_of_the_jalali_range():
    low, high = float32_below(-JALALI_LOW), float32_below(JALALI_HIGH)  # magnitudes just inside
    for inside, outside in ((-low, -float32_step(low, 1)), (high, float32_step(high, 1))):
        assert ac.get_jalali_date_from_julian_day(inside) == reference.jd_to_jalali(inside)
        with pytest.raises(OverflowError, match="^date value out of range$"):
            ac.get_jalali_date_from_julian_day(outside)
    assert reference.jd_to_jalali(-float32_step(low, 1))[0] < INT32_MIN
    assert reference.jd_to_jalali(float32_step(high, 1))[0] > INT32_MAX


def test_jalali_years_at_the_32_bit_ends_from_gregorian_dates():
    # the first day of Jalali year -2^31 and the last of 2^31 - 1, named by Gregorian dates
    first = reference.jd_to_gregorian(reference.jalali_to_jd(INT32_MIN, 1, 1))
    assert ac.get_jalali_date_from_gregorian_date(*first) == (INT32_MIN, 1, 1)
    with pytest.raises(OverflowError, match="^date value out of range$"):
        ac.get_jalali_date_from_gregorian_date(first[0], first[1], first[2] - 1)
    march_1 = reference.gregorian_to_jd(INT32_MAX, 3, 1)
    day = int(JALALI_HIGH - march_1 + 0.5)  # -420090: 1 March is already past it
    last = (INT32_MAX, 12, reference.jalali_month_days(INT32_MAX, 12))
    assert ac.get_jalali_date_from_gregorian_date(INT32_MAX, 3, day) == last
    with pytest.raises(OverflowError, match="^date value out of range$"):
        ac.get_jalali_date_from_gregorian_date(INT32_MAX, 3, day + 1)


def test_julian_days_at_the_ends_of_the_gregorian_range():
    inside = float32_below(GREGORIAN_HIGH)
    assert ac.get_gregorian_date_from_julian_day(inside) == reference.jd_to_gregorian(inside)
    with pytest.raises(OverflowError, match="^date value out of range$"):
        ac.get_gregorian_date_from_julian_day(float32_step(inside, 1))
    assert ac.get_gregorian_date_from_julian_day(1e-45) == (-4713, 11, 24)
    assert ac.get_gregorian_date_from_julian_day(2.0**-126) == (-4713, 11, 24)


@pytest.mark.parametrize("jd", [math.nan, math.inf, -math.inf, 1e39, -1e39])
def test_julian_days_that_are_not_finite(jd):
    for f in (ac.get_jalali_date_from_julian_day, ac.get_gregorian_date_from_julian_day):
        with pytest.raises(ValueError, match="^Invalid Date$"):
            f(jd)


def test_zero_and_the_largest_floats():
    assert ac.get_jalali_date_from_julian_day(0.0) == ac.get_jalali_date_from_julian_day(-0.0) == (-5335, 9, 2)
    for jd in (3.4028234663852886e38, -3.4028234663852886e38):
        with pytest.raises(OverflowError, match="^date value out of range$"):
            ac.get_jalali_date_from_julian_day(jd)
    with pytest.raises(OverflowError, match="^date value out of range$"):
        ac.get_gregorian_date_from_julian_day(3.4028234663852886e38)


@pytest.mark.parametrize("year", [INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX])
def test_years_at_the_32_bit_ends(year):
    assert ac.is_jalali_leap_year(year) == reference.jalali_leap(year)
    for month, day in ((1, 1), (12, 29), (INT32_MIN, INT32_MIN), (INT32_MAX, INT32_MAX)):
        assert ac.get_julian_day_from_jalali_date(year, month, day) == reference.jalali_to_jd(year, month, day)
        assert ac.get_julian_day_from_gregorian_date(year, month, day) == expected_gregorian_jd(year, month, day)
