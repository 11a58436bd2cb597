#!/usr/bin/env python3
"""First days (1 Farvardin) of the years of the astronomical Jalali calendar.

A Jalali year begins on the civil day, reckoned in Iran Standard Time (IRST,
UT + 3:30, the mean solar time of the meridian 52.5 deg E), in which the March
equinox falls before noon; an equinox at or after 12:00:00 IRST makes the
next day the first of the year.  The March equinox is the instant at which
the Sun's apparent geocentric ecliptic longitude, referred to the true
equinox of date, passes 0 deg.

The Sun's apparent longitude, at a Julian ephemeris day JDE (TT):
  1. the Earth's heliocentric longitude L and radius vector R, referred to the
     dynamical ecliptic and equinox of date, summed from the complete VSOP87D
     series (Bretagnon & Francou 1988; file VSOP87D.ear of the published
     distribution, read at run time);
  2. the Sun's geometric geocentric longitude, L + 180 deg;
  3. to the FK5 system: -0.09033 arcsec (Meeus, Astronomical Algorithms,
     2nd ed., ch. 25, "higher accuracy");
  4. nutation in longitude, IAU 1980 theory: the 63 terms of Meeus's
     Table 22.A with his polynomial fundamental arguments (ch. 22);
  5. aberration: -20.4898 arcsec / R (R in au; Meeus ch. 25), which for the
     Sun also covers the light time.
The equinox is found by secant iteration on JDE.

TT - UT (Delta T) is taken from Espenak & Meeus's polynomial expressions
(NASA eclipse web site, "Polynomial Expressions for Delta T", 2006, made for
the Five Millennium Canon of Solar Eclipses, -1999 to +3000); outside their
years they end in the long-term parabola -20 + 32 u^2, u = (y - 1820) / 100,
which is all this module uses past 2150.  Beyond a few centuries from now
Delta T is extrapolated and the year starts it gives are a convention.

Numbering, as the project counts: a "julian day number" is the JD of a civil
day's noon, so that day runs over [n - 0.5, n + 0.5) of the clock it is
reckoned in.  Jalali years are ..., -2, -1, 1, 2, ...; there is no year 0.
The Nowruz of year Y falls in Gregorian year Y + 621 for Y >= 1 and Y + 622
for Y <= -1.  Gregorian dates printed here are proleptic Gregorian with
astronomical year numbers (year 0 is 1 BC).

Run as a script it writes the table that the C++ routines compile
(calendar/astronomical_years.hpp), or with --check tells whether that file is
what it writes, and lists the years whose equinox lies within a few minutes of
noon; imported, year_start() and year_starts() give the records it is made of.
"""

import argparse
import csv
import hashlib
import math
import os
import sys
import time
from typing import Dict, Iterator, List, NamedTuple, Sequence, Tuple

# ---------------------------------------------------------------------------
# Constants

J2000_JD = 2451545.0                  # 2000 January 1, 12h TT
DAYS_PER_JULIAN_MILLENNIUM = 365250.0
DAYS_PER_JULIAN_CENTURY = 36525.0
SECONDS_PER_DAY = 86400.0
ARCSEC_PER_DEGREE = 3600.0

FK5_LONGITUDE_CORRECTION_ARCSEC = -0.09033
ABERRATION_CONSTANT_ARCSEC_AU = 20.4898   # divided by R in au

IRST_OFFSET_DAYS = 3.5 / 24.0            # Iran Standard Time = UT + 3:30

# Starting guess for the March equinox: its JDE in 2000 (Meeus, Table 27.B,
# constant term) advanced by the mean length of the vernal-equinox year.  The
# guess is within about a day over the whole range; the iteration does the rest.
MARCH_EQUINOX_2000_JDE = 2451623.80984
VERNAL_EQUINOX_YEAR_DAYS = 365.2424

# The Sun's mean apparent motion, degrees a day; only the first step of the
# iteration uses it.
MEAN_SOLAR_MOTION_DEG_PER_DAY = 360.0 / 365.2422

