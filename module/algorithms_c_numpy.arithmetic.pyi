"""The ufuncs in the arithmetic Jalali calendar: those of the module itself."""

import numpy as np

get_julian_day_from_gregorian_date: np.ufunc
is_jalali_leap_year: np.ufunc
get_days_in_jalali_year: np.ufunc
get_days_in_jalali_month: np.ufunc
get_julian_day_from_jalali_date: np.ufunc
get_jalali_date_from_julian_day: np.ufunc
get_gregorian_date_from_julian_day: np.ufunc
get_jalali_date_from_gregorian_date: np.ufunc
