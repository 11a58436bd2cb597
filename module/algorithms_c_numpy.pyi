"""The functions of algorithms_c as NumPy ufuncs."""

import numpy as np

from . import arithmetic as arithmetic
from . import astronomical as astronomical

get_julian_day_from_gregorian_date: np.ufunc
is_jalali_leap_year: np.ufunc
get_days_in_jalali_year: np.ufunc
get_days_in_jalali_month: np.ufunc
get_julian_day_from_jalali_date: np.ufunc
get_jalali_date_from_julian_day: np.ufunc
get_gregorian_date_from_julian_day: np.ufunc
get_jalali_date_from_gregorian_date: np.ufunc