EQUINOX_TOLERANCE_DAYS = 1e-7            # 8.6 ms

# The years the table holds: every day of the Gregorian years 1 to 9999, which
# Python's datetime and most data columns hold, lies in one of them.
FIRST_YEAR = -622
LAST_YEAR = 9378

HERE = os.path.dirname(os.path.abspath(__file__))
VSOP87D_EARTH_PATH = os.path.join(HERE, "VSOP87D.ear")
# The file as published (VizieR VI/81), unchanged.
VSOP87D_EARTH_SHA256 = "8b160c859136d467f2be7fc29efa8a9652e95516dfbde00e4c739d7ddc90ca91"
HEADER_PATH = os.path.join(os.path.dirname(HERE), "astronomical_years.hpp")

# ---------------------------------------------------------------------------
# VSOP87D: the Earth's heliocentric spherical coordinates of date

# One series is a list, by power of time alpha = 0, 1, ..., of lists of terms
# (A, B, C), each contributing T^alpha * A cos(B + C T), T in Julian millennia
# of TDB (taken here as TT) from J2000.  A is in radians for L and au for R.
Terms = List[Tuple[float, float, float]]
Series = List[Terms]


def load_vsop87d(path: str = VSOP87D_EARTH_PATH) -> Dict[int, Series]:
    """The series of a VSOP87D file, by variable: 1 = L, 2 = B, 3 = R.

    The file is the published one, unchanged: a header line before each block
    of terms names the variable, the power of time and the number of terms;
    each term line ends with the fixed-width fields A (columns 80-97),
    B (98-111) and C (112-131).
    """
    with open(path, "rb") as raw:
        if hashlib.sha256(raw.read()).hexdigest() != VSOP87D_EARTH_SHA256:
            raise ValueError(f"{path} is not the published VSOP87D Earth file")
    series: Dict[int, Series] = {}
    expected = 0
    current: Terms = []
    with open(path, encoding="ascii") as lines:
        for line in lines:
            if line.startswith(" VSOP87"):
                if expected:
                    raise ValueError(f"{path}: a block ends {expected} terms short")
                fields = line.split()
                variable = int(fields[fields.index("VARIABLE") + 1])
                power = int(line[line.index("*T**") + 4:].split()[0])
                expected = int(fields[fields.index("TERMS") - 1])
                blocks = series.setdefault(variable, [])
                if power != len(blocks):
                    raise ValueError(f"{path}: variable {variable} power {power} out of order")
                current = []
                blocks.append(current)
            elif line.strip():
                current.append((float(line[79:97]), float(line[97:111]), float(line[111:131])))
                expected -= 1
    if expected:
        raise ValueError(f"{path}: the last block ends {expected} terms short")
    return series


def series_value(series: Series, t_millennia: float) -> float:
    """Sum of T^alpha * A cos(B + C T) over the whole series."""
    cos = math.cos
    total = 0.0
    power = 1.0
    for terms in series:
        total += power * sum(a * cos(b + c * t_millennia) for a, b, c in terms)
        power *= t_millennia
    return total


_EARTH: Dict[int, Series] = {}


def earth_series() -> Dict[int, Series]:
    """The VSOP87D Earth series, read once."""
    if not _EARTH:
        _EARTH.update(load_vsop87d())
    return _EARTH


def earth_heliocentric_l_r(jde: float) -> Tuple[float, float]:
    """The Earth's heliocentric longitude (radians, not reduced) and radius
    vector (au) at JDE, referred to the dynamical ecliptic and equinox of date."""
    earth = earth_series()
    t_millennia = (jde - J2000_JD) / DAYS_PER_JULIAN_MILLENNIUM
    return series_value(earth[1], t_millennia), series_value(earth[3], t_millennia)


# ---------------------------------------------------------------------------
# Nutation in longitude, IAU 1980 (Meeus, Table 22.A)

