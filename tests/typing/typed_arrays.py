"""Typed use of the array module; checked with mypy --strict."""

import numpy as np
import numpy.typing as npt

import algorithms_c_numpy

years: npt.NDArray[np.int64] = np.arange(1390, 1410)
leap: npt.NDArray[np.bool_] = algorithms_c_numpy.is_jalali_leap_year(years)
ufunc: np.ufunc = algorithms_c_numpy.get_jalali_date_from_gregorian_date
year, month, day = ufunc(np.array([2016, 2025]), 3, 20)