# Multiples of the arguments D, M, M', F, Omega, then the coefficient of the
# sine in units of 0.0001 arcsec and its rate in 0.0001 arcsec per Julian
# century.  These are the 63 terms of Meeus's table: every term of the
# 106-term IAU 1980 series whose coefficient is at least 0.0003 arcsec.
NUTATION_LONGITUDE_TERMS = (
    # D   M   M'  F  Om     sine    rate
    (0, 0, 0, 0, 1, -171996, -174.2),
    (-2, 0, 0, 2, 2, -13187, -1.6),
    (0, 0, 0, 2, 2, -2274, -0.2),
    (0, 0, 0, 0, 2, 2062, 0.2),
    (0, 1, 0, 0, 0, 1426, -3.4),
    (0, 0, 1, 0, 0, 712, 0.1),
    (-2, 1, 0, 2, 2, -517, 1.2),
    (0, 0, 0, 2, 1, -386, -0.4),
    (0, 0, 1, 2, 2, -301, 0.0),
    (-2, -1, 0, 2, 2, 217, -0.5),
    (-2, 0, 1, 0, 0, -158, 0.0),
    (-2, 0, 0, 2, 1, 129, 0.1),
    (0, 0, -1, 2, 2, 123, 0.0),
    (2, 0, 0, 0, 0, 63, 0.0),
    (0, 0, 1, 0, 1, 63, 0.1),
    (2, 0, -1, 2, 2, -59, 0.0),
    (0, 0, -1, 0, 1, -58, -0.1),
    (0, 0, 1, 2, 1, -51, 0.0),
    (-2, 0, 2, 0, 0, 48, 0.0),
    (0, 0, -2, 2, 1, 46, 0.0),
    (2, 0, 0, 2, 2, -38, 0.0),
    (0, 0, 2, 2, 2, -31, 0.0),
    (0, 0, 2, 0, 0, 29, 0.0),
    (-2, 0, 1, 2, 2, 29, 0.0),
    (0, 0, 0, 2, 0, 26, 0.0),
    (-2, 0, 0, 2, 0, -22, 0.0),
    (0, 0, -1, 2, 1, 21, 0.0),
    (0, 2, 0, 0, 0, 17, -0.1),
    (2, 0, -1, 0, 1, 16, 0.0),
    (-2, 2, 0, 2, 2, -16, 0.1),
    (0, 1, 0, 0, 1, -15, 0.0),
    (-2, 0, 1, 0, 1, -13, 0.0),
    (0, -1, 0, 0, 1, -12, 0.0),
    (0, 0, 2, -2, 0, 11, 0.0),
    (2, 0, -1, 2, 1, -10, 0.0),
    (2, 0, 1, 2, 2, -8, 0.0),
    (0, 1, 0, 2, 2, 7, 0.0),
    (-2, 1, 1, 0, 0, -7, 0.0),
    (0, -1, 0, 2, 2, -7, 0.0),
    (2, 0, 0, 2, 1, -7, 0.0),
    (2, 0, 1, 0, 0, 6, 0.0),
    (-2, 0, 2, 2, 2, 6, 0.0),
    (-2, 0, 1, 2, 1, 6, 0.0),
    (2, 0, -2, 0, 1, -6, 0.0),
    (2, 0, 0, 0, 1, -6, 0.0),
    (0, -1, 1, 0, 0, 5, 0.0),
    (-2, -1, 0, 2, 1, -5, 0.0),
    (-2, 0, 0, 0, 1, -5, 0.0),
    (0, 0, 2, 2, 1, -5, 0.0),
    (-2, 0, 2, 0, 1, 4, 0.0),
    (-2, 1, 0, 2, 1, 4, 0.0),
    (0, 0, 1, -2, 0, 4, 0.0),
    (-1, 0, 1, 0, 0, -4, 0.0),
    (-2, 1, 0, 0, 0, -4, 0.0),
    (1, 0, 0, 0, 0, -4, 0.0),
    (0, 0, 1, 2, 0, 3, 0.0),
    (0, 0, -2, 2, 2, -3, 0.0),
    (-1, -1, 1, 0, 0, -3, 0.0),
    (0, 1, 1, 0, 0, -3, 0.0),
    (0, -1, 1, 2, 2, -3, 0.0),
    (2, -1, -1, 2, 2, -3, 0.0),
    (0, 0, 3, 2, 2, -3, 0.0),
    (2, -1, 0, 2, 2, -3, 0.0),
)


def nutation_arguments_deg(t_centuries: float) -> Tuple[float, float, float, float, float]:
    """D, M, M', F and Omega in degrees (Meeus ch. 22): the Moon's mean
    elongation from the Sun, the Sun's and the Moon's mean anomalies, the
    Moon's argument of latitude and the longitude of its ascending node."""
    t = t_centuries
    d = 297.85036 + t * (445267.111480 + t * (-0.0019142 + t / 189474.0))
    m = 357.52772 + t * (35999.050340 + t * (-0.0001603 - t / 300000.0))
    m_moon = 134.96298 + t * (477198.867398 + t * (0.0086972 + t / 56250.0))
    f = 93.27191 + t * (483202.017538 + t * (-0.0036825 + t / 327270.0))
    omega = 125.04452 + t * (-1934.136261 + t * (0.0020708 + t / 450000.0))
    return d, m, m_moon, f, omega


def nutation_longitude_arcsec(jde: float) -> float:
    """Nutation in longitude, Delta psi, in arcseconds."""
    t_centuries = (jde - J2000_JD) / DAYS_PER_JULIAN_CENTURY
    arguments_rad = [math.radians(a % 360.0) for a in nutation_arguments_deg(t_centuries)]
    total = 0.0
    for k_d, k_m, k_m_moon, k_f, k_omega, sine, rate in NUTATION_LONGITUDE_TERMS:
        argument = (k_d * arguments_rad[0] + k_m * arguments_rad[1] + k_m_moon * arguments_rad[2]
                    + k_f * arguments_rad[3] + k_omega * arguments_rad[4])
        total += (sine + rate * t_centuries) * math.sin(argument)
    return total * 1e-4


# ---------------------------------------------------------------------------
# The Sun's apparent longitude


def sun_apparent_longitude_deg(jde: float) -> float:
    """The Sun's apparent geocentric ecliptic longitude at JDE, in degrees
    within [0, 360), referred to the true equinox of date."""
    l_rad, r_au = earth_heliocentric_l_r(jde)
    geometric_deg = math.degrees(l_rad) + 180.0
    corrections_arcsec = (FK5_LONGITUDE_CORRECTION_ARCSEC
                          + nutation_longitude_arcsec(jde)
                          - ABERRATION_CONSTANT_ARCSEC_AU / r_au)
    return (geometric_deg + corrections_arcsec / ARCSEC_PER_DEGREE) % 360.0


def signed_degrees(angle_deg: float) -> float:
    """An angle reduced to [-180, 180) degrees."""
    return (angle_deg + 180.0) % 360.0 - 180.0


def march_equinox_jde(gregorian_year: int) -> float:
    """The JDE (TT) of the March equinox of a (proleptic) Gregorian year,
    by secant iteration on the Sun's apparent longitude."""
    jde0 = MARCH_EQUINOX_2000_JDE + VERNAL_EQUINOX_YEAR_DAYS * (gregorian_year - 2000)
    offset0_deg = signed_degrees(sun_apparent_longitude_deg(jde0))
    jde1 = jde0 - offset0_deg / MEAN_SOLAR_MOTION_DEG_PER_DAY
    for _ in range(20):
        offset1_deg = signed_degrees(sun_apparent_longitude_deg(jde1))
        if offset1_deg == offset0_deg:
            return jde1
        step_days = -offset1_deg * (jde1 - jde0) / (offset1_deg - offset0_deg)
        jde0, offset0_deg = jde1, offset1_deg
        jde1 += step_days
        if abs(step_days) < EQUINOX_TOLERANCE_DAYS:
            return jde1
    raise ArithmeticError(f"the March equinox of {gregorian_year} did not converge")


# ---------------------------------------------------------------------------
# Delta T = TT - UT, seconds (Espenak & Meeus 2006)


def decimal_year(jd: float) -> float:
    """The proleptic Gregorian decimal year of a JD: 2000.0 at 2000 January 1,
    0h.  The polynomials below take y = year + (month - 0.5) / 12; this
    continuous form differs from it by less than 0.01 year in March."""
    return 2000.0 + (jd - 2451544.5) / 365.2425


def _polynomial(x: float, coefficients: Sequence[float]) -> float:
    """coefficients[0] + coefficients[1] x + coefficients[2] x^2 + ..."""
    total = 0.0
    for c in reversed(coefficients):
        total = total * x + c
    return total


def long_term_delta_t_seconds(y: float) -> float:
    """The long-term parabola -20 + 32 u^2, u = (y - 1820) / 100 centuries."""
    u = (y - 1820.0) / 100.0
    return -20.0 + 32.0 * u * u


def delta_t_seconds(y: float) -> float:
    """TT - UT in seconds at decimal year y, by the Espenak & Meeus polynomials."""
    if y < -500.0:
        return long_term_delta_t_seconds(y)
    if y < 500.0:
        return _polynomial(y / 100.0, (10583.6, -1014.41, 33.78311, -5.952053,
                                       -0.1798452, 0.022174192, 0.0090316521))
    if y < 1600.0:
        return _polynomial((y - 1000.0) / 100.0, (1574.2, -556.01, 71.23472, 0.319781,
                                                  -0.8503463, -0.005050998, 0.0083572073))
    if y < 1700.0:
        return _polynomial(y - 1600.0, (120.0, -0.9808, -0.01532, 1.0 / 7129.0))
    if y < 1800.0:
        return _polynomial(y - 1700.0, (8.83, 0.1603, -0.0059285, 0.00013336, -1.0 / 1174000.0))
    if y < 1860.0:
        return _polynomial(y - 1800.0, (13.72, -0.332447, 0.0068612, 0.0041116, -0.00037436,
                                        0.0000121272, -0.0000001699, 0.000000000875))
    if y < 1900.0:
        return _polynomial(y - 1860.0, (7.62, 0.5737, -0.251754, 0.01680668,
                                        -0.0004473624, 1.0 / 233174.0))
    if y < 1920.0:
        return _polynomial(y - 1900.0, (-2.79, 1.494119, -0.0598939, 0.0061966, -0.000197))
    if y < 1941.0:
        return _polynomial(y - 1920.0, (21.20, 0.84493, -0.076100, 0.0020936))
    if y < 1961.0:
        return _polynomial(y - 1950.0, (29.07, 0.407, -1.0 / 233.0, 1.0 / 2547.0))
    if y < 1986.0:
        return _polynomial(y - 1975.0, (45.45, 1.067, -1.0 / 260.0, -1.0 / 718.0))
    if y < 2005.0:
        return _polynomial(y - 2000.0, (63.86, 0.3345, -0.060374, 0.0017275,
                                        0.000651814, 0.00002373599))
    if y < 2050.0:
        return _polynomial(y - 2000.0, (62.92, 0.32217, 0.005589))
    if y < 2150.0:
        # the last term joins the parabola at 2150 and the previous piece near 2050
        return long_term_delta_t_seconds(y) - 0.5628 * (2150.0 - y)
    return long_term_delta_t_seconds(y)


# ---------------------------------------------------------------------------
# Calendar arithmetic


def gregorian_year_of_nowruz(jalali_year: int) -> int:
    """The Gregorian year in which Jalali year Y begins (there is no year 0)."""
    if jalali_year == 0:
        raise ValueError("there is no Jalali year 0")
    return jalali_year + (621 if jalali_year > 0 else 622)


def next_jalali_year(jalali_year: int) -> int:
    return 1 if jalali_year == -1 else jalali_year + 1


def gregorian_to_jdn(year: int, month: int, day: int) -> int:
    """Julian day number of a proleptic Gregorian date (astronomical years)."""
    a = (14 - month) // 12
    y = year + 4800 - a
    m = month + 12 * a - 3
    return day + (153 * m + 2) // 5 + 365 * y + y // 4 - y // 100 + y // 400 - 32045


def jdn_to_gregorian(jdn: int) -> Tuple[int, int, int]:
    """Proleptic Gregorian (year, month, day) of a julian day number."""
    a = jdn + 32044
    b = (4 * a + 3) // 146097
    c = a - 146097 * b // 4
    d = (4 * c + 3) // 1461
    e = c - 1461 * d // 4
    m = (5 * e + 2) // 153
    day = e - (153 * m + 2) // 5 + 1
    month = m + 3 - 12 * (m // 10)
    year = 100 * b + d - 4800 + m // 10
    return year, month, day


def format_gregorian(jdn: int) -> str:
    year, month, day = jdn_to_gregorian(jdn)
    return f"{year:05d}-{month:02d}-{day:02d}" if year < 0 else f"{year:04d}-{month:02d}-{day:02d}"


def format_clock(seconds: float) -> str:
    """hh:mm:ss.s of a number of seconds after midnight, in [0, 86400)."""
    tenths = int(math.floor(seconds * 10.0))
    hours, rest = divmod(tenths, 36000)
    minutes, rest = divmod(rest, 600)
    return f"{hours:02d}:{minutes:02d}:{rest // 10:02d}.{rest % 10}"


# ---------------------------------------------------------------------------
# Year starts


class YearStart(NamedTuple):
    year: int                     # Jalali year, astronomical, no year 0
    gregorian_year: int           # of its Nowruz
    equinox_jde: float            # March equinox, JD of TT
    delta_t_s: float              # TT - UT at the equinox, seconds
    equinox_local_jd: float       # the same instant as a JD of IRST clock time
    equinox_day_jdn: int          # julian day number of the IRST civil day holding the equinox
    seconds_from_noon: float      # equinox minus that day's 12:00:00 IRST, seconds
    nowruz_jdn: int               # julian day number of 1 Farvardin

    @property
    def equinox_ut_jd(self) -> float:
        return self.equinox_jde - self.delta_t_s / SECONDS_PER_DAY

    @property
    def local_clock_seconds(self) -> float:
        """IRST clock time of the equinox, seconds after midnight."""
        return self.seconds_from_noon + SECONDS_PER_DAY / 2.0


def nowruz_from_equinox(equinox_jde: float, delta_t_s: float) -> Tuple[float, int, float, int]:
    """From the equinox (JDE) and Delta T (s): its IRST JD, the julian day
    number of the IRST day that holds it, its distance in seconds from that
    day's noon, and the julian day number of Nowruz.

    The day numbered n runs over IRST JDs [n - 0.5, n + 0.5) with noon at n,
    so an equinox at local JD x is before the noon of day floor(x) + 1 and at
    or after every earlier noon: Nowruz is floor(x) + 1.
    """
    local_jd = equinox_jde - delta_t_s / SECONDS_PER_DAY + IRST_OFFSET_DAYS
    day_jdn = math.floor(local_jd + 0.5)
    seconds_from_noon = (local_jd - day_jdn) * SECONDS_PER_DAY
    return local_jd, day_jdn, seconds_from_noon, math.floor(local_jd) + 1


def year_start(jalali_year: int) -> YearStart:
    """The start of one Jalali year."""
    gregorian_year = gregorian_year_of_nowruz(jalali_year)
    equinox_jde = march_equinox_jde(gregorian_year)
    delta_t_s = delta_t_seconds(decimal_year(equinox_jde))
    local_jd, day_jdn, seconds_from_noon, nowruz_jdn = nowruz_from_equinox(equinox_jde, delta_t_s)
    return YearStart(jalali_year, gregorian_year, equinox_jde, delta_t_s, local_jd, day_jdn,
                     seconds_from_noon, nowruz_jdn)


def jalali_years(first: int, last: int) -> Iterator[int]:
    """The Jalali years from first to last inclusive, skipping 0."""
    return (y for y in range(first, last + 1) if y != 0)


def year_starts(first: int = FIRST_YEAR, last: int = LAST_YEAR) -> List[YearStart]:
    """The starts of the Jalali years first..last (without year 0)."""
    return [year_start(y) for y in jalali_years(first, last)]


# ---------------------------------------------------------------------------
# Script

# The header: the table as the C++ routines read it.  Years are numbered there
# without a gap, as the conversions count them: the continuous year of a named
# year Y is Y for Y >= 1 and Y + 1 for Y <= -1.


def continuous_year(jalali_year: int) -> int:
    return jalali_year + (jalali_year < 0)


def thirty_three_year_stretch(starts: Sequence[YearStart], around: int) -> Tuple[int, int, int]:
    """The longest stretch of years about `around` (continuous) whose starts follow the 33-year
    rule, 8 leap years in 33, laid as evenly as they go: the start of year first + k is that of
    `first` plus floor((12053 k + phase) / 33) days, 12053 being the days of 33 years.
    (first, last, phase), with the length of year `last` by the rule too."""
    by_year = {continuous_year(s.year): s.nowruz_jdn for s in starts}

    def rule(k: int, phase: int) -> int:
        return (12053 * k + phase) // 33

    def follows(year: int, phase: int) -> bool:
        return year in by_year and by_year[year] - by_year[around] == rule(year - around, phase)

    stretches = []
    for phase in range(33):
        first, end = around, around
        while follows(first - 1, phase):
            first -= 1
        while follows(end + 1, phase):
            end += 1
        stretches.append((end - first, first, end, phase))
    _, first, end, phase = max(stretches)
    # the same days counted from `first`: (12053 k + phase) with k from first - around
    return first, end - 1, (12053 * (first - around) + phase) % 33


def header(starts: Sequence[YearStart], first: int, last: int) -> str:
    """The C++ header of the year starts of the years first..last (named years)."""
    held = [s for s in starts if first <= s.year <= last]
    lengths = [b.nowruz_jdn - a.nowruz_jdn for a, b in zip(starts, starts[1:]) if first <= a.year <= last]
    assert len(lengths) == len(held) and set(lengths) <= {365, 366}, "every year has 365 or 366 days"
    words = [0] * ((len(lengths) + 63) // 64)
    for i, length in enumerate(lengths):
        words[i // 64] |= (length == 366) << (i % 64)
    rule_first, rule_last, phase = thirty_three_year_stretch(starts, 1403)
    near = [s for s in held if abs(s.seconds_from_noon) < 60.0]
    lines = [
        "#ifndef ALGORITHMS_C_CALENDAR_ASTRONOMICAL_YEARS_HPP",
        "#define ALGORITHMS_C_CALENDAR_ASTRONOMICAL_YEARS_HPP",
        "",
        "// The first days of the years of the astronomical Jalali calendar, as",
        "// calendar/astronomical/year_starts.py computes them from the March equinoxes",
        "// (VSOP87D, IAU 1980 nutation, Espenak and Meeus's Delta T).  Written by that",
        "// script; do not edit.  `python3 calendar/astronomical/year_starts.py --check`",
        "// tells whether it still writes this.",
        "",
        "#include <cstdint>",
        "",
        "namespace calendar::astronomical_years {",
        "",
        "// The years held, numbered without a gap (year 0 is year -1, and the year",
        f"// named {first} is {continuous_year(first)}), and the julian day number of the first day of",
        "// the first of them.",
        f"constexpr std::int32_t first = {continuous_year(first)};",
        f"constexpr std::int32_t last = {continuous_year(last)};",
        f"constexpr std::int64_t first_start = {held[0].nowruz_jdn};",
        "",
        "// Whether year first + i is a leap year, of 366 days: bit i % 64 of word i / 64.",
        f"constexpr std::uint64_t leap_words[{len(words)}] = {{",
        *(("    " + " ".join(f"0x{w:016x}u," for w in words[k:k + 4])) for k in range(0, len(words), 4)),
        "};",
        "",
        "// The years from rule_first to rule_last begin as the 33-year rule has them",
        "// begin: year rule_first + k on the day floor((12053 k + rule_phase) / 33)",
        "// after year rule_first, 8 leap years in 33.",
        f"constexpr std::int32_t rule_first = {rule_first};",
        f"constexpr std::int32_t rule_last = {rule_last};",
        f"constexpr std::int32_t rule_phase = {phase};",
        "",
        "// The years whose equinox falls within a minute of noon, where another",
        "// ephemeris or another Delta T may begin the year on the other day:",
        *(f"//   {s.year} ({s.gregorian_year}): {s.seconds_from_noon:+.1f} s" for s in near),
        "",
        "}  // namespace calendar::astronomical_years",
        "",
        "#endif",
    ]
    return "\n".join(lines) + "\n"


CSV_COLUMNS = (
    "year", "gregorian_year", "equinox_jde_tt", "delta_t_s", "equinox_jd_ut",
    "equinox_irst_date", "equinox_irst_time", "seconds_from_noon",
    "nowruz_jdn", "nowruz_gregorian", "year_length_days",
)


def csv_row(start: YearStart, next_start: YearStart) -> list:
    return [
        start.year, start.gregorian_year, f"{start.equinox_jde:.6f}", f"{start.delta_t_s:.1f}",
        f"{start.equinox_ut_jd:.6f}", format_gregorian(start.equinox_day_jdn),
        format_clock(start.local_clock_seconds), f"{start.seconds_from_noon:.1f}",
        start.nowruz_jdn, format_gregorian(start.nowruz_jdn), next_start.nowruz_jdn - start.nowruz_jdn,
    ]


def main(argv: Sequence[str] = ()) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true",
                        help=f"only tell whether {os.path.relpath(HEADER_PATH)} is what this writes")
    parser.add_argument("--csv", help="also write one row a year, with the equinox and its distance from noon")
    parser.add_argument("--near-noon-minutes", type=float, default=5.0,
                        help="list the years whose equinox is this close to noon (0: none)")
    args = parser.parse_args(argv)

    started = time.perf_counter()
    # one year more, for the length of the last
    starts = year_starts(FIRST_YEAR, next_jalali_year(LAST_YEAR))
    elapsed = time.perf_counter() - started
    text = header(starts, FIRST_YEAR, LAST_YEAR)
    lengths = [b.nowruz_jdn - a.nowruz_jdn for a, b in zip(starts, starts[1:])]
    print(f"years {FIRST_YEAR}..{LAST_YEAR}: {len(lengths)} years, {sum(n == 366 for n in lengths)} of 366 days, "
          f"computed in {elapsed:.1f} s")

    if args.check:
        with open(HEADER_PATH, encoding="utf-8") as committed:
            if committed.read() != text:
                print(f"{HEADER_PATH} is not what the equinoxes give: run {sys.argv[0]} to write it")
                return 1
        print(f"{HEADER_PATH} is what the equinoxes give")
    else:
        with open(HEADER_PATH, "w", encoding="utf-8") as out:
            out.write(text)
        print(f"written to {HEADER_PATH}")

    if args.csv:
        with open(args.csv, "w", newline="") as out:
            writer = csv.writer(out)
            writer.writerow(CSV_COLUMNS)
            for start, next_start in zip(starts, starts[1:]):
                writer.writerow(csv_row(start, next_start))

    limit_s = args.near_noon_minutes * 60.0
    if limit_s <= 0:
        return 0
    near = [s for s in starts[:-1] if abs(s.seconds_from_noon) < limit_s]
    print(f"{len(near)} years with the equinox within {args.near_noon_minutes:g} min of noon (IRST):")
    for s in near:
        print(f"  {s.year:6d}  {format_gregorian(s.equinox_day_jdn)}  "
              f"{format_clock(s.local_clock_seconds)}  {s.seconds_from_noon:+8.1f} s  "
              f"dT {s.delta_t_s:9.1f} s  -> 1 Farvardin {format_gregorian(s.nowruz_jdn)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
